// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/iter_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "movies/avi_setup_form.h"
#include "movies/movie_host.h"
#include "ui/app_window_qt.h"
#include "platform/messages.h"

namespace {

QSlider* TrackBar(QWidget* parent, int min, int max, int position) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setRange(min, max);
  s->setValue(position);
  s->setTickPosition(QSlider::TicksBelow);
  return s;
}

// A track bar under its caption, with the captions of both ends below it.
QVBoxLayout* Labelled(QWidget* parent, const QString& caption, QSlider* bar, const QString& low, const QString& high) {
  auto* box = new QVBoxLayout;
  box->setSpacing(0);
  box->addWidget(new QLabel(caption, parent));
  box->addWidget(bar);
  if (!low.isEmpty()) {
    auto* ends = new QHBoxLayout;
    ends->addWidget(new QLabel(low, parent));
    ends->addStretch(1);
    ends->addWidget(new QLabel(high, parent));
    box->addLayout(ends);
  }
  return box;
}

// Kind 3 of the movie writer: the limit list as it plays, without renders.
void IterationMovieLoop(TMovieHost& host) {
  RunIterationLoop(
      host, IterMovie(), [&](int32_t limit) { host.Document().RecolorThreshold(limit); },
      [] { QApplication::processEvents(); });
}

}  // namespace

TIterForm::TIterForm(TFractal& doc)
    : QWidget(nullptr, Qt::Window),
      Doc(doc),
      FSpeed(TrackBar(this, 0, 19, 10)),
      FAcceleration(TrackBar(this, 2, 100, 10)),
      FProcess(TrackBar(this, 0, 0, 0)),
      FFrame(new QLabel(this)),
      FRender(new QPushButton(tr("Render..."), this)),
      FClose(new QPushButton(tr("&Close"), this)),
      Delay(new QTimer(this)) {
  setWindowTitle(tr("Iteration movie"));
  SetMovieLoop(kIterationMovieKind, IterationMovieLoop);
  FProcess->setEnabled(false);
  FAcceleration->setTickInterval(10);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(Labelled(this, tr("Iteration speed"), FSpeed, tr("Quickly"), tr("Slowly")));
  layout->addLayout(Labelled(this, tr("Acceleration"), FAcceleration, tr("Big"), tr("Small")));
  layout->addLayout(Labelled(this, tr("Process"), FProcess, QString(), QString()));
  layout->addWidget(FFrame);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(FRender);
  buttons->addWidget(FClose);
  layout->addLayout(buttons);
  resize(300, sizeHint().height());

  Delay->setSingleShot(true);
  connect(Delay, &QTimer::timeout, this, [this] { PostMessage(MessageHandle(this), MSG_ITER_PLAY, 0, 0); });
  connect(FAcceleration, &QSlider::valueChanged, this, [this] {
    if (isVisible()) Rebuild();
  });
  connect(FRender, &QPushButton::clicked, this, &TIterForm::Render);
  connect(FClose, &QPushButton::clicked, this, &QWidget::close);
}

void TIterForm::SetRenderMode(bool render) { FRender->setVisible(render); }

void TIterForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  TIterationMovie& m = IterMovie();
  m.Limits.reserve(kMaxIterationLimits);
  Range = LimitRangeOf(Doc);
  m.Playing = true;
  Rebuild();
  SchedulePlay(0);
}

void TIterForm::Rebuild() {
  TIterationMovie& m = IterMovie();
  m.Build(Range, FAcceleration->value());
  // A new list plays from its start.
  m.Index = 0;
  m.Forward = true;
  FProcess->setRange(0, m.Count);
  FProcess->setTickInterval(m.Count < 50 ? 1 : m.Count / 50);
  ShowPosition();
}

void TIterForm::ShowPosition() {
  const TIterationMovie& m = IterMovie();
  FProcess->setValue(m.Index);
  FFrame->setText(tr("Frame %1 from %2").arg(m.Index).arg(m.Count));
}

void TIterForm::SchedulePlay(int delayMs) {
  // One play message at a time, however often playing is resumed.
  if (PlayPending) return;
  PlayPending = true;
  if (delayMs > 0)
    Delay->start(delayMs);
  else
    PostMessage(MessageHandle(this), MSG_ITER_PLAY, 0, 0);
}

void TIterForm::StopDelay() {
  if (!Delay->isActive()) return;
  Delay->stop();
  PlayPending = false;
}

void TIterForm::Perform(uint32_t msg) {
  if (msg != MSG_ITER_PLAY) return;
  PlayPending = false;
  // A message still queued when playing paused must not change the image
  // a movie is writing.
  if (isVisible() && IterMovie().Playing) Play();
}

void TIterForm::Play() {
  TIterationMovie& m = IterMovie();
  if (m.Limits.empty()) return;
  Doc.RecolorThreshold(m.Limits[size_t(m.Index)]);
  m.Advance();
  ShowPosition();
  if (m.Playing) SchedulePlay(FSpeed->value() * 10);
}

void TIterForm::Render() {
  TIterationMovie& m = IterMovie();
  m.Playing = false;
  StopDelay();
  Doc.Recolor();
  {
    TAVISetup avi(&Doc, this);
    avi.Options = 1;
    avi.MovieKind = kIterationMovieKind;
    avi.exec();
  }
  m.Playing = true;
  SchedulePlay(0);
}

void TIterForm::closeEvent(QCloseEvent* event) {
  TIterationMovie& m = IterMovie();
  m.Playing = false;
  StopDelay();
  QApplication::processEvents();
  m.Release();
  Doc.Recolor();
  event->accept();
}

void TIterForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  MinimizeWithApplication(this, event);
}
