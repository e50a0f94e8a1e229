// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 24-bit device-independent bitmap a document draws: a 40-byte
// information header and rows of blue, green, red bytes.

#include <cstdint>

#pragma pack(push, 1)
struct TBitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: rows stored bottom-up
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 24;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(TBitmapInfoHeader) == 40);

// A bitmap buffer's side: the picture's, rounded up to a multiple of 4.
constexpr int32_t PaddedSide(int32_t side) { return (side + 3) / 4 * 4; }

struct TColor3 {  // in memory order: blue, green, red
  uint8_t Blue = 0, Green = 0, Red = 0;
  bool operator==(const TColor3&) const = default;
};
static_assert(sizeof(TColor3) == 3);

struct TRect {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

// A drawing surface a document paints on.
class TCanvas {
 public:
  virtual ~TCanvas() = default;
  // Copies the source rectangle of the bitmap (rows counted from the top of
  // the image) into the target rectangle, stretched when the sizes differ.
  virtual void DrawBitmap(const TBitmapInfoHeader& header, const uint8_t* bits, const TRect& source,
                          const TRect& target) = 0;
  virtual void SetPixel(int32_t x, int32_t y, TColor3 color) = 0;
};

// A canvas for documents that are rendered without a window: the buffers
// are all that is kept, drawing does nothing.
class TNullCanvas : public TCanvas {
 public:
  void DrawBitmap(const TBitmapInfoHeader&, const uint8_t*, const TRect&, const TRect&) override {}
  void SetPixel(int32_t, int32_t, TColor3) override {}
};
