// SPDX-License-Identifier: GPL-3.0-or-later
#include "ifs/ifs_model.h"

#include <charconv>

TWorkingIFS WorkingIFS;
TIFSLibrary IFSLibrary;

namespace {

// printf's "%<width>.<decimals>f" with "." whatever the locale: to_chars never
// consults it. Rounds the exact binary value half to even, as printf does.
void AppendFixed(std::string& out, float value, size_t width, int decimals) {
  char buf[64];  // the largest float has 39 integer digits
  const auto res = std::to_chars(buf, buf + sizeof buf, double(value), std::chars_format::fixed, decimals);
  const size_t len = res.ec == std::errc() ? size_t(res.ptr - buf) : 0;
  if (len < width) out.append(width - len, ' ');
  out.append(buf, len);
}

TTransformFields FormatFields(const TIFSTransform& t, size_t width, int decimals, size_t pWidth, int pDecimals) {
  TTransformFields fields;
  for (int f = 0; f < kTransformFieldCount; ++f) {
    const bool isP = f == kTransformFieldCount - 1;
    AppendFixed(fields[size_t(f)], t.*kTransformFields[f], isP ? pWidth : width, isP ? pDecimals : decimals);
  }
  return fields;
}

std::string FormatLine(const TIFSTransform& t, size_t width, int decimals, size_t pWidth, int pDecimals) {
  std::string line;
  for (const std::string& field : FormatFields(t, width, decimals, pWidth, pDecimals)) {
    if (!line.empty()) line += ' ';
    line += field;
  }
  return line;
}

}  // namespace

std::vector<TIFSTransform> LibraryTransforms(const TIFSLibrary& library, int32_t k) {
  std::vector<TIFSTransform> out;
  for (const TIFSLibraryEntry& e : library.Entries)
    if (e.Index == k) out.push_back(e.Transform);
  return out;
}

std::string LibraryTransformLine(const TIFSTransform& t) { return FormatLine(t, 8, 4, 8, 4); }

std::string TransformListLine(const TIFSTransform& t) { return FormatLine(t, 9, 5, 6, 4); }

TTransformFields TransformListFields(const TIFSTransform& t) { return FormatFields(t, 9, 5, 6, 4); }
