// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deep_real.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

TEST(DeepReal, DecimalTextReadsBackToTheSameValue) {
  for (const mpfr_prec_t bits : {64, 200, 700}) {
    TDeepReal x;
    ASSERT_TRUE(TDeepReal::Parse("-0.743643887037158704752191506114774", bits, x));
    const TDeepReal third = x / TDeepReal(3.0L, bits);
    TDeepReal back;
    ASSERT_TRUE(TDeepReal::Parse(third.ToDecimal(TDeepReal::DecimalDigits(bits)), bits, back));
    EXPECT_TRUE(back == third) << bits;
  }
  TDeepReal w;
  ASSERT_TRUE(TDeepReal::Parse("1.25e-120", 128, w));
  EXPECT_EQ(w.ToDecimal(3), "1.25e-120");
  EXPECT_EQ(TDeepReal(-2.2L, 64).ToExtended(), -2.2L);
}

TEST(DeepReal, RefusesTextThatIsNotOneFiniteNumber) {
  TDeepReal kept(7.0L, 64);
  for (const char* text : {"", "abc", "1.5x", "1.5 ", "inf", "-INF", "nan", "1e99999999999999999999"})
    EXPECT_FALSE(TDeepReal::Parse(text, 128, kept)) << text;
  EXPECT_EQ(kept.ToExtended(), 7.0L);
}

TEST(DeepReal, BitsFollowTheDepthOfTheView) {
  struct Row {
    const char *x, *w;
    int32_t pixels;
    mpfr_prec_t atLeast, atMost;
  } rows[] = {
      {"-2.2", "2.8", 1024, 64, 64},
      {"-0.74", "1e-25", 1024, 83 + 10, 83 + 10 + 40},
      {"-0.74", "1e-100", 1024, 332 + 10, 332 + 10 + 40},
  };
  for (const Row& r : rows) {
    TDeepWindow window;
    ASSERT_TRUE(TDeepReal::Parse(r.x, 512, window.X));
    ASSERT_TRUE(TDeepReal::Parse(r.w, 512, window.W));
    const mpfr_prec_t bits = DeepBitsFor(window, r.pixels);
    EXPECT_GE(bits, r.atLeast) << r.w;
    EXPECT_LE(bits, r.atMost) << r.w;
  }
}

// A width with no step (zero, infinite or not a number) gives no exponent and
// no bits to resolve, for any span count, instead of running past the range
// of the exponent.
TEST(DeepReal, AWidthWithoutAStepHasNoStepExponent) {
  const Extended nan = std::numeric_limits<Extended>::quiet_NaN(), inf = std::numeric_limits<Extended>::infinity();
  for (const Extended w : {nan, inf, -inf, Extended(0)}) {
    for (const int32_t spans : {1, 2, 639, INT32_MAX}) {
      TDeepWindow window{TDeepReal(-0.5L, 64), TDeepReal(0.5L, 64), TDeepReal(w, 64)};
      EXPECT_EQ(DeepStepExponent(window.W, spans), LONG_MIN) << double(w) << " " << spans;
      EXPECT_EQ(DeepSpanBits(window, spans), 0) << double(w) << " " << spans;
      EXPECT_EQ(DeepBitsFor(window, spans), TDeepReal::kMinBits) << double(w) << " " << spans;
    }
  }
  // The largest span count halves a width of 2^0 31 times.
  EXPECT_EQ(DeepStepExponent(TDeepReal(0.75L, 64), INT32_MAX), -31);
}
