// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the selection dialog's preview document and the main document trade
// their contents: the preview starts as a copy of the main document, and on
// "S&elect" the main document takes over what the preview shows.

class TFractal;

// Makes `preview` a copy of `main`. The main document's user module stays
// the main document's: the preview renders with it but never releases it.
// Returns that borrowed module, or null when the preview borrows none.
void* CopyMainDocument(TFractal& preview, const TFractal& main);

// The main document takes over the preview's formula, view window and
// values, and the user module the preview compiled or borrowed (`borrowed`,
// from CopyMainDocument); the preview is left without a formula.
// Call it with the preview's render stopped.
void HandToMainDocument(TFractal& preview, TFractal& main, void* borrowed);

// The main document may release the module the preview borrowed after a
// showing ended without a selection: the preview forgets its entry and
// compiles its own at its next render.
void ForgetBorrowedModule(TFractal& preview);
