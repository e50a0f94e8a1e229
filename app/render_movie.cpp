// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_movie.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>

#include "app/render_args.h"
#include "app/render_ifs.h"
#include "app/render_options.h"
#include "app/render_output.h"
#include "attractors/attractor.h"
#include "engine/fractal.h"
#include "movies/clip_module.h"
#include "movies/movie_host.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/profile.h"

namespace {

std::atomic<bool> InterruptSeen{false};

void OnInterrupt(int) {
  InterruptSeen = true;
  ReleaseInterrupts();
}

// The batch side of a movie: renders in its own document and writes through
// its own clip writer; the frame counter counts from the part's first frame.
class TBatchMovieHost : public TMovieHost {
 public:
  TBatchMovieHost(TFractal& doc, TAVIWriter& writer, const TZoomMovieOptions& options)
      : Doc(doc), Writer(writer), Options(options) {}

  TFractal& Document() override { return Doc; }
  void RenderAndWait() override {
    Complete = WaitForFrame([&] { return Doc.RenderFinished(); }, [&] { Doc.StopThread(); });
  }
  bool WriteFrame(int32_t i) override {
    if (!Complete || !Doc.ImageBuffer()) return false;
    const TOutputImage image = OutputImage(Doc, Options.AntiAlias, Smooth);
    const int64_t length = int64_t(3) * image.Header.biWidth * image.Header.biHeight;
    if (Writer.WriteFrame(int64_t(Options.Still) * (i - Options.First), image.Bits, length) != 0) {
      FailedFrame = i;
      return false;
    }
    DrawProgress(i - Options.First + 1);
    return true;
  }
  bool Running() const override { return !Interrupted(); }
  int32_t FrameCount() const override { return Options.Last - Options.First; }
  void SetGaugeMax(int32_t) override {}
  void SetGaugePosition(int32_t) override {}

  int32_t FailedFrame = -1;

 private:
  void DrawProgress(int32_t done) {
    if (!Options.ShowProgress) return;
    const int32_t total = Options.Last - Options.First + 1, width = 40;
    const int filled = int(int64_t(done) * width / std::max(total, 1));
    std::fprintf(stderr, "\r[%s%s] %d/%d frames", std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(width - filled), ' ').c_str(), done, total);
    std::fflush(stderr);
  }

  TFractal& Doc;
  TAVIWriter& Writer;
  const TZoomMovieOptions& Options;
  bool Complete = true;  // the last frame's render ran to its end
  std::vector<uint8_t> Smooth;  // the anti-aliased frame
};

// Loads the spot at `path` into `probe`; "" when it is a spot a zoom movie
// can fly through, else why not, in the words a single render uses for it.
// IFS and attractor files are told by their names, as the single render
// tells them apart. `messages` collects what the document shows.
std::string LoadMovieSpot(const std::string& path, TFractal& probe, const std::vector<std::string>& messages) {
  if (IsIFSFilePath(path) || IsAttractorFileName(path))
    return "\"" + path + "\" is an " + (IsIFSFilePath(path) ? "IFS" : "attractor") + " file, not a spot file";
  const TProfileFile spot(path);
  if (std::string problem = SpotOpenProblem(spot, "spot"); !problem.empty()) return problem;
  if (std::string empty = NoFractalKeysText(spot); !empty.empty()) return empty + ": not a spot file";
  try {
    probe.LoadSpot(spot);
  } catch (const std::exception& e) {
    return "cannot load \"" + path + "\": " + e.what();
  }
  if (!messages.empty()) return messages.front();
  return SpotFormulaProblem(probe);
}

}  // namespace

bool IsZoomMovieCommand(const std::vector<std::string>& args) { return HasOption(args, "--zoom-movie"); }

std::string ZoomMovieUsage() {
  return "usage: pelmorix-render --zoom-movie A.frs B.frs [C.frs ...] -o OUT.avi|OUT.mp4|OUT.mkv [options]\n"
         "  Flies from spot to spot through 2 to 120 spot files: the first spot gives the formula,\n"
         "  palette and parameters, every spot its window. A long option takes its value as\n"
         "  \"--option VALUE\" or \"--option=VALUE\"; \"--\" ends the options.\n"
         "  -o, --output FILE         clip to write; the extension chooses AVI, MP4 or Matroska\n"
         "  --frames N                frames from each spot to the next (default 10, 1..999)\n"
         "  --smooth MODE             width law: linear, regular or fluent (default linear)\n"
         "  --fps F                   frames a second (default 15, 1..1000)\n"
         "  --still S                 frame times each rendered frame lasts (default 1, 1..1000)\n"
         "  --codec C                 mjpeg, mpeg4, ffv1, h264 or raw (default mjpeg; MP4: h264 if present)\n"
         "  -q, --quality Q           quality of mjpeg, mpeg4 and h264, 1..100 (default 85)\n"
         "  --size WxH                image size (default: the first spot's DrawSize); the clip's frames\n"
         "                            are that size with width and height rounded up to a multiple of 4\n"
         "  --frame-range A:B         render only frames A..B of the movie (0-based; B may be left out)\n"
         "  --threads N               render threads (default: one per core)\n"
         "  --antialias               render at twice the size and write the smoothed half-size frames\n"
         "  --fast                    fast arithmetic: doubles and SIMD instead of extended precision\n"
         "  --quiet                   no progress bar, no messages of FFmpeg and its encoders\n"
         "                            (the bar is drawn only when standard error is a terminal)\n";
}

bool ParseZoomMovieOptions(const std::vector<std::string>& args, TZoomMovieOptions& options, std::string& error) {
  return ParseMovieOptions(args, options, nullptr, error);
}

bool ParseMovieOptions(const std::vector<std::string>& args, TZoomMovieOptions& options, bool* pingPong,
                       std::string& error) {
  std::vector<TOptionRule> rules = {
      {"help", 'h'},        {"output", 'o', true}, {"frames", 0, true},      {"fps", 0, true},
      {"still", 0, true},   {"quality", 'q', true}, {"threads", 0, true},    {"smooth", 0, true},
      {"codec", 0, true},   {"size", 0, true},      {"frame-range", 0, true}, {"quiet"},
      {"antialias"},        {"fast"},
  };
  if (pingPong) rules.insert(rules.end(), {{"morph"}, {"ping-pong"}});
  else rules.push_back({"zoom-movie"});
  bool codecGiven = false;
  const TTakeOption take = [&](const std::string& name, const std::string& v, std::string& message) {
    auto number = [&](int32_t& out, int32_t lo, int32_t hi) {
      if (!ParseInt(v, out) || out < lo || out > hi) {
        message = "bad --" + name + " \"" + v + "\": expected " + std::to_string(lo) + ".." + std::to_string(hi);
        return false;
      }
      return true;
    };
    if (pingPong && (name == "smooth" || name == "frame-range")) {
      message = "option --" + name + " is not offered for a morph";
      return false;
    }
    if (name == "help") return false;
    if (name == "output") options.OutputPath = v;
    else if (name == "frames") return number(options.Frames, 1, kMaxSpotFrames);
    else if (name == "fps") return number(options.Fps, 1, 1000);
    else if (name == "still") return number(options.Still, 1, 1000);
    else if (name == "quality") return number(options.Compress.Quality, 1, 100);
    else if (name == "threads") return number(options.Threads, 0, 256);
    else if (name == "smooth") {
      if (v == "linear") options.Smooth = TZoomSmooth::Linear;
      else if (v == "regular") options.Smooth = TZoomSmooth::Regular;
      else if (v == "fluent") options.Smooth = TZoomSmooth::Fluent;
      else {
        message = "bad --smooth \"" + v + "\": expected linear, regular or fluent";
        return false;
      }
    } else if (name == "codec") {
      if (!CodecOfName(v, options.Compress.Codec)) {
        message = "bad --codec \"" + v + "\": expected mjpeg, mpeg4, ffv1, h264 or raw";
        return false;
      }
      codecGiven = true;
    } else if (name == "size") {
      return ParseSizeOption(v, options.Width, options.Height, message);
    } else if (name == "frame-range") {
      const size_t colon = v.find(':');
      const std::string last = colon == std::string::npos ? "" : v.substr(colon + 1);
      if (colon == std::string::npos || !ParseInt(v.substr(0, colon), options.First) || options.First < 0 ||
          (!last.empty() && (!ParseInt(last, options.Last) || options.Last < options.First))) {
        message = "bad --frame-range \"" + v + "\": expected A:B with 0 <= A <= B (or A: for the rest)";
        return false;
      }
      if (last.empty()) options.Last = -1;
    } else if (name == "quiet") {
      options.ShowProgress = false;
    } else if (name == "antialias") {
      options.AntiAlias = true;
    } else if (name == "fast") {
      options.Fast = true;
    } else if (name == "ping-pong") {
      *pingPong = true;
    }
    return true;
  };
  if (!ReadOptions(args, rules, take, options.Spots, error)) return false;
  if (options.Spots.size() < 2) {
    error = "a zoom movie needs at least two spot files";
    return false;
  }
  if (int32_t(options.Spots.size()) > kMaxMovieSpots) {
    error = "a zoom movie takes at most " + std::to_string(kMaxMovieSpots) + " spots";
    return false;
  }
  if (options.OutputPath.empty()) {
    error = "no output file given (-o OUT.avi, OUT.mp4 or OUT.mkv)";
    return false;
  }
  if (!ContainerOfPath(options.OutputPath, options.Container)) {
    error = "the output file must end in .avi, .mp4 or .mkv";
    return false;
  }
  if (!codecGiven) options.Compress.Codec = options.Container == TContainer::Mp4 ? DefaultMp4Codec() : TCodec::MJpeg;
  // Without the clip module no codec is there; the command says so once it has read its options.
  if (ClipModule() && !CodecAvailable(options.Compress.Codec, options.Container)) {
    error = "the codec " + CodecName(options.Compress.Codec) + " is not available for this file type";
    return false;
  }
  const int32_t total = int32_t(options.Spots.size() - 1) * options.Frames;  // the last frame is number total
  if (options.Last < 0) options.Last = total;
  if (options.First > total || options.Last > total) {
    error = "the --frame-range lies outside the movie's frames 0.." + std::to_string(total);
    return false;
  }
  return true;
}

int RunZoomMovieCommand(const std::vector<std::string>& args) {
  TZoomMovieOptions options;
  std::string error;
  if (!ParseZoomMovieOptions(args, options, error)) {
    if (error.empty()) {
      std::fputs(ZoomMovieUsage().c_str(), stdout);
      return 0;
    }
    return UsageFail(error, "--zoom-movie --help");
  }
  if (const std::string problem = ClipModuleProblem(); !problem.empty()) return Fail(problem);
  LimitClipMessages(!options.ShowProgress);
  options.ShowProgress = DrawsProgress(options.ShowProgress);

  MainQueue().BindToCurrentThread();
  std::vector<std::string> messages;
  SetMessageHandler([&](const std::string& text) { messages.push_back(text); });
  // Spots of the library's IFS draw from it, as in the program.
  if (const std::string problem = LoadProgramIFSLibrary(); !problem.empty())
    std::fprintf(stderr, "pelmorix-render: warning: %s\n", problem.c_str());

  // Every spot gives its window; the first also the formula, palette and size.
  std::vector<TMovieSpot> spots;
  for (const std::string& path : options.Spots) {
    TFractal probe(-1, 0, 0, 0, 2, 2, nullptr);
    if (const std::string problem = LoadMovieSpot(path, probe, messages); !problem.empty()) return Fail(problem);
    spots.push_back(MovieSpotOf(probe, options.Frames));
  }
  if (options.Width <= 0) {
    const TProfileFile spot(options.Spots.front());
    options.Width = spot.ReadInteger("DrawSize", "X_Size", 640);
    options.Height = spot.ReadInteger("DrawSize", "Y_Size", 480);
    if (options.Width < 2 || options.Height < 1 || options.Width > 20000 || options.Height > 20000)
      return Fail("the first spot file's DrawSize is not a usable image size");
  }
  int32_t width = options.Width, height = options.Height;
  if (options.AntiAlias) {
    if (const std::string problem = DoubleForAntiAlias(width, height); !problem.empty())
      return UsageFail(problem, "--zoom-movie --help");
  }

  TFractal::RenderThreads = options.Threads;
  TFractal::UseFastArithmetic = options.Fast;
  MainQueue().SetDispatcher([](const TMessage&) {});
  TNullCanvas canvas;
  // Parked at formula -1 so that nothing renders before the first frame's window.
  TFractal doc(-1, 0, 0, 0, width, height, &canvas);
  if (!messages.empty()) return Fail(messages.front());
  doc.LoadSpot(options.Spots.front());
  doc.StopThread();
  if (!messages.empty()) return Fail(messages.front());

  TAVIWriter writer;
  const TBitmapInfoHeader frame = OutputHeader(doc, options.AntiAlias);
  if (!OpenBatchClip(writer, options, frame.biWidth, frame.biHeight, error)) return Fail(error);

  CatchInterrupts();
  TBatchMovieHost host(doc, writer, options);
  const int32_t written = RunZoomLoop(host, spots, options.Smooth, options.First, options.Last);
  doc.StopThread();
  return FinishBatchClip(writer, options, written, host.FailedFrame,
                         " (frames " + std::to_string(options.First) + ".." +
                             std::to_string(options.First + written - 1) + ")");
}

int FinishBatchClip(TAVIWriter& writer, const TZoomMovieOptions& options, int32_t written, int32_t failedFrame,
                    const std::string& range) {
  const std::string& out = options.OutputPath;
  std::string failure;
  if (failedFrame >= 0) {
    writer.Discard();
    failure = "writing frame " + std::to_string(failedFrame) + " failed (" + writer.LastError() + ")";
  } else if (!writer.Close()) {
    failure = "finishing the clip failed (" + writer.LastError() + ")";
  }
  ReleaseInterrupts();
  if (options.ShowProgress) std::fputc('\n', stderr);
  if (!failure.empty()) return Fail(failure + "; " + out + " is left as it was");
  if (Interrupted()) {
    const std::string kept = std::to_string(written) + " frame" + (written == 1 ? "" : "s");
    std::fprintf(stderr, "pelmorix-render: interrupted; %s holds %s%s\n", out.c_str(), kept.c_str(), range.c_str());
    return kExitInterrupted;
  }
  return 0;
}

bool OpenBatchClip(TAVIWriter& writer, const TZoomMovieOptions& options, int32_t width, int32_t height,
                   std::string& error) {
  const std::string& out = options.OutputPath;
  error.clear();
  if (!writer.Open(out)) error = "Unable to create file " + out + " ! (" + writer.LastError() + ")";
  else if (!writer.CreateStream(width, height, options.Fps)) error = "Unable to create stream in " + out + " !";
  else if (!writer.MakeCompressedStream(options.Compress) || !writer.FreeOptions())
    error = "Unable to create compressed stream in " + out + " !";
  else if (!writer.SetFormat()) error = "Unable to set format for compressed stream ! (" + writer.LastError() + ")";
  return error.empty();
}

void CatchInterrupts() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

void ReleaseInterrupts() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool Interrupted() { return InterruptSeen; }

bool WaitForFrame(const std::function<bool()>& finished, const std::function<void()>& stop) {
  MainQueue().RunUntil([&] { return finished() || Interrupted(); });
  const bool complete = finished();
  if (!complete) stop();
  MainQueue().DispatchPosted();
  return complete;
}
