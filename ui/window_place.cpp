// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_place.h"

#include <algorithm>

TRect StoredPlace(const TRect& client, const TFrameMargins& frame) {
  return {client.Left - frame.Left, client.Top - frame.Top, client.Width, client.Height};
}

TRect ClientRectFor(const TRect& stored, const TFrameMargins& frame) {
  return {stored.Left + frame.Left, stored.Top + frame.Top, stored.Width, stored.Height};
}

bool HoldsPlace(int32_t left, int32_t top) { return left != 0 || top != 0; }

namespace {

// The place moved onto the screen as far as needed.
TRect OnScreen(TRect r, const TRect& screen) {
  r.Left = std::clamp<int64_t>(r.Left, screen.Left, int64_t(screen.Left) + screen.Width - r.Width);
  r.Top = std::clamp<int64_t>(r.Top, screen.Top, int64_t(screen.Top) + screen.Height - r.Height);
  return r;
}

bool Inside(const TRect& r, const TRect& screen) {
  return r.Left >= screen.Left && r.Top >= screen.Top &&
         int64_t(r.Left) + r.Width <= int64_t(screen.Left) + screen.Width &&
         int64_t(r.Top) + r.Height <= int64_t(screen.Top) + screen.Height;
}

int64_t Overlap(const TRect& a, const TRect& b) {
  const int64_t w = std::min<int64_t>(int64_t(a.Left) + a.Width, int64_t(b.Left) + b.Width) - std::max(a.Left, b.Left);
  const int64_t h = std::min<int64_t>(int64_t(a.Top) + a.Height, int64_t(b.Top) + b.Height) - std::max(a.Top, b.Top);
  return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

TRect FirstPlace(const TRect& screen, const TRect& main, int32_t width, int32_t height) {
  if (screen.Width <= 0 || screen.Height <= 0) return {main.Left + main.Width, main.Top, width, height};
  width = std::clamp(width, 1, screen.Width);
  height = std::clamp(height, 1, screen.Height);
  const TRect sides[] = {
      {main.Left + main.Width, main.Top, width, height},   // right
      {main.Left - width, main.Top, width, height},        // left
      {main.Left, main.Top + main.Height, width, height},  // below
      {main.Left, main.Top - height, width, height},       // above
  };
  // Each side slides along the main window's edge onto the screen; it has
  // room when it then still keeps clear of the main window.
  for (int i = 0; i < 4; ++i) {
    TRect along = sides[i];
    const TRect moved = OnScreen(along, screen);
    if (i < 2)
      along.Top = moved.Top;
    else
      along.Left = moved.Left;
    if (Inside(along, screen) && Overlap(along, main) == 0) return along;
  }
  TRect best = OnScreen(sides[0], screen);
  for (const TRect& side : sides) {
    const TRect r = OnScreen(side, screen);
    if (Overlap(r, main) < Overlap(best, main)) best = r;
  }
  return best;
}
