// SPDX-License-Identifier: GPL-3.0-or-later
// Kernels 41..76. Every expected iteration below was worked out by hand from
// the formula; the comments give the orbit (|z|^2 is what the bailout test
// sees at that iteration).

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "formulas/kernel_common.h"
#include "formulas/kernels.h"
#include "formulas/pixel.h"

namespace {

using TKernelFn = int32_t (*)(TFormulaContext*, double, double);

TKernelFn KernelOf(int number) {
  static const TKernelFn kTable[] = {
      &Kernel41, &Kernel42, &Kernel43, &Kernel44, &Kernel45, &Kernel46, &Kernel47, &Kernel48, &Kernel49,
      &Kernel50, &Kernel51, &Kernel52, &Kernel53, &Kernel54, &Kernel55, &Kernel56, &Kernel57, &Kernel58,
      &Kernel59, &Kernel60, &Kernel61, &Kernel62, &Kernel63, &Kernel64, &Kernel65, &Kernel66, &Kernel67,
      &Kernel68, &Kernel69, &Kernel70, &Kernel71, &Kernel72, &Kernel73, &Kernel74, &Kernel75, &Kernel76};
  return kTable[number - 41];
}

constexpr double kHalfPi = 1.5707963267948966;

struct TSetup {
  float BailOut = 9;
  TComplexExt P1{0, 0};
  TComplexExt P2{0, 0};
  int32_t MaxIter = 100;
  bool JulieSet = false;
  TComplexExt PJ{0, 0};
  bool Inverted = false;
  bool FSet = false;
};

struct TCase {
  const char* Note;
  int Kernel;
  double X, Y;
  TSetup Setup;
  int32_t Expected;
};

TFormulaContext MakeContext(int kernel, const TSetup& s) {
  TFormulaContext ctx;
  ctx.Number = kernel;
  ctx.BailOut = s.BailOut;
  ctx.P1 = s.P1;
  ctx.P2 = s.P2;
  ctx.MaxIter = s.MaxIter;
  ctx.JulieSet = s.JulieSet;
  ctx.PJ = s.PJ;
  ctx.Inverted = s.Inverted;
  ctx.FSet = s.FSet;
  ctx.ClearPixelFields();
  return ctx;
}

int32_t RunKernelAt(int kernel, double x, double y, const TSetup& s) {
  TFormulaContext ctx = MakeContext(kernel, s);
  ClearFaults();
  return KernelOf(kernel)(&ctx, x, y);
}

void CheckCases(const std::vector<TCase>& cases) {
  for (const TCase& c : cases) {
    EXPECT_EQ(RunKernelAt(c.Kernel, c.X, c.Y, c.Setup), c.Expected) << "kernel " << c.Kernel << ": " << c.Note;
    EXPECT_FALSE(FaultPending()) << "kernel " << c.Kernel << ": " << c.Note;
  }
  ClearFaults();
}

}  // namespace

TEST(ExtendedKernels, MaxIterBelowOneReturnsZero) {
  for (int k = 41; k <= 76; ++k)
    for (int32_t maxIter : {0, -1, -100}) {
      TSetup s;
      s.MaxIter = maxIter;
      s.P1 = {1, 0};
      s.P2 = {1, 0};
      // (4, 0) escapes at once wherever a bailout is tested; (0.3, 0.2) is
      // a harmless interior point for the others.
      EXPECT_EQ(RunKernelAt(k, 4, 0, s), 0) << "kernel " << k << " MaxIter " << maxIter;
      EXPECT_EQ(RunKernelAt(k, 0.3, 0.2, s), 0) << "kernel " << k << " MaxIter " << maxIter;
    }
  ClearFaults();
}

// Kernels that keep c or auxiliary values from one iteration to the next.
TEST(ExtendedKernels, MandelbrotVariations) {
  CheckCases({
      // z1 = z0, z2 = P1 = 1: z runs 1, 1, 2, 3, 7 (t = 2, 3, 7, 23); 49 > 9 at n = 5.
      {"XYaxis from 1", 42, 1, 0, {.P1 = {1, 0}}, 5},
      {"XYaxis at 0 stays 0", 42, 0, 0, {}, 0},
      // c = sin(pi/2) = 1: z1 = (pi^2/4 + 1)^2 = 12.02, 144.5 > 100.
      {"Dorvik #002, bailout 100", 43, kHalfPi, 0, {.BailOut = 100}, 2},
      // 144.5 <= 200, z2 = (144.55 + 1)^2 = 21185.
      {"Dorvik #002, bailout 200", 43, kHalfPi, 0, {.BailOut = 200}, 3},
      {"Dorvik #002 at 0: c = sin 0 = 0", 43, 0, 0, {}, 0},
      // C = 1/1 + 1 = 2, z1 = (1 * 2)^2 = 4: 16 > 9.
      {"Dorvik #011 from 1", 44, 1, 0, {}, 2},
      {"Dorvik #011 at 0", 44, 0, 0, {}, 0},
      // c: 1 -> 1*1 + 2 = 3; z: 1, 2, 7: 49 > 40 at n = 3.
      {"Mandel variation 4, P1 = 1", 46, 1, 0, {.BailOut = 40, .P1 = {1, 0}}, 3},
      // c: 1 -> 2 -> 6; z: 1, 2, 6, 42: 36 <= 40, 1764 > 40.
      {"Mandel variation 4, P1 = 0", 46, 1, 0, {.BailOut = 40}, 4},
      // z: 1, 2, 10: 100 > 90.
      {"Cube Mandel variation, P1 = 0", 47, 1, 0, {.BailOut = 90}, 3},
      // c: 1 -> -1 + 2 = 1 -> -1 + 9 = 8; z: 1, 2, 9, 737: 81 <= 90.
      {"Cube Mandel variation, P1 = -1", 47, 1, 0, {.BailOut = 90, .P1 = {-1, 0}}, 4},
      // (z, z1, c): (-1, 0, -1) -> (1, -2, -2) -> (-1, -1, -4) -> (0, -4, -8) -> (-4, -4, -16).
      {"Mandel variation 5 from -1, P1 = 2", 48, -1, 0, {.P1 = {2, 0}}, 5},
      // z = 1 + 0, z1 = 1 - 1 = 0, c = 1: a fixed point.
      {"Mandel variation 5 fixed at 1", 48, 1, 0, {.P1 = {1, 0}}, 0},
      // t = z; z = z^3 - c; c = t: z 1.5, 1.875, 5.09: 25.9 > 9.
      {"Four from 1.5", 58, 1.5, 0, {}, 3},
      // (z, c) cycles (1,1) (0,1) (-1,0) (-1,-1) (0,-1) (1,0).
      {"Four from 1 cycles", 58, 1, 0, {}, 0},
      // A = 3: z 1, -1, 3, 19: 9 is not above 9, 361 is.
      {"Velqua 2-02 from 1", 60, 1, 0, {}, 4},
      // z = z^4 (c - P1) - c: 16 * 1 - 2 = 14.
      {"Ulvenka4BIO from 2, P1 = 1", 63, 2, 0, {.P1 = {1, 0}}, 2},
      {"Ulvenka4BIO from 1 cycles 0, -1", 63, 1, 0, {}, 0},
      // z 1, 2, 7 with c = 1/1 + 2 = 3 taken from the new z: 49 > 40.
      {"Mandel/Talis from 1", 67, 1, 0, {.BailOut = 40}, 3},
      {"Mandel/Talis at 0", 67, 0, 0, {}, 0},
      // Re c = 1, Im c = 0: the real Mandelbrot orbit 1, 2, 5.
      {"Phoenix II from 1", 71, 1, 0, {}, 3},
  });
}

TEST(ExtendedKernels, RationalAndTalisKernels) {
  CheckCases({
      // c sin(z) / P1 from 2i: -2 sinh 2 = -7.2537, 52.6 > 50.
      {"c sin z / 1", 41, 0, 2, {.BailOut = 50, .P1 = {1, 0}}, 2},
      {"c sin z / i (same modulus)", 41, 0, 2, {.BailOut = 50, .P1 = {0, 1}}, 2},
      // dividing by 2 halves z1: -3.6269, 13.15 > 10.
      {"c sin z / 2 at bailout 10", 41, 0, 2, {.BailOut = 10, .P1 = {2, 0}}, 2},
      {"c sin z at 0", 41, 0, 0, {.P1 = {1, 0}}, 0},
      // z1 = 1 + 1 + 9 = 11, times sin(11 / 1) = -0.99999: 121 > 100.
      {"Curfew variation, P1 = 9", 52, 1, 0, {.BailOut = 100, .P1 = {9, 0}}, 2},
      // 1/c of c = 0 is 0 with the guard, so z = P1 * sin 0 = 0.
      {"Curfew variation at 0", 52, 0, 0, {.P1 = {1, 0}}, 0},
      // Newton step plus c: 2 - 7/12 + 2 = 3.4167, 11.67 > 9.
      {"Newton var by Tolbeck from 2", 57, 2, 0, {.P1 = {1, 0}}, 2},
      // z = 0: the guarded division of -1 by 0 is 0.
      {"Newton var by Tolbeck at 0", 57, 0, 0, {.P1 = {1, 0}}, 0},
      // (2, 0) / 16 - 2 + 2 = 0.125, then 0.125 / 0.125^4 = 512: 2.6e5 > 9.
      {"Polinomial set 4 from 2", 59, 2, 0, {}, 3},
      // z = 0: the guarded division of (0, 0) by 0 is 0.
      {"Polinomial set 4 at 0", 59, 0, 0, {}, 0},
      // (z^3 + 8)/(z^2 + 4) + 2: 4, 5.6, 7.19: 31.36 <= 35, 51.7 > 35.
      {"Talis variation 2", 64, 2, 0, {.BailOut = 35, .P1 = {8, 0}, .P2 = {4, 0}}, 4},
      // without P1, P2: 4, 6: 36 > 35.
      {"Talis variation 2 without parameters", 64, 2, 0, {.BailOut = 35}, 3},
      // (16 + 4)/(4 - 2 + 1) + 2 = 8.67.
      {"Talis variation 3", 65, 2, 0, {.P1 = {4, 0}, .P2 = {1, 0}}, 2},
      // z = 1: the divisor 1 - 1 is 0, and the guarded division gives 0: z = 0 + 1.
      {"Talis variation 3 zero divisor", 65, 1, 0, {}, 0},
      // (4 - 2)/2 + 2 = 3 (9 is not above 9), (9 - 3)/3 + 2 = 4.
      {"Talis variation 1", 66, 2, 0, {}, 3},
      // 16/(32 - 4) subtracted: 3.4286 (11.76 <= 12), then 4.504.
      {"Newton variation 74, P1 = 0", 74, 2, 0, {.BailOut = 12}, 3},
      // 12/26 subtracted: 3.5385, 12.52 > 12.
      {"Newton variation 74, P1 = 2", 74, 2, 0, {.BailOut = 12, .P1 = {2, 0}}, 2},
  });
}

TEST(ExtendedKernels, TrigonometricKernels) {
  CheckCases({
      // 2 - Log 4 = 2 + e^-1 log2 16 = 3.4715: 12.05 > 12 (the principal log
      // would give 3.386, 11.47).
      {"Polinomial set 2 from 2", 45, 2, 0, {.BailOut = 12, .P1 = {1, 0}}, 2},
      {"Polinomial set 2 fixed at 1", 45, 1, 0, {.P1 = {1, 0}}, 0},
      // cosh(1/1) + 1 = 2.543: 6.47 > 6.
      {"Cosh(inv/Z) from 1", 49, 1, 0, {.BailOut = 6}, 2},
      // the orbit settles at 1 + cosh(1/z) = 2.11, |z|^2 = 4.47.
      {"Cosh(inv/Z) converges inside", 49, 1, 0, {}, 0},
      // 1/1 + 1 + 0 = 2, (sin 2 + 1) 2 = 3.82: 14.6 > 9.
      {"Crentura variation", 50, 1, 0, {.P2 = {1, 0}}, 2},
      // sin(0) - 1 + 5 = 4.
      {"CubicFN, P2 = 5", 51, 1, 0, {.P1 = {1, 0}, .P2 = {5, 0}}, 2},
      // sin(0) - 1 = -1, then sin(4 * 0) - 1 = -1 again.
      {"CubicFN fixed at -1", 51, 1, 0, {.P1 = {1, 0}}, 0},
      // X = sin 1: z0 = 1, (1 + X)/X = 2.188 (4.79), (4.79 + X)/X = 6.69 (44.8).
      {"Dorvik #104 from 1", 53, 1, 0, {.BailOut = 30, .P1 = {1, 0}, .P2 = {1, 0}}, 3},
      // 2i / sinh(2i) = 2.1995, sin = 0.8088; 2i / sinh(0.8088) = 2.2234i, sin = 4.56i.
      {"Dorvik #105a from 2i", 54, 0, 2, {}, 3},
      // real orbits stay in [-1, 1].
      {"Dorvik #105a real axis", 54, 2, 0, {}, 0},
      {"Dorvik #105a at 0", 54, 0, 0, {}, 0},
      // 2i / sin(2i) = 0.5514, sin = 0.5239; 2i / sin(0.5239) = 4.0i, sin = 27.2i.
      {"Dorvik #105b from 2i", 55, 0, 2, {}, 3},
      // 2i / conj(2i) = -1, sin = -0.8415; 2i / -0.8415 = -2.377i, sin = -5.34i.
      {"Dorvik #105c from 2i", 56, 0, 2, {}, 3},
      // 7 + Log 7 / sin 7 = 7 + 2.0655 / 0.65699 = 10.14: 102.9 > 50.
      {"Guiatr 1 from 7", 61, 7, 0, {}, 2},
      {"Guiatr 1 fixed at 1", 61, 1, 0, {}, 0},
      // z.r = -8 + 0.6, z.i = -0.5: 55 > 9.
      {"Morvel 1 from 2", 62, 2, 0, {}, 2},
      // cos(3i) 3i = 3 cosh(3) i = 30.2i (912 <= 1000), then 3 cosh(30.2) i.
      {"Cos(Z)*C from 3i", 72, 0, 3, {.P1 = {1, 0}}, 3},
      {"Cos(Z)*C at 0", 72, 0, 0, {.P1 = {1, 0}}, 0},
      // 1/c = 10: cos(0.1)/0.01 + 10 = 109.5, 11990 > 1000.
      {"Cos(Z)/(Z*Z)+1/C from 0.1", 75, 0.1, 0, {}, 2},
      // 1/c = 5: 24.5 + 5 = 29.5 (870 <= 1000), then z stays within 5 +- 0.04.
      {"Cos(Z)/(Z*Z)+1/C from 0.2", 75, 0.2, 0, {}, 0},
  });
}

// The fixed escape limits ignore the bailout field.
TEST(ExtendedKernels, FixedBailouts) {
  CheckCases({
      // Guiatr 1 escapes above 50: 49 at n = 1 is inside even with bailout 40.
      {"Guiatr 1 with bailout 40", 61, 7, 0, {.BailOut = 40}, 2},
      {"Guiatr 1 with bailout 1e6", 61, 7, 0, {.BailOut = 1e6f}, 2},
      {"Guiatr 1 from 7.2", 61, 7.2, 0, {.BailOut = 1e6f}, 1},
      // P1 = 0: z = cos(0) 3 = 3 for ever; 9 is above bailout 4 but below 1000.
      {"Cos(Z)*C fixed at 3", 72, 3, 0, {.BailOut = 4}, 0},
      {"Cos(Z)*C, 912 <= 1000 with bailout 9", 72, 0, 3, {.BailOut = 9, .P1 = {1, 0}}, 3},
      {"Cos(Z)*C from 40", 72, 40, 0, {.BailOut = 1e6f}, 1},
      // 870 would be above bailout 9.
      {"Cos(Z)/(Z*Z)+1/C with bailout 9", 75, 0.2, 0, {.BailOut = 9}, 0},
  });
}

TEST(ExtendedKernels, NewtonKernels) {
  const TComplexExt zero{0, 0};
  CheckCases({
      // Newton on z^4 - z from 2: 1.548, 1.245, 1.0728, 1.0089, 1.00015; the squared
      // steps 0.0039 and then 6.3e-5 < 0.001, seen at n = 6. No bailout: 4 > 1.
      {"4nd Mandel/Newton from 2", 69, 2, 0, {.BailOut = 1, .JulieSet = true, .PJ = zero}, 6},
      {"4nd Mandel/Newton from 2, F-Set on", 69, 2, 0, {.BailOut = 1, .JulieSet = true, .PJ = zero, .FSet = true}, 6},
      {"4nd Mandel/Newton, cap 5", 69, 2, 0, {.MaxIter = 5, .JulieSet = true, .PJ = zero}, 0},
      // z = 0 is a root: the second iteration sees no move.
      {"4nd Mandel/Newton at 0", 69, 0, 0, {}, 2},
      // z^5 - sin z from 1: 0.96445 (squared step 0.00126), 0.96107 (1.1e-5).
      {"5nd Mandel/Newton from 1", 70, 1, 0, {.BailOut = 0.5f, .JulieSet = true, .PJ = zero}, 3},
      {"5nd Mandel/Newton at 0", 70, 0, 0, {}, 2},
      // Newton on z^3 + z^2 - z: 1, 0.75, 0.6429, 0.6192; squared steps 0.0625,
      // 0.0115, 0.00056 < 0.001 at n = 4, with F-Set off.
      {"Newton variation 76 from 1", 76, 1, 0, {.P1 = {1, 0}, .JulieSet = true, .PJ = zero}, 4},
      {"Newton variation 76 at 0", 76, 0, 0, {.P1 = {1, 0}, .JulieSet = true, .PJ = zero}, 2},
      // ... but the bailout still comes first: 16 > 9.
      {"Newton variation 76 from 4", 76, 4, 0, {.P1 = {1, 0}, .JulieSet = true, .PJ = zero}, 1},
      // (2 - 7/12)^3 * 2 = 5.686: 32.3 > 9.
      {"Newton variation 73 from 2", 73, 2, 0, {}, 2},
      {"Newton variation 73 fixed at 1", 73, 1, 0, {}, 0},
      // 2 - e^2 (7/12) + 2 = -0.3103, then 4.304: 18.5 > 9.
      {"Twister Weed, P2 = 1", 68, 2, 0, {.P1 = {1, 0}, .P2 = {1, 0}}, 3},
      // e^0 = 1: 2 - 7/12 + 2 = 3.4167.
      {"Twister Weed, P2 = 0", 68, 2, 0, {.P1 = {1, 0}}, 2},
  });
}

TEST(ExtendedKernels, JuliaModeIgnoredBy42And44And62) {
  struct TJ {
    int Kernel;
    double X, Y;
    TSetup Setup;
    int32_t Expected;
  };
  const TJ cases[] = {
      {42, 1, 0, {.P1 = {1, 0}}, 5},
      {44, 1, 0, {}, 2},
      {44, 2, 0, {.BailOut = 3, .Inverted = true}, 2},
      {62, 2, 0, {}, 2},
      {62, 0.5, 0, {.P1 = {-0.6L, 0.5L}, .FSet = true}, 4},
  };
  for (const TJ& c : cases)
    for (const TComplexExt pj : {TComplexExt{0, 0}, TComplexExt{0.3L, -0.7L}, TComplexExt{5, 5}}) {
      TSetup off = c.Setup, on = c.Setup;
      on.JulieSet = true;
      on.PJ = pj;
      EXPECT_EQ(RunKernelAt(c.Kernel, c.X, c.Y, off), c.Expected) << "kernel " << c.Kernel;
      EXPECT_EQ(RunKernelAt(c.Kernel, c.X, c.Y, on), c.Expected) << "kernel " << c.Kernel << " Julia " << double(pj.re);
    }
  ClearFaults();
}

TEST(ExtendedKernels, JuliaModeAndStartClauses) {
  CheckCases({
      // c = sin(pi/2) = 1 in Julia mode: z 0, 1, 4, 289.
      {"Dorvik #002 Julia", 43, 0, 0, {.BailOut = 100, .JulieSet = true, .PJ = {kHalfPi, 0}}, 4},
      // X = sin(pi/2) = 1 from the Julia point: z 1, 2, 5, 26 (25 <= 30).
      {"Dorvik #104 Julia", 53, 1, 0,
       {.BailOut = 30, .P1 = {1, 0}, .P2 = {1, 0}, .JulieSet = true, .PJ = {kHalfPi, 0}}, 4},
      // A = 3 z0^2 = 12 from the start point, not from the Julia point 0:
      // z1 = 8 - 24 = -16 (256 > 100); with A = 0 it would be 8, 512.
      {"Velqua 2-02 Julia", 60, 2, 0, {.BailOut = 100, .JulieSet = true, .PJ = {0, 0}}, 2},
      // A = 3 and c = 0: z 1, -2, -2, ...
      {"Velqua 2-02 Julia fixed", 60, 1, 0, {.JulieSet = true, .PJ = {0, 0}}, 0},
  });
}

TEST(ExtendedKernels, InvertedStartPoints) {
  CheckCases({
      // z0 = 2 / 4 = 0.5 and c = 0.5: z 0.5, 0.75, 1.3125, 3.035 (9.21 > 9).
      {"Mandel variation 4 inverted", 46, 2, 0, {.Inverted = true}, 4},
      // not inverted: 2, 6.
      {"Mandel variation 4 plain", 46, 2, 0, {}, 2},
      // z0 = 0.5 but the pixel term stays 2: C = 4/0.5 + 0.5, z1 = (2 * 8.5)^2.
      {"Dorvik #011 inverted", 44, 2, 0, {.BailOut = 3, .Inverted = true}, 2},
      {"Dorvik #011 plain", 44, 2, 0, {.BailOut = 3}, 1},
      // inv = 2 / 0.5^2 = 8: cosh(8 / 0.5) + 0.5 = 4.4e6. With inv = 1/z0 = 2 it
      // would be cosh 4 + 0.5 = 27.8 and then stay small.
      {"Cosh(inv/Z) inverted", 49, 2, 0, {.BailOut = 1000, .Inverted = true}, 2},
      // term = 0.5 / 2^2 = 0.125: z 2, cos(2)/4 + 0.125 = 0.021, 2274.
      {"Cos(Z)/(Z*Z)+1/C inverted", 75, 0.5, 0, {.Inverted = true}, 3},
      // the pixel (0, 0) inverts to (0, 0).
      {"Mandel variation 4 inverted at 0", 46, 0, 0, {.Inverted = true}, 0},
      {"Four inverted at 0", 58, 0, 0, {.Inverted = true}, 0},
  });
}

// Readings of the formulas whose text leaves the order of updates open.
TEST(ExtendedKernels, UpdateOrderReadings) {
  CheckCases({
      // Start P1 / z0 with z0 = i, P1 = 1 + i: Re = 1, Im = (1 * 1 - 1 * 1) = 0
      // from the new real part (P1 / z0 itself is 1 - i, 2 > 1.5 at n = 1).
      // X = sin i = 1.1752i: z1 = (1 + X)/X = 1 - 0.8509i, 1.724 > 1.5.
      {"Dorvik #104 start point", 53, 0, 1, {.BailOut = 1.5f, .P1 = {1, 1}, .P2 = {1, 0}}, 2},
      // c = 1 + i: (1, 1) -> Re 1, Im 2 -> Re 1 - 4 + 1 + 1 = -1, Im 2(-1)(2) + 1 = -3
      // (10 <= 20) -> Re -6, Im 38. With the old real part Im would be 5 (26 > 20).
      {"Phoenix II imaginary part", 71, 1, 1, {.BailOut = 20}, 4},
      // In Julia mode the last term is the raw pixel over |c|^2: 0.5 / 0.01 = 50,
      // cos(0.5)/0.25 + 50 = 53.5. With 1/c = 10 the orbit stays near 10.
      {"Cos(Z)/(Z*Z)+1/C Julia", 75, 0.5, 0, {.JulieSet = true, .PJ = {0.1L, 0}}, 2},
  });
}

TEST(ExtendedKernels, FSetTolerances) {
  CheckCases({
      // Morvel 1 with P1 = (-0.6, 0.5), P2 = 0 is x -> -x^3 on the real axis:
      // 0.5, -0.125, 0.00195, -7.5e-9. Squared steps 0.39, 0.0161, 3.8e-6:
      // below 0.001 at n = 4 (1e-11 would need n = 5).
      {"Morvel 1 tolerance 0.001", 62, 0.5, 0, {.P1 = {-0.6L, 0.5L}, .FSet = true}, 4},
      {"Morvel 1 without F-Set", 62, 0.5, 0, {.P1 = {-0.6L, 0.5L}}, 0},
      // Julia c = 1: z = (Newton step)^3 from 1.1 runs 1.0267, 1.00206,
      // 1.0000127, 1 + 4.9e-10, 1. Squared steps 0.0054, 6.1e-4, 4.2e-6,
      // 1.6e-10, 2.4e-19: below 1e-11 at n = 6 (0.001 would stop at n = 4).
      {"Newton variation 73 tolerance 1e-11", 73, 1.1, 0, {.JulieSet = true, .PJ = {1, 0}, .FSet = true}, 6},
      {"Newton variation 73 without F-Set", 73, 1.1, 0, {.JulieSet = true, .PJ = {1, 0}}, 0},
      // 1, 2.543, 2.0783, 2.1180, 2.1135: squared steps 2.38, 0.216, 0.00158, 2e-5.
      {"Cosh(inv/Z) tolerance 0.001", 49, 1, 0, {.FSet = true}, 5},
      // exact fixed points: the second iteration sees no move.
      {"Polinomial set 2 fixed point", 45, 1, 0, {.P1 = {1, 0}, .FSet = true}, 2},
      {"Guiatr 1 keeps the F-Set exit", 61, 1, 0, {.FSet = true}, 2},
      {"Cos(Z)*C keeps the F-Set exit", 72, 2, 0, {.FSet = true}, 2},
      {"Mandel variation 5 fixed point", 48, 1, 0, {.P1 = {1, 0}, .FSet = true}, 2},
  });
}

// Guarded kernels end at the iteration whose step faulted and leave no fault
// behind; the pixel counts as escaped there.
TEST(ExtendedKernels, GuardedStepFaultReturnsCurrentIteration) {
  CheckCases({
      // sin(800i) = i sinh 800 = 1.4e347 i, times 800i: beyond the double range.
      {"c sin z overflow", 41, 0, 800, {.BailOut = 1e6f, .P1 = {1, 0}}, 1},
      // Log 0: log2 of 0.
      {"Polinomial set 2 at 0", 45, 0, 0, {.P1 = {1, 0}}, 1},
      // c / (z z) with z = 0 and no guard: 0/0.
      {"Crentura variation at 0", 50, 0, 0, {}, 1},
      {"Guiatr 1 at 0", 61, 0, 0, {}, 1},
      // sinh of 12000 overflows even the extended range.
      {"Dorvik #105a overflow", 54, 12000, 0, {.BailOut = 1e9f}, 1},
  });
  // The guarded result also is what the pixel gets.
  TFormulaContext ctx = MakeContext(41, {.BailOut = 1e6f, .P1 = {1, 0}});
  EXPECT_EQ(EvaluatePixel(&ctx, 0, 800).Value[0], 1.0f);
  EXPECT_FALSE(FaultPending());
}

// Kernel 73 guards only its Newton step: a fault there makes that step's
// result 0 and the iteration goes on.
TEST(ExtendedKernels, Kernel73AbsorbsNewtonStepFault) {
  const float inf = std::numeric_limits<float>::infinity();
  CheckCases({
      // z = 0: the division by 3 z^2 = 0 gives 0 under the 1e-10 guard, so the
      // step is 0 and z stays 0; nothing escapes and no fault is left.
      {"z = 0", 73, 0, 0, {}, 0},
      {"z = 0 in Julia mode", 73, 0, 0, {.JulieSet = true, .PJ = {2, 3}}, 0},
      // z = +inf never exceeds an infinite bailout; its Newton step is
      // inf - inf (invalid). The step becomes 0, z = 0^3 * c = 0 and stays.
      {"infinite z", 73, std::numeric_limits<double>::infinity(), 0,
       {.BailOut = inf, .MaxIter = 10, .JulieSet = true, .PJ = {1, 0}}, 0},
  });
  // The same point in Newton variation 76 (guarded) ends at once.
  CheckCases({{"infinite z, kernel 76", 76, std::numeric_limits<double>::infinity(), 0,
               {.BailOut = inf, .P1 = {1, 0}, .MaxIter = 10, .JulieSet = true, .PJ = {1, 0}}, 1}});
}

// Unguarded kernels leave the fault pending; the pixel becomes value 0.
TEST(ExtendedKernels, UnguardedFaultGivesPixelValueZero) {
  // Inverted, the pixel (1e300, 0) starts at 1e-300, and the last term of
  // kernel 75 is 1e300 / (1e-600 + 1e-10) = 1e310: z overflows the double
  // range at the first step and escapes at n = 2 (inf > 1000).
  TFormulaContext ctx = MakeContext(75, {.Inverted = true});
  ClearFaults();
  EXPECT_EQ(Kernel75(&ctx, 1e300, 0), 2);
  EXPECT_TRUE(FaultPending());
  ClearFaults();

  const TPixelChannels v = EvaluatePixel(&ctx, 1e300, 0);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(v.Value[k], 0.0f);
  EXPECT_FALSE(FaultPending());

  // Kernel 49's 1/pixel at (0, 0) has no guard: 0/0 before the loop.
  TFormulaContext ctx49 = MakeContext(49, {});
  EXPECT_EQ(EvaluatePixel(&ctx49, 0, 0).Value[0], 0.0f);
  // A fault-free pixel of the same kernel keeps its value.
  TFormulaContext ok = MakeContext(49, {.BailOut = 6});
  EXPECT_EQ(EvaluatePixel(&ok, 1, 0).Value[0], 2.0f);
}

// The filter update sees z of every iteration, before that iteration's test.
TEST(ExtendedKernels, FilterUpdateEveryIteration) {
  // Kernel 42 from 1 with P1 = 1 shows z = 1, 1, 2, 3, 7 at n = 1..5. Filter 1
  // records the last n with |x| < 2.5: n = 3, 0.5 below the limit.
  TFormulaContext ctx = MakeContext(42, {.P1 = {1, 0}});
  ctx.Filter = 1;
  ctx.Strange = 2.5L;
  ClearFaults();
  EXPECT_EQ(Kernel42(&ctx, 1, 0), 5);
  EXPECT_EQ(ctx.ChanIter[0], 3);
  EXPECT_DOUBLE_EQ(ctx.ChanMag[0], 0.5);

  // Smoothing 1 at the escape: K = 49 > 9, correction -9/49, so 5 + 9/49.
  TFormulaContext smooth = MakeContext(42, {.P1 = {1, 0}});
  smooth.Smoothing = 1;
  EXPECT_FLOAT_EQ(EvaluatePixel(&smooth, 1, 0).Value[0], 5.0f + 9.0f / 49.0f);

  // The Newton kernels call it too: 69 from 2 converges at n = 6, and |z|^2
  // is below 1.2 from n = 4 on (1.151, 1.018, 1.0003).
  TFormulaContext newton = MakeContext(69, {.JulieSet = true, .PJ = {0, 0}});
  newton.Filter = 3;  // |z|^2 below the limit
  newton.Strange = 1.2L;
  EXPECT_EQ(Kernel69(&newton, 2, 0), 6);
  EXPECT_EQ(newton.ChanIter[2], 6);
  ClearFaults();
}
