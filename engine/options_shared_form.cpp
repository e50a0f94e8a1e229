// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_shared_form.h"

#include <algorithm>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "engine/options_widgets_form.h"

namespace {

// The edit's text as it would be with the selection replaced by the typed
// character: the part that stays.
QString KeptText(const QLineEdit* edit) {
  QString t = edit->text();
  if (edit->hasSelectedText()) t.remove(edit->selectionStart(), edit->selectedText().size());
  return t;
}

// Whether the typed text may go into the edit under its rule.
bool KeyAllowed(const QLineEdit* edit, TKeyRule rule, QChar c) {
  if (c >= '0' && c <= '9') return true;
  if (rule != krReal) return false;
  if (c == '-') return !KeptText(edit).contains('-');
  if (c == '.') return !KeptText(edit).contains('.');
  return false;
}

}  // namespace

QColor ColourOf(TColor3 c) { return QColor(c.Red, c.Green, c.Blue); }
TColor3 Color3Of(const QColor& c) { return TColor3{uint8_t(c.blue()), uint8_t(c.green()), uint8_t(c.red())}; }

void TOptionsEdits::Watch(QLineEdit* edit, TKeyRule rule, TEditActions actions) {
  Watched.push_back({edit, rule, std::move(actions)});
  edit->installEventFilter(this);
}

bool TOptionsEdits::eventFilter(QObject* watched, QEvent* event) {
  const auto found = std::find_if(Watched.begin(), Watched.end(), [&](const TWatched& w) { return w.Edit == watched; });
  if (found == Watched.end()) return QObject::eventFilter(watched, event);
  const TWatched& w = *found;
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (w.Actions.Spin && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
      w.Actions.Spin(key->key() == Qt::Key_Up);
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (w.Actions.Entered) w.Actions.Entered();
      return true;
    }
    const QString t = key->text();
    if (!t.isEmpty() && t[0].isPrint() && !(key->modifiers() & Qt::ControlModifier)) {
      for (QChar c : t)
        if (!KeyAllowed(w.Edit, w.Rule, c)) return true;
    }
  } else if (event->type() == QEvent::FocusOut) {
    // Only leaving the field counts, not the window losing the activation.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && Dialog->isVisible()) {
      if (w.Actions.Left) w.Actions.Left();
    }
  }
  return QObject::eventFilter(watched, event);
}

void TOptionsShared::RepaintStrips() {
  for (QWidget* strip : PaletteStrips) strip->update();
}

void TOptionsShared::RepaintPalette() {
  RepaintStrips();
  for (QWidget* box : PaletteCurves) box->update();
}

void TOptionsShared::ShowInfinityColour(const QColor& color) {
  for (TColorSwatch* swatch : InfinitySwatches) swatch->SetColor(color);
}

void TOptionsShared::PickInfinityColour() {
  if (!Live || !Doc) return;
  QColor c = ColourOf(Doc->Palette->InfinityColor);
  if (!ChooseColour(c)) return;
  Doc->Palette->InfinityColor = Color3Of(c);
  ShowInfinityColour(c);
  Recolour();
}

void TOptionsShared::Recolour() {
  if (Live && Doc) Doc->Recolor();
}
