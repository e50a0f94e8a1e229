// SPDX-License-Identifier: GPL-3.0-or-later
// The palette's colours of runs of pixels, a vector of them at a time.
#include <cstring>
#include <utility>

#include "engine/palette.h"
#include "formulas/vector_kernels.h"

namespace {

// What a run needs of the palette, read once.
struct TPackedColorRun {
  // The table kinds' colours of each table index, a channel apart, each in
  // its place in a packed colour; null for the standard palette.
  const uint32_t (*Lookup)[64] = nullptr;
  double Step[3] = {};             // red, green, blue
  uint32_t Shift[3] = {};
  int Place[3] = {};  // the bit each of red, green and blue starts at in a packed colour
  uint32_t Infinity = 0;
};

#if defined(__x86_64__) || defined(__i386__)
#define PX_HAVE_VECTOR_COLOURS 1
#include <immintrin.h>
#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace avx2 {
constexpr int kWidth = 4;
using TIndexLanes = uint32_t __attribute__((vector_size(16)));
using TRoundLanes = double __attribute__((vector_size(32)));
inline TRoundLanes RoundToIntegers(TRoundLanes v) {
  return TRoundLanes(_mm256_round_pd(__m256d(v), _MM_FROUND_CUR_DIRECTION | _MM_FROUND_NO_EXC));
}
inline TIndexLanes Gather(const uint32_t* table, TIndexLanes index) {
  return TIndexLanes(_mm_i32gather_epi32(reinterpret_cast<const int*>(table), __m128i(index), 4));
}
#include "engine/palette_lanes.h"
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f")
namespace avx512 {
constexpr int kWidth = 8;
using TIndexLanes = uint32_t __attribute__((vector_size(32)));
using TRoundLanes = double __attribute__((vector_size(64)));
inline TRoundLanes RoundToIntegers(TRoundLanes v) {
  return TRoundLanes(_mm512_maskz_roundscale_pd(0xFF, __m512d(v), _MM_FROUND_CUR_DIRECTION | _MM_FROUND_NO_EXC));
}
inline TIndexLanes Gather(const uint32_t* table, TIndexLanes index) {
  return TIndexLanes(_mm256_i32gather_epi32(reinterpret_cast<const int*>(table), __m256i(index), 4));
}
#include "engine/palette_lanes.h"
}  // namespace avx512
#pragma GCC pop_options
#endif

}  // namespace

void TFPal::PackedColorsOf(const float* triples, int32_t count, uint32_t* colours) const {
  int32_t done = 0;
#ifdef PX_HAVE_VECTOR_COLOURS
  const bool table = TableKind();
  // Steps past 2^29 round in long double, which only the scalar colouring does.
  if (VectorUnitPresent() && (table || (ExactScale(RedStep) && ExactScale(GreenStep) && ExactScale(BlueStep)))) {
    const int* place = ChannelPlaces();
    TPackedColorRun run;
    uint32_t lookup[3][64];
    if (table) {
      for (int i = 0; i < 64; ++i) {
        lookup[0][i] = uint32_t(Table[i].Red) << place[0];
        lookup[1][i] = uint32_t(Table[i].Green) << place[1];
        lookup[2][i] = uint32_t(Table[i].Blue) << place[2];
      }
      run.Lookup = lookup;
    }
    run.Step[0] = RedStep, run.Step[1] = GreenStep, run.Step[2] = BlueStep;
    run.Shift[0] = uint32_t(RedShift), run.Shift[1] = uint32_t(GreenShift), run.Shift[2] = uint32_t(BlueShift);
    for (int c = 0; c < 3; ++c) run.Place[c] = place[c];
    run.Infinity = PackedInfinity();
    done = WideVectorUnitPresent() && !ForceNarrowVectors ? avx512::PackedColors(run, triples, count, colours)
                                                          : avx2::PackedColors(run, triples, count, colours);
  }
#endif
  for (; done < count; ++done)
    colours[done] = PackedColorOf(triples[3 * done], triples[3 * done + 1], triples[3 * done + 2]);
}
