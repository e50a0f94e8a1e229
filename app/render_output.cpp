// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_output.h"

#include "app/render_options.h"
#include "engine/anti_alias.h"
#include "engine/fractal.h"

std::string DoubleForAntiAlias(int32_t& width, int32_t& height) {
  if (width * 2 > kMaxRenderSide || height * 2 > kMaxRenderSide)
    return "--antialias renders at twice the size: " + std::to_string(width) + "x" + std::to_string(height) +
           " is too large";
  width *= 2;
  height *= 2;
  return {};
}

TBitmapInfoHeader OutputHeader(const TFractal& doc, bool antiAlias) {
  return antiAlias ? AntiAliasHeader(AntiAliasSizeOf(doc.Width, doc.Height)) : doc.BitmapHeader();
}

TOutputImage OutputImage(const TFractal& doc, bool antiAlias, std::vector<uint8_t>& store) {
  if (!antiAlias) return {doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height};
  const TAntiAliasSize size = AntiAliasSizeOf(doc.Width, doc.Height);
  store.assign(size_t(size.PixelCount) * 3, 0);
  AntiAliasImage({&doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height}, size, store.data());
  return {AntiAliasHeader(size), store.data(), size.Width, size.Height};
}
