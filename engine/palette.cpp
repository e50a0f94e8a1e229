// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/palette.h"

#include <algorithm>
#include <cfloat>
#include <exception>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "platform/profile.h"
#include "platform/program_folder.h"

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// Round-half-to-even, keeping the low 8 bits of the integer (two's
// complement for negative results). Non-finite values give 0.
uint8_t LowByte(long double x) {
  if (!std::isfinite(x)) return 0;
  long double m = std::fmod(std::nearbyint(x), 256.0L);  // exact
  if (m < 0) m += 256;
  return uint8_t(int(m));
}

int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

void Derive(TPalRamp& r) {
  r.Span = Wrap(int64_t(r.End) - r.Start);
  r.Base = r.Start;
}

void Derive(TPalParabola& p) {
  p.A = Wrap(4 * (int64_t(p.Start) - p.End));
  p.B = Wrap(-int64_t(p.A));
  p.C = p.Start;
}

uint8_t LinearChannel(long double f, const TPalRamp& r, long double contrast) {
  return LowByte((f * r.Span + r.Base) * contrast);
}

uint8_t ParabolaChannel(long double f, const TPalParabola& p, long double contrast) {
  return LowByte(contrast * (f * f * p.A + f * p.B + p.C));
}

constexpr const char* kColors = "Colors";
constexpr const char* kStandard = "Standart palette";
constexpr const char* kLinear = "Linear palette";
constexpr const char* kParabola = "Parabola palette";
constexpr const char* kSquare = "Square palette";

}  // namespace

TFPal::TFPal() {
  Reset();
  // The user's own default palette wins over one shipped with the program.
  std::string path = SettingsFile("default.frp");
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) path = DataFile("default.frp");
  if (std::filesystem::exists(path, ec)) {
    try {
      LoadFromFile(path);
    } catch (const std::exception&) {
      // A broken default palette must not stop a document from being
      // created; the load changed nothing, so the built-in defaults stay.
    }
  }
}

TFPal::TFPal(const TFPal& other, int) : InfinityColor(other.InfinityColor) { CopySettings(other); }

std::unique_ptr<TFPal> TFPal::Snapshot() const {
  std::unique_ptr<TFPal> copy(new TFPal(*this, 0));
  std::copy(std::begin(Table), std::end(Table), std::begin(copy->Table));
  return copy;
}

void TFPal::CopySettings(const TFPal& from) {
  PaletteKind = from.PaletteKind;
  ColorOrder = from.ColorOrder;
  Contrast = from.Contrast;
  IterChanging = from.IterChanging;
  RedStep = from.RedStep;
  GreenStep = from.GreenStep;
  BlueStep = from.BlueStep;
  RedShift = from.RedShift;
  GreenShift = from.GreenShift;
  BlueShift = from.BlueShift;
  LinearRed = from.LinearRed;
  LinearGreen = from.LinearGreen;
  LinearBlue = from.LinearBlue;
  ParabolaRed = from.ParabolaRed;
  ParabolaGreen = from.ParabolaGreen;
  ParabolaBlue = from.ParabolaBlue;
  SquareRed = from.SquareRed;
  SquareGreen = from.SquareGreen;
  SquareBlue = from.SquareBlue;
}

void TFPal::Reset() {
  ColorOrder = 0;
  RedStep = 8;
  GreenStep = 8;
  BlueStep = 9;
  RedShift = 0;
  GreenShift = 0;
  BlueShift = 64;
  LinearRed = {0, 255};
  LinearGreen = {0, 255};
  LinearBlue = {128, 0};
  ParabolaRed = {0, 255};
  ParabolaGreen = {0, 255};
  ParabolaBlue = {255, 0};
  SquareRed = {0, 128};
  SquareGreen = {0, 0};
  SquareBlue = {0, 255};
  PaletteKind = kPalStandard;
  Contrast = 0.75f;
  IterChanging = 0;
  Rebuild();
}

void TFPal::Rebuild() {
  Derive(LinearRed);
  Derive(LinearGreen);
  Derive(LinearBlue);
  Derive(ParabolaRed);
  Derive(ParabolaGreen);
  Derive(ParabolaBlue);
  Derive(SquareRed);
  Derive(SquareGreen);
  Derive(SquareBlue);
  for (int32_t i = 0; i < kPalTableSize; ++i) TableEntry(i, Table[i]);
  if (OnChange) OnChange();
}

void TFPal::SetColorOrder(int32_t order) {
  if (order == ColorOrder) return;
  ColorOrder = order;
  if (OnChange) OnChange();
}

void TFPal::Assign(const TFPal& source) {
  if (&source != this) CopySettings(source);
  Rebuild();
}

float TFPal::ShapePosition(int32_t i) const {
  const long double x = i;
  switch (IterChanging) {
    case 1: return float(std::sqrt(x) / std::sqrt(64.0L));
    // The tiny term keeps ln finite at entry 0 (about -553.65 after scaling);
    // it needs the extended exponent range.
    case 2: return float(std::log(x + 1e-1000L) / std::log(64.0L));
    case 3: return float(std::sin(x * (kPi / 2) / 64));
    case 4: return float(std::sin(x * kPi / 64));
    case 5: return float(std::cos(x * (kPi / 2) / 64));
    default: return float(x / 64);
  }
}

void TFPal::TableEntry(int32_t i, TColor3& color) const {
  if (PaletteKind < kPalLinear || PaletteKind > kPalSquare) return;
  const long double f = ShapePosition(i);
  const long double contrast = Contrast;
  switch (PaletteKind) {
    case kPalLinear:
      color.Red = LinearChannel(f, LinearRed, contrast);
      color.Green = LinearChannel(f, LinearGreen, contrast);
      color.Blue = LinearChannel(f, LinearBlue, contrast);
      break;
    case kPalParabola:
      color.Red = ParabolaChannel(f, ParabolaRed, contrast);
      color.Green = ParabolaChannel(f, ParabolaGreen, contrast);
      color.Blue = ParabolaChannel(f, ParabolaBlue, contrast);
      break;
    default: {
      const long double g = std::sqrt(std::fabs(f));
      color.Red = LinearChannel(g, SquareRed, contrast);
      color.Green = LinearChannel(g, SquareGreen, contrast);
      color.Blue = LinearChannel(g, SquareBlue, contrast);
      break;
    }
  }
}

const int32_t* TFPal::EndPoint(int32_t kind) const {
  switch (kind) {
    case 1: return &LinearRed.Start;
    case 2: return &LinearRed.End;
    case 3: return &LinearGreen.Start;
    case 4: return &LinearGreen.End;
    case 5: return &LinearBlue.Start;
    case 6: return &LinearBlue.End;
    case 7: case 9: return &ParabolaRed.Start;
    case 8: return &ParabolaRed.End;
    case 10: case 12: return &ParabolaGreen.Start;
    case 11: return &ParabolaGreen.End;
    case 13: case 15: return &ParabolaBlue.Start;
    case 14: return &ParabolaBlue.End;
    case 16: return &SquareRed.Start;
    case 17: return &SquareRed.End;
    case 18: return &SquareGreen.Start;
    case 19: return &SquareGreen.End;
    case 20: return &SquareBlue.Start;
    case 21: return &SquareBlue.End;
    default: return nullptr;
  }
}

void TFPal::SetEndPoint(int32_t kind, int32_t value) {
  int32_t* point = const_cast<int32_t*>(EndPoint(kind));
  if (!point) return;
  *point = value;
  Rebuild();
}

TPalPoint TFPal::HandlePosition(int32_t kind, int32_t width, int32_t height) const {
  const int32_t* point = EndPoint(kind);
  if (!point) return {};
  TPalPoint p;
  switch (kind) {
    case 1: case 3: case 5: case 7: case 10: case 13: case 16: case 18: case 20:
      p.X = 1;
      break;
    case 8: case 11: case 14:
      p.X = width / 2;
      break;
    default:
      p.X = Wrap(int64_t(width) - 2);
      break;
  }
  const float scale = float((static_cast<long double>(height) - 1) / 255);
  const long double r = std::nearbyint(static_cast<long double>(scale) * *point);  // |r| < 2^55
  p.Y = Wrap(int64_t(height) - int64_t(r) - 1);
  return p;
}

void TFPal::LoadFromFile(const std::string& path) { LoadFromProfile(TProfileFile(path)); }

bool TFPal::InProfile(const TProfileFile& file) {
  for (const char* section : {kColors, kStandard, kLinear, kParabola, kSquare})
    if (file.SectionExists(section)) return true;
  return false;
}

void TFPal::LoadFromProfile(const TProfileFile& f) {
  TFPal staged(*this, 0);
  staged.PaletteKind = f.ReadInteger(kColors, "Palette type", PaletteKind);
  staged.ColorOrder = f.ReadInteger(kColors, "ColorOrder", 0);
  const Extended contrast = f.ReadReal(kColors, "Contrast", "0.75");
  if (!(std::fabs(contrast) <= FLT_MAX)) throw f.NotAReal(kColors, "Contrast");
  staged.Contrast = float(contrast);
  staged.IterChanging = f.ReadInteger(kColors, "IterChanging", IterChanging);
  // Colour channels keep the low 8 bits of what the file holds.
  staged.InfinityColor.Red = uint8_t(f.ReadInteger(kColors, "InfinityRed", 0));
  staged.InfinityColor.Green = uint8_t(f.ReadInteger(kColors, "InfinityGreen", 0));
  staged.InfinityColor.Blue = uint8_t(f.ReadInteger(kColors, "InfinityBlue", 0));

  staged.RedStep = f.ReadInteger(kStandard, "RedStep", RedStep);
  staged.RedShift = f.ReadInteger(kStandard, "RedShift", RedShift);
  staged.GreenStep = f.ReadInteger(kStandard, "GreenStep", GreenStep);
  staged.GreenShift = f.ReadInteger(kStandard, "GreenShift", GreenShift);
  staged.BlueStep = f.ReadInteger(kStandard, "BlueStep", BlueStep);
  staged.BlueShift = f.ReadInteger(kStandard, "BlueShift", BlueShift);

  auto readPair = [&f](const char* section, int32_t& redStart, int32_t& redEnd, int32_t& greenStart,
                       int32_t& greenEnd, int32_t& blueStart, int32_t& blueEnd) {
    redStart = f.ReadInteger(section, "Red1", redStart);
    redEnd = f.ReadInteger(section, "Red2", redEnd);
    greenStart = f.ReadInteger(section, "Green1", greenStart);
    greenEnd = f.ReadInteger(section, "Green2", greenEnd);
    blueStart = f.ReadInteger(section, "Blue1", blueStart);
    blueEnd = f.ReadInteger(section, "Blue2", blueEnd);
  };
  readPair(kLinear, staged.LinearRed.Start, staged.LinearRed.End, staged.LinearGreen.Start, staged.LinearGreen.End,
           staged.LinearBlue.Start, staged.LinearBlue.End);
  readPair(kParabola, staged.ParabolaRed.Start, staged.ParabolaRed.End, staged.ParabolaGreen.Start,
           staged.ParabolaGreen.End, staged.ParabolaBlue.Start, staged.ParabolaBlue.End);
  readPair(kSquare, staged.SquareRed.Start, staged.SquareRed.End, staged.SquareGreen.Start, staged.SquareGreen.End,
           staged.SquareBlue.Start, staged.SquareBlue.End);

  // Everything was read: commit.
  CopySettings(staged);
  InfinityColor = staged.InfinityColor;
  Rebuild();
}

void TFPal::SaveToFile(const std::string& path) const {
  TProfileFile f(path);
  SaveToProfile(f);
  f.Save();
}

void TFPal::SaveToProfile(TProfileFile& f) const {
  f.WriteInt(kColors, "Palette type", PaletteKind);
  f.WriteInt(kColors, "ColorOrder", ColorOrder);
  f.WriteReal(kColors, "Contrast", Contrast, 18);
  f.WriteInt(kColors, "IterChanging", IterChanging);
  f.WriteInt(kColors, "InfinityRed", InfinityColor.Red);
  f.WriteInt(kColors, "InfinityGreen", InfinityColor.Green);
  f.WriteInt(kColors, "InfinityBlue", InfinityColor.Blue);

  f.WriteInt(kStandard, "RedStep", RedStep);
  f.WriteInt(kStandard, "RedShift", RedShift);
  f.WriteInt(kStandard, "GreenStep", GreenStep);
  f.WriteInt(kStandard, "GreenShift", GreenShift);
  f.WriteInt(kStandard, "BlueStep", BlueStep);
  f.WriteInt(kStandard, "BlueShift", BlueShift);

  auto writePair = [&f](const char* section, const int32_t* values) {
    static const char* const keys[6] = {"Red1", "Red2", "Green1", "Green2", "Blue1", "Blue2"};
    for (int i = 0; i < 6; ++i) f.WriteInt(section, keys[i], values[i]);
  };
  const int32_t linear[6] = {LinearRed.Start, LinearRed.End, LinearGreen.Start,
                             LinearGreen.End, LinearBlue.Start, LinearBlue.End};
  const int32_t parabola[6] = {ParabolaRed.Start, ParabolaRed.End, ParabolaGreen.Start,
                               ParabolaGreen.End, ParabolaBlue.Start, ParabolaBlue.End};
  const int32_t square[6] = {SquareRed.Start, SquareRed.End, SquareGreen.Start,
                             SquareGreen.End, SquareBlue.Start, SquareBlue.End};
  writePair(kLinear, linear);
  writePair(kParabola, parabola);
  writePair(kSquare, square);
}
