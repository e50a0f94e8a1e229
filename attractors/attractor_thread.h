// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The render thread of an attractor document: one drawing pass iterates the
// map for N + 1 points, sorts them by depth and draws them far to near with
// depth shading, painting the image every 500 points.

#include <cstdint>
#include <functional>

#include "attractors/attractor.h"
#include "platform/worker_thread.h"

constexpr float kRunawayLimit = 10;   // a coordinate beyond this is pulled back to the start value
constexpr int32_t kPaintEvery = 500;  // points drawn between two paints of the pass

// What the drawing of a sorted cloud needs: the window (left X, top Y and
// the pixel size S) and the depth range with its two colours.
struct TCloudView {
  Extended X = 0, Y = 0, S = 0;
  float ZMin = 0, ZMax = 0;
  TColor3 Solid, Background;
};

// Sorts the points by z, ascending; x, y and z move together.
void SortByDepth(TCloudPoint* points, size_t count);

// Draws points[count - 1] down to points[0] (farthest first, each nearer one
// over it) into the bottom-up image of bufWidth x bufHeight. After every
// point whose index is a multiple of kPaintEvery `mark` is called; drawing
// stops when it returns false. Points off the image are skipped.
void DrawCloud(const TCloudPoint* points, size_t count, const TCloudView& view, uint8_t* image, int32_t bufWidth,
               int32_t bufHeight, const std::function<bool()>& mark = {});

class T3dFThread : public TWorkerThread {
 public:
  // Clears the document's image to black, paints it and starts the pass.
  explicit T3dFThread(T3dFractal* document);
  ~T3dFThread() override;

 private:
  void Execute() override;
  void Draw();
  void PaintImage();

  T3dFractal* Document;
  Extended S = 0;  // pixel size, fixed at start
};
