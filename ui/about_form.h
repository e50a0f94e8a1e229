// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about box: the program's name over a small picture of a fractal from
// the catalogue, chosen at random and rendered when the box opens, then the
// version and the licence.

#include <QDialog>
#include <QImage>

class TAboutForm : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutForm(QWidget* parent = nullptr);
  // The formula the picture shows.
  int FormulaNumber() const { return Number; }
  const QImage& Picture() const { return FPicture; }

 private:
  int Number = 0;
  QImage FPicture;
};

// Renders formula `number` at its default window into a width x height
// picture; a null image when the formula has no catalogue row.
QImage RenderFormulaPicture(int number, int width, int height);
