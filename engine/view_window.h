// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The view window of a document, a movie spot or a frame: the upper-left
// corner X, Y and the width W. It holds the window exactly, to the precision
// its depth needs (engine/deep_window.h), and beside it the window's extended
// rounding, which the formulas step from and spot files write as X_Coord,
// Y_Coord, W_Coord. Every view passes as this one value, so the exact window
// and its rounding cannot drift apart.

#include <array>
#include <string>

#include "engine/deep_real.h"
#include "engine/deep_window.h"

class TViewWindow {
 public:
  // Exactly the three extended values.
  TViewWindow(Extended x = 0, Extended y = 0, Extended w = 0);
  // `window` rounded to the precision its depth needs.
  static TViewWindow Rounded(const TDeepWindow& window);

  const TDeepWindow& Exact() const { return FExact; }
  const Extended& X() const { return FX; }
  const Extended& Y() const { return FY; }
  const Extended& W() const { return FW; }
  // Whether the window holds more than its rounding.
  bool IsDeep() const { return FDeep; }

  // The window after a move by pixels (engine/deep_window.h).
  TViewWindow Moved(const TViewMove& move) const;
  // The shortest decimals that ParseViewWindow reads back to this window.
  std::array<std::string, 3> Texts() const { return DeepTexts(FExact); }

  // Reads three decimals; -1 when all are numbers, otherwise the index (0 X,
  // 1 Y, 2 W) of the first that is not one finite number, leaving `out` alone.
  friend int ParseViewWindow(const std::string (&texts)[3], TViewWindow& out);

 private:
  explicit TViewWindow(const TDeepWindow& exact);

  TDeepWindow FExact;
  Extended FX, FY, FW;
  bool FDeep;
};

int ParseViewWindow(const std::string (&texts)[3], TViewWindow& out);
