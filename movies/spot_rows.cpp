// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/spot_rows.h"

#include <cstdio>

#include "platform/translatable.h"

std::string SpotValueText(Extended value) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%.18Lf", value);
  return std::string(buf).substr(0, 15);
}

Extended SegmentSpeed(Extended width, Extended nextWidth, int32_t frames) {
  Extended r = width / nextWidth;
  if (r < 1) r = 1 / r;
  return r / frames;
}

std::string SpotRowText(Extended x, Extended y, Extended w, int32_t frames, std::optional<Extended> nextWidth) {
  std::string row = SpotValueText(x) + " " + SpotValueText(y) + " " + SpotValueText(w);
  if (!nextWidth) return row;
  char count[16];
  std::snprintf(count, sizeof count, "%3d", frames);
  return row + " " + count + " " + SpotValueText(SegmentSpeed(w, *nextWidth, frames));
}

std::string SmoothRecommendation(size_t count, Extended w0, Extended w1) {
  if (count < 2) return "";
  if (count == 2)
    return w0 == w1 ? QT_TRANSLATE_NOOP("TSpotsForm", "Linear recommended")
                    : QT_TRANSLATE_NOOP("TSpotsForm", "Regular recommended");
  return QT_TRANSLATE_NOOP("TSpotsForm", "Fluent recommended");
}
