// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "AVI3Dattr": the window of the attractor morph (kind 7). It loads a first
// and a second ".fr3" file of one map kind, shows either attractor in the
// attractor window when its field is focused, keeps its iteration count
// equal to that window's, and starts the AVI writer on the attractor
// window's document.
//
// There is one such window per run: created on first use, hidden when
// closed, shown again next time.

#include <functional>
#include <string>

#include <QPointer>
#include <QWidget>

#include "platform/dialogs_qt.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TAttractorForm;
class TFractal;

class TAVI3Dattr : public QWidget {
  Q_OBJECT
 public:
  // The window, created on first use with `owner` (the main window) as its
  // parent; from now on it works with `attractors` (null when that window
  // does not exist).
  static TAVI3Dattr* Instance(QWidget* owner, TAttractorForm* attractors);
  // The window if it has been created.
  static TAVI3Dattr* Existing();

  // Called once when the window is next closed (the main window's menu
  // entries wait for it).
  std::function<void()> OnClosed;

  // Loads `path` as the first (0) or second (1) attractor, as its load
  // button does after the file dialog.
  void LoadFile(int which, const std::string& path);
  // "&Make AVI": the AVI setup dialog (modal), or a message when the
  // attractor window has been closed.
  void MakeAVI();

  QLineEdit* FileField(int which) const { return Fields[which]; }
  QLabel* FileLabel(int which) const { return Labels[which]; }
  QPushButton* LoadButton(int which) const { return Loads[which]; }
  QSpinBox* FrameCountEdit() const { return FrameCount; }
  QSpinBox* IterationsEdit() const { return Iterations; }
  QCheckBox* PingPongBox() const { return PingPong; }
  QPushButton* MakeButton() const { return Make; }
  QPushButton* CancelButton() const { return Cancel; }

  TFileDialog OpenDialog;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  explicit TAVI3Dattr(QWidget* owner);
  void Attach(TAttractorForm* attractors);
  void LoadClicked(int which);
  void FieldEntered(int which);
  void FieldLeft(int which);
  void IterationsChanged(int n);

  QPointer<TAttractorForm> Attractors;
  QLabel* Labels[2] = {};
  QLineEdit* Fields[2] = {};
  QPushButton* Loads[2] = {};
  QSpinBox* FrameCount = nullptr;
  QSpinBox* Iterations = nullptr;
  QCheckBox* PingPong = nullptr;
  QPushButton *Make = nullptr, *Cancel = nullptr;
};
