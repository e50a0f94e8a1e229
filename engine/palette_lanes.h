// SPDX-License-Identifier: GPL-3.0-or-later
// The palette's colours of a run of pixels, kWidth pixels at a time, written
// once for every vector unit. Included once per unit, inside that unit's
// namespace and under its target, after the unit has declared kWidth and
//   RoundToIntegers(v)    kWidth doubles rounded as nearbyint rounds them,
//   Gather(table, index)  the table's entries at kWidth indices,
// and it defines the unit's PackedColors. Every step is the scalar
// TFPal::PackedColorOf's, lane by lane, so the colours are the same.

using TVec = TRoundLanes;  // kWidth doubles
using TMask = long long __attribute__((vector_size(8 * kWidth)));
using TLanes = TIndexLanes;  // kWidth uint32
using TFloats = float __attribute__((vector_size(4 * kWidth)));
using TPick = int32_t __attribute__((vector_size(4 * kWidth)));

// Channel C of kWidth pixels whose triples fill a, b and c in turn: first
// what lies in a and b, then the rest from c.
constexpr int PickFromFirstTwo(int channel, int i) { return 3 * i + channel < 2 * kWidth ? 3 * i + channel : 0; }
constexpr int PickWithLast(int channel, int i) { return 3 * i + channel < 2 * kWidth ? i : 3 * i + channel - kWidth; }
template <int C, int... I>
[[gnu::always_inline]] inline TVec ChannelLanes(TFloats a, TFloats b, TFloats c, std::integer_sequence<int, I...>) {
  const TFloats first = __builtin_shuffle(a, b, TPick{PickFromFirstTwo(C, I)...});
  return __builtin_convertvector(__builtin_shuffle(first, c, TPick{PickWithLast(C, I)...}), TVec);
}

// p rounded to an integer in the current rounding mode, as nearbyint does,
// and whether the result is an int32. The lanes that are not take 0.
[[gnu::always_inline]] inline TLanes RoundedLanes(TVec p, TMask& fits) {
  const TVec r = RoundToIntegers(p);
  fits &= (r >= -2147483648.0) & (r <= 2147483647.0);
  return TLanes(__builtin_convertvector(fits ? r : TVec{}, int32_t __attribute__((vector_size(4 * kWidth)))));
}

// The standard palette's triangle: rises 0 .. 255 and falls back over every
// 512 units.
[[gnu::always_inline]] inline TLanes TriangleLanes(TLanes n) {
  const TLanes m = n & 511u;
  return m > 255u ? 255u - (m & 255u) : m;
}

// Colours pixels from the first while a whole vector remains; gives the
// count coloured.
int32_t PackedColors(const TPackedColorRun& run, const float* triples, int32_t count, uint32_t* colours) {
  // The run's fields in locals: the stores of colours could otherwise change
  // them, as far as the compiler knows.
  const uint32_t (*lookup)[64] = run.Lookup;
  const TVec step[3] = {TVec{} + run.Step[0], TVec{} + run.Step[1], TVec{} + run.Step[2]};
  const TLanes shift[3] = {TLanes{} + run.Shift[0], TLanes{} + run.Shift[1], TLanes{} + run.Shift[2]};
  const int place[3] = {run.Place[0], run.Place[1], run.Place[2]};
  const TLanes infinity = TLanes{} + run.Infinity;
  int32_t done = 0;
  for (; done + kWidth <= count; done += kWidth) {
    TFloats a, b, c;
    std::memcpy(&a, triples + 3 * done, sizeof a);
    std::memcpy(&b, triples + 3 * done + kWidth, sizeof b);
    std::memcpy(&c, triples + 3 * done + 2 * kWidth, sizeof c);
    constexpr auto lanes = std::make_integer_sequence<int, kWidth>{};
    const TVec channel[3] = {ChannelLanes<0>(a, b, c, lanes), ChannelLanes<1>(a, b, c, lanes),
                             ChannelLanes<2>(a, b, c, lanes)};
    const TMask zero = (channel[0] == 0) & (channel[1] == 0) & (channel[2] == 0);
    TMask fits = ~TMask{};
    TLanes packed;
    if (lookup) {
      TLanes index[3];
      for (int c = 0; c < 3; ++c) {
        const TLanes u = RoundedLanes(channel[c], fits), k = u & 63u;
        index[c] = (u & 64u) ? 63u - k : k;
      }
      packed = Gather(lookup[0], index[0]) | Gather(lookup[1], index[1]) | Gather(lookup[2], index[2]);
    } else {
      const TLanes red = TriangleLanes(RoundedLanes(channel[0] * step[0], fits) + shift[0]);
      const TLanes green = TriangleLanes(RoundedLanes(channel[1] * step[1], fits) + shift[1]);
      const TLanes blue = TriangleLanes(RoundedLanes(channel[2] * step[2], fits) + shift[2]);
      packed = red << place[0] | green << place[1] | blue << place[2];
    }
    const TLanes coloured = TLanes(__builtin_convertvector(fits & ~zero, int32_t __attribute__((vector_size(4 * kWidth)))));
    const TLanes out = (packed & coloured) | (infinity & ~coloured);
    std::memcpy(colours + done, &out, sizeof out);
  }
  return done;
}
