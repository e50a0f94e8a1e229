// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Contrast" page of the preferences, shown for the table palettes: four
// palette cycles, the palette filter and the contrast. They recolour the
// image from its stored values.

#include <QWidget>

class QButtonGroup;
class QSlider;
class TOptionsShared;
class TPaletteStrip;

class TOptionsContrastPage : public QWidget {
  Q_OBJECT
 public:
  explicit TOptionsContrastPage(TOptionsShared& shared);
  // Shows the palette's values.
  void Fill();

 private:
  void IterChangingChosen(int curve);
  void ContrastMoved(int position);

  TOptionsShared& Shared;
  TPaletteStrip* FCycles = nullptr;
  QButtonGroup* FIterChanging = nullptr;
  QSlider* FContrast = nullptr;
};
