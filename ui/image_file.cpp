// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_file.h"

#include <array>
#include <utility>

#include "engine/fractal.h"
#include "engine/spot_picture.h"
#include "platform/atomic_file.h"
#include "platform/profile.h"

std::string BitmapFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits) {
  TStringSink sink;
  const std::unique_ptr<TRowWriter> writer = NewBitmapWriter(sink, header);
  WriteBufferRows(*writer, header, bits, header.biHeight);
  writer->Finish();
  return std::move(sink.Bytes);
}

std::string JpegFileBytes(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                          int quality, bool progressive, std::string_view spot) {
  TStringSink sink;
  const std::unique_ptr<TRowWriter> writer = NewJpegWriter(sink, width, height, quality, progressive, spot);
  WriteBufferRows(*writer, header, bits, height);
  writer->Finish();
  return std::move(sink.Bytes);
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
  TStringSink sink;
  const std::unique_ptr<TRowWriter> writer = NewPngWriter(sink, width, height, text);
  WriteBufferRows(*writer, header, bits, height);
  writer->Finish();
  return std::move(sink.Bytes);
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
