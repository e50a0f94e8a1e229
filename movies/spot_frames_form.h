// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Frame count": the dialog that edits the frames of one segment of a zoom
// movie.

#include <cstdint>

#include <QDialog>

class QSpinBox;

// "Frame count": the frames of one segment, 1..999.
class TSpotFramesForm : public QDialog {
  Q_OBJECT
 public:
  TSpotFramesForm(int32_t frames, QWidget* parent = nullptr);
  QSpinBox* FramesEdit() const { return FFrames; }
  // Shows the dialog; true with the new count on "&Ok".
  static bool Execute(QWidget* parent, int32_t& frames);

 private:
  QSpinBox* FFrames;
};
