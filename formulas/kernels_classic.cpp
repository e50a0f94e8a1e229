// Kernels 0..40, the constructor formula and the user formula.
//
// Every step works on TCx (extended precision) and rounds the new z, and any
// c or memory the formula updates, back to double.

#include "formulas/kernel_common.h"
#include "formulas/kernels.h"

namespace {

inline void Store(TCx w, double& x, double& y) {
  x = double(w.re);
  y = double(w.im);
}

// The usual kernel whose step only needs z and the constant c.
template <TExit Exit, bool Guarded, class F>
int32_t PlainKernel(TFormulaContext* ctx, double x, double y, Extended bailout, Extended tol, F f,
                    bool honoursJulia = true) {
  const TKernelStart s = CommonStart(ctx, x, y, honoursJulia);
  const TCx c = ToCx(s.cx, s.cy);
  return RunKernel<Exit, Guarded>(ctx, x, y, s.zx, s.zy, bailout, tol, true,
                                  [c, f](double& zx, double& zy) { Store(f(ToCx(zx, zy), c), zx, zy); });
}

// The step updates z and c, c starting as the common constant ("C°=Z°"):
// fz gives the new z, then fc the new c from the old z, the new z (as stored)
// and the old c.
template <bool Guarded, class FZ, class FC>
int32_t KernelWithC(TFormulaContext* ctx, double x, double y, Extended bailout, FZ fz, FC fc) {
  const TKernelStart s = CommonStart(ctx, x, y);
  double cx = s.cx, cy = s.cy;
  return RunKernel<TExit::Bailout, Guarded>(ctx, x, y, s.zx, s.zy, bailout, kTightTolerance, true,
                                            [cx, cy, fz, fc](double& zx, double& zy) mutable {
                                              const TCx z = ToCx(zx, zy), c = ToCx(cx, cy);
                                              Store(fz(z, c), zx, zy);
                                              Store(fc(z, ToCx(zx, zy), c), cx, cy);
                                            });
}

}  // namespace

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

int32_t Kernel1(TFormulaContext* ctx, double x, double y) {  // Z=Z^3 + C
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCx z, TCx c) { return Sqr(z) * z + c; });
}

int32_t Kernel2(TFormulaContext* ctx, double x, double y) {  // Z=Z^4 + C
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCx z, TCx c) { return Sqr(Sqr(z)) + c; });
}

int32_t Kernel3(TFormulaContext* ctx, double x, double y) {  // Z=Z^5 + C
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCx z, TCx c) { return Sqr(Sqr(z)) * z + c; });
}

int32_t Kernel4(TFormulaContext* ctx, double x, double y) {  // Z=Z^8 + C
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCx z, TCx c) { return Sqr(Sqr(Sqr(z))) + c; });
}

int32_t Kernel5(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z*Z + Z*Z + C
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, [](TCx z, TCx c) {
    const TCx z2 = Sqr(z);
    return z2 * z + z2 + c;
  });
}

int32_t Kernel6(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z*Z + Z*Z + 2*Z + C
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, [](TCx z, TCx c) {
    const TCx z2 = Sqr(z);
    return z2 * z + z2 + 2 * z + c;
  });
}

int32_t Kernel7(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z+ Z+ C
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCx z, TCx c) { return Sqr(z) + z + c; });
}

int32_t Kernel8(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z + pixel + C
  // The pixel term is the raw pixel, also in inverted mode.
  const TCx pixel = ToCx(x, y);
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [pixel](TCx z, TCx c) { return Sqr(z) + pixel + c; });
}

int32_t Kernel9(TFormulaContext* ctx, double x, double y) {  // Spider: Z=Z*Z+C+Julie; C=C/2+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  // c starts at the start point in both modes; Julia mode only sets "Julie".
  const TCx julie = ToCx(s.cx, s.cy);
  double cx = s.zx, cy = s.zy;
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [julie, cx, cy](double& zx, double& zy) mutable {
                                            const TCx c = ToCx(cx, cy);
                                            const TCx z = Sqr(ToCx(zx, zy)) + c + julie;
                                            Store(z, zx, zy);
                                            Store(0.5L * c + ToCx(zx, zy), cx, cy);
                                          });
}

int32_t Kernel10(TFormulaContext* ctx, double x, double y) {  // BarnsleyM1
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, [](TCx z, TCx c) {
    const TCx one{1, 0};
    return (z.re > 0 ? z - one : z + one) * c;
  });
}

int32_t Kernel11(TFormulaContext* ctx, double x, double y) {  // Sierpinski
  return PlainKernel<TExit::Bailout, false>(
      ctx, x, y, ContextBailout(ctx), kTightTolerance,
      [](TCx z, TCx) -> TCx {
        if (z.im > 0.5L) return {2 * z.re, 2 * z.im - 1};
        if (z.re > 0.5L) return {2 * z.re - 1, 2 * z.im};
        return {2 * z.re, 2 * z.im};
      },
      false);
}

int32_t Kernel12(TFormulaContext* ctx, double x, double y) {  // Manowar: Z=Z*Z+Z1+Z°; Z1=Z
  // Z1 carries the z before the step, so the step reads two generations of
  // z; taking the new z instead would make this "Z=Z*Z+Z+C" (kernel 7).
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  double z1x = s.zx, z1y = s.zy;
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [c, z1x, z1y](double& zx, double& zy) mutable {
                                            const double oldx = zx, oldy = zy;
                                            Store(Sqr(ToCx(zx, zy)) + ToCx(z1x, z1y) + c, zx, zy);
                                            z1x = oldx;
                                            z1y = oldy;
                                          });
}

int32_t Kernel13(TFormulaContext* ctx, double x, double y) {  // Tangent: Z=Z*tan(Z)+Z°
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCx z, TCx c) { return z * DivPlain(Sin(z), Cos(z)) + c; });
}

int32_t Kernel14(TFormulaContext* ctx, double x, double y) {  // Z=Z-((Z*Z-Z)/(2*Z-1))+Z°
  return PlainKernel<TExit::Converge, false>(ctx, x, y, 0, kTightTolerance, [](TCx z, TCx c) {
    return z - DivPlain(Sqr(z) - z, 2 * z - TCx{1, 0}) + c;
  });
}

int32_t Kernel15(TFormulaContext* ctx, double x, double y) {  // Z=Z-((Z^3-Z)/(3*Z*Z-1))+Z°
  return PlainKernel<TExit::Converge, false>(ctx, x, y, 0, kTightTolerance, [](TCx z, TCx c) {
    const TCx z2 = Sqr(z);
    return z - DivPlain(z2 * z - z, 3 * z2 - TCx{1, 0}) + c;
  });
}

int32_t Kernel16(TFormulaContext* ctx, double x, double y) {  // Test
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, ContextBailout(ctx), kLooseTolerance, [](TCx z, TCx c) {
    const TCx z2 = Sqr(z);
    return TCx{z.re >= 0 ? z2.re - c.re : z2.re + c.re, z.im >= 0 ? z2.im - c.im : z2.im + c.im};
  });
}

int32_t Kernel17(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z + C + P1
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [p1](TCx z, TCx c) { return Sqr(z) + c + p1; });
}

int32_t Kernel18(TFormulaContext* ctx, double x, double y) {  // Julia PNS: Z=Conj(-Z*Z) + P1
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, false>(
      ctx, x, y, ContextBailout(ctx), kTightTolerance, [p1](TCx z, TCx) { return Conj(-Sqr(z)) + p1; }, false);
}

int32_t Kernel19(TFormulaContext* ctx, double x, double y) {  // Z=Z^P1 + C
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                           [p1](TCx z, TCx c) { return Pow(z, p1) + c; });
}

int32_t Kernel20(TFormulaContext* ctx, double x, double y) {  // Quartic "phoenix"
  // The start point is the pixel moved by +1 on the real axis (inverted
  // after the move); c follows from it as usual.
  const TKernelStart s = CommonStart(ctx, x + 1, y);
  const TCx c = ToCx(s.cx, s.cy);
  double mx = 0, my = 0;  // the phoenix memory Y
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, 1000, kTightTolerance, false,
                                          [c, mx, my](double& zx, double& zy) mutable {
                                            const TCx z = ToCx(zx, zy);
                                            const TCx h = Sqr(z) - 0.5L * z + c;
                                            Store(Sqr(h) - 0.5L * ToCx(mx, my) + c, zx, zy);
                                            Store(h, mx, my);
                                          });
}

int32_t Kernel21(TFormulaContext* ctx, double x, double y) {  // Talis: Z=(Z*Z)/(P1+Z)+C
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [p1](TCx z, TCx c) { return Div(Sqr(z), p1 + z) + c; });
}

int32_t Kernel22(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z)*Cos(Z°)
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx cosC = Cos(ToCx(s.cx, s.cy));
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, 1000, kTightTolerance, true,
                                          [cosC](double& zx, double& zy) { Store(Sin(ToCx(zx, zy)) * cosC, zx, zy); });
}

int32_t Kernel23(TFormulaContext* ctx, double x, double y) {  // Nelmira 14: Z=(Sin(Z*Z)*Z/2)^2+Z°
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [](TCx z, TCx c) { return Sqr(0.5L * (Sin(Sqr(z)) * z)) + c; });
}

int32_t Kernel24(TFormulaContext* ctx, double x, double y) {  // Z=Z-(Z*Z*Z*Z°-Z*Z°-1)/(3*Z*Z*Z°)
  return PlainKernel<TExit::Converge, false>(ctx, x, y, 0, kTightTolerance, [](TCx z, TCx c) {
    const TCx z2 = Sqr(z);
    return z - Div(z2 * z * c - z * c - TCx{1, 0}, 3 * z2 * c);
  });
}

int32_t Kernel25(TFormulaContext* ctx, double x, double y) {  // Z=(Z*Z/P1 + Z°)^2
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                            [p1](TCx z, TCx c) { return Sqr(Div(Sqr(z), p1) + c); });
}

int32_t Kernel26(TFormulaContext* ctx, double x, double y) {  // Z=Sin((Z+(Z*Z)/P1.real)) + Z°
  const Extended p = ctx->P1.re;                              // no guard: P1.re = 0 spoils the pixel
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, ContextBailout(ctx), kTightTolerance, [p](TCx z, TCx c) {
    const TCx z2 = Sqr(z);
    return Sin(z + TCx{z2.re / p, z2.im / p}) + c;
  });
}

int32_t Kernel27(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z*P1)* Z°
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance,
                                           [p1](TCx z, TCx c) { return Sin(z * p1) * c; });
}

int32_t Kernel28(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z*Z°*P1)
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance,
                                           [p1](TCx z, TCx c) { return Sin(z * c * p1); });
}

int32_t Kernel29(TFormulaContext* ctx, double x, double y) {  // Z=Sin(Z*Z)* Z°
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance,
                                           [](TCx z, TCx c) { return Sin(Sqr(z)) * c; });
}

int32_t Kernel30(TFormulaContext* ctx, double x, double y) {  // Z=(Z*Z+P1)*Z°
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, false>(ctx, x, y, 1000, kTightTolerance,
                                            [p1](TCx z, TCx c) { return (Sqr(z) + p1) * c; });
}

int32_t Kernel31(TFormulaContext* ctx, double x, double y) {  // Z=(Z*Z*Sin(Z*Z)+P1)*Z°
  const TCx p1 = ToCx(ctx->P1);
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, 1000, kTightTolerance, [p1](TCx z, TCx c) {
    const TCx z2 = Sqr(z);
    return (z2 * Sin(z2) + p1) * c;
  });
}

int32_t Kernel32(TFormulaContext* ctx, double x, double y) {  // Z2=Z; Z=Sin(Z)-C; C=2/(100*Z2)
  return KernelWithC<true>(
      ctx, x, y, 1000, [](TCx z, TCx c) { return Sin(z) - c; },
      [](TCx z2, TCx, TCx) {
        return Div({2, 0}, 100 * z2);
      });
}

int32_t Kernel33(TFormulaContext* ctx, double x, double y) {  // Z=(1-C)*sqr(Z)+(C*Z^3); C=C+P1
  const TCx p1 = ToCx(ctx->P1);
  return KernelWithC<true>(
      ctx, x, y, ContextBailout(ctx),
      [](TCx z, TCx c) {
        return (TCx{1, 0} - c) * SqrtUpper(z) + c * (Sqr(z) * z);
      },
      [p1](TCx, TCx, TCx c) { return c + p1; });
}

int32_t Kernel34(TFormulaContext* ctx, double x, double y) {  // Z = P2*Z*Z - P1*Z + C
  const TCx p1 = ToCx(ctx->P1), p2 = ToCx(ctx->P2);
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, ContextBailout(ctx), kTightTolerance,
                                           [p1, p2](TCx z, TCx c) { return p2 * Sqr(z) - p1 * z + c; });
}

int32_t Kernel35(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z+C; C=Flip(C)
  return KernelWithC<true>(
      ctx, x, y, ContextBailout(ctx), [](TCx z, TCx c) { return Sqr(z) + c; },
      [](TCx, TCx, TCx c) {
        return TCx{c.im, c.re};
      });
}

int32_t Kernel36(TFormulaContext* ctx, double x, double y) {  // Z°=C°=2/pixel: Z=Z^real(P1)*C^imag(P1)+C
  TKernelStart s = CommonStart(ctx, x, y);
  Store(Div({2, 0}, ToCx(s.zx, s.zy)), s.zx, s.zy);
  if (!ctx->JulieSet) {
    s.cx = s.zx;
    s.cy = s.zy;
  }
  const TCx c = ToCx(s.cx, s.cy);
  const TCx pr{ctx->P1.re, 0};
  const TCx cPow = Pow(c, TCx{ctx->P1.im, 0});
  return RunKernel<TExit::Bailout, true>(
      ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
      [c, pr, cPow](double& zx, double& zy) { Store(Pow(ToCx(zx, zy), pr) * cPow + c, zx, zy); });
}

int32_t Kernel37(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z+C; C=P1/Z-C
  const TCx p1 = ToCx(ctx->P1);
  return KernelWithC<true>(
      ctx, x, y, ContextBailout(ctx), [](TCx z, TCx c) { return Sqr(z) + c; },
      [p1](TCx, TCx z, TCx c) { return Div(p1, z) - c; });
}

int32_t Kernel38(TFormulaContext* ctx, double x, double y) {  // Bessel 1: Z=Sin(Z) / Z * Z°
  return PlainKernel<TExit::Bailout, true>(ctx, x, y, 100, kTightTolerance,
                                           [](TCx z, TCx c) { return Div(Sin(z), z) * c; });
}

int32_t Kernel39(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z-C; C=C*C-Z
  return KernelWithC<true>(
      ctx, x, y, ContextBailout(ctx), [](TCx z, TCx c) { return Sqr(z) - c; },
      [](TCx, TCx z, TCx c) { return Sqr(c) - z; });
}

int32_t Kernel40(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z*Z-C; C=C*C*C-Z
  return KernelWithC<true>(
      ctx, x, y, ContextBailout(ctx), [](TCx z, TCx c) { return Sqr(z) * z - c; },
      [](TCx, TCx z, TCx c) { return Sqr(c) * c - z; });
}

// z' = c + A*z0 + B*z + C*z^2 + D*z^3 + E*z^4 + F/z + G/z^2 + H*sqrt(z)
//      + I*e^z + J*sin(z) + K*e^(1/z)
// c is the Julia point in Julia mode and 0 otherwise: outside Julia mode the
// pixel enters through the A term and the start point only.
int32_t KernelConstructor(TFormulaContext* ctx, double x, double y) {
  TKernelStart s = CommonStart(ctx, x, y);
  if (!ctx->JulieSet) s.cx = s.cy = 0;
  const Extended* k = ctx->Constructor;
  const Extended A = k[cfA], B = k[cfB], C = k[cfC], D = k[cfD], E = k[cfE], F = k[cfF], G = k[cfG], H = k[cfH],
                 I = k[cfI], J = k[cfJ], K = k[cfK];
  const TCx c = ToCx(s.cx, s.cy), z0 = ToCx(s.zx, s.zy);
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [=](double& zx, double& zy) {
                                            const TCx z = ToCx(zx, zy);
                                            TCx w = c;
                                            // A zero coefficient skips its term altogether, so a term that would
                                            // overflow or fault costs nothing when it is switched off.
                                            if (A != 0) w = w + A * z0;
                                            if (B != 0) w = w + B * z;
                                            const TCx z2 = Sqr(z);  // a double squared stays finite in extended
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
                                              const TCx t = K * Exp(Recip(z));
                                              if (!faultBefore && FaultPending())
                                                ClearFaults();
                                              else
                                                w = w + t;
                                            }
                                            Store(w, zx, zy);
                                          });
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
  return RunKernel<TExit::Bailout, false>(
      ctx, x, y, zx, zy, ContextBailout(ctx), kTightTolerance, true,
      [&](Extended& ux, Extended& uy) {
        formula(ux, uy, cr, ci, p1r, p1i, p2r, p2i, p3r, p3i);
        KeepFpControl(control);
      });
}
