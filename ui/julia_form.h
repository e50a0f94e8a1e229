// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Julie": the Julia preview window. A 120 x 120 preview document shows the
// Julia set of the point under the mouse in the main window, rendered in
// preview mode (a growing iteration limit).
//
// The main window feeds it: call JuliaRefresh() for MSG_JULIA_REFRESH and
// JuliaPoint() with the hover point for MSG_JULIA_POINT.

#include <functional>
#include <memory>

#include <QImage>
#include <QWidget>

#include "formulas/numbers.h"
#include "platform/bitmap.h"
#include "ui/tool_window_form.h"

class TFractal;
class TForm17;

constexpr int kJuliePreviewSize = 120;

// The preview's canvas: the document draws into the window's picture, and the
// window repaints the part drawn.
class TJulieCanvas : public TCanvas {
 public:
  explicit TJulieCanvas(TForm17* form);
  void DrawBitmap(const TBitmapInfoHeader& header, const uint8_t* bits, const TRect& source,
                  const TRect& target) override;
  void SetPixel(int32_t x, int32_t y, TColor3 color) override;
  QImage Picture;
  // Paints that covered the whole picture (the preview pass makes one per
  // iteration limit).
  int FullPaints = 0;

 private:
  TForm17* Form;
};

class TForm17 : public TToolWindow {
  Q_OBJECT
 public:
  // `mainDocument` is the document whose Julia sets the window previews;
  // `owner` (the main window) gets the activation back whenever this window
  // is activated or moved.
  explicit TForm17(TFractal* mainDocument, QWidget* owner = nullptr);
  ~TForm17() override;

  // The main window's "&Julie window" check mark; without it the window
  // counts as wanted.
  std::function<bool()> JulieWindowChecked;

  void SetMainDocument(TFractal* document) { MainDocument = document; }
  TFractal* Preview() const { return FPreview.get(); }
  // What the window shows.
  const QImage& Picture() const { return FCanvas.Picture; }
  TJulieCanvas& Canvas() { return FCanvas; }

  // MSG_JULIA_REFRESH: copies the main document into the preview in Julia
  // mode and shows the window when the main document is not in Julia mode,
  // "&Julie window" is checked and the formula allows Julia mode; otherwise
  // hides the window.
  void JuliaRefresh();
  // MSG_JULIA_POINT: the hover point becomes the preview's Julia seed.
  void JuliaPoint(Extended re, Extended im);

 protected:
  void PaintClient(QPainter& painter) override;
  void showEvent(QShowEvent* event) override;

 private:
  TFractal* MainDocument;
  TJulieCanvas FCanvas;
  std::unique_ptr<TFractal> FPreview;
  bool Refreshing = false;
};
