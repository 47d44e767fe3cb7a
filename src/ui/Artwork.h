#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QWidget>

#include "ResultRows.h"

namespace velkaro {

// The tool bar's pictures, in the order of its image list.
enum class TToolbarIcon : int {
  Settings,
  Stop,
  Search,
  Download,
  Properties,
  Clear,
  Sort,
  FetchBest,  // "En uygununu indir": beyond the first design's seven
};

inline constexpr int kToolbarIconCount = static_cast<int>(TToolbarIcon::FetchBest) + 1;
inline constexpr int kToolbarIconSize = 48;

QIcon ToolbarIcon(TToolbarIcon icon);
// The result list's icon for a row's site or address kind.
QIcon RowIcon(TRowIcon icon);
// The site box of the advanced search: green for a ticked site, grey otherwise.
QIcon TickIcon(bool green);
QIcon ProgramIcon();

// The dialogs' type: Arial 8 point where it is installed, a sans serif of
// the same size elsewhere.
QFont DialogFont();

// A dialog of the program: its name (which the tests find it by), title, icon and type.
void DressDialog(QWidget& dialog, const char* objectName, const QString& title);

}  // namespace velkaro
