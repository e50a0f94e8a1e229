// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files opened or saved last, most recent first, as the File menu lists
// them. The settings file keeps them in its section "Recent" as the keys
// "File1" ... "File10".

#include <string>
#include <vector>

class TProfileFile;

class TRecentFiles {
 public:
  static constexpr size_t kCapacity = 10;

  const std::vector<std::string>& Files() const { return FFiles; }
  // Puts `path` first; an earlier entry of it goes, and so does the oldest
  // past the capacity. An empty path, or one the settings file cannot hold
  // (a line break in it), changes nothing.
  void Add(const std::string& path);
  void Remove(const std::string& path);

  // Replaces the list with the file's; empty and repeated entries are left
  // out.
  void Read(const TProfileFile& file);
  // Writes the section anew (the keys of entries no longer there go).
  void Write(TProfileFile& file) const;

 private:
  std::vector<std::string> FFiles;
};
