// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// pelmorix-render --zoom-movie: a zoom flight through spot files rendered
// without windows into a clip, with the zoom loop of the spots dialog.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "movies/avi_writer.h"
#include "movies/zoom_movie.h"

struct TZoomMovieOptions {
  std::vector<std::string> Spots;  // two or more spot files
  std::string OutputPath;
  TContainer Container = TContainer::Avi;
  int32_t Frames = 10;  // per segment
  TZoomSmooth Smooth = TZoomSmooth::Linear;
  int32_t Fps = 15;
  int32_t Still = 1;
  TCompressOptions Compress;  // default: Motion JPEG (AVI, MKV) or DefaultMp4Codec (MP4)
  int32_t Width = 0, Height = 0;  // 0: the first spot's "DrawSize"
  int32_t First = 0, Last = -1;   // --frame-range; Last -1: to the end
  int32_t Threads = 0;
  bool ShowProgress = true;
  bool AntiAlias = false;  // frames rendered at twice the size, written anti-aliased
  bool Fast = false;       // fast arithmetic, as a single render's --fast
};

bool IsZoomMovieCommand(const std::vector<std::string>& args);
// False with an empty error for --help, false with a message for a bad command line.
bool ParseZoomMovieOptions(const std::vector<std::string>& args, TZoomMovieOptions& options, std::string& error);
std::string ZoomMovieUsage();
// The options of either movie command. With `pingPong` they are a morph's:
// --ping-pong sets it, and --smooth and --frame-range, which only a zoom
// movie has, are refused.
bool ParseMovieOptions(const std::vector<std::string>& args, TZoomMovieOptions& options, bool* pingPong,
                       std::string& error);

// Parses, renders and writes; returns the exit status (0 written, 1 failed:
// an earlier file of the clip's name is then left as it was, 2 a wrong
// command line, 130 interrupted: the clip then holds the frames written
// before).
int RunZoomMovieCommand(const std::vector<std::string>& args);

// What the movie commands share.
// Opens the clip at options.OutputPath with the options' rate and compressor
// for frames of width x height; false with the message of the step that failed.
bool OpenBatchClip(TAVIWriter& writer, const TZoomMovieOptions& options, int32_t width, int32_t height,
                   std::string& error);
// Ends a movie of `written` frames: a movie whose frame `failedFrame` (-1:
// none) could not be written is discarded, any other is closed into its
// file; then stops catching interrupts. Returns the exit status as
// RunZoomMovieCommand, with the message; `range` follows the frame count in
// the message of an interrupted movie.
int FinishBatchClip(TAVIWriter& writer, const TZoomMovieOptions& options, int32_t written, int32_t failedFrame,
                    const std::string& range);
// From CatchInterrupts to ReleaseInterrupts, Ctrl-C (or SIGTERM) ends a movie
// after the frame it is on; a second one ends the program at once.
void CatchInterrupts();
void ReleaseInterrupts();
bool Interrupted();
// Serves the main queue until `finished` holds; Ctrl-C ends the wait at once
// (a long IFS frame is not drawn to its end): `stop` then stops the render
// and the result is false, the frame being incomplete.
bool WaitForFrame(const std::function<bool()>& finished, const std::function<void()>& stop);
