// SPDX-License-Identifier: GPL-3.0-or-later
// The Julia window the main window drives ("&Julie window" of the Options
// menu), and the Enter key's switch between the set and its Julia sets.

#include <QAction>

#include "engine/fractal.h"
#include "engine/full_view.h"
#include "ui/julia_form.h"
#include "ui/main_form.h"

namespace {

constexpr int kJuliaModeProperty = 8;

}  // namespace

void TMainForm::ToggleJulieWindow() {
  if (!Julia) {
    Julia = new TForm17(Doc.get(), this);
    Julia->JulieWindowChecked = [this] { return JulieWindowItem->isChecked(); };
    Routes.Set(MessageHandle(Julia), [this](const TMessage& m) {
      if (m.Msg == MSG_JULIA_REFRESH)
        Julia->JuliaRefresh();
      else if (m.Msg == MSG_JULIA_POINT)
        Julia->JuliaPoint(Hover.re, Hover.im);
    });
  }
  if (JulieWindowItem->isChecked())
    Julia->show();
  else
    Julia->hide();
}

void TMainForm::JuliaToggle() {
  if (!Julia) return;
  // The set of the other plane lies elsewhere: each switch shows its full view.
  if (Doc->Ctx.JulieSet && JulieWindowItem->isChecked()) {
    Doc->SetProperty(kJuliaModeProperty, false);
    ShowFullView(*Doc);
    PostJuliaRefresh();
  } else if (Julia->isVisible()) {
    Doc->SetProperty(kJuliaModeProperty, true);
    Doc->SetJuliaPoint(Hover.re, Hover.im);
    ShowFullView(*Doc);
    PostJuliaRefresh();
  }
}

void TMainForm::PostJuliaRefresh() {
  if (Julia) PostMessage(MessageHandle(Julia), MSG_JULIA_REFRESH, 0, 0);
}
