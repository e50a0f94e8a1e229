// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_form.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "engine/options_contrast_form.h"
#include "engine/options_ifs_form.h"
#include "engine/options_jpeg_form.h"
#include "engine/options_palette_form.h"
#include "engine/options_shared_form.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

namespace {

constexpr const char* kPaletteFilter = QT_TRANSLATE_NOOP("FileDialog", "Fractal's palette (*.frp)|*.frp");

}  // namespace

TOptionsForm::TOptionsForm(QWidget* parent) : QDialog(parent), Shared(std::make_unique<TOptionsShared>(this)) {
  setWindowTitle(tr("Fractal's property"));
  ColorDialog = [](QColor& color, QWidget* owner) {
    const QColor chosen = QColorDialog::getColor(color, owner);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
  };
  Shared->ChooseColour = [this](QColor& color) { return ColorDialog && ColorDialog(color, this); };
  PaletteSaveDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Save palette to file");
  PaletteOpenDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Open palette file");
  for (TFileDialog* d : {&PaletteSaveDialog, &PaletteOpenDialog}) {
    d->Filter = kPaletteFilter;
    d->DefaultExt = "frp";
    d->InitialDir = DocumentFolder();
  }
  PaletteSaveDialog.OverwritePrompt = true;
  PaletteOpenDialog.FileMustExist = true;

  FTabs = new QTabWidget(this);
  FCoordinates = new TOptionsCoordinatesPage(*Shared);
  FContrast = new TOptionsContrastPage(*Shared);
  FColorPalette = new TOptionsPalettePage(*Shared);
  FJpeg = new TOptionsJpegPage(*Shared);
  FIFS = new TOptionsIFSPage(*Shared);
  FTabs->addTab(FCoordinates, tr("Coordinates"));
  FTabs->addTab(FContrast, tr("Contrast"));
  FTabs->addTab(FColorPalette, tr("Color palette"));
  FTabs->addTab(FJpeg, tr("JPEG options"));
  FTabs->addTab(FIFS, tr("IFS Setup"));
  connect(FTabs, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == opJpeg) FJpeg->Fill();
  });
  // Every page caption stays in view.
  FTabs->setMinimumWidth(FTabs->tabBar()->sizeHint().width() + 8);
  FColorPalette->OnKindChosen = [this] {
    ShowPaletteKindControls();
    FTabs->setCurrentIndex(opColorPalette);
  };
  FColorPalette->OnSave = [this] { SavePalette(); };
  FColorPalette->OnLoad = [this] { LoadPalette(); };

  auto* close = new QPushButton(tr("&Close"), this);
  close->setObjectName("CloseButton");
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FTabs);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

TOptionsForm::~TOptionsForm() {
  if (windowState() == Qt::WindowNoState) RecordPosition();
  // A dialog destroyed while shown still holds its subscriptions.
  Unsubscribe();
  // The pages outlive the state they share: nothing may fill them as they go.
  disconnect(FTabs, nullptr, this, nullptr);
}

TFractal* TOptionsForm::Document() const { return Shared->Doc; }
bool TOptionsForm::Live() const { return Shared->Live; }

int32_t TOptionsForm::DraggedEndPoint() const { return FColorPalette->Curves()->DraggedEndPoint(); }
int TOptionsForm::CurveWidth() const { return FColorPalette->Curves()->CurveWidth(); }
int TOptionsForm::CurveHeight() const { return FColorPalette->Curves()->CurveHeight(); }
TCurveBox* TOptionsForm::CurveBox(int channel) const { return FColorPalette->Curves()->Box(channel); }

void TOptionsForm::ShowFor(TFractal* document) {
  {
    TLiveOff off(*Shared);
    if (Subscribed && document != Shared->Doc) Unsubscribe();
    Shared->Doc = document;
    FTabs->setCurrentIndex(opCoordinates);
    if (document) {
      FCoordinates->Fill();
      FContrast->Fill();
      FColorPalette->Fill();
      FJpeg->Fill();
      FIFS->Fill();
      ShowPaletteKindControls();
      Subscribe();
    }
  }
  Shared->Live = true;
  // Placed once its pages are filled: a size change after it appears could
  // move it on the desktop.
  PlaceToolWindow(this, Settings().Options.Left, Settings().Options.Top);
  show();
  raise();
  activateWindow();
}

void TOptionsForm::Refresh() {
  if (!Shared->Doc) return;
  {
    TLiveOff off(*Shared);
    FCoordinates->Fill();
    FillPalettePages();
  }
  Shared->Live = true;
  Shared->Recolour();
}

void TOptionsForm::FillPalettePages() {
  FContrast->Fill();
  FColorPalette->Fill();
  FIFS->Fill();
  ShowPaletteKindControls();
}

void TOptionsForm::ShowPaletteKindControls() {
  FTabs->setTabVisible(opContrast, FColorPalette->TablePalette());
  FColorPalette->ShowKindControls();
}

void TOptionsForm::Subscribe() {
  TFractal* doc = Shared->Doc;
  if (Subscribed || !doc) return;
  PreviousParamsChanged = doc->OnParamsChanged;
  doc->OnParamsChanged = [this, previous = PreviousParamsChanged](TFractal* d) {
    if (previous) previous(d);
    FCoordinates->Fill();
  };
  PreviousPaletteChange = doc->Palette->OnChange;
  Subscribed = true;
}

void TOptionsForm::Unsubscribe() {
  TFractal* doc = Shared->Doc;
  if (!Subscribed || !doc) return;
  doc->OnParamsChanged = PreviousParamsChanged;
  doc->Palette->OnChange = PreviousPaletteChange;
  PreviousParamsChanged = nullptr;
  PreviousPaletteChange = nullptr;
  Subscribed = false;
}

void TOptionsForm::SavePalette() {
  TFractal* doc = Shared->Doc;
  if (!doc || !RunSaveDialog(PaletteSaveDialog, this)) return;
  PaletteSaveDialog.InitialDir = FolderOf(PaletteSaveDialog.FileName);
  try {
    doc->Palette->SaveToFile(PaletteSaveDialog.FileName);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TOptionsForm::LoadPalette() {
  TFractal* doc = Shared->Doc;
  if (!doc || !RunOpenDialog(PaletteOpenDialog, this)) return;
  TFPal& pal = *doc->Palette;
  pal.OnChange = nullptr;
  try {
    pal.LoadFromFile(PaletteOpenDialog.FileName);
  } catch (const std::exception& e) {
    ShowMessage(e.what());  // the palette is as it was
  }
  {
    TLiveOff off(*Shared);
    FillPalettePages();
  }
  Shared->Recolour();
  pal.OnChange = [this] { FCoordinates->Fill(); };
}

void TOptionsForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;  // minimised, not closed
  RecordPosition();
  Unsubscribe();
  Shared->Live = false;
  if (OnClosed) OnClosed();
}

void TOptionsForm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // The dialog minimises and restores the whole program.
  QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
  if (!main) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  if (isMinimized() && !main->isMinimized()) {
    main->showMinimized();
  } else if (!isMinimized() && (change->oldState() & Qt::WindowMinimized) && main->isMinimized()) {
    main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
  }
}

void TOptionsForm::RecordPosition() const {
  if (windowState() != Qt::WindowNoState) return;
  Settings().Options = {x(), y()};
}
