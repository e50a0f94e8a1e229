// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/avi_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "tests/movies/clip_reader.h"
#include "tests/test_files.h"

namespace {

// A bottom-up 24-bit DIB of the padded size whose bottom 16 rows are red and
// the rest blue-green.
std::vector<uint8_t> TestDib(int width, int height) {
  std::vector<uint8_t> dib(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &dib[(size_t(y) * width + x) * 3];
      const bool red = y < 16;
      p[0] = red ? 0 : 200;  // blue
      p[1] = red ? 0 : 100;  // green
      p[2] = red ? 250 : 0;  // red
    }
  return dib;
}

bool StartClip(TAVIWriter& avi, const std::string& path, int w, int h, int rate, TCompressOptions options) {
  return avi.Open(path) && avi.CreateStream(w, h, rate) && avi.MakeCompressedStream(options) && avi.FreeOptions() &&
         avi.SetFormat();
}

TEST(AVIWriter, StillsSitAtTheirPositionsWithFullFramesOfThePaddedSize) {
  TScratchFolder dir;
  const std::string path = dir.File("stills.avi");
  // A 150 x 100 image has 152 x 100 buffers.
  const std::vector<uint8_t> dib = TestDib(152, 100);
  {
    TAVIWriter avi;
    ASSERT_TRUE(StartClip(avi, path, 152, 100, 15, {TCodec::Raw, 85}));
    for (int i = 0; i <= 50; ++i) ASSERT_EQ(avi.WriteFrame(3 * i, dib.data(), int64_t(dib.size())), 0);
    ASSERT_TRUE(avi.Close());
  }
  const TClipInfo clip = ReadClip(path, true);
  ASSERT_TRUE(clip.Opened);
  EXPECT_EQ(clip.Streams, 1);
  EXPECT_EQ(clip.Codec, "rawvideo");
  EXPECT_EQ(clip.Width, 152);
  EXPECT_EQ(clip.Height, 100);
  EXPECT_EQ(clip.TimeBase.num, 1);
  EXPECT_EQ(clip.TimeBase.den, 15);
  ASSERT_EQ(clip.Packets.size(), 51u);
  for (int i = 0; i <= 50; ++i) {
    EXPECT_EQ(clip.Packets[i].Pts, 3 * i);
    EXPECT_EQ(clip.Packets[i].Size, 45600);
    EXPECT_TRUE(clip.Packets[i].Key);
  }
  // The frame format: a 40-byte header of 152 x +100 (bottom-up), 24 bits,
  // no compression, 45600 bytes; the stream header: scale 1, rate 15.
  const std::string bytes = ReadBytes(path);
  const size_t strf = bytes.find("strf"), strh = bytes.find("strh");
  ASSERT_NE(strf, std::string::npos);
  ASSERT_NE(strh, std::string::npos);
  auto le32 = [&](size_t at) {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  EXPECT_EQ(bytes.substr(strh + 8, 4), "vids");
  EXPECT_EQ(le32(strh + 28), 1u);   // scale
  EXPECT_EQ(le32(strh + 32), 15u);  // rate
  EXPECT_EQ(le32(strh + 40), 151u);  // length in frame times
  const uint32_t format[] = {40, 152, 100, 0x00180001, 0, 45600};
  for (size_t k = 0; k < std::size(format); ++k) EXPECT_EQ(le32(strf + 8 + 4 * k), format[k]) << k;
  // The DIB's first row is the picture's bottom row.
  ASSERT_EQ(clip.FirstFrameRgb.size(), 152u * 100 * 3);
  const uint8_t* bottom = &clip.FirstFrameRgb[99 * 152 * 3];
  EXPECT_EQ(bottom[0], 250);
  EXPECT_EQ(bottom[2], 0);
  EXPECT_EQ(clip.FirstFrameRgb[0], 0);
  EXPECT_EQ(clip.FirstFrameRgb[2], 200);
}

TEST(AVIWriter, AFirstFrameAfterPositionZeroKeepsItsPosition) {
  TScratchFolder dir;
  const std::vector<uint8_t> dib = TestDib(16, 16);
  for (const TCodec codec : {TCodec::Raw, TCodec::MJpeg}) {
    const std::string path = dir.File("late.avi");
    {
      TAVIWriter avi;
      ASSERT_TRUE(StartClip(avi, path, 16, 16, 15, {codec, 85}));
      for (const int64_t at : {3, 6, 9}) ASSERT_EQ(avi.WriteFrame(at, dib.data(), int64_t(dib.size())), 0);
      ASSERT_TRUE(avi.Close());
    }
    const TClipInfo clip = ReadClip(path, false);
    ASSERT_EQ(clip.Packets.size(), 3u) << CodecName(codec);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(clip.Packets[i].Pts, int64_t(3 * (i + 1))) << CodecName(codec);
  }
}

TEST(AVIWriter, EveryOfferedCompressorWritesKeyFramesReadBackInEachFileType) {
  TScratchFolder dir;
  const std::vector<uint8_t> dib = TestDib(64, 48);
  for (TContainer container : {TContainer::Avi, TContainer::Mp4, TContainer::Mkv}) {
    const std::string ext = container == TContainer::Avi ? ".avi" : container == TContainer::Mp4 ? ".mp4" : ".mkv";
    for (TCodec codec : AvailableCodecs(container)) {
      SCOPED_TRACE(CodecName(codec) + ext);
      const std::string path = dir.File(CodecName(codec) + ext);
      {
        TAVIWriter avi;
        ASSERT_TRUE(StartClip(avi, path, 64, 48, 25, {codec, 60}));
        for (int i = 0; i < 5; ++i) ASSERT_EQ(avi.WriteFrame(2 * i, dib.data(), int64_t(dib.size())), 0);
        EXPECT_EQ(avi.FramesWritten(), 5);
        ASSERT_TRUE(avi.Close());
      }
      const TClipInfo clip = ReadClip(path, true);
      ASSERT_TRUE(clip.Opened);
      ASSERT_EQ(clip.Packets.size(), 5u);
      for (const TClipPacket& p : clip.Packets) EXPECT_TRUE(p.Key);
      ASSERT_FALSE(clip.FirstFrameRgb.empty());
      // Bottom-left is red, top-left blue-green, whatever the compressor.
      const uint8_t* bottom = &clip.FirstFrameRgb[40 * 64 * 3 + 8 * 3];
      EXPECT_GT(bottom[0], 180);
      EXPECT_LT(clip.FirstFrameRgb[8 * 3], 60);
    }
  }
  EXPECT_EQ(AvailableCodecs(TContainer::Avi).front(), TCodec::Raw);
  EXPECT_TRUE(CodecAvailable(TCodec::MJpeg));
  EXPECT_FALSE(CodecAvailable(TCodec::Raw, TContainer::Mp4));
}

// A movie that fails at its start, or is given up without Close(), leaves
// the earlier file of its name byte for byte and no temporary file; a
// read-only one is refused at once.
TEST(AVIWriter, AFailedOrDiscardedClipKeepsTheEarlierFileAndLeavesNoTemporary) {
  TScratchFolder dir;
  const std::vector<uint8_t> dib = TestDib(64, 48);
  struct TCase {
    const char* Name;
    std::function<bool(TAVIWriter&, const std::string&)> Run;  // false: the step meant to fail failed
  } cases[] = {
      {"compressor choice cancelled", [](TAVIWriter& avi, const std::string& path) {
         EXPECT_TRUE(avi.Open(path) && avi.CreateStream(64, 48, 15));
         avi.Discard();
         return false;
       }},
      {"compressor the file type cannot hold", [](TAVIWriter& avi, const std::string& path) {
         return avi.Open(path + ".mp4") && avi.CreateStream(64, 48, 15) &&
                avi.MakeCompressedStream({TCodec::Raw, 85});
       }},
      {"frames written, then given up", [&](TAVIWriter& avi, const std::string& path) {
         EXPECT_TRUE(StartClip(avi, path, 64, 48, 15, {TCodec::MJpeg, 80}));
         EXPECT_EQ(avi.WriteFrame(0, dib.data(), int64_t(dib.size())), 0);
         avi.Discard();
         return false;
       }},
      {"destroyed without Close", [&](TAVIWriter&, const std::string& path) {
         TAVIWriter own;
         EXPECT_TRUE(StartClip(own, path, 64, 48, 15, {TCodec::MJpeg, 80}));
         EXPECT_EQ(own.WriteFrame(0, dib.data(), int64_t(dib.size())), 0);
         return false;
       }},
      {"read-only file", [](TAVIWriter& avi, const std::string& path) {
         chmod(path.c_str(), 0444);
         const bool opened = avi.Open(path);
         EXPECT_EQ(avi.LastError(), "the file is read-only");
         return opened;
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = dir.File("old.avi");
    WriteBytes(path, "old clip");
    WriteBytes(path + ".mp4", "old mp4");
    const std::set<std::string> before = FileNames(dir.Path);
    TAVIWriter avi;
    EXPECT_FALSE(c.Run(avi, path));
    EXPECT_FALSE(avi.Close());
    EXPECT_EQ(ReadBytes(path), "old clip");
    EXPECT_EQ(ReadBytes(path + ".mp4"), "old mp4");
    EXPECT_EQ(FileNames(dir.Path), before);
    chmod(path.c_str(), 0644);
  }
}

TEST(AVIWriter, AClosedClipReplacesTheEarlierFileEvenUnderALongNameAndBadFramesAreRefused) {
  TScratchFolder dir;
  // The longest name a folder takes, beside a file of that name.
  const std::string path = dir.File(std::string(251, 'n') + ".avi");
  WriteBytes(path, "old clip");
  chmod(path.c_str(), 0640);
  TAVIWriter avi;
  EXPECT_FALSE(avi.Open(dir.File("no/such/folder/x.avi")));
  ASSERT_TRUE(StartClip(avi, path, 64, 48, 15, {TCodec::MJpeg, 80}));
  EXPECT_EQ(ReadBytes(path), "old clip");  // until the clip is closed
  const std::vector<uint8_t> dib = TestDib(64, 48);
  EXPECT_LT(avi.WriteFrame(0, dib.data(), 100), 0);  // too short
  EXPECT_EQ(avi.WriteFrame(0, dib.data(), int64_t(dib.size())), 0);
  EXPECT_LT(avi.WriteFrame(0, dib.data(), int64_t(dib.size())), 0);  // position does not grow
  EXPECT_TRUE(avi.Close());
  EXPECT_EQ(ReadClip(path).Packets.size(), 1u);
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(FileNames(dir.Path), std::set<std::string>{std::filesystem::path(path).filename().string()});

  // A movie stopped before its first frame is a valid clip without frames.
  ASSERT_TRUE(StartClip(avi, path, 64, 48, 15, {TCodec::MJpeg, 80}));
  EXPECT_TRUE(avi.Close());
  const TClipInfo empty = ReadClip(path);
  EXPECT_TRUE(empty.Opened);
  EXPECT_EQ(empty.Streams, 1);
  EXPECT_EQ(empty.Packets.size(), 0u);
  EXPECT_EQ(empty.Frames, 0);
}

TEST(AVIWriter, AFullDiskFailsTheFrameAndTheDiscardedClipKeepsTheEarlierFile) {
  TScratchFolder dir;
  const std::string path = dir.File("full.avi");
  const std::string old(600000, 'o');  // larger than the limit: only new writes are bound by it
  WriteBytes(path, old);
  const std::vector<uint8_t> dib = TestDib(152, 100);  // 45600 bytes a frame
  // The child writes under a file size limit of about ten frames.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{500000, 500000};
    setrlimit(RLIMIT_FSIZE, &limit);
    TAVIWriter avi;
    if (!StartClip(avi, path, 152, 100, 15, {TCodec::Raw, 85})) _exit(2);
    int written = 0;
    for (int i = 0; i < 100; ++i) {
      if (avi.WriteFrame(i, dib.data(), int64_t(dib.size())) != 0) break;
      ++written;
    }
    avi.Discard();
    _exit(written >= 8 && written < 100 ? 0 : 3);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(ReadBytes(path) == old);
  EXPECT_EQ(FileNames(dir.Path), std::set<std::string>{"full.avi"});
}

}  // namespace
