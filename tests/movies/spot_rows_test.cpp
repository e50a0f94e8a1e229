// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/spot_rows.h"

#include <gtest/gtest.h>

TEST(SpotRows, RowsAndSpeeds) {
  struct Case {
    Extended x, y, w;
    int32_t frames;
    std::optional<Extended> next;
    std::string row;
  } cases[] = {
      {-2.2L, 1.4L, 2.8L, 10, 0.7L, "-2.200000000000 1.4000000000000 2.8000000000000  10 0.4000000000000"},
      {-2.2L, 1.4L, 0.75L, 4, 3.0L, "-2.200000000000 1.4000000000000 0.7500000000000   4 1.0000000000000"},
      {-2.2L, 1.4L, 2.8L, 999, 2.8L, "-2.200000000000 1.4000000000000 2.8000000000000 999 0.0010010010010"},
      {-0.743643887037151L, 0.131825904205330L, 1e-14L, 10, std::nullopt,
       "-0.743643887037 0.1318259042053 0.0000000000000"},
      {-9999.123L, 12345.5L, 1.4, 10, std::nullopt, "-9999.123000000 12345.500000000 1.3999999999999"},
  };
  for (const Case& c : cases) EXPECT_EQ(SpotRowText(c.x, c.y, c.w, c.frames, c.next), c.row);
}

TEST(SpotRows, Recommendation) {
  struct Case {
    size_t count;
    Extended w0, w1;
    const char* text;
  } cases[] = {
      {0, 0, 0, ""},
      {1, 2.8L, 0, ""},
      {2, 2.8L, 2.8L, "Linear recommended"},
      {2, 2.8L, 0.7L, "Regular recommended"},
      {3, 2.8L, 2.8L, "Fluent recommended"},
      {120, 1, 1, "Fluent recommended"},
  };
  for (const Case& c : cases) EXPECT_EQ(SmoothRecommendation(c.count, c.w0, c.w1), c.text);
}
