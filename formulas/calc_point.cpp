// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/calc_point.h"

#include "formulas/filters.h"
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
constexpr TKernelFn kFastKernels[] = {
    &Kernel0<double>, &Kernel1<double>, &Kernel2<double>, &Kernel3<double>, &Kernel4<double>, &Kernel5<double>,
    &Kernel6<double>, &Kernel7<double>, &Kernel8<double>, &Kernel9<double>, &Kernel10<double>, &Kernel11<double>,
    &Kernel12<double>, &Kernel13<double>, &Kernel14<double>, &Kernel15<double>, &Kernel16<double>, &Kernel17<double>,
    &Kernel18<double>, &Kernel19<double>, &Kernel20<double>, &Kernel21<double>, &Kernel22<double>, &Kernel23<double>,
    &Kernel24<double>, &Kernel25<double>, &Kernel26<double>, &Kernel27<double>, &Kernel28<double>, &Kernel29<double>,
    &Kernel30<double>, &Kernel31<double>, &Kernel32<double>, &Kernel33<double>, &Kernel34<double>, &Kernel35<double>,
    &Kernel36<double>, &Kernel37<double>, &Kernel38<double>, &Kernel39<double>, &Kernel40<double>, &Kernel41<double>,
    &Kernel42<double>, &Kernel43<double>, &Kernel44<double>, &Kernel45<double>, &Kernel46<double>, &Kernel47<double>,
    &Kernel48<double>, &Kernel49<double>, &Kernel50<double>, &Kernel51<double>, &Kernel52<double>, &Kernel53<double>,
    &Kernel54<double>, &Kernel55<double>, &Kernel56<double>, &Kernel57<double>, &Kernel58<double>, &Kernel59<double>,
    &Kernel60<double>, &Kernel61<double>, &Kernel62<double>, &Kernel63<double>, &Kernel64<double>, &Kernel65<double>,
    &Kernel66<double>, &Kernel67<double>, &Kernel68<double>, &Kernel69<double>, &Kernel70<double>, &Kernel71<double>,
    &Kernel72<double>, &Kernel73<double>, &Kernel74<double>, &Kernel75<double>, &Kernel76<double>};
constexpr int32_t kKernelCount = sizeof(kKernels) / sizeof(kKernels[0]);
static_assert(kKernelCount == kLastKernelFormula + 1);

using TLaneRunFn = void (*)(const TFormulaContext*, double, const double*, int32_t, int32_t*);

TLaneRunFn LaneRunOf(int32_t number) {
  switch (number) {
    case 5:
      return &Kernel5Lanes;
    case 6:
      return &Kernel6Lanes;
    case 7:
      return &Kernel7Lanes;
    case 8:
      return &Kernel8Lanes;
    case 14:
      return &Kernel14Lanes;
    case 15:
      return &Kernel15Lanes;
    case 17:
      return &Kernel17Lanes;
    case 21:
      return &Kernel21Lanes;
    case 24:
      return &Kernel24Lanes;
    case 25:
      return &Kernel25Lanes;
    case 30:
      return &Kernel30Lanes;
    case 57:
      return &Kernel57Lanes;
    case 69:
      return &Kernel69Lanes;
    case 74:
      return &Kernel74Lanes;
    case 76:
      return &Kernel76Lanes;
    default:
      return nullptr;
  }
}

}  // namespace

int32_t CalcPoint(TFormulaContext* ctx, double x, double y) {
  const int32_t number = ctx->Number;
  if (number >= 0 && number < kKernelCount)
    return ctx->FastArithmetic ? kFastKernels[number](ctx, x, y) : kKernels[number](ctx, x, y);
  if (number >= kFirstOrbitalFormula && number <= kLastOrbitalFormula) {
    OrbitalStep(ctx);
    return 0;
  }
  switch (number) {
    case kConstructorFormula:
      return ctx->FastArithmetic ? KernelConstructor<double>(ctx, x, y) : KernelConstructor(ctx, x, y);
    case kIFSFormula:
      IFSStep(ctx);
      return 0;
    case kUserFormula:
      return KernelUser(ctx, x, y);
    default:
      return 0;
  }
}

bool DispatcherServes(int32_t number) {
  if (number >= kFirstOrbitalFormula && number <= kLastOrbitalFormula) return number != kUnassignedOrbitalFormula;
  return (number >= 0 && number <= kLastKernelFormula) || number == kConstructorFormula || number == kIFSFormula ||
         number == kUserFormula;
}

bool LanePathServes(const TFormulaContext* ctx) {
  return ctx->FastArithmetic && !FiltersActive(ctx) && LaneRunOf(ctx->Number) != nullptr;
}

void LaneEscapeRun(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneRunOf(ctx->Number)(ctx, x, ys, count, escapes);
}
