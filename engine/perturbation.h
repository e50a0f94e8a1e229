// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Deep rendering of the plain power formulas (z^2, z^3, z^4, z^5, z^8 + c):
// one reference orbit at the image centre in arbitrary precision, every pixel
// iterated as a small difference from it in hardware reals.
//
// Precision: a pixel's difference dz keeps its relative precision as long as
// it is small beside the reference point Z. When the pixel's own z comes
// closer to 0 than to Z (|Z + dz| < |dz|), the pixel is rebased: its full z
// becomes the difference from an orbit that starts at 0, the critical point
// where the difference would otherwise lose its digits. One reference (two in
// Julia mode, where the centre orbit does not pass through 0) serves every
// pixel; no glitch detection or extra references are needed.
//
// Speed: a truncated power series in the pixel's offset from the centre
// gives dz after the iterations that all pixels share; from there a table of
// long linear steps (engine/bla_table.h) carries each pixel along the
// reference wherever its dz is small enough, and the remaining steps are
// taken one by one.
//
// Range: differences are doubles while the pixel step is well inside the
// double range; below it they are doubles scaled by a power of two kept
// beside them, so the render goes down to widths near 1e-4800.

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/deep_real.h"
#include "engine/deep_reference.h"
#include "formulas/formula_context.h"
#include "formulas/pixel.h"

// Whether the deep render covers this context: formulas 0..4 in normal or
// Julia mode, no orbit filter, no F-Set, no inversion (the inversion maps the
// view onto a grid that is not evenly spaced, so pixels would not be offsets
// of one step from the centre). Any smoothing.
bool PerturbationServes(const TFormulaContext& ctx);

// Whether a view `width` pixels wide is past what the ordinary render
// resolves: the pixels reach the kernels as doubles, so once the pixel step
// is below about 2^-50 of the coordinates (a few units in the last place of
// a double) neighbouring pixels are no longer told apart.
bool PastOrdinaryPrecision(const TDeepWindow& window, int32_t width);

// The kernel's escape iteration for the pixel (x, y) computed wholly in
// arbitrary precision of `bits` (slow: the reference deep renders are checked
// against). 0 when the orbit stays within the bailout for MaxIter iterations.
int32_t ExactEscape(const TFormulaContext& ctx, const TDeepReal& x, const TDeepReal& y, mpfr_prec_t bits);

// How a deep render is prepared.
struct TDeepPrepare {
  TReferenceWatch Watch;
  // Reused instead of a new reference when it serves the view (same formula
  // and mode, enough bits and iterations, its point inside the view).
  std::shared_ptr<const TDeepReference> Reference;
  // Long steps from the approximation table; off, every step is taken one by
  // one (slow, to compare with).
  bool Approximate = true;
  // Differences as doubles with a separate exponent even where plain doubles
  // serve (to compare the two on the same pixels).
  bool Scaled = false;
};

class TPerturbation {
 public:
  TPerturbation();
  ~TPerturbation();
  TPerturbation(const TPerturbation&) = delete;
  TPerturbation& operator=(const TPerturbation&) = delete;

  // Computes the reference orbits, the series and the table of long steps
  // for the pixels (px, py), px < columns, py < rows, lying at
  // (X + px*step, Y - py*step) with step = W / (width - 1). Gives up,
  // returning false, when the watch's stop request turns true (checked
  // often), the context is not served or the step is below about 1e-4800.
  bool Prepare(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width, int32_t columns, int32_t rows,
               const TDeepPrepare& how = {});

  // The channel values of pixel (px, py) as EvaluatePixel gives them for its
  // exact position. `ctx` carries the per-pixel fields (one per thread).
  // With `steps`, adds the steps taken, long and single, to it.
  TPixelChannels Evaluate(TFormulaContext* ctx, int32_t px, int32_t py, int64_t* steps = nullptr) const;

  // Evaluate for the pixels (px, first) .. (px, first + rows - 1) into
  // out[0 .. rows - 1], several at once in the vector lanes where the
  // processor has them.
  void EvaluateColumn(TFormulaContext* ctx, int32_t px, int32_t first, int32_t rows, TPixelChannels* out,
                      int64_t* steps = nullptr) const;

  // The iterations every pixel skips through the series.
  int32_t SkippedIterations() const;
  // The reference orbits in use, for later views around the same point.
  std::shared_ptr<const TDeepReference> Reference() const;
  // Entries of the table of long steps.
  int64_t TableSize() const;

  struct TImpl;

 private:
  std::unique_ptr<TImpl> Impl;
};
