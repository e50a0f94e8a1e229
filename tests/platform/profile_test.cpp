// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <limits>
#include <csignal>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/program_folder.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

struct TempFolder : TScratchFolder {
  TempFolder() : TScratchFolder("px_profile") {}
};

size_t FileCount(const std::string& folder) {
  size_t n = 0;
  for (const auto& e : fs::directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
  return n;
}

const char* const kSample =
    "; settings written by hand\r\n"
    "stray=before any section\r\n"
    "[Colors]\r\n"
    "Palette type = 2 \r\n"
    "  ColorOrder=\t5\r\n"
    "empty=\r\n"
    "spaced key  =  a b  \r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    "noequals line\r\n"
    ";comment=hidden\r\n"
    "[ colors ]\r\n"
    "InLater=x\r\n"
    "[Other]\r\n"
    "Name=caf\xe9 \xff\x80\r\n"
    "eq=a=b\r\n"
    "quoted=\"q\"\r\n";

}  // namespace

TEST(ProfileRead, WindowsLookupRules) {
  TempFolder dir;
  const std::string path = dir.File("sample.ini");
  WriteBytes(path, kSample);
  struct Row {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Row rows[] = {
      {"Colors", "Palette type", "2"},
      {"COLORS", "palette TYPE", "2"},   // names ignore case
      {"  Colors ", " ColorOrder ", "5"},  // names and values are trimmed
      {"Colors", "empty", ""},             // present but empty: not the default
      {"Colors", "spaced key", "a b"},
      {"Colors", "dup", "first"},          // first key wins
      {"Colors", "InLater", "(def)"},      // a later section of the same name is never seen
      {"Colors", "noequals line", "(def)"},
      {"Colors", ";comment", "(def)"},
      {"Other", "Name", "caf\xe9 \xff\x80"},  // bytes above 127 pass through
      {"other", "eq", "a=b"},                  // only the first '=' separates
      {"Other", "quoted", "\"q\""},
      {"Missing", "x", "(def)"},
      {"", "stray", "(def)"},  // lines before the first section hold no key
  };
  for (const Row& r : rows) {
    EXPECT_EQ(GetPrivateProfileString(r.section, r.key, "(def)", path), r.expected)
        << r.section << " / " << r.key;
  }
  TProfileFile f(path);
  EXPECT_TRUE(f.Existed());
  EXPECT_TRUE(f.SectionExists("OTHER"));
  EXPECT_FALSE(f.ValueExists("Colors", "InLater"));
  EXPECT_EQ(f.SectionNames(), (std::vector<std::string>{"Colors", "Other"}));
  EXPECT_EQ(f.KeyNames("colors"), (std::vector<std::string>{"Palette type", "ColorOrder", "empty", "spaced key", "dup"}));
}

TEST(ProfileRead, IntegerRules) {
  TempFolder dir;
  const std::string path = dir.File("ints.ini");
  WriteBytes(path,
             "[N]\na=42\nb= -17 \nc=+8\nd=12abc\ne=abc\nf=\ng=-\nh=99999999999\ni=-99999999999\nj=7 8\n"
             "k=0x1f\nl=$1F\nm=-$10\nn=2147483648\no=-2147483648\np=$FFFFFFFF\nq=2\nr=0\n");
  struct Row {
    const char* key;
    int windows;  // GetPrivateProfileInt: leading digits, none gives 0
    int strict;   // ReadInteger: the whole value or the default (-1)
  };
  const Row rows[] = {
      {"a", 42, 42},
      {"b", -17, -17},
      {"c", 8, 8},
      {"d", 12, -1},
      {"e", 0, -1},
      {"f", 0, -1},
      {"g", 0, -1},
      {"h", INT_MAX, -1},
      {"i", INT_MIN, -1},
      {"j", 7, -1},
      {"k", 0, 31},
      {"l", 0, 31},
      {"m", 0, -16},
      {"n", INT_MAX, -1},
      {"o", INT_MIN, INT_MIN},
      {"p", 0, -1},  // $FFFFFFFF is the bit pattern of -1
      {"missing", 77, -1},
  };
  TProfileFile f(path);
  for (const Row& r : rows) {
    EXPECT_EQ(GetPrivateProfileInt("N", r.key, 77, path), r.windows) << r.key;
    EXPECT_EQ(f.ReadInt("n", r.key, 77), r.windows) << r.key;
    EXPECT_EQ(f.ReadInteger("N", r.key, -1), r.strict) << r.key;
  }
  EXPECT_TRUE(f.ReadBool("N", "q", false));
  EXPECT_FALSE(f.ReadBool("N", "r", true));
  EXPECT_TRUE(f.ReadBool("N", "e", true));  // not a number: the default
  EXPECT_FALSE(f.ReadBool("N", "missing", false));
}

TEST(ProfileRead, MissingOrUnreadableFileGivesDefaults) {
  TempFolder dir;
  const std::string cases[] = {dir.File("nope.ini"), dir.File("no/such/folder.ini"), dir.Path /* a folder */};
  for (const std::string& path : cases) {
    EXPECT_EQ(GetPrivateProfileString("S", "k", "dflt", path), "dflt") << path;
    EXPECT_EQ(GetPrivateProfileInt("S", "k", -5, path), -5) << path;
    TProfileFile f(path);
    EXPECT_TRUE(f.SectionNames().empty());
    EXPECT_EQ(f.Text(), "");
  }
  EXPECT_FALSE(TProfileFile(dir.File("nope.ini")).Existed());
}

TEST(ProfileWrite, ChangesOnlyTheLinesConcerned) {
  TempFolder dir;
  const std::string path = dir.File("keep.ini");
  const std::string original =
      "; header comment\r\n"
      "[A]\r\n"
      "x = 1\r\n"
      "Key=old\r\n"
      "\r\n"
      "; about B\r\n"
      "[B]\r\n"
      "y=\xe4\xf6\r\n"
      "[Unknown]\r\n"
      "z=3";  // no line ending at the end
  struct Row {
    const char* what;
    const char* section;
    const char* key;
    const char* value;  // nullptr deletes the key
    std::string expected;
  };
  const Row rows[] = {
      {"replace keeps spelling and blanks", "a", "X", "42",
       "; header comment\r\n[A]\r\nx = 42\r\nKey=old\r\n\r\n; about B\r\n[B]\r\ny=\xe4\xf6\r\n[Unknown]\r\nz=3"},
      {"same value changes nothing", "A", "key", "old", original},
      {"new key after the last key of its section", "A", "New", "v",
       "; header comment\r\n[A]\r\nx = 1\r\nKey=old\r\nNew=v\r\n\r\n; about B\r\n[B]\r\ny=\xe4\xf6\r\n[Unknown]\r\nz=3"},
      {"new key in the last section", "unknown", "w", "\xff",
       "; header comment\r\n[A]\r\nx = 1\r\nKey=old\r\n\r\n; about B\r\n[B]\r\ny=\xe4\xf6\r\n[Unknown]\r\nz=3\r\nw=\xff\r\n"},
      {"new section at the end", "New Section", "k", "1",
       "; header comment\r\n[A]\r\nx = 1\r\nKey=old\r\n\r\n; about B\r\n[B]\r\ny=\xe4\xf6\r\n[Unknown]\r\nz=3\r\n"
       "\r\n[New Section]\r\nk=1\r\n"},
      {"delete a key", "B", "Y", nullptr,
       "; header comment\r\n[A]\r\nx = 1\r\nKey=old\r\n\r\n; about B\r\n[B]\r\n[Unknown]\r\nz=3"},
      {"delete a missing key", "B", "nothing", nullptr, original},
  };
  for (const Row& r : rows) {
    WriteBytes(path, original);
    WritePrivateProfileString(r.section, r.key, r.value, path);
    EXPECT_EQ(ReadBytes(path), r.expected) << r.what;
  }
  // New keys among lines that hold none: after the last line that is neither
  // blank nor a comment, each line keeping its ending.
  const struct {
    const char* before;
    const char* after;  // with n=v written into section S
  } runs[] = {
      {"[S]\nk=1\nno key here\n\n; note\n\n[T]\n", "[S]\nk=1\nno key here\nn=v\n\n; note\n\n[T]\n"},
      {"[S]\n\n; only comments\n", "[S]\nn=v\n\n; only comments\n"},
      {"[S]\n; c\ntext", "[S]\n; c\ntext\nn=v\n"},
      {"[S]", "[S]\nn=v\n"},
      {"\n\n", "\n\n[S]\nn=v\n"},
      {"[T]\r\n\r\n\r\n", "[T]\r\n\r\n\r\n[S]\r\nn=v\r\n"},
      {"[S]\r\nn=1\r\n\r\n", "[S]\r\nn=v\r\n\r\n"},
  };
  for (const auto& r : runs) {
    WriteBytes(path, r.before);
    WritePrivateProfileString("S", "n", "v", path);
    EXPECT_EQ(ReadBytes(path), r.after) << r.before;
  }
  // Deleting a section removes all its lines (here up to the next header).
  WriteBytes(path, original);
  WritePrivateProfileString("a", nullptr, nullptr, path);
  EXPECT_EQ(ReadBytes(path), "; header comment\r\n[B]\r\ny=\xe4\xf6\r\n[Unknown]\r\nz=3");
  // A null section does nothing.
  WriteBytes(path, original);
  WritePrivateProfileString(nullptr, "k", "v", path);
  EXPECT_EQ(ReadBytes(path), original);
}

TEST(ProfileWrite, NewFileAndReadBack) {
  TempFolder dir;
  const std::string path = dir.File("new.ini");
  WritePrivateProfileString(std::string("Main"), std::string("Name"), std::string("  padded  "), path);
  WritePrivateProfileString("Main", "Count", "3", path);
  WritePrivateProfileString("Second", "A", "", path);
  EXPECT_EQ(ReadBytes(path), "[Main]\nName=  padded  \nCount=3\n\n[Second]\nA=\n");
  EXPECT_EQ(GetPrivateProfileString("MAIN", "name", "", path), "padded");
  EXPECT_EQ(GetPrivateProfileInt("main", "COUNT", 0, path), 3);
  EXPECT_EQ(GetPrivateProfileString("Second", "a", "x", path), "");
  // Deleting a whole section that has duplicates removes them all.
  WriteBytes(path, "[S]\na=1\n[T]\nb=2\n[s]\na=3\n");
  WritePrivateProfileString("S", nullptr, nullptr, path);
  EXPECT_EQ(ReadBytes(path), "[T]\nb=2\n");
  // Deleting a key removes its duplicates too, so it reads as missing.
  WriteBytes(path, "[S]\na=1\nA=2\nb=3\n");
  WritePrivateProfileString("S", "a", nullptr, path);
  EXPECT_EQ(ReadBytes(path), "[S]\nb=3\n");
}

TEST(ProfileWrite, ManyKeysInOneSave) {
  TempFolder dir;
  const std::string path = dir.File("many.ini");
  {
    TProfileFile f(path);
    for (int s = 0; s < 500; ++s)
      for (int k = 0; k < 40; ++k) f.WriteInt("IFS" + std::to_string(s), "Frm" + std::to_string(k) + "A", s * 100 + k);
    f.Save();
    EXPECT_FALSE(f.Modified());
  }
  TProfileFile g(path);
  for (int s = 0; s < 500; s += 7)
    for (int k = 0; k < 40; k += 3)
      ASSERT_EQ(g.ReadInt("ifs" + std::to_string(s), "frm" + std::to_string(k) + "a", -1), s * 100 + k);
  EXPECT_EQ(g.SectionNames().size(), 500u);
}

TEST(ProfileWrite, HugeLinesAndBinaryBytes) {
  TempFolder dir;
  const std::string path = dir.File("huge.ini");
  std::string big(3 << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 997) big[i] = char(0x80 + i % 100);
  std::string binary;
  for (int c = 0; c < 256; ++c)
    if (c != '\n' && c != '\r') binary += char(c);
  binary = "<" + binary + ">";  // keep the blank bytes away from the ends
  TProfileFile f(path);
  f.WriteString("Big", "line", big);
  f.WriteString("Big", "bytes", binary);
  f.Save();
  TProfileFile g(path);
  EXPECT_EQ(g.ReadString("big", "LINE", ""), big);
  EXPECT_EQ(g.ReadString("big", "bytes", ""), binary);
}

TEST(ProfileWrite, RejectsWhatTheFileCannotHold) {
  TempFolder dir;
  const std::string path = dir.File("bad.ini");
  WriteBytes(path, "[S]\nk=v\n");
  struct Row {
    const char* section;
    const char* key;
    const char* value;
  };
  const Row rows[] = {
      {"S", "k", "two\nlines"}, {"S", "k", "cr\r"},  {"S", "a=b", "v"}, {"S", "", "v"},
      {"S", "  ", "v"},         {"S", "[k", "v"},    {"S", ";k", "v"},  {"S]", "k", "v"},
      {"S\n", "k", "v"},        {"S", "k\n", "v"},
  };
  for (const Row& r : rows) {
    EXPECT_THROW(WritePrivateProfileString(r.section, r.key, r.value, path), TProfileError)
        << r.section << " / " << r.key;
    EXPECT_EQ(ReadBytes(path), "[S]\nk=v\n");
  }
}

TEST(ProfileWrite, FailedWriteIsReportedAndKeepsTheOldFile) {
  TempFolder dir;
  // 1. The folder does not exist.
  const std::string noFolder = dir.File("missing/settings.ini");
  try {
    WritePrivateProfileString("S", "k", "v", noFolder);
    ADD_FAILURE() << "no error for a missing folder";
  } catch (const TProfileError& e) {
    EXPECT_NE(std::string(e.what()).find(noFolder), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(noFolder));

  // 2. The path is a folder.
  EXPECT_THROW(WritePrivateProfileString("S", "k", "v", dir.Path), TProfileError);
  EXPECT_TRUE(fs::is_directory(dir.Path));

  // 3. A folder on the path is a regular file.
  const std::string plain = dir.File("plain");
  WriteBytes(plain, "not a folder");
  EXPECT_THROW(WritePrivateProfileString("S", "k", "v", plain + "/settings.ini"), TProfileError);
  EXPECT_EQ(ReadBytes(plain), "not a folder");

  // 4. The write itself fails half-way (file size limit, which binds root
  //    too): the old file stays whole and no temporary file is left.
  const std::string path = dir.File("settings.ini");
  const std::string old = "[S]\r\nk=old\r\n; keep me\r\n";
  WriteBytes(path, old);
  const size_t filesBefore = FileCount(dir.Path);
  TProfileFile f(path);
  f.WriteString("S", "k", std::string(100000, 'n'));
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    f.Save();
  } catch (const TProfileError& e) {
    threw = true;
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_TRUE(threw);
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(FileCount(dir.Path), filesBefore);
  // The changes are still held, and a later save succeeds.
  EXPECT_TRUE(f.Modified());
  f.Save();
  EXPECT_EQ(TProfileFile(path).ReadString("S", "k", ""), std::string(100000, 'n'));
}

TEST(ProfileWrite, KeepsModeAndSymbolicLinks) {
  TempFolder dir;
  const std::string target = dir.File("real.ini");
  const std::string link = dir.File("link.ini");
  WriteBytes(target, "[S]\nk=1\n");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  fs::create_symlink(target, link);
  WritePrivateProfileString("S", "k", "2", link);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), "[S]\nk=2\n");
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  // Nothing changed, nothing written: a missing file is not created.
  TProfileFile untouched(dir.File("absent.ini"));
  untouched.Save();
  EXPECT_FALSE(fs::exists(dir.File("absent.ini")));
}

// Random files built from INI-like and hostile pieces: reading never fails,
// a written key reads back, and every original line survives in order.
TEST(ProfileFuzz, RandomFilesKeepTheirLines) {
  const char* const pieces[] = {"[A]", "[a]", "[ B ]", "[C", "]", "[]", "k=v", "K = V2", "x=", "=y", "noeq",
                                ";c=1", "\t", "", "[S]", "probe=old", "\xff\xfe=\x80", "a=b=c", "  [A]  "};
  std::mt19937 rng(20240611);
  TempFolder dir;
  const std::string path = dir.File("fuzz.ini");
  // A fixed number of rounds: every run tries the same files, whatever the
  // machine's load.
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int lines = int(rng() % 30);
    for (int i = 0; i < lines; ++i) {
      if (rng() % 8 == 0) {
        const int n = int(rng() % 40);
        for (int j = 0; j < n; ++j) text += char(rng() % 256);
      } else {
        text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
      }
      text += (rng() % 3 == 0) ? "\r\n" : "\n";
    }
    if (rng() % 2 && !text.empty()) text.pop_back();
    WriteBytes(path, text);

    TProfileFile before(path);
    ASSERT_EQ(before.Text(), text);  // loading keeps every byte
    const std::string probeA = before.ReadString("A", "k", "(none)");
    TProfileFile f(path);
    f.WriteString("S", "probe", "new");
    f.Save();
    TProfileFile after(path);
    ASSERT_EQ(after.ReadString("s", "PROBE", ""), "new") << text;
    ASSERT_EQ(after.ReadString("A", "k", "(none)"), probeA) << text;

    // The old lines, line endings and the probe aside, are a subsequence of
    // the new ones, with at most a blank line and a header more.
    auto split = [](const std::string& s) {
      std::vector<std::string> out;
      std::istringstream in(s);
      std::string line;
      while (std::getline(in, line)) {
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (line != "probe=old" && line != "probe=new") out.push_back(line);
      }
      return out;
    };
    const std::vector<std::string> oldLines = split(text), newLines = split(ReadBytes(path));
    size_t j = 0;
    for (size_t i = 0; i < newLines.size() && j < oldLines.size(); ++i)
      if (newLines[i] == oldLines[j]) ++j;
    ASSERT_EQ(j, oldLines.size()) << text;
    ASSERT_LE(newLines.size(), oldLines.size() + 2) << text;
  }
}

TEST(ProfileReal, GeneralFormat) {
  struct Row {
    long double value;
    int digits;
    const char* text;
  };
  const Row rows[] = {
      {0.75L, 18, "0.75"},
      {static_cast<long double>(0.05f), 18, "0.0500000007450580597"},
      {static_cast<long double>(0.85f), 15, "0.850000023841858"},
      {-2.2L, 18, "-2.2"},
      {2.8L, 18, "2.8"},
      {0, 18, "0"},
      {100, 18, "100"},
      {1e20L, 18, "1E20"},
      {1.5e-7L, 18, "1.5E-7"},
      {0.00001L, 18, "0.00001"},
      {0.000012345L, 18, "0.000012345"},
      {123456789012345678.0L, 18, "123456789012345678"},
      {1234567890123456789.0L, 18, "1.23456789012345679E18"},
      {9.9999999999999999999L, 18, "10"},
      {-1.0L / 3, 18, "-0.333333333333333333"},
      {2.0L / 3, 5, "0.66667"},
  };
  for (const Row& r : rows) EXPECT_EQ(FormatReal(r.value, r.digits), r.text) << r.text;

  // 18 digits carry any double exactly.
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; ++i) {
    uint64_t bits = rng();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (!std::isfinite(d)) continue;
    ASSERT_EQ(double(ParseReal(FormatReal(d))), d) << FormatReal(d);
  }
}

TEST(ProfileReal, ParseAcceptsOnlyDecimalNumbers) {
  struct Good {
    const char* text;
    long double value;
  };
  const Good good[] = {{" 0.5 ", 0.5L}, {"+3", 3}, {"-.5", -0.5L}, {"5.", 5}, {"1E3", 1000}, {"1e-3", 0.001L},
                       {"-2.2", -2.2L}, {"0", 0}};
  for (const Good& g : good) EXPECT_EQ(ParseReal(g.text), g.value) << g.text;
  const char* const bad[] = {"abc", "", " ", "1e", "infinity", "nan1", "1,5", "0x10", "--1", "1.2.3", ".", "e5", "1e5000",
                             "1 2"};
  for (const char* b : bad) {
    try {
      ParseReal(b);
      ADD_FAILURE() << "accepted '" << b << "'";
    } catch (const TConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(b) + "' is not a valid floating point value");
    }
  }
  // The locale's decimal separator plays no part.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
    EXPECT_EQ(FormatReal(0.75L), "0.75");
    EXPECT_EQ(ParseReal("0.75"), 0.75L);
    std::setlocale(LC_ALL, "C");
  }
}

TEST(ProfileReal, NonFiniteAndSubnormalValuesReadBack) {
  struct Row {
    const char* text;  // as read
    long double value;
    const char* written;  // FormatReal of the value read
  };
  const long double inf = std::numeric_limits<long double>::infinity();
  const Row rows[] = {
      {"INF", inf, "INF"},
      {"-INF", -inf, "-INF"},
      {" inf ", inf, "INF"},
      {"+Inf", inf, "INF"},
      {"1e-4950", 3 * std::numeric_limits<long double>::denorm_min(), "1.09355985956474238E-4950"},
      {"-3.6451995318824746025e-4951", -std::numeric_limits<long double>::denorm_min(), "-3.6451995318824746E-4951"},
      {"1e-5000", 0, "0"},
      {"-1e-4940", -1e-4940L, "-9.99999999996053252E-4941"},
  };
  for (const Row& r : rows) {
    const long double v = ParseReal(r.text);
    EXPECT_EQ(v, r.value) << r.text;
    EXPECT_EQ(FormatReal(v), r.written) << r.text;
    EXPECT_EQ(ParseReal(FormatReal(v)), v) << r.text;
  }
  EXPECT_TRUE(std::isnan(ParseReal("NAN")));
  EXPECT_TRUE(std::isnan(ParseReal(FormatReal(std::numeric_limits<long double>::quiet_NaN()))));
}

TEST(ProfileReal, ReadRealNamesTheKey) {
  TempFolder dir;
  const std::string path = dir.File("r.frs");
  WriteBytes(path, "[Fractal]\nX_Coord=-2.25\nY_Coord=oops\n");
  TProfileFile f(path);
  EXPECT_EQ(f.ReadReal("fractal", "x_coord", "0"), -2.25L);
  EXPECT_EQ(f.ReadReal("Fractal", "W_Coord", "2.8"), 2.8L);
  try {
    f.ReadReal("Fractal", "Y_Coord", "0");
    ADD_FAILURE();
  } catch (const TConvertError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("'oops' is not a valid floating point value"), std::string::npos) << m;
    EXPECT_NE(m.find("Y_Coord"), std::string::npos) << m;
    EXPECT_NE(m.find(path), std::string::npos) << m;
  }
}

TEST(ProgramFolder, ExecutableFolderAndOverride) {
  const std::string exe = fs::read_symlink("/proc/self/exe").filename().string();
  EXPECT_TRUE(fs::exists(ProgramFolder() + "/" + exe)) << ProgramFolder();
  SetProgramFolder("/tmp/somewhere/");
  EXPECT_EQ(ProgramFolder(), "/tmp/somewhere");
  EXPECT_EQ(ProgramFile("default.frp"), "/tmp/somewhere/default.frp");
  SetProgramFolder("");
  EXPECT_TRUE(fs::exists(ProgramFile(exe)));
}
