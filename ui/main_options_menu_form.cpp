// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Options menu: the fractal size, the preferences, the
// palette files, the Julia window and the anti-aliased image.

#include <algorithm>

#include <QActionGroup>
#include <QMenuBar>

#include "engine/fractal.h"
#include "engine/options_form.h"
#include "formulas/catalogue.h"
#include "platform/dialogs.h"
#include "ui/image_area_form.h"
#include "ui/main_form.h"
#include "ui/menu_item_qt.h"
#include "ui/settings.h"
#include "ui/size_form.h"

const TSizePreset kSizePresets[13] = {
    {10, "152 x 152", 152, 152},   {12, "200 x 200", 200, 200},   {1, "300 x 300", 300, 300},
    {2, "320 x 200", 320, 200},    {9, "320 x 240", 320, 240},    {3, "400 x 400", 400, 400},
    {4, "640 x 400", 640, 400},    {5, "640 x 480", 640, 480},    {6, "800 x 600", 800, 600},
    {11, "800 x 800", 800, 800},   {7, "1024 x 768", 1024, 768},  {13, "1024 x 1024", 1024, 1024},
    {14, "1600 x 1600", 1600, 1600}};

void TMainForm::BuildOptionsMenu() {
  QMenu* options = OptionsMenu = menuBar()->addMenu(tr("&Options"));
  BuildSizeMenu(options);
  PreferencesItem = AddMenuItem(options, tr("&Preferences"), QKeySequence(Qt::Key_F8), [this] { ShowPreferences(); });
  options->addSeparator();
  AddMenuItem(options, tr("&Load palette"), {}, [this] { LoadPalette(); });
  AddMenuItem(options, tr("&Save palette"), {}, [this] { SavePalette(); });
  options->addSeparator();
  JulieWindowItem = AddMenuItem(options, tr("&Julie window"), QKeySequence(Qt::ALT | Qt::Key_J), nullptr);
  JulieWindowItem->setCheckable(true);
  // Toggling flips the check mark first; the window follows it.
  connect(JulieWindowItem, &QAction::triggered, this, [this] { ToggleJulieWindow(); });
  connect(options, &QMenu::aboutToShow, this, [this] { OptionsMenuOpens(); });
  AddMenuItem(options, tr("Anti-Aliasing"), QKeySequence(Qt::ALT | Qt::Key_A), [this] { ShowAntiAliasing(); });
  options->addSeparator();
  FullScreenItem = AddMenuItem(options, tr("F&ull screen"), QKeySequence(Qt::Key_F11), nullptr);
  FullScreenItem->setCheckable(true);
  connect(FullScreenItem, &QAction::triggered, this, [this] { ToggleFullScreen(); });
}

void TMainForm::OptionsMenuOpens() {
  const int32_t n = Doc->Ctx.Number;
  bool enabled = n == kUserFormula;
  if (n < 500) {
    const TFormulaEntry* row = FindFormula(n);
    enabled = row && row->JuliaAllowed && !Doc->Ctx.JulieSet;
  }
  JulieWindowItem->setEnabled(enabled);
}

// "Fractal size".

void TMainForm::BuildSizeMenu(QMenu* options) {
  SizeMenu = options->addMenu(tr("&Fractal size"));
  SizeGroup = new QActionGroup(this);
  for (const TSizePreset& p : kSizePresets) {
    QAction* a = AddMenuItem(SizeMenu, p.Caption, {}, [this, p] { SetImageSize(p.Width, p.Height); });
    a->setCheckable(true);
    a->setData(p.Tag);
    SizeGroup->addAction(a);
  }
  SizeMenu->addSeparator();
  ManualSizeItem = AddMenuItem(SizeMenu, tr("&Manual..."), {}, [this] { ManualSize(); });
  ManualSizeItem->setCheckable(true);
  ManualSizeItem->setData(8);
  SizeGroup->addAction(ManualSizeItem);
  connect(SizeMenu, &QMenu::aboutToShow, this, [this] { SizeMenuOpens(); });
}

void TMainForm::SizeMenuOpens() {
  ManualSizeItem->setChecked(true);
  for (QAction* a : SizeGroup->actions()) {
    for (const TSizePreset& p : kSizePresets)
      if (a->data().toInt() == p.Tag && p.Width == Doc->Width && p.Height == Doc->Height) a->setChecked(true);
  }
}

void TMainForm::SetImageSize(int width, int height) {
  width = std::clamp(width, kMinImageSize, kMaxPaintSize);
  height = std::clamp(height, kMinImageSize, kMaxPaintSize);
  Area->SetImageSize(width, height);
  if (Doc) Doc->SetSize(width, height);
}

void TMainForm::ManualSize() {
  int w = Area->Surface()->ImageWidth(), h = Area->Surface()->ImageHeight();
  if (TFracSize::Execute(this, w, h)) SetImageSize(w, h);
}

// "&Preferences".

void TMainForm::ShowPreferences() {
  if (!Options) {
    Options = new TOptionsForm(this);
    Options->OnClosed = [this] { PreferencesItem->setEnabled(true); };
    Routes.Set(MessageHandle(Options), [this](const TMessage& m) {
      if (m.Msg == MSG_OPTIONS_REFRESH) Options->Refresh();
    });
  }
  if (Options->isVisible()) {
    Options->activateWindow();
    Options->raise();
    return;
  }
  PreferencesItem->setEnabled(false);
  Options->ShowFor(Doc.get());
}

void TMainForm::PostOptionsRefresh() {
  if (Options && Options->isVisible()) PostMessage(MessageHandle(Options), MSG_OPTIONS_REFRESH, 0, 0);
}

// The palette files.

void TMainForm::LoadPaletteFile(const std::string& path, bool recolor) {
  if (!FileThere(path)) return;
  try {
    Doc->Palette->LoadFromFile(path);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    return;
  }
  if (recolor) Doc->Recolor();
  PostOptionsRefresh();
  AddRecentFile(path);
}

void TMainForm::LoadPalette() {
  TFileDialog& dlg = PaletteOpenDialog;
  if (!RunOpenDialog(dlg, this)) return;
  dlg.InitialDir = FolderOf(dlg.FileName);
  LoadPaletteFile(dlg.FileName, true);
}

void TMainForm::SavePalette() {
  TFileDialog& dlg = PaletteSaveDialog;
  if (dlg.FileName.empty()) dlg.FileName = Today().toString("ddMMyy").toStdString();
  if (!RunSaveDialog(dlg, this)) return;
  dlg.InitialDir = FolderOf(dlg.FileName);
  try {
    Doc->Palette->SaveToFile(dlg.FileName);
    AddRecentFile(dlg.FileName);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TMainForm::ShowAntiAliasing() { Views->ShowAntiAliasing(); }

void TMainForm::ToggleFullScreen() {
  // A maximised window comes back maximised.
  setWindowState(windowState() ^ Qt::WindowFullScreen);
  FullScreenItem->setChecked(windowState() & Qt::WindowFullScreen);
}
