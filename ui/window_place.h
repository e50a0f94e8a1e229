// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a top-level window sits, as the settings file keeps it: the top-left
// corner of its frame (title bar and border included) and the size of its
// client area. The desktop only knows the frame once the window is on the
// screen, so placing a window converts between the two with the frame
// margins known at that moment.

#include <cstdint>

#include "platform/bitmap.h"

// How far a window's client area lies from its frame's top-left corner.
struct TFrameMargins {
  int32_t Left = 0, Top = 0;
};

// The place the settings keep for a window whose client area is `client`.
TRect StoredPlace(const TRect& client, const TFrameMargins& frame);
// The client area that puts the frame's top-left corner at the stored place.
TRect ClientRectFor(const TRect& stored, const TFrameMargins& frame);

// A stored place of (0, 0), the settings' default, is that of a window that
// was never placed: it opens by FirstPlace instead.
bool HoldsPlace(int32_t left, int32_t top);

// Where a window of width x height (frame included) opens the first time,
// as a frame rectangle: beside the main window's frame `main` on the
// screen's available area `screen`, to the right of it, else to the left,
// below or above, whichever first lies on the screen whole (moved along the
// main window's edge only as far as the screen needs). When no side has room
// the window goes where it covers least of the main window, the sides again
// tried in that order. A window larger than the screen shrinks to it.
TRect FirstPlace(const TRect& screen, const TRect& main, int32_t width, int32_t height);
