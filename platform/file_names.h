// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

// Whether `path` ends with `tail` ("." and a lower-case extension) in any
// case: file types are told by their extensions whatever case they are
// written in.
inline bool EndsWithNoCase(const std::string& path, const std::string& tail) {
  if (path.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), path.end() - std::ptrdiff_t(tail.size()),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}
