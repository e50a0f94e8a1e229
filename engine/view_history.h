// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history of a document's views: every state the document was rendered
// in (window to the last digit of a deep view, formula, Julia mode,
// parameters, iteration limit, palette: what a spot file keeps), so that
// undo and redo can step back and forth through them.

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

class TFractal;

class TViewHistory {
 public:
  static constexpr size_t kDefaultDepth = 200;

  // Keeps at most `depth` states (at least 1); past that the oldest goes.
  explicit TViewHistory(size_t depth = kDefaultDepth);
  ~TViewHistory();
  TViewHistory(const TViewHistory&) = delete;
  TViewHistory& operator=(const TViewHistory&) = delete;

  // Takes the document's state as the newest when it differs from the state
  // the history stands at; the states a redo would have given back are
  // dropped. True when it was taken.
  bool Record(const TFractal& doc);
  // Puts the previous (next) state into the document, which restarts its
  // render. A change the history has not seen yet (a palette recoloured
  // without a render) is recorded first, so that undo comes back to it with
  // redo. False when there is no state to go to.
  bool Undo(TFractal& doc);
  bool Redo(TFractal& doc);

  bool CanUndo() const { return Current > 0; }
  bool CanRedo() const { return Current + 1 < States.size(); }
  size_t Count() const { return States.size(); }
  // The states before and after the current one.
  size_t UndoSteps() const { return Current; }
  size_t RedoSteps() const { return CanRedo() ? States.size() - Current - 1 : 0; }

 private:
  struct TState {
    std::string Key;                 // what the document's spot file would hold
    std::unique_ptr<TFractal> Copy;  // the parameters, without image buffers
  };
  void Restore(TFractal& doc, const TState& state);

  size_t Depth;
  std::deque<TState> States;
  size_t Current = 0;
};
