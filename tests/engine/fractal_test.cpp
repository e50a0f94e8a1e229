// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fractal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/render_thread.h"
#include "formulas/pixel.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "tests/engine/recording_canvas.h"
#include "tests/document_test_helpers.h"

namespace {

TEST(Fractal, CreationValues) {
  TFractal doc(0, -2.2L, 1.4L, 2.8L, 0, 0, nullptr);
  const TFormulaContext& c = doc.Ctx;
  EXPECT_EQ(c.Number, 0);
  EXPECT_EQ(c.BailOut, 9.0f);
  EXPECT_EQ(c.MaxIter, 0);  // no Restart has run: there is no canvas
  EXPECT_EQ(c.P1.re, 0.5L);
  EXPECT_EQ(c.P2.im, 0.5L);
  EXPECT_EQ(c.P3.re, 0.0L);
  EXPECT_EQ(c.PJ.re, 0.5L);
  EXPECT_EQ(c.Constructor[cfA], 1.0L);
  EXPECT_EQ(c.Constructor[cfB], 0.0L);
  EXPECT_EQ(c.Constructor[cfC], 1.0L);
  EXPECT_EQ(c.Strange, 0.01L);
  EXPECT_EQ(c.IFSNumber, -1);
  EXPECT_EQ(c.IFScounter, 100);
  EXPECT_EQ(c.IFSSolid[0], 255);
  EXPECT_TRUE(c.IFSquick);
  EXPECT_TRUE(doc.AutoIter);
  EXPECT_EQ(doc.X0, -2.2L);
  EXPECT_EQ(doc.Y0, 1.4L);
  EXPECT_EQ(doc.W, 2.8L);
  EXPECT_EQ(doc.RenderThread(), nullptr);
}

TEST(Fractal, AutoMaxIter) {
  struct {
    int32_t width;
    Extended w;
    bool autoIter;
    int32_t maxIter, expected;
  } cases[] = {
      {640, 2.8L, true, 0, 236}, {300, 1e-6L, true, 0, 848}, {300, 20, true, 0, 150},
      {640, 640 / 31.63L, true, 0, 150}, {640, 2.8L, false, 777, 777},
  };
  for (const auto& k : cases) {
    TFractal doc(0, -2, 1, k.w, k.width, 10, nullptr);
    doc.AutoIter = k.autoIter;
    doc.Ctx.MaxIter = k.maxIter;
    EXPECT_EQ(doc.AutoMaxIter(), k.expected) << k.width << " " << double(k.w);
  }
}

TEST(Fractal, SetMaxIterClampsAndRestarts) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);  // parked: nothing renders
  doc.AutoIter = false;
  int starts = 0;
  doc.OnRenderStart = [&](TFractal*) { ++starts; };
  struct {
    int32_t n, expected;
  } cases[] = {{-5, 100}, {250000, 100000}, {100000, 100000}, {0, 0}, {42, 42}};
  for (const auto& k : cases) {
    doc.SetMaxIter(k.n);
    EXPECT_EQ(doc.Ctx.MaxIter, k.expected) << k.n;
  }
  EXPECT_EQ(starts, 4);  // 100000 again changed nothing
  doc.AutoIter = true;
  doc.Ctx.Number = 0;
  doc.SetWindow(doc.X, doc.Y, 2.8L);
  doc.SetSize(640, 4);
  WaitForRender(doc);
  EXPECT_EQ(doc.Ctx.MaxIter, 236);
}

TEST(Fractal, SetSizeRoundsBuffersAndSkipsEqualSizes) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 301, 199, &canvas);
  doc.Ctx.Number = 2000;  // restarts, but runs no pass
  EXPECT_EQ(doc.BufWidth(), 304);
  EXPECT_EQ(doc.BufHeight(), 200);
  EXPECT_EQ(doc.PixelCount, 304 * 200);
  EXPECT_EQ(doc.BitmapHeader().biWidth, 304);
  EXPECT_EQ(doc.BitmapHeader().biHeight, 200);
  EXPECT_EQ(doc.BitmapHeader().biSize, 40u);
  EXPECT_EQ(doc.BitmapHeader().biBitCount, 24);
  int restarts = 0;
  doc.OnParamsChanged = [&](TFractal*) { ++restarts; };
  doc.SetSize(301, 199);
  EXPECT_EQ(restarts, 0);
  doc.SetSize(8, 4);
  EXPECT_EQ(doc.BufWidth(), 8);
  EXPECT_EQ(doc.BufHeight(), 4);
  EXPECT_EQ(restarts, 1);
  doc.SetSize(0, 5);
  EXPECT_EQ(doc.ValueBuffer(), nullptr);
  EXPECT_EQ(doc.ImageBuffer(), nullptr);
  EXPECT_EQ(restarts, 1);
}

TEST(Fractal, NumbersWithoutAPassLeaveFreshBuffersBlack) {
  const struct {
    int32_t number;
    bool pass;
  } cases[] = {{-1, false}, {0, true},     {499, true},  {500, true},   {999, true},
               {1000, true}, {1001, true}, {1002, false}, {2000, false}, {2999, false},
               {3000, true}, {3001, false}, {2147483647, false}};
  for (const auto& k : cases) EXPECT_EQ(HasRenderPass(k.number), k.pass) << k.number;

  TRecordingCanvas canvas;
  for (int32_t number : {1002, 2000, 2999, 3001}) {
    TFractal doc(-1, 0, 0, 0, 61, 43, &canvas);
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    doc.SetFormula(number, -2.2L, 1.4L, 2.8L);
    // The same buffer sizes again: the heap is likely to hand back the bytes
    // of the image just drawn.
    doc.SetSize(62, 43);
    WaitForRender(doc);
    const size_t n = size_t(doc.PixelCount) * 3;
    EXPECT_EQ(std::vector<uint8_t>(doc.ImageBuffer(), doc.ImageBuffer() + n), std::vector<uint8_t>(n, 0))
        << number;
    EXPECT_EQ(std::vector<float>(doc.ValueBuffer(), doc.ValueBuffer() + n), std::vector<float>(n, 0.0f))
        << number;
  }
}

TEST(Fractal, OutOfMemoryLeavesNoBuffers) {
  TMessageRecorder messages;
  TRecordingCanvas canvas;
  const uint64_t saved = TFractal::MaxBufferBytes;
  struct {
    uint64_t limit;
    std::string message;
  } cases[] = {
      {1000000, "Unable to get 1,080,000 bytes: out of memory"},  // the image buffer
      {2000000, "Unable to get 4,320,000 bytes: out of memory"},  // the value buffer
  };
  for (const auto& k : cases) {
    messages.Shown.clear();
    TFractal::MaxBufferBytes = k.limit;
    TFractal doc(0, -2.2L, 1.4L, 2.8L, 600, 600, &canvas);
    int restarts = 0;
    doc.OnParamsChanged = [&](TFractal*) { ++restarts; };
    doc.SetSize(600, 601);
    doc.SetSize(600, 600);
    ASSERT_FALSE(messages.Shown.empty());
    EXPECT_EQ(messages.Shown.back(), k.message);
    EXPECT_EQ(doc.ImageBuffer(), nullptr);
    EXPECT_EQ(doc.ValueBuffer(), nullptr);
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(doc.RenderThread(), nullptr);
  }
  TFractal::MaxBufferBytes = saved;
  EXPECT_EQ(OutOfMemoryMessage(999), "Unable to get 999 bytes: out of memory");
  EXPECT_EQ(OutOfMemoryMessage(1000), "Unable to get 1,000 bytes: out of memory");
  EXPECT_EQ(OutOfMemoryMessage(12345678901ull), "Unable to get 12,345,678,901 bytes: out of memory");
}

TEST(Fractal, EqualValuesDoNotRestartButWindowAndFormulaAlwaysDo) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
  doc.Ctx.Number = 2000;  // renders nothing, but restarts count
  int restarts = 0;
  doc.OnParamsChanged = [&](TFractal*) { ++restarts; };
  doc.SetJuliaPoint(0.5L, 0.5L);
  doc.SetParameters(0.5L, 0.5L, 0.5L, 0.5L, 0, 0);
  doc.SetIFSNumber(-1);
  doc.SetIFSCounter(100);
  EXPECT_EQ(restarts, 0);
  doc.SetWindow(doc.X, doc.Y, doc.W);
  EXPECT_EQ(restarts, 1);
  doc.SetJuliaPoint(0.5L, 0.25L);
  EXPECT_EQ(doc.Ctx.PJ.im, 0.25L);
  doc.SetParameters(1, 2, 3, 4, 5, 6);
  EXPECT_EQ(doc.Ctx.P3.im, 6.0L);
  EXPECT_EQ(restarts, 3);
  doc.SetFormula(2000, 1, 2, 3);
  EXPECT_EQ(restarts, 4);
  EXPECT_EQ(doc.X0, 1.0L);
  EXPECT_EQ(doc.W, 3.0L);
}

TEST(Fractal, SetPropertyEveryIndex) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
  doc.Ctx.Number = 2000;  // restarts, but runs no pass
  doc.AutoIter = false;
  using TGet = std::function<Extended(const TFormulaContext&)>;
  struct {
    int32_t index;
    TPropertyValue value;
    TGet get;
    Extended expected;
  } cases[] = {
      {0, Extended(6.5L), [](auto& c) { return c.BailOut; }, 6.5L},
      {1, int32_t(321), [](auto& c) { return c.MaxIter; }, 321},
      {2, Extended(1.25L), [](auto& c) { return c.P1.re; }, 1.25L},
      {3, Extended(-1.5L), [](auto& c) { return c.P1.im; }, -1.5L},
      {4, Extended(2.25L), [](auto& c) { return c.P2.re; }, 2.25L},
      {5, Extended(-2.5L), [](auto& c) { return c.P2.im; }, -2.5L},
      {6, Extended(0.125L), [](auto& c) { return c.PJ.re; }, 0.125L},
      {7, Extended(-0.75L), [](auto& c) { return c.PJ.im; }, -0.75L},
      {8, true, [](auto& c) { return c.JulieSet; }, 1},
      {9, true, [](auto& c) { return c.Inverted; }, 1},
      {11, Extended(11), [](auto& c) { return c.Constructor[cfF]; }, 11},
      {12, Extended(12), [](auto& c) { return c.Constructor[cfG]; }, 12},
      {13, Extended(13), [](auto& c) { return c.Constructor[cfH]; }, 13},
      {14, Extended(14), [](auto& c) { return c.Constructor[cfI]; }, 14},
      {15, Extended(15), [](auto& c) { return c.Constructor[cfJ]; }, 15},
      {16, Extended(16), [](auto& c) { return c.Constructor[cfA]; }, 16},
      {17, Extended(17), [](auto& c) { return c.Constructor[cfB]; }, 17},
      {18, Extended(18), [](auto& c) { return c.Constructor[cfC]; }, 18},
      {19, Extended(19), [](auto& c) { return c.Constructor[cfD]; }, 19},
      {20, Extended(20), [](auto& c) { return c.Constructor[cfE]; }, 20},
      {21, true, [](auto& c) { return c.FSet; }, 1},
      {22, int32_t(43), [](auto& c) { return c.Filter; }, 43},
      {23, Extended(0.03L), [](auto& c) { return c.Strange; }, 0.03L},
      {24, true, [](auto& c) { return c.KeepBlk; }, 1},
      {25, Extended(25), [](auto& c) { return c.Constructor[cfK]; }, 25},
      {26, Extended(26), [](auto& c) { return c.Constructor[cfL]; }, 26},
      {27, Extended(27), [](auto& c) { return c.Constructor[cfM]; }, 27},
      {28, true, [](auto& c) { return c.FilterOnly; }, 1},
      {30, Extended(3.5L), [](auto& c) { return c.P3.re; }, 3.5L},
      {31, Extended(-3.5L), [](auto& c) { return c.P3.im; }, -3.5L},
      {32, int32_t(7), [](auto& c) { return c.IFSNumber; }, 7},
      {33, int32_t(500), [](auto& c) { return c.IFScounter; }, 500},
      {34, int32_t(3), [](auto& c) { return c.Smoothing; }, 3},
      {35, true, [](auto& c) { return c.Double; }, 1},
      {36, int32_t(1), [](auto& c) { return c.IFSColorStyle; }, 1},
      {38, false, [](auto& c) { return c.IFSquick; }, 0},
      {22, Extended(4.5L), [](auto& c) { return c.Filter; }, 4},  // reals round half to even
  };
  int restarts = 0;
  doc.OnParamsChanged = [&](TFractal*) { ++restarts; };
  int expectedRestarts = 0;
  for (const auto& k : cases) {
    doc.SetProperty(k.index, k.value);
    EXPECT_EQ(k.get(doc.Ctx), k.expected) << "index " << k.index;
    EXPECT_EQ(restarts, ++expectedRestarts) << "index " << k.index;
  }
  doc.SetProperty(37, TPropertyColor{10, 20, 30});
  EXPECT_EQ(doc.Ctx.IFSSolid[2], 10);  // red
  EXPECT_EQ(doc.Ctx.IFSSolid[1], 20);
  EXPECT_EQ(doc.Ctx.IFSSolid[0], 30);  // blue
  for (int32_t unlisted : {10, 29, 39, 1000}) {
    const int before = restarts;
    doc.SetProperty(unlisted, Extended(99));
    EXPECT_EQ(restarts, before + 1) << unlisted;
  }
}

// A finished render of a small image, with the reference computed pixel by
// pixel through the same evaluation.
struct TRenderedDoc {
  TRecordingCanvas Canvas;
  TFractal Doc;
  explicit TRenderedDoc(int32_t number, Extended x, Extended y, Extended w, int32_t width, int32_t height)
      : Doc(-1, 0, 0, 0, width, height, &Canvas) {
    Doc.SetFormula(number, x, y, w);
    WaitForRender(Doc);
  }
};

TEST(Fractal, RenderMatchesPointByPointReference) {
  // Widths that end a strip of columns early, one thread and several, and
  // palettes coloured with and without a table, in another channel order.
  struct {
    int32_t width, threads, kind, order;
  } cases[] = {{37, 1, kPalStandard, 0}, {37, 3, kPalSquare, 4}, {16, 2, kPalParabola, 1}, {50, 1, kPalStandard, 5}};
  for (const auto& k : cases) {
    const int32_t savedThreads = TFractal::RenderThreads;
    TFractal::RenderThreads = k.threads;
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, k.width, 23, &canvas);
    doc.Palette->PaletteKind = k.kind;
    doc.Palette->Rebuild();
    doc.Palette->SetColorOrder(k.order);
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    TFractal::RenderThreads = savedThreads;
    const Extended step = doc.W / (doc.Width - 1);
    TFormulaContext ref = doc.Ctx;
    std::vector<TOrbitEntry> store(size_t(ref.MaxIter));
    ref.OrbitStore = store.data();
    for (int32_t py = 0; py < doc.BufHeight(); ++py)
      for (int32_t px = 0; px < doc.BufWidth(); ++px) {
        const TPixelChannels c = EvaluatePixel(&ref, double(doc.X + px * step), double(doc.Y - py * step));
        const float* v = doc.ValueBuffer() + (size_t(py) * doc.BufWidth() + px) * 3;
        ASSERT_EQ(std::memcmp(v, c.Value, sizeof c.Value), 0) << k.width << ": " << px << "," << py;
        const TColor3 colour = doc.Palette->ColorOf(c.Value[0], c.Value[1], c.Value[2]);
        const uint8_t* p = doc.ImageBuffer() + (size_t(doc.BufHeight() - 1 - py) * doc.BufWidth() + px) * 3;
        ASSERT_EQ(TColor3(p[0], p[1], p[2]), colour) << k.width << ": " << px << "," << py;
      }
    // The corners: column Width - 1 lands on X + W.
    EXPECT_EQ(double(doc.X + (doc.Width - 1) * step), double(doc.X + doc.W));
    EXPECT_EQ(doc.PixelValue(0, 0), doc.ValueBuffer()[0]);
  }
}

TEST(Fractal, RecolorUsesStoredValuesWithoutIterating) {
  // A height of 10 has two padding rows in the 12-row buffers: every picture
  // row is recoloured.
  TRenderedDoc r(0, -2.2L, 1.4L, 2.8L, 20, 10);
  TFractal& doc = r.Doc;
  ASSERT_EQ(doc.BufHeight(), 12);
  const std::vector<float> before(doc.ValueBuffer(), doc.ValueBuffer() + doc.PixelCount * 3);
  auto colourAt = [&](int32_t px, int32_t py) {
    const uint8_t* p = doc.ImageBuffer() + (size_t(doc.BufHeight() - 1 - py) * doc.BufWidth() + px) * 3;
    return TColor3(p[0], p[1], p[2]);
  };
  auto valueAt = [&](int32_t px, int32_t py) { return doc.ValueBuffer() + (size_t(py) * doc.BufWidth() + px) * 3; };
  doc.Palette->PaletteKind = kPalLinear;
  doc.Palette->Rebuild();
  const size_t draws = r.Canvas.Draws.size();
  doc.Recolor();
  EXPECT_EQ(r.Canvas.Draws.size(), draws + 1);  // painted once
  EXPECT_EQ(std::memcmp(before.data(), doc.ValueBuffer(), before.size() * sizeof(float)), 0);
  for (int32_t py = 0; py < doc.Height; ++py)
    for (int32_t px = 0; px < doc.Width; ++px) {
      const float* v = valueAt(px, py);
      EXPECT_EQ(colourAt(px, py), doc.Palette->ColorOf(v[0], v[1], v[2])) << px << "," << py;
    }
  // RecolorThreshold: pixels whose mean value is above the limit take the infinity colour.
  doc.Palette->InfinityColor = {1, 2, 3};
  doc.RecolorThreshold(3);
  for (int32_t py = 0; py < doc.Height; ++py)
    for (int32_t px = 0; px < doc.Width; ++px) {
      const float* v = valueAt(px, py);
      const bool kept = 3.0L >= (Extended(v[0]) + v[1] + v[2]) / 3;
      EXPECT_EQ(colourAt(px, py), kept ? doc.Palette->ColorOf(v[0], v[1], v[2]) : TColor3(1, 2, 3));
    }
}

TEST(Fractal, RecolorOfIFSShadesTheSolidColour) {
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 4, 4, &canvas);
  doc.Ctx.Number = kIFSFormula;
  doc.Ctx.IFSSolid[0] = 200;  // blue
  doc.Ctx.IFSSolid[1] = 100;
  doc.Ctx.IFSSolid[2] = 51;  // red
  doc.Palette->InfinityColor = {9, 8, 7};
  float* v = doc.ValueBuffer();
  const float counts[4] = {0, 255, 127.5f, 2.5f};
  for (int k = 0; k < 4; ++k) v[k * 3] = v[k * 3 + 1] = v[k * 3 + 2] = counts[k];
  doc.Recolor();
  // Value row 0 is memory row BufHeight - 1.
  EXPECT_EQ(doc.PixelColor(0, 3), TColor3(9, 8, 7));
  EXPECT_EQ(doc.PixelColor(1, 3), TColor3(200, 100, 51));
  EXPECT_EQ(doc.PixelColor(2, 3), TColor3(100, 50, 26));  // 25.5 rounds to 26
  EXPECT_EQ(doc.PixelColor(3, 3), TColor3(2, 1, 0));      // 1.96, 0.98, 0.5 -> 0
  doc.Ctx.IFSColorStyle = 1;
  doc.Recolor();
  EXPECT_EQ(doc.PixelColor(3, 3), TColor3(200, 100, 51));
}

TEST(Fractal, PixelColorClampsItsCoordinates) {
  TRenderedDoc r(0, -2.2L, 1.4L, 2.8L, 10, 6);
  TFractal& doc = r.Doc;
  const uint8_t* image = doc.ImageBuffer();
  const uint8_t* topLeftOfMemoryRowHminus1 = image + size_t(doc.Height - 1) * doc.BufWidth() * 3;
  const TColor3 c = doc.PixelColor(-10, 99999);
  EXPECT_EQ(c, TColor3(topLeftOfMemoryRowHminus1[0], topLeftOfMemoryRowHminus1[1], topLeftOfMemoryRowHminus1[2]));
  const uint8_t* last = image + (size_t(0) * doc.BufWidth() + doc.Width - 1) * 3;
  EXPECT_EQ(doc.PixelColor(500, -3), TColor3(last[0], last[1], last[2]));
}

TEST(Fractal, AssignCopiesParametersNotBuffersOrInfinityColour) {
  TRecordingCanvas canvas;
  TFractal source(-1, 0, 0, 0, 8, 8, nullptr);
  source.Ctx.Number = 2000;
  source.Ctx.BailOut = 16;
  source.Ctx.P1 = {1, 2};
  source.Ctx.Filter = 5;
  source.Ctx.Constructor[cfM] = 3;
  source.Ctx.IFSSolid[1] = 7;
  source.X0 = 7;
  source.SetWindow(8, source.Y, source.W);
  source.AutoIter = false;
  source.Ctx.MaxIter = 444;
  source.Palette->Contrast = 0.5f;
  source.Palette->InfinityColor = {1, 1, 1};
  source.Ctx.Orbit = {5, 5};

  TFractal target(-1, 0, 0, 0, 12, 4, &canvas);
  target.Palette->InfinityColor = {9, 9, 9};
  int restarts = 0;
  target.OnParamsChanged = [&](TFractal*) { ++restarts; };
  target.Assign(&source);
  EXPECT_EQ(restarts, 1);
  EXPECT_EQ(target.Ctx.Number, 2000);
  EXPECT_EQ(target.Ctx.BailOut, 16.0f);
  EXPECT_EQ(target.Ctx.P1.im, 2.0L);
  EXPECT_EQ(target.Ctx.Filter, 5);
  EXPECT_EQ(target.Ctx.Constructor[cfM], 3.0L);
  EXPECT_EQ(target.Ctx.IFSSolid[1], 7);
  EXPECT_EQ(target.Ctx.MaxIter, 444);
  EXPECT_EQ(target.X0, 7.0L);
  EXPECT_EQ(target.X, 8.0L);
  EXPECT_FALSE(target.AutoIter);
  EXPECT_EQ(target.Palette->Contrast, 0.5f);
  EXPECT_EQ(target.Palette->InfinityColor, TColor3(9, 9, 9));
  EXPECT_EQ(target.Ctx.Orbit.re, 0.001L);
  EXPECT_EQ(target.Ctx.Orbit.im, 0.001L);
  EXPECT_EQ(target.Width, 12);  // size and canvas are the target's own
  EXPECT_EQ(target.Canvas(), &canvas);
  // The copies are independent.
  source.Ctx.P1 = {9, 9};
  source.Palette->Contrast = 0.25f;
  EXPECT_EQ(target.Ctx.P1.re, 1.0L);
  EXPECT_EQ(target.Palette->Contrast, 0.5f);
  target.Assign(nullptr);
  EXPECT_EQ(restarts, 1);
}

TEST(Fractal, UserFormulaLinesAreCopiedAndEmptyFormulaFallsBack) {
  TRecordingCanvas canvas;
  TFractal source(-1, 0, 0, 0, 8, 8, nullptr);
  source.SetUserFormula({"x := x*x - y*y + cr;", "y := 2*x*y + ci;"});
  EXPECT_TRUE(source.UserFormulaAttached);
  EXPECT_TRUE(source.NeedsCompile);
  source.Ctx.Number = kUserFormula;
  TFractal target(-1, 0, 0, 0, 8, 8, nullptr);  // no canvas: the copy is not compiled
  target.Assign(&source);
  ASSERT_TRUE(target.UserLines);
  EXPECT_EQ(*target.UserLines, *source.UserLines);
  EXPECT_TRUE(target.UserFormulaAttached);
  EXPECT_TRUE(target.NeedsCompile);

  TFractal empty(-1, 0, 0, 0, 8, 8, &canvas);
  empty.SetFormula(kUserFormula, -2, 1, 3);
  WaitForRender(empty);
  EXPECT_EQ(empty.Ctx.Number, 0);
}

}  // namespace
