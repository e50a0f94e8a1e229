// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_curves_form.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "engine/options_shared_form.h"

namespace {

const QColor kChannelColours[3] = {QColor(192, 0, 0), QColor(0, 128, 0), QColor(0, 0, 192)};

// A channel's start and end, from the palette fields.
std::pair<int32_t, int32_t> CurveEnds(const TFPal& pal, int channel) {
  const auto ends = [](const auto& curve) { return std::pair<int32_t, int32_t>(curve.Start, curve.End); };
  switch (pal.PaletteKind) {
    case kPalLinear: return ends(channel == 0 ? pal.LinearRed : channel == 1 ? pal.LinearGreen : pal.LinearBlue);
    case kPalParabola:
      return ends(channel == 0 ? pal.ParabolaRed : channel == 1 ? pal.ParabolaGreen : pal.ParabolaBlue);
    case kPalSquare: return ends(channel == 0 ? pal.SquareRed : channel == 1 ? pal.SquareGreen : pal.SquareBlue);
    default: return {0, 0};
  }
}

// A curve value as a pixel row of a box h pixels high.
int CurveRow(Extended value, int h) {
  const Extended r = std::nearbyint(value * h / 255);
  if (!(r > -1e6L && r < 1e6L)) return 0;
  return std::clamp(h - int(r), 0, h - 1);
}

}  // namespace

int CurveEndPoints(int32_t paletteKind, int channel, int32_t kinds[3]) {
  if (channel < 0 || channel > 2) return 0;
  switch (paletteKind) {
    case kPalLinear:
      kinds[0] = 1 + 2 * channel;
      kinds[1] = 2 + 2 * channel;
      return 2;
    case kPalParabola:
      kinds[0] = 7 + 3 * channel;
      kinds[1] = 8 + 3 * channel;
      kinds[2] = 9 + 3 * channel;
      return 3;
    case kPalSquare:
      kinds[0] = 16 + 2 * channel;
      kinds[1] = 17 + 2 * channel;
      return 2;
    default: return 0;
  }
}

TCurveBox::TCurveBox(TCurvesPanel* panel, int channel, QWidget* parent)
    : QWidget(parent), Panel(panel), FChannel(channel) {
  setFixedSize(kCurveBoxWidth, kCurveBoxHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::CrossCursor);
}

void TCurveBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Panel->PaintCurve(this, p);
}

void TCurveBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Panel->CurvePressed(this, event->position().toPoint());
}

void TCurveBox::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) Panel->CurveDragged(this, event->position().toPoint());
}

void TCurveBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Panel->CurveReleased();
}

// ---------------------------------------------------------------------------

TCurvesPanel::TCurvesPanel(TOptionsShared& shared, QWidget* parent) : QWidget(parent), Shared(shared) {
  const char* channels[3] = {"Red", "Green", "Blue"};
  auto* curves = new QHBoxLayout(this);
  curves->setContentsMargins(0, 0, 0, 0);
  for (int c = 0; c < 3; ++c) {
    auto* column = new QVBoxLayout;
    Curves[c] = new TCurveBox(this, c, this);
    Curves[c]->setObjectName(QString(channels[c]) + "Curve");
    column->addWidget(Curves[c]);
    auto* fields = new QHBoxLayout;
    for (int e = 0; e < 2; ++e) {
      auto* f = new QLineEdit(this);
      f->setObjectName(QString(channels[c]) + (e == 0 ? "StartEdit" : "EndEdit"));
      f->setMaxLength(3);
      f->setFixedWidth(40);
      Shared.Edits.Watch(f, krDigits, {.Left = [this, f] { CurveFieldLeft(f); }});
      FCurveFields[c][e] = f;
      fields->addWidget(f);
    }
    fields->addStretch();
    column->addLayout(fields);
    curves->addLayout(column);
    Shared.PaletteCurves.push_back(Curves[c]);
  }
  curves->addStretch();
  BoxW = Curves[0]->width();
  BoxH = Curves[0]->height();
}

void TCurvesPanel::ShowEndPoints() {
  for (int c = 0; c < 3; ++c) ShowEndPoints(c);
}

void TCurvesPanel::ShowEndPoints(int channel) {
  const auto [start, end] = CurveEnds(*Shared.Doc->Palette, channel);
  FCurveFields[channel][0]->setText(QString::number(start));
  FCurveFields[channel][1]->setText(QString::number(end));
}

void TCurvesPanel::CurveFieldLeft(QLineEdit* edit) {
  // The fields only show the end points; what is typed is kept readable.
  bool ok = false;
  const int v = edit->text().toInt(&ok);
  if (!ok || v < 0) edit->setText("0");
}

void TCurvesPanel::PaintCurve(TCurveBox* box, QPainter& p) {
  const int c = box->Channel();
  const int w = BoxW, h = BoxH;
  p.fillRect(0, 0, w, h, kChannelColours[c]);
  if (!Shared.Doc) return;
  const TFPal& pal = *Shared.Doc->Palette;
  int32_t kinds[3];
  const int n = CurveEndPoints(pal.PaletteKind, c, kinds);
  if (n == 0) return;
  p.setPen(Qt::white);
  if (pal.PaletteKind == kPalLinear) {
    const TPalPoint a = pal.HandlePosition(kinds[0], w, h), b = pal.HandlePosition(kinds[1], w, h);
    p.drawLine(a.X, a.Y, b.X, b.Y);
  } else {
    const TPalParabola& para = c == 0 ? pal.ParabolaRed : c == 1 ? pal.ParabolaGreen : pal.ParabolaBlue;
    const TPalRamp& ramp = c == 0 ? pal.SquareRed : c == 1 ? pal.SquareGreen : pal.SquareBlue;
    QPolygon curve;
    for (int x = 1; x <= w - 2; ++x) {
      const Extended f = Extended(x) / (w - 2);
      const Extended v = pal.PaletteKind == kPalParabola ? f * f * para.A + f * para.B + para.C
                                                         : std::sqrt(f) * ramp.Span + ramp.Base;
      curve << QPoint(x, CurveRow(v, h));
    }
    p.drawPolyline(curve);
  }
  for (int k = 0; k < n; ++k) {
    const TPalPoint at = pal.HandlePosition(kinds[k], w, h);
    p.fillRect(at.X - 1, at.Y - 1, 3, 3, Qt::white);
  }
}

void TCurvesPanel::CurvePressed(TCurveBox* box, QPoint at) {
  DragKind = 0;
  Dragging = false;
  if (!Shared.Doc) return;
  const TFPal& pal = *Shared.Doc->Palette;
  int32_t kinds[3];
  const int n = CurveEndPoints(pal.PaletteKind, box->Channel(), kinds);
  for (int k = 0; k < n; ++k) {
    const TPalPoint h = pal.HandlePosition(kinds[k], BoxW, BoxH);
    if (std::abs(h.X - at.x()) < 6 && std::abs(h.Y - at.y()) < 6) {
      DragKind = kinds[k];
      Dragging = true;
      return;
    }
  }
}

void TCurvesPanel::CurveDragged(TCurveBox* box, QPoint at) {
  if (!Dragging || DragKind == 0 || !Shared.Doc) return;
  const int y = std::clamp(at.y(), 0, BoxH);
  const auto value = int32_t(std::nearbyint(Extended(BoxH - y) * 255 / BoxH));
  Shared.Doc->Palette->SetEndPoint(DragKind, value);
  {
    TLiveOff off(Shared);
    ShowEndPoints(box->Channel());
  }
  box->update();
  Shared.RepaintStrips();
  Shared.Recolour();
}

void TCurvesPanel::CurveReleased() {
  Dragging = false;
  DragKind = 0;
}
