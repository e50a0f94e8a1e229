// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/relief.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const TReliefProgress kGoOn = [](int32_t, int32_t) { return true; };

TEST(Relief, HeightsAndTheCasesTheLogarithmCannotScale) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  TReliefSettings flatAngle;
  flatAngle.Angle = 0;  // cos 1: the full maximum height
  struct {
    float value;
    double sum;
    float largest;
    bool infinityToMax;
    int32_t thickness;
    float expected;
  } cases[] = {
      {5, 100, 100, true, 10, 50},   // log10(100) x 50 / log10(100)
      {5, 10, 100, true, 10, 25},    // half way up the logarithmic scale
      {5, 100, 100, true, 5, 25},    // capped at 50 x 5 x 0.1
      {5, 100, 100, true, 0, 0},     // thickness 0 flattens
      {0, 0, 100, true, 10, 50},     // never escaped: the maximum height
      {0, 0, 100, true, 3, 15},      // ... capped too
      {0, 0, 100, false, 10, 0},     // ... or flat
      {5, 100, 1, true, 10, 0},      // largest value 1: no scale
      {0.5f, 1, 0.5f, true, 10, 0},  // largest below 1
      {5, 0.49, 100, true, 10, 0},   // the sum rounds to 0
      {5, -3, 100, true, 10, 0},     // a sum below 0
      {-2, 100, 100, true, 10, 0},   // a negative value
      {nan, 100, 100, true, 10, 0},
      {5, 100, inf, true, 10, 0},
  };
  for (const auto& k : cases) {
    TReliefSettings s = flatAngle;
    s.InfinityToMax = k.infinityToMax;
    s.Thickness = k.thickness;
    EXPECT_FLOAT_EQ(ReliefHeight(k.value, k.sum, k.largest, s), k.expected)
        << k.value << " " << k.sum << " " << k.largest;
  }
}

TEST(Relief, ShadowsFallToTheLeftOnInnerRows) {
  const TReliefSize size{6, 4, 6, 4};
  // Row 1 casts shadows; row 2 is the last row but one and is left alone.
  std::vector<float> h = {0, 0, 0, 0, 0, 0,  //
                          0, 1, 1, 4, 1, 0,  //
                          0, 1, 1, 4, 1, 0,  //
                          0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(CastShadows(h.data(), size, kGoOn));
  const std::vector<float> row1(h.begin() + 6, h.begin() + 12), row2(h.begin() + 12, h.begin() + 18);
  EXPECT_EQ(row1, (std::vector<float>{0, -1, -1, 4, 1, 0}));
  EXPECT_EQ(row2, (std::vector<float>{0, 1, 1, 4, 1, 0}));
}

// The pixel at column x, row y (counted upwards) of a bottom-up image.
TColor3 At(const std::vector<uint8_t>& image, int32_t bw, int32_t x, int32_t y) {
  const uint8_t* p = image.data() + (size_t(y) * bw + x) * 3;
  return {p[0], p[1], p[2]};
}

TEST(Relief, FlatGroundIsDrawnAtSevenTenthsOfTheLowColour) {
  // A blank image (every value 0) with "Infinity to Max High" off, seen from
  // straight above: no margin, row py lies at height Height - py.
  const TReliefSize size{8, 8, 8, 8};
  const std::vector<float> values(64, 0.0f);
  TReliefSettings s;
  s.InfinityToMax = false;
  s.Angle = 1.5707963267948966;
  s.Low = {10, 50, 100};  // blue, green, red
  std::vector<uint8_t> image(64 * 3, 9);
  ASSERT_TRUE(RenderRelief(values.data(), size, s, image.data(), kGoOn));
  for (int32_t py = 1; py <= 6; ++py) {
    EXPECT_EQ(At(image, 8, 0, 8 - py), TColor3{}) << py;
    for (int32_t px = 1; px <= 6; ++px) EXPECT_EQ(At(image, 8, px, 8 - py), (TColor3{7, 35, 70})) << px << "," << py;
  }
  EXPECT_EQ(At(image, 8, 3, 0), TColor3{});  // cleared, never drawn

  // Thickness 0 flattens a rough image the same way.
  std::vector<float> rough(64);
  for (size_t i = 0; i < rough.size(); ++i) rough[i] = float(i % 7) * 30 + 2;
  s.Thickness = 0;
  std::vector<uint8_t> flat(64 * 3, 9);
  ASSERT_TRUE(RenderRelief(rough.data(), size, s, flat.data(), kGoOn));
  EXPECT_EQ(flat, image);
}

TEST(Relief, BlankImageWithInfinityToMaxStandsAtTheHighColourAndStops) {
  const TReliefSize size{61, 43, 64, 44};
  const std::vector<float> values(size_t(64) * 44, 0.0f);
  TReliefSettings s;
  s.MaxHeight = 30;  // the far rows of the plateau rise beyond the top: left out
  std::vector<uint8_t> image(size_t(64) * 44 * 3);
  ASSERT_TRUE(RenderRelief(values.data(), size, s, image.data(), kGoOn));
  int highPixels = 0;
  for (int32_t y = 0; y < 44; ++y)
    for (int32_t x = 0; x < 64; ++x) highPixels += At(image, 64, x, y) == s.High;
  EXPECT_GT(highPixels, 0);

  // Stopping in a step ends the picture at that row.
  std::vector<int32_t> steps;
  EXPECT_FALSE(RenderRelief(values.data(), size, s, image.data(), [&](int32_t step, int32_t percent) {
    steps.push_back(step * 1000 + percent);
    return step < 2 || percent < 5;
  }));
  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), 1002);  // Round(1 x 100 / 44)
  EXPECT_EQ(steps.back(), 2005);   // row 2 of 44: 4.5 rounds to even
}

}  // namespace
