// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/compressor_form.h"

#include <QComboBox>
#include <QPushButton>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

TCompressorHook& CompressorDialogHook() {
  static TCompressorHook hook;
  return hook;
}

TCompressorForm::TCompressorForm(TContainer container, const TCompressOptions& options, QWidget* parent)
    : QDialog(parent), Codecs(AvailableCodecs(container)) {
  setWindowTitle(tr("Video compression"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  FCodec = new QComboBox(this);
  for (TCodec c : Codecs) FCodec->addItem(tr(CodecCaption(c).c_str()), int(c));
  form->addRow(tr("&Compressor:"), FCodec);
  FQuality = new QSlider(Qt::Horizontal, this);
  FQuality->setRange(1, 100);
  FQuality->setValue(options.Quality);
  FQualityLabel = new QLabel(tr("&Quality:"), this);
  FQualityLabel->setBuddy(FQuality);
  form->addRow(FQualityLabel, FQuality);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  const int previous = FCodec->findData(int(options.Codec));
  FCodec->setCurrentIndex(previous >= 0 ? previous : 0);
  connect(FCodec, &QComboBox::currentIndexChanged, this, &TCompressorForm::CodecChanged);
  CodecChanged();
  buttons->button(QDialogButtonBox::Ok)->setEnabled(!Codecs.empty());
}

void TCompressorForm::CodecChanged() {
  const bool quality = FCodec->currentIndex() >= 0 && CodecHasQuality(Choice().Codec);
  FQuality->setEnabled(quality);
  FQualityLabel->setEnabled(quality);
}

TCompressOptions TCompressorForm::Choice() const {
  TCompressOptions options;
  if (FCodec->currentIndex() >= 0) options.Codec = TCodec(FCodec->currentData().toInt());
  options.Quality = FQuality->value();
  return options;
}

bool TCompressorForm::Execute(QWidget* parent, TContainer container, TCompressOptions& options) {
  if (CompressorDialogHook()) return CompressorDialogHook()(container, options);
  TCompressorForm form(container, options, parent);
  if (form.exec() != QDialog::Accepted) return false;
  options = form.Choice();
  return true;
}
