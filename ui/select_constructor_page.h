// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Constructor" page of the selection dialog: the coefficients A..K of
// the constructor formula.

#include <cstdint>
#include <map>

#include <QWidget>

#include "ui/select_page.h"

class TFractal;

class TSelectConstructorPage : public QWidget {
  Q_OBJECT

 public:
  explicit TSelectConstructorPage(TSelectEdits& edits);
  // A coefficient edit by its document index (11..20, 25), or null.
  TNumericEdit* CoefficientEdit(int index) const;
  // Shows the coefficients of `document`.
  void ShowCoefficients(const TFractal& document);

 private:
  std::map<int32_t, TNumericEdit*> FCoefs;
};
