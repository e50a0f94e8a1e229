// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image files of a document's bitmap: BMP (the padded buffer as it is), JPEG
// and PNG (the visible width x height). All are written atomically.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/bitmap.h"

// The BMP file bytes: 14-byte file header, the 40-byte information header and
// the bottom-up pixel rows of the padded buffer.
std::string BitmapFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits);

// JPEG bytes of the top-left width x height pixels of a bottom-up 24-bit
// buffer. quality 1..100 (clamped), progressive or baseline.
std::string JpegFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                          int quality, bool progressive);

// Keyword and text pairs a PNG file carries, saying where its picture came
// from. Keywords are 1..79 Latin-1 characters; texts are plain ASCII.
using TImageText = std::vector<std::pair<std::string, std::string>>;

class TFractal;

// The text chunks of a PNG of the document's picture: the program, then the
// spot's formula number, window and maximum iterations under the spot
// file's key names.
TImageText SpotImageText(const TFractal& doc);

// 8-bit RGB PNG bytes of the top-left width x height pixels of a bottom-up
// 24-bit buffer, with `text` as uncompressed text chunks before the pixels.
std::string PngFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                         const TImageText& text);

// Write the files; throw TFileWriteError on failure, leaving no partial file.
void SaveBitmapFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits);
void SaveJpegFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                  int32_t height, int quality, bool progressive);
void SavePngFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                 int32_t height, const TImageText& text);
