// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/anti_alias_rows.h"

#include <algorithm>
#include <cstring>

namespace {

// The half picture pairs the picture's rows from the bottom, so an odd
// height leaves the top row out: half-picture row t is centred on picture
// row 2t + 1 + TopSkip.
int32_t TopSkip(int32_t sourceHeight) { return sourceHeight > 0 ? sourceHeight % 2 : 0; }

// Rows [first, end) clamped to the half picture.
TRowRange HalfRows(int32_t sourceHeight, int32_t first, int32_t end) {
  const int32_t height = std::max(sourceHeight / 2, 0);
  first = std::clamp(first, 0, height);
  return {first, std::clamp(end, first, height)};
}

}  // namespace

TRowRange AntiAliasSourceRows(int32_t sourceHeight, int32_t first, int32_t end) {
  const TRowRange half = HalfRows(sourceHeight, first, end);
  if (half.End == half.First) return {2 * half.First, 2 * half.First};
  return {2 * half.First, std::min(2 * half.End + TopSkip(sourceHeight) + 1, sourceHeight)};
}

TAntiAliasRows::TAntiAliasRows(TRowWriter& target, int32_t sourceWidth, int32_t sourceHeight, int32_t first,
                               int32_t end)
    : Target(target),
      SourceWidth(sourceWidth),
      SourceHeight(sourceHeight),
      Size(AntiAliasSizeOf(sourceWidth, sourceHeight)),
      Half(HalfRows(sourceHeight, first, end)),
      Source(AntiAliasSourceRows(sourceHeight, first, end)),
      Kept(size_t(std::max(sourceWidth, 0)) * 3 * 3),
      Out(size_t(Size.BufWidth) * 3) {}

std::array<int32_t, 3> TAntiAliasRows::RowsOf(int32_t t) const {
  const int32_t centre = 2 * t + 1 + TopSkip(SourceHeight);
  return {std::min(centre + 1, SourceHeight - 1), centre, centre - 1};
}

void TAntiAliasRows::WriteRow(const uint8_t* bgr) {
  if (Source.First >= Source.End) return;
  const size_t rowBytes = size_t(SourceWidth) * 3;
  std::memcpy(Kept.data() + size_t(Source.First % 3) * rowBytes, bgr, rowBytes);
  if (Half.First < Half.End && RowsOf(Half.First)[0] == Source.First) {
    const std::array<int32_t, 3> rows = RowsOf(Half.First);
    std::array<const uint8_t*, 3> kept;
    for (int k = 0; k < 3; ++k) kept[k] = Kept.data() + size_t(rows[k] % 3) * rowBytes;
    for (int32_t i = 0; i < Size.Width; ++i)
      AntiAliasPixel(kept, AntiAliasColumns(i, SourceWidth), Out.data() + size_t(i) * 3);
    Target.WriteRow(Out.data());
    ++Half.First;
  }
  ++Source.First;
}

void TAntiAliasRows::Finish() { Target.Finish(); }
