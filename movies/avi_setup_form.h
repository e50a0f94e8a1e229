// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "AVI setup": the one dialog every movie is written through.
//
// A movie maker stores its start and end values in its kind's movie table,
// then:
//
//   TAVISetup avi(mainDocument, parentWindow);
//   avi.Options = 1;          // bit 0: "Advanced AVI setup:", bit 1: "&Frame count:"
//   avi.MovieKind = 2;
//   avi.SetFrameCount(n);     // kinds that fix the count themselves
//   avi.exec();
//
// "Start rendering" asks for the file and the compressor, opens the clip and
// runs MovieLoop(MovieKind) (movies/movie_host.h) with the dialog as its
// host: the loop renders into the document, RenderAndWait() keeps the
// windows alive until the render thread ended, WriteFrame(i) puts the
// document's image into the clip at position "Time of each still" * i.
// "Stop" clears the running flag; the loop ends at its next check and the
// clip is closed with the frames written so far. A movie that fails (a frame
// that cannot be written) is not kept: an earlier file of the chosen name
// stays as it was.

#include <cstdint>
#include <memory>
#include <string>

#include <QDialog>

#include "movies/avi_writer.h"
#include "movies/movie_host.h"
#include "platform/dialogs_qt.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QFrame;

class TAVISetup : public QDialog, public TMovieHost {
  Q_OBJECT
 public:
  explicit TAVISetup(TFractal* fractal, QWidget* parent = nullptr);
  ~TAVISetup() override;

  uint8_t Options = 0;
  int32_t MovieKind = 0;
  // Set while a movie is written; "Stop" clears it.
  bool RunningFlag = false;
  // The attractor document kind 7 renders in and writes from (its image
  // size gives the clip's frame format), set by its maker.
  T3dFractal* AttractorDocument = nullptr;

  void SetFrameCount(int32_t n);
  int32_t FrameRate() const;
  int32_t StillTime() const;  // "Time of each still (in frames):"

  // TMovieHost
  TFractal& Document() override { return *Fractal; }
  T3dFractal* Attractor() override { return AttractorDocument; }
  void RenderAndWait() override;
  bool WriteFrame(int32_t i) override;
  bool Running() const override { return RunningFlag; }
  int32_t FrameCount() const override;
  void SetGaugeMax(int32_t max) override;
  void SetGaugePosition(int32_t position) override;

  // Runs the whole start of a movie ("Start rendering").
  void StartRendering();

  // The save dialog's settings (its folder follows the last chosen file).
  TFileDialog& SaveDialog() { return FSave; }

  QSpinBox* FrameCountEdit() const { return FFrameCount; }
  QSpinBox* FrameRateEdit() const { return FFrameRate; }
  QSlider* StillBar() const { return FStill; }
  QGroupBox* AdvancedGroup() const { return FAdvanced; }
  QLabel* FrameCountLabel() const { return FFrameCountLabel; }
  QPushButton* StartButton() const { return FStart; }
  QPushButton* CloseButton() const { return FClose; }
  QProgressBar* Gauge() const { return FGauge; }
  QFrame* Bevel() const { return FBevel; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void reject() override;
  void done(int result) override;

 private:
  bool DrawsAttractor() const;
  void SetWriting(bool writing);

  TFractal* Fractal;
  std::unique_ptr<TAVIWriter> Writer;
  int32_t PaddedWidth = 0, PaddedHeight = 0;
  int32_t FixedCount = -1;  // the count of SetFrameCount, -1 when none
  int32_t FailedFrame = -1;  // the frame whose write failed, -1 when none
  TFileDialog FSave;
  QLabel* FFrameCountLabel = nullptr;
  QSpinBox* FFrameCount = nullptr;
  QGroupBox* FAdvanced = nullptr;
  QSpinBox* FFrameRate = nullptr;
  QSlider* FStill = nullptr;
  QPushButton* FStart = nullptr;
  QPushButton* FClose = nullptr;
  QFrame* FBevel = nullptr;
  QProgressBar* FGauge = nullptr;
};
