// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/bounds_window_form.h"
#include "ui/window_place_qt.h"

#include <algorithm>

#include <QCloseEvent>
#include <QHideEvent>
#include <QWindowStateChangeEvent>

TBoundsWindow::TBoundsWindow(QWidget* owner, TFormBounds TSettings::*bounds, QSize minimum)
    : QWidget(owner, Qt::Window), Owner(owner), Bounds(bounds) {
  setMinimumSize(minimum);
  const TFormBounds& b = Settings().*Bounds;
  // A window that never stored a size opens at its own size.
  if (b.Width > 0 && b.Height > 0) {
    resize(std::max(b.Width, minimum.width()), std::max(b.Height, minimum.height()));
    PlaceWindow(this, b.Left, b.Top);
  }
}

void TBoundsWindow::ShowAsStored() {
  if ((Settings().*Bounds).Maximized)
    showMaximized();
  else
    show();
}

void TBoundsWindow::RecordBounds() {
  TFormBounds& b = Settings().*Bounds;
  b.Maximized = isMaximized();
  if (isMaximized() || isMinimized()) return;
  b.Left = x();
  b.Top = y();
  b.Width = width();
  b.Height = height();
}

void TBoundsWindow::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) RecordBounds();
  QWidget::hideEvent(event);
}

void TBoundsWindow::closeEvent(QCloseEvent* event) {
  RecordBounds();
  event->accept();
}

void TBoundsWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !Owner) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  if (isMinimized()) {
    if (!Owner->isMinimized()) Owner->showMinimized();
  } else if ((change->oldState() & Qt::WindowMinimized) && Owner->isMinimized()) {
    Owner->showNormal();
  }
}
