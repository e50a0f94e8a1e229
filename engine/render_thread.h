// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The render thread of a fractal document: one image per run, column by
// column (escape-time formulas), point by point (orbital formulas, IFS) or
// with a growing iteration limit (preview mode).

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/deep_real.h"
#include "engine/palette.h"
#include "formulas/formula_context.h"
#include "formulas/pixel.h"
#include "platform/bitmap.h"
#include "platform/worker_thread.h"

class TFractal;
class TNamedMutex;
class TPerturbation;
struct TDeepReference;
class TSharedDeepReference;

constexpr uint32_t MSG_RENDER_PROGRESS = 0x613;
// The reference orbit of a deep render: iterations done, of those to do.
constexpr uint32_t MSG_REFERENCE_PROGRESS = 0x614;
constexpr uint32_t MSG_RENDER_DONE = 0xB33;

// Whether the render thread has a pass for this formula number: escape-time
// 0..499, 1000 and 3000, orbital 500..999, IFS 1001. Any other number renders
// nothing and leaves the buffers as they were.
bool HasRenderPass(int32_t number);

class TFThread : public TWorkerThread {
 public:
  // Starts the run at once, unless the main document's render mutex cannot
  // be opened: then the thread never starts and renders nothing.
  explicit TFThread(TFractal* document);
  ~TFThread() override;

  // The colours of what the run stores from now on. Call with the
  // document's buffers locked.
  void UsePalette(const TFPal& palette) { Palette = palette.Snapshot(); }
  // The reference orbits the run's deep render used, once the run ended;
  // null for an ordinary render.
  std::shared_ptr<const TDeepReference> DeepReference() const;

 private:
  void Execute() override;
  // The rows First..End of the picture, band by band: each band rendered
  // by `render` (false: stopped) and handed to the document's OnBand.
  template <class F>
  void RenderBands(F render);
  bool RenderEscapeTime();
  bool RenderEscapeTimeParallel(int32_t threads);
  bool RenderPoints(bool ifs);
  void RenderProgressive();
  // Readies the deep render when the view is past the ordinary render's
  // precision and the deep render serves the formula; with the automatic
  // limit, chooses the limit from the view first and gives it to the
  // document.
  void PrepareDeepRender();
  // Posts the reference's progress when its tenth of a percent changed.
  void ReportReference();
  // Neighbouring columns' channel values, computed before they are stored,
  // row after row of kStripColumns pixels, so that they go into the buffers
  // as the buffers hold them. A preview pass marks the pixels it iterated
  // again in Computed; a full pass leaves it empty.
  static constexpr int32_t kStripColumns = 16;
  struct TStrip {
    int32_t Left = 0, Count = 0;
    std::vector<float> Values;  // three channels a pixel
    std::vector<uint8_t> Computed;
  };
  // The columns Left .. Left + count - 1 (at most kStripColumns); false when
  // a stop came first, with the columns done so far in the strip.
  bool EvaluateStrip(TFormulaContext& ctx, int32_t left, int32_t count, bool onlyUnescaped, TStrip& strip);
  void EvaluateColumn(TFormulaContext& ctx, int32_t px, double x, bool onlyUnescaped, TPixelChannels* values,
                      uint8_t* computed);
  void StoreStrip(const TStrip& strip);
  // Evaluates and stores the strip of columns from `left`; false when a stop
  // came first, with the columns done so far stored.
  bool RenderStrip(TFormulaContext& ctx, int32_t left, bool onlyUnescaped, TStrip& strip);
  // The escape-time pass's rhythm over a strip's columns: progress before
  // every fourth column (false when a stop came first), painting after every
  // second.
  bool ReportStripStart(int32_t left, int32_t count);
  void PaintStrip(int32_t left, int32_t count);
  void PaintColumns();
  void PaintAll();
  void PaintPoint();
  void Post(uint32_t msg, intptr_t done, intptr_t total);

  std::shared_ptr<TNamedMutex> Mutex;
  TFractal* Document;
  std::unique_ptr<TFPal> Palette;  // guarded by the document's buffer lock
  TFormulaContext Ctx;  // the parameters of this run
  Extended X = 0, Y = 0;
  TDeepWindow Deep;
  std::unique_ptr<TPerturbation> Perturbation;  // set for a deep render
  std::shared_ptr<TSharedDeepReference> Reference;  // the document's, offered to the deep render
  bool Progress = false, Preview = false, AutoIter = false;
  std::atomic<int64_t> ReferenceDone{0}, ReferenceTotal{0};
  int64_t ReferenceShown = -1;  // in tenths of a percent
  int32_t Threads = 1;
  Extended Step = 0;
  // The picture's padded rows, the rows the run covers, and the band the
  // buffers hold now (Top its first picture row, Rows its rows).
  int32_t PictureRows = 0, First = 0, End = 0, BandHeight = 0;
  int32_t Top = 0, Rows = 0;
  bool Banded = false;
  uint32_t PointSeed = 0;  // the IFS sequence's start, where every band begins
  int32_t CurrentColumn = 0;
  int32_t PointColumn = 0, PointRow = 0;
  TColor3 PointColour;
};
