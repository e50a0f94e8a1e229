#include "formulas/pixel.h"

#include "formulas/calc_point.h"
#include "formulas/filters.h"
#include "formulas/kernel_common.h"

TPixelChannels EvaluatePixel(TFormulaContext* ctx, double x, double y) {
  ctx->ClearPixelFields();
  // Clearing the flags is far dearer than testing them: clear only when set.
  if (FaultPending()) ClearFaults();
  float value = float(CalcPoint(ctx, x, y));
  if (FaultPending()) {
    value = 0;
    ClearFaults();
  } else {
    FinishFilters(int32_t(value), ctx);
    if (FaultPending()) {
      value = 0;
      ClearFaults();
    }
  }

  TPixelChannels out;
  if (ctx->KeepBlk && value == 0) return out;
  if (value > 0) value -= ctx->SmoothCorrection;
  if (ctx->Filter >= 1 && ctx->Filter <= 42 && ctx->ChanIter[0] > 0) value = 0;
  if (ctx->Filter > 0 && ctx->FilterOnly) value = 0;
  for (int k = 0; k < 3; ++k)
    out.Value[k] = float(Extended(ctx->ChanIter[k]) + Extended(value) + Extended(ctx->ChanMag[k]) * 1000);
  return out;
}
