// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/movie_values_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "formulas/catalogue.h"
#include "movies/avi_setup_form.h"
#include "platform/profile.h"
#include "ui/resources_form.h"
#include "ui/window_place_qt.h"

TMovieValueEdit::TMovieValueEdit(QWidget* parent, double* slot) : TNumericEdit(parent), Slot(slot) {
  setFixedWidth(110);
  connect(this, &TNumericEdit::Left, this, &TMovieValueEdit::Commit);
}

void TMovieValueEdit::Show(Extended value) { SetValue(value, 15); }

void TMovieValueEdit::Commit() {
  const Extended v = ClampMovieValue(Value());
  Show(v);
  *Slot = double(v);
}

void TMovieValueEdit::Step(Extended delta) {
  const Extended v = StepMovieValue(Value(), delta);
  Show(v);
  *Slot = double(v);
}

void TMovieValueEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    const Extended step = (event->modifiers() & Qt::ShiftModifier) ? kCoarseStep : kFineStep;
    Step(event->key() == Qt::Key_Up ? step : -step);
    return;
  }
  TNumericEdit::keyPressEvent(event);
}

std::vector<std::string> TMovieValuesForm::AnimationOrder(const char* prefix, int count, int digits) {
  auto name = [&](int i) {
    std::string n = std::to_string(i);
    return prefix + std::string(size_t(std::max(0, digits - int(n.size()))), '0') + n;
  };
  // Up from the first image to the last and back down, without repeating
  // the turning images.
  std::vector<std::string> order;
  for (int i = 1; i <= count; ++i) order.push_back(name(i));
  for (int i = count - 1; i >= 2; --i) order.push_back(name(i));
  return order;
}

TMovieValuesForm::TMovieValuesForm(const TMovieDialogShape& shape, std::span<TInterpolation> table, TFractal& doc,
                                   QWidget* parent)
    : QDialog(parent),
      Doc(doc),
      Table(table),
      Kind(shape.Kind),
      DocumentValues(shape.DocumentValues),
      FCreate(new QPushButton(tr("Create &AVI"), this)),
      FClose(new QPushButton(tr("&Close"), this)),
      FPicture(new QLabel(this)),
      Timer(new QTimer(this)),
      Order(AnimationOrder(shape.FramePrefix, shape.FrameCount, shape.FrameDigits)) {
  RegisterValueMovieLoops();
  setWindowTitle(tr(shape.Caption));
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(2);
  grid->addWidget(new QLabel(tr("from"), this), 0, 1, Qt::AlignCenter);
  grid->addWidget(new QLabel(tr("to"), this), 0, 4, Qt::AlignCenter);
  auto spins = [this](TMovieValueEdit* edit, TSpinButton*& coarse, TSpinButton*& fine) {
    coarse = new TSpinButton(this);
    fine = new TSpinButton(this);
    coarse->setToolTip("0.1");
    fine->setToolTip("0.01");
    connect(coarse, &TSpinButton::Up, edit, [edit] { edit->Step(kCoarseStep); });
    connect(coarse, &TSpinButton::Down, edit, [edit] { edit->Step(-kCoarseStep); });
    connect(fine, &TSpinButton::Up, edit, [edit] { edit->Step(kFineStep); });
    connect(fine, &TSpinButton::Down, edit, [edit] { edit->Step(-kFineStep); });
  };
  for (size_t i = 0; i < shape.Rows.size(); ++i) {
    TRow r{};
    r.Label = new QLabel(shape.Rows[i], this);
    r.From = new TMovieValueEdit(this, &Table[i].Current);
    r.To = new TMovieValueEdit(this, &Table[i].End);
    spins(r.From, r.FromCoarse, r.FromFine);
    spins(r.To, r.ToCoarse, r.ToFine);
    const int line = int(i) + 1;
    grid->addWidget(r.Label, line, 0);
    auto* from = new QHBoxLayout;
    from->setSpacing(1);
    for (QWidget* w : {static_cast<QWidget*>(r.From), static_cast<QWidget*>(r.FromCoarse),
                       static_cast<QWidget*>(r.FromFine)})
      from->addWidget(w);
    auto* to = new QHBoxLayout;
    to->setSpacing(1);
    for (QWidget* w :
         {static_cast<QWidget*>(r.To), static_cast<QWidget*>(r.ToCoarse), static_cast<QWidget*>(r.ToFine)})
      to->addWidget(w);
    grid->addLayout(from, line, 1, 1, 3);
    grid->addLayout(to, line, 4, 1, 3);
    Rows.push_back(r);
  }

  FPicture->setFixedSize(kFrameBitmapSize + 4, kFrameBitmapSize + 4);
  FPicture->setFrameShape(QFrame::Panel);
  FPicture->setFrameShadow(QFrame::Sunken);
  FPicture->setAlignment(Qt::AlignCenter);
  FCreate->setDefault(true);
  auto* side = new QVBoxLayout;
  side->addWidget(FPicture, 0, Qt::AlignHCenter);
  side->addStretch(1);
  side->addWidget(FCreate);
  side->addWidget(FClose);
  auto* top = new QHBoxLayout(this);
  top->addLayout(grid);
  top->addSpacing(8);
  top->addLayout(side);
  setFixedSize(sizeHint());
  PlaceToolWindow(this, 0, 0);  // no place is kept: beside the image it animates

  Timer->setInterval(shape.IntervalMs);
  connect(Timer, &QTimer::timeout, this, &TMovieValuesForm::NextPicture);
  connect(FCreate, &QPushButton::clicked, this, &TMovieValuesForm::CreateAVI);
  connect(FClose, &QPushButton::clicked, this, &QDialog::reject);
}

bool TMovieValuesForm::Animating() const { return Timer->isActive(); }

void TMovieValuesForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Timer->start();
  if (event->spontaneous()) return;  // restored from minimised: keep the edits
  const std::vector<Extended> values = DocumentValues(Doc);
  TakeValues(Table, values);
  for (size_t i = 0; i < Rows.size(); ++i) {
    Rows[i].From->Show(values[i]);
    Rows[i].To->Show(values[i]);
  }
  Step = Order.size() - 1;
  NextPicture();
}

void TMovieValuesForm::hideEvent(QHideEvent* event) {
  Timer->stop();
  QDialog::hideEvent(event);
}

void TMovieValuesForm::NextPicture() {
  Step = (Step + 1) % Order.size();
  FPictureName = Order[Step];
  FPicture->setPixmap(QPixmap::fromImage(ResourceBitmap(FPictureName)));
}

void TMovieValuesForm::SetRowEnabled(int row, bool enabled) {
  const TRow& r = Rows[size_t(row)];
  for (QWidget* w : {static_cast<QWidget*>(r.Label), static_cast<QWidget*>(r.From), static_cast<QWidget*>(r.To),
                     static_cast<QWidget*>(r.FromCoarse), static_cast<QWidget*>(r.FromFine),
                     static_cast<QWidget*>(r.ToCoarse), static_cast<QWidget*>(r.ToFine)})
    w->setEnabled(enabled);
}

void TMovieValuesForm::CreateAVI() {
  // A value still being typed counts as left.
  if (auto* edit = qobject_cast<TMovieValueEdit*>(focusWidget())) edit->Commit();
  TAVISetup avi(&Doc, this);
  avi.Options = 3;
  avi.MovieKind = Kind;
  avi.exec();
}

namespace {

template <size_t N, std::array<Extended, N> (*Of)(const TFractal&)>
std::vector<Extended> ValuesOf(const TFractal& doc) {
  const std::array<Extended, N> a = Of(doc);
  return {a.begin(), a.end()};
}

const TMovieDialogShape kTransShape{QT_TRANSLATE_NOOP("TMovieValuesForm", "Polinom transformations"),
                                    {"A:", "B:", "C:", "D:", "E:", "F:", "G:", "H:", "I:", "J:", "K:", "L:", "M:"},
                                    kTransMovieKind,
                                    "TRANS",
                                    6,
                                    1,
                                    167,
                                    ValuesOf<13, ConstructorValues>};
const TMovieDialogShape kJulieShape{QT_TRANSLATE_NOOP("TMovieValuesForm", "Julie parameters"),
                                    {"Re", "Im"},
                                    kJulieMovieKind,
                                    "JULIE",
                                    5,
                                    1,
                                    167,
                                    ValuesOf<2, JulieValues>};
const TMovieDialogShape kParamShape{QT_TRANSLATE_NOOP("TMovieValuesForm", "Fractal parameters"),
                                    {"P1.R", "P1.I", "P2.R", "P2.I", "P3.R", "P3.I"},
                                    kParamMovieKind,
                                    "PARAM",
                                    10,
                                    2,
                                    166,
                                    ValuesOf<6, ParamValues>};

}  // namespace

TAVItransForm::TAVItransForm(TFractal& doc, QWidget* parent)
    : TMovieValuesForm(kTransShape, TransMovie(), doc, parent) {}

TAVIjulieForm::TAVIjulieForm(TFractal& doc, QWidget* parent)
    : TMovieValuesForm(kJulieShape, JulieMovie(), doc, parent) {}

TAVIparamForm::TAVIparamForm(TFractal& doc, QWidget* parent)
    : TMovieValuesForm(kParamShape, ParamMovie(), doc, parent) {}

void TAVIparamForm::showEvent(QShowEvent* event) {
  TMovieValuesForm::showEvent(event);
  // A formula without a catalogue row (constructor, user formula) may read
  // any parameter.
  const TFormulaEntry* row = FindFormula(Doc.Ctx.Number);
  for (int p = 0; p < 3; ++p) {
    const bool enabled = !row || row->ParamCount > p;
    SetRowEnabled(2 * p, enabled);
    SetRowEnabled(2 * p + 1, enabled);
  }
}
