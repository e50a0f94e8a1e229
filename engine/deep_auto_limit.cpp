// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deep_auto_limit.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

constexpr int32_t kSampleColumns = 32, kSampleRows = 24;

// At most `most` positions spread evenly over 0..count-1, both ends included.
std::vector<int32_t> Spread(int32_t count, int32_t most) {
  const int32_t n = std::max(std::min(count, most), 1);
  std::vector<int32_t> at(size_t(n), 0);
  for (int32_t i = 1; i < n; ++i) at[size_t(i)] = int32_t(int64_t(i) * (count - 1) / (n - 1));
  return at;
}

bool StopRequested(const TReferenceWatch& watch) { return watch.Stop && watch.Stop->load(); }

}  // namespace

int32_t DeepLimitCap(int32_t formula, int32_t most) { return int32_t(std::min<int64_t>(int64_t(formula) * 10, most)); }

int32_t DeepLimitFromEscapes(const std::vector<int32_t>& escapes, int32_t formula, int32_t cap) {
  const int32_t latest = escapes.empty() ? 0 : *std::max_element(escapes.begin(), escapes.end());
  if (latest <= 0) return formula;
  const int64_t margin = int64_t(latest) + (int64_t(latest) + 1) / 2;
  return int32_t(std::clamp<int64_t>(margin, formula, std::max(formula, cap)));
}

bool ChooseDeepLimit(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width, int32_t height,
                     int32_t columns, int32_t rows, int32_t most, int32_t threads, const TDeepPrepare& how,
                     TDeepLimitChoice& choice) {
  const int32_t formula = ctx.MaxIter;
  TFormulaContext sample = ctx;
  // Without smoothing a pixel's value is its escape iteration.
  sample.Smoothing = 0;
  sample.MaxIter = DeepLimitCap(formula, most);
  TPerturbation perturbation;
  if (!perturbation.Prepare(sample, window, width, columns, rows, how)) return false;

  const std::vector<int32_t> xs = Spread(width, kSampleColumns), ys = Spread(height, kSampleRows);
  std::vector<int32_t> escapes(xs.size() * ys.size(), 0);
  std::atomic<size_t> next{0};
  auto work = [&] {
    TFormulaContext pixel = sample;
    for (size_t i; (i = next.fetch_add(1)) < escapes.size();) {
      if (StopRequested(how.Watch)) return;
      const TPixelChannels v = perturbation.Evaluate(&pixel, xs[i % xs.size()], ys[i / xs.size()]);
      escapes[i] = int32_t(std::lround(v.Value[0]));
    }
  };
  std::vector<std::thread> workers;
  for (int32_t k = 1; k < threads; ++k) workers.emplace_back(work);
  work();
  for (std::thread& t : workers) t.join();
  if (StopRequested(how.Watch)) return false;

  choice.Limit = DeepLimitFromEscapes(escapes, formula, sample.MaxIter);
  choice.Reference = perturbation.Reference();
  return true;
}
