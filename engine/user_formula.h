// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building the user formula (number 3000): the library source wrapped around
// the user's lines, the batch file that compiles it, the compiler kit, the run of the compiler and the loading of the module it
// writes. The document (TFractal::CompileUserFormula) takes the result.

#include <ctime>
#include <functional>
#include <string>
#include <vector>

// The compiler kit, in the order its files are looked for in the kit folder.
inline constexpr int kCompilerKitFileCount = 10;
extern const char* const kCompilerKitFiles[kCompilerKitFileCount];

// The message shown when a kit file is missing: the list of the kit, the
// complaint and where to get the compiler.
std::string CompilerKitMessage();

// True when every kit file exists in the program's kit folder.
bool CompilerKitComplete();

// The exit status of the kit when the Free Pascal compiler it runs is not
// installed (the shell's "command not found"), and the message shown then.
inline constexpr int kCompilerMissingStatus = 127;
std::string CompilerMissingMessage();

// The library source for the user's lines: header, procedure head, the lines
// unchanged, exports clause and main block, each line ending in CR LF.
std::string UserFormulaSource(const std::vector<std::string>& lines);

// The text of "Make.bat": the compile command for the source at sourcePath.
std::string MakeBatText(const std::string& sourcePath);

// The folder the source and module go to, with a trailing "/": $TMPDIR or
// /tmp, or the settings folder when neither is a usable folder or the path is
// longer than 254 characters.
std::string UserFormulaFolder();

// The local time of t as six digits "hhnnss".
std::string UserFormulaStamp(std::time_t t);

// How a run of the compile launcher went.
struct TCompileRun {
  bool Started = false;      // the process was created
  int StartError = 0;        // errno when it was not
  bool Waited = false;       // its end was waited for
  int WaitError = 0;         // errno when the wait failed
  int ExitStatus = -1;       // exit status, or -1 when it did not exit normally
  std::string Output;        // what it wrote to standard output and standard error
};

// Runs `program` without arguments in `folder`, standard input empty,
// standard output and standard error captured together, and waits for it.
TCompileRun RunCompileProcess(const std::string& program, const std::string& folder);

// Shows (true) and takes back (false) the busy cursor while the compiler
// runs. The windowed program installs one; by default nothing happens.
using TBusyCursorHandler = std::function<void(bool busy)>;
TBusyCursorHandler SetBusyCursorHandler(TBusyCursorHandler handler);

// A compilation of the user's lines: where its files went, what the compiler
// reported, and the loaded module with its formula entry (both null when it
// failed; the reason has been shown).
struct TCompiledFormula {
  std::string SourcePath, ModulePath;
  std::string Output;
  void* Module = nullptr;
  void* Entry = nullptr;
};

// Writes the source and "Make.bat", runs the compiler under the busy cursor
// and loads the module it produced.
TCompiledFormula CompileFormula(const std::vector<std::string>& lines);
