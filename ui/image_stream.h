// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Picture files written as the picture's rows come, top row first, into a
// byte sink: memory for a few rows is all a PNG or BMP takes, whatever the
// picture's height (a progressive JPEG is the exception: libjpeg keeps the
// whole picture's coefficients until the end).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_sink.h"

// Keyword and text pairs a PNG file carries, saying where its picture came
// from. Keywords are 1..79 Latin-1 characters; texts are plain ASCII.
using TImageText = std::vector<std::pair<std::string, std::string>>;

// Receives a picture's rows from the top. Errors of the encoder or the sink
// throw (TFileWriteError); after one, every call throws it again.
class TRowWriter {
 public:
  virtual ~TRowWriter() = default;
  // The next row: blue, green, red bytes of at least the file's width of
  // pixels. Rows past the file's height are ignored.
  virtual void WriteRow(const uint8_t* bgr) = 0;
  // Completes the file after the last row; rows never given are black.
  virtual void Finish() = 0;
};

// An 8-bit RGB PNG of width x height pixels with `text` as text chunks
// before the pixels: plain (tEXt), but the spot file's text compressed
// (zTXt).
std::unique_ptr<TRowWriter> NewPngWriter(TByteSink& sink, int32_t width, int32_t height, const TImageText& text);

// The largest width and height a JPEG file can have.
inline constexpr int32_t kMaxJpegSide = 65500;
// Why a JPEG of width x height pixels cannot be written; "" when it can.
std::string JpegSizeProblem(int32_t width, int32_t height);

// A JPEG of width x height pixels, quality 1..100 (clamped), progressive or
// baseline; a `spot` text goes in comment segments before the pixels. A
// size JpegSizeProblem names is refused (TFileWriteError) before anything
// is written.
std::unique_ptr<TRowWriter> NewJpegWriter(TByteSink& sink, int32_t width, int32_t height, int quality, bool progressive,
                                          std::string_view spot = {});

// A BMP file of a whole bottom-up buffer: the 14-byte file header, `header`
// itself and header.biWidth x header.biHeight pixels, each row placed at
// its bottom-up position as it comes. A file past 4 GiB, which the header's
// 32-bit sizes cannot describe, is refused (TFileWriteError) before
// anything is written.
std::unique_ptr<TRowWriter> NewBitmapWriter(TByteSink& sink, const TBitmapInfoHeader& header);

// Feeds the top `rows` rows of a bottom-up buffer to `writer`, top first.
void WriteBufferRows(TRowWriter& writer, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t rows);
