// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/user_formula.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cfenv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "formulas/calc_point.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/program_folder.h"
#include "tests/scratch_program.h"
#include "tests/test_files.h"
#include "tests/document_test_helpers.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// The program of that name on the search path, or "" when there is none.
std::string OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':'))
    if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
  return {};
}

bool FpcPresent() { return !OnPath("fpc").empty(); }

// Files in a folder, without the folder.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

#define REQUIRE_COMPILER(scratch)                                                                   \
  do {                                                                                              \
    if (!FpcPresent()) GTEST_SKIP() << "fpc (Debian package fp-compiler) is not installed";         \
    ASSERT_TRUE((scratch).KitCopied) << "the compiler kit is missing from " << (scratch).KitSource; \
  } while (0)

const std::vector<std::string> kMandelbrotDouble = {
    "var a, b: Double;",
    "begin",
    "  a := x*x - y*y + cr;",
    "  b := 2*x*y + ci;",
    "  x := a;",
    "  y := b;",
    "end;",
};

const std::vector<std::string> kMandelbrotExtended = {
    "var t: Extended;", "begin", "  t := x*x - y*y + cr;", "  y := 2*x*y + ci;", "  x := t;", "end;",
};

const std::vector<std::string> kNoKit;

// A document of 40 x 30 pixels on the window (-2.2, 1.4, 2.8): pixel (28, 19)
// is c = (-0.190, 0.036), inside the main cardioid; pixel (0, 0) is
// c = (-2.2, 1.4), which escapes at the second iteration (|z1|^2 = 23.1 > 9).
constexpr int32_t kWidth = 40, kHeight = 30;
constexpr int32_t kInsideX = 28, kInsideY = 19;

// ---------------------------------------------------------------- texts

TEST(UserFormulaText, SourceAndBatchFile) {
  struct TCase {
    std::vector<std::string> lines;
    std::string expected;
  };
  const std::string head =
      "Library proba;\r\n"
      "  Uses ShareMem, SysUtils, Math;\r\n"
      "Procedure Formula(var x,y,cr,ci: Extended; p1r,p1i,p2r,p2i,p3r,p3i: Extended); export;\r\n";
  const std::string tail =
      "exports\r\n"
      "Formula index 1 name 'Formula';\r\n"
      "BEGIN\r\n"
      "END.\r\n";
  const TCase cases[] = {
      {{}, head + tail},
      {{"var t: Extended;", "begin", "  t := x*x - y*y + cr;", "  y := 2*x*y + ci;", "  x := t;", "end;"},
       head +
           "var t: Extended;\r\nbegin\r\n  t := x*x - y*y + cr;\r\n  y := 2*x*y + ci;\r\n  x := t;\r\nend;\r\n" +
           tail},
      // Lines go in unchanged: blanks, empty lines, quotes.
      {{"", "  begin x := 1; end;  ", "{ 'quoted' }"}, head + "\r\n  begin x := 1; end;  \r\n{ 'quoted' }\r\n" + tail},
  };
  for (const TCase& c : cases) EXPECT_EQ(UserFormulaSource(c.lines), c.expected);

  EXPECT_EQ(MakeBatText("/tmp/123456.dpr"), "dcc32.exe /tmp/123456.dpr\r\n");
  EXPECT_EQ(MakeBatText("/home/a b/235959.dpr"), "dcc32.exe /home/a b/235959.dpr\r\n");
}

TEST(UserFormulaText, StampIsLocalHoursMinutesSeconds) {
  struct TCase {
    int hour, minute, second;
    const char* expected;
  };
  const TCase cases[] = {{0, 0, 0, "000000"}, {9, 5, 7, "090507"}, {12, 30, 0, "123000"}, {23, 59, 59, "235959"}};
  for (const TCase& c : cases) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 15;
    local.tm_hour = c.hour;
    local.tm_min = c.minute;
    local.tm_sec = c.second;
    local.tm_isdst = -1;
    EXPECT_EQ(UserFormulaStamp(std::mktime(&local)), c.expected);
  }
}

TEST(UserFormulaText, FolderIsTmpdirThenTmpThenProgramFolder) {
  TScratchProgram scratch(kNoKit);
  std::string longPath = scratch.Root;
  while (longPath.size() < 300) longPath += "/" + std::string(60, 'd');
  fs::create_directories(longPath);
  struct TCase {
    std::string tmpdir;
    std::string expected;
  };
  const TCase cases[] = {
      {scratch.Temp, scratch.Temp + "/"},
      {scratch.Temp + "/", scratch.Temp + "/"},
      {scratch.Root + "/missing", "/tmp/"},
      {"", "/tmp/"},
      {longPath, scratch.Program + "/"},  // too long for the temporary-path buffer
  };
  for (const TCase& c : cases) {
    ::setenv("TMPDIR", c.tmpdir.c_str(), 1);
    EXPECT_EQ(UserFormulaFolder(), c.expected) << c.tmpdir;
  }
}

// ---------------------------------------------------------------- checks in Restart

TEST(UserFormulaKit, MissingFileShowsMessageAndDrawsFormula0) {
  const std::string expectedMessage =
      "MAKE.PIF, DCC32.EXE, RLINK32.DLL, MATH.DCU,\r\n"
      "SHAREMEM.DCU, SYSINIT.DCU, SYSTEM.DCU, WINDOWS.DCU\r\n"
      "SYSUTILS.DCU, SYSUTILS.INC\r\n"
      "One or more of this files are not found !\r\n"
      "The formula compilations is required its !\r\n"
      "Download the file:\r\n"
      "the Free Pascal compiler: apt-get install fp-compiler";
  EXPECT_EQ(CompilerKitMessage(), expectedMessage);

  TNullCanvas canvas;
  for (int missing = 0; missing < kCompilerKitFileCount; ++missing) {
    std::vector<std::string> files = TScratchProgram::AllKitFiles();
    files.erase(files.begin() + missing);
    // Placeholders will do: nothing gets run.
    TScratchProgram scratch(kNoKit);
    for (const std::string& name : files) WriteFile(scratch.Program + "/" + name, "x");
    EXPECT_FALSE(CompilerKitComplete());

    TMessageRecorder messages;
    TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    doc.SetUserFormula(kMandelbrotExtended);
    doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    ASSERT_EQ(messages.Shown.size(), 1u) << kCompilerKitFiles[missing];
    EXPECT_EQ(messages.Shown[0], expectedMessage);
    EXPECT_EQ(doc.Ctx.Number, 0);
    EXPECT_TRUE(doc.NeedsCompile);  // the fallback keeps the flag
    EXPECT_FALSE(Exists(scratch.Program + "/Make.bat"));
    EXPECT_TRUE(FilesIn(scratch.Temp).empty());

    // Formula 0 is what got drawn: the centre of the set never escapes, a
    // corner escapes at once.
    EXPECT_EQ(doc.PixelValue(kInsideX, kInsideY), 0.0f);
    EXPECT_EQ(doc.PixelValue(0, 0), 2.0f);

    // Choosing the user formula again shows the message again.
    doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    EXPECT_EQ(messages.Shown.size(), 2u);
  }
}

TEST(UserFormulaKit, EmptyFormulaFallsBackSilently) {
  TScratchProgram scratch(kNoKit);
  for (const std::string& name : TScratchProgram::AllKitFiles()) WriteFile(scratch.Program + "/" + name, "x");
  EXPECT_TRUE(CompilerKitComplete());
  TNullCanvas canvas;
  TMessageRecorder messages;

  TFractal never(-1, 0, 0, 0, kWidth, kHeight, &canvas);  // no line list at all
  never.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  EXPECT_EQ(never.Ctx.Number, 0);

  TFractal empty(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  empty.SetUserFormula({});
  empty.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  EXPECT_EQ(empty.Ctx.Number, 0);
  EXPECT_TRUE(empty.NeedsCompile);
  WaitForRender(never);
  WaitForRender(empty);
  EXPECT_TRUE(messages.Shown.empty());
  EXPECT_FALSE(Exists(scratch.Program + "/Make.bat"));
}

// ---------------------------------------------------------------- the launcher

// A kit whose launcher is the given shell script.
void FakeKit(const TScratchProgram& scratch, const std::string& launcher) {
  for (const std::string& name : TScratchProgram::AllKitFiles()) WriteFile(scratch.Program + "/" + name, "x");
  WriteFile(scratch.Program + "/MAKE.PIF", launcher);
  ::chmod((scratch.Program + "/MAKE.PIF").c_str(), 0755);
}

TEST(UserFormulaLaunch, ProcessFailuresAndOutput) {
  TNullCanvas canvas;
  {
    // Not executable: the process cannot be created (EACCES).
    TScratchProgram scratch(kNoKit);
    FakeKit(scratch, "#!/bin/sh\nexit 0\n");
    ::chmod((scratch.Program + "/MAKE.PIF").c_str(), 0644);
    TMessageRecorder messages;
    TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    doc.SetUserFormula(kMandelbrotExtended);
    doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0], "Create compile process failed, windows error code = 13");
    EXPECT_EQ(doc.Ctx.Number, kUserFormula);
    EXPECT_FALSE(doc.NeedsCompile);
    EXPECT_FALSE(doc.HasUserModule());
    // The files were written before the start was tried.
    EXPECT_EQ(ReadFile(scratch.Program + "/Make.bat"), "dcc32.exe " + doc.SourcePath + "\r\n");
    EXPECT_EQ(ReadFile(doc.SourcePath), UserFormulaSource(kMandelbrotExtended));
  }
  {
    // The launcher runs in the program folder with an empty standard input;
    // what it writes on either stream is the compiler output, shown when no
    // module came out.
    TScratchProgram scratch(kNoKit);
    FakeKit(scratch,
            "#!/bin/sh\n"
            "echo \"in $(pwd)\"\n"
            "read line && echo \"read $line\"\n"
            "echo 'Error: bad formula' >&2\n"
            "exit 1\n");
    TMessageRecorder messages;
    TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    doc.SetUserFormula(kMandelbrotExtended);
    doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    const std::string expected = "in " + fs::canonical(scratch.Program).string() + "\nError: bad formula\n";
    EXPECT_EQ(doc.CompilerOutput, expected);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0], expected);
    EXPECT_FALSE(doc.HasUserModule());
    EXPECT_EQ(doc.Ctx.UserFormula, nullptr);
    for (int py = 0; py < kHeight; ++py)
      for (int px = 0; px < kWidth; ++px) ASSERT_EQ(doc.PixelValue(px, py), 0.0f) << px << "," << py;
  }
  {
    // With SIGCHLD ignored the system reaps the child itself: the wait fails
    // with ECHILD.
    TScratchProgram scratch(kNoKit);
    FakeKit(scratch, "#!/bin/sh\nexit 0\n");
    TMessageRecorder messages;
    struct sigaction ignore {}, old {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGCHLD, &ignore, &old);
    TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    doc.SetUserFormula(kMandelbrotExtended);
    doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    ::sigaction(SIGCHLD, &old, nullptr);
    WaitForRender(doc);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0], "Wait compile process failed, windows error code = 10");
  }
  {
    // Make.bat cannot be written (a folder has its name): nothing is run, the
    // reason is the report.
    TScratchProgram scratch(kNoKit);
    FakeKit(scratch, "#!/bin/sh\necho ran\n");
    fs::create_directory(scratch.Program + "/Make.bat");
    TMessageRecorder messages;
    TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    doc.SetUserFormula(kMandelbrotExtended);
    doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    const std::string expected = "Unable to write " + scratch.Program + "/Make.bat: Is a directory";
    EXPECT_EQ(doc.CompilerOutput, expected);
    EXPECT_EQ(messages.Shown, std::vector<std::string>{expected});
    EXPECT_FALSE(doc.HasUserModule());
  }
  {
    // A file at the module path that does not load.
    TScratchProgram scratch(kNoKit);
    FakeKit(scratch, "#!/bin/sh\nread cmd src < Make.bat\nprintf 'junk' > \"${src%.dpr*}.dll\"\n");
    TMessageRecorder messages;
    TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    doc.SetUserFormula(kMandelbrotExtended);
    doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    WaitForRender(doc);
    EXPECT_TRUE(Exists(doc.ModulePath));
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0], "No DLL !!!");
    EXPECT_FALSE(doc.HasUserModule());
    EXPECT_FALSE(doc.CompilerOutput.empty());  // the loader's reason
  }
}

// Chooses the user formula of these lines on the document's window and waits
// for its render.
void ChooseUserFormula(TFractal& doc, const std::vector<std::string>& lines) {
  doc.SetUserFormula(lines);
  doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  WaitForRender(doc);
}

// The real kit on a search path without the Free Pascal compiler: the
// program says what to install, the kit's own report stays the output.
TEST(UserFormulaLaunch, MissingCompilerSaysWhatToInstall) {
  TScratchProgram scratch;
  ASSERT_TRUE(scratch.KitCopied) << "the compiler kit is missing from " << scratch.KitSource;
  const std::string tools = scratch.Root + "/tools";
  fs::create_directories(tools);
  // What the kit's scripts run before they look for the compiler.
  for (const std::string tool : {"dirname", "basename", "rm", "tr"}) {
    const std::string found = OnPath(tool);
    ASSERT_FALSE(found.empty()) << tool;
    fs::create_symlink(found, tools + "/" + tool);
  }
  TEnvVar path("PATH", tools);
  TNullCanvas canvas;
  TMessageRecorder messages;
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  ChooseUserFormula(doc, kMandelbrotExtended);
  EXPECT_EQ(messages.Shown, std::vector<std::string>{"The Free Pascal compiler (fpc) is not installed: install the "
                                                     "package fp-compiler to compile user formulas."});
  EXPECT_EQ(doc.CompilerOutput,
            "DCC32.EXE: the Free Pascal compiler (fpc) is not installed: install the package fp-compiler\n");
  EXPECT_EQ(doc.Ctx.Number, kUserFormula);
  EXPECT_FALSE(doc.HasUserModule());
  EXPECT_FALSE(Exists(doc.ModulePath));
}

TEST(UserFormulaLaunch, BusyCursorWhileTheCompilerRuns) {
  TScratchProgram scratch(kNoKit);
  FakeKit(scratch, "#!/bin/sh\nexit 0\n");
  std::vector<bool> calls;
  TBusyCursorHandler old = SetBusyCursorHandler([&](bool busy) { calls.push_back(busy); });
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  doc.SetUserFormula(kMandelbrotExtended);
  doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  SetBusyCursorHandler(old);
  EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

// ---------------------------------------------------------------- real compilations

TEST(UserFormulaCompile, MandelbrotTypedByTheUserDrawsFormula0) {
  TScratchProgram scratch;
  REQUIRE_COMPILER(scratch);
  TNullCanvas canvas;
  TMessageRecorder messages;
  TFractal reference(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  reference.SetFormula(0, -2.2L, 1.4L, 2.8L);
  WaitForRender(reference);

  // Rounding z to double each step, as formula 0 does, gives the same image
  // bit for bit.
  TFractal exact(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  exact.SetUserFormula(kMandelbrotDouble);
  exact.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  WaitForRender(exact);
  ASSERT_TRUE(messages.Shown.empty()) << messages.Shown[0];
  ASSERT_TRUE(exact.HasUserModule()) << exact.CompilerOutput;
  EXPECT_EQ(exact.Ctx.Number, kUserFormula);
  EXPECT_FALSE(exact.NeedsCompile);
  EXPECT_TRUE(exact.UserFormulaAttached);
  ASSERT_NE(exact.Ctx.UserFormula, nullptr);

  // Files: "hhnnss" names in the temporary folder, Make.bat in the program folder.
  const std::string stamp = fs::path(exact.SourcePath).stem().string();
  ASSERT_EQ(stamp.size(), 6u);
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(exact.SourcePath, scratch.Temp + "/" + stamp + ".dpr");
  EXPECT_EQ(exact.ModulePath, scratch.Temp + "/" + stamp + ".dll");
  EXPECT_EQ(ReadFile(exact.SourcePath), UserFormulaSource(kMandelbrotDouble));
  EXPECT_EQ(ReadFile(scratch.Program + "/Make.bat"), "dcc32.exe " + exact.SourcePath + "\r\n");
  EXPECT_EQ(FilesIn(scratch.Temp), (std::vector<std::string>{stamp + ".dll", stamp + ".dpr"}));

  int escaped = 0, inside = 0;
  for (int py = 0; py < kHeight; ++py)
    for (int px = 0; px < kWidth; ++px) {
      const float v = reference.PixelValue(px, py);
      ASSERT_EQ(exact.PixelValue(px, py), v) << px << "," << py;
      (v > 0 ? escaped : inside)++;
    }
  EXPECT_GT(escaped, 100);
  EXPECT_GT(inside, 100);

  // Kept in extended precision, as typed with "t: Extended", only pixels on
  // the edge of the set may escape an iteration apart.
  TFractal extended(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  extended.SetUserFormula(kMandelbrotExtended);
  extended.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  WaitForRender(extended);
  ASSERT_TRUE(extended.HasUserModule()) << extended.CompilerOutput;
  int same = 0;
  for (int py = 0; py < kHeight; ++py)
    for (int px = 0; px < kWidth; ++px) same += extended.PixelValue(px, py) == reference.PixelValue(px, py);
  EXPECT_GE(same, kWidth * kHeight * 95 / 100);

  // Releasing deletes the source and the module; Make.bat stays.
  const std::string source = exact.SourcePath, module = exact.ModulePath;
  exact.SetUserFormula(kMandelbrotExtended);
  EXPECT_FALSE(exact.HasUserModule());
  EXPECT_EQ(exact.Ctx.UserFormula, nullptr);
  EXPECT_TRUE(exact.NeedsCompile);
  // (Compiled within the same second, extended's files had the same names.)
  EXPECT_FALSE(Exists(source));
  EXPECT_FALSE(Exists(module));
  EXPECT_TRUE(Exists(scratch.Program + "/Make.bat"));
}

TEST(UserFormulaCompile, ReferencesAndValuesReachTheFormula) {
  TScratchProgram scratch;
  REQUIRE_COMPILER(scratch);
  TNullCanvas canvas;
  TMessageRecorder messages;
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  doc.SetUserFormula({
      "begin",
      "  x := p1r;",
      "  y := p3i;",
      "  cr := p1i + p2r;",
      "  ci := p2i - p3r;",
      "  p1r := 0;",  // a value parameter: the caller's copy stays
      "end;",
  });
  doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  WaitForRender(doc);
  ASSERT_TRUE(doc.HasUserModule()) << doc.CompilerOutput;

  // Values that need all 64 bits of the extended mantissa.
  const Extended p1r = 1.0L / 3, p1i = 2.0L / 7, p2r = 1e-4000L, p2i = 5.0L / 11, p3r = 1.0L / 13,
                 p3i = 1.0L + 0x1p-63L;
  Extended x = 0.25L, y = 0.75L, cr = 7, ci = 9;
  doc.Ctx.UserFormula(x, y, cr, ci, p1r, p1i, p2r, p2i, p3r, p3i);
  EXPECT_EQ(x, p1r);
  EXPECT_EQ(y, p3i);
  EXPECT_EQ(cr, p1i + p2r);
  EXPECT_EQ(ci, p2i - p3r);
  EXPECT_EQ(p1r, 1.0L / 3);
}

TEST(UserFormulaCompile, CompileErrorDrawsNothingAndKeepsTheReport) {
  TScratchProgram scratch;
  REQUIRE_COMPILER(scratch);
  TNullCanvas canvas;
  TMessageRecorder messages;
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  doc.SetUserFormula({"begin", "  x := x * ;", "end;"});
  doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  WaitForRender(doc);
  EXPECT_EQ(doc.Ctx.Number, kUserFormula);
  EXPECT_FALSE(doc.HasUserModule());
  EXPECT_EQ(doc.Ctx.UserFormula, nullptr);
  EXPECT_FALSE(Exists(doc.ModulePath));
  // The report names the source and the line of the mistake (line 5: three
  // lines of head, then "begin").
  const std::string name = fs::path(doc.SourcePath).filename().string();
  EXPECT_NE(doc.CompilerOutput.find(name + "(5,"), std::string::npos) << doc.CompilerOutput;
  EXPECT_NE(doc.CompilerOutput.find("Error"), std::string::npos) << doc.CompilerOutput;
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0], doc.CompilerOutput);
  for (int py = 0; py < kHeight; ++py)
    for (int px = 0; px < kWidth; ++px) ASSERT_EQ(doc.PixelValue(px, py), 0.0f) << px << "," << py;
  // Only the source is left; the compiler's scratch files are gone.
  EXPECT_EQ(FilesIn(scratch.Temp), (std::vector<std::string>{name}));
}

// Sleeps until just past the start of the next second.
void WaitForNextSecond() {
  const auto now = std::chrono::system_clock::now();
  const auto next = std::chrono::ceil<std::chrono::seconds>(now) + std::chrono::milliseconds(20);
  std::this_thread::sleep_until(next);
}

std::vector<std::string> ConstantFormula(int value) {
  return {"begin", "  x := " + std::to_string(value) + ";", "  y := cr;", "end;"};
}

Extended CallX(const TFractal& doc) {
  Extended x = 0, y = 0, cr = 0, ci = 0;
  doc.Ctx.UserFormula(x, y, cr, ci, 0, 0, 0, 0, 0, 0);
  return x;
}

TEST(UserFormulaCompile, TwoCompilationsWithinOneSecond) {
  TScratchProgram scratch;
  REQUIRE_COMPILER(scratch);
  TNullCanvas canvas;
  TMessageRecorder messages;
  auto first = std::make_unique<TFractal>(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  TFractal second(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  bool sameSecond = false;
  for (int attempt = 0; attempt < 3 && !sameSecond; ++attempt) {
    WaitForNextSecond();
    first->SetUserFormula(ConstantFormula(111));
    first->SetFormula(kUserFormula, -2, 2, 4);
    // The same document again: its old module goes, the new code comes in.
    first->SetUserFormula(ConstantFormula(222));
    first->SetFormula(kUserFormula, -2, 2, 4);
    // Another document, while the first still holds a module of that name.
    second.SetUserFormula(ConstantFormula(333));
    second.SetFormula(kUserFormula, -2, 2, 4);
    sameSecond = first->ModulePath == second.ModulePath;
  }
  if (!sameSecond) GTEST_SKIP() << "the machine is too slow for three compilations in one second";
  ASSERT_TRUE(messages.Shown.empty()) << messages.Shown[0];
  ASSERT_TRUE(first->HasUserModule());
  ASSERT_TRUE(second.HasUserModule());
  EXPECT_NE(first->UserModule, second.UserModule);
  EXPECT_EQ(CallX(*first), 222);
  EXPECT_EQ(CallX(second), 333);
  // The second overwrote the first's files.
  EXPECT_EQ(ReadFile(second.SourcePath), UserFormulaSource(ConstantFormula(333)));
  EXPECT_EQ(FilesIn(scratch.Temp).size(), 2u);

  // Releasing the first deletes the files of that name; the second's module
  // stays loaded and callable.
  WaitForRender(*first);
  first.reset();
  EXPECT_FALSE(Exists(second.SourcePath));
  EXPECT_FALSE(Exists(second.ModulePath));
  EXPECT_EQ(CallX(second), 333);
}

TEST(UserFormulaCompile, SpotIsCompiledAtTheFirstRestart) {
  TScratchProgram scratch;
  REQUIRE_COMPILER(scratch);
  const std::string spot = scratch.Root + "/user.frs";
  {
    TFractal saved(-1, 0, 0, 0, 0, 0, nullptr);
    saved.SetUserFormula(kMandelbrotDouble);
    saved.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
    saved.SaveSpot(spot);
  }
  TMessageRecorder messages;
  // Reading the spot attaches the lines but compiles nothing.
  TFractal loaded(-1, 0, 0, 0, kWidth, kHeight, nullptr);
  loaded.LoadSpot(spot);
  EXPECT_EQ(loaded.Ctx.Number, kUserFormula);
  EXPECT_TRUE(loaded.UserFormulaAttached);
  EXPECT_TRUE(loaded.NeedsCompile);
  EXPECT_FALSE(loaded.HasUserModule());
  EXPECT_FALSE(Exists(scratch.Program + "/Make.bat"));
  EXPECT_TRUE(FilesIn(scratch.Temp).empty());

  // The first restart of a document that renders compiles it.
  TNullCanvas canvas;
  TFractal shown(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  shown.Assign(&loaded);
  WaitForRender(shown);
  ASSERT_TRUE(messages.Shown.empty()) << messages.Shown[0];
  EXPECT_TRUE(shown.HasUserModule()) << shown.CompilerOutput;
  EXPECT_FALSE(shown.NeedsCompile);
  EXPECT_EQ(shown.Ctx.Number, kUserFormula);
  // The spot file keeps the lines without their leading blanks.
  ASSERT_EQ(shown.UserLines->size(), kMandelbrotDouble.size());
  for (size_t i = 0; i < kMandelbrotDouble.size(); ++i)
    EXPECT_EQ((*shown.UserLines)[i], kMandelbrotDouble[i].substr(kMandelbrotDouble[i].find_first_not_of(' ')));
  // The view came from the spot: the centre of the set stays inside.
  EXPECT_EQ(shown.PixelValue(kInsideX, kInsideY), 0.0f);
  EXPECT_EQ(shown.PixelValue(0, 0), 2.0f);

  // Compiling again replaces the module, and the files of the old one go.
  const std::string oldSource = shown.SourcePath, oldModule = shown.ModulePath;
  void* const oldModuleHandle = shown.UserModule;
  WaitForRender(shown);
  WaitForNextSecond();
  shown.CompileUserFormula();
  ASSERT_TRUE(shown.HasUserModule()) << shown.CompilerOutput;
  EXPECT_NE(shown.UserModule, oldModuleHandle);
  ASSERT_NE(shown.SourcePath, oldSource);
  EXPECT_FALSE(Exists(oldSource));
  EXPECT_FALSE(Exists(oldModule));
  EXPECT_EQ(FilesIn(scratch.Temp).size(), 2u);
}

struct TFpWords {
  uint16_t X87;
  uint32_t Mxcsr;
  bool operator==(const TFpWords&) const = default;
};

TFpWords ReadFpWords() {
  TFpWords w{};
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("fnstcw %0" : "=m"(w.X87));
  asm volatile("stmxcsr %0" : "=m"(w.Mxcsr));
  w.Mxcsr &= ~0x3fu;  // the flags are not control
#endif
  return w;
}

TEST(UserFormulaCompile, FormulaCannotLeaveExceptionsUnmasked) {
  TScratchProgram scratch;
  REQUIRE_COMPILER(scratch);
  TNullCanvas canvas;
  TMessageRecorder messages;
  const TFpWords before = ReadFpWords();
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  // The formula unmasks invalid operation, division by zero and overflow and
  // returns an iterate whose square overflows in the kernel's bailout test.
  doc.SetUserFormula({
      "begin",
      "  x := x*1e4000 + 1e4000;",
      "  y := 0;",
      "  SetExceptionMask([exDenormalized, exUnderflow, exPrecision]);",
      "end;",
  });
  doc.SetFormula(kUserFormula, -2.2L, 1.4L, 2.8L);
  ASSERT_TRUE(doc.HasUserModule()) << doc.CompilerOutput;
  EXPECT_EQ(ReadFpWords(), before);  // loading the module changed nothing
  WaitForRender(doc);                // the render threads survive the overflow

  // Called here, the overflow stays a flag: the pixel is lost, nothing traps.
  doc.Ctx.ClearPixelFields();
  EXPECT_EQ(CalcPoint(&doc.Ctx, 0.25, 0.5), 2);
  EXPECT_EQ(ReadFpWords(), before);
  std::feclearexcept(FE_ALL_EXCEPT);
  for (int py = 0; py < kHeight; ++py)
    for (int px = 0; px < kWidth; ++px) ASSERT_EQ(doc.PixelValue(px, py), 0.0f) << px << "," << py;
  EXPECT_TRUE(messages.Shown.empty());
}

}  // namespace

// An installed program compiles with the kit of lib/pelmorix and writes
// nothing there nor beside its data: "Make.bat" goes to the user's settings
// folder.
TEST(UserFormulaCompile, InstalledProgramWritesNothingBesideItsData) {
  TScratchProgram scratch;
  REQUIRE_COMPILER(scratch);
  const std::string bin = scratch.Root + "/usr/bin", share = scratch.Root + "/usr/share/pelmorix",
                    lib = scratch.Root + "/usr/lib/pelmorix";
  for (const std::string& folder : {bin, share, lib}) fs::create_directories(folder);
  for (const std::string& name : TScratchProgram::AllKitFiles())
    fs::copy_file(scratch.Program + "/" + name, lib + "/" + name);
  WriteFile(share + "/px.ifs", "");
  const std::vector<std::string> shipped = FilesIn(share), kit = FilesIn(lib);
  TEnvVar config("XDG_CONFIG_HOME", scratch.Root + "/config");
  SetProgramFolder(bin);

  TNullCanvas canvas;
  TMessageRecorder messages;
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  ChooseUserFormula(doc, kMandelbrotExtended);
  EXPECT_TRUE(doc.HasUserModule()) << doc.CompilerOutput;
  EXPECT_EQ(fs::path(doc.ModulePath).parent_path(), fs::path(scratch.Temp));
  EXPECT_EQ(FilesIn(share), shipped);
  EXPECT_EQ(FilesIn(lib), kit);
  EXPECT_TRUE(FilesIn(bin).empty());
  EXPECT_TRUE(Exists(scratch.Root + "/config/pelmorix/Make.bat"));
}
