// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Fractal menu: the selection dialog, the IFS
// constructor, the attractors window, the zoom commands, the smoothing and
// the 3D view.

#include <QActionGroup>
#include <QMenuBar>

#include "attractors/attractor_form.h"
#include "engine/fractal.h"
#include "formulas/catalogue.h"
#include "ifs/ifs_constructor.h"
#include "ifs/ifs_form.h"
#include "platform/dialogs.h"
#include "ui/main_form.h"
#include "ui/menu_item_qt.h"
#include "ui/select_form.h"

namespace {

constexpr int kSmoothingProperty = 34;

}  // namespace

void TMainForm::BuildFractalMenu() {
  QMenu* fractal = menuBar()->addMenu(tr("Fracta&l"));
  SelectItem = AddMenuItem(fractal, tr("&Select fractal"), QKeySequence(Qt::Key_F6), [this] { SelectFractal(); });
  IFSConstructorItem =
      AddMenuItem(fractal, tr("IFS &constructor"), QKeySequence(Qt::Key_F7), [this] { ShowIFSConstructor(); });
  AddMenuItem(fractal, tr("3D &attractors"), QKeySequence(Qt::Key_F5), [this] { ShowAttractors(); });
  fractal->addSeparator();
  AddMenuItem(fractal, tr("&View full set..."), QKeySequence(Qt::Key_Insert), [this] { ViewFullSet(); });
  AddMenuItem(fractal, tr("Zoom &out"), QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus),
              [this] { ZoomOutCentre(); });
  AddMenuItem(fractal, tr("Zoom &in"), QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus),
              [this] { ZoomInCentre(); });
  fractal->addSeparator();
  SmoothingMenu = fractal->addMenu(tr("S&moothing"));
  SmoothingGroup = new QActionGroup(this);
  const char* smoothing[] = {QT_TR_NOOP("&0.  None"), QT_TR_NOOP("&1. BailOut / Z"), QT_TR_NOOP("&2. Linear"),
                             QT_TR_NOOP("&3. Square")};
  for (int tag = 0; tag < 4; ++tag) {
    QAction* a = AddMenuItem(SmoothingMenu, tr(smoothing[tag]), {}, [this, tag] {
      Doc->SetProperty(kSmoothingProperty, int32_t(tag));
    });
    a->setCheckable(true);
    a->setData(tag);
    SmoothingGroup->addAction(a);
  }
  connect(SmoothingMenu, &QMenu::aboutToShow, this, [this] { SmoothingMenuOpens(); });
  fractal->addSeparator();
  AddMenuItem(fractal, tr("&3D view"), QKeySequence(Qt::ALT | Qt::Key_3), [this] { Show3DView(); });
}

void TMainForm::SmoothingMenuOpens() {
  for (QAction* a : SmoothingGroup->actions())
    if (a->data().toInt() == Doc->Ctx.Smoothing) a->setChecked(true);
}

void TMainForm::SelectFractal() {
  if (!Select->Execute(*Doc)) return;
  PostJuliaRefresh();
  SetCaption(kProgramTitle);
  const bool zoomMovie = ZoomMovieItem->isEnabled();
  TransformationMovieItem->setEnabled(Select->ActivePage() == TSelectPage::Constructor && zoomMovie);
  JulieMovieItem->setEnabled(Doc->Ctx.JulieSet && zoomMovie);
}

void TMainForm::ShowIFSConstructor() {
  if (!IFSForm) IFSForm = new TIFSForm(Doc.get(), FHandle, this);
  if (IFSForm->isVisible()) {
    IFSForm->activateWindow();
    IFSForm->raise();
    return;
  }
  if (!IFSBackup) {
    IFSBackup = std::make_unique<TFractal>(-1, 0, 0, 0, 0, 0, nullptr);
    IFSBackup->Assign(Doc.get());
  }
  // The working set takes over in one restart.
  Doc->StopThread();
  Doc->Ctx.IFSNumber = kWorkingIFSNumber;
  Doc->SetFormula(kIFSFormula, -10, 10, 20);
  LoadSpotItem->setEnabled(false);
  SelectItem->setEnabled(false);
  UpdateUndoItems();
  IFSForm->show();
  IFSForm->activateWindow();
}

void TMainForm::IFSClosed() {
  if (!IFSBackup) return;
  IFSBackup->Ctx.IFScounter = Doc->Ctx.IFScounter;
  Doc->Assign(IFSBackup.get());
  // A compiled user formula stays the main document's.
  IFSBackup->UserModule = nullptr;
  IFSBackup.reset();
  LoadSpotItem->setEnabled(true);
  SelectItem->setEnabled(true);
  Doc->Recolor();
  PostJuliaRefresh();
  UpdateUndoItems();
}

void TMainForm::ShowAttractors() {
  if (!Attract) {
    try {
      Attract = new TAttractorForm(this);
    } catch (const std::exception&) {
      ShowMessage(QT_TRANSLATE_NOOP("Message", "Can not create form !"));
      return;
    }
  }
  Attract->show();
  Attract->raise();
  Attract->activateWindow();
}

void TMainForm::Show3DView() { Views->Show3DView(); }
