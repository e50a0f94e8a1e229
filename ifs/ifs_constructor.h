// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules of the IFS constructor's fields and its edits of a transform set,
// apart from the window that shows them.

#include <cstdint>
#include <string>
#include <string_view>

#include "formulas/numbers.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"

// A coefficient field after the user leaves it: an empty or unreadable text
// is 0; the value is kept within -10000..10000, and a magnitude below 1e-7
// becomes 0.
Extended LeftTransformValue(std::string_view text);
// A coefficient field after its spin button: the text read as on leaving
// (without the limits) plus 0.1 (up) or minus 0.1 (down).
Extended SpunTransformValue(std::string_view text, bool up);

// The MaxIter multiplier the document takes from the field's text: the
// trimmed text as an integer (0 when it is none), at least 10.
int32_t MultiplierOfText(std::string_view text);
// The field's value after a spin button of `step` (+-100 or +-10): the text
// as an integer (10 when it is none) plus the step, at least 10.
int32_t SpunMultiplier(std::string_view text, int32_t step);

// Appends the transform held by slot Count + 1 (zero unless it held one
// earlier); returns the new count. Nothing happens with 30 transforms.
int32_t AddTransform(TWorkingIFS& set);
// Removes the transform of `slot` (1..Count); those after it move up one
// slot. The slot freed at the end keeps its values.
void DeleteTransform(TWorkingIFS& set, int32_t slot);
// Stores `value` as a single into field `field` (0..6 for A..F, P) of
// `slot`; a value beyond the single range is stored as the largest single.
void StoreTransformField(TWorkingIFS& set, int32_t slot, int field, Extended value);

// A file name the constructor cannot load gives the reason (a missing file,
// a folder, a file it may not read); "" for a readable file.
std::string IFSFileProblem(const std::string& path);

// A single-IFS file as the constructor loads it: read in full before anything
// is applied, so a file with a bad value changes nothing.
struct TIFSFileLoad {
  TWorkingIFS Set;          // `current` with the file's set over it
  TIFSFileValues Values;    // a negative MaxIter becomes 100, one above 100000 becomes 100000
  std::string Warning;      // transforms left out, for the user; "" when none
};
// Throws TConvertError for a value that is not a number. The palette is not
// read here.
TIFSFileLoad ReadIFSFileForConstructor(const std::string& path, const TWorkingIFS& current);
