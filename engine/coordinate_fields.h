// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The X, Y and W fields of the preferences: the texts they show for a
// document's window and the window that a text typed into one of them names.
//
// A view that extended arithmetic holds shows 18 significant digits. A deeper
// one (or one past what the ordinary render resolves) shows every digit its
// deep window keeps, as the shortest decimals that read back to it, so that
// the shown texts typed back give exactly the same window.

#include <array>
#include <string>

#include "engine/view_window.h"

class TFractal;

class TCoordinateFields {
 public:
  // The texts the three fields show for `doc`. A field keeps the text typed
  // into it last while that text still names the document's value, so that
  // digits typed before the width that resolves them are not lost.
  std::array<std::string, 3> Shown(const TFractal& doc) const;

  // The window after `text` was typed into field `which` (0 X, 1 Y, 2 W): the
  // other two keep the values their fields name. A text that is not one
  // finite decimal but reads as the real `plain` sets that coordinate to it.
  TViewWindow Typed(const TFractal& doc, int which, const std::string& text, Extended plain);

 private:
  // The texts that name the document's window exactly, with each field's
  // typed text in place of its value where it names the same value.
  std::array<std::string, 3> Kept(const TFractal& doc, std::array<std::string, 3> texts) const;

  std::string Last[3];
};
