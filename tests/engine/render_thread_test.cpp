// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/render_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/fractal.h"
#include "formulas/calc_point.h"
#include "formulas/kernel_common.h"
#include "formulas/orbital_steps.h"
#include "ifs/ifs_model.h"
#include "platform/messages.h"
#include "platform/named_mutex.h"
#include "tests/engine/recording_canvas.h"
#include "tests/document_test_helpers.h"

namespace {

// Records the render messages the application queue receives.
class TMessageLog {
 public:
  TMessageLog() {
    MainQueue().DispatchPosted();  // drop what earlier tests left
    MainQueue().SetDispatcher([this](const TMessage& m) { Messages.push_back(m); });
  }
  ~TMessageLog() { MainQueue().SetDispatcher(nullptr); }
  void Drain() { MainQueue().ProcessPending(); }
  std::vector<TMessage> Messages;
};

struct TThreadCountGuard {
  int32_t Saved = TFractal::RenderThreads;
  explicit TThreadCountGuard(int32_t n) { TFractal::RenderThreads = n; }
  ~TThreadCountGuard() { TFractal::RenderThreads = Saved; }
};

std::vector<float> RenderValues(int32_t threads, int32_t number, int32_t filter, int32_t smoothing,
                                std::vector<uint8_t>* image = nullptr) {
  TThreadCountGuard guard(threads);
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 61, 43, &canvas);
  doc.Ctx.Filter = filter;
  doc.Ctx.Smoothing = smoothing;
  doc.SetFormula(number, -2.2L, 1.4L, 2.8L);
  WaitForRender(doc);
  if (image) image->assign(doc.ImageBuffer(), doc.ImageBuffer() + doc.PixelCount * 3);
  return std::vector<float>(doc.ValueBuffer(), doc.ValueBuffer() + doc.PixelCount * 3);
}

TEST(RenderThread, ThreadCountsGiveIdenticalBuffers) {
  struct {
    int32_t number, filter, smoothing;
  } cases[] = {{0, 0, 0}, {0, 5, 2}, {1, 52, 0}, {22, 0, 3}, {kConstructorFormula, 0, 1}};
  for (const auto& k : cases) {
    std::vector<uint8_t> image1, imageN;
    const std::vector<float> one = RenderValues(1, k.number, k.filter, k.smoothing, &image1);
    for (int32_t threads : {2, 3, 7}) {
      const std::vector<float> many = RenderValues(threads, k.number, k.filter, k.smoothing, &imageN);
      ASSERT_EQ(one.size(), many.size());
      EXPECT_EQ(std::memcmp(one.data(), many.data(), one.size() * sizeof(float)), 0)
          << "formula " << k.number << " filter " << k.filter << " threads " << threads;
      EXPECT_EQ(image1, imageN) << "formula " << k.number << " threads " << threads;
    }
  }
}

// The fast path too gives the same values on any number of threads (the
// vector loop for formula 0 without filters, scalar doubles otherwise), and
// the document tells that its render used it.
TEST(RenderThread, FastArithmeticThreadCountsGiveIdenticalBuffers) {
  struct TFastGuard {
    bool Saved = TFractal::UseFastArithmetic;
    TFastGuard() { TFractal::UseFastArithmetic = true; }
    ~TFastGuard() { TFractal::UseFastArithmetic = Saved; }
  } fast;
  struct {
    int32_t number, filter, smoothing;
  } cases[] = {{0, 0, 0}, {0, 5, 2}, {14, 0, 0}, {41, 0, 1}};
  for (const auto& k : cases) {
    const std::vector<float> one = RenderValues(1, k.number, k.filter, k.smoothing);
    for (int32_t threads : {2, 3}) {
      const std::vector<float> many = RenderValues(threads, k.number, k.filter, k.smoothing);
      ASSERT_EQ(one.size(), many.size());
      EXPECT_EQ(std::memcmp(one.data(), many.data(), one.size() * sizeof(float)), 0)
          << "formula " << k.number << " threads " << threads;
    }
  }
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 20, 15, &canvas);
  doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
  EXPECT_TRUE(doc.Ctx.FastArithmetic);
  WaitForRender(doc);
}

TEST(RenderThread, ProgressPaintAndDoneFollowTheColumnRhythm) {
  for (int32_t threads : {1, 2}) {
    TThreadCountGuard guard(threads);
    TMessageLog log;
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, 10, 6, &canvas);  // BufWidth 12
    doc.ProgressFlag = true;
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    log.Drain();
    std::vector<std::pair<intptr_t, intptr_t>> progress;
    for (const TMessage& m : log.Messages)
      if (m.Msg == MSG_RENDER_PROGRESS) progress.push_back({m.WParam, m.LParam});
    const std::vector<std::pair<intptr_t, intptr_t>> expected = {{0, 11}, {4, 11}, {8, 11}, {1, 1}};
    EXPECT_EQ(progress, expected) << threads;
    ASSERT_FALSE(log.Messages.empty());
    EXPECT_EQ(log.Messages.back().Msg, MSG_RENDER_DONE);
    EXPECT_EQ(log.Messages.back().WParam, 0);
    // Paints after the even columns 0..10, two columns each, clipped to the
    // image; the final paint of columns 10 and 11 lies outside it.
    std::vector<int32_t> lefts, widths;
    for (const TDrawCall& d : canvas.Draws) {
      lefts.push_back(d.Source.Left);
      widths.push_back(d.Source.Width);
      EXPECT_EQ(d.Source.Height, 6);
    }
    EXPECT_EQ(lefts, (std::vector<int32_t>{0, 1, 3, 5, 7, 9})) << threads;
    EXPECT_EQ(widths, (std::vector<int32_t>{1, 2, 2, 2, 2, 1})) << threads;
  }
}

TEST(RenderThread, TerminatedRenderPostsDoneButNoFinalProgress) {
  TMessageLog log;
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 400, 300, &canvas);
  doc.ProgressFlag = true;
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 5000;
  doc.SetFormula(0, -0.2L, 0.2L, 0.4L);  // mostly inside the set: slow
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  doc.StopThread();
  log.Drain();
  ASSERT_FALSE(log.Messages.empty());
  EXPECT_EQ(log.Messages.back().Msg, MSG_RENDER_DONE);
  for (const TMessage& m : log.Messages)
    if (m.Msg == MSG_RENDER_PROGRESS) {
      EXPECT_FALSE(m.WParam == 1 && m.LParam == 1);
    }
}

TEST(RenderThread, RunsThatEndAtOnceOrRunNoPass) {
  struct {
    int32_t number, ifsNumber;
    bool done;
  } cases[] = {{kIFSFormula, -1, false}, {2000, 0, true}, {999, 0, true}};
  for (const auto& k : cases) {
    TMessageLog log;
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
    doc.ProgressFlag = true;
    doc.Ctx.IFSNumber = k.ifsNumber;
    doc.AutoIter = false;
    doc.Ctx.MaxIter = 1;
    doc.SetFormula(k.number, -1, 1, 2);
    WaitForRender(doc);
    log.Drain();
    int done = 0;
    for (const TMessage& m : log.Messages) done += m.Msg == MSG_RENDER_DONE;
    EXPECT_EQ(done, k.done ? 1 : 0) << k.number;
  }
}

// A deep view `w` wide with its upper-left corner at (x, y).
TDeepWindow DeepWindowAt(const char* x, const char* y, const char* w) {
  TDeepWindow window{TDeepReal(), TDeepReal(), TDeepReal()};
  EXPECT_TRUE(TDeepReal::Parse(x, 12000, window.X));
  EXPECT_TRUE(TDeepReal::Parse(y, 12000, window.Y));
  EXPECT_TRUE(TDeepReal::Parse(w, 12000, window.W));
  return window;
}

TEST(RenderThread, DeepRenderGivesIdenticalValuesOnAnyThreadCount) {
  std::vector<float> one;
  for (int32_t threads : {1, 2, 3}) {
    TThreadCountGuard guard(threads);
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, 61, 43, &canvas);
    doc.Ctx.Smoothing = 2;
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    doc.SetDeepWindow(DeepWindowAt("-1.5e-30", "1.0000000000000000000000000000005", "3e-30"));
    WaitForRender(doc);
    const std::vector<float> values(doc.ValueBuffer(), doc.ValueBuffer() + doc.PixelCount * 3);
    // The ordinary render of this view is one flat colour.
    EXPECT_GT(std::set<float>(values.begin(), values.end()).size(), 100u);
    if (one.empty())
      one = values;
    else
      EXPECT_EQ(one, values) << threads;
  }
}

TEST(RenderThread, StopDuringTheDeepReferenceEndsTheRunUnpainted) {
  TMessageLog log;
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 40, 30, &canvas);
  doc.ProgressFlag = true;
  doc.AutoIter = false;
  doc.Ctx.MaxIter = kMaxIterLimit;
  doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
  WaitForRender(doc);
  const std::vector<float> before(doc.ValueBuffer(), doc.ValueBuffer() + doc.PixelCount * 3);
  log.Drain();
  log.Messages.clear();
  // Inside the set at a depth where each reference step takes microseconds.
  doc.SetDeepWindow(DeepWindowAt("-0.25", "1e-3000", "1e-3000"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  doc.StopThread();
  log.Drain();
  EXPECT_EQ(before, std::vector<float>(doc.ValueBuffer(), doc.ValueBuffer() + doc.PixelCount * 3));
  ASSERT_FALSE(log.Messages.empty());
  EXPECT_EQ(log.Messages.back().Msg, MSG_RENDER_DONE);
  for (const TMessage& m : log.Messages) EXPECT_FALSE(m.Msg == MSG_RENDER_PROGRESS && m.WParam > 0);
}

// Serves the run's calls until it has finished or `seconds` have passed.
bool FinishesWithin(TFThread& thread, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!thread.Finished() && std::chrono::steady_clock::now() < deadline) {
    MainQueue().ServeSyncCalls();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return thread.Finished();
}

TEST(RenderThread, TerminateDuringALongReferenceStopsIt) {
  // A fixed limit of ten million, and the automatic limit, whose reference
  // runs to a million, on a view inside the set.
  for (const bool autoIter : {false, true}) {
    TMessageLog log;
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, 40, 30, &canvas);
    doc.ProgressFlag = true;
    doc.AutoIter = autoIter;
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    doc.Ctx.MaxIter = 10000000;
    doc.SetDeepWindow(DeepWindowAt("-0.25", "1e-1000", "1e-1000"));
    TFThread* thread = doc.RenderThread();
    ASSERT_NE(thread, nullptr);
    // The reference reports its progress from its start.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool reported = false;
    while (!reported && !thread->Finished() && std::chrono::steady_clock::now() < deadline) {
      log.Drain();
      for (const TMessage& m : log.Messages)
        reported = reported || (m.Msg == MSG_REFERENCE_PROGRESS && m.LParam >= (autoIter ? 1000000 : 10000000) - 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(reported) << autoIter;
    thread->Terminate();
    EXPECT_TRUE(FinishesWithin(*thread, 5)) << autoIter;
    doc.StopThread();
  }
}

TEST(RenderThread, MainDocumentNeedsTheRenderMutex) {
  TMessageLog log;
  TRecordingCanvas canvas;
  const std::string saved = TFractal::RenderMutexName;
  TFractal::RenderMutexName = "Frac424242";
  {
    TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
    doc.MainDocument = true;
    doc.ProgressFlag = true;
    doc.SetFormula(0, -2, 1, 3);  // the mutex was never created: nothing renders
    WaitForRender(doc);
    log.Drain();
    EXPECT_TRUE(log.Messages.empty());
    EXPECT_TRUE(doc.RenderFinished());

    auto mutex = CreateNamedMutex("Frac424242");
    ASSERT_TRUE(mutex->Acquire());
    doc.SetWindow(-2, 1, 3);  // waits for the mutex...
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(doc.RenderFinished());
    mutex->Release();  // ...and renders once it is free
    WaitForRender(doc);
    log.Drain();
    ASSERT_FALSE(log.Messages.empty());
    EXPECT_EQ(log.Messages.back().Msg, MSG_RENDER_DONE);

    // A restart does not wait for a mutex someone else holds.
    ASSERT_TRUE(mutex->Acquire());
    doc.SetWindow(-2, 1, 3);
    doc.SetWindow(-2, 1, 2);
    doc.StopThread();
    mutex->Release();
  }
  CloseNamedMutex("Frac424242");
  TFractal::RenderMutexName = saved;
}

TEST(RenderThread, OrbitalPassCountsHitsInsideTheBuffer) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 9, 9, &canvas);  // BufWidth 12
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 1;
  doc.Ctx.P1 = {0, 0};
  doc.Ctx.P2 = {0, 0};
  doc.Ctx.PJ = {0, 0};
  doc.Ctx.IFSquick = true;
  // Hopalong 2 with a = b = c = 0 stays at (0, 0): 1001 hits on one pixel.
  doc.SetFormula(501, -4, 4, 8);  // step 1: (0, 0) is column 4, row 4
  WaitForRender(doc);
  const float* v = doc.ValueBuffer();
  const int32_t bw = doc.BufWidth();
  for (int32_t i = 0; i < doc.PixelCount; ++i) {
    const float expected = i == 4 * bw + 4 ? 1001.0f : 0.0f;
    ASSERT_EQ(v[i * 3], expected) << i;
  }
  // A seed outside the window plots nothing.
  doc.Ctx.PJ = {100, 100};
  doc.SetWindow(-4, 4, 8);
  WaitForRender(doc);
  for (int32_t i = 0; i < doc.PixelCount * 3; ++i) ASSERT_EQ(doc.ValueBuffer()[i], 0.0f);
}

TEST(RenderThread, SolidColourCountsTheFirstHitOnly) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 1;
  doc.Ctx.P1 = {0, 0};
  doc.Ctx.P2 = {0, 0};
  doc.Ctx.PJ = {0, 0};
  doc.Ctx.IFSColorStyle = 1;
  doc.Ctx.IFSquick = false;
  doc.Ctx.IFSSolid[0] = 10;
  doc.Ctx.IFSSolid[1] = 20;
  doc.Ctx.IFSSolid[2] = 30;
  doc.SetFormula(501, -3.5L, 3.5L, 7);  // (0, 0) is pixel (3.5 -> 4, 4)
  WaitForRender(doc);
  const float* v = doc.ValueBuffer() + (size_t(4) * doc.BufWidth() + 4) * 3;
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(doc.PixelColor(4, doc.BufHeight() - 1 - 4), TColor3(10, 20, 30));
  // Every point is painted, each time with the solid colour.
  EXPECT_EQ(canvas.Pixels.size(), 1001u);
  for (const auto& p : canvas.Pixels) {
    EXPECT_EQ(p.X, 4);
    EXPECT_EQ(p.Color, TColor3(10, 20, 30));
  }
}

TEST(RenderThread, IFSSierpinskiPointsStayInTheTriangle) {
  const TWorkingIFS saved = WorkingIFS;
  WorkingIFS.Count = 3;
  WorkingIFS.Slots[1] = {0.5f, 0, 0, 0.5f, 0, 0, 0.333f};
  WorkingIFS.Slots[2] = {0.5f, 0, 0, 0.5f, 0.5f, 0, 0.333f};
  WorkingIFS.Slots[3] = {0.5f, 0, 0, 0.5f, 0.25f, 0.5f, 0.334f};
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 101, 101, &canvas);
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 50;
  doc.Ctx.IFSNumber = kWorkingIFSNumber;
  doc.Ctx.IFScounter = 100;
  doc.Ctx.PJ = {0, 0};
  doc.SetFormula(kIFSFormula, 0, 1, 1);  // the unit square, step 0.01
  WaitForRender(doc);
  float hits = 0;
  const int32_t bw = doc.BufWidth();
  for (int32_t row = 0; row < doc.BufHeight(); ++row)
    for (int32_t col = 0; col < bw; ++col) {
      const float n = doc.ValueBuffer()[(size_t(row) * bw + col) * 3];
      if (n == 0) continue;
      hits += n;
      const double x = col * 0.01, y = 1 - row * 0.01;
      // Inside the triangle (0,0), (1,0), (0.5,1), allowing half a pixel.
      EXPECT_GE(y, -0.006) << col << "," << row;
      EXPECT_LE(y, 2 * x + 0.02) << col << "," << row;
      EXPECT_LE(y, 2 * (1 - x) + 0.02) << col << "," << row;
    }
  EXPECT_EQ(hits, 5001.0f);  // every point of the pass lands in the window
  WorkingIFS = saved;
}

TEST(RenderThread, TwoIFSRendersAtOnceShareOneRandomSequence) {
  const TWorkingIFS saved = WorkingIFS;
  WorkingIFS.Count = 2;
  WorkingIFS.Slots[1] = {0.5f, 0, 0, 0.5f, 0, 0, 0.5f};
  WorkingIFS.Slots[2] = {0.5f, 0, 0, 0.5f, 0.5f, 0.5f, 0.5f};
  TRecordingCanvas canvas;
  std::vector<std::unique_ptr<TFractal>> docs;
  for (int k = 0; k < 2; ++k) {
    docs.push_back(std::make_unique<TFractal>(-1, 0, 0, 0, 32, 32, &canvas));
    docs.back()->AutoIter = false;
    docs.back()->Ctx.MaxIter = 100;
    docs.back()->Ctx.IFSNumber = kWorkingIFSNumber;
    docs.back()->Ctx.IFScounter = 1000;
  }
  SeedIFSRandom(1);
  for (auto& d : docs) d->SetFormula(kIFSFormula, 0, 1, 1);
  for (auto& d : docs) WaitForRender(*d);
  WorkingIFS = saved;
  // Both passes drew 100001 values; none was lost or drawn twice, so the
  // next draw is value 200003 of the sequence.
  uint32_t seed = 1;
  for (int n = 0; n < 200003; ++n) seed = seed * 134775813u + 1u;
  EXPECT_EQ(NextIFSRandom(), seed / 4294967296.0);
}

// Palette changes with a recolour while the render stores pixels, as the
// preferences dialog does: the render ends with the pixels a quiet render
// gives, all in the last palette's colours.
TEST(RenderThread, RecolourDuringARenderLeavesWholePixels) {
  const TWorkingIFS saved = WorkingIFS;
  WorkingIFS.Count = 2;
  WorkingIFS.Slots[1] = {0.5f, 0, 0, 0.5f, 0, 0, 0.5f};
  WorkingIFS.Slots[2] = {0.5f, 0, 0, 0.5f, 0.5f, 0.5f, 0.5f};
  const struct {
    const char* what;
    int32_t threads, number, maxIter;
    bool preview;
  } cases[] = {{"escape-time", 1, 0, 1000, false},
               {"escape-time, 2 threads", 2, 0, 1000, false},
               {"progressive", 1, 0, 30, true},
               {"IFS", 1, kIFSFormula, 100, false}};
  for (const auto& k : cases) {
    TThreadCountGuard threads(k.threads);
    TRecordingCanvas canvas;
    auto render = [&](TFractal& doc) {
      doc.AutoIter = false;
      doc.PreviewMode = k.preview;
      doc.Ctx.MaxIter = k.maxIter;
      doc.Ctx.IFSNumber = kWorkingIFSNumber;
      doc.Ctx.IFScounter = 1000;
      SeedIFSRandom(1);
      if (k.number == kIFSFormula)
        doc.SetFormula(k.number, 0, 1, 1);
      else
        doc.SetFormula(k.number, -2.2L, 1.4L, 2.8L);
    };
    TFractal quiet(-1, 0, 0, 0, 90, 72, &canvas);
    render(quiet);
    WaitForRender(quiet);
    TFractal doc(-1, 0, 0, 0, 90, 72, &canvas);
    render(doc);
    int recolours = 0;
    while (!doc.RenderFinished()) {
      doc.Palette->SetColorOrder(++recolours % 6);
      doc.Recolor();
      doc.PixelValue(45, 36);
      MainQueue().ServeSyncCalls();
    }
    WaitForRender(doc);
    EXPECT_GT(recolours, 0) << k.what;
    const size_t n = size_t(doc.PixelCount) * 3;
    EXPECT_EQ(std::memcmp(doc.ValueBuffer(), quiet.ValueBuffer(), n * sizeof(float)), 0) << k.what;
    if (k.number == kIFSFormula) continue;  // a recolour shades hits unlike the pass
    int wrong = 0;
    for (int32_t py = 0; py < doc.Height; ++py)
      for (int32_t px = 0; px < doc.Width; ++px) {
        const float* v = doc.ValueBuffer() + (size_t(py) * doc.BufWidth() + px) * 3;
        const uint8_t* c = doc.ImageBuffer() + (size_t(doc.BufHeight() - 1 - py) * doc.BufWidth() + px) * 3;
        wrong += !(TColor3{c[0], c[1], c[2]} == doc.Palette->ColorOf(v[0], v[1], v[2]));
      }
    EXPECT_EQ(wrong, 0) << k.what;
  }
  WorkingIFS = saved;
}

TEST(RenderThread, IFSCounterBelowOneStillRenders) {
  const TWorkingIFS saved = WorkingIFS;
  WorkingIFS.Count = 1;
  WorkingIFS.Slots[1] = {0.5f, 0, 0, 0.5f, 0, 0, 1};
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 3;
  doc.Ctx.IFSNumber = kWorkingIFSNumber;
  doc.Ctx.IFScounter = 0;
  doc.Ctx.PJ = {0, 0};
  doc.SetFormula(kIFSFormula, -1, 1, 2);
  WaitForRender(doc);
  EXPECT_TRUE(doc.RenderFinished());
  WorkingIFS = saved;
}

TEST(RenderThread, PreviewModeGrowsTheLimitAndRestoresIt) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 12, 12, &canvas);
  doc.PreviewMode = true;
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 3;
  doc.SetFormula(0, -2, 1.5L, 3);
  WaitForRender(doc);
  EXPECT_EQ(doc.Ctx.MaxIter, 3);
  for (int32_t i = 0; i < doc.PixelCount * 3; ++i) ASSERT_EQ(doc.ValueBuffer()[i], 0.0f);
  EXPECT_TRUE(canvas.Draws.empty());

  doc.Ctx.MaxIter = 20;
  doc.SetWindow(-2, 1.5L, 3);
  WaitForRender(doc);
  EXPECT_EQ(doc.Ctx.MaxIter, 20);
  EXPECT_EQ(canvas.Draws.size(), 17u);  // one paint per limit 4..20
  // An escaped pixel keeps the value of the first limit at which it escaped,
  // which is its escape iteration.
  TFormulaContext ref = doc.Ctx;
  ref.MaxIter = 20;
  const Extended step = doc.W / (doc.Width - 1);
  for (int32_t px = 0; px < doc.BufWidth(); ++px) {
    const double x = double(float(doc.X + px * step));
    const double y = double(doc.Y - 5 * step);
    ClearFaults();
    const int32_t n = CalcPoint(&ref, x, y);
    const float v = doc.ValueBuffer()[(size_t(5) * doc.BufWidth() + px) * 3];
    EXPECT_EQ(v, float(n)) << px;
  }
}

TEST(RenderThread, ThousandRandomRestartsEndCleanly) {
  TMessageLog log;
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 64, 48, &canvas);
  doc.ProgressFlag = true;
  std::mt19937 random(7);
  for (int k = 0; k < 1000; ++k) {
    TFractal::RenderThreads = 1 + int32_t(random() % 3);
    const Extended w = 0.5L + (random() % 100) / 25.0L;
    if (k % 10 == 0)
      doc.SetFormula(int32_t(random() % 77), -2, 1.5L, w);
    else
      doc.SetWindow(-2, 1.5L, w);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 400));
    if (k % 3 == 0) log.Drain();  // serve paints now and then, as a window would
  }
  TFractal::RenderThreads = 0;
  WaitForRender(doc);
  EXPECT_TRUE(doc.RenderFinished());
  log.Drain();
  int done = 0;
  for (const TMessage& m : log.Messages) done += m.Msg == MSG_RENDER_DONE;
  EXPECT_EQ(done, 1000);  // every run ends with its done message, terminated or not
}

}  // namespace
