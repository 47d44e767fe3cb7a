// Making a download ready on a worker thread: its plan reaches the
// user-interface thread, and a stop ends the unpacking at once.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "CodePage.h"
#include "Dispatcher.h"
#include "ReadyPlanThread.h"
#include "TestSupport.h"
#include "VideoFixtures.h"
#include "sitesim/ArchiveWriter.h"

namespace velkaro {
namespace {

const std::string kSrt = "1\r\n00:00:01,000 --> 00:00:02,000\r\nMerhaba\r\n";

TEST(ReadyPlanThread, HandsItsPlanToTheUserInterfaceThread) {
  test::TTempDir dir;
  TReadyRequest request;
  request.Downloaded = dir.Path() / "Film.zip";
  test::WriteBytes(request.Downloaded, sim::WriteArchive(sim::TArchiveFormat::Zip, {{"Film.srt", kSrt}}));
  request.Videos = {dir.Path() / "Film.avi"};
  auto ui = std::make_shared<TQueueDispatcher>();
  auto thread = TReadyPlanThread::Create(ui, request);
  bool ended = false;
  thread->OnTerminate = [&](TReadyPlanThread& done) {
    ASSERT_EQ(done.Plan().Files.size(), 1u);
    EXPECT_EQ(done.Plan().Files[0].Target, dir.Path() / "Film.srt");
    ended = true;
  };
  thread->Start();
  EXPECT_TRUE(ui->ProcessUntil([&] { return ended; }, std::chrono::seconds(30)));
  thread->Join();
}

TEST(ReadyPlanThread, AbandonEndsAnUnpackingThatNeverFinishes) {
  test::TTempDir dir;
  const auto fifo = dir.Path() / "endless.zip";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int writer = ::open(fifo.c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  TReadyRequest request;
  request.Downloaded = fifo;
  request.Videos = {dir.Path() / "Film.avi"};
  auto ui = std::make_shared<TQueueDispatcher>();
  auto thread = TReadyPlanThread::Create(ui, request);
  bool ended = false;
  thread->OnTerminate = [&](TReadyPlanThread&) { ended = true; };
  thread->Start();
  ui->ProcessUntil([] { return false; }, std::chrono::milliseconds(200));
  const auto abandoned = std::chrono::steady_clock::now();
  thread->Abandon();
  thread->Join();
  EXPECT_LT(std::chrono::steady_clock::now() - abandoned, std::chrono::seconds(5));
  ui->ProcessPending();
  EXPECT_FALSE(ended);
  EXPECT_TRUE(thread->Plan().Files.empty());
  EXPECT_EQ(thread->Plan().Messages,
            std::vector<std::string>{Utf8ToCp1254("Arşiv açma durduruldu; altyazı indirildiği gibi bırakıldı.")});
  ::close(writer);
}

}  // namespace
}  // namespace velkaro
