// SPDX-License-Identifier: GPL-3.0-or-later
// Where the program looks for its data and keeps the user's settings, in a
// portable, build and installed layout.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/program_folder.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

TEST(ProgramFolder, DataAndSettingsFolderForEachLayout) {
  TScratchFolder root;
  const std::string portable = root.File("portable");
  const std::string build = root.File("build/bin");
  const std::string bin = root.File("usr/bin");
  const std::string share = root.File("usr/share/pelmorix");
  for (const std::string& folder : {portable, build, bin, share}) fs::create_directories(folder);
  WriteBytes(portable + "/px.ifs", "");
  WriteBytes(share + "/px.ifs", "");
  const std::string home = root.File("home");

  struct TCase {
    std::string program;
    bool writable;
    std::optional<std::string> xdg;
    std::string homeEnv;
    std::string data, kit, settings;
  };
  const std::string lib = root.File("usr/lib/pelmorix");
  const TCase cases[] = {
      {portable, true, "/cfg", home, portable, portable, portable},
      {build, true, "/cfg", home, build, build, build},
      {portable, false, "/cfg", home, portable, portable, "/cfg/pelmorix"},
      {portable, false, "/cfg/", home, portable, portable, "/cfg/pelmorix"},
      {portable, false, std::nullopt, home, portable, portable, home + "/.config/pelmorix"},
      {portable, false, "", home, portable, portable, home + "/.config/pelmorix"},
      {portable, false, "relative/cfg", home, portable, portable, home + "/.config/pelmorix"},
      // Installed: the data sits in share/, the kit in lib/, the settings
      // never beside the executable, even when its folder can be written (a
      // root user).
      {bin, false, "/cfg", home, share, lib, "/cfg/pelmorix"},
      {bin, true, "/cfg", home, share, lib, "/cfg/pelmorix"},
      {bin, true, std::nullopt, home, share, lib, home + "/.config/pelmorix"},
  };
  for (const TCase& c : cases) {
    TEnvVar xdg("XDG_CONFIG_HOME", c.xdg), homeEnv("HOME", c.homeEnv);
    EXPECT_EQ(DataFolderFor(c.program), c.data) << c.program;
    EXPECT_EQ(KitFolderFor(c.program), c.kit) << c.program;
    EXPECT_EQ(SettingsFolderFor(c.program, c.writable), c.settings) << c.program << " " << c.xdg.value_or("-");
  }
}

TEST(ProgramFolder, InstalledProgramMakesItsConfigFolderOnlyToWrite) {
  TScratchFolder root;
  fs::create_directories(root.File("bin"));
  fs::create_directories(root.File("share/pelmorix"));
  WriteBytes(root.File("share/pelmorix/px.ifs"), "");
  TEnvVar xdg("XDG_CONFIG_HOME", root.File("config")), home("HOME", root.File("home"));
  SetProgramFolder(root.File("bin"));
  EXPECT_EQ(DocumentFolder(), root.File("home"));
  EXPECT_EQ(DataFile("help.html"), root.File("share/pelmorix/help.html"));
  EXPECT_EQ(KitFile("MAKE.PIF"), root.File("lib/pelmorix/MAKE.PIF"));
  EXPECT_EQ(SettingsFile("fractal.ini"), root.File("config/pelmorix/fractal.ini"));
  EXPECT_FALSE(fs::exists(root.File("config")));
  EXPECT_EQ(SettingsFileToWrite("fractal.ini"), root.File("config/pelmorix/fractal.ini"));
  EXPECT_TRUE(fs::is_directory(root.File("config/pelmorix")));
  SetProgramFolder(root.Path);
  EXPECT_EQ(SettingsFile("fractal.ini"), root.File("fractal.ini"));
  EXPECT_EQ(DocumentFolder(), root.Path);
  SetProgramFolder("");
}
