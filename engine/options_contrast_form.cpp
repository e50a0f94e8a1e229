// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_contrast_form.h"

#include <algorithm>
#include <cmath>

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "engine/options_shared_form.h"
#include "engine/options_widgets_form.h"

TOptionsContrastPage::TOptionsContrastPage(TOptionsShared& shared) : Shared(shared) {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(tr("Four palette cycles:"), page));
  FCycles = new TPaletteStrip(page);
  FCycles->setObjectName("CyclesStrip");
  FCycles->ColorAt = [this](int x, int width) {
    if (!Shared.Doc) return QColor(Qt::black);
    const float v = float(std::nearbyint(Extended(x + 1) * 256 / width));
    return ColourOf(Shared.Doc->Palette->ColorOf(v, v, v));
  };
  Shared.PaletteStrips.push_back(FCycles);
  layout->addWidget(FCycles);
  layout->addWidget(new TStripScale({{0, "1"}, {64, "256"}, {128, "512"}, {192, "768"}, {255, "1024"}}, page));

  auto* filterGroup = new QGroupBox(tr("Palette filter:"), page);
  auto* filterGrid = new QGridLayout(filterGroup);
  FIterChanging = new QButtonGroup(this);
  AddRadioButtons(FIterChanging, filterGroup,
                  {tr("Linear"), tr("Square root"), tr("Logarithmical"), tr("Sinusoidal (Pi/2)"), tr("Sinusoidal (Pi)"),
                   tr("Cosinusoidal")},
                  "IterChanging", [filterGrid](QRadioButton* b, int k) { filterGrid->addWidget(b, k % 3, k / 3); });
  connect(FIterChanging, &QButtonGroup::idClicked, this, &TOptionsContrastPage::IterChangingChosen);
  layout->addWidget(filterGroup);

  auto* contrastGroup = new QGroupBox(tr("Contrast:"), page);
  auto* contrastRow = new QHBoxLayout(contrastGroup);
  FContrast = new QSlider(Qt::Horizontal, contrastGroup);
  FContrast->setObjectName("ContrastSlider");
  FContrast->setRange(0, 20);
  FContrast->setTickPosition(QSlider::TicksBelow);
  FContrast->setTickInterval(1);
  FContrast->setPageStep(2);
  connect(FContrast, &QSlider::valueChanged, this, &TOptionsContrastPage::ContrastMoved);
  contrastRow->addWidget(new QLabel(tr("Darker"), contrastGroup));
  contrastRow->addWidget(FContrast, 1);
  contrastRow->addWidget(new QLabel(tr("Brighter"), contrastGroup));
  layout->addWidget(contrastGroup);
  layout->addStretch();
}

void TOptionsContrastPage::Fill() {
  TLiveOff off(Shared);
  const TFPal& pal = *Shared.Doc->Palette;
  FContrast->setValue(int(std::clamp(std::nearbyint(20.0 * double(pal.Contrast)), 0.0, 20.0)));
  if (QAbstractButton* b = FIterChanging->button(pal.IterChanging)) {
    b->setChecked(true);
  } else {
    // A curve number the dialog does not name shapes like "Linear".
    FIterChanging->button(0)->setChecked(true);
  }
  FCycles->update();
}

void TOptionsContrastPage::IterChangingChosen(int curve) {
  if (!Shared.Live || !Shared.Doc) return;
  Shared.Doc->Palette->IterChanging = curve;
  Shared.Doc->Palette->Rebuild();
  Shared.RepaintPalette();
  Shared.Recolour();
}

void TOptionsContrastPage::ContrastMoved(int position) {
  if (!Shared.Live || !Shared.Doc) return;
  Shared.Doc->Palette->Contrast = float(position) / 20;
  Shared.Doc->Palette->Rebuild();
  Shared.RepaintPalette();
  Shared.Recolour();
}
