// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_jpeg_form.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "engine/options_shared_form.h"
#include "ui/settings.h"

TOptionsJpegPage::TOptionsJpegPage(TOptionsShared& shared) : Shared(shared) {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);
  FQuality = new QSlider(Qt::Horizontal, page);
  FQuality->setObjectName("QualitySlider");
  FQuality->setRange(1, 10);
  FQuality->setPageStep(1);
  FQuality->setTickPosition(QSlider::TicksBelow);
  FQuality->setTickInterval(1);
  FQuality->setFixedWidth(260);
  connect(FQuality, &QSlider::valueChanged, this, [this](int position) {
    if (Shared.Live) Settings().JpegQuality = position * 10;
  });
  auto* label = new QLabel(tr("JPEG &quality:"), page);
  label->setBuddy(FQuality);
  layout->addWidget(label);
  layout->addWidget(FQuality);
  auto* marks = new QHBoxLayout;
  marks->addWidget(new QLabel(tr("Low"), page));
  marks->addStretch();
  marks->addWidget(new QLabel(tr("Medium"), page));
  marks->addStretch();
  marks->addWidget(new QLabel(tr("High"), page));
  auto* markBox = new QWidget(page);
  markBox->setFixedWidth(260);
  marks->setContentsMargins(0, 0, 0, 0);
  markBox->setLayout(marks);
  layout->addWidget(markBox);
  FProgressive = new QCheckBox(tr("&Progressive"), page);
  FProgressive->setObjectName("ProgressiveBox");
  connect(FProgressive, &QCheckBox::toggled, this, [this](bool on) {
    if (Shared.Live) Settings().JpegProgressive = on;
  });
  layout->addSpacing(8);
  layout->addWidget(FProgressive);
  layout->addStretch();
}

void TOptionsJpegPage::Fill() {
  TLiveOff off(Shared);
  FQuality->setValue(Settings().JpegQuality / 10);
  FProgressive->setChecked(Settings().JpegProgressive);
}
