// SPDX-License-Identifier: GPL-3.0-or-later
// ColorOf rounds without calling nearbyint, and PackedColorsOf colours a
// vector of pixels at a time; these cases hold both to the colours of the
// plain nearbyint arithmetic over many channel values, every palette kind and
// channel order, steps large and small, and every rounding mode.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/palette.h"
#include "formulas/vector_kernels.h"
#include "platform/program_folder.h"

namespace {

// The colour arithmetic with nearbyint, written out as ColorOf's reference.
bool ReferenceRound(float v, int32_t scale, int32_t& n) {
  const double r = std::abs(scale) < (1 << 29) ? std::nearbyint(double(v) * scale)
                                               : double(std::nearbyint(static_cast<long double>(v) * scale));
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
  n = int32_t(r);
  return true;
}

uint8_t ReferenceTriangle(int64_t n) {
  const uint32_t m = uint32_t(n) & 511u;
  return uint8_t(m > 255 ? 255 - (m & 255) : m);
}

uint32_t ReferenceIndex(int32_t n) { return (uint32_t(n) & 64u) ? 63 - (uint32_t(n) & 63u) : uint32_t(n) & 63u; }

TColor3 ReferenceColour(const TFPal& p, float c0, float c1, float c2) {
  if (c0 == 0 && c1 == 0 && c2 == 0) return p.InfinityColor;
  int32_t n0, n1, n2;
  uint8_t r, g, b;
  if (p.PaletteKind >= kPalLinear && p.PaletteKind <= kPalSquare) {
    if (!ReferenceRound(c0, 1, n0) || !ReferenceRound(c1, 1, n1) || !ReferenceRound(c2, 1, n2)) return p.InfinityColor;
    r = p.Table[ReferenceIndex(n0)].Red;
    g = p.Table[ReferenceIndex(n1)].Green;
    b = p.Table[ReferenceIndex(n2)].Blue;
  } else {
    if (!ReferenceRound(c0, p.RedStep, n0) || !ReferenceRound(c1, p.GreenStep, n1) ||
        !ReferenceRound(c2, p.BlueStep, n2))
      return p.InfinityColor;
    r = ReferenceTriangle(int64_t(n0) + p.RedShift);
    g = ReferenceTriangle(int64_t(n1) + p.GreenShift);
    b = ReferenceTriangle(int64_t(n2) + p.BlueShift);
  }
  const uint8_t order[6][3] = {{b, g, r}, {g, b, r}, {b, r, g}, {r, b, g}, {g, r, b}, {r, g, b}};
  const uint8_t* o = order[p.ColorOrder >= 1 && p.ColorOrder <= 5 ? p.ColorOrder : 0];
  return TColor3{o[0], o[1], o[2]};
}

// Channel values: integers, halves and their neighbours, the edges of float
// and of the rounding trick, non-finite values, and random bit patterns.
std::vector<float> ChannelValues() {
  std::vector<float> v;
  for (int i = -600; i <= 600; ++i) {
    const float f = float(i);
    for (float x : {f, f + 0.5f, f - 0.5f, f + 0.25f, std::nextafter(f + 0.5f, 1e9f), std::nextafter(f + 0.5f, -1e9f)})
      v.push_back(x);
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (float x : {0x1p22f, 0x1p23f, 0x1p24f, 0x1p31f, 0x1p51f, 0x1p52f, 0x1p60f, 0x1p100f, 2147483520.0f, 8388607.5f,
                  std::numeric_limits<float>::max(), std::numeric_limits<float>::min(),
                  std::numeric_limits<float>::denorm_min(), inf, std::numeric_limits<float>::quiet_NaN(), -0.0f}) {
    v.push_back(x);
    v.push_back(-x);
    v.push_back(std::nextafter(x, 0.0f));
  }
  std::mt19937 random(25);
  for (int i = 0; i < 4000; ++i) {
    uint32_t bits = uint32_t(random());
    float x;
    std::memcpy(&x, &bits, sizeof x);
    v.push_back(x);
    v.push_back(float(int32_t(random() % 200001) - 100000) / 8);
  }
  return v;
}

TEST(PaletteRounding, ColoursMatchTheNearbyintArithmetic) {
  SetProgramFolder("/nonexistent-px-folder");
  TFPal p;
  const std::vector<float> values = ChannelValues();
  std::vector<float> triples;
  for (size_t i = 0; i < values.size(); ++i)
    for (size_t k : {i, (i * 7 + 3) % values.size(), (i * 13 + 5) % values.size()}) triples.push_back(values[k]);
  const int32_t pixels = int32_t(values.size());
  std::vector<uint32_t> packed(values.size());
  const bool narrow = ForceNarrowVectors;
  struct Steps {
    int32_t red, green, blue, redShift, greenShift, blueShift;
  };
  const Steps standard[] = {
      {8, 8, 9, 0, 0, 64},
      {1, 1, 1, 0, 0, 0},
      {-3, 0, 1000, 7, -9, std::numeric_limits<int32_t>::max()},
      {(1 << 29) - 1, -(1 << 29) + 1, 1 << 29, 0, 0, 0},                                        // the edge of the exact product
      {(1 << 29) - 1, -(1 << 29) + 1, 3, 5, 6, 7},
      {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), 12345678, 1, 2, 3},
  };
  const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
  int64_t compared = 0;
  for (int kind = 0; kind <= 4; ++kind) {  // 4: an unknown kind colours as the standard palette
    for (const Steps& s : standard) {
      if (kind != kPalStandard && &s != standard) continue;  // the table kinds ignore the steps
      p.PaletteKind = kind;
      p.RedStep = s.red, p.GreenStep = s.green, p.BlueStep = s.blue;
      p.RedShift = s.redShift, p.GreenShift = s.greenShift, p.BlueShift = s.blueShift;
      p.IterChanging = kind;  // a different curve for each table kind
      p.InfinityColor = {1, 2, 3};
      p.Rebuild();
      for (int order = 0; order <= 6; ++order) {
        p.ColorOrder = order;
        for (int mode : modes) {
          std::fesetround(mode);
          // Eight lanes, four, and four from the second pixel on, so that a
          // run starts and ends off a vector's edge.
          for (const int run : {0, 1, 2, 3}) {
            ForceNarrowVectors = run >= 2;
            const int32_t skip = run == 2 ? 1 : 0;
            if (run > 0) p.PackedColorsOf(triples.data() + 3 * skip, pixels - skip, packed.data() + skip);
            for (int32_t i = skip; i < pixels; ++i) {
              const float* t = &triples[3 * size_t(i)];
              const uint32_t bits = run > 0 ? packed[size_t(i)] : p.PackedColorOf(t[0], t[1], t[2]);
              const TColor3 got{uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16)};
              const TColor3 want = ReferenceColour(p, t[0], t[1], t[2]);
              ++compared;
              if (got != want || bits >> 24 != 0 || (run == 0 && p.ColorOf(t[0], t[1], t[2]) != want)) {
                std::fesetround(FE_TONEAREST);
                ForceNarrowVectors = narrow;
                FAIL() << "run " << run << " kind " << kind << " order " << order << " mode " << mode << " steps "
                       << s.red << "," << s.green << "," << s.blue << " values " << t[0] << " " << t[1] << " "
                       << t[2];
              }
            }
          }
          ForceNarrowVectors = narrow;
        }
        std::fesetround(FE_TONEAREST);
      }
    }
  }
  EXPECT_GT(compared, 4000000);
  SetProgramFolder("");
}

}  // namespace
