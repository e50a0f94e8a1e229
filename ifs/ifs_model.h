#pragma once
// Affine maps with probabilities: the program-wide working set that the IFS
// constructor edits and the library loaded from "px.ifs".

#include <cstdint>
#include <vector>

struct TIFSTransform {
  float A = 0, B = 0, C = 0, D = 0, E = 0, F = 0;
  float P = 0;
};

constexpr int kMaxIFSTransforms = 30;  // slots of the working set
constexpr int kLibraryRoomPerIFS = 20;  // library room: 20 transforms per IFS

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
