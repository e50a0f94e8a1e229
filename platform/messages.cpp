// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/messages.h"

#include <chrono>

namespace {

// How often a wait re-checks its condition with nothing arriving.
constexpr std::chrono::milliseconds kRecheckPeriod{50};

}  // namespace

TMainThreadQueue::TMainThreadQueue() : MainThread(std::this_thread::get_id()) {}

void TMainThreadQueue::SetDispatcher(std::function<void(const TMessage&)> dispatcher) {
  std::lock_guard<std::mutex> guard(Lock);
  Dispatcher = std::move(dispatcher);
}

void TMainThreadQueue::SetWakeup(std::function<void()> wakeup) {
  std::lock_guard<std::mutex> guard(Lock);
  Wakeup = std::move(wakeup);
}

void TMainThreadQueue::Wake() {
  std::function<void()> wakeup;
  {
    std::lock_guard<std::mutex> guard(Lock);
    ++Generation;
    wakeup = Wakeup;
  }
  Changed.notify_all();
  if (wakeup) wakeup();
}

void TMainThreadQueue::Post(const TMessage& message) {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Posted.push_back(message);
  }
  Wake();
}

void TMainThreadQueue::Synchronize(const std::function<void()>& fn) {
  if (IsMainThread()) {
    fn();
    return;
  }
  TSyncCall call{&fn};
  {
    std::lock_guard<std::mutex> guard(Lock);
    SyncCalls.push_back(&call);
  }
  Wake();
  std::unique_lock<std::mutex> guard(Lock);
  Changed.wait(guard, [&] { return call.Done; });
}

int TMainThreadQueue::ServeSyncCalls() {
  int served = 0;
  for (;;) {
    TSyncCall* call;
    {
      std::lock_guard<std::mutex> guard(Lock);
      if (SyncCalls.empty()) return served;
      call = SyncCalls.front();
      SyncCalls.pop_front();
    }
    (*call->Fn)();
    {
      std::lock_guard<std::mutex> guard(Lock);
      call->Done = true;
    }
    Changed.notify_all();
    ++served;
  }
}

int TMainThreadQueue::DispatchPosted() {
  std::deque<TMessage> batch;
  std::function<void(const TMessage&)> dispatcher;
  {
    std::lock_guard<std::mutex> guard(Lock);
    batch.swap(Posted);
    dispatcher = Dispatcher;
  }
  if (dispatcher)
    for (const TMessage& m : batch) dispatcher(m);
  return int(batch.size());
}

void TMainThreadQueue::Notify() { Wake(); }

void TMainThreadQueue::WaitUntil(const std::function<bool()>& done) { Serve(done, false); }

void TMainThreadQueue::RunUntil(const std::function<bool()>& done) { Serve(done, true); }

void TMainThreadQueue::Serve(const std::function<bool()>& done, bool dispatch) {
  for (;;) {
    uint64_t seen;
    {
      std::lock_guard<std::mutex> guard(Lock);
      seen = Generation;
    }
    ServeSyncCalls();
    if (dispatch) DispatchPosted();
    if (done()) return;
    std::unique_lock<std::mutex> guard(Lock);
    Changed.wait_for(guard, kRecheckPeriod, [&] { return Generation != seen || !SyncCalls.empty(); });
  }
}

TMainThreadQueue& MainQueue() {
  static TMainThreadQueue queue;
  return queue;
}
