// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The filter panel under the pages of the selection dialog: "&Filter:",
// "Filter limit:", "Filter only" and "Keep infinite area".

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class TFractal;
class TNumericEdit;
class TSelectEdits;
class TSpinButton;

class TSelectFilterPanel : public QWidget {
  Q_OBJECT

 public:
  TSelectFilterPanel(TSelectEdits& edits, QWidget* parent);
  QLabel* FilterLabel() const { return FFilterLabel; }
  QComboBox* FilterBox() const { return FFilter; }
  TNumericEdit* FilterLimitEdit() const { return FFilterLimit; }
  QCheckBox* FilterOnlyCheck() const { return FFilterOnly; }
  QCheckBox* KeepInfiniteCheck() const { return FKeepInfinite; }

  // The filter's own controls are enabled unless filter 0 ("none") is chosen.
  void EnableFilterControls(int row);

 private:
  QLabel* FFilterLabel = nullptr;
  QComboBox* FFilter = nullptr;
  QLabel* FFilterLimitLabel = nullptr;
  TNumericEdit* FFilterLimit = nullptr;
  TSpinButton* FFilterSpins[2] = {};
  QCheckBox* FFilterOnly = nullptr;
  QCheckBox* FKeepInfinite = nullptr;
};
