// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tool_window_form.h"

#include <QCloseEvent>
#include <QHideEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/window_place_qt.h"

namespace {

// The caption: the window's title on a title-bar strip. Pressing it lets the
// desktop move the window; where the desktop cannot, the strip follows the
// mouse itself.
class TCaptionStrip : public QWidget {
 public:
  explicit TCaptionStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("CaptionStrip");
    setFixedHeight(fontMetrics().height() + 6);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Highlight));
    p.setPen(pal.color(QPalette::HighlightedText));
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    // The whole caption, never shortened: a caption wider than the strip is
    // cut at its edge.
    p.drawText(rect().adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               window()->windowTitle());
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    QWindow* handle = window()->windowHandle();
    Dragging = !(handle && handle->startSystemMove());
    Grab = event->globalPosition().toPoint() - window()->pos();
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    if (Dragging && (event->buttons() & Qt::LeftButton)) window()->move(event->globalPosition().toPoint() - Grab);
  }

  void mouseReleaseEvent(QMouseEvent*) override { Dragging = false; }

 private:
  bool Dragging = false;
  QPoint Grab;
};

}  // namespace

TToolWindow::TToolWindow(QWidget* parent, QSize clientSize, QWidget* serves, TFormPosition TSettings::*position)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint),
      Serves(serves),
      Position(position) {
  FCaption = new TCaptionStrip(this);
  FClient = new QWidget(this);
  FClient->setObjectName("Client");
  FClient->setFixedSize(clientSize);
  FClient->setAttribute(Qt::WA_OpaquePaintEvent);
  FClient->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FCaption);
  layout->addWidget(FClient);
  setFixedSize(clientSize.width(), FCaption->height() + clientSize.height());
  const TFormPosition& at = Settings().*Position;
  PlaceWindow(this, at.Left, at.Top);
}

bool TToolWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FClient && event->type() == QEvent::Paint) {
    QPainter p(FClient);
    PaintClient(p);
    return true;
  }
  return QWidget::eventFilter(watched, event);
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
  if (event->type() == QEvent::WindowTitleChange) FCaption->update();
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
