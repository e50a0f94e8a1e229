// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/clip_module.h"

#include <dlfcn.h>

#include <mutex>

#include "platform/program_folder.h"
#include "platform/program_info.h"

namespace {

// The module ClipModule() hands out; File stays empty until the first call.
struct TLoadedModule {
  std::string File;
  TClipModule* Module = nullptr;
  std::string Problem;
};

std::mutex& ModuleMutex() {
  static std::mutex m;
  return m;
}

TLoadedModule& Loaded() {
  static TLoadedModule loaded;
  return loaded;
}

// Loads the module of `file` into `m`; with the mutex held.
void Load(TLoadedModule& m, const std::string& file) {
  m.File = file;
  m.Module = LoadClipModule(file, m.Problem);
}

TLoadedModule& ProgramModule() {
  TLoadedModule& m = Loaded();
  if (m.File.empty()) Load(m, ModuleFile(kClipModuleFile));
  return m;
}

}  // namespace

TClipModule* LoadClipModule(const std::string& path, std::string& problem) {
  problem.clear();
  const auto fail = [&](const char* reason) -> TClipModule* {
    std::string why = reason ? reason : "unknown reason";
    // The loader names the file first; the message has named it already.
    if (why.rfind(path + ": ", 0) == 0) why.erase(0, path.size() + 2);
    problem = "the clip writer " + path + " cannot be loaded (" + why + ")";
    return nullptr;
  };
  // A module that serves is never closed: its recordings and probes last the whole run.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return fail(::dlerror());
  using TEntry = TClipModule* (*)(const char*);
  auto entry = reinterpret_cast<TEntry>(::dlsym(handle, kClipModuleEntry));
  TClipModule* module = entry ? entry(ProgramVersion()) : nullptr;
  if (!module) {
    ::dlclose(handle);
    return fail(entry ? "a clip writer of another version of the program" : "not a clip writer module");
  }
  return module;
}

TClipModule* ClipModule() {
  std::lock_guard<std::mutex> lock(ModuleMutex());
  return ProgramModule().Module;
}

std::string ClipModuleProblem() {
  std::lock_guard<std::mutex> lock(ModuleMutex());
  return ProgramModule().Problem;
}

void SetClipModuleFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(ModuleMutex());
  Loaded() = {};
  if (!path.empty()) Load(Loaded(), path);
}
