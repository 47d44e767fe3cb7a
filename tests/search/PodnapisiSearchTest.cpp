#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "SiteSearchFixture.h"
#include "adapters/Podnapisi.h"
#include "sitesim/Html.h"
#include "sitesim/PodnapisiSite.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;

constexpr const char* kMarker = "[Podnapisi.net - HATA]";
// 25 subtitles: three pages of ten, ten and five.
constexpr const char* kFilm = "Kay\xFDp Giden Y\xFDllar";
constexpr const char* kSearched = "giden Y\xFDllar";
constexpr const char* kFirstQuery = "/index.php/ppodnapisi/search?tbsl=1&sK=giden%20Y%FDllar&sJ=0&submit=Search";

sim::TCatalogue TestCatalogue() {
  sim::TCatalogue catalogue = sim::TCatalogue::Standard();
  catalogue.AddGeneratedFilm(kFilm, 2006, 25);
  // A language the program's map does not know, and a frame rate the site leaves open.
  catalogue.AddFilm({"The Matrix Revisited", 2001});
  catalogue.AddSubtitle({0, 0, "Dutch", "Timecode", 1, "SubRip", {2002, 2, 2}, "joost", "revisited.nl.srt"});
  return catalogue;
}

std::string DayMonthYear(const sim::TSimDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", date.Day % 100, date.Month % 100, date.Year % 10000);
  return text;
}

// Languages go as the site's own codes (0: every language).
class PodnapisiSearch : public test::TSiteSearchFixture<SiteId::Podnapisi, BuildPodnapisiQuery, TestCatalogue> {
 protected:
  // What the program makes of a subtitle the site lists.
  TSubtitleInfo Expected(const sim::TSimSubtitle& subtitle, const std::string& base) const {
    const int siteCode = sim::PodnapisiSiteLanguageCode(subtitle.Language);
    TSubtitleInfo record;
    record.Url = base.substr(0, base.size() - 1) + sim::TPodnapisiSite::RecordLink(subtitle);
    record.Language = PodnapisiLanguageName(siteCode);
    record.FilmName = Sim.Catalogue().FilmOf(subtitle).Name;
    record.CdCount = std::to_string(subtitle.CdCount);
    record.Format = subtitle.Format;
    record.Fps = subtitle.Fps == "Timecode" ? "" : subtitle.Fps;
    record.Uploader = subtitle.Uploader;
    record.DateAdded = DayMonthYear(subtitle.Date);
    return record;
  }

  std::vector<const sim::TSimSubtitle*> Matches(const std::string& film, int language = 0) const {
    sim::TPodnapisiQuery query;
    query.Film = film;
    query.LanguageCode = language;
    return sim::TPodnapisiSite(Sim.Catalogue()).Matches(query);
  }

  // A first page served in place of the site's own.
  void ServeFirstPage(const std::string& html) {
    Sim.AddFault(SiteId::Podnapisi, TFault::ReplaceBody(sim::GzipMember(html)));
  }
};

TEST_F(PodnapisiSearch, ThreePagesArriveInOrderDirectAndThroughProxy) {
  for (const bool viaProxy : {false, true}) {
    SCOPED_TRACE(viaProxy ? "through the proxy" : "direct");
    Reset();
    auto thread = NewThread(kSearched, 0, viaProxy);
    const std::string base = thread->Site().Base();
    RunToEnd(thread);

    const auto expected = Matches(kSearched);
    ASSERT_EQ(expected.size(), 25u);
    ASSERT_EQ(Records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Records[i], Expected(*expected[i], base)) << i;
    EXPECT_EQ(Records[0].FilmName, kFilm);
    EXPECT_TRUE(Registry.Errors.empty());

    // The base's "/" and the query's own: every path begins with two slashes.
    const std::string prefix = viaProxy ? "http://www.podnapisi.net" : "";
    const auto requests = Sim.RequestsTo(SiteId::Podnapisi);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Target, prefix + "/" + kFirstQuery);
    EXPECT_EQ(requests[1].Target, prefix + "/" + kFirstQuery + "&page=2");
    EXPECT_EQ(requests[2].Target, prefix + "/" + kFirstQuery + "&page=3");
    for (const auto& request : requests) {
      EXPECT_EQ(request.Method, "GET");
      EXPECT_TRUE(request.Path.starts_with("//index.php/")) << request.Path;
      EXPECT_EQ(request.Header("accept-encoding"), "gzip, deflate");
      EXPECT_EQ(request.Proxied, viaProxy);
    }
  }
}

TEST_F(PodnapisiSearch, LanguageChoiceAndSinglePage) {
  const int turkish = PodnapisiLanguageCode("Turkish");
  RunToEnd(NewThread("matrix", turkish, false));
  const auto expected = Matches("matrix", turkish);
  ASSERT_EQ(expected.size(), 2u);
  ASSERT_EQ(Records.size(), 2u);
  for (const auto& record : Records) EXPECT_EQ(record.Language, "Turkish");
  const auto requests = Sim.RequestsTo(SiteId::Podnapisi);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Target, "/" + BuildPodnapisiQuery("matrix", 30));

  // Unknown to the map: the site's Dutch reads as no language, "Timecode" as no frame rate.
  Reset();
  RunToEnd(NewThread("revisited", PodnapisiLanguageCode(""), false));
  ASSERT_EQ(Records.size(), 1u);
  EXPECT_EQ(Records[0].Language, "");
  EXPECT_EQ(Records[0].Fps, "");
  EXPECT_EQ(Records[0].Uploader, "joost");
}

TEST_F(PodnapisiSearch, FailedFirstPageGivesOneMarkerAndNoRecords) {
  const std::string page = sim::GzipMember("<html><body>fine</body></html>");
  for (const auto& fault : {TFault::ErrorStatus(500), TFault::ErrorStatus(404), TFault::ResetMidBody(),
                            TFault::ReplaceBody("<html><body>not compressed</body></html>"),
                            TFault::ReplaceBody(page.substr(0, page.size() / 2)), TFault::ReplaceBody("short")}) {
    Reset();
    Sim.AddFault(SiteId::Podnapisi, fault);
    RunToEnd(NewThread(kSearched, 0, true));
    EXPECT_TRUE(Records.empty());
    EXPECT_EQ(Registry.Errors, std::vector<std::string>{kMarker});
    EXPECT_EQ(Sim.RequestsTo(SiteId::Podnapisi).size(), 1u);
  }
}

TEST_F(PodnapisiSearch, FailedSecondPageAddsOneMarkerAndTheThirdStillArrives) {
  Sim.AddFault(SiteId::Podnapisi, TFault::ErrorStatus(500).When("&page=2"));
  auto thread = NewThread(kSearched, 0, true);
  const std::string base = thread->Site().Base();
  RunToEnd(thread);
  const auto all = Matches(kSearched);
  ASSERT_EQ(Records.size(), 15u);
  for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(Records[i], Expected(*all[i], base));
  for (std::size_t i = 10; i < 15; ++i) EXPECT_EQ(Records[i], Expected(*all[i + 10], base));
  EXPECT_EQ(Registry.Errors, std::vector<std::string>{kMarker});
  EXPECT_EQ(Sim.RequestsTo(SiteId::Podnapisi).size(), 3u);
}

TEST_F(PodnapisiSearch, FirstPageWithoutAReadablePagerGivesNothing) {
  const auto rows = Matches("matrix");
  sim::TPodnapisiQuery query;
  query.Film = "matrix";
  const std::string page = sim::TPodnapisiSite::ResultPage(Sim.Catalogue(), rows, query, 1);
  const std::string icon = "/images/default/forum/pages_icon.gif";
  std::string withoutIcon = page;
  for (auto at = withoutIcon.find(icon); at != std::string::npos; at = withoutIcon.find(icon)) {
    withoutIcon.replace(at, icon.size(), "/images/default/spacer.gif");
  }
  std::string wordsOnly = page;
  for (auto at = wordsOnly.find(">1 Page<"); at != std::string::npos; at = wordsOnly.find(">1 Page<")) {
    wordsOnly.replace(at, 8, ">one page<");
  }
  for (const auto& html : {withoutIcon, wordsOnly}) {
    Reset();
    ServeFirstPage(html);
    RunToEnd(NewThread("matrix", 0, false));
    EXPECT_TRUE(Records.empty());
    EXPECT_TRUE(Registry.Errors.empty());
    EXPECT_EQ(Sim.RequestsTo(SiteId::Podnapisi).size(), 1u);
  }
}

TEST_F(PodnapisiSearch, RowThatRunsPastTheEndKeepsEarlierRecords) {
  const auto rows = Matches("matrix");
  ASSERT_GE(rows.size(), 3u);
  sim::TPodnapisiQuery query;
  query.Film = "matrix";
  std::string page = sim::TPodnapisiSite::ResultPage(Sim.Catalogue(), rows, query, 1);
  // The last row loses its release label and everything after it.
  page.resize(page.rfind("<td><b>Release:"));
  ServeFirstPage(page);
  auto thread = NewThread("matrix", 0, false);
  const std::string base = thread->Site().Base();
  RunToEnd(thread);
  ASSERT_EQ(Records.size(), rows.size() - 1);
  for (std::size_t i = 0; i < Records.size(); ++i) EXPECT_EQ(Records[i], Expected(*rows[i], base));
  EXPECT_TRUE(Registry.Errors.empty());
}

TEST_F(PodnapisiSearch, AbandonEndsAnEndlessPageLoopPromptly) {
  // Two thousand million pages, of which only the first answers.
  sim::TPodnapisiQuery query;
  query.Film = "matrix";
  ServeFirstPage(sim::TPodnapisiSite::ResultPage(Sim.Catalogue(), Matches("matrix"), query, 2000000000));
  Sim.AddFault(SiteId::Podnapisi, TFault::ErrorStatus(503).When("&page="));
  auto thread = NewThread("matrix", 0, false);
  thread->Start();
  ASSERT_TRUE(Ui->ProcessUntil([&] { return Registry.Errors.size() >= 5; }, 30s));
  EXPECT_EQ(Records.size(), Matches("matrix").size());

  const auto before = std::chrono::steady_clock::now();
  thread->Abandon();
  thread->Join();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  EXPECT_TRUE(thread->Finished());
  const std::size_t markers = Registry.Errors.size();
  Ui->ProcessUntil([] { return false; }, 200ms);
  EXPECT_EQ(Registry.Errors.size(), markers);
  EXPECT_EQ(Ended, 0);
  const auto requests = Sim.RequestsTo(SiteId::Podnapisi);
  ASSERT_GE(requests.size(), 6u);
  EXPECT_TRUE(requests.back().Target.ends_with("&page=" + std::to_string(requests.size())));
}

}  // namespace
}  // namespace velkaro
