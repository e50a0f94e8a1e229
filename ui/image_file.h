#pragma once
// Image files of a document's bitmap: BMP (the padded buffer as it is) and
// JPEG (the visible width x height). Both are written atomically.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bitmap.h"

// The BMP file bytes: 14-byte file header, the 40-byte information header and
// the bottom-up pixel rows of the padded buffer.
std::string BitmapFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits);

// JPEG bytes of the top-left width x height pixels of a bottom-up 24-bit
// buffer. quality 1..100 (clamped), progressive or baseline.
std::string JpegFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                          int quality, bool progressive);

// Write the files; throw TFileWriteError on failure, leaving no partial file.
void SaveBitmapFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits);
void SaveJpegFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                  int32_t height, int quality, bool progressive);
