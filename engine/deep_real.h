// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Arbitrary-precision reals for views deeper than extended arithmetic can
// resolve. The document keeps its view window in them beside the extended
// X, Y, W, which follow as their rounding.

#include <mpfr.h>

#include <cstdint>
#include <string>

#include "formulas/numbers.h"

class TDeepReal {
 public:
  // Fewest bits a deep real carries: enough to hold any extended value exactly.
  static constexpr mpfr_prec_t kMinBits = 64;

  explicit TDeepReal(mpfr_prec_t bits = kMinBits);  // zero
  TDeepReal(Extended value, mpfr_prec_t bits);      // exact
  TDeepReal(const TDeepReal& other);
  TDeepReal(TDeepReal&& other) noexcept;
  TDeepReal& operator=(const TDeepReal& other);
  TDeepReal& operator=(TDeepReal&& other) noexcept;
  ~TDeepReal();

  // Reads a plain or exponent decimal ("-0.7436438870", "1.25e-120") rounded
  // to `bits`; false, leaving `out` alone, when the text is not one finite
  // number.
  static bool Parse(const std::string& text, mpfr_prec_t bits, TDeepReal& out);
  // Parse with more bits than the text's digits carry, so that every digit
  // typed or stored counts.
  static bool ParseAllDigits(const std::string& text, TDeepReal& out);

  mpfr_prec_t Bits() const { return mpfr_get_prec(V); }
  // Changes the precision, rounding the value to nearest when it shrinks.
  void SetBits(mpfr_prec_t bits);
  Extended ToExtended() const { return mpfr_get_ld(V, MPFR_RNDN); }
  double ToDouble() const { return mpfr_get_d(V, MPFR_RNDN); }
  bool IsZero() const { return mpfr_zero_p(V) != 0; }
  // The binary exponent e with 2^(e-1) <= |value| < 2^e; LONG_MIN for zero
  // and for a value that is not a finite number.
  long Exponent() const;
  // Scientific decimal with `digits` significant digits ("-7.4364e-01");
  // DecimalDigits(Bits()) of them read back to the same value.
  std::string ToDecimal(int digits) const;
  static int DecimalDigits(mpfr_prec_t bits);

  mpfr_ptr Get() { return V; }
  mpfr_srcptr Get() const { return V; }

  // Results carry the larger precision of the operands and are rounded to
  // nearest.
  friend TDeepReal operator+(const TDeepReal& a, const TDeepReal& b);
  friend TDeepReal operator-(const TDeepReal& a, const TDeepReal& b);
  friend TDeepReal operator*(const TDeepReal& a, const TDeepReal& b);
  friend TDeepReal operator/(const TDeepReal& a, const TDeepReal& b);
  friend bool operator==(const TDeepReal& a, const TDeepReal& b) { return mpfr_equal_p(a.V, b.V) != 0; }

 private:
  mpfr_t V;
};

// A view window: the upper-left corner X, Y and the width W.
struct TDeepWindow {
  TDeepReal X, Y, W;
};

// The binary exponent of the step W / spans, to within one; LONG_MIN when W
// is zero or not a finite number (no step).
long DeepStepExponent(const TDeepReal& w, int32_t spans);

// The bits from the largest of X, Y, W down to the step W / spans, to within
// one; 0 when there is no step.
long DeepSpanBits(const TDeepWindow& window, int32_t spans);

// Bits that resolve every pixel of a view `pixels` wide: from the larger
// coordinate's magnitude down to a pixel step, plus guard bits; never fewer
// than TDeepReal::kMinBits.
mpfr_prec_t DeepBitsFor(const TDeepWindow& window, int32_t pixels);
