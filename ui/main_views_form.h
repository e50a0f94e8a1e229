// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's views of its current image: the 3D view and the
// anti-aliased image. Each is created on first use over the main document
// and registers its messages in the routes it is given.

class QWidget;
class TAAForm;
class TForm3D;
class TFractal;
class TMessageRoutes;
struct TDialogHooks;

class TMainViews {
 public:
  // `hooks` are read when a view is first shown; `parent` owns the views.
  TMainViews(TFractal& doc, const TDialogHooks& hooks, TMessageRoutes& routes, QWidget* parent);

  // Created on first use, activated when visible.
  void Show3DView();
  // Created on first use and shown.
  void ShowAntiAliasing();
  // The main document's render ended: the 3D view redraws from it.
  void RefreshView3D();
  // Closes and frees both views.
  void Close();

  TForm3D* View3D() const { return FView3D; }
  TAAForm* AntiAlias() const { return FAntiAlias; }

 private:
  TFractal& Doc;
  const TDialogHooks& Hooks;
  TMessageRoutes& Routes;
  QWidget* Parent;
  TForm3D* FView3D = nullptr;
  TAAForm* FAntiAlias = nullptr;
};
