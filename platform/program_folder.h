#pragma once
// The program folder: where the executable lies, and with it the files the
// program keeps beside itself ("fractal.ini", "default.frp", "px.ifs", the
// user-formula kit).

#include <string>
#include <string_view>

// The folder of the running executable, without a trailing "/", or the
// folder set by SetProgramFolder. Safe to call from any thread.
std::string ProgramFolder();

// Makes ProgramFolder() return `path` (tests point it at a scratch folder); an
// empty path goes back to the executable's folder.
void SetProgramFolder(std::string path);

// ProgramFolder() + "/" + name.
std::string ProgramFile(std::string_view name);
