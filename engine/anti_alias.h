// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The anti-aliased image: a half-size copy of an image in which every pixel
// is the 3 x 3 weighted mean of the image around the doubled position, with
// the image's border pixels standing in for neighbours beyond it.

#include <array>
#include <cstdint>

#include "platform/bitmap.h"

struct TAntiAliasSize {
  int32_t Width = 0, Height = 0;        // the image's Width div 2 and Height div 2
  int32_t BufWidth = 0, BufHeight = 0;  // rounded up to multiples of 4
  int64_t PixelCount = 0;               // BufWidth x BufHeight
  bool operator==(const TAntiAliasSize&) const = default;
};
TAntiAliasSize AntiAliasSizeOf(int32_t width, int32_t height);
// The 24-bit bottom-up header of the output buffer.
TBitmapInfoHeader AntiAliasHeader(const TAntiAliasSize& size);

// A 24-bit bottom-up bitmap whose top-left Width x Height pixels are the
// picture (the rows below it are the buffer's padding).
struct TImageView {
  const TBitmapInfoHeader* Header = nullptr;
  const uint8_t* Bits = nullptr;
  int32_t Width = 0, Height = 0;
};

// The byte offsets in a source row of the three pixels around output
// column i's doubled position, clamped to the source width.
std::array<int64_t, 3> AntiAliasColumns(int32_t i, int32_t sourceWidth);
// One output pixel (blue, green, red) from the source rows below, at and
// above the centre row, at the byte offsets of AntiAliasColumns.
void AntiAliasPixel(const std::array<const uint8_t*, 3>& rows, const std::array<int64_t, 3>& columns, uint8_t* out);

// Output column i (all its rows) into `out`, a bottom-up buffer of
// size.BufWidth x size.BufHeight. Rows are paired from the picture's bottom
// row: output row j (counted upwards) is centred on picture row 2j.
void AntiAliasColumn(const TImageView& source, const TAntiAliasSize& size, int32_t i, uint8_t* out);
// Every column.
void AntiAliasImage(const TImageView& source, const TAntiAliasSize& size, uint8_t* out);
