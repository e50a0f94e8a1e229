// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the spots dialog of the zoom movie shows: one text row per spot and
// the smoothing mode it recommends.

#include <cstdint>
#include <optional>
#include <string>

#include "formulas/numbers.h"

// A value of a row: fixed-point with 18 decimals, cut to 15 characters.
std::string SpotValueText(Extended value);
// The zoom ratio of a segment per frame: W / next W (its inverse when below
// 1) divided by the frame count.
Extended SegmentSpeed(Extended width, Extended nextWidth, int32_t frames);
// X, Y and W; a spot with a successor adds its frame count ("%3d") and the
// speed of its segment. Single blanks between the parts.
std::string SpotRowText(Extended x, Extended y, Extended w, int32_t frames, std::optional<Extended> nextWidth);
// The recommendation label for `count` spots whose first two widths are
// `w0` and `w1` (only read with exactly two spots).
std::string SmoothRecommendation(size_t count, Extended w0, Extended w1);
