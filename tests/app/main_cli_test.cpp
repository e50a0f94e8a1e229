// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's command line: what it answers without a display.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/program_folder.h"
#include "platform/program_info.h"
#include "tests/test_files.h"

namespace {

struct TRun {
  int Status;
  std::string Out, Err;
};

// Runs pelmorix with no display at all unless `env` names one.
TRun RunPelmorix(const std::string& args, const std::string& env = "") {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string out = (dir / ("px-main-out-" + std::to_string(::getpid()))).string();
  const std::string err = (dir / ("px-main-err-" + std::to_string(::getpid()))).string();
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + env + " '" +
                          ProgramFile("pelmorix") + "' " + args + " >'" + out + "' 2>'" + err + "'";
  const int status = std::system(cmd.c_str());
  TRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(out), ReadBytes(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return run;
}

}  // namespace

TEST(MainCli, HelpAndVersionAnswerWithoutADisplay) {
  const std::string version = std::string("pelmorix ") + ProgramVersion() + "\n" + LicenceNotice();
  struct Case {
    const char* Args;
    std::string Out;  // the whole output, or empty to check the help below
  } cases[] = {{"--version", version}, {"-v", version}, {"--help", ""}, {"-h", ""}, {"spot.frs --help", ""}};
  for (const Case& c : cases) {
    const TRun run = RunPelmorix(c.Args);
    EXPECT_EQ(run.Status, 0) << c.Args << ": " << run.Err;
    if (!c.Out.empty()) {
      EXPECT_EQ(run.Out, c.Out) << c.Args;
    } else {
      EXPECT_EQ(run.Out.rfind("Usage: pelmorix [options] [file]\n", 0), 0u) << c.Args << ": " << run.Out;
      EXPECT_NE(run.Out.find("--version"), std::string::npos) << c.Args;
    }
  }
  EXPECT_EQ(std::string(ProgramVersion()), "1.0.0");
  EXPECT_NE(LicenceNotice().find("GPL-3.0-or-later"), std::string::npos);
}

TEST(MainCli, AnUnknownOptionIsAUsageError) {
  const TRun run = RunPelmorix("--frobnicate", "QT_QPA_PLATFORM=offscreen");
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(run.Out.empty());
  EXPECT_NE(run.Err.find("pelmorix: Unknown option 'frobnicate'."), std::string::npos) << run.Err;
}
