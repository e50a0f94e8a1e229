// Where the program looks for its data and keeps the user's settings, in a
// portable, build and installed layout.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/program_folder.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

namespace {

// Sets or clears an environment variable for the life of the object.
class TEnvSetting {
 public:
  TEnvSetting(const char* name, const char* value) : Name(name) {
    if (const char* old = std::getenv(name)) Old = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~TEnvSetting() {
    if (Old) ::setenv(Name, Old->c_str(), 1);
    else ::unsetenv(Name);
  }

 private:
  const char* Name;
  std::optional<std::string> Old;
};

}  // namespace

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
    const char* xdg;
    const char* homeEnv;
    std::string data, settings;
  };
  const TCase cases[] = {
      {portable, true, "/cfg", home.c_str(), portable, portable},
      {build, true, "/cfg", home.c_str(), build, build},
      {portable, false, "/cfg", home.c_str(), portable, "/cfg/pelmorix"},
      {portable, false, "/cfg/", home.c_str(), portable, "/cfg/pelmorix"},
      {portable, false, nullptr, home.c_str(), portable, home + "/.config/pelmorix"},
      {portable, false, "", home.c_str(), portable, home + "/.config/pelmorix"},
      {portable, false, "relative/cfg", home.c_str(), portable, home + "/.config/pelmorix"},
      // Installed: the data sits in share/, the settings never beside the
      // executable, even when its folder can be written (a root user).
      {bin, false, "/cfg", home.c_str(), share, "/cfg/pelmorix"},
      {bin, true, "/cfg", home.c_str(), share, "/cfg/pelmorix"},
      {bin, true, nullptr, home.c_str(), share, home + "/.config/pelmorix"},
  };
  for (const TCase& c : cases) {
    TEnvSetting xdg("XDG_CONFIG_HOME", c.xdg), homeEnv("HOME", c.homeEnv);
    EXPECT_EQ(DataFolderFor(c.program), c.data) << c.program;
    EXPECT_EQ(SettingsFolderFor(c.program, c.writable), c.settings) << c.program << " " << (c.xdg ? c.xdg : "-");
  }
}

TEST(ProgramFolder, InstalledProgramMakesItsConfigFolderOnlyToWrite) {
  TScratchFolder root;
  fs::create_directories(root.File("bin"));
  fs::create_directories(root.File("share/pelmorix"));
  WriteBytes(root.File("share/pelmorix/px.ifs"), "");
  TEnvSetting xdg("XDG_CONFIG_HOME", root.File("config").c_str());
  SetProgramFolder(root.File("bin"));
  EXPECT_EQ(DataFile("help.html"), root.File("share/pelmorix/help.html"));
  EXPECT_EQ(SettingsFile("fractal.ini"), root.File("config/pelmorix/fractal.ini"));
  EXPECT_FALSE(fs::exists(root.File("config")));
  EXPECT_EQ(SettingsFileToWrite("fractal.ini"), root.File("config/pelmorix/fractal.ini"));
  EXPECT_TRUE(fs::is_directory(root.File("config/pelmorix")));
  SetProgramFolder(root.Path);
  EXPECT_EQ(SettingsFile("fractal.ini"), root.File("fractal.ini"));
  SetProgramFolder("");
}
