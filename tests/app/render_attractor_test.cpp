// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_attractor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "attractors/attractor.h"
#include "attractors/attractor_search.h"
#include "attractors/attractor_thread.h"
#include "tests/engine/recording_canvas.h"
#include "tests/test_files.h"
#include "ui/image_file.h"

namespace {

TEST(RenderAttractor, DrawsTheFileAsTheWindowDoes) {
  TScratchFolder dir;
  const std::string fr3 = dir.File("found.FR3");
  TRecordingCanvas canvas;
  T3dFractal doc(301, 200, &canvas);
  ASSERT_TRUE(SearchAttractor(doc, 2, 1234u));
  doc.RenderThread()->WaitFor();
  WriteBytes(fr3, "[DrawSize]\nX_Size=301\nY_Size=200\n");
  doc.SaveToFile(fr3);
  // What the window shows after loading the file.
  T3dFractal shown(301, 200, &canvas);
  shown.LoadFromFile(fr3);
  shown.RenderThread()->WaitFor();

  TRenderOptions options;
  options.SpotPath = fr3;
  options.OutputPath = dir.File("out.bmp");
  std::vector<std::pair<intptr_t, intptr_t>> progress;
  EXPECT_EQ(RenderAttractorFile(options, [&](intptr_t d, intptr_t t) { progress.emplace_back(d, t); }), "");
  const std::string bmp = ReadBytes(options.OutputPath);
  EXPECT_EQ(bmp.size(), 182454u);
  EXPECT_EQ(bmp, BitmapFileBytes(shown.BitmapHeader(), shown.ImageBuffer()));
  ASSERT_EQ(progress.size(), 3u);  // points 0, 10000 and the end of the 10001
  EXPECT_EQ(progress.back(), (std::pair<intptr_t, intptr_t>(10001, 10001)));

  options.Width = 64;
  options.Height = 48;
  options.OutputPath = dir.File("small.jpg");
  options.Type = TImageType::Jpeg;
  EXPECT_EQ(RenderAttractorFile(options, {}), "");
  EXPECT_EQ(ReadBytes(options.OutputPath).substr(0, 2), "\xFF\xD8");
}

TEST(RenderAttractor, RefusesWhatCannotBeDrawn) {
  TScratchFolder dir;
  struct {
    const char* name;
    std::string text;  // "" for no file
    std::string error;
  } cases[] = {
      {"missing.fr3", "", "does not exist"},
      {"text.fr3", "[Attract]\nA101=x\n", "'x' is not a valid floating point value"},
      {"number.fr3", "[Fractal]\nNumber=5\n", "formula number is 5, not 2000"},
      {"kind.fr3", "[Fractal]\nIFSNumber=0\n", "map kind is 0"},
      {"size.fr3", "[DrawSize]\nX_Size=1\nY_Size=10\n", "DrawSize 1x10 is not a usable image size"},
      {"huge.fr3", "[DrawSize]\nX_Size=99999\nY_Size=99999\n", "DrawSize 99999x99999"},
  };
  for (const auto& k : cases) {
    TRenderOptions options;
    options.SpotPath = dir.File(k.name);
    options.OutputPath = dir.File("out.bmp");
    if (!k.text.empty()) WriteBytes(options.SpotPath, k.text);
    const std::string error = RenderAttractorFile(options, {});
    EXPECT_NE(error.find(k.error), std::string::npos) << k.name << ": " << error;
    EXPECT_EQ(error.find('\r'), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(options.OutputPath)) << k.name;
  }
  EXPECT_TRUE(IsAttractorFileName("/a/b.Fr3"));
  EXPECT_FALSE(IsAttractorFileName("/a/b.frs"));
}

}  // namespace
