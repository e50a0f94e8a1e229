// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The map of a 3D strange attractor: four kinds of three-dimensional maps
// over a 5 x 13 table of single-precision coefficients, iterated in extended
// precision.

#include <cstdint>
#include <functional>
#include <random>

#include "formulas/numbers.h"

constexpr int32_t kAttractorRows = 5;
constexpr int32_t kAttractorColumns = 13;  // A(i,1) .. A(i,12), then P(i)
constexpr int32_t kProbabilityColumn = 12;

// Row i (0-based) holds A(i+1,1) .. A(i+1,12) in columns 0..11 and P(i+1) in
// column 12.
struct TAttractorTable {
  float A[kAttractorRows][kAttractorColumns] = {};
  bool operator==(const TAttractorTable&) const = default;
};

struct TAttractorPoint {
  Extended x = 0, y = 0, z = 0;
  bool operator==(const TAttractorPoint&) const = default;
};

// Uniform random numbers in [0, 1) for the "IFS" kind and the search.
class TAttractorRandom {
 public:
  explicit TAttractorRandom(uint32_t seed = 1) : Engine(seed) {}
  void Seed(uint32_t seed) { Engine.seed(seed); }
  void SeedFromClock();
  // 32 random bits over 2^32: exact in a double and always below 1.
  double Next() { return Source ? Source() : double(Engine()) / 4294967296.0; }
  // Numbers from `source` instead (empty: the generator again), for runs
  // that must see chosen values.
  void Replace(std::function<double()> source) { Source = std::move(source); }

 private:
  std::mt19937 Engine;
  std::function<double()> Source;
};

// Map kinds, numbered as the file and the "Type" list count them.
enum TAttractorKind : int32_t {
  kAttractorIFS = 1,        // "IFS": one of five affine maps chosen at random
  kAttractorXYZ = 2,        // "X+Y+Z+XYZ"
  kAttractorQuadratic = 3,  // "X+XX+XY+XZ+Y+YY+YZ+Z+ZZ"
  kAttractorSquares = 4,    // "X+Y+Z+XXYYZZ"
};

// One step of the map of `kind` from p. A step whose arithmetic overflows or
// becomes invalid leaves p as it was. Kinds other than 1..4 do not move the
// point. `random` is drawn from by kind 1 only.
void AttractorStep(int32_t kind, const TAttractorTable& table, TAttractorPoint& p, TAttractorRandom& random);
