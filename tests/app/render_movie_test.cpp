// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_movie.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <set>

extern "C" {
#include <libavutil/log.h>
}

#include "engine/fractal.h"
#include "ifs/ifs_model.h"
#include "platform/messages.h"
#include "platform/program_folder.h"
#include "tests/engine/recording_canvas.h"
#include "tests/movies/clip_reader.h"
#include "tests/test_files.h"

namespace {

TEST(ZoomMovieOptions, ParsesAndRejects) {
  struct {
    std::vector<std::string> args;
    std::string errorPart;  // empty: accepted
  } cases[] = {
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi"}, ""},
      {{"--zoom-movie", "a.frs", "-o", "f.avi"}, "at least two spot files"},
      {{"--zoom-movie", "a.frs", "b.frs"}, "no output file"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.gif"}, "must end in .avi, .mp4 or .mkv"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--frames", "0"}, "bad --frames"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--frames", "1000"}, "bad --frames"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--smooth", "cubic"}, "bad --smooth"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--codec", "gif"}, "bad --codec"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.mp4", "--codec", "raw"}, "not available"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--frame-range", "3:2"}, "bad --frame-range"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--frame-range", "5:11"}, "outside the movie's frames 0..10"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--size", "1x1"}, "bad --size"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--fps", "x"}, "bad --fps"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--wobble"}, "unknown option"},
      {{"--zoom-movie", "--output=f.avi", "--frames=0", "a.frs", "b.frs"}, "bad --frames \"0\""},
      {{"a.frs", "--zoom-movie", "-of.avi", "--fps=30", "--", "--frames"}, ""},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--ping-pong"}, "unknown option --ping-pong"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--quiet=yes"}, "option --quiet takes no value"},
      {{"--zoom-movie", "a.frs", "b.frs", "-o", "f.avi", "--fps"}, "option --fps needs a value"},
  };
  for (const auto& k : cases) {
    TZoomMovieOptions o;
    std::string error;
    EXPECT_EQ(ParseZoomMovieOptions(k.args, o, error), k.errorPart.empty()) << error;
    EXPECT_NE(error.find(k.errorPart), std::string::npos) << error;
  }
  TZoomMovieOptions o;
  std::string error;
  ASSERT_TRUE(ParseZoomMovieOptions({"--zoom-movie", "a.frs", "b.frs", "c.frs", "-o", "x.MKV", "--frames", "7",
                                     "--smooth", "fluent", "--fps", "25", "--still", "3", "--codec", "ffv1",
                                     "--size", "64x48", "--frame-range", "4:"},
                                    o, error));
  EXPECT_EQ(o.Spots.size(), 3u);
  EXPECT_EQ(o.Container, TContainer::Mkv);
  EXPECT_EQ(o.Frames, 7);
  EXPECT_EQ(o.Smooth, TZoomSmooth::Fluent);
  EXPECT_EQ(o.Fps, 25);
  EXPECT_EQ(o.Still, 3);
  EXPECT_EQ(o.Compress.Codec, TCodec::FFV1);
  EXPECT_EQ(o.Width, 64);
  EXPECT_EQ(o.First, 4);
  EXPECT_EQ(o.Last, 14);  // frames 0..14 of two segments of 7
  ASSERT_TRUE(ParseZoomMovieOptions({"--zoom-movie", "a.frs", "b.frs", "-o", "x.mp4"}, o = {}, error));
  EXPECT_EQ(o.Compress.Codec, DefaultMp4Codec());
  EXPECT_FALSE(o.AntiAlias || o.Fast);
  ASSERT_TRUE(ParseZoomMovieOptions({"--zoom-movie", "a.frs", "b.frs", "-o", "x.avi", "--antialias", "--fast"},
                                    o = {}, error));
  EXPECT_TRUE(o.AntiAlias && o.Fast);
  EXPECT_FALSE(IsZoomMovieCommand({"a.frs", "-o", "x.bmp"}));
  EXPECT_FALSE(IsZoomMovieCommand({"-o", "x.bmp", "--", "--zoom-movie"}));
  std::vector<std::string> spots(kMaxMovieSpots, "a.frs");
  spots.insert(spots.end(), {"--zoom-movie", "-o", "x.avi"});
  EXPECT_TRUE(ParseZoomMovieOptions(spots, o = {}, error)) << error;
  spots.push_back("b.frs");
  EXPECT_FALSE(ParseZoomMovieOptions(spots, o = {}, error));
  EXPECT_EQ(error, "a zoom movie takes at most 120 spots");
}

TEST(ZoomMovieCommand, WritesTheFlightAndItsParts) {
  TScratchFolder dir;
  std::ofstream(dir.File("a.frs")) << "[DrawSize]\nX_Size=30\nY_Size=21\n[Fractal]\nNumber=0\nX_Coord=-2.2\n"
                                      "Y_Coord=1.4\nW_Coord=2.8\nAutoIter=0\nMaxIter=40\n";
  std::ofstream(dir.File("b.frs")) << "[Fractal]\nNumber=0\nX_Coord=-1\nY_Coord=0.5\nW_Coord=0.7\n";
  auto run = [&](const std::string& args) {
    const std::string cmd = "'" + ProgramFile("pelmorix-render") + "' --quiet --zoom-movie '" + dir.File("a.frs") +
                            "' '" + dir.File("b.frs") + "' " + args + " 2>'" + dir.File("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  struct TCase {
    std::string Args, File;
    std::string Codec;
    int Fps;
    std::vector<int64_t> Positions;
  };
  const TCase cases[] = {
      {"--frames 3 --still 2 --codec raw --smooth regular", "whole.avi", "rawvideo", 15, {0, 2, 4, 6}},
      {"--frames 3 --frame-range 1:2 --codec raw --smooth regular", "part.avi", "rawvideo", 15, {0, 1}},
      {"--frames 2 --size 40x30 --fps 25", "sized.mkv", "mjpeg", 25, {0, 1, 2}},
      {"--frames=2 --codec=h264 --fps=5", "h264.mp4", "h264", 5, {0, 1, 2}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Args);
    ASSERT_EQ(run(c.Args + " -o '" + dir.File(c.File) + "'"), 0) << ReadBytes(dir.File("err.txt"));
    const TClipInfo clip = ReadClip(dir.File(c.File));
    ASSERT_TRUE(clip.Opened);
    EXPECT_EQ(clip.Codec, c.Codec);
    std::vector<int64_t> positions;
    for (const TClipPacket& p : clip.Packets) positions.push_back(p.Pts * clip.TimeBase.num * c.Fps / clip.TimeBase.den);
    EXPECT_EQ(positions, c.Positions);
    // --quiet: not a word of FFmpeg or its encoders either.
    EXPECT_EQ(ReadBytes(dir.File("err.txt")), "");
  }
  // Without --quiet and a terminal: no bar, and of FFmpeg only its errors.
  const std::string loud = "'" + ProgramFile("pelmorix-render") + "' --zoom-movie '" + dir.File("a.frs") + "' '" +
                           dir.File("b.frs") + "' --frames 2 --codec h264 -o '" + dir.File("loud.mp4") + "' 2>'" +
                           dir.File("err.txt") + "'";
  ASSERT_EQ(std::system(loud.c_str()), 0);
  EXPECT_EQ(ReadBytes(dir.File("err.txt")), "");
  LimitClipMessages(true);
  EXPECT_EQ(av_log_get_level(), AV_LOG_QUIET);
  LimitClipMessages(false);
  EXPECT_EQ(av_log_get_level(), AV_LOG_ERROR);
  EXPECT_EQ(ReadClip(dir.File("whole.avi")).Width, 32);  // the DrawSize 30 x 21, padded
  EXPECT_EQ(ReadClip(dir.File("whole.avi")).Height, 24);
  EXPECT_EQ(ReadClip(dir.File("sized.mkv")).Width, 40);
  // The part holds frames 1 and 2 of the whole movie, byte for byte.
  const TClipInfo whole = ReadClip(dir.File("whole.avi")), part = ReadClip(dir.File("part.avi"));
  ASSERT_EQ(part.Packets.size(), 2u);
  EXPECT_EQ(part.Packets[0].Data, whole.Packets[1].Data);
  EXPECT_EQ(part.Packets[1].Data, whole.Packets[2].Data);
  EXPECT_NE(part.Packets[0].Data, part.Packets[1].Data);

  EXPECT_EQ(run("-o '" + dir.File("no/such/x.avi") + "'"), 1);
  EXPECT_NE(ReadBytes(dir.File("err.txt")).find("Unable to create file"), std::string::npos);
  EXPECT_EQ(run("'" + dir.File("missing.frs") + "' -o '" + dir.File("m.avi") + "'"), 1);
  EXPECT_NE(ReadBytes(dir.File("err.txt")).find("cannot open spot file"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("m.avi")));
}

// --antialias and --fast make every frame what a single render with them
// makes of the frame's window.
TEST(ZoomMovieCommand, RendersFramesAsASingleRenderWithTheSameOptions) {
  TScratchFolder dir;
  const std::string parameters = "[Fractal]\nNumber=0\nAutoIter=0\nMaxIter=40\n";
  std::ofstream(dir.File("a.frs")) << parameters << "X_Coord=-2.2\nY_Coord=1.4\nW_Coord=2.8\n";
  std::ofstream(dir.File("b.frs")) << parameters << "X_Coord=-1\nY_Coord=0.5\nW_Coord=0.7\n";
  auto run = [&](const std::string& args) {
    const std::string cmd = "'" + ProgramFile("pelmorix-render") + "' --quiet --size 40x30 --antialias --fast " +
                            args + " 2>'" + dir.File("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  ASSERT_EQ(run("--zoom-movie '" + dir.File("a.frs") + "' '" + dir.File("b.frs") + "' --frames 2 --codec raw -o '" +
                dir.File("aa.avi") + "'"),
            0)
      << ReadBytes(dir.File("err.txt"));
  ASSERT_EQ(run("'" + dir.File("b.frs") + "' -o '" + dir.File("b.bmp") + "'"), 0) << ReadBytes(dir.File("err.txt"));
  const TClipInfo clip = ReadClip(dir.File("aa.avi"));
  ASSERT_EQ(clip.Packets.size(), 3u);
  EXPECT_EQ(clip.Width, 40);
  EXPECT_EQ(clip.Height, 32);  // 30, padded
  const std::string bitmap = ReadBytes(dir.File("b.bmp"));
  ASSERT_GT(bitmap.size(), 54u);
  EXPECT_EQ(clip.Packets.back().Data, bitmap.substr(54));  // the last frame is spot b
}

// A movie that fails, at its start or at a frame, leaves an earlier clip of
// its name byte for byte and no temporary file; a finished one replaces it.
TEST(ZoomMovieCommand, AFailedMovieLeavesTheEarlierClipAsItWas) {
  TScratchFolder dir;
  std::ofstream(dir.File("a.frs")) << "[Fractal]\nNumber=0\nX_Coord=-2.2\nY_Coord=1.4\nW_Coord=2.8\nMaxIter=40\n";
  std::ofstream(dir.File("b.frs")) << "[Fractal]\nNumber=0\nX_Coord=-1\nY_Coord=0.5\nW_Coord=0.7\n";
  const std::string out = dir.File("m.avi");
  const struct {
    std::string Args;
    mode_t Mode;
    int Status;
    std::string Error;  // empty: the clip is replaced
  } cases[] = {
      {"--codec mpeg4 --size 20000x8", 0644, 1, "Unable to create compressed stream in " + out + " !"},
      // A file size limit of about two raw frames stands for a full disk.
      {"--codec raw --size 320x240 --limit", 0644, 1, "); " + out + " is left as it was"},
      {"--size 40x30", 0444, 1, "Unable to create file " + out + " ! (the file is read-only)"},
      {"--size 40x30", 0644, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args);
    WriteBytes(out, "a good clip");
    chmod(out.c_str(), c.Mode);
    std::string args = c.Args, limit;
    if (const size_t at = args.find(" --limit"); at != std::string::npos) {
      args.erase(at);
      limit = "trap '' XFSZ; ulimit -f 1000; exec ";
    }
    const std::string cmd = "sh -c \"" + limit + "'" + ProgramFile("pelmorix-render") + "' --quiet --zoom-movie '" +
                            dir.File("a.frs") + "' '" + dir.File("b.frs") + "' " + args + " -o '" + out +
                            "' 2>'" + dir.File("err.txt") + "'\"";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.Status);
    const std::string err = ReadBytes(dir.File("err.txt"));
    EXPECT_EQ(FileNames(dir.Path), (std::set<std::string>{"a.frs", "b.frs", "err.txt", "m.avi"}));
    if (c.Error.empty()) {
      EXPECT_EQ(ReadClip(out).Packets.size(), 11u) << err;
    } else {
      EXPECT_NE(err.find(c.Error), std::string::npos) << err;
      EXPECT_EQ(ReadBytes(out), "a good clip");
    }
    chmod(out.c_str(), 0644);
  }
}

// Files that are no spots are refused as a single render refuses them: exit
// 1, the reason, and no clip.
TEST(ZoomMovieCommand, RefusesFilesThatAreNoSpots) {
  TScratchFolder dir;
  std::ofstream(dir.File("a.frs")) << "[Fractal]\nNumber=0\nW_Coord=2.8\n";
  std::ofstream(dir.File("s.fri")) << "[IFS]\nCount=0\n[Fractal]\nX_Coord=-10\nY_Coord=10\nW_Coord=20\n";
  std::ofstream(dir.File("s.fr3")) << "[Fractal]\nNumber=2000\n[Attract]\nA101=0.5\n";
  std::ofstream(dir.File("attractor.frs")) << "[Fractal]\nNumber=2000\n";
  std::ofstream(dir.File("empty.frs"));
  std::ofstream(dir.File("text.frs")) << "just some words\n";
  std::ofstream(dir.File("nan.frs")) << "[Fractal]\nW_Coord=nan\n";
  std::filesystem::create_directory(dir.File("folder.frs"));
  const struct {
    const char* file;
    std::string message;
  } cases[] = {
      {"s.fri", "is an IFS file, not a spot file"},
      {"s.fr3", "is an attractor file, not a spot file"},
      {"attractor.frs", "formula number 2000 has nothing to render"},
      {"empty.frs", "no key found in section [Fractal] of \"" + dir.File("empty.frs") + "\": not a spot file"},
      {"text.frs", "no key found in section [Fractal]"},
      {"nan.frs", "'nan' is not a valid floating point value"},
      {"folder.frs", "cannot read spot file \"" + dir.File("folder.frs") + "\": it is a folder"},
      {"missing.frs", "cannot open spot file \"" + dir.File("missing.frs") + "\": no such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string cmd = "'" + ProgramFile("pelmorix-render") + "' --quiet --zoom-movie '" + dir.File("a.frs") +
                            "' '" + dir.File(c.file) + "' --size 8x8 -o '" + dir.File("m.avi") + "' 2>'" +
                            dir.File("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
    EXPECT_NE(ReadBytes(dir.File("err.txt")).find(c.message), std::string::npos) << ReadBytes(dir.File("err.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.avi")));
  }
}

// Ctrl-C ends the wait for a frame at once: a pass of 10^11 IFS points is
// stopped instead of drawn to its end, and the frame counts as incomplete.
TEST(ZoomMovieCommand, CtrlCStopsALongFrameAtOnce) {
  MainQueue().BindToCurrentThread();
  const TWorkingIFS saved = WorkingIFS;
  WorkingIFS.Count = 0;
  TRecordingCanvas canvas;
  TFractal doc(-1, 0, 0, 0, 64, 48, &canvas);
  doc.AutoIter = false;
  doc.Ctx.MaxIter = kMaxIterLimit;
  doc.Ctx.IFScounter = kMaxIFSCounter;
  doc.Ctx.IFSNumber = kWorkingIFSNumber;
  doc.SetFormula(kIFSFormula, -1, 1, 2);
  ASSERT_FALSE(doc.RenderFinished());
  CatchInterrupts();
  std::raise(SIGINT);
  ASSERT_TRUE(Interrupted());
  EXPECT_FALSE(WaitForFrame([&] { return doc.RenderFinished(); }, [&] { doc.StopThread(); }));
  EXPECT_EQ(doc.RenderThread(), nullptr);
  WorkingIFS = saved;
}

// FFmpeg comes with the clip module only: the batch renderer starts without
// it, draws pictures where the module is missing, and its movie commands
// then fail with the module's problem and write nothing.
TEST(ClipModuleCommand, PicturesNeedNoModuleAndMoviesSayItIsMissing) {
  const std::string libraries = "LD_TRACE_LOADED_OBJECTS=1 '" + ProgramFile("pelmorix-render") + "'";
  std::string listing;
  if (std::FILE* pipe = ::popen(libraries.c_str(), "r")) {
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) listing += line;
    ::pclose(pipe);
  }
  EXPECT_NE(listing.find("libc.so"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("libav"), std::string::npos) << listing;
  EXPECT_EQ(listing.find("libswscale"), std::string::npos) << listing;

  TScratchFolder dir;
  for (const char* file : {"pelmorix-render", "px.ifs"})
    std::filesystem::copy_file(ProgramFile(file), dir.File(file));
  std::ofstream(dir.File("a.frs")) << "[Fractal]\nNumber=0\nW_Coord=2.8\n";
  std::ofstream(dir.File("a.fri")) << "[IFS]\nCount=1\nFrm0A=0.5\nFrm0D=0.5\nFrm0P=1\n";
  const std::string module = dir.File("modules/pelmorix-clips.so");
  const std::string missing = "pelmorix-render: the clip writer " + module +
                              " cannot be loaded (cannot open shared object file: No such file or directory)\n";
  const struct {
    std::string args;
    int status;
    std::string message;
  } cases[] = {
      {"'" + dir.File("a.frs") + "' --size 4x4 -o '" + dir.File("out.png") + "'", 0, ""},
      {"--zoom-movie '" + dir.File("a.frs") + "' '" + dir.File("a.frs") + "' --frames 1 -o '" + dir.File("out.avi") +
           "'",
       1, missing},
      {"--morph '" + dir.File("a.fri") + "' '" + dir.File("a.fri") + "' -o '" + dir.File("out.mkv") + "'", 1, missing},
      {"--zoom-movie --help", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string cmd =
        "'" + dir.File("pelmorix-render") + "' --quiet " + c.args + " >/dev/null 2>'" + dir.File("err.txt") + "'";
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status);
    EXPECT_EQ(ReadBytes(dir.File("err.txt")), c.message);
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("out.png")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.avi")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.mkv")));
}

}  // namespace
