// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A canvas that draws a document's bitmap on a Qt paint device.

#include <QImage>
#include <QPaintDevice>

#include "platform/bitmap.h"

// The bitmap's bytes as a QImage, without copying: rows bottom-up become a
// negative stride from the last row. Valid while the bytes live.
QImage BitmapImage(const TBitmapInfoHeader& header, const uint8_t* bits);

class TQtCanvas : public TCanvas {
 public:
  explicit TQtCanvas(QPaintDevice* device = nullptr) : Device(device) {}
  void SetDevice(QPaintDevice* device) { Device = device; }
  QPaintDevice* PaintDevice() const { return Device; }

  void DrawBitmap(const TBitmapInfoHeader& header, const uint8_t* bits, const TRect& source,
                  const TRect& target) override;
  void SetPixel(int32_t x, int32_t y, TColor3 color) override;

 private:
  QPaintDevice* Device;
};
