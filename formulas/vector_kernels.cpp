// SPDX-License-Identifier: GPL-3.0-or-later
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

bool WideVectorUnitPresent() {
#ifdef PX_HAVE_AVX2_PATH
  static const bool present = VectorUnitPresent() && __builtin_cpu_supports("avx512f");
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

using TLanesFn = void (*)(const TKernelStart*, int32_t, double, int32_t, int32_t*, TOrbitTail*);
using TLanesTable = TLanesFn[2][kLastVectorFormula + 1];  // [with tails][formula]

// Each vector unit's loops, written once in vector_lanes.h.
#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace avx2 {
using TVec = double __attribute__((vector_size(32)));
constexpr int kWidth = 4;
inline uint32_t EscapeBits(TVec modulus, TVec bailout) {
  return uint32_t(_mm256_movemask_pd(__m256d(modulus > bailout)));
}
#include "formulas/vector_lanes.h"
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512 {
using TVec = double __attribute__((vector_size(64)));
constexpr int kWidth = 8;
inline uint32_t EscapeBits(TVec modulus, TVec bailout) {
  return _mm512_cmp_pd_mask(__m512d(modulus), __m512d(bailout), _CMP_GT_OQ);
}
#include "formulas/vector_lanes.h"
}  // namespace avx512
#pragma GCC pop_options

}  // namespace
#endif

void VectorEscapeRun(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes,
                     TOrbitTail* tails) {
#ifdef PX_HAVE_AVX2_PATH
  TKernelStart starts[kVectorRunLength];
  for (int32_t i = 0; i < count; ++i) starts[i] = CommonStart(ctx, x, ys[i]);
  const TLanesTable& lanes = WideVectorUnitPresent() && !ForceNarrowVectors ? avx512::kLanesOf : avx2::kLanesOf;
  lanes[tails != nullptr][ctx->Number](starts, count, double(ctx->BailOut), ctx->MaxIter, escapes, tails);
#else
  (void)ctx, (void)x, (void)ys, (void)count, (void)escapes, (void)tails;
#endif
}
