// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_handoff.h"

#include "engine/fractal.h"

void* CopyMainDocument(TFractal& preview, const TFractal& main) {
  preview.Assign(&main);
  if (main.UserFormulaAttached && main.UserModule && preview.UserModule == main.UserModule) {
    void* borrowed = preview.UserModule;
    preview.UserModule = nullptr;
    return borrowed;
  }
  return nullptr;
}

void HandToMainDocument(TFractal& preview, TFractal& main, void* borrowed) {
  // Handing the borrowed module back as the preview's own lets the main
  // document see its own module and keep it.
  if (borrowed && !preview.UserModule && borrowed == main.UserModule) preview.UserModule = borrowed;
  main.Assign(&preview);
  // The main document owns the module from now on.
  preview.UserModule = nullptr;
  preview.Ctx.UserFormula = nullptr;
  preview.SourcePath.clear();
  preview.ModulePath.clear();
  preview.SetFormula(-1, 0, 0, 0);
}

void ForgetBorrowedModule(TFractal& preview) {
  preview.Ctx.UserFormula = nullptr;
  preview.NeedsCompile = true;
}
