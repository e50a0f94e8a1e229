// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/anti_alias.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(AntiAlias, HalfSizeAndBufferRounding) {
  struct {
    int32_t width, height;
    TAntiAliasSize expected;
  } cases[] = {
      {1, 1, {0, 0, 0, 0, 0}},
      {1, 9, {0, 4, 0, 4, 0}},
      {2, 2, {1, 1, 4, 4, 16}},
      {301, 201, {150, 100, 152, 100, 15200}},
      {2048, 1536, {1024, 768, 1024, 768, 786432}},
  };
  for (const auto& k : cases) EXPECT_EQ(AntiAliasSizeOf(k.width, k.height), k.expected) << k.width << "x" << k.height;
  const TBitmapInfoHeader h = AntiAliasHeader(AntiAliasSizeOf(301, 201));
  EXPECT_EQ(h.biWidth, 152);
  EXPECT_EQ(h.biHeight, 100);
  EXPECT_EQ(h.biBitCount, 24);
}

// A picture of width x height in a buffer of bw x bh whose padding rows hold
// 255 (they must never be read); pixel (x, rowFromBottom) gets value(x, r) in
// all three channels.
struct TPicture {
  TBitmapInfoHeader Header;
  std::vector<uint8_t> Bits;
  TImageView View;
  template <class F>
  TPicture(int32_t width, int32_t height, int32_t bw, int32_t bh, F value) : Bits(size_t(bw) * bh * 3, 255) {
    Header.biWidth = bw;
    Header.biHeight = bh;
    for (int32_t r = 0; r < height; ++r)
      for (int32_t x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) Bits[(size_t(bh - height + r) * bw + x) * 3 + c] = uint8_t(value(x, r));
    View = {&Header, Bits.data(), width, height};
  }
};

TEST(AntiAlias, BordersWeighTheirClampedNeighbours) {
  // Columns 200, 0, 40, 80: column 0 of the output weighs column 0 both as
  // its left and its centre term: 0.25 x 200 + 0.5 x 200 + 0.25 x 0.
  const int32_t colValue[] = {200, 0, 40, 80};
  TPicture byColumn(4, 4, 4, 4, [&](int32_t x, int32_t) { return colValue[x]; });
  // Rows from the bottom 0, 40, 80, 120, 160 in a buffer of 8 rows: output
  // rows centre on picture rows 0 and 2 counted from the bottom.
  TPicture byRow(5, 5, 8, 8, [](int32_t, int32_t r) { return 40 * r; });
  struct {
    TPicture* picture;
    int32_t column, rowFromBottom;
    uint8_t expected;
  } cases[] = {
      {&byColumn, 0, 0, 150},
      {&byColumn, 1, 0, 40},  // 0.25 x 0 + 0.5 x 40 + 0.25 x 80
      {&byColumn, 1, 1, 40},
      {&byRow, 0, 0, 10},  // 0.25 x 0 + 0.5 x 0 + 0.25 x 40
      {&byRow, 1, 1, 80},  // 0.25 x 40 + 0.5 x 80 + 0.25 x 120
  };
  for (const auto& k : cases) {
    const TImageView& v = k.picture->View;
    const TAntiAliasSize size = AntiAliasSizeOf(v.Width, v.Height);
    std::vector<uint8_t> out(size_t(size.PixelCount) * 3, 7);
    AntiAliasImage(v, size, out.data());
    const size_t memoryRow = size_t(size.BufHeight - size.Height + k.rowFromBottom);
    for (int c = 0; c < 3; ++c)
      EXPECT_EQ(out[(memoryRow * size.BufWidth + k.column) * 3 + c], k.expected) << k.column << "," << k.rowFromBottom;
    // The output's padding rows below the picture stay untouched.
    EXPECT_EQ(out[0], 7);
  }
}

}  // namespace
