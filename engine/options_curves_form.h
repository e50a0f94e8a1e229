// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The curve boxes of the table palettes (linear, parabolic, quad square):
// one box per channel whose end points the mouse drags, and under each box
// the channel's start and end as numbers.

#include <cstdint>

#include <QPoint>
#include <QWidget>

class QLineEdit;
class QPainter;
class TCurvesPanel;
class TOptionsShared;

// Size of the three curve boxes.
constexpr int kCurveBoxWidth = 130, kCurveBoxHeight = 64;

// The end-point kinds of one channel (0 red, 1 green, 2 blue) for a palette
// kind, in the order a press picks them: start and end for the linear and
// square palettes, left handle, middle and right handle for the parabola.
// Returns how many it wrote into kinds (0 for the standard palette).
int CurveEndPoints(int32_t paletteKind, int channel, int32_t kinds[3]);

// One channel's curve of the table palettes, with its draggable handles.
class TCurveBox : public QWidget {
  Q_OBJECT
 public:
  TCurveBox(TCurvesPanel* panel, int channel, QWidget* parent);
  int Channel() const { return FChannel; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TCurvesPanel* Panel;
  int FChannel;
};

class TCurvesPanel : public QWidget {
  Q_OBJECT
 public:
  TCurvesPanel(TOptionsShared& shared, QWidget* parent);

  // Shows every channel's start and end of the document's palette.
  void ShowEndPoints();

  TCurveBox* Box(int channel) const { return Curves[channel]; }
  // The handle being dragged: an end-point kind, or 0.
  int32_t DraggedEndPoint() const { return DragKind; }
  int CurveWidth() const { return BoxW; }
  int CurveHeight() const { return BoxH; }

 private:
  friend class TCurveBox;

  void ShowEndPoints(int channel);
  void PaintCurve(TCurveBox* box, QPainter& painter);
  void CurvePressed(TCurveBox* box, QPoint at);
  void CurveDragged(TCurveBox* box, QPoint at);
  void CurveReleased();
  void CurveFieldLeft(QLineEdit* edit);

  TOptionsShared& Shared;
  int BoxW = kCurveBoxWidth, BoxH = kCurveBoxHeight;
  int32_t DragKind = 0;
  bool Dragging = false;
  TCurveBox* Curves[3] = {};
  QLineEdit* FCurveFields[3][2] = {};  // per channel: start, end
};
