// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deep_window.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A scientific decimal "d.ddde-01" written positionally while its exponent is
// small, as the spot's other coordinates are ("-0.74364388703715870475").
std::string PlainDecimal(const std::string& text) {
  const size_t e = text.find('e');
  if (e == std::string::npos) return text;
  const int exponent = std::atoi(text.c_str() + e + 1);
  if (exponent < -5 || exponent > 20) return text;
  const bool negative = text[0] == '-';
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i)
    if (text[i] != '.') digits += text[i];
  const int point = exponent + 1;  // digits before the decimal point
  std::string out;
  if (point <= 0)
    out = "0." + std::string(size_t(-point), '0') + digits;
  else if (size_t(point) >= digits.size())
    out = digits + std::string(size_t(point) - digits.size(), '0');
  else
    out = digits.substr(0, size_t(point)) + "." + digits.substr(size_t(point));
  return negative ? "-" + out : out;
}

// The width a deep grid is laid out for: 2^14 pixels, beyond any image size,
// so that the grid (and with it a saved spot) does not depend on the size of
// the image that shows the window.
constexpr int32_t kGridPixels = 1 << 14;
constexpr mpfr_prec_t kDoubleBits = 53;

// a + b (or a - b) without rounding.
TDeepReal ExactSum(const TDeepReal& a, const TDeepReal& b, bool subtract) {
  TDeepReal r(std::max(a.Bits(), b.Bits()));
  if (!a.IsZero() && !b.IsZero()) {
    const long top = std::max(a.Exponent(), b.Exponent()) + 1;
    const long low = std::min(a.Exponent() - long(a.Bits()), b.Exponent() - long(b.Bits()));
    r.SetBits(mpfr_prec_t(top - low));
  }
  if (subtract)
    mpfr_sub(r.Get(), a.Get(), b.Get(), MPFR_RNDN);
  else
    mpfr_add(r.Get(), a.Get(), b.Get(), MPFR_RNDN);
  return r;
}

// Precision that holds `value` on the grid 2^grid exactly.
mpfr_prec_t GridBits(const TDeepReal& value, long grid) {
  return value.IsZero() ? TDeepReal::kMinBits : std::max<mpfr_prec_t>(TDeepReal::kMinBits, value.Exponent() - grid);
}

// Rounds `value` to the nearest multiple of 2^grid.
void RoundToGrid(TDeepReal& value, long grid) {
  if (!value.IsZero()) {
    const long bits = value.Exponent() - grid;
    if (bits >= MPFR_PREC_MIN) {
      mpfr_prec_round(value.Get(), mpfr_prec_t(bits), MPFR_RNDN);
    } else {
      mpfr_mul_2si(value.Get(), value.Get(), -grid, MPFR_RNDN);
      mpfr_rint(value.Get(), value.Get(), MPFR_RNDN);
      mpfr_mul_2si(value.Get(), value.Get(), grid, MPFR_RNDN);
    }
  }
  value.SetBits(GridBits(value, grid));
}

// Rounds a coordinate to the policy: 64 bits, or the grid 2^grid.
void RoundCoordinate(TDeepReal& value, long grid) {
  if (grid == LONG_MIN)
    value.SetBits(TDeepReal::kMinBits);
  else
    RoundToGrid(value, grid);
}

// Parses `text` (already known to be a number) rounded once to the policy.
TDeepReal ParseCoordinate(const std::string& text, const TDeepReal& rough, long grid) {
  TDeepReal value(TDeepReal::kMinBits);
  if (grid == LONG_MIN || rough.IsZero()) {
    TDeepReal::Parse(text, TDeepReal::kMinBits, value);
    return value;
  }
  const long bits = rough.Exponent() - grid;
  if (bits < MPFR_PREC_MIN) {
    value = rough;
    RoundToGrid(value, grid);
    return value;
  }
  mpfr_set_prec(value.Get(), mpfr_prec_t(bits));
  mpfr_strtofr(value.Get(), text.c_str(), nullptr, 10, MPFR_RNDN);
  value.SetBits(GridBits(value, grid));
  return value;
}

}  // namespace

TDeepWindow MovedWindow(const TDeepWindow& window, const TViewMove& move) {
  if (move.Spans < 1) return window;
  const mpfr_prec_t bits = std::max(TDeepReal::kMinBits, window.W.Bits());
  TDeepReal step = window.W / TDeepReal(Extended(move.Spans), bits);
  if (move.DoubleStep) {
    mpfr_prec_round(step.Get(), kDoubleBits, MPFR_RNDN);
    step.SetBits(bits);
  }
  TDeepWindow moved{ExactSum(window.X, TDeepReal(move.Column, bits) * step, false),
                    ExactSum(window.Y, TDeepReal(move.Row, bits) * step, true),
                    move.WidthSteps > 0 ? TDeepReal(Extended(move.WidthSteps), bits) * step
                                        : window.W * TDeepReal(move.Zoom, bits)};
  return RoundedWindow(moved);
}

long DeepGridExponent(const TDeepWindow& window) {
  const mpfr_prec_t bits = DeepBitsFor(window, kGridPixels);
  if (bits <= TDeepReal::kMinBits) return LONG_MIN;
  return std::max({window.X.Exponent(), window.Y.Exponent(), window.W.Exponent()}) - long(bits);
}

TDeepWindow RoundedWindow(const TDeepWindow& window) {
  const long grid = DeepGridExponent(window);
  TDeepWindow rounded = window;
  RoundCoordinate(rounded.X, grid);
  RoundCoordinate(rounded.Y, grid);
  rounded.W.SetBits(TDeepReal::kMinBits);
  return rounded;
}

bool IsDeep(const TDeepWindow& window) {
  for (const TDeepReal* v : {&window.X, &window.Y, &window.W})
    if (!(*v == TDeepReal(v->ToExtended(), TDeepReal::kMinBits))) return true;
  return false;
}

TDeepWindow WindowOf(Extended x, Extended y, Extended w) {
  return {TDeepReal(x, TDeepReal::kMinBits), TDeepReal(y, TDeepReal::kMinBits), TDeepReal(w, TDeepReal::kMinBits)};
}

std::array<std::string, 3> DeepTexts(const TDeepWindow& window) {
  const TDeepReal* values[3] = {&window.X, &window.Y, &window.W};
  std::array<std::string, 3> texts;
  for (int k = 0; k < 3; ++k) texts[k] = values[k]->ToDecimal(TDeepReal::DecimalDigits(values[k]->Bits()));
  auto readsBack = [&window](const std::array<std::string, 3>& candidate) {
    TDeepWindow back;
    const std::string list[3] = {candidate[0], candidate[1], candidate[2]};
    return ParseDeepWindow(list, back) < 0 && back.X == window.X && back.Y == window.Y && back.W == window.W;
  };
  if (!readsBack(texts)) {  // a window off the policy keeps every digit
    for (std::string& t : texts) t = PlainDecimal(t);
    return texts;
  }
  // Fewer digits read back as long as they still round to the value: the
  // shortest such count, by bisection.
  for (int k = 0; k < 3; ++k) {
    int low = 1, high = TDeepReal::DecimalDigits(values[k]->Bits());
    while (low < high) {
      const int mid = (low + high) / 2;
      std::array<std::string, 3> candidate = texts;
      candidate[k] = values[k]->ToDecimal(mid);
      if (readsBack(candidate))
        high = mid;
      else
        low = mid + 1;
    }
    texts[k] = PlainDecimal(values[k]->ToDecimal(high));
  }
  return texts;
}

int ParseDeepWindow(const std::string (&texts)[3], TDeepWindow& out) {
  // First every value to more bits than its digits carry, for the exponents
  // that fix the grid; then each once, straight to its precision.
  TDeepWindow rough;
  TDeepReal* roughs[3] = {&rough.X, &rough.Y, &rough.W};
  for (int k = 0; k < 3; ++k) {
    if (!TDeepReal::ParseAllDigits(texts[k], *roughs[k])) return k;
  }
  const long grid = DeepGridExponent(rough);
  out = {ParseCoordinate(texts[0], rough.X, grid), ParseCoordinate(texts[1], rough.Y, grid),
         ParseCoordinate(texts[2], rough.W, LONG_MIN)};
  return -1;
}
