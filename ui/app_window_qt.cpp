// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/app_window_qt.h"

#include <QApplication>
#include <QWindowStateChangeEvent>
#include <QWidget>

void MinimizeWithApplication(QWidget* window, QEvent* event) {
  if (event->type() != QEvent::WindowStateChange) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  const bool wasMinimized = change->oldState() & Qt::WindowMinimized;
  if (window->isMinimized() && !wasMinimized) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != window && w->isVisible() && !w->isMinimized() && !w->parentWidget()) w->showMinimized();
  } else if (!window->isMinimized() && wasMinimized) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != window && w->isMinimized() && !w->parentWidget()) w->showNormal();
  }
}
