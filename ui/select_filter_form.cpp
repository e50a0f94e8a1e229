// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_filter_form.h"

#include <initializer_list>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "formulas/catalogue.h"
#include "ui/numeric_edit_form.h"
#include "ui/select_page.h"

TSelectFilterPanel::TSelectFilterPanel(TSelectEdits& edits, QWidget* parent) : QWidget(parent) {
  QSizePolicy sp = sizePolicy();
  sp.setRetainSizeWhenHidden(true);
  setSizePolicy(sp);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(3);
  FFilterLabel = new QLabel(tr("&Filter:"), this);
  FFilter = new QComboBox(this);
  FFilter->setMaxVisibleItems(12);
  // A list that scrolls, not one as tall as the screen, whatever the style.
  FFilter->setStyleSheet("QComboBox { combobox-popup: 0; }");
  for (const TFilterEntry& f : FilterCatalogue) FFilter->addItem(Text1252(f.Name));
  FFilterLabel->setBuddy(FFilter);
  grid->addWidget(FFilterLabel, 0, 0);
  grid->addWidget(FFilter, 0, 1, 1, 4);

  FFilterLimitLabel = new QLabel(tr("Filter limit:"), this);
  FFilterLimit = edits.AddLimit(23, this, FFilterSpins);
  grid->addWidget(FFilterLimitLabel, 1, 0);
  grid->addWidget(FFilterLimit, 1, 1);
  grid->addWidget(FFilterSpins[0], 1, 2);
  grid->addWidget(FFilterSpins[1], 1, 3);
  FFilterOnly = new QCheckBox(tr("Filter only"), this);
  FKeepInfinite = new QCheckBox(tr("Keep infinite area"), this);
  auto* checks = new QHBoxLayout;
  checks->addWidget(FFilterOnly);
  checks->addWidget(FKeepInfinite);
  grid->addLayout(checks, 1, 4);
  grid->setColumnStretch(4, 1);
}

void TSelectFilterPanel::EnableFilterControls(int row) {
  const bool on = row != 0;
  for (QWidget* w : std::initializer_list<QWidget*>{FFilterLimitLabel, FFilterLimit, FFilterSpins[0], FFilterSpins[1],
                                                    FKeepInfinite, FFilterOnly})
    w->setEnabled(on);
}
