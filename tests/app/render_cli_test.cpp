// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/render_options.h"
#include "engine/palette.h"
#include "engine/anti_alias.h"
#include "engine/fractal.h"
#include "formulas/calc_point.h"
#include "formulas/catalogue.h"
#include "formulas/orbital_steps.h"
#include "formulas/pixel.h"
#include "platform/bitmap.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"
#include "platform/program_folder.h"
#include "platform/program_info.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"
#include "tests/png_decode.h"
#include "tests/test_files.h"
#include "ui/image_file.h"

namespace {

namespace fs = std::filesystem;

TEST(RenderOptions, ParsesAndRejects) {
  struct {
    std::vector<std::string> args;
    bool ok;
    std::string errorPart;
  } cases[] = {
      {{"a.frs", "-o", "out.bmp"}, true, ""},
      {{"--formula", "19", "--window", "-1.5,1,3", "-o", "x.JPG", "-q", "95", "--progressive"}, true, ""},
      {{"a.frs"}, false, "no output file"},
      {{"-o", "out.png"}, true, ""},
      {{"-o", "out.gif"}, false, "must end in"},
      {{"-o", "o.bmp", "--size", "0x10"}, false, "bad --size"},
      {{"-o", "o.bmp", "--size", "640*480"}, false, "bad --size"},
      {{"-o", "o.bmp", "--size", "1048577x10"}, false, "bad --size"},
      {{"-o", "o.png", "--size", "1048576x10", "--band", "2/3", "--band-rows", "1"}, true, ""},
      {{"-o", "o.png", "--band", "0/3"}, false, "bad --band \"0/3\": expected K/N"},
      {{"-o", "o.png", "--band", "4/3"}, false, "bad --band"},
      {{"-o", "o.png", "--band", "1"}, false, "bad --band"},
      {{"-o", "o.png", "--band-rows", "0"}, false, "bad --band-rows"},
      {{"a.fr3", "-o", "o.png", "--band", "1/2"}, false, "an attractor is drawn whole"},
      {{"-o", "o.bmp", "--threads", "-1"}, false, "bad --threads"},
      {{"-o", "o.bmp", "--window", "1,2"}, false, "bad --window"},
      {{"-o", "o.bmp", "--window", "1,2,0"}, false, "bad --window"},
      {{"-o", "o.bmp", "--window", "1,2,x"}, false, "bad --window"},
      {{"-o", "o.bmp", "--window", "1,2,inf"}, false, "bad --window"},
      {{"-o", "o.bmp", "--window", "nan,2,1"}, false, "bad --window"},
      {{"-o", "o.bmp", "--window", "1,2,1e4000"}, false, "bad --window"},
      {{"-o", "o.bmp", "--window", "1,1e400,1"}, false, "bad --window"},
      {{"-o", "o.jpg", "-q", "101"}, false, "bad --quality"},
      {{"-o", "o.bmp", "--maxiter", "0"}, false, "bad --maxiter"},
      {{"-o", "o.bmp", "--bogus"}, false, "unknown option"},
      {{"a.frs", "b.frs", "-o", "o.bmp"}, false, "more than one spot"},
      {{"a.frs", "--formula", "3", "-o", "o.bmp"}, false, "without a spot file"},
      {{"-o"}, false, "needs a value"},
      {{"-o", "o.bmp", "--fast", "--fast"}, true, ""},
      // getopt_long's forms: --option=value, clustered and joined short
      // options, abbreviations, and -- before operands that look like options.
      {{"--output=o.png", "--size=8x6", "--formula=3", "--window=-1,1,2", "--quality=5"}, true, ""},
      {{"-qo", "o.jpg"}, false, "bad --quality \"o\""},
      {{"-q7", "-oo.jpg", "--prog"}, true, ""},
      {{"-o", "o.png", "--", "-x.frs"}, true, ""},
      {{"-o", "o.png", "--", "-x.frs", "--fast"}, false, "more than one spot"},
      {{"-o", "o.png", "--fast=1"}, false, "option --fast takes no value"},
      {{"-o", "o.png", "--size"}, false, "option --size needs a value"},
      {{"-o", "o.png", "--size="}, false, "bad --size \"\""},
      {{"-o", "o.png", "-z"}, false, "unknown option -z"},
      {{"-o", "o.png", "--bogus=1"}, false, "unknown option --bogus"},
      {{"-o", "o.png", "--zoom-movie"}, false, "unknown option --zoom-movie"},
      {{"a.fr3", "-o", "o.png", "--values", "v.bin"}, false, "an attractor has no value buffer"},
  };
  for (const auto& k : cases) {
    TRenderOptions o;
    std::string error;
    EXPECT_EQ(ParseRenderOptions(k.args, o, error), k.ok) << k.args[0] << " " << error;
    if (!k.ok) {
      EXPECT_NE(error.find(k.errorPart), std::string::npos) << error;
    }
  }
  TRenderOptions o;
  std::string error;
  ASSERT_TRUE(ParseRenderOptions({"--formula", "19", "--window", "-1.5,1,3", "-o", "x.JPG", "-q", "95",
                                  "--progressive", "--threads", "2", "--values", "v.bin"},
                                 o, error));
  EXPECT_EQ(o.Formula, 19);
  EXPECT_EQ(o.Window.X(), -1.5L);
  EXPECT_EQ(o.Window.W(), 3.0L);
  EXPECT_EQ(o.Type, TImageType::Jpeg);
  EXPECT_EQ(o.Quality, 95);
  EXPECT_TRUE(o.Progressive);
  EXPECT_EQ(o.Threads, 2);
  EXPECT_EQ(o.ValuesPath, "v.bin");
  EXPECT_EQ(o.Width, 640);  // without a spot file the default size
  EXPECT_EQ(o.Height, 480);
  EXPECT_FALSE(ParseRenderOptions({"--help"}, o, error));
  EXPECT_TRUE(error.empty());
  // The parser starts afresh on every call, whatever the last one left.
  for (int round = 0; round < 2; ++round) {
    o = {};
    ASSERT_TRUE(ParseRenderOptions({"-o", "o.png", "--threads=3", "--", "-x.frs"}, o, error)) << error;
    EXPECT_EQ(o.SpotPath, "-x.frs");
    EXPECT_EQ(o.Threads, 3);
    o = {};
    ASSERT_TRUE(ParseRenderOptions({"s.frs", "--outp=o.bmp", "-q", "9"}, o, error)) << error;
    EXPECT_EQ(o.SpotPath, "s.frs");
    EXPECT_EQ(o.OutputPath, "o.bmp");
    EXPECT_EQ(o.Quality, 9);
  }
  for (const auto& [arg, action] : {std::pair{"--version", TRenderAction::Version},
                                    {"--list-formulas", TRenderAction::ListFormulas}, {"-h", TRenderAction::Help}}) {
    o = {};
    EXPECT_FALSE(ParseRenderOptions({"-o", "o.png", arg, "--bogus"}, o, error)) << arg;
    EXPECT_EQ(error, "") << arg;
    EXPECT_EQ(o.Action, action) << arg;
  }
}

class RenderCli : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("px-cli-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }
  // Runs pelmorix-render with the arguments; returns its exit status.
  // `prefix` runs it through another program (another user, for example).
  int Run(const std::string& args, const std::string& prefix = "") {
    const std::string cmd = prefix + "'" + ProgramFile("pelmorix-render") + "'" + (Quiet ? " --quiet " : " ") + args + " >'" +
                            (Dir / "stdout.txt").string() + "' 2>'" + (Dir / "stderr.txt").string() + "'";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Slurp(const fs::path& p) { return ReadBytes(p.string()); }
  std::string P(const std::string& name) { return (Dir / name).string(); }
  fs::path Dir;
  bool Quiet = true;
};

TEST_F(RenderCli, RendersASpotAtItsDrawSizeWithValues) {
  std::ofstream(P("s.frs")) << "[DrawSize]\nX_Size=30\nY_Size=21\n[Fractal]\nNumber=0\nX_Coord=-2\nY_Coord=1.2\n"
                               "W_Coord=3\nAutoIter=0\nMaxIter=50\nBailOut=4\n";
  ASSERT_EQ(Run("'" + P("s.frs") + "' -o '" + P("s.bmp") + "' --values '" + P("v.bin") + "' --threads 2"), 0)
      << Slurp(Dir / "stderr.txt");
  const std::string bmp = Slurp(Dir / "s.bmp");
  ASSERT_EQ(bmp.size(), 54u + 3 * 32 * 24);  // padded to 32 x 24
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  const std::string values = Slurp(Dir / "v.bin");
  ASSERT_EQ(values.size(), size_t(30 * 21 * 3 * sizeof(float)));
  // The dump holds what the formula gives at each pixel.
  TFormulaContext ctx;
  ctx.MaxIter = 50;
  ctx.BailOut = 4;
  const Extended step = 3.0L / 29;
  const float* v = reinterpret_cast<const float*>(values.data());
  for (int py = 0; py < 21; py += 5)
    for (int px = 0; px < 30; px += 7) {
      const TPixelChannels c = EvaluatePixel(&ctx, double(-2.0L + px * step), double(1.2L - py * step));
      EXPECT_EQ(v[(py * 30 + px) * 3], c.Value[0]) << px << "," << py;
    }
}

// --fast renders the doubles' values: at a low limit the very values of the
// exact render, and the spot is the same file afterwards.
TEST_F(RenderCli, FastRendersTheSameValuesAtALowLimit) {
  std::ofstream(P("s.frs")) << "[DrawSize]\nX_Size=30\nY_Size=21\n[Fractal]\nNumber=0\nX_Coord=-2\nY_Coord=1.2\n"
                               "W_Coord=3\nAutoIter=0\nMaxIter=50\nBailOut=4\n";
  const std::string spot = Slurp(Dir / "s.frs");
  for (const char* fast : {"", " --fast"}) {
    ASSERT_EQ(Run("'" + P("s.frs") + "' -o '" + P("s.bmp") + "' --values '" + P(fast[0] ? "f.bin" : "e.bin") +
                  "'" + fast),
              0)
        << Slurp(Dir / "stderr.txt");
  }
  const std::string exact = Slurp(Dir / "e.bin");
  ASSERT_EQ(exact.size(), size_t(30 * 21 * 3 * sizeof(float)));
  EXPECT_EQ(Slurp(Dir / "f.bin"), exact);
  EXPECT_EQ(Slurp(Dir / "s.frs"), spot);
}

// A formula that would draw nothing is refused: a wrong --formula is a wrong
// command line (2), a spot file's a failure (1).
TEST_F(RenderCli, RefusesWhatItCannotDrawAndWritesAllOrNothing) {
  std::ofstream(P("n.frs")) << "[Fractal]\nNumber=2000\n";
  std::ofstream(P("neg.frs")) << "[Fractal]\nNumber=-4\n";
  std::ofstream(P("505.frs")) << "[Fractal]\nNumber=505\n";
  std::ofstream(P("user.frs")) << "[Fractal]\nNumber=3000\n[UserFrm]\nStringCount=0\n";
  std::ofstream(P("ifs.frs")) << "[Fractal]\nNumber=1001\nIFSNumber=99\n";
  const std::string nothing = " has nothing to render: the renderer draws 0..76, 500..508 but 505, 1000, 1001 and "
                              "3000 (see --list-formulas)";
  const std::string noLines = "formula 3000, the user formula, has no lines to compile";
  const struct {
    std::string args;
    int status;
    std::string error;
  } refusals[] = {
      {"--formula 2000", 2, "formula number 2000" + nothing + "\nTry 'pelmorix-render --help'.\n"},
      {"--formula 1002", 2, "formula number 1002" + nothing},
      {"--formula 2999", 2, "formula number 2999" + nothing},
      {"--formula 3001", 2, "formula number 3001" + nothing},
      {"--formula 77", 2, "formula number 77" + nothing},
      {"--formula 499", 2, "formula number 499" + nothing},
      {"--formula 505", 2, "formula number 505" + nothing},
      {"--formula 509", 2, "formula number 509" + nothing},
      {"--formula -1", 2, "formula number -1" + nothing},
      {"--formula 3000", 2, noLines},
      {"--formula 1001", 2, "formula 1001 draws an IFS: give an IFS file (.fri) or a spot file with its IFSNumber"},
      {"'" + P("n.frs") + "'", 1, "formula number 2000" + nothing},
      {"'" + P("505.frs") + "'", 1, "formula number 505" + nothing},
      {"'" + P("neg.frs") + "'", 1, "the spot file's formula number is negative: nothing to render"},
      {"'" + P("user.frs") + "'", 1, noLines},
      {"'" + P("ifs.frs") + "'", 1,
       "the IFS library \"" + ProgramFile("px.ifs") + "\" holds no IFS 99: nothing to render"},
      // The value dump cannot be written: the image must not stay behind.
      {"--values '" + P("nofolder/v.bin") + "'", 1, "Cannot write"},
      {"--values '" + Dir.string() + "'", 1, "Cannot write"},
  };
  for (const auto& k : refusals) {
    fs::remove(Dir / "a.bmp");
    EXPECT_EQ(Run(k.args + " --size 2x2 -o '" + P("a.bmp") + "'"), k.status) << k.args;
    EXPECT_FALSE(fs::exists(Dir / "a.bmp")) << k.args;
    EXPECT_NE(Slurp(Dir / "stderr.txt").find(k.error), std::string::npos) << Slurp(Dir / "stderr.txt");
    // An image that was there before the failed run stays as it was.
    WriteBytes(P("a.bmp"), "old");
    EXPECT_EQ(Run(k.args + " --size 2x2 -o '" + P("a.bmp") + "'"), k.status) << k.args;
    EXPECT_EQ(Slurp(Dir / "a.bmp"), "old") << k.args;
  }
  // A read-only image (or value dump) is not replaced, even by root.
  for (const std::string& readOnly : {P("a.bmp"), P("v.bin")}) {
    WriteBytes(P("a.bmp"), "old");
    WriteBytes(P("v.bin"), "old values");
    fs::permissions(readOnly, fs::perms(0444));
    EXPECT_EQ(Run("--size 2x2 -o '" + P("a.bmp") + "' --values '" + P("v.bin") + "'"), 1);
    EXPECT_NE(Slurp(Dir / "stderr.txt").find("Cannot write \"" + readOnly + "\": the file is read-only"),
              std::string::npos)
        << Slurp(Dir / "stderr.txt");
    EXPECT_EQ(Slurp(Dir / "a.bmp"), "old");
    EXPECT_EQ(Slurp(Dir / "v.bin"), "old values");
    fs::permissions(readOnly, fs::perms(0644));
  }
}

// The library IFS of the program folder, drawn as the program draws it.
TEST_F(RenderCli, RendersTheLibraryIFS) {
  std::ofstream(P("i.frs")) << "[DrawSize]\nX_Size=40\nY_Size=30\n[Fractal]\nNumber=1001\nIFSNumber=0\n"
                               "X_Coord=-0.1\nY_Coord=0.6\nW_Coord=1.2\nAutoIter=0\nMaxIter=10\nIFScounter=100\n";
  ASSERT_EQ(Run("'" + P("i.frs") + "' -o '" + P("i.bmp") + "' --values '" + P("i.bin") + "'"), 0)
      << Slurp(Dir / "stderr.txt");
  const std::string values = Slurp(Dir / "i.bin");
  ASSERT_EQ(values.size(), size_t(40 * 30 * 3 * sizeof(float)));
  // In bands, every band draws the same points from the same start.
  ASSERT_EQ(Run("'" + P("i.frs") + "' --band-rows 7 -o '" + P("j.bmp") + "' --values '" + P("j.bin") + "'"), 0);
  EXPECT_EQ(Slurp(Dir / "j.bin"), values);
  EXPECT_EQ(Slurp(Dir / "j.bmp"), Slurp(Dir / "i.bmp"));

  const TIFSLibrary saved = IFSLibrary;
  std::vector<std::string> names;
  ASSERT_EQ(LoadIFSLibrary(ProgramFile("px.ifs"), IFSLibrary, names), "");
  ASSERT_EQ(names.at(0), "Sierpinski triangle");
  SeedIFSRandom(1);  // where the renderer's sequence starts
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 40, 30, &canvas);
  doc.LoadSpot(P("i.frs"));
  WaitForRender(doc);
  IFSLibrary = saved;
  const float* dump = reinterpret_cast<const float*>(values.data());
  int32_t hit = 0;
  for (int32_t py = 0; py < 30; ++py)
    for (int32_t px = 0; px < 40 * 3; ++px) {
      const float v = doc.ValueBuffer()[py * doc.BufWidth() * 3 + px];
      EXPECT_EQ(dump[py * 40 * 3 + px], v) << px / 3 << "," << py;
      hit += v > 0;
    }
  EXPECT_GT(hit, 3 * 100);  // 1001 points over the triangle
}

TEST_F(RenderCli, PngHasTheBitmapsPixelsAndTheSpotAsText) {
  const std::string args = "--formula 1 --window -1.6,1.6,3.2 --size 41x30 --maxiter 77 -o '";
  ASSERT_EQ(Run(args + P("f.png") + "'"), 0) << Slurp(Dir / "stderr.txt");
  ASSERT_EQ(Run(args + P("f.bmp") + "'"), 0) << Slurp(Dir / "stderr.txt");
  const TDecodedPng png = DecodePng(Slurp(Dir / "f.png"));
  const std::string bmp = Slurp(Dir / "f.bmp");
  ASSERT_TRUE(png.Ok);
  ASSERT_EQ(png.Width, 41);
  ASSERT_EQ(png.Height, 30);
  const size_t paddedWidth = 44, paddedHeight = 32;
  for (size_t y = 0; y < 30; ++y)
    for (size_t x = 0; x < 41; ++x)
      for (size_t c = 0; c < 3; ++c)
        ASSERT_EQ(png.Rgb[(y * 41 + x) * 3 + c], uint8_t(bmp[54 + ((paddedHeight - 1 - y) * paddedWidth + x) * 3 + 2 - c]))
            << x << "," << y;
  std::map<std::string, std::string> text = png.Text;
  // The whole spot comes last, as a spot file of the picture's size.
  const std::string start = "[DrawSize]\nX_Size=41\nY_Size=30\n\n[Fractal]\nX_Coord=-1.6\n";
  EXPECT_EQ(text["Pelmorix spot"].substr(0, start.size()), start);
  text.erase("Pelmorix spot");
  const std::map<std::string, std::string> keys = {{"Software", "Pelmorix"}, {"Number", "1"}, {"X_Coord", "-1.6"},
                                                   {"Y_Coord", "1.6"},        {"W_Coord", "3.2"}, {"MaxIter", "77"}};
  EXPECT_EQ(text, keys);
}

// A PNG or JPEG the renderer wrote renders as the spot it was made from; a
// picture without one is refused.
TEST_F(RenderCli, APictureRendersAsItsSpot) {
  std::ofstream(P("s.frs")) << "[DrawSize]\nX_Size=30\nY_Size=21\n[Fractal]\nNumber=0\nX_Coord=-1.6\nY_Coord=1.2\n"
                               "W_Coord=3.2\nAutoIter=0\nMaxIter=90\nJulieSet=1\nPJreal=-0.8\nPJimag=0.156\n";
  for (const char* out : {"s.bmp", "s.png", "s.jpg"})
    ASSERT_EQ(Run("'" + P("s.frs") + "' -o '" + P(out) + "'"), 0) << Slurp(Dir / "stderr.txt");
  for (const char* picture : {"s.png", "s.jpg"}) {
    ASSERT_EQ(Run("'" + P(picture) + "' -o '" + P("p.bmp") + "'"), 0) << Slurp(Dir / "stderr.txt");
    EXPECT_EQ(Slurp(Dir / "p.bmp"), Slurp(Dir / "s.bmp")) << picture;
  }
  // The same JPEG without its comment holds no spot.
  const std::string jpeg = Slurp(Dir / "s.jpg");
  const size_t at = jpeg.find("\xFF\xFE");
  ASSERT_NE(at, std::string::npos);
  const std::string bare = jpeg.substr(0, at) + jpeg.substr(at + 2 + (uint8_t(jpeg[at + 2]) << 8 | uint8_t(jpeg[at + 3])));
  std::ofstream(P("bare.jpg"), std::ios::binary) << bare;
  EXPECT_EQ(Run("'" + P("bare.jpg") + "' -o '" + P("b.bmp") + "'"), 1);
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("\"" + P("bare.jpg") + "\": the picture holds no Pelmorix spot"),
            std::string::npos)
      << Slurp(Dir / "stderr.txt");
  EXPECT_FALSE(fs::exists(P("b.bmp")));
}

TEST_F(RenderCli, AWindowKeepsEveryDigitItIsGiven) {
  // A 1e-30 view near c = i: the rounding of its corner to extended reals
  // lies thousands of widths away.
  const std::string x = "-0.0000000000000000000000000000015", y = "1.0000000000000000000000000000005";
  ASSERT_EQ(Run("--window " + x + "," + y + ",3e-30 --size 40x30 --maxiter 3000 -o '" + P("d.png") + "'"), 0)
      << Slurp(Dir / "stderr.txt");
  const TDecodedPng png = DecodePng(Slurp(Dir / "d.png"));
  ASSERT_TRUE(png.Ok);
  EXPECT_EQ(png.Text.at("X_Deep"), "-1.5e-30");
  EXPECT_EQ(png.Text.at("Y_Deep"), y);
  EXPECT_GT(std::set<uint8_t>(png.Rgb.begin(), png.Rgb.end()).size(), 20u);
}

// The bar is drawn on a terminal only: `script` gives the run one, and
// writes what it shows to the file.
TEST_F(RenderCli, TheProgressBarShowsADeepViewsReferenceOrbitFirst) {
  Quiet = false;
  for (const bool deep : {true, false}) {
    std::ofstream(P("s.frs")) << "[DrawSize]\nX_Size=12\nY_Size=9\n[Fractal]\nX_Coord=-0.75\nY_Coord=0.1\nW_Coord="
                              << (deep ? "1e-20" : "0.001") << "\nMaxIter=500\nAutoIter=0\n";
    const std::string args = "'" + P("s.frs") + "' -o '" + P("s.png") + "'";
    ASSERT_EQ(Run(args), 0) << Slurp(Dir / "stderr.txt");
    EXPECT_EQ(Slurp(Dir / "stderr.txt"), "");
    const std::string command = "'" + ProgramFile("pelmorix-render") + "' " + args;
    ASSERT_EQ(std::system(("script -qec \"" + command + "\" /dev/null >'" + P("tty.txt") + "' </dev/null").c_str()), 0);
    const std::string bar = Slurp(Dir / "tty.txt");
    const size_t reference = bar.find("\rreference orbit [");
    EXPECT_EQ(reference != std::string::npos, deep) << bar;
    EXPECT_NE(bar.find("] 100%"), std::string::npos) << bar;
    if (deep) {
      EXPECT_LT(reference, bar.rfind("\r[")) << bar;
    }
    ASSERT_EQ(std::system(("script -qec \"" + command + " --quiet\" /dev/null >'" + P("tty.txt") + "' </dev/null").c_str()),
              0);
    EXPECT_EQ(Slurp(Dir / "tty.txt"), "");
  }
}

// What a run that writes nothing prints on stdout, and its exit status: 0
// for the texts, 2 for a wrong command line (with the hint), 1 for a failed
// render or write, 130 for an interrupted movie.
TEST_F(RenderCli, ExitStatusTellsAWrongCommandLineFromAFailure) {
  Quiet = false;
  std::ofstream(P("s.frs")) << "[DrawSize]\nX_Size=8\nY_Size=8\n[Fractal]\nW_Coord=3\n";
  const std::string hint = "\nTry 'pelmorix-render --help'.\n";
  const struct {
    std::string args;
    int status;
    std::string out, err;  // the first line (stdout) and the whole of stderr; "*": not looked at
  } rows[] = {
      {"--version", 0, std::string("pelmorix-render ") + ProgramVersion(), ""},
      {"--help", 0, "usage: pelmorix-render [SPOT.frs | PICTURE.png | IFS.fri | FILE.fr3] -o OUT.bmp|OUT.jpg|OUT.png [options]", ""},
      {"--zoom-movie --help", 0, "usage: pelmorix-render --zoom-movie A.frs B.frs [C.frs ...] -o OUT.avi|OUT.mp4|OUT.mkv [options]", ""},
      {"--list-formulas", 0, "   0  Classic Mandelbrot", ""},
      {"--bogus", 2, "", "pelmorix-render: unknown option --bogus" + hint},
      {"-o", 2, "", "pelmorix-render: option -o needs a value" + hint},
      {"--size=3 -o x.png", 2, "", "pelmorix-render: bad --size \"3\": expected WxH with W from 2 and H from 1 up to 1048576" + hint},
      {"", 2, "", "pelmorix-render: no output file given (-o OUT.bmp, OUT.jpg or OUT.png)" + hint},
      {"'" + P("s.frs") + "' --window 0,0,1 -o x.png", 2, "", "pelmorix-render: --formula and --window go without a spot file" + hint},
      {"--size 12000x10 --antialias -o x.png", 2, "", "*"},
      {"--zoom-movie a.frs -o x.avi", 2, "",
       "pelmorix-render: a zoom movie needs at least two spot files\nTry 'pelmorix-render --zoom-movie --help'.\n"},
      {"--morph --smooth=fluent a.fri b.fri -o x.avi", 2, "",
       "pelmorix-render: option --smooth is not offered for a morph\nTry 'pelmorix-render --morph --help'.\n"},
      {"'" + P("missing.frs") + "' -o x.png", 1, "", "pelmorix-render: cannot open spot file \"" + P("missing.frs") + "\": no such file\n"},
      {"'" + P("s.frs") + "' -o '" + P("no/x.png") + "'", 1, "", "*"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Run(r.args), r.status) << r.args;
    const std::string out = Slurp(Dir / "stdout.txt");
    EXPECT_EQ(out.substr(0, out.find('\n')), r.out) << r.args;
    if (r.err != "*") {
      EXPECT_EQ(Slurp(Dir / "stderr.txt"), r.err) << r.args;
    }
  }
  // Ctrl-C ends a movie of long frames at once.
  std::ofstream(P("slow.frs")) << "[DrawSize]\nX_Size=2000\nY_Size=2000\n[Fractal]\nX_Coord=-0.75\nY_Coord=0.1\n"
                                  "W_Coord=0.001\nMaxIter=100000\nAutoIter=0\n";
  // The signal is sent once the clip is open in its own folder, however slowly the program starts.
  fs::create_directories(Dir / "movie");
  const std::string movie = "'" + ProgramFile("pelmorix-render") + "' --quiet --zoom-movie '" + P("slow.frs") + "' '" +
                            P("slow.frs") + "' -o '" + P("movie/m.avi") + "' 2>'" + P("stderr.txt") + "' & pid=$!; " +
                            "n=0; while [ -z \"$(ls -A '" + P("movie") + "')\" ] && [ $n -lt 400 ]; do sleep 0.05; n=$((n+1)); done; " +
                            "sleep 0.2; " +
                            "kill -INT $pid; wait $pid";
  const int status = std::system(movie.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("pelmorix-render: interrupted; "), std::string::npos)
      << Slurp(Dir / "stderr.txt");
}

TEST_F(RenderCli, ListsTheFormulaCatalogue) {
  ASSERT_EQ(Run("--list-formulas"), 0);
  const std::string list = Slurp(Dir / "stdout.txt");
  EXPECT_EQ(list.substr(0, list.find('\n', list.find('\n') + 1) + 1), "   0  Classic Mandelbrot\n   1  Cubed Mandelbrot\n");
  EXPECT_EQ(list.substr(list.rfind('\n', list.size() - 2) + 1), "  16  --- Test ---\n");
  // One line a formula, the separators left out.
  EXPECT_EQ(size_t(std::count(list.begin(), list.end(), '\n')), size_t(kFormulaCatalogueSize - 7));
  EXPECT_NE(list.find("\n 506  Orbital: Feather\n"), std::string::npos);
  ASSERT_EQ(Run("--version"), 0);
  EXPECT_EQ(Slurp(Dir / "stdout.txt"), std::string("pelmorix-render ") + ProgramVersion() + "\n" + LicenceNotice());
}

TEST_F(RenderCli, MaxIterReplacesTheSpotsLimitAndGoesPastTheCapOnlyOnADeepView) {
  struct {
    const char *width, *maxIter;
    int status;
    const char* said;  // the limit in the image's spot text, or what stderr says
  } rows[] = {
      {"1e-20", "2000000", 0, "2000000"},
      {"0.001", "500", 0, "500"},
      {"0.001", "2000000", 2, "bad --maxiter \"2000000\": expected 1..100000\n"},
      {"1e-20", "100000001", 2, "bad --maxiter \"100000001\": expected 1..100000, or up to 100000000"},
  };
  for (const auto& r : rows) {
    std::ofstream(P("s.frs")) << "[DrawSize]\nX_Size=12\nY_Size=9\n[Fractal]\nX_Coord=1.25\nY_Coord=0.5\nW_Coord="
                              << r.width << "\nMaxIter=50\n";
    fs::remove(P("s.png"));
    ASSERT_EQ(Run("'" + P("s.frs") + "' --maxiter " + r.maxIter + " -o '" + P("s.png") + "'"), r.status)
        << r.width << " " << r.maxIter << ": " << Slurp(Dir / "stderr.txt");
    if (r.status == 0) {
      EXPECT_EQ(DecodePng(Slurp(Dir / "s.png")).Text["MaxIter"], r.said) << r.width << " " << r.maxIter;
    } else {
      EXPECT_NE(Slurp(Dir / "stderr.txt").find(r.said), std::string::npos) << Slurp(Dir / "stderr.txt");
      EXPECT_FALSE(fs::exists(Dir / "s.png"));
    }
  }
}

TEST_F(RenderCli, FormulaToJpegAndFailuresLeaveNoFile) {
  ASSERT_EQ(Run("--formula 1 --window -1.6,1.6,3.2 --size 40x30 -o '" + P("f.jpg") + "' -q 90"), 0);
  const std::string jpg = Slurp(Dir / "f.jpg");
  ASSERT_GT(jpg.size(), 100u);
  EXPECT_EQ(uint8_t(jpg[0]), 0xFF);
  EXPECT_EQ(uint8_t(jpg[1]), 0xD8);

  EXPECT_NE(Run("'" + P("missing.frs") + "' -o '" + P("m.bmp") + "'"), 0);
  EXPECT_FALSE(fs::exists(Dir / "m.bmp"));
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("cannot open spot file"), std::string::npos);

  std::ofstream(P("bad.frs")) << "[DrawSize]\nX_Size=20\nY_Size=20\n[Fractal]\nX_Coord=oops\n";
  EXPECT_NE(Run("'" + P("bad.frs") + "' -o '" + P("b.bmp") + "'"), 0);
  EXPECT_FALSE(fs::exists(Dir / "b.bmp"));
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("Unable to load Spot-file !"), std::string::npos);

  std::ofstream(P("huge.frs")) << "[DrawSize]\nX_Size=900000\nY_Size=900000\n";
  EXPECT_NE(Run("'" + P("huge.frs") + "' -o '" + P("h.bmp") + "'"), 0);
  EXPECT_FALSE(fs::exists(Dir / "h.bmp"));

  EXPECT_NE(Run("--size 20x20 -o '" + P("nofolder/x.bmp") + "'"), 0);
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("Cannot write"), std::string::npos);
}

// Buffers the process cannot have are refused before any of them is taken:
// with a gigabyte of address space, bands of the whole picture's height
// would take a 1.2 GB image, which is never asked for.
TEST_F(RenderCli, SizePastTheBufferLimitIsRefusedBeforeAnyAllocation) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizers reserve more address space than the limit";
#endif
  EXPECT_EQ(Run("--size 20000x20000 --band-rows 20000 -o '" + P("big.bmp") + "'", "ulimit -v 1000000; "), 1);
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("Unable to get 1,200,000,000 bytes: out of memory"), std::string::npos)
      << Slurp(Dir / "stderr.txt");
  EXPECT_FALSE(fs::exists(Dir / "big.bmp"));
}

TEST_F(RenderCli, AntiAliasRendersTwiceTheSizeAndWritesTheSmoothedHalf) {
  const std::string spot = "--formula 0 --window -0.8,0.2,0.1 --maxiter 200 ";
  ASSERT_EQ(Run(spot + "--size 30x22 -o '" + P("full.bmp") + "'"), 0) << Slurp(Dir / "stderr.txt");
  ASSERT_EQ(Run(spot + "--size 15x11 --antialias -o '" + P("aa.bmp") + "' --values '" + P("v.bin") + "'"), 0)
      << Slurp(Dir / "stderr.txt");
  EXPECT_EQ(fs::file_size(Dir / "v.bin"), uintmax_t(30 * 22 * 3 * sizeof(float)));  // the render itself

  // The written image is the anti-aliased half of the full-size render.
  const std::string full = Slurp(Dir / "full.bmp"), aa = Slurp(Dir / "aa.bmp");
  ASSERT_EQ(full.size(), 54u + 3 * 32 * 24);
  ASSERT_EQ(aa.size(), 54u + 3 * 16 * 12);
  TBitmapInfoHeader header;
  std::memcpy(&header, full.data() + 14, sizeof header);
  const TAntiAliasSize size = AntiAliasSizeOf(30, 22);
  std::vector<uint8_t> expected(size_t(size.PixelCount) * 3, 0);
  AntiAliasImage({&header, reinterpret_cast<const uint8_t*>(full.data() + 54), 30, 22}, size, expected.data());
  EXPECT_EQ(aa.substr(54), std::string(expected.begin(), expected.end()));

  EXPECT_NE(Run("--size 12000x10 --antialias -o '" + P("big.bmp") + "'"), 0);
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("--antialias renders at twice the size"), std::string::npos);
  EXPECT_FALSE(fs::exists(Dir / "big.bmp"));
}

}  // namespace

namespace {

TEST_F(RenderCli, DrawsAnIFSFileWithItsWindowAndPalette) {
  // Sierpinski's triangle with corners (0, 0), (10, 0) and (0, 10) in the
  // window from (-10, 10), 20 wide: the upper right quarter of the image.
  const std::string fri =
      "[IFS]\nName=Sierpinski\nCount=3\n"
      "Frm0A=0.5\nFrm0D=0.5\nFrm0P=0.34\nFrm1A=0.5\nFrm1D=0.5\nFrm1E=5\nFrm1P=0.33\n"
      "Frm2A=0.5\nFrm2D=0.5\nFrm2F=5\nFrm2P=0.34\n"
      "[Fractal]\nX_Coord=-10\nY_Coord=10\nW_Coord=20\nMaxIter=40\n[Colors]\nColorOrder=5\n";
  std::ofstream(P("s.FRI")) << fri;
  ASSERT_EQ(Run("'" + P("s.FRI") + "' --size 60x60 -o '" + P("s.bmp") + "' --values '" + P("v.bin") + "'"), 0)
      << Slurp(Dir / "stderr.txt");
  const std::string bmp = Slurp(Dir / "s.bmp");
  ASSERT_EQ(bmp.size(), 54u + 3 * 60 * 60);
  const std::string values = Slurp(Dir / "v.bin");
  ASSERT_EQ(values.size(), size_t(60 * 60 * 3 * sizeof(float)));
  const float* v = reinterpret_cast<const float*>(values.data());
  TFPal palette;
  palette.LoadFromFile(P("s.FRI"));
  int lit = 0;
  for (int row = 0; row < 60; ++row)
    for (int col = 0; col < 60; ++col) {
      const float hits = v[(row * 60 + col) * 3];
      if (hits == 0) continue;
      ++lit;
      // x >= 0, y >= 0 and x + y <= 10, a pixel of rounding aside.
      EXPECT_GE(col, 29) << col << "," << row;
      EXPECT_LE(row, 30) << col << "," << row;
      EXPECT_LE(col - row, 31) << col << "," << row;
      const TColor3 c = palette.ColorOf(hits, hits, hits);
      const size_t at = 54 + (size_t(59 - row) * 60 + col) * 3;
      EXPECT_EQ(uint8_t(bmp[at]), c.Blue);
      EXPECT_EQ(uint8_t(bmp[at + 1]), c.Green);
      EXPECT_EQ(uint8_t(bmp[at + 2]), c.Red);
    }
  EXPECT_GT(lit, 150);

  // Bad files: no image, a clear reason.
  const struct {
    const char* name;
    const char* text;
    const char* reason;
  } bad[] = {
      {"nan.fri", "[IFS]\nCount=1\nFrm0A=nan\n", "not a valid floating point"},
      {"huge.fri", "[IFS]\nCount=1\nFrm0E=1e39\n", "not a valid floating point"},
      {"missing.fri", nullptr, "cannot open IFS file"},
      {"flat.fri", "[IFS]\nCount=0\n[Fractal]\nW_Coord=-0\n", "'-0' is not a valid floating point"},
      {"nanx.fri", "[IFS]\nCount=0\n[Fractal]\nX_Coord=nan\n", "'nan' is not a valid floating point"},
      {"wide.fri", "[IFS]\nCount=0\n[Fractal]\nW_Coord=1e4000\n", "'1e4000' is not a valid floating point"},
      {"bytes.fri", "\x93\x01garbage\xff\n", "is not an IFS file"},
  };
  for (const auto& b : bad) {
    if (b.text) std::ofstream(P(b.name)) << b.text;
    EXPECT_NE(Run("'" + P(b.name) + "' -o '" + P("b.bmp") + "'"), 0) << b.name;
    EXPECT_FALSE(fs::exists(Dir / "b.bmp")) << b.name;
    EXPECT_NE(Slurp(Dir / "stderr.txt").find(b.reason), std::string::npos) << Slurp(Dir / "stderr.txt");
  }
  fs::create_directory(Dir / "dir.fri");
  EXPECT_NE(Run("'" + P("dir.fri") + "' -o '" + P("b.bmp") + "'"), 0);
  EXPECT_FALSE(fs::exists(Dir / "b.bmp"));
}

TEST_F(RenderCli, UnreadableSpotFailsAndSpotWithoutKeysWarns) {
  // Root reads any file: the unreadable file is tried as another user.
  const bool root = ::geteuid() == 0;
  fs::permissions(Dir, fs::perms::all);
  std::ofstream(P("locked.frs")) << "[Fractal]\nNumber=1\n";
  fs::permissions(P("locked.frs"), fs::perms::none);
  fs::create_directories(Dir / "folder.frs");
  std::ofstream(P("empty.frs"));
  std::ofstream(P("nonsense.frs")) << "hello\n\x01\x02 = [\n";
  std::ofstream(P("palette.frs")) << "[Colors]\nPalette type=1\n";
  std::ofstream(P("good.frs")) << "[Fractal]\nMaxIter=20\n";
  const std::string warning = "warning: no key found in section [Fractal] of";
  struct {
    const char* spot;
    std::string prefix;
    int exit;
    std::string message;  // in stderr; empty: stderr stays empty
  } cases[] = {
      {"locked.frs", root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "", 1,
       "cannot read spot file \"" + P("locked.frs") + "\": Permission denied"},
      {"folder.frs", "", 1, "cannot read spot file \"" + P("folder.frs") + "\": it is a folder"},
      {"missing.frs", "", 1, "cannot open spot file \"" + P("missing.frs") + "\": no such file"},
      {"empty.frs", "", 0, warning},
      {"nonsense.frs", "", 0, warning},
      {"palette.frs", "", 0, warning},
      {"good.frs", "", 0, ""},
  };
  for (const auto& c : cases) {
    fs::remove(Dir / "out.bmp");
    EXPECT_EQ(Run("'" + P(c.spot) + "' --size 8x8 -o '" + P("out.bmp") + "'", c.prefix), c.exit) << c.spot;
    const std::string err = Slurp(Dir / "stderr.txt");
    if (c.message.empty()) EXPECT_EQ(err, "") << c.spot;
    else EXPECT_NE(err.find(c.message), std::string::npos) << c.spot << ": " << err;
    EXPECT_EQ(fs::exists(Dir / "out.bmp"), c.exit == 0) << c.spot;
  }
}

}  // namespace

namespace {

// Rows first..first+count of a PNG's top-down RGB pixels.
std::vector<uint8_t> PngRows(const TDecodedPng& png, int32_t first, int32_t count) {
  const size_t row = size_t(png.Width) * 3;
  return {png.Rgb.begin() + ptrdiff_t(row * first), png.Rgb.begin() + ptrdiff_t(row * (first + count))};
}

}  // namespace

// A picture written band by band is the picture written whole: the bytes of
// the in-memory PNG, and bands of --band K/N joined top to bottom give its
// pixels, shallow and deep, plain and anti-aliased.
TEST_F(RenderCli, BandsJoinIntoTheWholePicture) {
  const std::string shallow = "--formula 0 --window -0.8,0.2,0.1 --maxiter 300 --size 61x45";
  {
    TRecordingCanvas canvas;
    TFractal doc(-1, 0, 0, 0, 61, 45, &canvas);
    doc.AutoIter = false;
    doc.Ctx.MaxIter = 300;
    doc.SetFormula(0, -0.8L, 0.2L, 0.1L);
    WaitForRender(doc);
    ASSERT_EQ(Run(shallow + " --band-rows 4 -o '" + P("s.png") + "'"), 0) << Slurp(Dir / "stderr.txt");
    EXPECT_EQ(Slurp(Dir / "s.png"), PngFileBytes(doc.BitmapHeader(), doc.ImageBuffer(), 61, 45, SpotImageText(doc)));
  }
  const std::string deep =
      "--formula 0 --window -0.743643887037158704752191506114774,0.131825904205311970493132056385139,1e-30 "
      "--size 61x45";
  for (const std::string& view : {shallow, deep, shallow + " --antialias", deep + " --antialias --fast"}) {
    SCOPED_TRACE(view);
    ASSERT_EQ(Run(view + " -o '" + P("whole.png") + "'"), 0) << Slurp(Dir / "stderr.txt");
    const TDecodedPng whole = DecodePng(Slurp(Dir / "whole.png"));
    ASSERT_TRUE(whole.Ok);
    std::vector<uint8_t> joined;
    for (int k = 1; k <= 4; ++k) {
      ASSERT_EQ(Run(view + " --band " + std::to_string(k) + "/4 --band-rows 3 -o '" + P("b.png") + "'"), 0)
          << Slurp(Dir / "stderr.txt");
      const TDecodedPng band = DecodePng(Slurp(Dir / "b.png"));
      ASSERT_EQ(band.Width, whole.Width);
      const int32_t rows = (whole.Height + 3) / 4;
      EXPECT_EQ(band.Height, std::min(rows, whole.Height - (k - 1) * rows));
      joined.insert(joined.end(), band.Rgb.begin(), band.Rgb.end());
    }
    EXPECT_EQ(joined, PngRows(whole, 0, whole.Height));
  }
  // The value dump of a band holds the band's rows of the whole dump.
  ASSERT_EQ(Run(shallow + " -o '" + P("w.bmp") + "' --values '" + P("w.bin") + "'"), 0);
  ASSERT_EQ(Run(shallow + " --band 2/3 -o '" + P("b.bmp") + "' --values '" + P("b.bin") + "'"), 0);
  const size_t valueRow = 61 * 3 * sizeof(float);
  EXPECT_EQ(Slurp(Dir / "b.bin"), Slurp(Dir / "w.bin").substr(15 * valueRow, 15 * valueRow));
  EXPECT_EQ(Run(shallow + " --band 4/4 --size 61x3 -o '" + P("e.png") + "'"), 2);
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("bad --band \"4/4\": a picture 3 rows high makes 3 bands of 1 rows"),
            std::string::npos)
      << Slurp(Dir / "stderr.txt");
}

// A picture whose write fails or is interrupted midway leaves no file behind
// and the earlier picture as it was.
TEST_F(RenderCli, AFailedOrInterruptedPictureLeavesTheEarlierOne) {
  const auto noTemporaries = [&] {
    for (const auto& e : fs::directory_iterator(Dir))
      if (e.path().filename().string().rfind(".pelmorix-", 0) == 0) return false;
    return true;
  };
  std::ofstream(P("p.bmp")) << "old";
  // 400 x 300 x 3 bytes cannot pass a file size limit of 20 KiB.
  EXPECT_EQ(Run("--size 400x300 --band-rows 10 -o '" + P("p.bmp") + "'", "ulimit -f 20; "), 1);
  EXPECT_NE(Slurp(Dir / "stderr.txt").find("Cannot write \"" + P("p.bmp") + "\": File too large"), std::string::npos)
      << Slurp(Dir / "stderr.txt");
  EXPECT_EQ(Slurp(Dir / "p.bmp"), "old");
  EXPECT_TRUE(noTemporaries());

  std::ofstream(P("slow.frs")) << "[DrawSize]\nX_Size=2000\nY_Size=2000\n[Fractal]\nX_Coord=-0.75\nY_Coord=0.1\n"
                                  "W_Coord=0.001\nMaxIter=100000\nAutoIter=0\n";
  fs::create_directories(Dir / "out");
  std::ofstream(P("out/p.png")) << "old";
  // The signal comes once the first band is written into the temporary.
  const std::string command = "'" + ProgramFile("pelmorix-render") + "' --quiet '" + P("slow.frs") +
                              "' --band-rows 1 -o '" + P("out/p.png") + "' 2>'" + P("stderr.txt") +
                              "' & pid=$!; n=0; while [ \"$(stat -c %s '" + P("out") +
                              "'/.pelmorix-* 2>/dev/null || echo 0)\" -lt 100 ] && [ $n -lt 400 ]; do sleep 0.05; "
                              "n=$((n+1)); done; kill -INT $pid; wait $pid";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
  EXPECT_EQ(Slurp(Dir / "stderr.txt"), "pelmorix-render: interrupted; " + P("out/p.png") + " is left as it was\n");
  EXPECT_EQ(Slurp(Dir / "out/p.png"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir / "out"), fs::directory_iterator()), 1);
}
