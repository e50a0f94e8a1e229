// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fractal selection dialog "Select fractal:": the user picks a catalogue
// formula, the constructor formula, a user formula or a library IFS, sets its
// parameters, Julia mode and seed and the colouring filter, and watches the
// result in a small live preview. The dialog works on a preview document of
// its own; only "S&elect" hands that document to the main window's.

#include <cstdint>
#include <memory>

#include <QDialog>

#include "formulas/numbers.h"
#include "ui/select_constructor_page.h"
#include "ui/select_custom_page.h"
#include "ui/select_filter_form.h"
#include "ui/select_ifs_page.h"
#include "ui/select_page.h"
#include "ui/select_preview_form.h"
#include "ui/select_user_page.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;
class TDragForm;
class TFractal;
struct TFormulaEntry;

class TSelectForm : public QDialog {
  Q_OBJECT
 public:
  // Loads the IFS library "px.ifs" of the data folder and creates the
  // preview document. Create it once, after the main window.
  explicit TSelectForm(QWidget* parent = nullptr);
  ~TSelectForm() override;

  // Shows the dialog modally over `mainDocument`. On "S&elect" the main
  // document copies the preview document, takes over a user formula module
  // the preview compiled, and restarts; the preview then stops. Returns
  // whether the user chose "S&elect".
  bool Execute(TFractal& mainDocument);

  // What the main window reads after a selection.
  TSelectPage ActivePage() const;
  bool JuliaCheckedAndEnabled() const;

  // The preview document (null when it could not be created).
  TFractal* Preview() const { return Doc.get(); }

  // The parameter drag window, created when "Manual parameters select" is
  // first pressed (null before).
  TDragForm* DragWindow() const { return FDrag; }
  // Releases "Manual parameters select" (the drag window was closed by itself).
  void ReleaseManualParameters();
  // Dragged markers: the seed edits and the preview's Julia seed; or
  // parameter k (1..3) in the edits of both pages and the preview.
  void DragSeed(Extended re, Extended im);
  void DragParameter(int k, Extended re, Extended im);
  // What the drag window shows: marker 1 while a seed edit is enabled,
  // markers 2..4 while the "Custom" rows of P1..P3 are shown.
  bool SeedEditEnabled() const;
  bool ParameterRowShown(int k) const;

  // Controls, for the windows that work with the dialog and for tests.
  QPushButton* SelectButton() const { return FSelect; }
  QPushButton* CancelButton() const { return FCancel; }
  QToolButton* ManualButton() const { return FManual; }
  QLineEdit* FormulaText() const { return FFormulaText; }
  TPreviewPicture* Picture() const { return FPicture; }
  QPushButton* ZoomInButton() const { return FZoomIn; }
  QPushButton* ZoomOutButton() const { return FZoomOut; }
  QCheckBox* InvertedCheck() const { return FInverted; }
  QCheckBox* FSetCheck() const { return FFSet; }
  QGroupBox* JuliaGroup() const { return FJuliaGroup; }
  QCheckBox* JuliaCheck() const { return FJulia; }
  TNumericEdit* SeedEdit(int part) const { return FSeed[part]; }
  QTabWidget* Pages() const { return FPages; }
  QListWidget* FormulaList() const { return FCustom->List(); }
  QGroupBox* ParametersGroup() const { return FCustom->ParametersGroup(); }
  // P1..P3 (k = 1..3), part 0 real, 1 imaginary, on "Custom" or "User formula".
  TNumericEdit* ParameterEdit(TSelectPage page, int k, int part) const;
  // A constructor coefficient edit by its document index (11..20, 25).
  TNumericEdit* CoefficientEdit(int index) const { return FConstructor->CoefficientEdit(index); }
  QPlainTextEdit* UserText() const { return FUser->UserText(); }
  QPushButton* GoButton() const { return FUser->GoButton(); }
  QPushButton* ClearButton() const { return FUser->ClearButton(); }
  QToolButton* FunctionsButton() const { return FUser->FunctionsButton(); }
  QListWidget* IFSList() const { return FIFS->List(); }
  QPlainTextEdit* IFSText() const { return FIFS->TransformText(); }
  QSpinBox* MaxIterMultiplier() const { return FIFS->MaxIterMultiplier(); }
  QWidget* FilterPanel() const { return FFilterPanel; }
  QLabel* FilterLabel() const { return FFilterPanel->FilterLabel(); }
  QComboBox* FilterBox() const { return FFilterPanel->FilterBox(); }
  TNumericEdit* FilterLimitEdit() const { return FFilterPanel->FilterLimitEdit(); }
  QCheckBox* FilterOnlyCheck() const { return FFilterPanel->FilterOnlyCheck(); }
  QCheckBox* KeepInfiniteCheck() const { return FFilterPanel->KeepInfiniteCheck(); }
  // The coarse (fine = false) or fine spin button of an edit, or null.
  TSpinButton* SpinOf(const TNumericEdit* edit, bool fine) const { return FEdits->SpinOf(edit, fine); }
  // The "Complex functions" reference window (null until first shown).
  QWidget* ComplexFunctionsWindow() const { return FUser->ComplexFunctionsWindow(); }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void BuildLayout();
  QLayout* BuildPreviewColumn();
  void ConnectPages();

  // Showing and closing.
  void Prepare(TFractal& main);
  void Finish(TFractal& main, bool selected);
  void RefreshParameterEdits();

  // Handlers.
  void FormulaRowChosen(int row);
  void ShowRowEditors(const TFormulaEntry* row, int32_t number);
  void PageChanged(int page);
  void ApplyPageLook();
  void FilterChanged(int row);
  void IFSChosen(int row);
  void Go();
  void RefreshDragWindow();
  void ManualParameters(bool down);
  void SetProperty(int32_t index, Extended value);
  void SetFlag(int32_t index, bool value);
  void EnableSeed(bool enabled);
  void RecordPosition();

  std::unique_ptr<TFractal> Doc;
  // The main document's user module the preview renders with but does not
  // own (null when the preview owns its module or has none).
  void* BorrowedModule = nullptr;
  bool Updating = false;  // controls are being set from the document

  TSelectEdits* FEdits = nullptr;
  QPushButton* FSelect = nullptr;
  QPushButton* FCancel = nullptr;
  QToolButton* FManual = nullptr;
  QLineEdit* FFormulaText = nullptr;
  TPreviewPicture* FPicture = nullptr;
  QPushButton* FZoomIn = nullptr;
  QPushButton* FZoomOut = nullptr;
  QCheckBox* FInverted = nullptr;
  QCheckBox* FFSet = nullptr;
  QGroupBox* FJuliaGroup = nullptr;
  QCheckBox* FJulia = nullptr;
  TNumericEdit* FSeed[2] = {};
  TSpinButton* FSeedSpins[2][2] = {};
  QTabWidget* FPages = nullptr;
  TSelectCustomPage* FCustom = nullptr;
  TSelectConstructorPage* FConstructor = nullptr;
  TSelectUserPage* FUser = nullptr;
  TSelectIFSPage* FIFS = nullptr;
  TSelectFilterPanel* FFilterPanel = nullptr;
  TDragForm* FDrag = nullptr;
};
