// SPDX-License-Identifier: GPL-3.0-or-later
// Navigation of deep views and deep windows in spot files.

#include "engine/deep_window.h"

#include <gtest/gtest.h>

#include <array>
#include <regex>
#include <string>
#include <vector>

#include "engine/fractal.h"
#include "platform/dialogs.h"
#include "tests/test_files.h"

namespace {

constexpr const char* kBoundaryX = "-0.743643887037158704752191506114774";
constexpr const char* kBoundaryY = "0.131825904205311970493132056385139";
constexpr mpfr_prec_t kExactBits = 4000;

TDeepReal Real(const std::string& text, mpfr_prec_t bits = kExactBits) {
  TDeepReal r(bits);
  EXPECT_TRUE(TDeepReal::Parse(text, bits, r)) << text;
  return r;
}

// The window at the boundary point with width `w`, as the document keeps it.
TDeepWindow BoundaryWindow(const std::string& w, const char* x = kBoundaryX, const char* y = kBoundaryY) {
  return RoundedWindow({Real(x), Real(y), Real(w)});
}

std::array<std::string, 3> Texts(const TDeepWindow& w) { return DeepTexts(w); }

// |a - b| <= 2^-bits * scale
bool Near(const TDeepReal& a, const TDeepReal& b, const TDeepReal& scale, long bits) {
  TDeepReal d = a - b;
  mpfr_abs(d.Get(), d.Get(), MPFR_RNDN);
  TDeepReal limit = scale;
  mpfr_abs(limit.Get(), limit.Get(), MPFR_RNDN);
  mpfr_mul_2si(limit.Get(), limit.Get(), -bits, MPFR_RNDN);
  return mpfr_lessequal_p(d.Get(), limit.Get()) != 0;
}

TEST(DeepWindow, MovesUndoneByTheOppositeMoveReturnTheSameDecimals) {
  struct Row {
    const char *x, *y, *w;
  } rows[] = {
      {kBoundaryX, kBoundaryY, "1e-25"},
      {kBoundaryX, kBoundaryY, "1.5e-60"},
      {kBoundaryX, kBoundaryY, "3e-400"},  // below the double range
      {"-1.25000000000000000000000000000000000003", "3e-70", "1e-60"},  // Y a few pixels from zero
  };
  const int32_t spans = 639;
  for (const Row& r : rows) {
    const TDeepWindow start = BoundaryWindow(r.w, r.x, r.y);
    ASSERT_TRUE(IsDeep(start)) << r.w;
    TDeepWindow w = start;
    // Ten zooms in about different points, then out again in reverse order.
    for (int k = 0; k < 10; ++k) {
      const Extended c = 17 + 61 * k, row = 400 - 37 * k;
      const TDeepWindow in = MovedWindow(w, {.Column = c / 2, .Row = row / 2, .Zoom = 0.5L, .Spans = spans});
      EXPECT_GT(in.X.Bits(), w.X.Bits()) << r.w;  // precision grows with the depth
      // The point under the cursor stays in place, to far below a pixel.
      const TDeepReal step = w.W / TDeepReal(Extended(spans), kExactBits);
      const TDeepReal stepIn = in.W / TDeepReal(Extended(spans), kExactBits);
      EXPECT_TRUE(Near(w.X + TDeepReal(c, 64) * step, in.X + TDeepReal(c, 64) * stepIn, step, 30)) << r.w;
      const TDeepWindow back = MovedWindow(in, {.Column = -c, .Row = -row, .Zoom = 2, .Spans = spans});
      EXPECT_EQ(Texts(back), Texts(w)) << r.w << " zoom " << k;
      w = in;
    }
    for (int k = 9; k >= 0; --k) {
      const Extended c = 17 + 61 * k, row = 400 - 37 * k;
      w = MovedWindow(w, {.Column = -c, .Row = -row, .Zoom = 2, .Spans = spans});
    }
    EXPECT_EQ(Texts(w), Texts(start)) << r.w;
    // Panning right and down, then back.
    const TDeepWindow panned = MovedWindow(w, {.Column = 25, .Row = -10, .Spans = spans});
    EXPECT_NE(Texts(panned), Texts(w));
    EXPECT_EQ(Texts(MovedWindow(panned, {.Column = -25, .Row = 10, .Spans = spans})), Texts(w)) << r.w;
  }
}

TEST(DeepWindow, RubberBandAtDepthGivesTheDraggedWindow) {
  const TDeepWindow w = BoundaryWindow("1e-60");
  const int32_t spans = 799, left = 213, top = 157, width = 101;
  const TDeepWindow band =
      MovedWindow(w, {.Column = left, .Row = top, .WidthSteps = width, .Spans = spans, .DoubleStep = true});
  const TDeepReal step = w.W / TDeepReal(Extended(spans), kExactBits);
  const TDeepReal steps[3] = {TDeepReal(Extended(left), 64), TDeepReal(Extended(top), 64),
                              TDeepReal(Extended(width), 64)};
  // To a 2^-30 part of a pixel; extended arithmetic misses by 1e40 pixels.
  EXPECT_TRUE(Near(band.X, w.X + steps[0] * step, step, 30));
  EXPECT_TRUE(Near(band.Y, w.Y - steps[1] * step, step, 30));
  EXPECT_TRUE(Near(band.W, steps[2] * step, band.W, 50));
  EXPECT_NE(band.X.ToDecimal(40), TDeepReal(band.X.ToExtended(), 64).ToDecimal(40));
  EXPECT_TRUE(band.X == RoundedWindow(band).X);
}

class DeepSpot : public ::testing::Test {
 protected:
  void SetUp() override { OldHandler = SetMessageHandler([this](const std::string& t) { Shown.push_back(t); }); }
  void TearDown() override { SetMessageHandler(OldHandler); }
  // A document at depth 1e-60, moved once so that its window is its own.
  static void GoDeep(TFractal& doc) {
    doc.SetDeepWindow(BoundaryWindow("2.8e-60"));
    doc.MoveWindow({.Column = 33, .Row = 21, .Zoom = 0.5L, .Spans = doc.Width - 1});
  }
  static std::string Replace(const std::string& text, const std::string& pattern, const std::string& by) {
    return std::regex_replace(text, std::regex(pattern), by);
  }
  // Saves a deep view of `doc` to DeepPath and returns the file's text.
  std::string SaveDeep(TFractal& doc) {
    GoDeep(doc);
    doc.SaveSpot(DeepPath);
    return ReadBytes(DeepPath);
  }
  TScratchFolder Dir{"px-deep-spot"};
  const std::string DeepPath = Dir.File("deep.frs");
  std::vector<std::string> Shown;
  TMessageHandler OldHandler;
};

TEST_F(DeepSpot, DeepKeysFollowTheSpotKeysAndReopenTheSameView) {
  TFractal doc(-1, 0, 0, 0, 64, 48, nullptr);
  const std::string text = SaveDeep(doc);
  const std::string& path = DeepPath;
  const std::smatch keys = [&] {
    std::smatch m;
    std::regex_search(text, m,
                      std::regex("ConstructorM1=[^\r\n]*\r?\nX_Deep=([^\r\n]*)\r?\nY_Deep=([^\r\n]*)\r?\n"
                                 "W_Deep=([^\r\n]*)\r?\n"));
    return m;
  }();
  ASSERT_FALSE(keys.empty()) << text;
  EXPECT_EQ(keys[1].str(), DeepTexts(doc.Deep)[0]);
  EXPECT_GT(keys[1].str().size(), 70u);  // as many digits as the depth needs
  EXPECT_NE(text.find("X_Coord=-0.743643887037158705"), std::string::npos) << text;

  // Another size reopens exactly the same view and writes the same file.
  TFractal other(-1, 0, 0, 0, 200, 10, nullptr);
  other.LoadSpot(path);
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(Texts(other.Deep), Texts(doc.Deep));
  EXPECT_TRUE(other.Deep.X == doc.Deep.X && other.Deep.Y == doc.Deep.Y && other.Deep.W == doc.Deep.W);
  EXPECT_EQ(other.X, doc.X);
  EXPECT_EQ(other.W, doc.W);
  const std::string again = Dir.File("again.frs");
  other.SaveSpot(again);
  EXPECT_EQ(ReadBytes(again), text);

  // Back at a shallow view the deep keys go, also from the file saved over.
  doc.SetWindow(-2.2L, 1.4L, 2.8L);
  doc.SaveSpot(path);
  EXPECT_EQ(ReadBytes(path).find("_Deep"), std::string::npos);
  other.LoadSpot(path);
  EXPECT_FALSE(IsDeep(other.Deep));
  EXPECT_EQ(other.X, -2.2L);
}

TEST_F(DeepSpot, TypedDeepValuesAreWrittenBackAsTyped) {
  const std::string path = Dir.File("typed.frs");
  WriteBytes(path,
             "[Fractal]\nX_Coord=-0.743643887037158705\nY_Coord=0.13182590420531197\nW_Coord=1E-25\n"
             "X_Deep=-7.4364388703715870475219150611477e-01\nY_Deep=0.131825904205311970493132385610\n"
             "W_Deep=1e-25\n");
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  doc.LoadSpot(path);
  EXPECT_TRUE(IsDeep(doc.Deep));
  doc.SaveSpot(path);
  const std::string text = ReadBytes(path);
  for (const char* line : {"X_Deep=-0.74364388703715870475219150611477", "Y_Deep=0.13182590420531197049313238561",
                           "W_Deep=1e-25"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(DeepSpot, ExtendedKeysWinWhenTheDeepKeysNameAnotherWindow) {
  TFractal doc(-1, 0, 0, 0, 64, 48, nullptr);
  const std::string text = SaveDeep(doc);
  const std::string& path = DeepPath;
  struct Row {
    const char *pattern, *by;
    bool deep;
    Extended x;
  } rows[] = {
      // X_Coord edited by hand: the edit counts, the stale deep keys do not.
      {"X_Coord=[^\r\n]*", "X_Coord=-0.5", false, -0.5L},
      // A deep key alone: the others come from their extended keys.
      {"(Y|W)_Deep=[^\r\n]*\r?\n", "", true, doc.X},
      // Deep keys and no extended keys: the defaults disagree with them.
      {"(X|Y|W)_Coord=[^\r\n]*\r?\n", "", false, -2.2L},
  };
  for (const Row& r : rows) {
    WriteBytes(path, Replace(text, r.pattern, r.by));
    TFractal loaded(-1, 0, 0, 0, 64, 48, nullptr);
    loaded.LoadSpot(path);
    EXPECT_TRUE(Shown.empty()) << r.pattern;
    EXPECT_EQ(IsDeep(loaded.Deep), r.deep) << r.pattern;
    EXPECT_EQ(loaded.X, r.x) << r.pattern;
    if (r.deep) {
      EXPECT_TRUE(loaded.Deep.X == doc.Deep.X) << r.pattern;
    }
  }
}

TEST_F(DeepSpot, BadDeepValuesAreReportedLikeOtherBadReals) {
  for (const char* bad : {"0.7.4", "", "nan", "-inf", "1e99999999999999999999", "0x1p3"}) {
    const std::string path = Dir.File("bad.frs");
    WriteBytes(path, std::string("[Fractal]\nX_Coord=-1\nY_Coord=0.5\nW_Coord=1E-50\nY_Deep=") + bad + "\n");
    TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
    Shown.clear();
    doc.LoadSpot(path);
    ASSERT_EQ(Shown.size(), 1u) << bad;
    EXPECT_NE(Shown[0].find(std::string("'") + bad + "' is not a valid floating point value (key \"Y_Deep\""),
              std::string::npos)
        << Shown[0];
    EXPECT_EQ(Shown[0].substr(Shown[0].size() - 28), "\r\nUnable to load Spot-file !");
    EXPECT_EQ(doc.X, -1.0L);
  }
}

}  // namespace
