// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_ifs.h"

#include <stdexcept>

#include "engine/fractal.h"
#include "ifs/ifs_constructor.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"
#include "platform/file_names.h"
#include "platform/profile.h"
#include "platform/program_folder.h"

bool IsIFSFilePath(const std::string& path) { return EndsWithNoCase(path, ".fri"); }

std::string LoadIFSForRender(const std::string& path, TFractal& doc, int32_t maxIter) {
  // A file that cannot be read would draw as an empty set.
  if (const std::string problem = IFSFileProblem(path); !problem.empty()) {
    std::string line;  // one line on the terminal
    for (const char c : problem)
      if (c != '\r') line += c == '\n' ? ' ' : c;
    throw std::runtime_error(line);
  }
  const TIFSFileLoad load = ReadIFSFileForConstructor(path, WorkingIFS);
  doc.StopThread();
  doc.Palette->LoadFromFile(path);
  WorkingIFS = load.Set;
  doc.AutoIter = false;
  doc.Ctx.MaxIter = maxIter > 0 ? maxIter : load.Values.MaxIter;
  doc.Ctx.IFSNumber = kWorkingIFSNumber;
  doc.SetFormula(kIFSFormula, load.Values.X, load.Values.Y, load.Values.W);
  return load.Warning;
}

std::string LoadProgramIFSLibrary() {
  std::vector<std::string> names;
  try {
    return LoadIFSLibrary(DataFile("px.ifs"), IFSLibrary, names);
  } catch (const std::exception& e) {
    return e.what();
  }
}
