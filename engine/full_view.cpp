// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/full_view.h"

#include "engine/fractal.h"
#include "formulas/catalogue.h"

bool ShowsJuliaSet(const TFormulaContext& ctx) {
  return ctx.JulieSet && (ctx.Number == kConstructorFormula || FormulaJuliaAllowed(ctx.Number));
}

TFullView FullView(const TFractal& doc) {
  if (!ShowsJuliaSet(doc.Ctx)) return {doc.X0, doc.Y0, doc.W0};
  const Extended half = doc.W0 / 2;
  // Y is the top row: half the image's height above the origin.
  const Extended aspect = doc.Width > 1 ? Extended(doc.Height - 1) / Extended(doc.Width - 1) : 1;
  return {-half, half * aspect, doc.W0};
}

void ShowFullView(TFractal& doc) {
  const TFullView v = FullView(doc);
  doc.SetWindow(v.X, v.Y, v.W);
}
