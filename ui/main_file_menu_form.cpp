// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's File menu: the image out (file, clipboard, wallpaper,
// printer) and the spot files.

#include <QMenuBar>

#include "engine/fractal.h"
#include "engine/spot_picture.h"
#include "formulas/catalogue.h"
#include "ifs/ifs_constructor.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "ui/coordinate_panel_form.h"
#include "ui/image_area_form.h"
#include "ui/main_form.h"
#include "ui/menu_item_qt.h"
#include "ui/settings.h"

namespace {

constexpr const char* kDrawSize = "DrawSize";
constexpr int kDefaultDrawSize = 300;

}  // namespace

void TMainForm::BuildFileMenu() {
  FileMenu = menuBar()->addMenu(tr("&File"));
  AddMenuItem(FileMenu, tr("Save &image"), QKeySequence(Qt::CTRL | Qt::Key_F2),
              [this] { SaveImageDialog(*Doc, this, ImageHooks); });
  AddMenuItem(FileMenu, tr("Save to &clipboard"), QKeySequence(Qt::CTRL | Qt::Key_Insert),
              [this] { CopyImageToClipboard(*Doc); });
  QMenu* wallpaper = FileMenu->addMenu(tr("&Wallpaper"));
  AddMenuItem(wallpaper, tr("&Tiled"), {}, [this] { SetWallpaper(*Doc, this, true, ImageHooks); });
  AddMenuItem(wallpaper, tr("&Centered"), {}, [this] { SetWallpaper(*Doc, this, false, ImageHooks); });
  FileMenu->addSeparator();
  SaveSpotItem = AddMenuItem(FileMenu, tr("&Save current spot..."), QKeySequence(Qt::Key_F2), [this] { SaveSpot(); });
  SaveSpotItem->setShortcuts({QKeySequence(Qt::Key_F2), QKeySequence(Qt::CTRL | Qt::Key_S)});
  LoadSpotItem = AddMenuItem(FileMenu, tr("&Load spot..."), QKeySequence(Qt::Key_F3), [this] { LoadSpot(); });
  LoadSpotItem->setShortcuts({QKeySequence(Qt::Key_F3), QKeySequence(Qt::CTRL | Qt::Key_O)});
  FileMenu->addSeparator();
  AddMenuItem(FileMenu, tr("&Printer setup"), {}, [this] { PrinterSetup(this, ImageHooks); });
  AddMenuItem(FileMenu, tr("P&rint"), QKeySequence(Qt::ALT | Qt::Key_P),
              [this] { PrintImage(*Doc, this, ImageHooks); });
  FileMenu->addSeparator();
  QAction* exit = AddMenuItem(FileMenu, tr("&Exit"), QKeySequence(Qt::ALT | Qt::Key_X), [this] { close(); });
  exit->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_X), QKeySequence(Qt::CTRL | Qt::Key_Q)});
  connect(FileMenu, &QMenu::aboutToShow, this, [this] { FileMenuOpens(); });
}

void TMainForm::FileMenuOpens() {
  // While the IFS constructor drives the document its spot is the
  // constructor's working set, which a spot cannot hold.
  SaveSpotItem->setEnabled(!(Doc->Ctx.Number == kIFSFormula && Doc->Ctx.IFSNumber == kWorkingIFSNumber));
  // A recent spot would load past a window that keeps "&Load spot..." shut.
  RecentMenu->setEnabled(LoadSpotItem->isEnabled() && !Recent.Files().empty());
}

void TMainForm::SaveSpot() {
  TFileDialog& dlg = SpotSaveDialog;
  dlg.FileName = PrefilledSpotName(dlg.FileName, Today());
  if (!RunSaveDialog(dlg, this)) return;
  const std::string path = WithExtension(dlg.FileName, dlg.DefaultExt);
  dlg.InitialDir = FolderOf(path);
  SaveSpotTo(path);
}

void TMainForm::SaveSpotTo(const std::string& path) {
  try {
    // One replace of the file: the old spot stays whole until the new one is.
    TProfileFile f(path);
    f.WriteInt(kDrawSize, "X_Size", Area->Surface()->ImageWidth());
    f.WriteInt(kDrawSize, "Y_Size", Area->Surface()->ImageHeight());
    Doc->SaveSpot(f);
    f.Save();
    AddRecentFile(path);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TMainForm::LoadSpot() {
  if (!RunOpenDialog(SpotOpenDialog, this)) return;
  LoadSpotFrom(SpotOpenDialog.FileName, true);
}

void TMainForm::LoadSpotFrom(const std::string& path, bool applyDrawSize) {
  if (!FileThere(path)) return;
  const TProfileFile f = OpenSpotFile(path);
  try {
    f.RequireReadable();
  } catch (const TProfileError& e) {
    ShowMessage(e.what());
    return;
  }
  Doc->StopThread();
  SetPanel(1, "");
  PositionPanel->Clear();
  if (applyDrawSize) {
    SpotOpenDialog.InitialDir = FolderOf(path);
    int w = f.ReadInt(kDrawSize, "X_Size", kDefaultDrawSize);
    int h = f.ReadInt(kDrawSize, "Y_Size", kDefaultDrawSize);
    // A size no image can have is taken as missing.
    if (w < kMinImageSize || w > kMaxPaintSize) w = kDefaultDrawSize;
    if (h < kMinImageSize || h > kMaxPaintSize) h = kDefaultDrawSize;
    SetImageSize(w, h);
    // The new size restarted the render; the spot's palette must not change
    // under a running render.
    Doc->StopThread();
  }
  try {
    Doc->LoadSpot(f);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    Doc->Restart();
    return;
  }
  AfterSpotLoaded(path);
}

void TMainForm::AfterSpotLoaded(const std::string& path) {
  AddRecentFile(path);
  PostJuliaRefresh();
  SetFileCaption(path);
  SpotSaveDialog.FileName = FileNameOf(path);
  ImageSaveState().FileName = ImageNameOfSpot(path);
  PostOptionsRefresh();
}
