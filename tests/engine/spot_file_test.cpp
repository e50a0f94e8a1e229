// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

class SpotFile : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("px-spot-" + std::to_string(::getpid()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    OldHandler = SetMessageHandler([this](const std::string& t) { Shown.push_back(t); });
  }
  void TearDown() override {
    SetMessageHandler(OldHandler);
    fs::remove_all(Dir);
  }
  std::string PathOf(const std::string& name) const { return (Dir / name).string(); }
  static std::string Read(const std::string& path) { return ReadBytes(path); }
  static void Write(const std::string& path, const std::string& text) { WriteBytes(path, text); }
  fs::path Dir;
  std::vector<std::string> Shown;
  TMessageHandler OldHandler;
};

TEST_F(SpotFile, WritesEveryKeyInOrderWithItsFormat) {
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  doc.SetFormula(17, -5, 5, 10);
  doc.SetWindow(-0.75L, doc.Y, doc.W);
  doc.Ctx.BailOut = 4;
  doc.Ctx.MaxIter = 321;
  doc.Ctx.P1 = {0.25L, -1};
  doc.Ctx.JulieSet = true;
  doc.Ctx.Filter = 12;
  doc.Ctx.IFSSolid[2] = 1;  // red
  doc.Ctx.IFSSolid[1] = 2;
  doc.Ctx.IFSSolid[0] = 3;
  doc.Ctx.Constructor[cfM] = 1e-20L;
  const std::string path = PathOf("a.frs");
  doc.SaveSpot(path);
  const std::string text = Read(path);
  const std::string fractal =
      "[Fractal]\n"
      "X_Coord=-0.75\nY_Coord=5\nW_Coord=10\nX0_Coord=-5\nY0_Coord=5\nW0_Coord=10\n"
      "AutoIter=1\nNumber=17\nBailOut=4\nMaxIter=321\n"
      "P1real=0.25\nP1imag=-1\nP2real=0.5\nP2imag=0.5\nP3real=0\nP3imag=0\nPJreal=0.5\nPJimag=0.5\n"
      "JulieSet=1\nInverted=0\nF-Set=0\nFilter=12\nStrange=0.01\nKeepBlk=0\nFilter only=0\n"
      "IFSNumber=-1\nIFScounter=100\nIFSColorStyle=0\nIFSSolidRed=1\nIFSSolidGreen=2\nIFSSolidBlue=3\n"
      "IFSquick=1\nSmoothing=0\nDouble=0\n"
      "ConstructorA1=1\nConstructorB1=0\nConstructorC1=1\nConstructorD1=0\nConstructorE1=0\n"
      "ConstructorF1=0\nConstructorG1=0\nConstructorH1=0\nConstructorI1=0\nConstructorJ1=0\n"
      "ConstructorK1=0\nConstructorL1=0\nConstructorM1=1E-20\n";
  ASSERT_GE(text.size(), fractal.size());
  EXPECT_EQ(text.substr(0, fractal.size()), fractal);
  // The palette follows, and there is no user formula section.
  EXPECT_NE(text.find("[Colors]", fractal.size()), std::string::npos);
  EXPECT_EQ(text.find("[UserFrm]"), std::string::npos);
}

TEST_F(SpotFile, SaveLoadSaveGivesTheSameFile) {
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  doc.SetFormula(kUserFormula, -0.123456789012345678L, 0.3L, 1e-9L);
  doc.SetUserFormula({"x := x*x - y*y + cr;", "y := 2*x*y + ci; { = comment }", ""});
  doc.Ctx.Number = kUserFormula;
  doc.Ctx.BailOut = 0.1f;
  doc.Ctx.Strange = 1.0L / 3;
  doc.Ctx.Inverted = true;
  doc.Ctx.Smoothing = 2;
  doc.Ctx.IFScounter = 70;
  doc.Palette->PaletteKind = kPalParabola;
  doc.Palette->Contrast = 0.05f;
  const std::string first = PathOf("first.frs"), second = PathOf("second.frs");
  doc.SaveSpot(first);

  TFractal copy(-1, 0, 0, 0, 8, 8, nullptr);
  copy.LoadSpot(first);
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(copy.X, doc.X);
  EXPECT_EQ(copy.W, doc.W);
  EXPECT_EQ(copy.Ctx.Number, kUserFormula);
  EXPECT_EQ(copy.Ctx.BailOut, 0.1f);
  // 18 significant digits: close to, not exactly, the extended value.
  EXPECT_NEAR(double(copy.Ctx.Strange), double(doc.Ctx.Strange), 1e-17);
  EXPECT_TRUE(copy.Ctx.Inverted);
  EXPECT_EQ(copy.Ctx.IFScounter, 70);
  ASSERT_TRUE(copy.UserLines);
  EXPECT_EQ(*copy.UserLines, *doc.UserLines);
  EXPECT_TRUE(copy.UserFormulaAttached);
  EXPECT_TRUE(copy.NeedsCompile);
  EXPECT_EQ(copy.Palette->PaletteKind, kPalParabola);
  copy.SaveSpot(second);
  EXPECT_EQ(Read(first), Read(second));
}

TEST_F(SpotFile, HandWrittenFileLoadsKnownFieldsAndDefaults) {
  const std::string path = PathOf("hand.frs");
  Write(path,
        "; a spot written by hand\n"
        "[DrawSize]\nX_Size=320\nY_Size=200\n"
        "[fractal]\n"
        "x_coord = -1.5\n"
        "NUMBER=22\n"
        "ifscounter=250\n"
        "JulieSet=5\n"
        "KeepBlk=abc\n"
        "BailOut=16\n"
        "PJreal=-0.7\n"
        "ConstructorC1=2.5\n");
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  doc.LoadSpot(path);
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(doc.X, -1.5L);
  EXPECT_EQ(doc.Y, -1.4L);  // the file's default, unlike the main window's 1.4
  EXPECT_EQ(doc.W, 2.8L);
  EXPECT_EQ(doc.X0, -2.2L);
  EXPECT_EQ(doc.Ctx.Number, 22);
  EXPECT_EQ(doc.Ctx.IFScounter, 250);
  EXPECT_TRUE(doc.Ctx.JulieSet);   // any non-zero integer is true
  EXPECT_FALSE(doc.Ctx.KeepBlk);   // not a number: the default
  EXPECT_EQ(doc.Ctx.BailOut, 16.0f);
  EXPECT_EQ(doc.Ctx.PJ.re, -0.7L);
  EXPECT_EQ(doc.Ctx.PJ.im, 0.5L);
  EXPECT_EQ(doc.Ctx.Constructor[cfA], 1.0L);
  EXPECT_EQ(doc.Ctx.Constructor[cfC], 2.5L);
  EXPECT_EQ(doc.Ctx.MaxIter, 200);  // no canvas: no restart replaced it
  EXPECT_TRUE(doc.AutoIter);
  EXPECT_TRUE(doc.Ctx.IFSquick);
  EXPECT_EQ(doc.Ctx.IFSSolid[0], 255);

  // Saving over it keeps the other sections.
  doc.SaveSpot(path);
  const TProfileFile saved(path);
  EXPECT_EQ(saved.ReadInt("DrawSize", "X_Size", 0), 320);
  EXPECT_EQ(saved.ReadString("Fractal", "X_Coord", ""), "-1.5");
}

TEST_F(SpotFile, EmptyFileLoadsTheDefaults) {
  const std::string path = PathOf("empty.frs");
  Write(path, "");
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  doc.Ctx.Number = 5;
  doc.Ctx.P2 = {9, 9};
  doc.Ctx.IFSquick = false;
  doc.LoadSpot(path);
  EXPECT_EQ(doc.Ctx.Number, 0);
  EXPECT_EQ(doc.X, -2.2L);
  EXPECT_EQ(doc.Y, -1.4L);
  EXPECT_EQ(doc.W, 2.8L);
  EXPECT_EQ(doc.Ctx.MaxIter, 200);
  EXPECT_EQ(doc.Ctx.BailOut, 4.0f);
  EXPECT_EQ(doc.Ctx.P2.re, 0.5L);
  EXPECT_EQ(doc.Ctx.P3.im, 0.5L);
  EXPECT_EQ(doc.Ctx.IFSNumber, 0);
  EXPECT_TRUE(doc.AutoIter);
  EXPECT_TRUE(doc.Ctx.IFSquick);
}

TEST_F(SpotFile, UserFormulaWithoutLinesRestartsAsFormulaZero) {
  const std::string path = PathOf("user.frs");
  Write(path, "[Fractal]\nNumber=3000\n[UserFrm]\nStringCount=0\n");
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
  doc.LoadSpot(path);
  if (doc.RenderThread()) doc.RenderThread()->WaitFor();
  EXPECT_EQ(doc.Ctx.Number, 0);
  EXPECT_TRUE(doc.UserFormulaAttached);
  ASSERT_TRUE(doc.UserLines);
  EXPECT_TRUE(doc.UserLines->empty());
}

TEST_F(SpotFile, UserFormulaLoadsTheLinesPresentUpToTheCount) {
  struct Row {
    const char* section;
    std::vector<std::string> lines;
  };
  const Row rows[] = {
      {"StringCount=10\nStr0=a\nStr1=b\n", {"a", "b"}},
      {"StringCount=2000000000\nStr0=a\nStr1=b\n", {"a", "b"}},
      {"StringCount=2\nStr0=a\nStr1=b\nStr2=c\n", {"a", "b"}},
      {"StringCount=3\nStr0=a\nStr1=\nStr2=c\n", {"a", "", "c"}},
      {"StringCount=3\nstr2=c\nSTR0=a\n", {"a", "c"}},
      {"StringCount=5\nStr01=x\nStr-0=y\nStr+1=z\nStr=w\nStr4=e\n", {"e"}},
      {"StringCount=-1\nStr0=a\n", {}},
  };
  const std::string path = PathOf("count.frs");
  for (const Row& r : rows) {
    Write(path, std::string("[Fractal]\nNumber=3000\n[UserFrm]\n") + r.section);
    TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
    doc.LoadSpot(path);
    ASSERT_TRUE(doc.UserLines) << r.section;
    EXPECT_EQ(*doc.UserLines, r.lines) << r.section;
  }
}

TEST_F(SpotFile, ValuesTheWriterWritesReadBack) {
  struct Row {
    const char* line;       // in section "Fractal"
    const char* key;        // as saved again
    const char* saved;
  };
  const Row rows[] = {
      {"BailOut=1e300", "BailOut", "INF"},
      {"BailOut=-INF", "BailOut", "-INF"},
      {"P1real=NAN", "P1real", "NAN"},
      {"W_Coord=1e-4950", "W_Coord", "1.09355985956474238E-4950"},
      {"Strange=1e-5000", "Strange", "0"},
  };
  for (const Row& r : rows) {
    const std::string first = PathOf("first.frs"), second = PathOf("second.frs");
    Write(first, std::string("[Fractal]\n") + r.line + "\nMaxIter=77\n");
    TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
    doc.LoadSpot(first);
    EXPECT_TRUE(Shown.empty()) << r.line;
    doc.SaveSpot(second);
    EXPECT_EQ(TProfileFile(second).ReadString("Fractal", r.key, ""), r.saved) << r.line;
    // The saved file loads whole: the keys after the value are read too.
    TFractal copy(-1, 0, 0, 0, 8, 8, nullptr);
    copy.LoadSpot(second);
    EXPECT_TRUE(Shown.empty()) << r.line;
    EXPECT_EQ(copy.Ctx.MaxIter, 77) << r.line;
    fs::remove(first);
    copy.SaveSpot(first);
    EXPECT_EQ(Read(first), Read(second)) << r.line;
    Shown.clear();
  }
}

TEST_F(SpotFile, SaveReplacesTheFileOnceAndLoadRefusesWhatItCannotRead) {
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  doc.SetFormula(3, -1, 1, 2);
  doc.Palette->PaletteKind = kPalLinear;
  const std::string old = "[DrawSize]\nX_Size=64\nY_Size=48\n[Fractal]\nNumber=5\n";
  const std::string probe = PathOf("probe.frs"), path = PathOf("old.frs");
  Write(probe, old);
  doc.SaveSpot(probe);
  const size_t fullSize = Read(probe).size();
  const TProfileFile whole(probe);
  EXPECT_EQ(whole.SectionNames(), (std::vector<std::string>{"DrawSize", "Fractal", "Colors", "Standart palette",
                                                             "Linear palette", "Parabola palette",
                                                             "Square palette"}));
  EXPECT_EQ(whole.ReadInteger("Colors", "Palette type", -1), kPalLinear);

  // A disk that takes everything but the last byte of the spot: the old
  // file stays as it was, not cut down to the fractal keys.
  Write(path, old);
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = fullSize - 1;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    doc.SaveSpot(path);
  } catch (const TProfileError&) {
    threw = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(threw);
  EXPECT_EQ(Read(path), old);

  // A spot that exists but cannot be read changes nothing.
  TFractal target(-1, 0, 0, 0, 8, 8, nullptr);
  target.Ctx.Number = 7;
  target.Palette->PaletteKind = kPalSquare;
  try {
    target.LoadSpot(Dir.string());
    ADD_FAILURE() << "a folder loaded as a spot";
  } catch (const TProfileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot read \"" + Dir.string() + "\": it is a folder");
  }
  EXPECT_EQ(target.Ctx.Number, 7);
  EXPECT_EQ(target.Palette->PaletteKind, kPalSquare);
  EXPECT_TRUE(Shown.empty());
}

TEST_F(SpotFile, UnreadableRealShowsTheMessageAndKeepsWhatWasRead) {
  const std::string path = PathOf("bad.frs");
  Write(path,
        "[Colors]\nPalette type=3\n"
        "[Fractal]\nX_Coord=-1\nY_Coord=zero\nW_Coord=5\n");
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  doc.LoadSpot(path);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].rfind("Application raised exception with message:\r\n", 0), 0u);
  EXPECT_NE(Shown[0].find("zero"), std::string::npos);
  EXPECT_EQ(Shown[0].substr(Shown[0].size() - 28), "\r\nUnable to load Spot-file !");
  EXPECT_EQ(doc.Palette->PaletteKind, kPalSquare);
  EXPECT_EQ(doc.X, -1.0L);
  EXPECT_EQ(doc.W, 0.0L);  // not reached
}

// A window with no picture is refused as an unreadable real is; the keys
// before it stay read.
TEST_F(SpotFile, AWindowWithoutAPictureIsRefusedLikeAnUnreadableReal) {
  const struct {
    const char* line;
    const char* text;  // as quoted in the message
  } rows[] = {
      {"W_Coord=nan", "'nan'"},   {"W_Coord=INF", "'INF'"},     {"W_Coord=0", "'0'"},
      {"W_Coord=-2", "'-2'"},     {"W_Coord=1e4000", "'1e4000'"}, {"X_Coord=-INF", "'-INF'"},
      {"Y_Coord=NAN", "'NAN'"},   {"X_Coord=1e400", "'1e400'"},
  };
  for (const auto& r : rows) {
    Shown.clear();
    const std::string path = PathOf("window.frs");
    Write(path, std::string("[Colors]\nPalette type=3\n[Fractal]\n") + r.line + "\nNumber=5\n");
    TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
    doc.LoadSpot(path);
    ASSERT_EQ(Shown.size(), 1u) << r.line;
    EXPECT_NE(Shown[0].find(std::string(r.text) + " is not a valid floating point value"), std::string::npos)
        << Shown[0];
    EXPECT_EQ(doc.Palette->PaletteKind, kPalSquare) << r.line;
    EXPECT_EQ(doc.Ctx.Number, -1) << r.line;  // not reached
  }
}

// The IFS points per iteration are kept to what the selection dialog offers.
TEST_F(SpotFile, IFSCounterIsClampedOnReading) {
  const struct {
    const char* value;
    int32_t read;
  } rows[] = {{"2147483647", 1000000}, {"1000001", 1000000}, {"0", 10}, {"-5", 10}, {"9", 10}, {"250", 250}};
  for (const auto& r : rows) {
    const std::string path = PathOf("counter.frs");
    Write(path, std::string("[Fractal]\nNumber=1001\nIFSCounter=") + r.value + "\n");
    TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
    doc.LoadSpot(path);
    EXPECT_EQ(doc.Ctx.IFScounter, r.read) << r.value;
  }
  EXPECT_TRUE(Shown.empty());
}

TEST_F(SpotFile, ALimitPastTheOrdinaryCapStaysOnlyOnADeepView) {
  struct {
    const char* width;
    int32_t expected;
  } rows[] = {{"1e-20", 2000000}, {"0.001", kMaxIterLimit}};
  for (const auto& r : rows) {
    Write(PathOf("limit.frs"), std::string("[Fractal]\nX_Coord=1.25\nY_Coord=0.5\nW_Coord=") + r.width +
                                   "\nAutoIter=0\nMaxIter=2000000\n");
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, 8, 6, &canvas), copy(-1, 0, 0, 0, 8, 6, &canvas);
    doc.LoadSpot(PathOf("limit.frs"));
    EXPECT_EQ(doc.Ctx.MaxIter, r.expected) << r.width;
    doc.SaveSpot(PathOf("again.frs"));
    copy.LoadSpot(PathOf("again.frs"));
    EXPECT_EQ(copy.Ctx.MaxIter, r.expected) << r.width;
    WaitForRender(doc);
    WaitForRender(copy);
  }
  EXPECT_TRUE(Shown.empty());
}

TEST_F(SpotFile, MutatedFilesNeverCrash) {
  TFractal source(-1, 0, 0, 0, 8, 8, nullptr);
  source.SetFormula(kUserFormula, -1, 1, 2);
  source.SetUserFormula({"x := x*x;"});
  source.Ctx.Number = kUserFormula;
  const std::string seed = PathOf("seed.frs");
  source.SaveSpot(seed);
  const std::string original = Read(seed);
  std::mt19937 random(99);
  const std::string alphabet = "[]=\n\r;-.0123456789eE+ abcXYZ\xB0\xff";
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  const std::string path = PathOf("mutant.frs");
  // A fixed number of mutants: every run tries the same files.
  for (int run = 0; run < 1000; ++run) {
    std::string text = original;
    const int edits = 1 + int(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = text.empty() ? 0 : random() % text.size();
      switch (random() % 3) {
        case 0: if (!text.empty()) text[at] = alphabet[random() % alphabet.size()]; break;
        case 1: text.insert(at, 1, alphabet[random() % alphabet.size()]); break;
        default: text.erase(at, random() % 16); break;
      }
    }
    Write(path, text);
    try {
      doc.LoadSpot(path);
    } catch (const std::exception&) {
      // palette errors reach the caller by design
    }
  }
}

}  // namespace

namespace {

// Fast arithmetic is a render setting: a spot saved from a fast render is the
// file an exact render saves, and loading a spot leaves the preference alone.
TEST_F(SpotFile, FastArithmeticLeavesSpotFilesUnchanged) {
  const bool saved = TFractal::UseFastArithmetic;
  std::string text[2];
  for (bool fast : {false, true}) {
    TFractal::UseFastArithmetic = fast;
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, 8, 8, &canvas);
    doc.SetFormula(3, -1, 1, 2);
    EXPECT_EQ(doc.Ctx.FastArithmetic, fast);
    doc.StopThread();
    doc.SaveSpot(PathOf("fast.frs"));
    text[fast] = Read(PathOf("fast.frs"));
    doc.LoadSpot(PathOf("fast.frs"));
    EXPECT_EQ(doc.Ctx.FastArithmetic, fast);
    doc.StopThread();
  }
  TFractal::UseFastArithmetic = saved;
  EXPECT_EQ(text[0], text[1]);
  EXPECT_EQ(text[0].find("Fast"), std::string::npos);
}

}  // namespace
