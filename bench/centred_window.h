// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The benchmarks' deep views: a window centred on a point given in decimals.

#include <string>

#include "engine/deep_real.h"

// The window `columns` x `rows` pixels, `width` wide, centred on (re, im),
// in `bits` of precision, or (0) with the bits the view needs and a few more.
inline TDeepWindow CentredWindow(const char* re, const char* im, const std::string& width, int32_t columns,
                                 int32_t rows, mpfr_prec_t bits = 0) {
  TDeepWindow window{TDeepReal(), TDeepReal(), TDeepReal()};
  TDeepReal::Parse(width, 64, window.W);
  if (bits == 0)
    bits = DeepBitsFor(TDeepWindow{TDeepReal(1.0L, 64), TDeepReal(1.0L, 64), window.W}, columns) + 16;
  TDeepReal x(bits), y(bits);
  TDeepReal::Parse(re, bits, x);
  TDeepReal::Parse(im, bits, y);
  TDeepReal::Parse(width, bits, window.W);
  const TDeepReal step = window.W / TDeepReal(Extended(columns - 1), bits);
  window.X = x - step * TDeepReal(Extended(columns - 1) / 2, bits);
  window.Y = y + step * TDeepReal(Extended(rows - 1) / 2, bits);
  return window;
}
