#pragma once
// The fractal selection dialog "Select fractal:": the user picks a catalogue
// formula, the constructor formula, a user formula or a library IFS, sets its
// parameters, Julia mode and seed and the colouring filter, and watches the
// result in a small live preview. The dialog works on a preview document of
// its own; only "S&elect" hands that document to the main window's.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QWidget>

#include "formulas/numbers.h"
#include "platform/bitmap.h"
#include "ui/image_area_form.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolButton;
class TDragForm;
class TFractal;
struct TFormulaEntry;
class TNumericEdit;
class TSpinButton;

// The pages, in tab order.
enum class TSelectPage { Custom = 0, Constructor = 1, UserFormula = 2, IFS = 3 };

// The preview picture: shows the preview document's bitmap and pans the
// document's window while it is dragged with any mouse button.
class TPreviewPicture : public QWidget {
  Q_OBJECT
 public:
  TPreviewPicture(int width, int height, QWidget* parent = nullptr);
  void SetDocument(TFractal* document) { FDocument = document; }
  TCanvas* Canvas() { return &FCanvas; }
  // Ends a drag in progress (the dialog clears it at every showing).
  void ClearPan() { Panning = false; }
  bool Panning = false;
  int LastX = 0, LastY = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TFractal* FDocument = nullptr;
  TRepaintCanvas FCanvas;
};

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
  QListWidget* FormulaList() const { return FFormulaList; }
  QGroupBox* ParametersGroup() const { return FParamGroup; }
  // P1..P3 (k = 1..3), part 0 real, 1 imaginary, on "Custom" or "User formula".
  TNumericEdit* ParameterEdit(TSelectPage page, int k, int part) const;
  // A constructor coefficient edit by its document index (11..20, 25).
  TNumericEdit* CoefficientEdit(int index) const;
  QPlainTextEdit* UserText() const { return FUserText; }
  QPushButton* GoButton() const { return FGo; }
  QPushButton* ClearButton() const { return FClear; }
  QToolButton* FunctionsButton() const { return FFunctions; }
  QListWidget* IFSList() const { return FIFSList; }
  QPlainTextEdit* IFSText() const { return FIFSText; }
  QSpinBox* MaxIterMultiplier() const { return FMultiplier; }
  QWidget* FilterPanel() const { return FFilterPanel; }
  QLabel* FilterLabel() const { return FFilterLabel; }
  QComboBox* FilterBox() const { return FFilter; }
  TNumericEdit* FilterLimitEdit() const { return FFilterLimit; }
  QCheckBox* FilterOnlyCheck() const { return FFilterOnly; }
  QCheckBox* KeepInfiniteCheck() const { return FKeepInfinite; }
  // The coarse (fine = false) or fine spin button of an edit, or null.
  TSpinButton* SpinOf(const TNumericEdit* edit, bool fine) const;
  // The "Complex functions" reference window (null until first shown).
  QWidget* ComplexFunctionsWindow() const { return FComplexFunctions; }

 protected:
  void changeEvent(QEvent* event) override;

 private:
  struct TEditInfo {
    int32_t Index = 0;
    enum { Parameter, FilterLimit } Kind = Parameter;
  };

  void BuildLayout();
  QWidget* BuildCustomPage();
  QWidget* BuildConstructorPage();
  QWidget* BuildUserPage();
  QWidget* BuildIFSPage();
  QGroupBox* BuildParameterGroup(TSelectPage page);
  QWidget* BuildFilterPanel();
  TNumericEdit* AddEdit(int32_t index, bool fine, QWidget* parent, TSpinButton** coarse, TSpinButton** fineSpin);
  void LoadIFSLibraryList();

  // Showing and closing.
  void Prepare(TFractal& main);
  void Finish(TFractal& main, bool selected);
  void RefreshParameterEdits();

  // Handlers.
  void FormulaRowChosen(int row);
  void ShowRowEditors(const TFormulaEntry* row, int32_t number);
  void PageChanged(int page);
  void ApplyPageLook();
  void EditLeft(TNumericEdit* edit);
  void Spin(TNumericEdit* edit, Extended step);
  void FilterChanged(int row);
  void IFSChosen(int row);
  void Go();
  void ShowComplexFunctions();
  void ZoomIn();
  void ZoomOut();
  void CommitFocusedEdit();
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
  std::vector<std::string> IFSNames;
  bool Updating = false;  // controls are being set from the document

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
  QListWidget* FFormulaList = nullptr;
  QGroupBox* FParamGroup = nullptr;
  // Per page (0 Custom, 1 User formula), per parameter P1..P3, per part.
  TNumericEdit* FParams[2][3][2] = {};
  std::vector<QWidget*> FParamRow[3];  // the "Custom" row widgets of P1..P3
  std::map<int32_t, TNumericEdit*> FCoefs;
  QPlainTextEdit* FUserText = nullptr;
  QPushButton* FGo = nullptr;
  QPushButton* FClear = nullptr;
  QToolButton* FFunctions = nullptr;
  QListWidget* FIFSList = nullptr;
  QPlainTextEdit* FIFSText = nullptr;
  QSpinBox* FMultiplier = nullptr;
  QWidget* FFilterPanel = nullptr;
  QLabel* FFilterLabel = nullptr;
  QComboBox* FFilter = nullptr;
  QLabel* FFilterLimitLabel = nullptr;
  TNumericEdit* FFilterLimit = nullptr;
  TSpinButton* FFilterSpins[2] = {};
  QCheckBox* FFilterOnly = nullptr;
  QCheckBox* FKeepInfinite = nullptr;
  QWidget* FComplexFunctions = nullptr;
  TDragForm* FDrag = nullptr;

  std::map<const TNumericEdit*, TEditInfo> FEditInfo;
  std::map<const TNumericEdit*, TSpinButton*> FCoarse, FFine;
};
