// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/worker_thread.h"

#include "platform/messages.h"

TWorkerThread::TWorkerThread() { MainQueue(); }

TWorkerThread::~TWorkerThread() { Stop(); }

void TWorkerThread::Start() {
  Thread = std::thread([this] {
    Execute();
    Done.store(true);
    MainQueue().Notify();
  });
}

void TWorkerThread::WaitFor() {
  if (!Thread.joinable()) return;
  if (MainQueue().IsMainThread()) MainQueue().WaitUntil([this] { return Done.load(); });
  Thread.join();
}
