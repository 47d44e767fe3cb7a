#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "Dispatcher.h"

namespace velkaro {
namespace {

using namespace std::chrono_literals;

TEST(QueueDispatcher, CallsRunOnTheOwnerInOrder) {
  TQueueDispatcher ui;
  const auto owner = std::this_thread::get_id();
  std::vector<int> order;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    ui.Post([&] { order.push_back(1); });
    const bool ran = ui.RunAndWait([&] {
      EXPECT_EQ(std::this_thread::get_id(), owner);
      order.push_back(2);
    });
    EXPECT_TRUE(ran);
    // The call has finished running when RunAndWait returns.
    EXPECT_EQ(order.size(), 2u);
    returned = true;
  });
  EXPECT_TRUE(ui.ProcessUntil([&] { return returned.load(); }, 10s));
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QueueDispatcher, OwnerRunsItsOwnCallsInline) {
  TQueueDispatcher ui;
  int runs = 0;
  EXPECT_TRUE(ui.RunAndWait([&] { ++runs; }));
  EXPECT_EQ(runs, 1);
}

TEST(QueueDispatcher, ShutdownReleasesWaitersWithoutRunning) {
  TQueueDispatcher ui;
  std::atomic<int> ran{0};
  std::atomic<int> refused{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < 4; ++i) {
    workers.emplace_back([&] {
      if (!ui.RunAndWait([&] { ++ran; })) ++refused;
    });
  }
  // Whether a worker's call was queued or came too late, it is refused.
  std::this_thread::sleep_for(20ms);
  ui.Shutdown();
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(ran.load(), 0);
  EXPECT_EQ(refused.load(), 4);
  ui.Post([&] { ++ran; });
  EXPECT_EQ(ui.ProcessPending(), 0u);
}

}  // namespace
}  // namespace velkaro
