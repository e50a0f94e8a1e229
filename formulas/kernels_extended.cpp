// SPDX-License-Identifier: GPL-3.0-or-later
// Kernels 41..76.

#include "formulas/kernel_common.h"
#include "formulas/kernel_lanes.h"
#include "formulas/kernels.h"

namespace {

// Rounds a step's result back to the double z.
template <class R>
inline void Store(double& zx, double& zy, TCxOf<R> w) {
  zx = double(w.re);
  zy = double(w.im);
}

template <class R>
inline TCxOf<R> Round(TCxOf<R> w) {
  return {double(w.re), double(w.im)};
}

// Fixed escape limits of the kernels that do not read the bailout field.
constexpr Extended kBailout1000 = 1000;
constexpr Extended kBailout50 = 50;

// The Newton steps are named: the kernels and their lane loops share them.
template <class R>
struct TNewtonStep57 {  // Z1=Z^3-1; Z2=3*Z*Z; Z=Z-(P1*Z1/Z2)+C
  TCxOf<R> p1;
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z1 = Power(z, 3) - TCxOf<R>{1, 0}, z2 = 3 * z * z;
    return z - Div(p1 * z1, z2) + c;
  }
};

struct TNewtonStep69 {  // Z=Z-((Z^4-Z)/(4*Z^3-1))+C
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z3 = Power(z, 3);
    return z - Div(z3 * z - z, 4 * z3 - TCxOf<R>{1, 0}) + c;
  }
};

template <class R>
struct TNewtonStep74 {  // Z=Z-(Z^4-Z*P1)/(4*Z^3-Z*Z-P1)+C
  TCxOf<R> p1;
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z2 = z * z, z3 = z2 * z;
    return z - Div(z3 * z - z * p1, 4 * z3 - z2 - p1) + c;
  }
};

template <class R>
struct TNewtonStep76 {  // Z=Z-(Z^3+Z*Z-Z+C)/(3*Z*Z+2*Z-P1)+C
  TCxOf<R> p1;
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z2 = z * z;
    return z - Div(z2 * z + z2 - z + c, 3 * z2 + 2 * z - p1) + c;
  }
};

// A guarded kernel whose step is f(z, c), c the common constant.
template <class R, TExit Exit, class F>
int32_t NewtonKernel(TFormulaContext* ctx, double x, double y, R bailout, R tol, bool fsetAllowed, F f) {
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  return RunKernel<R, Exit, true>(ctx, x, y, s.zx, s.zy, bailout, tol, fsetAllowed,
                                  [c, f](double& zx, double& zy) { Store(zx, zy, f(ToCx<R>(zx, zy), c)); });
}

}  // namespace

template <class R>
int32_t Kernel41(TFormulaContext* ctx, double x, double y) {  // z = c * sin(z) / P1
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [c, p1](double& zx, double& zy) {
                                           Store(zx, zy, Div(c * Sin(ToCx<R>(zx, zy)), p1));
                                         });
}

template <class R>
int32_t Kernel42(TFormulaContext* ctx, double x, double y) {  // Z1=Z°, Z2=P1: T=Z1*Z+Z2; Z2=Z; Z=Z1; Z1=T
  const TKernelStart s = CommonStart(ctx, x, y, false);
  TCxOf<R> z1 = ToCx<R>(s.zx, s.zy), z2 = Round(ToCx<R>(ctx->P1));
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [z1, z2](double& zx, double& zy) mutable {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           const TCxOf<R> t = Round(z1 * z + z2);
                                           z2 = z;
                                           Store(zx, zy, z1);
                                           z1 = t;
                                         });
}

template <class R>
int32_t Kernel43(TFormulaContext* ctx, double x, double y) {  // C°=Sin(Z°): Z=Z*Z+C; Z=Z*Z/C
  const TKernelStart s = CommonStart(ctx, x, y);
  // The constant is the sine of the usual start constant: of the Julia point
  // in Julia mode, of the start point otherwise.
  const TCxOf<R> c = Round(Sin(ToCx<R>(s.cx, s.cy)));
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [c](double& zx, double& zy) {
                                           const TCxOf<R> w = Sqr(ToCx<R>(zx, zy)) + c;
                                           Store(zx, zy, Div(Sqr(w), c));
                                         });
}

template <class R>
int32_t Kernel44(TFormulaContext* ctx, double x, double y) {  // C=P*P/Z+Z; Z=(P*C)^2, P the raw pixel
  const TKernelStart s = CommonStart(ctx, x, y, false);
  const TCxOf<R> p = ToCx<R>(x, y), p2 = p * p;
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [p, p2](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           const TCxOf<R> c = Div(p2, z) + z;
                                           Store(zx, zy, Sqr(p * c));
                                         });
}

template <class R>
int32_t Kernel45(TFormulaContext* ctx, double x, double y) {  // Z=Log(real(P1)*C*Z) + Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  const R p1r = ctx->P1.re;
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [c, p1r](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           Store(zx, zy, Log(p1r * c * z) + z);
                                         });
}

template <class R>
int32_t Kernel46(TFormulaContext* ctx, double x, double y) {  // C°=Z°: Z=Z*Z+C; C=C*P1+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx<R>(s.cx, s.cy), p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Sqr(ToCx<R>(zx, zy)) + c);
                                           c = Round(c * p1 + ToCx<R>(zx, zy));
                                         });
}

template <class R>
int32_t Kernel47(TFormulaContext* ctx, double x, double y) {  // C°=Z°: Z=Z*Z*Z+C; C=C*P1+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx<R>(s.cx, s.cy), p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Power(ToCx<R>(zx, zy), 3) + c);
                                           c = Round(c * p1 + ToCx<R>(zx, zy));
                                         });
}

template <class R>
int32_t Kernel48(TFormulaContext* ctx, double x, double y) {  // C°=Z°; Z1°=0: Z=Z*Z+Z1; Z1=C-Z; C=C*P1
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx<R>(s.cx, s.cy), z1 = TCxOf<R>{}, p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Sqr(ToCx<R>(zx, zy)) + z1);
                                           z1 = Round(c - ToCx<R>(zx, zy));
                                           c = Round(c * p1);
                                         });
}

template <class R>
int32_t Kernel49(TFormulaContext* ctx, double x, double y) {  // inv=1/pixel+P1: Z=Cosh(inv/Z)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  // The conjugate of the raw pixel over the squared modulus of the start
  // point: 1/pixel outside inverted mode. No guard: the pixel (0, 0) faults.
  const R m = R(s.zx) * s.zx + R(s.zy) * s.zy;
  const TCxOf<R> inv = Round(TCxOf<R>{x / m, -y / m} + ToCx<R>(ctx->P1));
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, inv](double& zx, double& zy) {
                                           Store(zx, zy, Cosh(DivPlain(inv, ToCx<R>(zx, zy))) + c);
                                         });
}

template <class R>
int32_t Kernel50(TFormulaContext* ctx, double x, double y) {  // Z=C/(Z*Z)+C+P1; Z=(Sin(Z)+P2)*Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1), p2 = ToCx<R>(ctx->P2);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCxOf<R> w = DivPlain(c, Sqr(ToCx<R>(zx, zy))) + c + p1;
                                           Store(zx, zy, (Sin(w) + p2) * w);
                                         });
}

template <class R>
int32_t Kernel51(TFormulaContext* ctx, double x, double y) {  // Z=Sin((Z-1)*(Z-1)*(Z+1)) - C*P1 + P2
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), cp1 = c * ToCx<R>(ctx->P1), p2 = ToCx<R>(ctx->P2);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [cp1, p2](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy), zm = z - TCxOf<R>{1, 0};
                                           Store(zx, zy, Sin(zm * zm * (z + TCxOf<R>{1, 0})) - cp1 + p2);
                                         });
}

template <class R>
int32_t Kernel52(TFormulaContext* ctx, double x, double y) {  // Z=Z+C+P1; Z=Z*Sin((1/C)/(1/Z))
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1), invC = Recip(c);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, invC](double& zx, double& zy) {
                                           const TCxOf<R> w = ToCx<R>(zx, zy) + c + p1;
                                           Store(zx, zy, w * Sin(Div(invC, Recip(w))));
                                         });
}

template <class R>
int32_t Kernel53(TFormulaContext* ctx, double x, double y) {  // Z°=P1/Z°, X=Sin(C°): Z=(Z*Z+X)*P2/X
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> sx = Round(Sin(ToCx<R>(s.cx, s.cy))), p2 = ToCx<R>(ctx->P2);
  // The new start point: its imaginary part is formed from the real part just
  // computed, not from the old one.
  const R d = R(s.zx) * s.zx + R(s.zy) * s.zy + R(1e-10L);
  const double zx0 = double((ctx->P1.re * s.zx + ctx->P1.im * s.zy) / d);
  const double zy0 = double((ctx->P1.im * zx0 - ctx->P1.re * s.zy) / d);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, zx0, zy0, ContextBailout(ctx), kLooseTolerance, true,
                                         [sx, p2](double& zx, double& zy) {
                                           Store(zx, zy, Div((Sqr(ToCx<R>(zx, zy)) + sx) * p2, sx));
                                         });
}

namespace {

// The "Dorvik #105" kernels: Z = Sin(C / f(Z)).
template <class R, class F>
int32_t SinOfCOver(TFormulaContext* ctx, double x, double y, F f) {
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, f](double& zx, double& zy) {
                                           Store(zx, zy, Sin(Div(c, f(ToCx<R>(zx, zy)))));
                                         });
}

}  // namespace

template <class R>
int32_t Kernel54(TFormulaContext* ctx, double x, double y) {  // Z=Sin(C/Sinh(Z))
  return SinOfCOver<R>(ctx, x, y, [](TCxOf<R> z) { return Sinh(z); });
}

template <class R>
int32_t Kernel55(TFormulaContext* ctx, double x, double y) {  // Z=Sin(C/Sin(Z))
  return SinOfCOver<R>(ctx, x, y, [](TCxOf<R> z) { return Sin(z); });
}

template <class R>
int32_t Kernel56(TFormulaContext* ctx, double x, double y) {  // Z=Sin(C/Conj(Z))
  return SinOfCOver<R>(ctx, x, y, [](TCxOf<R> z) { return Conj(z); });
}

template <class R>
int32_t Kernel57(TFormulaContext* ctx, double x, double y) {
  return NewtonKernel<R, TExit::Bailout>(ctx, x, y, ContextBailout(ctx), kLooseTolerance, true,
                                         TNewtonStep57<R>{ToCx<R>(ctx->P1)});
}

template <class R>
int32_t Kernel58(TFormulaContext* ctx, double x, double y) {  // t=Z; Z=Z^3-C; C=t
  const TKernelStart s = CommonStart(ctx, x, y);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx<R>(s.cx, s.cy)](double& zx, double& zy) mutable {
                                           const TCxOf<R> t = ToCx<R>(zx, zy);
                                           Store(zx, zy, Power(t, 3) - c);
                                           c = t;
                                         });
}

template <class R>
int32_t Kernel59(TFormulaContext* ctx, double x, double y) {  // Z=(cabs(Z)/Z^4) - Z + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           // cabs is the point (|x|, |y|), not the modulus.
                                           const TCxOf<R> a{std::fabs(zx), std::fabs(zy)};
                                           Store(zx, zy, Div(a, Sqr(Sqr(z))) - z + c);
                                         });
}

template <class R>
int32_t Kernel60(TFormulaContext* ctx, double x, double y) {  // A=3*Z°*Z°: Z=Z^3 - A*Z + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  const TCxOf<R> a = Round(3 * Sqr(ToCx<R>(s.zx, s.zy)));  // from the start point, also in Julia mode
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, a](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           Store(zx, zy, Power(z, 3) - a * z + c);
                                         });
}

template <class R>
int32_t Kernel61(TFormulaContext* ctx, double x, double y) {  // Z=Log(Z)/Sin(Z) + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, kBailout50, kLooseTolerance, true,
                                         [c](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           Store(zx, zy, Div(Log(z), Sin(z)) + c);
                                         });
}

template <class R>
int32_t Kernel62(TFormulaContext* ctx, double x, double y) {  // real cubic map of P1, P2
  const TKernelStart s = CommonStart(ctx, x, y, false);
  const R p1r = ctx->P1.re, p1i = ctx->P1.im, p2i = ctx->P2.im;
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [p1r, p1i, p2i](double& zx, double& zy) {
                                           const R a = zx, b = zy;
                                           zx = double(p1r * 6 * a * b * b - a * a * a + p1r + R(0.6L));
                                           zy = double(b * b * b - p2i * 6 * a * a * b + p1i - R(0.5L));
                                         });
}

template <class R>
int32_t Kernel63(TFormulaContext* ctx, double x, double y) {  // Z=Z^4*(C-P1) - C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), cp = c - ToCx<R>(ctx->P1);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, cp](double& zx, double& zy) {
                                           Store(zx, zy, Power(ToCx<R>(zx, zy), 4) * cp - c);
                                         });
}

template <class R>
int32_t Kernel64(TFormulaContext* ctx, double x, double y) {  // Z=(Z^3+P1)/(Z*Z+P2)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1), p2 = ToCx<R>(ctx->P2);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy), z2 = z * z;
                                           Store(zx, zy, Div(z2 * z + p1, z2 + p2) + c);
                                         });
}

template <class R>
int32_t Kernel65(TFormulaContext* ctx, double x, double y) {  // Z=(Z^4+P1)/(Z*Z-Z+P2)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1), p2 = ToCx<R>(ctx->P2);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy), z2 = z * z;
                                           Store(zx, zy, Div(z2 * z2 + p1, z2 - z + p2) + c);
                                         });
}

template <class R>
int32_t Kernel66(TFormulaContext* ctx, double x, double y) {  // Z=(Z*Z-Z+P1)/(Z+P2)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1), p2 = ToCx<R>(ctx->P2);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           Store(zx, zy, Div(z * z - z + p1, z + p2) + c);
                                         });
}

template <class R>
int32_t Kernel67(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z+C; C=(C*C)/(C+P1)+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx<R>(s.cx, s.cy), p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Sqr(ToCx<R>(zx, zy)) + c);
                                           c = Round(Div(c * c, c + p1) + ToCx<R>(zx, zy));
                                         });
}

template <class R>
int32_t Kernel68(TFormulaContext* ctx, double x, double y) {  // Z=Z-Exp(Z*P2)*((Z^3-P1)/(3*Z*Z))+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1), p2 = ToCx<R>(ctx->P2);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCxOf<R> z = ToCx<R>(zx, zy);
                                           Store(zx, zy, z - Exp(z * p2) * Div(Power(z, 3) - p1, 3 * z * z) + c);
                                         });
}

template <class R>
int32_t Kernel69(TFormulaContext* ctx, double x, double y) {
  return NewtonKernel<R, TExit::Converge>(ctx, x, y, 0, kLooseTolerance, false, TNewtonStep69{});
}

template <class R>
int32_t Kernel70(TFormulaContext* ctx, double x, double y) {  // Z=Z-(Z^5+Z^4*C-Sin(Z))/(5*Z^4+4*Z^3*C-Cos(Z))
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  return RunKernel<R, TExit::Converge, true>(ctx, x, y, s.zx, s.zy, 0, kLooseTolerance, false,
                                          [c](double& zx, double& zy) {
                                            const TCxOf<R> z = ToCx<R>(zx, zy), z3 = Power(z, 3), z4 = z3 * z;
                                            const TCxOf<R> num = z4 * z + z4 * c - Sin(z);
                                            const TCxOf<R> den = 5 * z4 + 4 * z3 * c - Cos(z);
                                            Store(zx, zy, z - Div(num, den));
                                          });
}

template <class R>
int32_t Kernel71(TFormulaContext* ctx, double x, double y) {  // z2=0: z1=Z; Z=Z*Z+Re C+Im C*z2; z2=z1
  const TKernelStart s = CommonStart(ctx, x, y);
  const R cr = s.cx, ci = s.cy;
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                          [cr, ci, mx = 0.0, my = 0.0](double& zx, double& zy) mutable {
                                            const R a = zx, b = zy;
                                            // The imaginary part is formed from the new real part.
                                            zx = double(a * a - b * b + cr + ci * mx);
                                            zy = double(2 * R(zx) * b + ci * my);
                                            mx = double(a);
                                            my = double(b);
                                          });
}

template <class R>
int32_t Kernel72(TFormulaContext* ctx, double x, double y) {  // Z=Cos(Z*P1)*C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), p1 = ToCx<R>(ctx->P1);
  return RunKernel<R, TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, kBailout1000, kTightTolerance, true,
                                         [c, p1](double& zx, double& zy) {
                                           Store(zx, zy, Cos(ToCx<R>(zx, zy) * p1) * c);
                                         });
}

template <class R>
int32_t Kernel73(TFormulaContext* ctx, double x, double y) {  // Z=(Z-(Z^3-1)/(3*Z*Z))^3*C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [c](double& zx, double& zy) {
                                            // Only the Newton step is guarded: a fault there
                                            // makes its result 0 and the iteration goes on. A
                                            // fault already pending is left for the caller.
                                            FpSettle(zx, zy);  // faults of the previous step first
                                            const bool clean = !FaultPending();
                                            const TCxOf<R> z = ToCx<R>(zx, zy);
                                            TCxOf<R> w = z - Div(Power(z, 3) - TCxOf<R>{1, 0}, 3 * z * z);
                                            FpSettle(w);
                                            if (clean && FaultPending()) {
                                              ClearFaults();
                                              w = TCxOf<R>{};
                                            }
                                            Store(zx, zy, Power(w, 3) * c);
                                          });
}

template <class R>
int32_t Kernel74(TFormulaContext* ctx, double x, double y) {
  return NewtonKernel<R, TExit::Bailout>(ctx, x, y, ContextBailout(ctx), kTightTolerance, true,
                                         TNewtonStep74<R>{ToCx<R>(ctx->P1)});
}

template <class R>
int32_t Kernel75(TFormulaContext* ctx, double x, double y) {  // Cos(Z)/(Z*Z) + 1/C
  const TKernelStart s = CommonStart(ctx, x, y);
  // The conjugate of the raw pixel over the squared modulus of c: 1/c outside
  // Julia and inverted mode.
  const R m = R(s.cx) * s.cx + R(s.cy) * s.cy + R(1e-10L);
  const TCxOf<R> term{x / m, -y / m};
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, kBailout1000, kTightTolerance, true,
                                          [term](double& zx, double& zy) {
                                            const TCxOf<R> z = ToCx<R>(zx, zy);
                                            Store(zx, zy, Div(Cos(z), Sqr(z)) + term);
                                          });
}

template <class R>
int32_t Kernel76(TFormulaContext* ctx, double x, double y) {
  return NewtonKernel<R, TExit::BailoutAndConverge>(ctx, x, y, ContextBailout(ctx), kLooseTolerance, false,
                                                    TNewtonStep76<R>{ToCx<R>(ctx->P1)});
}

// Both arithmetic types of every kernel.
PX_INSTANTIATE_KERNEL(Kernel41);
PX_INSTANTIATE_KERNEL(Kernel42);
PX_INSTANTIATE_KERNEL(Kernel43);
PX_INSTANTIATE_KERNEL(Kernel44);
PX_INSTANTIATE_KERNEL(Kernel45);
PX_INSTANTIATE_KERNEL(Kernel46);
PX_INSTANTIATE_KERNEL(Kernel47);
PX_INSTANTIATE_KERNEL(Kernel48);
PX_INSTANTIATE_KERNEL(Kernel49);
PX_INSTANTIATE_KERNEL(Kernel50);
PX_INSTANTIATE_KERNEL(Kernel51);
PX_INSTANTIATE_KERNEL(Kernel52);
PX_INSTANTIATE_KERNEL(Kernel53);
PX_INSTANTIATE_KERNEL(Kernel54);
PX_INSTANTIATE_KERNEL(Kernel55);
PX_INSTANTIATE_KERNEL(Kernel56);
PX_INSTANTIATE_KERNEL(Kernel57);
PX_INSTANTIATE_KERNEL(Kernel58);
PX_INSTANTIATE_KERNEL(Kernel59);
PX_INSTANTIATE_KERNEL(Kernel60);
PX_INSTANTIATE_KERNEL(Kernel61);
PX_INSTANTIATE_KERNEL(Kernel62);
PX_INSTANTIATE_KERNEL(Kernel63);
PX_INSTANTIATE_KERNEL(Kernel64);
PX_INSTANTIATE_KERNEL(Kernel65);
PX_INSTANTIATE_KERNEL(Kernel66);
PX_INSTANTIATE_KERNEL(Kernel67);
PX_INSTANTIATE_KERNEL(Kernel68);
PX_INSTANTIATE_KERNEL(Kernel69);
PX_INSTANTIATE_KERNEL(Kernel70);
PX_INSTANTIATE_KERNEL(Kernel71);
PX_INSTANTIATE_KERNEL(Kernel72);
PX_INSTANTIATE_KERNEL(Kernel73);
PX_INSTANTIATE_KERNEL(Kernel74);
PX_INSTANTIATE_KERNEL(Kernel75);
PX_INSTANTIATE_KERNEL(Kernel76);

void Kernel57Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneEscapeRunOf<TExit::Bailout, true>(ctx, x, ys, count, ContextBailout(ctx), kLooseTolerance, true,
                                        TNewtonStep57<double>{ToCx<double>(ctx->P1)}, escapes);
}
void Kernel69Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneEscapeRunOf<TExit::Converge, true>(ctx, x, ys, count, 0, kLooseTolerance, false, TNewtonStep69{}, escapes);
}
void Kernel74Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneEscapeRunOf<TExit::Bailout, true>(ctx, x, ys, count, ContextBailout(ctx), kTightTolerance, true,
                                        TNewtonStep74<double>{ToCx<double>(ctx->P1)}, escapes);
}
void Kernel76Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneEscapeRunOf<TExit::BailoutAndConverge, true>(ctx, x, ys, count, ContextBailout(ctx), kLooseTolerance, false,
                                                   TNewtonStep76<double>{ToCx<double>(ctx->P1)}, escapes);
}
