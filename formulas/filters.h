// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Orbit filters and smoothing: the per-iteration update every escape-time
// kernel calls, and the final pass after the kernel returns.

#include <cstddef>
#include <cstdint>

#include "formulas/formula_context.h"

constexpr int32_t kFilterCount = 59;  // filters 0..58

// Whether the filter keeps every iteration's point in the orbit store (the
// dimension filters).
inline bool UsesOrbitStore(int32_t filter) { return filter >= 50 && filter <= 58; }

// The entries of the orbit store a render of this context needs: one per
// iteration for the dimension filters, none for any other.
inline size_t OrbitStoreLength(const TFormulaContext& ctx) {
  return UsesOrbitStore(ctx.Filter) && ctx.MaxIter > 0 ? size_t(ctx.MaxIter) : 0;
}

// Whether TraceFilters does anything for this context: it is a no-op for
// smoothing 0 with filter 0 (or numbers outside 1..58), so kernels may skip
// the call.
inline bool FiltersActive(const TFormulaContext* ctx) {
  return (ctx->Smoothing >= 1 && ctx->Smoothing <= 3) || (ctx->Filter >= 1 && ctx->Filter < kFilterCount);
}

// Per-iteration update: n the 1-based iteration, (X, Y) z before this
// iteration's bailout test, (X0, Y0) the pixel (never inverted).
void TraceFilters(int32_t n, TFormulaContext* ctx, double X, double Y, double X0, double Y0);

// Final pass: n is the kernel's result (0 when the pixel never escaped).
void FinishFilters(int32_t n, TFormulaContext* ctx);
