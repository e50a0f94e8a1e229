// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deep_real.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr mpfr_prec_t kGuardBits = 32;

mpfr_prec_t LargerBits(const TDeepReal& a, const TDeepReal& b) { return std::max(a.Bits(), b.Bits()); }

}  // namespace

TDeepReal::TDeepReal(mpfr_prec_t bits) {
  mpfr_init2(V, std::max(bits, kMinBits));
  mpfr_set_zero(V, 1);
}

TDeepReal::TDeepReal(Extended value, mpfr_prec_t bits) {
  mpfr_init2(V, std::max(bits, kMinBits));
  mpfr_set_ld(V, value, MPFR_RNDN);
}

TDeepReal::TDeepReal(const TDeepReal& other) {
  mpfr_init2(V, other.Bits());
  mpfr_set(V, other.V, MPFR_RNDN);
}

TDeepReal::TDeepReal(TDeepReal&& other) noexcept {
  mpfr_init2(V, kMinBits);
  mpfr_swap(V, other.V);
}

TDeepReal& TDeepReal::operator=(const TDeepReal& other) {
  if (this != &other) {
    mpfr_set_prec(V, other.Bits());
    mpfr_set(V, other.V, MPFR_RNDN);
  }
  return *this;
}

TDeepReal& TDeepReal::operator=(TDeepReal&& other) noexcept {
  mpfr_swap(V, other.V);
  return *this;
}

TDeepReal::~TDeepReal() { mpfr_clear(V); }

bool TDeepReal::Parse(const std::string& text, mpfr_prec_t bits, TDeepReal& out) {
  if (text.empty()) return false;
  TDeepReal value(bits);
  char* end = nullptr;
  mpfr_strtofr(value.V, text.c_str(), &end, 10, MPFR_RNDN);
  if (end != text.c_str() + text.size() || !mpfr_number_p(value.V)) return false;
  out = std::move(value);
  return true;
}

bool TDeepReal::ParseAllDigits(const std::string& text, TDeepReal& out) {
  // Four bits a character hold more than a decimal digit's 3.32.
  return Parse(text, mpfr_prec_t(text.size()) * 4 + kMinBits, out);
}

void TDeepReal::SetBits(mpfr_prec_t bits) { mpfr_prec_round(V, std::max(bits, kMinBits), MPFR_RNDN); }

long TDeepReal::Exponent() const { return mpfr_regular_p(V) ? long(mpfr_get_exp(V)) : LONG_MIN; }

int TDeepReal::DecimalDigits(mpfr_prec_t bits) { return int(std::ceil(double(bits) * std::log10(2.0))) + 1; }

std::string TDeepReal::ToDecimal(int digits) const {
  char* text = nullptr;
  if (mpfr_asprintf(&text, "%.*Re", std::max(digits, 1) - 1, V) < 0 || !text) return {};
  std::string out(text);
  mpfr_free_str(text);
  return out;
}

TDeepReal operator+(const TDeepReal& a, const TDeepReal& b) {
  TDeepReal r(LargerBits(a, b));
  mpfr_add(r.V, a.V, b.V, MPFR_RNDN);
  return r;
}

TDeepReal operator-(const TDeepReal& a, const TDeepReal& b) {
  TDeepReal r(LargerBits(a, b));
  mpfr_sub(r.V, a.V, b.V, MPFR_RNDN);
  return r;
}

TDeepReal operator*(const TDeepReal& a, const TDeepReal& b) {
  TDeepReal r(LargerBits(a, b));
  mpfr_mul(r.V, a.V, b.V, MPFR_RNDN);
  return r;
}

TDeepReal operator/(const TDeepReal& a, const TDeepReal& b) {
  TDeepReal r(LargerBits(a, b));
  mpfr_div(r.V, a.V, b.V, MPFR_RNDN);
  return r;
}

long DeepStepExponent(const TDeepReal& w, int32_t spans) {
  // log2 of the span count, rounded up, brings the width down to a step.
  long e = w.Exponent();
  if (e == LONG_MIN) return e;
  for (int64_t p = spans; p > 1; p = (p + 1) / 2) --e;
  return e;
}

long DeepSpanBits(const TDeepWindow& window, int32_t spans) {
  const long step = DeepStepExponent(window.W, spans);
  if (step == LONG_MIN) return 0;
  const long top = std::max({window.X.Exponent(), window.Y.Exponent(), window.W.Exponent()});
  return top - step;
}

mpfr_prec_t DeepBitsFor(const TDeepWindow& window, int32_t pixels) {
  if (window.W.IsZero() || pixels < 1) return TDeepReal::kMinBits;
  return std::max<mpfr_prec_t>(TDeepReal::kMinBits, mpfr_prec_t(DeepSpanBits(window, pixels)) + kGuardBits);
}
