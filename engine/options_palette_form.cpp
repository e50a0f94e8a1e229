// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_palette_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include "engine/options_curves_form.h"
#include "engine/options_shared_form.h"
#include "engine/options_widgets_form.h"

namespace {

// The standard palette's steps and starts, per channel.
int32_t TFPal::*const kSteps[3] = {&TFPal::RedStep, &TFPal::GreenStep, &TFPal::BlueStep};
int32_t TFPal::*const kShifts[3] = {&TFPal::RedShift, &TFPal::GreenShift, &TFPal::BlueShift};

}  // namespace

TOptionsPalettePage::TOptionsPalettePage(TOptionsShared& shared) : Shared(shared) {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(tr("Infinity color:"), page));
  auto* infinity = new TColorSwatch(page);
  infinity->setObjectName("InfinitySwatch");
  infinity->OnClick = [this] { Shared.PickInfinityColour(); };
  Shared.InfinitySwatches.push_back(infinity);
  top->addWidget(infinity);
  top->addSpacing(24);
  FColorOrder = new QComboBox(page);
  FColorOrder->setObjectName("ColorOrderCombo");
  FColorOrder->addItems({"R G B", "R B G", "G R B", "G B R", "B R G", "B G R"});
  auto* orderLabel = new QLabel(tr("Color order:"), page);
  orderLabel->setBuddy(FColorOrder);
  top->addWidget(orderLabel);
  top->addWidget(FColorOrder);
  top->addStretch();
  connect(FColorOrder, &QComboBox::currentIndexChanged, this, &TOptionsPalettePage::ColorOrderChosen);
  layout->addLayout(top);

  auto* strip = new TPaletteStrip(page);
  strip->setObjectName("ColorStrip");
  strip->ColorAt = [this](int x, int) {
    if (!Shared.Doc) return QColor(Qt::black);
    return ColourOf(Shared.Doc->Palette->ColorOf(float(x + 1), float(x + 1), float(x + 1)));
  };
  Shared.PaletteStrips.push_back(strip);
  layout->addWidget(strip);
  auto* scale = new QLabel("0                 64                128               192             256 ", page);
  QFont small = scale->font();
  small.setPixelSize(9);
  scale->setFont(small);
  layout->addWidget(scale);

  auto* middle = new QHBoxLayout;
  auto* kindGroup = new QGroupBox(tr("P&alette"), page);
  auto* kindColumn = new QVBoxLayout(kindGroup);
  FKind = new QButtonGroup(this);
  AddRadioButtons(FKind, kindGroup, {tr("Standart"), tr("Linear"), tr("Parabolic"), tr("Quad square")}, "Kind",
                  [kindColumn](QRadioButton* b, int) { kindColumn->addWidget(b); });
  connect(FKind, &QButtonGroup::idClicked, this, &TOptionsPalettePage::PaletteKindChosen);
  middle->addWidget(kindGroup);
  auto* files = new QVBoxLayout;
  auto* save = new QPushButton(tr("&Save"), page);
  save->setObjectName("SaveButton");
  save->setAutoDefault(false);
  auto* load = new QPushButton(tr("&Load"), page);
  load->setObjectName("LoadButton");
  load->setAutoDefault(false);
  connect(save, &QPushButton::clicked, this, [this] {
    if (OnSave) OnSave();
  });
  connect(load, &QPushButton::clicked, this, [this] {
    if (OnLoad) OnLoad();
  });
  files->addWidget(save);
  files->addWidget(load);
  files->addStretch();
  middle->addLayout(files);

  // The standard palette's steps and starts.
  auto* standard = new QVBoxLayout;
  const char* channels[3] = {"Red", "Green", "Blue"};
  FStepsGroup = new QGroupBox(tr("Steps: 0..255"), page);
  auto* steps = new QHBoxLayout(FStepsGroup);
  FShiftsGroup = new QGroupBox(tr("Iteration starting: 0..255"), page);
  auto* shifts = new QGridLayout(FShiftsGroup);
  for (int c = 0; c < 3; ++c) {
    FSteps[c] = new QSpinBox(FStepsGroup);
    FSteps[c]->setRange(0, 255);
    FSteps[c]->setObjectName(QString(channels[c]) + "StepSpin");
    FSteps[c]->setToolTip(channels[c]);
    steps->addWidget(FSteps[c]);
    connect(FSteps[c], &QSpinBox::valueChanged, this, [this, c](int v) { StepChanged(c, v); });

    FShiftBars[c] = new QScrollBar(Qt::Horizontal, FShiftsGroup);
    FShiftBars[c]->setRange(0, 255);
    FShiftBars[c]->setObjectName(QString(channels[c]) + "ShiftBar");
    FShiftBars[c]->setMinimumWidth(110);
    FShifts[c] = new QSpinBox(FShiftsGroup);
    FShifts[c]->setRange(0, 255);
    FShifts[c]->setObjectName(QString(channels[c]) + "ShiftSpin");
    FShifts[c]->setToolTip(channels[c]);
    shifts->addWidget(FShiftBars[c], c, 0);
    shifts->addWidget(FShifts[c], c, 1);
    // A scroll bar sets its spin field; the spin field sets the palette.
    connect(FShiftBars[c], &QScrollBar::valueChanged, this, [this, c](int v) {
      if (Shared.Live) FShifts[c]->setValue(v);
    });
    connect(FShifts[c], &QSpinBox::valueChanged, this, [this, c](int v) { ShiftChanged(c, v); });
  }
  standard->addWidget(FStepsGroup);
  standard->addWidget(FShiftsGroup);
  middle->addLayout(standard);
  middle->addStretch();
  layout->addLayout(middle);

  // The table palettes' curve boxes.
  FCurvesPanel = new TCurvesPanel(Shared, page);
  layout->addWidget(FCurvesPanel);
  layout->addStretch();
}

void TOptionsPalettePage::Fill() {
  TLiveOff off(Shared);
  const TFPal& pal = *Shared.Doc->Palette;
  Shared.ShowInfinityColour(ColourOf(pal.InfinityColor));
  FColorOrder->setCurrentIndex(pal.ColorOrder >= 0 && pal.ColorOrder <= 5 ? pal.ColorOrder : -1);
  if (QAbstractButton* b = FKind->button(pal.PaletteKind)) b->setChecked(true);
  for (int c = 0; c < 3; ++c) {
    FSteps[c]->setValue(pal.*kSteps[c]);
    FShifts[c]->setValue(pal.*kShifts[c]);
    FShiftBars[c]->setValue(pal.*kShifts[c]);
  }
  FCurvesPanel->ShowEndPoints();
  Shared.RepaintPalette();
}

bool TOptionsPalettePage::TablePalette() const {
  const int32_t kind = Shared.Doc->Palette->PaletteKind;
  return kind >= kPalLinear && kind <= kPalSquare;
}

void TOptionsPalettePage::ShowKindControls() {
  const bool table = TablePalette();
  FStepsGroup->setVisible(!table);
  FShiftsGroup->setVisible(!table);
  FCurvesPanel->setVisible(table);
}

void TOptionsPalettePage::PaletteKindChosen(int kind) {
  if (!Shared.Live || !Shared.Doc) return;
  TFPal& pal = *Shared.Doc->Palette;
  pal.PaletteKind = kind;
  if (OnKindChosen) OnKindChosen();
  pal.Rebuild();
  {
    TLiveOff off(Shared);
    FCurvesPanel->ShowEndPoints();
  }
  Shared.RepaintPalette();
  Shared.Recolour();
}

void TOptionsPalettePage::ColorOrderChosen(int order) {
  if (!Shared.Live || !Shared.Doc || order < 0) return;
  Shared.Doc->Palette->SetColorOrder(order);
  Shared.RepaintPalette();
  Shared.Recolour();
}

void TOptionsPalettePage::StepChanged(int channel, int value) {
  if (!Shared.Live || !Shared.Doc) return;
  (*Shared.Doc->Palette).*kSteps[channel] = value;
  Shared.RepaintPalette();
  Shared.Recolour();
}

void TOptionsPalettePage::ShiftChanged(int channel, int value) {
  if (!Shared.Live || !Shared.Doc) return;
  (*Shared.Doc->Palette).*kShifts[channel] = value;
  {
    TLiveOff off(Shared);
    FShiftBars[channel]->setValue(value);
  }
  Shared.RepaintPalette();
  Shared.Recolour();
}
