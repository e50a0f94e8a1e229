// SPDX-License-Identifier: GPL-3.0-or-later
// The vector loops of the plain power formulas, written once for every
// vector unit. This file is included once per unit, inside that unit's
// namespace and under its target, after the unit has declared
//   TVec        a vector of kWidth doubles,
//   kWidth      its lanes,
//   EscapeBits  the mask of lanes in which a modulus exceeds the bailout,
// and the declarations of vector_kernels.h and kernel_common.h, and the
// table type TLanesTable, are in scope. It defines the unit's kLanesOf.

// kWidth complex numbers, with the products of the scalar kernels' TCxOf.
struct TVx {
  TVec re, im;
};
[[gnu::always_inline]] inline TVx Sqr(TVx a) { return {a.re * a.re - a.im * a.im, 2 * a.re * a.im}; }
[[gnu::always_inline]] inline TVx operator*(TVx a, TVx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// The power of z the plain power formulas 0..4 add c to, formed as their
// scalar kernels form it.
template <int Number>
[[gnu::always_inline]] inline TVx PowerOf(TVx z) {
  if constexpr (Number == 0) return Sqr(z);
  if constexpr (Number == 1) return Sqr(z) * z;
  if constexpr (Number == 2) return Sqr(Sqr(z));
  if constexpr (Number == 3) return Sqr(Sqr(z)) * z;
  if constexpr (Number == 4) return Sqr(Sqr(Sqr(z)));
}

// z = z^k + c over the lanes of V vectors; a lane whose pixel is done takes
// the next pixel at once, so no lane waits for the slowest of its vector.
// With Tail, each escaped pixel's last three points go to tails.
//
// Steps are counted once for all lanes (t); a lane knows the step its pixel
// started at, so the iteration limit is one scalar test per step, and the
// bailout tests of a step cost one mask per vector.
template <int Number, bool Tail>
void PowerLanes(const TKernelStart* starts, int32_t count, double bailout, int32_t maxIter, int32_t* escapes,
                TOrbitTail* tails) {
  constexpr int V = 4;  // vectors in flight: enough to hide the latency of a step
  constexpr int kLanes = kWidth * V;
  static_assert(kLanes <= 32, "a lane is a bit of a 32-bit mask");
  constexpr long long kNever = 1LL << 62;  // the start of an idle lane: it never reaches the limit
  // The lanes between runs of steps: z, c and the two points before z.
  TVec zx[V], zy[V], cx[V], cy[V], hx[2][V] = {}, hy[2][V] = {};
  long long first[kLanes];  // the step at which the lane's pixel made its first bailout test
  int32_t pixel[kLanes];
  int32_t next = 0, active = 0;
  long long t = 0;
  auto load = [&](int lane) {
    const int v = lane / kWidth, l = lane % kWidth;
    if (next < count) {
      const TKernelStart& s = starts[next];
      zx[v][l] = s.zx;
      zy[v][l] = s.zy;
      cx[v][l] = s.cx;
      cy[v][l] = s.cy;
      first[lane] = t;
      pixel[lane] = next++;
      ++active;
    } else {
      zx[v][l] = zy[v][l] = cx[v][l] = cy[v][l] = 0;
      first[lane] = kNever;
      pixel[lane] = -1;
    }
  };
  for (int lane = 0; lane < kLanes; ++lane) load(lane);
  // The step at which the oldest pixel makes its last test, or earlier: a
  // pixel taken in later only tests later.
  auto lastStep = [&] {
    long long last = kNever;
    for (int lane = 0; lane < kLanes; ++lane) last = std::min(last, first[lane] + maxIter - 1);
    return last;
  };
  long long last = lastStep();
  const TVec bail = TVec{} + bailout;
  while (active > 0) {
    // The steps run on local copies, kept in registers, until some lane is
    // done; only then do the lanes go through memory.
    TVec x[V], y[V], px[V], py[V], tx[2][V], ty[2][V];
    for (int v = 0; v < V; ++v) {
      x[v] = zx[v];
      y[v] = zy[v];
      px[v] = cx[v];
      py[v] = cy[v];
      for (int h = 0; h < 2; ++h) {
        tx[h][v] = hx[h][v];
        ty[h][v] = hy[h][v];
      }
    }
    uint32_t escaped;  // bit `lane` for each lane whose point escapes at step t
    for (;;) {
      escaped = 0;
#pragma GCC unroll 4
      for (int v = 0; v < V; ++v)
        escaped |= uint32_t(EscapeBits(x[v] * x[v] + y[v] * y[v], bail)) << (kWidth * v);
      if (escaped != 0 || t >= last) break;
#pragma GCC unroll 4
      for (int v = 0; v < V; ++v) {
        if constexpr (Tail) {
          tx[1][v] = tx[0][v];
          ty[1][v] = ty[0][v];
          tx[0][v] = x[v];
          ty[0][v] = y[v];
        }
        const TVx w = PowerOf<Number>({x[v], y[v]});
        x[v] = w.re + px[v];
        y[v] = w.im + py[v];
      }
      ++t;
    }
    for (int v = 0; v < V; ++v) {
      zx[v] = x[v];
      zy[v] = y[v];
      for (int h = 0; h < 2; ++h) {
        hx[h][v] = tx[h][v];
        hy[h][v] = ty[h][v];
      }
    }
    // The lanes done at step t: those that escaped, and those at the limit.
    uint32_t done = escaped;
    const bool atLimit = t >= last;
    if (atLimit)
      for (int lane = 0; lane < kLanes; ++lane) done |= uint32_t(t - first[lane] + 1 >= maxIter) << lane;
    for (; done != 0; done &= done - 1) {
      const int lane = __builtin_ctz(done), v = lane / kWidth, l = lane % kWidth;
      const int32_t p = pixel[lane];
      escapes[p] = escaped & (1u << lane) ? int32_t(t - first[lane] + 1) : 0;
      if constexpr (Tail) {
        // The escaping point and the two before it.
        tails[p].X[0] = zx[v][l];
        tails[p].Y[0] = zy[v][l];
        for (int h = 1; h < 3; ++h) {
          tails[p].X[h] = hx[h - 1][v][l];
          tails[p].Y[h] = hy[h - 1][v][l];
        }
      }
      --active;
      load(lane);
    }
    if (atLimit) last = lastStep();
  }
}

// The unit's loops, by whether they trace tails and by formula.
constexpr TLanesTable kLanesOf = {
    {&PowerLanes<0, false>, &PowerLanes<1, false>, &PowerLanes<2, false>, &PowerLanes<3, false>, &PowerLanes<4, false>},
    {&PowerLanes<0, true>, &PowerLanes<1, true>, &PowerLanes<2, true>, &PowerLanes<3, true>, &PowerLanes<4, true>}};
