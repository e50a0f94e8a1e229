// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TWorkerThread: one run of work on a thread of its own, which the owner can
// ask to stop and wait for. The run talks to the main thread through posted
// messages and synchronised calls; waiting on the main thread serves those
// calls, so a run blocked in Synchronize can still end.
//
// A derived class starts the run at the end of its constructor, once all it
// uses is in place, and calls Stop() first thing in its destructor: the run
// uses the derived part, which must outlive it.

#include <atomic>
#include <thread>

class TWorkerThread {
 public:
  virtual ~TWorkerThread();  // stops and waits, for a run a derived class left running
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;

  // Asks the run to stop; it ends at its next check.
  void Terminate() { Terminated.store(true); }
  bool TerminateRequested() const { return Terminated.load(); }
  // Waits for the run to end; on the main thread it serves the run's
  // synchronised calls meanwhile. Returns at once when there is no run to
  // wait for (never started, or already waited for).
  void WaitFor();
  bool Started() const { return Thread.joinable(); }
  // The run has ended; it stays false for a run that was never started,
  // unless the run was skipped.
  bool Finished() const { return Done.load(); }

 protected:
  // Binds the main thread's queue to the caller, the owner, before any run
  // can use it.
  TWorkerThread();
  // Runs Execute on a new thread, then marks the run finished and wakes a
  // waiting owner.
  void Start();
  // The run will not start: it counts as finished at once.
  void SkipRun() { Done.store(true); }
  void Stop() {
    Terminate();
    WaitFor();
  }
  // For the waits of the run that give up when it is asked to stop.
  const std::atomic<bool>& TerminateFlag() const { return Terminated; }

 private:
  virtual void Execute() = 0;

  std::atomic<bool> Terminated{false};
  std::atomic<bool> Done{false};
  std::thread Thread;
};
