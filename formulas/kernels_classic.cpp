// SPDX-License-Identifier: GPL-3.0-or-later
// Kernels 0..40, the constructor formula and the user formula.
//
// Every step works on TCx (extended precision) and rounds the new z, and any
// c or memory the formula updates, back to double.

#include "formulas/kernel_common.h"
#include "formulas/kernel_lanes.h"
#include "formulas/kernels.h"

namespace {

template <class R>
inline void Store(TCxOf<R> w, double& x, double& y) {
  x = double(w.re);
  y = double(w.im);
}

// The usual kernel whose step only needs z and the constant c.
template <class R, TExit Exit, bool Guarded, class F>
int32_t PlainKernel(TFormulaContext* ctx, double x, double y, R bailout, R tol, F f, bool honoursJulia = true) {
  const TKernelStart s = CommonStart(ctx, x, y, honoursJulia);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  return RunKernel<R, Exit, Guarded>(ctx, x, y, s.zx, s.zy, bailout, tol, true,
                                     [c, f](double& zx, double& zy) { Store(f(ToCx<R>(zx, zy), c), zx, zy); });
}

// The step updates z and c, c starting as the common constant ("C°=Z°"):
// fz gives the new z, then fc the new c from the old z, the new z (as stored)
// and the old c.
template <class R, bool Guarded, class FZ, class FC>
int32_t KernelWithC(TFormulaContext* ctx, double x, double y, R bailout, FZ fz, FC fc) {
  const TKernelStart s = CommonStart(ctx, x, y);
  double cx = s.cx, cy = s.cy;
  return RunKernel<R, TExit::Bailout, Guarded>(ctx, x, y, s.zx, s.zy, bailout, kTightTolerance, true,
                                               [cx, cy, fz, fc](double& zx, double& zy) mutable {
                                                 const TCxOf<R> z = ToCx<R>(zx, zy), c = ToCx<R>(cx, cy);
                                                 Store(fz(z, c), zx, zy);
                                                 Store(fc(z, ToCx<R>(zx, zy), c), cx, cy);
                                               });
}

}  // namespace

template <class R>
int32_t Kernel0(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const double cx = s.cx, cy = s.cy;
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [cx, cy](double& zx, double& zy) {
                                            const R a = zx, b = zy;
                                            zx = double(a * a - b * b + cx);
                                            zy = double(2 * a * b + cy);
                                          });
}

template <class R>
int32_t Kernel1(TFormulaContext* ctx, double x, double y) {  // Z=Z^3 + C
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCxOf<R> z, TCxOf<R> c) { return Sqr(z) * z + c; });
}

template <class R>
int32_t Kernel2(TFormulaContext* ctx, double x, double y) {  // Z=Z^4 + C
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCxOf<R> z, TCxOf<R> c) { return Sqr(Sqr(z)) + c; });
}

template <class R>
int32_t Kernel3(TFormulaContext* ctx, double x, double y) {  // Z=Z^5 + C
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCxOf<R> z, TCxOf<R> c) { return Sqr(Sqr(z)) * z + c; });
}

template <class R>
int32_t Kernel4(TFormulaContext* ctx, double x, double y) {  // Z=Z^8 + C
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCxOf<R> z, TCxOf<R> c) { return Sqr(Sqr(Sqr(z))) + c; });
}

namespace {

// The polynomial steps are named: the kernels and their lane loops share them.
struct TStep5 {  // Z=Z*Z*Z + Z*Z + C
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z2 = Sqr(z);
    return z2 * z + z2 + c;
  }
};

struct TStep6 {  // Z=Z*Z*Z + Z*Z + 2*Z + C
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z2 = Sqr(z);
    return z2 * z + z2 + 2 * z + c;
  }
};

struct TStep7 {  // Z=Z*Z+ Z+ C
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    return Sqr(z) + z + c;
  }
};

struct TStep8 {  // Z=Z*Z + pixel + C
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c, TCxOf<R> pixel) const {
    return Sqr(z) + pixel + c;
  }
};

}  // namespace

template <class R>
int32_t Kernel5(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, TStep5{});
}

template <class R>
int32_t Kernel6(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, TStep6{});
}

template <class R>
int32_t Kernel7(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, TStep7{});
}

template <class R>
int32_t Kernel8(TFormulaContext* ctx, double x, double y) {
  // The pixel term is the raw pixel, also in inverted mode.
  const TCxOf<R> pixel = ToCx<R>(x, y);
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [pixel](TCxOf<R> z, TCxOf<R> c) { return TStep8{}(z, c, pixel); });
}

template <class R>
int32_t Kernel9(TFormulaContext* ctx, double x, double y) {  // Spider: Z=Z*Z+C+Julie; C=C/2+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  // c starts at the start point in both modes; Julia mode only sets "Julie".
  const TCxOf<R> julie = ToCx<R>(s.cx, s.cy);
  double cx = s.zx, cy = s.zy;
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [julie, cx, cy](double& zx, double& zy) mutable {
                                            const TCxOf<R> c = ToCx<R>(cx, cy);
                                            const TCxOf<R> z = Sqr(ToCx<R>(zx, zy)) + c + julie;
                                            Store(z, zx, zy);
                                            Store(R(0.5L) * c + ToCx<R>(zx, zy), cx, cy);
                                          });
}

template <class R>
int32_t Kernel10(TFormulaContext* ctx, double x, double y) {  // BarnsleyM1
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, [](TCxOf<R> z, TCxOf<R> c) {
    const TCxOf<R> one{1, 0};
    return (z.re > 0 ? z - one : z + one) * c;
  });
}

template <class R>
int32_t Kernel11(TFormulaContext* ctx, double x, double y) {  // Sierpinski
  return PlainKernel<R, TExit::Bailout, false>(
      ctx, x, y, ContextBailout(ctx), kTightTolerance,
      [](TCxOf<R> z, TCxOf<R>) -> TCxOf<R> {
        if (z.im > R(0.5L)) return {2 * z.re, 2 * z.im - 1};
        if (z.re > R(0.5L)) return {2 * z.re - 1, 2 * z.im};
        return {2 * z.re, 2 * z.im};
      },
      false);
}

template <class R>
int32_t Kernel12(TFormulaContext* ctx, double x, double y) {  // Manowar: Z=Z*Z+Z1+Z°; Z1=Z
  // Z1 carries the z before the step, so the step reads two generations of
  // z; taking the new z instead would make this "Z=Z*Z+Z+C" (kernel 7).
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  double z1x = s.zx, z1y = s.zy;
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [c, z1x, z1y](double& zx, double& zy) mutable {
                                            const double oldx = zx, oldy = zy;
                                            Store(Sqr(ToCx<R>(zx, zy)) + ToCx<R>(z1x, z1y) + c, zx, zy);
                                            z1x = oldx;
                                            z1y = oldy;
                                          });
}

template <class R>
int32_t Kernel13(TFormulaContext* ctx, double x, double y) {  // Tangent: Z=Z*tan(Z)+Z°
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCxOf<R> z, TCxOf<R> c) { return z * DivPlain(Sin(z), Cos(z)) + c; });
}

namespace {

// The Newton steps are named: the kernels and their lane loops share them.
struct TNewtonStep14 {  // Z=Z-((Z*Z-Z)/(2*Z-1))+Z°
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    return z - DivPlain(Sqr(z) - z, 2 * z - TCxOf<R>{1, 0}) + c;
  }
};

struct TNewtonStep15 {  // Z=Z-((Z^3-Z)/(3*Z*Z-1))+Z°
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z2 = Sqr(z);
    return z - DivPlain(z2 * z - z, 3 * z2 - TCxOf<R>{1, 0}) + c;
  }
};

struct TNewtonStep24 {  // Z=Z-(Z*Z*Z*Z°-Z*Z°-1)/(3*Z*Z*Z°)
  template <class R>
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const {
    const TCxOf<R> z2 = Sqr(z);
    return z - Div(z2 * z * c - z * c - TCxOf<R>{1, 0}, 3 * z2 * c);
  }
};

}  // namespace

template <class R>
int32_t Kernel14(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Converge, false>(ctx, x, y, 0, kTightTolerance, TNewtonStep14{});
}

template <class R>
int32_t Kernel15(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Converge, false>(ctx, x, y, 0, kTightTolerance, TNewtonStep15{});
}

template <class R>
int32_t Kernel16(TFormulaContext* ctx, double x, double y) {  // Test
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, ContextBailout(ctx), kLooseTolerance, [](TCxOf<R> z, TCxOf<R> c) {
    const TCxOf<R> z2 = Sqr(z);
    return TCxOf<R>{z.re >= 0 ? z2.re - c.re : z2.re + c.re, z.im >= 0 ? z2.im - c.im : z2.im + c.im};
  });
}

namespace {

template <class R>
struct TStep17 {  // Z=Z*Z + C + P1
  TCxOf<R> p1;
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const { return Sqr(z) + c + p1; }
};

template <class R>
struct TStep21 {  // Talis: Z=(Z*Z)/(P1+Z)+C
  TCxOf<R> p1;
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const { return Div(Sqr(z), p1 + z) + c; }
};

template <class R>
struct TStep25 {  // Z=(Z*Z/P1 + Z°)^2
  TCxOf<R> p1;
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const { return Sqr(Div(Sqr(z), p1) + c); }
};

template <class R>
struct TStep30 {  // Z=(Z*Z+P1)*Z°
  TCxOf<R> p1;
  TCxOf<R> operator()(TCxOf<R> z, TCxOf<R> c) const { return (Sqr(z) + p1) * c; }
};

}  // namespace

template <class R>
int32_t Kernel17(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            TStep17<R>{ToCx<R>(ctx->P1)});
}

template <class R>
int32_t Kernel18(TFormulaContext* ctx, double x, double y) {  // Julia PNS: Z=Conj(-Z*Z) + P1
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return PlainKernel<R, TExit::Bailout, false>(
      ctx, x, y, ContextBailout(ctx), kTightTolerance, [p1](TCxOf<R> z, TCxOf<R>) { return Conj(-Sqr(z)) + p1; }, false);
}

template <class R>
int32_t Kernel19(TFormulaContext* ctx, double x, double y) {  // Z=Z^P1 + C
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                           [p1](TCxOf<R> z, TCxOf<R> c) { return Pow(z, p1) + c; });
}

template <class R>
int32_t Kernel20(TFormulaContext* ctx, double x, double y) {  // Quartic "phoenix"
  // The start point is the pixel moved by +1 on the real axis (inverted
  // after the move); c follows from it as usual.
  const TKernelStart s = CommonStart(ctx, x + 1, y);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  double mx = 0, my = 0;  // the phoenix memory Y
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, 1000, kTightTolerance, false,
                                          [c, mx, my](double& zx, double& zy) mutable {
                                            const TCxOf<R> z = ToCx<R>(zx, zy);
                                            const TCxOf<R> h = Sqr(z) - R(0.5L) * z + c;
                                            Store(Sqr(h) - R(0.5L) * ToCx<R>(mx, my) + c, zx, zy);
                                            Store(h, mx, my);
                                          });
}

template <class R>
int32_t Kernel21(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            TStep21<R>{ToCx<R>(ctx->P1)});
}

template <class R>
int32_t Kernel22(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z)*Cos(Z°)
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCxOf<R> cosC = Cos(ToCx<R>(s.cx, s.cy));
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, 1000, kTightTolerance, true,
                                          [cosC](double& zx, double& zy) { Store(Sin(ToCx<R>(zx, zy)) * cosC, zx, zy); });
}

template <class R>
int32_t Kernel23(TFormulaContext* ctx, double x, double y) {  // Nelmira 14: Z=(Sin(Z*Z)*Z/2)^2+Z°
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCxOf<R> z, TCxOf<R> c) { return Sqr(R(0.5L) * (Sin(Sqr(z)) * z)) + c; });
}

template <class R>
int32_t Kernel24(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Converge, false>(ctx, x, y, 0, kTightTolerance, TNewtonStep24{});
}

template <class R>
int32_t Kernel25(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            TStep25<R>{ToCx<R>(ctx->P1)});
}

template <class R>
int32_t Kernel26(TFormulaContext* ctx, double x, double y) {  // Z=Sin((Z+(Z*Z)/P1.real)) + Z°
  const R p = ctx->P1.re;                              // no guard: P1.re = 0 spoils the pixel
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, [p](TCxOf<R> z, TCxOf<R> c) {
    const TCxOf<R> z2 = Sqr(z);
    return Sin(z + TCxOf<R>{z2.re / p, z2.im / p}) + c;
  });
}

template <class R>
int32_t Kernel27(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z*P1)* Z°
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance,
                                           [p1](TCxOf<R> z, TCxOf<R> c) { return Sin(z * p1) * c; });
}

template <class R>
int32_t Kernel28(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z*Z°*P1)
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance,
                                           [p1](TCxOf<R> z, TCxOf<R> c) { return Sin(z * c * p1); });
}

template <class R>
int32_t Kernel29(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z*Z)* Z°
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance,
                                           [](TCxOf<R> z, TCxOf<R> c) { return Sin(Sqr(z)) * c; });
}

template <class R>
int32_t Kernel30(TFormulaContext* ctx, double x, double y) {
  return PlainKernel<R, TExit::Bailout, false>(ctx, x, y, 1000, kTightTolerance, TStep30<R>{ToCx<R>(ctx->P1)});
}

template <class R>
int32_t Kernel31(TFormulaContext* ctx, double x, double y) {  // Z=(Z*Z*Sin(Z*Z)+P1)*Z°
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance, [p1](TCxOf<R> z, TCxOf<R> c) {
    const TCxOf<R> z2 = Sqr(z);
    return (z2 * Sin(z2) + p1) * c;
  });
}

template <class R>
int32_t Kernel32(TFormulaContext* ctx, double x, double y) {  // Z2=Z; Z=Sin(Z)-C; C=2/(100*Z2)
  return KernelWithC<R, true>(
      ctx, x, y, 1000, [](TCxOf<R> z, TCxOf<R> c) { return Sin(z) - c; },
      [](TCxOf<R> z2, TCxOf<R>, TCxOf<R>) {
        return Div({2, 0}, 100 * z2);
      });
}

template <class R>
int32_t Kernel33(TFormulaContext* ctx, double x, double y) {  // Z=(1-C)*sqr(Z)+(C*Z^3); C=C+P1
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return KernelWithC<R, true>(
      ctx, x, y, ContextBailout(ctx),
      [](TCxOf<R> z, TCxOf<R> c) {
        return (TCxOf<R>{1, 0} - c) * SqrtUpper(z) + c * (Sqr(z) * z);
      },
      [p1](TCxOf<R>, TCxOf<R>, TCxOf<R> c) { return c + p1; });
}

template <class R>
int32_t Kernel34(TFormulaContext* ctx, double x, double y) {  // Z = P2*Z*Z - P1*Z + C
  const TCxOf<R> p1 = ToCx<R>(ctx->P1), p2 = ToCx<R>(ctx->P2);
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                           [p1, p2](TCxOf<R> z, TCxOf<R> c) { return p2 * Sqr(z) - p1 * z + c; });
}

template <class R>
int32_t Kernel35(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z+C; C=Flip(C)
  return KernelWithC<R, true>(
      ctx, x, y, ContextBailout(ctx), [](TCxOf<R> z, TCxOf<R> c) { return Sqr(z) + c; },
      [](TCxOf<R>, TCxOf<R>, TCxOf<R> c) {
        return TCxOf<R>{c.im, c.re};
      });
}

template <class R>
int32_t Kernel36(TFormulaContext* ctx, double x, double y) {  // Z°=C°=2/pixel: Z=Z^real(P1)*C^imag(P1)+C
  TKernelStart s = CommonStart(ctx, x, y);
  Store(Div({2, 0}, ToCx<R>(s.zx, s.zy)), s.zx, s.zy);
  if (!ctx->JulieSet) {
    s.cx = s.zx;
    s.cy = s.zy;
  }
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy);
  const TCxOf<R> pr{R(ctx->P1.re), 0};
  const TCxOf<R> cPow = Pow(c, TCxOf<R>{R(ctx->P1.im), 0});
  return RunKernel<R, TExit::Bailout, true>(
      ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
      [c, pr, cPow](double& zx, double& zy) { Store(Pow(ToCx<R>(zx, zy), pr) * cPow + c, zx, zy); });
}

template <class R>
int32_t Kernel37(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z+C; C=P1/Z-C
  const TCxOf<R> p1 = ToCx<R>(ctx->P1);
  return KernelWithC<R, true>(
      ctx, x, y, ContextBailout(ctx), [](TCxOf<R> z, TCxOf<R> c) { return Sqr(z) + c; },
      [p1](TCxOf<R>, TCxOf<R> z, TCxOf<R> c) { return Div(p1, z) - c; });
}

template <class R>
int32_t Kernel38(TFormulaContext* ctx, double x, double y) {  // Bessel 1: Z=Sin(Z) / Z * Z°
  return PlainKernel<R, TExit::Bailout, true>(ctx, x, y, 100, kTightTolerance,
                                           [](TCxOf<R> z, TCxOf<R> c) { return Div(Sin(z), z) * c; });
}

template <class R>
int32_t Kernel39(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z-C; C=C*C-Z
  return KernelWithC<R, true>(
      ctx, x, y, ContextBailout(ctx), [](TCxOf<R> z, TCxOf<R> c) { return Sqr(z) - c; },
      [](TCxOf<R>, TCxOf<R> z, TCxOf<R> c) { return Sqr(c) - z; });
}

template <class R>
int32_t Kernel40(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z*Z-C; C=C*C*C-Z
  return KernelWithC<R, true>(
      ctx, x, y, ContextBailout(ctx), [](TCxOf<R> z, TCxOf<R> c) { return Sqr(z) * z - c; },
      [](TCxOf<R>, TCxOf<R> z, TCxOf<R> c) { return Sqr(c) * c - z; });
}

// z' = c + A*z0 + B*z + C*z^2 + D*z^3 + E*z^4 + F/z + G/z^2 + H*sqrt(z)
//      + I*e^z + J*sin(z) + K*e^(1/z)
// c is the Julia point in Julia mode and 0 otherwise: outside Julia mode the
// pixel enters through the A term and the start point only.
template <class R>
int32_t KernelConstructor(TFormulaContext* ctx, double x, double y) {
  TKernelStart s = CommonStart(ctx, x, y);
  if (!ctx->JulieSet) s.cx = s.cy = 0;
  const Extended* k = ctx->Constructor;
  const R A = R(k[cfA]), B = R(k[cfB]), C = R(k[cfC]), D = R(k[cfD]), E = R(k[cfE]), F = R(k[cfF]), G = R(k[cfG]),
          H = R(k[cfH]), I = R(k[cfI]), J = R(k[cfJ]), K = R(k[cfK]);
  const TCxOf<R> c = ToCx<R>(s.cx, s.cy), z0 = ToCx<R>(s.zx, s.zy);
  return RunKernel<R, TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [=](double& zx, double& zy) {
                                            const TCxOf<R> z = ToCx<R>(zx, zy);
                                            TCxOf<R> w = c;
                                            // A zero coefficient skips its term altogether, so a term that would
                                            // overflow or fault costs nothing when it is switched off.
                                            if (A != 0) w = w + A * z0;
                                            if (B != 0) w = w + B * z;
                                            const TCxOf<R> z2 = Sqr(z);  // a double squared stays finite in extended
                                            if (C != 0) w = w + C * z2;
                                            if (D != 0) w = w + D * (z2 * z);
                                            if (E != 0) w = w + E * Sqr(z2);
                                            if (F != 0) w = w + Div({F, 0}, z);
                                            if (G != 0) w = w + Div({G, 0}, z2);
                                            if (H != 0) w = w + H * SqrtUpper(z);
                                            if (I != 0) w = w + I * Exp(z);
                                            if (J != 0) w = w + J * Sin(z);
                                            if (K != 0) {
                                              // A fault in this term drops the term for this iteration. A fault
                                              // from before stays pending: the pixel is lost anyway.
                                              const bool faultBefore = FaultPending();
                                              const TCxOf<R> t = K * Exp(Recip(z));
                                              if (!faultBefore && FaultPending())
                                                ClearFaults();
                                              else
                                                w = w + t;
                                            }
                                            Store(w, zx, zy);
                                          });
}

// Both arithmetic types of every kernel.
PX_INSTANTIATE_KERNEL(Kernel0);
PX_INSTANTIATE_KERNEL(Kernel1);
PX_INSTANTIATE_KERNEL(Kernel2);
PX_INSTANTIATE_KERNEL(Kernel3);
PX_INSTANTIATE_KERNEL(Kernel4);
PX_INSTANTIATE_KERNEL(Kernel5);
PX_INSTANTIATE_KERNEL(Kernel6);
PX_INSTANTIATE_KERNEL(Kernel7);
PX_INSTANTIATE_KERNEL(Kernel8);
PX_INSTANTIATE_KERNEL(Kernel9);
PX_INSTANTIATE_KERNEL(Kernel10);
PX_INSTANTIATE_KERNEL(Kernel11);
PX_INSTANTIATE_KERNEL(Kernel12);
PX_INSTANTIATE_KERNEL(Kernel13);
PX_INSTANTIATE_KERNEL(Kernel14);
PX_INSTANTIATE_KERNEL(Kernel15);
PX_INSTANTIATE_KERNEL(Kernel16);
PX_INSTANTIATE_KERNEL(Kernel17);
PX_INSTANTIATE_KERNEL(Kernel18);
PX_INSTANTIATE_KERNEL(Kernel19);
PX_INSTANTIATE_KERNEL(Kernel20);
PX_INSTANTIATE_KERNEL(Kernel21);
PX_INSTANTIATE_KERNEL(Kernel22);
PX_INSTANTIATE_KERNEL(Kernel23);
PX_INSTANTIATE_KERNEL(Kernel24);
PX_INSTANTIATE_KERNEL(Kernel25);
PX_INSTANTIATE_KERNEL(Kernel26);
PX_INSTANTIATE_KERNEL(Kernel27);
PX_INSTANTIATE_KERNEL(Kernel28);
PX_INSTANTIATE_KERNEL(Kernel29);
PX_INSTANTIATE_KERNEL(Kernel30);
PX_INSTANTIATE_KERNEL(Kernel31);
PX_INSTANTIATE_KERNEL(Kernel32);
PX_INSTANTIATE_KERNEL(Kernel33);
PX_INSTANTIATE_KERNEL(Kernel34);
PX_INSTANTIATE_KERNEL(Kernel35);
PX_INSTANTIATE_KERNEL(Kernel36);
PX_INSTANTIATE_KERNEL(Kernel37);
PX_INSTANTIATE_KERNEL(Kernel38);
PX_INSTANTIATE_KERNEL(Kernel39);
PX_INSTANTIATE_KERNEL(Kernel40);
PX_INSTANTIATE_KERNEL(KernelConstructor);

void Kernel14Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneEscapeRunOf<TExit::Converge, false>(ctx, x, ys, count, 0, kTightTolerance, true, TNewtonStep14{}, escapes);
}
void Kernel15Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneEscapeRunOf<TExit::Converge, false>(ctx, x, ys, count, 0, kTightTolerance, true, TNewtonStep15{}, escapes);
}
void Kernel24Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  LaneEscapeRunOf<TExit::Converge, false>(ctx, x, ys, count, 0, kTightTolerance, true, TNewtonStep24{}, escapes);
}

namespace {

// The lane loop of a polynomial kernel that leaves at the bailout `bailout`.
template <class F>
void PolynomialLanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, double bailout, F f,
                     int32_t* escapes) {
  LaneEscapeRunOf<TExit::Bailout, false>(ctx, x, ys, count, bailout, kTightTolerance, true, f, escapes);
}

}  // namespace

void Kernel5Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, ContextBailout(ctx), TStep5{}, escapes);
}
void Kernel6Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, ContextBailout(ctx), TStep6{}, escapes);
}
void Kernel7Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, ContextBailout(ctx), TStep7{}, escapes);
}
void Kernel8Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, ContextBailout(ctx), TStep8{}, escapes);
}
void Kernel17Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, ContextBailout(ctx), TStep17<double>{ToCx<double>(ctx->P1)}, escapes);
}
void Kernel21Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, ContextBailout(ctx), TStep21<double>{ToCx<double>(ctx->P1)}, escapes);
}
void Kernel25Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, ContextBailout(ctx), TStep25<double>{ToCx<double>(ctx->P1)}, escapes);
}
void Kernel30Lanes(const TFormulaContext* ctx, double x, const double* ys, int32_t count, int32_t* escapes) {
  PolynomialLanes(ctx, x, ys, count, 1000, TStep30<double>{ToCx<double>(ctx->P1)}, escapes);
}

namespace {

// The floating-point control words (exception masks, rounding, precision). A
// compiled user formula may change them; with an exception unmasked, the next
// overflow in the kernel would be a signal instead of a pending flag.
struct TFpControl {
  uint16_t X87 = 0;
  uint32_t Mxcsr = 0;
};

#if defined(__x86_64__) || defined(__i386__)
inline TFpControl ReadFpControl() {
  TFpControl c;
  asm volatile("fnstcw %0" : "=m"(c.X87));
  asm volatile("stmxcsr %0" : "=m"(c.Mxcsr));
  return c;
}

// Puts back the control words of `saved` when they changed, keeping the
// exception flags raised meanwhile.
inline void KeepFpControl(const TFpControl& saved) {
  constexpr uint32_t kMxcsrFlags = 0x3f;
  const TFpControl now = ReadFpControl();
  if (now.X87 == saved.X87 && ((now.Mxcsr ^ saved.Mxcsr) & ~kMxcsrFlags) == 0) return;
  // fnstenv masks every x87 exception without waiting, so a pending one that
  // the formula unmasked cannot fire here; the summary and busy bits go, the
  // flags stay.
  struct {
    uint16_t Control, Reserved1, Status, Reserved2, Tags, Reserved3;
    uint32_t Ip;
    uint16_t Cs, Opcode;
    uint32_t Dp;
    uint16_t Ds, Reserved4;
  } env;
  asm volatile("fnstenv %0" : "=m"(env));
  env.Control = saved.X87;
  env.Status &= uint16_t(~0x8080u);
  asm volatile("fldenv %0" : : "m"(env));
  const uint32_t mxcsr = (now.Mxcsr & kMxcsrFlags) | (saved.Mxcsr & ~kMxcsrFlags);
  asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}
#else
inline TFpControl ReadFpControl() { return {}; }
inline void KeepFpControl(const TFpControl&) {}
#endif

}  // namespace

// The user formula: one call of the compiled procedure per iteration, with z
// and c kept in extended precision throughout.
int32_t KernelUser(TFormulaContext* ctx, double x, double y) {
  const TUserFormulaProc formula = ctx->UserFormula;
  if (formula == nullptr) return 0;
  const TFpControl control = ReadFpControl();
  Extended zx = x, zy = y;
  if (ctx->Inverted) {
    const Extended d = zx * zx + zy * zy + 1e-10L;
    zx /= d;
    zy /= d;
  }
  Extended cr = zx, ci = zy;
  if (ctx->JulieSet) {
    cr = ctx->PJ.re;
    ci = ctx->PJ.im;
  }
  const Extended p1r = ctx->P1.re, p1i = ctx->P1.im, p2r = ctx->P2.re, p2i = ctx->P2.im, p3r = ctx->P3.re,
                 p3i = ctx->P3.im;
  return RunKernel<Extended, TExit::Bailout, false>(
      ctx, x, y, zx, zy, ContextBailout(ctx), kTightTolerance, true,
      [&](Extended& ux, Extended& uy) {
        formula(ux, uy, cr, ci, p1r, p1i, p2r, p2i, p3r, p3i);
        KeepFpControl(control);
      });
}
