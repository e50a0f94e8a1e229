// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "IFS movie": the window of the IFS morph (kind 6). It loads a start and an
// end set from single-IFS files or from entries of an IFS library, lets the
// user edit their values, previews the active set in the main window and
// starts the AVI writer.
//
// While it is open the window has the main document draw the working set;
// it keeps a copy of the document and gives it back when it closes. The
// main window creates a new one at every opening; it frees itself on close
// and calls OnClosed.

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "ifs/ifs_model.h"
#include "platform/dialogs_qt.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTimer;
class TFractal;
class TNumericEdit;
class TProfileFile;
class TSpinButton;

class TAVIifs : public QWidget {
  Q_OBJECT
 public:
  TAVIifs(TFractal* doc, QWidget* parent);
  ~TAVIifs() override;

  std::function<void()> OnClosed;

  // One of the two sets: 0 start, 1 end.
  struct TSetControls {
    TWorkingIFS* Set = nullptr;
    const char* Prefix = "";
    QLabel* Label = nullptr;
    QListWidget* List = nullptr;
    QPushButton* Load = nullptr;
    QListWidget* Library = nullptr;  // hidden unless a library file is loaded
    std::string LibraryPath;
  };

  // Loads a file into set `which` as its load button does after the dialog.
  void LoadSet(int which, const std::string& path);
  // Chooses entry k of set `which`'s library list.
  void ChooseLibraryEntry(int which, int k);

  const TSetControls& SetControls(int which) const { return Sets[which]; }
  int ActiveSet() const { return Active; }
  TNumericEdit* ValueEdit(int field) const { return Values[field]; }
  TSpinButton* ValueSpin(int field) const { return ValueSpins[field]; }
  QPushButton* AddButton() const { return Add; }
  QPushButton* DeleteButton() const { return Delete; }
  QSpinBox* FrameCountEdit() const { return FrameCount; }
  QSpinBox* MultiplierEdit() const { return Multiplier; }
  QCheckBox* PingPongBox() const { return PingPong; }
  QLabel* Picture() const { return FPicture; }
  int Phase() const { return FPhase; }
  QPushButton* MakeButton() const { return Make; }
  QPushButton* CancelButton() const { return Cancel; }

  TFileDialog OpenDialog;

  // Runs "&Make AVI" (the AVI setup dialog, modal).
  void MakeAVI();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildSet(int which, int top);
  void LoadClicked(int which);
  // The set's name into its label and its transforms from `section`.
  std::string ReadSection(int which, const TProfileFile& file, const std::string& section);
  // After a set was read: its list rebuilt and entered, then any warning.
  void SetLoaded(int which, const std::string& warning);
  void ShowSet(int which);
  void EnterList(int which);
  void LineSelected();
  void ValueLeft(int field);
  void ValueSpun(int field, bool up);
  void ClearValues();
  void Animate();
  int SelectedSlot() const;

  TFractal* Doc;
  std::unique_ptr<TFractal> Backup;
  TSetControls Sets[2];
  int Active = 0;
  TNumericEdit* Values[kTransformFieldCount] = {};
  TSpinButton* ValueSpins[kTransformFieldCount] = {};
  QPushButton *Add = nullptr, *Delete = nullptr, *Make = nullptr, *Cancel = nullptr;
  QSpinBox* FrameCount = nullptr;
  QSpinBox* Multiplier = nullptr;
  QCheckBox* PingPong = nullptr;
  QLabel* FPicture = nullptr;
  QTimer* Timer = nullptr;
  int FPhase = 0;
};
