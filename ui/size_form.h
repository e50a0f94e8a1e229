// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Set fractal size": the manual image size dialog. Two edits with spin
// buttons and a "&Proportional" box that keeps the aspect the dialog was
// opened with.

#include <QDialog>

#include "formulas/numbers.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

constexpr int kFracSizeMax = 2048;  // largest width or height the dialog gives
constexpr int kFracSizeMin = 20;    // what a value of 16 or less becomes

// The size rules of the dialog, on numbers (the text of an edit that cannot
// be read counts as std::nullopt before these are applied).
// Spin up: + 8, at most 2048.
int SizeSpinUp(int value);
// Spin down: - 8 from 28 on, otherwise 20.
int SizeSpinDown(int value);
// Leaving an edit: down to a multiple of 4, then 16 or less -> 20, above
// 2048 -> 2048.
int SizeOnLeave(int value);

class TFracSize : public QDialog {
  Q_OBJECT
 public:
  TFracSize(int width, int height, QWidget* parent = nullptr);

  // Shows the dialog modally with the given size; on "&Ok" stores the chosen
  // size into width and height and returns true.
  static bool Execute(QWidget* parent, int& width, int& height);

  // The values last typed or set (unreadable text counts as 0).
  int FracWidth() const;
  int FracHeight() const;
  Extended Ratio() const { return R; }

  QLineEdit* WidthEdit() const { return FWidth; }
  QLineEdit* HeightEdit() const { return FHeight; }
  QCheckBox* ProportionalBox() const { return FProportional; }
  QToolButton* SpinButton(bool width, bool up) const;

  // What the spin buttons do.
  void Spin(QLineEdit* edit, bool up);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Edited(QLineEdit* edit);
  // Applies the leaving rule; false (focus back) when the text is unreadable.
  bool Leave(QLineEdit* edit);
  void OkClicked();

  QLineEdit* FWidth = nullptr;
  QLineEdit* FHeight = nullptr;
  QCheckBox* FProportional = nullptr;
  QToolButton* FSpins[4] = {};  // width up, width down, height up, height down
  QPushButton* FOk = nullptr;
  Extended R = 1;
  bool Updating = false;  // the proportional rule is writing the other edit
};
