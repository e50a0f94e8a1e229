// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A movie host for morph loops: records the position of every frame written
// and the gauge; a frame can stop the movie or fail. The document has no
// canvas, so restarts draw nothing.

#include <cstdint>
#include <vector>

#include "engine/fractal.h"
#include "movies/movie_host.h"

class TMorphTestHost : public TMovieHost {
 public:
  explicit TMorphTestHost(int32_t frames) : Doc(-1, 0, 0, 0, 8, 8, nullptr), Frames(frames) {}
  TFractal& Document() override { return Doc; }
  void RenderAndWait() override {}
  bool WriteFrame(int32_t i) override {
    if (i == FailAt) return false;
    Positions.push_back(i);
    Record();
    if (i == StopAt) RunningFlag = false;
    return true;
  }
  bool Running() const override { return RunningFlag; }
  int32_t FrameCount() const override { return Frames; }
  void SetGaugeMax(int32_t max) override { GaugeMax = max; }
  void SetGaugePosition(int32_t position) override { Gauges.push_back(position); }

  TFractal Doc;
  int32_t Frames;
  bool RunningFlag = true;
  int32_t StopAt = -1, FailAt = -1, GaugeMax = -1;
  std::vector<int32_t> Positions, Gauges;

 protected:
  // Keeps what the frame just written shows.
  virtual void Record() {}
};
