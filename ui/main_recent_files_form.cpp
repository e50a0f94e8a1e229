// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's list of recent files: every spot, palette, IFS and
// attractor file it opened or saved, kept in the settings file as soon as
// the list changes.

#include <filesystem>

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
