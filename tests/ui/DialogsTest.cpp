// The advanced search, proxy and about dialogs driven through their real
// controls, with message boxes answered in code.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "AboutBox.h"
#include "AdvancedSearchDialog.h"
#include "CodePage.h"
#include "DownloadOptionsDialog.h"
#include "ProgramSettings.h"
#include "ProxyFile.h"
#include "ProxyOptionsDialog.h"
#include "QtDispatcher.h"
#include "SaveDialog.h"
#include "sitesim/SimServer.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

// Code page 1254 texts the dialogs show in boxes.
const std::string kBadMaximum = Utf8ToCp1254("Hatalı [Extratitles.net] Maksimum Sonuç belirlediniz.");
const std::string kCannotWrite = Utf8ToCp1254(" yazılamıyor.");

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& file, const std::string& content) {
  std::ofstream(file, std::ios::binary) << content;
}

template <typename TWidget>
TWidget& Child(const QWidget& window, const char* name) {
  auto* child = window.findChild<TWidget*>(QLatin1String(name));
  if (child == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return *child;
}

// The next control that Tab moves to.
QWidget* NextTabStop(QWidget& from) {
  QWidget* next = from.nextInFocusChain();
  while (next != &from && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

bool EndsWith(const std::string& text, const std::string& tail) { return text.ends_with(tail); }

int ThreadCount() { return static_cast<int>(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private:
  test::TRecordingPrompt Prompt;
  std::unique_ptr<test::TTempDir> Dir;
  std::shared_ptr<TQtDispatcher> Dispatcher;
  std::unique_ptr<TSearchSession> Session;
  TMainWindowFlags Flags;

  std::filesystem::path SettingsPath() const { return Dir->Path() / "conf.vkcf"; }
  std::filesystem::path ProxyPath() const { return Dir->Path() / "proxy.txt"; }

  void NewSession(TSiteTable sites = TSiteTable::Defaults()) {
    Session.reset();
    Session = std::make_unique<TSearchSession>(Dispatcher, Prompt, std::move(sites), TProgramFiles::InFolder(Dir->Path()));
  }

  std::unique_ptr<TAdvancedSearchDialog> NewSearchDialog() {
    return std::make_unique<TAdvancedSearchDialog>(*Session, Prompt, [this] { return Flags; }, TProgramFiles::InFolder(Dir->Path()));
  }

  std::unique_ptr<TfrmProxyOptions> NewProxyDialog() { return std::make_unique<TfrmProxyOptions>(TProgramFiles::InFolder(Dir->Path()), Prompt); }

  // Lines 0 to 7 of a settings file with every site unticked except `ticked` (file order).
  static std::vector<std::string> DialogLines(const std::string& ticked, const std::string& language,
                                              const std::string& film, const std::string& maximum) {
    std::vector<std::string> lines;
    for (char site : ticked) lines.push_back(site == '1' ? "-1" : "0");
    lines.insert(lines.end(), {language, film, maximum});
    return lines;
  }

 private slots:
  void init() {
    Prompt = {};
    Flags = {};
    Dir = std::make_unique<test::TTempDir>();
    Dispatcher = std::make_shared<TQtDispatcher>(this);
    NewSession();
  }

  void cleanup() {
    Session.reset();
    Dispatcher->Shutdown();
    Dispatcher.reset();
    Dir.reset();
  }

  void searchDialogDefaultsWithoutSettingsFile() {
    auto dialog = NewSearchDialog();
    QCOMPARE(Prompt.Errors, std::vector<std::string>{Tr1254(kBadSettingsFile)});
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Gelişmiş Arama"));
    for (const char* site : {"chkExtraTitles", "chkDivxSubtitles", "chkSubDb", "chkDivxForever", "chkPodnapisi"}) {
      QVERIFY2(Child<QCheckBox>(*dialog, site).isChecked(), site);
      // Fonts are refreshed only after a good read.
      QVERIFY2(!Child<QCheckBox>(*dialog, site).font().bold(), site);
    }
    for (const char* name : {"rbAllCD", "rbAllFPS"}) {
      QVERIFY(Child<QRadioButton>(*dialog, name).isChecked());
      QVERIFY(Child<QRadioButton>(*dialog, name).font().bold());
    }
    for (const char* name : {"rbOneCD", "rbTwoCD", "rbThreeCD", "rbCustomCD", "rb23FPS", "rb25FPS", "rb29FPS", "rbCustomFPS"}) {
      QVERIFY2(!Child<QRadioButton>(*dialog, name).font().bold(), name);
    }
    QCOMPARE(Child<QRadioButton>(*dialog, "rbCustomCD").text(), QStringLiteral("Özel"));
    QCOMPARE(Child<QRadioButton>(*dialog, "rb29FPS").text(), QStringLiteral("29,97"));

    auto& languages = Child<QComboBox>(*dialog, "ComboBox1");
    QCOMPARE(languages.count(), 24);
    QCOMPARE(languages.itemText(5), QStringLiteral("Bulgarian_English"));
    QCOMPARE(languages.itemText(23), QStringLiteral("Swedish"));
    QCOMPARE(languages.currentIndex(), -1);
    auto& formats = Child<QComboBox>(*dialog, "ComboBox2");
    QCOMPARE(formats.count(), 8);
    QCOMPARE(formats.itemText(6), QStringLiteral("SAMI Captioning"));
    QCOMPARE(formats.currentIndex(), -1);

    QCOMPARE(Child<QLineEdit>(*dialog, "Edit2").text(), QStringLiteral("50"));
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit2").width(), 29);
    QVERIFY(Child<QLineEdit>(*dialog, "Edit1").text().isEmpty());
    QCOMPARE(Child<QPushButton>(*dialog, "Button1").text(), QStringLiteral("&Ara"));
    QCOMPARE(Child<QPushButton>(*dialog, "Button2").text(), QStringLiteral("İp&tal"));
    QVERIFY(dialog->width() >= 419 && dialog->height() >= 267);
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());

    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(QApplication::focusWidget(), &Child<QLineEdit>(*dialog, "Edit1"));
  }

  void searchDialogReadsAndWritesSettings() {
    // Ticked in file order: ExtraTitles, Podnapisi, DivxSubtitles, DivxForever, SubDb.
    auto lines = DialogLines("10101", "3", "\xDDstanbul Hat\xFDras\xFD", "abc");
    lines.insert(lines.end(), {"-1", "0", "extra 1", "extra 2"});
    WriteAll(SettingsPath(), Lines(lines));
    Flags = {true, true};

    auto dialog = NewSearchDialog();
    QVERIFY(Prompt.Errors.empty());
    const std::pair<const char*, bool> sites[] = {{"chkExtraTitles", true}, {"chkPodnapisi", false}, {"chkDivxSubtitles", true},
                                                  {"chkDivxForever", false}, {"chkSubDb", true}};
    for (const auto& [name, ticked] : sites) {
      QCOMPARE(Child<QCheckBox>(*dialog, name).isChecked(), ticked);
      QCOMPARE(Child<QCheckBox>(*dialog, name).font().bold(), ticked);
    }
    QCOMPARE(Child<QComboBox>(*dialog, "ComboBox1").currentText(), QStringLiteral("Albanian"));
    QCOMPARE(Child<QComboBox>(*dialog, "ComboBox2").currentText(), QStringLiteral("All"));
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit1").text(), QStringLiteral("İstanbul Hatırası"));
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit2").text(), QStringLiteral("abc"));

    // The twelve-line file loses its extra lines; 8 and 9 come from the window's live state.
    dialog->show();
    dialog->close();
    QCOMPARE(ReadAll(SettingsPath()), Lines({"-1", "0", "-1", "0", "-1", "3", "\xDDstanbul Hat\xFDras\xFD", "abc", "-1", "-1"}));
  }

  void searchDialogNineLineFileIsMadeWhole() {
    auto lines = DialogLines("11111", "-1", "", "");
    lines.push_back("-1");
    WriteAll(SettingsPath(), Lines(lines));
    auto dialog = NewSearchDialog();
    QVERIFY(Prompt.Errors.empty());
    QCOMPARE(Child<QComboBox>(*dialog, "ComboBox1").currentIndex(), -1);
    QVERIFY(Child<QLineEdit>(*dialog, "Edit2").text().isEmpty());
    QTest::keyClick(&Child<QComboBox>(*dialog, "ComboBox2"), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(ReadAll(SettingsPath()), Lines({"-1", "-1", "-1", "-1", "-1", "-1", "", "", "0", "0"}));
  }

  void searchDialogSurvivesBrokenSettings_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<int>("language");
    const auto file = [](const std::vector<std::string>& lines) {
      const std::string text = Lines(lines);
      return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    };
    QTest::newRow("negative language") << file(DialogLines("11111", "-7", "x", "50")) << false << -1;
    QTest::newRow("language past the list") << file(DialogLines("11111", "24", "x", "50")) << false << -1;
    QTest::newRow("language too big for a number") << file(DialogLines("11111", "99999999999", "x", "50")) << true << -1;
    QTest::newRow("last language") << file(DialogLines("11111", "23", "x", "50")) << false << 23;
    QTest::newRow("ten megabyte film name")
        << file(DialogLines("11111", "1", std::string(10 * 1024 * 1024, 'a'), "50")) << false << 1;
    QTest::newRow("ten megabyte first line") << file({std::string(10 * 1024 * 1024, '1')}) << true << -1;
    QByteArray garbage;
    for (int i = 0; i < 70000; ++i) garbage.append(static_cast<char>((i * 7919) % 256));
    QTest::newRow("binary garbage") << garbage << true << -1;
    QTest::newRow("no line breaks, only NULs") << QByteArray(4096, '\0') << true << -1;
    QTest::newRow("empty file") << QByteArray() << true << -1;
  }

  void searchDialogSurvivesBrokenSettings() {
    QFETCH(QByteArray, content);
    QFETCH(bool, reported);
    QFETCH(int, language);
    WriteAll(SettingsPath(), content.toStdString());
    auto dialog = NewSearchDialog();
    QCOMPARE(Prompt.Errors.size(), reported ? 1u : 0u);
    if (reported) QCOMPARE(Prompt.Errors.front(), Tr1254(kBadSettingsFile));
    QCOMPARE(Child<QComboBox>(*dialog, "ComboBox1").currentIndex(), language);
    // Whatever was read, closing leaves a file that reads back cleanly.
    dialog->show();
    dialog->close();
    Prompt = {};
    auto again = NewSearchDialog();
    QVERIFY(Prompt.Errors.empty());
  }

  void searchDialogWritesOnEveryClose_data() {
    QTest::addColumn<QString>("how");
    for (const char* how : {"cancel button", "escape on a radio", "close box", "search with nothing ticked", "enter in a list"}) {
      QTest::newRow(how) << QString::fromLatin1(how);
    }
  }

  void searchDialogWritesOnEveryClose() {
    QFETCH(QString, how);
    WriteAll(SettingsPath(), Lines(DialogLines("00000", "2", "film", "7")));
    auto dialog = NewSearchDialog();
    dialog->show();
    std::filesystem::remove(SettingsPath());
    if (how == "cancel button") QTest::mouseClick(&Child<QPushButton>(*dialog, "Button2"), Qt::LeftButton);
    if (how == "escape on a radio") QTest::keyClick(&Child<QRadioButton>(*dialog, "rb25FPS"), Qt::Key_Escape, Qt::ControlModifier);
    if (how == "close box") dialog->close();
    if (how == "search with nothing ticked") QTest::mouseClick(&Child<QPushButton>(*dialog, "Button1"), Qt::LeftButton);
    if (how == "enter in a list") QTest::keyClick(&Child<QComboBox>(*dialog, "ComboBox1"), Qt::Key_Enter);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(ReadAll(SettingsPath()), Lines({"0", "0", "0", "0", "0", "2", "film", "7", "0", "0"}));
    QVERIFY(Prompt.Errors.empty());
    QVERIFY(Session->Idle());
  }

  void searchDialogClosesWhenSettingsCannotBeWritten() {
    WriteAll(SettingsPath(), Lines(DialogLines("11111", "1", "old", "50")));
    auto dialog = NewSearchDialog();
    dialog->show();
    // The file is replaced through a temporary beside it; a folder in its way fails even for root.
    std::filesystem::create_directory(Dir->Path() / "conf.vkcf.new");
    QTest::keyClick(&Child<QLineEdit>(*dialog, "Edit1"), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(Prompt.Errors.size(), 1u);
    QVERIFY(EndsWith(Prompt.Errors.front(), kCannotWrite));
    QCOMPARE(ReadAll(SettingsPath()), Lines(DialogLines("11111", "1", "old", "50")));
  }

  void searchDialogFontsFollowTicksAndSelection() {
    WriteAll(SettingsPath(), Lines(DialogLines("11111", "0", "", "50")));
    auto dialog = NewSearchDialog();
    dialog->show();
    auto& podnapisi = Child<QCheckBox>(*dialog, "chkPodnapisi");
    QVERIFY(podnapisi.font().bold());
    QTest::mouseClick(&podnapisi, Qt::LeftButton);
    QVERIFY(!podnapisi.isChecked());
    QVERIFY(!podnapisi.font().bold());
    QVERIFY(Child<QCheckBox>(*dialog, "chkSubDb").font().bold());
    QTest::mouseClick(&podnapisi, Qt::LeftButton);
    QVERIFY(podnapisi.font().bold());

    auto& custom = Child<QRadioButton>(*dialog, "rbCustomFPS");
    QTest::mouseClick(&custom, Qt::LeftButton);
    QVERIFY(custom.isChecked() && custom.font().bold());
    QVERIFY(!Child<QRadioButton>(*dialog, "rbAllFPS").font().bold());
    QVERIFY(Child<QRadioButton>(*dialog, "rbAllCD").font().bold());
  }

  void searchDialogPassesItsChoicesOn() {
    WriteAll(SettingsPath(), Lines(DialogLines("00000", "1", "", "abc")));
    auto dialog = NewSearchDialog();
    dialog->show();
    QTest::mouseClick(&Child<QRadioButton>(*dialog, "rbTwoCD"), Qt::LeftButton);
    QTest::mouseClick(&Child<QRadioButton>(*dialog, "rbCustomFPS"), Qt::LeftButton);
    QTest::keyClicks(&Child<QLineEdit>(*dialog, "edtCustomFPS"), QStringLiteral("23.976"));
    Child<QComboBox>(*dialog, "ComboBox2").setCurrentIndex(1);
    QTest::mouseClick(&Child<QPushButton>(*dialog, "Button1"), Qt::LeftButton);
    // A maximum that is no number is reported once; the search goes on.
    QCOMPARE(Prompt.Errors, std::vector<std::string>{kBadMaximum});
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(Session->SearchOptions.CdCount, 2);
    QCOMPARE(Session->SearchOptions.Fps, std::string("23.976"));
    QCOMPARE(Session->SearchOptions.Format, std::string("SubRip"));
  }

  void searchDialogKeepsOpenOnBadCustomCdCount() {
    WriteAll(SettingsPath(), Lines(DialogLines("00000", "1", "", "50")));
    Session->SearchOptions.Fps = "25";
    auto dialog = NewSearchDialog();
    dialog->show();
    QTest::mouseClick(&Child<QRadioButton>(*dialog, "rbCustomCD"), Qt::LeftButton);
    QTest::keyClicks(&Child<QLineEdit>(*dialog, "edtCustomCDCount"), QStringLiteral("iki"));
    std::filesystem::remove(SettingsPath());
    QTest::keyClick(&Child<QLineEdit>(*dialog, "edtCustomCDCount"), Qt::Key_Return);
    QCOMPARE(Prompt.Errors.size(), 1u);
    QVERIFY(Prompt.Errors.front().find("iki") != std::string::npos);
    QVERIFY(dialog->isVisible());
    QVERIFY(!std::filesystem::exists(SettingsPath()));
    QCOMPARE(Session->SearchOptions.CdCount, -1);
    QCOMPARE(Session->SearchOptions.Fps, std::string("25"));

    Child<QLineEdit>(*dialog, "edtCustomCDCount").setText(QStringLiteral("3"));
    QTest::keyClick(&Child<QLineEdit>(*dialog, "edtCustomCDCount"), Qt::Key_Return);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(Session->SearchOptions.CdCount, 3);
    QVERIFY(std::filesystem::exists(SettingsPath()));
  }

  void searchDialogEnterSearchesTheTickedSites() {
    sim::TSimServer sim;
    sim.Start();
    NewSession(sim.DirectSites());
    WriteAll(SettingsPath(), Lines(DialogLines("10000", "-1", "The Silent Harbor", "50")));
    auto dialog = NewSearchDialog();
    dialog->show();
    // Enter searches wherever the focus is, even on "İp&tal", whatever modifiers are held.
    QTest::keyClick(&Child<QPushButton>(*dialog, "Button2"), Qt::Key_Return, Qt::ShiftModifier);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!Session->Idle());
    QTRY_VERIFY_WITH_TIMEOUT(Session->Idle(), 30000);
    QVERIFY(Session->Rows().Count() > 0);
    QVERIFY(sim.RequestsTo(SiteId::SubDb).empty());
    QVERIFY(!sim.RequestsTo(SiteId::ExtraTitles).empty());
    QCOMPARE(Session->Panel(TSearchSession::kStatusPanel), Utf8ToCp1254("Arama hatasız tamamlandı."));
  }

  void searchDialogEscapeLaunchesNothing() {
    WriteAll(SettingsPath(), Lines(DialogLines("11111", "1", "film", "50")));
    Session->SearchOptions.CdCount = 2;
    auto dialog = NewSearchDialog();
    dialog->show();
    QTest::mouseClick(&Child<QRadioButton>(*dialog, "rbOneCD"), Qt::LeftButton);
    QTest::keyClick(&Child<QLineEdit>(*dialog, "Edit1"), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(Session->Idle());
    QCOMPARE(Session->SearchOptions.CdCount, 2);
  }

  void proxyDialogWithoutFile() {
    auto dialog = NewProxyDialog();
    QCOMPARE(Prompt.Errors, std::vector<std::string>{Tr1254(kProxyFileMissing)});
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Proxy Ayarları"));
    QCOMPARE(Child<QCheckBox>(*dialog, "CheckBox1").text(), QStringLiteral("Internet'e bir Proxy Server üzerinden bağlanıyorum."));
    QVERIFY(!Child<QCheckBox>(*dialog, "CheckBox1").isChecked());
    for (const char* name : {"Label1", "Label2"}) QVERIFY(!Child<QLabel>(*dialog, name).isEnabled());
    for (const char* name : {"Edit1", "Edit2"}) {
      QVERIFY(!Child<QLineEdit>(*dialog, name).isEnabled());
      QVERIFY(Child<QLineEdit>(*dialog, name).text().isEmpty());
    }
    QCOMPARE(Child<QPushButton>(*dialog, "Button2").text(), QStringLiteral("İptal"));
    // Tab order: host, port, the buttons, then the box.
    QCOMPARE(NextTabStop(Child<QLineEdit>(*dialog, "Edit1")), &Child<QLineEdit>(*dialog, "Edit2"));
    QCOMPARE(NextTabStop(Child<QLineEdit>(*dialog, "Edit2")), &Child<QPushButton>(*dialog, "Button1"));
    QCOMPARE(NextTabStop(Child<QPushButton>(*dialog, "Button2")), &Child<QCheckBox>(*dialog, "CheckBox1"));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(QApplication::focusWidget(), &Child<QCheckBox>(*dialog, "CheckBox1"));

    QTest::mouseClick(&Child<QPushButton>(*dialog, "Button2"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(ReadAll(ProxyPath()), Lines({"0", "127.0.0.1:8080"}));
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit1").text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit2").text(), QStringLiteral("8080"));
  }

  void proxyDialogFills_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("reported");
    QTest::newRow("on, extra piece") << QByteArray("1\r\n10.0.0.5:3128:extra\r\n") << true << "10.0.0.5" << "3128" << false;
    QTest::newRow("off keeps the address") << QByteArray("0\nproxy.local:81") << false << "proxy.local" << "81" << false;
    QTest::newRow("first line with a blank") << QByteArray("1 \r\nhost:1\r\n") << false << "" << "" << false;
    QTest::newRow("only a first line") << QByteArray("1\r\n") << true << "" << "" << true;
    QTest::newRow("address without a port") << QByteArray("0\r\nhostonly\r\n") << false << "hostonly" << "" << true;
    QTest::newRow("empty file") << QByteArray() << false << "" << "" << true;
  }

  void proxyDialogFills() {
    QFETCH(QByteArray, content);
    QFETCH(bool, ticked);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(bool, reported);
    WriteAll(ProxyPath(), content.toStdString());
    auto dialog = NewProxyDialog();
    QCOMPARE(Prompt.Errors.size(), reported ? 1u : 0u);
    QCOMPARE(Child<QCheckBox>(*dialog, "CheckBox1").isChecked(), ticked);
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit1").isEnabled(), ticked);
    QCOMPARE(Child<QLabel>(*dialog, "Label2").isEnabled(), ticked);
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit1").text(), host);
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit2").text(), port);
  }

  void proxyDialogTickingEnablesAndKeepsTexts() {
    WriteAll(ProxyPath(), Lines({"0", "a.b:3"}));
    auto dialog = NewProxyDialog();
    dialog->show();
    auto& box = Child<QCheckBox>(*dialog, "CheckBox1");
    QTest::mouseClick(&box, Qt::LeftButton);
    for (const char* name : {"Label1", "Label2"}) QVERIFY(Child<QLabel>(*dialog, name).isEnabled());
    for (const char* name : {"Edit1", "Edit2"}) QVERIFY(Child<QLineEdit>(*dialog, name).isEnabled());
    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(!Child<QLineEdit>(*dialog, "Edit2").isEnabled());
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit2").text(), QStringLiteral("3"));
    QTest::mouseClick(&box, Qt::LeftButton);
    QTest::keyClick(&Child<QPushButton>(*dialog, "Button2"), Qt::Key_Return);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(ReadAll(ProxyPath()), Lines({"1", "a.b:3"}));
  }

  void proxyDialogBlankFieldsGetDefaultsOthersKeepBlanks() {
    WriteAll(ProxyPath(), Lines({"1", "   : 3128 "}));
    auto dialog = NewProxyDialog();
    dialog->show();
    QTest::keyClick(&Child<QLineEdit>(*dialog, "Edit2"), Qt::Key_Escape);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(Child<QLineEdit>(*dialog, "Edit1").text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(ReadAll(ProxyPath()), Lines({"1", "127.0.0.1: 3128 "}));
  }

  void proxyDialogClosesWhenFileCannotBeWritten() {
    WriteAll(ProxyPath(), Lines({"0", "old:1"}));
    auto dialog = NewProxyDialog();
    dialog->show();
    // The file is replaced through a temporary beside it; a folder in its way fails even for root.
    std::filesystem::create_directory(Dir->Path() / "proxy.txt.new");
    QTest::mouseClick(&Child<QCheckBox>(*dialog, "CheckBox1"), Qt::LeftButton);
    QTest::mouseClick(&Child<QPushButton>(*dialog, "Button1"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(Prompt.Errors.size(), 1u);
    QVERIFY(EndsWith(Prompt.Errors.front(), kCannotWrite));
    QCOMPARE(ReadAll(ProxyPath()), Lines({"0", "old:1"}));
  }

  void downloadOptionsDialogSavesOnlyOnOkAndKeepsOtherKeys() {
    const auto ini = Dir->Path() / "velkaro.ini";
    const std::string original = "[velkaro]\nconnections=3\nlanguageSuffix=yes\n";
    WriteAll(ini, original);
    auto click = [](QDialog& dialog, const char* name) { Child<QAbstractButton>(dialog, name).click(); };
    {
      TfrmDownloadOptions dialog(ini, Prompt);
      dialog.show();
      QCOMPARE(dialog.windowTitle(), QString::fromUtf8("İndirme seçenekleri"));
      QCOMPARE(dialog.Chosen(), (TDownloadOptions{true, true, true, true, false}));
      click(dialog, "cbConvertFrames");
      QVERIFY(!Child<QCheckBox>(dialog, "cbMicroDvdToSubRip").isEnabled());
      click(dialog, "cbConvertFrames");
      click(dialog, "cbMicroDvdToSubRip");
      click(dialog, "cbToUtf8");
      click(dialog, "btnCancel");
      QVERIFY(!dialog.isVisible());
    }
    QCOMPARE(ReadAll(ini), original);
    {
      TfrmDownloadOptions dialog(ini, Prompt);
      dialog.show();
      click(dialog, "cbToUtf8");
      click(dialog, "cbLanguageSuffix");
      click(dialog, "cbMicroDvdToSubRip");
      QCOMPARE(Child<QCheckBox>(dialog, "cbSyncToAudio").text(), QString::fromUtf8("Altyazıyı filmin sesine eşitle"));
      click(dialog, "cbSyncToAudio");
      QCOMPARE(Child<QCheckBox>(dialog, "cbFetchBestOnOpen").text(), QString::fromUtf8("Video açılınca en uygununu indir"));
      QVERIFY(!Child<QCheckBox>(dialog, "cbFetchBestOnOpen").isChecked());
      click(dialog, "cbFetchBestOnOpen");
      click(dialog, "btnOk");
    }
    QCOMPARE(ReadDownloadOptions(ini), (TDownloadOptions{true, false, true, false, true, true}));
    QCOMPARE(ReadConnections(ini), 3);
    QVERIFY(ReadFetchBestOnOpen(ini));
    QVERIFY(Prompt.Errors.empty());
    // Read back into the next dialog.
    TfrmDownloadOptions again(ini, Prompt);
    QVERIFY(Child<QCheckBox>(again, "cbFetchBestOnOpen").isChecked());
  }

  void downloadOptionsDialogReportsAFileItCannotWrite() {
    // A folder where the file should be fails even for root.
    const auto ini = Dir->Path() / "velkaro.ini";
    std::filesystem::create_directory(ini);
    TfrmDownloadOptions dialog(ini, Prompt);
    dialog.show();
    QCOMPARE(dialog.Chosen(), TDownloadOptions{});
    QTest::mouseClick(&Child<QAbstractButton>(dialog, "btnOk"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(Prompt.Errors.size(), 1u);
    QVERIFY(EndsWith(Prompt.Errors.front(), kCannotWrite));
  }

  void aboutBoxShowsVersionAndOpensLinks() {
    std::vector<QUrl> opened;
    TfrmAboutBox about([&](const QUrl& url) { opened.push_back(url); });
    QCOMPARE(Child<QLabel>(about, "Version").text(), QStringLiteral("1.24"));
    QVERIFY(Child<QLabel>(about, "Version").font().bold());
    QVERIFY(Child<QLabel>(about, "ProductName").font().bold());
    QVERIFY(!Child<QLabel>(about, "ProgramIcon").pixmap().isNull());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));

    auto& web = Child<QLabel>(about, "WebLink");
    const QColor idle = web.palette().color(QPalette::WindowText);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&web, &enter);
    QCOMPARE(web.palette().color(QPalette::WindowText), QColor(Qt::red));
    QCOMPARE(web.cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&web, &leave);
    QCOMPARE(web.palette().color(QPalette::WindowText), idle);
    QCOMPARE(web.cursor().shape(), Qt::ArrowCursor);

    for (const char* name : {"MailLink", "WebLink", "ForumLink"}) QTest::mouseClick(&Child<QLabel>(about, name), Qt::LeftButton);
    QCOMPARE(opened.size(), 3u);
    QCOMPARE(opened[0].scheme(), QStringLiteral("mailto"));
    QCOMPARE(opened[0].path(), QStringLiteral("destek@velkaro.net"));
    QVERIFY(opened[0].query().startsWith(QStringLiteral("subject=")));
    QCOMPARE(opened[1], QUrl(web.text()));
    QCOMPARE(opened[2], QUrl(QStringLiteral("http://www.velkaro.net/forum/")));

    QTest::mouseClick(&Child<QPushButton>(about, "OKButton"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
  }

  // The save dialog keeps the first design's entry and adds the proposed
  // file's own type and every file; the proposed file shows under its type.
  void saveDialogOffersTheProposedFilesType() {
    const QString rar = QString::fromUtf8("RAR Dosyaları (*.rar)");
    const QString all = QString::fromUtf8("Tüm dosyalar (*)");
    QCOMPARE(WithFileTypeFilters({rar}, ".ZIP"), QStringList({rar, QString::fromUtf8("ZIP Dosyaları (*.zip *.ZIP)"), all}));
    QCOMPARE(WithFileTypeFilters({rar}, ".rar"), QStringList({rar, all}));
    // A name the site quoted, or none: no type of its own.
    QCOMPARE(WithFileTypeFilters({}, ".zip\""), QStringList({all}));
    QCOMPARE(WithFileTypeFilters({}, ""), QStringList({all}));

    const std::unique_ptr<QFileDialog> dialog(NewSaveDialog(nullptr));
    QString shownFilter;
    QString shownName;
    QTimer::singleShot(0, dialog.get(), [&] {
      shownFilter = dialog->selectedNameFilter();
      shownName = Child<QLineEdit>(*dialog, "fileNameEdit").text();
      dialog->reject();
    });
    const auto chosen = RunSaveDialog(*dialog, {.Title = QStringLiteral("Altyazı İndir..."),
                                                .FileName = FromPath(Dir->Path() / "Heat_2_CD_25_FPS_VK.zip"),
                                                .Filters = WithFileTypeFilters({rar}, ".zip"),
                                                .DefaultSuffix = QStringLiteral("rar")});
    QVERIFY(!chosen);
    QCOMPARE(shownFilter, QString::fromUtf8("ZIP Dosyaları (*.zip)"));
    QCOMPARE(shownName, QStringLiteral("Heat_2_CD_25_FPS_VK.zip"));
  }

  void dialogsLeaveNoWindowsOrThreads() {
    WriteAll(SettingsPath(), Lines(DialogLines("11111", "1", "film", "50")));
    WriteAll(ProxyPath(), Lines({"1", "h:1"}));
    const auto cycle = [this] {
      {
        auto search = NewSearchDialog();
        search->show();
        QTest::keyClick(&Child<QLineEdit>(*search, "Edit1"), Qt::Key_Escape);
      }
      {
        auto proxy = NewProxyDialog();
        proxy->show();
        QTest::keyClick(&Child<QCheckBox>(*proxy, "CheckBox1"), Qt::Key_Escape);
      }
      {
        TfrmAboutBox about([](const QUrl&) {});
        about.show();
        QTest::mouseClick(&Child<QPushButton>(about, "OKButton"), Qt::LeftButton);
      }
    };
    cycle();
    QCoreApplication::processEvents();
    const auto windows = QApplication::topLevelWidgets().size();
    const int threads = ThreadCount();
    for (int i = 0; i < 100; ++i) cycle();
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
    QCOMPARE(ThreadCount(), threads);
    QVERIFY(Prompt.Errors.empty());
    QVERIFY(Session->Idle());
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::DialogsTest)
#include "DialogsTest.moc"
