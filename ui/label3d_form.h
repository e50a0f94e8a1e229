// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A text label with a raised, recessed or shadowed look. Transparent by
// default; the shades are drawn as copies of the text offset from it.

#include <functional>

#include <QColor>
#include <QLabel>

enum class T3DEffect { Normal3d, Resit3d, Raised3d, Shadowed3d };

class TmyLabel3d : public QLabel {
  Q_OBJECT
 public:
  explicit TmyLabel3d(const QString& caption = {}, QWidget* parent = nullptr);

  T3DEffect AStyle3D() const { return FStyle; }
  void SetAStyle3D(T3DEffect style);
  QColor AShadeRightBottom() const { return FShadeRightBottom; }
  void SetAShadeRightBottom(const QColor& color);
  // While AShadeLTSet is on this is white and setting it has no effect.
  QColor AShadeLeftTop() const { return FShadeLeftTop; }
  void SetAShadeLeftTop(const QColor& color);
  int AHShadeOffSet() const { return FHOffset; }
  void SetAHShadeOffSet(int offset);
  int AVShadeOffSet() const { return FVOffset; }
  void SetAVShadeOffSet(int offset);
  // Forces the light shade to white; switching it off brings back the light
  // shade it had before.
  bool AShadeLTSet() const { return FShadeLTSet; }
  void SetAShadeLTSet(bool on);

  // A label that is not transparent fills itself with its colour first.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool on);
  QColor Color() const { return FColor; }
  void SetColor(const QColor& color);
  // The text colour (the font colour of the label).
  QColor FontColor() const { return FFontColor; }
  void SetFontColor(const QColor& color);
  // "&x" underlines x when on; when off the "&" is drawn as it is.
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool on);

  // Called when the mouse pointer leaves the label.
  std::function<void(TmyLabel3d* sender)> OnMouseOut;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The text flags the label draws with (alignment, tabs, word breaking,
  // accelerator handling).
  int TextFlags() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  T3DEffect FStyle = T3DEffect::Normal3d;
  QColor FShadeRightBottom{0x80, 0x80, 0x80};
  QColor FShadeLeftTop{0xFF, 0xFF, 0xFF};
  QColor FSavedLeftTop{0xFF, 0xFF, 0xFF};
  int FHOffset = 5;
  int FVOffset = -5;
  bool FShadeLTSet = false;
  bool FTransparent = true;
  QColor FColor;
  QColor FFontColor{Qt::black};
  bool FShowAccelChar = true;
  bool Captured = false;
};
