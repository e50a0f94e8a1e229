// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Process-wide named mutexes. A name is created once by its owner; threads
// open it by name and hold it for their whole run.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

class TNamedMutex {
 public:
  // Blocks until the mutex is ours or *cancel becomes true; false when cancelled.
  bool Acquire(const std::atomic<bool>* cancel = nullptr);
  // Frees the mutex for the next waiter (the holder calls it).
  void Release();

 private:
  std::mutex Lock;
  std::condition_variable Freed;
  bool Held = false;
};

// Creates the mutex of that name, or returns the existing one.
std::shared_ptr<TNamedMutex> CreateNamedMutex(const std::string& name);
// The mutex of that name, or null when nobody created it (or all owners
// have closed it).
std::shared_ptr<TNamedMutex> OpenNamedMutex(const std::string& name);
// Removes the name; holders keep their reference until they drop it.
void CloseNamedMutex(const std::string& name);
