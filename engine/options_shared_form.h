// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the pages of the preferences dialog share: the document they edit,
// the live flag that tells the user's changes from the dialog's own, the
// palette views and infinity-colour swatches that more than one page shows,
// and the rules of the dialog's edits.

#include <functional>
#include <string>
#include <vector>

#include <QColor>
#include <QObject>
#include <QString>

#include "engine/fractal.h"

class QLineEdit;
class QWidget;
class TColorSwatch;

QColor ColourOf(TColor3 c);
TColor3 Color3Of(const QColor& c);
inline QString Text(const std::string& s) { return QString::fromStdString(s); }

// What the keyboard may type into an edit.
enum TKeyRule { krReal, krDigits };

// What the user's keys and leaving do to one edit.
struct TEditActions {
  std::function<void()> Entered = {};      // Enter or Return (swallowed either way)
  std::function<void()> Left = {};         // focus moved to another control of the dialog
  std::function<void(bool up)> Spin = {};  // the up and down arrow keys
};

// The dialog's edits: filters each one's keys by its rule and runs its
// actions.
class TOptionsEdits : public QObject {
 public:
  explicit TOptionsEdits(QWidget* dialog) : Dialog(dialog) {}
  void Watch(QLineEdit* edit, TKeyRule rule, TEditActions actions);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TWatched {
    QLineEdit* Edit;
    TKeyRule Rule;
    TEditActions Actions;
  };
  QWidget* Dialog;
  std::vector<TWatched> Watched;
};

class TOptionsShared {
 public:
  explicit TOptionsShared(QWidget* dialog) : Edits(dialog) {}

  TFractal* Doc = nullptr;
  // Off while the dialog writes its own controls, so that their change
  // signals do not count as the user's.
  bool Live = false;
  // The colour dialog (set by the dialog): starts with `color`; true with the
  // chosen colour in it, false when cancelled or when there is none.
  std::function<bool(QColor& color)> ChooseColour;
  TOptionsEdits Edits;

  // The palette strips and the curve boxes, repainted when the palette changes.
  std::vector<QWidget*> PaletteStrips, PaletteCurves;
  // The swatches that show the infinity colour (the IFS background).
  std::vector<TColorSwatch*> InfinitySwatches;

  // The strips alone (a dragged curve repaints its own box), or strips and curves.
  void RepaintStrips();
  void RepaintPalette();
  void ShowInfinityColour(const QColor& color);
  // Asks for the infinity colour; a colour chosen goes into the palette and
  // recolours the image.
  void PickInfinityColour();
  // Recolours the image from its stored values.
  void Recolour();
};

// Keeps the live flag off while the dialog writes its own controls.
class TLiveOff {
 public:
  explicit TLiveOff(TOptionsShared& shared) : Shared(shared), Saved(shared.Live) { shared.Live = false; }
  ~TLiveOff() { Shared.Live = Saved; }
  TLiveOff(const TLiveOff&) = delete;
  TLiveOff& operator=(const TLiveOff&) = delete;

 private:
  TOptionsShared& Shared;
  bool Saved;
};
