// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/canvas_qt.h"

#include <QPainter>

QImage BitmapImage(const TBitmapInfoHeader& header, const uint8_t* bits) {
  const qsizetype stride = qsizetype(header.biWidth) * 3;
  // Row 0 of the picture is the last row in memory; QImage accepts the
  // bytes-per-line only as a positive value, so take the rows in memory
  // order and mirror the painting instead.
  return QImage(bits, header.biWidth, header.biHeight, stride, QImage::Format_BGR888);
}

void TQtCanvas::DrawBitmap(const TBitmapInfoHeader& header, const uint8_t* bits, const TRect& source,
                           const TRect& target) {
  if (!Device || !bits) return;
  const QImage memory = BitmapImage(header, bits);
  QPainter p(Device);
  // Memory row m is picture row biHeight - 1 - m: flip the source rectangle.
  const QRect src(source.Left, header.biHeight - source.Top - source.Height, source.Width, source.Height);
  p.translate(target.Left, target.Top + target.Height);
  p.scale(1, -1);
  p.drawImage(QRect(0, 0, target.Width, target.Height), memory, src);
}

void TQtCanvas::SetPixel(int32_t x, int32_t y, TColor3 color) {
  if (!Device) return;
  QPainter p(Device);
  p.setPen(QColor(color.Red, color.Green, color.Blue));
  p.drawPoint(x, y);
}
