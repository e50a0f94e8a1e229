// Kernels 41..76.

#include "formulas/kernel_common.h"
#include "formulas/kernels.h"

namespace {

// Rounds a step's extended-precision result back to the double z.
inline void Store(double& zx, double& zy, TCx w) {
  zx = double(w.re);
  zy = double(w.im);
}

inline TCx Round(TCx w) { return {double(w.re), double(w.im)}; }

// Fixed escape limits of the kernels that do not read the bailout field.
constexpr Extended kBailout1000 = 1000;
constexpr Extended kBailout50 = 50;

}  // namespace

int32_t Kernel41(TFormulaContext* ctx, double x, double y) {  // z = c * sin(z) / P1
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [c, p1](double& zx, double& zy) {
                                           Store(zx, zy, Div(c * Sin(ToCx(zx, zy)), p1));
                                         });
}

int32_t Kernel42(TFormulaContext* ctx, double x, double y) {  // Z1=Z°, Z2=P1: T=Z1*Z+Z2; Z2=Z; Z=Z1; Z1=T
  const TKernelStart s = CommonStart(ctx, x, y, false);
  TCx z1 = ToCx(s.zx, s.zy), z2 = Round(ToCx(ctx->P1));
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [z1, z2](double& zx, double& zy) mutable {
                                           const TCx z = ToCx(zx, zy);
                                           const TCx t = Round(z1 * z + z2);
                                           z2 = z;
                                           Store(zx, zy, z1);
                                           z1 = t;
                                         });
}

int32_t Kernel43(TFormulaContext* ctx, double x, double y) {  // C°=Sin(Z°): Z=Z*Z+C; Z=Z*Z/C
  const TKernelStart s = CommonStart(ctx, x, y);
  // The constant is the sine of the usual start constant: of the Julia point
  // in Julia mode, of the start point otherwise.
  const TCx c = Round(Sin(ToCx(s.cx, s.cy)));
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [c](double& zx, double& zy) {
                                           const TCx w = Sqr(ToCx(zx, zy)) + c;
                                           Store(zx, zy, Div(Sqr(w), c));
                                         });
}

int32_t Kernel44(TFormulaContext* ctx, double x, double y) {  // C=P*P/Z+Z; Z=(P*C)^2, P the raw pixel
  const TKernelStart s = CommonStart(ctx, x, y, false);
  const TCx p = ToCx(x, y), p2 = p * p;
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [p, p2](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           const TCx c = Div(p2, z) + z;
                                           Store(zx, zy, Sqr(p * c));
                                         });
}

int32_t Kernel45(TFormulaContext* ctx, double x, double y) {  // Z=Log(real(P1)*C*Z) + Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  const Extended p1r = ctx->P1.re;
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [c, p1r](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           Store(zx, zy, Log(p1r * c * z) + z);
                                         });
}

int32_t Kernel46(TFormulaContext* ctx, double x, double y) {  // C°=Z°: Z=Z*Z+C; C=C*P1+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx(s.cx, s.cy), p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Sqr(ToCx(zx, zy)) + c);
                                           c = Round(c * p1 + ToCx(zx, zy));
                                         });
}

int32_t Kernel47(TFormulaContext* ctx, double x, double y) {  // C°=Z°: Z=Z*Z*Z+C; C=C*P1+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx(s.cx, s.cy), p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Power(ToCx(zx, zy), 3) + c);
                                           c = Round(c * p1 + ToCx(zx, zy));
                                         });
}

int32_t Kernel48(TFormulaContext* ctx, double x, double y) {  // C°=Z°; Z1°=0: Z=Z*Z+Z1; Z1=C-Z; C=C*P1
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx(s.cx, s.cy), z1 = TCx{}, p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Sqr(ToCx(zx, zy)) + z1);
                                           z1 = Round(c - ToCx(zx, zy));
                                           c = Round(c * p1);
                                         });
}

int32_t Kernel49(TFormulaContext* ctx, double x, double y) {  // inv=1/pixel+P1: Z=Cosh(inv/Z)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  // The conjugate of the raw pixel over the squared modulus of the start
  // point: 1/pixel outside inverted mode. No guard: the pixel (0, 0) faults.
  const Extended m = Extended(s.zx) * s.zx + Extended(s.zy) * s.zy;
  const TCx inv = Round(TCx{x / m, -y / m} + ToCx(ctx->P1));
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, inv](double& zx, double& zy) {
                                           Store(zx, zy, Cosh(DivPlain(inv, ToCx(zx, zy))) + c);
                                         });
}

int32_t Kernel50(TFormulaContext* ctx, double x, double y) {  // Z=C/(Z*Z)+C+P1; Z=(Sin(Z)+P2)*Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1), p2 = ToCx(ctx->P2);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCx w = DivPlain(c, Sqr(ToCx(zx, zy))) + c + p1;
                                           Store(zx, zy, (Sin(w) + p2) * w);
                                         });
}

int32_t Kernel51(TFormulaContext* ctx, double x, double y) {  // Z=Sin((Z-1)*(Z-1)*(Z+1)) - C*P1 + P2
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), cp1 = c * ToCx(ctx->P1), p2 = ToCx(ctx->P2);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [cp1, p2](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy), zm = z - TCx{1, 0};
                                           Store(zx, zy, Sin(zm * zm * (z + TCx{1, 0})) - cp1 + p2);
                                         });
}

int32_t Kernel52(TFormulaContext* ctx, double x, double y) {  // Z=Z+C+P1; Z=Z*Sin((1/C)/(1/Z))
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1), invC = Recip(c);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, invC](double& zx, double& zy) {
                                           const TCx w = ToCx(zx, zy) + c + p1;
                                           Store(zx, zy, w * Sin(Div(invC, Recip(w))));
                                         });
}

int32_t Kernel53(TFormulaContext* ctx, double x, double y) {  // Z°=P1/Z°, X=Sin(C°): Z=(Z*Z+X)*P2/X
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx sx = Round(Sin(ToCx(s.cx, s.cy))), p2 = ToCx(ctx->P2);
  // The new start point: its imaginary part is formed from the real part just
  // computed, not from the old one.
  const Extended d = Extended(s.zx) * s.zx + Extended(s.zy) * s.zy + 1e-10L;
  const double zx0 = double((ctx->P1.re * s.zx + ctx->P1.im * s.zy) / d);
  const double zy0 = double((ctx->P1.im * zx0 - ctx->P1.re * s.zy) / d);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, zx0, zy0, ContextBailout(ctx), kLooseTolerance, true,
                                         [sx, p2](double& zx, double& zy) {
                                           Store(zx, zy, Div((Sqr(ToCx(zx, zy)) + sx) * p2, sx));
                                         });
}

namespace {

// The "Dorvik #105" kernels: Z = Sin(C / f(Z)).
template <class F>
int32_t SinOfCOver(TFormulaContext* ctx, double x, double y, F f) {
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, f](double& zx, double& zy) {
                                           Store(zx, zy, Sin(Div(c, f(ToCx(zx, zy)))));
                                         });
}

}  // namespace

int32_t Kernel54(TFormulaContext* ctx, double x, double y) {  // Z=Sin(C/Sinh(Z))
  return SinOfCOver(ctx, x, y, [](TCx z) { return Sinh(z); });
}

int32_t Kernel55(TFormulaContext* ctx, double x, double y) {  // Z=Sin(C/Sin(Z))
  return SinOfCOver(ctx, x, y, [](TCx z) { return Sin(z); });
}

int32_t Kernel56(TFormulaContext* ctx, double x, double y) {  // Z=Sin(C/Conj(Z))
  return SinOfCOver(ctx, x, y, [](TCx z) { return Conj(z); });
}

int32_t Kernel57(TFormulaContext* ctx, double x, double y) {  // Z1=Z^3-1; Z2=3*Z*Z; Z=Z-(P1*Z1/Z2)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           const TCx z1 = Power(z, 3) - TCx{1, 0}, z2 = 3 * z * z;
                                           Store(zx, zy, z - Div(p1 * z1, z2) + c);
                                         });
}

int32_t Kernel58(TFormulaContext* ctx, double x, double y) {  // t=Z; Z=Z^3-C; C=t
  const TKernelStart s = CommonStart(ctx, x, y);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx(s.cx, s.cy)](double& zx, double& zy) mutable {
                                           const TCx t = ToCx(zx, zy);
                                           Store(zx, zy, Power(t, 3) - c);
                                           c = t;
                                         });
}

int32_t Kernel59(TFormulaContext* ctx, double x, double y) {  // Z=(cabs(Z)/Z^4) - Z + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           // cabs is the point (|x|, |y|), not the modulus.
                                           const TCx a{std::fabs(zx), std::fabs(zy)};
                                           Store(zx, zy, Div(a, Sqr(Sqr(z))) - z + c);
                                         });
}

int32_t Kernel60(TFormulaContext* ctx, double x, double y) {  // A=3*Z°*Z°: Z=Z^3 - A*Z + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  const TCx a = Round(3 * Sqr(ToCx(s.zx, s.zy)));  // from the start point, also in Julia mode
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, a](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           Store(zx, zy, Power(z, 3) - a * z + c);
                                         });
}

int32_t Kernel61(TFormulaContext* ctx, double x, double y) {  // Z=Log(Z)/Sin(Z) + C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, kBailout50, kLooseTolerance, true,
                                         [c](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           Store(zx, zy, Div(Log(z), Sin(z)) + c);
                                         });
}

int32_t Kernel62(TFormulaContext* ctx, double x, double y) {  // real cubic map of P1, P2
  const TKernelStart s = CommonStart(ctx, x, y, false);
  const Extended p1r = ctx->P1.re, p1i = ctx->P1.im, p2i = ctx->P2.im;
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [p1r, p1i, p2i](double& zx, double& zy) {
                                           const Extended a = zx, b = zy;
                                           zx = double(p1r * 6 * a * b * b - a * a * a + p1r + 0.6L);
                                           zy = double(b * b * b - p2i * 6 * a * a * b + p1i - 0.5L);
                                         });
}

int32_t Kernel63(TFormulaContext* ctx, double x, double y) {  // Z=Z^4*(C-P1) - C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), cp = c - ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, cp](double& zx, double& zy) {
                                           Store(zx, zy, Power(ToCx(zx, zy), 4) * cp - c);
                                         });
}

int32_t Kernel64(TFormulaContext* ctx, double x, double y) {  // Z=(Z^3+P1)/(Z*Z+P2)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1), p2 = ToCx(ctx->P2);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy), z2 = z * z;
                                           Store(zx, zy, Div(z2 * z + p1, z2 + p2) + c);
                                         });
}

int32_t Kernel65(TFormulaContext* ctx, double x, double y) {  // Z=(Z^4+P1)/(Z*Z-Z+P2)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1), p2 = ToCx(ctx->P2);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy), z2 = z * z;
                                           Store(zx, zy, Div(z2 * z2 + p1, z2 - z + p2) + c);
                                         });
}

int32_t Kernel66(TFormulaContext* ctx, double x, double y) {  // Z=(Z*Z-Z+P1)/(Z+P2)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1), p2 = ToCx(ctx->P2);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           Store(zx, zy, Div(z * z - z + p1, z + p2) + c);
                                         });
}

int32_t Kernel67(TFormulaContext* ctx, double x, double y) {  // Z=Z*Z+C; C=(C*C)/(C+P1)+Z
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c = ToCx(s.cx, s.cy), p1](double& zx, double& zy) mutable {
                                           Store(zx, zy, Sqr(ToCx(zx, zy)) + c);
                                           c = Round(Div(c * c, c + p1) + ToCx(zx, zy));
                                         });
}

int32_t Kernel68(TFormulaContext* ctx, double x, double y) {  // Z=Z-Exp(Z*P2)*((Z^3-P1)/(3*Z*Z))+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1), p2 = ToCx(ctx->P2);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                         [c, p1, p2](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy);
                                           Store(zx, zy, z - Exp(z * p2) * Div(Power(z, 3) - p1, 3 * z * z) + c);
                                         });
}

int32_t Kernel69(TFormulaContext* ctx, double x, double y) {  // Z=Z-((Z^4-Z)/(4*Z^3-1))+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  return RunKernel<TExit::Converge, true>(ctx, x, y, s.zx, s.zy, 0, kLooseTolerance, false,
                                          [c](double& zx, double& zy) {
                                            const TCx z = ToCx(zx, zy), z3 = Power(z, 3);
                                            Store(zx, zy, z - Div(z3 * z - z, 4 * z3 - TCx{1, 0}) + c);
                                          });
}

int32_t Kernel70(TFormulaContext* ctx, double x, double y) {  // Z=Z-(Z^5+Z^4*C-Sin(Z))/(5*Z^4+4*Z^3*C-Cos(Z))
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  return RunKernel<TExit::Converge, true>(ctx, x, y, s.zx, s.zy, 0, kLooseTolerance, false,
                                          [c](double& zx, double& zy) {
                                            const TCx z = ToCx(zx, zy), z3 = Power(z, 3), z4 = z3 * z;
                                            const TCx num = z4 * z + z4 * c - Sin(z);
                                            const TCx den = 5 * z4 + 4 * z3 * c - Cos(z);
                                            Store(zx, zy, z - Div(num, den));
                                          });
}

int32_t Kernel71(TFormulaContext* ctx, double x, double y) {  // z2=0: z1=Z; Z=Z*Z+Re C+Im C*z2; z2=z1
  const TKernelStart s = CommonStart(ctx, x, y);
  const Extended cr = s.cx, ci = s.cy;
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, true,
                                          [cr, ci, mx = 0.0, my = 0.0](double& zx, double& zy) mutable {
                                            const Extended a = zx, b = zy;
                                            // The imaginary part is formed from the new real part.
                                            zx = double(a * a - b * b + cr + ci * mx);
                                            zy = double(2 * Extended(zx) * b + ci * my);
                                            mx = double(a);
                                            my = double(b);
                                          });
}

int32_t Kernel72(TFormulaContext* ctx, double x, double y) {  // Z=Cos(Z*P1)*C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, kBailout1000, kTightTolerance, true,
                                         [c, p1](double& zx, double& zy) {
                                           Store(zx, zy, Cos(ToCx(zx, zy) * p1) * c);
                                         });
}

int32_t Kernel73(TFormulaContext* ctx, double x, double y) {  // Z=(Z-(Z^3-1)/(3*Z*Z))^3*C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy);
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                          [c](double& zx, double& zy) {
                                            // Only the Newton step is guarded: a fault there
                                            // makes its result 0 and the iteration goes on. A
                                            // fault already pending is left for the caller.
                                            FpSettle(zx, zy);  // faults of the previous step first
                                            const bool clean = !FaultPending();
                                            const TCx z = ToCx(zx, zy);
                                            TCx w = z - Div(Power(z, 3) - TCx{1, 0}, 3 * z * z);
                                            FpSettle(w);
                                            if (clean && FaultPending()) {
                                              ClearFaults();
                                              w = TCx{};
                                            }
                                            Store(zx, zy, Power(w, 3) * c);
                                          });
}

int32_t Kernel74(TFormulaContext* ctx, double x, double y) {  // Z=Z-(Z^4-Z*P1)/(4*Z^3-Z*Z-P1)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1);
  return RunKernel<TExit::Bailout, true>(ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kTightTolerance, true,
                                         [c, p1](double& zx, double& zy) {
                                           const TCx z = ToCx(zx, zy), z2 = z * z, z3 = z2 * z;
                                           Store(zx, zy, z - Div(z3 * z - z * p1, 4 * z3 - z2 - p1) + c);
                                         });
}

int32_t Kernel75(TFormulaContext* ctx, double x, double y) {  // Cos(Z)/(Z*Z) + 1/C
  const TKernelStart s = CommonStart(ctx, x, y);
  // The conjugate of the raw pixel over the squared modulus of c: 1/c outside
  // Julia and inverted mode.
  const Extended m = Extended(s.cx) * s.cx + Extended(s.cy) * s.cy + 1e-10L;
  const TCx term{x / m, -y / m};
  return RunKernel<TExit::Bailout, false>(ctx, x, y, s.zx, s.zy, kBailout1000, kTightTolerance, true,
                                          [term](double& zx, double& zy) {
                                            const TCx z = ToCx(zx, zy);
                                            Store(zx, zy, Div(Cos(z), Sqr(z)) + term);
                                          });
}

int32_t Kernel76(TFormulaContext* ctx, double x, double y) {  // Z=Z-(Z^3+Z*Z-Z+C)/(3*Z*Z+2*Z-P1)+C
  const TKernelStart s = CommonStart(ctx, x, y);
  const TCx c = ToCx(s.cx, s.cy), p1 = ToCx(ctx->P1);
  return RunKernel<TExit::BailoutAndConverge, true>(
      ctx, x, y, s.zx, s.zy, ContextBailout(ctx), kLooseTolerance, false, [c, p1](double& zx, double& zy) {
        const TCx z = ToCx(zx, zy), z2 = z * z;
        Store(zx, zy, z - Div(z2 * z + z2 - z + c, 3 * z2 + 2 * z - p1) + c);
      });
}
