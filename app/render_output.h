// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image a command of pelmorix-render writes of a rendered document: the
// render itself or, with --antialias, its anti-aliased half of a render at
// twice the size.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bitmap.h"

class TFractal;

// Doubles the size for a render to be anti-aliased; "" when it did, else
// why the doubled size cannot be rendered.
std::string DoubleForAntiAlias(int32_t& width, int32_t& height);

// A 24-bit bottom-up image whose top-left Width x Height pixels are the
// picture.
struct TOutputImage {
  TBitmapInfoHeader Header;
  const uint8_t* Bits = nullptr;
  int32_t Width = 0, Height = 0;
};

// The header of the image OutputImage gives for the document.
TBitmapInfoHeader OutputHeader(const TFractal& doc, bool antiAlias);
// The document's image; with `antiAlias`, its anti-aliased half, whose
// pixels `store` holds.
TOutputImage OutputImage(const TFractal& doc, bool antiAlias, std::vector<uint8_t>& store);
