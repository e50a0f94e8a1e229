// SPDX-License-Identifier: GPL-3.0-or-later
#include "attractors/attractor.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "attractors/attractor_search.h"
#include "attractors/attractor_thread.h"
#include "attractors/attractor_view.h"
#include "engine/fractal.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"
#include "tests/test_files.h"
#include "ui/image_file.h"

namespace {

void WaitForPass(T3dFractal& doc) {
  if (T3dFThread* t = doc.RenderThread()) t->WaitFor();
}

TAttractorTable Rows(std::initializer_list<std::initializer_list<float>> rows) {
  TAttractorTable t;
  int i = 0;
  for (const auto& r : rows) {
    int j = 0;
    for (float v : r)
      if (i < kAttractorRows && j < kAttractorColumns) t.A[i][j++] = v;
    ++i;
  }
  return t;
}

TEST(AttractorStep, HandWorkedValuesOfEveryKind) {
  // A junk row 5 shows that rows past those a kind reads play no part.
  const float junk[] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0};
  struct {
    const char* what;
    int32_t kind;
    TAttractorTable table;
    TAttractorPoint from, to;
  } cases[] = {
      {"kind 1, all P zero applies row 1", 1,
       Rows({{2, 0, 0, 1, 0, 3, 0, 0, 0, 0, -1, 0.5f, 0}, {7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 0}}),
       {1, 2, -1}, {3, 6, 1.5L}},
      {"kind 1, no running sum reaches r: the point stays", 1,
       Rows({{2, 0, 0, 1, 0, 3, 0, 0, 0, 0, -1, 0.5f, -1}}), {1, 2, -1}, {1, 2, -1}},
      {"kind 1, only P5 positive applies row 5", 1,
       Rows({{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, {}, {}, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1}}),
       {1, 2, -1}, {1, 2, -1}},
      {"kind 2", 2, Rows({{0.5f, 0.25f, -1, 2, 0, 1, 0.5f, -0.5f, 0, 5, 5, 5, 5}}), {1, 2, 3},
       {12.0001L, 4.7501L, 7.0001L}},
      {"kind 3", 3,
       Rows({{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 8, 8},
             {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 8, 8},
             {-1, 0, 0, 0, 0, 0, 0, 0, 0, 0.25f, 8, 8, 8}}),
       {1, 2, -1}, {1, 26, -0.75L}},
      {"kind 4", 4, Rows({{1, 0, 0, 0.5f, 0, 1, 0, 0, 0, 0, 1, -0.25f, 3}}), {1, 2, -1}, {4.001L, 2.001L, -2.499L}},
      {"kind 4 overflowing keeps the point", 4, Rows({{0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}}), {1e3000L, 0, 0},
       {1e3000L, 0, 0}},
      {"kind 2, infinite minus infinite keeps the point", 2, Rows({{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}),
       {-1e2000L, 1e2000L, 1e2000L}, {-1e2000L, 1e2000L, 1e2000L}},
      {"unknown kind does not move", 7, Rows({{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}), {1, 2, 3}, {1, 2, 3}},
  };
  for (auto& k : cases) {
    for (int j = 0; j < kAttractorColumns; ++j) {
      if (k.table.A[4][j] == 0 && k.kind != 1) k.table.A[4][j] = junk[j];
    }
    TAttractorRandom random(7);
    // Several steps from the same point: a random choice must not matter.
    for (int repeat = 0; repeat < 20; ++repeat) {
      TAttractorPoint p = k.from;
      AttractorStep(k.kind, k.table, p, random);
      if (std::fabs(k.from.x) > 1e100L) {
        EXPECT_EQ(p, k.from) << k.what;
        continue;
      }
      EXPECT_NEAR(double(p.x), double(k.to.x), 1e-15 * (1 + std::fabs(double(k.to.x)))) << k.what;
      EXPECT_NEAR(double(p.y), double(k.to.y), 1e-15 * (1 + std::fabs(double(k.to.y)))) << k.what;
      EXPECT_NEAR(double(p.z), double(k.to.z), 1e-15 * (1 + std::fabs(double(k.to.z)))) << k.what;
    }
  }
}

TEST(AttractorDocument, CountsAndSizes) {
  TRecordingCanvas canvas;
  T3dFractal doc(301, 199, &canvas);
  EXPECT_EQ(doc.BufWidth(), 304);
  EXPECT_EQ(doc.BufHeight(), 200);
  EXPECT_EQ(doc.PixelCount, 304 * 200);
  EXPECT_EQ(doc.GetPointCount(), 10000);
  EXPECT_EQ(doc.RenderThread(), nullptr);  // creating does not draw
  struct {
    int32_t asked, stored;
  } counts[] = {{500, 1000}, {2000000, 1000000}, {-5, 1000}, {123456, 123456}, {1000, 1000}};
  for (const auto& k : counts) {
    doc.SetPointCount(k.asked);
    WaitForPass(doc);
    EXPECT_EQ(doc.GetPointCount(), k.stored) << k.asked;
  }
}

TEST(AttractorDocument, PassStoresCountPlusOnePointsAndPullsRunawaysBack) {
  // x' = 1 + x climbs by one a step and falls back to 0.001 past 10: after k
  // steps x is (k mod 10) + 0.001, so the pass's last point tells the number
  // of steps.
  TRecordingCanvas canvas;
  T3dFractal doc(40, 40, &canvas);
  doc.Kind = kAttractorQuadratic;
  doc.SetCoefficients(Rows({{1, 1}, {0, 0, 0, 0, 0, 0.5f}, {0, 0, 0, 0, 0, 0, 0, 0, 0.5f}}));
  doc.SetPointCount(500);
  WaitForPass(doc);
  EXPECT_NEAR(double(doc.Current.x), 1.001, 1e-12);
  EXPECT_FLOAT_EQ(doc.Points()[9].x, 0.001f);  // 10.001 was pulled back
  EXPECT_FLOAT_EQ(doc.Points()[8].x, 9.001f);
}

TEST(AttractorDocument, EqualDepthLeavesThePictureBlackAndRedrawDoesNothing) {
  TRecordingCanvas canvas;
  T3dFractal doc(40, 40, &canvas);
  doc.Kind = kAttractorQuadratic;
  doc.SetCoefficients(Rows({{0.5f, 0.5f}, {0.25f}, {0.125f}}));  // z' = 0.125 always
  WaitForPass(doc);
  EXPECT_EQ(doc.ZMin(), doc.ZMax());
  for (int32_t i = 0; i < doc.PixelCount * 3; ++i) ASSERT_EQ(doc.ImageBuffer()[i], 0) << i;
  const size_t paints = canvas.Draws.size();
  doc.SetWindow(-1, 1, 2);
  EXPECT_EQ(canvas.Draws.size(), paints);
}

TEST(AttractorDocument, FarToNearShadingAndRedrawAfterPan) {
  // Points cycle through (0, 0, 0) and (0, 0, 1) ... a two-point cloud where
  // the near point (smallest z) is solid and the far one the background.
  TRecordingCanvas canvas;
  T3dFractal doc(5, 5, &canvas);
  doc.Solid = {10, 200, 250};
  doc.Background = {30, 40, 50};
  doc.Kind = kAttractorQuadratic;
  // x' = 0, y' = 0, z' = 1 - z: z alternates 0.999, 0.001, ...
  doc.SetCoefficients(Rows({{0}, {0}, {1, 0, 0, 0, 0, 0, 0, 0, -1}}));
  doc.SetPointCount(1000);
  WaitForPass(doc);
  EXPECT_FLOAT_EQ(doc.ZMin(), 0.001f);
  EXPECT_FLOAT_EQ(doc.ZMax(), 0.999f);
  // Window (-2, 2, 4) on a 5-pixel drawing: s = 1, (0, 0) is column 2, row 2.
  auto pixel = [&](int col, int row) {
    const uint8_t* p = doc.ImageBuffer() + (size_t(doc.BufHeight() - 1 - row) * doc.BufWidth() + col) * 3;
    return TColor3{p[0], p[1], p[2]};
  };
  EXPECT_EQ(pixel(2, 2), doc.Solid);  // the nearest point drawn last
  EXPECT_EQ(pixel(1, 2), TColor3{});
  const size_t paints = canvas.Draws.size();
  EXPECT_GE(paints, 1u + 3u);  // the black start, then points 1000, 500 and 0
  doc.SetWindow(-3, 2, 4);     // one pixel to the right
  EXPECT_EQ(pixel(3, 2), doc.Solid);
  EXPECT_EQ(pixel(2, 2), TColor3{});
  EXPECT_EQ(canvas.Draws.size(), paints + 1);
}

TEST(AttractorDocument, ChangesDuringAPassStopAndRestartIt) {
  TRecordingCanvas canvas;
  auto doc = std::make_unique<T3dFractal>(200, 200, &canvas);
  ASSERT_TRUE(SearchAttractor(*doc, 2, 1234u));
  doc->SetPointCount(1000000);
  doc->SetWindow(-1, 1, 2);  // while the pass runs: a new pass with the new window
  doc->SetCoefficients(doc->Coefficients);
  doc->SetPointCount(2000);
  WaitForPass(*doc);
  EXPECT_LT(doc->ZMin(), doc->ZMax());
  EXPECT_EQ(doc->X, -1);
  doc->SetPointCount(1000000);
  doc.reset();  // destroying stops the pass
}

TEST(AttractorView, PanAndZoomArithmetic) {
  const TAttractorWindow start{-2, 2, 4};
  const TAttractorWindow dragged = PannedWindow(start, 300, 10, 0);
  EXPECT_EQ(dragged.X, -2 - 4.0L / 300 * 10);
  EXPECT_EQ(dragged.Y, 2);
  EXPECT_EQ(dragged.W, 4);
  const TAttractorWindow down = PannedWindow(start, 300, 0, 30);
  EXPECT_EQ(down.Y, 2 + 4.0L / 300 * 30);
  struct {
    TAttractorWindow w;
    int32_t width, height;
  } cases[] = {{{-2, 2, 4}, 300, 300}, {{0.125L, -3, 0.001L}, 1024, 768}, {{-1, 1, 2}, 152, 152}};
  for (const auto& k : cases) {
    const TAttractorWindow in = ZoomedIn(k.w, k.width, k.height);
    const Extended s = k.w.W / (k.width - 1);
    EXPECT_EQ(in.W, k.w.W / 2);
    EXPECT_EQ(in.X, k.w.X + s * k.width / 4);
    EXPECT_EQ(in.Y, k.w.Y - s * k.height / 4);
    const TAttractorWindow back = ZoomedOut(in, k.width, k.height);
    EXPECT_EQ(back.X, k.w.X);
    EXPECT_EQ(back.Y, k.w.Y);
    EXPECT_EQ(back.W, k.w.W);
  }
}

TEST(AttractorDocument, BitmapOf301By200Is182454Bytes) {
  TRecordingCanvas canvas;
  T3dFractal doc(301, 200, &canvas);
  EXPECT_EQ(BitmapFileBytes(doc.BitmapHeader(), doc.ImageBuffer()).size(), 182454u);
}

TEST(AttractorDocument, OutOfMemory) {
  const uint64_t saved = TFractal::MaxBufferBytes;
  TFractal::MaxBufferBytes = 1000000;
  {
    TMessageRecorder messages;
    TRecordingCanvas canvas;
    T3dFractal doc(100, 100, &canvas);
    doc.SetPointCount(100000);  // 100001 points of 12 bytes
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0], "Unable to get 1,200,012 bytes: out of memory");
    EXPECT_EQ(doc.ImageBuffer(), nullptr);  // both buffers go
    EXPECT_EQ(doc.RenderThread(), nullptr);
    doc.SetPointCount(1000);  // a later count that fits draws again
    EXPECT_NE(doc.RenderThread(), nullptr);
    doc.SetDrawSize(1000, 1000);
    ASSERT_EQ(messages.Shown.size(), 2u);
    EXPECT_EQ(messages.Shown[1], "Unable to get 3,000,000 bytes: out of memory");
    EXPECT_EQ(doc.ImageBuffer(), nullptr);
    doc.SetDrawSize(60000, 60000);  // past 32 bits of pixels
    EXPECT_EQ(messages.Shown.back(), "Unable to get 10,800,000,000 bytes: out of memory");
  }
  TFractal::MaxBufferBytes = saved;
}

TEST(AttractorFile, RoundTripAndKeyOrder) {
  TScratchFolder dir;
  const std::string path = dir.File("a.fr3");
  TRecordingCanvas canvas;
  T3dFractal doc(50, 50, &canvas);
  doc.X = -1.25L;
  doc.Y = 0.1L;
  doc.W = 3;
  doc.Kind = 3;
  doc.ColorStyle = 2;
  doc.Solid = {1, 2, 3};
  doc.Background = {4, 5, 6};
  doc.SetPointCount(20000);
  TAttractorTable table;
  for (int i = 0; i < kAttractorRows; ++i)
    for (int j = 0; j < kAttractorColumns; ++j) table.A[i][j] = float(i * 13 + j) / 10 - 3;
  doc.SetCoefficients(table);
  WaitForPass(doc);
  doc.SaveToFile(path);
  const std::string text = ReadBytes(path);
  EXPECT_EQ(text.substr(0, text.find("A101")),
            "[Fractal]\nX_Coord=-1.25\nY_Coord=0.1\nW_Coord=3\nNumber=2000\nMaxIter=20000\n"
            "IFSNumber=3\nIFSColorStyle=2\nIFSSolidRed=3\nIFSSolidGreen=2\nIFSSolidBlue=1\nIFSBackRed=6\n"
            "IFSBackGreen=5\nIFSBackBlue=4\n\n[Attract]\n");
  EXPECT_NE(text.find("\nA101=-3\nA102=-2.90000009536743164\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nA112=-1.89999997615814209\nP1=-1.79999995231628418\nA201="), std::string::npos) << text;
  EXPECT_NE(text.find("\nP5=3.40000009536743164\n"), std::string::npos) << text;

  TMessageRecorder messages;
  T3dFractal back(50, 50, &canvas);
  back.LoadFromFile(path);
  WaitForPass(back);
  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_EQ(back.X, doc.X);
  EXPECT_EQ(back.Y, doc.Y);
  EXPECT_EQ(back.W, doc.W);
  EXPECT_EQ(back.Kind, 3);
  EXPECT_EQ(back.ColorStyle, 2);
  EXPECT_EQ(back.Solid, doc.Solid);
  EXPECT_EQ(back.Background, doc.Background);
  EXPECT_EQ(back.GetPointCount(), 20000);
  EXPECT_EQ(back.Coefficients, doc.Coefficients);
  WaitForPass(doc);
}

TEST(AttractorFile, DefaultsAndBadInput) {
  TScratchFolder dir;
  TRecordingCanvas canvas;
  const std::string kFail = "Application raised exception with message:\r\n";
  struct {
    const char* what;
    std::string text;  // empty: no file
    std::string message;  // part of the message shown, "" for none
  } cases[] = {
      {"only Attract", "[Attract]\nA101=0.5\nP3=1e-3\n", ""},
      {"junk", "\x01\x02 garbage ===\n[Fractal\nMaxIter=zz\n[Fractal]\nIFSNumber=x\nMaxIter=\n", ""},
      {"coefficient that is text", "[Attract]\nA101=0.5\nA102=abc\n", "'abc' is not a valid floating point value"},
      {"NaN window", "[Attract]\nA101=0.5\n[Fractal]\nX_Coord=nan\n", "'nan' is not a valid floating point value"},
      {"huge coefficient", "[Attract]\nA101=0.5\nA102=1e39\n", "'1e39' is not a valid floating point value"},
      {"missing file", "", "does not exist"},
      {"random bytes", "\x93\xfe\x01 no section here\n\xff=\x02\n", "is not an attractor file"},
      {"zero width", "[Attract]\nA101=0.5\n[Fractal]\nW_Coord=0\n", "'0' is not a valid floating point value"},
      {"negative width", "[Attract]\nA101=0.5\n[Fractal]\nW_Coord=-4\n", "'-4' is not a valid floating point value"},
      {"width past the doubles", "[Attract]\nA101=0.5\n[Fractal]\nW_Coord=1e4000\n",
       "'1e4000' is not a valid floating point value"},
      {"not an attractor's number", "[Attract]\nA101=0.5\n[Fractal]\nNumber=0\n", "formula number is 0, not 2000"},
  };
  for (const auto& k : cases) {
    const std::string path = dir.File(std::string(k.what) + ".fr3");
    if (!k.text.empty()) WriteBytes(path, k.text);
    TMessageRecorder messages;
    T3dFractal doc(50, 50, &canvas);
    doc.W = 7;
    doc.LoadFromFile(path);
    WaitForPass(doc);
    if (k.message.empty()) {
      EXPECT_TRUE(messages.Shown.empty()) << k.what;
      EXPECT_EQ(doc.X, -2) << k.what;
      EXPECT_EQ(doc.Y, 2) << k.what;
      EXPECT_EQ(doc.W, 4) << k.what;
      EXPECT_EQ(doc.Kind, 1) << k.what;
      EXPECT_EQ(doc.Solid, (TColor3{255, 255, 255})) << k.what;
      EXPECT_EQ(doc.Background, TColor3{}) << k.what;
      EXPECT_EQ(doc.GetPointCount(), 10000) << k.what;
    } else {
      ASSERT_EQ(messages.Shown.size(), 1u) << k.what;
      EXPECT_EQ(messages.Shown[0].rfind(kFail, 0), 0u) << messages.Shown[0];
      EXPECT_NE(messages.Shown[0].find(k.message), std::string::npos) << messages.Shown[0];
      EXPECT_NE(messages.Shown[0].find("\r\nUnable to load Spot-file !"), std::string::npos);
      // Read in full before anything is taken: a failed load changes nothing.
      EXPECT_EQ(doc.W, 7) << k.what;
      EXPECT_EQ(doc.Coefficients.A[0][0], 0) << k.what;
    }
    if (k.message.empty() && k.text.rfind("[Attract]", 0) == 0) {
      EXPECT_EQ(doc.Coefficients.A[0][0], 0.5f) << k.what;
    }
  }
  TMessageRecorder messages;
  T3dFractal doc(50, 50, &canvas);
  doc.LoadFromFile(dir.Path);
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_NE(messages.Shown[0].find("is a folder"), std::string::npos);
}

TEST(AttractorSearch, FixedSeedFindsAndTimesOut) {
  TRecordingCanvas canvas;
  TMessageRecorder messages;
  T3dFractal doc(60, 60, &canvas);
  doc.X = 5;
  ASSERT_TRUE(SearchAttractor(doc, 2, 1234u));
  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_EQ(doc.Kind, 3);
  EXPECT_EQ(doc.X, -2);
  EXPECT_EQ(doc.Y, 2);
  EXPECT_EQ(doc.W, 4);
  const TAttractorTable found = doc.Coefficients;
  WaitForPass(doc);
  EXPECT_LT(doc.ZMin(), doc.ZMax());
  ASSERT_TRUE(SearchAttractor(doc, 2, 1234u));  // the same seed finds the same map
  EXPECT_EQ(doc.Coefficients, found);

  ASSERT_TRUE(SearchAttractor(doc, 0, 99u));  // "IFS": random maps, no test
  EXPECT_EQ(doc.Kind, 1);
  EXPECT_EQ(doc.X, -1);
  EXPECT_EQ(doc.W, 2);
  for (int i = 0; i < kAttractorRows; ++i) {
    EXPECT_GE(doc.Coefficients.A[i][kProbabilityColumn], 0);
    EXPECT_LT(doc.Coefficients.A[i][kProbabilityColumn], 1);
    for (int j = 0; j < kProbabilityColumn; ++j) EXPECT_LE(std::fabs(doc.Coefficients.A[i][j]), 0.5f);
  }
  WaitForPass(doc);

  // Numbers that are all 0.5 make every coefficient 0: the map settles on a
  // fixed point, L stays 0 and every candidate is dropped until the limit.
  doc.Random.Replace([] { return 0.5; });
  doc.X = 5;
  EXPECT_FALSE(SearchAttractor(doc, 1, 1u));
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0], "3D attractor not found: timeout or L=0.");
  EXPECT_EQ(doc.Kind, 1);
  EXPECT_EQ(doc.X, -2);
  EXPECT_EQ(doc.Y, 2);
  EXPECT_EQ(doc.W, 4);
  EXPECT_EQ(doc.Coefficients.A[0][0], 0);  // the last attempt's table stays
  WaitForPass(doc);
  doc.Random.Replace({});
}

}  // namespace

namespace {

// Random damage to a sound file: every load ends with the values read or one
// message, never a crash or a hang.
TEST(AttractorFile, DamagedFilesLoadOrReport) {
  TScratchFolder dir;
  const std::string path = dir.File("f.fr3");
  {
    T3dFractal doc(40, 40, nullptr);
    SearchAttractor(doc, 2, 5u);
    doc.SaveToFile(path);
  }
  const std::string sound = ReadBytes(path);
  const char alphabet[] = "0123456789.-+eE=[]\nAPXxnai \xff";
  std::mt19937 random(11);
  TMessageRecorder messages;
  for (int round = 0; round < 200; ++round) {
    std::string text = sound;
    const int edits = 1 + int(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % text.size();
      switch (random() % 3) {
        case 0: text[at] = alphabet[random() % (sizeof alphabet - 1)]; break;
        case 1: text.erase(at, 1 + random() % 20); break;
        default: text.insert(at, 1, alphabet[random() % (sizeof alphabet - 1)]);
      }
      if (text.empty()) text = "x";
    }
    WriteBytes(path, text);
    const size_t before = messages.Shown.size();
    T3dFractal doc(40, 40, nullptr);
    doc.LoadFromFile(path);
    ASSERT_LE(messages.Shown.size(), before + 1) << text;
    EXPECT_GE(doc.GetPointCount(), kMinPointCount);
    EXPECT_LE(doc.GetPointCount(), kMaxPointCount);
  }
}

}  // namespace
