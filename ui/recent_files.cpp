// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/recent_files.h"

#include <algorithm>

#include "platform/profile.h"

namespace {

constexpr const char* kRecent = "Recent";

std::string KeyOf(size_t index) { return "File" + std::to_string(index + 1); }

}  // namespace

void TRecentFiles::Add(const std::string& path) {
  // A line break cannot be kept in the settings file.
  if (path.empty() || path.find_first_of("\r\n") != std::string::npos) return;
  Remove(path);
  FFiles.insert(FFiles.begin(), path);
  if (FFiles.size() > kCapacity) FFiles.resize(kCapacity);
}

void TRecentFiles::Remove(const std::string& path) { std::erase(FFiles, path); }

void TRecentFiles::Read(const TProfileFile& file) {
  FFiles.clear();
  for (size_t i = 0; i < kCapacity; ++i) {
    const std::string path = file.ReadString(kRecent, KeyOf(i), "");
    if (!path.empty() && std::find(FFiles.begin(), FFiles.end(), path) == FFiles.end()) FFiles.push_back(path);
  }
}

void TRecentFiles::Write(TProfileFile& file) const {
  file.EraseSection(kRecent);
  for (size_t i = 0; i < FFiles.size(); ++i) file.WriteString(kRecent, KeyOf(i), FFiles[i]);
}
