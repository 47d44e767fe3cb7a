// The main window driven as a user drives it: menus, tool bar, keys, the
// result list, start-up and exit, and a real search against the stand-in sites.

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "EngineText.h"
#include "MainWindow.h"
#include "MenuKeys.h"
#include "ResultList.h"
#include "SettingsFile.h"
#include "TerminationSignals.h"
#include "TextHelpers.h"
#include "TestSupport.h"
#include "VideoFixtures.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

const std::string kBadSettings = Utf8ToCp1254("Hatalı konfigürasyon dosyası.");
const std::string kClearQuestion = Utf8ToCp1254("Bulunan sonuçlar temizlensin mi?");
const std::string kExitQuestion = Utf8ToCp1254("Programdan çıkmak istiyormusunz?");
const std::string kProxyFileMissing = Utf8ToCp1254("Proxy konfigürasyon dosyası bulunamadı.");
constexpr int kSearchTimeoutMs = 60000;

TSubtitleInfo Record(std::string film, std::string url = "http://www.extratitles.net/xsubt.subt.link.php?id=1&f=a.zip",
                     std::string cd = "1", std::string date = "05.01.2005") {
  TSubtitleInfo record;
  record.FilmName = std::move(film);
  record.Url = std::move(url);
  record.Language = "Turkish";
  record.Fps = "23.976";
  record.CdCount = std::move(cd);
  record.Format = "SubRip";
  record.DateAdded = std::move(date);
  record.Uploader = "kemal";
  return record;
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  std::vector<std::string> lines;
  std::string line;
  std::istringstream split(content.str());
  while (std::getline(split, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// One window over a fresh program folder, with every box answered in code
// and every dialog handed to the test instead of shown.
struct THarness {
  test::TTempDir Dir;
  test::TRecordingPrompt Prompt;
  std::vector<QString> Dialogs;
  std::function<void(QDialog&)> Drive;
  std::vector<QUrl> Opened;
  // Whether the desktop manages to open what it is given.
  bool Opens = true;
  // Download targets asked for; every one is cancelled.
  std::vector<TSaveDialogRequest> SaveRequests;
  TSiteTable Sites = TSiteTable::Defaults();
  // Empty: every file in Dir, as in a portable folder.
  std::optional<TProgramFiles> Files;
  // What "Video aç..."'s file dialog answers; empty: cancelled.
  std::vector<std::filesystem::path> ChosenVideos;
  int VideoDialogs = 0;
  std::unique_ptr<TfrmMain> Window;

  void WriteSettings(const std::string& grid = "0", const std::string& atStart = "0", const char* sites = "-1") {
    std::ofstream out(Dir.Path() / "conf.vkcf", std::ios::binary);
    for (int site = 0; site < kSiteCount; ++site) out << sites << "\r\n";
    for (const char* line : {"-1", "", "50"}) out << line << "\r\n";
    out << grid << "\r\n" << atStart << "\r\n";
  }
  // No site ticked: "Ara" starts a search that asks no site.
  void WriteSettingsWithoutSites() { WriteSettings("0", "0", "0"); }
  std::vector<std::string> Settings() const { return ReadLines(Dir.Path() / "conf.vkcf"); }

  TfrmMain& Open() {
    Window = std::make_unique<TfrmMain>(TMainWindowDeps{
        .Prompt = Prompt,
        .Files = Files.value_or(TProgramFiles::InFolder(Dir.Path())),
        .Sites = Sites,
        .Locale = QLocale(QStringLiteral("tr_TR")),
        .ShowDialog =
            [this](QDialog& dialog) {
              Dialogs.push_back(QString::fromLatin1(dialog.metaObject()->className()));
              if (Drive) Drive(dialog);
            },
        .OpenUrl =
            [this](const QUrl& url) {
              Opened.push_back(url);
              return Opens;
            },
        .SaveDialog =
            [this](const TSaveDialogRequest& request) {
              SaveRequests.push_back(request);
              return std::optional<std::filesystem::path>();
            },
        .OpenVideoDialog =
            [this] {
              ++VideoDialogs;
              return ChosenVideos;
            },
    });
    Window->Session().SearchOptions.Format = "All";
    return *Window;
  }

  TfrmMain& OpenShown() {
    TfrmMain& window = Open();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) throw std::runtime_error("window not exposed");
    return window;
  }

  QAction& Action(const char* name) const {
    auto* action = Window->findChild<QAction*>(QString::fromLatin1(name));
    if (action == nullptr) throw std::runtime_error(std::string("no action ") + name);
    return *action;
  }

  void Add(TSubtitleInfo record) { Window->Session().AddResult(record); }

  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (const auto& row : Window->Session().Rows().All()) texts.push_back(row.Column(column));
    return texts;
  }

  void Select(int row) { Window->ResultView().selectRow(row); }

  void Key(int key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(&Window->ResultView(), static_cast<Qt::Key>(key), modifiers);
  }

  void ClickHeader(int column) {
    QHeaderView& header = *Window->ResultView().horizontalHeader();
    const QPoint middle(header.sectionViewportPosition(column) + header.sectionSize(column) / 2, header.height() / 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, middle);
  }

  QString Panel(std::size_t panel) const { return Window->PanelText(panel); }

  // Files dragged from a file manager and let go over `target`.
  bool Drop(QWidget& target, const std::vector<std::filesystem::path>& files) {
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& file : files) urls << QUrl::fromLocalFile(QString::fromStdString(file.string()));
    data.setUrls(urls);
    const QPoint at = target.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return drop.isAccepted();
  }
};

// What the advanced search dialog showed when it opened.
struct TDialogState {
  QString Film;
  QString CdChecked;
  QString CustomCd;
  QString FpsChecked;
  QString Status;
  QString Videos;  // the videos named at its top; empty when hidden
};

template <typename TWidget>
TWidget* Control(QDialog& dialog, const char* name) {
  return dialog.findChild<TWidget*>(QLatin1String(name));
}

QString CheckedName(QDialog& dialog, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (Control<QRadioButton>(dialog, name)->isChecked()) return QLatin1String(name);
  }
  return {};
}

// Notes the dialog's state, then presses "&Ara" or "İp&tal".
std::function<void(QDialog&)> Inspect(TDialogState& state, const char* button) {
  return [&state, button](QDialog& dialog) {
    state.Film = Control<QLineEdit>(dialog, "Edit1")->text();
    state.CdChecked = CheckedName(dialog, {"rbOneCD", "rbTwoCD", "rbThreeCD", "rbAllCD", "rbCustomCD"});
    state.CustomCd = Control<QLineEdit>(dialog, "edtCustomCDCount")->text();
    state.FpsChecked = CheckedName(dialog, {"rb23FPS", "rb25FPS", "rb29FPS", "rbAllFPS", "rbCustomFPS"});
    const auto* status = Control<QLabel>(dialog, "lblVideoStatus");
    state.Status = status->isHidden() ? QString() : status->text();
    const auto* strip = Control<QWidget>(dialog, "VideoStrip");
    state.Videos = strip->isHidden() ? QString() : Control<QLabel>(dialog, "lblVideos")->text();
    Control<QAbstractButton>(dialog, button)->click();
  };
}

// The dialog's "&Ara" for `film` with whatever the settings file ticked.
std::function<void(QDialog&)> SearchFor(const QString& film) {
  return [film](QDialog& dialog) {
    dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(film);
    dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
  };
}

void WriteProxyFile(const std::filesystem::path& dir, std::uint16_t port) {
  std::ofstream(dir / "proxy.txt", std::ios::binary) << "1\r\n127.0.0.1:" << port << "\r\n";
}

const std::vector<const char*> kSelectedItems = {"btnKaydet", "cmdDownload", "cmdProperties", "mmItemDeleteSelected",
                                                 "pmDeleteSelected"};
const std::vector<const char*> kRowsItems = {"btnSort", "mmSort", "cmdAskClear", "mmItemClearAll", "pmSort"};
const std::vector<const char*> kSearchingItems = {"cmdStop"};
const std::vector<const char*> kIdleItems = {"mmItemProxy"};
// No rule: always enabled.
const std::vector<const char*> kFreeItems = {"btnProxy", "btnSearch", "cmdSearch", "btnGridOn", "mmItemExit",
                                             "mmItemAbout", "mmItemOpenVideo"};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<THarness> H;

  void ExpectEnabling(bool selected, bool rows, bool searching) {
    auto expect = [this](const std::vector<const char*>& names, bool enabled) {
      for (const char* name : names) {
        QVERIFY2(H->Action(name).isEnabled() == enabled, name);
      }
    };
    expect(kSelectedItems, selected);
    expect(kRowsItems, rows);
    expect(kSearchingItems, searching);
    expect(kIdleItems, !searching);
    expect(kFreeItems, true);
  }

 private slots:
  void init() { H = std::make_unique<THarness>(); }
  void cleanup() { H.reset(); }

  void startsWithCaptionStatusAndGridFromSettings() {
    H->WriteSettings("True");
    TfrmMain& window = H->Open();
    QCOMPARE(window.windowTitle(), QStringLiteral("Velkaro 1.24"));
    QCOMPARE(window.minimumSize(), QSize(611, 503));
    QCOMPARE(H->Panel(0), QString::fromUtf8("Yeni sürüm kontrol ediliyor..."));
    QCOMPARE(H->Panel(1), QStringLiteral("0"));
    QCOMPARE(H->Panel(2), QString());
    QVERIFY(window.ResultView().showGrid());
    QVERIFY(H->Action("mmItemGridOn").isChecked() && H->Action("btnGridOn").isChecked());
    QVERIFY(!H->Action("mmItemGridOff").isChecked() && !H->Action("btnGridOff").isChecked());
    QVERIFY(H->Prompt.Errors.empty());
    QCOMPARE(window.BannerArea().size(), QSize(152, 53));
  }

  void withoutSettingsFileItReportsAtStartFirstShowAndExit() {
    TfrmMain& window = H->Open();
    QCOMPARE(H->Prompt.Errors.size(), 1u);
    QVERIFY(!window.ResultView().showGrid());
    window.show();
    QTRY_COMPARE(H->Prompt.Errors.size(), 2u);
    for (const char* item : {"mnItemShowSearch", "mnItemHideSearch", "mmItemShowSearch", "mmItemHideSearch"}) {
      QVERIFY2(!H->Action(item).isChecked(), item);
    }
    QVERIFY(H->Dialogs.empty());
    QVERIFY(window.close());
    QCOMPARE(H->Prompt.Errors.size(), 3u);
    for (const auto& error : H->Prompt.Errors) QCOMPARE(error, std::string(kBadSettings));
    QVERIFY(H->Prompt.Questions.empty());
  }

  void startUpDialogOpensOnceWhenAsked() {
    H->WriteSettings("0", "-1");
    TfrmMain& window = H->OpenShown();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(H->Dialogs.size(), 1u);
    QCOMPARE(H->Dialogs[0], QStringLiteral("velkaro::TAdvancedSearchDialog"));
    QVERIFY(H->Action("mnItemShowSearch").isChecked() && H->Action("mmItemShowSearch").isChecked());
    QVERIFY(!H->Action("mnItemHideSearch").isChecked() && !H->Action("mmItemHideSearch").isChecked());

    // Another window takes the focus and gives it back; a dialog comes and goes.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    H->Action("mmItemAbout").trigger();
    QCoreApplication::processEvents();
    QCOMPARE(H->Dialogs, (std::vector<QString>{QStringLiteral("velkaro::TAdvancedSearchDialog"), QStringLiteral("velkaro::TfrmAboutBox")}));
    QVERIFY(H->Prompt.Errors.empty());
  }

  // Window managers that prevent focus stealing never activate a new window:
  // the window here never hears of an activation.
  void startUpStepsRunOnTheFirstShowWithoutActivation() {
    struct TNoActivation final : QObject {
      bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::ActivationChange || event->type() == QEvent::WindowActivate;
      }
    } noActivation;
    H->WriteSettings("0", "-1");
    TfrmMain& window = H->Open();
    window.installEventFilter(&noActivation);
    window.show();
    QTRY_COMPARE(H->Dialogs.size(), 1u);
    QVERIFY(window.Banner() != nullptr);
    // Hidden and shown again: the start-up steps do not run twice.
    window.hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    QCOMPARE(H->Dialogs.size(), 1u);
    window.removeEventFilter(&noActivation);
  }

  void startUpChoiceIsWrittenOnClose() {
    H->WriteSettings("0", "0");
    TfrmMain& window = H->Open();
    H->Action("mnItemShowSearch").trigger();
    QVERIFY(H->Action("mmItemShowSearch").isChecked() && !H->Action("mmItemHideSearch").isChecked());
    QCOMPARE(H->Settings().at(9), std::string("0"));  // nothing written yet
    QVERIFY(window.close());
    QCOMPARE(H->Settings().at(9), std::string("-1"));

    H->Action("mmItemHideSearch").trigger();
    QVERIFY(!H->Action("mnItemShowSearch").isChecked() && H->Action("mnItemHideSearch").isChecked());
    QVERIFY(window.close());
    QCOMPARE(H->Settings().at(9), std::string("0"));
  }

  void gridLinesSurviveARestart() {
    H->WriteSettings("0");
    H->Open();
    H->Action("mmItemGridOn").trigger();
    QVERIFY(H->Window->ResultView().showGrid());
    QVERIFY(H->Action("btnGridOn").isChecked() && !H->Action("btnGridOff").isChecked());
    QCOMPARE(H->Settings().at(8), std::string("-1"));
    QCOMPARE(H->Settings().size(), 10u);

    H->Window.reset();
    H->Open();
    QVERIFY(H->Window->ResultView().showGrid());
    H->Action("btnGridOff").trigger();
    QVERIFY(!H->Window->ResultView().showGrid());
    QVERIFY(H->Action("mmItemGridOff").isChecked());
    QCOMPARE(H->Settings().at(8), std::string("0"));
    QVERIFY(H->Prompt.Errors.empty());

    // A file that is gone is reported; the grid stays as switched.
    std::filesystem::remove(H->Dir.Path() / "conf.vkcf");
    H->Action("btnGridOn").trigger();
    QVERIFY(H->Window->ResultView().showGrid());
    QCOMPARE(H->Prompt.Errors, std::vector<std::string>{kBadSettings});
    QVERIFY(!std::filesystem::exists(H->Dir.Path() / "conf.vkcf"));
  }

  void commandsFollowRowsAndSelection() {
    H->WriteSettings();
    H->OpenShown();
    ExpectEnabling(false, false, false);
    H->Add(Record("Heat"));
    H->Add(Record("Ronin"));
    ExpectEnabling(false, true, false);
    H->Select(1);
    ExpectEnabling(true, true, false);
    H->Action("pmDeleteSelected").trigger();
    QCOMPARE(H->Column(0), std::vector<std::string>{"Heat"});
    ExpectEnabling(false, true, false);
    H->Select(0);
    ExpectEnabling(true, true, false);
    H->Window->ResultView().clearSelection();
    ExpectEnabling(false, true, false);
    H->Select(0);
    H->Action("mmItemClearAll").trigger();
    ExpectEnabling(false, false, false);
  }

  void searchingEnablesStopAndDisablesTheMenuProxyItem() {
    sim::TSimServer sim;
    sim.Start();
    auto gate = std::make_shared<sim::TGate>();
    for (int site = 0; site < kSiteCount; ++site) sim.AddFault(static_cast<SiteId>(site), sim::TFault::Hold(gate));
    H->Sites = sim.DirectSites();
    H->WriteSettings();
    H->OpenShown();
    H->Drive = SearchFor(QStringLiteral("Matrix"));
    H->Action("btnSearch").trigger();
    QVERIFY(!H->Window->Session().Idle());
    ExpectEnabling(false, false, true);

    // The tool bar's proxy item has no rule: it opens the dialog during a search.
    H->Drive = {};
    H->Action("btnProxy").trigger();
    QCOMPARE(H->Dialogs.back(), QStringLiteral("velkaro::TfrmProxyOptions"));

    // Ctrl+D stops; once stopped it does nothing.
    H->Key(Qt::Key_D, Qt::ControlModifier);
    QVERIFY(H->Window->Session().Idle());
    QCOMPARE(H->Panel(2), QString::fromUtf8("Arama hatasız tamamlandı."));
    ExpectEnabling(false, false, false);
    H->Key(Qt::Key_D, Qt::ControlModifier);
    QVERIFY(H->Window->Session().Idle());
    gate->Open();
  }

  void aCommandIsOneItemInTheMenuBarToolBarAndContextMenuShowingItsKey() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    QList<QAction*> menuBar;
    for (const QMenu* menu : window.menuBar()->findChildren<QMenu*>()) menuBar += menu->actions();
    const QList<QAction*> toolBar = window.findChild<QToolBar*>(QStringLiteral("ToolBar"))->actions();
    const QList<QAction*> contextMenu = window.findChild<QMenu*>(QStringLiteral("ContextMenu"))->actions();
    auto everywhere = [&](const char* name, bool inMenuBar, bool onToolBar, bool inContextMenu) {
      QAction* command = &H->Action(name);
      QVERIFY2(menuBar.contains(command) == inMenuBar, name);
      QVERIFY2(toolBar.contains(command) == onToolBar, name);
      QVERIFY2(contextMenu.contains(command) == inContextMenu, name);
    };
    everywhere("cmdStop", true, true, false);
    everywhere("cmdProperties", true, true, true);
    // The menu bar's "Tümünü sil" does not ask: another command.
    everywhere("cmdAskClear", false, true, true);
    everywhere("cmdDownload", true, false, true);
    everywhere("cmdFetchBest", true, false, true);
    everywhere("cmdSortBy0", true, false, false);

    // What the menus show: the caption, then the key.
    auto shown = [this](const char* name) {
      const QAction& command = H->Action(name);
      return command.text() + QLatin1Char('\t') + command.shortcut().toString(QKeySequence::NativeText);
    };
    QCOMPARE(shown("cmdSearch"), QStringLiteral("&Ara...\tCtrl+S"));
    QCOMPARE(shown("cmdStop"), QStringLiteral("&Durdur\tCtrl+D"));
    QCOMPARE(shown("cmdDownload"), QString::fromUtf8("İ&ndir...\tCtrl+K"));
    QCOMPARE(shown("cmdProperties"), QString::fromUtf8("Ö&zellikler\tCtrl+O"));
    QCOMPARE(shown("cmdFetchBest"), QString::fromUtf8("En &uygununu indir\tCtrl+E"));
    QCOMPARE(shown("cmdAskClear"), QString::fromUtf8("&Tümünü Sil\tCtrl+Alt+X"));
    QCOMPARE(shown("mmItemOpenVideo"), QString::fromUtf8("&Video aç...\tCtrl+V"));
    // The tool bar's captions.
    QCOMPARE(H->Action("cmdStop").iconText(), QStringLiteral("Durdur"));
    QCOMPARE(H->Action("cmdProperties").iconText(), QString::fromUtf8("Özellikler"));
    QCOMPARE(H->Action("cmdAskClear").iconText(), QStringLiteral("Temizle"));
    QCOMPARE(H->Action("cmdAskClear").toolTip(), QStringLiteral("Temizle (Ctrl+Alt+X)"));
    for (const char* name : {"cmdStop", "cmdProperties", "cmdAskClear"}) {
      QVERIFY2(!H->Action(name).isIconVisibleInMenu(), name);
    }
    // A drop-down button opens on a click anywhere on it, no arrow part beside.
    QToolBar& tools = *window.findChild<QToolBar*>(QStringLiteral("ToolBar"));
    for (const char* name : {"btnSearch", "btnSort", "btnKaydet", "btnSettings"}) {
      const auto* button = qobject_cast<QToolButton*>(tools.widgetForAction(&H->Action(name)));
      QVERIFY2(button != nullptr && button->popupMode() == QToolButton::InstantPopup, name);
    }
  }

  void keysRunTheirCommandOnceAndOnlyWhenEnabled() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();

    // Empty list.
    H->Key(Qt::Key_K, Qt::ControlModifier);
    H->Key(Qt::Key_O, Qt::ControlModifier);
    H->Key(Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(H->SaveRequests.empty());
    QVERIFY(H->Prompt.Informations.empty());
    QVERIFY(H->Prompt.Questions.empty());
    H->Key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(H->Dialogs, std::vector<QString>{QStringLiteral("velkaro::TAdvancedSearchDialog")});

    // Rows, none selected.
    H->Add(Record("Heat"));
    H->Add(Record("Ronin"));
    H->Key(Qt::Key_K, Qt::ControlModifier);
    H->Key(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(H->SaveRequests.empty());
    QVERIFY(H->Prompt.Informations.empty());

    // A selected row; a further modifier does not get in the way.
    H->Select(1);
    H->Key(Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(H->SaveRequests.size(), 1u);
    QVERIFY(H->SaveRequests[0].FileName.startsWith(QStringLiteral("Ronin_")));
    H->Key(Qt::Key_O, Qt::ControlModifier);
    H->Key(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(H->Prompt.Informations.size(), 2u);
    H->Key(Qt::Key_O, Qt::NoModifier);
    QCOMPARE(H->Prompt.Informations.size(), 2u);

    // Sent to the window itself rather than the focused list: still once.
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(H->Dialogs.size(), 2u);
  }

  void clearAsksFromKeyButtonAndContextMenuButNotFromTheMenuBar() {
    H->WriteSettings();
    H->OpenShown();
    auto fill = [this] {
      H->Add(Record("Heat"));
      H->Add(Record("Ronin"));
      H->Window->Session().SetPanel(TSearchSession::kStatusPanel, Utf8ToCp1254("Arama hatasız tamamlandı."));
    };
    fill();
    H->Prompt.Answer = false;
    H->Key(Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    // The tool bar's "Temizle" and the context menu's "Tümünü Sil": one command.
    H->Action("cmdAskClear").trigger();
    H->Action("cmdAskClear").trigger();
    QCOMPARE(H->Prompt.Questions, std::vector<std::string>(3, kClearQuestion));
    QCOMPARE(H->Column(0).size(), 2u);
    QCOMPARE(H->Panel(1), QStringLiteral("2"));
    QCOMPARE(H->Panel(2), QString::fromUtf8("Arama hatasız tamamlandı."));

    H->Prompt.Answer = true;
    H->Key(Qt::Key_X, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    QCOMPARE(H->Prompt.Questions.size(), 4u);
    QVERIFY(H->Column(0).empty());
    QCOMPARE(H->Panel(1), QStringLiteral("0"));
    QCOMPARE(H->Panel(2), QString());

    fill();
    H->Action("mmItemClearAll").trigger();
    QCOMPARE(H->Prompt.Questions.size(), 4u);
    QVERIFY(H->Column(0).empty());
    QCOMPARE(H->Panel(1), QStringLiteral("0"));
    QCOMPARE(H->Panel(2), QString());
  }

  void exitAsksOnlyWithRows() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    QVERIFY(window.close());
    QVERIFY(H->Prompt.Questions.empty());

    window.show();
    H->Add(Record("Heat"));
    H->Prompt.Answer = false;
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QCOMPARE(H->Column(0).size(), 1u);
    H->Prompt.Answer = true;
    H->Action("mmItemExit").trigger();
    QVERIFY(!window.isVisible());
    QCOMPARE(H->Prompt.Questions, std::vector<std::string>(2, kExitQuestion));
  }

  void sortingByColumns() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    H->Add(Record("matrix", "u1", "2", "05.01.2005"));
    H->Add(Record("Heat", "u2", "10", "01.01.2004"));
    H->Add(Record("MATRIX", "u3", "1", ""));
    H->Add(Record("heat", "u4", "3", "5.1.2005"));

    H->Action("cmdSortBy4").trigger();
    QCOMPARE(window.SortColumn(), 4);
    QCOMPARE(H->Column(4), (std::vector<std::string>{"1", "10", "2", "3"}));

    // Equal names keep the order they had.
    H->ClickHeader(0);
    QCOMPARE(window.SortColumn(), 0);
    QCOMPARE(H->Column(1), (std::vector<std::string>{"u2", "u4", "u3", "u1"}));

    // Same day: equal; blank: last.
    H->Action("mmItemSort5").trigger();
    QCOMPARE(H->Column(1), (std::vector<std::string>{"u2", "u4", "u1", "u3"}));
    H->ClickHeader(5);
    QCOMPARE(H->Column(1), (std::vector<std::string>{"u2", "u4", "u1", "u3"}));
    QVERIFY(H->Prompt.Errors.empty());

    // The selection stays with its row.
    H->Select(3);
    H->Action("cmdSortBy1").trigger();
    QCOMPARE(H->Column(1), (std::vector<std::string>{"u1", "u2", "u3", "u4"}));
    QCOMPARE(window.SelectedRow(), std::optional<std::size_t>(2));

    // A date that is no date: reported, nothing moves.
    H->Add(Record("Ronin", "u0", "4", "yesterday"));
    const auto before = H->Column(1);
    H->ClickHeader(5);
    QCOMPARE(H->Prompt.Errors, std::vector<std::string>{"'yesterday' is not a valid date"});
    QCOMPARE(H->Column(1), before);
    QCOMPARE(window.SelectedRow(), std::optional<std::size_t>(2));
  }

  void sortingKeepsTheSelectionOnIdenticalTwins() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    for (const char* film : {"b", "a", "b", "a", "b"}) H->Add(Record(film));
    H->Select(2);  // the second "b"
    H->Action("cmdSortBy0").trigger();
    QCOMPARE(window.SelectedRow(), std::optional<std::size_t>(3));
  }

  void propertiesShowTheSelectedRowExactly() {
    H->WriteSettings();
    H->OpenShown();
    TSubtitleInfo record = Record("Heat", "http://www.subdb.net/x", "2", "05.01.2005");
    record.Uploader.clear();
    record.Language = "T\xFCrk\xE7" "e";
    H->Add(record);
    H->Action("cmdProperties").trigger();
    QVERIFY(H->Prompt.Informations.empty());  // nothing selected
    H->Select(0);
    H->Action("cmdProperties").trigger();
    QCOMPARE(H->Prompt.Informations.size(), 1u);
    QCOMPARE(H->Prompt.Informations[0],
             Utf8ToCp1254("Film adı:  Heat\r\n"
                          "Altyazı Dili:  Türkçe\r\n"
                          "FPS:  23,976\r\n"
                          "CD Sayısı:  2\r\n"
                          "Eklenme Tarihi:  05.01.2005\r\n"
                          "Altyazı Formatı:  SubRip\r\n"
                          "Ekleyen:  \r\n"));
  }

  // Qt's tester checks every notification the list model sends against what
  // it then reports, after each add, delete, sort and clear.
  void resultModelStaysConsistentThroughEveryChange() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    QAbstractItemModelTester tester(window.ResultView().model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (const char* film : {"b", "a", "c", "a"}) H->Add(Record(film));
    H->Select(1);
    H->Action("mmItemDeleteSelected").trigger();
    H->ClickHeader(0);
    H->Action("cmdSortBy1").trigger();
    QCOMPARE(window.ResultView().model()->rowCount(), 3);
    H->Action("mmItemClearAll").trigger();
    QCOMPARE(window.ResultView().model()->rowCount(), 0);
    H->Add(Record("d"));
    QCOMPARE(window.ResultView().model()->rowCount(), 1);
  }

  void deletingTheSelectedRowKeepsTheCountPanel() {
    H->WriteSettings();
    H->OpenShown();
    for (const char* film : {"A", "B", "C"}) H->Add(Record(film));
    H->Action("mmItemDeleteSelected").trigger();  // nothing selected
    QCOMPARE(H->Column(0).size(), 3u);
    H->Select(1);
    H->Action("mmItemDeleteSelected").trigger();
    QCOMPARE(H->Column(0), (std::vector<std::string>{"A", "C"}));
    QCOMPARE(H->Panel(1), QStringLiteral("3"));
    QVERIFY(!H->Window->SelectedRow());
    H->Add(Record("D"));
    QCOMPARE(H->Panel(1), QStringLiteral("3"));
  }

  void listShowsIconsTipsAndOddTexts() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    std::string everyHighByte;
    for (int byte = 0x80; byte <= 0xFF; ++byte) everyHighByte += static_cast<char>(byte);
    const std::string longName(10000, 'x');
    H->Add(Record("Heat", "http://www.divxforever.net/subtitle/1"));
    H->Add(Record("Ronin", "http://www.extratitles.net/xsubt.subt.link.php?id=2&f=b.rar"));
    H->Add(Record("line\r\nbreak\ttab\x01", "http://www.podnapisi.net/ppodnapisi/podnapis/i/3"));
    H->Add(Record(longName, "http://www.subdb.net/subdb/html/4"));
    H->Add(Record(everyHighByte, "http://elsewhere.example/5"));

    const QAbstractItemModel& model = *window.ResultView().model();
    auto display = [&](int row) { return model.data(model.index(row, 0)).toString(); };
    auto tip = [&](int row) { return model.data(model.index(row, 3), Qt::ToolTipRole).toString(); };
    const QString downloadTip = QString::fromUtf8("Bu altyazıyı Velkarondan indirebilirsiniz.");
    QCOMPARE(tip(0), QStringLiteral("Heat"));
    QCOMPARE(tip(1), downloadTip);
    QCOMPARE(tip(3), downloadTip);
    QCOMPARE(tip(4), downloadTip);
    QCOMPARE(display(2), QStringLiteral("line  break tab "));
    QCOMPARE(tip(2), QStringLiteral("line  break tab "));
    QCOMPARE(display(3), QString(1024, u'x'));
    QCOMPARE(display(4), FromEngine(everyHighByte));
    for (const QChar letter : QString::fromUtf8("ğĞıİşŞ€")) QVERIFY(display(4).contains(letter));
    for (int row = 0; row < 5; ++row) {
      QVERIFY(!model.data(model.index(row, 0), Qt::DecorationRole).value<QIcon>().isNull());
      QVERIFY(!model.data(model.index(row, 1), Qt::DecorationRole).isValid());
    }
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("Film Adı"));

    // A burst of rows holds the repaints back only briefly.
    QTRY_VERIFY(window.updatesEnabled());

    // Painted, sorted and inspected without harm; the message shows the whole name.
    QVERIFY(!window.grab().isNull());
    H->Action("cmdSortBy0").trigger();
    H->Action("btnGridOn").trigger();
    QVERIFY(!window.grab().isNull());
    const auto names = H->Column(0);
    H->Select(static_cast<int>(std::find(names.begin(), names.end(), longName) - names.begin()));
    H->Key(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(H->Prompt.Informations.size(), 1u);
    QVERIFY(H->Prompt.Informations[0].find(longName) != std::string::npos);
  }

  void contextMenuDoubleClickAndShellCommands() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    H->Add(Record("Heat"));
    QTableView& list = window.ResultView();
    const QPoint onRow = list.visualRect(list.model()->index(0, 0)).center();
    // The toolkit's double click event alone: the first click of the pair comes separately.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, onRow);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, onRow);
    QCOMPARE(H->SaveRequests.size(), 1u);

    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, onRow, list.viewport()->mapToGlobal(onRow));
    QApplication::sendEvent(list.viewport(), &rightClick);
    auto* popup = window.findChild<QMenu*>(QStringLiteral("ContextMenu"));
    QTRY_VERIFY(popup->isVisible());
    popup->close();

    H->Action("mmItemReadMe").trigger();
    H->Action("mmItemWebSite").trigger();
    QCOMPARE(H->Opened.size(), 2u);
    QCOMPARE(H->Opened[0], QUrl::fromLocalFile(QString::fromStdString((H->Dir.Path() / "BENIOKU.txt").string())));
    QCOMPARE(H->Opened[1], QUrl(QStringLiteral("http://www.velkaro.net/")));
  }

  // Installed in a prefix: the settings in the user's folders, the read-me
  // from the data folder, nothing beside the executable.
  TProgramEnvironment InstalledIn(const std::filesystem::path& configHome) {
    const auto root = H->Dir.Path();
    std::filesystem::create_directories(root / "prefix" / "bin");
    std::filesystem::create_directories(root / "prefix" / "share" / "velkaro");
    std::ofstream(root / "prefix" / "share" / "velkaro" / "conf.vkcf", std::ios::binary)
        << "-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n\r\n50\r\n0\r\n0\r\n";
    TProgramEnvironment environment;
    environment.ExecutableDir = root / "prefix" / "bin";
    environment.Home = (root / "home").string();
    environment.XdgConfigHome = configHome.string();
    environment.XdgCacheHome = (root / "cache").string();
    return environment;
  }

  void installedProgramKeepsItsFilesInTheUsersFolders() {
    const auto root = H->Dir.Path();
    H->Files = TProgramFiles::For(InstalledIn(root / "config"));
    QVERIFY(H->Files->CopyDefaultSettings());
    TfrmMain& window = H->OpenShown();
    QTRY_VERIFY(window.Banner() != nullptr);  // the first activation has read the start-up choice
    H->Action("mnItemShowSearch").trigger();
    H->Drive = [](QDialog& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("Button2"))->click(); };
    H->Action("mmItemProxy").trigger();
    H->Action("mmItemReadMe").trigger();
    QVERIFY(window.close());

    // The proxy file did not exist yet; everything else worked.
    QCOMPARE(H->Prompt.Errors, std::vector<std::string>{kProxyFileMissing});
    const auto config = root / "config" / "velkaro";
    QCOMPARE(ReadLines(config / "conf.vkcf").at(9), std::string("-1"));
    QCOMPARE(ReadLines(config / "proxy.txt"), (std::vector<std::string>{"0", "127.0.0.1:8080"}));
    QCOMPARE(H->Opened.at(0),
             QUrl::fromLocalFile(QString::fromStdString((root / "prefix" / "share" / "velkaro" / "BENIOKU.txt").string())));
    QVERIFY(std::filesystem::is_empty(root / "prefix" / "bin"));
    QVERIFY(!std::filesystem::exists(root / "home"));
  }

  void aSettingsFolderThatCannotBeMadeGivesTheSettingsMessages() {
    const auto root = H->Dir.Path();
    std::ofstream(root / "a-file") << "x";
    H->Files = TProgramFiles::For(InstalledIn(root / "a-file"));
    QVERIFY(!H->Files->CopyDefaultSettings());
    TfrmMain& window = H->OpenShown();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_COMPARE(H->Prompt.Errors.size(), 2u);  // start and first activation
    H->Drive = [](QDialog& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click(); };
    H->Action("mmItemProxy").trigger();
    QVERIFY(window.close());

    const std::string proxyFile = (root / "a-file" / "velkaro" / "proxy.txt").string();
    QCOMPARE(H->Prompt.Errors, (std::vector<std::string>{kBadSettings, kBadSettings, kProxyFileMissing,
                                                         proxyFile + Utf8ToCp1254(" yazılamıyor."), kBadSettings}));
  }

  // Ctrl+C in the terminal: the close box's way out, question and saved start-up choice included.
  void anInterruptClosesTheWindowAsTheCloseBoxDoes() {
    H->WriteSettings("0", "0");
    TfrmMain& window = H->OpenShown();
    QTRY_VERIFY(window.Banner() != nullptr);
    int ended = 0;
    CloseOnTerminationSignals(window, [&ended] { ++ended; });
    H->Action("mnItemShowSearch").trigger();
    H->Add(Record("Matrix"));
    H->Prompt.Answer = false;
    std::raise(SIGINT);
    QTRY_COMPARE(H->Prompt.Questions.size(), 1u);
    QCOMPARE(H->Prompt.Questions[0], std::string(kExitQuestion));
    QVERIFY(window.isVisible());
    QCOMPARE(H->Settings().at(9), std::string("0"));

    // Refused once, the next signal is handled again.
    H->Prompt.Answer = true;
    std::raise(SIGINT);
    QTRY_VERIFY(!window.isVisible());
    QCOMPARE(H->Prompt.Questions.size(), 2u);
    QCOMPARE(H->Settings().at(9), std::string("-1"));
    QCOMPARE(ended, 0);
  }

  // A session ending or `kill`: nobody answers a question, so none is asked;
  // the settings are saved and the window goes. The close box still asks.
  void terminationAndHangUpEndTheProgramWithoutAQuestion() {
    for (const int signal : {SIGTERM, SIGHUP}) {
      H = std::make_unique<THarness>();
      H->WriteSettings("0", "0");
      TfrmMain& window = H->OpenShown();
      QTRY_VERIFY(window.Banner() != nullptr);
      CloseOnTerminationSignals(window, [&window] { window.EndSession(); });
      H->Action("mnItemShowSearch").trigger();
      H->Add(Record("Matrix"));
      H->Prompt.Answer = false;
      QVERIFY(!window.close());
      QCOMPARE(H->Prompt.Questions.size(), 1u);

      std::raise(signal);
      QTRY_VERIFY(!window.isVisible());
      QCOMPARE(H->Prompt.Questions.size(), 1u);
      QCOMPARE(H->Settings().at(9), std::string("-1"));
      QVERIFY(H->Prompt.Errors.empty());
    }
  }

  void rowsArrivingInABurstArePaintedAfterIt() {
    struct TPaints final : QObject {
      int Count = 0;
      bool eventFilter(QObject*, QEvent* event) override {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
      }
    } paints;
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    window.ResultView().viewport()->installEventFilter(&paints);
    for (int i = 0; i < 50; ++i) H->Add(Record("Heat " + std::to_string(i)));
    paints.Count = 0;
    QTRY_VERIFY(window.updatesEnabled());
    QTRY_VERIFY(paints.Count > 0);
  }

  void aSearchFromTheDialogFillsTheListFromAllFiveSites() {
    sim::TSimServer sim;
    sim.Start();
    WriteProxyFile(H->Dir.Path(), sim.Port());
    H->WriteSettings();
    H->OpenShown();
    H->Drive = SearchFor(QStringLiteral("Matrix"));
    H->Action("cmdSearch").trigger();
    QCOMPARE(H->Dialogs.size(), 1u);
    QTRY_COMPARE_WITH_TIMEOUT(H->Panel(2), QString::fromUtf8("Arama hatasız tamamlandı."), kSearchTimeoutMs);
    QVERIFY(H->Window->Session().Idle());
    QVERIFY(H->Prompt.Errors.empty());

    const auto& rows = H->Window->Session().Rows().All();
    std::map<std::string, std::set<TRowIcon>> iconsBySite;
    for (const auto& row : rows) {
      for (const TSiteInfo& site : TSiteTable::Defaults()) {
        if (row.Info.Url.find(site.BareHost()) != std::string::npos) iconsBySite[site.Name].insert(row.Icon);
      }
    }
    QCOMPARE(iconsBySite.size(), 5u);
    QCOMPARE(iconsBySite["DivxForever"], std::set<TRowIcon>{TRowIcon::WebPage});
    QCOMPARE(iconsBySite["DivxSubtitles"], std::set<TRowIcon>{TRowIcon::WebPage});
    QCOMPARE(iconsBySite["Podnapisi"], std::set<TRowIcon>{TRowIcon::WebPage});
    QCOMPARE(iconsBySite["SubDb"], std::set<TRowIcon>{TRowIcon::Download});
    QVERIFY(!iconsBySite["ExtraTitles"].contains(TRowIcon::WebPage));
    QCOMPARE(H->Panel(1), QString::number(rows.size()));
    QCOMPARE(H->Window->ResultView().model()->rowCount(), static_cast<int>(rows.size()));
  }

  void droppingTwoPartsOpensTheDialogFilledInAndOnlyTheFiltersSetThereFilter() {
    sim::TSimServer sim(sim::TCatalogue().AddGeneratedFilm("Film", 2004, 40));
    sim.Start();
    WriteProxyFile(H->Dir.Path(), sim.Port());
    H->WriteSettings();
    const std::vector<std::filesystem::path> parts = {
        test::MakeVideo(H->Dir.Path() / "Film.CD2.avi", {"25"}),
        test::MakeVideo(H->Dir.Path() / "Film.CD1.avi", {"25"}),
    };
    TfrmMain& window = H->OpenShown();
    TDialogState shown;
    H->Drive = [&shown](QDialog& dialog) {
      // The videos' CD count and rate are told, not set as filters; the person sets one.
      Inspect(shown, "rbTwoCD")(dialog);
      Control<QPushButton>(dialog, "Button1")->click();
    };
    QVERIFY(H->Drop(*window.ResultView().viewport(), parts));
    QTRY_COMPARE(H->Dialogs.size(), 1u);
    QCOMPARE(H->Dialogs[0], QStringLiteral("velkaro::TAdvancedSearchDialog"));
    QCOMPARE(shown.Film, QStringLiteral("Film"));
    QCOMPARE(shown.CdChecked, QStringLiteral("rbAllCD"));
    QCOMPARE(shown.FpsChecked, QStringLiteral("rbAllFPS"));
    QCOMPARE(shown.Status, QString::fromUtf8("Video: 2 parça, 25 fps"));

    QTRY_COMPARE_WITH_TIMEOUT(H->Panel(2), QString::fromUtf8("Arama hatasız tamamlandı."), kSearchTimeoutMs);
    const auto& rows = window.Session().Rows().All();
    QVERIFY(!rows.empty());
    // Counts as the sites pad them ("2 ", "02") pass too; the rate, the person left at "Hepsi", filters nothing.
    for (const auto& row : rows) QCOMPARE(ParseInt(TrimView(row.Info.CdCount)), std::optional<std::int32_t>(2));
    QVERIFY(std::any_of(rows.begin(), rows.end(), [](const TResultRow& row) { return TrimView(row.Info.Fps) != "25"; }));
    QCOMPARE(window.Session().SearchOptions.CdCount, 2);
    QVERIFY(window.Session().SearchOptions.Fps.empty());
    QCOMPARE(window.Session().CurrentSearch()->Videos, (std::vector<std::filesystem::path>{parts[1], parts[0]}));
    for (const auto& row : rows) QCOMPARE(row.Videos(), window.Session().CurrentSearch()->Videos);
    // Searching with the guessed name makes it the user's: it is saved like a typed one.
    QCOMPARE(H->Settings().at(6), std::string("Film"));
  }

  void openVideoAsksForFilesAndAnOffListRateLeavesHepsi() {
    H->WriteSettings();
    {
      std::ofstream(H->Dir.Path() / "conf.vkcf", std::ios::binary)
          << "-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n2\r\nHeat\r\n50\r\n0\r\n0\r\n";
    }
    H->Open();
    H->ChosenVideos = {
        test::MakeVideo(H->Dir.Path() / "Blade.Runner.2049.2017.1080p.WEB-DL.mkv", {"24"}),
    };
    TDialogState shown;
    H->Drive = Inspect(shown, "Button2");
    H->Action("mmItemOpenVideo").trigger();
    QCOMPARE(H->VideoDialogs, 1);
    QCOMPARE(H->Dialogs.size(), 1u);
    QCOMPARE(shown.Film, QStringLiteral("Blade Runner 2049"));
    QCOMPARE(shown.CdChecked, QStringLiteral("rbAllCD"));
    QCOMPARE(shown.FpsChecked, QStringLiteral("rbAllFPS"));
    QCOMPARE(shown.Status, QString::fromUtf8("Video: 1 parça, 24 fps"));
    // Cancelled: the settings file keeps the film it had, nothing guessed goes in.
    const auto settings = H->Settings();
    QCOMPARE(settings.at(5), std::string("2"));
    QCOMPARE(settings.at(6), std::string("Heat"));
    QVERIFY(H->Window->Session().CurrentSearch() == nullptr);
    QVERIFY(H->Window->HeldVideos().Videos.empty());

    // A cancelled file dialog opens nothing.
    H->ChosenVideos.clear();
    H->Action("mmItemOpenVideo").trigger();
    QCOMPARE(H->VideoDialogs, 2);
    QCOMPARE(H->Dialogs.size(), 1u);
  }

  void partsOfMoreThanThreeAndUnreadableFilesStillFillTheDialog() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    const auto part = H->Dir.Path() / "Das.Boot.1981.CD1of4.avi";
    test::WriteBytes(part, "not a video");
    TDialogState shown;
    H->Drive = Inspect(shown, "Button2");
    QVERIFY(H->Drop(window, {part}));
    QTRY_COMPARE(H->Dialogs.size(), 1u);
    QCOMPARE(shown.Film, QStringLiteral("Das Boot"));
    QCOMPARE(shown.CdChecked, QStringLiteral("rbAllCD"));
    QCOMPARE(shown.CustomCd, QString());
    QCOMPARE(shown.FpsChecked, QStringLiteral("rbAllFPS"));
    QCOMPARE(shown.Status, QString::fromUtf8("Video: 4 parça, FPS okunamadı"));
  }

  void draggingTextOrAddressesIsNoVideo() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    QMimeData data;
    data.setText(QStringLiteral("The Matrix"));
    data.setUrls({QUrl(QStringLiteral("http://www.example.org/film.avi"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.ResultView().viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.ResultView().viewport(), &drop);
    QCoreApplication::processEvents();
    QVERIFY(H->Dialogs.empty());
  }

  // Rows arrive from a search for one film; a search started from another
  // film's videos follows. Only that search's rows belong to the videos.
  void rowsKeepTheSearchTheyCameFrom() {
    H->WriteSettingsWithoutSites();
    TfrmMain& window = H->OpenShown();
    H->Drive = SearchFor(QStringLiteral("Fast & Furious"));
    H->Action("cmdSearch").trigger();
    H->Add(Record("Fast & Furious"));
    const auto video = H->Dir.Path() / "Istanbul.Hatirasi.2005.DVDRip.avi";
    test::WriteBytes(video, "not a video");
    TDialogState shown;
    H->Drive = Inspect(shown, "Button1");
    QVERIFY(H->Drop(window, {video}));
    QTRY_COMPARE(H->Dialogs.size(), 2u);
    H->Add(Record("Istanbul Hatirasi"));

    const auto& rows = window.Session().Rows();
    QCOMPARE(rows[0].Origin->Film, std::string("Fast & Furious"));
    QVERIFY(!rows[0].Origin->FromVideos());
    QCOMPARE(rows[1].Origin->Film, std::string("Istanbul Hatirasi"));
    QCOMPARE(rows[1].Videos(), std::vector<std::filesystem::path>{video});
    // The earlier row's download is offered where the user last saved, not beside the video.
    H->Select(0);
    H->Action("btnKaydet").trigger();
    QCOMPARE(H->SaveRequests.at(0).FileName, QStringLiteral("Fast & Furious_1_CD_23,976_FPS_VK.zip"));
    H->Select(1);
    H->Action("btnKaydet").trigger();
    QCOMPARE(H->SaveRequests.at(1).FileName,
             QString::fromStdString((H->Dir.Path() / "Istanbul Hatirasi_1_CD_23,976_FPS_VK.zip").string()));
  }

  // A search from two videos finds nothing; the dialog opened again to widen
  // the filters keeps the videos, until the user lets go of them.
  void videosStayWithTheSearchUntilLetGo() {
    H->WriteSettingsWithoutSites();
    TfrmMain& window = H->OpenShown();
    const std::vector<std::filesystem::path> parts = {
        test::MakeVideo(H->Dir.Path() / "Nowhere.CD1.avi", {"25"}),
        test::MakeVideo(H->Dir.Path() / "Nowhere.CD2.avi", {"25"}),
    };
    const QString named = QStringLiteral("Videolar: Nowhere.CD1.avi, Nowhere.CD2.avi");
    TDialogState shown;
    H->Drive = Inspect(shown, "Button1");
    QVERIFY(H->Drop(window, parts));
    QTRY_COMPARE(H->Dialogs.size(), 1u);
    QCOMPARE(shown.Videos, named);
    QCOMPARE(window.VideosText(), named);
    QVERIFY(window.statusBar()->findChild<QWidget*>(QStringLiteral("VideoStrip"))->isVisible());
    QVERIFY(H->Action("mmItemLetGoVideos").isEnabled());

    // Ctrl+S: the same film's videos again, told not filtered by; the name as searched.
    shown = {};
    H->Key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(shown.Videos, named);
    QCOMPARE(shown.Film, QStringLiteral("Nowhere"));
    QCOMPARE(shown.CdChecked, QStringLiteral("rbAllCD"));
    QCOMPARE(shown.FpsChecked, QStringLiteral("rbAllFPS"));
    QCOMPARE(shown.Status, QString::fromUtf8("Video: 2 parça, 25 fps"));
    QCOMPARE(window.Session().CurrentSearch()->Videos, parts);

    // "Bırak" in the dialog: this search is for no video, with the dialog's own defaults.
    H->Drive = [&shown](QDialog& dialog) {
      Control<QAbstractButton>(dialog, "btnLetGoVideos")->click();
      Inspect(shown, "Button1")(dialog);
    };
    H->Key(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(shown.Videos.isEmpty());
    QCOMPARE(shown.CdChecked, QStringLiteral("rbAllCD"));
    QCOMPARE(shown.FpsChecked, QStringLiteral("rbAllFPS"));
    QVERIFY(!window.Session().CurrentSearch()->FromVideos());
    QVERIFY(window.VideosText().isEmpty());
    QVERIFY(!H->Action("mmItemLetGoVideos").isEnabled());

    // "Bırak" on the status bar; a cancelled dialog keeps what was held.
    H->Drive = Inspect(shown, "Button1");
    QVERIFY(H->Drop(window, parts));
    QTRY_COMPARE(window.VideosText(), named);
    H->Drive = Inspect(shown, "Button2");
    H->Key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(window.VideosText(), named);
    window.statusBar()->findChild<QAbstractButton*>(QStringLiteral("btnLetGoVideos"))->click();
    QVERIFY(window.VideosText().isEmpty());
    QVERIFY(!window.statusBar()->findChild<QWidget*>(QStringLiteral("VideoStrip"))->isVisible());
    H->Key(Qt::Key_S, Qt::ControlModifier);
    QVERIFY(shown.Videos.isEmpty());
    QCOMPARE(shown.CdChecked, QStringLiteral("rbAllCD"));
  }

  // Files of two films opened together: the first one's film is searched for,
  // counted as its own parts; the other file is named as left out.
  void filesOfDifferentFilmsAreGroupedByTitle() {
    H->WriteSettingsWithoutSites();
    TfrmMain& window = H->OpenShown();
    const auto heat = H->Dir.Path() / "Heat.1995.avi";
    const auto other = H->Dir.Path() / "Se7en.mkv";
    test::WriteBytes(heat, "not a video");
    test::WriteBytes(other, "not a video");
    TDialogState shown;
    H->Drive = Inspect(shown, "Button1");
    QVERIFY(H->Drop(window, {heat, other}));
    QTRY_COMPARE(H->Dialogs.size(), 1u);
    QCOMPARE(shown.Film, QStringLiteral("Heat"));
    QCOMPARE(shown.CdChecked, QStringLiteral("rbAllCD"));
    QVERIFY2(shown.Status.startsWith(QString::fromUtf8("Video: 1 parça")), qPrintable(shown.Status));
    QVERIFY2(shown.Status.contains(QStringLiteral("Se7en.mkv")), qPrintable(shown.Status));
    QCOMPARE(shown.Videos, QStringLiteral("Videolar: Heat.1995.avi"));
    QCOMPARE(window.HeldVideos().Videos, std::vector<std::filesystem::path>{heat});
  }

  // Nothing could open the row's page or the read-me: the person is told
  // what to open themselves.
  void whatTheDesktopCannotOpenIsToldToCopy() {
    H->WriteSettings();
    H->OpenShown();
    H->Opens = false;
    H->Add(Record("Heat", "http://www.divxforever.net/subtitle/1"));
    H->Select(0);
    H->Action("btnKaydet").trigger();
    H->Action("mmItemReadMe").trigger();
    QCOMPARE(H->Opened.size(), 2u);
    QCOMPARE(H->Prompt.Errors.size(), 2u);
    QVERIFY(H->Prompt.Errors[0].ends_with("\r\nhttp://www.divxforever.net/subtitle/1"));
    QVERIFY(H->Prompt.Errors[1].ends_with("\r\n" + (H->Dir.Path() / "BENIOKU.txt").string()));
    H->Opens = true;
    H->Action("mmItemWebSite").trigger();
    QCOMPARE(H->Prompt.Errors.size(), 2u);
  }

  // Every item of every menu can be reached from the keyboard: a mnemonic of
  // its own in its menu. "Video aç..." has its key.
  void menusAreReachableFromTheKeyboard() {
    H->WriteSettings();
    QCOMPARE(test::ItemWithoutKeyOfItsOwn(H->OpenShown()), QString());
    H->Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(H->VideoDialogs, 1);
  }

  // The first rows widen the columns to what they show.
  void columnsFitTheirFirstRows() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    TSubtitleInfo record = Record("The Lord of the Rings: The Fellowship of the Ring");
    record.Format = "SubStation Alpha";
    record.Language = "Bulgarian_English";
    H->Add(record);
    const QHeaderView& header = *window.ResultView().horizontalHeader();
    const QFontMetrics metrics = window.ResultView().fontMetrics();
    QTRY_VERIFY(header.sectionSize(7) > metrics.horizontalAdvance(QStringLiteral("SubStation Alpha")));
    QVERIFY(header.sectionSize(2) > metrics.horizontalAdvance(QStringLiteral("Bulgarian_English")));
    QVERIFY(header.sectionSize(5) > metrics.horizontalAdvance(QStringLiteral("Eklenme Tarihi")));
    // No column takes more than a third of the list.
    QVERIFY(header.sectionSize(0) <= window.ResultView().viewport()->width() / 3);
  }

  // The tool bar's buttons get the height their icon and caption need, so
  // the dots of "İ" and "Ö" are not cut.
  void toolBarCaptionsAreWhole() {
    H->WriteSettings();
    TfrmMain& window = H->OpenShown();
    const auto buttons = window.findChild<QToolBar*>(QStringLiteral("ToolBar"))->findChildren<QToolButton*>();
    QVERIFY(buttons.size() >= 7);
    for (const QToolButton* button : buttons) {
      if (!button->isVisible() || button->text().isEmpty()) continue;
      QVERIFY2(button->height() >= button->sizeHint().height(), qPrintable(button->text()));
    }
  }

  void closingTheWindowDuringASearchLeavesNoWorkerBehind() {
    sim::TSimServer sim;
    sim.Start();
    auto gate = std::make_shared<sim::TGate>();
    sim.AddFault(SiteId::SubDb, sim::TFault::Hold(gate));
    H->Sites = sim.DirectSites();
    H->WriteSettings();
    H->OpenShown();
    H->Drive = SearchFor(QStringLiteral("Matrix"));
    H->Action("btnSearch").trigger();
    // Some sites answer and their rows arrive while SubDb is held.
    QTRY_VERIFY_WITH_TIMEOUT(H->Window->Session().Rows().Count() > 0, kSearchTimeoutMs);
    QVERIFY(!H->Window->Session().Idle());
    H->Window.reset();
    gate->Open();
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::MainWindowTest)
#include "MainWindowTest.moc"
