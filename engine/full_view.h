// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window "View full set" shows. Outside Julia mode it is the formula's
// home window. A Julia set lies around the origin whatever part of the plane
// its seed was picked from, so in Julia mode the full view is as wide as the
// home window and centred on the origin.

#include "formulas/formula_context.h"
#include "formulas/numbers.h"

class TFractal;

struct TFullView {
  Extended X = 0, Y = 0, W = 0;
};

// Whether the document draws a Julia set: Julia mode is on and its formula
// takes the Julia point as its constant.
bool ShowsJuliaSet(const TFormulaContext& ctx);

// The full view of `doc` at its image size (the height follows the aspect).
TFullView FullView(const TFractal& doc);

// Sets the view of `doc` to its full view (restarts).
void ShowFullView(TFractal& doc);
