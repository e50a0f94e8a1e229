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
using v4i = long long __attribute__((vector_size(32)));

constexpr long long kIdleCount = -(1LL << 62);  // an idle lane never reaches the limit

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
template <int Number, bool Tail, int V = Tail ? 2 : 4>
__attribute__((target("avx2,fma"))) void PowerLanes(const TKernelStart* starts, int32_t count, double bailout,
                                                    int32_t maxIter, int32_t* escapes, TOrbitTail* tails) {
  constexpr int kLanes = 4 * V;
  v4d zx[V], zy[V], cx[V], cy[V], hx[3][V] = {}, hy[3][V] = {};
  v4i n[V];
  int32_t pixel[kLanes];
  int32_t next = 0, active = 0;
  auto load = [&](int lane) {
    const int v = lane / 4, l = lane % 4;
    if (next < count) {
      const TKernelStart& s = starts[next];
      zx[v][l] = s.zx;
      zy[v][l] = s.zy;
      cx[v][l] = s.cx;
      cy[v][l] = s.cy;
      n[v][l] = 1;
      pixel[lane] = next++;
      ++active;
    } else {
      zx[v][l] = zy[v][l] = cx[v][l] = cy[v][l] = 0;
      n[v][l] = kIdleCount;
      pixel[lane] = -1;
    }
  };
  for (int lane = 0; lane < kLanes; ++lane) load(lane);
  const v4d bail = {bailout, bailout, bailout, bailout};
  const v4i limit = {maxIter, maxIter, maxIter, maxIter};
  while (active > 0) {
    // The steps run on local copies, kept in registers, until some lane is
    // done; only then do the lanes go through memory.
    v4d x[V], y[V], px[V], py[V], tx[3][V], ty[3][V];
    v4i m[V], escaped[V], done[V];
    for (int v = 0; v < V; ++v) {
      x[v] = zx[v];
      y[v] = zy[v];
      px[v] = cx[v];
      py[v] = cy[v];
      m[v] = n[v];
      for (int h = 0; h < 3; ++h) {
        tx[h][v] = hx[h][v];
        ty[h][v] = hy[h][v];
      }
    }
    int any;
    do {
      any = 0;
#pragma GCC unroll 4
      for (int v = 0; v < V; ++v) {
        escaped[v] = x[v] * x[v] + y[v] * y[v] > bail;
        done[v] = escaped[v] | (m[v] >= limit);
        if constexpr (Tail) {
          tx[2][v] = tx[1][v];
          ty[2][v] = ty[1][v];
          tx[1][v] = tx[0][v];
          ty[1][v] = ty[0][v];
          tx[0][v] = x[v];
          ty[0][v] = y[v];
        }
        const TVx w = PowerOf<Number>({x[v], y[v]});
        x[v] = w.re + px[v];
        y[v] = w.im + py[v];
        m[v] += 1;
        any |= _mm256_movemask_pd(__m256d(done[v]));
      }
    } while (any == 0);
    for (int v = 0; v < V; ++v) {
      zx[v] = x[v];
      zy[v] = y[v];
      n[v] = m[v];
      for (int h = 0; h < 3; ++h) {
        hx[h][v] = tx[h][v];
        hy[h][v] = ty[h][v];
      }
      const int mask = _mm256_movemask_pd(__m256d(done[v]));
      for (int l = 0; l < 4; ++l) {
        if (!(mask & (1 << l))) continue;
        const int lane = v * 4 + l;
        escapes[pixel[lane]] = escaped[v][l] ? int32_t(n[v][l] - 1) : 0;
        if constexpr (Tail) {
          for (int h = 0; h < 3; ++h) {
            tails[pixel[lane]].X[h] = hx[h][v][l];
            tails[pixel[lane]].Y[h] = hy[h][v][l];
          }
        }
        --active;
        load(lane);
      }
    }
  }
}

using TLanesFn = void (*)(const TKernelStart*, int32_t, double, int32_t, int32_t*, TOrbitTail*);

}  // namespace
#endif

void VectorEscapeRun(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes,
                     TOrbitTail* tails) {
#ifdef PX_HAVE_AVX2_PATH
  TKernelStart starts[256];
  const double bailout = double(ctx->BailOut);
  for (int32_t first = 0; first < count; first += 256) {
    const int32_t part = std::min<int32_t>(256, count - first);
    for (int32_t i = 0; i < part; ++i) starts[i] = CommonStart(ctx, x, ys[first + i]);
    constexpr TLanesFn kLanesOf[2][kLastVectorFormula + 1] = {
        {&PowerLanes<0, false>, &PowerLanes<1, false>, &PowerLanes<2, false>, &PowerLanes<3, false>,
         &PowerLanes<4, false>},
        {&PowerLanes<0, true>, &PowerLanes<1, true>, &PowerLanes<2, true>, &PowerLanes<3, true>,
         &PowerLanes<4, true>}};
    kLanesOf[tails != nullptr][ctx->Number](starts, part, bailout, ctx->MaxIter, escapes + first,
                                            tails ? tails + first : nullptr);
  }
#else
  (void)ctx, (void)x, (void)ys, (void)count, (void)escapes, (void)tails;
#endif
}
