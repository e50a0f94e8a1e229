// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

// Where an installed program's data lies, seen from its executable's folder.
#ifndef PX_DATA_FROM_BIN
#define PX_DATA_FROM_BIN "../share/pelmorix"
#endif
// And where its compiler kit lies.
#ifndef PX_KIT_FROM_BIN
#define PX_KIT_FROM_BIN "../lib/pelmorix"
#endif

namespace {

std::mutex& FolderMutex() {
  static std::mutex m;
  return m;
}

std::string& FolderOverride() {
  static std::string folder;
  return folder;
}

std::string ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path().string();
  // Without /proc the current folder is the best guess.
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::string(".") : cwd.string();
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string InFolder(std::string folder, std::string_view name) {
  if (folder != "/") folder += '/';
  return folder + std::string(name);
}

// The IFS library marks a folder that holds the program's data.
bool HoldsData(const std::string& folder) {
  std::error_code ec;
  return std::filesystem::is_regular_file(InFolder(folder, "px.ifs"), ec);
}

std::string EnvFolder(const char* name) {
  const char* value = std::getenv(name);
  // Relative paths in these variables are to be ignored.
  return value && value[0] == '/' ? WithoutTrailingSlash(value) : std::string();
}

std::string HomeFolder() {
  std::string home = EnvFolder("HOME");
  if (home.empty())
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') home = pw->pw_dir;
  return home;
}

std::string InstalledFolder(const std::string& programFolder, const char* fromBin) {
  return WithoutTrailingSlash((std::filesystem::path(programFolder) / fromBin).lexically_normal().string());
}

}  // namespace

std::string ProgramFolder() {
  {
    std::lock_guard<std::mutex> lock(FolderMutex());
    if (!FolderOverride().empty()) return FolderOverride();
  }
  static const std::string folder = ExecutableFolder();
  return folder;
}

void SetProgramFolder(std::string path) {
  std::lock_guard<std::mutex> lock(FolderMutex());
  FolderOverride() = path.empty() ? std::string() : WithoutTrailingSlash(std::move(path));
}

std::string ProgramFile(std::string_view name) { return InFolder(ProgramFolder(), name); }

std::string DataFolderFor(const std::string& programFolder) {
  if (HoldsData(programFolder)) return programFolder;
  const std::string installed = InstalledFolder(programFolder, PX_DATA_FROM_BIN);
  return HoldsData(installed) ? installed : programFolder;
}

// The kit is installed with the data or lies beside it.
std::string KitFolderFor(const std::string& programFolder) {
  return DataFolderFor(programFolder) == programFolder ? programFolder
                                                       : InstalledFolder(programFolder, PX_KIT_FROM_BIN);
}

std::string UserConfigFolder() {
  std::string config = EnvFolder("XDG_CONFIG_HOME");
  if (config.empty()) {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    config = InFolder(home, ".config");
  }
  return InFolder(config, "pelmorix");
}

std::string SettingsFolderFor(const std::string& programFolder, bool programFolderWritable) {
  if (programFolderWritable && DataFolderFor(programFolder) == programFolder) return programFolder;
  const std::string config = UserConfigFolder();
  // Without any home the program folder is all there is.
  return config.empty() ? programFolder : config;
}

std::string DocumentFolder() {
  const std::string program = ProgramFolder();
  if (SettingsFolder() == program) return program;
  const std::string home = HomeFolder();
  return home.empty() ? program : home;
}

std::string DataFolder() { return DataFolderFor(ProgramFolder()); }

std::string DataFile(std::string_view name) { return InFolder(DataFolder(), name); }

std::string KitFolder() { return KitFolderFor(ProgramFolder()); }

std::string KitFile(std::string_view name) { return InFolder(KitFolder(), name); }

std::string ModuleFile(std::string_view name) {
  static const std::string folder = InFolder(KitFolderFor(ExecutableFolder()), "modules");
  return InFolder(folder, name);
}

std::string SettingsFolder() {
  const std::string program = ProgramFolder();
  return SettingsFolderFor(program, ::access(program.c_str(), W_OK) == 0);
}

std::string SettingsFile(std::string_view name) { return InFolder(SettingsFolder(), name); }

std::string SettingsFileToWrite(std::string_view name) {
  const std::string folder = SettingsFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return InFolder(folder, name);
}
