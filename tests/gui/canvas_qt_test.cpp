// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/canvas_qt.h"

#include <gtest/gtest.h>

#include <QImage>
#include <vector>

namespace {

// A 4 x 4 bottom-up bitmap whose pixel (x, y) from the top has blue x,
// green y and red 200.
std::vector<uint8_t> TestBits(TBitmapInfoHeader& header) {
  header.biWidth = 4;
  header.biHeight = 4;
  std::vector<uint8_t> bits(4 * 4 * 3);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      uint8_t* p = bits.data() + ((3 - y) * 4 + x) * 3;
      p[0] = uint8_t(x * 10);
      p[1] = uint8_t(y * 10);
      p[2] = 200;
    }
  return bits;
}

TEST(QtCanvas, DrawsSourceRectanglesUprightAndStretched) {
  TBitmapInfoHeader header;
  const std::vector<uint8_t> bits = TestBits(header);
  QImage target(8, 8, QImage::Format_RGB32);
  target.fill(Qt::black);
  TQtCanvas canvas(&target);
  canvas.DrawBitmap(header, bits.data(), {0, 0, 4, 4}, {0, 0, 4, 4});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(target.pixelColor(x, y), QColor(200, y * 10, x * 10)) << x << "," << y;
  // Columns 1..2 of the picture at the same place.
  target.fill(Qt::black);
  canvas.DrawBitmap(header, bits.data(), {1, 0, 2, 4}, {1, 0, 2, 4});
  EXPECT_EQ(target.pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(target.pixelColor(1, 3), QColor(200, 30, 10));
  EXPECT_EQ(target.pixelColor(2, 0), QColor(200, 0, 20));
  EXPECT_EQ(target.pixelColor(3, 0), QColor(Qt::black));
  // Stretched to twice the size.
  canvas.DrawBitmap(header, bits.data(), {0, 0, 4, 4}, {0, 0, 8, 8});
  EXPECT_EQ(target.pixelColor(7, 7), QColor(200, 30, 30));
  EXPECT_EQ(target.pixelColor(0, 1), QColor(200, 0, 0));
  canvas.SetPixel(5, 2, {1, 2, 3});
  EXPECT_EQ(target.pixelColor(5, 2), QColor(3, 2, 1));
}

}  // namespace
