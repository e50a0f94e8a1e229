// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/coordinate_panel_form.h"

#include <QResizeEvent>

TCoordinatePanel::TCoordinatePanel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The panel takes the width the others leave; its text never asks for more.
  setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
  setMinimumWidth(0);
}

void TCoordinatePanel::ShowPosition(const TPositionText& position) {
  Position = position;
  Fit();
}

void TCoordinatePanel::Clear() {
  Position.reset();
  setText({});
  setToolTip({});
}

void TCoordinatePanel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (Position) Fit();
}

void TCoordinatePanel::Fit() {
  const int room = contentsRect().width();
  const QFontMetrics metrics = fontMetrics();
  const QString fitted = QString::fromStdString(
      Position->Fitted([&](const std::string& t) { return metrics.horizontalAdvance(QString::fromStdString(t)) <= room; }));
  // Even without decimals too wide: visibly cut rather than run under a panel.
  setText(metrics.horizontalAdvance(fitted) <= room ? fitted : metrics.elidedText(fitted, Qt::ElideRight, room));
  setToolTip(QString::fromStdString(Position->Text(Position->Decimals())));
}
