#include "formulas/pixel.h"

#include <algorithm>
#include <vector>

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

}  // namespace

TPixelChannels EvaluatePixel(TFormulaContext* ctx, double x, double y) {
  ctx->ClearPixelFields();
  // Clearing the flags is far dearer than testing them: clear only when set.
  if (FaultPending()) ClearFaults();
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

void EvaluatePixelRun(TFormulaContext* ctx, double x, const double* ys, int32_t count, TPixelChannels* out) {
  const bool vector = count > 0 && VectorPathServes(ctx);
  if (vector || (count > 0 && LanePathServes(ctx))) {
    if (FaultPending()) ClearFaults();
    // Only smoothing can be active here: it reads the last moduli of an
    // escaped orbit, so the tail is traced as the kernel would have.
    const bool smoothing = FiltersActive(ctx);
    std::vector<int32_t> escapes(size_t(count), 0);
    std::vector<TOrbitTail> tails(smoothing ? size_t(count) : 0);
    if (vector)
      VectorEscapeRun(ctx, x, ys, count, escapes.data(), smoothing ? tails.data() : nullptr);
    else
      LaneEscapeRun(ctx, x, ys, count, escapes.data());
    // A fault cannot be told to its lane: the run is taken again pixel by pixel.
    if (!FaultPending()) {
      for (int32_t i = 0; i < count; ++i)
        out[i] = EscapeChannels(ctx, escapes[size_t(i)], smoothing ? &tails[size_t(i)] : nullptr, x, ys[i]);
      return;
    }
    ClearFaults();
  }
  for (int32_t i = 0; i < count; ++i) out[i] = EvaluatePixel(ctx, x, ys[i]);
}

TPixelChannels EscapeChannels(TFormulaContext* ctx, int32_t escape, const TOrbitTail* tail, double x, double y) {
  ctx->ClearPixelFields();
  if (tail && escape > 0)
    for (int32_t h = std::min(escape, 3) - 1; h >= 0; --h) TraceFilters(escape - h, ctx, tail->X[h], tail->Y[h], x, y);
  return ChannelsOf(ctx, FinishedValue(ctx, escape));
}
