// SPDX-License-Identifier: GPL-3.0-or-later
// "Rece&nt files" in the main window's File menu: the list of recent files,
// each opened as "&Load spot..." or a dropped file opens it.

#include <filesystem>

#include <QMenu>

#include "platform/dialogs.h"
#include "ui/main_form.h"

void TMainForm::BuildRecentMenu() {
  RecentMenu = new QMenu(tr("Rece&nt files"), this);
  const QList<QAction*> items = FileMenu->actions();
  FileMenu->insertMenu(items.value(items.indexOf(LoadSpotItem) + 1), RecentMenu);
  connect(RecentMenu, &QMenu::aboutToShow, this, [this] { RecentMenuOpens(); });
}

void TMainForm::RecentMenuOpens() {
  RecentMenu->clear();
  int number = 0;
  for (const std::string& path : Recent.Files()) {
    ++number;
    QString caption = QString::fromStdString(path);
    caption.replace("&", "&&");
    QAction* a = RecentMenu->addAction(QString("&%1 %2").arg(number % 10).arg(caption));
    connect(a, &QAction::triggered, this, [this, path] { OpenRecentFile(path); });
  }
}

void TMainForm::OpenRecentFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    ShowMessage(tr("Unable to open %1:\nthe file does not exist. It is removed from the recent files.")
                    .arg(QString::fromStdString(path))
                    .toStdString());
    Recent.Remove(path);
    SaveRecentFiles();
    return;
  }
  if (ClassifyFileName(path).Spot)
    LoadSpotFrom(path, true);
  else
    OpenDroppedFile(path);
}
