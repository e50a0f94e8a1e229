// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_file.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "engine/fractal.h"
#include "engine/spot_picture.h"
#include "platform/atomic_file.h"
#include "platform/profile.h"

namespace {

void PutLE(std::string& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(char((v >> (8 * k)) & 0xFF));
}

// Every libpng call of an encoding, in a frame without C++ objects, since
// libpng leaves by longjmp on errors. False after such an error.
bool WritePng(png_structp png, png_infop info, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
              int32_t height, png_text* chunks, int chunkCount, uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (chunkCount > 0) png_set_text(png, info, chunks, chunkCount);
  png_write_info(png, info);
  const size_t stride = size_t(header.biWidth) * 3;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = bits + size_t(header.biHeight - 1 - y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      row[size_t(x) * 3] = src[x * 3 + 2];
      row[size_t(x) * 3 + 1] = src[x * 3 + 1];
      row[size_t(x) * 3 + 2] = src[x * 3];
    }
    png_write_row(png, row);
  }
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::string BitmapFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits) {
  const uint32_t pixelBytes = 3u * uint32_t(header.biWidth) * uint32_t(header.biHeight);
  std::string out;
  out.reserve(54 + pixelBytes);
  PutLE(out, 19778, 2);  // "BM"
  PutLE(out, 54 + pixelBytes, 4);
  PutLE(out, 0, 2);
  PutLE(out, 0, 2);
  PutLE(out, 54, 4);
  out.append(reinterpret_cast<const char*>(&header), sizeof header);
  out.append(reinterpret_cast<const char*>(bits), pixelBytes);
  return out;
}

std::string JpegFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                          int quality, bool progressive, std::string_view spot) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  // libjpeg reports errors by calling error_exit; turn them into exceptions.
  jerr.error_exit = [](j_common_ptr c) {
    char text[JMSG_LENGTH_MAX];
    (*c->err->format_message)(c, text);
    throw TFileWriteError(std::string("JPEG encoding failed: ") + text);
  };
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_create_compress(&cinfo);
  try {
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality < 1 ? 1 : (quality > 100 ? 100 : quality), TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (!spot.empty())
      for (const std::string& segment : SpotCommentSegments(spot))
        jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(segment.data()),
                          unsigned(segment.size()));
    std::vector<uint8_t> row(size_t(width) * 3);
    const int32_t stride = header.biWidth * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
      const int32_t y = int32_t(cinfo.next_scanline);
      const uint8_t* src = bits + size_t(header.biHeight - 1 - y) * stride;
      for (int32_t x = 0; x < width; ++x) {
        row[size_t(x) * 3] = src[x * 3 + 2];
        row[size_t(x) * 3 + 1] = src[x * 3 + 1];
        row[size_t(x) * 3 + 2] = src[x * 3];
      }
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
  } catch (...) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    throw;
  }
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

std::string SpotFileText(const TFractal& doc) {
  TProfileFile f("", "");
  f.WriteInt("DrawSize", "X_Size", doc.Width);
  f.WriteInt("DrawSize", "Y_Size", doc.Height);
  doc.SaveSpot(f);
  return f.Text();
}

TImageText SpotImageText(const TFractal& doc) {
  TImageText text = {{"Software", "Pelmorix"},
                     {"Number", std::to_string(doc.Ctx.Number)},
                     {"X_Coord", FormatReal(doc.X)},
                     {"Y_Coord", FormatReal(doc.Y)},
                     {"W_Coord", FormatReal(doc.W)},
                     {"MaxIter", std::to_string(doc.Ctx.MaxIter)}};
  // A deep view also names its window as the spot file does.
  if (doc.ViewWindow().IsDeep()) {
    const std::array<std::string, 3> deep = doc.ViewWindow().Texts();
    for (int k = 0; k < 3; ++k) text.push_back({kDeepKeys[k], deep[k]});
  }
  text.push_back({kPictureSpotKey, SpotFileText(doc)});
  return text;
}

std::string SpotTextOf(const TImageText& text) {
  for (const auto& [key, value] : text)
    if (key == kPictureSpotKey) return value;
  return {};
}

std::string PngFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                         const TImageText& text) {
  std::string out, failure;
  std::vector<uint8_t> row(size_t(width > 0 ? width : 0) * 3);
  std::vector<png_text> chunks(text.size());
  for (size_t k = 0; k < text.size(); ++k) {
    chunks[k] = png_text{};
    chunks[k].compression = text[k].first == kPictureSpotKey ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
    chunks[k].key = const_cast<char*>(text[k].first.c_str());
    chunks[k].text = const_cast<char*>(text[k].second.c_str());
    chunks[k].text_length = text[k].second.size();
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool written = false;
  if (info) {
    png_set_error_fn(
        png, &failure,
        [](png_structp p, png_const_charp message) {
          *static_cast<std::string*>(png_get_error_ptr(p)) = message;
          png_longjmp(p, 1);
        },
        nullptr);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t size) {
          static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(data), size);
        },
        nullptr);
    written = WritePng(png, info, header, bits, width, height, chunks.data(), int(chunks.size()), row.data());
  }
  png_destroy_write_struct(&png, &info);
  if (!written)
    throw TFileWriteError("PNG encoding failed: " + (failure.empty() ? std::string("out of memory") : failure));
  return out;
}

void SaveBitmapFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits) {
  WriteFileAtomic(path, BitmapFileBytes(header, bits));
}

void SaveJpegFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                  int32_t height, int quality, bool progressive, std::string_view spot) {
  WriteFileAtomic(path, JpegFileBytes(header, bits, width, height, quality, progressive, spot));
}

void SavePngFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                 int32_t height, const TImageText& text) {
  WriteFileAtomic(path, PngFileBytes(header, bits, width, height, text));
}
