// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/palette.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include "platform/profile.h"
#include "platform/program_folder.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {


// Every palette test runs with an empty scratch folder as the program folder,
// so no "default.frp" lying beside the test binary changes the defaults.
class PaletteTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramFolder(Scratch.Path); }
  void TearDown() override { SetProgramFolder(""); }
  std::string File(const std::string& name) const { return Scratch.File(name); }
  TScratchFolder Scratch{"px_palette"};
};

struct RGB {
  int r, g, b;
};

::testing::AssertionResult SameRgb(TColor3 c, RGB want) {
  if (c.Red == want.r && c.Green == want.g && c.Blue == want.b) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got (" << int(c.Red) << ", " << int(c.Green) << ", " << int(c.Blue)
                                       << "), want (" << want.r << ", " << want.g << ", " << want.b << ")";
}

bool SameRamp(const TPalRamp& a, const TPalRamp& b) {
  return a.Start == b.Start && a.End == b.End && a.Span == b.Span && a.Base == b.Base;
}
bool SameParabola(const TPalParabola& a, const TPalParabola& b) {
  return a.Start == b.Start && a.End == b.End && a.A == b.A && a.B == b.B && a.C == b.C;
}

// Every stored field and the whole table; the contrast compared bit for bit.
bool SamePalette(const TFPal& a, const TFPal& b) {
  for (int i = 0; i < kPalTableSize; ++i)
    if (!(a.Table[i] == b.Table[i])) return false;
  return a.ColorOrder == b.ColorOrder && a.InfinityColor == b.InfinityColor && a.RedStep == b.RedStep &&
         a.GreenStep == b.GreenStep && a.BlueStep == b.BlueStep && a.RedShift == b.RedShift &&
         a.GreenShift == b.GreenShift && a.BlueShift == b.BlueShift && SameRamp(a.LinearRed, b.LinearRed) &&
         SameRamp(a.LinearGreen, b.LinearGreen) && SameRamp(a.LinearBlue, b.LinearBlue) &&
         SameParabola(a.ParabolaRed, b.ParabolaRed) && SameParabola(a.ParabolaGreen, b.ParabolaGreen) &&
         SameParabola(a.ParabolaBlue, b.ParabolaBlue) && SameRamp(a.SquareRed, b.SquareRed) &&
         SameRamp(a.SquareGreen, b.SquareGreen) && SameRamp(a.SquareBlue, b.SquareBlue) &&
         a.PaletteKind == b.PaletteKind && std::memcmp(&a.Contrast, &b.Contrast, sizeof(float)) == 0 &&
         a.IterChanging == b.IterChanging;
}

// A palette with every setting away from its default.
void MakeDistinct(TFPal& p) {
  p.PaletteKind = kPalSquare;
  p.ColorOrder = 4;
  p.Contrast = 0.05f;
  p.IterChanging = 3;
  p.InfinityColor = TColor3{11, 22, 33};
  p.RedStep = 1;
  p.GreenStep = 2;
  p.BlueStep = 3;
  p.RedShift = 4;
  p.GreenShift = 5;
  p.BlueShift = 6;
  p.LinearRed = {10, 20};
  p.LinearGreen = {30, 40};
  p.LinearBlue = {50, 60};
  p.ParabolaRed = {70, 80};
  p.ParabolaGreen = {90, 100};
  p.ParabolaBlue = {110, 120};
  p.SquareRed = {130, 140};
  p.SquareGreen = {150, 160};
  p.SquareBlue = {170, -5};
  p.Rebuild();
}

const char* const kDefaultFrp =
    "[Colors]\n"
    "Palette type=0\n"
    "ColorOrder=0\n"
    "Contrast=0.75\n"
    "IterChanging=0\n"
    "InfinityRed=0\n"
    "InfinityGreen=0\n"
    "InfinityBlue=0\n"
    "\n"
    "[Standart palette]\n"
    "RedStep=8\n"
    "RedShift=0\n"
    "GreenStep=8\n"
    "GreenShift=0\n"
    "BlueStep=9\n"
    "BlueShift=64\n"
    "\n"
    "[Linear palette]\n"
    "Red1=0\n"
    "Red2=255\n"
    "Green1=0\n"
    "Green2=255\n"
    "Blue1=128\n"
    "Blue2=0\n"
    "\n"
    "[Parabola palette]\n"
    "Red1=0\n"
    "Red2=255\n"
    "Green1=0\n"
    "Green2=255\n"
    "Blue1=255\n"
    "Blue2=0\n"
    "\n"
    "[Square palette]\n"
    "Red1=0\n"
    "Red2=128\n"
    "Green1=0\n"
    "Green2=0\n"
    "Blue1=0\n"
    "Blue2=255\n";

}  // namespace

TEST_F(PaletteTest, StandardPaletteColors) {
  TFPal p;
  struct Row {
    float v0, v1, v2;
    RGB want;
  };
  // Defaults: steps 8, 8, 9, shifts 0, 0, 64.
  const Row defaults[] = {
      {1, 1, 1, {8, 8, 73}},
      {40, 40, 40, {191, 191, 87}},  // blue n = 424: 255 - 168
      {0, 0, 1, {0, 0, 73}},         // not all zero: no infinity colour
  };
  for (const Row& r : defaults) EXPECT_TRUE(SameRgb(p.ColorOf(r.v0, r.v1, r.v2), r.want)) << r.v0;

  p.RedStep = p.GreenStep = p.BlueStep = 1;
  p.BlueShift = 0;
  const Row unit[] = {
      {0.5f, 1.5f, 2.5f, {0, 2, 2}},  // half to even
      {-1, -8, 300, {0, 7, 211}},     // two's complement: -1 -> 511, -8 -> 504
      {255, 256, 511, {255, 255, 0}},
      {512, 767.5f, 0, {0, 255, 0}},  // 767.5 -> 768, and 768 & 511 = 256
      {2147483520.0f, 1, 1, {127, 1, 1}},  // the largest float below 2^31 still rounds
  };
  for (const Row& r : unit) EXPECT_TRUE(SameRgb(p.ColorOf(r.v0, r.v1, r.v2), r.want)) << r.v0;

  // n = Round(v x step) + shift may pass the int32 range: only its low bits count.
  p.RedShift = std::numeric_limits<int32_t>::max();
  EXPECT_TRUE(SameRgb(p.ColorOf(1, 1, 1), {0, 1, 1}));  // 2^31 & 511 = 0
}

TEST_F(PaletteTest, InfinityColourCases) {
  TFPal p;
  p.InfinityColor = TColor3{3, 2, 1};  // blue 3, green 2, red 1
  p.SetColorOrder(5);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    int kind;
    float v0, v1, v2;
  };
  const Row rows[] = {
      {kPalStandard, 0, 0, 0},   {kPalStandard, -0.0f, 0, -0.0f}, {kPalStandard, nan, 1, 1},
      {kPalStandard, 1, inf, 1}, {kPalStandard, 1, 1, 1e9f},      // 9e9 does not fit in 32 bits
      {kPalLinear, 0, 0, 0},     {kPalLinear, 3e9f, 1, 1},        {kPalLinear, 1, -3e9f, 1},
      {kPalSquare, 1, 1, nan},   {kPalLinear, 2147483648.0f, 1, 1},
  };
  for (const Row& r : rows) {
    p.PaletteKind = r.kind;
    p.Rebuild();
    EXPECT_TRUE(SameRgb(p.ColorOf(r.v0, r.v1, r.v2), {1, 2, 3})) << r.kind << " " << r.v0 << " " << r.v1;
  }
  // Just inside the range a colour is computed (and permuted).
  p.PaletteKind = kPalStandard;
  p.RedStep = 1;
  EXPECT_FALSE(SameRgb(p.ColorOf(2147483520.0f, 1, 1), {1, 2, 3}));
}

TEST_F(PaletteTest, TableIndexFolding) {
  TFPal p;
  p.PaletteKind = kPalLinear;  // the table is filled by hand below, not rebuilt
  for (int k = 0; k < kPalTableSize; ++k) p.Table[k] = TColor3{uint8_t(200 - k), uint8_t(100 + k), uint8_t(k)};
  struct Row {
    float value;
    int entry;
  };
  const Row rows[] = {{0.4f, 0},   {1, 1},     {63, 63},  {64, 63}, {65, 62},  {127, 0},   {128, 0},
                      {191, 63},   {192, 63},  {-1, 0},   {-64, 63}, {-65, 63}, {100.5f, 27} /* -> 100 */,
                      {101.5f, 25} /* -> 102 */, {1000000, 63} /* 1000000 & 127 = 64 */};
  for (const Row& r : rows) {
    // Each channel indexes its own entry and takes its own byte of it.
    const TColor3 c = p.ColorOf(r.value, 5, 70);
    EXPECT_EQ(c.Red, r.entry) << r.value;
    EXPECT_EQ(c.Green, 105) << r.value;
    EXPECT_EQ(c.Blue, 200 - 57) << r.value;  // 70 -> entry 57
  }
}

TEST_F(PaletteTest, EveryColorOrder) {
  TFPal p;
  p.RedStep = p.GreenStep = p.BlueStep = 1;
  p.BlueShift = 0;
  struct Row {
    int order;
    RGB want;
  };
  const Row rows[] = {{0, {10, 20, 30}}, {1, {10, 30, 20}}, {2, {20, 10, 30}}, {3, {20, 30, 10}},
                      {4, {30, 10, 20}}, {5, {30, 20, 10}}, {6, {10, 20, 30}}, {-1, {10, 20, 30}}};
  for (const Row& r : rows) {
    p.SetColorOrder(r.order);
    EXPECT_TRUE(SameRgb(p.ColorOf(10, 20, 30), r.want)) << r.order;
  }
}

TEST_F(PaletteTest, TableEntriesOfEveryKindAndCurve) {
  struct Row {
    int kind, curve, entry;
    RGB want;
  };
  // Defaults with Contrast 0.75 unless the row says otherwise. Linear red
  // 0..255 and blue 128..0; parabola red 0/255 (a = -1020, b = 1020) and blue
  // 255/0; square red 0..128, green 0..0, blue 0..255.
  const Row rows[] = {
      {kPalLinear, 0, 0, {0, 0, 96}},
      {kPalLinear, 0, 64, {191, 191, 0}},
      {kPalLinear, 0, 16, {48, 48, 72}},    // f = 0.25: 47.8125, (128 - 32) x 0.75
      {kPalLinear, 0, 63, {188, 188, 2}},   // blue 1.5 -> 2
      {kPalLinear, 1, 1, {24, 24, 84}},     // f = 1/8
      {kPalLinear, 1, 16, {96, 96, 48}},    // f = 1/2: 95.625
      {kPalLinear, 1, 48, {166, 166, 13}},  // f = 0.8660254
      {kPalLinear, 2, 0, {98, 98, 255}},    // f = -553.65466: -105886 and 53247, low 8 bits
      {kPalLinear, 2, 1, {0, 0, 96}},       // ln 1 = 0
      {kPalLinear, 2, 8, {96, 96, 48}},     // ln 8 / ln 64 = 1/2
      {kPalLinear, 2, 64, {191, 191, 0}},
      {kPalLinear, 3, 1, {5, 5, 94}},       // sin(pi/128) = 0.0245412
      {kPalLinear, 3, 16, {73, 73, 59}},    // sin(pi/8) = 0.3826834
      {kPalLinear, 3, 32, {135, 135, 28}},  // sin(pi/4) = 0.7071068
      {kPalLinear, 3, 64, {191, 191, 0}},
      {kPalLinear, 4, 1, {9, 9, 91}},       // sin(pi/64) = 0.0490677
      {kPalLinear, 4, 32, {191, 191, 0}},
      {kPalLinear, 4, 48, {135, 135, 28}},
      {kPalLinear, 4, 64, {0, 0, 96}},      // sin(pi) is 0 to within 1e-19
      {kPalLinear, 5, 0, {191, 191, 0}},
      {kPalLinear, 5, 16, {177, 177, 7}},   // cos(pi/8) = 0.9238795
      {kPalLinear, 5, 64, {0, 0, 96}},
      {kPalLinear, 9, 16, {48, 48, 72}},    // unknown curves are linear
      {kPalLinear, -1, 64, {191, 191, 0}},
      {kPalParabola, 0, 0, {0, 0, 191}},
      {kPalParabola, 0, 16, {143, 143, 48}},  // 191.25 x 0.75, 63.75 x 0.75
      {kPalParabola, 0, 32, {191, 191, 0}},
      {kPalParabola, 0, 64, {0, 0, 191}},
      {kPalParabola, 2, 0, {65, 65, 126}},  // -234921662.57, 234921853.82: low 8 bits
      {kPalSquare, 0, 0, {0, 0, 0}},
      {kPalSquare, 0, 16, {48, 0, 96}},     // g = 1/2: 48, 95.625
      {kPalSquare, 0, 64, {96, 0, 191}},
      {kPalSquare, 2, 0, {211, 0, 148}},    // g = sqrt(553.65466): 2258.87, 4500.09
  };
  for (const Row& r : rows) {
    TFPal p;
    p.PaletteKind = r.kind;
    p.IterChanging = r.curve;
    p.Rebuild();
    TColor3 c{1, 2, 3};
    p.TableEntry(r.entry, c);
    EXPECT_TRUE(SameRgb(c, r.want)) << "kind " << r.kind << " curve " << r.curve << " entry " << r.entry;
    EXPECT_TRUE(p.Table[r.entry] == c);
  }
  // The standard palette leaves the entry alone, and so does an unknown kind.
  for (int kind : {kPalStandard, 4, -2}) {
    TFPal p;
    p.PaletteKind = kind;
    TColor3 c{1, 2, 3};
    p.TableEntry(10, c);
    EXPECT_TRUE(SameRgb(c, {3, 2, 1})) << kind;
  }
}

TEST_F(PaletteTest, TableRoundingAndLowBits) {
  struct Row {
    int start;
    float contrast;
    int want;
  };
  // Entry 0 of the linear palette is Round(start x contrast).
  const Row rows[] = {{1, 0.5f, 0},     {3, 0.5f, 2},   {5, 0.5f, 2},    {7, 0.5f, 4}, {300, 1, 44},
                      {-1, 1, 255},     {256, 1, 0},    {-300, 1, 212},  {5, -1, 251},
                      {1 << 30, 4, 0},  // 2^32: beyond int32, the low bits are still 0
                      {2147483647, 3, 253}};  // 6442450941 = 0x17FFFFFFD
  for (const Row& r : rows) {
    TFPal p;
    p.PaletteKind = kPalLinear;
    p.Contrast = r.contrast;
    p.LinearRed = {r.start, r.start};
    p.Rebuild();
    EXPECT_EQ(p.Table[0].Red, r.want) << r.start << " x " << r.contrast;
  }
  // Derived coefficients, including ones that wrap around.
  TFPal p;
  EXPECT_EQ(p.LinearBlue.Span, -128);
  EXPECT_EQ(p.LinearBlue.Base, 128);
  EXPECT_EQ(p.ParabolaRed.A, -1020);
  EXPECT_EQ(p.ParabolaRed.B, 1020);
  EXPECT_EQ(p.ParabolaBlue.C, 255);
  EXPECT_EQ(p.SquareBlue.Span, 255);
  p.LinearRed = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
  p.ParabolaRed = {std::numeric_limits<int32_t>::min(), 0};
  p.Contrast = std::numeric_limits<float>::infinity();
  p.PaletteKind = kPalParabola;
  p.Rebuild();  // must not trap; infinite products give 0
  EXPECT_EQ(p.LinearRed.Span, -1);
  EXPECT_EQ(p.ParabolaRed.A, 0);  // 4 x -2^31 wraps to 0
  EXPECT_EQ(p.Table[0].Red, 0);
  // A parabola is its start at both ends and its end in the middle.
  TFPal q;
  q.PaletteKind = kPalParabola;
  q.Contrast = 1;
  q.ParabolaGreen = {10, 200};
  q.Rebuild();
  EXPECT_EQ(q.Table[0].Green, 10);
  EXPECT_EQ(q.Table[32].Green, 200);
  EXPECT_EQ(q.Table[64].Green, 10);
}

TEST_F(PaletteTest, OnChangeCalls) {
  TFPal p;
  int calls = 0;
  p.OnChange = [&calls] { ++calls; };
  struct Step {
    const char* what;
    std::function<void()> action;
    int calls;
  };
  TFPal other;
  const Step steps[] = {
      {"Rebuild", [&] { p.Rebuild(); }, 1},
      {"same order", [&] { p.SetColorOrder(0); }, 0},
      {"new order", [&] { p.SetColorOrder(2); }, 1},
      {"end point", [&] { p.SetEndPoint(2, 100); }, 1},
      {"kind 0", [&] { p.SetEndPoint(0, 100); }, 0},
      {"kind 22", [&] { p.SetEndPoint(22, 100); }, 0},
      {"Assign", [&] { p.Assign(other); }, 1},
      {"Reset", [&] { p.Reset(); }, 1},
      {"load", [&] { p.LoadFromFile(File("none.frp")); }, 1},
  };
  for (const Step& s : steps) {
    calls = 0;
    s.action();
    EXPECT_EQ(calls, s.calls) << s.what;
  }
}

TEST_F(PaletteTest, EndPointsAndHandles) {
  struct Row {
    int kind;
    TPalRamp TFPal::*ramp;
    TPalParabola TFPal::*parabola;
    bool start;
    int x;  // handle x in a 200-wide box
  };
  const Row rows[] = {
      {1, &TFPal::LinearRed, nullptr, true, 1},         {2, &TFPal::LinearRed, nullptr, false, 198},
      {3, &TFPal::LinearGreen, nullptr, true, 1},       {4, &TFPal::LinearGreen, nullptr, false, 198},
      {5, &TFPal::LinearBlue, nullptr, true, 1},        {6, &TFPal::LinearBlue, nullptr, false, 198},
      {7, nullptr, &TFPal::ParabolaRed, true, 1},       {8, nullptr, &TFPal::ParabolaRed, false, 100},
      {9, nullptr, &TFPal::ParabolaRed, true, 198},     {10, nullptr, &TFPal::ParabolaGreen, true, 1},
      {11, nullptr, &TFPal::ParabolaGreen, false, 100}, {12, nullptr, &TFPal::ParabolaGreen, true, 198},
      {13, nullptr, &TFPal::ParabolaBlue, true, 1},     {14, nullptr, &TFPal::ParabolaBlue, false, 100},
      {15, nullptr, &TFPal::ParabolaBlue, true, 198},   {16, &TFPal::SquareRed, nullptr, true, 1},
      {17, &TFPal::SquareRed, nullptr, false, 198},     {18, &TFPal::SquareGreen, nullptr, true, 1},
      {19, &TFPal::SquareGreen, nullptr, false, 198},   {20, &TFPal::SquareBlue, nullptr, true, 1},
      {21, &TFPal::SquareBlue, nullptr, false, 198},
  };
  for (const Row& r : rows) {
    TFPal p;
    p.SetEndPoint(r.kind, 200);
    const int32_t value = r.ramp ? (r.start ? (p.*r.ramp).Start : (p.*r.ramp).End)
                                 : (r.start ? (p.*r.parabola).Start : (p.*r.parabola).End);
    EXPECT_EQ(value, 200) << r.kind;
    // Height 101: (101 - 1) / 255 as a float is 0.39215687; x 200 = 78.43 -> 78.
    EXPECT_EQ(p.HandlePosition(r.kind, 200, 101), (TPalPoint{r.x, 101 - 78 - 1})) << r.kind;
    EXPECT_EQ(p.HandlePosition(r.kind, 201, 101).X, r.x == 100 ? 100 : (r.x == 1 ? 1 : 199)) << r.kind;
  }
  // Kinds 7 and 9 are one end point; so are 10/12 and 13/15.
  TFPal p;
  p.SetEndPoint(9, 17);
  EXPECT_EQ(p.ParabolaRed.Start, 17);
  EXPECT_EQ(p.ParabolaRed.C, 17);  // rebuilt
  EXPECT_EQ(p.HandlePosition(7, 50, 50).Y, p.HandlePosition(9, 50, 50).Y);
  // The table follows: linear red end 100 gives entry 64 red 75.
  p.PaletteKind = kPalLinear;
  p.SetEndPoint(2, 100);
  EXPECT_EQ(p.LinearRed.Span, 100);
  EXPECT_EQ(p.Table[64].Red, 75);

  struct YRow {
    int height, value, y;
  };
  const YRow ys[] = {{101, 0, 100}, {101, 64, 75},  {101, 128, 50}, {101, 255, 0}, {101, -10, 104}, {101, 300, -18},
                     {256, 0, 255}, {256, 200, 55}, {50, 64, 37},   {50, 128, 24}, {50, 255, 0},    {2, 128, 0}};
  for (const YRow& r : ys) {
    TFPal q;
    q.SetEndPoint(1, r.value);
    EXPECT_EQ(q.HandlePosition(1, 100, r.height).Y, r.y) << r.height << " " << r.value;
  }
  // Unused kinds.
  EXPECT_EQ(p.HandlePosition(0, 100, 100), (TPalPoint{0, 0}));
  EXPECT_EQ(p.HandlePosition(22, 100, 100), (TPalPoint{0, 0}));
}

TEST_F(PaletteTest, AssignCopiesSettingsButNotInfinityOrOnChange) {
  TFPal source, target;
  MakeDistinct(source);
  int calls = 0;
  target.OnChange = [&calls] { ++calls; };
  target.InfinityColor = TColor3{1, 2, 3};
  target.Assign(source);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(target.InfinityColor == (TColor3{1, 2, 3}));
  target.InfinityColor = source.InfinityColor;
  EXPECT_TRUE(SamePalette(target, source));
  EXPECT_FALSE(source.OnChange);
}

TEST_F(PaletteTest, SaveWritesTheExactFile) {
  TFPal p;
  const std::string path = File("default_out.frp");
  p.SaveToFile(path);
  EXPECT_EQ(ReadBytes(path), kDefaultFrp);

  MakeDistinct(p);
  p.SaveToFile(path);
  TProfileFile f(path);
  EXPECT_EQ(f.ReadString("Colors", "Contrast", ""), "0.0500000007450580597");
  EXPECT_EQ(f.ReadString("Colors", "InfinityRed", ""), "33");
  EXPECT_EQ(f.ReadString("Colors", "InfinityBlue", ""), "11");
  EXPECT_EQ(f.ReadString("Square palette", "Blue2", ""), "-5");
  EXPECT_EQ(f.ReadString("Colors", "Palette type", ""), "3");
  EXPECT_EQ(f.ReadString("Colors", "ColorOrder", ""), "4");
  EXPECT_EQ(f.SectionNames(), (std::vector<std::string>{"Colors", "Standart palette", "Linear palette",
                                                        "Parabola palette", "Square palette"}));
}

TEST_F(PaletteTest, RoundTrip) {
  TFPal p;
  MakeDistinct(p);
  const std::string first = File("a.frp"), second = File("b.frp");
  p.SaveToFile(first);
  TFPal q;
  q.LoadFromFile(first);
  EXPECT_TRUE(SamePalette(p, q));
  q.SaveToFile(second);
  EXPECT_EQ(ReadBytes(first), ReadBytes(second));
  // Saving again over the same file changes nothing.
  const std::string before = ReadBytes(first);
  q.SaveToFile(first);
  EXPECT_EQ(ReadBytes(first), before);
}

TEST_F(PaletteTest, LoadsAHandWrittenFile) {
  const std::string path = File("hand.frp");
  WriteBytes(path,
             "; palette for a spot\r\n"
             "[Fractal]\r\n"
             "X_Coord=-2.2\r\n"
             "[COLORS]\r\n"
             "palette TYPE = 1\r\n"
             "ColorOrder=3\r\n"
             "Contrast= 0.5 \r\n"
             "IterChanging=1\r\n"
             "InfinityRed=258\r\n"  // low 8 bits: 2
             "InfinityGreen=7\r\n"
             "InfinityBlue=-1\r\n"  // 255
             "[standart palette]\r\n"
             "RedStep=1\r\nRedShift=2\r\nGreenStep=3\r\nGreenShift=4\r\nBlueStep=5\r\nBlueShift=6\r\n"
             "[Linear palette]\r\n"
             "Red1=10\r\nRed2=250\r\nGreen1=20\r\nGreen2=0\r\nBlue1=0\r\nBlue2=100\r\n"
             "[Parabola palette]\r\n"
             "Red1=1\r\nRed2=2\r\nGreen1=3\r\nGreen2=4\r\nBlue1=5\r\nBlue2=6\r\n"
             "[Square palette]\r\n"
             "Red1=7\r\nRed2=8\r\nGreen1=9\r\nGreen2=10\r\nBlue1=11\r\nBlue2=12\r\n");
  const std::string before = ReadBytes(path);
  TFPal p;
  p.LoadFromFile(path);
  EXPECT_EQ(ReadBytes(path), before);  // reading leaves the file alone
  EXPECT_EQ(p.PaletteKind, kPalLinear);
  EXPECT_EQ(p.ColorOrder, 3);
  EXPECT_EQ(p.Contrast, 0.5f);
  EXPECT_EQ(p.IterChanging, 1);
  EXPECT_TRUE(SameRgb(p.InfinityColor, {2, 7, 255}));
  EXPECT_EQ(p.RedStep, 1);
  EXPECT_EQ(p.RedShift, 2);
  EXPECT_EQ(p.GreenStep, 3);
  EXPECT_EQ(p.GreenShift, 4);
  EXPECT_EQ(p.BlueStep, 5);
  EXPECT_EQ(p.BlueShift, 6);
  EXPECT_TRUE(SameRamp(p.LinearRed, {10, 250, 240, 10}));
  EXPECT_TRUE(SameRamp(p.LinearGreen, {20, 0, -20, 20}));
  EXPECT_TRUE(SameRamp(p.LinearBlue, {0, 100, 100, 0}));
  EXPECT_TRUE(SameParabola(p.ParabolaRed, {1, 2, -4, 4, 1}));
  EXPECT_TRUE(SameParabola(p.ParabolaBlue, {5, 6, -4, 4, 5}));
  EXPECT_TRUE(SameRamp(p.SquareGreen, {9, 10, 1, 9}));
  EXPECT_TRUE(SameRamp(p.SquareBlue, {11, 12, 1, 11}));
  // Entry 16 with the square-root curve: f = 1/2; red (120 + 10) x 0.5 = 65,
  // green (-10 + 20) x 0.5 = 5, blue 50 x 0.5 = 25.
  EXPECT_TRUE(SameRgb(p.Table[16], {65, 5, 25}));
}

TEST_F(PaletteTest, MissingKeysAndMissingFiles) {
  const std::string partial = File("partial.frp");
  WriteBytes(partial, "[Colors]\nPalette type=2\n[Standart palette]\nGreenStep=junk\n");
  const std::string missing = File("missing.frp");
  const std::string folder = Scratch.Path;  // a folder cannot be read as a file
  for (const std::string& path : {partial, missing, folder}) {
    TFPal p;
    MakeDistinct(p);  // ColorOrder 4, Contrast 0.05, infinity (33, 22, 11), ...
    p.LoadFromFile(path);
    EXPECT_EQ(p.ColorOrder, 0) << path;        // missing ColorOrder: "R G B"
    EXPECT_EQ(p.Contrast, 0.75f) << path;      // missing Contrast: "0.75"
    EXPECT_TRUE(SameRgb(p.InfinityColor, {0, 0, 0})) << path;
    EXPECT_EQ(p.RedStep, 1) << path;           // missing RedStep keeps the current step
    EXPECT_EQ(p.GreenStep, 2) << path;         // not a number: kept as well
    EXPECT_EQ(p.IterChanging, 3) << path;
    EXPECT_TRUE(SameRamp(p.SquareBlue, {170, -5, -175, 170})) << path;
    EXPECT_EQ(p.PaletteKind, path == partial ? kPalParabola : kPalSquare) << path;
  }
}

TEST_F(PaletteTest, UnreadableContrastChangesNothing) {
  const char* const bad[] = {"abc", "", "0,75", "1e50", "-1e39", "nan", "inf", "0.5x"};
  for (const char* text : bad) {
    const std::string path = File("bad.frp");
    WriteBytes(path, std::string("[Colors]\nPalette type=1\nColorOrder=2\nContrast=") + text +
                         "\nInfinityRed=9\n[Standart palette]\nRedStep=99\n");
    TFPal p, snapshot;
    MakeDistinct(p);
    MakeDistinct(snapshot);
    int calls = 0;
    p.OnChange = [&calls] { ++calls; };
    try {
      p.LoadFromFile(path);
      ADD_FAILURE() << "loaded Contrast=" << text;
    } catch (const TConvertError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("'" + std::string(text) + "' is not a valid floating point value"), std::string::npos) << m;
      EXPECT_NE(m.find(path), std::string::npos) << m;
    }
    EXPECT_TRUE(SamePalette(p, snapshot)) << text;
    EXPECT_EQ(calls, 0) << text;
  }
}

TEST_F(PaletteTest, SaveIntoASpotFileKeepsItsOtherContent) {
  const std::string path = File("spot.frs");
  WriteBytes(path, "[DrawSize]\nX_Size=300\n\n[Colors]\nContrast=0.1\nOwnKey=kept\n\n[Fractal]\nX_Coord=-2.2\n");
  TFPal p;
  p.SaveToFile(path);
  const std::string text = ReadBytes(path);
  EXPECT_EQ(text.rfind("[DrawSize]\nX_Size=300\n\n[Colors]\nContrast=0.75\nOwnKey=kept\nPalette type=0\n", 0), 0u)
      << text;
  EXPECT_NE(text.find("\n[Fractal]\nX_Coord=-2.2\n\n[Standart palette]\n"), std::string::npos) << text;
  // And a failed save is reported to the caller.
  EXPECT_THROW(p.SaveToFile(File("no/folder/x.frp")), TProfileError);
}

TEST_F(PaletteTest, ConstructorLoadsDefaultFrp) {
  WriteBytes(File("default.frp"), "[Colors]\nPalette type=3\nContrast=0.25\n[Standart palette]\nRedStep=12\n");
  {
    TFPal p;
    EXPECT_EQ(p.PaletteKind, kPalSquare);
    EXPECT_EQ(p.Contrast, 0.25f);
    EXPECT_EQ(p.RedStep, 12);
    EXPECT_EQ(p.GreenStep, 8);
    EXPECT_FALSE(p.OnChange);
    // Entry 64 of the square palette: blue 255 x 0.25 = 63.75.
    EXPECT_EQ(p.Table[64].Blue, 64);
  }
  // A broken default palette leaves the built-in defaults.
  WriteBytes(File("default.frp"), "[Colors]\nPalette type=3\nContrast=broken\n");
  TFPal p;
  EXPECT_EQ(p.PaletteKind, kPalStandard);
  EXPECT_EQ(p.Contrast, 0.75f);
  EXPECT_TRUE(SameRgb(p.ColorOf(1, 1, 1), {8, 8, 73}));
}

// Seeded random mutations of a valid file: every load either succeeds, giving
// a palette whose table matches its settings, or fails with a conversion
// error and changes nothing.
TEST_F(PaletteTest, FuzzedFilesNeverHalfLoad) {
  TFPal source;
  MakeDistinct(source);
  const std::string valid = File("valid.frp");
  source.SaveToFile(valid);
  const std::string base = ReadBytes(valid);
  const std::string path = File("fuzz.frp");
  std::mt19937 rng(987654321);
  const std::string inserts[] = {"\n", "=", "[", "]", "\r\n", "Contrast=", "\n[Colors]\n", "-", "9999999999",
                                 "\xff", std::string(1, '\0'), "e", ".", ";"};
  // A fixed number of mutants: every run tries the same files.
  int failures = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = base;
    const int mutations = 1 + int(rng() % 6);
    for (int m = 0; m < mutations && !text.empty(); ++m) {
      const size_t at = rng() % text.size();
      switch (rng() % 5) {
        case 0: text[at] = char(rng() % 256); break;
        case 1: text.erase(at, 1 + rng() % 20); break;
        case 2: text.insert(at, inserts[rng() % (sizeof inserts / sizeof *inserts)]); break;
        case 3: text.resize(at); break;  // truncated
        default: text.insert(at, text.substr(rng() % text.size(), rng() % 40)); break;
      }
    }
    WriteBytes(path, text);
    TFPal p, snapshot;
    MakeDistinct(p);
    MakeDistinct(snapshot);
    try {
      p.LoadFromFile(path);
      if (p.PaletteKind >= kPalLinear && p.PaletteKind <= kPalSquare) {
        for (int i = 0; i < kPalTableSize; ++i) {
          TColor3 c{};
          p.TableEntry(i, c);
          ASSERT_TRUE(c == p.Table[i]) << text;
        }
      }
      (void)p.ColorOf(1.5f, 77, -3);
    } catch (const TConvertError&) {
      ++failures;
      ASSERT_TRUE(SamePalette(p, snapshot)) << text;
    }
  }
  EXPECT_GT(failures, 0);  // the mutations do reach the contrast
}
