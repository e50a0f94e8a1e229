// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The view window that spot, IFS and attractor files hold, and the
// command line takes: X, Y (the upper-left corner) and W (the width). A
// window holds a picture only when the kernels can step through it in
// doubles: X and Y within the double range, W above 0 and within it.

#include <string_view>

#include "formulas/numbers.h"

class TProfileFile;

bool IsViewCoordinate(Extended value);
bool IsViewWidth(Extended value);

// ReadReal of `key` that refuses, with the error ReadReal gives for text
// that is not a number, a value that is no view coordinate (no view width).
Extended ReadViewCoordinate(const TProfileFile& file, std::string_view section, std::string_view key,
                            std::string_view defText);
Extended ReadViewWidth(const TProfileFile& file, std::string_view section, std::string_view key,
                       std::string_view defText);
