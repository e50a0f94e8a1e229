// SPDX-License-Identifier: GPL-3.0-or-later
// Reading large profile files: the time to load a 100 MB file of keys and one
// of blank lines, with the process's peak memory against the file's size.
// Run one at a time (--benchmark_filter) for each file's own peak.

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "platform/profile.h"

namespace {

constexpr size_t kFileSize = size_t(100) << 20;
constexpr int kKeysPerSection = 1000;

// A scratch file of kFileSize bytes (and a little more) made of the lines
// `line` gives for 0, 1, 2 ..., removed at exit.
class TBenchFile {
 public:
  TBenchFile(const std::string& name, const std::function<std::string(size_t)>& line)
      : Path((std::filesystem::temp_directory_path() / ("px_bench_" + std::to_string(getpid()) + "_" + name))
                 .string()) {
    std::ofstream out(Path, std::ios::binary | std::ios::trunc);
    std::string chunk;
    for (size_t i = 0; Size < kFileSize; ++i) {
      chunk += line(i);
      if (chunk.size() >= (1 << 20)) {
        out << chunk;
        Size += chunk.size();
        chunk.clear();
      }
    }
    out << chunk;
    Size += chunk.size();
  }
  ~TBenchFile() { std::remove(Path.c_str()); }
  std::string Path;
  size_t Size = 0;
};

void Load(benchmark::State& state, const TBenchFile& file, const char* section, const char* key) {
  for (auto _ : state) {
    const TProfileFile f(file.Path);
    benchmark::DoNotOptimize(f.ReadString(section, key, ""));
  }
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  const double peak = double(usage.ru_maxrss) * 1024;
  state.counters["file_MB"] = double(file.Size) / (1 << 20);
  state.counters["peak_MB"] = peak / (1 << 20);
  state.counters["peak_per_file_size"] = peak / double(file.Size);
}

void BM_ProfileFileOfKeys(benchmark::State& state) {
  static const TBenchFile file("keys.ini", [](size_t i) {
    std::string out;
    if (i % kKeysPerSection == 0) out = "[Section" + std::to_string(i / kKeysPerSection) + "]\n";
    return out + "Key" + std::to_string(i) + "=-0.743643887037158704\n";
  });
  // The last section's first key: every section and key was indexed.
  Load(state, file, "section3100", "key3100000");
}

void BM_ProfileFileOfBlankLines(benchmark::State& state) {
  static const TBenchFile file("blank.ini", [](size_t i) { return i == 0 ? "[Blank]\n" : "\n"; });
  Load(state, file, "Blank", "Key");
}

}  // namespace

BENCHMARK(BM_ProfileFileOfKeys)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProfileFileOfBlankLines)->Unit(benchmark::kMillisecond)->Iterations(3);
