// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/render_thread.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/deep_auto_limit.h"
#include "engine/fractal.h"
#include "engine/perturbation.h"
#include "formulas/calc_point.h"
#include "formulas/filters.h"
#include "formulas/kernel_common.h"
#include "formulas/orbital_steps.h"
#include "formulas/pixel.h"
#include "formulas/vector_kernels.h"
#include "platform/messages.h"
#include "platform/named_mutex.h"

namespace {

bool IsPointFormula(int32_t number) {
  return (number >= kFirstOrbitalFormula && number <= 999) || number == kIFSFormula;
}

bool IsEscapeTimeFormula(int32_t number) {
  return (number >= 0 && number <= 499) || number == kConstructorFormula || number == kUserFormula;
}

// Round half to even into an int32, false when the value does not fit.
bool RoundToInt(Extended v, int32_t& out) {
  const Extended r = std::nearbyint(v);
  if (!(r >= -2147483648.0L && r <= 2147483647.0L)) return false;
  out = int32_t(r);
  return true;
}

int32_t ThreadCountFor(int32_t setting) {
  if (setting > 0) return setting;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : int32_t(cores);
}

}  // namespace

bool HasRenderPass(int32_t number) { return IsEscapeTimeFormula(number) || IsPointFormula(number); }

TFThread::TFThread(TFractal* document) : Document(document) {
  TFractal& d = *Document;
  if (d.MainDocument) {
    Mutex = OpenNamedMutex(TFractal::RenderMutexName);
    if (!Mutex) {
      SkipRun();
      return;
    }
  }
  // The run works on a copy of the parameters taken here, on the owner's
  // thread: the owner may change the document's parameters while the run
  // ends, and restarts it right after.
  Ctx = d.Ctx;
  Palette = d.Palette->Snapshot();
  X = d.X;
  Y = d.Y;
  Deep = d.Deep;
  Reference = d.DeepReference;
  Progress = d.ProgressFlag;
  Preview = d.PreviewMode;
  AutoIter = d.AutoIter;
  Threads = ThreadCountFor(TFractal::RenderThreads);
  Step = d.W / (d.Width - 1);
  PictureRows = d.PictureRows();
  BandHeight = d.BufHeight();
  Banded = d.RowBands().Height > 0;
  if (Banded) {
    const TFractal::TRowBands& bands = d.RowBands();
    First = std::clamp(bands.First, 0, PictureRows);
    End = bands.Count > 0 ? int32_t(std::min<int64_t>(int64_t(First) + bands.Count, PictureRows)) : PictureRows;
  } else {
    End = PictureRows;
  }
  Top = First;
  Rows = std::min(BandHeight, End - First);
  const size_t pixels = size_t(d.PixelCount);
  if (IsPointFormula(Ctx.Number)) {
    std::fill(d.Values.get(), d.Values.get() + pixels * 3, 0.0f);
    std::fill(d.Image.get(), d.Image.get() + pixels * 3, uint8_t(0));
    d.Paint();
  }
  if (Preview) std::fill(d.Values.get(), d.Values.get() + pixels * 3, 0.0f);
  Start();
}

TFThread::~TFThread() { Stop(); }

void TFThread::Post(uint32_t msg, intptr_t done, intptr_t total) { PostMessage(0, msg, done, total); }

void TFThread::Execute() {
  const int32_t number = Ctx.Number;
  if (number < 0 || (number == kIFSFormula && Ctx.IFSNumber < 0)) return;
  // Waiting for the mutex gives up when the owner asks us to stop, so a
  // restart never waits for another view's render.
  const bool locked = !Mutex || Mutex->Acquire(&TerminateFlag());
  if (locked) {
    if (IsEscapeTimeFormula(number)) PrepareDeepRender();
    if (Preview) {
      RenderProgressive();
    } else if (IsEscapeTimeFormula(number)) {
      RenderBands([this] { return Threads > 1 ? RenderEscapeTimeParallel(Threads) : RenderEscapeTime(); });
    } else if (number >= kFirstOrbitalFormula && number <= 999) {
      RenderBands([this] { return RenderPoints(false); });
    } else if (number == kIFSFormula) {
      PointSeed = IFSRandomSeed();
      RenderBands([this] { return RenderPoints(true); });
    }
  }
  if (Progress) Post(MSG_RENDER_DONE, 0, 0);
  if (Mutex && locked) Mutex->Release();
}

template <class F>
void TFThread::RenderBands(F render) {
  for (Top = First; Top < End; Top += BandHeight) {
    Rows = std::min(BandHeight, End - Top);
    if (!render() || !Banded) return;
    Synchronize([this] {
      if (!TerminateRequested() && Document->OnBand) Document->OnBand(Document, Top, Rows);
    });
    if (TerminateRequested()) return;
  }
}

void TFThread::PrepareDeepRender() {
  TFractal& d = *Document;
  if (!PerturbationServes(Ctx) || !PastOrdinaryPrecision(Deep, d.Width)) return;
  // Stopped while the reference orbit was computed: the passes end at once.
  TDeepPrepare how;
  how.Watch = {&TerminateFlag(), &ReferenceDone, &ReferenceTotal, [this] { ReportReference(); }};
  if (Reference) {
    how.Reference = Reference->Get(how.Watch);
    if (!how.Reference) return;  // stopped
  }
  if (AutoIter) {
    TDeepLimitChoice choice;
    if (!ChooseDeepLimit(Ctx, Deep, d.Width, d.Height, d.BufWidth(), PictureRows, MaxIterLimitFor(Ctx, Deep, d.Width),
                         Threads, how, choice))
      return;
    Ctx.MaxIter = choice.Limit;
    how.Reference = choice.Reference;
    // A stopped run's limit belongs to a view the document has left.
    Synchronize([this, limit = choice.Limit] {
      if (!TerminateRequested()) Document->TakeAutoMaxIter(limit);
    });
  }
  Perturbation = std::make_unique<TPerturbation>();
  if (!Perturbation->Prepare(Ctx, Deep, d.Width, d.BufWidth(), PictureRows, how)) Perturbation.reset();
}

void TFThread::ReportReference() {
  if (!Progress) return;
  const int64_t total = ReferenceTotal.load(), done = std::min(ReferenceDone.load(), total);
  const int64_t shown = total > 0 ? done * 1000 / total : 1000;
  if (shown == ReferenceShown) return;
  ReferenceShown = shown;
  Post(MSG_REFERENCE_PROGRESS, intptr_t(done), intptr_t(total));
}

std::shared_ptr<const TDeepReference> TFThread::DeepReference() const {
  return Finished() && Perturbation ? Perturbation->Reference() : nullptr;
}

bool TFThread::EvaluateStrip(TFormulaContext& ctx, int32_t left, int32_t count, bool onlyUnescaped, TStrip& strip) {
  const size_t rows = size_t(Rows);
  strip.Left = left;
  strip.Count = 0;
  strip.Values.resize(rows * kStripColumns * 3);
  strip.Computed.resize(onlyUnescaped ? rows * kStripColumns : 0);
  thread_local std::vector<TPixelChannels> column;
  thread_local std::vector<uint8_t> computed;
  column.resize(rows);
  computed.resize(rows);
  for (int32_t k = 0; k < count; ++k) {
    if (TerminateRequested()) return false;
    const int32_t px = left + k;
    // The preview pass takes its columns' x in single precision.
    const double x = onlyUnescaped ? double(float(X + px * Step)) : double(X + px * Step);
    EvaluateColumn(ctx, px, x, onlyUnescaped, column.data(), computed.data());
    for (size_t py = 0; py < rows; ++py)
      std::memcpy(&strip.Values[(py * kStripColumns + size_t(k)) * 3], column[py].Value, 12);
    if (onlyUnescaped)
      for (size_t py = 0; py < rows; ++py) strip.Computed[py * kStripColumns + size_t(k)] = computed[py];
    strip.Count = k + 1;
  }
  return true;
}

// Computes the column without touching the buffers; only this thread writes
// the values, so it may read them unlocked.
void TFThread::EvaluateColumn(TFormulaContext& ctx, int32_t px, double x, bool onlyUnescaped, TPixelChannels* out,
                              uint8_t* computed) {
  if (!onlyUnescaped) {
    // The whole column in one run, so that the fast path and the deep render
    // can keep their vector lanes busy.
    if (Perturbation) {
      Perturbation->EvaluateColumn(&ctx, px, Top, Rows, out);
      return;
    }
    thread_local std::vector<double> ys;
    ys.resize(size_t(Rows));
    for (int32_t k = 0; k < Rows; ++k) ys[size_t(k)] = double(Y - (Top + k) * Step);
    // The fast path takes a run in parts from its first pixel; a band's run
    // is cut where the whole column's parts end, so that a band has the
    // pixels of the whole picture.
    for (int32_t k = 0; k < Rows;) {
      const int32_t end = std::min(Rows, ((Top + k) / kVectorRunLength + 1) * kVectorRunLength - Top);
      EvaluatePixelRun(&ctx, x, ys.data() + k, end - k, out + k);
      k = end;
    }
    return;
  }
  const int32_t bw = Document->BufWidth();
  const float* values = Document->Values.get();
  for (int32_t k = 0; k < Rows; ++k) {
    computed[k] = values[(size_t(k) * bw + px) * 3] == 0;
    if (!computed[k]) continue;
    const int32_t py = Top + k;
    out[k] = Perturbation ? Perturbation->Evaluate(&ctx, px, py) : EvaluatePixel(&ctx, x, double(Y - py * Step));
  }
}

// Stores a computed strip with its colours under the buffer lock, so that a
// recolour sees each pixel either before or after. Row by row: a column's
// pixels lie a whole buffer row apart, and a strip's row shares its cache
// lines.
void TFThread::StoreStrip(const TStrip& strip) {
  TFractal& d = *Document;
  const int32_t bw = d.BufWidth(), bh = d.BufHeight();
  std::lock_guard<std::mutex> guard(d.BufferLock);
  if (strip.Computed.empty()) {
    // All colours in one run, from the strip rather than the buffers, so that
    // the colouring does not wait for the stores into them.
    thread_local std::vector<uint32_t> colours;
    colours.resize(size_t(Rows) * kStripColumns);
    const int32_t pixels = (Rows - 1) * kStripColumns + strip.Count;
    Palette->PackedColorsOf(strip.Values.data(), pixels, colours.data());
    for (int32_t py = 0; py < Rows; ++py) {
      const size_t first = size_t(py) * kStripColumns;
      std::memcpy(d.Values.get() + (size_t(py) * bw + strip.Left) * 3, &strip.Values[first * 3],
                  size_t(strip.Count) * 12);
      StorePackedColors(&colours[first], strip.Count, d.Image.get() + (size_t(bh - 1 - py) * bw + strip.Left) * 3);
    }
    return;
  }
  for (int32_t py = 0; py < Rows; ++py) {
    float* values = d.Values.get() + (size_t(py) * bw + strip.Left) * 3;
    uint8_t* image = d.Image.get() + (size_t(bh - 1 - py) * bw + strip.Left) * 3;
    const size_t first = size_t(py) * kStripColumns;
    for (int32_t k = 0; k < strip.Count; ++k) {
      if (!strip.Computed[first + size_t(k)]) continue;
      const float* v = &strip.Values[(first + size_t(k)) * 3];
      std::memcpy(values + 3 * k, v, 12);
      const TColor3 colour = Palette->ColorOf(v[0], v[1], v[2]);
      std::memcpy(image + 3 * k, &colour, 3);
    }
  }
}

bool TFThread::RenderStrip(TFormulaContext& ctx, int32_t left, bool onlyUnescaped, TStrip& strip) {
  const bool whole = EvaluateStrip(ctx, left, std::min(kStripColumns, Document->BufWidth() - left), onlyUnescaped, strip);
  StoreStrip(strip);
  return whole;
}

bool TFThread::ReportStripStart(int32_t left, int32_t count) {
  for (int32_t px = left; px < left + count; ++px) {
    if (TerminateRequested()) return false;
    if (Progress && px % 4 == 0) Post(MSG_RENDER_PROGRESS, px, Document->BufWidth() - 1);
  }
  return true;
}

void TFThread::PaintStrip(int32_t left, int32_t count) {
  // No window shows a band: a banded render paints nothing.
  for (int32_t px = left + left % 2; px < left + count && !Banded; px += 2) {
    CurrentColumn = px;
    Synchronize([this] { PaintColumns(); });
  }
  CurrentColumn = left + count - 1;
}

bool TFThread::RenderEscapeTime() {
  const int32_t bw = Document->BufWidth();
  TStrip strip;
  for (int32_t left = 0; left < bw; left += kStripColumns) {
    const int32_t count = std::min(kStripColumns, bw - left);
    if (!ReportStripStart(left, count) || !RenderStrip(Ctx, left, false, strip)) return false;
    PaintStrip(left, count);
  }
  if (Progress) Post(MSG_RENDER_PROGRESS, 1, 1);
  if (!Banded) Synchronize([this] { PaintColumns(); });
  return true;
}

// Workers take strips in turn, each with its own copy of the formula context;
// this thread follows them in column order and paints and reports exactly as
// the single-threaded pass does.
bool TFThread::RenderEscapeTimeParallel(int32_t threads) {
  const int32_t bw = Document->BufWidth();
  const int32_t strips = (bw + kStripColumns - 1) / kStripColumns;
  std::vector<uint8_t> stripDone(size_t(strips), 0);
  std::mutex lock;
  std::condition_variable changed;
  std::atomic<int32_t> nextStrip{0};
  std::atomic<bool> stop{false};

  auto work = [&] {
    TFormulaContext ctx = Ctx;
    std::vector<TOrbitEntry> store(OrbitStoreLength(ctx));
    ctx.OrbitStore = store.empty() ? nullptr : store.data();
    TStrip strip;
    for (;;) {
      if (stop.load()) return;
      const int32_t s = nextStrip.fetch_add(1);
      if (s >= strips) return;
      if (!RenderStrip(ctx, s * kStripColumns, false, strip)) return;
      {
        std::lock_guard<std::mutex> guard(lock);
        stripDone[size_t(s)] = 1;
      }
      changed.notify_one();
    }
  };
  std::vector<std::thread> workers;
  for (int32_t k = 0; k < threads; ++k) workers.emplace_back(work);

  bool finished = true;
  for (int32_t s = 0; s < strips && finished; ++s) {
    const int32_t left = s * kStripColumns, count = std::min(kStripColumns, bw - left);
    if (!ReportStripStart(left, count)) {
      finished = false;
      break;
    }
    {
      std::unique_lock<std::mutex> guard(lock);
      while (!stripDone[size_t(s)] && !TerminateRequested()) changed.wait_for(guard, std::chrono::milliseconds(10));
      if (!stripDone[size_t(s)]) {
        finished = false;
        break;
      }
    }
    PaintStrip(left, count);
  }
  stop.store(true);
  for (std::thread& t : workers) t.join();
  if (!finished) return false;
  if (Progress) Post(MSG_RENDER_PROGRESS, 1, 1);
  if (!Banded) Synchronize([this] { PaintColumns(); });
  return true;
}

bool TFThread::RenderPoints(bool ifs) {
  TFractal& d = *Document;
  const int32_t bw = d.BufWidth(), bh = d.BufHeight();
  // Every band draws the whole orbit from the same start and keeps the
  // points that fall in it.
  TFormulaContext ctx = Ctx;
  if (Banded) {
    std::fill(d.Values.get(), d.Values.get() + size_t(d.PixelCount) * 3, 0.0f);
    std::fill(d.Image.get(), d.Image.get() + size_t(d.PixelCount) * 3, uint8_t(0));
    if (ifs) SeedIFSRandom(PointSeed);
  }
  // A counter below 1 would make every point a progress point and divide by
  // zero; such a document draws with a counter of 1.
  const int64_t k = ifs ? std::max<int32_t>(ctx.IFScounter, 1) : 1000;
  ctx.Orbit = ctx.PJ;
  const int64_t total = int64_t(ctx.MaxIter) * k;
  if (total < 0) return true;
  // Points are stored under the buffer lock, taken once for a run of points
  // and given up at every progress point and before painting.
  std::unique_lock<std::mutex> stored(d.BufferLock, std::defer_lock);
  for (int64_t n = 0; n <= total; ++n) {
    if (TerminateRequested()) return false;
    if (n % k == 0) {
      if (stored.owns_lock()) stored.unlock();
      if (Progress) Post(MSG_RENDER_PROGRESS, intptr_t(n / k), ctx.MaxIter);
    }
    ClearFaults();
    CalcPoint(&ctx, 0, 0);
    if (FaultPending()) {
      ClearFaults();
      continue;
    }
    int32_t column, row;
    const bool mapped = RoundToInt((ctx.Orbit.re - X) / Step, column) && RoundToInt((Y - ctx.Orbit.im) / Step, row);
    ClearFaults();
    if (!mapped || column < 0 || column >= bw || row < Top || row - Top >= Rows) continue;
    row -= Top;
    if (!stored.owns_lock()) stored.lock();
    float* triple = d.Values.get() + (size_t(row) * bw + column) * 3;
    float v = triple[0];
    if (ctx.IFSColorStyle != 1 || v == 0) {
      v += 1;
      triple[0] = triple[1] = triple[2] = v;
      if (ctx.IFSColorStyle == 0)
        PointColour = Palette->ColorOf(v, v, v);
      else if (ctx.IFSColorStyle == 1)
        PointColour = {ctx.IFSSolid[0], ctx.IFSSolid[1], ctx.IFSSolid[2]};
      uint8_t* p = d.Image.get() + (size_t(bh - 1 - row) * bw + column) * 3;
      p[0] = PointColour.Blue;
      p[1] = PointColour.Green;
      p[2] = PointColour.Red;
    }
    PointColumn = column;
    PointRow = row;
    if (Banded || (ctx.IFSquick && n % k != 0)) continue;
    stored.unlock();
    Synchronize([this] { PaintPoint(); });
  }
  return true;
}

void TFThread::RenderProgressive() {
  TFractal& d = *Document;
  const int32_t m = Ctx.MaxIter;
  const int32_t bw = d.BufWidth();
  TStrip strip;
  for (int32_t limit = 4; limit <= m && !TerminateRequested(); ++limit) {
    Ctx.MaxIter = limit;
    for (int32_t left = 0; left < bw; left += kStripColumns)
      if (!RenderStrip(Ctx, left, true, strip)) break;
    Synchronize([this] { PaintAll(); });
  }
  Ctx.MaxIter = m;
}

void TFThread::PaintColumns() {
  TFractal& d = *Document;
  TCanvas* canvas = d.Canvas();
  if (!canvas) return;
  const int32_t left = std::max(CurrentColumn - 1, 0);
  const int32_t right = std::min(CurrentColumn, d.Width - 1);
  if (right < left) return;
  const TRect r{left, 0, right - left + 1, d.Height};
  const auto guard = d.LockBuffers();
  canvas->DrawBitmap(d.BitmapHeader(), d.ImageBuffer(), r, r);
}

void TFThread::PaintAll() {
  if (!Document->Canvas() || TerminateRequested()) return;
  Document->Paint();
}

void TFThread::PaintPoint() {
  TFractal& d = *Document;
  if (!d.Canvas() || TerminateRequested()) return;
  if (Ctx.IFSquick)
    d.Paint();
  else
    d.Canvas()->SetPixel(PointColumn, PointRow, PointColour);
}
