// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two IFS file formats, both profile (INI) files with "." as the decimal
// separator and transform keys "Frm" + zero-based number + field letter
// (Frm0A .. Frm0P, Frm1A, ...):
//
// - the single-IFS file (".fri"): section "IFS" with "Name", "Count" and the
//   transforms; section "Fractal" with the document window ("X_Coord",
//   "Y_Coord", "W_Coord") and "MaxIter"; the palette sections of the
//   document's palette;
// - the IFS library (".ifs", read only): section "Header" with "Count" = N,
//   and sections "IFS0" .. "IFS<N-1>", each with "Name", "Count" and the
//   transforms.
//
// Readers that meet a value that is not a number throw TConvertError at that
// point; what was read before it stays where it was stored. Limits of the
// tables (30 transforms in a set, N x 20 in the library) are never exceeded:
// what does not fit is left out and reported in the returned warning text
// (empty when everything was loaded), for the caller to show.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formulas/numbers.h"
#include "ifs/ifs_model.h"

class TFPal;
class TProfileFile;

// What a single-IFS file holds beside the transforms. The defaults are those
// of a file without the keys.
struct TIFSFileValues {
  std::string Name = "NoName";  // the constructor's Name field
  Extended X = -10, Y = 10, W = 20;  // the document window
  int32_t MaxIter = 200;           // the document's maximum iteration count
};

// Reads "Count" and the transforms of `section` into slots 1..Count of `set`
// (Count is stored first, then the transforms field by field). A Count above
// 30 loads the first 30 and returns a warning; a negative Count loads
// nothing. Slots beyond the new count keep their values.
std::string ReadIFSSet(const TProfileFile& file, std::string_view section, TWorkingIFS& set);

// A file that is there but holds none of the sections of a single-IFS file
// (random bytes, a text), or a negative "Count", is no IFS file: loading it
// would only empty the set. Throws std::runtime_error naming the file.
void RequireIFSFile(const TProfileFile& file);

// Loads a single-IFS file: the palette first (skipped when `palette` is
// null), then "Name", the set, and the "Fractal" values, each stored into
// `values` as it is read (so after a conversion error the fields not reached
// keep what the caller put there). A window with no picture (see
// platform/view_values.h) throws the conversion error. A missing file loads
// the defaults; a file that holds none of the sections above, or a negative
// "Count", is not an IFS file: std::runtime_error naming the file, before
// anything is read.
std::string LoadIFSFile(const std::string& path, TWorkingIFS& set, TIFSFileValues& values, TFPal* palette);

// Writes a single-IFS file: "Name", "Count", the transforms (15 significant
// digits), the "Fractal" values (window with 18 digits), then the palette
// (skipped when null). An existing file is updated in place: its other keys,
// including transform keys beyond the new count, stay. Throws TProfileError;
// the old file is then unchanged.
void SaveIFSFile(const std::string& path, const TWorkingIFS& set, const TIFSFileValues& values,
                 const TFPal* palette);

// Section of library IFS k: "IFS" followed by k.
std::string LibrarySectionName(int32_t k);

// Name of an IFS without "Name" in the fractal selection dialog's list.
inline constexpr char kLibraryDefaultName[] = "noname IFS";

// Loads a library file into `library`. A missing file changes nothing.
// Otherwise the old library is replaced: N from "Header" "Count", room for
// N x 20 entries, and for k = 0..N-1 the name of IFS k is appended to `names`
// and its transforms are appended as entries with index k. Transforms beyond
// the room are not loaded (warning). The listed N never exceeds the number of
// sections "IFS0" .. "IFS<N-1>" in the file (warning), so a damaged header
// cannot make the room or the name list huge; a negative N lists nothing
// (warning).
std::string LoadIFSLibrary(const std::string& path, TIFSLibrary& library, std::vector<std::string>& names,
                           std::string_view defaultName = kLibraryDefaultName);

// Only the names of a library file's IFS, for lists that read an entry's
// transforms later with ReadIFSSet(file, LibrarySectionName(k), set). Same
// limits on N as LoadIFSLibrary.
std::string ReadIFSLibraryNames(const TProfileFile& file, std::vector<std::string>& names,
                                std::string_view defaultName);
