// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/relief.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "engine/smoothing_weights.h"

namespace {

int32_t Percent(int32_t row, int32_t rows) { return int32_t(std::nearbyint(double(row) * 100 / rows)); }

uint8_t Channel(double v) { return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0)); }

}  // namespace

float LargestValue(const float* values, int64_t count) {
  float largest = 0;
  for (int64_t i = 0; i < count; ++i)
    if (values[i] > largest) largest = values[i];
  return largest;
}

float ReliefHeight(float value, double smoothedSum, float largest, const TReliefSettings& s) {
  double height;
  if (value == 0) {
    height = s.InfinityToMax ? s.MaxHeight : 0;
  } else {
    const double sum = std::nearbyint(smoothedSum);
    if (!(value > 0) || !(sum > 0) || !(largest > 1) || !std::isfinite(sum) || !std::isfinite(largest))
      return 0;
    height = std::log10(sum) * (s.MaxHeight * std::cos(s.Angle)) / std::log10(double(largest));
    if (!std::isfinite(height)) return 0;
  }
  const double cap = s.MaxHeight * s.Thickness * 0.1;
  return float(height > cap ? cap : height);
}

bool ComputeHeights(const float* values, const TReliefSize& size, const TReliefSettings& s, float* heights,
                    const TReliefProgress& progress) {
  const int32_t bw = size.BufWidth, bh = size.BufHeight;
  std::fill(heights, heights + int64_t(bw) * bh, 0.0f);
  const float largest = LargestValue(values, int64_t(bw) * bh);
  for (int32_t py = 1; py <= bh - 2; ++py) {
    if (!progress(1, Percent(py, bh))) return false;
    const float* row = values + int64_t(py) * bw;
    float* out = heights + int64_t(py) * bw;
    for (int32_t px = 1; px <= bw - 2; ++px) {
      const float* at = row + px;
      const double sum = WeightedSum3x3([at, bw](int32_t dx, int32_t dy) { return at[int64_t(dy) * bw + dx]; });
      out[px] = ReliefHeight(*at, sum, largest, s);
    }
  }
  return true;
}

bool CastShadows(float* heights, const TReliefSize& size, const TReliefProgress& progress) {
  const int32_t bw = size.BufWidth, bh = size.BufHeight;
  for (int32_t py = 1; py <= bh - 3; ++py) {
    if (!progress(2, Percent(py, bh))) return false;
    float* row = heights + int64_t(py) * bw;
    for (int32_t px = 1; px <= bw - 2; ++px) {
      float v = row[px];
      for (int32_t k = px - 1; k >= 1; --k) {
        v -= 0.5f;
        if (row[k] >= v) break;
        row[k] = -std::fabs(row[k]);
      }
    }
  }
  return true;
}

bool DrawRelief(const float* heights, const TReliefSize& size, const TReliefSettings& s, uint8_t* image,
                const TReliefProgress& progress) {
  const int32_t bw = size.BufWidth, bh = size.BufHeight;
  const double sa = std::sin(s.Angle);
  const double low[3] = {double(s.Low.Red), double(s.Low.Green), double(s.Low.Blue)};
  const double span[3] = {s.High.Red - low[0], s.High.Green - low[1], s.High.Blue - low[2]};
  const double maxHeight = s.MaxHeight;
  auto put = [&](int64_t x, int64_t y, TColor3 c) {
    if (x < 0 || x >= bw || y < 0 || y >= bh) return;
    uint8_t* p = image + (y * bw + x) * 3;
    p[0] = c.Blue;
    p[1] = c.Green;
    p[2] = c.Red;
  };
  if (size.Width <= 0 || size.Height <= 0) return true;
  for (int32_t py = 1; py <= bh - 2; ++py) {
    if (!progress(3, Percent(py, bh))) return false;
    const double margin =
        std::nearbyint((1 - sa) * double(size.Width / 4) * (1 - double(py) / size.Height));
    const double base = std::nearbyint((size.Height - py) * sa);
    const float* row = heights + int64_t(py) * bw;
    for (int32_t px = 1; px <= bw - 2; ++px) {
      const double x = std::nearbyint((size.Width - 2 * margin) * px / size.Width) + margin;
      put(int64_t(x), int64_t(base), TColor3{});
      const float height = row[px];
      const double h = std::fabs(height);
      double rise[3] = {0, 0, 0};
      if (maxHeight > 0)
        for (int i = 0; i < 3; ++i) rise[i] = span[i] * h / maxHeight;
      TColor3 c;
      if (height > 0) {
        c.Red = Channel(low[0] + std::nearbyint(rise[0]));
        c.Green = Channel(low[1] + std::nearbyint(rise[1]));
        c.Blue = Channel(low[2] + std::nearbyint(rise[2]));
      } else {
        c.Red = Channel((rise[0] + low[0]) * 0.7);
        c.Green = Channel((rise[1] + low[1]) * 0.7);
        c.Blue = Channel((rise[2] + low[2]) * 0.7);
      }
      put(int64_t(x), int64_t(base + std::nearbyint(h)), c);
    }
  }
  return true;
}

bool RenderRelief(const float* values, const TReliefSize& size, const TReliefSettings& s, uint8_t* image,
                  const TReliefProgress& progress) {
  const int64_t count = int64_t(size.BufWidth) * size.BufHeight;
  std::fill(image, image + count * 3, uint8_t(0));
  std::unique_ptr<float[]> heights(new (std::nothrow) float[size_t(count)]);
  if (!heights) return false;
  return ComputeHeights(values, size, s, heights.get(), progress) && CastShadows(heights.get(), size, progress) &&
         DrawRelief(heights.get(), size, s, image, progress);
}
