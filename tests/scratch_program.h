// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program folder of its own for a test that compiles user formulas, so
// that tests running side by side never share "Make.bat" or the temporary
// folder the sources and modules go to.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/user_formula.h"
#include "platform/messages.h"
#include "platform/program_folder.h"

// A scratch program folder (with the kit files asked for, taken from the
// real program folder) and a scratch temporary folder whose path holds a
// blank, both removed afterwards.
class TScratchProgram {
 public:
  explicit TScratchProgram(const std::vector<std::string>& kitFiles = AllKitFiles()) {
    // The queue binds to the first thread that uses it; a render thread must
    // not get there first, or waiting for a render would not serve its paints.
    MainQueue().BindToCurrentThread();
    SetProgramFolder("");
    KitSource = ProgramFolder();
    std::string pattern = (std::filesystem::temp_directory_path() / "px_userfrm_XXXXXX").string();
    Root = ::mkdtemp(pattern.data());
    Program = Root + "/program";
    Temp = Root + "/temp folder";
    std::filesystem::create_directories(Program);
    std::filesystem::create_directories(Temp);
    for (const std::string& name : kitFiles) {
      std::error_code ec;
      std::filesystem::copy_file(KitSource + "/" + name, Program + "/" + name, ec);
      KitCopied = KitCopied && !ec;
    }
    const char* tmp = std::getenv("TMPDIR");
    HadTmp = tmp != nullptr;
    if (tmp) OldTmp = tmp;
    ::setenv("TMPDIR", Temp.c_str(), 1);
    SetProgramFolder(Program);
  }
  ~TScratchProgram() {
    SetProgramFolder("");
    if (HadTmp)
      ::setenv("TMPDIR", OldTmp.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
  }
  static std::vector<std::string> AllKitFiles() {
    return std::vector<std::string>(kCompilerKitFiles, kCompilerKitFiles + kCompilerKitFileCount);
  }
  std::string KitSource, Root, Program, Temp, OldTmp;
  bool HadTmp = false;
  bool KitCopied = true;
};
