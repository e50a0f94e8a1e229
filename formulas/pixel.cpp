// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/pixel.h"

#include <algorithm>

#include "formulas/calc_point.h"
#include "formulas/filters.h"
#include "formulas/kernel_common.h"
#include "formulas/vector_kernels.h"

namespace {

// The final filter pass for the kernel's result `escape`; a fault in it makes
// the escape value 0.
float FinishedValue(TFormulaContext* ctx, int32_t escape) {
  FinishFilters(escape, ctx);
  if (FaultPending()) {
    ClearFaults();
    return 0;
  }
  return float(escape);
}

// The three channel values from the escape value and the filter results.
TPixelChannels ChannelsOf(const TFormulaContext* ctx, float value) {
  TPixelChannels out;
  if (ctx->KeepBlk && value == 0) return out;
  if (value > 0) value -= ctx->SmoothCorrection;
  if (ctx->Filter >= 1 && ctx->Filter <= 42 && ctx->ChanIter[0] > 0) value = 0;
  if (ctx->Filter > 0 && ctx->FilterOnly) value = 0;
  for (int k = 0; k < 3; ++k)
    out.Value[k] = float(Extended(ctx->ChanIter[k]) + Extended(value) + Extended(ctx->ChanMag[k]) * 1000);
  return out;
}

// ChannelsOf for a pixel without filters and smoothing: nothing traced it, so
// the final pass leaves no channel counts or magnitudes and no correction, and
// the escape value stands in all three channels.
TPixelChannels PlainChannels(const TFormulaContext* ctx, int32_t escape) {
  const float value = float(escape);
  if ((ctx->KeepBlk && value == 0) || (ctx->Filter > 0 && ctx->FilterOnly)) return {};
  return {{value, value, value}};
}

// EvaluatePixel with the fault flags clear on entry; leaves them clear.
TPixelChannels PixelOf(TFormulaContext* ctx, double x, double y) {
  if (!FiltersActive(ctx)) {
    const int32_t escape = CalcPoint(ctx, x, y);
    if (!FaultPending()) return PlainChannels(ctx, escape);
    ClearFaults();
    return PlainChannels(ctx, 0);
  }
  ctx->ClearPixelFields();
  const int32_t escape = CalcPoint(ctx, x, y);
  float value;
  if (FaultPending()) {
    value = 0;
    ClearFaults();
  } else {
    value = FinishedValue(ctx, escape);
  }
  return ChannelsOf(ctx, value);
}

// The vector loop, or else the kernel's lane loop, over one part of a run.
// False, with nothing stored, when a fault was raised: it cannot be told to
// its lane.
bool FastPart(TFormulaContext* ctx, bool vector, double x, const double* ys, int32_t count, TPixelChannels* out) {
  // Only smoothing can be active here, and only on the vector loop: it reads
  // the last moduli of an escaped orbit, so the tail is traced as the kernel
  // would have.
  const bool smoothing = FiltersActive(ctx);
  int32_t escapes[kVectorRunLength];
  TOrbitTail tails[kVectorRunLength];
  if (vector)
    VectorEscapeRun(ctx, x, ys, count, escapes, smoothing ? tails : nullptr);
  else
    LaneEscapeRun(ctx, x, ys, count, escapes);
  if (FaultPending()) {
    ClearFaults();
    return false;
  }
  if (!smoothing) {
    for (int32_t i = 0; i < count; ++i) out[i] = PlainChannels(ctx, escapes[i]);
    return true;
  }
  for (int32_t i = 0; i < count; ++i) out[i] = EscapeChannels(ctx, escapes[i], &tails[i], x, ys[i]);
  return true;
}

}  // namespace

TPixelChannels EvaluatePixel(TFormulaContext* ctx, double x, double y) {
  // Clearing the flags is far dearer than testing them: clear only when set.
  if (FaultPending()) ClearFaults();
  return PixelOf(ctx, x, y);
}

void EvaluatePixelRun(TFormulaContext* ctx, double x, const double* ys, int32_t count, TPixelChannels* out) {
  if (FaultPending()) ClearFaults();
  const bool vector = VectorPathServes(ctx);
  if (vector || LanePathServes(ctx)) {
    for (int32_t first = 0; first < count; first += kVectorRunLength) {
      const int32_t part = std::min(kVectorRunLength, count - first);
      // A part with a fault is taken again pixel by pixel.
      if (!FastPart(ctx, vector, x, ys + first, part, out + first))
        for (int32_t i = first; i < first + part; ++i) out[i] = PixelOf(ctx, x, ys[i]);
    }
    return;
  }
  for (int32_t i = 0; i < count; ++i) out[i] = PixelOf(ctx, x, ys[i]);
}

TPixelChannels EscapeChannels(TFormulaContext* ctx, int32_t escape, const TOrbitTail* tail, double x, double y) {
  ctx->ClearPixelFields();
  if (tail && escape > 0)
    for (int32_t h = std::min(escape, 3) - 1; h >= 0; --h) TraceFilters(escape - h, ctx, tail->X[h], tail->Y[h], x, y);
  return ChannelsOf(ctx, FinishedValue(ctx, escape));
}
