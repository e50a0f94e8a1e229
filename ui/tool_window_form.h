#pragma once
// A small stay-on-top window of a fixed client size that never keeps the
// keyboard: activating or moving it hands the activation straight back to the
// window it serves, so that key presses keep reaching that window. It has a
// title bar and no border icons (nothing to minimise, maximise or close; its
// owner shows and hides it). Hiding or closing it records its position in the
// settings.

#include <QWidget>

#include "ui/settings.h"

class TToolWindow : public QWidget {
 public:
  // `serves` gets the activation back (none when null); `position` is the
  // settings entry the window is placed at and records into.
  TToolWindow(QWidget* parent, QSize clientSize, QWidget* serves, TFormPosition TSettings::*position);

  static constexpr Qt::WindowFlags kFlags =
      Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

 protected:
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void HandBackActivation();
  void RecordPosition();

  QWidget* Serves;
  TFormPosition TSettings::*Position;
};
