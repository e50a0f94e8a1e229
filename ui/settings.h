// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file "fractal.ini": window layout and a few preferences kept
// between runs. The values live in one program-wide TSettings between the
// read at start-up and the write at close; each window reads and updates its
// own part.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "formulas/numbers.h"
#include "platform/bitmap.h"

// Position of a dialog that keeps only its place.
struct TFormPosition {
  int32_t Left = 0, Top = 0;
  bool operator==(const TFormPosition&) const = default;
};

// Position, size and maximised state of a sizeable window. A Width or Height
// of 0 means the window never stored a size: it opens at its own size.
struct TFormBounds {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool Maximized = false;
  bool operator==(const TFormBounds&) const = default;
};

// A colour of the 3D view as its three bytes. The colour integer c of the
// file is 0x00BBGGRR: Red = c & 0xFF, Green = (c >> 8) & 0xFF,
// Blue = (c >> 16) & 0xFF.
struct TColorRecord {
  uint8_t Red = 0, Green = 0, Blue = 0;
  bool operator==(const TColorRecord&) const = default;
};
TColorRecord ColorRecordOf(int32_t color);
int32_t ColorInteger(const TColorRecord& color);

enum class TWindowState { Normal, Minimized, Maximized };

// The range checks applied after reading, for the windows that use them.
constexpr int32_t kJpegQualityMin = 10, kJpegQualityMax = 100;
constexpr int32_t kMaxPaintSize = 8192;  // larger image sizes in the file are taken as broken
constexpr double kAngleMax = 1.5707963267948966;        // pi / 2
constexpr double kAngleDefault = 0.5235987755982989;    // pi / 6, for an angle out of range
constexpr const char* kAngleDefaultText = "0.5236";     // the angle of a file without one

struct TSettings {
  // "Application": read only, never written.
  std::string HelpFile = "Px.hlp";

  // "PaintBox": the paint surface inside the image area. An empty Width or
  // Height means the file had none (or a useless one): the image takes the
  // scroll box's client size.
  int32_t PaintTop = 0, PaintLeft = 0;
  std::optional<int32_t> PaintWidth, PaintHeight;

  // "Window": the main window's normal bounds. Reading keeps the value a key
  // held before the read when the file lacks that key, so the caller may fill
  // in the current bounds first; WindowBoundsInFile tells whether the file had
  // any of the four keys. Clamp with ClampToScreens before applying them.
  TRect Window;
  bool WindowBoundsInFile = false;
  bool WindowMaximized = false;

  // "Options": the preferences dialog and the JPEG settings of image output.
  TFormPosition Options;
  int32_t JpegQuality = 80;  // 10..100
  bool JpegProgressive = true;
  // Our own key "FastArithmetic": renders step in double (and vector lanes)
  // instead of extended precision. Off unless the user turns it on.
  bool FastArithmetic = false;

  TFormPosition Select, IFSForm, JulieForm, DragForm, AVISetup;

  TFormBounds AttractForm{0, 0, 440, 370, false};
  TFormBounds AAForm;
  TFormBounds View3D;  // section "3Dview"

  // "3Dview" settings of the height-field view.
  int32_t Degree = 50;         // 1..99
  // Radians, 0..pi/2. The 3D view computes with doubles, so the value read is
  // rounded to a double; written with 18 digits, 0.5236 thus becomes
  // "0.523599999999999954".
  Extended Angle = 0.5236;
  int32_t Smooth = 1;          // 1..10
  int32_t Thicknes = 10;       // 0..10
  TColorRecord LowColor{0, 0, 0};
  TColorRecord HighColor{192, 255, 192};  // 0xC0FFC0
  bool MaxHigh = true;
};

// The program-wide settings.
TSettings& Settings();

// The file could not be written; the message is "Unable to write to " + path.
class TSettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the file into `settings`. A missing file or key leaves the value a
// field had before for the main window's bounds and gives the default for
// everything else. Out-of-range 3D values take their defaults; JpegQuality
// is clamped to 10..100; a PaintBox Width or Height below 1 counts as missing
// and one above kMaxPaintSize becomes kMaxPaintSize. An "Angle" that is not
// a number gives 0.5236. Never throws.
void ReadSettings(const std::string& path, TSettings& settings);

// Writes every key of the settings into the file in one go (other content of
// the file stays). The main window's bounds are written only when `state` is
// Normal; "Maximized" always. Throws TSettingsError; the old file is then
// unchanged.
void WriteSettings(const std::string& path, const TSettings& settings, TWindowState state);

// Makes a stored window rectangle usable: a Width or Height below the minimum
// becomes the minimum and a size beyond the target screen shrinks to it; a
// window whose top strip (minWidth x minHeight, or the whole window when
// smaller) does not lie on any screen is moved onto the primary screen, the
// first of `screens`, as far as needed to lie inside it. With no screens only
// the size is fixed.
TRect ClampToScreens(const TRect& bounds, const std::vector<TRect>& screens, int32_t minWidth, int32_t minHeight);
