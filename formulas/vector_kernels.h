// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Vector loops of the fast path: four doubles per vector (AVX2 with FMA), or
// eight on a processor with AVX-512, chosen at run time. Both give the same
// values. A processor without them, or a context the loop does not serve,
// takes the scalar kernels.

#include <cstdint>
#include <cstdlib>

#include "formulas/formula_context.h"

// Whether the processor has the vector unit the loops need.
bool VectorUnitPresent();

// Turns the vector loops off, as on a processor without them (tests and
// comparisons of the two fast paths).
inline bool ForceScalarFastPath = false;

// Whether the processor has the eight-lane vector unit (AVX-512).
bool WideVectorUnitPresent();

// Keeps the vector loops to four lanes on a processor with eight (tests and
// comparisons of the two widths); on from the start when the environment
// sets PX_NARROW_VECTORS, so that whole programs can be compared.
inline bool ForceNarrowVectors = std::getenv("PX_NARROW_VECTORS") != nullptr;

// The plain power formulas 0..4 (z^2, z^3, z^4, z^5, z^8 + c) have a vector loop.
constexpr int32_t kLastVectorFormula = 4;

// Whether VectorEscapeRun serves this context: fast arithmetic, a plain power
// formula, no orbit filter (smoothing is served), no F-Set, and the vector unit.
bool VectorPathServes(const TFormulaContext* ctx);

// The last three points of an orbit, newest (the escaping one) first: all
// that smoothing reads.
struct TOrbitTail {
  double X[3], Y[3];
};

// The most pixels VectorEscapeRun takes at once.
constexpr int32_t kVectorRunLength = 256;

// Escape iterations of the pixels (x, ys[i]), i < count <= kVectorRunLength,
// as the scalar double kernel returns them (up to the rounding of fused
// multiply-adds), and when tails is not null the tail of every escaped orbit.
// Floating-point faults are left raised for the caller.
void VectorEscapeRun(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes,
                     TOrbitTail* tails);
