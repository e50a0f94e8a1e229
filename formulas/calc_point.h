#pragma once
// The dispatcher: one pixel (escape-time formulas) or one orbit step (orbital
// formulas, IFS) for the context's formula number.

#include <cstdint>

#include "formulas/formula_context.h"

// Escape iteration 1..MaxIter, or 0 when the point never escaped, the number
// is served by no kernel, or a point step was taken (orbital formulas, IFS).
int32_t CalcPoint(TFormulaContext* ctx, double x, double y);
