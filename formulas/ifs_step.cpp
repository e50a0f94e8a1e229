// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <cstdint>

#include "formulas/orbital_steps.h"
#include "ifs/ifs_model.h"

namespace {

// One sequence for every document: renders that draw at the same time take
// turns on it, each draw advancing it by one step. Nothing else is published
// through the seed, so relaxed ordering suffices.
std::atomic<uint32_t> RandomSeed{1};

}  // namespace

// The shared 32-bit linear congruential generator: uniform in [0, 1). Kept in
// double, where seed / 2^32 is exact: rounded to float, values just above a
// probability boundary would fall onto it and the largest ones would become 1.
double NextIFSRandom() {
  uint32_t seed = RandomSeed.load(std::memory_order_relaxed), next;
  do {
    next = seed * 134775813u + 1u;
  } while (!RandomSeed.compare_exchange_weak(seed, next, std::memory_order_relaxed));
  return next / 4294967296.0;
}

namespace {

// Applies the first transform whose running probability sum reaches r; with
// no such transform the point stays.
template <class It>
bool ApplyChosen(It first, It last, double r, float& x, float& y) {
  float sum = 0;
  for (It it = first; it != last; ++it) {
    const TIFSTransform& t = *it;
    sum += t.P;
    if (r <= sum) {
      const float nx = t.A * x + t.B * y + t.E;
      y = t.C * x + t.D * y + t.F;
      x = nx;
      return true;
    }
  }
  return false;
}

struct TLibraryTransformIt {
  const TIFSLibraryEntry* p;
  const TIFSTransform& operator*() const { return p->Transform; }
  TLibraryTransformIt& operator++() { ++p; return *this; }
  bool operator!=(const TLibraryTransformIt& o) const { return p != o.p; }
};

}  // namespace

void SeedIFSRandom(uint32_t seed) { RandomSeed.store(seed, std::memory_order_relaxed); }

uint32_t IFSRandomSeed() { return RandomSeed.load(std::memory_order_relaxed); }

void IFSStep(TFormulaContext* ctx) {
  float x = float(ctx->Orbit.re), y = float(ctx->Orbit.im);
  const double r = NextIFSRandom();
  const int32_t number = ctx->IFSNumber;
  bool moved = false;
  if (number == kWorkingIFSNumber) {
    // The IFS constructor appends transforms while a picture is drawn.
    const int32_t live = std::atomic_ref<int32_t>(WorkingIFS.Count).load(std::memory_order_relaxed);
    const int32_t count = live < 0 ? 0 : (live > kMaxIFSTransforms ? kMaxIFSTransforms : live);
    moved = ApplyChosen(WorkingIFS.Slots + 1, WorkingIFS.Slots + 1 + count, r, x, y);
  } else if (number >= 0 && number < IFSLibrary.Count) {
    // Entries of one IFS are consecutive: find its run.
    const TIFSLibraryEntry* begin = IFSLibrary.Entries.data();
    const TIFSLibraryEntry* end = begin + IFSLibrary.Entries.size();
    const TIFSLibraryEntry* first = begin;
    while (first != end && first->Index != number) ++first;
    const TIFSLibraryEntry* last = first;
    while (last != end && last->Index == number) ++last;
    moved = ApplyChosen(TLibraryTransformIt{first}, TLibraryTransformIt{last}, r, x, y);
  }
  if (moved) {
    ctx->Orbit.re = x;
    ctx->Orbit.im = y;
  }
}
