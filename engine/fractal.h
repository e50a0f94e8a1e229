// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The escape-time fractal document: parameters, view and home windows, the
// two pixel buffers, the palette and the render thread that fills them.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "engine/deep_real.h"
#include "engine/deep_window.h"
#include "engine/view_window.h"
#include "engine/iteration_limit.h"
#include "engine/palette.h"
#include "formulas/formula_context.h"
#include "platform/bitmap.h"
#include "platform/zeroed_buffer.h"

class TFThread;
class TProfileFile;
class TSharedDeepReference;

// The IFS points drawn per iteration (IFScounter), as the selection dialog
// offers them.
constexpr int32_t kMinIFSCounter = 10, kMaxIFSCounter = 1000000;

// The value of SetProperty: a real, an integer, a boolean, or a colour
// (index 37).
struct TPropertyColor {
  int32_t R = 0, G = 0, B = 0;
};
using TPropertyValue = std::variant<Extended, int32_t, bool, TPropertyColor>;

class TFractal {
 public:
  using TCallback = std::function<void(TFractal*)>;

  TFractal(int32_t number, Extended x, Extended y, Extended w, int32_t width, int32_t height, TCanvas* canvas);
  ~TFractal();
  TFractal(const TFractal&) = delete;
  TFractal& operator=(const TFractal&) = delete;

  void Restart();
  void SetFormula(int32_t number, Extended x, Extended y, Extended w);
  void SetSize(int32_t width, int32_t height);
  // The rows of the padded picture a render covers, and how many of them
  // the buffers hold at a time. By default a render covers every row and
  // the buffers hold the whole picture. With a band height the buffers hold
  // one band, which the render fills from the picture's top down, handing
  // each band to OnBand before it computes the next: a picture far larger
  // than memory is rendered with buffers of its width times the band
  // height, and every pixel is the one the whole picture has there.
  struct TRowBands {
    int32_t First = 0;   // the first row rendered
    int32_t Count = 0;   // rows rendered from First; 0: to the last row
    int32_t Height = 0;  // rows the buffers hold; 0: the whole picture
  };
  void SetRowBands(const TRowBands& bands);
  const TRowBands& RowBands() const { return Bands; }
  // The padded picture's rows: Height rounded up to a multiple of 4. It is
  // BufHeight unless the buffers hold one band.
  int32_t PictureRows() const;
  void SetWindow(Extended x, Extended y, Extended w);
  void SetWindow(const TViewWindow& window);
  // Sets the view from its deep window, kept to the precision its depth
  // needs (engine/deep_window.h); X, Y, W become its rounding.
  void SetDeepWindow(const TDeepWindow& window);
  const TViewWindow& ViewWindow() const { return FWindow; }
  // Moves or zooms the view by pixels of the current view, computed from the
  // deep window.
  void MoveWindow(const TViewMove& move);
  void SetJuliaPoint(Extended re, Extended im);
  void SetParameters(Extended p1r, Extended p1i, Extended p2r, Extended p2i, Extended p3r, Extended p3i);
  void SetConstructor(const Extended (&coefs)[kConstructorCoefCount]);
  void SetIFSNumber(int32_t number);
  void SetIFSCounter(int32_t counter);
  void SetMaxIter(int32_t n);
  int32_t AutoMaxIter() const;
  // The largest maximum iterations the current view and formula take
  // (engine/iteration_limit.h).
  int32_t MaxIterLimit() const;
  // The maximum iterations a render of `window` at the document's size and
  // parameters gets.
  int32_t RenderMaxIter(const TViewWindow& window) const;
  void SetProperty(int32_t index, const TPropertyValue& value);
  void SetUserFormula(const std::vector<std::string>& lines);
  // Generates the library source of the user formula, runs the compiler kit
  // and loads the module it produced (see engine/user_formula.h).
  void CompileUserFormula();

  void Recolor();
  void RecolorThreshold(int32_t limit);
  void Paint();
  void PaintTo(TCanvas* canvas, int32_t width, int32_t height);
  float PixelValue(int32_t column, int32_t row) const;
  TColor3 PixelColor(int32_t column, int32_t row) const;
  void Assign(const TFractal* other);

  // Spot files. SaveSpot(file) puts every section of the spot into `file`
  // without writing it, so that a caller adding its own keys replaces the
  // file once; SaveSpot(path) loads, fills and saves. LoadSpot throws
  // TProfileError for a file that exists but cannot be read, before anything
  // changes.
  void SaveSpot(const std::string& path) const;
  void SaveSpot(TProfileFile& file) const;
  void LoadSpot(const std::string& path);
  void LoadSpot(const TProfileFile& file);

  // Stops the render thread (terminate, wait) and frees it.
  void StopThread();
  // The render of the last Restart, or null; lets owners see whether it ended.
  TFThread* RenderThread() const { return Thread.get(); }
  bool RenderFinished() const;

  int32_t BufWidth() const { return Header.biWidth; }
  int32_t BufHeight() const { return Header.biHeight; }
  // The buffers themselves; while a render runs, read or write them only
  // with LockBuffers held.
  const float* ValueBuffer() const { return Values.get(); }
  float* ValueBuffer() { return Values.get(); }
  const uint8_t* ImageBuffer() const { return Image.get(); }
  uint8_t* ImageBuffer() { return Image.get(); }
  const TBitmapInfoHeader& BitmapHeader() const { return Header; }
  // The render thread stores pixels only while it holds this lock, so a
  // holder sees whole pixels and may recolour or draw them. Never hold it
  // while waiting for the render thread.
  std::unique_lock<std::mutex> LockBuffers() const { return std::unique_lock<std::mutex>(BufferLock); }
  TCanvas* Canvas() const { return FCanvas; }
  bool HasUserModule() const { return UserModule != nullptr; }

  // Most bytes the buffers may take together; 0, the default, is the memory
  // the machine can give this process now (platform/available_memory.h). A
  // larger image is refused with the out-of-memory message before anything
  // is allocated, instead of exhausting the machine.
  static inline uint64_t MaxBufferBytes = 0;
  // The limit MaxBufferBytes sets, read now.
  static uint64_t BufferLimit();
  // Threads of the escape-time pass: 0 means one per core, 1 the plain
  // single-threaded pass.
  static inline int32_t RenderThreads = 0;
  // Fast arithmetic preference: every render started from now on steps in
  // double instead of extended precision (Ctx.FastArithmetic tells whether
  // the document's last render did).
  static inline bool UseFastArithmetic = false;
  // Name of the render mutex the main document's thread holds ("Frac" + handle).
  static inline std::string RenderMutexName;

  // Fields, in declaration order.
  bool PreviewMode = false;
  void* UserModule = nullptr;
  bool UserFormulaAttached = false;
  bool NeedsCompile = false;
  std::unique_ptr<std::vector<std::string>> UserLines;
  std::string SourcePath, ModulePath;
  // What the compiler reported at the last CompileUserFormula (its console
  // output), for the windows to show.
  std::string CompilerOutput;

 private:
  std::unique_ptr<TFThread> Thread;
  TZeroedBuffer<float> Values;
  TBitmapInfoHeader Header;
  TZeroedBuffer<uint8_t> Image;

 public:
  int64_t PixelCount = 0;
  std::unique_ptr<TFPal> Palette;

 private:
  TCanvas* FCanvas = nullptr;

 public:
  bool MainDocument = false;
  int32_t Width = 0, Height = 0;
  TCallback OnParamsChanged;
  TCallback OnRenderStart;
  // A band of a banded render is in the buffers: its first row and its rows
  // (the last band may be shorter than the band height), top row in memory
  // row BufHeight - 1 as in every bottom-up bitmap. Called on the owner's
  // thread while the render waits.
  std::function<void(TFractal*, int32_t top, int32_t rows)> OnBand;
  bool ProgressFlag = false;
  bool AutoIter = true;
  Extended X0 = 0, Y0 = 0, W0 = 0;

 private:
  TViewWindow FWindow;

 public:
  // The view window's rounding X, Y, W and its exact window Deep, equal to
  // them unless the view is deeper than they resolve. Read-only: the view
  // changes through SetWindow, SetDeepWindow and MoveWindow.
  const Extended &X = FWindow.X(), &Y = FWindow.Y(), &W = FWindow.W();
  const TDeepWindow& Deep = FWindow.Exact();
  TFormulaContext Ctx;
  // Reference orbits that deep renders started from now on use instead of
  // computing their own wherever they serve the view (engine/perturbation.h):
  // a flight through views around one point computes them once for all.
  std::shared_ptr<TSharedDeepReference> DeepReference;

 private:
  friend class TFThread;
  void ReleaseUserModule();
  void ReleaseBuffers();
  // Takes the buffers for the current size and bands; false, with the
  // out-of-memory message shown, when they cannot be had.
  bool AllocateBuffers();
  void AllocateOrbitStore();
  // The maximum iterations of a view `w` wide whose deep window is `window`.
  int32_t MaxIterOf(Extended w, const TDeepWindow& window) const;
  // Reads the deep keys of a spot over the window X, Y, W just read.
  void LoadDeepWindow(const TProfileFile& f);
  // Takes the limit the render chose for a deep view with the automatic
  // limit and tells the owners.
  void TakeAutoMaxIter(int32_t n);
  // Colours the shown rows again, each by colorRow(values, Width, image row).
  void RecolorRows(const std::function<void(const float*, int32_t, uint8_t*)>& colorRow);
  void RecolorWith(const std::function<TColor3(const float*)>& colorOf);
  std::vector<TOrbitEntry> OrbitStore;
  TRowBands Bands;
  mutable std::mutex BufferLock;
};

// "Unable to get %n bytes: out of memory" with the byte count in place of the
// placeholder, grouped by thousands.
std::string OutOfMemoryMessage(uint64_t bytes);
