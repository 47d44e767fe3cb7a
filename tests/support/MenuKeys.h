#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <set>
#include <vector>

namespace velkaro::test {

// The first item of the window's menus that the keyboard cannot reach: one
// without a mnemonic, or with one another item of its menu has, named with
// its menu; empty when every item has a key of its own.
inline QString ItemWithoutKeyOfItsOwn(const QMainWindow& window) {
  std::vector<const QWidget*> menus{window.menuBar()};
  for (const QMenu* menu : window.findChildren<QMenu*>()) menus.push_back(menu);
  for (const QWidget* menu : menus) {
    std::set<QString> keys;
    for (const QAction* item : menu->actions()) {
      if (item->isSeparator()) continue;
      const QString key = QKeySequence::mnemonic(item->text()).toString();
      if (key.isEmpty() || !keys.insert(key).second) return menu->objectName() + QLatin1Char(' ') + item->text();
    }
  }
  return {};
}

}  // namespace velkaro::test
