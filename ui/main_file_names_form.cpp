// SPDX-License-Identifier: GPL-3.0-or-later
// How the main window reads and gives file names: the kinds a name opens
// as, the names spots are saved under, and the check that a file is there.

#include <filesystem>

#include "platform/dialogs.h"
#include "ui/main_form.h"

namespace {

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

}  // namespace

TFileKinds ClassifyFileName(const std::string& name) {
  const std::string upper = UpperCase(name);
  TFileKinds k;
  // A picture the program saved holds a spot.
  k.Spot = upper.find(".FRS") != std::string::npos || upper.find(".PNG") != std::string::npos ||
           upper.find(".JPG") != std::string::npos || upper.find(".JPEG") != std::string::npos;
  k.Attractor = upper.find(".FR3") != std::string::npos;
  k.Palette = upper.find(".FRP") != std::string::npos;
  k.IFS = upper.find(".FRI") != std::string::npos;
  return k;
}

std::string PrefilledSpotName(const std::string& current, const QDate& today) {
  if (current.empty()) return today.toString("ddMMyy").toStdString();
  std::string name = FileNameOf(current);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string WithExtension(const std::string& chosen, const std::string& ext) {
  const size_t slash = chosen.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = chosen.rfind('.');
  std::string base = chosen;
  if (dot != std::string::npos && dot >= nameStart) base.erase(dot);
  return base + "." + ext;
}

bool TMainForm::FileThere(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) return true;
  ShowMessage(tr("Unable to open %1:\r\nthe file does not exist.").arg(QString::fromStdString(path)).toStdString());
  return false;
}
