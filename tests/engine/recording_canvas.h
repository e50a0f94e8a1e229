// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A canvas that records what a document draws on it.

#include <mutex>
#include <vector>

#include "platform/bitmap.h"

struct TDrawCall {
  TRect Source, Target;
};

class TRecordingCanvas : public TCanvas {
 public:
  void DrawBitmap(const TBitmapInfoHeader&, const uint8_t*, const TRect& source, const TRect& target) override {
    std::lock_guard<std::mutex> guard(Lock);
    Draws.push_back({source, target});
  }
  void SetPixel(int32_t x, int32_t y, TColor3 color) override {
    std::lock_guard<std::mutex> guard(Lock);
    Pixels.push_back({x, y, color});
  }
  struct TPixelCall {
    int32_t X, Y;
    TColor3 Color;
  };
  std::mutex Lock;
  std::vector<TDrawCall> Draws;
  std::vector<TPixelCall> Pixels;
};
