// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "px_settings_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
    Path = (Dir / "fractal.ini").string();
  }
  void TearDown() override { fs::remove_all(Dir); }

  void Put(const std::string& text) { std::ofstream(Path, std::ios::binary) << text; }
  std::string Text() const {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  TSettings Read() const {
    TSettings s;
    ReadSettings(Path, s);
    return s;
  }

  fs::path Dir;
  std::string Path;
};

// The text a write of the default settings produces in a new file, with the
// main window at (10, 20) 301 x 320 and the paint surface 300 x 300 at (0, 0).
const char* kDefaultText =
    "[Window]\n"
    "Top=20\nLeft=10\nWidth=301\nHeight=320\nMaximized=0\n\n"
    "[PaintBox]\n"
    "Top=0\nLeft=0\nWidth=300\nHeight=300\n\n"
    "[Options]\n"
    "Left=0\nTop=0\nJpegQuality=80\nJpegProgressive=1\n\n"
    "[Select]\nLeft=0\nTop=0\n\n"
    "[IFSForm]\nLeft=0\nTop=0\n\n"
    "[JulieForm]\nLeft=0\nTop=0\n\n"
    "[DragForm]\nLeft=0\nTop=0\n\n"
    "[AVISetup]\nLeft=0\nTop=0\n\n"
    "[AttractForm]\nLeft=0\nTop=0\nWidth=440\nHeight=370\nMaximized=0\n\n"
    "[AAForm]\nLeft=0\nTop=0\nWidth=0\nHeight=0\nMaximized=0\n\n"
    "[3Dview]\nLeft=0\nTop=0\nWidth=0\nHeight=0\nMaximized=0\n"
    // 0.5236 as a double is 0.52359999999999995434...; 18 digits.
    "Degree=50\nAngle=0.523599999999999954\nSmooth=1\nThicknes=10\n"
    // 0xC0FFC0 = 12648384.
    "LowColor=0\nHighColor=12648384\nMaxHigh=1\n";

TSettings StartUpSettings() {
  TSettings s;
  s.Window = {10, 20, 301, 320};
  s.PaintWidth = 300;
  s.PaintHeight = 300;
  return s;
}

}  // namespace

TEST_F(SettingsTest, DefaultsFromMissingAndEmptyFile) {
  for (bool create : {false, true}) {
    SCOPED_TRACE(create ? "empty file" : "missing file");
    if (create) Put("");
    TSettings s;
    s.Window = {5, 6, 7, 8};  // the window's current bounds stay
    ReadSettings(Path, s);
    EXPECT_EQ(s.HelpFile, "Px.hlp");
    EXPECT_EQ(s.PaintTop, 0);
    EXPECT_EQ(s.PaintLeft, 0);
    EXPECT_FALSE(s.PaintWidth.has_value());
    EXPECT_FALSE(s.PaintHeight.has_value());
    EXPECT_FALSE(s.WindowBoundsInFile);
    EXPECT_EQ(s.Window.Left, 5);
    EXPECT_EQ(s.Window.Top, 6);
    EXPECT_EQ(s.Window.Width, 7);
    EXPECT_EQ(s.Window.Height, 8);
    EXPECT_FALSE(s.WindowMaximized);
    EXPECT_EQ(s.JpegQuality, 80);
    EXPECT_TRUE(s.JpegProgressive);
    EXPECT_EQ(s.AttractForm, (TFormBounds{0, 0, 440, 370, false}));
    EXPECT_EQ(s.AAForm, TFormBounds{});
    EXPECT_EQ(s.View3D, TFormBounds{});
    EXPECT_EQ(s.Options, TFormPosition{});
    EXPECT_EQ(s.AVISetup, TFormPosition{});
    EXPECT_EQ(s.Degree, 50);
    EXPECT_EQ(s.Angle, Extended(0.5236));
    EXPECT_EQ(s.Smooth, 1);
    EXPECT_EQ(s.Thicknes, 10);
    EXPECT_EQ(s.LowColor, (TColorRecord{0, 0, 0}));
    EXPECT_EQ(s.HighColor, (TColorRecord{192, 255, 192}));
    EXPECT_TRUE(s.MaxHigh);
  }
}

TEST_F(SettingsTest, DefaultWriteHasEveryKeyInOrder) {
  WriteSettings(Path, StartUpSettings(), TWindowState::Normal);
  EXPECT_EQ(Text(), kDefaultText);
}

TEST_F(SettingsTest, RoundTrip) {
  TSettings s;
  s.HelpFile = "ignored.hlp";  // never written
  s.PaintTop = -3;
  s.PaintLeft = 7;
  s.PaintWidth = 640;
  s.PaintHeight = 480;
  s.Window = {-100, 30, 900, 700};
  s.Options = {11, 12};
  s.JpegQuality = 30;
  s.JpegProgressive = false;
  s.Select = {13, 14};
  s.IFSForm = {15, 16};
  s.JulieForm = {17, 18};
  s.DragForm = {19, 20};
  s.AVISetup = {21, 22};
  s.AttractForm = {23, 24, 500, 400, true};
  s.AAForm = {25, 26, 320, 240, false};
  s.View3D = {27, 28, 350, 250, true};
  s.Degree = 99;
  s.Angle = 1.2345678901234567;
  s.Smooth = 10;
  s.Thicknes = 0;
  s.LowColor = {1, 2, 3};
  s.HighColor = {255, 0, 128};
  s.MaxHigh = false;
  WriteSettings(Path, s, TWindowState::Normal);
  const std::string first = Text();

  const TSettings r = Read();
  EXPECT_EQ(r.HelpFile, "Px.hlp");
  EXPECT_EQ(r.PaintTop, -3);
  EXPECT_EQ(r.PaintLeft, 7);
  EXPECT_EQ(r.PaintWidth, 640);
  EXPECT_EQ(r.PaintHeight, 480);
  EXPECT_TRUE(r.WindowBoundsInFile);
  EXPECT_EQ(r.Window.Left, -100);
  EXPECT_EQ(r.Window.Top, 30);
  EXPECT_EQ(r.Window.Width, 900);
  EXPECT_EQ(r.Window.Height, 700);
  EXPECT_FALSE(r.WindowMaximized);
  EXPECT_EQ(r.Options, s.Options);
  EXPECT_EQ(r.JpegQuality, 30);
  EXPECT_FALSE(r.JpegProgressive);
  EXPECT_EQ(r.Select, s.Select);
  EXPECT_EQ(r.IFSForm, s.IFSForm);
  EXPECT_EQ(r.JulieForm, s.JulieForm);
  EXPECT_EQ(r.DragForm, s.DragForm);
  EXPECT_EQ(r.AVISetup, s.AVISetup);
  EXPECT_EQ(r.AttractForm, s.AttractForm);
  EXPECT_EQ(r.AAForm, s.AAForm);
  EXPECT_EQ(r.View3D, s.View3D);
  EXPECT_EQ(r.Degree, 99);
  EXPECT_EQ(r.Angle, s.Angle);
  EXPECT_EQ(r.Smooth, 10);
  EXPECT_EQ(r.Thicknes, 0);
  EXPECT_EQ(r.LowColor, s.LowColor);
  EXPECT_EQ(r.HighColor, s.HighColor);
  EXPECT_FALSE(r.MaxHigh);
  EXPECT_NE(first.find("LowColor=197121\n"), std::string::npos);   // 3 << 16 | 2 << 8 | 1
  EXPECT_NE(first.find("HighColor=8388863\n"), std::string::npos);  // 128 << 16 | 255

  WriteSettings(Path, r, TWindowState::Normal);
  EXPECT_EQ(Text(), first);
}

TEST_F(SettingsTest, RangeChecks) {
  struct Case {
    const char* lines;  // of section [3Dview]
    int32_t degree, smooth, thicknes;
    Extended angle;
  };
  const Extended d5236 = Extended(0.5236), pi6 = Extended(0.5235987755982989);
  const Case cases[] = {
      {"Degree=0\nSmooth=11\n", 50, 1, 10, d5236},
      {"Degree=1\nSmooth=1\nThicknes=0\n", 1, 1, 0, d5236},
      {"Degree=99\nSmooth=10\nThicknes=10\n", 99, 10, 10, d5236},
      {"Degree=100\nSmooth=0\nThicknes=11\n", 50, 1, 10, d5236},
      {"Degree=-5\nSmooth=-1\nThicknes=-1\n", 50, 1, 10, d5236},
      {"Degree=abc\nSmooth=2x\nThicknes=\n", 50, 1, 10, d5236},  // not numbers: defaults
      {"Angle=0\n", 50, 1, 10, 0},
      {"Angle=1.5707963267948966\n", 50, 1, 10, Extended(1.5707963267948966)},
      {"Angle=1.5708\n", 50, 1, 10, pi6},
      {"Angle=-0.001\n", 50, 1, 10, pi6},
      {"Angle=1e4000\n", 50, 1, 10, pi6},
      {"Angle=0.25\n", 50, 1, 10, Extended(0.25)},
      {"Angle=0,5\n", 50, 1, 10, d5236},  // the separator is "."
      {"Angle=nan\n", 50, 1, 10, d5236},
      {"Angle=\n", 50, 1, 10, d5236},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    Put(std::string("[3Dview]\n") + c.lines);
    const TSettings s = Read();
    EXPECT_EQ(s.Degree, c.degree);
    EXPECT_EQ(s.Smooth, c.smooth);
    EXPECT_EQ(s.Thicknes, c.thicknes);
    EXPECT_EQ(s.Angle, c.angle);
  }
}

TEST_F(SettingsTest, HostileValuesOfOtherSections) {
  struct Case {
    const char* text;
    int32_t quality;
    std::optional<int32_t> width, height;
  };
  const Case cases[] = {
      {"[Options]\nJpegQuality=0\n", 10, {}, {}},
      {"[Options]\nJpegQuality=9\n", 10, {}, {}},
      {"[Options]\nJpegQuality=55\n", 55, {}, {}},
      {"[Options]\nJpegQuality=101\n", 100, {}, {}},
      {"[Options]\nJpegQuality=-2147483648\n", 10, {}, {}},
      {"[PaintBox]\nWidth=0\nHeight=-5\n", 80, {}, {}},
      {"[PaintBox]\nWidth=1\nHeight=8192\n", 80, 1, 8192},
      {"[PaintBox]\nWidth=999999\nHeight=x\n", 80, 8192, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Put(c.text);
    const TSettings s = Read();
    EXPECT_EQ(s.JpegQuality, c.quality);
    EXPECT_EQ(s.PaintWidth, c.width);
    EXPECT_EQ(s.PaintHeight, c.height);
  }
}

TEST_F(SettingsTest, ReadingIgnoresCaseAndTakesBooleansAsIntegers) {
  Put("[window]\nmaximized=2\nTOP=-40\n[3DVIEW]\nmaxhigh=0\n[Application]\nHelpFile=Other.hlp\n");
  TSettings s;
  s.Window = {1, 2, 3, 4};
  ReadSettings(Path, s);
  EXPECT_TRUE(s.WindowMaximized);
  EXPECT_TRUE(s.WindowBoundsInFile);
  EXPECT_EQ(s.Window.Top, -40);
  EXPECT_EQ(s.Window.Left, 1);  // missing keys keep the current bounds
  EXPECT_EQ(s.Window.Width, 3);
  EXPECT_FALSE(s.MaxHigh);
  EXPECT_EQ(s.HelpFile, "Other.hlp");
}

TEST_F(SettingsTest, ColoursAreWrittenBackUnchanged) {
  for (int32_t color : {0, 255, 0xFF00, 0xFF0000, 0xC0FFC0, 0x123456}) {
    SCOPED_TRACE(color);
    Put("[3Dview]\nHighColor=" + std::to_string(color) + "\nLowColor=" + std::to_string(color) + "\n");
    const TSettings s = Read();
    EXPECT_EQ(ColorInteger(s.HighColor), color);
    WriteSettings(Path, s, TWindowState::Normal);
    const std::string text = Text();
    EXPECT_NE(text.find("\nHighColor=" + std::to_string(color) + "\n"), std::string::npos);
    EXPECT_NE(text.find("\nLowColor=" + std::to_string(color) + "\n"), std::string::npos);
  }
  // 255 is pure red in the file's 0x00BBGGRR order.
  EXPECT_EQ(ColorRecordOf(255), (TColorRecord{255, 0, 0}));
  EXPECT_EQ(ColorRecordOf(0xC0FFC0), (TColorRecord{0xC0, 0xFF, 0xC0}));
  EXPECT_EQ(ColorRecordOf(0x010203), (TColorRecord{3, 2, 1}));
}

TEST_F(SettingsTest, MaximisedOrMinimisedWriteKeepsPreviousBounds) {
  WriteSettings(Path, StartUpSettings(), TWindowState::Normal);
  TSettings s = StartUpSettings();
  s.Window = {0, 0, 1920, 1080};  // the maximised geometry
  WriteSettings(Path, s, TWindowState::Maximized);
  std::string expected = kDefaultText;
  expected.replace(expected.find("Maximized=0"), 11, "Maximized=1");
  EXPECT_EQ(Text(), expected);

  WriteSettings(Path, s, TWindowState::Minimized);
  EXPECT_EQ(Text(), kDefaultText);
  const TSettings r = Read();
  EXPECT_EQ(r.Window.Width, 301);
  EXPECT_FALSE(r.WindowMaximized);
}

TEST_F(SettingsTest, WriteKeepsOtherContent) {
  Put("; my notes\r\n[Custom]\r\nKey=Value\r\n[Options]\r\nJpegQuality=40\r\nExtra=1\r\n");
  TSettings s = Read();
  EXPECT_EQ(s.JpegQuality, 40);
  WriteSettings(Path, s, TWindowState::Normal);
  const std::string text = Text();
  EXPECT_EQ(text.rfind("; my notes\r\n[Custom]\r\nKey=Value\r\n[Options]\r\nJpegQuality=40\r\nExtra=1\r\nLeft=0", 0),
            0u);
  EXPECT_NE(text.find("[3Dview]\r\n"), std::string::npos);
}

TEST_F(SettingsTest, WriteFailureNamesTheFile) {
  const std::string plainFile = (Dir / "plain").string();
  std::ofstream(plainFile) << "x";
  for (const std::string& path :
       {(Dir / "missing" / "fractal.ini").string(), plainFile + "/fractal.ini", Dir.string()}) {
    SCOPED_TRACE(path);
    try {
      WriteSettings(path, StartUpSettings(), TWindowState::Normal);
      ADD_FAILURE() << "no error";
    } catch (const TSettingsError& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
  }
  EXPECT_FALSE(fs::exists(Dir / "missing"));
  std::ifstream in(plainFile);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "x");
}

TEST(ClampToScreens, Table) {
  const std::vector<TRect> one = {{0, 0, 1920, 1080}};
  // Primary at the origin, a second screen to its left and higher up.
  const std::vector<TRect> two = {{0, 0, 1920, 1080}, {-1280, -200, 1280, 1024}};
  struct Case {
    const char* name;
    TRect in;
    const std::vector<TRect>* screens;
    TRect out;
  };
  const std::vector<TRect> none;
  const Case cases[] = {
      {"on screen stays", {100, 50, 800, 600}, &one, {100, 50, 800, 600}},
      {"partly off to the right but reachable", {1700, 100, 800, 600}, &one, {1700, 100, 800, 600}},
      {"too little left on the screen", {1800, 100, 800, 600}, &one, {1120, 100, 800, 600}},
      {"far right comes back", {5000, 100, 800, 600}, &one, {1120, 100, 800, 600}},
      {"far left comes back", {-5000, 100, 800, 600}, &one, {0, 100, 800, 600}},
      {"title bar above the screen", {100, -50, 800, 600}, &one, {100, 0, 800, 600}},
      {"below the screen", {100, 1075, 800, 600}, &one, {100, 480, 800, 600}},
      {"negative size gets the minimum", {100, 100, -20, -30}, &one, {100, 100, 200, 200}},
      {"tiny size gets the minimum", {100, 100, 5, 199}, &one, {100, 100, 200, 200}},
      {"larger than the screen shrinks", {0, 0, 4000, 3000}, &one, {0, 0, 1920, 1080}},
      {"on the second screen stays", {-1000, -100, 640, 480}, &two, {-1000, -100, 640, 480}},
      {"straddling with its title bar off both", {-100, -150, 640, 480}, &two, {0, 0, 640, 480}},
      {"extreme values", {INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX}, &one, {0, 0, 1920, 1080}},
      {"no screens: only the size", {-7000, 9000, 10, 10}, &none, {-7000, 9000, 200, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TRect r = ClampToScreens(c.in, *c.screens, 200, 200);
    EXPECT_EQ(r.Left, c.out.Left);
    EXPECT_EQ(r.Top, c.out.Top);
    EXPECT_EQ(r.Width, c.out.Width);
    EXPECT_EQ(r.Height, c.out.Height);
  }
}

// The fast arithmetic key exists only while the preference is on: turning it
// off removes it again, and the default file stays as it was.
TEST_F(SettingsTest, FastArithmeticRoundTripsAndLeavesNoKeyWhenOff) {
  TSettings s = StartUpSettings();
  s.FastArithmetic = true;
  WriteSettings(Path, s, TWindowState::Normal);
  EXPECT_NE(Text().find("JpegProgressive=1\nFastArithmetic=1\n\n[Select]"), std::string::npos);
  TSettings r = Read();
  EXPECT_TRUE(r.FastArithmetic);
  r.FastArithmetic = false;
  WriteSettings(Path, r, TWindowState::Normal);
  EXPECT_EQ(Text(), kDefaultText);
  EXPECT_FALSE(Read().FastArithmetic);
}
