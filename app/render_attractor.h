// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// pelmorix-render for attractor files: draws a ".fr3" file headless with
// the attractor document and its render thread.

#include <cstdint>
#include <functional>
#include <string>

#include "app/render_options.h"
#include "attractors/attractor.h"  // IsAttractorFileName

// Draws options.SpotPath at options' size (else the file's "DrawSize", else
// 300 x 300) into options.OutputPath as BMP or JPEG. `progress` (may be
// empty) receives the points made and the points of the pass. Returns "" on
// success, else what went wrong; no output file is left then.
std::string RenderAttractorFile(const TRenderOptions& options,
                                const std::function<void(intptr_t done, intptr_t total)>& progress);
