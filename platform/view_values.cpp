// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/view_values.h"

#include <cfloat>
#include <cmath>

#include "platform/profile.h"

bool IsViewCoordinate(Extended value) { return std::fabs(value) <= DBL_MAX; }

bool IsViewWidth(Extended value) { return value > 0 && value <= DBL_MAX; }

namespace {

// ReadReal that refuses a value `holds` does not take as ReadReal refuses
// text that is not a number.
Extended ReadViewValue(const TProfileFile& file, std::string_view section, std::string_view key,
                       std::string_view defText, bool (*holds)(Extended)) {
  const Extended value = file.ReadReal(section, key, defText);
  if (!holds(value)) throw file.NotAReal(section, key);
  return value;
}

}  // namespace

Extended ReadViewCoordinate(const TProfileFile& file, std::string_view section, std::string_view key,
                            std::string_view defText) {
  return ReadViewValue(file, section, key, defText, IsViewCoordinate);
}

Extended ReadViewWidth(const TProfileFile& file, std::string_view section, std::string_view key,
                       std::string_view defText) {
  return ReadViewValue(file, section, key, defText, IsViewWidth);
}
