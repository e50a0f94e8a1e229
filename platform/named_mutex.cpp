// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/named_mutex.h"

#include <chrono>
#include <map>

namespace {

std::mutex RegistryLock;
std::map<std::string, std::shared_ptr<TNamedMutex>>& Registry() {
  static std::map<std::string, std::shared_ptr<TNamedMutex>> registry;
  return registry;
}

}  // namespace

bool TNamedMutex::Acquire(const std::atomic<bool>* cancel) {
  std::unique_lock<std::mutex> guard(Lock);
  while (Held) {
    if (cancel && cancel->load()) return false;
    Freed.wait_for(guard, std::chrono::milliseconds(20));
  }
  Held = true;
  return true;
}

void TNamedMutex::Release() {
  {
    std::lock_guard<std::mutex> guard(Lock);
    Held = false;
  }
  Freed.notify_one();
}

std::shared_ptr<TNamedMutex> CreateNamedMutex(const std::string& name) {
  std::lock_guard<std::mutex> guard(RegistryLock);
  auto& slot = Registry()[name];
  if (!slot) slot = std::make_shared<TNamedMutex>();
  return slot;
}

std::shared_ptr<TNamedMutex> OpenNamedMutex(const std::string& name) {
  std::lock_guard<std::mutex> guard(RegistryLock);
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

void CloseNamedMutex(const std::string& name) {
  std::lock_guard<std::mutex> guard(RegistryLock);
  Registry().erase(name);
}
