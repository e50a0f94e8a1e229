// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's bitmap resources ("PARAM", "LINEAR", "SQUARE", "CUBE",
// "JULIE1".."JULIE5", "TRANS1".."TRANS6", "PARAM01".."PARAM10",
// "IFS0".."IFS7"), painted in code the first time they are asked for.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

// Side of the "PARAM" picture: the -2..2 plane of the parameter drag window.
constexpr int kParamBitmapSize = 201;
// Side of the square animation frames ("JULIE*", "TRANS*", "PARAM01".., "IFS*").
constexpr int kFrameBitmapSize = 64;
// Size of the zoom-smoothing pictures "LINEAR", "SQUARE", "CUBE".
constexpr int kCurveBitmapWidth = 96, kCurveBitmapHeight = 64;

// Every resource name, in the order listed above.
const std::vector<std::string>& ResourceNames();

// The bitmap of that name (names are matched without regard to case), or a
// null image when the program has no such resource.
QImage ResourceBitmap(std::string_view name);

// Replaces the source of ResourceBitmap (tests use it to take a resource
// away); an empty hook restores the painted resources. Returns the previous
// hook.
using TResourceHook = std::function<QImage(std::string_view name)>;
TResourceHook SetResourceHook(TResourceHook hook);

// Paints a resource without the cache or the hook; null for unknown names.
QImage PaintResourceBitmap(std::string_view name);
