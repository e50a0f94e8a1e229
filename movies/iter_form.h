// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Iteration movie": plays the main image back and forth through a list of
// iteration limits (only pixels that escaped by the limit keep their
// colour) and, in render mode, writes that play into a clip.

#include <cstdint>

#include <QWidget>

#include "movies/iteration_movie.h"

class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class TFractal;

constexpr uint32_t MSG_ITER_PLAY = 0x8A0;  // posted to itself: show the next limit

class TIterForm : public QWidget {
  Q_OBJECT
 public:
  explicit TIterForm(TFractal& doc);

  // Render mode shows "Render...", viewing mode hides it.
  void SetRenderMode(bool render);
  // Handles a message posted to the window.
  void Perform(uint32_t msg);

  QSlider* SpeedBar() const { return FSpeed; }
  QSlider* AccelerationBar() const { return FAcceleration; }
  QSlider* ProcessBar() const { return FProcess; }
  QLabel* FrameLabel() const { return FFrame; }
  QPushButton* RenderButton() const { return FRender; }
  QPushButton* CloseButton() const { return FClose; }
  const TIterationMovie& Movie() const { return IterMovie(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Play();
  void SchedulePlay(int delayMs);
  void StopDelay();
  void Rebuild();
  void ShowPosition();
  void Render();

  TFractal& Doc;
  QSlider* FSpeed;
  QSlider* FAcceleration;
  QSlider* FProcess;
  QLabel* FFrame;
  QPushButton* FRender;
  QPushButton* FClose;
  QTimer* Delay;
  TLimitRange Range;
  bool PlayPending = false;
};
