// The download worker against the stand-in sites over loopback HTTP; this
// test's thread drains the queue that stands in for the user-interface thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Diagnostics.h"
#include "Dispatcher.h"
#include "DownloadRequest.h"
#include "DownloadThread.h"
#include "FileContent.h"
#include "TestSupport.h"
#include "sitesim/ExtraTitlesSite.h"
#include "sitesim/SimServer.h"
#include "sitesim/SubDbSite.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;

const std::string kUsersFile = "the user's own file";

// Passes calls on until told to hold them; a held call waits as one does that
// the user-interface thread has not got to yet.
class THoldingDispatcher final : public IUiDispatcher {
 public:
  explicit THoldingDispatcher(std::shared_ptr<TQueueDispatcher> inner) : Inner_(std::move(inner)) {}

  bool RunAndWait(std::function<void()> call, std::function<bool()> giveUp) override {
    if (!Holding.load()) return Inner_->RunAndWait(std::move(call), std::move(giveUp));
    {
      std::lock_guard lock(Mutex_);
      Held_.push_back(std::move(call));
    }
    while (!giveUp()) std::this_thread::sleep_for(5ms);
    return false;
  }
  void Post(std::function<void()> call) override { Inner_->Post(std::move(call)); }
  std::vector<std::function<void()>> TakeHeld() {
    std::vector<std::function<void()>> held;
    std::lock_guard lock(Mutex_);
    held.swap(Held_);
    return held;
  }

  std::atomic<bool> Holding{false};

 private:
  std::shared_ptr<TQueueDispatcher> Inner_;
  std::mutex Mutex_;
  std::vector<std::function<void()>> Held_;
};

class DownloadThread : public testing::Test {
 protected:
  void SetUp() override {
    Sim.Start();
    Sites = Sim.DirectSites();
  }

  const sim::TSimSubtitle& Subtitle(std::size_t index) const { return Sim.Catalogue().Subtitles().at(index); }
  std::string Bytes(std::size_t index) const { return sim::SubtitleFileBytes(Sim.Catalogue(), Subtitle(index)); }
  std::string ExtraTitlesLink(std::size_t index) const {
    return Sites[SiteId::ExtraTitles].Base() + sim::TExtraTitlesSite::DownloadLink(Subtitle(index));
  }
  std::string SubDbLink(std::size_t index) const {
    return SubDbAddressPrefix(Sites) + sim::TSubDbSite::DownloadLink(Subtitle(index));
  }
  std::filesystem::path Scratch() const { return ProgramDir.Path() / "temp.subfile"; }
  std::filesystem::path UsersFile(const char* name) const {
    std::ofstream(TargetDir.Path() / name, std::ios::binary) << kUsersFile;
    return TargetDir.Path() / name;
  }

  // A job as the window fills it in, its user-interface steps recorded.
  std::shared_ptr<TDownloadThread> NewThread(const std::string& url, std::filesystem::path target = {}) {
    Ended = 0;
    auto thread = TDownloadThread::Create(Dispatcher, TProgramFiles::InFolder(ProgramDir.Path()), Sites);
    thread->Url = url;
    thread->Referer = RouteDownload(url, Sites).Referer;
    thread->SavePath = std::move(target);
    thread->OnShowProgress = [this](std::int32_t maximum, std::int32_t position) {
      EXPECT_TRUE(Ui->IsOwnerThread());
      Progress.push_back({maximum, position});
    };
    thread->OnAskSavePath = [this](const std::string& extension) {
      Asked.push_back(extension);
      return Answer;
    };
    thread->OnTerminate = [this](TDownloadThread& ended) {
      Completed = ended.Completed();
      ++Ended;
    };
    return thread;
  }

  // To the end notification, then what the window does there.
  bool RunToEnd(const std::shared_ptr<TDownloadThread>& thread) {
    thread->Start();
    EXPECT_TRUE(Ui->ProcessUntil([&] { return Ended > 0; }, 60s)) << "the download did not end";
    return Completed && thread->CommitTarget();
  }

  std::shared_ptr<TQueueDispatcher> Ui = std::make_shared<TQueueDispatcher>();
  std::shared_ptr<IUiDispatcher> Dispatcher = Ui;
  sim::TSimServer Sim;
  TSiteTable Sites;
  test::TTempDir ProgramDir;
  test::TTempDir TargetDir;
  std::vector<std::pair<std::int32_t, std::int32_t>> Progress;  // maximum, position
  std::vector<std::string> Asked;
  std::optional<std::filesystem::path> Answer;
  bool Completed = false;
  int Ended = 0;
};

TEST_F(DownloadThread, DirectDownloadReplacesTheTargetOnlyWhenCommitted) {
  const auto target = UsersFile("Agir Roman.zip");
  auto thread = NewThread(ExtraTitlesLink(0), target);
  thread->Start();
  ASSERT_TRUE(Ui->ProcessUntil([&] { return Ended > 0; }, 60s));
  ASSERT_TRUE(Completed);
  EXPECT_EQ(ReadFileContent(target), kUsersFile);
  ASSERT_TRUE(thread->CommitTarget());
  EXPECT_EQ(ReadFileContent(target), Bytes(0));
  EXPECT_EQ(test::FileNames(TargetDir.Path()), std::vector<std::string>{"Agir Roman.zip"});
  EXPECT_TRUE(Asked.empty());

  // The bar's maximum is the announced size; it climbs to it and ends empty.
  const auto size = static_cast<std::int32_t>(Bytes(0).size());
  ASSERT_GE(Progress.size(), 3u);
  for (const auto& [maximum, position] : Progress) EXPECT_EQ(maximum, size);
  EXPECT_EQ(Progress.front().second, 0);
  EXPECT_EQ(Progress[Progress.size() - 2].second, size);
  EXPECT_EQ(Progress.back().second, 0);
}

TEST_F(DownloadThread, TheRequestAndTheEndAreToldInTheDiagnostics) {
  std::vector<std::string> lines;
  const auto diagnostics = std::make_shared<TDiagnostics>([&lines](std::string_view line) { lines.emplace_back(line); });
  const auto target = TargetDir.Path() / "Agir Roman.zip";
  auto saved = NewThread(ExtraTitlesLink(0), target);
  saved->Diagnostics = diagnostics;
  ASSERT_TRUE(RunToEnd(saved));
  ASSERT_EQ(lines.size(), 3u);
  const std::string answered = "[download] GET " + ExtraTitlesLink(0) + " -> 200, " + std::to_string(Bytes(0).size()) + " bytes, ";
  EXPECT_EQ(lines[0].substr(0, answered.size()), answered);
  EXPECT_EQ(lines[1], "[download] complete, waiting to be saved as " + target.string());
  EXPECT_EQ(lines[2], "[download] saved as " + target.string());

  lines.clear();
  Sim.AddFault(SiteId::ExtraTitles, sim::TFault::ErrorStatus(404));
  auto failed = NewThread(ExtraTitlesLink(0), target);
  failed->Diagnostics = diagnostics;
  EXPECT_FALSE(RunToEnd(failed));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("[download] GET " + ExtraTitlesLink(0) + " -> failed after "), std::string::npos);
  EXPECT_TRUE(lines[0].ends_with(": HTTP 404")) << lines[0];
  EXPECT_EQ(lines[1], "[download] failed: " + failed->FailureText());
}

TEST_F(DownloadThread, FailedDirectDownloadsKeepTheUsersFile) {
  const auto target = UsersFile("Agir Roman.zip");
  for (const auto& fault : {sim::TFault::ErrorStatus(404), sim::TFault::ResetMidBody(5)}) {
    Sim.ClearFaults();
    Sim.AddFault(SiteId::ExtraTitles, fault);
    EXPECT_FALSE(RunToEnd(NewThread(ExtraTitlesLink(0), target)));
    EXPECT_EQ(ReadFileContent(target), kUsersFile);
    EXPECT_EQ(test::FileNames(TargetDir.Path()), std::vector<std::string>{"Agir Roman.zip"});
  }
  // An answer over the size limit fails like a broken one, on both paths.
  Sim.ClearFaults();
  auto capped = NewThread(ExtraTitlesLink(0), target);
  capped->MaxBodySize = static_cast<std::int64_t>(Bytes(0).size()) - 1;
  EXPECT_FALSE(RunToEnd(capped));
  EXPECT_FALSE(capped->FailureText().empty());
  EXPECT_EQ(ReadFileContent(target), kUsersFile);
  EXPECT_EQ(test::FileNames(TargetDir.Path()), std::vector<std::string>{"Agir Roman.zip"});
  Answer = target;
  auto cappedSubDb = NewThread(SubDbLink(2));
  cappedSubDb->MaxBodySize = static_cast<std::int64_t>(Bytes(2).size()) - 1;
  EXPECT_FALSE(RunToEnd(cappedSubDb));
  EXPECT_FALSE(cappedSubDb->FailureText().empty());
  EXPECT_TRUE(Asked.empty());
  EXPECT_FALSE(std::filesystem::exists(Scratch()));
  EXPECT_EQ(ReadFileContent(target), kUsersFile);
  // A folder that is not there: nothing is fetched.
  Sim.ClearRequests();
  EXPECT_FALSE(RunToEnd(NewThread(ExtraTitlesLink(0), TargetDir.Path() / "gone" / "x.zip")));
  EXPECT_TRUE(Sim.Requests().empty());
}

TEST_F(DownloadThread, StopDuringTransferEndsPromptlyAndKeepsTheUsersFile) {
  auto gate = std::make_shared<sim::TGate>();
  Sim.AddFault(SiteId::ExtraTitles, sim::TFault::Hold(gate));
  const auto target = UsersFile("Agir Roman.zip");
  auto thread = NewThread(ExtraTitlesLink(0), target);
  thread->Start();
  ASSERT_TRUE(Ui->ProcessUntil([&] { return !Sim.Requests().empty(); }, 30s));
  const auto stopped = std::chrono::steady_clock::now();
  thread->Abandon();
  thread->Join();
  thread->DiscardPartial();
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
  gate->Open();
  Ui->ProcessPending();
  EXPECT_EQ(Ended, 0) << "a stopped download's end notification must not run";
  EXPECT_EQ(ReadFileContent(target), kUsersFile);
  EXPECT_EQ(test::FileNames(TargetDir.Path()), std::vector<std::string>{"Agir Roman.zip"});
}

TEST_F(DownloadThread, SubDbWithoutAnAcceptedTargetKeepsOnlyTheScratchFile) {
  // Left by an earlier, larger download: emptied first, not appended to.
  std::ofstream(Scratch(), std::ios::binary) << std::string(100000, 'x');
  EXPECT_FALSE(RunToEnd(NewThread(SubDbLink(2))));
  EXPECT_EQ(Asked, std::vector<std::string>{".rar"});
  EXPECT_EQ(ReadFileContent(Scratch()), Bytes(2));

  // No Content-Disposition: no question, the body stays in the scratch file.
  Asked.clear();
  EXPECT_FALSE(RunToEnd(NewThread(SubDbAddressPrefix(Sites) + "modules.php?name=Download_Subtitles&edsearch=X")));
  EXPECT_TRUE(Asked.empty());
  EXPECT_NE(ReadFileContent(Scratch()), Bytes(2));

  // A failed request takes the scratch file away and asks nothing.
  Sim.AddFault(SiteId::SubDb, sim::TFault::ErrorStatus(500));
  EXPECT_FALSE(RunToEnd(NewThread(SubDbLink(2))));
  EXPECT_TRUE(Asked.empty());
  EXPECT_FALSE(std::filesystem::exists(Scratch()));
  EXPECT_TRUE(test::FileNames(TargetDir.Path()).empty());
  EXPECT_EQ(Sim.RequestsTo(SiteId::SubDb).at(0).Header("referer"),
            SubDbAddressPrefix(Sites) + "modules.php?name=Download_Subtitles");
}

TEST_F(DownloadThread, StopDuringTheScratchCopyEndsItAndKeepsTheUsersFile) {
  // Large and sparse: quick to make, long to copy.
  constexpr std::uintmax_t kLarge = std::uintmax_t{500} << 20;
  std::ofstream(Scratch(), std::ios::binary).flush();
  std::filesystem::resize_file(Scratch(), kLarge);
  const auto target = UsersFile("Agir Roman.srt");
  auto thread = NewThread(SubDbLink(2), target);
  const std::filesystem::path partial = target.string() + ".part";

  std::atomic<bool> stopped{false};
  std::thread copier([&] {
    try {
      thread->CopyTempToTarget(Scratch(), target);
    } catch (const TWorkerAbandoned&) {
      stopped = true;
    }
  });
  std::error_code error;
  while (std::filesystem::file_size(partial, error) == 0 || error) std::this_thread::yield();
  thread->Abandon();
  copier.join();
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(std::filesystem::exists(partial));
  EXPECT_EQ(ReadFileContent(target), kUsersFile);
  std::filesystem::remove(Scratch());
}

TEST_F(DownloadThread, JobWithoutTargetAsksOnceTheExtensionIsKnown) {
  // The first further site's host pointed at the stand-in's download script.
  Sites.SetSubsMirrorHost(Sites[SiteId::ExtraTitles].Host);
  ASSERT_EQ(RouteDownload(ExtraTitlesLink(1), Sites).Kind, TDownloadKind::SubsMirror);
  Answer = UsersFile("chosen.srt");
  ASSERT_TRUE(RunToEnd(NewThread(ExtraTitlesLink(1))));
  EXPECT_EQ(Asked, std::vector<std::string>{".srt"});
  EXPECT_EQ(ReadFileContent(*Answer), Bytes(1));
  EXPECT_FALSE(std::filesystem::exists(Scratch()));
  EXPECT_EQ(Sim.RequestsTo(SiteId::ExtraTitles).at(0).Header("referer"), "");
}

TEST_F(DownloadThread, StopWhileTheQuestionWaitsGivesItUp) {
  auto holding = std::make_shared<THoldingDispatcher>(Ui);
  Dispatcher = holding;
  Answer = TargetDir.Path() / "never.rar";
  auto thread = NewThread(SubDbLink(2));
  // Once the transfer's end has shown, the question that follows stays unanswered.
  thread->OnShowProgress = [&](std::int32_t, std::int32_t position) {
    Progress.push_back({0, position});
    if (Progress.size() > 1 && position == 0) holding->Holding = true;
  };
  thread->Start();
  std::vector<std::function<void()>> held;
  ASSERT_TRUE(Ui->ProcessUntil([&] { return !(held = holding->TakeHeld()).empty(); }, 30s));
  const auto stopped = std::chrono::steady_clock::now();
  thread->Abandon();
  thread->Join();
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
  // The user-interface thread gets to the question after the stop: it does nothing.
  for (auto& call : held) call();
  Ui->ProcessPending();
  EXPECT_TRUE(Asked.empty());
  EXPECT_EQ(Ended, 0);
  // Stopped before the question: the scratch file stays, nothing else is made.
  EXPECT_EQ(ReadFileContent(Scratch()), Bytes(2));
  EXPECT_TRUE(test::FileNames(TargetDir.Path()).empty());
}

TEST_F(DownloadThread, WritingDirectionNeverMovesTheBar) {
  auto thread = NewThread("http://unused.example/");
  thread->HttpWorkBegin(TTransferDirection::Writing, 100);
  thread->HttpWork(TTransferDirection::Writing, 50);
  thread->HttpWorkEnd(TTransferDirection::Writing);
  EXPECT_TRUE(Progress.empty());
  thread->HttpWorkBegin(TTransferDirection::Reading, 5000000000);
  thread->HttpWork(TTransferDirection::Reading, 50);
  thread->HttpWorkEnd(TTransferDirection::Reading);
  using TStep = std::pair<std::int32_t, std::int32_t>;
  const auto most = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(Progress, (std::vector<TStep>{{most, 0}, {most, 50}, {most, 0}}));
}

}  // namespace
}  // namespace velkaro
