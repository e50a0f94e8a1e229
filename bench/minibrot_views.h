#pragma once
// Views of minibrots (small copies of the Mandelbrot set) deep in its
// boundary, for the deep-zoom benchmark: each centred on the nucleus of a
// minibrot of z^2 + c, about 20 times as wide as the minibrot. The centres
// carry 20 digits more than the width needs. bench/minibrot_finder.cpp found
// them and prints such entries.

#include <cstdint>
#include <string>

#include "engine/deep_real.h"

struct TMinibrotView {
  const char *Re, *Im;  // the nucleus
  const char* Width;    // of the view
  int32_t Period;
  const char* Size;     // of the minibrot: 1 / |L dz_p/dc| at the nucleus
  int32_t Iterations;   // the iteration limit that shows its surroundings escaping
};

// The window `columns` x `rows` pixels centred on the view's nucleus.
inline TDeepWindow MinibrotWindow(const TMinibrotView& view, int32_t columns, int32_t rows) {
  TDeepWindow window{TDeepReal(), TDeepReal(), TDeepReal()};
  TDeepReal::Parse(view.Width, 64, window.W);
  const mpfr_prec_t bits = DeepBitsFor(TDeepWindow{TDeepReal(1.0L, 64), TDeepReal(1.0L, 64), window.W}, columns) + 16;
  TDeepReal re(bits), im(bits);
  TDeepReal::Parse(view.Re, bits, re);
  TDeepReal::Parse(view.Im, bits, im);
  TDeepReal::Parse(view.Width, bits, window.W);
  const TDeepReal step = window.W / TDeepReal(Extended(columns - 1), bits);
  window.X = re - step * TDeepReal(Extended(columns - 1) / 2, bits);
  window.Y = im + step * TDeepReal(Extended(rows - 1) / 2, bits);
  return window;
}

// Near the seahorse valley, one below the other: about 1e-100 wide (period
// 2619), 1e-300 (5779); their surroundings escape within 100000 iterations.
inline const TMinibrotView kMinibrotViews[] = {
    {
     "-0.7451185733450277390581105048020452894110251221718812780675048532968082704400695892537828978270268"
     "43980410330711295596276606",
     "0.13118639445053351244251423032194370888998182001700836266102086007805303665581891666459587535382728"
     "0893953755091247445683428",
     "8.276e-103", 2619, "4.138e-104", 100000},
    {
     "-0.7451185610516029931897273192310761788297284706480304111424195966150429354788265357954124466343616"
     "2438556964591018738316338572865122926192012822801660831914155856221662741324115122589925350564270853"
     "5679830529957866573336640045157591301584623214190215467584228784579849691389799407106729409969570742"
     "6011804467813709032934",
     "0.13118638680065770903147218537567537874391601631272794487244712361202534700956392537181372404751682"
     "4846991968429059816930679176916135236250810766348441360832287261864719133814379850933539284495376614"
     "8322096402508889707265471862497233954426773554100082285450199551480306801948927735869893151722028479"
     "036596356205851064698",
     "1.569e-299", 5779, "7.845e-301", 100000},
};
