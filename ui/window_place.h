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
