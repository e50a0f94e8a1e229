// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/help_form.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/program_folder.h"

THelpForm::THelpForm(QWidget* parent) : QDialog(parent), FBrowser(new QTextBrowser(this)) {
  setWindowTitle(tr("Pelmorix Help"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FBrowser);
  FBrowser->setOpenExternalLinks(true);
  resize(560, 480);
}

void THelpForm::ShowContents() {
  const QString path = QString::fromStdString(DataFile("help.html"));
  if (QFileInfo::exists(path))
    FBrowser->setSource(QUrl::fromLocalFile(path));
  else
    FBrowser->setPlainText(tr("The help page %1 is missing.").arg(path));
  show();
  raise();
  activateWindow();
}
