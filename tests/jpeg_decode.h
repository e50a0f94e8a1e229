// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decodes JPEG bytes with libjpeg for tests of the encoders.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

struct TDecodedJpeg {
  int32_t Width = 0, Height = 0;
  bool Progressive = false;
  std::vector<uint8_t> Rgb;  // top-down
};

inline TDecodedJpeg DecodeJpeg(const std::string& bytes) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned long)bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  TDecodedJpeg d;
  d.Progressive = jpeg_has_multiple_scans(&cinfo);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  d.Width = int32_t(cinfo.output_width);
  d.Height = int32_t(cinfo.output_height);
  d.Rgb.resize(size_t(d.Width) * d.Height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = d.Rgb.data() + size_t(cinfo.output_scanline) * d.Width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return d;
}
