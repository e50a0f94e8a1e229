// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_coordinates_form.h"

#include <charconv>
#include <cmath>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/options_shared_form.h"
#include "platform/profile.h"
#include "ui/settings.h"

namespace {

constexpr int kMaxIterMin = 4;

QToolButton* ArrowButton(QWidget* parent, Qt::ArrowType arrow, const char* name) {
  auto* b = new QToolButton(parent);
  b->setArrowType(arrow);
  b->setAutoRepeat(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedSize(18, 11);
  b->setObjectName(name);
  return b;
}

QVBoxLayout* SpinPair(QToolButton* up, QToolButton* down) {
  auto* l = new QVBoxLayout;
  l->setSpacing(0);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(up);
  l->addWidget(down);
  return l;
}

}  // namespace

Extended BailOutUp(Extended b) {
  const Extended r = std::nearbyint(std::sqrt(b > 0 ? b : 0));
  const Extended v = (r + 1) * (r + 1);
  return v > 999999.999L ? 999999.999L : v;
}

Extended BailOutDown(Extended b) {
  const Extended r = std::nearbyint(std::sqrt(b > 0 ? b : 0));
  const Extended v = (r - 1) * (r - 1);
  return r < 2 ? 1 : v;
}

std::string BailOutText(float b) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, b);
  try {
    return FormatReal(ParseReal(std::string_view(buf, size_t(res.ptr - buf))), 9);
  } catch (const TConvertError&) {
    return FormatReal(b, 9);  // infinity or NaN: as the general format writes it
  }
}

TOptionsCoordinatesPage::TOptionsCoordinatesPage(TOptionsShared& shared) : Shared(shared), FWindow(shared) {
  QWidget* page = this;
  auto* grid = new QGridLayout(page);
  FWindow.Build(page, grid);
  FAutoIter = new QCheckBox(tr("&Auto iteration control"), page);
  FAutoIter->setObjectName("AutoIterBox");
  connect(FAutoIter, &QCheckBox::toggled, this, &TOptionsCoordinatesPage::AutoIterToggled);
  grid->addWidget(FAutoIter, 3, 1, 1, 2);

  FMaxIter = new QSpinBox(page);
  FMaxIter->setObjectName("MaxIterSpin");
  FMaxIter->setRange(kMaxIterMin, kMaxIterLimit);
  // A value typed below the range becomes its least value on leaving.
  FMaxIter->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  FMaxIter->setToolTip(tr("Value larger then 5000 _NOT_ recommended !!!"));
  connect(FMaxIter, &QSpinBox::valueChanged, this, &TOptionsCoordinatesPage::MaxIterChanged);
  FMaxIterLabel = new QLabel(tr("&Max. iteration = "), page);
  FMaxIterLabel->setBuddy(FMaxIter);
  grid->addWidget(FMaxIterLabel, 4, 0);
  grid->addWidget(FMaxIter, 4, 1);

  FBailOut = new QLineEdit(page);
  FBailOut->setObjectName("BailOutEdit");
  const auto left = [this] { BailOutLeft(); };
  Shared.Edits.Watch(FBailOut, krReal, {.Entered = left, .Left = left, .Spin = [this](bool up) { BailOutSpin(up); }});
  auto* bailUp = ArrowButton(page, Qt::UpArrow, "BailOutUp");
  auto* bailDown = ArrowButton(page, Qt::DownArrow, "BailOutDown");
  connect(bailUp, &QToolButton::clicked, this, [this] { BailOutSpin(true); });
  connect(bailDown, &QToolButton::clicked, this, [this] { BailOutSpin(false); });
  auto* bailLabel = new QLabel(tr("&BailOut value ="), page);
  bailLabel->setBuddy(FBailOut);
  auto* bail = new QHBoxLayout;
  bail->addWidget(FBailOut);
  bail->addLayout(SpinPair(bailUp, bailDown));
  grid->addWidget(bailLabel, 5, 0);
  grid->addLayout(bail, 5, 1);
  // A program-wide preference, not a parameter of the document: spots keep
  // their exact values. The document renders again with the new arithmetic.
  FFastArithmetic = new QCheckBox(tr("Fast arithmetic (doubles, SIMD)"), page);
  FFastArithmetic->setObjectName("FastArithmeticBox");
  connect(FFastArithmetic, &QCheckBox::toggled, this, [this](bool on) {
    if (!Shared.Live) return;
    Settings().FastArithmetic = TFractal::UseFastArithmetic = on;
    if (Shared.Doc) Shared.Doc->Restart();
  });
  grid->addWidget(FFastArithmetic, 6, 1, 1, 2);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(7, 1);
}

void TOptionsCoordinatesPage::Fill() {
  TFractal* doc = Shared.Doc;
  if (!doc) return;
  TLiveOff off(Shared);
  FWindow.Fill();
  FAutoIter->setChecked(doc->AutoIter);
  FFastArithmetic->setChecked(Settings().FastArithmetic);
  FMaxIter->setMaximum(doc->MaxIterLimit());
  FMaxIter->setValue(doc->Ctx.MaxIter);
  FMaxIter->setEnabled(!doc->AutoIter);
  FMaxIterLabel->setEnabled(!doc->AutoIter);
  FBailOut->setText(Text(BailOutText(doc->Ctx.BailOut)));
}

void TOptionsCoordinatesPage::AutoIterToggled(bool on) {
  TFractal* doc = Shared.Doc;
  if (!Shared.Live || !doc || on == doc->AutoIter) return;
  doc->AutoIter = on;
  FMaxIter->setEnabled(!on);
  FMaxIterLabel->setEnabled(!on);
  if (on) {
    const int32_t n = doc->AutoMaxIter();
    {
      TLiveOff off(Shared);
      FMaxIter->setValue(n);
    }
    doc->SetMaxIter(n);
  }
}

void TOptionsCoordinatesPage::MaxIterChanged(int value) {
  if (!Shared.Live || !Shared.Doc) return;
  if (value > kMaxIterMin && value <= Shared.Doc->MaxIterLimit()) Shared.Doc->SetProperty(1, int32_t(value));
}

void TOptionsCoordinatesPage::BailOutLeft() {
  if (!Shared.Live || !Shared.Doc) return;
  Extended v;
  try {
    v = ParseReal(FBailOut->text().toStdString());
  } catch (const TConvertError&) {
    FBailOut->setText("0");
    return;
  }
  if (float(v) != Shared.Doc->Ctx.BailOut) Shared.Doc->SetProperty(0, v);
}

void TOptionsCoordinatesPage::BailOutSpin(bool up) {
  if (!Shared.Live || !Shared.Doc) return;
  Extended b = 0;
  try {
    b = ParseReal(FBailOut->text().toStdString());
  } catch (const TConvertError&) {
    FBailOut->setText("0");
  }
  const Extended v = up ? BailOutUp(b) : BailOutDown(b);
  FBailOut->setText(Text(FormatReal(v, 18)));
  Shared.Doc->SetProperty(0, v);
  // The refresh after the restart shows the stored float; keep the value
  // just computed in view.
  FBailOut->setText(Text(FormatReal(v, 18)));
}
