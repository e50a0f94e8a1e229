// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/filters.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

#include "formulas/kernel_common.h"

namespace {

enum TChannel { kR = 0, kG = 1, kB = 2 };

// ---------------------------------------------------------------------------
// Per-iteration helpers.

// A hit: the watched value v fell below the limit.
inline void Hit(TFormulaContext* ctx, int c, Extended v, Extended limit, int32_t n) {
  if (v < limit) {
    ctx->ChanMag[c] = double(limit - v);
    ctx->ChanIter[c] = n;
  }
}

// Filter 41: a hit counts instead of recording the iteration.
inline void CountHit(TFormulaContext* ctx, int c, Extended v, Extended limit) {
  if (v < limit) {
    ctx->ChanMag[c] = double(limit - v);
    ++ctx->ChanIter[c];
  }
}

// Filters 31..36: the largest value seen so far and when it was seen. A value
// beyond the double range (z itself overflowed, or |X| times a large limit)
// is an overflow of this pixel, not a new maximum.
inline void Maximum(TFormulaContext* ctx, int c, Extended v, int32_t n) {
  if (v > ctx->ChanMag[c]) {
    if (v > std::numeric_limits<double>::max()) {
      std::feraiseexcept(FE_OVERFLOW);
      return;
    }
    ctx->ChanMag[c] = double(v);
    ctx->ChanIter[c] = n;
  }
}

// Filters 43..49. The blue channel mixes the other two; the b branch sees the
// red values the a branch may just have set.
inline void TentacleRule(TFormulaContext* ctx, Extended a, Extended b, Extended limit, int32_t n) {
  int32_t* it = ctx->ChanIter;
  double* d = ctx->ChanMag;
  if (a < limit) {
    const double below = double(limit - a);
    d[kR] = below;
    d[kB] = (d[kG] + below) * 0.707;
    it[kR] = n;
    it[kB] = int32_t(std::nearbyint(double(n + it[kG]) * 0.707));
  }
  if (b < limit) {
    const double below = double(limit - b);
    d[kG] = below;
    d[kB] = (d[kR] + below) * 0.707;
    it[kG] = n;
    it[kB] = int32_t(std::nearbyint(double(it[kR] + n) * 0.707));
  }
}

// Filters 50..58: the parts of entry n. An entry starts as (1, 1); a part whose
// condition held is overwritten and marks its hit flag.
struct TStorePart {
  bool hit;
  Extended value;
};

inline void Store(TFormulaContext* ctx, int32_t n, TStorePart px, TStorePart py) {
  if (!ctx->OrbitStore || n < 1 || n > ctx->MaxIter) return;
  TOrbitEntry& e = ctx->OrbitStore[n - 1];
  e.X = px.hit ? px.value : 1.0L;
  e.Y = py.hit ? py.value : 1.0L;
  if (px.hit) ctx->HitX = 1.0;
  if (py.hit) ctx->HitY = 1.0;
}

inline TStorePart Below(Extended v, Extended limit, Extended value) { return {v < limit, value}; }
inline TStorePart Never() { return {false, 0}; }

// 1 - v / limit when v is below the limit (filters 50, 51, 52, 57).
inline TStorePart Fraction(Extended v, Extended limit) { return Below(v, limit, 1 - v / limit); }
// limit - v when v is below the limit (filters 53..56).
inline TStorePart Distance(Extended v, Extended limit) { return Below(v, limit, limit - v); }

// ---------------------------------------------------------------------------
// Smoothing: a fractional escape iteration from the moduli around the escape.

void Smooth(TFormulaContext* ctx, Extended k) {
  const Extended bail = ctx->BailOut;
  switch (ctx->Smoothing) {
    case 1:
      if (k > bail) ctx->SmoothCorrection = Single(-bail / k);
      break;
    case 2: {
      const Extended m1 = ctx->PrevModulus;
      if (k > bail)
        ctx->SmoothCorrection = Single(-(bail - m1) / (k - m1));
      else
        ctx->PrevModulus = Single(k);
      break;
    }
    case 3: {
      if (k <= bail) {
        ctx->PrevModulus2 = ctx->PrevModulus;
        ctx->PrevModulus = Single(k);
        break;
      }
      // The parabola through (-1, M2), (0, M1), (1, K), crossing the bailout.
      const Extended m1 = ctx->PrevModulus, m2 = ctx->PrevModulus2;
      const Extended a = (k - 2 * m1 + m2) / 2;
      const Extended b = (k - m2) / 2;
      const Extended c = m1 - bail;
      Extended correction = 0;
      if (a == 0) {
        // The three moduli lie on a straight line; its crossing is the limit
        // of the parabola's root as the curvature vanishes.
        if (b != 0) correction = c / b;
      } else {
        const Extended disc = b * b - 4 * a * c;
        if (disc >= 0) {
          const Extended root = std::sqrt(disc);
          const Extended r1 = (root - b) * 0.5L / a;
          correction = r1 > 0 ? -r1 : -((-b - root) * 0.5L / a);
        }
      }
      ctx->SmoothCorrection = Single(correction);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Final pass of the orbit-store filters.

// Stops the pass at the first fault: the channels keep what was stored before
// it and the fault flags stay raised for the caller.
class TFaultWatch {
 public:
  TFaultWatch() : prior_(std::fetestexcept(kFaultFlags)) { std::feclearexcept(kFaultFlags); }
  ~TFaultWatch() {
    if (prior_) std::feraiseexcept(prior_);
  }
  bool Faulted() const { return std::fetestexcept(kFaultFlags) != 0; }

 private:
  int prior_;
};

struct TStoreStats {
  Extended Vx, Vy, Vxy;  // variances and mean absolute co-deviation
  Extended Sx, Sy;       // unnormalised sums of squared deviations
  Extended Rx, Ry;       // ranges
};

TStoreStats StoreStats(const TOrbitEntry* store, int32_t count) {
  Extended sumX = 0, sumY = 0;
  Extended minX = store[0].X, maxX = store[0].X, minY = store[0].Y, maxY = store[0].Y;
  for (int32_t i = 0; i < count; ++i) {
    const Extended x = store[i].X, y = store[i].Y;
    sumX += x;
    sumY += y;
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  const Extended meanX = sumX / count, meanY = sumY / count;
  Extended sx = 0, sy = 0, sxy = 0;
  for (int32_t i = 0; i < count; ++i) {
    const Extended dx = store[i].X - meanX, dy = store[i].Y - meanY;
    sx += dx * dx;
    sy += dy * dy;
    sxy += std::fabs(dx * dy);
  }
  return {sx / count, sy / count, sxy / count, sx, sy, maxX - minX, maxY - minY};
}

// Filter 57: a dimension estimate from the range over the spread of one part.
Extended RangeDimension(Extended range, Extended sumSquares, Extended lambda) {
  Extended q = range / (sumSquares + 1e-10L);
  if (q == 1) q = 1.0000000001L;
  Extended u = std::fabs(q / lambda);
  if (u > 100) u = 100;
  if (u < 1e-10L) u = 0.00999999793176463L;
  return 2 - 1 / (-std::log(u) + 1e-10L);
}

void FinishStore(int32_t n, TFormulaContext* ctx) {
  const int32_t filter = ctx->Filter;
  if (n == 1 || (n == 2 && filter != 57)) return;
  const bool needX = filter != 51, needY = filter != 50;
  if ((needX && ctx->HitX == 0) || (needY && ctx->HitY == 0)) return;
  const int32_t count = n > 0 ? n : ctx->MaxIter;
  if (!ctx->OrbitStore || count < 1 || count > ctx->MaxIter) return;

  TFaultWatch watch;
  const TStoreStats st = StoreStats(ctx->OrbitStore, count);
  if (watch.Faulted()) return;

  double* d = ctx->ChanMag;
  // Stores v into channel c unless computing it faulted.
  auto put = [&](int c, Extended v) {
    if (watch.Faulted()) return false;
    d[c] = double(v);
    return true;
  };
  auto absLog = [](Extended v) { return 0.02L * std::fabs(std::log(v)); };

  switch (filter) {
    case 50:
    case 51: {
      const Extended v = absLog(filter == 50 ? st.Vx : st.Vy);
      put(kR, v) && put(kG, v) && put(kB, v);
      break;
    }
    case 52:
    case 53:
    case 56:
    case 58:
      put(kR, absLog(st.Vx)) && put(kG, absLog(st.Vy)) && put(kB, absLog(st.Vxy));
      break;
    case 54:
      put(kR, absLog(st.Vx) + ctx->Tentacle[0]) && put(kG, absLog(st.Vy) + ctx->Tentacle[1]) &&
          put(kB, absLog(st.Vxy) + ctx->Tentacle[2]);
      break;
    case 55:
      put(kR, 0.02L * std::log(std::sqrt(st.Vx))) && put(kG, 0.02L * std::log(std::sqrt(st.Vy))) &&
          put(kB, 0.02L * std::log(std::sqrt(st.Vxy)));
      break;
    case 57: {
      const Extended lambda = std::log(Extended(count)) / count;
      const Extended dx = RangeDimension(st.Rx, st.Sx, lambda);
      const Extended dy = RangeDimension(st.Ry, st.Sy, lambda);
      if (watch.Faulted()) return;
      put(kR, 0.2L * std::log(dx)) && put(kG, 0.2L * std::log(dy)) &&
          put(kB, 0.02L * std::log(std::sqrt(st.Vxy)));
      break;
    }
    default:
      break;
  }
}

}  // namespace

void TraceFilters(int32_t n, TFormulaContext* ctx, double X, double Y, double X0, double Y0) {
  const Extended x = X, y = Y;
  const Extended x2 = x * x, y2 = y * y, k = x2 + y2;
  if (ctx->Smoothing != 0) Smooth(ctx, k);

  const int32_t filter = ctx->Filter;
  if (filter < 1 || filter >= kFilterCount) return;
  const Extended lim = ctx->Strange;
  const Extended ax = std::fabs(x), ay = std::fabs(y);

  switch (filter) {
    case 1:
      Hit(ctx, kR, ax, lim, n);
      break;
    case 2:
      Hit(ctx, kG, ay, lim, n);
      break;
    case 3:
      Hit(ctx, kB, k, lim, n);
      break;
    case 4:
      Hit(ctx, kR, ax, lim, n);
      Hit(ctx, kG, ay, lim, n);
      break;
    case 5:
    case 37:
      Hit(ctx, kR, ax, lim, n);
      Hit(ctx, kG, ay, lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 6:
      Hit(ctx, kR, std::fabs(x * y), lim, n);
      break;
    case 7:
      Hit(ctx, kR, std::fabs(x * y), lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 8:
      Hit(ctx, kR, std::fabs(x * X0), lim, n);
      break;
    case 9:
      Hit(ctx, kG, std::fabs(y * Y0), lim, n);
      break;
    case 10:
    case 11:
      Hit(ctx, kR, std::fabs(x * X0), lim, n);
      Hit(ctx, kG, std::fabs(y * Y0), lim, n);
      if (filter == 11) Hit(ctx, kB, k, lim, n);
      break;
    case 12:
      Hit(ctx, kR, std::fabs(x - X0), lim, n);
      break;
    case 13:
      Hit(ctx, kG, std::fabs(y - Y0), lim, n);
      break;
    case 14:
      Hit(ctx, kR, std::fabs(x - X0), lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 15:
      Hit(ctx, kG, std::fabs(y - Y0), lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 16:
      Hit(ctx, kR, std::fabs(x - y), lim, n);
      break;
    case 17:
      Hit(ctx, kR, std::fabs(x - y), lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 18:
      Hit(ctx, kR, x2, lim, n);
      break;
    case 19:
      Hit(ctx, kG, y2, lim, n);
      break;
    case 20:
      Hit(ctx, kR, x2, lim, n);
      Hit(ctx, kG, y2, lim, n);
      break;
    case 21:
      Hit(ctx, kR, x2, lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 22:
      Hit(ctx, kG, y2, lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 23:
    case 38:
      Hit(ctx, kR, x2, lim, n);
      Hit(ctx, kG, y2, lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 24:
      Hit(ctx, kR, x2 * y2, lim, n);
      break;
    case 25:
      Hit(ctx, kR, x2 * y2, lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 26:
      Hit(ctx, kR, std::fabs(x2 * x), lim, n);
      break;
    case 27:
      Hit(ctx, kG, std::fabs(y2 * y), lim, n);
      break;
    case 28:
      Hit(ctx, kB, std::sin(k), lim, n);
      break;
    case 29:
      Hit(ctx, kR, std::fabs(x2 / (y2 + 1e-10L)), lim, n);
      break;
    case 30:
      Hit(ctx, kG, std::fabs(y2 / (x2 + 1e-10L)), lim, n);
      break;
    case 31:
      Maximum(ctx, kR, std::fabs(x * lim), n);
      break;
    case 32:
      Maximum(ctx, kG, std::fabs(y * lim), n);
      break;
    case 33:
      Maximum(ctx, kR, std::fabs((x - X0) * lim), n);
      break;
    case 34:
      Maximum(ctx, kG, std::fabs((y - Y0) * lim), n);
      break;
    case 35:
      Maximum(ctx, kR, std::fabs(x * y) * lim, n);
      break;
    case 36:
      Maximum(ctx, kR, std::log2(k + 1e-10L) * lim, n);
      break;
    case 39:
      Hit(ctx, kR, std::fabs(x2 / (y2 + 1e-10L)), lim, n);
      Hit(ctx, kG, std::fabs(y2 / (x2 + 1e-10L)), lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    case 40: {
      const Extended x3 = x2 * x, y3 = y2 * y;
      Hit(ctx, kR, std::fabs(x3 + y3), lim, n);
      Hit(ctx, kG, std::fabs(x3 - y3), lim, n);
      Hit(ctx, kB, k, lim, n);
      break;
    }
    case 41: {
      const Extended x3 = x2 * x, y3 = y2 * y;
      CountHit(ctx, kR, std::fabs(x3 + y3), lim);
      CountHit(ctx, kG, std::fabs(x3 - y3), lim);
      CountHit(ctx, kB, k, lim);
      break;
    }
    case 42:
      Hit(ctx, kR, k, lim, n);
      Hit(ctx, kG, k, 2 * lim, n);
      Hit(ctx, kB, k, 3 * lim, n);
      break;
    case 43:
      TentacleRule(ctx, ax, ay, lim, n);
      break;
    case 44:
      TentacleRule(ctx, std::fabs(x2 * x), std::fabs(y2 * y), lim, n);
      break;
    case 45: {
      const Extended x3 = x2 * x, y3 = y2 * y;
      TentacleRule(ctx, std::fabs(x3 + y3), std::fabs(x3 - y3), lim, n);
      break;
    }
    case 46:
      TentacleRule(ctx, std::fabs(x - y), std::fabs(x + y), lim, n);
      break;
    case 47:
      TentacleRule(ctx, std::fabs(std::sin(x)), std::fabs(std::sin(y)), lim, n);
      break;
    case 48:
      // ln 0 at a zero part faults; the pixel evaluation then drops the pixel.
      TentacleRule(ctx, std::fabs(std::log(ax)), std::fabs(std::log(ay)), lim, n);
      break;
    case 49:
      TentacleRule(ctx, std::fabs(x2 / (y2 + 1e-10L)), std::fabs(y2 / (x2 + 1e-10L)), lim, n);
      break;
    case 50:
      Store(ctx, n, Fraction(ax, 10 * lim), Never());
      break;
    case 51:
      Store(ctx, n, Never(), Fraction(ay, 10 * lim));
      break;
    case 52:
    case 57:
      Store(ctx, n, Fraction(ax, 10 * lim), Fraction(ay, 10 * lim));
      break;
    case 53:
    case 54:
    case 55: {
      const Extended ax3 = std::fabs(x2 * x), ay3 = std::fabs(y2 * y);
      Store(ctx, n, Distance(ax3, 10 * lim), Distance(ay3, 10 * lim));
      if (filter == 54) {
        if (ax3 < lim) {
          ctx->Tentacle[0] = double(lim - ax3);
          ctx->ChanIter[kR] = n;
        }
        if (ay3 < lim) {
          ctx->Tentacle[1] = double(lim - ay3);
          ctx->ChanIter[kG] = n;
        }
        const Extended p = x2 * y2;
        if (p < lim) {
          ctx->Tentacle[2] = double(lim - p);
          ctx->ChanIter[kB] = n;
        }
      }
      break;
    }
    case 56:
      Store(ctx, n, Distance(std::fabs(x + y), 10 * lim), Distance(std::fabs(x - y), 10 * lim));
      break;
    case 58:
      Store(ctx, n, Below(std::fabs(x2 * x), lim, x), Below(std::fabs(y2 * y), lim, y));
      break;
    default:
      break;
  }
}

void FinishFilters(int32_t n, TFormulaContext* ctx) {
  const int32_t filter = ctx->Filter;
  int32_t* it = ctx->ChanIter;
  double* d = ctx->ChanMag;

  if (filter >= 37 && filter <= 42) {
    d[kR] = double(std::sqrt(Extended(d[kR]) * d[kR] + Extended(d[kG]) * d[kG] + Extended(d[kB]) * d[kB]));
    it[kR] = (it[kR] + it[kG] + it[kB]) / 3;
    it[kG] = it[kB] = 0;
    d[kG] = d[kB] = 0;
  }

  if (UsesOrbitStore(filter)) {
    FinishStore(n, ctx);
    return;
  }

  if (filter >= 0 && filter <= 42) {
    if (ctx->FilterOnly) {
      it[kR] = std::max({it[kR], it[kG], it[kB]});
      d[kR] = std::max({d[kR], d[kG], d[kB]});
    } else {
      if (it[kG] > 0) {
        it[kR] = it[kG];
        d[kR] = d[kG];
      }
      if (it[kB] > 0) {
        it[kR] = it[kB];
        d[kR] = d[kB];
      }
    }
    it[kG] = it[kB] = it[kR];
    d[kG] = d[kB] = d[kR];
  }
}
