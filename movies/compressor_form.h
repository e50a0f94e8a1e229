// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Video compression": the compressor choice of a movie. Lists the
// compressors present at run time for the clip's file type and offers the
// previous choice (RecordingOptions()) first.
//
//   TCompressOptions options = RecordingOptions();
//   if (!TCompressorForm::Execute(parent, container, options)) ...  // cancelled
//
// Tests replace the dialog through CompressorDialogHook().

#include <functional>

#include <QDialog>

#include "movies/avi_writer.h"

class QComboBox;
class QLabel;
class QSlider;

class TCompressorForm : public QDialog {
  Q_OBJECT
 public:
  TCompressorForm(TContainer container, const TCompressOptions& options, QWidget* parent = nullptr);

  TCompressOptions Choice() const;

  // Runs the dialog (or the hook); true with the choice in options on "OK".
  static bool Execute(QWidget* parent, TContainer container, TCompressOptions& options);

  QComboBox* CodecBox() const { return FCodec; }
  QSlider* QualityBar() const { return FQuality; }

 private:
  void CodecChanged();

  std::vector<TCodec> Codecs;
  QComboBox* FCodec = nullptr;
  QLabel* FQualityLabel = nullptr;
  QSlider* FQuality = nullptr;
};

// Replaces the modal dialog when set (tests answer it without a window).
using TCompressorHook = std::function<bool(TContainer container, TCompressOptions& options)>;
TCompressorHook& CompressorDialogHook();
