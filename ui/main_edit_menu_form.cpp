// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Edit menu: undo and redo of the document's views and
// parameters. Every render of a changed document leaves its state in the
// history.

#include <QEvent>
#include <QMenuBar>

#include "engine/fractal.h"
#include "ui/main_form.h"
#include "ui/menu_item_qt.h"

void TMainForm::BuildEditMenu() {
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  UndoItem = AddMenuItem(edit, tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { UndoView(); }, false);
  RedoItem = AddMenuItem(edit, tr("&Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { RedoView(); },
                         false);
  connect(edit, &QMenu::aboutToShow, this, [this] { RecordView(); });
}

bool TMainForm::DocumentLent() const { return IFSBackup || !IFSMovieItem->isEnabled(); }

void TMainForm::RecordView() {
  if (!Doc || Closed || DocumentLent()) return;
  History.Record(*Doc);
  UpdateUndoItems();
}

void TMainForm::UpdateUndoItems() {
  const bool free = Doc && !DocumentLent();
  UndoItem->setEnabled(free && History.CanUndo());
  RedoItem->setEnabled(free && History.CanRedo());
}

void TMainForm::UndoView() { StepView(&TViewHistory::Undo); }

void TMainForm::RedoView() { StepView(&TViewHistory::Redo); }

void TMainForm::StepView(bool (TViewHistory::*step)(TFractal&)) {
  if (DocumentLent()) return;
  if ((History.*step)(*Doc)) {
    PostJuliaRefresh();
    PostOptionsRefresh();
  }
  UpdateUndoItems();
}

void TMainForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) RecordView();
  QMainWindow::changeEvent(event);
}
