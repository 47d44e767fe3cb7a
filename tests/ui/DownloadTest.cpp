// "İndir" from the main window's selected row to a saved file: save dialogs
// answered in code, the download window driven through its real controls
// against the stand-in sites.

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CodePage.h"
#include "DownloadRequest.h"

#include "DownloadWindow.h"
#include "FileContent.h"
#include "MainWindow.h"
#include "SettingsFile.h"
#include "TestSupport.h"
#include "VideoFixtures.h"
#include "sitesim/ExtraTitlesSite.h"
#include "sitesim/SimServer.h"
#include "sitesim/SubDbSite.h"

namespace velkaro {
namespace {

constexpr int kTimeoutMs = 30000;
const std::string kUsersFile = "the user's own file";

void WaitClosed(QDialog& window) { QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), kTimeoutMs); }

QString Caption(const QDialog& window, const char* label) {
  return window.findChild<QLabel*>(QLatin1String(label))->text();
}

// The main window over the stand-in sites, every dialog handed to the test.
struct THarness {
  sim::TSimServer Sim;
  test::TTempDir ProgramDir;
  test::TTempDir TargetDir;
  test::TRecordingPrompt Prompt;
  std::vector<TSaveDialogRequest> SaveRequests;
  std::optional<std::filesystem::path> SaveAnswer;
  std::vector<QUrl> Opened;
  int Windows = 0;
  // Runs while the download window is shown.
  std::function<void(QDialog&)> Drive = WaitClosed;
  std::unique_ptr<TfrmMain> Main;

  THarness() {
    Sim.Start();
    std::ofstream(ProgramDir.Path() / "conf.vkcf", std::ios::binary) << "-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n\r\n50\r\n0\r\n0\r\n";
    Main = std::make_unique<TfrmMain>(TMainWindowDeps{
        .Prompt = Prompt,
        .Files = TProgramFiles::InFolder(ProgramDir.Path()),
        .Sites = Sim.DirectSites(),
        .ShowDialog =
            [this](QDialog& window) {
              ++Windows;
              window.show();
              Drive(window);
            },
        .OpenUrl =
            [this](const QUrl& url) {
              Opened.push_back(url);
              return true;
            },
        .SaveDialog =
            [this](const TSaveDialogRequest& request) {
              SaveRequests.push_back(request);
              return SaveAnswer;
            },
    });
    Main->Session().SearchOptions.Format = "All";
  }

  std::string Bytes(std::size_t index) const {
    return sim::SubtitleFileBytes(Sim.Catalogue(), Sim.Catalogue().Subtitles().at(index));
  }

  void AddAndSelect(const std::string& film, const std::string& url) {
    TSubtitleInfo record{.FilmName = film, .Url = url, .Language = "Turkish", .CdCount = "2", .Fps = "23.976",
                         .Format = "SubRip", .DateAdded = "05.01.2005", .Uploader = "kemal"};
    Main->Session().AddResult(record);
    Main->ResultView().selectRow(static_cast<int>(Main->Session().Rows().Count()) - 1);
  }
  void AddExtraTitlesRow(const std::string& film) {
    AddAndSelect(film, Sim.DirectSites()[SiteId::ExtraTitles].Base() +
                           sim::TExtraTitlesSite::DownloadLink(Sim.Catalogue().Subtitles().at(0)));
  }
  std::filesystem::path UsersFile(const char* name) const {
    std::ofstream(TargetDir.Path() / name, std::ios::binary) << kUsersFile;
    return TargetDir.Path() / name;
  }
};

}  // namespace

class DownloadTest : public QObject {
  Q_OBJECT

  std::unique_ptr<THarness> H;

 private slots:
  void init() { H = std::make_unique<THarness>(); }
  void cleanup() { H.reset(); }

  void rowsOfOtherSitesOpenInTheBrowser() {
    const std::string page = H->Sim.DirectSites()[SiteId::DivxForever].Base() + "index.php?page=details&id=1001";
    H->AddAndSelect("Heat", page);
    H->Main->ResultView().clearSelection();
    H->Main->StartDownload();
    QVERIFY(H->Opened.empty());
    H->Main->ResultView().selectRow(0);
    H->Main->StartDownload();
    QCOMPARE(H->Opened, std::vector<QUrl>{QUrl(QString::fromStdString(page))});
    QCOMPARE(H->Windows, 0);
    QVERIFY(H->SaveRequests.empty() && H->Sim.Requests().empty());
  }

  void cancellingTheTargetCreatesNothing() {
    H->AddExtraTitlesRow("Matrix: Reloaded");
    H->Main->StartDownload();
    QCOMPARE(H->SaveRequests.size(), 1u);
    QCOMPARE(H->SaveRequests[0].Title, QString::fromUtf8("Altyazı İndir..."));
    QCOMPARE(H->SaveRequests[0].FileName, QStringLiteral("Matrix_ Reloaded_2_CD_23,976_FPS_VK.zip"));
    // The first design's entry, the proposed file's own type, and every file.
    QCOMPARE(H->SaveRequests[0].Filters,
             QStringList({QString::fromUtf8("RAR Dosyaları (*.rar)"), QString::fromUtf8("ZIP Dosyaları (*.zip)"),
                          QString::fromUtf8("Tüm dosyalar (*)")}));
    QCOMPARE(H->SaveRequests[0].DefaultSuffix, QStringLiteral("rar"));
    QCOMPARE(H->Windows, 0);
    QVERIFY(H->Sim.Requests().empty() && test::FileNames(H->TargetDir.Path()).empty());
  }

  void extraTitlesRowIsSavedOverTheChosenFile() {
    H->SaveAnswer = H->UsersFile("Heat.zip");
    H->AddExtraTitlesRow("Heat");
    H->Drive = [&](QDialog& window) {
      QCOMPARE(window.windowTitle(), QString::fromUtf8("Altyazı İndir"));
      QCOMPARE(window.size(), QSize(282, 114));
      QCOMPARE(Caption(window, "lbStatus"), QString::fromUtf8("Heat altyazısı indiriliyor..."));
      QCOMPARE(Caption(window, "lbSavePath"), QString::fromStdString(H->SaveAnswer->string()));
      WaitClosed(window);
      const auto& bar = *window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
      QCOMPARE(bar.maximum(), static_cast<int>(H->Bytes(0).size()));
      QCOMPARE(bar.value(), 0);
    };
    H->Main->StartDownload();
    QCOMPARE(ReadFileContent(*H->SaveAnswer), H->Bytes(0));
    QCOMPARE(test::FileNames(H->TargetDir.Path()), std::vector<std::string>{"Heat.zip"});
    QCOMPARE(H->Prompt.Informations, std::vector<std::string>{Utf8ToCp1254("Altyazı indirildi...\r\n\r\nFilm Adı: Heat\r\n"
                                                                           "FPS: 23,976\r\nCD Sayısı: 2\r\n"
                                                                           "Eklenme Tarihi: 05.01.2005")});
  }

  // A search started from a two-part film: the archive is saved as chosen,
  // and each part gets its subtitle beside it; an existing one only when the
  // user says so.
  void downloadForVideosPutsEachPartBesideItsVideo() {
    test::TTempDir videos;
    const auto cd1 = test::MakeVideo(videos.Path() / "Film.CD1.avi", {"25"});
    const auto cd2 = test::MakeVideo(videos.Path() / "Film.CD2.avi", {"25"});
    test::WriteBytes(videos.Path() / "Film.CD2.srt", kUsersFile);
    H->Main->Session().BeginSearch({.Film = "Film", .Videos = {cd1, cd2}});
    H->SaveAnswer = H->TargetDir.Path() / "Film.zip";
    H->AddExtraTitlesRow("Film");
    H->Prompt.Answer = false;
    H->Main->StartDownload();
    QCOMPARE(H->SaveRequests.at(0).FileName,
             QString::fromStdString((videos.Path() / "Film_2_CD_23,976_FPS_VK.zip").string()));
    QCOMPARE(ReadFileContent(*H->SaveAnswer), H->Bytes(0));
    QCOMPARE(H->Prompt.Questions.size(), 1u);
    QVERIFY(H->Prompt.Questions[0].starts_with((videos.Path() / "Film.CD2.srt").string() + " zaten var."));
    QCOMPARE(test::ReadBytes(videos.Path() / "Film.CD2.srt"), kUsersFile);
    const std::string part1 = test::ReadBytes(videos.Path() / "Film.CD1.srt");
    QVERIFY(part1.find("G\xC3\xBCle g\xC3\xBCle, \xC3\xA7ocuklar!") != std::string::npos);
    QCOMPARE(H->Prompt.Informations.size(), 1u);
    const std::string& message = H->Prompt.Informations[0];
    QVERIFY(message.starts_with(DownloadedMessage("Film", "23,976", "2", "05.01.2005")));
    // Names in the message, which wraps long words anywhere; whole paths in its details.
    QVERIFY(message.find(Utf8ToCp1254("Altyazı kaydedildi: Film.CD1.srt")) != std::string::npos);
    QVERIFY(message.find(videos.Path().string()) == std::string::npos);
    QCOMPARE(H->Prompt.Details.at(0), H->SaveAnswer->string() + "\r\n" + (videos.Path() / "Film.CD1.srt").string());

    H->Prompt = {};
    H->Main->StartDownload();
    QCOMPARE(H->Prompt.Questions.size(), 2u);
    const std::string part2 = test::ReadBytes(videos.Path() / "Film.CD2.srt");
    QVERIFY(part2 != kUsersFile && part2 != part1);
    QVERIFY(part2.find("G\xC3\xBCle g\xC3\xBCle, \xC3\xA7ocuklar!") != std::string::npos);
    QCOMPARE(test::FileNames(videos.Path()),
             (std::vector<std::string>{"Film.CD1.avi", "Film.CD1.srt", "Film.CD2.avi", "Film.CD2.srt"}));
  }

  // A row of a search by name, downloaded while a later search is tied to
  // another film's video: a plain download, nothing placed beside the video.
  void aRowOfAnotherSearchIsAPlainDownload() {
    test::TTempDir videos;
    const auto video = test::MakeVideo(videos.Path() / "Istanbul.Hatirasi.2005.DVDRip.avi", {"25"});
    H->Main->Session().BeginSearch({.Film = "Fast & Furious"});
    H->AddExtraTitlesRow("Fast & Furious");
    H->Main->Session().BeginSearch({.Film = "Istanbul Hatirasi", .Videos = {video}});
    H->SaveAnswer = H->TargetDir.Path() / "ff.zip";
    H->Main->StartDownload();
    QCOMPARE(H->SaveRequests.at(0).FileName, QStringLiteral("Fast & Furious_2_CD_23,976_FPS_VK.zip"));
    QCOMPARE(ReadFileContent(*H->SaveAnswer), H->Bytes(0));
    QCOMPARE(test::FileNames(videos.Path()), std::vector<std::string>{"Istanbul.Hatirasi.2005.DVDRip.avi"});
    QCOMPARE(H->Prompt.Informations,
             std::vector<std::string>{DownloadedMessage("Fast & Furious", "23,976", "2", "05.01.2005")});
    QVERIFY(H->Prompt.Details.empty());

    // A row of the search started from the video goes beside it.
    H->AddExtraTitlesRow("Istanbul Hatirasi");
    H->SaveAnswer = H->TargetDir.Path() / "ih.zip";
    H->Main->StartDownload();
    QCOMPARE(H->SaveRequests.at(1).FileName,
             QString::fromStdString((videos.Path() / "Istanbul Hatirasi_2_CD_23,976_FPS_VK.zip").string()));
    QCOMPARE(test::FileNames(videos.Path()),
             (std::vector<std::string>{"Istanbul.Hatirasi.2005.DVDRip.avi", "Istanbul.Hatirasi.2005.DVDRip.srt"}));
  }

  // Videos gone since the search: the download is still saved and confirmed, the failure told.
  void videosThatAreGoneLeaveTheDownloadSaved() {
    H->Main->Session().BeginSearch({.Film = "Film", .Videos = {H->TargetDir.Path() / "gone" / "Film.avi"}});
    H->SaveAnswer = H->TargetDir.Path() / "Film.zip";
    H->AddExtraTitlesRow("Film");
    H->Main->StartDownload();
    QCOMPARE(ReadFileContent(*H->SaveAnswer), H->Bytes(0));
    QCOMPARE(H->Prompt.Errors.size(), 1u);
    QCOMPARE(H->Prompt.Informations.size(), 1u);
    QVERIFY(!std::filesystem::exists(H->TargetDir.Path() / "gone"));
  }

  // Unpacking runs beside the event loop: the window keeps answering while
  // the worker runs (here one that never answers), and "Durdur" ends it at
  // once, the download saved and the reason told.
  void unpackingKeepsTheWindowLiveAndStopEndsIt() {
    const auto worker = H->TargetDir.Path() / "slow-unpack";
    test::WriteBytes(worker, "#!/bin/sh\nexec sleep 60\n");
    std::filesystem::permissions(worker, std::filesystem::perms::owner_all);
    const auto video = H->TargetDir.Path() / "Film.avi";
    TfrmDownloader window({.Prompt = H->Prompt, .Files = TProgramFiles::InFolder(H->ProgramDir.Path()),
                           .Sites = H->Sim.DirectSites(), .SaveDialog = {}, .UnpackWorker = worker});
    window.Url = H->Sim.DirectSites()[SiteId::ExtraTitles].Base() +
                 sim::TExtraTitlesSite::DownloadLink(H->Sim.Catalogue().Subtitles().at(0));
    window.SavePath = H->TargetDir.Path() / "Film.zip";
    window.Videos = {video};
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    window.show();
    QTRY_COMPARE_WITH_TIMEOUT(Caption(window, "lbStatus"), QString::fromUtf8("Altyazı hazırlanıyor..."), kTimeoutMs);
    const int before = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticks > before + 20, kTimeoutMs);
    QVERIFY(window.isVisible());
    QElapsedTimer stopping;
    stopping.start();
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QVERIFY(stopping.elapsed() < 5000);
    QCOMPARE(ReadFileContent(window.SavePath), H->Bytes(0));
    QCOMPARE(H->Prompt.Informations.size(), 1u);
    QVERIFY(H->Prompt.Informations[0].find(Utf8ToCp1254("Arşiv açma durduruldu")) != std::string::npos);
    QCOMPARE(test::FileNames(H->TargetDir.Path()), (std::vector<std::string>{"Film.zip", "slow-unpack"}));
  }

  void subDbRowAsksForTheTargetAfterTheTransfer() {
    const auto target = H->TargetDir.Path() / "chosen.rar";
    H->SaveAnswer = target;
    H->AddAndSelect("Agir Roman", SubDbAddressPrefix(H->Sim.DirectSites()) +
                                      sim::TSubDbSite::DownloadLink(H->Sim.Catalogue().Subtitles().at(2)));
    H->Drive = [&](QDialog& window) {
      QCOMPARE(Caption(window, "lbSavePath"), QStringLiteral("Download Adresi bulunuyor..."));
      WaitClosed(window);
      QCOMPARE(Caption(window, "lbSavePath"), QString::fromStdString(target.string()));
    };
    H->Main->StartDownload();
    QCOMPARE(H->SaveRequests.size(), 1u);
    QCOMPARE(H->SaveRequests[0].Title, QString::fromUtf8("Altyazı İndir..."));
    QCOMPARE(H->SaveRequests[0].FileName, QStringLiteral("Agir Roman_2_CD_23,976_FPS_VK.rar"));
    QCOMPARE(H->SaveRequests[0].Filters,
             QStringList({QString::fromUtf8("RAR Dosyaları (*.rar)"), QString::fromUtf8("Tüm dosyalar (*)")}));
    QVERIFY(H->SaveRequests[0].DefaultSuffix.isEmpty());
    QCOMPARE(ReadFileContent(target), H->Bytes(2));
    QCOMPARE(H->Prompt.Informations.size(), 1u);
  }

  void enterAndTheCloseBoxStopTheTransfer() {
    H->SaveAnswer = H->TargetDir.Path() / "Heat.zip";
    H->AddExtraTitlesRow("Heat");
    auto gate = std::make_shared<sim::TGate>();
    H->Sim.AddFault(SiteId::ExtraTitles, sim::TFault::Hold(gate));
    const std::function<void(QDialog&)> stops[] = {
        [](QDialog& window) {
          QTest::keyClick(&window, Qt::Key_Escape);  // not a stop
          QVERIFY(window.isVisible());
          QTest::keyClick(window.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::Key_Return);
        },
        [](QDialog& window) { window.close(); },
    };
    for (const auto& stop : stops) {
      H->UsersFile("Heat.zip");
      H->Sim.ClearRequests();
      H->Drive = [&](QDialog& window) {
        QTRY_VERIFY_WITH_TIMEOUT(!H->Sim.Requests().empty(), kTimeoutMs);
        QCOMPARE(test::FileNames(H->TargetDir.Path()), (std::vector<std::string>{"Heat.zip", "Heat.zip.part"}));
        stop(window);
        QVERIFY(!window.isVisible());
      };
      H->Main->StartDownload();
      QCOMPARE(test::FileNames(H->TargetDir.Path()), std::vector<std::string>{"Heat.zip"});
      QCOMPARE(ReadFileContent(*H->SaveAnswer), kUsersFile);
    }
    gate->Open();
    QVERIFY(H->Prompt.Informations.empty() && H->Prompt.Errors.empty());
  }

  void failedDownloadClosesWithoutAMessage() {
    H->SaveAnswer = H->TargetDir.Path() / "Heat.zip";
    H->AddExtraTitlesRow("Heat");
    H->Sim.AddFault(SiteId::ExtraTitles, sim::TFault::ErrorStatus(404));
    H->Main->StartDownload();
    QCOMPARE(H->Windows, 1);
    QVERIFY(test::FileNames(H->TargetDir.Path()).empty());
    QVERIFY(H->Prompt.Informations.empty() && H->Prompt.Errors.empty());
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::DownloadTest)
#include "DownloadTest.moc"
