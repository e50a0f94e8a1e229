// SPDX-License-Identifier: GPL-3.0-or-later
#include "attractors/attractor_thread.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "engine/render_thread.h"
#include "platform/messages.h"

namespace {

constexpr size_t kProgressEvery = 10000;  // points between two progress reports

// An order-keeping unsigned key of a float: negative values flipped whole,
// positive ones with the sign bit set.
uint32_t DepthKey(float z) {
  uint32_t bits;
  std::memcpy(&bits, &z, sizeof bits);
  return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

// Rounds half to even into an int32; false when the value does not fit.
bool RoundToInt(double v, int32_t& out) {
  if (!(v > -2147483648.5 && v < 2147483647.5)) return false;
  out = int32_t(std::lrint(v));
  return true;
}

}  // namespace

void SortByDepth(TCloudPoint* points, size_t count) {
  // A radix sort on the bytes of the depth key, least significant first;
  // equal depths keep their order, which does not change the picture (equal
  // depth, equal shade).
  std::vector<TCloudPoint> scratch;
  try {
    scratch.resize(count);
  } catch (const std::bad_alloc&) {
    std::sort(points, points + count, [](const TCloudPoint& a, const TCloudPoint& b) { return a.z < b.z; });
    return;
  }
  size_t histogram[4][256] = {};
  for (size_t k = 0; k < count; ++k) {
    const uint32_t key = DepthKey(points[k].z);
    for (int b = 0; b < 4; ++b) ++histogram[b][(key >> (8 * b)) & 0xFF];
  }
  TCloudPoint* from = points;
  TCloudPoint* to = scratch.data();
  for (int b = 0; b < 4; ++b) {
    size_t start[256], sum = 0;
    for (int v = 0; v < 256; ++v) {
      start[v] = sum;
      sum += histogram[b][v];
    }
    for (size_t k = 0; k < count; ++k) to[start[(DepthKey(from[k].z) >> (8 * b)) & 0xFF]++] = from[k];
    std::swap(from, to);
  }
  // An even number of passes ends in `points`.
}

void DrawCloud(const TCloudPoint* points, size_t count, const TCloudView& view, uint8_t* image, int32_t bufWidth,
               int32_t bufHeight, const std::function<bool()>& mark) {
  // The colour of every shade t = 0..255, per component
  // background + round((solid - background) * t / 255).
  TColor3 shades[256];
  const uint8_t solid[3] = {view.Solid.Blue, view.Solid.Green, view.Solid.Red};
  const uint8_t back[3] = {view.Background.Blue, view.Background.Green, view.Background.Red};
  for (int t = 0; t < 256; ++t) {
    uint8_t c[3];
    for (int i = 0; i < 3; ++i) c[i] = uint8_t(back[i] + std::lrint((int(solid[i]) - int(back[i])) * t / 255.0L));
    shades[t] = {c[0], c[1], c[2]};
  }
  // The points are singles: double precision carries their projection and
  // shade with room to spare, and keeps a million points within a frame.
  const double left = double(view.X), top = double(view.Y), perPixel = double(1 / view.S);
  const double zmax = view.ZMax, perShade = 255 / (double(view.ZMax) - view.ZMin);
  for (size_t i = count; i-- > 0;) {
    const TCloudPoint& p = points[i];
    int32_t column, row;
    if (RoundToInt((p.x - left) * perPixel, column) && RoundToInt((top - p.y) * perPixel, row) && column >= 0 &&
        column < bufWidth && row >= 0 && row < bufHeight) {
      const int t = int(std::lrint((zmax - p.z) * perShade));
      const TColor3 c = shades[std::clamp(t, 0, 255)];
      uint8_t* px = image + (size_t(bufHeight - 1 - row) * bufWidth + size_t(column)) * 3;
      px[0] = c.Blue;
      px[1] = c.Green;
      px[2] = c.Red;
    }
    if (i % kPaintEvery == 0 && mark && !mark()) return;
  }
}

T3dFThread::T3dFThread(T3dFractal* document) : Document(document) {
  T3dFractal& d = *Document;
  S = d.W / (d.Width - 1);
  std::fill(d.Image.get(), d.Image.get() + size_t(d.PixelCount) * 3, uint8_t(0));
  d.Paint();
  Start();
}

T3dFThread::~T3dFThread() { Stop(); }

void T3dFThread::Execute() {
  T3dFractal& d = *Document;
  if (d.Number == kAttractorFormula && d.Kind >= 0) Draw();
  if (d.ProgressFlag) PostMessage(0, MSG_RENDER_DONE, 0, 0);
}

void T3dFThread::Draw() {
  T3dFractal& d = *Document;
  const size_t count = size_t(d.PointCount) + 1;
  TCloudPoint* points = d.PointBuffer.get();
  float zmin = 1000, zmax = -1000;
  TAttractorPoint p = d.Current;
  for (size_t k = 0; k < count; ++k) {
    if (TerminateRequested()) return;
    if (d.ProgressFlag && k % kProgressEvery == 0) PostMessage(0, MSG_RENDER_PROGRESS, intptr_t(k), intptr_t(count));
    AttractorStep(d.Kind, d.Coefficients, p, d.Random);
    if (std::fabs(p.x) > kRunawayLimit) p.x = kAttractorStart;
    if (std::fabs(p.y) > kRunawayLimit) p.y = kAttractorStart;
    if (std::fabs(p.z) > kRunawayLimit) p.z = kAttractorStart;
    points[k] = {float(p.x), float(p.y), float(p.z)};
    zmin = std::min(zmin, points[k].z);
    zmax = std::max(zmax, points[k].z);
  }
  if (d.ProgressFlag) PostMessage(0, MSG_RENDER_PROGRESS, intptr_t(count), intptr_t(count));
  d.Current = p;
  d.DepthMin = zmin;
  d.DepthMax = zmax;
  if (zmax == zmin) return;
  SortByDepth(points, count);
  const TCloudView view{d.X, d.Y, S, zmin, zmax, d.Solid, d.Background};
  DrawCloud(points, count, view, d.Image.get(), d.BufWidth(), d.BufHeight(), [this] {
    if (TerminateRequested()) return false;
    Synchronize([this] { PaintImage(); });
    return true;
  });
}

void T3dFThread::PaintImage() {
  if (!TerminateRequested()) Document->Paint();
}
