// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a movie's frame loop works with, and the table of frame loops by
// movie kind.
//
// The AVI setup dialog (and the batch renderer) is a TMovieHost: a loop sets
// the frame's values in Document(), calls RenderAndWait() (rendering kinds),
// then WriteFrame(i); it ends when WriteFrame fails or Running() turns false,
// and moves the gauge. A loop is a plain function of the host, which the
// maker of its kind registers with SetMovieLoop when it is created (the main
// window creates the spots dialog of kind 2 at its start). The dialog looks
// up MovieLoop(kind) when the user starts rendering.

#include <cstdint>

class TFractal;
class T3dFractal;

class TMovieHost {
 public:
  virtual ~TMovieHost() = default;
  // The escape-time document the frames are rendered in.
  virtual TFractal& Document() = 0;
  // The attractor document for kind 7, or null.
  virtual T3dFractal* Attractor();
  // Waits, keeping the program responsive, until the document's render ended.
  virtual void RenderAndWait() = 0;
  // Writes the document's image as frame i (at position S * i); false when
  // the write failed and the loop must end.
  virtual bool WriteFrame(int32_t i) = 0;
  // Cleared by "Stop".
  virtual bool Running() const = 0;
  // "&Frame count:" (N).
  virtual int32_t FrameCount() const = 0;
  virtual void SetGaugeMax(int32_t max) = 0;
  virtual void SetGaugePosition(int32_t position) = 0;
};

using TMovieLoop = void (*)(TMovieHost& host);

constexpr int32_t kMovieKindCount = 7;  // kinds 1..7

void SetMovieLoop(int32_t kind, TMovieLoop loop);
// The loop of a kind, or null when none is registered.
TMovieLoop MovieLoop(int32_t kind);
