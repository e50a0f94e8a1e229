#pragma once
// "Fractal's property": the preferences dialog. Edits the main document and
// its palette in place: view window, iteration control and bailout (these
// restart the render), palette kind, curves, shaping curve, contrast,
// channel order and infinity colour (these only recolour the image from its
// stored values), the JPEG options of image saving, and the IFS colouring.
//
// The main window shows it with ShowFor(document), calls Refresh() for
// MSG_OPTIONS_REFRESH, and re-enables "&Preferences" in OnClosed.

#include <functional>

#include <QColor>
#include <QDialog>
#include <QWidget>

#include "engine/coordinate_fields.h"
#include "engine/fractal.h"
#include "platform/dialogs_qt.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;
class TOptionsForm;

// Size of the three curve boxes.
constexpr int kCurveBoxWidth = 130, kCurveBoxHeight = 64;
// Pages of the tabbed area, in order.
enum TOptionsPage { opCoordinates, opContrast, opColorPalette, opJpeg, opIFS };

// The end-point kinds of one channel (0 red, 1 green, 2 blue) for a palette
// kind, in the order a press picks them: start and end for the linear and
// square palettes, left handle, middle and right handle for the parabola.
// Returns how many it wrote into kinds (0 for the standard palette).
int CurveEndPoints(int32_t paletteKind, int channel, int32_t kinds[3]);

// The bailout spin buttons: (Round(sqrt(b)) + 1)^2 at most 999999.999, and
// (Round(sqrt(b)) - 1)^2 at least 1. A negative b counts as 0.
Extended BailOutUp(Extended b);
Extended BailOutDown(Extended b);
// The bailout as the dialog shows it: the shortest text that reads back as
// the same 32-bit float.
std::string BailOutText(float b);

// A colour swatch; clicking it calls OnClick.
class TColorSwatch : public QWidget {
  Q_OBJECT
 public:
  explicit TColorSwatch(QWidget* parent = nullptr);
  void SetColor(const QColor& color);
  QColor Color() const { return FColor; }
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QColor FColor = Qt::black;
};

// A strip of vertical lines, one per column, in the colour ColorAt gives.
class TPaletteStrip : public QWidget {
  Q_OBJECT
 public:
  explicit TPaletteStrip(QWidget* parent = nullptr);
  std::function<QColor(int x, int width)> ColorAt;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// One channel's curve of the table palettes, with its draggable handles.
class TCurveBox : public QWidget {
  Q_OBJECT
 public:
  TCurveBox(TOptionsForm* form, int channel, QWidget* parent);
  int Channel() const { return FChannel; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TOptionsForm* Form;
  int FChannel;
};

class TOptionsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TOptionsForm(QWidget* parent = nullptr);
  ~TOptionsForm() override;

  // Shows the dialog over `document` (the main document), filled from it,
  // on the "Coordinates" page.
  void ShowFor(TFractal* document);
  // MSG_OPTIONS_REFRESH: the document or its palette was replaced; re-reads
  // the palette and IFS controls, then recolours.
  void Refresh();

  TFractal* Document() const { return Doc; }
  bool Live() const { return FLive; }

  // Called when the dialog closes (the main window enables "&Preferences").
  std::function<void()> OnClosed;
  // The colour dialog: starts with `color`; true with the chosen colour in
  // it, false when cancelled. By default QColorDialog.
  std::function<bool(QColor& color, QWidget* parent)> ColorDialog;
  // The palette file dialogs; both start in the program folder.
  TFileDialog PaletteSaveDialog, PaletteOpenDialog;

  // The curve boxes' handle being dragged: an end-point kind, or 0.
  int32_t DraggedEndPoint() const { return DragKind; }
  int CurveWidth() const { return BoxW; }
  int CurveHeight() const { return BoxH; }

  // Controls, for the main window and tests.
  QTabWidget* Tabs() const { return FTabs; }
  TCurveBox* CurveBox(int channel) const { return Curves[channel]; }

 protected:
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TCurveBox;
  class TLiveOff;

  QWidget* BuildCoordinatesPage();
  QWidget* BuildContrastPage();
  QWidget* BuildColorPalettePage();
  QWidget* BuildJpegPage();
  QWidget* BuildIFSPage();

  void Subscribe();
  void Unsubscribe();
  void RecordPosition();
  void Recolour();

  void FillCoordinates();
  void FillContrast();
  void FillColorPalette();
  void FillJpeg();
  void FillIFS();
  void ShowPaletteKindControls();
  void RepaintPalette();

  // Coordinates page.
  void CoordinateLeft(QLineEdit* edit, int which);
  void AutoIterToggled(bool on);
  void MaxIterChanged(int value);
  void BailOutLeft();
  void BailOutSpin(bool up);

  // Palette pages.
  void PaletteKindChosen(int kind);
  void ColorOrderChosen(int order);
  void IterChangingChosen(int curve);
  void ContrastMoved(int position);
  void StepChanged(int channel, int value);
  void ShiftChanged(int channel, int value);
  void PickInfinityColour();
  void SavePalette();
  void LoadPalette();
  void CurveFieldLeft(QLineEdit* edit);

  // Curve boxes.
  void PaintCurve(TCurveBox* box, QPainter& painter);
  void CurvePressed(TCurveBox* box, QPoint at);
  void CurveDragged(TCurveBox* box, QPoint at);
  void CurveReleased();

  // IFS page.
  void IFSStyleChosen(int style);
  void PickSolidColour();
  void QuickToggled(bool on);

  TFractal* Doc = nullptr;
  bool FLive = false;
  bool Subscribed = false;
  TFractal::TCallback PreviousParamsChanged;
  std::function<void()> PreviousPaletteChange;
  int BoxW = kCurveBoxWidth, BoxH = kCurveBoxHeight;
  int32_t DragKind = 0;
  bool Dragging = false;

  QTabWidget* FTabs = nullptr;
  // Coordinates.
  QLineEdit* FCoord[3] = {};
  TCoordinateFields FCoordinates;
  QCheckBox* FAutoIter = nullptr;
  QCheckBox* FFastArithmetic = nullptr;
  QLabel* FMaxIterLabel = nullptr;
  QSpinBox* FMaxIter = nullptr;
  QLineEdit* FBailOut = nullptr;
  QToolButton* FBailUp = nullptr;
  QToolButton* FBailDown = nullptr;
  // Contrast.
  TPaletteStrip* FCycles = nullptr;
  QButtonGroup* FIterChanging = nullptr;
  QSlider* FContrast = nullptr;
  // Color palette.
  TColorSwatch* FInfinity = nullptr;
  TPaletteStrip* FStrip = nullptr;
  QComboBox* FColorOrder = nullptr;
  QButtonGroup* FKind = nullptr;
  QGroupBox* FStepsGroup = nullptr;
  QGroupBox* FShiftsGroup = nullptr;
  QWidget* FCurvesPanel = nullptr;
  QSpinBox* FSteps[3] = {};
  QScrollBar* FShiftBars[3] = {};
  QSpinBox* FShifts[3] = {};
  TCurveBox* Curves[3] = {};
  QLineEdit* FCurveFields[3][2] = {};  // per channel: start, end
  // JPEG.
  QSlider* FQuality = nullptr;
  QCheckBox* FProgressive = nullptr;
  // IFS.
  TColorSwatch* FBackground = nullptr;
  QButtonGroup* FIFSStyle = nullptr;
  QPushButton* FSolidButton = nullptr;
  TColorSwatch* FSolid = nullptr;
  QCheckBox* FQuick = nullptr;
};
