// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Navigation of a deep view window and the precision its coordinates keep.
//
// Precision policy. W is kept to 64 bits: its relative precision is all a
// width needs, so it always equals its extended rounding. While extended
// arithmetic resolves the view, X and Y are kept to 64 bits too, so that
// every move gives exactly the extended result. Deeper, X and Y lie on a
// fixed grid below the width (a 2^-46 part of W): their bits grow with the
// depth, and a move undone by the opposite move lands on the same values.

#include <array>
#include <climits>
#include <cstdint>
#include <string>

#include "engine/deep_real.h"

// The keys a spot file or a picture names a deep window by, beside X_Coord,
// Y_Coord, W_Coord.
inline constexpr const char* kDeepKeys[3] = {"X_Deep", "Y_Deep", "W_Deep"};

// A change of the view in pixels of the current view, whose step is
// W / Spans.
struct TViewMove {
  // The new upper-left corner: the point Column pixels right of and Row
  // pixels below the current one (fractions allowed, negative to go left or
  // up).
  Extended Column = 0, Row = 0;
  Extended Zoom = 1;         // new W = W * Zoom
  int32_t WidthSteps = 0;    // when positive, new W = WidthSteps * step instead
  int32_t Spans = 1;         // steps across the width
  bool DoubleStep = false;   // the step is first rounded to a double's 53 bits
};

// The window after `move`, computed exactly from `window` and then rounded
// by RoundedWindow. A move without steps (Spans < 1) changes nothing.
TDeepWindow MovedWindow(const TDeepWindow& window, const TViewMove& move);

// The exponent g of the grid 2^g that X and Y of `window` lie on, or
// LONG_MIN while extended arithmetic resolves the window.
long DeepGridExponent(const TDeepWindow& window);

// `window` rounded to the precision policy above.
TDeepWindow RoundedWindow(const TDeepWindow& window);

// Whether `window` holds more than its extended rounding.
bool IsDeep(const TDeepWindow& window);

// The exact window of three extended values.
TDeepWindow WindowOf(Extended x, Extended y, Extended w);

// X, Y, W as the shortest decimals that ParseDeepWindow reads back to the
// same window (one that follows the precision policy); never longer than
// TDeepReal::DecimalDigits of their bits.
std::array<std::string, 3> DeepTexts(const TDeepWindow& window);

// Reads the three decimals of a window and rounds them to the precision
// policy; -1 when all are numbers, otherwise the index (0 X, 1 Y, 2 W) of
// the first text that is not one finite number, leaving `out` alone.
int ParseDeepWindow(const std::string (&texts)[3], TDeepWindow& out);
