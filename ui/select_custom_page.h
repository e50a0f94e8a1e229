// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Custom" page of the selection dialog: the catalogue's formula list
// and the parameters of the chosen formula.

#include <QWidget>

#include "ui/select_page.h"

class QGroupBox;

class TSelectCustomPage : public QWidget {
 public:
  explicit TSelectCustomPage(TSelectEdits& edits);
  TChoiceList* List() const { return FList; }
  QGroupBox* ParametersGroup() const { return FParams.Group(); }
  TNumericEdit* ParameterEdit(int k, int part) const { return FParams.Edit(k, part); }
  // Shows the group and the rows of P1..P`count` (the group hides at 0).
  void ShowParameterRows(int32_t count);
  // Whether row k (1..3) of the parameters is shown.
  bool ParameterRowShown(int k) const;

 private:
  TChoiceList* FList = nullptr;
  TParameterGroup FParams;
};
