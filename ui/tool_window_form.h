// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small stay-on-top window of a fixed client size that never keeps the
// keyboard: activating or moving it hands the activation straight back to the
// window it serves, so that key presses keep reaching that window. Hiding or
// closing it records its position in the settings.
//
// It has a caption and no border icons: nothing to minimise, maximise or
// close, as its owner shows and hides it. Desktops give a titled window their
// buttons whatever a program asks, so the window draws its own caption strip
// above the client area; dragging the strip moves the window.

#include <QWidget>

#include "ui/settings.h"

class QPainter;

class TToolWindow : public QWidget {
 public:
  // `serves` gets the activation back (none when null); `position` is the
  // settings entry the window is placed at and records into.
  TToolWindow(QWidget* parent, QSize clientSize, QWidget* serves, TFormPosition TSettings::*position);

  // The area below the caption, of the client size: what the window shows
  // and its child controls go there.
  QWidget* Client() const { return FClient; }
  QWidget* CaptionStrip() const { return FCaption; }

 protected:
  // Paints the client area.
  virtual void PaintClient(QPainter& painter) = 0;

  bool eventFilter(QObject* watched, QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void HandBackActivation();
  void RecordPosition();

  QWidget* Serves;
  TFormPosition TSettings::*Position;
  QWidget* FCaption = nullptr;
  QWidget* FClient = nullptr;
};
