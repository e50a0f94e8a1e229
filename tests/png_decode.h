// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decodes PNG bytes with libpng for tests of the encoder: size, pixel format,
// top-down RGB rows and the text chunks.

#include <png.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct TDecodedPng {
  bool Ok = false;
  int32_t Width = 0, Height = 0;
  int BitDepth = 0, ColorType = -1;
  std::vector<uint8_t> Rgb;  // top-down
  std::map<std::string, std::string> Text;
};

inline TDecodedPng DecodePng(const std::string& bytes) {
  TDecodedPng d;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  // The simplified API gives the pixels; the text chunks come from a second,
  // plain read below.
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return d;
  image.format = PNG_FORMAT_RGB;
  d.Rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, d.Rgb.data(), 0, nullptr)) return d;
  d.Width = int32_t(image.width);
  d.Height = int32_t(image.height);

  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  struct TSource {
    const std::string* Bytes;
    size_t At;
  } source{&bytes, 0};
  png_set_read_fn(png, &source, [](png_structp p, png_bytep out, png_size_t n) {
    auto* s = static_cast<TSource*>(png_get_io_ptr(p));
    if (s->At + n > s->Bytes->size()) png_error(p, "truncated");
    std::copy_n(s->Bytes->data() + s->At, n, out);
    s->At += n;
  });
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_read_info(png, info);
    d.BitDepth = png_get_bit_depth(png, info);
    d.ColorType = png_get_color_type(png, info);
    png_textp text = nullptr;
    const int count = png_get_text(png, info, &text, nullptr);
    for (int k = 0; k < count; ++k) d.Text[text[k].key] = text[k].text;
    d.Ok = true;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return d;
}
