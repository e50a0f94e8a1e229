// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_constructor_page.h"

#include <QGridLayout>
#include <QLabel>

#include "engine/fractal.h"
#include "ui/numeric_edit_form.h"

TSelectConstructorPage::TSelectConstructorPage(TSelectEdits& edits) {
  auto* grid = new QGridLayout(this);
  grid->setHorizontalSpacing(3);
  struct TCoef {
    int32_t Index;
    const char* Caption;
  };
  static const TCoef kLeft[6] = {{16, QT_TR_NOOP("A*Z°, A=")},   {17, QT_TR_NOOP("B*Z, B=")},
                                 {18, QT_TR_NOOP("C*Z^2, C=")},  {19, QT_TR_NOOP("D*Z^3, D=")},
                                 {20, QT_TR_NOOP("E*Z^4, E=")},  {25, QT_TR_NOOP("K *e^(1/Z), K=")}};
  static const TCoef kRight[5] = {{11, QT_TR_NOOP("F / Z, F=")},     {12, QT_TR_NOOP("G / Z^2, G=")},
                                  {13, QT_TR_NOOP("H*Sqrt(Z), H=")}, {14, QT_TR_NOOP("I*e^Z, I=")},
                                  {15, QT_TR_NOOP("J*Sin(Z), J=")}};
  auto add = [&](const TCoef& c, int row, int col) {
    TSpinButton *coarse = nullptr, *fine = nullptr;
    TNumericEdit* edit = edits.Add(c.Index, false, this, &coarse, &fine);
    FCoefs[c.Index] = edit;
    auto* label = new QLabel(tr(c.Caption), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, row, col);
    grid->addWidget(edit, row, col + 1);
    grid->addWidget(coarse, row, col + 2);
  };
  for (int k = 0; k < 6; ++k) add(kLeft[k], k, 0);
  for (int k = 0; k < 5; ++k) add(kRight[k], k, 4);
  grid->setColumnMinimumWidth(3, 12);
  grid->setRowStretch(6, 1);
}

TNumericEdit* TSelectConstructorPage::CoefficientEdit(int index) const {
  const auto it = FCoefs.find(index);
  return it == FCoefs.end() ? nullptr : it->second;
}

void TSelectConstructorPage::ShowCoefficients(const TFractal& document) {
  static constexpr struct {
    int32_t Index;
    int Coef;
  } kCoefs[] = {{16, cfA}, {17, cfB}, {18, cfC}, {19, cfD}, {20, cfE}, {11, cfF},
                {12, cfG}, {13, cfH}, {14, cfI}, {15, cfJ}, {25, cfK}};
  for (const auto& c : kCoefs) FCoefs.at(c.Index)->SetValue(document.Ctx.Constructor[c.Coef]);
}
