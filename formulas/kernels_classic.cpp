// Kernels 0..40, the constructor formula and the user formula.

#include "formulas/kernel_common.h"
#include "formulas/kernels.h"

int32_t Kernel0(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const double cx = s.cx, cy = s.cy;
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [cx, cy](double& zx, double& zy) {
                                            const Extended a = zx, b = zy;
                                            zx = double(a * a - b * b + cx);
                                            zy = double(2 * a * b + cy);
                                          });
}
