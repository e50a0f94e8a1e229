// SPDX-License-Identifier: GPL-3.0-or-later
// Attractor files (".fr3"): the view window, point count, map kind, colours
// and the coefficient table of a document. The "DrawSize" section belongs to
// the attractor window.

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "attractors/attractor.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/view_values.h"

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

TAttractorFileValues ReadAttractorFile(const std::string& path) {
  const std::string problem = AttractorFileProblem(path);
  if (!problem.empty()) throw std::runtime_error(problem);
  const TProfileFile f(path);
  if (!f.SectionExists(kAttractorDrawSize) && !f.SectionExists(kFractal) && !f.SectionExists(kAttract))
    throw std::runtime_error("The file \"" + path + "\" is not an attractor file");
  TAttractorFileValues v;
  v.DrawWidth = f.ReadInteger(kAttractorDrawSize, "X_Size", v.DrawWidth);
  v.DrawHeight = f.ReadInteger(kAttractorDrawSize, "Y_Size", v.DrawHeight);
  ReadAttractorTable(f, v.Table);
  v.X = ReadViewCoordinate(f, kFractal, "X_Coord", "-2");
  v.Y = ReadViewCoordinate(f, kFractal, "Y_Coord", "2");
  v.W = ReadViewWidth(f, kFractal, "W_Coord", "4");
  const int32_t number = f.ReadInteger(kFractal, "Number", kAttractorFormula);
  if (number != kAttractorFormula)
    throw std::runtime_error("the file's formula number is " + std::to_string(number) + ", not " +
                             std::to_string(kAttractorFormula) + ": nothing to draw");
  v.Kind = f.ReadInteger(kFractal, "IFSNumber", kAttractorIFS);
  v.ColorStyle = f.ReadInteger(kFractal, "IFSColorStyle", 0);
  v.Solid.Red = ReadComponent(f, "IFSSolidRed", 255);
  v.Solid.Green = ReadComponent(f, "IFSSolidGreen", 255);
  v.Solid.Blue = ReadComponent(f, "IFSSolidBlue", 255);
  v.Background.Red = ReadComponent(f, "IFSBackRed", 0);
  v.Background.Green = ReadComponent(f, "IFSBackGreen", 0);
  v.Background.Blue = ReadComponent(f, "IFSBackBlue", 0);
  v.PointCount = f.ReadInteger(kFractal, "MaxIter", kDefaultPointCount);
  return v;
}

void T3dFractal::TakeFile(const TAttractorFileValues& v) {
  StopThread();
  Coefficients = v.Table;
  X = v.X;
  Y = v.Y;
  W = v.W;
  Number = kAttractorFormula;
  Kind = v.Kind;
  ColorStyle = v.ColorStyle;
  Solid = v.Solid;
  Background = v.Background;
  // Setting the count from 0 always reallocates the points and restarts.
  PointCount = 0;
  SetPointCount(v.PointCount);
}

void T3dFractal::LoadFromFile(const std::string& path) {
  StopThread();
  try {
    TakeFile(ReadAttractorFile(path));
  } catch (const std::exception& e) {
    ShowMessage(AttractorLoadFailure(e.what()));
  }
}
