// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The escape-time kernels, one function per formula number. Each has the
// signature of CalcPoint. Kernels 0..40, the constructor and the user formula
// live in kernels_classic.cpp, kernels 41..76 in kernels_extended.cpp.
//
// A kernel is written once over R, the type its steps compute in: Extended
// (the default, the exact path) or double (the fast path). Both are
// instantiated; z is stored as double between steps either way.

#include <cstdint>

#include "formulas/formula_context.h"
#include "formulas/numbers.h"

template <class R = Extended>
int32_t Kernel0(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel1(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel2(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel3(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel4(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel5(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel6(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel7(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel8(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel9(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel10(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel11(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel12(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel13(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel14(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel15(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel16(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel17(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel18(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel19(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel20(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel21(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel22(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel23(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel24(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel25(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel26(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel27(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel28(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel29(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel30(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel31(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel32(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel33(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel34(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel35(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel36(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel37(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel38(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel39(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel40(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel41(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel42(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel43(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel44(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel45(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel46(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel47(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel48(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel49(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel50(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel51(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel52(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel53(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel54(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel55(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel56(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel57(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel58(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel59(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel60(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel61(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel62(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel63(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel64(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel65(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel66(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel67(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel68(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel69(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel70(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel71(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel72(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel73(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel74(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel75(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t Kernel76(TFormulaContext* ctx, double x, double y);
template <class R = Extended>
int32_t KernelConstructor(TFormulaContext* ctx, double x, double y);
int32_t KernelUser(TFormulaContext* ctx, double x, double y);

// Lane loops of the fast path: the escape values of the pixels (x, ys[i]),
// i < count, of a column, several orbits in flight, as the scalar double
// kernel of the same number gives them. No filter or smoothing may be on; a
// fault the kernel does not absorb stays pending for the caller.
void Kernel5Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel6Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel7Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel8Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel14Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel15Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel17Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel21Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel24Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel25Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel30Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel57Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel69Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel74Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
void Kernel76Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes);
