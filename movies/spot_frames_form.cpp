// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/spot_frames_form.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "movies/zoom_movie.h"

TSpotFramesForm::TSpotFramesForm(int32_t frames, QWidget* parent) : QDialog(parent), FFrames(new QSpinBox(this)) {
  setWindowTitle(tr("Frame count"));
  FFrames->setRange(1, kMaxSpotFrames);
  FFrames->setSingleStep(5);
  FFrames->setValue(frames);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(tr("&Ok"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(tr("Frame count:"), this);
  label->setBuddy(FFrames);
  row->addWidget(label);
  row->addWidget(FFrames);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  setFixedSize(sizeHint());
}

bool TSpotFramesForm::Execute(QWidget* parent, int32_t& frames) {
  TSpotFramesForm form(frames, parent);
  if (form.exec() != QDialog::Accepted) return false;
  frames = form.FFrames->value();
  return true;
}
