// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the pages of the fractal selection dialog share: the page numbers,
// the list that reports a chosen row, the numeric edits with their spin
// buttons, and the "Parameters:" group of P1..P3.

#include <cstdint>
#include <functional>
#include <map>
#include <string_view>
#include <vector>

#include <QListWidget>
#include <QObject>
#include <QString>

#include "formulas/numbers.h"

class QGroupBox;
class QMouseEvent;
class QPushButton;
class QWidget;
class TNumericEdit;
class TSpinButton;

// The pages, in tab order.
enum class TSelectPage { Custom = 0, Constructor = 1, UserFormula = 2, IFS = 3 };

// Catalogue texts (Windows-1252) for a control.
QString Text1252(std::string_view text);

// A push button with a tool tip that Enter in the dialog does not press.
QPushButton* NewButton(const QString& text, const QString& toolTip, QWidget* parent);

// A list that reports the row the user chooses: a click (also on the row
// already current) or a move of the current row by keyboard, once each.
class TChoiceList : public QListWidget {
 public:
  explicit TChoiceList(QWidget* parent = nullptr);
  std::function<void(int)> OnChosen;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  bool InMouse = false;
};

// The dialog's numeric edits, each bound to a document property: an edit
// commits its value when it is left or Enter is pressed, and its spin
// buttons step it.
class TSelectEdits : public QObject {
 public:
  explicit TSelectEdits(QObject* parent) : QObject(parent) {}

  // Writes a committed or stepped value to the document property `index`.
  std::function<void(int32_t index, Extended value)> WriteProperty;
  // A parameter or seed changed: the drag window shows it.
  std::function<void()> ParameterChanged;

  // A parameter edit of property `index` with a coarse and, if `fine`, a
  // fine spin button.
  TNumericEdit* Add(int32_t index, bool fine, QWidget* parent, TSpinButton** coarseSpin, TSpinButton** fineSpin);
  // The filter limit edit of property `index` with its two spin buttons.
  TNumericEdit* AddLimit(int32_t index, QWidget* parent, TSpinButton* spins[2]);

  // Commits `edit` as if it were left (nothing when it is not one of these).
  void Commit(TNumericEdit* edit);
  bool Has(const TNumericEdit* edit) const { return Info.count(edit) != 0; }
  TSpinButton* SpinOf(const TNumericEdit* edit, bool fine) const;

 private:
  struct TEditInfo {
    int32_t Index = 0;
    enum { Parameter, FilterLimit } Kind = Parameter;
  };

  void EditLeft(TNumericEdit* edit);
  void Spin(TNumericEdit* edit, Extended step);

  std::map<const TNumericEdit*, TEditInfo> Info;
  std::map<const TNumericEdit*, TSpinButton*> Coarse, Fine;
};

// The "Parameters:" group: P1..P3, each a real and an imaginary edit with
// their spin buttons. The edits of both pages that have one share the
// document properties.
class TParameterGroup {
 public:
  TParameterGroup(TSelectEdits& edits, QWidget* parent);
  QGroupBox* Group() const { return FGroup; }
  // P1..P3 (k = 1..3), part 0 real, 1 imaginary.
  TNumericEdit* Edit(int k, int part) const { return FEdits[k - 1][part]; }
  // The widgets of row k (1..3): its label, edits and spin buttons.
  const std::vector<QWidget*>& Row(int k) const { return FRows[k - 1]; }

 private:
  QGroupBox* FGroup = nullptr;
  TNumericEdit* FEdits[3][2] = {};
  std::vector<QWidget*> FRows[3];
};
