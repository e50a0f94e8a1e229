// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/available_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>

namespace {

// The number in a file of one number ("max" or a missing file: none).
bool ReadNumber(const char* path, uint64_t& out) {
  std::ifstream in(path);
  return bool(in >> out);
}

uint64_t SystemAvailable() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  uint64_t kib = 0;
  while (in >> key >> kib) {
    if (key == "MemAvailable:") return kib * 1024;
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  // A kernel without the estimate: the free pages.
  const long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  return pages > 0 && size > 0 ? uint64_t(pages) * uint64_t(size) : std::numeric_limits<uint64_t>::max();
}

}  // namespace

uint64_t AvailableMemoryBytes() {
  uint64_t most = SystemAvailable();
  uint64_t limit = 0, used = 0;
  if (ReadNumber("/sys/fs/cgroup/memory.max", limit) && ReadNumber("/sys/fs/cgroup/memory.current", used))
    most = std::min(most, limit > used ? limit - used : 0);
  rlimit space{};
  if (getrlimit(RLIMIT_AS, &space) == 0 && space.rlim_cur != RLIM_INFINITY) most = std::min<uint64_t>(most, space.rlim_cur);
  return most;
}
