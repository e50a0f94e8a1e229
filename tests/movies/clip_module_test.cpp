// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/clip_module.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/program_folder.h"
#include "platform/program_info.h"
#include "tests/test_files.h"

namespace {

TEST(ClipModule, LoadsOnlyAClipModule) {
  TScratchFolder dir;
  WriteBytes(dir.File("text.so"), "not a shared object\n");
  WriteBytes(dir.File("empty.so"), "");
  const std::string missing = dir.File("missing.so");
  struct {
    std::string path;
    std::string problem;  // empty: loads; else the start of the message
  } cases[] = {
      {ModuleFile(kClipModuleFile), ""},
      {missing, "the clip writer " + missing + " cannot be loaded (cannot open shared object file: No such file"},
      {dir.File("text.so"), "the clip writer " + dir.File("text.so") + " cannot be loaded ("},
      {dir.File("empty.so"), "the clip writer " + dir.File("empty.so") + " cannot be loaded ("},
      // A shared object of another kind: no entry to call.
      {"libz.so.1", "the clip writer libz.so.1 cannot be loaded (not a clip writer module)"},
  };
  for (const auto& c : cases) {
    std::string problem = "stale";
    TClipModule* module = LoadClipModule(c.path, problem);
    EXPECT_EQ(module != nullptr, c.problem.empty()) << c.path;
    EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << c.path;
    EXPECT_EQ(problem.empty(), c.problem.empty()) << problem;
  }
}

TEST(ClipModule, TheProgramsModuleLiesInTheKitFolderAndServes) {
  EXPECT_EQ(ModuleFile(kClipModuleFile), KitFolderFor(ProgramFolder()) + "/modules/pelmorix-clips.so");
  // Tests that move the program folder still find the module the build made.
  const std::string before = ModuleFile(kClipModuleFile);
  SetProgramFolder("/nowhere");
  EXPECT_EQ(ModuleFile(kClipModuleFile), before);
  SetProgramFolder("");
  ASSERT_NE(ClipModule(), nullptr) << ClipModuleProblem();
  EXPECT_EQ(ClipModuleProblem(), "");
  std::string problem;
  EXPECT_EQ(LoadClipModule(before, problem), ClipModule());  // one module for the whole run
  EXPECT_TRUE(ClipModule()->EncoderOpens(TCodec::MJpeg));
  EXPECT_TRUE(ClipModule()->EncoderOpens(TCodec::Raw));
  // The module serves the program of its own version only.
  void* handle = dlopen(before.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr);
  auto entry = reinterpret_cast<TClipModule* (*)(const char*)>(dlsym(handle, kClipModuleEntry));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(ProgramVersion()), ClipModule());
  EXPECT_EQ(entry("0.9.9"), nullptr);
  EXPECT_EQ(entry(""), nullptr);
  dlclose(handle);
}

// Without the module no codec is offered, and a clip fails at its start with
// the module's problem, leaving no file behind.
TEST(ClipModule, WithoutTheModuleNoCodecIsThereAndNoClipStarts) {
  TScratchFolder dir;
  const std::string missing = dir.File("modules/pelmorix-clips.so");
  const std::string problem =
      "the clip writer " + missing + " cannot be loaded (cannot open shared object file: No such file or directory)";
  SetClipModuleFile(missing);
  EXPECT_EQ(ClipModule(), nullptr);
  EXPECT_EQ(ClipModuleProblem(), problem);
  EXPECT_TRUE(AvailableCodecs(TContainer::Avi).empty());
  EXPECT_FALSE(CodecAvailable(TCodec::Raw));
  EXPECT_EQ(DefaultMp4Codec(), TCodec::Mpeg4);
  LimitClipMessages(true);
  {
    TAVIWriter avi;
    EXPECT_FALSE(avi.Open(dir.File("a.avi")));
    EXPECT_EQ(avi.LastError(), problem);
    EXPECT_EQ(avi.Path(), dir.File("a.avi"));
    EXPECT_FALSE(avi.CreateStream(8, 8, 15));
    EXPECT_FALSE(avi.MakeCompressedStream({}));
    EXPECT_FALSE(avi.SetFormat());
    const std::vector<uint8_t> dib(8 * 8 * 3);
    EXPECT_LT(avi.WriteFrame(0, dib.data(), int64_t(dib.size())), 0);
    EXPECT_EQ(avi.FramesWritten(), 0);
    EXPECT_FALSE(avi.Close());
  }
  EXPECT_EQ(FileNames(dir.Path), std::set<std::string>{});
  // Back to the program's own module: clips start again.
  SetClipModuleFile("");
  LimitClipMessages(false);
  ASSERT_NE(ClipModule(), nullptr);
  TAVIWriter avi;
  EXPECT_TRUE(avi.Open(dir.File("a.avi"))) << avi.LastError();
  EXPECT_EQ(avi.LastError(), "Success");
}

}  // namespace
