// SPDX-License-Identifier: GPL-3.0-or-later
// Navigation in the main window's image: the arrow keys pan, the keypad's
// + and - zoom, Insert shows the full set, a drag zooms to its rectangle, a
// double click zooms in (left) or out (right); moving the mouse shows the
// point and the value under it.
//
// The pixel step is W / (Width - 1); pixel (px, py) is the point
// (X + px * step, Y - py * step). Every move is computed from the
// document's deep window, so that it stays exact at any depth.

#include <algorithm>

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include "engine/fractal.h"
#include "engine/full_view.h"
#include "ui/coordinate_panel_form.h"
#include "ui/image_area_form.h"
#include "ui/julia_form.h"
#include "ui/main_form.h"

void TMainForm::MoveView(TViewMove move) {
  move.Spans = Doc->Width - 1;
  Doc->MoveWindow(move);
}

void TMainForm::ZoomInAt(QPoint c) {
  TFractal& d = *Doc;
  Area->Surface()->ShowPreview(QRect(c.x() / 2, c.y() / 2, d.Width / 2, d.Height / 2));
  MoveView({.Column = c.x() / 2.0L, .Row = c.y() / 2.0L, .Zoom = 0.5L});
}

void TMainForm::ZoomOutAt(QPoint c) { MoveView({.Column = Extended(-c.x()), .Row = Extended(-c.y()), .Zoom = 2}); }

void TMainForm::ZoomInCentre() {
  TFractal& d = *Doc;
  TPaintSurface* s = Area->Surface();
  const int qw = s->ImageWidth() / 4, qh = s->ImageHeight() / 4;
  s->ShowPreview(QRect(qw, qh, 2 * qw, 2 * qh));
  MoveView({.Column = d.Width * 0.25L, .Row = d.Height * 0.25L, .Zoom = 0.5L});
}

void TMainForm::ZoomOutCentre() { MoveView({.Column = Doc->Width * -0.5L, .Row = Doc->Height * -0.5L, .Zoom = 2}); }

void TMainForm::ViewFullSet() { ShowFullView(*Doc); }

void TMainForm::Pan(int dx, int dy, Qt::KeyboardModifiers modifiers) {
  int pixels = 10;
  if (modifiers & Qt::ControlModifier)
    pixels = 25;
  else if (modifiers & Qt::ShiftModifier)
    pixels = 1;
  MoveView({.Column = Extended(dx * pixels), .Row = Extended(-dy * pixels)});
}

QPoint TMainForm::CursorOnSurface() const {
  const TPaintSurface* s = Area->Surface();
  return s->ImagePoint(s->mapFromGlobal(QCursor::pos()));
}

bool TMainForm::HandleKey(QKeyEvent* e) {
  if (!Doc || Closed) return false;
  const bool keypad = e->modifiers() & Qt::KeypadModifier;
  switch (e->key()) {
    case Qt::Key_Left: Pan(-1, 0, e->modifiers()); return true;
    case Qt::Key_Right: Pan(1, 0, e->modifiers()); return true;
    case Qt::Key_Up: Pan(0, 1, e->modifiers()); return true;
    case Qt::Key_Down: Pan(0, -1, e->modifiers()); return true;
    case Qt::Key_Insert: ViewFullSet(); return true;
    case Qt::Key_Plus:
      if (!keypad) return false;
      if (e->modifiers() & Qt::ControlModifier)
        ZoomInCentre();
      else
        ZoomInAt(CursorOnSurface());
      return true;
    case Qt::Key_Minus:
      if (!keypad) return false;
      if (e->modifiers() & Qt::ControlModifier)
        ZoomOutCentre();
      else
        ZoomOutAt(CursorOnSurface());
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: JuliaToggle(); return true;
    default: return false;
  }
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (HandleKey(event)) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// The rubber band: press starts a 2 x 2 rectangle around the point, moves
// set its far corner, release zooms to it when it is at least 4 x 4.

void TMainForm::MousePress(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = Area->Surface()->ImagePoint(e->position());
  TPaintSurface* surface = Area->Surface();
  surface->setCursor(Qt::CrossCursor);
  Dragging = true;
  BandLeft = p.x() - 1;
  BandTop = p.y() - 1;
  BandWidth = 2;
  BandHeight = 2;
  surface->SetBand(true, QRect(BandLeft, BandTop, BandWidth, BandHeight));
}

void TMainForm::MouseMove(QMouseEvent* e) {
  if (!Doc) return;
  const QPoint p = Area->Surface()->ImagePoint(e->position());
  const TFractal& d = *Doc;
  const double step = double(d.W / (d.Width - 1));
  const double re = double(d.X + p.x() * step), im = double(d.Y - p.y() * step);
  if (Julia && Julia->isVisible()) {
    Hover = {re, im};
    PostMessage(MessageHandle(Julia), MSG_JULIA_POINT, 0, 0);
  }
  PositionPanel->ShowPosition(TPositionText(d, p.x(), p.y()));
  if (d.RenderFinished()) {
    SetPanel(1, "");
    if (p.x() >= 0 && p.x() < d.Width && p.y() >= 0 && p.y() < d.Height) {
      const float v = d.PixelValue(p.x(), p.y());
      if (v != 0) {
        SetPanel(1, QString::asprintf("%8.2f", double(v)));
      } else {
        SetPanel(1, tr("infinite"));
        Panels[1]->setFixedWidth(Panels[1]->fontMetrics().horizontalAdvance(tr("infinite")) + 2);
      }
    }
  }
  if (Dragging) {
    BandWidth = p.x() - BandLeft;
    BandHeight = p.y() - BandTop;
    // A rectangle from (left, top) to the cursor, whichever way it was dragged.
    const QRect band = QRect(QPoint(std::min(BandLeft, p.x()), std::min(BandTop, p.y())),
                             QPoint(std::max(BandLeft, p.x()) - 1, std::max(BandTop, p.y()) - 1));
    Area->Surface()->SetBand(true, band);
  }
}

void TMainForm::MouseRelease(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !Dragging) return;
  TPaintSurface* surface = Area->Surface();
  surface->unsetCursor();
  Dragging = false;
  surface->SetBand(false, {});
  if (BandWidth <= 3 || BandHeight <= 3) return;
  MoveView({.Column = Extended(BandLeft), .Row = Extended(BandTop), .WidthSteps = BandWidth, .DoubleStep = true});
}

void TMainForm::MouseDoubleClick(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton)
    ZoomInAt(Area->Surface()->ImagePoint(e->position()));
  else if (e->button() == Qt::RightButton)
    ZoomOutAt(Area->Surface()->ImagePoint(e->position()));
}
