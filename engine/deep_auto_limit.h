// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The automatic iteration limit of a view the deep render serves. The
// depth formula of shallow views gives such views far too few iterations
// (pixels of a 1e-25 view escape after tens of thousands), so the limit is
// read from the view itself: the reference orbit is computed to a generous
// cap, a coarse grid of pixels is iterated along it up to that cap, and the
// limit is set a margin above the latest escape seen.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/deep_reference.h"
#include "engine/perturbation.h"

// The cap the pre-pass iterates to: ten times the depth formula's limit
// `formula`, within `most`.
int32_t DeepLimitCap(int32_t formula, int32_t most);

// The limit from the escape iterations of the sampled pixels (0: still
// inside at `cap`): half as much again as the latest escape, within
// [formula, cap]; `formula` when no sample escaped.
int32_t DeepLimitFromEscapes(const std::vector<int32_t>& escapes, int32_t formula, int32_t cap);

struct TDeepLimitChoice {
  int32_t Limit = 0;
  // The reference computed to the cap, for the render to reuse.
  std::shared_ptr<const TDeepReference> Reference;
};

// Chooses the limit of the `width` x `height` image of `ctx` (its MaxIter
// the depth formula's value, `most` the largest limit the view takes): the
// deep render is prepared for the buffers' `columns` x `rows` pixels, so
// that its reference serves the render itself, and evaluated on a grid of
// at most 32 x 24 of the image's pixels on `threads` threads. False when the
// watch's stop request turned true or the deep render cannot be prepared.
bool ChooseDeepLimit(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width, int32_t height,
                     int32_t columns, int32_t rows, int32_t most, int32_t threads, const TDeepPrepare& how,
                     TDeepLimitChoice& choice);
