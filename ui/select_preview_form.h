// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The selection dialog's live preview: a small picture of the preview
// document, panned by dragging and zoomed by the "+" and "-" buttons.

#include <QWidget>

#include "ui/image_area_form.h"

class TFractal;

// The preview picture: shows the preview document's bitmap and pans the
// document's window while it is dragged with any mouse button.
class TPreviewPicture : public QWidget {
  Q_OBJECT
 public:
  TPreviewPicture(int width, int height, QWidget* parent = nullptr);
  void SetDocument(TFractal* document) { FDocument = document; }
  TCanvas* Canvas() { return &FCanvas; }
  // Ends a drag in progress (the dialog clears it at every showing).
  void ClearPan() { Panning = false; }
  // Halves or doubles the document's window about its centre.
  void ZoomIn();
  void ZoomOut();
  bool Panning = false;
  int LastX = 0, LastY = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TFractal* FDocument = nullptr;
  TRepaintCanvas FCanvas;
};
