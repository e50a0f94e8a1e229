#pragma once
// Per-pixel evaluation of an escape-time formula: kernel, filters and the
// three channel values the palette turns into a colour.

#include "formulas/formula_context.h"

struct TPixelChannels {
  float Value[3] = {0, 0, 0};
};

// Clears the per-pixel fields, runs CalcPoint and FinishFilters at (x, y) and
// forms the three channel values. A floating-point fault in the kernel or in
// the final filter pass makes the escape value 0 for this pixel.
TPixelChannels EvaluatePixel(TFormulaContext* ctx, double x, double y);

// EvaluatePixel for the pixels (x, ys[i]), i < count, into out[i]: a column
// of the image. With fast arithmetic the vector loop serves the kernels that
// have one.
void EvaluatePixelRun(TFormulaContext* ctx, double x, const double* ys, int32_t count, TPixelChannels* out);
