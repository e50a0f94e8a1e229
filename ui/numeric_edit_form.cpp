// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/numeric_edit_form.h"

#include <cmath>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/profile.h"

QValidator::State TNumericValidator::validate(QString& input, int&) const {
  int points = 0, minuses = 0;
  for (const QChar ch : input) {
    if (ch >= u'0' && ch <= u'9') continue;
    if (ch == u'.') {
      if (++points > 1) return Invalid;
    } else if (ch == u'-' && FAllowMinus) {
      if (++minuses > 1) return Invalid;
    } else {
      return Invalid;
    }
  }
  return Acceptable;
}

TNumericEdit::TNumericEdit(QWidget* parent, bool allowMinus)
    : QLineEdit(parent), Validator(new TNumericValidator(allowMinus, this)) {
  setValidator(Validator);
}

void TNumericEdit::SetAllowMinus(bool allow) { Validator->SetAllowMinus(allow); }

bool TNumericEdit::AllowMinus() const { return Validator->AllowMinus(); }

Extended TNumericEdit::Value() const { return ReadEditValue(text().toStdString()); }

void TNumericEdit::SetValue(Extended value, int digits) {
  setText(QString::fromStdString(FormatReal(value, digits)));
  // A long value shows its leading digits, not its tail.
  setCursorPosition(0);
}

void TNumericEdit::keyPressEvent(QKeyEvent* event) {
  // Deleting is always allowed: a value set from a file may show a form
  // the typing rule refuses ("1E-6", or a minus where none may be typed),
  // and the user must be able to take it apart.
  if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
    setValidator(nullptr);
    QLineEdit::keyPressEvent(event);
    setValidator(Validator);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TNumericEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Switching to another window or opening a popup keeps the focus here.
  if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) emit Left();
}

Extended ReadEditValue(std::string_view text) {
  try {
    return ParseReal(text);
  } catch (const TConvertError&) {
    return 0;
  }
}

Extended ClampParameter(Extended value) {
  if (value < -10000) return -10000;
  if (value > 10000) return 10000;
  if (std::fabs(value) < 1e-4L) return 0;
  return value;
}

Extended ClampFilterLimit(Extended value) {
  if (value < -10000) return -10000;
  if (value > 10000) return 10000;
  return value;
}

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent), FUp(new QToolButton(this)), FDown(new QToolButton(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {FUp, FDown}) {
    b->setArrowType(b == FUp ? Qt::UpArrow : Qt::DownArrow);
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(15, 11);
    b->setIconSize(QSize(7, 5));
    layout->addWidget(b);
  }
  connect(FUp, &QToolButton::clicked, this, &TSpinButton::Up);
  connect(FDown, &QToolButton::clicked, this, &TSpinButton::Down);
  setFixedSize(15, 22);
}
