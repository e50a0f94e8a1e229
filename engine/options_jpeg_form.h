// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "JPEG options" page of the preferences: the quality and progressive
// flag that saving a JPEG image uses (program settings, not the document's).

#include <QWidget>

class QCheckBox;
class QSlider;
class TOptionsShared;

class TOptionsJpegPage : public QWidget {
  Q_OBJECT
 public:
  explicit TOptionsJpegPage(TOptionsShared& shared);
  // Shows the settings' values.
  void Fill();

 private:
  TOptionsShared& Shared;
  QSlider* FQuality = nullptr;
  QCheckBox* FProgressive = nullptr;
};
