// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/view_window.h"

TViewWindow::TViewWindow(Extended x, Extended y, Extended w) : TViewWindow(WindowOf(x, y, w)) {}

TViewWindow::TViewWindow(const TDeepWindow& exact)
    : FExact(exact),
      FX(exact.X.ToExtended()),
      FY(exact.Y.ToExtended()),
      FW(exact.W.ToExtended()),
      FDeep(::IsDeep(exact)) {}

TViewWindow TViewWindow::Rounded(const TDeepWindow& window) { return TViewWindow(RoundedWindow(window)); }

TViewWindow TViewWindow::Moved(const TViewMove& move) const { return TViewWindow(MovedWindow(FExact, move)); }

int ParseViewWindow(const std::string (&texts)[3], TViewWindow& out) {
  TDeepWindow window;
  const int bad = ParseDeepWindow(texts, window);
  if (bad < 0) out = TViewWindow(window);
  return bad;
}
