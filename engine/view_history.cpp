// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/view_history.h"

#include <algorithm>

#include "engine/fractal.h"
#include "platform/profile.h"

namespace {

// Two states are one when their spot files would be. The automatic limit is
// left out: every render works it out anew from the window.
std::string StateKey(const TFractal& doc) {
  TProfileFile f("");
  doc.SaveSpot(f);
  if (doc.AutoIter) f.DeleteKey("Fractal", "MaxIter");
  return f.Text();
}

// Drops the copy's hold on a compiled user formula: the module stays the
// document's, which may unload it, and a copy put back compiles its lines.
void Detach(TFractal& copy) {
  copy.UserModule = nullptr;
  copy.Ctx.UserFormula = nullptr;
  copy.NeedsCompile = copy.UserFormulaAttached;
}

std::unique_ptr<TFractal> CopyOf(const TFractal& doc) {
  // No canvas: the copy never renders.
  auto copy = std::make_unique<TFractal>(-1, 0, 0, 0, 0, 0, nullptr);
  copy->Assign(&doc);
  Detach(*copy);
  return copy;
}

}  // namespace

TViewHistory::TViewHistory(size_t depth) : Depth(std::max<size_t>(depth, 1)) {}

TViewHistory::~TViewHistory() = default;

bool TViewHistory::Record(const TFractal& doc) {
  std::string key = StateKey(doc);
  if (!States.empty()) {
    if (States[Current].Key == key) return false;
    States.erase(States.begin() + std::ptrdiff_t(Current) + 1, States.end());
  }
  States.push_back({std::move(key), CopyOf(doc)});
  if (States.size() > Depth) States.pop_front();
  Current = States.size() - 1;
  return true;
}

bool TViewHistory::Undo(TFractal& doc) {
  Record(doc);
  if (!CanUndo()) return false;
  --Current;
  Restore(doc, States[Current]);
  return true;
}

bool TViewHistory::Redo(TFractal& doc) {
  Record(doc);
  if (!CanRedo()) return false;
  ++Current;
  Restore(doc, States[Current]);
  return true;
}

void TViewHistory::Restore(TFractal& doc, const TState& state) {
  TFractal& copy = *state.Copy;
  // A state with the lines the document has compiled keeps its module
  // instead of compiling them again.
  if (doc.UserModule && copy.UserFormulaAttached && doc.UserLines && copy.UserLines &&
      *doc.UserLines == *copy.UserLines) {
    copy.UserModule = doc.UserModule;
    copy.Ctx.UserFormula = doc.Ctx.UserFormula;
    copy.NeedsCompile = false;
  }
  // The restart this makes records nothing: the history already stands at
  // the state.
  doc.Assign(&copy);
  Detach(copy);
}
