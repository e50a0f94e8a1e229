// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick of the fast path: z = z^2 + c over the pixels of a picture in
// hand-written vector code, counting escapes, with nothing else (no
// colouring, no file). Its CPU time is what the processor needs for the
// iterations alone.
//   px_bare_vector_loop [--narrow] [--maxiter N] [--size WxH] [--window X,Y,W]
// X, Y are the left and top edges of the window, as the batch renderer reads
// them; --narrow takes four lanes (AVX2) instead of eight (AVX-512). Prints the
// escaped pixels and the sum of their iterations.

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct TTally {
  int64_t Escaped = 0;
  int64_t Iterations = 0;
};

// V vectors of kWidth lanes run the pixels (x, ys[i]) of a column; a lane
// whose pixel escapes or reaches maxIter takes the next pixel at once. One
// step counter serves all lanes: a lane keeps the step its pixel started at.
template <class TVec, int kWidth, class TMask>
[[gnu::always_inline]] inline void Column(double x, const double* ys, int32_t count, double bailout, int32_t maxIter,
                                          TMask escapeBits, TTally& tally) {
  constexpr int V = 4, kLanes = V * kWidth;
  constexpr int64_t kIdle = int64_t(1) << 60;
  TVec zx[V], zy[V], cx[V], cy[V];
  int64_t first[kLanes], t = 0, deadline = 0;  // the step at which the oldest pixel reaches maxIter
  int32_t next = 0, live = 0;
  const TVec bail = TVec{} + bailout;
  auto load = [&](int lane) {
    const int v = lane / kWidth, l = lane % kWidth;
    if (next < count) {
      zx[v][l] = cx[v][l] = x;
      zy[v][l] = cy[v][l] = ys[next++];
      first[lane] = t;
      ++live;
    } else {
      zx[v][l] = zy[v][l] = cx[v][l] = cy[v][l] = 0;
      first[lane] = kIdle;
    }
  };
  auto oldest = [&] {
    int64_t f = kIdle;
    for (int lane = 0; lane < kLanes; ++lane) f = std::min(f, first[lane]);
    return f + maxIter - 1;
  };
  for (int lane = 0; lane < kLanes; ++lane) load(lane);
  deadline = oldest();
  while (live > 0) {
    uint32_t escaped;
    for (;;) {
      escaped = 0;
#pragma GCC unroll 4
      for (int v = 0; v < V; ++v) escaped |= escapeBits(zx[v] * zx[v] + zy[v] * zy[v], bail) << (kWidth * v);
      if (escaped != 0 || t >= deadline) break;
#pragma GCC unroll 4
      for (int v = 0; v < V; ++v) {
        const TVec xx = zx[v] * zx[v], yy = zy[v] * zy[v];
        zy[v] = 2 * zx[v] * zy[v] + cy[v];
        zx[v] = xx - yy + cx[v];
      }
      ++t;
    }
    uint32_t done = escaped;
    const bool atLimit = t >= deadline;
    if (atLimit)
      for (int lane = 0; lane < kLanes; ++lane) done |= uint32_t(t - first[lane] + 1 >= maxIter) << lane;
    for (; done != 0; done &= done - 1) {
      const int lane = __builtin_ctz(done);
      if (escaped & (1u << lane)) {
        ++tally.Escaped;
        tally.Iterations += t - first[lane] + 1;
      }
      --live;
      load(lane);
    }
    if (atLimit) deadline = oldest();
  }
}

#pragma GCC push_options
#pragma GCC target("avx512f")
void WideColumn(double x, const double* ys, int32_t count, double bailout, int32_t maxIter, TTally& tally) {
  using TVec = double __attribute__((vector_size(64)));
  Column<TVec, 8>(x, ys, count, bailout, maxIter,
                  [](TVec a, TVec b) { return uint32_t(_mm512_cmp_pd_mask(__m512d(a), __m512d(b), _CMP_GT_OQ)); },
                  tally);
}
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2,fma")
void NarrowColumn(double x, const double* ys, int32_t count, double bailout, int32_t maxIter, TTally& tally) {
  using TVec = double __attribute__((vector_size(32)));
  Column<TVec, 4>(x, ys, count, bailout, maxIter,
                  [](TVec a, TVec b) { return uint32_t(_mm256_movemask_pd(__m256d(a > b))); }, tally);
}
#pragma GCC pop_options

}  // namespace

int main(int argc, char** argv) {
  bool narrow = false;
  int32_t maxIter = 256, width = 2048, height = 1536;
  double left = -2.2, top = 1.4, span = 2.8;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--narrow") {
      narrow = true;
    } else if (a == "--maxiter") {
      maxIter = std::atoi(v), ++i;
    } else if (a == "--size" && std::sscanf(v, "%dx%d", &width, &height) == 2) {
      ++i;
    } else if (a == "--window" && std::sscanf(v, "%lf,%lf,%lf", &left, &top, &span) == 3) {
      ++i;
    } else {
      std::fprintf(stderr, "usage: %s [--narrow] [--maxiter N] [--size WxH] [--window X,Y,W]\n", argv[0]);
      return 2;
    }
  }
  if (maxIter < 1 || width < 2 || height < 1) return 2;
  const double step = span / (width - 1), bailout = 9;
  std::vector<double> ys(static_cast<size_t>(height));
  for (int32_t py = 0; py < height; ++py) ys[size_t(py)] = top - py * step;
  TTally tally;
  for (int32_t px = 0; px < width; ++px) {
    const double x = left + px * step;
    if (narrow)
      NarrowColumn(x, ys.data(), height, bailout, maxIter, tally);
    else
      WideColumn(x, ys.data(), height, bailout, maxIter, tally);
  }
  std::printf("%lld escaped, %lld iterations\n", (long long)tally.Escaped, (long long)tally.Iterations);
  return 0;
}
