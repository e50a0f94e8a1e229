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

}  // namespace
