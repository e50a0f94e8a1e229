// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The attractor movie (kind 7): a morph from a first attractor table to a
// second of the same map kind, drawn by the attractor window's document.
//
// The "AVI3Dattr" window loads the two files into AttractorMovie() and opens
// the AVI setup dialog with kind 7 and the attractor document; the dialog
// runs AttractorMovieLoop. The batch renderer fills its own TAttractorMovie
// and calls RunAttractorMorph.

#include <cstdint>

#include "attractors/attractor_step.h"

constexpr int32_t kAttractorMovieKind = 7;

inline constexpr char kDifferentAttractorKinds[] = "First and Second attractors are different type !";
// Said instead of writing when the attractor window has been closed.
inline constexpr char kNoAttractorWindow[] =
    "The 3D attractors window is closed: open it (F5) to make the attractor movie.";

struct TAttractorMovie {
  TAttractorTable First, Second;
  int32_t FirstKind = 0, SecondKind = 0;  // "IFSNumber" of the loaded files; 0 when none
  bool PingPong = false;
};

// The program-wide tables of the attractor movie window.
TAttractorMovie& AttractorMovie();

class TProfileFile;
// The map kind the movie takes from an attractor file: "IFSNumber" of
// section "Fractal", 0 when the file has none.
int32_t MovieAttractorKind(const TProfileFile& file);

// The map kind of a file about to be loaded as the first (which 0) or the
// second (1) attractor. False when the other attractor is loaded with a
// different kind: the tables stay, and when the first was being loaded it
// takes the new kind nevertheless while the second is forgotten (kind 0).
// True when the load may go on: the kind is stored.
bool TakeAttractorKind(TAttractorMovie& movie, int which, int32_t kind);

// increment = (second - first) / n per value, stored as a single.
TAttractorTable AttractorIncrements(const TAttractorMovie& movie, int32_t n);
// The table of forward frame f (f x increment + first) or of return frame f
// (second - f x increment), each value stored as a single.
TAttractorTable ForwardTable(const TAttractorMovie& movie, const TAttractorTable& inc, int32_t f);
TAttractorTable ReturnTable(const TAttractorMovie& movie, const TAttractorTable& inc, int32_t f);

class TMovieHost;
class T3dFractal;

// The morph of `movie` over host.FrameCount() frames, drawn in `doc` from
// the start point (0.001, 0.001, 0.001) each frame: forward frames 0..n at
// positions 0..n, with ping-pong the return frames at n + 1 .. 2n + 1. Each
// frame is written before the running flag is tested; a failed write ends
// the movie. Returns the frames written.
int32_t RunAttractorMorph(TMovieHost& host, T3dFractal& doc, const TAttractorMovie& movie);

// The kind-7 loop on AttractorMovie() and the host's attractor document
// (nothing is written without one).
void AttractorMovieLoop(TMovieHost& host);
