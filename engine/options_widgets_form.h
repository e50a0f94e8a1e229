// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preferences dialog's own small controls: a colour swatch, a strip
// that shows the palette, the scale under a strip, and groups of radio
// buttons.

#include <functional>
#include <utility>
#include <vector>

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QRadioButton;

// A colour swatch; clicking it calls OnClick.
class TColorSwatch : public QWidget {
  Q_OBJECT
 public:
  explicit TColorSwatch(QWidget* parent = nullptr);
  void SetColor(const QColor& color);
  QColor Color() const { return FColor; }
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QColor FColor = Qt::black;
};

// A strip of vertical lines, one per column, in the colour ColorAt gives.
class TPaletteStrip : public QWidget {
  Q_OBJECT
 public:
  explicit TPaletteStrip(QWidget* parent = nullptr);
  std::function<QColor(int x, int width)> ColorAt;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// Marks under a strip: each text centred under its column.
class TStripScale : public QWidget {
 public:
  TStripScale(std::vector<std::pair<int, QString>> marks, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<std::pair<int, QString>> Marks;
};

// Radio buttons in `box` with `texts`, named prefix0, prefix1, ...; each
// joins `group` with its index as id, and `place` lays it out.
void AddRadioButtons(QButtonGroup* group, QWidget* box, const QStringList& texts, const char* prefix,
                     const std::function<void(QRadioButton* button, int index)>& place);
