// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "platform/profile.h"
#include "tests/test_files.h"

namespace {

std::string ErrorOf(const std::function<void()>& write) {
  try {
    write();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

TEST(AtomicFile, NamesUpToTheFoldersLimitAreWrittenWithoutATemporaryLeft) {
  TScratchFolder dir;
  for (size_t length = 250; length <= 255; ++length) {
    SCOPED_TRACE(length);
    const std::string path = dir.File(std::string(length - 4, 'a') + ".frs");
    WriteFileAtomic(path, "first");
    WriteFileAtomic(path, "second");
    EXPECT_EQ(ReadBytes(path), "second");
    TFileBatch batch;
    batch.Add(path, "third");
    batch.Commit();
    EXPECT_EQ(ReadBytes(path), "third");
    WritePrivateProfileString("Fractal", "Number", "7", path);
    EXPECT_EQ(GetPrivateProfileInt("Fractal", "Number", 0, path), 7);
    EXPECT_EQ(FileNames(dir.Path), std::set<std::string>{std::filesystem::path(path).filename().string()});
    std::filesystem::remove(path);
  }
}

// The permission bits decide, for root too (which the system lets write
// anything): a file without a write bit is not replaced.
TEST(AtomicFile, AReadOnlyFileIsRefusedByNameAndStaysAsItWas) {
  TScratchFolder dir;
  const std::string path = dir.File("image.bmp"), other = dir.File("values.bin");
  const struct {
    mode_t Mode;
    bool ReadOnly;
  } cases[] = {{0444, true}, {0400, true}, {0555, true}, {0644, false}, {0600, false}, {0200, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Mode);
    WriteBytes(path, "old image");
    WriteBytes(other, "old values");
    chmod(path.c_str(), c.Mode);
    EXPECT_EQ(ReadOnlyFile(path), c.ReadOnly);
    const std::string expected = c.ReadOnly ? "Cannot write \"" + path + "\": the file is read-only" : "";
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomic(path, "new image"); }), expected);
    EXPECT_EQ(ErrorOf([&] { WritePrivateProfileString("S", "k", "v", path); }), expected);
    // Files replaced together: none is, when one is read-only.
    EXPECT_EQ(ErrorOf([&] {
                TFileBatch batch;
                batch.Add(other, "new values");
                batch.Add(path, "new image");
                batch.Commit();
              }),
              expected);
    if (c.ReadOnly) {
      EXPECT_EQ(ReadBytes(path), "old image");
      EXPECT_EQ(ReadBytes(other), "old values");
    } else {
      EXPECT_EQ(ReadBytes(path), "new image");
      EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(c.Mode));
    }
    EXPECT_EQ(FileNames(dir.Path), (std::set<std::string>{"image.bmp", "values.bin"}));
    chmod(path.c_str(), 0644);
  }
  EXPECT_FALSE(ReadOnlyFile(dir.File("missing")));
  EXPECT_FALSE(ReadOnlyFile(dir.Path));
}

}  // namespace

namespace {

// Pieces written out of order: a gap reads as zeros, an offset past 4 GiB
// is a 64-bit one (the file is sparse), and a batch that is not committed
// leaves the earlier targets and nothing else.
TEST(StreamedFile, PiecesAtOffsetsAndABatchThatEndsUncommitted) {
  TScratchFolder dir;
  const std::string path = dir.File("poster.bmp"), values = dir.File("poster.values");
  {
    TFileBatch batch;
    TStreamedFile& file = batch.Open(path);
    file.Append("head");
    file.WriteAt(8, "tail");
    file.WriteAt(2, "AD");
    file.Append("!");
    EXPECT_EQ(file.Size(), 13u);
    batch.Commit();
  }
  EXPECT_EQ(ReadBytes(path), std::string("heAD\0\0\0\0tail!", 13));
  WriteBytes(values, "old values");
  {
    TFileBatch batch;
    TStreamedFile& file = batch.Open(path);
    file.WriteAt(uint64_t(5) << 30, "x");
    EXPECT_EQ(file.Size(), (uint64_t(5) << 30) + 1);
    batch.Add(values, "new values");
    EXPECT_EQ(FileNames(dir.Path).size(), 4u);
  }
  EXPECT_EQ(ReadBytes(path), std::string("heAD\0\0\0\0tail!", 13));
  EXPECT_EQ(ReadBytes(values), "old values");
  EXPECT_EQ(FileNames(dir.Path), (std::set<std::string>{"poster.bmp", "poster.values"}));
}

// A write the system refuses fails by name, and the file cannot then be
// committed even if the caller goes on.
TEST(StreamedFile, AFailedWriteIsReportedAndNeverCommitted) {
  TScratchFolder dir;
  const std::string path = dir.File("poster.png");
  WriteBytes(path, "earlier");
  TStreamedFile file(path);
  const std::string expected = "Cannot write \"" + path + "\": File too large";
  {
    const TFileSizeLimit limit(1000);
    EXPECT_EQ(ErrorOf([&] { file.Append(std::string(600, 'a')); }), "");
    EXPECT_EQ(ErrorOf([&] { file.Append(std::string(600, 'b')); }), expected);
    EXPECT_EQ(ErrorOf([&] { file.WriteAt(0, "c"); }), expected);
  }
  EXPECT_EQ(ErrorOf([&] { file.Commit(); }), expected);
  EXPECT_EQ(ReadBytes(path), "earlier");
}

}  // namespace
