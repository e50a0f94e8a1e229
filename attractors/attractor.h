// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 3D attractor document: the parameters of one map, the cloud of points
// its last drawing pass produced, the 24-bit image the cloud is drawn into,
// and the ".fr3" attractor file.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "attractors/attractor_step.h"
#include "formulas/formula_context.h"
#include "platform/bitmap.h"

class T3dFThread;
class TProfileFile;

constexpr int32_t kMinPointCount = 1000, kMaxPointCount = 1000000;
constexpr int32_t kDefaultPointCount = 10000;
constexpr Extended kAttractorStart = 0.001L;  // every coordinate of the map's start point

// One point of the cloud as the drawing pass stores it.
struct TCloudPoint {
  float x = 0, y = 0, z = 0;
};

// An attractor file by its name: ".FR3" anywhere in the upper-cased name, as
// the program tells its files apart.
bool IsAttractorFileName(const std::string& name);
// Why `path` cannot be loaded as an attractor file (missing, a folder,
// unreadable), or "" when it can be read.
std::string AttractorFileProblem(const std::string& path);
// Reads the "Attract" section ("A101" .. "P5", default 0) into `table` value
// by value; throws TConvertError at a value that is not a number, the values
// read before it staying.
void ReadAttractorTable(const TProfileFile& file, TAttractorTable& table);
// The message of a load that failed with `error`.
std::string AttractorLoadFailure(const std::string& error);

// The section of an attractor file that holds the window's drawing size
// ("X_Size", "Y_Size").
inline constexpr const char* kAttractorDrawSize = "DrawSize";

// What an attractor file holds; the defaults are those of a file without the
// keys.
struct TAttractorFileValues {
  int32_t DrawWidth = 300, DrawHeight = 300;  // "DrawSize", as the file has them
  TAttractorTable Table;
  Extended X = -2, Y = 2, W = 4;
  int32_t Kind = kAttractorIFS;
  int32_t ColorStyle = 0;
  TColor3 Solid{255, 255, 255};
  TColor3 Background{0, 0, 0};
  int32_t PointCount = kDefaultPointCount;
};
// Reads the whole file before anything is applied, so that a file that
// cannot be loaded changes nothing. Throws, with the text for the user:
// std::runtime_error for a file that cannot be read (AttractorFileProblem),
// one that holds none of the sections "DrawSize", "Fractal" and "Attract"
// (not an attractor file) and a formula number other than 2000;
// TConvertError for a value that is not a number and for a view window with
// no picture (platform/view_values.h).
TAttractorFileValues ReadAttractorFile(const std::string& path);

class T3dFractal;
// The text a PNG picture of the attractor carries: the program, and the
// document's number, window and point count under their file key names.
std::vector<std::pair<std::string, std::string>> AttractorImageText(T3dFractal& doc);

class T3dFractal {
 public:
  // Initial values, the image buffer and a point buffer for 10000 + 1
  // points; does not start drawing.
  T3dFractal(int32_t width, int32_t height, TCanvas* canvas);
  ~T3dFractal();
  T3dFractal(const T3dFractal&) = delete;
  T3dFractal& operator=(const T3dFractal&) = delete;

  void SetDrawSize(int32_t width, int32_t height);
  void SetPointCount(int32_t n);
  int32_t GetPointCount();
  // Stores the window and redraws the stored points; a drawing pass that is
  // still running is stopped and started again instead, so that it projects
  // with the new window.
  void SetWindow(Extended x, Extended y, Extended w);
  void SetCoefficients(const TAttractorTable& table);
  void Restart();
  void Paint();
  void PaintTo(TCanvas* canvas, int32_t width, int32_t height);
  // Draws the stored points again with the current window and colours.
  void Redraw();
  void SaveToFile(const std::string& path);
  // ReadAttractorFile, then TakeFile; a file that cannot be loaded shows
  // AttractorLoadFailure and changes nothing.
  void LoadFromFile(const std::string& path);
  // Stops the thread and takes the file's values; the point count goes
  // through SetPointCount from 0, which reallocates the points and restarts.
  void TakeFile(const TAttractorFileValues& values);

  // Stops the render thread (terminate, wait) and frees it.
  void StopThread();
  T3dFThread* RenderThread() const { return Thread.get(); }
  bool RenderFinished() const;

  int32_t BufWidth() const { return Header.biWidth; }
  int32_t BufHeight() const { return Header.biHeight; }
  const TBitmapInfoHeader& BitmapHeader() const { return Header; }
  const uint8_t* ImageBuffer() const { return Image.get(); }
  uint8_t* ImageBuffer() { return Image.get(); }
  const TCloudPoint* Points() const { return PointBuffer.get(); }
  TCanvas* Canvas() const { return FCanvas; }
  void SetCanvas(TCanvas* canvas) { FCanvas = canvas; }
  // The depth range of the last complete pass; empty (ZMin == ZMax) before.
  float ZMin() const { return DepthMin; }
  float ZMax() const { return DepthMax; }

 private:
  std::unique_ptr<T3dFThread> Thread;
  std::unique_ptr<TCloudPoint[]> PointBuffer;
  TBitmapInfoHeader Header;
  std::unique_ptr<uint8_t[]> Image;

 public:
  int32_t PixelCount = 0;

 private:
  TCanvas* FCanvas = nullptr;

 public:
  int32_t Width = 0, Height = 0;  // the drawing size
  Extended X = -2, Y = 2, W = 4;
  int32_t Number = kAttractorFormula;

 private:
  int32_t PointCount = kDefaultPointCount;

 public:
  TAttractorPoint Current;
  int32_t Kind = kAttractorIFS;
  int32_t ColorStyle = 0;
  TColor3 Solid{255, 255, 255};
  TColor3 Background{0, 0, 0};
  TAttractorTable Coefficients;

  // The random numbers of kind 1 and of the search; the render thread draws
  // from it only while it runs.
  TAttractorRandom Random;
  // The pass reports its progress (MSG_RENDER_PROGRESS with the points made
  // so far and N + 1) and its end (MSG_RENDER_DONE) to the application
  // queue; off in the attractor window.
  bool ProgressFlag = false;

 private:
  friend class T3dFThread;
  bool AllocatePoints(int32_t count);
  bool AllocateImage();
  void ReleaseBuffers();
  float DepthMin = 0, DepthMax = 0;
};
