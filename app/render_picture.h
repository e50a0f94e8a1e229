// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The single render of pelmorix-render, written as it is rendered: the
// document renders the picture in bands of rows, and each band is encoded
// into the picture file (and the value dump) as soon as it is finished, so
// that a picture of any size takes the memory of its width times a band.
// With --band K/N the files hold band K of N of the picture, with exactly
// the pixels the whole picture has there.

#include <cstdint>
#include <memory>
#include <string>

#include "app/render_options.h"

class TFractal;

// The rows of a render and of the file it writes.
struct TPicturePlan {
  int32_t Width = 0, Height = 0;        // the document's picture (doubled with --antialias)
  int32_t FileWidth = 0, FileHeight = 0;  // the picture of the file
  int32_t OutFirst = 0, OutEnd = 0;     // its rows among the whole output picture's
  int32_t RenderFirst = 0, RenderEnd = 0;  // the document's rows rendered for them
  int32_t ValueFirst = 0, ValueEnd = 0;    // the document's rows the value dump holds
  int32_t BandRows = 0;                    // rows the buffers hold at a time
  int32_t Bands() const { return (RenderEnd - RenderFirst + BandRows - 1) / BandRows; }
};

// The plan of a render of `width` x `height` (doubled already for
// --antialias) as the options ask; "" when it can be written, else why not
// (a band the picture does not have, a size the file format cannot hold).
std::string PlanPicture(const TRenderOptions& options, int32_t width, int32_t height, TPicturePlan& plan);

// The files of a render: opened (as temporaries beside their targets)
// before the document is loaded, written band by band as the document's
// render hands the bands over, and put in their targets' place only when
// the whole picture is written. Until then, and after any failure or an
// interruption, every target is as it was.
class TPictureOutput {
 public:
  // Takes the document's bands over. Throws TFileWriteError when a target
  // cannot be written.
  TPictureOutput(TFractal& doc, const TRenderOptions& options, const TPicturePlan& plan);
  ~TPictureOutput();
  TPictureOutput(const TPictureOutput&) = delete;
  TPictureOutput& operator=(const TPictureOutput&) = delete;

  // Waits for the render (started by loading the document) and completes
  // the files. Returns the exit status, having said what failed.
  int Run();

  struct TState;

 private:
  std::unique_ptr<TState> State;
};

// Redraws the progress bar on standard error when its phase or percentage
// changes.
void DrawPhaseProgress(const std::string& phase, intptr_t done, intptr_t total);
