// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Coordinates" page of the preferences: the view window, the iteration
// control, the bailout and the fast-arithmetic preference. Each of them
// renders the document again.

#include <string>

#include <QWidget>

#include "engine/options_view_window_form.h"
#include "formulas/numbers.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class TOptionsShared;

// The bailout spin buttons: (Round(sqrt(b)) + 1)^2 at most 999999.999, and
// (Round(sqrt(b)) - 1)^2 at least 1. A negative b counts as 0.
Extended BailOutUp(Extended b);
Extended BailOutDown(Extended b);
// The bailout as the dialog shows it: the shortest text that reads back as
// the same 32-bit float.
std::string BailOutText(float b);

class TOptionsCoordinatesPage : public QWidget {
  Q_OBJECT
 public:
  explicit TOptionsCoordinatesPage(TOptionsShared& shared);
  // Shows the document's values.
  void Fill();

 private:
  void AutoIterToggled(bool on);
  void MaxIterChanged(int value);
  void BailOutLeft();
  void BailOutSpin(bool up);

  TOptionsShared& Shared;
  TViewWindowEdits FWindow;
  // Iteration control.
  QCheckBox* FAutoIter = nullptr;
  QLabel* FMaxIterLabel = nullptr;
  QSpinBox* FMaxIter = nullptr;
  QLineEdit* FBailOut = nullptr;
  QCheckBox* FFastArithmetic = nullptr;
};
