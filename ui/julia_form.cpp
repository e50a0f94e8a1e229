// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/julia_form.h"

#include <QPainter>
#include <QShowEvent>

#include "engine/fractal.h"
#include "formulas/catalogue.h"
#include "platform/canvas_qt.h"

TJulieCanvas::TJulieCanvas(TForm17* form)
    : Picture(kJuliePreviewSize, kJuliePreviewSize, QImage::Format_RGB32), Form(form) {
  Picture.fill(Qt::black);
}

void TJulieCanvas::DrawBitmap(const TBitmapInfoHeader& header, const uint8_t* bits, const TRect& source,
                              const TRect& target) {
  TQtCanvas(&Picture).DrawBitmap(header, bits, source, target);
  if (target.Left <= 0 && target.Top <= 0 && target.Left + target.Width >= Picture.width() &&
      target.Top + target.Height >= Picture.height())
    ++FullPaints;
  Form->Client()->update(target.Left, target.Top, target.Width, target.Height);
}

void TJulieCanvas::SetPixel(int32_t x, int32_t y, TColor3 color) {
  TQtCanvas(&Picture).SetPixel(x, y, color);
  Form->Client()->update(x, y, 1, 1);
}

TForm17::TForm17(TFractal* mainDocument, QWidget* owner)
    : TToolWindow(owner, QSize(kJuliePreviewSize, kJuliePreviewSize), owner, &TSettings::JulieForm),
      MainDocument(mainDocument),
      FCanvas(this) {
  setWindowTitle(tr("Julie"));
  FPreview = std::make_unique<TFractal>(-1, -2, 3, 6, kJuliePreviewSize, kJuliePreviewSize, &FCanvas);
  FPreview->PreviewMode = true;
}

TForm17::~TForm17() {
  // The render thread paints on this window's canvas: end it first.
  FPreview.reset();
}

void TForm17::JuliaRefresh() {
  const bool checked = JulieWindowChecked ? JulieWindowChecked() : true;
  if (MainDocument && !MainDocument->Ctx.JulieSet && checked && FormulaJuliaAllowed(MainDocument->Ctx.Number)) {
    FPreview->Assign(MainDocument);
    // The compiled user formula stays the main document's: the preview only
    // borrows its entry point and must never unload it.
    FPreview->UserModule = nullptr;
    FPreview->Ctx.MaxIter /= 2;
    FPreview->Ctx.Smoothing = 0;
    FPreview->Ctx.JulieSet = true;
    FPreview->SetWindow(-2, 3, 6);
    if (!isVisible()) {
      Refreshing = true;
      show();
      Refreshing = false;
    }
  } else {
    hide();
  }
}

void TForm17::JuliaPoint(Extended re, Extended im) { FPreview->SetJuliaPoint(re, im); }

void TForm17::PaintClient(QPainter& p) { p.drawImage(0, 0, FCanvas.Picture); }

void TForm17::showEvent(QShowEvent* event) {
  TToolWindow::showEvent(event);
  // Shown from outside (the menu item): decide afterwards, once the caller
  // has set its check mark, whether there is a preview to show.
  if (!Refreshing && !event->spontaneous())
    QMetaObject::invokeMethod(this, [this] { JuliaRefresh(); }, Qt::QueuedConnection);
}
