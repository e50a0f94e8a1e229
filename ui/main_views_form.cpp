// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_views_form.h"

#include "engine/anti_alias_form.h"
#include "engine/fractal.h"
#include "engine/view3d_form.h"
#include "engine/view3d_thread.h"
#include "ui/image_output_qt.h"
#include "ui/message_routes.h"

TMainViews::TMainViews(TFractal& doc, const TDialogHooks& hooks, TMessageRoutes& routes, QWidget* parent)
    : Doc(doc), Hooks(hooks), Routes(routes), Parent(parent) {}

void TMainViews::Show3DView() {
  if (!FView3D) {
    FView3D = new TForm3D(&Doc, Parent);
    FView3D->Hooks = CompleteHooks(Hooks);
    Routes.Set(MessageHandle(FView3D),
               [this](const TMessage& m) { FView3D->HandleMessage(m.Msg, m.WParam, m.LParam); });
  }
  if (FView3D->isVisible()) {
    FView3D->activateWindow();
    FView3D->raise();
    return;
  }
  FView3D->ShowAsStored();
}

void TMainViews::ShowAntiAliasing() {
  if (!FAntiAlias) {
    FAntiAlias = new TAAForm(&Doc, Parent);
    FAntiAlias->Hooks = CompleteHooks(Hooks);
    Routes.Set(MessageHandle(FAntiAlias), [this](const TMessage& m) {
      if (m.Msg == MSG_ANTIALIAS_COMPUTE) FAntiAlias->Compute();
    });
  }
  FAntiAlias->ShowAsStored();
}

void TMainViews::RefreshView3D() {
  if (FView3D) PostMessage(MessageHandle(FView3D), MSG_VIEW3D_REFRESH, 0, 0);
}

void TMainViews::Close() {
  // Both record their bounds as they close, before the settings are
  // written; the 3D view's thread reads the main document, so it ends here.
  if (FAntiAlias) {
    if (FAntiAlias->isVisible()) FAntiAlias->close();
    Routes.Set(MessageHandle(FAntiAlias), nullptr);
    delete FAntiAlias;
    FAntiAlias = nullptr;
  }
  if (FView3D) {
    if (FView3D->isVisible()) FView3D->close();
    Routes.Set(MessageHandle(FView3D), nullptr);
    delete FView3D;
    FView3D = nullptr;
  }
}
