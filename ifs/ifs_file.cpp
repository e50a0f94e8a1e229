// SPDX-License-Identifier: GPL-3.0-or-later
#include "ifs/ifs_file.h"

#include <algorithm>
#include <stdexcept>

#include "engine/palette.h"
#include "platform/profile.h"
#include "platform/view_values.h"

namespace {

constexpr char kIFSSection[] = "IFS";
constexpr char kFractalSection[] = "Fractal";
constexpr char kHeaderSection[] = "Header";

constexpr int kTransformDigits = 15;
constexpr int kWindowDigits = 18;

std::string TransformKey(int32_t j, int field) { return "Frm" + std::to_string(j) + kTransformLetters[field]; }

void ReadTransform(const TProfileFile& file, std::string_view section, int32_t j, TIFSTransform& t) {
  for (int f = 0; f < kTransformFieldCount; ++f) t.*kTransformFields[f] = file.ReadSingle(section, TransformKey(j, f), "0");
}

void AddWarning(std::string& warnings, const std::string& text) {
  if (text.empty()) return;
  if (!warnings.empty()) warnings += '\n';
  warnings += text;
}

// N of a library file as it is listed: never negative and never more than
// the file has sections "IFS0" .. "IFS<N-1>". Every IFS that holds anything
// has a section of its own, so a sound file is listed in full; a count beyond
// the sections adds no empty entries, and a damaged count cannot make the
// room or the name list larger than the file.
int32_t ListedIFSCount(const TProfileFile& file, std::string& warnings) {
  const int32_t n = file.ReadInteger(kHeaderSection, "Count", 0);
  if (n < 0) {
    AddWarning(warnings, "The IFS library header counts " + std::to_string(n) + " IFS; none were loaded.");
    return 0;
  }
  const int32_t sections = int32_t(PresentIndices(file.SectionNames(), "IFS", n).size());
  if (n > sections) {
    AddWarning(warnings, "The IFS library header counts " + std::to_string(n) +
                             " IFS, more than the file holds; only the first " + std::to_string(sections) +
                             " were listed.");
    return sections;
  }
  return n;
}

}  // namespace

void RequireIFSFile(const TProfileFile& file) {
  const bool sections = file.SectionExists(kIFSSection) || file.SectionExists(kFractalSection) || TFPal::InProfile(file);
  if (file.Existed() && !sections) throw std::runtime_error("The file \"" + file.Path() + "\" is not an IFS file.");
  const int32_t count = file.ReadInteger(kIFSSection, "Count", 0);
  if (count < 0)
    throw std::runtime_error("The file \"" + file.Path() + "\" is not an IFS file: it counts " +
                             std::to_string(count) + " transforms.");
}

std::string ReadIFSSet(const TProfileFile& file, std::string_view section, TWorkingIFS& set) {
  const int32_t count = file.ReadInteger(section, "Count", 0);
  const int32_t loaded = std::clamp(count, 0, kMaxIFSTransforms);
  set.Count = loaded;
  for (int32_t j = 0; j < loaded; ++j) ReadTransform(file, section, j, set.Slots[j + 1]);
  if (count > kMaxIFSTransforms)
    return "The IFS file holds " + std::to_string(count) + " transforms; only the first " +
           std::to_string(kMaxIFSTransforms) + " were loaded.";
  return {};
}

std::string LoadIFSFile(const std::string& path, TWorkingIFS& set, TIFSFileValues& values, TFPal* palette) {
  const TProfileFile file(path);
  RequireIFSFile(file);
  if (palette) palette->LoadFromProfile(file);
  values.Name = file.ReadString(kIFSSection, "Name", "NoName");
  std::string warnings = ReadIFSSet(file, kIFSSection, set);
  values.X = ReadViewCoordinate(file, kFractalSection, "X_Coord", "-10");
  values.Y = ReadViewCoordinate(file, kFractalSection, "Y_Coord", "10");
  values.W = ReadViewWidth(file, kFractalSection, "W_Coord", "20");
  values.MaxIter = file.ReadInteger(kFractalSection, "MaxIter", 200);
  return warnings;
}

void SaveIFSFile(const std::string& path, const TWorkingIFS& set, const TIFSFileValues& values,
                 const TFPal* palette) {
  TProfileFile file(path);
  file.WriteString(kIFSSection, "Name", values.Name);
  const int32_t count = std::clamp(set.Count, 0, kMaxIFSTransforms);
  file.WriteInt(kIFSSection, "Count", count);
  for (int32_t j = 0; j < count; ++j) {
    const TIFSTransform& t = set.Slots[j + 1];
    for (int f = 0; f < kTransformFieldCount; ++f)
      file.WriteReal(kIFSSection, TransformKey(j, f), Extended(t.*kTransformFields[f]), kTransformDigits);
  }
  file.WriteReal(kFractalSection, "X_Coord", values.X, kWindowDigits);
  file.WriteReal(kFractalSection, "Y_Coord", values.Y, kWindowDigits);
  file.WriteReal(kFractalSection, "W_Coord", values.W, kWindowDigits);
  file.WriteInt(kFractalSection, "MaxIter", values.MaxIter);
  if (palette) palette->SaveToProfile(file);
  file.Save();
}

std::string LibrarySectionName(int32_t k) { return "IFS" + std::to_string(k); }

std::string LoadIFSLibrary(const std::string& path, TIFSLibrary& library, std::vector<std::string>& names,
                           std::string_view defaultName) {
  const TProfileFile file(path);
  if (!file.Existed()) return {};

  std::string warnings;
  TIFSLibrary loaded;
  loaded.Count = ListedIFSCount(file, warnings);
  const size_t room = size_t(loaded.Count) * kLibraryRoomPerIFS;
  loaded.Entries.reserve(room);
  bool full = false;
  try {
    for (int32_t k = 0; k < loaded.Count; ++k) {
      const std::string section = LibrarySectionName(k);
      names.push_back(file.ReadString(section, "Name", defaultName));
      const int32_t count = file.ReadInteger(section, "Count", 0);
      for (int32_t j = 0; j < count; ++j) {
        if (loaded.Entries.size() >= room) {
          full = true;
          break;
        }
        TIFSLibraryEntry entry;
        entry.Index = k;
        ReadTransform(file, section, j, entry.Transform);
        loaded.Entries.push_back(entry);
      }
    }
  } catch (...) {
    // A value that is not a number ends the load; what was read stays.
    library = std::move(loaded);
    throw;
  }
  library = std::move(loaded);
  if (full)
    AddWarning(warnings, "The IFS library holds more transforms than it has room for; the rest were not loaded.");
  return warnings;
}

std::string ReadIFSLibraryNames(const TProfileFile& file, std::vector<std::string>& names,
                                std::string_view defaultName) {
  std::string warnings;
  const int32_t n = ListedIFSCount(file, warnings);
  for (int32_t k = 0; k < n; ++k) names.push_back(file.ReadString(LibrarySectionName(k), "Name", defaultName));
  return warnings;
}
