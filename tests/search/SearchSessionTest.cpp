#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Dispatcher.h"
#include "ProxyFile.h"
#include "SearchCommand.h"
#include "SearchSession.h"
#include "TestSupport.h"
#include "adapters/ExtraTitles.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;
using sim::TFault;
using sim::TGate;

std::string Marker(const TSiteTable& sites, SiteId site) { return "[" + sites[site].ErrorLabel() + " - HATA]"; }

// The session as the window holds it, with real search threads against the stand-in sites.
class SearchSessionThreads : public testing::Test {
 protected:
  void SetUp() override {
    Sim.Start();
    Session = std::make_unique<TSearchSession>(Ui, Prompt, Sim.DirectSites(), TProgramFiles::InFolder(ProgramDir.Path()));
    // The dialog always sets the format before a search.
    Session->SearchOptions.Format = "All";
  }

  std::shared_ptr<TGate> HoldFirstRequest(SiteId site) {
    auto gate = std::make_shared<TGate>();
    Sim.AddFault(site, TFault::Hold(gate));
    return gate;
  }

  // A launch as the search command makes it, with the proxy file read then.
  void Launch(SiteId site) {
    Session->LaunchSearch(site, BuildSiteQuery(site, "matrix", "All", 50), "matrix",
                          TProxyFile::Read(Session->Files().PathOf(TProgramFile::Proxy)).ForSearch());
  }

  bool ProcessUntil(const std::function<bool()>& done) { return Ui->ProcessUntil(done, 60s); }

  std::string Searching(const std::vector<SiteId>& sites) const {
    std::string text;
    for (const SiteId site : sites) text += (text.empty() ? " [" : ", [") + std::string("matrix - ") + Session->Sites()[site].Name + "] ";
    return text + Utf8ToCp1254(" altyazıları aranıyor...");
  }

  test::TTempDir ProgramDir;
  sim::TSimServer Sim;
  std::shared_ptr<TQueueDispatcher> Ui = std::make_shared<TQueueDispatcher>();
  test::TRecordingPrompt Prompt;
  std::unique_ptr<TSearchSession> Session;
};

TEST_F(SearchSessionThreads, StatusListsRunningSearchesInLaunchOrder) {
  auto extra = HoldFirstRequest(SiteId::ExtraTitles);
  auto divx = HoldFirstRequest(SiteId::DivxSubtitles);
  auto subdb = HoldFirstRequest(SiteId::SubDb);
  Launch(SiteId::ExtraTitles);
  Launch(SiteId::DivxSubtitles);
  Launch(SiteId::SubDb);
  EXPECT_FALSE(Session->Idle());
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel),
            Searching({SiteId::ExtraTitles, SiteId::DivxSubtitles, SiteId::SubDb}));

  divx->Open();
  ASSERT_TRUE(ProcessUntil([&] { return Session->Registry.Threads.size() == 2; }));
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel), Searching({SiteId::ExtraTitles, SiteId::SubDb}));
  EXPECT_FALSE(Session->Idle());

  extra->Open();
  subdb->Open();
  ASSERT_TRUE(ProcessUntil([&] { return Session->Idle(); }));
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel), Tr1254(kSearchClean));
  EXPECT_TRUE(Prompt.Errors.empty());
}

TEST_F(SearchSessionThreads, MarkersSurviveStopAndAbandonedEndsChangeNothing) {
  const TSiteTable& sites = Session->Sites();
  Sim.AddFault(SiteId::ExtraTitles, TFault::ErrorStatus(500));
  auto divx = HoldFirstRequest(SiteId::DivxForever);
  Launch(SiteId::ExtraTitles);
  Launch(SiteId::DivxForever);
  ASSERT_TRUE(ProcessUntil([&] { return Session->Registry.Threads.size() == 1; }));
  ASSERT_EQ(Session->Registry.Errors, std::vector<std::string>{Marker(sites, SiteId::ExtraTitles)});

  Session->Stop();
  EXPECT_TRUE(Session->Idle());
  EXPECT_TRUE(Session->Registry.Threads.empty());
  const std::string stopped = Utf8ToCp1254("Aramada hatalar oluştu: ") + Marker(sites, SiteId::ExtraTitles);
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel), stopped);

  // The abandoned thread's end is queued while the next search starts.
  Sim.ClearFaults();
  auto next = HoldFirstRequest(SiteId::ExtraTitles);
  Launch(SiteId::ExtraTitles);
  const std::string searching = Searching({SiteId::ExtraTitles});
  divx->Open();
  Ui->ProcessUntil([] { return false; }, 300ms);
  EXPECT_EQ(Session->Registry.Threads.size(), 1u);
  EXPECT_EQ(Session->Registry.Errors.size(), 1u);
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel), searching);

  next->Open();
  ASSERT_TRUE(ProcessUntil([&] { return Session->Idle(); }));
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel), stopped);
  EXPECT_TRUE(Session->Registry.Errors.empty());
  EXPECT_GT(Session->Rows().Count(), 0u);
}

TEST_F(SearchSessionThreads, StopAndExitWithFiveSearchesRunning) {
  std::vector<std::shared_ptr<TGate>> gates;
  for (int id = 0; id < kSiteCount; ++id) gates.push_back(HoldFirstRequest(static_cast<SiteId>(id)));
  TSearchChoices choices;
  choices.TickAll();
  choices.Film = "matrix";
  ASSERT_TRUE(RunSearchCommand(*Session, choices, Prompt));
  ASSERT_EQ(Session->Registry.Threads.size(), 5u);
  ASSERT_TRUE(ProcessUntil([&] { return Sim.Requests().size() >= 5; }));

  Session->Stop();
  EXPECT_TRUE(Session->Idle());
  // Launch again and leave the program with these five still running.
  ASSERT_TRUE(RunSearchCommand(*Session, choices, Prompt));
  const auto start = std::chrono::steady_clock::now();
  Session.reset();
  Ui->Shutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_TRUE(Prompt.Errors.empty());
}

TEST_F(SearchSessionThreads, ProxyFileAtLaunch) {
  const auto proxyFile = ProgramDir.Path() / "proxy.txt";
  // No file: no proxy, no message.
  Launch(SiteId::ExtraTitles);
  EXPECT_FALSE(Session->Registry.Threads.back()->Request().Proxy.Use);
  EXPECT_TRUE(Prompt.Errors.empty());

  std::ofstream(proxyFile, std::ios::binary) << "1\r\nproxyhost\r\n";
  Launch(SiteId::ExtraTitles);
  const TSearchThread* withBadPort = Session->Registry.Threads.back();
  EXPECT_TRUE(withBadPort->Request().Proxy.Use);
  EXPECT_EQ(withBadPort->Request().Proxy.Host, "proxyhost");
  EXPECT_EQ(withBadPort->Request().Proxy.Port, 0);
  EXPECT_EQ(Prompt.Errors, std::vector<std::string>{Tr1254(kBadProxyPort)});

  std::ofstream(proxyFile, std::ios::binary | std::ios::trunc) << "1 \r\n10.0.0.5:3128\r\n";
  Launch(SiteId::ExtraTitles);
  EXPECT_FALSE(Session->Registry.Threads.back()->Request().Proxy.Use);

  std::ofstream(proxyFile, std::ios::binary | std::ios::trunc) << "1\r\n127.0.0.1:" << Sim.Port() << ":extra\r\n";
  Launch(SiteId::ExtraTitles);
  EXPECT_EQ(Session->Registry.Threads.back()->Request().Proxy.Port, Sim.Port());
  ASSERT_TRUE(ProcessUntil([&] { return Session->Idle(); }));
  EXPECT_EQ(Prompt.Errors.size(), 1u);
}

TEST_F(SearchSessionThreads, BadPortBoxesLeaveRegistryIdleAndMarkersWhole) {
  // Proxy on with neither host nor port: each launch shows the box, and the
  // searches still go straight to the stand-in sites.
  std::ofstream(ProgramDir.Path() / "proxy.txt", std::ios::binary) << "1\r\n\r\n";
  Sim.AddFault(SiteId::ExtraTitles, TFault::ErrorStatus(500));
  std::vector<bool> idleWhileBoxUp;
  // Each box stays up until every search launched before it has ended.
  Prompt.WhileErrorShown = [&] {
    ProcessUntil([&] { return Session->Registry.Threads.size() <= 1; });
    idleWhileBoxUp.push_back(Session->Idle());
  };
  TSearchChoices choices;
  choices.TickAll();
  choices.Film = "matrix";
  ASSERT_TRUE(RunSearchCommand(*Session, choices, Prompt));
  EXPECT_EQ(Prompt.Errors, std::vector<std::string>(kSiteCount, Tr1254(kBadProxyPort)));
  EXPECT_EQ(idleWhileBoxUp, std::vector<bool>(kSiteCount, false));
  EXPECT_FALSE(Session->Idle());
  EXPECT_EQ(Session->Registry.Threads.size(), 1u);
  ASSERT_TRUE(ProcessUntil([&] { return Session->Idle(); }));
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel),
            Utf8ToCp1254("Aramada hatalar oluştu: ") + Marker(Session->Sites(), SiteId::ExtraTitles));
  EXPECT_GT(Session->Rows().Count(), 0u);
}

TEST_F(SearchSessionThreads, StopWhileTheBoxIsUpStartsNothingMore) {
  std::ofstream(ProgramDir.Path() / "proxy.txt", std::ios::binary) << "1\r\n\r\n";
  Prompt.WhileErrorShown = [&] { Session->Stop(); };
  Launch(SiteId::ExtraTitles);
  EXPECT_TRUE(Session->Idle());
  EXPECT_TRUE(Session->Registry.Threads.empty());
  Ui->ProcessUntil([] { return false; }, 200ms);
  EXPECT_TRUE(Sim.Requests().empty());
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel), Tr1254(kSearchClean));
}

TEST_F(SearchSessionThreads, FilmWithAmpersandIsAskedForWholeOnEverySite) {
  TSearchChoices choices;
  choices.TickAll();
  choices.Film = "Fast & Furious";
  choices.FormatItem = "All";
  ASSERT_TRUE(RunSearchCommand(*Session, choices, Prompt));
  ASSERT_TRUE(ProcessUntil([&] { return Session->Idle(); }));
  EXPECT_EQ(Session->Panel(TSearchSession::kStatusPanel), Tr1254(kSearchClean));
  std::vector<std::string> sitesWithRows;
  EXPECT_EQ(Session->Rows().Count(), 2u * kSiteCount);
  for (const auto& row : Session->Rows().All()) {
    EXPECT_EQ(row.Column(0), "Fast & Furious");
    for (int id = 0; id < kSiteCount; ++id) {
      const auto& site = Session->Sites()[static_cast<SiteId>(id)];
      if (row.Column(1).starts_with(site.Base()) && std::ranges::find(sitesWithRows, site.Name) == sitesWithRows.end()) {
        sitesWithRows.push_back(site.Name);
      }
    }
  }
  EXPECT_EQ(sitesWithRows.size(), static_cast<std::size_t>(kSiteCount));
}

TEST_F(SearchSessionThreads, SearchCommandOrderAndChoices) {
  TSearchChoices choices;
  choices.TickAll();
  choices.Film = "matrix";
  choices.MaxText = "abc";
  choices.Fps = TFpsChoice::Custom;
  choices.CustomFps = "23.976";
  choices.FormatItem = "SubRip";
  ASSERT_TRUE(RunSearchCommand(*Session, choices, Prompt));
  std::vector<SiteId> launched;
  for (const auto* thread : Session->Registry.Threads) launched.push_back(thread->Request().Site);
  EXPECT_EQ(launched, std::vector<SiteId>(kLaunchOrder.begin(), kLaunchOrder.end()));
  EXPECT_EQ(Prompt.Errors, std::vector<std::string>{BadMaximumMessage(Session->Sites())});
  EXPECT_NE(Session->Registry.Threads.front()->Request().Query.find("&bp=20&"), std::string::npos);
  EXPECT_EQ(Session->SearchOptions.Fps, "23.976");
  EXPECT_EQ(Session->SearchOptions.Format, "SubRip");
  ASSERT_TRUE(ProcessUntil([&] { return Session->Idle(); }));
  // Every record that had a point in its frame rate is kept out by "23.976".
  EXPECT_EQ(Session->Rows().Count(), 0u);

  Prompt.Errors.clear();
  choices.Cd = TCdChoice::Custom;
  choices.CustomCd = "two";
  choices.FormatItem = "All";
  EXPECT_FALSE(RunSearchCommand(*Session, choices, Prompt));
  EXPECT_EQ(Session->SearchOptions.CdCount, -1);
  EXPECT_EQ(Session->SearchOptions.Format, "SubRip");
  EXPECT_EQ(Prompt.Errors.size(), 1u);
  EXPECT_TRUE(Session->Idle());

  TSearchChoices none;
  none.Film = "matrix";
  EXPECT_TRUE(RunSearchCommand(*Session, none, Prompt));
  EXPECT_TRUE(Session->Idle());
}

// A search's rows keep it, even those that arrive after another search has
// started: each row knows its film and, for a search from videos, its videos.
TEST_F(SearchSessionThreads, RowsKeepTheSearchTheyCameFrom) {
  auto held = HoldFirstRequest(SiteId::ExtraTitles);
  TSearchChoices byName;
  byName.Ticked[static_cast<std::size_t>(SiteId::ExtraTitles)] = true;
  byName.Film = "matrix";
  byName.FormatItem = "All";
  ASSERT_TRUE(RunSearchCommand(*Session, byName, Prompt));
  const TSearchOriginPtr first = Session->CurrentSearch();

  TSearchChoices fromVideos = byName;
  fromVideos.Ticked = {};
  fromVideos.Ticked[static_cast<std::size_t>(SiteId::SubDb)] = true;
  fromVideos.Videos = {ProgramDir.Path() / "The.Matrix.1999.avi"};
  ASSERT_TRUE(RunSearchCommand(*Session, fromVideos, Prompt));
  const TSearchOriginPtr second = Session->CurrentSearch();
  ASSERT_NE(first, second);
  EXPECT_EQ(second->Videos, fromVideos.Videos);
  EXPECT_FALSE(first->FromVideos());

  ASSERT_TRUE(ProcessUntil([&] { return Session->Registry.Threads.size() == 1; }));
  held->Open();
  ASSERT_TRUE(ProcessUntil([&] { return Session->Idle(); }));
  std::size_t late = 0;
  for (const auto& row : Session->Rows().All()) {
    const bool fromExtraTitles = row.Info.Url.starts_with(Session->Sites()[SiteId::ExtraTitles].Base());
    EXPECT_EQ(row.Origin, fromExtraTitles ? first : second) << row.Info.Url;
    late += fromExtraTitles ? 1 : 0;
  }
  EXPECT_GT(late, 0u);
  EXPECT_LT(late, Session->Rows().Count());
}

}  // namespace
}  // namespace velkaro
