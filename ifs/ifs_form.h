// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "IFS constructor": builds the working IFS set transform by transform while
// the main window draws it. The window edits the program-wide WorkingIFS and
// the main document in place; closing it posts MSG_IFS_CLOSED to the main
// window, which then restores the fractal it showed before.

#include <string>

#include <QFont>
#include <QWidget>

#include "platform/dialogs_qt.h"
#include "platform/messages.h"

class QLabel;
class QLineEdit;
class TTransformList;
class QPushButton;
class TFractal;
class TNumericEdit;
class TSpinButton;

// The bold fixed font of transform lists and their column titles.
QFont IFSListFont();

class TIFSForm : public QWidget {
  Q_OBJECT
 public:
  // `doc` is the main document; `mainWindow` receives MSG_IFS_CLOSED.
  TIFSForm(TFractal* doc, THandle mainWindow, QWidget* parent);

  // Loads a single-IFS file as "Load formula" does after its dialog.
  void LoadFormula(const std::string& path);

  // The controls, for the main window's tests.
  TTransformList* TransformList() const { return List; }
  TNumericEdit* ValueEdit(int field) const { return Values[field]; }
  TSpinButton* ValueSpin(int field) const { return ValueSpins[field]; }
  QLineEdit* NameEdit() const { return Name; }
  QLineEdit* MultiplierEdit() const { return Multiplier; }
  // Pair 0 steps by 100, pair 1 by 10.
  TSpinButton* MultiplierSpin(int pair) const { return MultiplierSpins[pair]; }
  QPushButton* LoadButton() const { return Load; }
  QPushButton* SaveButton() const { return Save; }
  QPushButton* AddButton() const { return Add; }
  QPushButton* DeleteButton() const { return Delete; }
  QPushButton* CloseButton() const { return CloseBtn; }

  TFileDialog OpenDialog, SaveDialog;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildControls();
  void RebuildList();
  void SelectLine(int row);
  void LineSelected();
  void ValueLeft(int field);
  void ValueSpun(int field, bool up);
  void StoreValue(int field, long double value);
  void MultiplierChanged();
  void MultiplierSpun(int step);
  void AddClicked();
  void DeleteClicked();
  void LoadClicked();
  void SaveClicked();
  void UpdateButtons();
  int SelectedSlot() const;

  TFractal* Doc;
  THandle MainWindow;
  TTransformList* List = nullptr;
  TNumericEdit* Values[7] = {};
  TSpinButton* ValueSpins[7] = {};
  QLineEdit* Name = nullptr;
  QLineEdit* Multiplier = nullptr;
  TSpinButton* MultiplierSpins[2] = {};
  QPushButton *Load = nullptr, *Save = nullptr, *Add = nullptr, *Delete = nullptr, *CloseBtn = nullptr;
};
