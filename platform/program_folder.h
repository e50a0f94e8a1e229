// SPDX-License-Identifier: GPL-3.0-or-later
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

// Read-only files the program ships ("px.ifs", "help.html", a shipped
// "default.frp"): the program folder of a portable or build layout,
// <prefix>/share/pelmorix when the program is installed.
std::string DataFolder();
std::string DataFile(std::string_view name);

// The user-formula compiler kit ("MAKE.PIF", "DCC32.EXE" and their support
// files): beside the data in a portable or build layout, <prefix>/lib/pelmorix
// when the program is installed.
std::string KitFolder();
std::string KitFile(std::string_view name);

// The program's own loadable modules (the clip writer) lie in "modules" in
// the kit folder of the executable's folder, wherever SetProgramFolder points.
std::string ModuleFile(std::string_view name);

// The folder of the user's own files of the program ("fractal.ini",
// "default.frp", "Make.bat"): the program folder when it is writable and not
// installed, otherwise $XDG_CONFIG_HOME/pelmorix (~/.config/pelmorix when
// unset).
std::string SettingsFolder();
std::string SettingsFile(std::string_view name);
// SettingsFile for a write: creates the settings folder when it is missing
// (a folder that cannot be made shows up as a failed write of the file).
std::string SettingsFileToWrite(std::string_view name);

// The user's configuration folder of the program: $XDG_CONFIG_HOME/pelmorix
// when XDG_CONFIG_HOME is an absolute path, else ~/.config/pelmorix; empty
// when the user has no home folder.
std::string UserConfigFolder();

// Where the file dialogs start: the program folder when the settings live
// there (portable or build layout), else the user's home folder.
std::string DocumentFolder();

// The decisions behind DataFolder, KitFolder and SettingsFolder for a given
// program folder; the settings folder also follows the environment.
std::string DataFolderFor(const std::string& programFolder);
std::string KitFolderFor(const std::string& programFolder);
std::string SettingsFolderFor(const std::string& programFolder, bool programFolderWritable);
