#include "ui/tool_window_form.h"

#include <QCloseEvent>
#include <QHideEvent>

#include "ui/window_place_qt.h"

TToolWindow::TToolWindow(QWidget* parent, QSize clientSize, QWidget* serves, TFormPosition TSettings::*position)
    : QWidget(parent, kFlags), Serves(serves), Position(position) {
  setFixedSize(clientSize);
  const TFormPosition& at = Settings().*Position;
  PlaceWindow(this, at.Left, at.Top);
}

void TToolWindow::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) RecordPosition();
  QWidget::hideEvent(event);
}

void TToolWindow::closeEvent(QCloseEvent* event) {
  RecordPosition();
  event->accept();  // a top-level window without delete-on-close only hides
}

void TToolWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (isVisible()) HandBackActivation();
}

void TToolWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) HandBackActivation();
}

void TToolWindow::HandBackActivation() {
  if (!Serves) return;
  Serves->activateWindow();
  Serves->raise();
}

void TToolWindow::RecordPosition() {
  if (isMinimized()) return;
  Settings().*Position = {x(), y()};
}
