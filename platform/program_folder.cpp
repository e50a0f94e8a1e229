#include "platform/program_folder.h"

#include <filesystem>
#include <mutex>
#include <system_error>

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

std::string ProgramFile(std::string_view name) {
  std::string folder = ProgramFolder();
  if (folder != "/") folder += '/';
  return folder + std::string(name);
}
