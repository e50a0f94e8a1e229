// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_page.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "formulas/catalogue.h"
#include "ui/numeric_edit_form.h"

namespace {

constexpr Extended kCoarseStep = 0.1L, kFineStep = 0.01L;
constexpr Extended kLimitCoarseStep = 0.01L, kLimitFineStep = 0.001L;

}  // namespace

QString Text1252(std::string_view text) { return QString::fromStdString(CatalogueTextToUtf8(text)); }

QPushButton* NewButton(const QString& text, const QString& toolTip, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setToolTip(toolTip);
  button->setAutoDefault(false);
  return button;
}

// ---------------------------------------------------------------- choice list

TChoiceList::TChoiceList(QWidget* parent) : QListWidget(parent) {
  connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!InMouse && row >= 0 && OnChosen) OnChosen(row);
  });
  connect(this, &QListWidget::clicked, this, [this](const QModelIndex& index) {
    if (index.isValid() && OnChosen) OnChosen(index.row());
  });
}

void TChoiceList::mousePressEvent(QMouseEvent* event) {
  InMouse = true;
  QListWidget::mousePressEvent(event);
  InMouse = false;
}

void TChoiceList::mouseMoveEvent(QMouseEvent* event) {
  InMouse = true;
  QListWidget::mouseMoveEvent(event);
  InMouse = false;
}

// ---------------------------------------------------------------- edits

TNumericEdit* TSelectEdits::Add(int32_t index, bool fine, QWidget* parent, TSpinButton** coarseSpin,
                                TSpinButton** fineSpin) {
  auto* edit = new TNumericEdit(parent);
  edit->setFixedWidth(72);
  Info[edit] = {index, TEditInfo::Parameter};
  connect(edit, &TNumericEdit::Left, this, [this, edit] { EditLeft(edit); });
  connect(edit, &QLineEdit::returnPressed, this, [this, edit] { EditLeft(edit); });
  auto* coarse = new TSpinButton(parent);
  connect(coarse, &TSpinButton::Up, this, [this, edit] { Spin(edit, kCoarseStep); });
  connect(coarse, &TSpinButton::Down, this, [this, edit] { Spin(edit, -kCoarseStep); });
  Coarse[edit] = coarse;
  *coarseSpin = coarse;
  if (fine) {
    auto* f = new TSpinButton(parent);
    connect(f, &TSpinButton::Up, this, [this, edit] { Spin(edit, kFineStep); });
    connect(f, &TSpinButton::Down, this, [this, edit] { Spin(edit, -kFineStep); });
    Fine[edit] = f;
    *fineSpin = f;
  }
  return edit;
}

TNumericEdit* TSelectEdits::AddLimit(int32_t index, QWidget* parent, TSpinButton* spins[2]) {
  auto* edit = new TNumericEdit(parent, false);
  edit->setFixedWidth(90);
  Info[edit] = {index, TEditInfo::FilterLimit};
  connect(edit, &TNumericEdit::Left, this, [this, edit] { EditLeft(edit); });
  connect(edit, &QLineEdit::returnPressed, this, [this, edit] { EditLeft(edit); });
  for (int k = 0; k < 2; ++k) {
    spins[k] = new TSpinButton(parent);
    const Extended step = k == 0 ? kLimitCoarseStep : kLimitFineStep;
    connect(spins[k], &TSpinButton::Up, this, [this, edit, step] { Spin(edit, step); });
    connect(spins[k], &TSpinButton::Down, this, [this, edit, step] { Spin(edit, -step); });
  }
  Coarse[edit] = spins[0];
  Fine[edit] = spins[1];
  return edit;
}

void TSelectEdits::Commit(TNumericEdit* edit) {
  if (edit && Has(edit)) EditLeft(edit);
}

TSpinButton* TSelectEdits::SpinOf(const TNumericEdit* edit, bool fine) const {
  const auto& map = fine ? Fine : Coarse;
  const auto it = map.find(edit);
  return it == map.end() ? nullptr : it->second;
}

void TSelectEdits::EditLeft(TNumericEdit* edit) {
  const auto info = Info.find(edit);
  if (info == Info.end()) return;
  if (edit->text().isEmpty()) edit->setText("0");
  const Extended v = edit->Value();
  if (info->second.Kind == TEditInfo::FilterLimit) {
    edit->SetValue(ClampFilterLimit(v));
    WriteProperty(info->second.Index, edit->Value());
    return;
  }
  edit->SetValue(ClampParameter(v));
  WriteProperty(info->second.Index, edit->Value());
  ParameterChanged();
}

void TSelectEdits::Spin(TNumericEdit* edit, Extended step) {
  const auto info = Info.find(edit);
  if (info == Info.end()) return;
  if (info->second.Kind == TEditInfo::FilterLimit) {
    if (edit->text().isEmpty()) edit->setText("0");
    Extended v = edit->Value() + step;
    if (v < 0) v = 0;
    edit->SetValue(v, 18);
    WriteProperty(info->second.Index, edit->Value());
    return;
  }
  // Both pages' P1..P3 edits share their indexes: all of them step.
  for (const auto& [other, otherInfo] : Info) {
    if (otherInfo.Kind != TEditInfo::Parameter || otherInfo.Index != info->second.Index) continue;
    auto* e = const_cast<TNumericEdit*>(other);
    if (e->text().isEmpty()) e->setText("0");
    e->SetValue(e->Value() + step);
  }
  WriteProperty(info->second.Index, edit->Value());
  ParameterChanged();
}

// ---------------------------------------------------------------- parameters

TParameterGroup::TParameterGroup(TSelectEdits& edits, QWidget* parent) {
  FGroup = new QGroupBox(QCoreApplication::translate("TParameterGroup", "Parameters:"), parent);
  auto* grid = new QGridLayout(FGroup);
  grid->setHorizontalSpacing(2);
  grid->addWidget(new QLabel(QCoreApplication::translate("TParameterGroup", "Re:"), FGroup), 0, 1);
  grid->addWidget(new QLabel(QCoreApplication::translate("TParameterGroup", "Im:"), FGroup), 0, 5);
  static constexpr int32_t kIndex[3] = {2, 4, 30};
  for (int k = 0; k < 3; ++k) {
    auto* label = new QLabel(QCoreApplication::translate("TParameterGroup", "P%1:").arg(k + 1), FGroup);
    grid->addWidget(label, k + 1, 0);
    FRows[k].push_back(label);
    for (int part = 0; part < 2; ++part) {
      TSpinButton *coarse = nullptr, *fine = nullptr;
      TNumericEdit* edit = edits.Add(kIndex[k] + part, true, FGroup, &coarse, &fine);
      FEdits[k][part] = edit;
      const int col = 1 + part * 4;
      grid->addWidget(edit, k + 1, col);
      grid->addWidget(coarse, k + 1, col + 1);
      grid->addWidget(fine, k + 1, col + 2);
      if (part == 0) grid->setColumnMinimumWidth(col + 3, 10);
      FRows[k].insert(FRows[k].end(), {edit, coarse, fine});
    }
  }
  grid->setColumnStretch(8, 1);
}
