// The window's best match, against the stand-in sites with videos made on
// the spot: a search from videos scores its rows in "Uyum" and selects the
// best, "En uygununu indir" puts it beside every part without a dialog, and
// with fetchBestOnOpen opening the videos does the whole way.

#include <QAction>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "EngineText.h"
#include "MainWindow.h"
#include "ResultList.h"
#include "TestSupport.h"
#include "TextHelpers.h"
#include "VideoFixtures.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

constexpr int kTimeoutMs = 60000;
// The catalogue's trap films used here: two parts found by their own title;
// one part whose title the sites spell otherwise, listed with a row that holds
// another film's subtitle.
constexpr std::size_t kTwoParts = 3;
constexpr std::size_t kVariantAndTrap = 2;

struct THarness {
  sim::TSimServer Sim;
  test::TTempDir Dir;
  test::TRecordingPrompt Prompt;
  std::vector<QString> Dialogs;
  std::vector<std::filesystem::path> StartVideos;
  std::unique_ptr<TfrmMain> Window;

  THarness() {
    Sim.Start();
    // Every site ticked, the language "All", no dialog at start.
    std::ofstream out(Dir.Path() / "conf.vkcf", std::ios::binary);
    for (const char* line : {"-1", "-1", "-1", "-1", "-1", "0", "", "50", "0", "0"}) out << line << "\r\n";
  }

  const sim::TTrapFilm& Film(std::size_t index) const { return Sim.Catalogue().TrapFilms().at(index); }

  std::vector<std::filesystem::path> MakeVideos(std::size_t index) const {
    const sim::TTrapFilm& film = Film(index);
    const auto folder = Dir.Path() / "films" / std::to_string(index);
    std::filesystem::create_directories(folder);
    std::vector<std::filesystem::path> videos;
    for (const auto& name : film.VideoNames()) {
      videos.push_back(test::MakeVideo(folder / name, {film.Fps == "25" ? "25" : "24000/1001", "mpeg4",
                                                       static_cast<double>(film.PartMs) / 1000}));
    }
    return videos;
  }

  void WriteIni(const char* text) const { std::ofstream(Dir.Path() / "velkaro.ini", std::ios::binary) << text; }

  TfrmMain& Open() {
    Window = std::make_unique<TfrmMain>(TMainWindowDeps{
        .Prompt = Prompt,
        .Files = TProgramFiles::InFolder(Dir.Path()),
        .Sites = Sim.DirectSites(),
        .ShowDialog =
            [this](QDialog& dialog) {
              Dialogs.push_back(QString::fromLatin1(dialog.metaObject()->className()));
              if (auto* search = dialog.findChild<QPushButton*>(QStringLiteral("Button1"))) search->click();
            },
        .OpenUrl = [](const QUrl&) { return true; },
        .SaveDialog = [](const TSaveDialogRequest&) { return std::optional<std::filesystem::path>(); },
        .VideosAtStart = StartVideos,
    });
    return *Window;
  }

  QAction& Action(const char* name) const { return *Window->findChild<QAction*>(QString::fromLatin1(name)); }

  // The text of the right film's last cue for `cd`, as made ready.
  std::string OwnCue(std::size_t index, int cd) const {
    const auto& catalogue = Sim.Catalogue();
    const auto& name = catalogue.FilmOf(*catalogue.FindSubtitle(Film(index).RightId)).Name;
    return Cp1254ToUtf8(name) + " - CD " + std::to_string(cd) + ", 12/12";
  }

  void WaitForSearchEnd() const {
    QTRY_VERIFY_WITH_TIMEOUT(Window->Session().Idle() && Window->ResultView().selectionModel()->hasSelection(),
                             kTimeoutMs);
  }
};

std::filesystem::path Beside(const std::filesystem::path& video) {
  return std::filesystem::path(video).replace_extension(".srt");
}

}  // namespace

class BestMatchTest : public QObject {
  Q_OBJECT

  std::unique_ptr<THarness> H;

 private slots:
  void init() { H = std::make_unique<THarness>(); }
  void cleanup() { H.reset(); }

  void searchFromTwoPartsShowsUyumAndTheBestRowThenFetchesItBesideBothParts() {
    const auto parts = H->MakeVideos(kTwoParts);
    TfrmMain& window = H->Open();
    QVERIFY(!H->Action("cmdFetchBest").isEnabled());
    window.OpenVideos(parts);
    QCOMPARE(H->Dialogs.size(), 1u);
    H->WaitForSearchEnd();

    QAbstractItemModel& model = *window.ResultView().model();
    QCOMPARE(model.columnCount(), 9);
    QCOMPARE(model.headerData(8, Qt::Horizontal).toString(), QStringLiteral("Uyum"));
    // The videos' CD count and frame rate no longer filter: they are scored.
    QCOMPARE(window.Session().SearchOptions.CdCount, -1);
    const auto& rows = window.Session().Rows().All();
    QVERIFY(std::any_of(rows.begin(), rows.end(), [](const TResultRow& row) { return row.Info.CdCount == "1"; }));

    // Of the rows with the best score, one the program downloads itself.
    const std::size_t best = *window.SelectedRow();
    const TResultRow& row = rows[best];
    QCOMPARE(row.Fit->Score, rows.front().Fit->Score);
    QVERIFY(row.Icon != TRowIcon::WebPage);
    QCOMPARE(row.Info.FilmName, H->Film(kTwoParts).Title);
    QCOMPARE(row.Info.Language, std::string("Turkish"));
    QCOMPARE(row.Info.CdCount, std::string("2"));
    QCOMPARE(row.Info.Format, std::string("SubRip"));
    for (const auto& other : rows) QVERIFY(other.Fit && other.Fit->Score <= row.Fit->Score);
    const int shown = static_cast<int>(best);
    QCOMPARE(model.index(shown, 8).data().toString(), QString::number(row.Fit->Score));
    QCOMPARE(model.index(shown, 8).data(Qt::ToolTipRole).toString(), FromEngine(row.Fit->Reasons));
    QVERIFY(Contains(PropertiesText(row), "Uyum:  " + std::to_string(row.Fit->Score) + Utf8ToCp1254(" (Film adı aynı +40")));

    // Ctrl+E: no save dialog; the download goes to the cache folder and from there beside each part.
    QVERIFY(H->Action("cmdFetchBest").isEnabled());
    // Keys reach a window that shows.
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window.ResultView(), Qt::Key_E, Qt::ControlModifier);
    QVERIFY(window.FetchingBest());
    QTRY_VERIFY_WITH_TIMEOUT(!window.FetchingBest(), kTimeoutMs);
    QCOMPARE(H->Dialogs.size(), 1u);
    for (int cd = 1; cd <= 2; ++cd) {
      const auto subtitle = Beside(parts[static_cast<std::size_t>(cd - 1)]);
      QVERIFY2(std::filesystem::exists(subtitle), subtitle.c_str());
      QVERIFY(Contains(test::ReadBytes(subtitle), H->OwnCue(kTwoParts, cd)));
    }
    QVERIFY(!H->Prompt.Informations.empty());
    QVERIFY(H->Prompt.Informations.back().starts_with(Utf8ToCp1254("Videonun yanına konan altyazı: ")));
    QCOMPARE(window.PanelText(2), QString::fromUtf8("Altyazı videonun yanına kondu."));
    for (const auto& entry : std::filesystem::directory_iterator(H->Dir.Path())) {
      QVERIFY2(!entry.path().filename().string().starts_with("velkaro-fetch"), entry.path().c_str());
    }
  }

  void aPlainSearchHasNoUyumAndNothingToFetch() {
    TfrmMain& window = H->Open();
    H->Window->Session().SearchOptions.Format = "All";
    TSubtitleInfo record;
    record.FilmName = "Heat";
    record.Url = "http://www.extratitles.net/xsubt.subt.link.php?id=1&f=a.zip";
    window.Session().AddResult(record);
    QCOMPARE(window.ResultView().model()->columnCount(), 8);
    QVERIFY(!window.Session().Rows()[0].Fit);
    QVERIFY(!H->Action("cmdFetchBest").isEnabled());
    QVERIFY(!H->Action("btnFetchBest").isEnabled());
  }

  void withTheOptionOnOpeningVideosDoesTheWholeWay() {
    H->WriteIni("[velkaro]\nfetchBestOnOpen=1\n");
    const auto videos = H->MakeVideos(kVariantAndTrap);
    TfrmMain& window = H->Open();
    window.OpenVideos(videos);
    // No dialog: found under the title's variant, the row of another film's
    // subtitle refused, the film's own placed.
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(Beside(videos[0])), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(!window.FetchingBest() && !H->Prompt.Informations.empty(), kTimeoutMs);
    QVERIFY(H->Dialogs.empty());
    QVERIFY(Contains(test::ReadBytes(Beside(videos[0])), H->OwnCue(kVariantAndTrap, 1)));
    // The list stays filled for another choice.
    QVERIFY(window.Session().Rows().Count() > 5);
    QCOMPARE(window.ResultView().model()->columnCount(), 9);
  }

  void startedWithFilesTheWindowOpensThemAsTheMenuDoes() {
    H->StartVideos = H->MakeVideos(kTwoParts);
    TfrmMain& window = H->Open();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(H->Dialogs.size(), 1u);
    QCOMPARE(window.Session().CurrentSearch()->Videos, H->StartVideos);
    H->WaitForSearchEnd();
    QCOMPARE(window.ResultView().model()->columnCount(), 9);
  }
};

}  // namespace velkaro

QTEST_MAIN(velkaro::BestMatchTest)
#include "BestMatchTest.moc"
