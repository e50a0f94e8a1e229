// SPDX-License-Identifier: GPL-3.0-or-later
// Finds small copies of the Mandelbrot set (minibrots) of z^2 + c deep in its
// boundary, for the views of the deep-zoom benchmark, and checks a view with
// the deep render.
//
// A minibrot of period p has a nucleus c0 where the orbit of 0 returns to 0
// after p steps. Near it the p-th iterate is F(z, c) ~ L z^2 + B (c - c0), L
// the product of 2 z_j over the period (j = 1..p-1) and B = dz_p/dc; with
// w = L z this is w -> w^2 + L B (c - c0): the whole set again, in the local
// coordinate u = L B (c - c0). So s = 1 / (L B) is the minibrot's size and
// orientation: c = c0 + s u shows the copy as u shows the set.
//
// Going deeper: around a minibrot the view repeats the structure that
// surrounded it, squared (the orbit first shadows the minibrot's period, then
// the surrounding structure's), in rings between the minibrot and the view it
// was found in. Points c0 + s u with u a few powers between the two scales lie
// on those rings; near such a point lie minibrots whose period is about the
// old one plus the surrounding one, whose depth (in decimal exponent) is
// about the sum of the two. Each step so roughly doubles period and depth.
//
// A step tries points c0 + s u at five radii |u| between the two scales and
// eight directions, with discs of three radii around each. The lowest period
// n at which a disc may hold a zero of z_n (its image followed as a ball
// around the point's orbit) is the period of a minibrot in it, with a size
// estimate from the formula along the point's own orbit. Newton's method on
// z_p(c) = 0 (z in MPFR, dz/dc beside it in extended reals, p steps per
// Newton step) turns the best-ranked candidates into nuclei, and the best of
// those is the next step (see Rank). Bits: about 3.3 per decimal digit of the
// depth, plus guard bits.
//
// Usage:
//   px_minibrot_finder descend <re> <im> <width> <goal exponent>...
//       descends from the point (re, im) in a view `width` wide towards views
//       10^-goal wide, printing every minibrot on the way and one view per goal.
//   px_minibrot_finder verify <re> <im> <period> <iterations> [png [columns rows]]
//       refines the nucleus of the period near (re, im), prints its view and
//       the escape counts of a deep render of it, and saves the render.

#include <mpfr.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/minibrot_views.h"
#include "engine/deep_real.h"
#include "engine/perturbation.h"
#include "platform/bitmap.h"
#include "ui/image_file.h"

namespace {

struct TLd {
  long double Re = 0, Im = 0;
};
TLd operator*(TLd a, TLd b) { return {a.Re * b.Re - a.Im * b.Im, a.Re * b.Im + a.Im * b.Re}; }
TLd operator/(TLd a, TLd b) {
  const long double d = b.Re * b.Re + b.Im * b.Im;
  return {(a.Re * b.Re + a.Im * b.Im) / d, (a.Im * b.Re - a.Re * b.Im) / d};
}
long double Abs(TLd a) { return std::hypot(a.Re, a.Im); }

// log10 of the view width of a minibrot of this size.
constexpr long double kViewPerSize = 20;
long double ViewExponent(TLd size) { return std::log10(kViewPerSize * Abs(size)); }

// Bits that hold a point to `exponent` decimal digits below 1, plus guard.
mpfr_prec_t BitsForDepth(long double exponent) { return mpfr_prec_t(std::ceil(-exponent * 3.33L)) + 96; }

struct TPoint {
  TDeepReal Re, Im;
};


// The orbit of 0 under z -> z^2 + c in MPFR.
class TOrbit {
 public:
  TOrbit(const TPoint& c, mpfr_prec_t bits) : Re(bits), Im(bits), Re2(bits), Im2(bits), CRe(c.Re), CIm(c.Im) {
    CRe.SetBits(bits);
    CIm.SetBits(bits);
  }
  void Step() {
    mpfr_sqr(Re2.Get(), Re.Get(), MPFR_RNDN);
    mpfr_sqr(Im2.Get(), Im.Get(), MPFR_RNDN);
    mpfr_mul(Im.Get(), Re.Get(), Im.Get(), MPFR_RNDN);
    mpfr_mul_2ui(Im.Get(), Im.Get(), 1, MPFR_RNDN);
    mpfr_add(Im.Get(), Im.Get(), CIm.Get(), MPFR_RNDN);
    mpfr_sub(Re.Get(), Re2.Get(), Im2.Get(), MPFR_RNDN);
    mpfr_add(Re.Get(), Re.Get(), CRe.Get(), MPFR_RNDN);
  }
  TLd Z() const { return {mpfr_get_ld(Re.Get(), MPFR_RNDN), mpfr_get_ld(Im.Get(), MPFR_RNDN)}; }

 private:
  TDeepReal Re, Im, Re2, Im2, CRe, CIm;
};

// The derivatives along an orbit in extended reals (their exponent range
// holds the sizes of minibrots down to about 1e-4900): dz/dc, and L the
// product of 2 z_j before the current step.
struct TDerivatives {
  TLd Dz, L{1, 0};
  // Moves from step n - 1 (z = z_{n-1}) to step n.
  void Advance(TLd z, int32_t n) {
    const TLd twice{2 * z.Re, 2 * z.Im};
    if (n > 1) L = L * twice;
    Dz = twice * Dz;
    Dz.Re += 1;
  }
  TLd Size() const { return TLd{1, 0} / (L * Dz); }
};

// A period whose nucleus may lie near c: the size the formula gives along
// c's orbit and Newton's first step |z_n / dz_n|.
struct TCandidate {
  int32_t Period = 0;
  TLd Size;
  long double Distance = 0;
};

// The lowest period n at which the disc of points within `radius` of c may
// hold a zero of z_n: the disc's image is followed as a ball around the
// orbit of c, |z_n(c') - z_n(c)| <= r_n with r_n = 2 |z_{n-1}| r_{n-1} +
// r_{n-1}^2 + radius, until it holds 0. None when the whole ball escapes or
// the limit is reached first.
std::optional<TCandidate> BallPeriod(const TPoint& c, long double radius, mpfr_prec_t bits, int32_t limit) {
  TOrbit orbit(c, bits);
  TDerivatives d;
  TLd z;
  long double r = 0;
  for (int32_t n = 1; n <= limit; ++n) {
    d.Advance(z, n);
    r = (2 * Abs(z) + r) * r + radius;
    orbit.Step();
    z = orbit.Z();
    const long double a = Abs(z);
    if (r >= a) return TCandidate{n, d.Size(), a / Abs(d.Dz)};
    if (a > 2 + r) return std::nullopt;
  }
  return std::nullopt;
}

struct TNucleus {
  TPoint C;
  int32_t Period = 0;
  TLd Size;
};

void Subtract(TDeepReal& x, long double v) { x = x - TDeepReal(Extended(v), x.Bits()); }

// Newton's method from `start` for z_p(c) = 0 at `bits`, until the step is
// below 2^-80 of the size or near the last bit. Fails when it does
// not settle, wanders off, or settles on a nucleus of a lower period (some
// z_n, n < p, as close to 0 as rounding leaves it).
std::optional<TNucleus> Newton(const TPoint& start, int32_t period, mpfr_prec_t bits) {
  TPoint c{start.Re, start.Im};
  c.Re.SetBits(bits);
  c.Im.SetBits(bits);
  for (int32_t step = 0; step < 100; ++step) {
    TOrbit orbit(c, bits);
    TDerivatives d;
    TLd z;
    long double lowest = INFINITY;  // least |z_n / dz_n| for n < p
    for (int32_t n = 1; n <= period; ++n) {
      d.Advance(z, n);
      orbit.Step();
      z = orbit.Z();
      if (n < period) lowest = std::min(lowest, Abs(z / d.Dz));
    }
    const TLd delta = z / d.Dz, size = d.Size();
    if (!std::isfinite(delta.Re) || !std::isfinite(delta.Im) || Abs(delta) > 1) return std::nullopt;
    Subtract(c.Re, delta.Re);
    Subtract(c.Im, delta.Im);
    if (Abs(delta) < std::max(Abs(size) * 0x1p-80L, std::ldexp(1.0L, 16 - int(bits)))) {
      if (lowest < Abs(size) * 0x1p-40L) return std::nullopt;
      return TNucleus{std::move(c), period, size};
    }
  }
  return std::nullopt;
}

// Newton at the bits the estimated size needs (at least `bits`), again at more bits when the
// size found needs them.
std::optional<TNucleus> Refine(const TPoint& start, int32_t period, TLd estimate, mpfr_prec_t bits) {
  bits = std::max(bits, BitsForDepth(std::log10(Abs(estimate))));
  for (int32_t round = 0; round < 4; ++round) {
    std::optional<TNucleus> found = Newton(start, period, bits);
    if (!found) return found;
    const mpfr_prec_t needed = BitsForDepth(std::log10(Abs(found->Size)));
    if (needed <= bits) return found;
    bits = needed + 64;
  }
  return std::nullopt;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Fixed-point decimal with `decimals` digits after the point.
std::string Plain(const TDeepReal& x, int decimals) {
  char* text = nullptr;
  if (mpfr_asprintf(&text, "%.*Rf", decimals, x.Get()) < 0 || !text) return {};
  std::string out(text);
  mpfr_free_str(text);
  return out;
}

std::string Scientific(long double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3Le", v);
  return text;
}

// The view of a minibrot: its width rounded to 4 digits.
std::string ViewWidth(const TNucleus& m) { return Scientific(kViewPerSize * Abs(m.Size)); }

void PrintNucleus(const char* what, const TNucleus& m, double seconds) {
  std::printf("%s period %d size %s view %s (%.1f s)\n", what, m.Period, Scientific(Abs(m.Size)).c_str(),
              ViewWidth(m).c_str(), seconds);
  std::fflush(stdout);
}

// A C++ string literal of `text` split into lines of 100 characters.
std::string Literal(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size(); at += 100) out += "\n     \"" + text.substr(at, 100) + "\"";
  return out;
}

// Saves the deep render's values as a picture: escape counts on a cyclic
// palette of their logarithm over the image's range, the pixels inside black.
void SavePicture(const std::string& png, const std::vector<float>& values, int32_t columns, int32_t rows) {
  float least = 0, most = 0;
  for (float v : values)
    if (v > 0) {
      least = least > 0 ? std::min(least, v) : v;
      most = std::max(most, v);
    }
  const double low = least > 0 ? std::log(double(least)) : 0;
  const double range = std::max(most > 0 ? std::log(double(most)) - low : 0.0, 1e-3);
  const int32_t stride = (columns * 3 + 3) & ~3;
  std::vector<uint8_t> image(size_t(stride) * rows);
  for (int32_t py = 0; py < rows; ++py)
    for (int32_t px = 0; px < columns; ++px) {
      const float v = values[size_t(py) * columns + px];
      uint8_t* out = &image[size_t(rows - 1 - py) * stride + size_t(px) * 3];
      if (v <= 0) continue;
      const double phase = 2 * M_PI * 4 * (std::log(double(v)) - low) / range;
      for (int32_t channel = 0; channel < 3; ++channel)
        out[channel] = uint8_t(std::lround(127.5 + 127.5 * std::cos(phase + 2.1 * channel)));
    }
  TBitmapInfoHeader header;
  header.biWidth = columns;
  header.biHeight = rows;
  header.biSizeImage = uint32_t(image.size());
  SavePngFile(png, header, image.data(), columns, rows, {});
}

// Prints three pixels computed wholly in arbitrary precision (with twice the
// bits of the view, as the benchmark's agreement check does) beside the deep
// render's values.
void CheckPixels(const TFormulaContext& ctx, const TDeepWindow& window, const std::vector<float>& values,
                 int32_t columns, int32_t rows) {
  const mpfr_prec_t bits = 2 * DeepBitsFor(window, columns);
  const TDeepReal step = window.W / TDeepReal(Extended(columns - 1), bits);
  for (const auto& [px, py] : {std::pair{0, 0}, std::pair{columns / 4, rows / 2}, std::pair{columns / 2, rows / 4}}) {
    const TDeepReal x = window.X + step * TDeepReal(Extended(px), bits);
    const TDeepReal y = window.Y - step * TDeepReal(Extended(py), bits);
    std::printf("pixel (%d, %d): deep %.0f, exact %d\n", px, py, values[size_t(py) * columns + px],
                ExactEscape(ctx, x, y, bits));
    std::fflush(stdout);
  }
}

// Renders the view with the deep render, prints its escape counts, checks
// three pixels and saves the picture when `png` is not empty.
void Render(const TMinibrotView& view, int32_t columns, int32_t rows, const std::string& png) {
  const auto start = std::chrono::steady_clock::now();
  TFormulaContext ctx;
  ctx.MaxIter = view.Iterations;
  TPerturbation deep;
  const TDeepWindow window = MinibrotWindow(view, columns, rows);
  if (!deep.Prepare(ctx, window, columns, columns, rows)) {
    std::printf("the deep render refuses the view\n");
    return;
  }
  std::vector<float> values(size_t(columns) * rows);
  const int32_t threads = std::max(1, int32_t(std::thread::hardware_concurrency()));
  std::vector<std::thread> workers;
  for (int32_t t = 0; t < threads; ++t)
    workers.emplace_back([&, t] {
      TFormulaContext pixel = ctx;
      for (int32_t py = t; py < rows; py += threads)
        for (int32_t px = 0; px < columns; ++px)
          values[size_t(py) * columns + px] = deep.Evaluate(&pixel, px, py).Value[0];
    });
  for (std::thread& w : workers) w.join();
  std::vector<float> escaped;
  for (float v : values)
    if (v > 0) escaped.push_back(v);
  std::sort(escaped.begin(), escaped.end());
  const double inside = 100.0 * double(values.size() - escaped.size()) / double(values.size());
  if (escaped.empty())
    std::printf("%dx%d, %d iterations: every pixel inside (%.1f s)\n", columns, rows, view.Iterations, Seconds(start));
  else
    std::printf("%dx%d, %d iterations (%d skipped): escapes min %.0f median %.0f max %.0f, %.1f%% inside (%.1f s)\n",
                columns, rows, view.Iterations, deep.SkippedIterations(), escaped.front(),
                escaped[escaped.size() / 2], escaped.back(), inside, Seconds(start));
  std::fflush(stdout);
  if (!png.empty()) SavePicture(png, values, columns, rows);
  CheckPixels(ctx, window, values, columns, rows);
}

// The header entry's texts of a nucleus and an iteration limit.
struct TViewText {
  std::string Re, Im, Width, Size;
  explicit TViewText(const TNucleus& m) {
    const int decimals = int(-std::floor(ViewExponent(m.Size))) + 20;
    Re = Plain(m.C.Re, decimals);
    Im = Plain(m.C.Im, decimals);
    Width = ViewWidth(m);
    Size = Scientific(Abs(m.Size));
  }
  TMinibrotView View(const TNucleus& m, int32_t iterations) const {
    return {Re.c_str(), Im.c_str(), Width.c_str(), m.Period, Size.c_str(), iterations};
  }
};

// The view as an entry of the benchmark's table of minibrot views.
void PrintEntry(const TNucleus& m, int32_t iterations) {
  const TViewText text(m);
  std::printf("    {%s,%s,\n     \"%s\", %d, \"%s\", %d},\n", Literal(text.Re).c_str(), Literal(text.Im).c_str(),
              text.Width.c_str(), m.Period, text.Size.c_str(), iterations);
  std::fflush(stdout);
}

// A minibrot on the way down and the log10 of the scale of the surroundings
// its neighbourhood repeats: the radius of the disc in which it had the
// lowest period.
struct TLevel {
  TNucleus M;
  long double Outer = 0;
};

TPoint Offset(const TNucleus& m, TLd u, mpfr_prec_t bits) {
  const TLd d = m.Size * u;
  TPoint p{m.C.Re, m.C.Im};
  p.Re.SetBits(bits);
  p.Im.SetBits(bits);
  p.Re = p.Re + TDeepReal(Extended(d.Re), bits);
  p.Im = p.Im + TDeepReal(Extended(d.Im), bits);
  return p;
}

// How well a minibrot of `period` and `size` serves as the next step from
// `from` towards views 10^goal wide, lower first: views within `tolerance`
// decades of the goal by their distance from it; then shallower ones going
// at least a third deeper than `from`, by the periods they add per decade
// (so that the period grows no faster than needed and the views' escape
// counts stay within reach of the iteration limits); then other shallower
// ones, deepest first; views past the goal last.
std::pair<int, long double> Rank(int32_t period, TLd size, const TNucleus& from, long double goal,
                                 long double tolerance) {
  const long double exponent = ViewExponent(size), depth = std::log10(Abs(size));
  const long double start = std::log10(Abs(from.Size));
  if (std::fabs(exponent - goal) <= tolerance) return {0, std::fabs(exponent - goal)};
  if (exponent < goal) return {3, goal - exponent};
  if (depth < start * 4 / 3) return {1, (period - from.Period) / (start - depth)};
  return {2, exponent};
}

constexpr int32_t kNewtonTries = 8;

// The next minibrot down from the level, towards views 10^goal wide.
std::optional<TLevel> Deeper(const TLevel& level, long double goal, long double tolerance) {
  const TNucleus& m = level.M;
  const long double depth = std::log10(Abs(m.Size));
  const long double span = level.Outer - depth;  // decades from the minibrot to its surroundings
  const mpfr_prec_t bits = BitsForDepth(std::min(2 * depth, goal) - 30);
  struct TTry {
    TCandidate Candidate;
    TPoint From;
    long double Disc;
  };
  std::vector<TTry> tries;
  for (const long double fraction : {0.2L, 0.35L, 0.5L, 0.65L, 0.8L})
    for (int32_t direction = 0; direction < 8; ++direction)
      for (const long double part : {0.25L, 0.03L, 0.004L}) {
        // Outside the copy, which lies within |u| < 2.
        const long double radius = std::max(4.0L, std::pow(10.0L, fraction * span)), angle = direction * M_PI / 4;
        const TLd u{radius * std::cos(angle), radius * std::sin(angle)};
        TPoint from = Offset(m, u, bits);
        const long double disc = part * radius * Abs(m.Size);
        const std::optional<TCandidate> c = BallPeriod(from, disc, bits, 16 * m.Period);
        if (!c || c->Period <= m.Period) continue;
        auto same = std::find_if(tries.begin(), tries.end(),
                                 [&](const TTry& t) { return t.Candidate.Period == c->Period; });
        if (same == tries.end())
          tries.push_back({*c, TPoint{from.Re, from.Im}, disc});
        else if (c->Distance < same->Candidate.Distance)
          *same = TTry{*c, TPoint{from.Re, from.Im}, disc};
      }
  std::sort(tries.begin(), tries.end(), [&](const TTry& a, const TTry& b) {
    return Rank(a.Candidate.Period, a.Candidate.Size, m, goal, tolerance) <
           Rank(b.Candidate.Period, b.Candidate.Size, m, goal, tolerance);
  });
  std::optional<TLevel> best;
  int32_t newton = 0;
  for (const TTry& t : tries) {
    if (newton == kNewtonTries) break;
    ++newton;
    std::optional<TNucleus> found = Refine(t.From, t.Candidate.Period, t.Candidate.Size, bits);
    std::printf("  period %d: estimate %s, %s\n", t.Candidate.Period, Scientific(Abs(t.Candidate.Size)).c_str(),
                found ? Scientific(Abs(found->Size)).c_str() : "no nucleus");
    if (found && (!best || Rank(found->Period, found->Size, m, goal, tolerance) <
                               Rank(best->M.Period, best->M.Size, m, goal, tolerance)))
      best = TLevel{std::move(*found), std::log10(t.Disc)};
  }
  return best;
}

int Descend(int argc, char** argv) {
  const long double width = std::strtold(argv[4], nullptr);
  const mpfr_prec_t bits = BitsForDepth(3 * std::log10(width));
  TPoint start{TDeepReal(bits), TDeepReal(bits)};
  if (!TDeepReal::Parse(argv[2], bits, start.Re) || !TDeepReal::Parse(argv[3], bits, start.Im)) return 2;
  const auto begin = std::chrono::steady_clock::now();
  // The start: the minibrot of the lowest period within the width.
  std::optional<TLevel> level;
  if (const std::optional<TCandidate> c = BallPeriod(start, width, bits, 1000000))
    if (std::optional<TNucleus> found = Refine(start, c->Period, c->Size, bits))
      level = TLevel{std::move(*found), std::log10(width)};
  if (!level) {
    std::printf("no minibrot near the start\n");
    return 1;
  }
  PrintNucleus("start:", level->M, Seconds(begin));
  for (int32_t g = 5; g < argc; ++g) {
    const long double goal = -std::strtold(argv[g], nullptr), tolerance = 2 + 0.01L * std::fabs(goal);
    for (;;) {
      const auto step = std::chrono::steady_clock::now();
      std::optional<TLevel> next = Deeper(*level, goal, tolerance);
      if (!next) {
        std::printf("no deeper minibrot\n");
        return 1;
      }
      level = std::move(next);
      PrintNucleus("level:", level->M, Seconds(step));
      const long double exponent = ViewExponent(level->M.Size);
      if (exponent < goal + tolerance) {
        std::printf("view for 1e%.0Lf after %.0f s%s:\n", goal, Seconds(begin),
                    exponent < goal - tolerance ? " (past it)" : "");
        PrintEntry(level->M, 0);
        break;
      }
    }
  }
  return 0;
}

int Verify(int argc, char** argv) {
  TPoint guess{TDeepReal(), TDeepReal()};
  if (!TDeepReal::ParseAllDigits(argv[2], guess.Re) || !TDeepReal::ParseAllDigits(argv[3], guess.Im)) return 2;
  const int32_t period = std::atoi(argv[4]), iterations = std::atoi(argv[5]);
  const mpfr_prec_t bits = std::max(guess.Re.Bits(), guess.Im.Bits());
  const auto begin = std::chrono::steady_clock::now();
  std::optional<TNucleus> m = Refine(guess, period, TLd{1, 0}, bits);
  if (!m) {
    std::printf("no nucleus of period %d there\n", period);
    return 1;
  }
  PrintNucleus("nucleus:", *m, Seconds(begin));
  PrintEntry(*m, iterations);
  const TViewText text(*m);
  Render(text.View(*m, iterations), argc > 7 ? std::atoi(argv[7]) : 64, argc > 8 ? std::atoi(argv[8]) : 48,
         argc > 6 ? argv[6] : "");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "descend" && argc >= 6) return Descend(argc, argv);
  if (mode == "verify" && argc >= 6) return Verify(argc, argv);
  std::fprintf(stderr,
               "usage: %s descend <re> <im> <width> <goal exponent>...\n"
               "       %s verify <re> <im> <period> <iterations> [png [columns rows]]\n",
               argv[0], argv[0]);
  return 2;
}
