// SPDX-License-Identifier: GPL-3.0-or-later
#include "attractors/attractor.h"

#include <algorithm>
#include <new>

#include "attractors/attractor_thread.h"
#include "engine/fractal.h"
#include "platform/dialogs.h"

namespace {

// Null (after the out-of-memory message) when the buffer cannot be had; the
// documents share one ceiling on what a buffer may take.
template <class T>
std::unique_ptr<T[]> Allocate(uint64_t count) {
  const uint64_t bytes = count * sizeof(T);
  std::unique_ptr<T[]> buffer;
  if (bytes <= TFractal::BufferLimit()) buffer.reset(new (std::nothrow) T[count]);
  if (!buffer) ShowMessage(OutOfMemoryMessage(bytes));
  return buffer;
}

}  // namespace

T3dFractal::T3dFractal(int32_t width, int32_t height, TCanvas* canvas) : FCanvas(canvas) {
  AllocatePoints(kDefaultPointCount);
  // The size is taken as a change from "none", which must not draw yet.
  TCanvas* keep = FCanvas;
  FCanvas = nullptr;
  SetDrawSize(width, height);
  FCanvas = keep;
}

T3dFractal::~T3dFractal() {
  try {
    StopThread();
    ReleaseBuffers();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Clearing fractal`s resource raised exception:\r\n") + e.what());
  }
}

bool T3dFractal::RenderFinished() const { return !Thread || Thread->Finished(); }

void T3dFractal::StopThread() {
  if (!Thread) return;
  Thread->Terminate();
  Thread->WaitFor();
  Thread.reset();
}

void T3dFractal::ReleaseBuffers() {
  PointBuffer.reset();
  Image.reset();
}

bool T3dFractal::AllocatePoints(int32_t count) {
  PointBuffer.reset();
  DepthMin = DepthMax = 0;
  PointBuffer = Allocate<TCloudPoint>(uint64_t(count) + 1);
  if (!PointBuffer) {
    ReleaseBuffers();
    return false;
  }
  return true;
}

bool T3dFractal::AllocateImage() {
  Image.reset();
  PixelCount = 0;
  if (Width <= 0 || Height <= 0) return false;
  const int64_t bw = PaddedSide(Width), bh = PaddedSide(Height);
  Header.biWidth = int32_t(bw);
  Header.biHeight = int32_t(bh);
  Image = Allocate<uint8_t>(uint64_t(bw) * uint64_t(bh) * 3);
  if (!Image) return false;
  PixelCount = int32_t(bw * bh);  // the ceiling keeps it within 32 bits
  return true;
}

void T3dFractal::SetDrawSize(int32_t width, int32_t height) {
  if (width == Width && height == Height) return;
  StopThread();
  DepthMin = DepthMax = 0;
  Width = width;
  Height = height;
  if (!AllocateImage()) return;
  // After a point buffer that could not be had, a new size tries again.
  if (!PointBuffer && !AllocatePoints(PointCount)) return;
  Restart();
}

void T3dFractal::SetPointCount(int32_t n) {
  if (n == PointCount) return;
  StopThread();
  PointCount = std::clamp(n, kMinPointCount, kMaxPointCount);
  const bool recovering = !PointBuffer;
  if (!AllocatePoints(PointCount)) return;
  // After a point buffer that could not be had, the image comes back too.
  if (recovering && !Image && !AllocateImage()) return;
  Restart();
}

int32_t T3dFractal::GetPointCount() {
  if (PointCount == 0) PointCount = kDefaultPointCount;
  return PointCount;
}

void T3dFractal::SetWindow(Extended x, Extended y, Extended w) {
  if (x == X && y == Y && w == W) return;
  const bool running = !RenderFinished();
  StopThread();
  X = x;
  Y = y;
  W = w;
  if (running)
    Restart();
  else
    Redraw();
}

void T3dFractal::SetCoefficients(const TAttractorTable& table) {
  StopThread();
  Coefficients = table;
  Restart();
}

void T3dFractal::Restart() {
  if (Number != kAttractorFormula || Kind == 0 || !FCanvas) return;
  StopThread();
  Current = {kAttractorStart, kAttractorStart, kAttractorStart};
  DepthMin = DepthMax = 0;
  if (PointBuffer && Image) Thread = std::make_unique<T3dFThread>(this);
}

void T3dFractal::Redraw() {
  if (!PointBuffer || !Image || !FCanvas || DepthMin == DepthMax || !RenderFinished()) return;
  std::fill(Image.get(), Image.get() + size_t(PixelCount) * 3, uint8_t(0));
  const TCloudView view{X, Y, W / (Width - 1), DepthMin, DepthMax, Solid, Background};
  DrawCloud(PointBuffer.get(), size_t(PointCount) + 1, view, Image.get(), BufWidth(), BufHeight());
  Paint();
}

void T3dFractal::Paint() {
  if (!Image || !FCanvas) return;
  FCanvas->DrawBitmap(Header, Image.get(), {0, 0, Width, Height}, {0, 0, Width, Height});
}

void T3dFractal::PaintTo(TCanvas* canvas, int32_t width, int32_t height) {
  if (!Image || !canvas) return;
  canvas->DrawBitmap(Header, Image.get(), {0, 0, Width, Height}, {0, 0, width, height});
}
