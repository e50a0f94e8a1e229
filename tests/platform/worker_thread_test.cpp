// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/messages.h"

namespace {

// Counts rounds until it is asked to stop; with a limit, ends by itself after
// that many rounds. Each round runs a synchronised call on the main thread.
class TCountingThread : public TWorkerThread {
 public:
  explicit TCountingThread(bool start, int limit = -1) : Limit(limit) {
    if (start) Start();
  }
  ~TCountingThread() override { Stop(); }
  void Skip() { SkipRun(); }
  bool FlagSet() const { return TerminateFlag().load(); }

  std::atomic<int> Rounds{0};
  std::atomic<int> OnMain{0};

 private:
  void Execute() override {
    while (!TerminateRequested() && Rounds.load() != Limit) {
      Synchronize([this] {
        if (MainQueue().IsMainThread()) ++OnMain;
      });
      ++Rounds;
      std::this_thread::yield();
    }
  }

  const int Limit;
};

TEST(WorkerThread, RunEndsByItselfAndServesItsCallsOnTheMainThread) {
  TCountingThread t(true, 20);
  EXPECT_TRUE(t.Started());
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
  EXPECT_FALSE(t.Started());
  EXPECT_EQ(t.Rounds.load(), 20);
  EXPECT_EQ(t.OnMain.load(), 20);
  EXPECT_FALSE(t.TerminateRequested());
}

TEST(WorkerThread, TerminateEndsTheRun) {
  TCountingThread t(true);
  while (t.Rounds.load() < 3) MainQueue().ServeSyncCalls();
  EXPECT_FALSE(t.Finished());
  t.Terminate();
  EXPECT_TRUE(t.TerminateRequested());
  EXPECT_TRUE(t.FlagSet());
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
}

TEST(WorkerThread, WaitingTwiceReturnsAtOnceTheSecondTime) {
  TCountingThread t(true, 5);
  t.WaitFor();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(t.Rounds.load(), 5);
}

TEST(WorkerThread, NeverStartedIsNotFinishedAndDestroysQuietly) {
  auto t = std::make_unique<TCountingThread>(false);
  EXPECT_FALSE(t->Started());
  EXPECT_FALSE(t->Finished());
  t->WaitFor();
  EXPECT_FALSE(t->Finished());
  t.reset();
}

TEST(WorkerThread, SkippedRunCountsAsFinished) {
  TCountingThread t(false);
  t.Skip();
  EXPECT_FALSE(t.Started());
  EXPECT_TRUE(t.Finished());
}

TEST(WorkerThread, DestroyingARunningThreadStopsAndJoinsIt) {
  auto t = std::make_unique<TCountingThread>(true);
  while (t->Rounds.load() < 1) MainQueue().ServeSyncCalls();
  t.reset();  // must neither hang nor leave the thread running
  SUCCEED();
}

}  // namespace
