#pragma once
// Deep views for the tests of the deep render: windows centred on a point
// given in decimals.

#include <gtest/gtest.h>

#include "engine/deep_window.h"

// The window `columns` x `rows` pixels, `w` wide, centred on (cx, cy), in
// `bits` of precision.
inline TDeepWindow CentredDeepWindow(const char* cx, const char* cy, const char* w, int32_t columns, int32_t rows,
                                     mpfr_prec_t bits) {
  TDeepWindow window{TDeepReal(), TDeepReal(), TDeepReal()};
  TDeepReal x, y;
  EXPECT_TRUE(TDeepReal::Parse(cx, bits, x));
  EXPECT_TRUE(TDeepReal::Parse(cy, bits, y));
  EXPECT_TRUE(TDeepReal::Parse(w, bits, window.W));
  const TDeepReal step = window.W / TDeepReal(Extended(columns - 1), bits);
  window.X = x - window.W / TDeepReal(2.0L, bits);
  window.Y = y + step * TDeepReal(Extended(rows - 1) / 2, bits);
  return window;
}
