// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Edit fields for numbers and the small up/down spin buttons beside them.
//
// A numeric edit takes only digits, Backspace, one "-" (when negative values
// are allowed) and one "." whatever the locale. Leaving the edit emits Left();
// the owner then reads the text with ReadEditValue, clamps it and writes the
// result back.

#include <string_view>

#include <QLineEdit>
#include <QValidator>
#include <QWidget>

#include "formulas/numbers.h"

class QToolButton;

// Accepts a text made of digits with at most one "." and, when minus signs
// are allowed, at most one "-". Anything else is refused outright (never
// "intermediate"), so typed, pasted and dropped text obey the same rule.
class TNumericValidator : public QValidator {
  Q_OBJECT
 public:
  explicit TNumericValidator(bool allowMinus, QObject* parent = nullptr)
      : QValidator(parent), FAllowMinus(allowMinus) {}
  State validate(QString& input, int& pos) const override;
  void SetAllowMinus(bool allow) { FAllowMinus = allow; }
  bool AllowMinus() const { return FAllowMinus; }

 private:
  bool FAllowMinus;
};

class TNumericEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TNumericEdit(QWidget* parent = nullptr, bool allowMinus = true);
  void SetAllowMinus(bool allow);
  bool AllowMinus() const;

  // The value the edit stands for (ReadEditValue of its text).
  Extended Value() const;
  // Shows `value` in general format with up to `digits` significant digits.
  void SetValue(Extended value, int digits = 15);

 signals:
  // The keyboard focus left the edit (not merely the window).
  void Left();

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TNumericValidator* Validator;
};

// An edit's number: its text parsed with "." as separator; an empty or
// unreadable text counts as 0.
Extended ReadEditValue(std::string_view text);

// Parameters and coefficients after leaving an edit: limited to
// -10000..10000, and values of magnitude below 1e-4 become 0.
Extended ClampParameter(Extended value);
// The filter limit after leaving its edit: limited to -10000..10000, small
// values kept.
Extended ClampFilterLimit(Extended value);

// A pair of small arrow buttons, up above down, that repeat while held.
class TSpinButton : public QWidget {
  Q_OBJECT
 public:
  explicit TSpinButton(QWidget* parent = nullptr);
  QToolButton* UpButton() const { return FUp; }
  QToolButton* DownButton() const { return FDown; }

 signals:
  void Up();
  void Down();

 private:
  QToolButton* FUp;
  QToolButton* FDown;
};
