// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "IFS Setup" page of the preferences: the background (the palette's
// infinity colour), shaded or solid colouring with its solid colour, and
// quick calculating of the IFS and orbital formulas.

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QPushButton;
class TColorSwatch;
class TOptionsShared;

class TOptionsIFSPage : public QWidget {
  Q_OBJECT
 public:
  explicit TOptionsIFSPage(TOptionsShared& shared);
  // Shows the document's values.
  void Fill();

 private:
  void IFSStyleChosen(int style);
  void PickSolidColour();
  void QuickToggled(bool on);
  // Recolours the image when the document is an IFS or an attractor, the
  // formulas these colours serve.
  void RecolourIFS();

  TOptionsShared& Shared;
  TColorSwatch* FBackground = nullptr;
  QButtonGroup* FIFSStyle = nullptr;
  QPushButton* FSolidButton = nullptr;
  TColorSwatch* FSolid = nullptr;
  QCheckBox* FQuick = nullptr;
};
