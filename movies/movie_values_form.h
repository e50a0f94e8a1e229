// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialogs of the transformation, Julia and parametric movies: a "from"
// and a "to" edit for every animated value, each with a coarse (0.1) and a
// fine (0.01) spin pair, a looping picture, "Create &AVI" and "&Close".
// Every change goes into the kind's program-wide movie table.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <QDialog>

#include "formulas/numbers.h"
#include "movies/movie_values.h"
#include "ui/numeric_edit_form.h"

class QLabel;
class QPushButton;
class QTimer;
class TFractal;
class TSpinButton;

// A "from" or "to" edit: leaving it or stepping it clamps the value, shows
// it and stores it in its table slot. Up and Down step by 0.01, with Shift
// by 0.1.
class TMovieValueEdit : public TNumericEdit {
  Q_OBJECT
 public:
  TMovieValueEdit(QWidget* parent, double* slot);
  // Shows a value without storing it.
  void Show(Extended value);
  // The rules of leaving the edit: read, clamp, show, store.
  void Commit();
  void Step(Extended delta);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  double* Slot;
};

// One dialog's shape: caption, row captions, movie kind and its animation.
struct TMovieDialogShape {
  const char* Caption;
  std::vector<const char*> Rows;
  int32_t Kind;
  const char* FramePrefix;  // "JULIE", "TRANS", "PARAM"
  int FrameCount;           // images of the animation
  int FrameDigits;          // "PARAM01": 2, "JULIE1": 1
  int IntervalMs;
  std::vector<Extended> (*DocumentValues)(const TFractal& doc);  // in table order
};

class TMovieValuesForm : public QDialog {
  Q_OBJECT
 public:
  TMovieValuesForm(const TMovieDialogShape& shape, std::span<TInterpolation> table, TFractal& doc,
                   QWidget* parent);

  TMovieValueEdit* FromEdit(int row) const { return Rows[row].From; }
  TMovieValueEdit* ToEdit(int row) const { return Rows[row].To; }
  TSpinButton* CoarseSpin(int row, bool to) const { return to ? Rows[row].ToCoarse : Rows[row].FromCoarse; }
  TSpinButton* FineSpin(int row, bool to) const { return to ? Rows[row].ToFine : Rows[row].FromFine; }
  QLabel* RowLabel(int row) const { return Rows[row].Label; }
  int RowCount() const { return int(Rows.size()); }
  QPushButton* CreateButton() const { return FCreate; }
  QPushButton* CloseButton() const { return FClose; }
  QLabel* Picture() const { return FPicture; }
  // The animation: the resource shown now, and whether it runs.
  const std::string& PictureName() const { return FPictureName; }
  bool Animating() const;
  static std::vector<std::string> AnimationOrder(const char* prefix, int count, int digits);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void SetRowEnabled(int row, bool enabled);
  TFractal& Doc;
  std::span<TInterpolation> Table;

 private:
  struct TRow {
    QLabel* Label;
    TMovieValueEdit *From, *To;
    TSpinButton *FromCoarse, *FromFine, *ToCoarse, *ToFine;
  };
  void NextPicture();
  void CreateAVI();

  int32_t Kind;
  std::vector<Extended> (*DocumentValues)(const TFractal& doc);
  std::vector<TRow> Rows;
  QPushButton* FCreate;
  QPushButton* FClose;
  QLabel* FPicture;
  QTimer* Timer;
  std::vector<std::string> Order;
  size_t Step = 0;
  std::string FPictureName;
};

// "Polinom transformations": the constructor's coefficients A..M.
class TAVItransForm : public TMovieValuesForm {
  Q_OBJECT
 public:
  explicit TAVItransForm(TFractal& doc, QWidget* parent = nullptr);
};

// "Julie parameters": the Julia seed.
class TAVIjulieForm : public TMovieValuesForm {
  Q_OBJECT
 public:
  explicit TAVIjulieForm(TFractal& doc, QWidget* parent = nullptr);
};

// "Fractal parameters": P1, P2, P3; only the parameters the formula reads
// are offered.
class TAVIparamForm : public TMovieValuesForm {
  Q_OBJECT
 public:
  explicit TAVIparamForm(TFractal& doc, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;
};
