#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HttpClient.h"
#include "SiteSearchFixture.h"
#include "adapters/SubDb.h"
#include "sitesim/Html.h"
#include "sitesim/HttpServer.h"
#include "sitesim/SimServer.h"
#include "sitesim/SubDbSite.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;
using sim::TSubDbSite;

constexpr const char* kLabelMarker = "[Subdb.net - HATA]";
constexpr const char* kModule = "/subdb/html/modules.php?name=Download_Subtitles&edsearch=";

// Film names do not contain one another, so each search finds one film.
const char* const kThreePages = "Y\xFDld\xFDz Sava\xFElar\xFD";  // 45 subtitles
const char* const kTwoPages = "Kara Tren";                       // 40
const char* const kOnePage = "Mavi Deniz";                        // 20
const char* const kPageInName = "The page=One Story";             // 25

sim::TCatalogue TestCatalogue() {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm(kThreePages, 2004, 45);
  catalogue.AddGeneratedFilm(kTwoPages, 2001, 40);
  catalogue.AddGeneratedFilm(kOnePage, 1999, 20);
  catalogue.AddGeneratedFilm(kPageInName, 2003, 25);
  return catalogue;
}

// `languageItem` as the window's language list names it.
std::string QueryFor(std::string_view film, std::string_view languageItem) {
  return BuildSubDbQuery(film, SubDbLanguage(languageItem));
}

class SubDbSearch : public test::TSiteSearchFixture<SiteId::SubDb, QueryFor, TestCatalogue> {
 protected:
  std::vector<const sim::TSimSubtitle*> Expected(const std::string& film, const std::string& language = "") const {
    return TSubDbSite(Sim.Catalogue()).Matches({film, language, 1});
  }

  TSubtitleInfo RecordOf(const sim::TSimSubtitle& subtitle, const std::string& base) const {
    TSubtitleInfo record;
    record.FilmName = Sim.Catalogue().FilmOf(subtitle).Name;
    record.Url = base + "subdb/html/" + TSubDbSite::DownloadLink(subtitle);
    record.Language = subtitle.Language;
    record.CdCount = std::to_string(subtitle.CdCount);
    record.Format = subtitle.Format;
    record.Fps = subtitle.Fps;
    record.DateAdded = test::ShortDate(subtitle.Date);
    record.Uploader = subtitle.Uploader;
    return record;
  }

  static std::string PageTarget(const std::string& film, const std::string& language, int page) {
    return kModule + UrlEncode(film) + "&combo_language=" + language + "&fast_search=1&page=" + std::to_string(page);
  }

};

TEST_F(SubDbSearch, ThreePagesArriveCompleteInPageOrderDirectAndThroughProxy) {
  for (const bool viaProxy : {false, true}) {
    SCOPED_TRACE(viaProxy ? "through the proxy" : "direct");
    Reset();
    auto thread = NewThread(kThreePages, "All", viaProxy);
    const std::string base = thread->Site().Base();
    RunToEnd(thread);

    const auto expected = Expected(kThreePages);
    ASSERT_EQ(expected.size(), 45u);
    ASSERT_EQ(Records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Records[i], RecordOf(*expected[i], base)) << i;
    EXPECT_TRUE(Registry.Errors.empty());

    const auto requests = Sim.RequestsTo(SiteId::SubDb);
    ASSERT_EQ(requests.size(), 3u);
    const std::string prefix = viaProxy ? "http://www.subdb.net" : "";
    for (int page = 1; page <= 3; ++page) {
      const auto& request = requests[static_cast<std::size_t>(page - 1)];
      EXPECT_EQ(request.Method, "GET");
      EXPECT_EQ(request.Target, prefix + PageTarget(kThreePages, "[all%20languages]", page));
      EXPECT_EQ(request.Header("accept-encoding"), "gzip, deflate");
      EXPECT_EQ(request.Proxied, viaProxy);
    }
  }
}

TEST_F(SubDbSearch, PageCountFollowsTheStatedTotal) {
  const struct {
    const char* Film;
    std::size_t Results;
    std::size_t Requests;
  } cases[] = {{kOnePage, 20, 1}, {kTwoPages, 40, 2}, {kThreePages, 45, 3}, {"no such film", 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Film);
    Reset();
    RunToEnd(NewThread(c.Film, "", false));
    EXPECT_EQ(Records.size(), c.Results);
    const auto requests = Sim.RequestsTo(SiteId::SubDb);
    ASSERT_EQ(requests.size(), c.Requests);
    EXPECT_EQ(requests.back().Target, PageTarget(c.Film, "", static_cast<int>(c.Requests)));
    EXPECT_TRUE(Registry.Errors.empty());
  }
}

TEST_F(SubDbSearch, LanguageChoosesTheRows) {
  RunToEnd(NewThread(kThreePages, "Turkish  ", false));
  const auto expected = Expected(kThreePages, "turkish");
  ASSERT_FALSE(expected.empty());
  ASSERT_EQ(Records.size(), expected.size());
  for (const auto& record : Records) EXPECT_EQ(record.Language, "Turkish");
  EXPECT_EQ(Sim.RequestsTo(SiteId::SubDb).at(0).Target, PageTarget(kThreePages, "turkish", 1));

  // A language name with blanks goes out with %20 in their place.
  Reset();
  RunToEnd(NewThread(kThreePages, "Chinese GB Code", false));
  EXPECT_TRUE(Records.empty());
  EXPECT_TRUE(Registry.Errors.empty());
  EXPECT_EQ(Sim.RequestsTo(SiteId::SubDb).at(0).Target, PageTarget(kThreePages, "chinese%20gb%20code", 1));
}

TEST_F(SubDbSearch, FailedFirstPageGivesOneMarkerAndNoRecords) {
  const std::string page = sim::GzipMember(TSubDbSite(Sim.Catalogue()).ResultPage({kOnePage, "", 1}));
  const TFault faults[] = {
      TFault::ErrorStatus(500),
      TFault::ErrorStatus(404),
      TFault::ResetMidBody(),
      TFault::ReplaceBody("<html>not compressed</html>"),
      TFault::ReplaceBody(page.substr(0, page.size() / 2)),
      TFault::ReplaceBody("short"),
  };
  for (const auto& fault : faults) {
    Reset();
    Sim.AddFault(SiteId::SubDb, fault);
    RunToEnd(NewThread(kOnePage, "All", true));
    EXPECT_TRUE(Records.empty());
    EXPECT_EQ(Registry.Errors, std::vector<std::string>{kLabelMarker});
    EXPECT_EQ(Sim.RequestsTo(SiteId::SubDb).size(), 1u);
  }
}

TEST_F(SubDbSearch, FailedMiddlePageAddsOneMarkerAndTheNextPageStillComes) {
  for (const auto& fault : {TFault::ErrorStatus(500), TFault::ReplaceBody("not gzip")}) {
    Reset();
    Sim.AddFault(SiteId::SubDb, TFault(fault).When("page=2"));
    auto thread = NewThread(kThreePages, "All", true);
    const std::string base = thread->Site().Base();
    RunToEnd(thread);
    EXPECT_EQ(Registry.Errors, std::vector<std::string>{kLabelMarker});
    const auto expected = Expected(kThreePages);
    ASSERT_EQ(Records.size(), 25u);
    for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(Records[i], RecordOf(*expected[i], base));
    for (std::size_t i = 20; i < 25; ++i) EXPECT_EQ(Records[i], RecordOf(*expected[i + 20], base));
    const auto requests = Sim.RequestsTo(SiteId::SubDb);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[2].Target.ends_with("&page=3"));
  }
}

TEST_F(SubDbSearch, FilmNameHoldingPageKeyKeepsItsPages) {
  // The film's "=" is encoded, so the page number is put after the query's own "page=".
  RunToEnd(NewThread("page=", "", false));
  const auto requests = Sim.RequestsTo(SiteId::SubDb);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Target, PageTarget("page=", "", 1));
  EXPECT_EQ(requests[1].Target, PageTarget("page=", "", 2));
  EXPECT_EQ(Records.size(), 25u);
  EXPECT_TRUE(Registry.Errors.empty());
}

TEST_F(SubDbSearch, BadPagesEndQuietlyKeepingEarlierRecords) {
  const auto rows = Expected(kOnePage);
  const std::vector<const sim::TSimSubtitle*> two(rows.begin(), rows.begin() + 2);
  const std::string twoRows = TSubDbSite::PageOf(Sim.Catalogue(), two, kOnePage, "Total items found = 45 of 3 pages");
  const struct {
    std::string Name;
    std::string FirstPage;     // empty: the site's own
    std::string SecondPage;    // empty: the site's own
    std::size_t Records;
    std::size_t Requests;
  } cases[] = {
      {"row cut short at the page end", twoRows + "<b>Title:</b>", "", 2, 1},
      {"total not a number",
       TSubDbSite::PageOf(Sim.Catalogue(), two, kOnePage, "Total items found = many of 3 pages"), "", 2, 1},
      {"total beyond 32 bits",
       TSubDbSite::PageOf(Sim.Catalogue(), two, kOnePage, "Total items found = 2147483648 of 9 pages"), "", 2, 1},
      {"date with too few parts on page 2", "",
       twoRows + "<b>Title:</b> X<b>Added on:</b> 2004-05<b>Thanks to:</b> x", 22, 2},
      {"page 2 not html at all", "", std::string(3000, '\xFF') + "<a href=\"unbalanced>&#999;", 25, 3},
      {"page 2 empty", "", " ", 25, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Reset();
    const char* film = c.FirstPage.empty() ? kThreePages : kOnePage;
    if (!c.FirstPage.empty()) Sim.AddFault(SiteId::SubDb, TFault::ReplaceBody(sim::GzipMember(c.FirstPage)));
    if (!c.SecondPage.empty()) {
      Sim.AddFault(SiteId::SubDb, TFault::ReplaceBody(sim::GzipMember(c.SecondPage)).When("page=2"));
    }
    RunToEnd(NewThread(film, "", false));
    EXPECT_EQ(Records.size(), c.Records);
    EXPECT_EQ(Sim.RequestsTo(SiteId::SubDb).size(), c.Requests);
    EXPECT_TRUE(Registry.Errors.empty());
  }
}

TEST_F(SubDbSearch, DownloadLinkAnswersTheFile) {
  RunToEnd(NewThread(kOnePage, "", false));
  ASSERT_FALSE(Records.empty());
  const auto& subtitle = *Expected(kOnePage)[0];
  THttpClient client;
  EXPECT_EQ(client.Get(Records[0].Url), sim::SubtitleFileBytes(Sim.Catalogue(), subtitle));
  EXPECT_EQ(client.ResponseHeader("Content-Disposition"), "attachment; filename=\"" + subtitle.FileName + "\"");
}

// A first page that claims 2,000,000,000 results (100,000,000 pages) in front
// of a site whose every further page fails at once: each failure adds its
// marker until the search is stopped, and the stop is prompt and final.
TEST(SubDbHugePageCount, AbandonEndsTheLoopPromptly) {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm(kOnePage, 1999, 1);
  std::vector<const sim::TSimSubtitle*> rows{&catalogue.Subtitles()[0]};
  const std::string firstPage =
      sim::GzipMember(TSubDbSite::PageOf(catalogue, rows, kOnePage, TSubDbSite::TotalText(2000000000)));
  std::atomic<int> requests{0};
  sim::THttpServer server([&](const sim::TRequest& request) {
    ++requests;
    sim::TResponse response;
    if (request.Target.ends_with("&fast_search=1&page=1")) {
      response.Body = firstPage;
    } else {
      response.Status = 500;
      response.Body = "<html>Internal Server Error</html>";
    }
    return response;
  });
  server.Start("127.0.0.1", 0);

  auto ui = std::make_shared<TQueueDispatcher>();
  TSearchRegistry registry;
  std::vector<TSubtitleInfo> records;
  int ended = 0;
  auto thread = TSearchThread::Create(
      ui,
      {.Site = SiteId::SubDb,
       .Query = BuildSubDbQuery(kOnePage, ""),
       .Proxy = {.Use = true, .Host = "127.0.0.1", .Port = server.Port()}},
      {.OnRecord = [&](TSubtitleInfo& record) { records.push_back(record); },
       .OnErrorMarker = [&](const std::string& marker) { registry.Errors.push_back(marker); },
       .OnTerminate = [&](TSearchThread&) { ++ended; }},
      TSiteTable::Defaults());
  thread->Start();

  ASSERT_TRUE(ui->ProcessUntil([&] { return registry.Errors.size() >= 50; }, 60s));
  EXPECT_EQ(records.size(), 1u);
  const auto stopAt = std::chrono::steady_clock::now();
  thread->Abandon();
  const auto markers = registry.Errors.size();
  thread->Join();
  EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 5s);
  EXPECT_TRUE(thread->Finished());

  const int requestsAtEnd = requests.load();
  ui->ProcessUntil([] { return false; }, 200ms);
  EXPECT_EQ(registry.Errors.size(), markers);
  for (const auto& marker : registry.Errors) EXPECT_EQ(marker, kLabelMarker);
  EXPECT_EQ(records.size(), 1u);
  EXPECT_EQ(ended, 0);
  EXPECT_EQ(requests.load(), requestsAtEnd);
  server.Stop();
}

}  // namespace
}  // namespace velkaro
