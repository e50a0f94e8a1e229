// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/param_form.h"

#include <algorithm>
#include <cmath>

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

#include "engine/fractal.h"
#include "ui/resources_form.h"

namespace {

// Round half to even into a pixel position, kept far from the int limits
// so that a huge parameter only puts its marker off the plane.
int PixelOf(Extended v) {
  if (!(v > -1e6L)) return -1000000;
  if (v > 1e6L) return 1000000;
  return int(std::nearbyint(v));
}

}  // namespace

TDragMarker::TDragMarker(int index, const QColor& colour, const QString& hint, QWidget* parent)
    : QWidget(parent), FIndex(index), Colour(colour) {
  setFixedSize(kDragMarkerSize, kDragMarkerSize);
  setToolTip(hint);
  setCursor(Qt::DragMoveCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDragMarker::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Colour);
}

void TDragMarker::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // Qt keeps delivering the moves to the pressed widget until release.
  Dragging = true;
  GrabOffset = event->position().toPoint();
}

void TDragMarker::mouseMoveEvent(QMouseEvent* event) {
  if (!Dragging || !(event->buttons() & Qt::LeftButton)) return;
  QWidget* plane = parentWidget();
  const QPoint at = mapToParent(event->position().toPoint()) - GrabOffset;
  const int left = std::clamp(at.x(), 0, plane->width() - width());
  const int top = std::clamp(at.y(), 0, plane->height() - height());
  if (QPoint(left, top) == pos()) return;
  move(left, top);
  if (OnDragged) OnDragged(this);
}

void TDragMarker::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Dragging = false;
}

TDragForm::TDragForm(TDragLink link, QWidget* parent)
    : TToolWindow(parent, QSize(kDragClientSize, kDragClientSize), link.Dialog, &TSettings::DragForm),
      Link(std::move(link)) {
  setWindowTitle(tr("Parameters"));
  Background = ResourceBitmap("PARAM");
  struct {
    const char* hint;
    QColor colour;
  } const kinds[4] = {{QT_TR_NOOP("Julie parameters"), QColor(0, 255, 0)},
                      {QT_TR_NOOP("Parameter P1"), QColor(255, 0, 0)},
                      {QT_TR_NOOP("Parameter P2"), QColor(192, 192, 192)},
                      {QT_TR_NOOP("Parameter P3"), QColor(255, 255, 0)}};
  for (int k = 0; k < 4; ++k) {
    Markers[k] = new TDragMarker(k + 1, kinds[k].colour, tr(kinds[k].hint), Client());
    Markers[k]->setObjectName(QString("Marker%1").arg(k + 1));
    Markers[k]->OnDragged = [this](TDragMarker* m) { Dragged(m); };
  }
}

bool TDragForm::Perform(uint32_t msg, intptr_t, intptr_t) {
  if (msg != MSG_DRAG_REFRESH) return false;
  Refresh();
  return true;
}

TComplexExt TDragForm::ValueAt(int left, int top) const {
  return {Extended(left + 2) / Sx - 2, 2 - Extended(top + 2) / Sy};
}

QPoint TDragForm::PlaceOf(Extended re, Extended im) const {
  return {PixelOf((re + 2) * Sx) - 2, PixelOf((2 - im) * Sy) - 2};
}

void TDragForm::Refresh() {
  TFractal* doc = Link.PreviewDocument ? Link.PreviewDocument() : nullptr;
  if (!doc) return;
  const TComplexExt values[4] = {doc->Ctx.PJ, doc->Ctx.P1, doc->Ctx.P2, doc->Ctx.P3};
  for (int k = 0; k < 4; ++k) Markers[k]->move(PlaceOf(values[k].re, values[k].im));
  auto ask = [](const std::function<bool()>& f) { return f ? f() : true; };
  const bool all = doc->Ctx.Number == kUserFormula || (Link.UserFormulaPage && Link.UserFormulaPage());
  Markers[0]->setVisible(all || ask(Link.SeedEnabled));
  Markers[1]->setVisible(all || ask(Link.ParametersVisible));
  Markers[2]->setVisible(all || ask(Link.P2Visible));
  Markers[3]->setVisible(all || ask(Link.P3Visible));
}

void TDragForm::Dragged(TDragMarker* marker) {
  const TComplexExt v = ValueAt(marker->x(), marker->y());
  TFractal* doc = Link.PreviewDocument ? Link.PreviewDocument() : nullptr;
  if (marker->Index() == 1) {
    if (Link.WriteSeed) Link.WriteSeed(v.re, v.im);
    if (doc) doc->SetJuliaPoint(v.re, v.im);
    return;
  }
  const int parameter = marker->Index() - 1;
  if (Link.WriteParameter) Link.WriteParameter(parameter, v.re, v.im);
  if (!doc) return;
  TComplexExt p[3] = {doc->Ctx.P1, doc->Ctx.P2, doc->Ctx.P3};
  p[parameter - 1] = v;
  doc->SetParameters(p[0].re, p[0].im, p[1].re, p[1].im, p[2].re, p[2].im);
}

void TDragForm::PaintClient(QPainter& p) {
  p.fillRect(Client()->rect(), Qt::black);
  if (!Background.isNull()) {
    p.drawImage(0, 0, Background);
  } else {
    p.setPen(Qt::white);
    p.drawLine(0, 100, 200, 100);
    p.drawLine(100, 0, 100, 200);
  }
}

void TDragForm::showEvent(QShowEvent* event) {
  TToolWindow::showEvent(event);
  Sx = float(Client()->width()) / 4;
  Sy = float(Client()->height()) / 4;
  Refresh();
}

void TDragForm::closeEvent(QCloseEvent* event) {
  TToolWindow::closeEvent(event);
  if (Link.Closed) Link.Closed();
}
