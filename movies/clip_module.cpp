// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/clip_module.h"

#include <dlfcn.h>

#include "platform/program_folder.h"

namespace {

struct TLoadedModule {
  TClipModule* Module = nullptr;
  std::string Problem;
};

const TLoadedModule& ProgramModule() {
  static const TLoadedModule loaded = [] {
    TLoadedModule m;
    m.Module = LoadClipModule(ModuleFile(kClipModuleFile), m.Problem);
    return m;
  }();
  return loaded;
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
  using TEntry = TClipModule* (*)();
  auto entry = reinterpret_cast<TEntry>(::dlsym(handle, kClipModuleEntry));
  TClipModule* module = entry ? entry() : nullptr;
  if (!module) {
    ::dlclose(handle);
    return fail("not a clip writer module");
  }
  return module;
}

TClipModule* ClipModule() { return ProgramModule().Module; }

std::string ClipModuleProblem() { return ProgramModule().Problem; }
