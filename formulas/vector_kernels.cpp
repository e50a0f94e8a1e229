#include "formulas/vector_kernels.h"

#include <algorithm>

#include "formulas/filters.h"
#include "formulas/kernel_common.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PX_HAVE_AVX2_PATH 1
#endif

bool VectorUnitPresent() {
#ifdef PX_HAVE_AVX2_PATH
  static const bool present = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  return present;
#else
  return false;
#endif
}

bool VectorPathServes(const TFormulaContext* ctx) {
  const bool orbitFilter = ctx->Filter >= 1 && ctx->Filter < kFilterCount;
  return ctx->FastArithmetic && ctx->Number >= 0 && ctx->Number <= kLastVectorFormula && !orbitFilter && !ctx->FSet && ctx->MaxIter >= 1 &&
         !ForceScalarFastPath && VectorUnitPresent();
}

#ifdef PX_HAVE_AVX2_PATH
namespace {

using v4d = double __attribute__((vector_size(32)));

#define PX_VECTOR_STEP __attribute__((target("avx2,fma"), always_inline)) inline

// Four complex numbers, with the products of the scalar kernels' TCxOf.
struct TVx {
  v4d re, im;
};
PX_VECTOR_STEP TVx Sqr(TVx a) { return {a.re * a.re - a.im * a.im, 2 * a.re * a.im}; }
PX_VECTOR_STEP TVx operator*(TVx a, TVx b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// The power of z the plain power formulas 0..4 add c to, formed as their
// scalar kernels form it.
template <int Number>
PX_VECTOR_STEP TVx PowerOf(TVx z) {
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
__attribute__((target("avx2,fma"))) void PowerLanes(const TKernelStart* starts, int32_t count, double bailout,
                                                    int32_t maxIter, int32_t* escapes, TOrbitTail* tails) {
  constexpr int V = 4;  // vectors in flight: enough to hide the latency of a step
  constexpr int kLanes = 4 * V;
  constexpr long long kNever = 1LL << 62;  // the start of an idle lane: it never reaches the limit
  alignas(32) double zx[kLanes], zy[kLanes], cx[kLanes], cy[kLanes], hx[2][kLanes] = {}, hy[2][kLanes] = {};
  long long first[kLanes];  // the step at which the lane's pixel made its first bailout test
  int32_t pixel[kLanes];
  int32_t next = 0, active = 0;
  long long t = 0;
  auto load = [&](int lane) {
    if (next < count) {
      const TKernelStart& s = starts[next];
      zx[lane] = s.zx;
      zy[lane] = s.zy;
      cx[lane] = s.cx;
      cy[lane] = s.cy;
      first[lane] = t;
      pixel[lane] = next++;
      ++active;
    } else {
      zx[lane] = zy[lane] = cx[lane] = cy[lane] = 0;
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
  const v4d bail = {bailout, bailout, bailout, bailout};
  while (active > 0) {
    // The steps run on local copies, kept in registers, until some lane is
    // done; only then do the lanes go through memory.
    v4d x[V], y[V], px[V], py[V], tx[2][V], ty[2][V];
    for (int v = 0; v < V; ++v) {
      x[v] = *reinterpret_cast<const v4d*>(zx + 4 * v);
      y[v] = *reinterpret_cast<const v4d*>(zy + 4 * v);
      px[v] = *reinterpret_cast<const v4d*>(cx + 4 * v);
      py[v] = *reinterpret_cast<const v4d*>(cy + 4 * v);
      for (int h = 0; h < 2; ++h) {
        tx[h][v] = *reinterpret_cast<const v4d*>(hx[h] + 4 * v);
        ty[h][v] = *reinterpret_cast<const v4d*>(hy[h] + 4 * v);
      }
    }
    uint32_t escaped;  // bit `lane` for each lane whose point escapes at step t
    for (;;) {
      escaped = 0;
#pragma GCC unroll 4
      for (int v = 0; v < V; ++v)
        escaped |= uint32_t(_mm256_movemask_pd(__m256d(x[v] * x[v] + y[v] * y[v] > bail))) << (4 * v);
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
      *reinterpret_cast<v4d*>(zx + 4 * v) = x[v];
      *reinterpret_cast<v4d*>(zy + 4 * v) = y[v];
      for (int h = 0; h < 2; ++h) {
        *reinterpret_cast<v4d*>(hx[h] + 4 * v) = tx[h][v];
        *reinterpret_cast<v4d*>(hy[h] + 4 * v) = ty[h][v];
      }
    }
    // The lanes done at step t: those that escaped, and those at the limit.
    uint32_t done = escaped;
    const bool atLimit = t >= last;
    if (atLimit)
      for (int lane = 0; lane < kLanes; ++lane) done |= uint32_t(t - first[lane] + 1 >= maxIter) << lane;
    for (; done != 0; done &= done - 1) {
      const int lane = __builtin_ctz(done);
      const int32_t p = pixel[lane];
      escapes[p] = escaped & (1u << lane) ? int32_t(t - first[lane] + 1) : 0;
      if constexpr (Tail) {
        // The escaping point and the two before it.
        tails[p].X[0] = zx[lane];
        tails[p].Y[0] = zy[lane];
        for (int h = 1; h < 3; ++h) {
          tails[p].X[h] = hx[h - 1][lane];
          tails[p].Y[h] = hy[h - 1][lane];
        }
      }
      --active;
      load(lane);
    }
    if (atLimit) last = lastStep();
  }
}

using TLanesFn = void (*)(const TKernelStart*, int32_t, double, int32_t, int32_t*, TOrbitTail*);

}  // namespace
#endif

void VectorEscapeRun(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes,
                     TOrbitTail* tails) {
#ifdef PX_HAVE_AVX2_PATH
  TKernelStart starts[kVectorRunLength];
  for (int32_t i = 0; i < count; ++i) starts[i] = CommonStart(ctx, x, ys[i]);
  constexpr TLanesFn kLanesOf[2][kLastVectorFormula + 1] = {
      {&PowerLanes<0, false>, &PowerLanes<1, false>, &PowerLanes<2, false>, &PowerLanes<3, false>,
       &PowerLanes<4, false>},
      {&PowerLanes<0, true>, &PowerLanes<1, true>, &PowerLanes<2, true>, &PowerLanes<3, true>, &PowerLanes<4, true>}};
  kLanesOf[tails != nullptr][ctx->Number](starts, count, double(ctx->BailOut), ctx->MaxIter, escapes, tails);
#else
  (void)ctx, (void)x, (void)ys, (void)count, (void)escapes, (void)tails;
#endif
}
