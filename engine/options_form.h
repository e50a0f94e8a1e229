// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Fractal's property": the preferences dialog. Edits the main document and
// its palette in place: view window, iteration control and bailout (these
// restart the render), palette kind, curves, shaping curve, contrast,
// channel order and infinity colour (these only recolour the image from its
// stored values), the JPEG options of image saving, and the IFS colouring.
//
// The main window shows it with ShowFor(document), calls Refresh() for
// MSG_OPTIONS_REFRESH, and re-enables "&Preferences" in OnClosed.
//
// This file holds the frame: the pages, the "&Close" button, filling the
// pages from the document, the palette files, and the dialog's place on the
// desktop. Each page has a file of its own (engine/options_*_form.h).

#include <functional>
#include <memory>

#include <QColor>
#include <QDialog>
#include <QWidget>

#include "engine/fractal.h"
#include "engine/options_coordinates_form.h"
#include "engine/options_curves_form.h"
#include "engine/options_widgets_form.h"
#include "platform/dialogs_qt.h"

class QTabWidget;
class TOptionsContrastPage;
class TOptionsIFSPage;
class TOptionsJpegPage;
class TOptionsPalettePage;
class TOptionsShared;

// Pages of the tabbed area, in order.
enum TOptionsPage { opCoordinates, opContrast, opColorPalette, opJpeg, opIFS };

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

  TFractal* Document() const;
  bool Live() const;

  // Called when the dialog closes (the main window enables "&Preferences").
  std::function<void()> OnClosed;
  // The colour dialog: starts with `color`; true with the chosen colour in
  // it, false when cancelled. By default QColorDialog.
  std::function<bool(QColor& color, QWidget* parent)> ColorDialog;
  // The palette file dialogs; both start in the program folder.
  TFileDialog PaletteSaveDialog, PaletteOpenDialog;

  // The curve boxes' handle being dragged: an end-point kind, or 0.
  int32_t DraggedEndPoint() const;
  int CurveWidth() const;
  int CurveHeight() const;

  // Controls, for the main window and tests.
  QTabWidget* Tabs() const { return FTabs; }
  TCurveBox* CurveBox(int channel) const;

 protected:
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void RecordPosition() const;
  // Following the document's changes while the dialog shows it.
  void Subscribe();
  void Unsubscribe();
  // The pages that show the palette, and the palette files.
  void FillPalettePages();
  void ShowPaletteKindControls();
  void SavePalette();
  void LoadPalette();

  QTabWidget* FTabs = nullptr;
  std::unique_ptr<TOptionsShared> Shared;
  // The pages, in their order.
  TOptionsCoordinatesPage* FCoordinates = nullptr;
  TOptionsContrastPage* FContrast = nullptr;
  TOptionsPalettePage* FColorPalette = nullptr;
  TOptionsJpegPage* FJpeg = nullptr;
  TOptionsIFSPage* FIFS = nullptr;
  // What the document called before the dialog followed it.
  bool Subscribed = false;
  TFractal::TCallback PreviousParamsChanged;
  std::function<void()> PreviousPaletteChange;
};
