// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/coordinate_fields.h"

#include "engine/fractal.h"
#include "engine/perturbation.h"
#include "platform/profile.h"

namespace {

bool WindowOfTexts(const std::array<std::string, 3>& texts, TDeepWindow& out) {
  const std::string list[3] = {texts[0], texts[1], texts[2]};
  return ParseDeepWindow(list, out) < 0;
}

const TDeepReal& Coordinate(const TDeepWindow& w, int k) { return k == 0 ? w.X : k == 1 ? w.Y : w.W; }

}  // namespace

std::array<std::string, 3> TCoordinateFields::Kept(const TFractal& doc, std::array<std::string, 3> texts) const {
  const std::array<std::string, 3> exact = DeepTexts(doc.Deep);
  for (int k = 0; k < 3; ++k) {
    if (Last[k].empty() || Last[k] == texts[k]) continue;
    std::array<std::string, 3> with = exact;
    with[k] = Last[k];
    TDeepWindow named;
    if (WindowOfTexts(with, named) && Coordinate(named, k) == Coordinate(doc.Deep, k)) texts[k] = Last[k];
  }
  return texts;
}

std::array<std::string, 3> TCoordinateFields::Shown(const TFractal& doc) const {
  if (IsDeep(doc.Deep) || PastOrdinaryPrecision(doc.Deep, doc.Width)) return Kept(doc, DeepTexts(doc.Deep));
  return Kept(doc, {FormatReal(doc.X, 18), FormatReal(doc.Y, 18), FormatReal(doc.W, 18)});
}

TViewWindow TCoordinateFields::Typed(const TFractal& doc, int which, const std::string& text, Extended plain) {
  std::array<std::string, 3> texts = Kept(doc, DeepTexts(doc.Deep));
  texts[which] = text;
  const std::string list[3] = {texts[0], texts[1], texts[2]};
  TViewWindow typed;
  if (ParseViewWindow(list, typed) < 0) {
    Last[which] = text;
    return typed;
  }
  TDeepWindow window = doc.Deep;
  (which == 0 ? window.X : which == 1 ? window.Y : window.W) = TDeepReal(plain, TDeepReal::kMinBits);
  return TViewWindow::Rounded(window);
}
