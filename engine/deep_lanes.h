// SPDX-License-Identifier: GPL-3.0-or-later
// The deep render's vector lanes, written once for every vector unit. This
// file is included once per unit, inside that unit's namespace and under its
// target, after the unit has declared
//   TVec      a vector of kWidth doubles,
//   TMask     the vector of 64-bit integers its comparisons give,
//   kWidth    its lanes,
//   LaneBits  the bits of the lanes whose mask is set,
// and the declarations of deep_vector.h and power_difference.h, and the
// table type TDeepLanesTable, are in scope. It defines the unit's
// kDeepLanesOf.

// kWidth complex numbers, with the arithmetic of the scalar loop's TCxOf.
struct TVx {
  TVec re, im;
};
inline TVx operator+(TVx a, TVx b) { return {a.re + b.re, a.im + b.im}; }
inline TVx operator*(TVx a, TVx b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline TVx ScaledBy(double k, const TVx& a) { return {k * a.re, k * a.im}; }

// A lane without a pixel tests a zero difference at a zero point, which
// never asks for the host, for this many steps; then it starts over.
constexpr int64_t kIdleRun = 1024;
constexpr TCxOf<double> kIdlePoints[kIdleRun + 1] = {};
constexpr double kIdleReach[kIdleRun + 1] = {};

// Single steps dz = (Z + dz)^D - Z^D + dc of the lanes of V vectors. Each
// step tests every lane as the scalar loop does (escape, rebase, with Reach a
// long step that may serve, the lane's free steps used up) and steps all of
// them; the lanes with an event are then handed to the host from the state
// before the step, and take the state the host gives back.
template <int D, bool Reach, bool Tail>
[[gnu::flatten]] void DeepLanes(double bailout, const TDeepLaneBounds& bounds, TDeepLaneHost& host) {
  constexpr int V = 2;
  constexpr int kLanes = kWidth * V;
  static_assert(kLanes <= kDeepLaneSlots, "the host has a slot for every lane");
  TVec wr[V], wi[V], dr[V], di[V], fs[V], br[2][V], bi[2][V];
  TVec tiny[V], low[V], high[V];  // the bounds of a lane's pixel; none for an idle lane
  TMask free[V];
  const TCxOf<double>* z[kLanes];
  const double* reach[kLanes];
  bool holding[kLanes] = {};
  int active = 0;

  auto put = [&](int lane, const TDeepLane& s, bool busy) {
    const int v = lane / kWidth, l = lane % kWidth;
    const TDeepLaneBounds b = busy ? bounds : TDeepLaneBounds{};
    tiny[v][l] = b.Tiny2;
    low[v][l] = b.Low2;
    high[v][l] = b.High2;
    wr[v][l] = s.W.re;
    wi[v][l] = s.W.im;
    dr[v][l] = s.Dc.re;
    di[v][l] = s.Dc.im;
    fs[v][l] = s.Factor;
    for (int h = 0; h < 2; ++h) {
      br[h][v][l] = s.Before[h].re;
      bi[h][v][l] = s.Before[h].im;
    }
    free[v][l] = s.Free;
    z[lane] = s.Z;
    reach[lane] = s.Reach;
  };
  auto settle = [&](int lane, TDeepLane& s) {
    const bool was = holding[lane];
    holding[lane] = host.Settle(lane, was, s);
    active += int(holding[lane]) - int(was);
    if (!holding[lane]) s = TDeepLane{{}, {}, 1, kIdlePoints, kIdleReach, kIdleRun, {}};
    put(lane, s, holding[lane]);
  };
  for (int lane = 0; lane < kLanes; ++lane) {
    TDeepLane s;
    settle(lane, s);
  }

  const TVec bail = TVec{} + bailout;
  while (active > 0) {
    for (int v = 0; v < V; ++v) {
      TVec Zr, Zi, R{};
      for (int l = 0; l < kWidth; ++l) {
        const int lane = v * kWidth + l;
        Zr[l] = z[lane]->re;
        Zi[l] = z[lane]->im;
        if constexpr (Reach) R[l] = *reach[lane];
      }
      const TVec ur = wr[v] * fs[v], ui = wi[v] * fs[v];
      const TVec xr = Zr + ur, xi = Zi + ui;
      const TVec r2 = xr * xr + xi * xi, u2 = ur * ur + ui * ui, w2 = wr[v] * wr[v] + wi[v] * wi[v];
      TMask event = (r2 > bail) | (r2 < u2) | (free[v] == 0) | (Zr * Zr + Zi * Zi < tiny[v]) |
                     (w2 < low[v]) | (w2 > high[v]);
      if constexpr (Reach) event |= u2 < R;
      const uint32_t bits = LaneBits(event);

      const TVec wr_ = wr[v], wi_ = wi[v];
      const TVx w = PowerFactor<D>(TVx{Zr, Zi}, TVx{ur, ui}) * TVx{wr_, wi_};
      wr[v] = w.re + dr[v];
      wi[v] = w.im + di[v];
      free[v] -= 1;
      TVec before[2][2];
      if constexpr (Tail) {
        for (int h = 0; h < 2; ++h) {
          before[h][0] = br[h][v];
          before[h][1] = bi[h][v];
        }
        br[1][v] = br[0][v];
        bi[1][v] = bi[0][v];
        br[0][v] = xr;
        bi[0][v] = xi;
      }
      for (int l = 0; l < kWidth; ++l) {
        ++z[v * kWidth + l];
        if constexpr (Reach) ++reach[v * kWidth + l];
      }
      if (bits == 0) [[likely]]
        continue;

      for (uint32_t left = bits; left != 0; left &= left - 1) {
        const int l = __builtin_ctz(left), lane = v * kWidth + l;
        TDeepLane s{{wr_[l], wi_[l]}, {dr[v][l], di[v][l]}, fs[v][l], z[lane] - 1, reach[lane] - (Reach ? 1 : 0),
                    free[v][l] + 1, {}};
        if constexpr (Tail)
          for (int h = 0; h < 2; ++h) s.Before[h] = {before[h][0][l], before[h][1][l]};
        settle(lane, s);
      }
    }
  }
}

// The unit's loops, by whether they test the reach of long steps, whether
// they keep tails, and by power (2, 3, 4, 5, 8).
constexpr TDeepLanesTable kDeepLanesOf = {
    {{&DeepLanes<2, false, false>, &DeepLanes<3, false, false>, &DeepLanes<4, false, false>,
      &DeepLanes<5, false, false>, &DeepLanes<8, false, false>},
     {&DeepLanes<2, false, true>, &DeepLanes<3, false, true>, &DeepLanes<4, false, true>, &DeepLanes<5, false, true>,
      &DeepLanes<8, false, true>}},
    {{&DeepLanes<2, true, false>, &DeepLanes<3, true, false>, &DeepLanes<4, true, false>, &DeepLanes<5, true, false>,
      &DeepLanes<8, true, false>},
     {&DeepLanes<2, true, true>, &DeepLanes<3, true, true>, &DeepLanes<4, true, true>, &DeepLanes<5, true, true>,
      &DeepLanes<8, true, true>}}};
