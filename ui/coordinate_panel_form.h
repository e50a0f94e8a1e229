// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status bar's coordinate panel: the position under the mouse, with as
// many decimals as its width holds, so that it never runs under the panels
// beside it. Its tool tip holds every decimal.

#include <optional>

#include <QLabel>

#include "ui/coordinate_text.h"

class TCoordinatePanel : public QLabel {
  Q_OBJECT
 public:
  explicit TCoordinatePanel(QWidget* parent);

  void ShowPosition(const TPositionText& position);
  void Clear();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Fit();

  std::optional<TPositionText> Position;
};
