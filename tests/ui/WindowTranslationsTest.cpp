// The window in each language: every text of the main window, its menus, its
// dialogs and its messages is walked as a user would read it. In English none
// keeps a Turkish-only letter and every menu item keeps a key of its own; in
// Turkish the same walk reads today's texts.

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "EngineText.h"
#include "MainWindow.h"
#include "MenuKeys.h"
#include "TestSupport.h"
#include "UserText.h"

namespace velkaro {
namespace {

const QString kTurkishOnlyLetters = QString::fromUtf8("çğıİöşüÇĞÖŞÜ");

bool HasTurkishOnlyLetter(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar letter) { return kTurkishOnlyLetters.contains(letter); });
}

// Every text a widget and its children show: titles, captions, tips, items.
void ReadWidget(const QWidget& widget, QStringList& texts) {
  texts << widget.windowTitle() << widget.toolTip();
  for (const QWidget* child : widget.findChildren<QWidget*>()) {
    texts << child->toolTip();
    if (const auto* label = qobject_cast<const QLabel*>(child)) texts << label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(child)) texts << button->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(child)) texts << box->title();
    if (const auto* menu = qobject_cast<const QMenu*>(child)) texts << menu->title();
  }
  for (const QAction* action : widget.findChildren<QAction*>()) {
    texts << action->text() << action->iconText() << action->toolTip();
  }
}

}  // namespace

class WindowTranslationsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<test::TTempDir> Dir;
  test::TRecordingPrompt Prompt;
  std::unique_ptr<TfrmMain> Window;
  QStringList Texts;

  // The window in `language`, a row listed and selected, with every dialog
  // the menus open read as it comes up.
  TfrmMain& Open(TLanguage language) {
    SetLanguage(language);
    Window = std::make_unique<TfrmMain>(TMainWindowDeps{
        .Prompt = Prompt,
        .Files = TProgramFiles::InFolder(Dir->Path()),
        .Sites = TSiteTable::Defaults(),
        .ShowDialog = [this](QDialog& dialog) { ReadWidget(dialog, Texts); },
        .AskSyncFiles = [this](const TSyncChoice&) {
          return std::optional<TSyncChoice>({Dir->Path() / "film.avi", Dir->Path() / "film.srt"});
        },
    });
    TSubtitleInfo row{.FilmName = "The Matrix", .Url = "http://www.subdb.net/subtitle/1", .Language = "English",
                      .CdCount = "1", .Fps = "25", .Format = "SubRip", .DateAdded = "02.10.99", .Uploader = "kemal"};
    // Every format passes the list's filter.
    Window->Session().SearchOptions.Format = "All";
    Window->Session().AddResult(row);
    Window->ResultView().selectRow(0);
    return *Window;
  }

  // What a user reads: the window, its list's column titles, its status
  // line, the dialogs its commands open, and the messages they show.
  QStringList ReadAll(TfrmMain& window) {
    ReadWidget(window, Texts);
    const QAbstractItemModel& list = *window.ResultView().model();
    for (int column = 0; column < list.columnCount(); ++column) {
      Texts << list.headerData(column, Qt::Horizontal).toString();
    }
    for (std::size_t panel = 0; panel < 3; ++panel) Texts << window.PanelText(panel);
    for (const char* command : {"cmdSearch", "cmdDownloadOptions", "mmItemProxy", "mmItemAbout", "mmItemSyncToAudio",
                                "cmdProperties", "cmdAskClear"}) {
      Action(window, command).trigger();
    }
    for (const auto* said : {&Prompt.Errors, &Prompt.Informations, &Prompt.Questions}) {
      for (const std::string& message : *said) Texts << FromEngine(message);
    }
    Texts.removeAll(QString());
    return Texts;
  }

  static QAction& Action(const TfrmMain& window, const char* name) {
    auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
    if (action == nullptr) throw std::runtime_error(std::string("no action ") + name);
    return *action;
  }

 private slots:
  void init() {
    Dir = std::make_unique<test::TTempDir>();
    Prompt = test::TRecordingPrompt{};
    Texts.clear();
  }
  void cleanup() {
    Window.reset();
    SetLanguage(TLanguage::Turkish);
  }

  void inEnglishNoTextIsLeftInTurkish() {
    TfrmMain& window = Open(TLanguage::English);
    const QStringList texts = ReadAll(window);
    for (const QString& text : texts) QVERIFY2(!HasTurkishOnlyLetter(text), qPrintable(text));
    // The dialogs and messages were reached.
    for (const char* seen : {"Advanced Search", "Download Options", "Proxy Settings", "Sync Subtitle to Audio",
                             "Clear the search results?", "Film name:  The Matrix"}) {
      QVERIFY2(std::any_of(texts.begin(), texts.end(), [&](const QString& text) { return text.contains(seen); }), seen);
    }
  }

  // The same walk reads the Turkish texts, so the English one did not pass by finding nothing.
  void inTurkishTheSameWalkReadsTodaysTexts() {
    TfrmMain& window = Open(TLanguage::Turkish);
    const QStringList texts = ReadAll(window);
    for (const char* seen : {"Dü&zen", "Gelişmiş Arama", "İndirme seçenekleri", "Altyazıyı sese eşitle",
                             "Bulunan sonuçlar temizlensin mi?", "Eklenme Tarihi"}) {
      QVERIFY2(texts.contains(QString::fromUtf8(seen)), seen);
    }
  }

  // Each English item is reached from the keyboard by a letter no other item of its menu has.
  void inEnglishEveryMenuItemHasAKeyOfItsOwn() {
    QCOMPARE(test::ItemWithoutKeyOfItsOwn(Open(TLanguage::English)), QString());
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::WindowTranslationsTest)
#include "WindowTranslationsTest.moc"
