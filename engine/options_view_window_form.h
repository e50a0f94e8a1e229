// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The X, Y and W edits of the preferences: they show the document's view
// window, and leaving one of them (or Enter) sets the window it names.

#include "engine/coordinate_fields.h"

class QGridLayout;
class QLineEdit;
class QWidget;
class TOptionsShared;

class TViewWindowEdits {
 public:
  explicit TViewWindowEdits(TOptionsShared& shared) : Shared(shared) {}
  // Makes the three edits and their captions in the first three rows of `grid`.
  void Build(QWidget* page, QGridLayout* grid);
  // Shows the document's window (the live flag is off).
  void Fill();

 private:
  void EditLeft(QLineEdit* edit, int which);

  TOptionsShared& Shared;
  QLineEdit* FCoord[3] = {};
  TCoordinateFields FCoordinates;
};
