// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/anti_alias.h"
#include "platform/atomic_file.h"
#include "tests/test_files.h"
#include "ui/anti_alias_rows.h"
#include "ui/image_file.h"

namespace {

// A bottom-up buffer of noise, the padding too, which a PNG or JPEG must
// not show.
struct TNoise {
  TBitmapInfoHeader Header;
  std::vector<uint8_t> Bits;
  TNoise(int32_t bufWidth, int32_t bufHeight, unsigned seed = 7) {
    Header.biWidth = bufWidth;
    Header.biHeight = bufHeight;
    Bits.resize(size_t(bufWidth) * bufHeight * 3);
    std::mt19937 random(seed);
    for (uint8_t& b : Bits) b = uint8_t(random());
  }
  // Row y counted from the top.
  const uint8_t* Row(int32_t y) const { return Bits.data() + size_t(Header.biHeight - 1 - y) * Header.biWidth * 3; }
};

using TMakeWriter = std::function<std::unique_ptr<TRowWriter>(TByteSink&, const TNoise&)>;

struct TFileKind {
  const char* Name;
  TMakeWriter Make;
  std::function<std::string(const TNoise&)> InMemory;
};

// A 13 x 10 picture in a 16 x 12 buffer, as the PNG, JPEG and BMP files
// write it.
const TFileKind kKinds[] = {
    {"png",
     [](TByteSink& sink, const TNoise&) {
       return NewPngWriter(sink, 13, 10, TImageText{{"Software", "Pelmorix"}, {"Pelmorix spot", "x"}});
     },
     [](const TNoise& n) {
       return PngFileBytes(n.Header, n.Bits.data(), 13, 10, {{"Software", "Pelmorix"}, {"Pelmorix spot", "x"}});
     }},
    {"baseline jpeg", [](TByteSink& sink, const TNoise&) { return NewJpegWriter(sink, 13, 10, 80, false, "spot"); },
     [](const TNoise& n) { return JpegFileBytes(n.Header, n.Bits.data(), 13, 10, 80, false, "spot"); }},
    {"progressive jpeg", [](TByteSink& sink, const TNoise&) { return NewJpegWriter(sink, 13, 10, 95, true); },
     [](const TNoise& n) { return JpegFileBytes(n.Header, n.Bits.data(), 13, 10, 95, true); }},
    {"bmp", [](TByteSink& sink, const TNoise& n) { return NewBitmapWriter(sink, n.Header); },
     [](const TNoise& n) { return BitmapFileBytes(n.Header, n.Bits.data()); }},
};

// Every row of the buffer, the padding rows too (past a PNG's or JPEG's
// height, they are ignored).
TEST(ImageStream, RowsStreamedIntoAFileGiveTheInMemoryBytes) {
  const TNoise noise(16, 12);
  for (const TFileKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    TScratchFolder dir;
    const std::string path = dir.File("picture");
    WriteBytes(path, "earlier");
    TFileBatch batch;
    TStreamedFile& file = batch.Open(path);
    const std::unique_ptr<TRowWriter> writer = kind.Make(file, noise);
    WriteBufferRows(*writer, noise.Header, noise.Bits.data(), noise.Header.biHeight);
    writer->Finish();
    const std::string expected = kind.InMemory(noise);
    EXPECT_EQ(file.Size(), expected.size());
    EXPECT_EQ(ReadBytes(path), "earlier");
    EXPECT_EQ(FileNames(dir.Path).size(), 2u);
    batch.Commit();
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(FileNames(dir.Path), std::set<std::string>{"picture"});
  }
}

TEST(ImageStream, RowsNeverGivenAreBlack) {
  TNoise noise(16, 12);
  for (const TFileKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    TStringSink sink;
    const std::unique_ptr<TRowWriter> writer = kind.Make(sink, noise);
    WriteBufferRows(*writer, noise.Header, noise.Bits.data(), 3);
    writer->Finish();
    TNoise blackened = noise;
    std::fill(blackened.Bits.begin(), blackened.Bits.end() - 3 * 16 * 3, 0);
    EXPECT_EQ(sink.Bytes, kind.InMemory(blackened));
  }
}

// Counts the bytes it is given, keeping none.
struct TCountingSink final : TByteSink {
  void Append(std::string_view bytes) override { Head.append(bytes.substr(0, 64)), Size += bytes.size(); }
  void WriteAt(uint64_t offset, std::string_view bytes) override { Size = std::max(Size, offset + bytes.size()); }
  std::string Head;
  uint64_t Size = 0;
};

TEST(ImageStream, SizesPastTheFormatsLimitsAreRefusedBeforeAnyByte) {
  const std::string jpegLimit = "a JPEG picture is at most 65500 x 65500 pixels: write PNG or BMP";
  const std::string bmpLimit = "a BMP file holds at most 4 GiB: write PNG or JPEG";
  TBitmapInfoHeader largest;  // 54 + 12 x 357913936 bytes, the last that fits
  largest.biWidth = 4;
  largest.biHeight = 357913936;
  TBitmapInfoHeader past = largest;
  ++past.biHeight;
  TBitmapInfoHeader square;  // 65536 x 21846 pixels: just over 4 GiB
  square.biWidth = 65536;
  square.biHeight = 21846;
  const struct {
    const char* Name;
    std::function<void(TByteSink&)> Make;
    std::string Error;
  } cases[] = {
      {"jpeg wide", [](TByteSink& s) { NewJpegWriter(s, 65501, 8, 90, false); }, jpegLimit},
      {"jpeg high", [](TByteSink& s) { NewJpegWriter(s, 8, 65501, 90, true); }, jpegLimit},
      {"jpeg largest", [](TByteSink& s) { NewJpegWriter(s, 65500, 1, 90, false); }, ""},
      {"bmp largest", [&](TByteSink& s) { NewBitmapWriter(s, largest); }, ""},
      {"bmp one row more", [&](TByteSink& s) { NewBitmapWriter(s, past); }, bmpLimit},
      {"bmp square", [&](TByteSink& s) { NewBitmapWriter(s, square); }, bmpLimit},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TCountingSink sink;
    std::string error;
    try {
      c.Make(sink);
    } catch (const TFileWriteError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.Error);
    if (!error.empty()) {
      EXPECT_EQ(sink.Size, 0u);
    }
  }
  TCountingSink sink;
  const std::unique_ptr<TRowWriter> writer = NewBitmapWriter(sink, largest);
  EXPECT_EQ(sink.Head.substr(2, 4), std::string("\xF6\xFF\xFF\xFF", 4));
  EXPECT_EQ(sink.Size, 54u);
}

// The encoders meet the failure inside libpng's and libjpeg's callbacks,
// and must leave them cleanly.
TEST(ImageStream, AFileThatCannotGrowFailsByNameAndLeavesTheEarlierFile) {
  const TNoise noise(300, 300);
  const TMakeWriter makers[] = {
      [](TByteSink& s, const TNoise&) { return NewPngWriter(s, 300, 300, TImageText{}); },
      [](TByteSink& s, const TNoise&) { return NewJpegWriter(s, 300, 300, 100, false); },
      [](TByteSink& s, const TNoise&) { return NewJpegWriter(s, 300, 300, 100, true); },
      [](TByteSink& s, const TNoise& n) { return NewBitmapWriter(s, n.Header); },
  };
  for (size_t k = 0; k < std::size(makers); ++k) {
    SCOPED_TRACE(k);
    TScratchFolder dir;
    const std::string path = dir.File("poster.img");
    WriteBytes(path, "earlier poster");
    std::string error;
    {
      const TFileSizeLimit limit(20000);
      try {
        TFileBatch batch;
        const std::unique_ptr<TRowWriter> writer = makers[k](batch.Open(path), noise);
        WriteBufferRows(*writer, noise.Header, noise.Bits.data(), 300);
        writer->Finish();
        batch.Commit();
      } catch (const TFileWriteError& e) {
        error = e.what();
      }
    }
    EXPECT_EQ(error, "Cannot write \"" + path + "\": File too large");
    EXPECT_EQ(ReadBytes(path), "earlier poster");
    EXPECT_EQ(FileNames(dir.Path), std::set<std::string>{"poster.img"});
  }
}

// Keeps the rows it is given, each `width` pixels.
struct TRowRecorder final : TRowWriter {
  explicit TRowRecorder(int32_t width) : Width(width) {}
  void WriteRow(const uint8_t* bgr) override { Rows.append(reinterpret_cast<const char*>(bgr), size_t(Width) * 3); }
  void Finish() override { ++Finished; }
  int32_t Width;
  std::string Rows;
  int Finished = 0;
};

TEST(AntiAliasRows, TheHalfPictureRowByRowAndInBandsIsAntiAliasImage) {
  const struct {
    int32_t Width, Height, BufWidth, BufHeight;
  } sizes[] = {{8, 6, 8, 8}, {7, 5, 8, 8}, {9, 9, 12, 12}, {13, 3, 16, 4}, {5, 8, 8, 8}, {4, 2, 4, 4}, {6, 1, 8, 4}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s.Width) + "x" + std::to_string(s.Height));
    const TNoise noise(s.BufWidth, s.BufHeight, unsigned(s.Width * 100 + s.Height));
    const TAntiAliasSize half = AntiAliasSizeOf(s.Width, s.Height);
    std::vector<uint8_t> image(size_t(half.PixelCount) * 3);
    AntiAliasImage({&noise.Header, noise.Bits.data(), s.Width, s.Height}, half, image.data());
    std::string expected;
    for (int32_t t = 0; t < half.Height; ++t)
      expected.append(reinterpret_cast<const char*>(image.data()) + size_t(half.BufHeight - 1 - t) * half.BufWidth * 3,
                      size_t(half.BufWidth) * 3);

    TRowRecorder whole(half.BufWidth);
    TAntiAliasRows filter(whole, s.Width, s.Height);
    WriteBufferRows(filter, noise.Header, noise.Bits.data(), s.Height);
    filter.Finish();
    EXPECT_EQ(whole.Rows, expected);
    EXPECT_EQ(whole.Finished, 1);

    // Bands of two half rows, each fed its own picture rows and then the
    // rest of the picture, which it ignores.
    std::string joined;
    for (int32_t first = 0; first < half.Height; first += 2) {
      const TRowRange rows = AntiAliasSourceRows(s.Height, first, first + 2);
      EXPECT_EQ(rows.First, 2 * first);
      EXPECT_EQ(rows.End, std::min(2 * first + 5 + s.Height % 2, s.Height));
      TRowRecorder band(half.BufWidth);
      TAntiAliasRows bandFilter(band, s.Width, s.Height, first, first + 2);
      for (int32_t y = rows.First; y < s.Height; ++y) bandFilter.WriteRow(noise.Row(y));
      joined += band.Rows;
    }
    EXPECT_EQ(joined, expected);
  }
  EXPECT_EQ(AntiAliasSourceRows(9, 0, 100), (TRowRange{0, 9}));
  EXPECT_EQ(AntiAliasSourceRows(9, 3, 3), (TRowRange{6, 6}));
  EXPECT_EQ(AntiAliasSourceRows(1, 0, 1), (TRowRange{0, 0}));
}

}  // namespace
