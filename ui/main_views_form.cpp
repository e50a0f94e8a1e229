// The main window's views of its current image: the 3D view and the
// anti-aliased image.

#include "engine/anti_alias_form.h"
#include "engine/fractal.h"
#include "engine/view3d_form.h"
#include "ui/main_form.h"

void TMainForm::Show3DView() {
  if (!View3D) {
    View3D = new TForm3D(Doc.get(), this);
    View3D->Hooks = CompleteHooks(ImageHooks);
    SetMessageRoute(THandle(View3D->winId()),
                    [this](const TMessage& m) { View3D->HandleMessage(m.Msg, m.WParam, m.LParam); });
  }
  if (View3D->isVisible()) {
    View3D->activateWindow();
    View3D->raise();
    return;
  }
  View3D->ShowAsStored();
}

void TMainForm::ShowAntiAliasing() {
  if (!AntiAlias) {
    AntiAlias = new TAAForm(Doc.get(), this);
    AntiAlias->Hooks = CompleteHooks(ImageHooks);
    SetMessageRoute(THandle(AntiAlias->winId()), [this](const TMessage& m) {
      if (m.Msg == MSG_ANTIALIAS_COMPUTE) AntiAlias->Compute();
    });
  }
  AntiAlias->ShowAsStored();
}

void TMainForm::CloseDerivedViews() {
  // Both record their bounds as they close, before the settings are
  // written; the 3D view's thread reads the main document, so it ends here.
  if (AntiAlias) {
    if (AntiAlias->isVisible()) AntiAlias->close();
    SetMessageRoute(THandle(AntiAlias->winId()), nullptr);
    delete AntiAlias;
    AntiAlias = nullptr;
  }
  if (View3D) {
    if (View3D->isVisible()) View3D->close();
    SetMessageRoute(THandle(View3D->winId()), nullptr);
    delete View3D;
    View3D = nullptr;
  }
}
