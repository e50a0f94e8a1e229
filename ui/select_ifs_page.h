// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "IFS" page of the selection dialog: the IFS library "px.ifs", the
// transforms of the chosen IFS, and the "&MaxIter multipler:".

#include <QWidget>

#include "ui/select_page.h"

class QPlainTextEdit;
class QSpinBox;

class TSelectIFSPage : public QWidget {
  Q_OBJECT

 public:
  TSelectIFSPage();
  TChoiceList* List() const { return FList; }
  QPlainTextEdit* TransformText() const { return FText; }
  QSpinBox* MaxIterMultiplier() const { return FMultiplier; }

  // Reads the IFS library of the data folder and lists its names.
  void LoadLibrary();
  // Shows the transforms of library IFS `number`.
  void ShowTransforms(int number);

 private:
  TChoiceList* FList = nullptr;
  QPlainTextEdit* FText = nullptr;
  QSpinBox* FMultiplier = nullptr;
};
