// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "3D attractors" window: the drawing of one attractor document in a
// scroll box, the search of new attractors, panning and zooming the
// drawing, its size, point count and colours, and loading and saving
// attractor files and images.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QColor>
#include <QWidget>

#include "attractors/attractor.h"
#include "platform/dialogs_qt.h"
#include "ui/image_area_form.h"

class QComboBox;
class QPushButton;
class QScrollArea;
class QSpinBox;
class TAttractorForm;

// The drawing area: shows the document's image and pans it when dragged with
// any mouse button.
class TAttractorArea : public QWidget {
  Q_OBJECT
 public:
  explicit TAttractorArea(TAttractorForm* form);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  TAttractorForm* Form;
  QPoint Anchor;
  bool Dragging = false;
};

// "Color control:": the depth shading from the solid colour (bottom) to the
// background (top); a click in the upper half edits the background, in the
// lower half the solid colour.
class TColorControl : public QWidget {
  Q_OBJECT
 public:
  explicit TColorControl(TAttractorForm* form);
  // The colour of row `row` of a box `height` rows high.
  static QColor ShadeAt(const TColor3& solid, const TColor3& background, int row, int height);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  TAttractorForm* Form;
};

class TAttractorForm : public QWidget {
  Q_OBJECT
 public:
  explicit TAttractorForm(QWidget* parent = nullptr);
  ~TAttractorForm() override;

  T3dFractal* Document() const { return Doc.get(); }

  // "&Redraw": a new attractor of the kind the "Typ&e:" list shows.
  void Redraw();
  void ZoomIn();
  void ZoomOut();
  // Drags the picture by (dx, dy) pixels.
  void Pan(int dx, int dy);
  // A "Size:" choice: the drawing area and the document take width x height.
  void SetDrawSize(int width, int height);
  // "&Load" with the file chosen; also for files dropped here or handed over
  // by the main window.
  void LoadFile(const std::string& path);
  void Load();
  void Save();
  // The colour dialog of "Color control:" for the background (upper half) or
  // the solid colour.
  void EditColor(bool background);

  // The colour dialog: starts with `color`; true with the chosen colour in
  // it, false when cancelled. By default QColorDialog.
  std::function<bool(QColor& color, QWidget* parent)> ColorDialog;
  // The random numbers of searches come from this seed when set, from the
  // clock otherwise.
  std::optional<uint32_t> SearchSeed;
  TFileDialog OpenDialog, SaveDialog;

  // Controls, for tests.
  QComboBox* TypeList() const { return FTypeList; }
  QComboBox* SizeList() const { return FSizeList; }
  QSpinBox* IterationsEdit() const { return FIterations; }
  QPushButton* RedrawButton() const { return FRedraw; }
  QPushButton* ZoomInButton() const { return FZoomIn; }
  QPushButton* ZoomOutButton() const { return FZoomOut; }
  QPushButton* SaveButton() const { return FSave; }
  QPushButton* LoadButton() const { return FLoad; }
  QPushButton* AviButton() const { return FAvi; }
  QPushButton* CloseButton() const { return FClose; }
  TAttractorArea* Area() const { return FArea; }
  TColorControl* ColorControl() const { return FColors; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ShowDocumentValues();
  void RecordBounds();

  bool Shown = false;
  TRepaintCanvas Canvas;
  std::unique_ptr<T3dFractal> Doc;
  QScrollArea* Scroll;
  TAttractorArea* FArea;
  QComboBox* FTypeList;
  QComboBox* FSizeList;
  QSpinBox* FIterations;
  QPushButton *FRedraw, *FZoomIn, *FZoomOut, *FSave, *FLoad, *FAvi, *FClose;
  TColorControl* FColors;
};
