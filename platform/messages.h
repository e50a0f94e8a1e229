// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Posted messages and synchronised calls between worker threads and the main
// thread. Workers post messages (never blocking) and run calls on the main
// thread (blocking until done); the main thread serves both from its event
// loop and, while it waits for a worker to end, serves the synchronised calls
// so that a worker blocked in Synchronize can finish.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

using THandle = uintptr_t;  // a window's handle; 0 is the application queue

// The handle a window of the program gets its posted messages under: the
// window object itself. A native window id would not do, as the desktop gives
// a window a new one when it is hidden and shown again.
inline THandle MessageHandle(const void* window) { return THandle(reinterpret_cast<uintptr_t>(window)); }

struct TMessage {
  THandle Target = 0;
  uint32_t Msg = 0;
  intptr_t WParam = 0;
  intptr_t LParam = 0;
};

class TMainThreadQueue {
 public:
  // The thread that calls this becomes the main thread.
  TMainThreadQueue();

  // Receives every posted message when the main thread dispatches them.
  void SetDispatcher(std::function<void(const TMessage&)> dispatcher);
  // Called (from any thread) when work arrives; an event loop uses it to wake up.
  void SetWakeup(std::function<void()> wakeup);

  bool IsMainThread() const { return std::this_thread::get_id() == MainThread; }
  void BindToCurrentThread() { MainThread = std::this_thread::get_id(); }

  // Worker side.
  void Post(const TMessage& message);
  // Runs fn on the main thread and waits for it; on the main thread it runs at once.
  void Synchronize(const std::function<void()>& fn);

  // Main-thread side. Each returns the number of items handled.
  int ServeSyncCalls();
  int DispatchPosted();
  int ProcessPending() { return ServeSyncCalls() + DispatchPosted(); }
  // Serves synchronised calls until done() is true. done is re-checked whenever
  // Notify() is called or a call arrives, and at least every 50 ms, so that a
  // flag no Notify can follow (one a signal handler sets) is seen.
  void WaitUntil(const std::function<bool()>& done);
  // An event loop without windows: serves calls and dispatches posted
  // messages until done() is true.
  void RunUntil(const std::function<bool()>& done);
  // Wakes WaitUntil so it re-checks its condition (a worker ending calls it).
  void Notify();

 private:
  struct TSyncCall {
    const std::function<void()>* Fn;
    bool Done = false;
  };
  void Wake();
  void Serve(const std::function<bool()>& done, bool dispatch);

  std::thread::id MainThread;
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<TMessage> Posted;
  std::deque<TSyncCall*> SyncCalls;
  std::function<void(const TMessage&)> Dispatcher;
  std::function<void()> Wakeup;
  uint64_t Generation = 0;  // bumped on every Notify and arrival
};

// The program's queue; created on the main thread before the first window.
TMainThreadQueue& MainQueue();

inline void PostMessage(THandle target, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  MainQueue().Post({target, msg, wParam, lParam});
}
inline void Synchronize(const std::function<void()>& fn) { MainQueue().Synchronize(fn); }
