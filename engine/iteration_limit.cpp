// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/iteration_limit.h"

#include "engine/perturbation.h"

int32_t MaxIterLimitFor(const TFormulaContext& ctx, const TDeepWindow& window, int32_t width) {
  // The limit in force (0 before the first render) does not decide whether
  // the deep render would serve a raised one.
  TFormulaContext raised = ctx;
  raised.MaxIter = kDeepMaxIterLimit;
  return PerturbationServes(raised) && PastOrdinaryPrecision(window, width) ? kDeepMaxIterLimit : kMaxIterLimit;
}
