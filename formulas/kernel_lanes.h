// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Several orbits in flight on the fast path. A kernel whose step is a long
// chain of dependent operations (a Newton step waits on a division every
// iteration) leaves the processor idle while one orbit's step completes;
// stepping the orbits of a few pixels of a column in turn fills that time.
// Each orbit is computed exactly as the kernel's own loop computes it, so the
// escape values are those of the scalar double kernel.

#include <cstdint>
#include <type_traits>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

#include "formulas/kernel_common.h"

namespace kernel_detail {

constexpr int kLanes = 8;

// Whether the last step raised a fault, which is then cleared. Double
// arithmetic runs on the SSE unit alone, whose flags are read inline.
inline bool TakeStepFault() {
#if defined(__SSE2__)
  constexpr unsigned kFaults = _MM_EXCEPT_OVERFLOW | _MM_EXCEPT_DIV_ZERO | _MM_EXCEPT_INVALID;
  const unsigned csr = _mm_getcsr();
  if (!(csr & kFaults)) return false;
  _mm_setcsr(csr & ~kFaults);
  return true;
#else
  if (!FaultPending()) return false;
  ClearFaults();
  return true;
#endif
}

// The step f(z, c), or f(z, c, pixel) for a kernel whose step also adds the
// raw pixel.
template <class F>
inline TCxOf<double> StepOf(const F& f, TCxOf<double> z, TCxOf<double> c, double x, double y) {
  if constexpr (std::is_invocable_v<const F&, TCxOf<double>, TCxOf<double>, TCxOf<double>>)
    return f(z, c, TCxOf<double>{x, y});
  else
    return f(z, c);
}

template <TExit Exit, bool Guarded, bool FSet, class F>
void LaneLoop(const TFormulaContext* ctx, double x, const double* ys, int32_t count, double bailout, double tol, F f,
              int32_t* escapes) {
  struct TLane {
    double zx, zy, ox, oy;
    TCxOf<double> c;
    int32_t n, pixel;
  };
  TLane lanes[kLanes];
  bool live[kLanes];
  int32_t next = 0;
  // Starts the next pixel of the column in the lane, when one is left. In a
  // guarded kernel a fault of the start point makes the pixel 0.
  auto start = [&](TLane& l) {
    while (next < count) {
      const TKernelStart s = CommonStart(ctx, x, ys[next]);
      if constexpr (Guarded) {
        FpSettle(s);
        if (FaultPending()) {
          ClearFaults();
          escapes[next++] = 0;
          continue;
        }
      }
      l = {s.zx, s.zy, 1e12, 0, {s.cx, s.cy}, 0, next++};
      return true;
    }
    return false;
  };
  int liveCount = 0;
  for (int k = 0; k < kLanes; ++k) liveCount += live[k] = start(lanes[k]);
  const int32_t maxIter = ctx->MaxIter;
  while (liveCount > 0) {
    for (int k = 0; k < kLanes; ++k) {
      if (!live[k]) continue;
      TLane& l = lanes[k];
      int32_t result = -1;
      if (++l.n > maxIter)
        result = 0;
      else if (ExitReached<double, Exit, FSet>(l.zx, l.zy, l.ox, l.oy, bailout, tol))
        result = l.n;
      if (result < 0) {
        const TCxOf<double> z = StepOf(f, TCxOf<double>{l.zx, l.zy}, l.c, x, ys[l.pixel]);
        l.zx = z.re;
        l.zy = z.im;
        // A guarded kernel ends the orbit at the iteration whose step faulted.
        if constexpr (Guarded) {
          FpSettle(l.zx, l.zy);
          if (TakeStepFault()) result = l.n;
        }
      }
      if (result >= 0) {
        escapes[l.pixel] = result;
        if (!start(l)) {
          live[k] = false;
          --liveCount;
        }
      }
    }
  }
}

}  // namespace kernel_detail

// The escape values of the pixels (x, ys[i]), i < count, of a kernel whose
// step is f(z, c) or f(z, c, pixel), with the kernel's exit, fault guard and
// F-Set permission. A fault that the kernel does not absorb stays pending for
// the caller, who cannot tell it to its pixel. No filter or smoothing may be on.
template <TExit Exit, bool Guarded, class F>
void LaneEscapeRunOf(const TFormulaContext* ctx, double x, const double* ys, int32_t count, double bailout,
                     double tol, bool fsetAllowed, F f, int32_t* escapes) {
  using namespace kernel_detail;
  // A fault while the kernel prepared its constants spoils every pixel, as it
  // does pixel by pixel: left pending, it sends the caller there.
  if constexpr (Guarded) {
    FpSettle(f);
    if (FaultPending()) return;
  }
  if (fsetAllowed && ctx->FSet)
    LaneLoop<Exit, Guarded, true>(ctx, x, ys, count, bailout, tol, f, escapes);
  else
    LaneLoop<Exit, Guarded, false>(ctx, x, ys, count, bailout, tol, f, escapes);
}
