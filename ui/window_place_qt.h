// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Top-level windows put back where the settings say, frame included, and
// read back the same way, so that a window reopens exactly where it closed.

#include <cstdint>
#include <vector>

#include "platform/bitmap.h"
#include "ui/window_place.h"

class QWidget;

// The available areas of the screens, the primary screen first.
std::vector<TRect> AvailableScreens();

// The frame around a top-level window as the desktop reports it now (none
// before the window is on the screen).
TFrameMargins FrameMarginsOf(const QWidget* window);

// The window's stored place: its frame's top-left corner and client size.
TRect WindowPlace(const QWidget* window);

// Puts the window's frame top-left corner at (left, top), keeping its size;
// a place whose top strip (up to minVisible pixels each way) lies on no
// screen moves onto the primary screen first. Call it before the window is
// shown: the desktop is asked to put the frame there, and should it put the
// window elsewhere, the window is moved where it belongs once it appears.
void PlaceWindow(QWidget* window, int32_t left, int32_t top, int32_t minVisible = 200);

// Puts a window where it opens: at its stored place (left, top) when that
// holds one, else, the first time, beside the window it works on (`main`;
// when null, the outermost window it belongs to) where FirstPlace puts it,
// shrunk to the screen when larger. A main window not on the screen yet
// gives no place to keep clear of: the stored place then holds; one shown
// but not yet on the screen places the window once it appears. Call it
// before the window is shown, once its size is set.
void PlaceToolWindow(QWidget* window, int32_t left, int32_t top, const QWidget* main = nullptr);
