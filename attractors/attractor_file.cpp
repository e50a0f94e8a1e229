// Attractor files (".fr3"): the view window, point count, map kind, colours
// and the coefficient table of a document. The "DrawSize" section belongs to
// the attractor window.

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "attractors/attractor.h"
#include "platform/dialogs.h"
#include "platform/profile.h"

namespace {

constexpr const char* kFractal = "Fractal";
constexpr const char* kAttract = "Attract";

// "A101" .. "A112" for the columns 0..11 of row 0, "P1" for its column 12.
std::string CoefficientKey(int32_t row, int32_t column) {
  char key[8];
  if (column == kProbabilityColumn)
    std::snprintf(key, sizeof key, "P%d", int(row + 1));
  else
    std::snprintf(key, sizeof key, "A%d%02d", int(row + 1), int(column + 1));
  return key;
}

// An infinite or NaN window has no picture to draw.
Extended ReadWindowReal(const TProfileFile& file, const char* key, const char* def) {
  const Extended value = file.ReadReal(kFractal, key, def);
  if (!std::isfinite(value)) throw file.NotAReal(kFractal, key);
  return value;
}

uint8_t ReadComponent(const TProfileFile& file, const char* key, int32_t def) {
  return uint8_t(std::clamp(file.ReadInteger(kFractal, key, def), 0, 255));
}

}  // namespace

bool IsAttractorFileName(const std::string& name) {
  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return upper.find(".FR3") != std::string::npos;
}

std::string AttractorFileProblem(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return "\"" + path + "\" is a folder, not an attractor file";
  if (!std::filesystem::exists(path, ec)) return "The file \"" + path + "\" does not exist";
  if (!std::ifstream(path, std::ios::binary)) return "The file \"" + path + "\" cannot be read";
  return {};
}

void ReadAttractorTable(const TProfileFile& file, TAttractorTable& table) {
  for (int32_t i = 0; i < kAttractorRows; ++i)
    for (int32_t j = 0; j < kAttractorColumns; ++j) table.A[i][j] = file.ReadSingle(kAttract, CoefficientKey(i, j), "0");
}

std::vector<std::pair<std::string, std::string>> AttractorImageText(T3dFractal& doc) {
  return {{"Software", "Pelmorix"},           {"Number", std::to_string(doc.Number)},
          {"X_Coord", FormatReal(doc.X)},      {"Y_Coord", FormatReal(doc.Y)},
          {"W_Coord", FormatReal(doc.W)},      {"MaxIter", std::to_string(doc.GetPointCount())}};
}

std::string AttractorLoadFailure(const std::string& error) {
  return "Application raised exception with message:\r\n" + error + "\r\nUnable to load Spot-file !";
}

void T3dFractal::SaveToFile(const std::string& path) {
  TProfileFile f(path);
  f.WriteReal(kFractal, "X_Coord", X);
  f.WriteReal(kFractal, "Y_Coord", Y);
  f.WriteReal(kFractal, "W_Coord", W);
  f.WriteInt(kFractal, "Number", Number);
  f.WriteInt(kFractal, "MaxIter", GetPointCount());
  f.WriteInt(kFractal, "IFSNumber", Kind);
  f.WriteInt(kFractal, "IFSColorStyle", ColorStyle);
  f.WriteInt(kFractal, "IFSSolidRed", Solid.Red);
  f.WriteInt(kFractal, "IFSSolidGreen", Solid.Green);
  f.WriteInt(kFractal, "IFSSolidBlue", Solid.Blue);
  f.WriteInt(kFractal, "IFSBackRed", Background.Red);
  f.WriteInt(kFractal, "IFSBackGreen", Background.Green);
  f.WriteInt(kFractal, "IFSBackBlue", Background.Blue);
  for (int32_t i = 0; i < kAttractorRows; ++i)
    for (int32_t j = 0; j < kAttractorColumns; ++j) f.WriteReal(kAttract, CoefficientKey(i, j), Coefficients.A[i][j]);
  f.Save();
}

void T3dFractal::LoadFromFile(const std::string& path) {
  StopThread();
  try {
    const std::string problem = AttractorFileProblem(path);
    if (!problem.empty()) throw std::runtime_error(problem);
    const TProfileFile f(path);
    ReadAttractorTable(f, Coefficients);
    X = ReadWindowReal(f, "X_Coord", "-2");
    Y = ReadWindowReal(f, "Y_Coord", "2");
    W = ReadWindowReal(f, "W_Coord", "4");
    Number = f.ReadInteger(kFractal, "Number", kAttractorFormula);
    Kind = f.ReadInteger(kFractal, "IFSNumber", kAttractorIFS);
    ColorStyle = f.ReadInteger(kFractal, "IFSColorStyle", 0);
    Solid.Red = ReadComponent(f, "IFSSolidRed", 255);
    Solid.Green = ReadComponent(f, "IFSSolidGreen", 255);
    Solid.Blue = ReadComponent(f, "IFSSolidBlue", 255);
    Background.Red = ReadComponent(f, "IFSBackRed", 0);
    Background.Green = ReadComponent(f, "IFSBackGreen", 0);
    Background.Blue = ReadComponent(f, "IFSBackBlue", 0);
    // Setting the count from 0 always reallocates the points and restarts.
    PointCount = 0;
    SetPointCount(f.ReadInteger(kFractal, "MaxIter", kDefaultPointCount));
  } catch (const std::exception& e) {
    ShowMessage(AttractorLoadFailure(e.what()));
  }
}
