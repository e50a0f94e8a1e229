#include "platform/view_values.h"

#include <cfloat>
#include <cmath>

#include "platform/profile.h"

bool IsViewCoordinate(Extended value) { return std::fabs(value) <= DBL_MAX; }

bool IsViewWidth(Extended value) { return value > 0 && value <= DBL_MAX; }

Extended ReadViewCoordinate(const TProfileFile& file, std::string_view section, std::string_view key,
                            std::string_view defText) {
  const Extended value = file.ReadReal(section, key, defText);
  if (!IsViewCoordinate(value)) throw file.NotAReal(section, key);
  return value;
}

Extended ReadViewWidth(const TProfileFile& file, std::string_view section, std::string_view key,
                       std::string_view defText) {
  const Extended value = file.ReadReal(section, key, defText);
  if (!IsViewWidth(value)) throw file.NotAReal(section, key);
  return value;
}
