// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settings.h"

#include <algorithm>
#include <cmath>

#include "platform/atomic_file.h"
#include "platform/profile.h"

TColorRecord ColorRecordOf(int32_t color) {
  const uint32_t c = uint32_t(color);
  return {uint8_t(c & 0xFF), uint8_t((c >> 8) & 0xFF), uint8_t((c >> 16) & 0xFF)};
}

int32_t ColorInteger(const TColorRecord& color) {
  return int32_t(uint32_t(color.Blue) << 16 | uint32_t(color.Green) << 8 | uint32_t(color.Red));
}

TSettings& Settings() {
  static TSettings settings;
  return settings;
}

namespace {

void ReadPosition(const TProfileFile& f, const char* section, TFormPosition& pos) {
  const TFormPosition def;
  pos.Left = f.ReadInteger(section, "Left", def.Left);
  pos.Top = f.ReadInteger(section, "Top", def.Top);
}

void ReadBounds(const TProfileFile& f, const char* section, TFormBounds& bounds, const TFormBounds& def) {
  bounds.Left = f.ReadInteger(section, "Left", def.Left);
  bounds.Top = f.ReadInteger(section, "Top", def.Top);
  bounds.Width = f.ReadInteger(section, "Width", def.Width);
  bounds.Height = f.ReadInteger(section, "Height", def.Height);
  bounds.Maximized = f.ReadBool(section, "Maximized", def.Maximized);
}

std::optional<int32_t> ReadPaintSize(const TProfileFile& f, const char* key) {
  if (!f.ValueExists("PaintBox", key)) return std::nullopt;
  const int32_t v = f.ReadInteger("PaintBox", key, 0);
  if (v < 1) return std::nullopt;
  return std::min(v, kMaxPaintSize);
}

void WritePosition(TProfileFile& f, const char* section, const TFormPosition& pos) {
  f.WriteInt(section, "Left", pos.Left);
  f.WriteInt(section, "Top", pos.Top);
}

void WriteBounds(TProfileFile& f, const char* section, const TFormBounds& bounds) {
  f.WriteInt(section, "Left", bounds.Left);
  f.WriteInt(section, "Top", bounds.Top);
  f.WriteInt(section, "Width", bounds.Width);
  f.WriteInt(section, "Height", bounds.Height);
  f.WriteBool(section, "Maximized", bounds.Maximized);
}

}  // namespace

void ReadSettings(const std::string& path, TSettings& s) {
  const TProfileFile f(path);
  const TSettings def;

  s.HelpFile = f.ReadString("Application", "HelpFile", def.HelpFile);

  s.PaintTop = f.ReadInteger("PaintBox", "Top", def.PaintTop);
  s.PaintLeft = f.ReadInteger("PaintBox", "Left", def.PaintLeft);
  s.PaintWidth = ReadPaintSize(f, "Width");
  s.PaintHeight = ReadPaintSize(f, "Height");

  s.WindowBoundsInFile = false;
  for (const char* key : {"Top", "Left", "Width", "Height"})
    if (f.ValueExists("Window", key)) s.WindowBoundsInFile = true;
  s.Window.Top = f.ReadInteger("Window", "Top", s.Window.Top);
  s.Window.Left = f.ReadInteger("Window", "Left", s.Window.Left);
  s.Window.Width = f.ReadInteger("Window", "Width", s.Window.Width);
  s.Window.Height = f.ReadInteger("Window", "Height", s.Window.Height);
  s.WindowMaximized = f.ReadBool("Window", "Maximized", def.WindowMaximized);

  ReadPosition(f, "Options", s.Options);
  s.JpegQuality =
      std::clamp(f.ReadInteger("Options", "JpegQuality", def.JpegQuality), kJpegQualityMin, kJpegQualityMax);
  s.JpegProgressive = f.ReadBool("Options", "JpegProgressive", def.JpegProgressive);
  s.FastArithmetic = f.ReadBool("Options", "FastArithmetic", def.FastArithmetic);

  ReadPosition(f, "Select", s.Select);
  ReadPosition(f, "IFSForm", s.IFSForm);
  ReadPosition(f, "JulieForm", s.JulieForm);
  ReadPosition(f, "DragForm", s.DragForm);
  ReadPosition(f, "AVISetup", s.AVISetup);
  ReadBounds(f, "AttractForm", s.AttractForm, def.AttractForm);
  ReadBounds(f, "AAForm", s.AAForm, def.AAForm);
  ReadBounds(f, "3Dview", s.View3D, def.View3D);

  s.Degree = f.ReadInteger("3Dview", "Degree", def.Degree);
  try {
    s.Angle = double(f.ReadReal("3Dview", "Angle", kAngleDefaultText));
    if (std::isnan(s.Angle)) s.Angle = def.Angle;  // as unusable as text that is no number
  } catch (const TConvertError&) {
    s.Angle = def.Angle;
  }
  s.Smooth = f.ReadInteger("3Dview", "Smooth", def.Smooth);
  s.Thicknes = f.ReadInteger("3Dview", "Thicknes", def.Thicknes);
  s.LowColor = ColorRecordOf(f.ReadInteger("3Dview", "LowColor", ColorInteger(def.LowColor)));
  s.HighColor = ColorRecordOf(f.ReadInteger("3Dview", "HighColor", ColorInteger(def.HighColor)));
  s.MaxHigh = f.ReadBool("3Dview", "MaxHigh", def.MaxHigh);

  if (s.Smooth < 1 || s.Smooth > 10) s.Smooth = 1;
  if (s.Degree < 1 || s.Degree > 99) s.Degree = 50;
  if (s.Thicknes < 0 || s.Thicknes > 10) s.Thicknes = 10;
  if (s.Angle < 0 || s.Angle > Extended(kAngleMax)) s.Angle = kAngleDefault;
}

void WriteSettings(const std::string& path, const TSettings& s, TWindowState state) {
  try {
    TProfileFile f(path);
    if (state == TWindowState::Normal) {
      f.WriteInt("Window", "Top", s.Window.Top);
      f.WriteInt("Window", "Left", s.Window.Left);
      f.WriteInt("Window", "Width", s.Window.Width);
      f.WriteInt("Window", "Height", s.Window.Height);
    }
    f.WriteBool("Window", "Maximized", state == TWindowState::Maximized);

    // A size that was never known is written as 0, which reads back as
    // "take the scroll box's size".
    f.WriteInt("PaintBox", "Top", s.PaintTop);
    f.WriteInt("PaintBox", "Left", s.PaintLeft);
    f.WriteInt("PaintBox", "Width", s.PaintWidth.value_or(0));
    f.WriteInt("PaintBox", "Height", s.PaintHeight.value_or(0));

    WritePosition(f, "Options", s.Options);
    f.WriteInt("Options", "JpegQuality", s.JpegQuality);
    f.WriteBool("Options", "JpegProgressive", s.JpegProgressive);
    // Present only while on: the default file keeps its usual keys.
    if (s.FastArithmetic)
      f.WriteBool("Options", "FastArithmetic", true);
    else
      f.DeleteKey("Options", "FastArithmetic");

    WritePosition(f, "Select", s.Select);
    WritePosition(f, "IFSForm", s.IFSForm);
    WritePosition(f, "JulieForm", s.JulieForm);
    WritePosition(f, "DragForm", s.DragForm);
    WritePosition(f, "AVISetup", s.AVISetup);
    WriteBounds(f, "AttractForm", s.AttractForm);
    WriteBounds(f, "AAForm", s.AAForm);

    WriteBounds(f, "3Dview", s.View3D);
    f.WriteInt("3Dview", "Degree", s.Degree);
    f.WriteReal("3Dview", "Angle", s.Angle, 18);
    f.WriteInt("3Dview", "Smooth", s.Smooth);
    f.WriteInt("3Dview", "Thicknes", s.Thicknes);
    f.WriteInt("3Dview", "Degree", s.Degree);
    f.WriteInt("3Dview", "LowColor", ColorInteger(s.LowColor));
    f.WriteInt("3Dview", "HighColor", ColorInteger(s.HighColor));
    f.WriteBool("3Dview", "MaxHigh", s.MaxHigh);

    f.Save();
  } catch (const TProfileError&) {
    throw TSettingsError("Unable to write to " + path);
  } catch (const TFileWriteError&) {
    throw TSettingsError("Unable to write to " + path);
  }
}

namespace {

// Does the top strip of the window (stripW x stripH from its top-left corner
// along the top edge) lie on the screen?
bool TopStripOn(int64_t left, int64_t top, int64_t width, int64_t stripW, int64_t stripH, const TRect& s) {
  const int64_t overlap = std::min(left + width, int64_t(s.Left) + s.Width) - std::max(left, int64_t(s.Left));
  return overlap >= stripW && top >= s.Top && top + stripH <= int64_t(s.Top) + s.Height;
}

int32_t ToInt32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

TRect ClampToScreens(const TRect& bounds, const std::vector<TRect>& screens, int32_t minWidth, int32_t minHeight) {
  minWidth = std::max(minWidth, 1);
  minHeight = std::max(minHeight, 1);
  int64_t left = bounds.Left, top = bounds.Top;
  int64_t width = std::max(bounds.Width, minWidth), height = std::max(bounds.Height, minHeight);

  std::vector<TRect> usable;
  for (const TRect& s : screens)
    if (s.Width > 0 && s.Height > 0) usable.push_back(s);
  if (usable.empty()) return {ToInt32(left), ToInt32(top), ToInt32(width), ToInt32(height)};

  const TRect* target = nullptr;
  for (const TRect& s : usable)
    if (TopStripOn(left, top, width, std::min<int64_t>(width, minWidth), std::min<int64_t>(height, minHeight), s)) {
      target = &s;
      break;
    }
  const bool visible = target != nullptr;
  if (!target) target = &usable.front();

  width = std::min<int64_t>(width, target->Width);
  height = std::min<int64_t>(height, target->Height);
  if (!visible || !TopStripOn(left, top, width, std::min<int64_t>(width, minWidth),
                              std::min<int64_t>(height, minHeight), *target)) {
    left = std::clamp<int64_t>(left, target->Left, int64_t(target->Left) + target->Width - width);
    top = std::clamp<int64_t>(top, target->Top, int64_t(target->Top) + target->Height - height);
  }
  return {ToInt32(left), ToInt32(top), ToInt32(width), ToInt32(height)};
}
