// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "User formula" page of the selection dialog: the parameters, the
// formula's text with "&Go !" to compile it and "C&lear", and the
// "Complex functions" reference window behind "f(z)".

#include <string>
#include <vector>

#include <QWidget>

#include "ui/select_page.h"

class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

class TSelectUserPage : public QWidget {
  Q_OBJECT

 public:
  explicit TSelectUserPage(TSelectEdits& edits);
  TNumericEdit* ParameterEdit(int k, int part) const { return FParams.Edit(k, part); }
  QPlainTextEdit* UserText() const { return FUserText; }
  QPushButton* GoButton() const { return FGo; }
  QPushButton* ClearButton() const { return FClear; }
  QToolButton* FunctionsButton() const { return FFunctions; }
  QWidget* ComplexFunctionsWindow() const { return FComplexFunctions; }

  // The formula's lines as the text box holds them.
  std::vector<std::string> Lines() const;
  // Shows `lines` in the text box (an empty box for null).
  void ShowLines(const std::vector<std::string>* lines);
  void HideComplexFunctions();

 private:
  void ShowComplexFunctions();

  TParameterGroup FParams;
  QPlainTextEdit* FUserText = nullptr;
  QPushButton* FGo = nullptr;
  QPushButton* FClear = nullptr;
  QToolButton* FFunctions = nullptr;
  QWidget* FComplexFunctions = nullptr;
};
