#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "SearchCommand.h"
#include "SiteSearchFixture.h"
#include "TextHelpers.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;

constexpr const char* kFilm = "Generated Film";
constexpr std::size_t kSubtitles = 200;

sim::TCatalogue Generated() { return sim::TCatalogue::Standard().AddGeneratedFilm(kFilm, 2010, kSubtitles); }

// The query the dialog builds for the site, all languages, at most 200 results.
template <SiteId kSite>
std::string SiteQuery(const std::string& film, const std::string& language) {
  return BuildSiteQuery(kSite, film, language, 200);
}

// What singles out a request of `site` for one subtitle, or for a result page.
std::string DetailOf(SiteId site, int id) {
  return (site == SiteId::ExtraTitles ? "rid=" : "ID=") + std::to_string(id);
}

template <typename TSite>
class ParallelSearch : public test::TSiteSearchFixture<TSite::value, &SiteQuery<TSite::value>, &Generated> {
 protected:
  static constexpr SiteId kSite = TSite::value;

  // A search with the faults and the latency set up so far.
  std::vector<TSubtitleInfo> Search(int connections) {
    this->Records.clear();
    this->Registry.Errors.clear();
    this->Ended = 0;
    this->Sim.ClearRequests();
    auto thread =
        this->NewThread(kFilm, std::string("All"), false, [connections](TSearchRequest& r) { r.Connections = connections; });
    this->RunToEnd(thread);
    return this->Records;
  }

  // Requests that answer late, so that those sent after them end first.
  void SlowDown(std::chrono::milliseconds wait) {
    const auto& subtitles = this->Sim.Catalogue().Subtitles();
    const int first = subtitles[subtitles.size() - kSubtitles].Id;
    for (const int offset : {0, 2, 5, 31}) this->Sim.AddFault(kSite, TFault::Delay(wait).When(DetailOf(kSite, first + offset)));
    for (const char* page : {"page=2", "starts=50", "page=4"}) this->Sim.AddFault(kSite, TFault::Delay(wait).When(page));
  }
};

using TParallelSites = testing::Types<std::integral_constant<SiteId, SiteId::ExtraTitles>,
                                      std::integral_constant<SiteId, SiteId::DivxSubtitles>,
                                      std::integral_constant<SiteId, SiteId::SubDb>,
                                      std::integral_constant<SiteId, SiteId::Podnapisi>>;
TYPED_TEST_SUITE(ParallelSearch, TParallelSites);

TYPED_TEST(ParallelSearch, RowsAndTheirOrderDoNotDependOnConnections) {
  const auto oneByOne = this->Search(1);
  ASSERT_GE(oneByOne.size(), 40u);
  EXPECT_TRUE(this->Registry.Errors.empty());

  this->Sim.SetLatency(20ms);
  EXPECT_EQ(this->Search(6), oneByOne) << "with latency";

  this->SlowDown(150ms);
  this->Sim.SetLatency(5ms);
  EXPECT_EQ(this->Search(6), oneByOne) << "answers out of order";
  EXPECT_TRUE(this->Registry.Errors.empty());
  // Connections are kept for later requests: the search's own client, and at
  // most six for what goes out ahead.
  EXPECT_LE(this->Sim.ConnectionsTo(this->kSite), 7u);

  this->Sim.ClearFaults();
  this->Search(1);
  EXPECT_LE(this->Sim.ConnectionsTo(this->kSite), 2u);
}

// --- a failed detail page in the middle ------------------------------------

template <typename TSite>
using DetailSearch = ParallelSearch<TSite>;
using TDetailSites = testing::Types<std::integral_constant<SiteId, SiteId::ExtraTitles>,
                                    std::integral_constant<SiteId, SiteId::DivxSubtitles>>;
TYPED_TEST_SUITE(DetailSearch, TDetailSites);

TYPED_TEST(DetailSearch, FailedDetailPageInTheMiddleKeepsItsRecordInPlace) {
  const auto clean = this->Search(1);
  ASSERT_GE(clean.size(), 40u);

  const auto& subtitles = this->Sim.Catalogue().Subtitles();
  const int middle = subtitles[subtitles.size() - kSubtitles / 2].Id;
  this->Sim.SetLatency(5ms);
  this->Sim.AddFault(this->kSite, TFault::ErrorStatus(500).When(DetailOf(this->kSite, middle)));
  const auto faulty = this->Search(6);
  ASSERT_EQ(faulty.size(), clean.size());
  EXPECT_TRUE(this->Registry.Errors.empty());
  // Only that record differs, where it was, and keeps only what its row gave.
  std::vector<std::size_t> differing;
  for (std::size_t i = 0; i < clean.size(); ++i) {
    if (faulty[i] != clean[i]) differing.push_back(i);
  }
  ASSERT_EQ(differing.size(), 1u);
  const auto& record = faulty[differing[0]];
  EXPECT_EQ(record.FilmName, clean[differing[0]].FilmName);
  EXPECT_EQ(record.Language, clean[differing[0]].Language);
  EXPECT_TRUE(record.Fps.empty());
}

// Detail pages never carry the site's cookie, further pages always do.
TYPED_TEST(DetailSearch, DetailRequestsSendNoCookie) {
  this->Search(6);
  std::size_t details = 0;
  for (const auto& request : this->Sim.RequestsTo(this->kSite)) {
    const bool detail = Contains(request.Target, "rid=") || Contains(request.Target, "information.php?ID=");
    details += detail ? 1 : 0;
    const bool furtherPage = Contains(request.Target, "starts=");
    if (detail || furtherPage) {
      EXPECT_EQ(request.Header("cookie").empty(), detail) << request.Target;
    }
  }
  EXPECT_GE(details, 40u);
}

// A page fetched ahead sends the cookie that the search's own client got.
TEST(CookieJar, ClientsSharingItSendWhatEitherWasGiven) {
  sim::TSimServer sim;
  sim.Start();
  const std::string base = sim.DirectSites()[SiteId::DivxSubtitles].Base();
  const auto jar = std::make_shared<TCookieJar>();
  THttpClient first;
  first.ShareCookies(jar);
  first.SetContentType("application/x-www-form-urlencoded");
  first.Post(base + "page_searchedsubtitles.php", BuildSiteQuery(SiteId::DivxSubtitles, "matrix", "All", 0));

  THttpClient sharing;
  sharing.ShareCookies(jar);
  THttpClient alone;
  TTransferGroup group;
  group.StartGet(sharing, base + "sharing", nullptr);
  group.StartGet(alone, base + "alone", nullptr);
  group.WaitForOne();
  group.WaitForOne();

  const auto requests = sim.RequestsTo(SiteId::DivxSubtitles);
  ASSERT_EQ(requests.size(), 3u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.Header("cookie").empty(), request.Target != "/sharing") << request.Target;
  }
}

// --- Stop with requests in flight on every site ------------------------------

class ParallelStop : public test::TSiteSearchFixture<SiteId::ExtraTitles, &SiteQuery<SiteId::ExtraTitles>, &Generated> {};

TEST_F(ParallelStop, StopEndsEveryRequestInFlightAndHandsOverNothingMore) {
  const auto gate = std::make_shared<sim::TGate>();  // never opened
  Sim.AddFault(SiteId::ExtraTitles, TFault::Hold(gate).When("p=i&rid="));
  Sim.AddFault(SiteId::DivxSubtitles, TFault::Hold(gate).When("page_subtitleinformation.php"));
  Sim.AddFault(SiteId::DivxForever, TFault::Hold(gate));
  for (const SiteId site : {SiteId::SubDb, SiteId::Podnapisi}) {
    for (int page = 2; page <= 7; ++page) Sim.AddFault(site, TFault::Hold(gate).When("page=" + std::to_string(page)));
  }
  // The site's first request, then six held at once; DivxForever has but one.
  const std::vector<std::pair<SiteId, std::size_t>> inFlight = {
      {SiteId::ExtraTitles, 7}, {SiteId::DivxSubtitles, 7}, {SiteId::SubDb, 7}, {SiteId::Podnapisi, 7},
      {SiteId::DivxForever, 1}};

  std::vector<std::shared_ptr<TSearchThread>> threads;
  for (const auto& [site, requests] : inFlight) {
    auto thread = NewThread(kFilm, std::string("All"), false, [site](TSearchRequest& r) {
      r.Site = site;
      r.Query = BuildSiteQuery(site, kFilm, "All", 200);
      r.Connections = 6;
    });
    thread->Start();
    threads.push_back(thread);
  }
  ASSERT_TRUE(Ui->ProcessUntil(
      [&] {
        for (const auto& [site, requests] : inFlight) {
          if (Sim.RequestsTo(site).size() < requests) return false;
        }
        return true;
      },
      30s));

  const std::size_t handedOver = Records.size();
  for (const auto& thread : threads) thread->Abandon();
  for (const auto& thread : threads) thread->Join();
  const std::size_t requests = Sim.Requests().size();
  Ui->ProcessUntil([] { return false; }, 100ms);

  EXPECT_EQ(Records.size(), handedOver);
  EXPECT_EQ(Ended, 0);
  EXPECT_TRUE(Registry.Errors.empty());
  EXPECT_EQ(Sim.Requests().size(), requests);
  for (const auto& [site, count] : inFlight) EXPECT_EQ(Sim.RequestsTo(site).size(), count) << static_cast<int>(site);
}

}  // namespace
}  // namespace velkaro
