// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The IFS movie (kind 6): a morph from a start set of transforms to an end
// set, drawn by the main document through the working set (IFS 10000).
//
// The IFS movie window fills IFSMovie() and opens the AVI setup dialog with
// kind 6; the dialog runs IFSMovieLoop. The batch renderer fills its own
// TIFSMovie and calls RunIFSMorph.

#include <cstdint>

#include "ifs/ifs_model.h"
#include "movies/morph_frames.h"

constexpr int32_t kIFSMovieKind = 6;
constexpr int32_t kDefaultMorphMultiplier = 100;

struct TIFSMovie {
  TWorkingIFS Start, End;
  int32_t Multiplier = kDefaultMorphMultiplier;  // the document's IFS counter while the movie is drawn
  bool PingPong = false;
};

// The program-wide sets of the IFS movie window.
TIFSMovie& IFSMovie();

// The per-frame increments of all 30 slots, stored as singles.
struct TIFSIncrements {
  float Values[kMaxIFSTransforms + 1][kTransformFieldCount] = {};
};

// The transform count every frame draws: the larger of the two counts.
int32_t MorphCount(const TIFSMovie& movie);

// increment = (end - start) / n per value, a slot beyond a set's own count
// counting as all zero.
TIFSIncrements IFSIncrements(const TIFSMovie& movie, int32_t n);

// The set of forward frame f (f x increment + start) or of return frame f
// (end - f x increment): MorphCount transforms, each value stored as a single.
TWorkingIFS ForwardIFS(const TIFSMovie& movie, const TIFSIncrements& inc, int32_t f);
TWorkingIFS ReturnIFS(const TIFSMovie& movie, const TIFSIncrements& inc, int32_t f);

class TMovieHost;

// The morph of `movie` over host.FrameCount() frames, drawn in the host's
// document: forward frames 0..n at positions 0..n, with ping-pong the return
// frames 0..n at n + 1 .. 2n + 1. Each frame is written before the running
// flag is tested; a failed write ends the movie. Returns the frames written.
int32_t RunIFSMorph(TMovieHost& host, const TIFSMovie& movie);

// The kind-6 loop on IFSMovie().
void IFSMovieLoop(TMovieHost& host);
