// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Per-pixel evaluation of an escape-time formula: kernel, filters and the
// three channel values the palette turns into a colour.

#include "formulas/formula_context.h"

struct TOrbitTail;

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

// The channel values of a pixel whose kernel returned `escape` (0: the orbit
// never escaped): clears the per-pixel fields, feeds smoothing the last orbit
// points of `tail` (newest first; may be null when smoothing is off or the
// pixel never escaped), runs the final filter pass. (x, y) is the pixel.
TPixelChannels EscapeChannels(TFormulaContext* ctx, int32_t escape, const TOrbitTail* tail, double x, double y);
