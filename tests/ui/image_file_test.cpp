// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_file.h"

#include <gtest/gtest.h>

#include "tests/jpeg_decode.h"
#include "tests/png_decode.h"
#include <jpeglib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/atomic_file.h"

namespace fs = std::filesystem;

namespace {

// A bottom-up 24-bit buffer of the padded size whose visible top-left
// width x height part is a smooth gradient (red along x, green along y, blue
// constant), and whose padding is pure magenta, so that any padding leaking
// into a JPEG shows.
struct TTestBitmap {
  TBitmapInfoHeader Header;
  std::vector<uint8_t> Bits;
  int32_t Width, Height;

  TTestBitmap(int32_t width, int32_t height) : Width(width), Height(height) {
    Header.biWidth = (width + 3) / 4 * 4;
    Header.biHeight = (height + 3) / 4 * 4;
    Bits.resize(size_t(Header.biWidth) * Header.biHeight * 3);
    for (int32_t y = 0; y < Header.biHeight; ++y)
      for (int32_t x = 0; x < Header.biWidth; ++x) {
        uint8_t* p = Pixel(x, y);
        if (x < width && y < height) {
          p[0] = 128;
          p[1] = uint8_t(y * 255 / std::max(height - 1, 1));
          p[2] = uint8_t(x * 255 / std::max(width - 1, 1));
        } else {
          p[0] = 255, p[1] = 0, p[2] = 255;
        }
      }
  }
  // Pixel (x, y) counted from the top of the picture.
  uint8_t* Pixel(int32_t x, int32_t y) {
    return Bits.data() + (size_t(Header.biHeight - 1 - y) * Header.biWidth + x) * 3;
  }
};

uint32_t LE(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int k = bytes - 1; k >= 0; --k) v = v << 8 | uint8_t(s[at + k]);
  return v;
}

using TDecoded = TDecodedJpeg;
TDecoded Decode(const std::string& bytes) { return DecodeJpeg(bytes); }

class ImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "px_image_file_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
  }
  void TearDown() override { fs::remove_all(Dir); }
  static std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  fs::path Dir;
};

}  // namespace

TEST_F(ImageFileTest, BitmapHeaderAndSize) {
  struct Case {
    int32_t width, height;
    uint32_t fileSize;  // 54 + 3 * padded width * padded height
    int32_t bufWidth, bufHeight;
  };
  const Case cases[] = {
      {150, 100, 45654, 152, 100},  // 54 + 3 * 152 * 100
      {151, 101, 47478, 152, 104},  // 54 + 3 * 152 * 104
      {152, 100, 45654, 152, 100},
      {1, 1, 102, 4, 4},            // 54 + 3 * 4 * 4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    TTestBitmap bmp(c.width, c.height);
    ASSERT_EQ(bmp.Header.biWidth, c.bufWidth);
    ASSERT_EQ(bmp.Header.biHeight, c.bufHeight);
    const fs::path path = Dir / "image.bmp";
    SaveBitmapFile(path.string(), bmp.Header, bmp.Bits.data());
    const std::string file = Slurp(path);
    ASSERT_EQ(file.size(), c.fileSize);

    const uint8_t fileHeader[14] = {'B', 'M', uint8_t(c.fileSize), uint8_t(c.fileSize >> 8),
                                    uint8_t(c.fileSize >> 16), uint8_t(c.fileSize >> 24), 0, 0, 0, 0, 54, 0, 0, 0};
    EXPECT_EQ(std::memcmp(file.data(), fileHeader, 14), 0);
    EXPECT_EQ(LE(file, 14, 4), 40u);
    EXPECT_EQ(LE(file, 18, 4), uint32_t(c.bufWidth));
    EXPECT_EQ(LE(file, 22, 4), uint32_t(c.bufHeight));
    EXPECT_EQ(LE(file, 26, 2), 1u);   // planes
    EXPECT_EQ(LE(file, 28, 2), 24u);  // bits per pixel
    for (size_t at = 30; at < 54; at += 4) EXPECT_EQ(LE(file, at, 4), 0u) << "offset " << at;
    // The pixels are the buffer as it is, padding included.
    EXPECT_EQ(std::memcmp(file.data() + 54, bmp.Bits.data(), bmp.Bits.size()), 0);
  }
}

TEST_F(ImageFileTest, BitmapWriteFailureLeavesNoFile) {
  TTestBitmap bmp(8, 8);
  const fs::path plain = Dir / "plain";
  std::ofstream(plain) << "x";
  for (const fs::path& path : {Dir / "missing" / "a.bmp", plain / "a.bmp"}) {
    SCOPED_TRACE(path.string());
    EXPECT_THROW(SaveBitmapFile(path.string(), bmp.Header, bmp.Bits.data()), TFileWriteError);
    EXPECT_FALSE(fs::exists(path));
  }
  // Nothing but the plain file is left in the folder (no temporary file).
  size_t entries = 0;
  for (const auto& e : fs::directory_iterator(Dir)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST_F(ImageFileTest, JpegHasTheVisibleSizeAndPixels) {
  for (const auto& [w, h] : {std::pair{150, 100}, std::pair{151, 101}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    TTestBitmap bmp(w, h);
    const fs::path path = Dir / "image.jpg";
    SaveJpegFile(path.string(), bmp.Header, bmp.Bits.data(), w, h, 100, false);
    const TDecoded d = Decode(Slurp(path));
    ASSERT_EQ(d.Width, w);
    ASSERT_EQ(d.Height, h);
    double sum = 0;
    int worst = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* want = bmp.Pixel(x, y);
        const uint8_t* got = d.Rgb.data() + (size_t(y) * w + x) * 3;
        for (int c = 0; c < 3; ++c) {
          const int diff = std::abs(int(got[c]) - int(want[2 - c]));
          sum += diff;
          worst = std::max(worst, diff);
        }
      }
    EXPECT_LT(sum / (double(w) * h * 3), 1.5);
    EXPECT_LE(worst, 12);
    // Corners: top-left dark red/green, bottom-right full red and green.
    EXPECT_NEAR(d.Rgb[0], 0, 6);
    EXPECT_NEAR(d.Rgb[1], 0, 6);
    const uint8_t* last = d.Rgb.data() + (size_t(h) * w - 1) * 3;
    EXPECT_NEAR(last[0], 255, 6);
    EXPECT_NEAR(last[1], 255, 6);
    EXPECT_NEAR(last[2], 128, 6);
  }
}

TEST_F(ImageFileTest, JpegProgressiveFlagAndQuality) {
  TTestBitmap bmp(64, 48);
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive);
    const std::string bytes = JpegFileBytes(bmp.Header, bmp.Bits.data(), 64, 48, 80, progressive);
    EXPECT_EQ(Decode(bytes).Progressive, progressive);
    // SOF2 (FF C2) marks a progressive frame, SOF0 (FF C0) a baseline one.
    const bool sof2 = bytes.find("\xFF\xC2", 0, 2) != std::string::npos;
    const bool sof0 = bytes.find("\xFF\xC0", 0, 2) != std::string::npos;
    EXPECT_EQ(sof2, progressive);
    EXPECT_EQ(sof0, !progressive);
  }
  // A lower quality gives a smaller file of the same picture.
  const size_t q10 = JpegFileBytes(bmp.Header, bmp.Bits.data(), 64, 48, 10, false).size();
  const size_t q100 = JpegFileBytes(bmp.Header, bmp.Bits.data(), 64, 48, 100, false).size();
  EXPECT_LT(q10, q100);
}

// A PNG holds exactly the visible pixels of the BMP of the same buffer, as
// 8-bit RGB, with the text it was given.
TEST_F(ImageFileTest, PngRoundTripMatchesTheBitmapAndKeepsItsText) {
  const TImageText text = {{"Software", "Pelmorix"}, {"X_Coord", "-2.2"}, {"MaxIter", "150"}};
  for (const auto& [w, h] : {std::pair{150, 100}, std::pair{151, 101}, std::pair{1, 1}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    TTestBitmap bmp(w, h);
    const fs::path path = Dir / "image.png";
    SavePngFile(path.string(), bmp.Header, bmp.Bits.data(), w, h, text);
    const TDecodedPng d = DecodePng(Slurp(path));
    ASSERT_TRUE(d.Ok);
    EXPECT_EQ(d.BitDepth, 8);
    EXPECT_EQ(d.ColorType, PNG_COLOR_TYPE_RGB);
    ASSERT_EQ(d.Width, w);
    ASSERT_EQ(d.Height, h);
    const std::string bitmap = BitmapFileBytes(bmp.Header, bmp.Bits.data());
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const size_t at = 54 + (size_t(bmp.Header.biHeight - 1 - y) * bmp.Header.biWidth + x) * 3;
        const uint8_t* got = d.Rgb.data() + (size_t(y) * w + x) * 3;
        for (int c = 0; c < 3; ++c) ASSERT_EQ(got[c], uint8_t(bitmap[at + 2 - c])) << x << "," << y << " " << c;
      }
    EXPECT_EQ(d.Text, (std::map<std::string, std::string>(text.begin(), text.end())));
  }
}

TEST_F(ImageFileTest, PngWithABadKeywordFailsAndLeavesNoFile) {
  TTestBitmap bmp(8, 8);
  const fs::path path = Dir / "bad.png";
  EXPECT_THROW(SavePngFile(path.string(), bmp.Header, bmp.Bits.data(), 8, 8, {{"", "no keyword"}}), TFileWriteError);
  EXPECT_FALSE(fs::exists(path));
}
