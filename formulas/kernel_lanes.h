#pragma once
// Several orbits in flight on the fast path. A kernel whose step is a long
// chain of dependent operations (a Newton step waits on a division every
// iteration) leaves the processor idle while one orbit's step completes;
// stepping the orbits of a few pixels of a column in turn fills that time.
// Each orbit is computed exactly as the kernel's own loop computes it, so the
// escape values are those of the scalar double kernel.

#include <cstdint>

#include "formulas/kernel_common.h"

namespace kernel_detail {

constexpr int kLanes = 8;

template <TExit Exit, bool FSet, class F>
void LaneLoop(const TFormulaContext* ctx, double x, const double* ys, int32_t count, double bailout, double tol,
              bool honoursJulia, F f, int32_t* escapes) {
  struct TLane {
    double zx, zy, ox, oy;
    TCxOf<double> c;
    int32_t n, pixel;
  };
  TLane lanes[kLanes];
  bool live[kLanes];
  int32_t next = 0;
  // Starts the next pixel of the column in the lane, when one is left.
  auto start = [&](TLane& l) {
    if (next >= count) return false;
    const TKernelStart s = CommonStart(ctx, x, ys[next], honoursJulia);
    l = {s.zx, s.zy, 1e12, 0, {s.cx, s.cy}, 0, next++};
    return true;
  };
  int liveCount = 0;
  for (int k = 0; k < kLanes; ++k) liveCount += live[k] = start(lanes[k]);
  const int32_t maxIter = ctx->MaxIter;
  while (liveCount > 0) {
    for (int k = 0; k < kLanes; ++k) {
      if (!live[k]) continue;
      TLane& l = lanes[k];
      int32_t result = -1;
      if (++l.n > maxIter) {
        result = 0;
      } else {
        if constexpr (Exit != TExit::Converge) {
          const double m = l.zx * l.zx + l.zy * l.zy;
          if (m > bailout) {
            ForgiveSquareOverflow(m, l.zx, l.zy);
            result = l.n;
          }
        }
        if constexpr (Exit != TExit::Bailout || FSet) {
          if (result < 0) {
            const double dx = l.zx - l.ox, dy = l.zy - l.oy;
            if (dx * dx + dy * dy < tol) result = l.n;
            l.ox = l.zx;
            l.oy = l.zy;
          }
        }
      }
      if (result >= 0) {
        escapes[l.pixel] = result;
        if (!start(l)) {
          live[k] = false;
          --liveCount;
        }
        continue;
      }
      const TCxOf<double> z = f(TCxOf<double>{l.zx, l.zy}, l.c);
      l.zx = z.re;
      l.zy = z.im;
    }
  }
}

}  // namespace kernel_detail

// The escape values of the pixels (x, ys[i]), i < count, of a kernel whose
// step is f(z, c) and that absorbs no fault (a fault stays pending for the
// caller, who cannot tell it to its pixel). No filter or smoothing may be on.
template <TExit Exit, class F>
void LaneEscapeRunOf(const TFormulaContext* ctx, double x, const double* ys, int32_t count, double bailout,
                     double tol, F f, int32_t* escapes, bool honoursJulia = true) {
  using namespace kernel_detail;
  if (ctx->FSet)
    LaneLoop<Exit, true>(ctx, x, ys, count, bailout, tol, honoursJulia, f, escapes);
  else
    LaneLoop<Exit, false>(ctx, x, ys, count, bailout, tol, honoursJulia, f, escapes);
}
