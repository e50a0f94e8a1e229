// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A movie host that records what a frame loop does: renders, written frame
// numbers and gauge moves; "Stop" and failed writes come when a test asks.

#include <cstdint>
#include <vector>

#include "engine/fractal.h"
#include "movies/movie_host.h"
#include "tests/document_test_helpers.h"

class TLoopRecorder : public TMovieHost {
 public:
  explicit TLoopRecorder(TFractal* doc = nullptr, int32_t frameCount = 10) : Doc(doc), Frames(frameCount) {}

  TFractal& Document() override { return *Doc; }
  void RenderAndWait() override {
    ++Renders;
    if (Doc) WaitForRender(*Doc);
  }
  bool WriteFrame(int32_t i) override {
    if (i == FailWriteAt) return false;
    Written.push_back(i);
    return true;
  }
  // "Stop" is pressed during render number StopAfterRenders + 1, or once
  // StopAfterWrites frames are written.
  bool Running() const override {
    return Renders <= StopAfterRenders && int32_t(Written.size()) < StopAfterWrites;
  }
  int32_t FrameCount() const override { return Frames; }
  void SetGaugeMax(int32_t max) override { GaugeMax = max; }
  void SetGaugePosition(int32_t position) override { Gauge.push_back(position); }

  TFractal* Doc;
  int32_t Frames;
  int32_t Renders = 0;
  int32_t StopAfterRenders = 1 << 30;
  int32_t StopAfterWrites = 1 << 30;
  int32_t FailWriteAt = -1;
  int32_t GaugeMax = -1;
  std::vector<int32_t> Written, Gauge;
};
