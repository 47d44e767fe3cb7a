#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SiteSearchFixture.h"
#include "adapters/DivxSubtitles.h"
#include "sitesim/DivxSubtitlesSite.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;

// "Küçük Ağa Serisi": Turkish letters in the film value of every request.
const std::string kSeries =
    "K\xFC\xE7\xFCk A\xF0"
    "a Serisi";
const std::string kSeriesEncoded = "K%FC%E7%FCk%20A%F0a%20Serisi";
constexpr const char* kRecordLink = "page_subtitleinformation.php?ID=";
constexpr const char* kLabelMarker = "[Divxsubtitles.net - HATA]";

sim::TCatalogue PagingCatalogue() {
  sim::TCatalogue catalogue;
  catalogue.AddGeneratedFilm(kSeries, 2004, 120);
  catalogue.AddGeneratedFilm("Alpha Fifty", 2001, 50);
  catalogue.AddGeneratedFilm("Beta Fiftyone", 2002, 51);
  catalogue.AddFilm({"Delta Nothing", 2003});
  catalogue.AddFilm({"\xDE\xFCkr\xFC Bey'in D\xFC\xF0\xFCn\xFC", 1999});
  catalogue.AddSubtitle({0, 0, "Turkish", "", 1, "", {2000, 2, 29}, "\xF6zg\xFCr", "sukru.srt"});
  catalogue.AddSubtitle({0, 0, "English", "25", 2, "SubRip", {2001, 12, 3}, "", "sukru.en.srt"});
  return catalogue;
}

// `languageItem` as the window's language list names it.
std::string QueryFor(std::string_view film, std::string_view languageItem) {
  return BuildDivxSubtitlesQuery(film, DivxSubtitlesLanguageCode(languageItem));
}

class DivxSubtitlesSearch : public test::TSiteSearchFixture<SiteId::DivxSubtitles, QueryFor, PagingCatalogue> {
 protected:
  // The record the program should make of `subtitle`, detail page included.
  TSubtitleInfo Expected(const sim::TSimSubtitle& subtitle, const std::string& base) const {
    TSubtitleInfo record;
    record.FilmName = Sim.Catalogue().FilmOf(subtitle).Name;
    record.Url = base + sim::TDivxSubtitlesSite::DetailPath(subtitle);
    record.Language = subtitle.Language;
    record.Format = subtitle.Format;
    record.CdCount = std::to_string(subtitle.CdCount);
    record.Uploader = subtitle.Uploader;
    record.DateAdded = sim::TDivxSubtitlesSite::DateText(subtitle.Date);
    std::replace(record.DateAdded.begin(), record.DateAdded.end(), '/', '.');
    record.Fps = subtitle.Fps;
    return record;
  }

  // The marker of a search sent straight to the stand-in, labelled by its host.
  std::string DirectMarker() const {
    return "[" + Sim.DirectSites()[SiteId::DivxSubtitles].ErrorLabel() + " - HATA]";
  }

  // Rows 1-40 from the first page, then 50 a page from row 51 on.
  std::vector<const sim::TSimSubtitle*> ShownRows(const std::string& film, int languageCode = -1) const {
    const auto all = Site.Matches(film, languageCode);
    std::vector<const sim::TSimSubtitle*> shown;
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (i < 40 || i >= 50) shown.push_back(all[i]);
    }
    return shown;
  }

  std::vector<sim::TRecordedRequest> PageRequests() const {
    auto requests = Sim.RequestsTo(SiteId::DivxSubtitles);
    std::erase_if(requests, [](const auto& r) { return r.Path != "/page_searchedsubtitles.php"; });
    return requests;
  }

  sim::TDivxSubtitlesSite Site{Sim.Catalogue()};
};

TEST_F(DivxSubtitlesSearch, ThreePagesArriveCompleteInPageOrderDirectAndThroughProxy) {
  for (const bool viaProxy : {false, true}) {
    SCOPED_TRACE(viaProxy ? "through the proxy" : "direct");
    Reset();
    auto thread = NewThread(kSeries, "", viaProxy);
    const std::string base = thread->Site().Base();
    RunToEnd(thread);

    const auto shown = ShownRows(kSeries);
    ASSERT_EQ(shown.size(), 110u);
    ASSERT_EQ(Records.size(), shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(Records[i], Expected(*shown[i], base)) << i;
    EXPECT_TRUE(Registry.Errors.empty());

    const auto pages = PageRequests();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].Method, "POST");
    EXPECT_EQ(pages[0].Body, "_language=-1&_format=-1&_date=-1&_grade=-2&_character=-1&_free=" + kSeriesEncoded +
                                 "&firstSearch=true&pageNo=1&recPerPage=40");
    EXPECT_EQ(pages[0].Header("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(pages[0].Header("accept-encoding"), "");
    EXPECT_EQ(pages[0].Header("cookie"), "");
    const std::string prefix = viaProxy ? base : "/";
    for (int n = 2; n <= 3; ++n) {
      const auto& page = pages[static_cast<std::size_t>(n - 1)];
      EXPECT_EQ(page.Method, "GET");
      EXPECT_EQ(page.Target,
                prefix + "page_searchedsubtitles.php?orderby=SubName&direction=&maxres=50&_free=" + kSeriesEncoded +
                    "&_character=-1&_language=-1&_date=-1&_format=-1&_grade=&nbcd=-1"
                    "&starts=" +
                    std::to_string((n - 1) * 50));
      // The session the first answer opened goes back; the site pages nothing without it.
      EXPECT_TRUE(page.Header("cookie").starts_with("PHPSESSID=ds")) << page.Header("cookie");
    }
    EXPECT_EQ(pages[1].Header("cookie"), pages[2].Header("cookie"));

    // One detail request per record, each on a client of its own: no cookie.
    const auto all = Sim.RequestsTo(SiteId::DivxSubtitles);
    ASSERT_EQ(all.size(), pages.size() + shown.size());
    for (const auto& request : all) {
      EXPECT_EQ(request.Proxied, viaProxy);
      if (request.Path == "/page_subtitleinformation.php") {
        EXPECT_EQ(request.Header("cookie"), "");
      }
    }
    // Without the session the site has no further page to give.
    if (!viaProxy) {
      THttpClient stranger;
      EXPECT_EQ(stranger.Get(base + DivxSubtitlesPagePath(thread->Request().Query, 2)).find(kRecordLink), std::string::npos);
    }
  }
}

TEST_F(DivxSubtitlesSearch, TotalsDecideTheFurtherPages) {
  struct TCase {
    std::string Film;
    std::vector<std::string> Starts;
    std::size_t Records;
  };
  const TCase cases[] = {
      {"Delta Nothing", {}, 0},
      {"Alpha Fifty", {}, 40},
      {"Beta Fiftyone", {"50"}, 41},
      {kSeries, {"50", "100"}, 110},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Film);
    Reset();
    RunToEnd(NewThread(c.Film, "", false));
    EXPECT_EQ(Records.size(), c.Records);
    const auto pages = PageRequests();
    ASSERT_EQ(pages.size(), 1 + c.Starts.size());
    for (std::size_t i = 0; i < c.Starts.size(); ++i) {
      EXPECT_TRUE(pages[i + 1].Target.ends_with("&starts=" + c.Starts[i])) << pages[i + 1].Target;
    }
    EXPECT_TRUE(Registry.Errors.empty());
  }
}

TEST_F(DivxSubtitlesSearch, LanguageAndQuotedFilmReachTheSite) {
  auto thread = NewThread("Serisi", "Turkish ", false);
  RunToEnd(thread);
  const auto shown = ShownRows("Serisi", 22);
  ASSERT_FALSE(shown.empty());
  ASSERT_EQ(Records.size(), shown.size());
  for (const auto& record : Records) EXPECT_EQ(record.Language, "Turkish");
  EXPECT_TRUE(PageRequests()[0].Body.starts_with("_language=22&"));

  // N/A cells and an empty uploader leave their fields empty.
  Reset();
  RunToEnd(NewThread("Bey'in", "", false));
  const auto base = thread->Site().Base();
  const auto matches = Site.Matches("Bey'in", -1);
  ASSERT_EQ(Records.size(), 2u);
  EXPECT_EQ(Records[0], Expected(*matches[0], base));
  EXPECT_EQ(Records[0].Format, "");
  EXPECT_EQ(Records[0].Fps, "");
  EXPECT_EQ(Records[1], Expected(*matches[1], base));
}

TEST_F(DivxSubtitlesSearch, FailedFirstRequestGivesOneMarkerAndNoRecords) {
  for (const auto& fault : {TFault::ErrorStatus(500), TFault::ErrorStatus(404), TFault::ResetMidBody()}) {
    Reset();
    Sim.AddFault(SiteId::DivxSubtitles, fault);
    RunToEnd(NewThread(kSeries, "", true));
    EXPECT_TRUE(Records.empty());
    EXPECT_EQ(Registry.Errors, std::vector<std::string>{kLabelMarker});
    EXPECT_EQ(Sim.RequestsTo(SiteId::DivxSubtitles).size(), 1u);
  }
}

TEST_F(DivxSubtitlesSearch, FailedDetailRequestLeavesOnlyTheFrameRateEmpty) {
  Sim.AddFault(SiteId::DivxSubtitles, TFault::ErrorStatus(500).When("page_subtitleinformation.php"));
  auto thread = NewThread("Alpha Fifty", "", false);
  RunToEnd(thread);
  const auto shown = ShownRows("Alpha Fifty");
  ASSERT_EQ(Records.size(), shown.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    TSubtitleInfo expected = Expected(*shown[i], thread->Site().Base());
    expected.Fps.clear();
    EXPECT_EQ(Records[i], expected);
  }
  EXPECT_TRUE(Registry.Errors.empty());
}

// A bad page ends the search, keeping what came before it; a lost page is
// reported with the site's marker.
TEST_F(DivxSubtitlesSearch, BadPagesEndTheSearchKeepingEarlierRecords) {
  const auto firstRows = Site.PageRows({kSeries, -1, 0, 40});
  const std::string firstPage = Site.ResultPage(firstRows, 120, kSeries);
  std::string notANumber = firstPage;
  ReplaceText(notANumber, "<b>120</b>", "<b>120+</b>");
  // Cut inside the third row: its cells run past the end of the page.
  const std::string cutShort =
      firstPage.substr(0, firstPage.find("<nobr>", firstPage.find("ID=" + std::to_string(firstRows[2]->Id))));

  struct TCase {
    const char* Name;
    std::vector<TFault> Faults;
    std::size_t Records;
    std::size_t PageRequests;
    std::size_t Markers;
    // How the diagnostics tell the end: a start and an end of the last line.
    const char* EndStart;
    const char* EndEnd;
  };
  const TCase cases[] = {
      {"empty first page", {TFault::ReplaceBody("").When("searchedsubtitles")}, 0, 1, 0, "finished with 0 records",
       ""},
      {"total not a number", {TFault::ReplaceBody(notANumber).When("searchedsubtitles")}, 40, 1, 0,
       "page layout not recognised: '120+' is not a valid integer value in the page count of page 1",
       "(40 records before it)"},
      {"row cut short", {TFault::ReplaceBody(cutShort).When("searchedsubtitles")}, 2, 1, 0,
       "page layout not recognised: token ", " missing in the row walk of page 1 (2 records before it)"},
      {"third page fails", {TFault::ErrorStatus(500).When("starts=100")}, 90, 3, 1, "HTTP 500 on page 3 (90 records)",
       ""},
      {"second page reset", {TFault::ResetMidBody().When("starts=50")}, 40, 2, 1, "", " on page 2 (40 records)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Reset();
    for (const auto& fault : c.Faults) Sim.AddFault(SiteId::DivxSubtitles, fault);
    std::vector<std::string> lines;
    auto thread = NewThread(kSeries, "", false, [&lines](TSearchRequest& r) {
      r.Diagnostics = std::make_shared<TDiagnostics>([&lines](std::string_view line) { lines.emplace_back(line); });
    });
    RunToEnd(thread);
    EXPECT_EQ(Records.size(), c.Records);
    EXPECT_EQ(PageRequests().size(), c.PageRequests);
    EXPECT_EQ(Registry.Errors, std::vector<std::string>(c.Markers, DirectMarker()));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines.back().starts_with(std::string("[DivxSubtitles] ") + c.EndStart)) << lines.back();
    EXPECT_TRUE(lines.back().ends_with(c.EndEnd)) << lines.back();
  }
}

// A stated total of two billion makes forty million further pages; the
// search must end on its own when they fail and on Stop when they hang or
// come back empty.
TEST_F(DivxSubtitlesSearch, HugeTotal) {
  const std::string hugePage = Site.ResultPage(Site.PageRows({kSeries, -1, 0, 3}), 2000000000, kSeries);
  const auto furtherPages = [this] {
    std::size_t count = 0;
    for (const auto& request : PageRequests()) count += request.Method == "GET" ? 1 : 0;
    return count;
  };

  Sim.AddFault(SiteId::DivxSubtitles, TFault::ReplaceBody(hugePage).When("searchedsubtitles"));
  Sim.AddFault(SiteId::DivxSubtitles, TFault::ErrorStatus(503).When("starts="));
  RunToEnd(NewThread(kSeries, "", false));
  EXPECT_EQ(Records.size(), 3u);
  EXPECT_EQ(furtherPages(), 1u);
  EXPECT_EQ(Registry.Errors, std::vector<std::string>{DirectMarker()});

  for (const auto& further : {TFault::Delay(120s), TFault::ReplaceBody("")}) {
    Reset();
    Sim.AddFault(SiteId::DivxSubtitles, TFault::ReplaceBody(hugePage).When("searchedsubtitles"));
    Sim.AddFault(SiteId::DivxSubtitles, further.When("starts="));
    auto thread = NewThread(kSeries, "", false);
    thread->Start();
    const std::size_t wanted = further.Kind == TFault::TKind::Delay ? 1 : 20;
    ASSERT_TRUE(Ui->ProcessUntil([&] { return furtherPages() >= wanted; }, 30s));
    const auto stop = std::chrono::steady_clock::now();
    thread->Abandon();
    thread->Join();
    EXPECT_LT(std::chrono::steady_clock::now() - stop, 5s);
    EXPECT_TRUE(thread->Finished());
    Ui->ProcessUntil([] { return false; }, 100ms);
    EXPECT_EQ(Records.size(), 3u);
    EXPECT_EQ(Ended, 0);
    EXPECT_TRUE(Registry.Errors.empty());
  }
}

}  // namespace
}  // namespace velkaro
