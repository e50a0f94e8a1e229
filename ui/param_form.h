// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Parameters": the parameter drag window of the fractal selection dialog.
// Four markers on the -2..2 plane stand for the Julia seed and P1..P3 of the
// dialog's preview document; dragging one writes its value into the dialog's
// edits and into the preview document.
//
// The selection dialog sends it MSG_DRAG_REFRESH (through Perform, or by
// calling Refresh) whenever a parameter, the page or the formula changes.

#include <functional>

#include <QImage>
#include <QWidget>

#include "formulas/numbers.h"
#include "ui/tool_window_form.h"

class TFractal;

constexpr uint32_t MSG_DRAG_REFRESH = 0x815;  // sent: place the markers from the preview document
constexpr int kDragClientSize = 201;
constexpr int kDragMarkerSize = 5;

// What the drag window needs of the selection dialog.
struct TDragLink {
  std::function<TFractal*()> PreviewDocument;
  // The dialog's active page is "User formula".
  std::function<bool()> UserFormulaPage;
  // A seed edit is enabled; the "Parameters:" group, a P2 edit, a P3 edit
  // on "Custom" are visible.
  std::function<bool()> SeedEnabled, ParametersVisible, P2Visible, P3Visible;
  // Writes both seed edits.
  std::function<void(Extended re, Extended im)> WriteSeed;
  // Writes the "Re:"/"Im:" edits of parameter 1..3 on "Custom" and on
  // "User formula".
  std::function<void(int parameter, Extended re, Extended im)> WriteParameter;
  // The window closed: release "Manual parameters select".
  std::function<void()> Closed;
  // Gets the activation back whenever the drag window is activated or moved.
  QWidget* Dialog = nullptr;
};

class TDragMarker : public QWidget {
  Q_OBJECT
 public:
  TDragMarker(int index, const QColor& colour, const QString& hint, QWidget* parent);
  int Index() const { return FIndex; }
  std::function<void(TDragMarker*)> OnDragged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int FIndex;
  QColor Colour;
  bool Dragging = false;
  QPoint GrabOffset;  // where in the marker the button went down
};

class TDragForm : public TToolWindow {
  Q_OBJECT
 public:
  explicit TDragForm(TDragLink link, QWidget* parent = nullptr);

  // Handles a message sent to the window; true when it knows the message.
  bool Perform(uint32_t msg, intptr_t wParam = 0, intptr_t lParam = 0);
  // Places the markers from the preview document and decides which show.
  void Refresh();

  // Marker 1 (seed), 2..4 (P1..P3).
  TDragMarker* Marker(int index) const { return Markers[index - 1]; }
  float ScaleX() const { return Sx; }
  float ScaleY() const { return Sy; }
  bool HasBackground() const { return !Background.isNull(); }
  // The plane value of a marker placed at (left, top), and back.
  TComplexExt ValueAt(int left, int top) const;
  QPoint PlaceOf(Extended re, Extended im) const;

 protected:
  void PaintClient(QPainter& painter) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Dragged(TDragMarker* marker);

  TDragLink Link;
  TDragMarker* Markers[4] = {};
  QImage Background;  // "PARAM", or null: axes instead
  float Sx = kDragClientSize / 4.0f, Sy = kDragClientSize / 4.0f;
};
