// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image files of a document's bitmap: BMP (the padded buffer as it is), JPEG
// and PNG (the visible width x height). All are written atomically.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/bitmap.h"
#include "ui/image_stream.h"

// The BMP file bytes: 14-byte file header, the 40-byte information header and
// the bottom-up pixel rows of the padded buffer.
std::string BitmapFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits);

// JPEG bytes of the top-left width x height pixels of a bottom-up 24-bit
// buffer. quality 1..100 (clamped), progressive or baseline; a `spot` text
// goes in comment segments before the pixels.
std::string JpegFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                          int quality, bool progressive, std::string_view spot = {});

class TFractal;

// The text of a new spot file of the document, as "Save current spot"
// writes it: the image size as "DrawSize", then the spot.
std::string SpotFileText(const TFractal& doc);

// The text chunks of a PNG of the document's picture: the program, then the
// spot's formula number, window and maximum iterations under the spot
// file's key names, and last the whole spot file's text (kPictureSpotKey).
TImageText SpotImageText(const TFractal& doc);
// The spot file's text among a picture's texts; empty when there is none.
std::string SpotTextOf(const TImageText& text);

// 8-bit RGB PNG bytes of the top-left width x height pixels of a bottom-up
// 24-bit buffer, with `text` as text chunks before the pixels: plain (tEXt),
// but the spot file's text compressed (zTXt).
std::string PngFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                         const TImageText& text);

// Write the files; throw TFileWriteError on failure, leaving no partial file.
void SaveBitmapFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits);
void SaveJpegFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                  int32_t height, int quality, bool progressive, std::string_view spot = {});
void SavePngFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                 int32_t height, const TImageText& text);
