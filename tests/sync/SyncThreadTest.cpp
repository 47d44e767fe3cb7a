// The sync worker: its progress and its end reach the thread that drains the
// queue standing in for the user-interface thread; an abandoned worker stops
// reading and its end is never delivered.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CodePage.h"
#include "Dispatcher.h"
#include "SubtitleSync.h"
#include "SyncFilms.h"
#include "SyncThread.h"
#include "TestSupport.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;

class SyncThreadTest : public testing::Test {
 protected:
  void SetUp() override { test::WriteBytes(Subtitle, test::SubRipOf(Film.Cues, {1, 2500})); }

  // With `waitForStop`, the reading holds at its first progress until it is told to stop.
  std::shared_ptr<TSyncThread> Start(std::optional<TSyncedText>& synced, bool waitForStop = false) {
    auto thread = TSyncThread::Create(Ui, [this, &synced, waitForStop](const TSpeechListener& listener) {
      TSpeechListener held = listener;
      held.Progress = [&listener, waitForStop](int percent) {
        listener.Progress(percent);
        while (waitForStop && !listener.Stopped()) std::this_thread::sleep_for(1ms);
      };
      synced = SyncSubtitle({Film.File, Subtitle}, held);
    });
    thread->OnProgress = [this](int percent) { Progress.push_back(percent); };
    thread->OnTerminate = [this](TSyncThread&) { Ended = true; };
    thread->Start();
    return thread;
  }

  test::TSpeechFilm Film = test::SharedFilm(test::MkvFilm());
  test::TTempDir Dir;
  std::filesystem::path Subtitle = Dir.Path() / "Film.srt";
  std::shared_ptr<TQueueDispatcher> Ui = std::make_shared<TQueueDispatcher>();
  std::vector<int> Progress;
  bool Ended = false;
};

TEST_F(SyncThreadTest, ProgressAndTheEndArriveOnTheUserInterfaceThread) {
  std::optional<TSyncedText> synced;
  const auto thread = Start(synced);
  ASSERT_TRUE(Ui->ProcessUntil([this] { return Ended; }, 60s));
  thread->Join();
  EXPECT_TRUE(thread->FailureText().empty());
  ASSERT_TRUE(synced && synced->Retimed);
  ASSERT_FALSE(Progress.empty());
  EXPECT_TRUE(std::is_sorted(Progress.begin(), Progress.end()));
  EXPECT_EQ(Progress.back(), 100);
  // The worker only read: the writing is the caller's, after the end.
  EXPECT_EQ(test::FileNames(Dir.Path()), std::vector<std::string>{"Film.srt"});
}

TEST_F(SyncThreadTest, AnAbandonedWorkerStopsAndItsEndIsNeverDelivered) {
  std::optional<TSyncedText> synced;
  const auto thread = Start(synced, true);
  ASSERT_TRUE(Ui->ProcessUntil([this] { return !Progress.empty(); }, 60s));
  thread->Abandon();
  thread->Join();
  Ui->ProcessPending();
  EXPECT_FALSE(Ended);
  EXPECT_FALSE(synced);
  EXPECT_TRUE(thread->FailureText().empty());
}

TEST_F(SyncThreadTest, AFailureIsToldNotThrown) {
  auto thread = TSyncThread::Create(Ui, [this](const TSpeechListener& listener) {
    SyncSubtitle({Dir.Path() / "Missing.mkv", Subtitle}, listener);
  });
  thread->OnTerminate = [this](TSyncThread&) { Ended = true; };
  thread->Start();
  ASSERT_TRUE(Ui->ProcessUntil([this] { return Ended; }, 60s));
  thread->Join();
  EXPECT_EQ(thread->FailureText(), Utf8ToCp1254("Video okunamadı: Missing.mkv"));
}

}  // namespace
}  // namespace velkaro
