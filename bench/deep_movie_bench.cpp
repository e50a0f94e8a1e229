// SPDX-License-Identifier: GPL-3.0-or-later
// Deep zoom flights of 30 frames at 640 x 360, in CPU seconds per frame:
// rendered through the zoom loop, which computes the reference orbits once
// for the deepest frame and lends them to every frame, and frame by frame,
// each computing its own. The second run of a flight also reports the share
// of pixels whose escape values differ between the two. The flights end at
// 1e-100 and 1e-1000 at a seahorse-valley Misiurewicz point.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bench/cpu_clock.h"
#include "engine/deep_reference.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "movies/movie_host.h"
#include "movies/zoom_movie.h"

namespace {

// The Misiurewicz point of the deep zoom benchmark, whose orbit of 0 lands on
// a fixed point after 24 steps, to 130 digits; c = i.
struct TLocation {
  const char *Re, *Im;
  int Preperiod;  // 0: exact as given
};
const TLocation kLocations[] = {
    {"-0.7756837680090537974694835039347410457282465046158003947949520014006660172228195898948831593687822"
     "550282522966890509725089429917908",
     "0.13646736829469012473327440961784876519777211159246769640780019540083566597481550087544861124417865"
     "662570682305975983600990246939255",
     24},
    {"0", "1", 0},
};

struct TCx {
  TDeepReal Re, Im;
};
TCx operator+(const TCx& a, const TCx& b) { return {a.Re + b.Re, a.Im + b.Im}; }
TCx operator-(const TCx& a, const TCx& b) { return {a.Re - b.Re, a.Im - b.Im}; }
TCx operator*(const TCx& a, const TCx& b) { return {a.Re * b.Re - a.Im * b.Im, a.Re * b.Im + a.Im * b.Re}; }
TCx operator/(const TCx& a, const TCx& b) {
  const TDeepReal n = b.Re * b.Re + b.Im * b.Im;
  return {(a.Re * b.Re + a.Im * b.Im) / n, (a.Im * b.Re - a.Re * b.Im) / n};
}

// The location to `bits`: a Misiurewicz point given to fewer digits is
// refined by Newton's method on z(p + 1) - z(p) = 0, p its preperiod, each
// step doubling the digits.
TCx PointOf(const TLocation& at, mpfr_prec_t bits) {
  TCx c{TDeepReal(bits), TDeepReal(bits)};
  TDeepReal::Parse(at.Re, bits, c.Re);
  TDeepReal::Parse(at.Im, bits, c.Im);
  if (at.Preperiod == 0) return c;
  const TCx one{TDeepReal(1.0L, bits), TDeepReal(0.0L, bits)}, two{TDeepReal(2.0L, bits), TDeepReal(0.0L, bits)};
  for (mpfr_prec_t digits = 400; digits < 2 * bits; digits *= 2) {
    TCx z{TDeepReal(bits), TDeepReal(bits)}, dz = z, zp = z, dzp = z;
    for (int k = 0; k <= at.Preperiod; ++k) {
      if (k == at.Preperiod) zp = z, dzp = dz;
      dz = two * z * dz + one;
      z = z * z + c;
    }
    c = c - (z - zp) / (dz - dzp);
  }
  return c;
}

constexpr int32_t kWidth = 640, kHeight = 360;
constexpr int32_t kFrames = 29;  // from the first spot to the second: 30 frames with the last

// The spot of the view 10^-exponent wide centred on the location.
TMovieSpot SpotAt(const TLocation& at, int64_t exponent) {
  const mpfr_prec_t bits = mpfr_prec_t(exponent * 3.33) + 128;
  const TCx c = PointOf(at, bits);
  const TDeepReal &re = c.Re, &im = c.Im;
  TDeepReal w(bits);
  TDeepReal::Parse("1e-" + std::to_string(exponent), bits, w);
  const TDeepReal step = w / TDeepReal(Extended(kWidth - 1), bits);
  TFractal probe(-1, 0, 0, 0, kWidth, kHeight, nullptr);
  probe.SetDeepWindow({re - step * TDeepReal(Extended(kWidth - 1) / 2, bits),
                       im + step * TDeepReal(Extended(kHeight - 1) / 2, bits), w});
  return MovieSpotOf(probe, kFrames);
}

// A flight from 10^-(exponent - kFrames) to 10^-exponent.
std::vector<TMovieSpot> FlightTo(const TLocation& at, int64_t exponent) {
  return {SpotAt(at, exponent - kFrames), SpotAt(at, exponent)};
}

// The escape values of every frame of the last run of each kind, and the
// flight (location and exponent) they belong to.
std::vector<std::vector<float>> Frames[2];
std::pair<int64_t, int64_t> FramesFlight[2] = {{-1, -1}, {-1, -1}};

class TBenchHost : public TMovieHost {
 public:
  explicit TBenchHost(std::vector<std::vector<float>>& frames)
      : Doc(0, -2.2L, 1.4L, 2.8L, kWidth, kHeight, &Canvas), Out(frames) {
    Out.clear();
  }
  TFractal& Document() override { return Doc; }
  void RenderAndWait() override {
    TFThread* render = Doc.RenderThread();
    if (!render) return;
    render->WaitFor();
    if (auto used = render->DeepReference()) References.insert(used);
  }
  bool WriteFrame(int32_t) override {
    std::vector<float> values(size_t(kWidth) * kHeight);
    const float* v = Doc.ValueBuffer();
    for (int32_t py = 0; py < kHeight; ++py)
      for (int32_t px = 0; px < kWidth; ++px)
        values[size_t(py) * kWidth + px] = v[(size_t(py) * Doc.BufWidth() + px) * 3];
    Out.push_back(std::move(values));
    return true;
  }
  bool Running() const override { return true; }
  int32_t FrameCount() const override { return kFrames + 1; }
  void SetGaugeMax(int32_t) override {}
  void SetGaugePosition(int32_t) override {}

  TNullCanvas Canvas;
  TFractal Doc;
  std::vector<std::vector<float>>& Out;
  std::set<std::shared_ptr<const TDeepReference>> References;
};

// Arguments: location, exponent of the deepest width, 1 through the zoom
// loop (one reference), 0 frame by frame.
void BM_DeepFlight(benchmark::State& state) {
  const std::vector<TMovieSpot> flight = FlightTo(kLocations[state.range(0)], state.range(1));
  const bool shared = state.range(2) != 0;
  state.SetLabel(shared ? "one reference for the flight" : "a reference per frame");
  double seconds = 0;
  for (auto _ : state) {
    TBenchHost host(Frames[shared]);
    const double start = ProcessCpuSeconds();
    if (shared) {
      RunZoomLoop(host, flight, TZoomSmooth::Regular, 0, kFrames);
    } else {
      for (int32_t c = 0; c <= kFrames; ++c) {
        host.Doc.SetWindow(ZoomWindow(flight, TZoomSmooth::Regular, c));
        host.RenderAndWait();
        host.WriteFrame(c);
      }
    }
    seconds = ProcessCpuSeconds() - start;
    state.counters["references"] = double(host.References.size());
    state.counters["deepest MaxIter"] = host.Doc.Ctx.MaxIter;
  }
  state.counters["CPU s/frame"] = seconds / (kFrames + 1);
  FramesFlight[shared] = {state.range(0), state.range(1)};
  if (!shared || FramesFlight[0] != FramesFlight[1]) return;
  // Pixels whose escape values differ between the two runs, and by more than one.
  int64_t differ = 0, far = 0, total = 0;
  for (size_t f = 0; f < Frames[0].size(); ++f)
    for (size_t k = 0; k < Frames[0][f].size(); ++k, ++total) {
      const float d = std::fabs(Frames[0][f][k] - Frames[1][f][k]);
      differ += d > 0;
      far += d > 1;
    }
  state.counters["differ %"] = 100.0 * double(differ) / double(total);
  state.counters["differ >1 %"] = 100.0 * double(far) / double(total);
}

// The reference orbits of the deepest frame alone. Arguments: location,
// exponent of the width.
void BM_DeepFlightReference(benchmark::State& state) {
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  doc.Ctx.Number = 0;
  const TViewWindow view = SpotAt(kLocations[state.range(0)], state.range(1)).Window;
  const TDeepWindow& window = view.Exact();
  TFormulaContext ctx = doc.Ctx;
  ctx.MaxIter = doc.RenderMaxIter(view);
  const mpfr_prec_t bits = DeepReferenceBits(window, kWidth);
  const TCx c = PointOf(kLocations[state.range(0)], bits);
  double seconds = 0;
  for (auto _ : state) {
    const double start = ThreadCpuSeconds();
    benchmark::DoNotOptimize(ComputeDeepReference(ctx, c.Re, c.Im, ctx.MaxIter));
    seconds = ThreadCpuSeconds() - start;
  }
  state.counters["CPU s"] = seconds;
  state.counters["iterations"] = ctx.MaxIter;
  state.counters["bits"] = double(bits);
}

}  // namespace

// Each flight frame by frame first, so that the run through the zoom loop
// compares its frames with it.
BENCHMARK(BM_DeepFlight)
    ->Args({0, 100, 0})
    ->Args({0, 100, 1})
    ->Args({0, 1000, 0})
    ->Args({0, 1000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_DeepFlightReference)->Args({0, 100})->Args({0, 1000})->Args({1, 1000})->Iterations(1)->Unit(benchmark::kMillisecond);
