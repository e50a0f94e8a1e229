#include "formulas/calc_point.h"

#include "formulas/kernels.h"
#include "formulas/orbital_steps.h"

namespace {

using TKernelFn = int32_t (*)(TFormulaContext*, double, double);

constexpr TKernelFn kKernels[] = {
    &Kernel0, &Kernel1, &Kernel2, &Kernel3, &Kernel4, &Kernel5,
    &Kernel6, &Kernel7, &Kernel8, &Kernel9, &Kernel10, &Kernel11,
    &Kernel12, &Kernel13, &Kernel14, &Kernel15, &Kernel16, &Kernel17,
    &Kernel18, &Kernel19, &Kernel20, &Kernel21, &Kernel22, &Kernel23,
    &Kernel24, &Kernel25, &Kernel26, &Kernel27, &Kernel28, &Kernel29,
    &Kernel30, &Kernel31, &Kernel32, &Kernel33, &Kernel34, &Kernel35,
    &Kernel36, &Kernel37, &Kernel38, &Kernel39, &Kernel40, &Kernel41,
    &Kernel42, &Kernel43, &Kernel44, &Kernel45, &Kernel46, &Kernel47,
    &Kernel48, &Kernel49, &Kernel50, &Kernel51, &Kernel52, &Kernel53,
    &Kernel54, &Kernel55, &Kernel56, &Kernel57, &Kernel58, &Kernel59,
    &Kernel60, &Kernel61, &Kernel62, &Kernel63, &Kernel64, &Kernel65,
    &Kernel66, &Kernel67, &Kernel68, &Kernel69, &Kernel70, &Kernel71,
    &Kernel72, &Kernel73, &Kernel74, &Kernel75, &Kernel76};
constexpr int32_t kKernelCount = sizeof(kKernels) / sizeof(kKernels[0]);

}  // namespace

int32_t CalcPoint(TFormulaContext* ctx, double x, double y) {
  const int32_t number = ctx->Number;
  if (number >= 0 && number < kKernelCount) return kKernels[number](ctx, x, y);
  if (number >= kFirstOrbitalFormula && number <= kLastOrbitalFormula) {
    OrbitalStep(ctx);
    return 0;
  }
  switch (number) {
    case kConstructorFormula:
      return KernelConstructor(ctx, x, y);
    case kIFSFormula:
      IFSStep(ctx);
      return 0;
    case kUserFormula:
      return KernelUser(ctx, x, y);
    default:
      return 0;
  }
}
