// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/orbital_steps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "formulas/calc_point.h"
#include "formulas/formula_context.h"
#include "ifs/ifs_model.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr long double kSqrt3 = 1.732050807568877293527446341505872367L;

// Arguments of the trigonometric cases are multiples of pi whose sine, square
// root or tangent is known exactly; the rounding of pi costs far less than this.
constexpr long double kTol = 1e-15L;

struct TOrbitalCase {
  const char* What;
  int32_t Number;
  long double X, Y;  // point before the step
  long double A, B, C;  // P1.re, P1.im, P2.re
  long double NewX, NewY;
};

// Each expected point worked out by hand from the step's formula.
const TOrbitalCase kOrbitalCases[] = {
    // Hopalong 1: x' = y - sgn(x) sin|b x - c|, y' = a - x
    {"H1 x<0, |c| = pi/2", 500, -1, 2, 3, 0, -kPi / 2, 3, 4},
    {"H1 x=0 counts as positive", 500, 0, 1, 0.5L, 7, -kPi / 2, 0, 0.5L},
    {"H1 abs of a negative argument", 500, 2, 0, 1, kPi / 12, kPi / 3, -0.5L, -1},
    // Hopalong 2: x' = y - sgn(x) sqrt|b x - c|, y' = a - x
    {"H2 x>0", 501, 2, 1, 0, 1, 6, -1, -2},
    {"H2 x<0", 501, -3, 0.5L, 1, 3, 0, 3.5L, 4},
    // Hopalong 3: x >= 0: x' = y - tan|b x - c|; x < 0: x' = y + sin|b x - c|; y' = a - x
    {"H3 x>0 tangent", 502, 1, 3, 2, kPi / 2, 3 * kPi / 4, 2, 1},
    {"H3 x<0 sine", 502, -2, 1, 0, kPi / 4, 0, 2, 2},
    {"H3 x=0 tangent", 502, 0, 0, -1.5L, 5, kPi / 4, -1, -1.5L},
    // Hopalong 4: x' = y - sgn(x) sin|a x - b|, y' = x' - x; c is not read
    {"H4 x>0", 503, 1, 2, kPi / 2, kPi, 100, 1, 0},
    {"H4 x<0", 503, -1, 0, kPi / 6, 0, 100, 0.5L, 1.5L},
    // Pickover: x' = x - a sin(y + sin 3y), y' = y + a sin(x + sin 3x)
    {"Pickover y = pi/3", 504, 0, kPi / 3, 2, 9, 9, -kSqrt3, kPi / 3},
    {"Pickover x = pi/3", 504, kPi / 3, 0, 0.5L, 9, 9, kPi / 3, kSqrt3 / 4},
    // Feather: w = 2 - 2a, x' = x² w / (x² + 1) + a x + y, y' = x'² w / (x'² + 1) + a x' - x
    {"Feather a=0.5", 506, 1, 0.5L, 0.5L, 9, 9, 1.5L, 23.0L / 52},
    {"Feather a=0", 506, -1, 0, 0, 9, 9, 1, 2},
    {"Feather a=1 (w=0)", 506, 3, -1, 1, 9, 9, 2, -1},
    // Hopalong 5: x' = y - sgn(x) (a x - b), y' = -x
    {"H5 x>0", 507, 2, 1, 3, 1, 9, -4, -2},
    {"H5 x<0, no abs", 507, -2, 1, 3, 1, 9, -6, 2},
    {"H5 x=0", 507, 0, 0.25L, 1, 0.5L, 9, 0.75L, 0},
    // Hopalong 6: x' = y - sgn(x) sin(b x - c), y' = a - x (no abs: compare H1)
    {"H6 negative argument keeps its sign", 508, 2, 0, 1, kPi / 12, kPi / 3, 0.5L, -1},
    {"H6 x<0", 508, -1, 1, 0, kPi / 2, 0, 0, 1},
    // 505 is not assigned: the point stays.
    {"505 unused", 505, 1.25L, -3.5L, 1, 2, 3, 1.25L, -3.5L},
};

TFormulaContext OrbitalContext(const TOrbitalCase& c) {
  TFormulaContext ctx;
  ctx.Number = c.Number;
  ctx.Orbit = {c.X, c.Y};
  ctx.P1 = {c.A, c.B};
  ctx.P2 = {c.C, 123};  // P2.im is not read by any orbital formula
  return ctx;
}

TEST(OrbitalStep, OneStepOfEachFormula) {
  for (const TOrbitalCase& c : kOrbitalCases) {
    SCOPED_TRACE(c.What);
    TFormulaContext ctx = OrbitalContext(c);
    OrbitalStep(&ctx);
    EXPECT_NEAR(double(ctx.Orbit.re), double(c.NewX), double(kTol));
    EXPECT_NEAR(double(ctx.Orbit.im), double(c.NewY), double(kTol));
  }
}

TEST(OrbitalStep, CalcPointTakesTheSameStepAndReturnsZero) {
  for (const TOrbitalCase& c : kOrbitalCases) {
    SCOPED_TRACE(c.What);
    TFormulaContext ctx = OrbitalContext(c);
    // The pixel arguments mean nothing to a point step.
    EXPECT_EQ(CalcPoint(&ctx, 1e300, -7.5), 0);
    EXPECT_NEAR(double(ctx.Orbit.re), double(c.NewX), double(kTol));
    EXPECT_NEAR(double(ctx.Orbit.im), double(c.NewY), double(kTol));
  }
}

TEST(OrbitalStep, HopalongTwoWithZeroParametersStaysAtTheOrigin) {
  TFormulaContext ctx;
  ctx.Number = 501;
  ctx.P1 = {0, 0};
  ctx.P2 = {0, 0};
  ctx.Orbit = {0, 0};
  for (int i = 0; i < 1000; ++i) {
    EXPECT_EQ(CalcPoint(&ctx, 0, 0), 0);
    ASSERT_EQ(ctx.Orbit.re, 0) << "step " << i;
    ASSERT_EQ(ctx.Orbit.im, 0) << "step " << i;
  }
}

TEST(OrbitalStep, SuccessiveStepsStartFromTheNewPoint) {
  // Hopalong 5 with a = 1, b = 0 from (1, 0): x' = y - sgn(x) x = y - |x|, y' = -x.
  // (1, 0) -> (-1, -1) -> (-2, 1) -> (-1, 2) -> (1, 1) -> (0, -1) -> (-1, 0).
  TFormulaContext ctx;
  ctx.Number = 507;
  ctx.P1 = {1, 0};
  ctx.Orbit = {1, 0};
  const long double expected[][2] = {{-1, -1}, {-2, 1}, {-1, 2}, {1, 1}, {0, -1}, {-1, 0}};
  for (const auto& p : expected) {
    CalcPoint(&ctx, 0, 0);
    EXPECT_EQ(ctx.Orbit.re, p[0]);
    EXPECT_EQ(ctx.Orbit.im, p[1]);
  }
}

// ---------------------------------------------------------------------------
// IFS step

TIFSTransform Constant(float x, float y, float p) {
  // Sends every point to (x, y): which map was chosen shows in the result.
  TIFSTransform t;
  t.E = x;
  t.F = y;
  t.P = p;
  return t;
}

class IFSStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedWorking_ = WorkingIFS;
    savedLibrary_ = IFSLibrary;
    WorkingIFS = TWorkingIFS{};
    IFSLibrary = TIFSLibrary{};
    ctx_.Number = kIFSFormula;
  }
  void TearDown() override {
    WorkingIFS = savedWorking_;
    IFSLibrary = savedLibrary_;
  }

  void SetWorking(const std::vector<TIFSTransform>& set) {
    WorkingIFS.Count = int32_t(set.size());
    for (size_t i = 0; i < set.size(); ++i) WorkingIFS.Slots[i + 1] = set[i];
  }

  // Steps once from (-7, -7) and returns the new x (-7 when nothing moved).
  long double StepFromMark() {
    ctx_.Orbit = {-7, -7};
    EXPECT_EQ(CalcPoint(&ctx_, 0.25, 0.75), 0);
    return ctx_.Orbit.re;
  }

  TFormulaContext ctx_;
  TWorkingIFS savedWorking_;
  TIFSLibrary savedLibrary_;
};

// Generator states after seed 12345 (state = state * 134775813 + 1 mod 2^32)
// and the values state / 2^32:
//   1655067934 0.38535, 1242767767 0.28935, 342459380 0.07974, 2377737157 0.55361,
//   2721613530 0.63368, 1467157059 0.34160, 1889648464 0.43997, 340655249 0.07931
// Against running sums 0.25, 0.5, 1 the maps chosen are 2 2 1 3 3 2 2 1.
TEST_F(IFSStepTest, WorkingSetChoosesByRunningProbabilitySum) {
  SetWorking({Constant(1, -1, 0.25f), Constant(2, -2, 0.25f), Constant(3, -3, 0.5f)});
  ctx_.IFSNumber = kWorkingIFSNumber;
  SeedIFSRandom(12345);
  const long double expected[] = {2, 2, 1, 3, 3, 2, 2, 1};
  for (const long double x : expected) {
    EXPECT_EQ(StepFromMark(), x);
    EXPECT_EQ(ctx_.Orbit.im, -x);
  }
}

TEST_F(IFSStepTest, ShortfallOfProbabilityLeavesThePoint) {
  // Running sums 0.25, 0.5: values above 0.5 (the 4th and 5th) move nothing.
  SetWorking({Constant(1, -1, 0.25f), Constant(2, -2, 0.25f)});
  ctx_.IFSNumber = kWorkingIFSNumber;
  SeedIFSRandom(12345);
  const long double expected[] = {2, 2, 1, -7, -7, 2, 2, 1};
  for (const long double x : expected) EXPECT_EQ(StepFromMark(), x);
}

TEST_F(IFSStepTest, BoundaryValuesOfTheGenerator) {
  const struct {
    const char* What;
    uint32_t Seed;  // state before the draw
    std::vector<TIFSTransform> Set;
    long double X;
  } cases[] = {
      // 649090867 * 134775813 + 1 = 0 mod 2^32: r = 0 reaches a sum of 0.
      {"r = 0 picks a first map of probability 0", 649090867u,
       {Constant(1, -1, 0), Constant(2, -2, 1)}, 1},
      // Next state 2^31: r = 0.5 exactly reaches the first sum.
      {"r equal to the sum picks that map", 2796574515u,
       {Constant(1, -1, 0.5f), Constant(2, -2, 0.5f)}, 1},
      // Next state 2^31 + 1: r = 0.5 + 2^-32 lies beyond the first sum.
      {"r just above the sum picks the next map", 2147483648u,
       {Constant(1, -1, 0.5f), Constant(2, -2, 0.5f)}, 2},
      // Next state 2^32 - 1: r = 1 - 2^-32 still lies below a total of 1.
      {"largest r with a total of 1", 1298181734u, {Constant(4, -4, 1)}, 4},
      {"largest r with a total short of 1", 1298181734u, {Constant(4, -4, 0.999f)}, -7},
  };
  ctx_.IFSNumber = kWorkingIFSNumber;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    SetWorking(c.Set);
    SeedIFSRandom(c.Seed);
    EXPECT_EQ(StepFromMark(), c.X);
  }
}

TEST_F(IFSStepTest, AppliesTheAffineMapToTheSinglePrecisionPoint) {
  TIFSTransform t;
  t.A = 2;
  t.B = 3;
  t.C = 5;
  t.D = 7;
  t.E = 11;
  t.F = 13;
  t.P = 1;
  SetWorking({t});
  ctx_.IFSNumber = kWorkingIFSNumber;
  SeedIFSRandom(1);
  ctx_.Orbit = {1, 10};
  EXPECT_EQ(CalcPoint(&ctx_, 0, 0), 0);
  EXPECT_EQ(ctx_.Orbit.re, 2 * 1 + 3 * 10 + 11);
  EXPECT_EQ(ctx_.Orbit.im, 5 * 1 + 7 * 10 + 13);

  // The identity map returns the point rounded to single precision.
  TIFSTransform identity;
  identity.A = identity.D = 1;
  identity.P = 1;
  SetWorking({identity});
  ctx_.Orbit = {0.1L, -0.3L};
  IFSStep(&ctx_);
  EXPECT_EQ(ctx_.Orbit.re, (long double)0.1f);
  EXPECT_EQ(ctx_.Orbit.im, (long double)-0.3f);
}

TEST_F(IFSStepTest, WorkingSetUsesSlotsOneToCount) {
  // Slot 0 is unused and slots beyond the count are not part of the set.
  WorkingIFS.Slots[0] = Constant(-99, -99, 1);
  for (int i = 1; i <= kMaxIFSTransforms; ++i) WorkingIFS.Slots[i] = Constant(float(i), 0, 0);
  WorkingIFS.Slots[30].P = 1;
  WorkingIFS.Count = 30;
  ctx_.IFSNumber = kWorkingIFSNumber;
  SeedIFSRandom(12345);
  EXPECT_EQ(StepFromMark(), 30);

  WorkingIFS.Slots[29].P = 1;
  WorkingIFS.Count = 28;  // slots 29 and 30 lie beyond the set
  EXPECT_EQ(StepFromMark(), -7);
}

TEST_F(IFSStepTest, LibrarySetIsTheRunOfEntriesWithItsIndex) {
  IFSLibrary.Count = 3;
  IFSLibrary.Entries = {
      {0, Constant(10, 0, 1)},
      {1, Constant(20, 0, 0.25f)},
      {1, Constant(21, 0, 0.25f)},
      {1, Constant(22, 0, 0.5f)},
      {2, Constant(30, 0, 1)},
  };
  // The working set must not be consulted for library numbers.
  SetWorking({Constant(-50, 0, 1)});

  ctx_.IFSNumber = 1;
  SeedIFSRandom(12345);  // values as in WorkingSetChoosesByRunningProbabilitySum
  const long double expected[] = {21, 21, 20, 22, 22, 21, 21, 20};
  for (const long double x : expected) EXPECT_EQ(StepFromMark(), x);

  ctx_.IFSNumber = 0;
  EXPECT_EQ(StepFromMark(), 10);
  ctx_.IFSNumber = 2;
  EXPECT_EQ(StepFromMark(), 30);
  ctx_.IFSNumber = kWorkingIFSNumber;
  EXPECT_EQ(StepFromMark(), -50);
}

TEST_F(IFSStepTest, NumberNamingNoSetLeavesThePoint) {
  IFSLibrary.Count = 2;
  IFSLibrary.Entries = {{0, Constant(10, 0, 1)}, {1, Constant(11, 0, 1)}};
  SetWorking({Constant(-50, 0, 1)});
  SeedIFSRandom(7);
  for (const int32_t number : {-1, -10000, 2, 3, 9999, 10001, 20000}) {
    SCOPED_TRACE(number);
    ctx_.IFSNumber = number;
    for (int i = 0; i < 20; ++i) ASSERT_EQ(StepFromMark(), -7);
  }

  // An empty working set, and an empty library, move nothing either.
  WorkingIFS.Count = 0;
  ctx_.IFSNumber = kWorkingIFSNumber;
  EXPECT_EQ(StepFromMark(), -7);
  IFSLibrary = TIFSLibrary{};
  ctx_.IFSNumber = 0;
  EXPECT_EQ(StepFromMark(), -7);
}

TEST_F(IFSStepTest, StepWithoutASetStillDrawsItsRandomValue) {
  // From seed 12345 the third value (0.0797) picks map 1 and the first (0.385)
  // would pick map 2: two steps without a set use up the first two values.
  SetWorking({Constant(1, -1, 0.25f), Constant(2, -2, 0.75f)});
  SeedIFSRandom(12345);
  ctx_.IFSNumber = -1;
  StepFromMark();
  StepFromMark();
  ctx_.IFSNumber = kWorkingIFSNumber;
  EXPECT_EQ(StepFromMark(), 1);
}

TEST_F(IFSStepTest, HalfTheProbabilityMovesAboutHalfThePoints) {
  SetWorking({Constant(1, 1, 0.25f), Constant(2, 2, 0.25f)});
  ctx_.IFSNumber = kWorkingIFSNumber;
  SeedIFSRandom(1);
  constexpr int kSteps = 20000;
  int unchanged = 0;
  for (int i = 0; i < kSteps; ++i)
    if (StepFromMark() == -7) ++unchanged;
  // Binomial(20000, 0.5) has a standard deviation of about 71.
  EXPECT_GT(unchanged, kSteps / 2 - 500);
  EXPECT_LT(unchanged, kSteps / 2 + 500);
}

}  // namespace
