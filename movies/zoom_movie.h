// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The zoom movie (kind 2): a flight along a list of spots, one segment from
// each spot to the next, with its width law.
//
// The spots dialog fills ZoomMovie() and opens the AVI setup dialog with
// kind 2 and ZoomFrameCount() frames; the dialog runs ZoomMovieLoop. The
// batch renderer calls RunZoomLoop on its own spots, optionally for a part
// of the frames. Both see frame c (0..N) at ZoomWindow(spots, smooth, c).

#include <cstdint>
#include <vector>

#include "engine/view_window.h"
#include "formulas/numbers.h"

class TFractal;
class TMovieHost;

constexpr int32_t kMaxMovieSpots = 120;
constexpr int32_t kDefaultSpotFrames = 10;
constexpr int32_t kMaxSpotFrames = 999;

// "Zooming smooth (spline):" modes.
enum class TZoomSmooth : int32_t { Linear = 0, Regular = 1, Fluent = 2 };

struct TMovieSpot {
  TMovieSpot(const TViewWindow& window, int32_t frames = kDefaultSpotFrames) : Window(window), Frames(frames) {}
  TMovieSpot(Extended x, Extended y, Extended w, int32_t frames = kDefaultSpotFrames)
      : Window(x, y, w), Frames(frames) {}

  TViewWindow Window;
  int32_t Frames;  // frames from this spot to the next
};

// The spot of a document's current view: its exact window when it is deeper
// than its rounding, else the rounding.
TMovieSpot MovieSpotOf(const TFractal& doc, int32_t frames);

struct TZoomMovie {
  std::vector<TMovieSpot> Spots;
  TZoomSmooth Smooth = TZoomSmooth::Linear;
};

// The program-wide spot list of the spots dialog.
TZoomMovie& ZoomMovie();

// N: the frame counts of all spots but the last, summed (0 for fewer than two).
int32_t ZoomFrameCount(const std::vector<TMovieSpot>& spots);

// The widths of the n frames k = 0..n-1 of a segment from width wa to wb.
std::vector<Extended> SegmentWidths(Extended wa, Extended wb, int32_t n, TZoomSmooth smooth);

// The windows of the n frames of the segment from a to b (n = a.Frames).
// When a spot is deep, the centre follows in arbitrary precision and every
// window is rounded to the precision its depth needs.
std::vector<TViewWindow> SegmentWindows(const TMovieSpot& a, const TMovieSpot& b, TZoomSmooth smooth);

// The window of frame c (0..N) of the whole movie; frame N is the last spot.
TViewWindow ZoomWindow(const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t c);

// The zoom loop over frames first..last (of 0..N): for each, set the
// document's window, RenderAndWait, WriteFrame(c), end when the write failed
// or the host stopped running (after writing that frame); the gauge goes to
// c + 1 after frame c. Returns the number of frames written.
int32_t RunZoomLoop(TMovieHost& host, const std::vector<TMovieSpot>& spots, TZoomSmooth smooth, int32_t first,
                    int32_t last);

// The kind-2 loop on ZoomMovie(): frames 0..N, gauge maximum N.
void ZoomMovieLoop(TMovieHost& host);
