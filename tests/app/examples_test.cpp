// SPDX-License-Identifier: GPL-3.0-or-later
// The files of examples/ (the ones the README's commands name) load with the
// program's readers: every spot, IFS and attractor file renders a picture
// with pelmorix-render, every palette reads back as it was saved.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "engine/palette.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "tests/png_decode.h"
#include "tests/test_files.h"

namespace {

namespace fs = std::filesystem;

const fs::path kExamples = PX_EXAMPLES_DIR;

TEST(Examples, HoldWhatTheReadmeNamesAndEveryFileLoads) {
  const std::set<std::string> named = {"mandelbrot.frs", "seahorse.frs", "seahorse-deep.frs", "julia.frs",
                                       "tentacles.frs",  "newton.frs",   "fire.frp",          "ocean.frp",
                                       "fern.fri",       "gasket.fri",   "dragon.fri",        "ribbons.fr3",
                                       "shell.fr3"};
  std::set<std::string> found;
  for (const fs::directory_entry& e : fs::directory_iterator(kExamples)) found.insert(e.path().filename().string());
  EXPECT_EQ(found, named);

  TScratchFolder dir("px-examples");
  for (const std::string& name : found) {
    SCOPED_TRACE(name);
    const std::string path = (kExamples / name).string();
    if (name.ends_with(".frp")) {
      const TProfileFile file(path);
      ASSERT_TRUE(TFPal::InProfile(file));
      TFPal palette;
      palette.LoadFromFile(path);
      palette.SaveToFile(dir.File(name));
      EXPECT_EQ(ReadBytes(dir.File(name)), ReadBytes(path));
      continue;
    }
    const std::string out = dir.File(name + ".png"), err = dir.File("stderr.txt");
    const std::string cmd = "'" + ProgramFile("pelmorix-render") + "' --quiet '" + path + "' --size 16x12 -o '" + out +
                            "' 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadBytes(err);
    EXPECT_EQ(ReadBytes(err), "");
    const TDecodedPng png = DecodePng(ReadBytes(out));
    ASSERT_TRUE(png.Ok);
    ASSERT_EQ(png.Width * png.Height, 16 * 12);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < png.Rgb.size(); i += 3)
      colours.insert(uint32_t(png.Rgb[i]) << 16 | uint32_t(png.Rgb[i + 1]) << 8 | png.Rgb[i + 2]);
    EXPECT_GE(colours.size(), 8u) << "a picture of almost one colour";
  }

  // The deep and the Julia spot are what their names promise.
  const TProfileFile deep((kExamples / "seahorse-deep.frs").string());
  EXPECT_LT(std::abs(ParseReal(deep.ReadString("Fractal", "W_Deep", "1"))), 1e-40L);
  EXPECT_NE(deep.ReadString("Fractal", "X_Deep", ""), "");
  const TProfileFile julia((kExamples / "julia.frs").string());
  EXPECT_TRUE(julia.ReadBool("Fractal", "JulieSet", false));
}

}  // namespace
