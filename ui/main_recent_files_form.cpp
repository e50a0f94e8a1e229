// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's list of recent files ("Rece&nt files" in the File
// menu): every spot, palette, IFS and attractor file it opened or saved,
// kept in the settings file as soon as the list changes.

#include <filesystem>

#include <QMenu>

#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "ui/main_form.h"

void TMainForm::AddRecentFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  Recent.Add(ec ? path : full.lexically_normal().string());
  SaveRecentFiles();
}

void TMainForm::SaveRecentFiles() {
  try {
    TProfileFile f(SettingsFileToWrite("fractal.ini"));
    Recent.Write(f);
    f.Save();
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
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
