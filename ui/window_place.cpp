#include "ui/window_place.h"

TRect StoredPlace(const TRect& client, const TFrameMargins& frame) {
  return {client.Left - frame.Left, client.Top - frame.Top, client.Width, client.Height};
}

TRect ClientRectFor(const TRect& stored, const TFrameMargins& frame) {
  return {stored.Left + frame.Left, stored.Top + frame.Top, stored.Width, stored.Height};
}
