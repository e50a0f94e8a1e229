// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/options_widgets_form.h"

#include <algorithm>

#include <QButtonGroup>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>

namespace {

constexpr int kStripWidth = 256, kStripHeight = 18;

}  // namespace

TColorSwatch::TColorSwatch(QWidget* parent) : QWidget(parent) {
  setFixedSize(40, 20);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void TColorSwatch::SetColor(const QColor& color) {
  FColor = color;
  update();
}

void TColorSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), FColor);
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (hasFocus()) {
    p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
  }
}

void TColorSwatch::mousePressEvent(QMouseEvent*) {
  if (OnClick) OnClick();
}

void TColorSwatch::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (OnClick) OnClick();
    return;
  }
  QWidget::keyPressEvent(event);
}

TPaletteStrip::TPaletteStrip(QWidget* parent) : QWidget(parent) {
  setFixedSize(kStripWidth, kStripHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaletteStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (!ColorAt) return;
  for (int x = 0; x <= width(); ++x) {
    p.setPen(ColorAt(x, width()));
    p.drawLine(x, 0, x, height() - 1);
  }
}

TStripScale::TStripScale(std::vector<std::pair<int, QString>> marks, QWidget* parent)
    : QWidget(parent), Marks(std::move(marks)) {
  setFixedSize(kStripWidth + 24, fontMetrics().height() + 2);
}

void TStripScale::paintEvent(QPaintEvent*) {
  QPainter p(this);
  for (const auto& [x, text] : Marks) {
    const int w = fontMetrics().horizontalAdvance(text);
    p.drawText(std::clamp(x - w / 2, 0, width() - w), fontMetrics().ascent() + 1, text);
  }
}

void AddRadioButtons(QButtonGroup* group, QWidget* box, const QStringList& texts, const char* prefix,
                     const std::function<void(QRadioButton* button, int index)>& place) {
  for (int k = 0; k < int(texts.size()); ++k) {
    auto* b = new QRadioButton(texts[k], box);
    b->setObjectName(QString(prefix) + QString::number(k));
    group->addButton(b, k);
    place(b, k);
  }
}
