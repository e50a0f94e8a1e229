// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/deep_vector.h"

#include "engine/power_difference.h"
#include "formulas/vector_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PX_HAVE_DEEP_LANES 1
#endif

bool DeepLanesServe() {
#ifdef PX_HAVE_DEEP_LANES
  return VectorUnitPresent() && !ForceScalarFastPath;
#else
  return false;
#endif
}

#ifdef PX_HAVE_DEEP_LANES
namespace {

using TDeepLanesFn = void (*)(double, const TDeepLaneBounds&, TDeepLaneHost&);
using TDeepLanesTable = TDeepLanesFn[2][2][5];  // [reach][tails][power]

// Each vector unit's loops, written once in deep_lanes.h.
#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace avx2 {
using TVec = double __attribute__((vector_size(32)));
using TMask = long long __attribute__((vector_size(32)));
constexpr int kWidth = 4;
inline uint32_t LaneBits(TMask m) { return uint32_t(_mm256_movemask_pd(__m256d(m))); }
#include "engine/deep_lanes.h"
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512 {
using TVec = double __attribute__((vector_size(64)));
using TMask = long long __attribute__((vector_size(64)));
constexpr int kWidth = 8;
inline uint32_t LaneBits(TMask m) { return _mm512_test_epi64_mask(__m512i(m), __m512i(m)); }
#include "engine/deep_lanes.h"
}  // namespace avx512
#pragma GCC pop_options

}  // namespace
#endif

void DeepLaneRun(int power, bool reach, bool tails, double bailout, const TDeepLaneBounds& bounds,
                 TDeepLaneHost& host) {
#ifdef PX_HAVE_DEEP_LANES
  const int index = power == 8 ? 4 : power - 2;
  const TDeepLanesTable& lanes = WideVectorUnitPresent() && !ForceNarrowVectors ? avx512::kDeepLanesOf : avx2::kDeepLanesOf;
  lanes[reach][tails][index](bailout, bounds, host);
#else
  (void)power, (void)reach, (void)tails, (void)bailout, (void)bounds, (void)host;
#endif
}
