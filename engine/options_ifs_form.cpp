// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_ifs_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/options_shared_form.h"
#include "engine/options_widgets_form.h"

TOptionsIFSPage::TOptionsIFSPage(TOptionsShared& shared) : Shared(shared) {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);
  auto* background = new QHBoxLayout;
  FBackground = new TColorSwatch(page);
  FBackground->setObjectName("BackgroundSwatch");
  FBackground->OnClick = [this] { Shared.PickInfinityColour(); };
  Shared.InfinitySwatches.push_back(FBackground);
  auto* label = new QLabel(tr("&Background color:"), page);
  label->setBuddy(FBackground);
  background->addWidget(label);
  background->addWidget(FBackground);
  background->addStretch();
  layout->addLayout(background);

  auto* styleGroup = new QGroupBox(tr("IFS color system:"), page);
  auto* styles = new QVBoxLayout(styleGroup);
  FIFSStyle = new QButtonGroup(this);
  AddRadioButtons(FIFSStyle, styleGroup, {tr("Shaded (standart palette)"), tr("Solid color")}, "IFSStyle",
                  [styles](QRadioButton* b, int) { styles->addWidget(b); });
  connect(FIFSStyle, &QButtonGroup::idClicked, this, &TOptionsIFSPage::IFSStyleChosen);
  auto* solid = new QHBoxLayout;
  FSolidButton = new QPushButton("...", styleGroup);
  FSolidButton->setObjectName("SolidButton");
  FSolidButton->setToolTip(tr("Select solid color for IFS"));
  FSolidButton->setAutoDefault(false);
  FSolidButton->setFixedWidth(32);
  connect(FSolidButton, &QPushButton::clicked, this, &TOptionsIFSPage::PickSolidColour);
  FSolid = new TColorSwatch(styleGroup);
  FSolid->setObjectName("SolidSwatch");
  FSolid->OnClick = [this] { PickSolidColour(); };
  solid->addWidget(FSolidButton);
  solid->addWidget(FSolid);
  solid->addStretch();
  styles->addLayout(solid);
  layout->addWidget(styleGroup);

  FQuick = new QCheckBox(tr("&Quick calculating  ( IFS and Orbital )"), page);
  FQuick->setObjectName("QuickBox");
  connect(FQuick, &QCheckBox::toggled, this, &TOptionsIFSPage::QuickToggled);
  layout->addWidget(FQuick);
  layout->addStretch();
}

void TOptionsIFSPage::Fill() {
  TLiveOff off(Shared);
  const TFractal& doc = *Shared.Doc;
  const int style = doc.Ctx.IFSColorStyle;
  if (QAbstractButton* b = FIFSStyle->button(style)) {
    b->setChecked(true);
  } else {
    FIFSStyle->setExclusive(false);
    for (QAbstractButton* b : FIFSStyle->buttons()) b->setChecked(false);
    FIFSStyle->setExclusive(true);
  }
  FSolidButton->setVisible(style == 1);
  FSolid->setVisible(style == 1);
  const uint8_t* s = doc.Ctx.IFSSolid;
  FSolid->SetColor(QColor(s[2], s[1], s[0]));
  FBackground->SetColor(ColourOf(doc.Palette->InfinityColor));
  FQuick->setChecked(doc.Ctx.IFSquick);
}

void TOptionsIFSPage::RecolourIFS() {
  if (Shared.Doc->Ctx.Number == kIFSFormula || Shared.Doc->Ctx.Number == kAttractorFormula) Shared.Recolour();
}

void TOptionsIFSPage::IFSStyleChosen(int style) {
  if (!Shared.Live || !Shared.Doc) return;
  Shared.Doc->Ctx.IFSColorStyle = style;
  FSolidButton->setVisible(style == 1);
  FSolid->setVisible(style == 1);
  RecolourIFS();
}

void TOptionsIFSPage::PickSolidColour() {
  if (!Shared.Live || !Shared.Doc) return;
  uint8_t* s = Shared.Doc->Ctx.IFSSolid;
  QColor c(s[2], s[1], s[0]);
  if (!Shared.ChooseColour(c)) return;
  s[0] = uint8_t(c.blue());
  s[1] = uint8_t(c.green());
  s[2] = uint8_t(c.red());
  FSolid->SetColor(c);
  RecolourIFS();
}

void TOptionsIFSPage::QuickToggled(bool on) {
  if (!Shared.Live || !Shared.Doc) return;
  Shared.Doc->Ctx.IFSquick = on;
  const int32_t n = Shared.Doc->Ctx.Number;
  if (n == kIFSFormula || (n >= 500 && n <= 999)) Shared.Doc->Restart();
}
