// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 3D view's picture: the pixel values of an image become heights, the
// heights cast shadows to the left, and the rows are drawn from far to near
// in an oblique projection into a 24-bit bottom-up bitmap.

#include <cstdint>
#include <functional>

#include "platform/bitmap.h"

struct TReliefSettings {
  int32_t MaxHeight = 50;  // relief height scale in pixels
  double Angle = 0.5236;   // viewing angle in radians
  int32_t Thickness = 10;  // heights are capped at MaxHeight * Thickness * 0.1
  TColor3 Low{0, 0, 0};
  TColor3 High{192, 255, 192};
  bool InfinityToMax = true;  // never-escaped pixels (value 0) stand at MaxHeight
};

// The geometry of one view: the image's visible size and its buffer size.
struct TReliefSize {
  int32_t Width = 0, Height = 0;
  int32_t BufWidth = 0, BufHeight = 0;
};

// Called before each row of a step (1 heights, 2 shadows, 3 drawing) with the
// row's percentage; returning false stops the picture.
using TReliefProgress = std::function<bool(int32_t step, int32_t percent)>;

// The largest of the values (at least 0).
float LargestValue(const float* values, int64_t count);

// One height from the smoothed value sum around a pixel whose own value is
// `value`. Where the logarithmic scale has no answer (largest value 1 or
// less, a sum that rounds to 0 or below, a negative value, anything not
// finite) the point lies flat at height 0.
float ReliefHeight(float value, double smoothedSum, float largest, const TReliefSettings& s);

// Step 1: heights of rows and columns 1 .. size - 2 from the pixel values
// (BufWidth x BufHeight, rows top-down). Border heights are 0.
bool ComputeHeights(const float* values, const TReliefSize& size, const TReliefSettings& s, float* heights,
                    const TReliefProgress& progress);
// Step 2: every point shadows the points to its left that lie below a line
// falling by 0.5 per column from it; shadowed heights become negative.
bool CastShadows(float* heights, const TReliefSize& size, const TReliefProgress& progress);
// Step 3: draws the rows far (top) to near (bottom) into `image`
// (BufWidth x BufHeight x 3 bytes, rows bottom-up). Pixels that would fall
// outside the image are left out.
bool DrawRelief(const float* heights, const TReliefSize& size, const TReliefSettings& s, uint8_t* image,
                const TReliefProgress& progress);

// The whole picture: clears `image` to black and runs the three steps. False
// when stopped or when the height array cannot be had.
bool RenderRelief(const float* values, const TReliefSize& size, const TReliefSettings& s, uint8_t* image,
                  const TReliefProgress& progress);
