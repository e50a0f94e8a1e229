// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/anti_alias.h"

#include <algorithm>
#include <cmath>

#include "engine/smoothing_weights.h"

TAntiAliasSize AntiAliasSizeOf(int32_t width, int32_t height) {
  TAntiAliasSize s;
  s.Width = std::max(width / 2, 0);
  s.Height = std::max(height / 2, 0);
  s.BufWidth = PaddedSide(s.Width);
  s.BufHeight = PaddedSide(s.Height);
  s.PixelCount = int64_t(s.BufWidth) * s.BufHeight;
  return s;
}

TBitmapInfoHeader AntiAliasHeader(const TAntiAliasSize& size) {
  TBitmapInfoHeader h;
  h.biWidth = size.BufWidth;
  h.biHeight = size.BufHeight;
  return h;
}

std::array<int64_t, 3> AntiAliasColumns(int32_t i, int32_t sourceWidth) {
  std::array<int64_t, 3> columns;
  for (int32_t d = -1; d <= 1; ++d) columns[d + 1] = std::clamp(2 * i + d, 0, sourceWidth - 1) * int64_t(3);
  return columns;
}

void AntiAliasPixel(const std::array<const uint8_t*, 3>& rows, const std::array<int64_t, 3>& columns, uint8_t* out) {
  for (int32_t channel = 0; channel < 3; ++channel) {
    const double sum =
        WeightedSum3x3([&](int32_t dx, int32_t dy) { return rows[dy + 1][columns[dx + 1] + channel]; });
    out[channel] = uint8_t(std::clamp(std::nearbyint(sum), 0.0, 255.0));
  }
}

void AntiAliasColumn(const TImageView& source, const TAntiAliasSize& size, int32_t i, uint8_t* out) {
  if (!source.Bits || source.Width <= 0 || source.Height <= 0) return;
  const int64_t srcStride = int64_t(source.Header->biWidth) * 3;
  // The picture's bottom row in memory: the padding rows lie below it.
  const int64_t srcBottom = source.Header->biHeight - source.Height;
  const int64_t outBottom = size.BufHeight - size.Height;
  const std::array<int64_t, 3> columns = AntiAliasColumns(i, source.Width);
  for (int32_t j = 0; j < size.Height; ++j) {
    std::array<const uint8_t*, 3> rows;
    for (int32_t d = -1; d <= 1; ++d)
      rows[d + 1] = source.Bits + (srcBottom + std::clamp(2 * j + d, 0, source.Height - 1)) * srcStride;
    AntiAliasPixel(rows, columns, out + ((outBottom + j) * size.BufWidth + i) * 3);
  }
}

void AntiAliasImage(const TImageView& source, const TAntiAliasSize& size, uint8_t* out) {
  for (int32_t i = 0; i < size.Width; ++i) AntiAliasColumn(source, size, i, out);
}
