// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of putting one 640 x 480 movie frame into a clip with each compressor,
// next to the render of that frame in the same run ("x render" is the share
// of the render's time the writing takes).

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "movies/avi_writer.h"

namespace {

constexpr int kFrameWidth = 640, kFrameHeight = 480;
double RenderSeconds = 0;     // one render of the frame, measured first
std::vector<uint8_t> Frame;  // its image buffer

void BM_MovieFrameRender(benchmark::State& state) {
  TNullCanvas canvas;
  TFractal doc(-1, 0, 0, 0, kFrameWidth, kFrameHeight, &canvas);
  // The home view: the cheapest frame of a flight, so the share of writing is the largest.
  const auto start = std::chrono::steady_clock::now();
  int64_t renders = 0;
  for (auto _ : state) {
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    doc.RenderThread()->WaitFor();
    ++renders;
  }
  RenderSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / double(renders);
  Frame.assign(doc.ImageBuffer(), doc.ImageBuffer() + size_t(3) * doc.BufWidth() * doc.BufHeight());
  state.counters["ms/frame"] = RenderSeconds * 1e3;
}

void BM_MovieFrameWrite(benchmark::State& state) {
  const TCodec codec = TCodec(state.range(0));
  const bool mp4 = state.range(1) != 0;
  state.SetLabel(CodecCaption(codec) + (mp4 ? " in MP4" : " in AVI"));
  if (Frame.empty() || !CodecAvailable(codec, mp4 ? TContainer::Mp4 : TContainer::Avi)) {
    state.SkipWithError("compressor not present or no frame rendered");
    return;
  }
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("px_movie_bench_" + std::to_string(getpid()) + (mp4 ? ".mp4" : ".avi")))
                               .string();
  TAVIWriter avi;
  if (!avi.Open(path) || !avi.CreateStream(kFrameWidth, kFrameHeight, 15) ||
      !avi.MakeCompressedStream({codec, 85}) || !avi.FreeOptions() || !avi.SetFormat()) {
    state.SkipWithError("clip could not be opened");
    return;
  }
  int64_t position = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state)
    if (avi.WriteFrame(position++, Frame.data(), int64_t(Frame.size())) != 0) state.SkipWithError("write failed");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                         double(std::max<int64_t>(position, 1));
  avi.Close();
  state.counters["ms/frame"] = seconds * 1e3;
  state.counters["KB/frame"] = double(std::filesystem::file_size(path)) / double(std::max<int64_t>(position, 1)) / 1024;
  if (RenderSeconds > 0) state.counters["x render"] = seconds / RenderSeconds;
  std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_MovieFrameRender)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MovieFrameWrite)
    ->ArgsProduct({{int64_t(TCodec::Raw), int64_t(TCodec::MJpeg), int64_t(TCodec::Mpeg4), int64_t(TCodec::FFV1),
                    int64_t(TCodec::H264)},
                   {0}})
    ->Args({int64_t(TCodec::H264), 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
