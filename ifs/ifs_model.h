// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Affine maps with probabilities: the program-wide working set that the IFS
// constructor edits and the library loaded from "px.ifs".

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TIFSTransform {
  float A = 0, B = 0, C = 0, D = 0, E = 0, F = 0;
  float P = 0;
};

constexpr int kMaxIFSTransforms = 30;  // slots of the working set
constexpr int kLibraryRoomPerIFS = 20;  // library room: 20 transforms per IFS

// The seven fields in file and column order, with the letters of their keys
// ("Frm0A" .. "Frm0P").
constexpr int kTransformFieldCount = 7;
inline constexpr float TIFSTransform::*kTransformFields[kTransformFieldCount] = {
    &TIFSTransform::A, &TIFSTransform::B, &TIFSTransform::C, &TIFSTransform::D,
    &TIFSTransform::E, &TIFSTransform::F, &TIFSTransform::P};
inline constexpr char kTransformLetters[kTransformFieldCount + 1] = "ABCDEFP";

struct TWorkingIFS {
  int32_t Count = 0;                             // slots 1..Count form the set
  TIFSTransform Slots[kMaxIFSTransforms + 1];  // numbered 1..30; 0 is unused
};

struct TIFSLibraryEntry {
  int32_t Index = 0;  // library position of the IFS the entry belongs to
  TIFSTransform Transform;
};

struct TIFSLibrary {
  int32_t Count = 0;                      // N, the number of IFS
  std::vector<TIFSLibraryEntry> Entries;  // capacity N x 20, in file order
};

// Program-wide sets, read live by the IFS step while a picture is drawn.
extern TWorkingIFS WorkingIFS;
extern TIFSLibrary IFSLibrary;

// The transforms of library IFS k: its entries in file order (none for an
// index the library does not hold).
std::vector<TIFSTransform> LibraryTransforms(const TIFSLibrary& library, int32_t k);

// Column titles above the library transforms in the fractal selection dialog.
inline constexpr char kLibraryTransformHeader[] = "   A        B        C        D        E        F        p";

// One library transform as the selection dialog lists it:
// "%8.4f %8.4f %8.4f %8.4f %8.4f %8.4f %8.4f".
std::string LibraryTransformLine(const TIFSTransform& t);
// One transform as the constructor and the IFS movie list it:
// "%9.5f %9.5f %9.5f %9.5f %9.5f %9.5f %6.4f".
std::string TransformListLine(const TIFSTransform& t);
// The seven fields of that line, A to F and p, each in its own format.
using TTransformFields = std::array<std::string, kTransformFieldCount>;
TTransformFields TransformListFields(const TIFSTransform& t);
