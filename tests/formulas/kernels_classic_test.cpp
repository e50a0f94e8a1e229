// SPDX-License-Identifier: GPL-3.0-or-later
// Kernels 0..40, the constructor formula and the user formula. Every expected
// count below is worked out by hand from the formula (the orbit is given in
// the comment); "n" is the iteration whose bailout test first sees
// x^2 + y^2 above the limit, the start point being tested at n = 1.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "formulas/calc_point.h"
#include "formulas/kernel_common.h"
#include "formulas/kernels.h"
#include "formulas/pixel.h"

namespace {

struct TKernelCase {
  const char* what;
  int32_t number;
  double x = 0, y = 0;
  float bailout = 9;
  int32_t maxIter = 100;
  TComplexExt p1{0, 0};
  TComplexExt p2{0, 0};
  bool julia = false;
  TComplexExt pj{0, 0};
  bool inverted = false;
  bool fset = false;
  int32_t expected = 0;
};

TFormulaContext ContextFor(const TKernelCase& k) {
  TFormulaContext ctx;
  ctx.Number = k.number;
  ctx.BailOut = k.bailout;
  ctx.MaxIter = k.maxIter;
  ctx.P1 = k.p1;
  ctx.P2 = k.p2;
  ctx.JulieSet = k.julia;
  ctx.PJ = k.pj;
  ctx.Inverted = k.inverted;
  ctx.FSet = k.fset;
  return ctx;
}

int32_t Calc(TFormulaContext& ctx, double x, double y) {
  ClearFaults();
  return CalcPoint(&ctx, x, y);
}

constexpr float kHugeBailout = std::numeric_limits<float>::max();
constexpr float kNoBailout = std::numeric_limits<float>::infinity();

const TKernelCase kEscapeCases[] = {
    // Z = Z*Z + C
    {.what = "z 1, 2, 5", .number = 0, .x = 1, .expected = 3},
    {.what = "origin stays", .number = 0, .expected = 0},
    {.what = "0.5, 0.75, 1.0625, 1.6289, 3.153", .number = 0, .x = 0.5, .expected = 5},
    {.what = "-2, 2, 2: 4 is not above 4", .number = 0, .x = -2, .bailout = 4, .expected = 0},
    {.what = "start point already beyond", .number = 0, .x = -2, .bailout = 3, .expected = 1},
    {.what = "Julia c=0: 2, 4", .number = 0, .x = 2, .julia = true, .expected = 2},
    {.what = "Julia c=0: 1 stays", .number = 0, .x = 1, .julia = true, .expected = 0},
    {.what = "inverted 0.5 starts near 2: 2, 6", .number = 0, .x = 0.5, .inverted = true, .expected = 2},
    {.what = "inverted origin stays at the origin", .number = 0, .inverted = true, .expected = 0},
    {.what = "2, 6, 38, 1446, 2.09e6, 4.37e12, 1.91e25", .number = 0, .x = 2, .bailout = kHugeBailout,
     .expected = 7},
    // Powers
    {.what = "1, 2, 9", .number = 1, .x = 1, .expected = 3},
    {.what = "Julia c=0: 1.5, 3.375", .number = 1, .x = 1.5, .julia = true, .expected = 2},
    {.what = "1, 2, 17", .number = 2, .x = 1, .expected = 3},
    {.what = "1, 2, 33", .number = 3, .x = 1, .expected = 3},
    {.what = "1, 2, 257", .number = 4, .x = 1, .expected = 3},
    {.what = "-1, 0, -1, ...", .number = 4, .x = -1, .expected = 0},
    // Z^3 + Z^2 + C and relatives
    {.what = "1, 3 (9 is not above 9), 37", .number = 5, .x = 1, .expected = 3},
    {.what = "-1 is fixed", .number = 5, .x = -1, .expected = 0},
    {.what = "1, 5", .number = 6, .x = 1, .expected = 2},
    {.what = "1, 3, 13", .number = 7, .x = 1, .expected = 3},
    {.what = "-1 is fixed", .number = 7, .x = -1, .expected = 0},
    // Z = Z*Z + pixel + C
    {.what = "1, 3, 11", .number = 8, .x = 1, .expected = 3},
    {.what = "inverted: raw pixel 2 plus c 0.5: 0.5, 2.75", .number = 8, .x = 2, .bailout = 4, .inverted = true,
     .expected = 2},
    {.what = "Julia c=0: pixel still added: 1, 2, 5", .number = 8, .x = 1, .julia = true, .expected = 3},
    // Spider
    {.what = "z 0.5, 1.25, 3.5625; c 0.5, 1.5", .number = 9, .x = 0.5, .bailout = 4, .expected = 3},
    {.what = "Julia: c starts at the pixel, Julie 0: 0.5, 0.75, 1.5625, 4.50", .number = 9, .x = 0.5,
     .bailout = 4, .julia = true, .expected = 4},
    {.what = "origin stays", .number = 9, .expected = 0},
    // BarnsleyM1
    {.what = "Re z > 0: (3-1)*3 = 6", .number = 10, .x = 3, .expected = 2},
    {.what = "Re z < 0: (-3+1)*(-3) = 6", .number = 10, .x = -3, .expected = 2},
    {.what = "1, 0, 1, 0, ...", .number = 10, .x = 1, .expected = 0},
    {.what = "Julia c=2: 1, 0, 2", .number = 10, .x = 1, .bailout = 3, .julia = true, .pj = {2, 0}, .expected = 3},
    // Sierpinski
    {.what = "2, 3, 5", .number = 11, .x = 2, .expected = 3},
    {.what = "(0,2), (0,3), (0,5)", .number = 11, .y = 2, .expected = 3},
    {.what = "(.25,.25), (.5,.5), (1,1), (2,1), (4,1)", .number = 11, .x = 0.25, .y = 0.25, .expected = 5},
    {.what = "0.75, 0.5, 1, 1, ...", .number = 11, .x = 0.75, .expected = 0},
    // Manowar: Z1 holds the z before the step (kernel 7 escapes these at 3 and never)
    {.what = "z 0.5, 1.25, 2.5625, 8.3164; z1 0.5, 0.5, 1.25", .number = 12, .x = 0.5, .expected = 4},
    {.what = "Julia c=0: -1, 0, -1, 1, 0, 1, 1, 2, 5", .number = 12, .x = -1, .julia = true, .expected = 9},
    {.what = "(0,1), (-1,2), (-3,-2)", .number = 12, .y = 1, .expected = 3},
    // Tangent
    {.what = "0.5, 0.773, 1.254, 4.33", .number = 13, .x = 0.5, .bailout = 4, .expected = 4},
    {.what = "origin stays", .number = 13, .expected = 0},
    // Newton kernels: no bailout, convergence exit
    {.what = "root 0: z stays, distance 0 at n=2", .number = 14, .expected = 2},
    {.what = "Julia c=0, plain Newton to root 1: errors .2, .029, 7.7e-4, 6e-7, 3.5e-13", .number = 14,
     .x = 1.2, .julia = true, .expected = 5},
    {.what = "far outside the bailout, one iteration only", .number = 14, .x = 3, .bailout = 4, .maxIter = 1,
     .expected = 0},
    {.what = "root 0", .number = 15, .expected = 2},
    {.what = "Julia c=0, Newton to root 1: errors .2, .041, .0023, 7.9e-6, 9.3e-11", .number = 15, .x = 1.2,
     .julia = true, .expected = 6},
    {.what = "far outside the bailout, one iteration only", .number = 15, .x = 3, .bailout = 4, .maxIter = 1,
     .expected = 0},
    {.what = "c=1: from 1 linearly (ratio ~0.19) to the root 1.3247; step 1.7e-6 at n=8", .number = 24, .x = 1,
     .expected = 8},
    {.what = "c=0: the guarded division keeps z at 0", .number = 24, .expected = 2},
    {.what = "far outside the bailout, one iteration only", .number = 24, .x = 3, .bailout = 4, .maxIter = 1,
     .expected = 0},
    // Test formula
    {.what = "(1,0), (0,0), (-1,0), (2,0), (3,0), (8,0)", .number = 16, .x = 1, .expected = 6},
    {.what = "(0,1), (-1,-1), (0,3), (-9,-1)", .number = 16, .y = 1, .expected = 4},
    {.what = "0.01, -0.0099, 0.0101, ... never leaves", .number = 16, .x = 0.01, .expected = 0},
    {.what = "F-Set 0.001: first step 0.0199, squared 4e-4", .number = 16, .x = 0.01, .fset = true, .expected = 2},
    // Z*Z + C + P1
    {.what = "0, 1, 2, 5", .number = 17, .bailout = 4, .p1 = {1, 0}, .expected = 4},
    {.what = "0, -1, 0, ...", .number = 17, .p1 = {-1, 0}, .expected = 0},
    {.what = "inverted keeps the sign of y: c = -2i, z 0 -> -2i, -4, 16", .number = 17, .y = -0.5, .bailout = 20,
     .p1 = {0, 2}, .inverted = true, .expected = 3},
    // Julia PNS
    {.what = "(2,0), (-4,0)", .number = 18, .x = 2, .expected = 2},
    {.what = "(1,1), (0,2), (4,0)", .number = 18, .x = 1, .y = 1, .expected = 3},
    {.what = "P1=i: 0, (0,1), (1,1), (0,3), (9,1)", .number = 18, .p1 = {0, 1}, .expected = 5},
    {.what = "ignores Julia mode", .number = 18, .p1 = {0, 1}, .julia = true, .pj = {5, 5}, .expected = 5},
    // Z^P1 + C with Log's factor e^-1: 2^2 becomes e^(4/e) = 4.356
    {.what = "1, 2, 5.356", .number = 19, .x = 1, .bailout = 25, .p1 = {2, 0}, .expected = 3},
    {.what = "Log(0) faults in the first step: guarded, escapes at 1", .number = 19, .p1 = {2, 0}, .expected = 1},
    // Quartic phoenix: start shifted to x + 1, own bailout 1000
    {.what = "start 1: 1, 3.25, 99.0", .number = 20, .bailout = 4, .expected = 3},
    {.what = "start 0 stays", .number = 20, .x = -1, .expected = 0},
    {.what = "no F-Set exit", .number = 20, .x = -1, .fset = true, .expected = 0},
    {.what = "inverted after the shift: 2/4 settles at the fixed point 0.5", .number = 20, .x = 1,
     .inverted = true, .expected = 0},
    // Talis: z grows by 1/(1+z): 1, 1.5, 1.9, 2.245, 2.553, 2.834, 3.095
    {.what = "P1=1", .number = 21, .x = 1, .p1 = {1, 0}, .expected = 7},
    // Sin(Z)*Cos(C), own bailout 1000
    {.what = "3i -> sinh3 * cosh3 i = 100.9i", .number = 22, .y = 3, .bailout = 4, .expected = 2},
    {.what = "origin stays", .number = 22, .expected = 0},
    // Nelmira 14
    {.what = "3, (1.5 sin 9)^2 + 3 = 3.38", .number = 23, .x = 3, .expected = 2},
    // Nelmira variation
    {.what = "P1=2: 1, 2.25, 12.47", .number = 25, .x = 1, .p1 = {2, 0}, .expected = 3},
    {.what = "P1=1: 1, 4", .number = 25, .x = 1, .p1 = {1, 0}, .expected = 2},
    {.what = "P1.re=1: 3, sin 12 + 3 = 2.46, 3.78", .number = 26, .x = 3, .p1 = {1, 0}, .expected = 3},
    // Polynomials with bailout 1000
    {.what = "sin(4i)*4i = -109", .number = 27, .y = 4, .bailout = 4, .p1 = {1, 0}, .expected = 2},
    {.what = "sin(3*3*i) = 4051i", .number = 28, .x = 3, .bailout = 4, .p1 = {0, 1}, .expected = 2},
    {.what = "sin(8i)*(2+2i) = -2981+2981i", .number = 29, .x = 2, .y = 2, .bailout = 4, .expected = 2},
    {.what = "2, 8, 128", .number = 30, .x = 2, .bailout = 4, .expected = 3},
    {.what = "2, 2*4 sin4 = -6.05, -63.6", .number = 31, .x = 2, .bailout = 4, .expected = 3},
    {.what = "8i, sin(8i) - 8i = 1482.5i", .number = 32, .y = 8, .bailout = 4, .expected = 2},
    {.what = "origin stays (the guarded 2/0 is 0)", .number = 32, .expected = 0},
    // Polinomial set 1 with the upper square root
    {.what = "2, -sqrt2 + 16", .number = 33, .x = 2, .expected = 2},
    {.what = "-i, (1+i)(1+i)/sqrt2 + 1 = (1, 1.414), (1.98, 6.77)", .number = 33, .y = -1, .bailout = 4,
     .expected = 3},
    {.what = "c grows by P1=1: 0.5, 0.416, -0.214, (-0.025,-0.695), ...", .number = 33, .x = 0.5,
     .p1 = {1, 0}, .expected = 6},
    // P2*Z*Z - P1*Z + C
    {.what = "P2=1, P1=0 is Mandelbrot: 1, 2, 5", .number = 34, .x = 1, .p2 = {1, 0}, .expected = 3},
    {.what = "2, 4 - 2 + 2 = 4", .number = 34, .x = 2, .p1 = {1, 0}, .p2 = {1, 0}, .expected = 2},
    // Flipped Mandelbrot
    {.what = "i, -1+i, then c = 1: (1,-2)", .number = 35, .y = 1, .bailout = 4, .expected = 3},
    // Ajax: start and c at 2/pixel
    {.what = "start 2: 2, e^(4/e) + 2 = 6.36", .number = 36, .x = 1, .p1 = {2, 0}, .expected = 2},
    {.what = "Julia c=1, start 0.5: 0.5, 1.23, 2.55, 8.30", .number = 36, .x = 4, .p1 = {2, 0}, .julia = true,
     .pj = {1, 0}, .expected = 4},
    // C = P1/Z - C
    {.what = "z 1, 2, 3, 10; c 1, -1, 1", .number = 37, .x = 1, .expected = 4},
    // Bessel 1, own bailout 100
    {.what = "5i, sinh5/5 * 5i = 74.2i", .number = 38, .y = 5, .bailout = 4, .expected = 2},
    {.what = "origin stays (guarded 0/0)", .number = 38, .expected = 0},
    // Mandel variations 2 and 3
    {.what = "z 1, 0, -1, -1, -4; c 1, 1, 2, 5", .number = 39, .x = 1, .expected = 5},
    {.what = "origin stays", .number = 39, .expected = 0},
    {.what = "z 1, 0, -1, -3, -38; c 1, 1, 2, 11", .number = 40, .x = 1, .expected = 5},
    {.what = "same, bailout 4", .number = 40, .x = 1, .bailout = 4, .expected = 4},
    // F-Set tolerance 1e-11: 0.01, 0.0101 (1e-8), 0.01010201 (4.04e-12)
    {.what = "F-Set Mandelbrot", .number = 0, .x = 0.01, .fset = true, .expected = 3},
    {.what = "no F-Set: never leaves", .number = 0, .x = 0.01, .expected = 0},
};

TEST(KernelsClassic, EscapeIterations) {
  for (const TKernelCase& k : kEscapeCases) {
    TFormulaContext ctx = ContextFor(k);
    EXPECT_EQ(Calc(ctx, k.x, k.y), k.expected) << "kernel " << k.number << ": " << k.what;
    EXPECT_FALSE(FaultPending()) << "kernel " << k.number << ": " << k.what;
  }
}

void MandelStep(Extended& x, Extended& y, Extended& cr, Extended& ci, Extended, Extended, Extended, Extended,
                Extended, Extended) {
  const Extended t = x * x - y * y + cr;
  y = 2 * x * y + ci;
  x = t;
}

TEST(KernelsClassic, NoIterationLimitGivesZeroWithoutFilterCalls) {
  std::vector<int32_t> numbers;
  for (int32_t n = 0; n <= 40; ++n) numbers.push_back(n);
  numbers.push_back(kConstructorFormula);
  numbers.push_back(kUserFormula);
  for (int32_t maxIter : {0, -3}) {
    for (int32_t number : numbers) {
      TFormulaContext ctx;
      ctx.Number = number;
      ctx.MaxIter = maxIter;
      ctx.BailOut = 4;
      ctx.Smoothing = 1;  // an update at (5, 0) would set the correction
      ctx.UserFormula = &MandelStep;
      EXPECT_EQ(Calc(ctx, 5, 0), 0) << "kernel " << number << ", MaxIter " << maxIter;
      EXPECT_EQ(ctx.SmoothCorrection, 0) << "kernel " << number << ", MaxIter " << maxIter;
    }
  }
}

TEST(KernelsClassic, KernelsThatIgnoreJuliaMode) {
  for (int32_t number : {11, 18}) {
    for (double x = -1.5; x <= 1.5; x += 0.25) {
      for (double y = -1.5; y <= 1.5; y += 0.25) {
        TFormulaContext plain = ContextFor({.what = "", .number = number, .p1 = {0.25, -0.5}});
        TFormulaContext julia = plain;
        julia.JulieSet = true;
        julia.PJ = {0.3L, -0.7L};
        EXPECT_EQ(Calc(plain, x, y), Calc(julia, x, y)) << "kernel " << number << " at " << x << ", " << y;
      }
    }
  }
  // In the same harness Julia mode does change Mandelbrot: (1,0) escapes at
  // 3, but with c = 0 the point 1 stays.
  TFormulaContext m = ContextFor({.what = "", .number = 0});
  EXPECT_EQ(Calc(m, 1, 0), 3);
  m.JulieSet = true;
  m.PJ = {0, 0};
  EXPECT_EQ(Calc(m, 1, 0), 0);
}

TEST(KernelsClassic, UnguardedFaultsSpoilThePixel) {
  struct TFaultCase {
    const char* what;
    int32_t number;
    double x;
    float bailout;
    TComplexExt p1;
  };
  const TFaultCase cases[] = {
      // z0 = 0.5: 2z - 1 = 0 and z*z - z = -0.25: the plain division is -0.25*0/0
      {"kernel 14 where 2z - 1 = 0", 14, 0.5, 9, {0, 0}},
      {"kernel 26 dividing by P1.re = 0", 26, 1, 9, {0, 0}},
      // 2, 10, 1002, 1e9, 1e27, 1e81, 1.2e243, then z^3 overflows a double
      {"kernel 1 overflowing without a bailout", 1, 2, kNoBailout, {0, 0}},
  };
  for (const TFaultCase& f : cases) {
    TFormulaContext ctx = ContextFor({.what = f.what, .number = f.number, .bailout = f.bailout, .p1 = f.p1});
    Calc(ctx, f.x, 0);
    EXPECT_TRUE(FaultPending()) << f.what;
    const TPixelChannels px = EvaluatePixel(&ctx, f.x, 0);
    for (float v : px.Value) EXPECT_EQ(v, 0) << f.what;
    EXPECT_FALSE(FaultPending()) << f.what;
  }
}

TEST(KernelsClassic, GuardedFaultEndsAtTheCurrentIteration) {
  // z 2, 6, 214, 9.8e6, 9.4e20, 8.3e62, 5.8e188; c 2, 2, -206, -1.9e7, ...:
  // the seventh step's z^3 overflows a double.
  TFormulaContext ctx = ContextFor({.what = "", .number = 40, .bailout = kNoBailout});
  EXPECT_EQ(Calc(ctx, 2, 0), 7);
  EXPECT_FALSE(FaultPending());
  EXPECT_EQ(EvaluatePixel(&ctx, 2, 0).Value[0], 7);
}

// ---- constructor ----

TFormulaContext ConstructorContext(std::initializer_list<std::pair<TConstructorCoef, Extended>> coefs) {
  TFormulaContext ctx;
  ctx.Number = kConstructorFormula;
  ctx.MaxIter = 64;
  ctx.BailOut = 4;
  for (Extended& k : ctx.Constructor) k = 0;
  for (auto [index, value] : coefs) ctx.Constructor[index] = value;
  return ctx;
}

// A*z0 + C*z^2 with A = C = 1 and c = 0 is z^2 + z0: outside Julia mode this
// is the Mandelbrot step, term by term in the same extended sums, so every
// orbit is the same. In Julia mode the A term still adds the start point and
// c is the Julia point: A = 0 gives Julia's z^2 + PJ, A = 1 gives the Julia
// set of the constant PJ + pixel.
TEST(KernelsClassic, ConstructorReproducesMandelbrot) {
  int32_t escaped = 0, inside = 0;
  for (double x = -2.25; x <= 0.75; x += 0.125) {
    for (double y = -1.5; y <= 1.5; y += 0.125) {
      for (bool inverted : {false, true}) {
        TFormulaContext k = ConstructorContext({{cfA, 1}, {cfC, 1}});
        k.Inverted = inverted;
        TFormulaContext m = ContextFor({.what = "", .number = 0, .bailout = 4, .maxIter = 64, .inverted = inverted});
        const int32_t expected = Calc(m, x, y);
        EXPECT_EQ(Calc(k, x, y), expected) << x << ", " << y << (inverted ? " inverted" : "");
        (expected == 0 ? inside : escaped)++;
      }
      TFormulaContext kj = ConstructorContext({{cfC, 1}});
      kj.JulieSet = true;
      kj.PJ = {-0.75L, 0.125L};
      TFormulaContext mj = ContextFor({.what = "", .number = 0, .bailout = 4, .maxIter = 64, .julia = true,
                                       .pj = {-0.75L, 0.125L}});
      EXPECT_EQ(Calc(kj, x, y), Calc(mj, x, y)) << "Julia " << x << ", " << y;

      kj.Constructor[cfA] = 1;
      mj.PJ = {-0.75L + x, 0.125L + y};  // exact: all are multiples of 1/8
      EXPECT_EQ(Calc(kj, x, y), Calc(mj, x, y)) << "Julia with A " << x << ", " << y;
    }
  }
  EXPECT_GT(escaped, 100);
  EXPECT_GT(inside, 50);
}

TEST(KernelsClassic, ConstructorTerms) {
  struct TCtorCase {
    const char* what;
    std::initializer_list<std::pair<TConstructorCoef, Extended>> coefs;
    double x, y;
    float bailout;
    bool fset;
    int32_t expected;
  };
  const TCtorCase cases[] = {
      // z 2, 6, 38, 1446, 2.09e6, ...: e^z and sin z would overflow from
      // there on, but their zero coefficients keep them out.
      {"zero terms are skipped", {{cfA, 1}, {cfC, 1}}, 2, 0, kHugeBailout, false, 7},
      // z0 = 1e-5: 1/z = 5e4 and e^(5e4) overflows: the term is dropped,
      // z 1e-5, 0, e^0 = 1, e^1 = 2.718.
      {"a fault in the K term drops the term", {{cfK, 1}}, 1e-5, 0, 4, false, 4},
      {"F / z at 0 is guarded", {{cfF, 1}}, 0, 0, 4, false, 0},
      {"G / z^2 at 0 is guarded", {{cfG, 1}}, 0, 0, 4, false, 0},
      // sqrt(-2i) is taken as 1+i, not 1-i: z -2i, (1,-1), (1.10,-1.54), ...
      // settles near |z|^2 = 3.63; with the other root z would be (1,-3).
      {"the square root's imaginary part is never negative", {{cfA, 1}, {cfH, 1}}, 0, -2, 4, false, 0},
      {"B: 1, 2, 3, 4", {{cfA, 1}, {cfB, 1}}, 1, 0, 9, false, 4},
      {"D: 1, 2, 9", {{cfA, 1}, {cfD, 1}}, 1, 0, 9, false, 3},
      {"E: 1, 2, 17", {{cfA, 1}, {cfE, 1}}, 1, 0, 9, false, 3},
      {"F-Set: 0.01, 0.0101, 0.01010201", {{cfA, 1}, {cfC, 1}}, 0.01, 0, 4, true, 3},
  };
  for (const TCtorCase& k : cases) {
    TFormulaContext ctx = ConstructorContext(k.coefs);
    ctx.BailOut = k.bailout;
    ctx.FSet = k.fset;
    EXPECT_EQ(Calc(ctx, k.x, k.y), k.expected) << k.what;
    EXPECT_FALSE(FaultPending()) << k.what;
  }
}

// ---- user formula ----

void ChaoticStep(Extended& x, Extended& y, Extended& cr, Extended& ci, Extended, Extended, Extended, Extended,
                 Extended, Extended) {  // kernel 39: z = z*z - c; c = c*c - z
  const Extended t = x * x - y * y - cr;
  y = 2 * x * y - ci;
  x = t;
  const Extended u = cr * cr - ci * ci - x;
  ci = 2 * cr * ci - y;
  cr = u;
}

TEST(KernelsClassic, UserFormulaMatchesTheKernels) {
  const TKernelCase cases[] = {
      {.what = "1, 2, 5", .number = 0, .x = 1, .expected = 3},
      {.what = "origin", .number = 0, .expected = 0},
      {.what = "0.5, 0.75, 1.0625, 1.6289, 3.153", .number = 0, .x = 0.5, .expected = 5},
      {.what = "i, -1+i, -i, -1+i, ...", .number = 0, .y = 1, .expected = 0},
      {.what = "start beyond", .number = 0, .x = -2, .bailout = 3, .expected = 1},
      {.what = "Julia c=0: 2, 4", .number = 0, .x = 2, .julia = true, .expected = 2},
      {.what = "inverted 0.5 starts near 2", .number = 0, .x = 0.5, .inverted = true, .expected = 2},
      {.what = "F-Set", .number = 0, .x = 0.01, .fset = true, .expected = 3},
      {.what = "c updated through the reference", .number = 39, .x = 1, .expected = 5},
  };
  for (const TKernelCase& k : cases) {
    TFormulaContext kernel = ContextFor(k);
    EXPECT_EQ(Calc(kernel, k.x, k.y), k.expected) << "kernel " << k.number << ": " << k.what;
    TFormulaContext user = kernel;
    user.Number = kUserFormula;
    user.UserFormula = k.number == 0 ? &MandelStep : &ChaoticStep;
    EXPECT_EQ(Calc(user, k.x, k.y), k.expected) << "user formula like " << k.number << ": " << k.what;
    EXPECT_FALSE(FaultPending()) << k.what;
  }
}

struct TRecordedCall {
  int calls = 0;
  Extended x, y, cr, ci, p1r, p1i, p2r, p2i, p3r, p3i;
};
TRecordedCall Recorded;

void RecordingStep(Extended& x, Extended& y, Extended& cr, Extended& ci, Extended p1r, Extended p1i,
                   Extended p2r, Extended p2i, Extended p3r, Extended p3i) {
  if (Recorded.calls++ == 0) Recorded = {1, x, y, cr, ci, p1r, p1i, p2r, p2i, p3r, p3i};
  x += 1;  // walks right by one per call
}

TEST(KernelsClassic, UserFormulaArguments) {
  TFormulaContext ctx;
  ctx.Number = kUserFormula;
  ctx.UserFormula = &RecordingStep;
  ctx.MaxIter = 10;
  ctx.BailOut = 9;
  ctx.P1 = {1.5L, -2.5L};
  ctx.P2 = {3.25L, 4.75L};
  ctx.P3 = {-5.5L, 6.125L};
  ctx.PJ = {0.1L, -0.2L};  // not doubles: c keeps the extended values

  Recorded = {};
  ctx.JulieSet = true;
  // z (0,.5), (1,.5), (2,.5), (3,.5): three calls, then 9.25 > 9 at n = 4
  EXPECT_EQ(Calc(ctx, 0, 0.5), 4);
  EXPECT_EQ(Recorded.calls, 3);
  EXPECT_EQ(Recorded.x, 0);
  EXPECT_EQ(Recorded.y, 0.5L);
  EXPECT_EQ(Recorded.cr, 0.1L);
  EXPECT_EQ(Recorded.ci, -0.2L);
  EXPECT_EQ(Recorded.p1r, 1.5L);
  EXPECT_EQ(Recorded.p1i, -2.5L);
  EXPECT_EQ(Recorded.p2r, 3.25L);
  EXPECT_EQ(Recorded.p2i, 4.75L);
  EXPECT_EQ(Recorded.p3r, -5.5L);
  EXPECT_EQ(Recorded.p3i, 6.125L);

  // Inverted start, kept in extended precision; c is the start point.
  Recorded = {};
  ctx.JulieSet = false;
  ctx.Inverted = true;
  Calc(ctx, 3, 0);
  const Extended inv = Extended(3) / (Extended(9) + 1e-10L);
  EXPECT_EQ(Recorded.x, inv);
  EXPECT_NE(Recorded.x, Extended(double(inv)));
  EXPECT_EQ(Recorded.cr, inv);
  EXPECT_EQ(Recorded.ci, 0);

  Recorded = {};
  Calc(ctx, 0, 0);
  EXPECT_EQ(Recorded.x, 0);
  EXPECT_EQ(Recorded.y, 0);
}

TEST(KernelsClassic, MissingUserFormulaGivesZero) {
  for (bool julia : {false, true}) {
    TFormulaContext ctx;
    ctx.Number = kUserFormula;
    ctx.MaxIter = 50;
    ctx.BailOut = 4;
    ctx.JulieSet = julia;
    EXPECT_EQ(Calc(ctx, 5, 0), 0);  // would escape at once
    EXPECT_EQ(Calc(ctx, 0, 0), 0);
    EXPECT_FALSE(FaultPending());
  }
}

// Smoothing 1 turns the escape at (1, 0), bailout 9, where |z|^2 = 25, into
// 3 + 9/25: the update sees the z of every iteration up to the escape.
TEST(KernelsClassic, FilterUpdateSeesTheEscapingPoint) {
  TFormulaContext mandel = ContextFor({.what = "", .number = 0});
  TFormulaContext ctor = ConstructorContext({{cfA, 1}, {cfC, 1}});
  ctor.BailOut = 9;
  TFormulaContext user = mandel;
  user.Number = kUserFormula;
  user.UserFormula = &MandelStep;
  for (TFormulaContext* ctx : {&mandel, &ctor, &user}) {
    ctx->Smoothing = 1;
    EXPECT_NEAR(EvaluatePixel(ctx, 1, 0).Value[0], 3.36, 1e-6) << "formula " << ctx->Number;
  }
}

}  // namespace
