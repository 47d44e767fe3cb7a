// The start-up version check against the stand-in maker's host: what reaches
// the window, in which order, and what is left on disk.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Dispatcher.h"
#include "Diagnostics.h"
#include "FileContent.h"
#include "ProgramVersion.h"
#include "TestSupport.h"
#include "UpdateThread.h"
#include "sitesim/SimServer.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;

using TState = std::pair<std::string, bool>;  // status panel 0 text, repainted at once
const TState kNoNewVersionState{Tr1254(kNoNewVersion), true};
const TState kAskedState{"", true};
const TState kFailedState{Tr1254(kCheckFailed), false};

// The queue the tests drain, telling them when a worker starts waiting on it.
class TWatchedDispatcher final : public IUiDispatcher {
 public:
  bool RunAndWait(std::function<void()> call, std::function<bool()> giveUp) override {
    {
      std::lock_guard lock(Mutex_);
      ++Waits_;
    }
    Changed_.notify_all();
    return Queue.RunAndWait(std::move(call), std::move(giveUp));
  }
  void Post(std::function<void()> call) override { Queue.Post(std::move(call)); }

  bool WaitForWaits(int count) {
    std::unique_lock lock(Mutex_);
    return Changed_.wait_for(lock, 10s, [&] { return Waits_ >= count; });
  }

  TQueueDispatcher Queue;

 private:
  std::mutex Mutex_;
  std::condition_variable Changed_;
  int Waits_ = 0;
};

class UpdateThreadTest : public testing::Test {
 protected:
  void SetUp() override { Sim.Start(); }

  sim::TUpdateSite& Maker() { return Sim.UpdateSite(); }
  std::filesystem::path BannerFile() const { return Dir.Path() / "rek.gif"; }

  // A check not yet started, straight at the stand-in's port.
  std::unique_ptr<TUpdateThread> NewCheck() {
    TUpdateView view;
    view.Prompt = &Prompt;
    view.ShowVersionState = [this](std::string_view text, bool repaint) {
      EXPECT_TRUE(Ui->Queue.IsOwnerThread());
      States.emplace_back(std::string(text), repaint);
    };
    view.OpenUrl = [this](const std::string& url) { Opened.push_back(url); };
    view.HandOverBanner = [this](std::string link, std::string gif) { Banners.emplace_back(link, gif); };
    auto check = std::make_unique<TUpdateThread>(Ui, std::move(view));
    check->UpdateHost = Sim.DirectSites().UpdateHost();
    check->Files = TProgramFiles::InFolder(Dir.Path());
    return check;
  }

  void RunToEnd(TUpdateThread& check) {
    check.Start();
    ASSERT_TRUE(Ui->Queue.ProcessUntil([&] { return check.Finished(); }, 30s)) << "the check did not end";
    Ui->Queue.ProcessPending();
  }

  void Run() {
    auto check = NewCheck();
    RunToEnd(*check);
  }

  // The paths asked of the maker's host, in order.
  std::vector<std::string> MakerPaths() const {
    std::vector<std::string> paths;
    for (const auto& request : Sim.Requests()) {
      if (request.Route == sim::kUpdateRouteKey) paths.push_back(request.Path);
    }
    return paths;
  }

  std::string MakerAddress(std::string_view path) const {
    return "http://" + Sim.DirectSites().UpdateHost() + std::string(path);
  }

  void Reset() {
    States.clear();
    Opened.clear();
    Banners.clear();
    Prompt.Questions.clear();
    Sim.ClearFaults();
    Sim.ClearRequests();
    std::filesystem::remove(BannerFile());
  }

  sim::TSimServer Sim;
  test::TTempDir Dir;
  test::TRecordingPrompt Prompt;
  std::shared_ptr<TWatchedDispatcher> Ui = std::make_shared<TWatchedDispatcher>();
  std::vector<TState> States;
  std::vector<std::string> Opened;
  std::vector<std::pair<std::string, std::string>> Banners;
};

TEST_F(UpdateThreadTest, CurrentVersionShowsNoNewVersionThenHandsOverTheBanner) {
  for (const char* version : {"1.24\n", "1.24", " \t1.24\r\n\r\n"}) {
    SCOPED_TRACE(version);
    Reset();
    Maker().SetVersionText(version);
    Run();
    EXPECT_EQ(States, std::vector<TState>{kNoNewVersionState});
    EXPECT_TRUE(Prompt.Questions.empty());
    ASSERT_EQ(Banners.size(), 1u);
    EXPECT_EQ(Banners[0].first, MakerAddress(sim::TUpdateSite::kClickPath));
    EXPECT_EQ(Banners[0].second, Maker().BannerImage());
    EXPECT_EQ(ReadFileContent(BannerFile()), Maker().BannerImage());
    // Four requests on one client, in this order.
    EXPECT_EQ(MakerPaths(), (std::vector<std::string>{"/vk/versiyon.php", "/vk/banner_config_link.txt",
                                                      "/vk/banner_config.txt", "/vk/banner.gif"}));
  }
}

TEST_F(UpdateThreadTest, AnyOtherVersionTextAsksAndTheBannerComesWhateverTheAnswer) {
  bool yes = false;
  for (const char* version : {"1.23\n", "1.25", "1.24b", "V1.24", "", "<html>1.24</html>"}) {
    SCOPED_TRACE(version);
    Reset();
    Maker().SetVersionText(version);
    Prompt.Answer = yes = !yes;
    Run();
    EXPECT_EQ(States, std::vector<TState>{kAskedState});
    EXPECT_EQ(Prompt.Questions, std::vector<std::string>{Tr1254(kUpdateQuestion)});
    EXPECT_EQ(Opened, yes ? std::vector<std::string>{kDownloadPage} : std::vector<std::string>{});
    EXPECT_EQ(Banners.size(), 1u);
  }
}

TEST_F(UpdateThreadTest, AFailedVersionRequestShowsTheErrorWithoutQuestionOrBanner) {
  const std::vector<std::pair<const char*, sim::TFault>> faults = {
      {"error status", sim::TFault::ErrorStatus(500)},
      {"reset mid-body", sim::TFault::ResetMidBody(2)},
      {"reply over 1 MiB", sim::TFault::ReplaceBody(std::string((1 << 20) + 1, '1'))},
  };
  for (const auto& [name, fault] : faults) {
    SCOPED_TRACE(name);
    Reset();
    Maker().SetVersionText("1.30\n");
    Sim.AddFault(std::string(sim::kUpdateRouteKey), fault.When("versiyon.php"));
    Run();
    EXPECT_EQ(States, std::vector<TState>{kFailedState});
    EXPECT_TRUE(Prompt.Questions.empty());
    EXPECT_TRUE(Banners.empty());
    EXPECT_EQ(MakerPaths(), std::vector<std::string>{"/vk/versiyon.php"});
    EXPECT_FALSE(std::filesystem::exists(BannerFile()));
  }
}

TEST_F(UpdateThreadTest, EachRequestAndTheEndAreToldInTheDiagnostics) {
  std::vector<std::string> lines;
  const auto diagnostics = std::make_shared<TDiagnostics>([&lines](std::string_view line) { lines.emplace_back(line); });
  Maker().SetVersionText("1.30\n");
  auto check = NewCheck();
  check->Diagnostics = diagnostics;
  RunToEnd(*check);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_TRUE(lines[0].starts_with("[update] GET " + MakerAddress("/vk/versiyon.php") + " -> 200, 5 bytes, ")) << lines[0];
  EXPECT_EQ(lines[1], std::string("[update] version 1.30 offered, this is ") + kProgramVersion);
  EXPECT_TRUE(lines[4].starts_with("[update] GET " + MakerAddress("/vk/banner.gif") + " -> 200, ")) << lines[4];
  EXPECT_EQ(lines[5], "[update] banner shown");

  // A failure says why rather than only that the check failed.
  Reset();
  lines.clear();
  Sim.AddFault(std::string(sim::kUpdateRouteKey), sim::TFault::ErrorStatus(500).When("versiyon.php"));
  check = NewCheck();
  check->Diagnostics = diagnostics;
  RunToEnd(*check);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].ends_with(": HTTP 500")) << lines[0];
  EXPECT_EQ(lines[1], "[update] failed: HTTP 500");
}

TEST_F(UpdateThreadTest, ABannerFailureReplacesTheVersionOutcome) {
  struct TCase {
    const char* Name;
    std::function<void()> Arrange;
  };
  const std::string route(sim::kUpdateRouteKey);
  const std::vector<TCase> cases = {
      {"pointer error status", [&] { Sim.AddFault(route, sim::TFault::ErrorStatus(404).When("config_link")); }},
      {"configuration reset", [&] { Sim.AddFault(route, sim::TFault::ResetMidBody(10).When("banner_config.txt")); }},
      {"image error status", [&] { Sim.AddFault(route, sim::TFault::ErrorStatus(500).When("banner.gif")); }},
      {"configuration of one line",
       [&] { Maker().SetBannerConfig(MakerAddress(sim::TUpdateSite::kImagePath) + "\r\n"); }},
      {"configuration with LF breaks only",
       [&] { Maker().SetBannerConfig(MakerAddress(sim::TUpdateSite::kImagePath) + "\nhttp://x/\n"); }},
      {"pointer with a line break",
       [&] {
         Sim.AddFault(
             route, sim::TFault::ReplaceBody(MakerAddress(sim::TUpdateSite::kConfigPath) + "\r\n").When("config_link"));
       }},
      {"image over 1 MiB",
       [&] {
         Sim.AddFault(route, sim::TFault::ReplaceBody("GIF89a" + std::string(1 << 20, 'g')).When("banner.gif"));
       }},
      {"image that is no GIF",
       [&] { Sim.AddFault(route, sim::TFault::ReplaceBody("<html>yok</html>").When("banner.gif")); }},
  };
  for (const bool current : {true, false}) {
    for (const auto& test : cases) {
      SCOPED_TRACE(std::string(test.Name) + (current ? ", current version" : ", after the question"));
      Reset();
      Maker().SetVersionText(current ? "1.24" : "1.23");
      Maker().SetBannerConfig(MakerAddress(sim::TUpdateSite::kImagePath) + "\r\n" +
                              MakerAddress(sim::TUpdateSite::kClickPath) + "\r\n");
      test.Arrange();
      Run();
      EXPECT_EQ(States, (std::vector<TState>{current ? kNoNewVersionState : kAskedState, kFailedState}));
      EXPECT_TRUE(Banners.empty());
    }
  }
}

TEST_F(UpdateThreadTest, AFailedWriteKeepsTheLastBannerFileWhole) {
  ASSERT_TRUE(ReplaceFileContent(BannerFile(), "GIF89a last start's banner"));
  // A folder where the new file would be written first, whoever runs the test.
  auto aside = BannerFile();
  aside += ".new";
  std::filesystem::create_directory(aside);
  Run();
  EXPECT_EQ(States, (std::vector<TState>{kNoNewVersionState, kFailedState}));
  EXPECT_TRUE(Banners.empty());
  EXPECT_EQ(ReadFileContent(BannerFile()), "GIF89a last start's banner");
}

TEST_F(UpdateThreadTest, ThroughTheProxyTheMakersRealHostIsAsked) {
  auto check = NewCheck();
  check->UpdateHost = TSiteTable::Defaults().UpdateHost();
  check->UseProxy = true;
  check->ProxyHost = sim::TSimServer::kLoopback;
  check->ProxyPort = Sim.Port();
  RunToEnd(*check);
  EXPECT_EQ(States, std::vector<TState>{kNoNewVersionState});
  ASSERT_EQ(Banners.size(), 1u);
  EXPECT_EQ(Banners[0].first, "http://www.velkaro.net/reklam.php");
  const auto requests = Sim.Requests();
  ASSERT_EQ(requests.size(), 4u);
  for (const auto& request : requests) {
    EXPECT_TRUE(request.Proxied);
    EXPECT_EQ(request.Host, "www.velkaro.net");
  }
}

TEST_F(UpdateThreadTest, AbandonedWhileTheQuestionWaitsTheWorkerEndsAndTouchesNothing) {
  Maker().SetVersionText("1.30\n");
  auto check = NewCheck();
  check->Start();
  ASSERT_TRUE(Ui->WaitForWaits(1));
  check->Abandon();
  check->Join();
  EXPECT_TRUE(check->Finished());
  // The question, still queued, finds the check abandoned.
  Ui->Queue.ProcessPending();
  check.reset();
  Ui->Queue.ProcessPending();
  EXPECT_TRUE(Prompt.Questions.empty());
  EXPECT_TRUE(States.empty());
  EXPECT_TRUE(Banners.empty());
  EXPECT_EQ(MakerPaths(), std::vector<std::string>{"/vk/versiyon.php"});
}

TEST_F(UpdateThreadTest, DestroyedDuringATransferTheCheckEndsAtOnce) {
  auto gate = std::make_shared<sim::TGate>();
  Sim.AddFault(std::string(sim::kUpdateRouteKey), sim::TFault::Hold(gate).When("banner.gif"));
  auto check = NewCheck();
  check->Start();
  ASSERT_TRUE(Ui->Queue.ProcessUntil([&] { return MakerPaths().size() == 4; }, 10s));
  const auto before = std::chrono::steady_clock::now();
  check.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  Ui->Queue.ProcessPending();
  EXPECT_EQ(States, std::vector<TState>{kNoNewVersionState});
  EXPECT_TRUE(Banners.empty());
  gate->Open();
}

}  // namespace
}  // namespace velkaro
