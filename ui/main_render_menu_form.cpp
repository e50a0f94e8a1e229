// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Render menu: the movies (zoom, iteration,
// transformation, Julia, parametrical, IFS and 3D-attractor movies) and the
// player of finished clips.

#include <QMenuBar>

#include "engine/fractal.h"
#include "formulas/catalogue.h"
#include "movies/attractor_movie_form.h"
#include "movies/ifs_movie_form.h"
#include "movies/iter_form.h"
#include "movies/movie_values_form.h"
#include "movies/spots_form.h"
#include "ui/main_form.h"
#include "ui/menu_item_qt.h"
#include "ui/select_form.h"

void TMainForm::BuildRenderMenu() {
  QMenu* render = RenderMenu = menuBar()->addMenu(tr("&Render"));
  ZoomMovieItem = AddMenuItem(render, tr("&Zoom movie"), {}, [this] { ZoomMovie(); });
  IterationMovieItem = AddMenuItem(render, tr("&Iteration movie"), {}, [this] { IterationMovie(true); });
  // Both wait for a fractal that can animate them (selection dialog).
  TransformationMovieItem =
      AddMenuItem(render, tr("&Transformation movie"), {}, [this] { TransformationMovie(); }, false);
  JulieMovieItem = AddMenuItem(render, tr("&Julie movie"), {}, [this] { JulieMovie(); }, false);
  ParamMovieItem = AddMenuItem(render, tr("Pa&rametrical movie"), {}, [this] { ParametricMovie(); });
  IFSMovieItem = AddMenuItem(render, tr("I&FS movie"), {}, [this] { ShowIFSMovie(); });
  AttractorMovieItem = AddMenuItem(render, tr("&3D-attractors movie"), {}, [this] { ShowAttractorMovie(); });
  AttractorMovieItem->setVisible(false);
  render->addSeparator();
  AddMenuItem(render, tr("&Play movie"), {}, [this] { PlayMovie(); });
  ViewIterationItem = AddMenuItem(render, tr("&View iteration movie"), {}, [this] { IterationMovie(false); });
  connect(render, &QMenu::aboutToShow, this, [this] { RenderMenuOpens(); });
}

void TMainForm::RenderMenuOpens() {
  JulieMovieItem->setEnabled(Select->JuliaCheckedAndEnabled());
  const bool rendered = Doc->RenderFinished();
  IterationMovieItem->setEnabled(rendered);
  ViewIterationItem->setEnabled(rendered);
  const int32_t n = Doc->Ctx.Number;
  if (n >= kConstructorFormula)
    ParamMovieItem->setEnabled(n == kUserFormula);
  else if (const TFormulaEntry* row = FindFormula(n))
    ParamMovieItem->setEnabled(row->ParamCount > 0);
}

void TMainForm::ZoomMovie() {
  for (QAction* a : {SelectItem, OptionsMenu->menuAction(), RenderMenu->menuAction(), ZoomMovieItem, LoadSpotItem})
    a->setEnabled(false);
  Spots->show();
}

void TMainForm::SpotsClosed() {
  for (QAction* a : {LoadSpotItem, ZoomMovieItem, OptionsMenu->menuAction(), RenderMenu->menuAction(), SelectItem})
    a->setEnabled(true);
}

void TMainForm::IterationMovie(bool renderMode) {
  if (!Iter) {
    Iter = new TIterForm(*Doc);
    Routes.Set(MessageHandle(Iter), [this](const TMessage& m) { Iter->Perform(m.Msg); });
  }
  Iter->SetRenderMode(renderMode);
  if (renderMode && Iter->isVisible()) {
    Iter->activateWindow();
    Iter->raise();
  } else {
    Iter->show();
  }
}

void TMainForm::TransformationMovie() {
  TAVItransForm dialog(*Doc, this);
  dialog.exec();
}

void TMainForm::JulieMovie() {
  TAVIjulieForm dialog(*Doc, this);
  dialog.exec();
}

void TMainForm::ParametricMovie() {
  TAVIparamForm dialog(*Doc, this);
  dialog.exec();
}

void TMainForm::ShowIFSMovie() {
  // The items shut first: the movie takes the document over as it is made,
  // and the view history leaves it alone from then on.
  for (QAction* a : {IFSMovieItem, IFSConstructorItem, SelectItem, RenderMenu->menuAction()}) a->setEnabled(false);
  IFSMovieForm = new TAVIifs(Doc.get(), this);
  IFSMovieForm->OnClosed = [this] {
    IFSMovieForm = nullptr;
    for (QAction* a : {IFSMovieItem, IFSConstructorItem, SelectItem, RenderMenu->menuAction()}) a->setEnabled(true);
    PostJuliaRefresh();
    UpdateUndoItems();
  };
  IFSMovieForm->show();
  IFSMovieForm->activateWindow();
}

void TMainForm::ShowAttractorMovie() {
  TAVI3Dattr* movie = TAVI3Dattr::Instance(this, Attract);
  QAction* const items[] = {AttractorMovieItem, IFSConstructorItem, SelectItem, RenderMenu->menuAction()};
  movie->OnClosed = [items] {
    for (QAction* a : items) a->setEnabled(true);
  };
  for (QAction* a : items) a->setEnabled(false);
  movie->show();
  movie->activateWindow();
}

void TMainForm::PlayMovie() {
  TFileDialog& dlg = VideoOpenDialog;
  if (!RunOpenDialog(dlg, this)) return;
  dlg.InitialDir = FolderOf(dlg.FileName);
  if (OpenWithShell) OpenWithShell(dlg.FileName);
}
