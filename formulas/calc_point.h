// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dispatcher: one pixel (escape-time formulas) or one orbit step (orbital
// formulas, IFS) for the context's formula number.

#include <cstdint>

#include "formulas/formula_context.h"

// The escape-time kernels serve the numbers 0..kLastKernelFormula.
constexpr int32_t kLastKernelFormula = 76;

// Whether a kernel or a point step serves the formula number: 0..76, the
// orbital formulas 500..508 but the unassigned 505, 1000, 1001 and 3000.
bool DispatcherServes(int32_t number);

// Escape iteration 1..MaxIter, or 0 when the point never escaped, the number
// is served by no kernel, or a point step was taken (orbital formulas, IFS).
int32_t CalcPoint(TFormulaContext* ctx, double x, double y);

// Whether a lane loop serves the context: fast arithmetic, a kernel that has
// one, and no filter or smoothing.
bool LanePathServes(const TFormulaContext* ctx);

// The escape values of the pixels (x, ys[i]), i < count, from the lane loop
// of the context's kernel (LanePathServes must hold). A floating-point fault
// the kernel does not absorb is left raised for the caller.
void LaneEscapeRun(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
