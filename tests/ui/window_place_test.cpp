// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_place.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const TRect& got, const TRect& want) {
  EXPECT_EQ(got.Left, want.Left);
  EXPECT_EQ(got.Top, want.Top);
  EXPECT_EQ(got.Width, want.Width);
  EXPECT_EQ(got.Height, want.Height);
}

// A window is stored as its frame's top-left corner and its client size and
// comes back there, run after run, whatever frame the desktop draws. Each run
// is simulated as the desktop behaves: the frame is unknown (all 0) until the
// window appears, then the window is put back by the frame it has.
TEST(WindowPlace, ReopensWhereItClosedRunAfterRun) {
  struct Case {
    const char* name;
    TRect stored;
    TFrameMargins frame;
    TRect client;  // where the client area sits once corrected
  } const cases[] = {
      {"title bar and border", {19, 0, 300, 341}, {1, 20}, {20, 20, 300, 341}},
      {"no frame", {19, 0, 300, 341}, {0, 0}, {19, 0, 300, 341}},
      {"thick frame on a second screen left of the first", {-1000, -200, 485, 359}, {4, 30}, {-996, -170, 485, 359}},
      {"tool window", {30, 40, 120, 120}, {2, 2}, {32, 42, 120, 120}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRect stored = c.stored;
    for (int run = 0; run < 3; ++run) {
      // Asked for before the frame is known, the client lands on the frame's
      // place; the correction moves it by the frame.
      ExpectRect(ClientRectFor(stored, {}), stored);
      const TRect client = ClientRectFor(stored, c.frame);
      ExpectRect(client, c.client);
      stored = StoredPlace(client, c.frame);
      ExpectRect(stored, c.stored);
    }
  }
}

// A window opens the first time beside the main window where the screen has
// room, else where it covers least of it.
TEST(WindowPlace, FirstPlaceBesideTheMainWindow) {
  const TRect screen{0, 0, 1600, 1000};
  struct Case {
    const char* name;
    TRect screen, main;
    int32_t width, height;
    TRect want;
  } const cases[] = {
      {"right of a main window at the top left", screen, {0, 0, 303, 345}, 450, 500, {303, 0, 450, 500}},
      {"right, moved up so that it stays on the screen", screen, {100, 700, 303, 345}, 450, 500, {403, 500, 450, 500}},
      {"left when the right has no room", screen, {1200, 100, 303, 345}, 450, 500, {750, 100, 450, 500}},
      {"below when neither side has room", screen, {400, 0, 900, 300}, 450, 500, {400, 300, 450, 500}},
      {"below, moved left onto a narrow screen", {0, 0, 800, 1000}, {400, 0, 400, 300}, 450, 500, {350, 300, 450, 500}},
      {"above when only the top has room", screen, {300, 600, 1000, 400}, 450, 500, {300, 100, 450, 500}},
      {"a screen not at the origin", {1600, 24, 1280, 976}, {1600, 24, 303, 345}, 450, 500, {1903, 24, 450, 500}},
      {"no room: covers least of a main window filling the left", screen, {0, 0, 1300, 1000}, 450, 500,
       {1150, 0, 450, 500}},
      {"no room anywhere: the right edge is best", screen, {100, 100, 1400, 800}, 450, 500, {1150, 100, 450, 500}},
      {"larger than the screen: shrinks to it", {0, 0, 800, 600}, {0, 0, 300, 300}, 900, 700, {0, 0, 800, 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRect(FirstPlace(c.screen, c.main, c.width, c.height), c.want);
  }
  EXPECT_FALSE(HoldsPlace(0, 0));
  EXPECT_TRUE(HoldsPlace(0, 5));
  EXPECT_TRUE(HoldsPlace(-3, 0));
}

}  // namespace
