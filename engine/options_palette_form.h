// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Color palette" page of the preferences: the infinity colour, the
// channel order, the palette kind with its steps and starts (standard
// palette) or its curves (table palettes), and the buttons that save and
// load palette files. They recolour the image from its stored values.

#include <cstdint>
#include <functional>

#include <QWidget>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QScrollBar;
class QSpinBox;
class TCurvesPanel;
class TOptionsShared;

class TOptionsPalettePage : public QWidget {
  Q_OBJECT
 public:
  explicit TOptionsPalettePage(TOptionsShared& shared);
  // Shows the palette's values.
  void Fill();
  // Whether the document's palette is one of the table palettes.
  bool TablePalette() const;
  // Shows the controls of the palette's kind.
  void ShowKindControls();

  TCurvesPanel* Curves() const { return FCurvesPanel; }

  // A palette kind was chosen (after it is set, before the palette is rebuilt).
  std::function<void()> OnKindChosen;
  // The "&Save" and "&Load" buttons.
  std::function<void()> OnSave, OnLoad;

 private:
  void PaletteKindChosen(int kind);
  void ColorOrderChosen(int order);
  void StepChanged(int channel, int value);
  void ShiftChanged(int channel, int value);

  TOptionsShared& Shared;
  QComboBox* FColorOrder = nullptr;
  QButtonGroup* FKind = nullptr;
  // The standard palette's steps and starts.
  QGroupBox* FStepsGroup = nullptr;
  QGroupBox* FShiftsGroup = nullptr;
  QSpinBox* FSteps[3] = {};
  QScrollBar* FShiftBars[3] = {};
  QSpinBox* FShifts[3] = {};
  // The table palettes' curves.
  TCurvesPanel* FCurvesPanel = nullptr;
};
