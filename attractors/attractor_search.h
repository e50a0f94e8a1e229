// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The search of "Redraw": random coefficient sets until one gives a chaotic
// attractor, judged by an estimate of its Lyapunov exponent.

#include <cstdint>
#include <optional>

#include "platform/translatable.h"

class T3dFractal;

constexpr int32_t kSearchStepLimit = 1000000;
constexpr const char* kAttractorNotFound = QT_TRANSLATE_NOOP("Message", "3D attractor not found: timeout or L=0.");

// typeIndex is the "Type" list's position: 0 ("IFS") fills the table with
// random affine maps without a test; 1..3 search kinds 2..4. The random
// numbers are seeded from the clock, or from `seed` when given. Ends with the
// document restarted; returns false (after the message) when nothing was
// found.
bool SearchAttractor(T3dFractal& doc, int32_t typeIndex, std::optional<uint32_t> seed = std::nullopt);
