// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/size_form.h"

#include <cmath>
#include <optional>

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The edit's number; nullopt for an empty text, anything but digits, or a
// value beyond the int range.
std::optional<int> ReadSize(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  long long v = 0;
  for (QChar c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c.unicode() - '0');
    if (v > 2147483647LL) return std::nullopt;
  }
  return int(v);
}

// Round half to even, kept inside what an edit can sensibly hold.
int RoundSize(Extended v) {
  if (!(v >= 0)) return 0;
  if (v > 999999999.0L) return 999999999;
  return int(std::nearbyint(v));
}

QToolButton* MakeSpin(QWidget* parent, Qt::ArrowType arrow) {
  auto* b = new QToolButton(parent);
  b->setArrowType(arrow);
  b->setAutoRepeat(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedSize(18, 12);
  return b;
}

}  // namespace

int SizeSpinUp(int value) { return value > kFracSizeMax - 8 ? kFracSizeMax : value + 8; }

int SizeSpinDown(int value) { return value >= 28 ? value - 8 : kFracSizeMin; }

int SizeOnLeave(int value) {
  value -= value % 4;
  if (value <= 16) return kFracSizeMin;
  if (value > kFracSizeMax) return kFracSizeMax;
  return value;
}

TFracSize::TFracSize(int width, int height, QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Set fractal size"));
  auto* grid = new QGridLayout;
  auto addRow = [&](int row, const QString& caption, QLineEdit*& edit, QToolButton*& up, QToolButton*& down) {
    edit = new QLineEdit(this);
    edit->setMaxLength(9);
    edit->setFixedWidth(70);
    edit->installEventFilter(this);
    // Pasted text obeys the digits-only rule of typing too.
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    up = MakeSpin(this, Qt::UpArrow);
    down = MakeSpin(this, Qt::DownArrow);
    auto* spins = new QVBoxLayout;
    spins->setSpacing(0);
    spins->addWidget(up);
    spins->addWidget(down);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addLayout(spins, row, 2);
  };
  addRow(0, tr("&Width:"), FWidth, FSpins[0], FSpins[1]);
  addRow(1, tr("&Height:"), FHeight, FSpins[2], FSpins[3]);
  FWidth->setObjectName("WidthEdit");
  FHeight->setObjectName("HeightEdit");

  FProportional = new QCheckBox(tr("&Proportional"), this);
  FProportional->setChecked(true);

  FOk = new QPushButton(tr("&Ok"), this);
  FOk->setDefault(true);
  auto* cancel = new QPushButton(tr("&Cancel"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(FOk);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(FProportional);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  FWidth->setText(QString::number(width));
  FHeight->setText(QString::number(height));
  R = height != 0 ? Extended(width) / height : 1;
  if (!(R > 0) || !std::isfinite(double(R))) R = 1;

  connect(FWidth, &QLineEdit::textChanged, this, [this] { Edited(FWidth); });
  connect(FHeight, &QLineEdit::textChanged, this, [this] { Edited(FHeight); });
  connect(FSpins[0], &QToolButton::clicked, this, [this] { Spin(FWidth, true); });
  connect(FSpins[1], &QToolButton::clicked, this, [this] { Spin(FWidth, false); });
  connect(FSpins[2], &QToolButton::clicked, this, [this] { Spin(FHeight, true); });
  connect(FSpins[3], &QToolButton::clicked, this, [this] { Spin(FHeight, false); });
  connect(FOk, &QPushButton::clicked, this, &TFracSize::OkClicked);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFracSize::Execute(QWidget* parent, int& width, int& height) {
  TFracSize dialog(width, height, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  width = dialog.FracWidth();
  height = dialog.FracHeight();
  return true;
}

int TFracSize::FracWidth() const { return ReadSize(FWidth->text()).value_or(0); }
int TFracSize::FracHeight() const { return ReadSize(FHeight->text()).value_or(0); }

QToolButton* TFracSize::SpinButton(bool width, bool up) const { return FSpins[(width ? 0 : 2) + (up ? 0 : 1)]; }

void TFracSize::Spin(QLineEdit* edit, bool up) {
  if (edit->text().isEmpty()) edit->setText("0");
  const int v = ReadSize(edit->text()).value_or(0);
  edit->setText(QString::number(up ? SizeSpinUp(v) : SizeSpinDown(v)));
}

void TFracSize::Edited(QLineEdit* edit) {
  // Only the edit the user (or a spin button, or leaving it) changed drives
  // the other one; the other edit's own change must not drive it back, or
  // rounding would rewrite the number being typed (width 10 at 4:3 would
  // give height 8 and then width 11).
  if (Updating || !FProportional->isChecked()) return;
  const int v = ReadSize(edit->text()).value_or(0);
  QLineEdit* other = edit == FWidth ? FHeight : FWidth;
  const QString text = QString::number(edit == FWidth ? RoundSize(v / R) : RoundSize(v * R));
  if (other->text() == text) return;
  Updating = true;
  other->setText(text);
  Updating = false;
}

bool TFracSize::Leave(QLineEdit* edit) {
  const std::optional<int> v = ReadSize(edit->text());
  if (!v) return false;
  const QString text = QString::number(SizeOnLeave(*v));
  if (edit->text() != text) edit->setText(text);
  return true;
}

void TFracSize::OkClicked() {
  // "&Ok" taken with the keyboard leaves the focused edit as a click would.
  for (QLineEdit* edit : {FWidth, FHeight}) {
    if (edit->hasFocus() && !Leave(edit)) {
      edit->setFocus();
      return;
    }
  }
  accept();
}

bool TFracSize::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && (edit == FWidth || edit == FHeight)) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const QString t = key->text();
      // Printable keys: digits only; Backspace and the editing and moving
      // keys pass.
      if (!t.isEmpty() && t[0].isPrint() && !(key->modifiers() & Qt::ControlModifier)) {
        if (!(t.size() == 1 && t[0] >= '0' && t[0] <= '9')) return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      if (!Leave(edit)) QTimer::singleShot(0, edit, [edit] { edit->setFocus(); });
    }
  }
  return QDialog::eventFilter(watched, event);
}
