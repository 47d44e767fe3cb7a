// The main window's start-up version check against the stand-in maker's
// host: status panel 0, the question, the banner, the proxy file's say.

#include <QElapsedTimer>
#include <QMovie>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "EngineText.h"
#include "MainWindow.h"
#include "OrdelBanner.h"
#include "ProxyFile.h"
#include "TestSupport.h"
#include "UpdateThread.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

constexpr int kCheckTimeoutMs = 30000;

struct THarness {
  THarness() {
    Sim.Start();
    // No dialog at start, no grid.
    std::ofstream out(Dir.Path() / "conf.vkcf", std::ios::binary);
    for (const char* line : {"-1", "-1", "-1", "-1", "-1", "-1", "", "50", "0", "0"}) out << line << "\r\n";
  }

  void WriteProxyFile(const std::string& address) {
    std::ofstream(Dir.Path() / "proxy.txt", std::ios::binary) << "1\r\n" << address << "\r\n";
  }

  // The sites at their real names, reached through the stand-in as the proxy,
  // as scripts/run.sh sets the program up.
  TfrmMain& Open() {
    WriteProxyFile("127.0.0.1:" + std::to_string(Sim.Port()));
    return OpenAsIs();
  }

  TfrmMain& OpenAsIs() {
    Window = std::make_unique<TfrmMain>(TMainWindowDeps{
        .Prompt = Prompt,
        .Files = TProgramFiles::InFolder(Dir.Path()),
        .Sites = TSiteTable::Defaults(),
        .ShowDialog = [](QDialog&) {},
        .OpenUrl =
            [this](const QUrl& url) {
              Opened.push_back(url);
              return true;
            },
        .CheckForUpdate = true,
    });
    return *Window;
  }

  void Show() {
    Window->show();
    if (!QTest::qWaitForWindowActive(Window.get())) throw std::runtime_error("window not active");
  }

  QString Panel0() const { return Window->PanelText(TSearchSession::kVersionPanel); }
  std::size_t MakerRequests() const {
    std::size_t count = 0;
    for (const auto& request : Sim.Requests()) count += request.Route == sim::kUpdateRouteKey ? 1 : 0;
    return count;
  }

  sim::TSimServer Sim;
  test::TTempDir Dir;
  test::TRecordingPrompt Prompt;
  std::vector<QUrl> Opened;
  std::unique_ptr<TfrmMain> Window;
};

}  // namespace

class UpdateCheckTest : public QObject {
  Q_OBJECT

  std::unique_ptr<THarness> H;

 private slots:
  void init() { H = std::make_unique<THarness>(); }
  void cleanup() { H.reset(); }

  void theCurrentVersionEndsWithNoNewVersionAndTheBannerShown() {
    TfrmMain& window = H->Open();
    QCOMPARE(H->Panel0(), QString::fromUtf8("Yeni sürüm kontrol ediliyor..."));
    H->Show();
    QTRY_COMPARE_WITH_TIMEOUT(H->Panel0(), QString::fromUtf8("Yeni sürüm yok"), kCheckTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(window.Banner() != nullptr && window.Banner()->movie() != nullptr, kCheckTimeoutMs);
    QCOMPARE(window.Banner()->parentWidget(), &window.BannerArea());
    QCOMPARE(window.Banner()->movie()->state(), QMovie::Running);
    const QString link = QStringLiteral("http://www.velkaro.net/reklam.php");
    QCOMPARE(window.Banner()->toolTip(), link);
    QVERIFY(H->Prompt.Questions.empty() && H->Prompt.Errors.empty());
    QVERIFY(std::filesystem::exists(H->Dir.Path() / "rek.gif"));

    QTest::mouseClick(window.Banner(), Qt::LeftButton);
    QCOMPARE(H->Opened, std::vector<QUrl>{QUrl(link)});
  }

  void aNewerVersionAsksAndYesOpensTheDownloadPage() {
    H->Sim.UpdateSite().SetVersionText("1.25\r\n");
    TfrmMain& window = H->Open();
    H->Show();
    QTRY_COMPARE_WITH_TIMEOUT(H->Prompt.Questions.size(), 1u, kCheckTimeoutMs);
    QCOMPARE(FromEngine(H->Prompt.Questions[0]),
             QString::fromUtf8("Programın yeni bir sürümü var.Yüklemek istermisiniz?"));
    QTRY_VERIFY_WITH_TIMEOUT(window.Banner() != nullptr && window.Banner()->movie() != nullptr, kCheckTimeoutMs);
    QCOMPARE(H->Panel0(), QString());
    QCOMPARE(H->Opened, std::vector<QUrl>{QUrl(QStringLiteral("http://www.velkaro.net/indir.php"))});
  }

  void aBadProxyPortIsShownAndNoCheckStarts() {
    H->WriteProxyFile("127.0.0.1:80a");
    TfrmMain& window = H->OpenAsIs();
    QCOMPARE(H->Prompt.Errors.size(), 1u);
    QCOMPARE(FromEngine(H->Prompt.Errors[0]), QString::fromUtf8("'80a' geçerli bir port değil."));
    H->Show();
    QTRY_VERIFY(window.Banner() != nullptr);
    QCOMPARE(H->Panel0(), QString::fromUtf8("Yeni sürüm kontrol ediliyor..."));
    QCOMPARE(H->MakerRequests(), 0u);
  }

  void theBannerWaitsForTheWindowsFirstShow() {
    TfrmMain& window = H->Open();
    // Never shown yet: the check ends before the banner exists.
    QTRY_COMPARE_WITH_TIMEOUT(H->Panel0(), QString::fromUtf8("Yeni sürüm yok"), kCheckTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(H->MakerRequests(), 4u, kCheckTimeoutMs);
    QVERIFY(window.Banner() == nullptr);
    H->Show();
    QTRY_VERIFY(window.Banner() != nullptr);
    QVERIFY(window.Banner()->movie() != nullptr);
    QCOMPARE(window.Banner()->toolTip(), QStringLiteral("http://www.velkaro.net/reklam.php"));
  }

  void closingDuringTheCheckLeavesNoWorkerBehind() {
    auto gate = std::make_shared<sim::TGate>();
    H->Sim.AddFault(std::string(sim::kUpdateRouteKey), sim::TFault::Hold(gate).When("versiyon.php"));
    H->Open();
    H->Show();
    QTRY_COMPARE_WITH_TIMEOUT(H->MakerRequests(), 1u, kCheckTimeoutMs);
    QElapsedTimer closing;
    closing.start();
    H->Window.reset();
    QVERIFY(closing.elapsed() < 5000);
    gate->Open();
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::UpdateCheckTest)
#include "UpdateCheckTest.moc"
