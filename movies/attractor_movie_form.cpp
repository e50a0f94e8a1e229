// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/attractor_movie_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "attractors/attractor.h"
#include "attractors/attractor_form.h"
#include "movies/attractor_movie.h"
#include "movies/avi_setup_form.h"
#include "movies/morph_frames.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "ui/main_form.h"

namespace {

QPointer<TAVI3Dattr> Window;

QSpinBox* SpinEdit(QWidget* parent, int lo, int hi, int step, int value) {
  auto* e = new QSpinBox(parent);
  e->setRange(lo, hi);
  e->setSingleStep(step);
  e->setValue(value);
  e->setKeyboardTracking(false);
  return e;
}

}  // namespace

TAVI3Dattr* TAVI3Dattr::Instance(QWidget* owner, TAttractorForm* attractors) {
  if (!Window) Window = new TAVI3Dattr(owner);
  Window->Attach(attractors);
  return Window;
}

TAVI3Dattr* TAVI3Dattr::Existing() { return Window; }

TAVI3Dattr::TAVI3Dattr(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint) {
  setWindowTitle(tr("AVI3Dattr"));
  SetMovieLoop(kAttractorMovieKind, AttractorMovieLoop);
  AttractorMovie() = {};

  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  const char* captions[2] = {QT_TR_NOOP("1st file:"), QT_TR_NOOP("2nd file:")};
  const char* hints[2] = {QT_TR_NOOP("Load first FR3 file"), QT_TR_NOOP("Load second FR3 file")};
  for (int k = 0; k < 2; ++k) {
    Labels[k] = new QLabel(tr(captions[k]), this);
    Fields[k] = new QLineEdit(this);
    Fields[k]->setReadOnly(true);
    Fields[k]->setEnabled(false);
    Fields[k]->setMinimumWidth(300);
    Fields[k]->installEventFilter(this);
    Labels[k]->setBuddy(Fields[k]);
    Loads[k] = new QPushButton("...", this);
    Loads[k]->setToolTip(tr(hints[k]));
    Loads[k]->setAutoDefault(false);
    connect(Loads[k], &QPushButton::clicked, this, [this, k] { LoadClicked(k); });
    grid->addWidget(Labels[k], k, 0);
    grid->addWidget(Fields[k], k, 1);
    grid->addWidget(Loads[k], k, 2);
  }
  FrameCount = SpinEdit(this, 5, 999, 5, kDefaultMorphFrames);
  auto* frameLabel = new QLabel(tr("&Frame count:"), this);
  frameLabel->setBuddy(FrameCount);
  grid->addWidget(frameLabel, 2, 0);
  grid->addWidget(FrameCount, 2, 1, Qt::AlignLeft);
  Iterations = SpinEdit(this, kMinPointCount, kMaxPointCount, 10000, kDefaultPointCount);
  auto* iterationsLabel = new QLabel(tr("&Iterations count:"), this);
  iterationsLabel->setBuddy(Iterations);
  grid->addWidget(iterationsLabel, 3, 0);
  grid->addWidget(Iterations, 3, 1, Qt::AlignLeft);
  connect(Iterations, &QSpinBox::valueChanged, this, [this](int n) { IterationsChanged(n); });
  PingPong = new QCheckBox(tr("Ping-pong clip"), this);
  grid->addWidget(PingPong, 4, 1);
  layout->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  Make = new QPushButton(tr("&Make AVI"), this);
  Make->setDefault(true);
  Cancel = new QPushButton(tr("&Cancel"), this);
  buttons->addStretch();
  buttons->addWidget(Make);
  buttons->addWidget(Cancel);
  layout->addLayout(buttons);
  connect(Make, &QPushButton::clicked, this, [this] { MakeAVI(); });
  connect(Cancel, &QPushButton::clicked, this, &QWidget::close);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
  setFixedSize(sizeHint());
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  OpenDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Select 3D-attractor file");
  OpenDialog.Filter = QT_TRANSLATE_NOOP("FileDialog", "3D attractor files (*.fr3) |*.fr3");
  OpenDialog.DefaultExt = "fr3";
  OpenDialog.FileMustExist = true;
  OpenDialog.InitialDir = ProgramFolder();
}

void TAVI3Dattr::Attach(TAttractorForm* attractors) {
  if (!attractors || attractors == Attractors) return;
  const bool first = !Attractors;
  Attractors = attractors;
  if (first) {
    const QSignalBlocker quiet(Iterations);
    Iterations->setValue(attractors->IterationsEdit()->value());
  }
  // The attractor window's field and this one stay equal.
  connect(attractors->IterationsEdit(), &QSpinBox::valueChanged, this, [this](int n) {
    const QSignalBlocker quiet(Iterations);
    Iterations->setValue(n);
  });
}

void TAVI3Dattr::IterationsChanged(int n) {
  if (!Attractors) return;
  // Its own handler hands the count to the document.
  Attractors->IterationsEdit()->setValue(n);
}

void TAVI3Dattr::LoadClicked(int which) {
  if (!RunOpenDialog(OpenDialog, this)) return;
  OpenDialog.InitialDir = FolderOf(OpenDialog.FileName);
  LoadFile(which, OpenDialog.FileName);
}

void TAVI3Dattr::LoadFile(int which, const std::string& path) {
  TAttractorMovie& movie = AttractorMovie();
  try {
    // The file is refused as the attractor window refuses it; only its
    // table and kind are used.
    const TAttractorFileValues values = ReadAttractorFile(path);
    if (!TakeAttractorKind(movie, which, MovieAttractorKind(TProfileFile(path)))) {
      if (which == 0) {
        Fields[1]->clear();
        Fields[1]->setEnabled(false);
      }
      ShowMessage(kDifferentAttractorKinds);
      return;
    }
    Fields[which]->setText(QString::fromStdString(path));
    Fields[which]->setEnabled(true);
    (which == 0 ? movie.First : movie.Second) = values.Table;
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TAVI3Dattr::FieldEntered(int which) {
  QFont bold = Labels[which]->font();
  bold.setBold(true);
  Labels[which]->setFont(bold);
  Fields[which]->setStyleSheet("color: red;");
  if (!Attractors) return;
  const TAttractorMovie& movie = AttractorMovie();
  T3dFractal* doc = Attractors->Document();
  doc->StopThread();
  doc->Kind = which == 0 ? movie.FirstKind : movie.SecondKind;
  doc->SetCoefficients(which == 0 ? movie.First : movie.Second);
}

void TAVI3Dattr::FieldLeft(int which) {
  if (Fields[which]->text().isEmpty()) Fields[which]->setEnabled(false);
  for (int k = 0; k < 2; ++k) {
    QFont plain = Labels[k]->font();
    plain.setBold(false);
    Labels[k]->setFont(plain);
    Fields[k]->setStyleSheet({});
  }
}

bool TAVI3Dattr::eventFilter(QObject* watched, QEvent* event) {
  for (int k = 0; k < 2; ++k) {
    if (watched != Fields[k]) continue;
    if (event->type() == QEvent::FocusIn) FieldEntered(k);
    if (event->type() == QEvent::FocusOut) FieldLeft(k);
  }
  return QWidget::eventFilter(watched, event);
}

void TAVI3Dattr::MakeAVI() {
  // The movie draws in the attractor window's document: without that window
  // nothing could be drawn.
  if (!Attractors || !Attractors->isVisible()) {
    ShowMessage(kNoAttractorWindow);
    return;
  }
  AttractorMovie().PingPong = PingPong->isChecked();
  auto* main = qobject_cast<TMainForm*>(parentWidget());
  TAVISetup avi(main ? main->Document() : nullptr, this);
  avi.Options = 1;
  avi.MovieKind = kAttractorMovieKind;
  avi.AttractorDocument = Attractors->Document();
  avi.SetFrameCount(FrameCount->value());
  avi.exec();
}

void TAVI3Dattr::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (auto done = std::move(OnClosed)) {
    OnClosed = nullptr;
    done();
  }
}
