// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"

namespace {

TEST(MainThreadQueue, PostedMessagesArriveInOrderOnTheMainThread) {
  TMainThreadQueue queue;
  std::vector<TMessage> seen;
  std::vector<bool> onMain;
  queue.SetDispatcher([&](const TMessage& m) {
    seen.push_back(m);
    onMain.push_back(queue.IsMainThread());
  });
  std::thread worker([&] {
    for (int k = 0; k < 100; ++k) queue.Post({7, 0x613, k, 99});
    queue.Post({7, 0xB33, 0, 0});
  });
  worker.join();
  EXPECT_EQ(queue.DispatchPosted(), 101);
  ASSERT_EQ(seen.size(), 101u);
  for (int k = 0; k < 100; ++k) {
    EXPECT_EQ(seen[k].Msg, 0x613u);
    EXPECT_EQ(seen[k].WParam, k);
    EXPECT_EQ(seen[k].LParam, 99);
    EXPECT_EQ(seen[k].Target, 7u);
  }
  EXPECT_EQ(seen.back().Msg, 0xB33u);
  for (bool b : onMain) EXPECT_TRUE(b);
  EXPECT_EQ(queue.DispatchPosted(), 0);
}

TEST(MainThreadQueue, SynchronizeRunsOnTheMainThreadAndWaits) {
  TMainThreadQueue queue;
  std::atomic<bool> finished{false};
  std::vector<int> order;
  std::thread worker([&] {
    for (int k = 0; k < 50; ++k)
      queue.Synchronize([&, k] {
        EXPECT_TRUE(queue.IsMainThread());
        order.push_back(k);
      });
    finished = true;
    queue.Notify();
  });
  queue.WaitUntil([&] { return finished.load(); });
  worker.join();
  ASSERT_EQ(order.size(), 50u);
  for (int k = 0; k < 50; ++k) EXPECT_EQ(order[k], k);
}

TEST(MainThreadQueue, SynchronizeOnTheMainThreadRunsAtOnce) {
  TMainThreadQueue queue;
  int calls = 0;
  queue.Synchronize([&] { ++calls; });
  EXPECT_EQ(calls, 1);
}

TEST(MainThreadQueue, RunUntilDispatchesPostsAndServesCalls) {
  TMainThreadQueue queue;
  int posts = 0, calls = 0;
  bool done = false;
  queue.SetDispatcher([&](const TMessage& m) {
    ++posts;
    if (m.Msg == 2) done = true;
  });
  std::thread worker([&] {
    queue.Post({0, 1, 0, 0});
    queue.Synchronize([&] { ++calls; });
    queue.Post({0, 2, 0, 0});
  });
  queue.RunUntil([&] { return done; });
  worker.join();
  EXPECT_EQ(posts, 2);
  EXPECT_EQ(calls, 1);
}

TEST(MainThreadQueue, RunUntilSeesAFlagSetWithoutANotify) {
  TMainThreadQueue queue;
  std::atomic<bool> flag{false};
  // As a signal handler sets it: nothing arrives in the queue.
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    flag = true;
  });
  auto running = std::async(std::launch::async, [&] { queue.RunUntil([&] { return flag.load(); }); });
  const bool returned = running.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  setter.join();
  if (!returned) queue.Notify();
  EXPECT_TRUE(returned);
}

TEST(MainThreadQueue, WakeupIsCalledForEveryArrival) {
  TMainThreadQueue queue;
  std::atomic<int> wakeups{0};
  queue.SetWakeup([&] { ++wakeups; });
  std::thread worker([&] {
    queue.Post({0, 1, 0, 0});
    queue.Post({0, 1, 0, 0});
  });
  worker.join();
  EXPECT_EQ(wakeups.load(), 2);
}

TEST(NamedMutex, OpenFindsOnlyCreatedNamesAndExcludesHolders) {
  EXPECT_EQ(OpenNamedMutex("Frac-test-none"), nullptr);
  auto created = CreateNamedMutex("Frac-test-1");
  auto opened = OpenNamedMutex("Frac-test-1");
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(created, opened);
  EXPECT_EQ(CreateNamedMutex("Frac-test-1"), created);

  ASSERT_TRUE(opened->Acquire());
  std::atomic<bool> cancel{false}, gaveUp{false};
  std::thread other([&] { gaveUp = !opened->Acquire(&cancel); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  cancel = true;
  other.join();
  EXPECT_TRUE(gaveUp.load());
  opened->Release();

  std::atomic<bool> got{false};
  std::thread third([&] {
    got = opened->Acquire();
    opened->Release();
  });
  third.join();
  EXPECT_TRUE(got.load());
  CloseNamedMutex("Frac-test-1");
  EXPECT_EQ(OpenNamedMutex("Frac-test-1"), nullptr);
}

}  // namespace
