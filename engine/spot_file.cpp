// SPDX-License-Identifier: GPL-3.0-or-later
// Spot files (".frs"): every parameter of a fractal document, its user
// formula lines and its palette.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "engine/fractal.h"
#include "engine/spot_picture.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/view_values.h"

namespace {

constexpr const char* kFractal = "Fractal";
constexpr const char* kUserFrm = "UserFrm";

const char* const kConstructorKeys[kConstructorCoefCount] = {
    "ConstructorA1", "ConstructorB1", "ConstructorC1", "ConstructorD1", "ConstructorE1",
    "ConstructorF1", "ConstructorG1", "ConstructorH1", "ConstructorI1", "ConstructorJ1",
    "ConstructorK1", "ConstructorL1", "ConstructorM1"};

// Whether the deep value and the extended key's value name the same
// coordinate: equal up to far less than the key's 18 digits could be off by
// a hand edit, and far more than their rounding.
bool Agree(const TDeepReal& deep, Extended coord) {
  const Extended d = deep.ToExtended();
  return std::fabs(d - coord) <= 1e-15L * std::max(std::fabs(d), std::fabs(coord));
}

}  // namespace

void TFractal::SaveSpot(const std::string& path) const {
  TProfileFile f(path);
  SaveSpot(f);
  f.Save();
}

void TFractal::SaveSpot(TProfileFile& f) const {
  const TFormulaContext& c = Ctx;
  f.WriteReal(kFractal, "X_Coord", X);
  f.WriteReal(kFractal, "Y_Coord", Y);
  f.WriteReal(kFractal, "W_Coord", W);
  f.WriteReal(kFractal, "X0_Coord", X0);
  f.WriteReal(kFractal, "Y0_Coord", Y0);
  f.WriteReal(kFractal, "W0_Coord", W0);
  f.WriteBool(kFractal, "AutoIter", AutoIter);
  f.WriteInt(kFractal, "Number", c.Number);
  f.WriteReal(kFractal, "BailOut", c.BailOut);
  f.WriteInt(kFractal, "MaxIter", c.MaxIter);
  f.WriteReal(kFractal, "P1real", c.P1.re);
  f.WriteReal(kFractal, "P1imag", c.P1.im);
  f.WriteReal(kFractal, "P2real", c.P2.re);
  f.WriteReal(kFractal, "P2imag", c.P2.im);
  f.WriteReal(kFractal, "P3real", c.P3.re);
  f.WriteReal(kFractal, "P3imag", c.P3.im);
  f.WriteReal(kFractal, "PJreal", c.PJ.re);
  f.WriteReal(kFractal, "PJimag", c.PJ.im);
  f.WriteBool(kFractal, "JulieSet", c.JulieSet);
  f.WriteBool(kFractal, "Inverted", c.Inverted);
  f.WriteBool(kFractal, "F-Set", c.FSet);
  f.WriteInt(kFractal, "Filter", c.Filter);
  f.WriteReal(kFractal, "Strange", c.Strange);
  f.WriteBool(kFractal, "KeepBlk", c.KeepBlk);
  f.WriteBool(kFractal, "Filter only", c.FilterOnly);
  f.WriteInt(kFractal, "IFSNumber", c.IFSNumber);
  f.WriteInt(kFractal, "IFScounter", c.IFScounter);
  f.WriteInt(kFractal, "IFSColorStyle", c.IFSColorStyle);
  f.WriteInt(kFractal, "IFSSolidRed", c.IFSSolid[2]);
  f.WriteInt(kFractal, "IFSSolidGreen", c.IFSSolid[1]);
  f.WriteInt(kFractal, "IFSSolidBlue", c.IFSSolid[0]);
  f.WriteBool(kFractal, "IFSquick", c.IFSquick);
  f.WriteInt(kFractal, "Smoothing", c.Smoothing);
  f.WriteBool(kFractal, "Double", c.Double);
  for (int k = 0; k < kConstructorCoefCount; ++k) f.WriteReal(kFractal, kConstructorKeys[k], c.Constructor[k]);
  if (FWindow.IsDeep()) {
    const std::array<std::string, 3> texts = FWindow.Texts();
    for (int k = 0; k < 3; ++k) f.WriteString(kFractal, kDeepKeys[k], texts[k]);
  } else {
    for (const char* key : kDeepKeys) f.DeleteKey(kFractal, key);
  }
  if (c.Number == kUserFormula && UserLines && !UserLines->empty()) {
    f.WriteInt(kUserFrm, "StringCount", int64_t(UserLines->size()));
    for (size_t i = 0; i < UserLines->size(); ++i) f.WriteString(kUserFrm, "Str" + std::to_string(i), (*UserLines)[i]);
  }
  Palette->SaveToProfile(f);
}

// The deep keys win over X_Coord, Y_Coord, W_Coord when they name the same
// window; when they do not (the extended keys were edited by hand or by a
// program that kept our keys), the extended keys win. A missing deep key
// reads as the extended value.
void TFractal::LoadDeepWindow(const TProfileFile& f) {
  if (std::none_of(std::begin(kDeepKeys), std::end(kDeepKeys),
                   [&f](const char* key) { return f.ValueExists(kFractal, key); }))
    return;
  const std::array<std::string, 3> extended = FWindow.Texts();
  std::string texts[3];
  for (int k = 0; k < 3; ++k) texts[k] = f.ReadString(kFractal, kDeepKeys[k], extended[k]);
  TViewWindow window;
  const int bad = ParseViewWindow(texts, window);
  if (bad >= 0) throw f.NotAReal(kFractal, kDeepKeys[bad]);
  const TDeepWindow& deep = window.Exact();
  if (Agree(deep.X, X) && Agree(deep.Y, Y) && Agree(deep.W, W)) FWindow = window;
}

// A picture the program saved loads the spot it holds.
void TFractal::LoadSpot(const std::string& path) { LoadSpot(OpenSpotFile(path)); }

void TFractal::LoadSpot(const TProfileFile& f) {
  f.RequireReadable();
  Palette->LoadFromProfile(f);  // its errors reach the caller
  try {
    TFormulaContext& c = Ctx;
    // Each coordinate read stays loaded when a later key cannot be read.
    FWindow = TViewWindow(ReadViewCoordinate(f, kFractal, "X_Coord", "-2.2"), Y, W);
    FWindow = TViewWindow(X, ReadViewCoordinate(f, kFractal, "Y_Coord", "-1.4"), W);
    FWindow = TViewWindow(X, Y, ReadViewWidth(f, kFractal, "W_Coord", "2.8"));
    LoadDeepWindow(f);
    X0 = f.ReadReal(kFractal, "X0_Coord", "-2.2");
    Y0 = f.ReadReal(kFractal, "Y0_Coord", "-1.4");
    W0 = f.ReadReal(kFractal, "W0_Coord", "2.8");
    AutoIter = f.ReadBool(kFractal, "AutoIter", true);
    c.Number = f.ReadInteger(kFractal, "Number", 0);
    c.MaxIter = f.ReadInteger(kFractal, "MaxIter", 200);
    c.Filter = f.ReadInteger(kFractal, "Filter", 0);
    c.JulieSet = f.ReadBool(kFractal, "JulieSet", false);
    c.Inverted = f.ReadBool(kFractal, "Inverted", false);
    c.FSet = f.ReadBool(kFractal, "F-Set", false);
    c.KeepBlk = f.ReadBool(kFractal, "KeepBlk", false);
    c.FilterOnly = f.ReadBool(kFractal, "Filter only", false);
    c.IFSNumber = f.ReadInteger(kFractal, "IFSNumber", 0);
    c.IFScounter = std::clamp(f.ReadInteger(kFractal, "IFSCounter", 100), kMinIFSCounter, kMaxIFSCounter);
    c.IFSColorStyle = f.ReadInteger(kFractal, "IFSColorStyle", 0);
    c.IFSSolid[2] = uint8_t(f.ReadInteger(kFractal, "IFSSolidRed", 255));
    c.IFSSolid[1] = uint8_t(f.ReadInteger(kFractal, "IFSSolidGreen", 255));
    c.IFSSolid[0] = uint8_t(f.ReadInteger(kFractal, "IFSSolidBlue", 255));
    c.IFSquick = f.ReadBool(kFractal, "IFSquick", true);
    c.Smoothing = f.ReadInteger(kFractal, "Smoothing", 0);
    c.Double = f.ReadBool(kFractal, "Double", false);
    c.BailOut = float(f.ReadReal(kFractal, "BailOut", "4"));
    c.P1.re = f.ReadReal(kFractal, "P1real", "0.5");
    c.P1.im = f.ReadReal(kFractal, "P1imag", "0.5");
    c.P2.re = f.ReadReal(kFractal, "P2real", "0.5");
    c.P2.im = f.ReadReal(kFractal, "P2imag", "0.5");
    c.P3.re = f.ReadReal(kFractal, "P3real", "0.5");
    c.P3.im = f.ReadReal(kFractal, "P3imag", "0.5");
    c.PJ.re = f.ReadReal(kFractal, "PJreal", "0.5");
    c.PJ.im = f.ReadReal(kFractal, "PJimag", "0.5");
    c.Strange = f.ReadReal(kFractal, "Strange", "0.01");
    for (int k = 0; k < kConstructorCoefCount; ++k)
      c.Constructor[k] = f.ReadReal(kFractal, kConstructorKeys[k], k == cfA || k == cfC ? "1" : "0");

    if (c.Number == kUserFormula) {
      if (!UserLines) UserLines = std::make_unique<std::vector<std::string>>();
      UserLines->clear();
      const int32_t count = f.ReadInteger(kUserFrm, "StringCount", 0);
      // The lines whose keys the section holds, in order; a count beyond
      // them (even a hostile one) adds nothing.
      for (const int32_t i : PresentIndices(f.KeyNames(kUserFrm), "Str", count))
        UserLines->push_back(f.ReadString(kUserFrm, "Str" + std::to_string(i), ""));
      if (UserModule && UserFormulaAttached) ReleaseUserModule();
      UserFormulaAttached = true;
      NeedsCompile = true;
      UserModule = nullptr;
    }
    Restart();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Application raised exception with message:\r\n") + e.what() + "\r\nUnable to load Spot-file !");
  }
}
