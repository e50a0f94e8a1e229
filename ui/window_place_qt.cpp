// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_place_qt.h"

#include <algorithm>

#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "ui/settings.h"

namespace {

constexpr const char* kKeeperName = "FrameKeeper";

// A window that already exists on the desktop takes the position Qt hands it
// as its client's while the desktop has not told its frame yet: it would come
// up with its client area, not its frame, at the stored place, and creep by
// the frame's size every run. The keeper watches the window until it first
// appears and, when that happened, moves the frame where it belongs.
class TFrameKeeper : public QObject {
 public:
  TFrameKeeper(QWidget* window, QPoint frame) : QObject(window), Window(window), Frame(frame) {
    setObjectName(kKeeperName);
    Window->installEventFilter(this);
  }

  void SetFrame(QPoint frame) { Frame = frame; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == Window) {
      if (event->type() == QEvent::Show && Window->windowHandle()) Window->windowHandle()->installEventFilter(this);
      return false;
    }
    if (event->type() != QEvent::Expose || !Window->windowHandle()->isExposed()) return false;
    Window->removeEventFilter(this);
    watched->removeEventFilter(this);
    const TFrameMargins margins = FrameMarginsOf(Window);
    if (Window->windowState() == Qt::WindowNoState && Window->geometry().topLeft() == Frame &&
        (margins.Left != 0 || margins.Top != 0)) {
      const QRect g = Window->geometry();
      const TRect client = ClientRectFor({Frame.x(), Frame.y(), g.width(), g.height()}, margins);
      Window->setGeometry(client.Left, client.Top, client.Width, client.Height);
    }
    deleteLater();
    return false;
  }

 private:
  QWidget* Window;
  QPoint Frame;
};

// A main window that has been shown but is not on the screen yet has no
// frame where it will be: a tool window opened then (a file named on the
// command line) waits until the main window appears and is placed beside it.
class TPlaceAfterMain : public QObject {
 public:
  TPlaceAfterMain(QWidget* window, int32_t left, int32_t top, const QWidget* main)
      : QObject(window), Window(window), Left(left), Top(top), Main(main) {
    main->windowHandle()->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Expose || !Main->windowHandle()->isExposed()) return false;
    watched->removeEventFilter(this);
    PlaceToolWindow(Window, Left, Top, Main);
    deleteLater();
    return false;
  }

 private:
  QWidget* Window;
  int32_t Left, Top;
  const QWidget* Main;
};

}  // namespace

std::vector<TRect> AvailableScreens() {
  std::vector<TRect> screens;
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary) {
    const QRect g = primary->availableGeometry();
    screens.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  for (QScreen* s : QGuiApplication::screens()) {
    if (s == primary) continue;
    const QRect g = s->availableGeometry();
    screens.push_back({g.x(), g.y(), g.width(), g.height()});
  }
  return screens;
}

TFrameMargins FrameMarginsOf(const QWidget* window) {
  const QPoint frame = window->frameGeometry().topLeft(), client = window->geometry().topLeft();
  return {client.x() - frame.x(), client.y() - frame.y()};
}

TRect WindowPlace(const QWidget* window) {
  const QRect g = window->geometry();
  return StoredPlace({g.x(), g.y(), g.width(), g.height()}, FrameMarginsOf(window));
}

void PlaceWindow(QWidget* window, int32_t left, int32_t top, int32_t minVisible) {
  // A layout that fixes the size would resize the window when it is shown
  // and so turn the frame position handed to the desktop into a client one.
  if (QLayout* layout = window->layout()) layout->activate();
  const int32_t w = window->width(), h = window->height();
  const TRect place = ClampToScreens({left, top, w, h}, AvailableScreens(), std::min(w, minVisible),
                                     std::min(h, minVisible));
  const QPoint frame(place.Left, place.Top);
  // The position of a top-level widget is its frame's; a window that exists
  // on the desktop already is told so explicitly.
  window->move(frame);
  if (window->isVisible()) return;
  if (QWindow* handle = window->windowHandle()) handle->setFramePosition(frame);
  if (auto* keeper = window->findChild<QObject*>(kKeeperName, Qt::FindDirectChildrenOnly))
    static_cast<TFrameKeeper*>(keeper)->SetFrame(frame);
  else
    new TFrameKeeper(window, frame);
}

void PlaceToolWindow(QWidget* window, int32_t left, int32_t top, const QWidget* main) {
  if (!main)
    for (const QWidget* up = window->parentWidget(); up; up = up->parentWidget()) main = up->window();
  if (HoldsPlace(left, top) || !main || main == window || !main->isVisible()) {
    PlaceWindow(window, left, top);
    return;
  }
  if (const QWindow* handle = main->windowHandle(); handle && !handle->isExposed()) {
    PlaceWindow(window, left, top);
    new TPlaceAfterMain(window, left, top, main);
    return;
  }
  if (QLayout* layout = window->layout()) layout->activate();
  // Before it is on the screen the window's frame is not known: the main
  // window's stands for it.
  const QWidget* framed = window->isVisible() ? window : main;
  const QSize frame = framed->frameGeometry().size() - framed->geometry().size();
  const QRect m = main->frameGeometry();
  const QScreen* screen = main->screen();
  const QRect area = screen ? screen->availableGeometry() : m;
  const TRect place = FirstPlace({area.x(), area.y(), area.width(), area.height()}, {m.x(), m.y(), m.width(), m.height()},
                                 window->width() + frame.width(), window->height() + frame.height());
  const QSize client(place.Width - frame.width(), place.Height - frame.height());
  if (client.width() < window->width() || client.height() < window->height())
    window->resize(client.boundedTo(window->size()).expandedTo(window->minimumSize()));
  PlaceWindow(window, place.Left, place.Top);
}
