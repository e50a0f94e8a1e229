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
  return ctx->FastArithmetic && ctx->Number == 0 && !FiltersActive(ctx) && !ctx->FSet && ctx->MaxIter >= 1 &&
         !ForceScalarFastPath && VectorUnitPresent();
}

#ifdef PX_HAVE_AVX2_PATH
namespace {

using v4d = double __attribute__((vector_size(32)));
using v4i = long long __attribute__((vector_size(32)));

constexpr int kVectors = 4;  // vectors in flight, to hide the latency of one step
constexpr int kLanes = 4 * kVectors;
constexpr long long kIdleCount = -(1LL << 62);  // an idle lane never reaches the limit

// z = z^2 + c over kLanes lanes; a lane whose pixel is done takes the next
// pixel at once, so no lane waits for the slowest of its vector.
__attribute__((target("avx2,fma"))) void MandelbrotLanes(const TKernelStart* starts, int32_t count, double bailout,
                                                         int32_t maxIter, int32_t* escapes) {
  v4d zx[kVectors], zy[kVectors], cx[kVectors], cy[kVectors];
  v4i n[kVectors];
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
    v4d x[kVectors], y[kVectors], px[kVectors], py[kVectors];
    v4i m[kVectors], escaped[kVectors], done[kVectors];
    for (int v = 0; v < kVectors; ++v) {
      x[v] = zx[v];
      y[v] = zy[v];
      px[v] = cx[v];
      py[v] = cy[v];
      m[v] = n[v];
    }
    int any;
    do {
      any = 0;
#pragma GCC unroll 4
      for (int v = 0; v < kVectors; ++v) {
        const v4d xx = x[v] * x[v], yy = y[v] * y[v];
        escaped[v] = xx + yy > bail;
        done[v] = escaped[v] | (m[v] >= limit);
        y[v] = 2 * x[v] * y[v] + py[v];
        x[v] = xx - yy + px[v];
        m[v] += 1;
        any |= _mm256_movemask_pd(__m256d(done[v]));
      }
    } while (any == 0);
    for (int v = 0; v < kVectors; ++v) {
      zx[v] = x[v];
      zy[v] = y[v];
      n[v] = m[v];
      const int mask = _mm256_movemask_pd(__m256d(done[v]));
      for (int l = 0; l < 4; ++l) {
        if (!(mask & (1 << l))) continue;
        const int lane = v * 4 + l;
        escapes[pixel[lane]] = escaped[v][l] ? int32_t(n[v][l] - 1) : 0;
        --active;
        load(lane);
      }
    }
  }
}

}  // namespace
#endif

void VectorEscapeRun(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
#ifdef PX_HAVE_AVX2_PATH
  TKernelStart starts[256];
  const double bailout = double(ctx->BailOut);
  for (int32_t first = 0; first < count; first += 256) {
    const int32_t part = std::min<int32_t>(256, count - first);
    for (int32_t i = 0; i < part; ++i) starts[i] = CommonStart(ctx, x, ys[first + i]);
    MandelbrotLanes(starts, part, bailout, ctx->MaxIter, escapes + first);
  }
#else
  (void)ctx, (void)x, (void)ys, (void)count, (void)escapes;
#endif
}
