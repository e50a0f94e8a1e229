// SPDX-License-Identifier: GPL-3.0-or-later
// Deep zoom: the perturbation render checked pixel by pixel against a
// brute-force arbitrary-precision render, and the time of 1024 x 768 deep
// renders in nanoseconds per iteration beside the ordinary render.
// With PX_DEEP_PNG naming a folder, every deep document render is also saved
// there as deep-<location>-1e-<exponent>.png to look at.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

#include "bench/centred_window.h"
#include "bench/cpu_clock.h"
#include "engine/fractal.h"
#include "engine/perturbation.h"
#include "engine/render_thread.h"
#include "formulas/pixel.h"
#include "ui/image_file.h"

namespace {

// Two boundary points of the Mandelbrot set in the seahorse valley. The first
// is given to 33 digits: past about 1e-33 its view lies inside the set. The
// second is the Misiurewicz point whose orbit of 0 lands on a fixed point after
// 24 steps, to 1700 digits: its spirals and branches go on at every depth.
struct TLocation {
  const char *Re, *Im;
};
const TLocation kLocations[] = {
    {"-0.743643887037158704752191506114774", "0.131825904205311970493132056385139"},
    {"-0.7756837680090537974694835039347410457282465046158003947949520014006660172228195898948831593687822"
     "5502825229668905097250894299179080463737937506494827746685139773763998859783006009639912986589473947"
     "5697095406364503221246672424856704985538399732979983625775760983818477478281146623356755410282100970"
     "8820059549938576743538116787332491263412465454653356374833900404131395950101019215729384518068471639"
     "1449953214061291424023626500456593442009479657691814476716870901125125334320629465016678397054826436"
     "2492162039250160645079374349653660204080770747861359734718037613173324770086672031776615359589651211"
     "6774354982616602773797528341316869186470232903941674724363407452099711971197595136632024982538281587"
     "7635314963542827705612358063541036359468419010920566010122053844645742324378971476029201014640902087"
     "5322490727103316156970327831067750698015313862515309886343340265823877895174929710932231824227094009"
     "9007308071784459227320142825204567603785571140167669458726208579238280021283387944925581547672407667"
     "8559412527387551142984870594249698443345830991432364335079847292628027862248404069632423477302963060"
     "8426696045852243324409300825070178234633858520391101357676307779661409499968798202675852044643887755"
     "3740941596356250353086899793042326710114101034423922985777578191349660382592982098886372255625120015"
     "7352022294302675446848547875382658895875878559455502811385339948770667312104486634313132335647967358"
     "2153822631160727465767726715918414657029106662448405916332089461204595643250442196904211846279662634"
     "7794109809000676611736737017178824626632849351952276619774964524008269966090768577278605378749060789"
     "2293958410557193567881365856721228289199148700235473773996179311327742996979311299380677857298798649"
     "497",
     "0.13646736829469012473327440961784876519777211159246769640780019540083566597481550087544861124417865"
     "6625706823059759836009902469392551108149827753781145286649993814296666641015839865443932434240927700"
     "8273232246483720868504089830142723620323826031943794303689848283662213246438553817382461272779998680"
     "2237591203745426387736715806935338910918090833406685978107312451701925533421214903398734280473628205"
     "6922153690267223726293673495886461029474251783842101221837226242868314952804081589647741841329684713"
     "3900062378864798044614119662456044495675133597376622382527942137253140614727883066939364071653498396"
     "8023064712914888390182475926137759184283834783847163572451066857153055598980583576760300272028857325"
     "5919833529706632425872364332496818867775896969721079784918243880205015143165505233227720843856858271"
     "1775581212040662209485444390394438278537312672582507647238080074123435879687704830630893107533427973"
     "9690016157016756223705627817946278060100613384582555741240106989050403121507813457913858689404917709"
     "4148788555716639403058824362302613515969257509728349712433471257790155091070956990680936859982527788"
     "3231993715286609031775027229845259854546174311649899260162324549581768435603917451459468549233782123"
     "0283277365105450364634490999829924181104471871141377261183347070661198321057957426455774067290750815"
     "0331019421754052139518695876675467840031252234646165011241493492117815790175530933631257449652353086"
     "7831423384870828549971899343073408160808707043818662593531060167439675563897246358265019313355920467"
     "8855903087269764190653524745997858641753241225510990838817674303567641159473331119583413810837204008"
     "7968458213613175691515660486719416095364858702441614065433754813450569110351193368380376674228857674"
     "94"},
};
constexpr int kDocWidth = 1024, kDocHeight = 768;

// The view `columns` x `rows` centred on the location, 10^-exponent wide.
TDeepWindow WindowAround(const TLocation& at, int64_t exponent, int32_t columns, int32_t rows) {
  return CentredWindow(at.Re, at.Im, "1e-" + std::to_string(exponent), columns, rows);
}

// The document's automatic iteration limit for a view 10^-exponent wide, or
// `given` when it is not 0.
int32_t IterationsFor(int32_t columns, int64_t exponent, int64_t given) {
  if (given > 0) return int32_t(given);
  return std::min<int32_t>(int32_t(std::lround(100 * (std::log10(double(columns)) + double(exponent)))), kMaxIterLimit);
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// 64 x 48 pixels: the share whose escape iteration equals the brute-force
// one, and how many different iterations the image holds (a flat image
// would agree trivially).
// Arguments: location, exponent, iteration limit (0: automatic).
void BM_DeepAgreement(benchmark::State& state) {
  const int64_t exponent = state.range(1);
  constexpr int32_t columns = 64, rows = 48;
  const TDeepWindow window = WindowAround(kLocations[state.range(0)], exponent, columns, rows);
  TFormulaContext ctx;
  ctx.MaxIter = IterationsFor(columns, exponent, state.range(2));
  // Twice the bits of the view: the brute force has no rebasing to keep its
  // digits when an orbit passes close to 0.
  const mpfr_prec_t bits = 2 * DeepBitsFor(window, columns);
  const TDeepReal step = window.W / TDeepReal(Extended(columns - 1), bits);
  int32_t same = 0, skipped = 0;
  std::set<float> distinct;
  for (auto _ : state) {
    TPerturbation deep;
    deep.Prepare(ctx, window, columns, columns, rows);
    skipped = deep.SkippedIterations();
    TFormulaContext pixel = ctx;
    same = 0;
    for (int32_t px = 0; px < columns; ++px)
      for (int32_t py = 0; py < rows; ++py) {
        const float value = deep.Evaluate(&pixel, px, py).Value[0];
        const TDeepReal x = window.X + step * TDeepReal(Extended(px), bits);
        const TDeepReal y = window.Y - step * TDeepReal(Extended(py), bits);
        same += value == float(ExactEscape(ctx, x, y, bits));
        distinct.insert(value);
      }
  }
  state.counters["agree %"] = 100.0 * same / (columns * rows);
  state.counters["distinct"] = double(distinct.size());
  state.counters["skipped"] = skipped;
  state.counters["max iter"] = ctx.MaxIter;
}

// The processor time of one iteration on this thread, 64 x 48 pixels at the
// first location with 25000 iterations at most: the ordinary render
// (argument 0: extended, 1: fast double arithmetic) of a view 1e-9 wide, and
// the perturbation render (2) of a view 1e-25 wide, per iteration of the
// escape count and per iteration it did not skip through the series.
void BM_IterationCost(benchmark::State& state) {
  const int64_t kind = state.range(0);
  constexpr int32_t columns = 64, rows = 48;
  const TDeepWindow window = WindowAround(kLocations[0], kind == 2 ? 25 : 9, columns, rows);
  TFormulaContext ctx;
  ctx.MaxIter = 25000;
  ctx.FastArithmetic = kind == 1;
  int64_t total = 0, executed = 0;
  double seconds = 0;
  for (auto _ : state) {
    const double start = ProcessCpuSeconds();
    TPerturbation deep;
    if (kind == 2) deep.Prepare(ctx, window, columns, columns, rows);
    const double x0 = window.X.ToDouble(), y0 = window.Y.ToDouble();
    const double step = window.W.ToDouble() / (columns - 1);
    TFormulaContext pixel = ctx;
    for (int32_t px = 0; px < columns; ++px)
      for (int32_t py = 0; py < rows; ++py) {
        const float v = kind == 2 ? deep.Evaluate(&pixel, px, py).Value[0]
                                  : EvaluatePixel(&pixel, x0 + px * step, y0 - py * step).Value[0];
        const int64_t n = v > 0 ? int64_t(v) : ctx.MaxIter;
        total += n;
        executed += n - deep.SkippedIterations();
      }
    seconds += ProcessCpuSeconds() - start;
  }
  state.counters["ns/iter"] = 1e9 * seconds / double(total);
  if (kind == 2) state.counters["ns/executed"] = 1e9 * seconds / double(executed);
}

double OrdinaryNsPerIteration = 0;

// Renders the document and gives the iterations its pixels took.
int64_t RenderIterations(TFractal& doc) {
  doc.RenderThread()->WaitFor();
  int64_t total = 0;
  const float* v = doc.ValueBuffer();
  for (int32_t py = 0; py < kDocHeight; ++py)
    for (int32_t px = 0; px < kDocWidth; ++px) {
      const float n = v[(size_t(py) * doc.BufWidth() + px) * 3];
      total += n > 0 ? int64_t(n) : doc.Ctx.MaxIter;
    }
  return total;
}

// Renders the document's view of the location 10^-exponent wide once per
// benchmark iteration and gives the wall time of one pixel iteration.
double TimedRenders(benchmark::State& state, TFractal& doc, const TLocation& at, int64_t exponent) {
  int64_t total = 0;
  double seconds = 0;
  for (auto _ : state) {
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    doc.RenderThread()->WaitFor();
    const auto start = std::chrono::steady_clock::now();
    doc.SetDeepWindow(WindowAround(at, exponent, kDocWidth, kDocHeight));
    total += RenderIterations(doc);
    seconds += Seconds(start);
  }
  const double ns = 1e9 * seconds / double(total);
  state.counters["ns/iter"] = ns;
  state.counters["iter"] = double(total) / double(state.iterations());
  state.counters["max iter"] = doc.Ctx.MaxIter;
  return ns;
}

// The ordinary (extended) render on one thread of a view the doubles still
// resolve, 1e-9 wide at the Misiurewicz point, with the automatic limit of a
// view 1e-50 wide.
void BM_OrdinaryRender(benchmark::State& state) {
  TFractal::RenderThreads = 1;
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kDocWidth, kDocHeight, &canvas);
  doc.AutoIter = false;
  doc.Ctx.MaxIter = IterationsFor(kDocWidth, 50, 0);
  OrdinaryNsPerIteration = TimedRenders(state, doc, kLocations[1], 9);
  TFractal::RenderThreads = 0;
}

// A 1024 x 768 deep render of the document 10^-exponent wide, reference
// orbit included. Arguments: location, exponent, iteration limit (0:
// automatic), threads.
void BM_DeepRender(benchmark::State& state) {
  const int64_t exponent = state.range(1);
  TFractal::RenderThreads = int32_t(state.range(3));
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kDocWidth, kDocHeight, &canvas);
  doc.AutoIter = state.range(2) == 0;
  doc.Ctx.MaxIter = int32_t(state.range(2));
  const double ns = TimedRenders(state, doc, kLocations[state.range(0)], exponent);
  if (OrdinaryNsPerIteration > 0 && state.range(3) == 1) state.counters["x ordinary"] = ns / OrdinaryNsPerIteration;
  if (const char* folder = std::getenv("PX_DEEP_PNG"))
    SavePngFile(
        std::string(folder) + "/deep-" + std::to_string(state.range(0)) + "-1e-" + std::to_string(exponent) + ".png",
        doc.BitmapHeader(), doc.ImageBuffer(), kDocWidth, kDocHeight, {});
  TFractal::RenderThreads = 0;
}

}  // namespace

const int64_t kCores = int64_t(std::thread::hardware_concurrency());

BENCHMARK(BM_DeepAgreement)
    ->Args({0, 25, 25000})
    ->Args({1, 25, 0})
    ->Args({1, 50, 0})
    ->Args({1, 100, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_IterationCost)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kSecond);
BENCHMARK(BM_OrdinaryRender)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_DeepRender)
    ->Args({1, 50, 0, 1})
    ->Args({0, 25, 25000, kCores})
    ->Args({0, 50, 0, kCores})
    ->Args({1, 25, 0, kCores})
    ->Args({1, 100, 0, kCores})
    ->Args({1, 200, 0, kCores})
    ->Args({1, 300, 0, kCores})
    ->Args({1, 400, 0, kCores})
    ->Args({1, 1000, 0, kCores})
    ->Args({1, 1600, 0, kCores})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
