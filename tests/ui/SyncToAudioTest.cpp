// "Araçlar > Altyazıyı sese eşitle..." and the download option that does the
// same before a subtitle is placed, on a film whose speech the test made.

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CodePage.h"
#include "MainWindow.h"
#include "SyncFilms.h"
#include "SyncToAudioDialog.h"
#include "TestSupport.h"
#include "sitesim/ExtraTitlesSite.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

constexpr int kTimeoutMs = 60000;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The main window with the generated film as the last search's video and a
// subtitle 2.5 s late beside it.
struct THarness {
  sim::TSimServer Sim;
  test::TTempDir ProgramDir;
  test::TTempDir FilmDir;
  test::TRecordingPrompt Prompt;
  test::TSpeechFilm Film = test::SharedFilm(test::MkvFilm());
  std::filesystem::path Video = FilmDir.Path() / "Film.mkv";
  std::filesystem::path Subtitle = FilmDir.Path() / "Film.srt";
  std::vector<TSyncChoice> Offered;
  std::optional<TSyncChoice> Chosen;
  std::unique_ptr<TfrmMain> Main;

  THarness() {
    Sim.Start();
    std::filesystem::copy_file(Film.File, Video);
    test::WriteBytes(Subtitle, test::SubRipOf(Film.Cues, {1, 2500}));
    std::ofstream(ProgramDir.Path() / "conf.vkcf", std::ios::binary) << "-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n-1\r\n\r\n50\r\n0\r\n0\r\n";
    Main = std::make_unique<TfrmMain>(TMainWindowDeps{
        .Prompt = Prompt,
        .Files = TProgramFiles::InFolder(ProgramDir.Path()),
        .Sites = Sim.DirectSites(),
        .ShowDialog =
            [](QDialog& window) {
              window.show();
              // The advanced search opened from the video searches at once.
              if (window.objectName() == QStringLiteral("frmAllSearch")) {
                window.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
              }
              QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), kTimeoutMs);
            },
        .SaveDialog = [this](const TSaveDialogRequest&) { return std::optional(FilmDir.Path() / "download.srt"); },
        .AskSyncFiles =
            [this](const TSyncChoice& offered) {
              Offered.push_back(offered);
              return Chosen;
            },
    });
    Main->Session().SearchOptions.Format = "All";
  }

  void Trigger(const char* command) { Main->findChild<QAction*>(QLatin1String(command))->trigger(); }
};

}  // namespace

class SyncToAudioTest : public QObject {
  Q_OBJECT

  std::unique_ptr<THarness> H;

 private slots:
  void init() { H = std::make_unique<THarness>(); }
  void cleanup() { H.reset(); }

  void theToolAlignsAGeneratedPairAndReportsTheOffset() {
    // The last search is one from the video.
    H->Main->OpenVideos({H->Video});
    QCOMPARE(H->Main->HeldVideos().Videos, std::vector<std::filesystem::path>{H->Video});
    // Cancelled: nothing happens.
    H->Trigger("mmItemSyncToAudio");
    QCOMPARE(H->Offered.size(), 1u);
    QCOMPARE(H->Offered[0].Video, H->Video);
    QCOMPARE(H->Offered[0].Subtitle, H->Subtitle);
    QVERIFY(H->Prompt.Informations.empty() && H->Prompt.Errors.empty());

    H->Chosen = H->Offered[0];
    H->Trigger("mmItemSyncToAudio");
    QCOMPARE(H->Prompt.Errors, std::vector<std::string>{});
    QCOMPARE(H->Prompt.Informations.size(), 1u);
    const std::string& told = H->Prompt.Informations[0];
    QVERIFY2(Contains(told, Utf8ToCp1254(" sn geri, oran 1, güven ")), told.c_str());
    QVERIFY2(Contains(told, Utf8ToCp1254("Eşitlenen altyazı kaydedildi: ") + (H->FilmDir.Path() / "Film.synced.srt").string()),
             told.c_str());
    const test::TStartErrors errors =
        test::StartErrors(test::ReadBytes(H->FilmDir.Path() / "Film.synced.srt"), H->Film.Cues, {1, 2500});
    QVERIFY(errors.MedianMs <= 50 && errors.WorstMs <= 150);
  }

  // The held videos first, else those of the selected row's search, else nothing.
  void theChoiceStartsFromTheVideosAtHand() {
    H->Trigger("mmItemSyncToAudio");
    H->Main->Session().BeginSearch({.Film = "Film", .Videos = {H->Video}});
    TSubtitleInfo record;
    record.FilmName = "Film";
    record.Url = "http://example.invalid/1";
    H->Main->Session().AddResult(record);
    H->Trigger("mmItemSyncToAudio");
    H->Main->ResultView().selectRow(0);
    H->Trigger("mmItemSyncToAudio");
    const auto other = H->FilmDir.Path() / "Other.mkv";
    std::filesystem::copy_file(H->Video, other);
    H->Main->OpenVideos({other});
    H->Trigger("mmItemSyncToAudio");

    QCOMPARE(H->Offered.size(), 4u);
    QVERIFY(H->Offered[0].Video.empty() && H->Offered[0].Subtitle.empty());
    QVERIFY(H->Offered[1].Video.empty());
    QCOMPARE(H->Offered[2].Video, H->Video);
    QCOMPARE(H->Offered[2].Subtitle, H->Subtitle);
    QCOMPARE(H->Offered[3].Video, other);
    QVERIFY(H->Offered[3].Subtitle.empty());
  }

  void stopWhileTheSoundIsReadLeavesNothingWritten() {
    TfrmSyncToAudio dialog({H->Video, H->Subtitle}, H->Prompt);
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Altyazıyı sese eşitle"));
    auto& bar = *dialog.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    auto& stop = *dialog.findChild<QPushButton*>(QStringLiteral("Button1"));
    QCOMPARE(stop.text(), QStringLiteral("&Durdur"));
    // Stopped at the first progress: the worker's end, posted after it, is then dropped.
    int stoppedAt = -1;
    QObject::connect(&bar, &QProgressBar::valueChanged, &dialog, [&](int value) {
      if (stoppedAt < 0 && value > 0) {
        stoppedAt = value;
        stop.click();
      }
    });
    dialog.show();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kTimeoutMs);
    QVERIFY(stoppedAt > 0 && stoppedAt < 100);
    QCOMPARE(test::FileNames(H->FilmDir.Path()), (std::vector<std::string>{"Film.mkv", "Film.srt"}));
    QVERIFY(H->Prompt.Informations.empty() && H->Prompt.Errors.empty());
  }

  // The catalogue's subtitle is not this film's: with the option on, the
  // download says so and places it as it came.
  void downloadWithTheOptionOnSyncsBeforeItPlaces() {
    std::ofstream(H->ProgramDir.Path() / "velkaro.ini") << "[velkaro]\nsyncToAudio=1\n";
    std::filesystem::remove(H->Subtitle);
    H->Main->Session().BeginSearch({.Film = "Film", .Videos = {H->Video}});
    const auto& row = H->Sim.Catalogue().Subtitles().at(5);  // a single .srt
    TSubtitleInfo record{.FilmName = "Film", .Url = H->Sim.DirectSites()[SiteId::ExtraTitles].Base() +
                                                     sim::TExtraTitlesSite::DownloadLink(row),
                         .Language = "English", .CdCount = "1", .Fps = "25", .Format = "SubRip",
                         .DateAdded = "05.01.2005", .Uploader = "kemal"};
    H->Main->Session().AddResult(record);
    H->Main->ResultView().selectRow(0);
    H->Main->StartDownload();
    QCOMPARE(H->Prompt.Errors, std::vector<std::string>{});
    QCOMPARE(H->Prompt.Informations.size(), 1u);
    const std::string& told = H->Prompt.Informations[0];
    QVERIFY2(Contains(told, Utf8ToCp1254("Altyazı filmin sesine oturmadı")), told.c_str());
    QCOMPARE(test::ReadBytes(H->Subtitle), Cp1254ToUtf8(sim::SubtitleFileBytes(H->Sim.Catalogue(), row)));
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::SyncToAudioTest)
#include "SyncToAudioTest.moc"
