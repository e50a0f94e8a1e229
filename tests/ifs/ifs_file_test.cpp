// SPDX-License-Identifier: GPL-3.0-or-later
#include "ifs/ifs_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cfloat>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/palette.h"
#include "ifs/ifs_model.h"
#include "platform/profile.h"

namespace fs = std::filesystem;

namespace {

TIFSTransform T(float a, float b, float c, float d, float e, float f, float p) { return {a, b, c, d, e, f, p}; }

bool Same(const TIFSTransform& x, const TIFSTransform& y) {
  for (int f = 0; f < kTransformFieldCount; ++f)
    if (std::memcmp(&(x.*kTransformFields[f]), &(y.*kTransformFields[f]), sizeof(float)) != 0) return false;
  return true;
}

TWorkingIFS MakeSet(const std::vector<TIFSTransform>& transforms) {
  TWorkingIFS set;
  set.Count = int32_t(transforms.size());
  for (size_t i = 0; i < transforms.size(); ++i) set.Slots[i + 1] = transforms[i];
  return set;
}

// A set whose every slot holds a recognisable value, to see what a load
// overwrites and what it leaves.
TWorkingIFS JunkSet() {
  TWorkingIFS set;
  set.Count = 17;
  for (int i = 1; i <= kMaxIFSTransforms; ++i) set.Slots[i] = T(-77, -77, -77, -77, -77, float(i), -77);
  return set;
}

// The palette with its built-in defaults, whatever "default.frp" holds.
void ResetPalette(TFPal& pal) {
  pal.Reset();
  pal.InfinityColor = TColor3{0, 0, 0};
}

class IFSFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("px_ifs_" + std::to_string(getpid()) + "_" + info->test_suite_name() + "_" + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  fs::path dir_;
};

std::string LibraryPath() { return (fs::path(__FILE__).parent_path() / "../../resources/px.ifs").string(); }

// ---------------------------------------------------------------------------
// Line formats

TEST(IFSLineFormat, FixedColumns) {
  struct TCase {
    TIFSTransform t;
    const char* library;  // "%8.4f" x 7
    const char* list;     // "%9.5f" x 6, "%6.4f"
  };
  const TCase cases[] = {
      {T(0.5f, 0, 0, 0.5f, 0, 0, 0.333f),
       "  0.5000   0.0000   0.0000   0.5000   0.0000   0.0000   0.3330",
       "  0.50000   0.00000   0.00000   0.50000   0.00000   0.00000 0.3330"},
      // Negative values take the sign inside the width; P 1 fills all six characters.
      {T(-0.15f, 0.28f, 0.26f, 0.24f, 0, 0.44f, 1),
       " -0.1500   0.2800   0.2600   0.2400   0.0000   0.4400   1.0000",
       " -0.15000   0.28000   0.26000   0.24000   0.00000   0.44000 1.0000"},
      // Wider values push the columns right. The float 12345.678 is 12345.677734375.
      {T(12345.678f, -10000, 0, 0, 0, 0, 12.5f),
       "12345.6777 -10000.0000   0.0000   0.0000   0.0000   0.0000  12.5000",
       "12345.67773 -10000.00000   0.00000   0.00000   0.00000   0.00000 12.5000"},
      // 1/32 = 0.03125 is exactly half way at four decimals: half to even.
      {T(0.03125f, 0.00001f, 0, 0, 0, 0, 0.03125f),
       "  0.0312   0.0000   0.0000   0.0000   0.0000   0.0000   0.0312",
       "  0.03125   0.00001   0.00000   0.00000   0.00000   0.00000 0.0312"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(LibraryTransformLine(c.t), c.library);
    EXPECT_EQ(TransformListLine(c.t), c.list);
  }
}

TEST(IFSLibraryModel, TransformsOfOneIFS) {
  TIFSLibrary lib;
  lib.Count = 3;
  lib.Entries = {{0, T(1, 0, 0, 0, 0, 0, 1)}, {1, T(2, 0, 0, 0, 0, 0, 1)}, {1, T(3, 0, 0, 0, 0, 0, 1)},
                 {2, T(4, 0, 0, 0, 0, 0, 1)}};
  const std::vector<TIFSTransform> one = LibraryTransforms(lib, 1);
  ASSERT_EQ(one.size(), 2u);
  EXPECT_EQ(one[0].A, 2);
  EXPECT_EQ(one[1].A, 3);
  EXPECT_EQ(LibraryTransforms(lib, 0).size(), 1u);
  EXPECT_TRUE(LibraryTransforms(lib, 3).empty());
  EXPECT_TRUE(LibraryTransforms(lib, -1).empty());
}

// ---------------------------------------------------------------------------
// Single-IFS file

TEST_F(IFSFileTest, WritesExactText) {
  const TWorkingIFS set = MakeSet({T(0.85f, 0.04f, -0.04f, 0.85f, 0, 1.6f, 0.85f),
                                   T(0.5f, 0, 0, 0.5f, 0.25f, -0.5f, 0.15f)});
  TIFSFileValues values;
  values.Name = "Fern";
  values.X = Extended(1) / 3;
  values.Y = 1.25L;
  values.W = 4;
  values.MaxIter = 500;
  const std::string path = PathOf("fern.fri");
  SaveIFSFile(path, set, values, nullptr);
  // Singles widened and written with 15 digits: 0.85f = 0.85000002384185791...,
  // 0.04f = 0.03999999910593032..., 1.6f = 1.60000002384185791...,
  // 0.15f = 0.15000000596046447...; the window 1/3 with 18 digits.
  const std::string ifsPart =
      "[IFS]\n"
      "Name=Fern\n"
      "Count=2\n"
      "Frm0A=0.850000023841858\n"
      "Frm0B=0.0399999991059303\n"
      "Frm0C=-0.0399999991059303\n"
      "Frm0D=0.850000023841858\n"
      "Frm0E=0\n"
      "Frm0F=1.60000002384186\n"
      "Frm0P=0.850000023841858\n"
      "Frm1A=0.5\n"
      "Frm1B=0\n"
      "Frm1C=0\n"
      "Frm1D=0.5\n"
      "Frm1E=0.25\n"
      "Frm1F=-0.5\n"
      "Frm1P=0.150000005960464\n"
      "\n"
      "[Fractal]\n"
      "X_Coord=0.333333333333333333\n"
      "Y_Coord=1.25\n"
      "W_Coord=4\n"
      "MaxIter=500\n";
  EXPECT_EQ(Read(path), ifsPart);

  // With a palette its sections follow the "Fractal" keys.
  TFPal pal;
  ResetPalette(pal);
  const std::string withPalette = PathOf("fern2.fri");
  SaveIFSFile(withPalette, set, values, &pal);
  const std::string text = Read(withPalette);
  EXPECT_EQ(text.substr(0, ifsPart.size()), ifsPart);
  EXPECT_EQ(text.substr(ifsPart.size(), 10), "\n[Colors]\n");
  const std::vector<std::string> expected = {"IFS", "Fractal", "Colors", "Standart palette", "Linear palette",
                                             "Parabola palette", "Square palette"};
  EXPECT_EQ(TProfileFile(withPalette).SectionNames(), expected);
}

TEST_F(IFSFileTest, RoundTrip) {
  const TWorkingIFS saved =
      MakeSet({T(0.85f, 0.04f, -0.04f, 0.85f, 0, 1.6f, 0.85f),
               T(1e-7f, -9999.5f, 3.14159265f, FLT_MIN, 1e-45f, 0, 0.01f),
               T(FLT_MAX, -FLT_MAX, 10000, -10000, 0.1f, -0.3f, 2)});
  TIFSFileValues values;
  values.Name = "Barnsley fern (variant)";
  values.X = -2.5L;
  values.Y = 1.25L;
  values.W = 4.75L;
  values.MaxIter = 1234;
  TFPal pal;
  ResetPalette(pal);
  pal.PaletteKind = kPalParabola;
  pal.Contrast = 0.5f;
  pal.RedStep = 3;
  pal.InfinityColor = TColor3{1, 2, 3};
  pal.Rebuild();

  const std::string first = PathOf("a.fri");
  SaveIFSFile(first, saved, values, &pal);

  TWorkingIFS loaded = JunkSet();
  TIFSFileValues back;
  back.Name = "old";
  TFPal pal2;
  ResetPalette(pal2);
  EXPECT_EQ(LoadIFSFile(first, loaded, back, &pal2), "");
  ASSERT_EQ(loaded.Count, 3);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(Same(loaded.Slots[i], saved.Slots[i])) << "slot " << i;
  for (int i = 4; i <= kMaxIFSTransforms; ++i) EXPECT_EQ(loaded.Slots[i].F, float(i)) << "slot " << i;
  EXPECT_EQ(back.Name, values.Name);
  EXPECT_EQ(back.X, values.X);
  EXPECT_EQ(back.Y, values.Y);
  EXPECT_EQ(back.W, values.W);
  EXPECT_EQ(back.MaxIter, 1234);
  EXPECT_EQ(pal2.PaletteKind, kPalParabola);
  EXPECT_EQ(pal2.Contrast, 0.5f);
  EXPECT_EQ(pal2.RedStep, 3);
  EXPECT_EQ(pal2.InfinityColor, (TColor3{1, 2, 3}));

  // Saving what was loaded gives the same text, over the file and into a new one.
  const std::string text = Read(first);
  SaveIFSFile(first, loaded, back, &pal2);
  EXPECT_EQ(Read(first), text);
  const std::string second = PathOf("b.fri");
  SaveIFSFile(second, loaded, back, &pal2);
  EXPECT_EQ(Read(second), text);

  // A window value with more digits than 18 comes back within the 18th digit.
  values.X = Extended(-1) / 7;
  SaveIFSFile(first, saved, values, nullptr);
  LoadIFSFile(first, loaded, back, nullptr);
  EXPECT_NEAR(double(back.X / values.X - 1), 0, 1e-17);
}

TEST_F(IFSFileTest, SavingAShorterSetKeepsTheOldKeys) {
  std::vector<TIFSTransform> five;
  for (int i = 0; i < 5; ++i) five.push_back(T(float(i), 0.5f, 0, 0.5f, 0, 0, 0.2f));
  const std::string path =
      Write("set.fri", "; notes of the user\n[Other]\nKey=1\n\n[IFS]\nName=Old\nComment=kept\n");
  TIFSFileValues values;
  SaveIFSFile(path, MakeSet(five), values, nullptr);
  const TProfileFile before(path);

  values.Name = "New";
  SaveIFSFile(path, MakeSet({T(9, 0, 0, 0, 0, 0, 1), T(8, 0, 0, 0, 0, 0, 1)}), values, nullptr);
  const std::string text = Read(path);
  EXPECT_EQ(text.rfind("; notes of the user\n[Other]\nKey=1\n\n[IFS]\nName=New\nComment=kept\n", 0), 0u) << text;
  const TProfileFile after(path);
  EXPECT_EQ(after.ReadString("IFS", "Count", ""), "2");
  EXPECT_EQ(after.ReadString("IFS", "Frm0A", ""), "9");
  EXPECT_EQ(after.ReadString("IFS", "Frm1A", ""), "8");
  for (int j = 2; j <= 4; ++j)
    for (const char letter : std::string(kTransformLetters)) {
      const std::string key = "Frm" + std::to_string(j) + letter;
      ASSERT_TRUE(after.ValueExists("IFS", key)) << key;
      EXPECT_EQ(after.ReadString("IFS", key, ""), before.ReadString("IFS", key, "-")) << key;
    }
  EXPECT_EQ(after.ReadString("IFS", "Frm2A", ""), "2");

  TWorkingIFS loaded = JunkSet();
  TIFSFileValues back;
  LoadIFSFile(path, loaded, back, nullptr);
  EXPECT_EQ(loaded.Count, 2);
  EXPECT_EQ(loaded.Slots[1].A, 9);
  EXPECT_EQ(loaded.Slots[2].A, 8);
  EXPECT_EQ(loaded.Slots[3].F, 3);  // untouched beyond the count
}

TEST_F(IFSFileTest, DefaultsOfAFileWithoutIFSKeys) {
  TFPal written;
  ResetPalette(written);
  written.PaletteKind = kPalLinear;
  written.BlueStep = 17;
  const std::string paletteOnly = PathOf("palette.fri");
  written.SaveToFile(paletteOnly);

  for (const std::string& path : {paletteOnly, PathOf("missing.fri")}) {
    TWorkingIFS set = JunkSet();
    TIFSFileValues values;
    values.Name = "before";
    values.X = values.Y = values.W = 99;
    values.MaxIter = 7;
    TFPal pal;
    ResetPalette(pal);
    EXPECT_EQ(LoadIFSFile(path, set, values, &pal), "") << path;
    EXPECT_EQ(values.Name, "NoName");
    EXPECT_EQ(set.Count, 0);
    EXPECT_EQ(set.Slots[1].F, 1);
    EXPECT_EQ(values.X, -10);
    EXPECT_EQ(values.Y, 10);
    EXPECT_EQ(values.W, 20);
    EXPECT_EQ(values.MaxIter, 200);
    if (path == paletteOnly) {
      EXPECT_EQ(pal.PaletteKind, kPalLinear);
      EXPECT_EQ(pal.BlueStep, 17);
    } else {
      EXPECT_EQ(pal.PaletteKind, kPalStandard);
    }
  }
}

std::string TransformKeys(int32_t first, int32_t last, const char* section = nullptr) {
  std::string out;
  if (section) out += std::string("[") + section + "]\n";
  for (int32_t j = first; j < last; ++j)
    for (const char letter : std::string(kTransformLetters))
      out += "Frm" + std::to_string(j) + letter + "=" + (letter == 'A' ? std::to_string(j + 1) : "0.5") + "\n";
  return out;
}

TEST_F(IFSFileTest, CountsBeyondTheSlots) {
  struct TCase {
    int32_t count;
    int32_t loaded;
    const char* warning;
  };
  const TCase cases[] = {
      {30, 30, ""},
      {35, 30, "The IFS file holds 35 transforms; only the first 30 were loaded."},
      {2000000000, 30, "The IFS file holds 2000000000 transforms; only the first 30 were loaded."},
      {0, 0, ""},
  };
  for (const TCase& c : cases) {
    const std::string path =
        Write("count.fri", "[IFS]\nName=Many\nCount=" + std::to_string(c.count) + "\n" + TransformKeys(0, 40));
    TWorkingIFS set = JunkSet();
    TIFSFileValues values;
    EXPECT_EQ(LoadIFSFile(path, set, values, nullptr), c.warning) << c.count;
    EXPECT_EQ(set.Count, c.loaded);
    for (int i = 1; i <= kMaxIFSTransforms; ++i)
      EXPECT_EQ(set.Slots[i].A, i <= c.loaded ? float(i) : -77) << c.count << " slot " << i;
    EXPECT_EQ(values.Name, "Many");
  }
}

// A file that holds nothing of an IFS file is refused before anything is
// read; so is a window with no picture, at its key.
TEST_F(IFSFileTest, RefusesWhatIsNoIFSFileAndWindowsWithoutAPicture) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"\x8b\x1f\x08 random\xfe\n\xff\x02=\x03\n", "is not an IFS file."},
      {"", "is not an IFS file."},
      {"hello\nworld\n", "is not an IFS file."},
      {"[IFS]\nName=Minus\nCount=-3\n", "is not an IFS file: it counts -3 transforms."},
      {"[IFS]\nCount=0\n[Fractal]\nX_Coord=nan\n", "'nan' is not a valid floating point value"},
      {"[IFS]\nCount=0\n[Fractal]\nY_Coord=-inf\n", "'-inf' is not a valid floating point value"},
      {"[IFS]\nCount=0\n[Fractal]\nW_Coord=1e4000\n", "'1e4000' is not a valid floating point value"},
      {"[IFS]\nCount=0\n[Fractal]\nW_Coord=0\n", "'0' is not a valid floating point value"},
  };
  for (const auto& c : cases) {
    const std::string path = Write("bad.fri", c.text);
    TWorkingIFS set = JunkSet();
    TIFSFileValues values;
    values.Name = "before";
    TFPal pal;
    ResetPalette(pal);
    pal.BlueStep = 33;
    try {
      LoadIFSFile(path, set, values, &pal);
      ADD_FAILURE() << "loaded: " << c.text;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      if (std::string(c.message).find("IFS file") != std::string::npos) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_EQ(values.Name, "before");
        EXPECT_EQ(set.Count, JunkSet().Count);
        EXPECT_EQ(pal.BlueStep, 33);
      }
    }
  }
}

TEST_F(IFSFileTest, ConversionErrorKeepsWhatWasRead) {
  struct TCase {
    const char* what;
    std::string text;
    int32_t count;           // set count afterwards
    int32_t fullSlots;       // slots completely read from the file
    int fieldsOfNext;        // fields of the next slot read before the error
    bool nameRead;
    int windowFieldsRead;    // of X, Y, W
  };
  const std::string head = "[IFS]\nName=Broken\nCount=3\n";
  const TCase cases[] = {
      {"transform text", head + TransformKeys(0, 1) + "Frm1A=2\nFrm1B=0.5\nFrm1C=abc\n" + TransformKeys(2, 3), 3, 1,
       2, true, 0},
      {"transform beyond single", head + TransformKeys(0, 2) + "Frm2A=1e39\n", 3, 2, 0, true, 0},
      {"empty transform value", head + "Frm0A=\n", 3, 0, 0, true, 0},
      {"window", head + TransformKeys(0, 3) + "[Fractal]\nX_Coord=1.5\nY_Coord=1,5\n", 3, 3, 0, true, 1},
      {"palette contrast", "[Colors]\nContrast=x\n" + head + TransformKeys(0, 3), 17, 0, 0, false, 0},
  };
  for (const TCase& c : cases) {
    const std::string path = Write("bad.fri", c.text);
    TWorkingIFS set = JunkSet();
    TIFSFileValues values;
    values.Name = "caller";
    values.X = values.Y = values.W = 99;
    values.MaxIter = 7;
    TFPal pal;
    ResetPalette(pal);
    EXPECT_THROW(LoadIFSFile(path, set, values, &pal), TConvertError) << c.what;
    EXPECT_EQ(set.Count, c.count) << c.what;
    for (int i = 1; i <= c.fullSlots; ++i) EXPECT_EQ(set.Slots[i].A, float(i)) << c.what << " slot " << i;
    const TIFSTransform& next = set.Slots[c.fullSlots + 1];
    for (int f = 0; f < kTransformFieldCount; ++f) {
      const float v = next.*kTransformFields[f];
      if (f < c.fieldsOfNext) {
        EXPECT_NE(v, -77) << c.what << " field " << f;
      } else if (f != 5) {  // F holds the slot number in the junk set
        EXPECT_EQ(v, -77) << c.what << " field " << f;
      }
    }
    EXPECT_EQ(values.Name, c.nameRead ? "Broken" : "caller") << c.what;
    EXPECT_EQ(values.X, c.windowFieldsRead >= 1 ? 1.5L : 99) << c.what;
    EXPECT_EQ(values.Y, 99) << c.what;
    EXPECT_EQ(values.W, 99) << c.what;
    EXPECT_EQ(values.MaxIter, 7) << c.what;
  }
}

TEST_F(IFSFileTest, SavingAnUnwritableNameChangesNothing) {
  const std::string path = PathOf("keep.fri");
  TIFSFileValues values;
  SaveIFSFile(path, MakeSet({T(1, 0, 0, 0, 0, 0, 1)}), values, nullptr);
  const std::string text = Read(path);
  values.Name = "two\nlines";
  EXPECT_THROW(SaveIFSFile(path, MakeSet({}), values, nullptr), TProfileError);
  EXPECT_EQ(Read(path), text);
}

// ---------------------------------------------------------------------------
// Library

TEST_F(IFSFileTest, ShippedLibrary) {
  TIFSLibrary lib;
  std::vector<std::string> names = {"kept"};
  ASSERT_TRUE(fs::exists(LibraryPath())) << LibraryPath();
  EXPECT_EQ(LoadIFSLibrary(LibraryPath(), lib, names), "");
  const std::vector<std::string> expected = {
      "kept",           "Sierpinski triangle", "Barnsley fern", "Cyclosorus fern", "Heighway dragon",
      "Twin dragon",    "Levy C curve",        "Koch curve",    "Fractal tree",    "Spiral",
      "Maple leaf",     "Sierpinski carpet",   "Vicsek cross",  "Cantor dust"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(lib.Count, 13);
  EXPECT_GE(lib.Entries.capacity(), 13u * 20u);
  const int counts[13] = {3, 4, 4, 2, 2, 2, 4, 4, 3, 4, 8, 5, 4};
  size_t total = 0;
  for (int k = 0; k < 13; ++k) {
    EXPECT_EQ(LibraryTransforms(lib, k).size(), size_t(counts[k])) << k;
    total += size_t(counts[k]);
  }
  ASSERT_EQ(lib.Entries.size(), total);
  for (size_t i = 1; i < lib.Entries.size(); ++i) EXPECT_LE(lib.Entries[i - 1].Index, lib.Entries[i].Index);

  const std::vector<TIFSTransform> triangle = LibraryTransforms(lib, 0);
  EXPECT_TRUE(Same(triangle[0], T(0.5f, 0, 0, 0.5f, 0, 0, 0.333f)));
  EXPECT_TRUE(Same(triangle[2], T(0.5f, 0, 0, 0.5f, 0.25f, 0.5f, 0.334f)));
  EXPECT_EQ(LibraryTransformLine(triangle[0]), "  0.5000   0.0000   0.0000   0.5000   0.0000   0.0000   0.3330");
  const std::vector<TIFSTransform> fern = LibraryTransforms(lib, 1);
  EXPECT_TRUE(Same(fern[1], T(0.85f, 0.04f, -0.04f, 0.85f, 0, 1.6f, 0.85f)));
  EXPECT_TRUE(Same(fern[3], T(-0.15f, 0.28f, 0.26f, 0.24f, 0, 0.44f, 0.07f)));

  // The movie's list of the same file.
  std::vector<std::string> movieNames;
  EXPECT_EQ(ReadIFSLibraryNames(TProfileFile(LibraryPath()), movieNames, "No name"), "");
  EXPECT_EQ(movieNames, std::vector<std::string>(expected.begin() + 1, expected.end()));
}

TEST_F(IFSFileTest, MissingLibraryChangesNothing) {
  TIFSLibrary lib;
  lib.Count = 1;
  lib.Entries = {{0, T(5, 0, 0, 0, 0, 0, 1)}};
  std::vector<std::string> names = {"old"};
  EXPECT_EQ(LoadIFSLibrary(PathOf("none.ifs"), lib, names), "");
  EXPECT_EQ(lib.Count, 1);
  ASSERT_EQ(lib.Entries.size(), 1u);
  EXPECT_EQ(lib.Entries[0].Transform.A, 5);
  EXPECT_EQ(names, std::vector<std::string>{"old"});
}

std::string LibraryText(const std::string& header, const std::vector<int32_t>& counts, int32_t keysPerIFS) {
  std::string out = "[Header]\n" + header + "\n";
  for (size_t k = 0; k < counts.size(); ++k) {
    out += "\n[IFS" + std::to_string(k) + "]\nCount=" + std::to_string(counts[k]) + "\n";
    out += TransformKeys(0, keysPerIFS);
  }
  return out;
}

TEST_F(IFSFileTest, LibraryLimits) {
  const std::string room = "The IFS library holds more transforms than it has room for; the rest were not loaded.";
  struct TCase {
    const char* what;
    std::string text;
    size_t names;
    std::vector<size_t> perIFS;  // entries loaded per index
    std::string warning;
  };
  const TCase cases[] = {
      {"room is shared by all IFS", LibraryText("Count=2", {30, 5}, 30), 2, {30, 5}, ""},
      {"exactly full", LibraryText("Count=2", {30, 10}, 30), 2, {30, 10}, ""},
      {"one more than the room", LibraryText("Count=2", {30, 11}, 30), 2, {30, 10}, room},
      {"later IFS still listed", LibraryText("Count=3", {25, 40, 3}, 40), 3, {25, 35, 0}, room},
      {"one IFS, 25 transforms", LibraryText("Count=1", {25}, 25), 1, {20}, room},
      {"huge count per IFS, keys default to 0", LibraryText("Count=1", {2000000000}, 1), 1, {20}, room},
      {"negative count per IFS", LibraryText("Count=2", {-1, 2}, 2), 2, {0, 2}, ""},
      {"negative N", LibraryText("Count=-5", {2}, 2), 0, {}, "The IFS library header counts -5 IFS; none were loaded."},
      {"huge N", LibraryText("Count=2000000000", {2, 3}, 3), 2, {2, 3},
       "The IFS library header counts 2000000000 IFS, more than the file holds; only the first 2 were listed."},
      {"N one beyond the sections", LibraryText("Count=3", {2, 3}, 3), 2, {2, 3},
       "The IFS library header counts 3 IFS, more than the file holds; only the first 2 were listed."},
      {"sections beyond N are not counted", LibraryText("Count=1", {2, 3}, 3) + "[IFS7]\nCount=1\n", 1, {2}, ""},
      {"no header", "[IFS0]\nCount=2\n", 0, {}, ""},
  };
  for (const TCase& c : cases) {
    const std::string path = Write("lib.ifs", c.text);
    TIFSLibrary lib;
    lib.Entries = {{0, T(1, 1, 1, 1, 1, 1, 1)}};
    std::vector<std::string> names;
    EXPECT_EQ(LoadIFSLibrary(path, lib, names), c.warning) << c.what;
    EXPECT_EQ(names.size(), c.names) << c.what;
    EXPECT_EQ(lib.Count, int32_t(c.names)) << c.what;
    EXPECT_LE(lib.Entries.capacity(), std::max<size_t>(c.names * 20, 1)) << c.what;
    size_t total = 0;
    for (size_t k = 0; k < c.perIFS.size(); ++k) {
      EXPECT_EQ(LibraryTransforms(lib, int32_t(k)).size(), c.perIFS[k]) << c.what << " IFS " << k;
      total += c.perIFS[k];
    }
    EXPECT_EQ(lib.Entries.size(), total) << c.what;
    for (const std::string& n : names) EXPECT_EQ(n, "noname IFS") << c.what;
  }
  // The defaults of a huge count are zeros, read from absent keys.
  TIFSLibrary lib;
  std::vector<std::string> names;
  LoadIFSLibrary(Write("zero.ifs", LibraryText("Count=1", {2000000000}, 1)), lib, names);
  ASSERT_EQ(lib.Entries.size(), 20u);
  EXPECT_TRUE(Same(lib.Entries[0].Transform, T(1, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f)));
  EXPECT_TRUE(Same(lib.Entries[19].Transform, T(0, 0, 0, 0, 0, 0, 0)));
}

TEST_F(IFSFileTest, LibraryNamesAndConversionError) {
  const std::string path = Write("lib.ifs",
                                 "[Header]\nCount=3\n[IFS0]\nName=First\nCount=1\n" + TransformKeys(0, 1) +
                                     "[IFS1]\nCount=2\n" + TransformKeys(0, 1) + "Frm1A=3\nFrm1B=oops\n"
                                     "[IFS2]\nName=Third\nCount=1\n" + TransformKeys(0, 1));
  TIFSLibrary lib;
  lib.Entries = {{7, T(1, 1, 1, 1, 1, 1, 1)}};
  std::vector<std::string> names;
  EXPECT_THROW(LoadIFSLibrary(path, lib, names, "No name"), TConvertError);
  // The old library is gone; IFS 0 and the complete transform of IFS 1 stay.
  EXPECT_EQ(lib.Count, 3);
  EXPECT_EQ(names, (std::vector<std::string>{"First", "No name"}));
  ASSERT_EQ(lib.Entries.size(), 2u);
  EXPECT_EQ(lib.Entries[0].Index, 0);
  EXPECT_EQ(lib.Entries[1].Index, 1);
  EXPECT_EQ(lib.Entries[1].Transform.A, 1);

  // The movie reads an entry's set by its section.
  const TProfileFile file(path);
  std::vector<std::string> movieNames;
  EXPECT_EQ(ReadIFSLibraryNames(file, movieNames, "No name"), "");
  EXPECT_EQ(movieNames, (std::vector<std::string>{"First", "No name", "Third"}));
  TWorkingIFS set = JunkSet();
  EXPECT_EQ(ReadIFSSet(file, LibrarySectionName(2), set), "");
  EXPECT_EQ(set.Count, 1);
  EXPECT_TRUE(Same(set.Slots[1], T(1, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f)));
  EXPECT_EQ(set.Slots[2].F, 2);
}

// ---------------------------------------------------------------------------
// Hostile files: seeded random mutations of sound files. Every load ends with
// a result or a conversion error, within the tables and in bounded time.

std::string Mutate(std::string text, std::mt19937& rng) {
  static const char* const tokens[] = {"[", "]", "=", "\n", "\r\n", "-", "0", "9", ".", "e", "E400", ";",
                                       "Count=2000000000\n", "Count=-7\n", "[IFS0]\n", "[Header]\n",
                                       "Frm0A=", "nan", "1e39", "\0", "\xff", " ", "Count=31\n"};
  const int edits = 1 + int(rng() % 8);
  for (int e = 0; e < edits; ++e) {
    const size_t pos = text.empty() ? 0 : rng() % (text.size() + 1);
    switch (rng() % 5) {
      case 0:  // flip a byte
        if (!text.empty() && pos < text.size()) text[pos] = char(rng());
        break;
      case 1: {  // insert a token
        const char* t = tokens[rng() % (sizeof tokens / sizeof *tokens)];
        text.insert(pos, t[0] ? std::string(t) : std::string(1, '\0'));
        break;
      }
      case 2:  // delete a range
        text.erase(pos, rng() % 40);
        break;
      case 3: {  // duplicate a range
        const size_t len = std::min<size_t>(rng() % 200, text.size() - std::min(pos, text.size()));
        text.insert(pos, text.substr(pos, len));
        break;
      }
      default:  // insert a digit run
        text.insert(pos, std::to_string(rng()));
        break;
    }
  }
  return text;
}

TEST_F(IFSFileTest, HostileFiles) {
  std::mt19937 rng(20240611);
  std::string fri;
  {
    TFPal pal;
    ResetPalette(pal);
    TIFSFileValues values;
    std::vector<TIFSTransform> ts;
    for (int i = 0; i < 6; ++i) ts.push_back(T(0.5f, -0.25f * float(i), 0.1f, 0.5f, float(i), 1.6f, 0.15f));
    SaveIFSFile(PathOf("seed.fri"), MakeSet(ts), values, &pal);
    fri = Read(PathOf("seed.fri"));
  }
  const std::string ifs = Read(LibraryPath());
  ASSERT_FALSE(ifs.empty());

  const std::string path = PathOf("fuzz");
  // A fixed number of mutants, so every run tries the same files.
  int runs = 0, errors = 0;
  while (runs < 1500) {
    const bool library = runs % 2 == 1;
    const std::string text = Mutate(library ? ifs : fri, rng);
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << text;
    }
    const size_t sections = TProfileFile(path).SectionNames().size();
    const auto t0 = std::chrono::steady_clock::now();
    try {
      if (library) {
        TIFSLibrary lib;
        std::vector<std::string> names;
        try {
          LoadIFSLibrary(path, lib, names);
        } catch (const TConvertError&) {
          ++errors;
        }
        ASSERT_GE(lib.Count, 0);
        ASSERT_LE(size_t(lib.Count), sections);
        ASSERT_LE(names.size(), size_t(lib.Count));
        ASSERT_LE(lib.Entries.size(), size_t(lib.Count) * 20);
        ASSERT_LE(lib.Entries.capacity(), std::max<size_t>(size_t(lib.Count) * 20, 1));
        for (size_t i = 0; i < lib.Entries.size(); ++i) {
          ASSERT_GE(lib.Entries[i].Index, 0);
          ASSERT_LT(lib.Entries[i].Index, lib.Count);
          if (i > 0) {
            ASSERT_LE(lib.Entries[i - 1].Index, lib.Entries[i].Index);
          }
        }
      } else {
        TWorkingIFS set;
        TIFSFileValues values;
        TFPal pal;
        try {
          LoadIFSFile(path, set, values, &pal);
        } catch (const std::runtime_error&) {  // a bad value, or no IFS file at all
          ++errors;
        }
        ASSERT_GE(set.Count, 0);
        ASSERT_LE(set.Count, kMaxIFSTransforms);
      }
    } catch (const std::exception& e) {
      FAIL() << "unexpected " << e.what() << " for:\n" << text;
    }
    // No file may make a reader hang.
    ASSERT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5)) << text;
    ++runs;
  }
  RecordProperty("runs", runs);
  RecordProperty("conversion_errors", errors);
  EXPECT_GT(errors, 0);       // the mutations do reach the number readers
  EXPECT_LT(errors, runs);    // and many files still load
}

}  // namespace
