// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How many iterations a document may ask for. The ordinary render keeps a
// per-iteration orbit store for the dimension filters and iterates in extended
// reals, so its cap is modest; a view the deep render serves iterates pixels
// as differences from one reference orbit and may run far longer.

#include <cstdint>

#include "engine/deep_window.h"
#include "formulas/formula_context.h"

constexpr int32_t kMaxIterLimit = 100000;         // largest maximum iterations of an ordinary view
constexpr int32_t kDeepMaxIterLimit = 100000000;  // the same for a view the deep render serves

// The largest maximum iterations the view (`window`, `width` pixels wide)
// of this context takes: kDeepMaxIterLimit where the deep render serves it,
// kMaxIterLimit otherwise.
int32_t MaxIterLimitFor(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width);
