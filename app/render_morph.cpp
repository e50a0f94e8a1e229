// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_morph.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/render_args.h"
#include "app/render_ifs.h"
#include "app/render_movie.h"
#include "app/render_options.h"
#include "attractors/attractor.h"
#include "engine/fractal.h"
#include "ifs/ifs_constructor.h"
#include "movies/attractor_movie.h"
#include "movies/clip_module.h"
#include "movies/ifs_movie.h"
#include "movies/movie_host.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/profile.h"

namespace {

constexpr int32_t kDefaultAttractorSide = 300;  // an attractor file without "DrawSize"


struct TMorphOptions {
  TZoomMovieOptions Movie;  // files, output, frames, timing, codec, size
  bool PingPong = false;
};

// A morph reads as a zoom movie of its two files, whose options mean the
// same here, with --ping-pong beside them.
bool ParseMorphOptions(const std::vector<std::string>& args, TMorphOptions& options, std::string& error) {
  if (!ParseMovieOptions(args, options.Movie, &options.PingPong, error)) {
    if (error == "a zoom movie needs at least two spot files") error = "a morph needs two files";
    return false;
  }
  if (options.Movie.Spots.size() != 2) {
    error = "a morph takes exactly two files";
    return false;
  }
  return true;
}

// Frames of the whole morph: n + 1, twice with ping-pong.
int32_t MorphFrames(int32_t frameCount, bool pingPong) {
  const int32_t n = MorphSteps(frameCount, pingPong);
  return pingPong ? 2 * (n + 1) : n + 1;
}

// Writes the frames of a windowless document through the clip writer, with
// a progress bar on the terminal.
class TMorphHost : public TMovieHost {
 public:
  // Frames come from `attractor` when given, else from `doc`.
  TMorphHost(TFractal& doc, T3dFractal* attractor, TAVIWriter& writer, const TMorphOptions& options)
      : Doc(doc),
        Attract(attractor),
        Writer(writer),
        Options(options),
        Total(MorphFrames(options.Movie.Frames, options.PingPong)) {}

  TFractal& Document() override { return Doc; }
  T3dFractal* Attractor() override { return Attract; }
  void RenderAndWait() override {
    Complete = WaitForFrame([&] { return Attract ? Attract->RenderFinished() : Doc.RenderFinished(); },
                            [&] { Attract ? Attract->StopThread() : Doc.StopThread(); });
  }
  bool WriteFrame(int32_t i) override {
    if (!Complete) return false;
    const int64_t length = Attract ? int64_t(3) * Attract->BufWidth() * Attract->BufHeight()
                                   : int64_t(3) * Doc.BufWidth() * Doc.BufHeight();
    const uint8_t* image = Attract ? Attract->ImageBuffer() : Doc.ImageBuffer();
    if (!image || Writer.WriteFrame(int64_t(Options.Movie.Still) * i, image, length) != 0) {
      FailedFrame = i;
      return false;
    }
    ++Written;
    if (Options.Movie.ShowProgress) {
      const int width = 40;
      const int filled = int(int64_t(Written) * width / std::max(Total, 1));
      std::fprintf(stderr, "\r[%s%s] %d/%d frames", std::string(size_t(filled), '#').c_str(),
                   std::string(size_t(width - filled), ' ').c_str(), Written, Total);
      std::fflush(stderr);
    }
    return true;
  }
  bool Running() const override { return !Interrupted(); }
  int32_t FrameCount() const override { return Options.Movie.Frames; }
  void SetGaugeMax(int32_t) override {}
  void SetGaugePosition(int32_t) override {}

  int32_t FailedFrame = -1, Written = 0;

 private:
  TFractal& Doc;
  T3dFractal* Attract;
  TAVIWriter& Writer;
  const TMorphOptions& Options;
  int32_t Total;
  bool Complete = true;  // the last frame's render ran to its end
};

int RunIFSMorphCommand(TMorphOptions& options) {
  const std::string& a = options.Movie.Spots[0];
  const std::string& b = options.Movie.Spots[1];
  TIFSMovie movie;
  movie.PingPong = options.PingPong;
  TNullCanvas canvas;
  std::vector<std::string> messages;
  SetMessageHandler([&](const std::string& text) { messages.push_back(text); });
  const int32_t width = options.Movie.Width > 0 ? options.Movie.Width : 640;
  const int32_t height = options.Movie.Width > 0 ? options.Movie.Height : 480;
  TFractal::RenderThreads = options.Movie.Threads;
  MainQueue().SetDispatcher([](const TMessage&) {});
  // Parked at formula -1 until the first frame; the start file gives the
  // window, palette and MaxIter.
  TFractal doc(-1, 0, 0, 0, width, height, &canvas);
  if (!messages.empty()) return Fail(messages.front());
  try {
    const std::string note = LoadIFSForRender(a, doc, 0);
    if (!note.empty()) std::fprintf(stderr, "pelmorix-render: %s\n", note.c_str());
    doc.StopThread();
    movie.Start = WorkingIFS;
  } catch (const std::exception& e) {
    return Fail("cannot load \"" + a + "\": " + e.what());
  }
  try {
    if (const std::string problem = IFSFileProblem(b); !problem.empty()) throw std::runtime_error(problem);
    const TIFSFileLoad end = ReadIFSFileForConstructor(b, TWorkingIFS{});
    if (!end.Warning.empty()) std::fprintf(stderr, "pelmorix-render: %s\n", end.Warning.c_str());
    movie.End = end.Set;
  } catch (const std::exception& e) {
    return Fail("cannot load \"" + b + "\": " + e.what());
  }

  TAVIWriter writer;
  std::string error;
  if (!OpenBatchClip(writer, options.Movie, doc.BufWidth(), doc.BufHeight(), error)) return Fail(error);
  CatchInterrupts();
  TMorphHost host(doc, nullptr, writer, options);
  RunIFSMorph(host, movie);
  doc.StopThread();
  return FinishBatchClip(writer, options.Movie, host.Written, host.FailedFrame, "");
}

int RunAttractorMorphCommand(TMorphOptions& options) {
  const std::string& a = options.Movie.Spots[0];
  const std::string& b = options.Movie.Spots[1];
  int32_t width = options.Movie.Width, height = options.Movie.Height;
  if (width <= 0) {
    const TProfileFile file(a);
    width = file.ReadInteger("DrawSize", "X_Size", kDefaultAttractorSide);
    height = file.ReadInteger("DrawSize", "Y_Size", kDefaultAttractorSide);
    if (width < 2 || height < 1 || width > kMaxRenderSide || height > kMaxRenderSide)
      return Fail("the first file's DrawSize " + std::to_string(width) + "x" + std::to_string(height) +
                  " is not a usable image size");
  }
  std::vector<std::string> messages;
  SetMessageHandler([&](const std::string& text) { messages.push_back(text); });
  MainQueue().SetDispatcher([](const TMessage&) {});
  TNullCanvas canvas;
  // The first file gives the view, colours and point count.
  T3dFractal attractor(width, height, &canvas);
  if (!messages.empty()) return Fail(messages.front());
  attractor.LoadFromFile(a);
  attractor.StopThread();
  if (!messages.empty()) return Fail("cannot load \"" + a + "\": " + messages.front());
  TAttractorMovie movie;
  movie.PingPong = options.PingPong;
  movie.First = attractor.Coefficients;
  TakeAttractorKind(movie, 0, attractor.Kind);
  try {
    const TAttractorFileValues second = ReadAttractorFile(b);
    if (!TakeAttractorKind(movie, 1, MovieAttractorKind(TProfileFile(b)))) return Fail(kDifferentAttractorKinds);
    movie.Second = second.Table;
  } catch (const std::exception& e) {
    return Fail("cannot load \"" + b + "\": " + e.what());
  }
  if (movie.FirstKind <= 0) return Fail("the map kind of \"" + a + "\" is " + std::to_string(movie.FirstKind) +
                                        ": nothing to draw");

  TAVIWriter writer;
  std::string error;
  if (!OpenBatchClip(writer, options.Movie, attractor.BufWidth(), attractor.BufHeight(), error)) return Fail(error);
  CatchInterrupts();
  TFractal parked(-1, 0, 0, 0, 0, 0, nullptr);
  TMorphHost host(parked, &attractor, writer, options);
  RunAttractorMorph(host, attractor, movie);
  attractor.StopThread();
  return FinishBatchClip(writer, options.Movie, host.Written, host.FailedFrame, "");
}

}  // namespace

bool IsMorphCommand(const std::vector<std::string>& args) { return HasOption(args, "--morph"); }

std::string MorphUsage() {
  return "usage: pelmorix-render --morph A.fri B.fri -o OUT.avi|OUT.mp4|OUT.mkv [options]\n"
         "       pelmorix-render --morph A.fr3 B.fr3 -o OUT.avi|OUT.mp4|OUT.mkv [options]\n"
         "  Morphs the first IFS (attractor) into the second: frame f of N shows the values\n"
         "  f/N of the way. IFS frames take the first file's window, palette and MaxIter; attractor\n"
         "  frames the first file's view, colours and point count.\n"
         "  -o, --output FILE         clip to write; the extension chooses AVI, MP4 or Matroska\n"
         "  --frames N                interpolation steps (default 10, 1..999): N + 1 frames\n"
         "  --ping-pong               morph there and back: N/2 steps each way, 2 x (N/2 + 1) frames\n"
         "  --fps F                   frames a second (default 15, 1..1000)\n"
         "  --still S                 frame times each rendered frame lasts (default 1, 1..1000)\n"
         "  --codec C                 mjpeg, mpeg4, ffv1, h264 or raw (default mjpeg; MP4: h264 if present)\n"
         "  -q, --quality Q           quality of mjpeg, mpeg4 and h264, 1..100 (default 85)\n"
         "  --size WxH                image size (default 640x480 for IFS, the first .fr3's DrawSize\n"
         "                            or 300x300 for attractors); the clip's frames are that size with\n"
         "                            width and height rounded up to a multiple of 4\n"
         "  --threads N               render threads (default: one per core)\n"
         "  --quiet                   no progress bar, no messages of FFmpeg and its encoders\n"
         "                            (the bar is drawn only when standard error is a terminal)\n";
}

int RunMorphCommand(const std::vector<std::string>& args) {
  TMorphOptions options;
  std::string error;
  if (!ParseMorphOptions(args, options, error)) {
    if (error.empty()) {
      std::fputs(MorphUsage().c_str(), stdout);
      return 0;
    }
    return UsageFail(error, "--morph --help");
  }
  if (const std::string problem = ClipModuleProblem(); !problem.empty()) return Fail(problem);
  LimitClipMessages(!options.Movie.ShowProgress);
  options.Movie.ShowProgress = DrawsProgress(options.Movie.ShowProgress);
  MainQueue().BindToCurrentThread();
  for (const std::string& path : options.Movie.Spots) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Fail("cannot open \"" + path + "\"");
  }
  const bool ifs = IsIFSFilePath(options.Movie.Spots[0]) && IsIFSFilePath(options.Movie.Spots[1]);
  if (ifs) return RunIFSMorphCommand(options);
  if (IsAttractorFileName(options.Movie.Spots[0]) && IsAttractorFileName(options.Movie.Spots[1]))
    return RunAttractorMorphCommand(options);
  return UsageFail("a morph takes two .fri files or two .fr3 files", "--morph --help");
}
