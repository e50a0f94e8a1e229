// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The palette of a fractal document: turns the three channel values a render
// leaves for a pixel into a colour. Four kinds: the standard palette (a
// triangle wave per channel) and three table kinds (linear, parabola, square
// root) that share a 65-entry colour table, shaped by one of six curves and
// scaled by a contrast factor; then a permutation of the channels. Pixels
// whose three values are all 0 take the infinity colour.
//
// ColorOf only reads precomputed fields, so render threads may call it
// concurrently while nobody changes the palette. A render colours with a
// Snapshot of its document's palette, which the document's Recolor replaces
// after every palette change.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/bitmap.h"

class TProfileFile;

constexpr int kPalTableSize = 65;  // entries 0 .. 64; lookups use 0 .. 63

// Palette kinds ("Palette type").
constexpr int32_t kPalStandard = 0;
constexpr int32_t kPalLinear = 1;
constexpr int32_t kPalParabola = 2;
constexpr int32_t kPalSquare = 3;

// End points of one channel of the linear and square palettes, with the
// coefficients Rebuild derives from them.
struct TPalRamp {
  int32_t Start = 0;
  int32_t End = 0;
  int32_t Span = 0;  // End - Start
  int32_t Base = 0;  // Start
};

// One channel of the parabola palette: Start at both ends, End in the middle;
// the curve is A f^2 + B f + C.
struct TPalParabola {
  int32_t Start = 0;
  int32_t End = 0;
  int32_t A = 0;  // 4 (Start - End)
  int32_t B = 0;  // -A
  int32_t C = 0;  // Start
};

struct TPalPoint {
  int32_t X = 0;
  int32_t Y = 0;
  bool operator==(const TPalPoint&) const = default;
};

class TFPal {
 public:
  // Infinity colour black, no OnChange, Reset; then "default.frp" from the
  // settings folder, or the one shipped with the program, when it exists. A default palette file that cannot be
  // read leaves the built-in defaults.
  TFPal();
  TFPal(const TFPal&) = delete;
  TFPal& operator=(const TFPal&) = delete;

  int32_t ColorOrder = 0;  // 0 "R G B", 1 "R B G", 2 "G R B", 3 "G B R", 4 "B R G", 5 "B G R"
  TColor3 Table[kPalTableSize] = {};
  std::function<void()> OnChange;  // after every Rebuild and ColorOrder change
  TColor3 InfinityColor{0, 0, 0};
  int32_t RedStep = 8, GreenStep = 8, BlueStep = 9;
  int32_t RedShift = 0, GreenShift = 0, BlueShift = 64;
  TPalRamp LinearRed{0, 255}, LinearGreen{0, 255}, LinearBlue{128, 0};
  TPalParabola ParabolaRed{0, 255}, ParabolaGreen{0, 255}, ParabolaBlue{255, 0};
  TPalRamp SquareRed{0, 128}, SquareGreen{0, 0}, SquareBlue{0, 255};
  int32_t PaletteKind = kPalStandard;
  float Contrast = 0.75f;
  // Shaping curve of the table: 0 "Linear", 1 "Square root", 2 "Logarithmical",
  // 3 "Sinusoidal (Pi/2)", 4 "Sinusoidal (Pi)", 5 "Cosinusoidal".
  int32_t IterChanging = 0;

  // Every setting back to its default (the infinity colour and OnChange stay),
  // then Rebuild.
  void Reset();
  // Derives the coefficients and all 65 table entries, then calls OnChange.
  void Rebuild();
  // Stores a new channel order and calls OnChange; nothing when unchanged.
  void SetColorOrder(int32_t order);
  // Copies every setting except the infinity colour and OnChange; Rebuild.
  void Assign(const TFPal& source);

  TColor3 ColorOf(float ch0, float ch1, float ch2) const {
    const uint32_t c = PackedColorOf(ch0, ch1, ch2);
    return TColor3{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)};
  }
  // The same colour as blue | green << 8 | red << 16: a colour built in a
  // register, where a TColor3 put together byte by byte makes the next read
  // of it wait.
  uint32_t PackedColorOf(float ch0, float ch1, float ch2) const;
  // The packed colours of `count` pixels whose channel values lie at
  // triples[3 i], [3 i + 1], [3 i + 2]: PackedColorOf's, a vector of pixels
  // at a time where the processor has a vector unit.
  void PackedColorsOf(const float* triples, int32_t count, uint32_t* colours) const;
  // A palette that gives the same colours (settings, table and infinity
  // colour), without OnChange.
  std::unique_ptr<TFPal> Snapshot() const;
  // Table entry i for the current kind and curve; standard (and unknown)
  // kinds leave `color` untouched.
  void TableEntry(int32_t i, TColor3& color) const;

  // End points as numbered by the preferences dialog: 1..6 linear red, green,
  // blue start/end; 7..15 parabola left handle, middle, right handle per
  // channel (left and right both set the start); 16..21 square start/end.
  // SetEndPoint ignores other kinds; HandlePosition gives (0, 0) for them.
  void SetEndPoint(int32_t kind, int32_t value);
  TPalPoint HandlePosition(int32_t kind, int32_t width, int32_t height) const;

  // Palette files (".frp") and the palette sections of spot and IFS files.
  // Loading reads everything first and changes the palette only when the
  // whole read succeeded; a missing or unreadable file loads the defaults of
  // the keys (ColorOrder 0, Contrast 0.75, infinity black, the rest
  // unchanged). An unreadable "Contrast" throws TConvertError and leaves the
  // palette as it was. Saving throws TProfileError when the file cannot be
  // written; other content of the file is kept.
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path) const;
  void LoadFromProfile(const TProfileFile& file);
  void SaveToProfile(TProfileFile& file) const;
  // Whether `file` holds any of the palette's sections.
  static bool InProfile(const TProfileFile& file);

 private:
  TFPal(const TFPal& other, int);  // settings and infinity colour only, for staging a load
  void CopySettings(const TFPal& from);
  const int32_t* EndPoint(int32_t kind) const;
  float ShapePosition(int32_t i) const;

  // Whether ColorOf takes the table, not the standard palette.
  bool TableKind() const { return PaletteKind >= kPalLinear && PaletteKind <= kPalSquare; }
  // Whether a channel value times `scale` is exact in a double (24 + 29 bits).
  static bool ExactScale(int32_t scale) { return scale > -(1 << 29) && scale < (1 << 29); }
  // The bit each of red, green and blue starts at in a packed colour, by
  // channel order ("R G B" for an unknown order).
  const int* ChannelPlaces() const {
    static constexpr int kPlaces[6][3] = {{16, 8, 0}, {16, 0, 8}, {8, 16, 0}, {0, 16, 8}, {8, 0, 16}, {0, 8, 16}};
    return kPlaces[ColorOrder >= 1 && ColorOrder <= 5 ? ColorOrder : 0];
  }
  uint32_t PackedInfinity() const {
    return uint32_t(InfinityColor.Blue) | uint32_t(InfinityColor.Green) << 8 | uint32_t(InfinityColor.Red) << 16;
  }
  // Round-half-to-even of v x scale into n; false when the result is not an
  // int32 (including NaN).
  static bool RoundChannel(float v, int32_t scale, int32_t& n) {
    double r;
    if (ExactScale(scale)) {
      const double product = double(v) * scale;
      // Below 2^51, adding and taking away 1.5 x 2^52 of the product's sign
      // rounds to an integer as nearbyint does, in every rounding mode,
      // without a library call.
      const double magic = std::copysign(0x1.8p52, product);
      r = std::fabs(product) < 0x1p51 ? (product + magic) - magic : std::nearbyint(product);
    } else {
      r = double(std::nearbyint(static_cast<long double>(v) * scale));
    }
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) return false;
    n = int32_t(r);
    return true;
  }
  // Standard palette: rises 0 .. 255 and falls back over every 512 units.
  static uint8_t Triangle(int64_t n) {
    const uint32_t m = uint32_t(n) & 511u;
    return uint8_t(m > 255 ? 255 - (m & 255) : m);
  }
  // Table index: 0 .. 63 and back 63 .. 0 over every 128 units.
  static uint32_t TableIndex(int32_t n) {
    const uint32_t u = uint32_t(n);
    const uint32_t k = u & 63u;
    return (u & 64u) ? 63 - k : k;
  }
};

inline uint32_t TFPal::PackedColorOf(float ch0, float ch1, float ch2) const {
  if (ch0 == 0 && ch1 == 0 && ch2 == 0) return PackedInfinity();
  int32_t n0, n1, n2;
  uint32_t red, green, blue;
  if (TableKind()) {
    if (!RoundChannel(ch0, 1, n0) || !RoundChannel(ch1, 1, n1) || !RoundChannel(ch2, 1, n2)) return PackedInfinity();
    red = Table[TableIndex(n0)].Red;
    green = Table[TableIndex(n1)].Green;
    blue = Table[TableIndex(n2)].Blue;
  } else {
    if (!RoundChannel(ch0, RedStep, n0) || !RoundChannel(ch1, GreenStep, n1) || !RoundChannel(ch2, BlueStep, n2))
      return PackedInfinity();
    red = Triangle(int64_t(n0) + RedShift);
    green = Triangle(int64_t(n1) + GreenShift);
    blue = Triangle(int64_t(n2) + BlueShift);
  }
  const int* place = ChannelPlaces();
  return red << place[0] | green << place[1] | blue << place[2];
}

// Puts packed colours into a row of blue, green, red bytes.
inline void StorePackedColors(const uint32_t* colours, int32_t count, uint8_t* row) {
  if (count <= 0) return;
  // Four bytes a pixel, each store's spare byte overwritten by the next
  // pixel's; the last pixel's three alone.
  for (int32_t k = 0; k + 1 < count; ++k) std::memcpy(row + 3 * k, colours + k, 4);
  const uint32_t last = colours[count - 1];
  const uint8_t tail[3] = {uint8_t(last), uint8_t(last >> 8), uint8_t(last >> 16)};
  std::memcpy(row + 3 * (count - 1), tail, 3);
}
