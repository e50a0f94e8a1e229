// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CPU time for the benchmarks, in seconds: on a busy machine wall time
// mostly measures waiting for a core.

#include <time.h>

inline double CpuSecondsOf(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The calling thread's CPU time.
inline double ThreadCpuSeconds() { return CpuSecondsOf(CLOCK_THREAD_CPUTIME_ID); }

// The CPU time of every thread of the process.
inline double ProcessCpuSeconds() { return CpuSecondsOf(CLOCK_PROCESS_CPUTIME_ID); }
