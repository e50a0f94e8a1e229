// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Help menu.

#include <QMenuBar>

#include "ui/about_form.h"
#include "ui/help_form.h"
#include "ui/main_form.h"
#include "ui/menu_item_qt.h"

void TMainForm::BuildHelpMenu() {
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  AddMenuItem(help, tr("&Contents"), QKeySequence(Qt::Key_F1), [this] { ShowHelpContents(); });
  AddMenuItem(help, tr("&About"), QKeySequence(Qt::CTRL | Qt::Key_F1), [this] { ShowAbout(); });
}

void TMainForm::ShowHelpContents() {
  if (!Help) Help = new THelpForm(this);
  Help->ShowContents();
}

void TMainForm::ShowAbout() {
  TAboutForm about(this);
  about.exec();
}
