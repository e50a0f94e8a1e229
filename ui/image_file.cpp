#include "ui/image_file.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/atomic_file.h"

namespace {

void PutLE(std::string& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(char((v >> (8 * k)) & 0xFF));
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
                          int quality, bool progressive) {
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

void SaveBitmapFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits) {
  WriteFileAtomic(path, BitmapFileBytes(header, bits));
}

void SaveJpegFile(const std::string& path, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width,
                  int32_t height, int quality, bool progressive) {
  WriteFileAtomic(path, JpegFileBytes(header, bits, width, height, quality, progressive));
}
