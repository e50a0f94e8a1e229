// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Vector lanes for the deep render's single steps: several pixels'
// differences from the reference orbit stepped at once, four per vector
// (AVX2 with FMA) or eight (AVX-512), as the fast path's vector loops choose.
// The loop takes only plain single steps; at anything else (an escape, a
// rebase, a long step that may serve, the orbit's or the pixel's end) it
// hands the lane to its host, which goes on in scalar code and gives the lane
// back, with the next pixel when the lane's own is done.

#include <cmath>
#include <cstdint>

#include "formulas/complex_ext.h"

// A lane between runs of single steps.
struct TDeepLane {
  // The difference dz = W * Factor and the pixel's offset dc in the same
  // scale (Factor 1 for plain differences, 2^S for scaled ones).
  TCxOf<double> W, Dc;
  double Factor = 1;
  // The reference point of the lane's next test, and beside it a bound: a
  // long step from there may serve only while |W|^2 is below it.
  const TCxOf<double>* Z = nullptr;
  const double* Reach = nullptr;
  // Single steps the lane may take before the host must look (the end of the
  // orbit or of the pixel's iterations).
  int64_t Free = 0;
  TCxOf<double> Before[2];  // the points of the two tests before, newest first
};

class TDeepLaneHost {
 public:
  // Goes on from the lane's next test in scalar code, or starts a pixel in a
  // lane that holds none. True with the lane ready for single steps; false
  // when no pixel is left for it.
  virtual bool Settle(int32_t slot, bool holding, TDeepLane& lane) = 0;

 protected:
  ~TDeepLaneHost() = default;
};

// The most lanes the loop keeps: the host's slots are numbered below it.
constexpr int32_t kDeepLaneSlots = 32;

// Whether the processor has a vector unit for the lanes and they are not
// turned off (ForceScalarFastPath).
bool DeepLanesServe();

// Where scaled differences leave the lanes for the host: at an orbit point
// with |Z|^2 below Tiny2, and with |W|^2 outside Low2..High2 (to be scaled
// again). Plain differences never do.
struct TDeepLaneBounds {
  double Tiny2 = 0, Low2 = -1, High2 = HUGE_VAL;
};

// Runs the lanes until the host has no pixel left. `reach`: the lanes test
// TDeepLane::Reach (a table of long steps is in use); `tails`: they keep
// TDeepLane::Before. Floating-point faults are left raised for the caller.
void DeepLaneRun(int power, bool reach, bool tails, double bailout, const TDeepLaneBounds& bounds,
                 TDeepLaneHost& host);
