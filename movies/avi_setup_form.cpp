// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/avi_setup_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "attractors/attractor.h"
#include "engine/fractal.h"
#include "movies/attractor_movie.h"
#include "movies/clip_module.h"
#include "movies/compressor_form.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "ui/app_window_qt.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

TAVISetup::TAVISetup(TFractal* fractal, QWidget* parent) : QDialog(parent), Fractal(fractal) {
  setWindowTitle(tr("AVI setup"));
  auto* layout = new QVBoxLayout(this);

  auto* countRow = new QHBoxLayout;
  FFrameCountLabel = new QLabel(tr("&Frame count:"), this);
  FFrameCount = new QSpinBox(this);
  FFrameCount->setRange(10, 1000000);
  FFrameCount->setSingleStep(10);
  FFrameCount->setValue(50);
  FFrameCountLabel->setBuddy(FFrameCount);
  countRow->addWidget(FFrameCountLabel);
  countRow->addWidget(FFrameCount);
  countRow->addStretch();
  layout->addLayout(countRow);

  FAdvanced = new QGroupBox(tr("Advanced AVI setup:"), this);
  auto* grid = new QGridLayout(FAdvanced);
  auto* rateLabel = new QLabel(tr("Frame rate:"), FAdvanced);
  FFrameRate = new QSpinBox(FAdvanced);
  FFrameRate->setRange(10, 100);
  FFrameRate->setSingleStep(5);
  FFrameRate->setValue(15);
  rateLabel->setBuddy(FFrameRate);
  grid->addWidget(rateLabel, 0, 0);
  grid->addWidget(FFrameRate, 0, 1, Qt::AlignLeft);
  grid->addWidget(new QLabel(tr("Time of each still (in frames):"), FAdvanced), 1, 0, 1, 2);
  FStill = new QSlider(Qt::Horizontal, FAdvanced);
  FStill->setRange(1, 20);
  FStill->setValue(1);
  FStill->setTickPosition(QSlider::TicksBelow);
  FStill->setTickInterval(2);
  FStill->setPageStep(2);
  grid->addWidget(FStill, 2, 0, 1, 2);
  auto* ticks = new QHBoxLayout;
  ticks->addWidget(new QLabel(tr("Fast"), FAdvanced));
  for (int t = 1; t <= 19; t += 2) {
    ticks->addStretch();
    ticks->addWidget(new QLabel(QString::number(t), FAdvanced));
  }
  ticks->addStretch();
  ticks->addWidget(new QLabel(tr("Slow"), FAdvanced));
  grid->addLayout(ticks, 3, 0, 1, 2);
  layout->addWidget(FAdvanced);

  FBevel = new QFrame(this);
  FBevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* bevelLayout = new QHBoxLayout(FBevel);
  FGauge = new QProgressBar(FBevel);
  FGauge->setStyleSheet("QProgressBar::chunk { background: blue; }");
  FGauge->setTextVisible(false);
  bevelLayout->addWidget(FGauge);
  layout->addWidget(FBevel);
  FBevel->hide();

  auto* buttons = new QHBoxLayout;
  FStart = new QPushButton(tr("Start rendering"), this);
  FStart->setDefault(true);
  FClose = new QPushButton(tr("Close"), this);
  buttons->addStretch();
  buttons->addWidget(FStart);
  buttons->addWidget(FClose);
  layout->addLayout(buttons);
  connect(FStart, &QPushButton::clicked, this, &TAVISetup::StartRendering);
  connect(FClose, &QPushButton::clicked, this, &TAVISetup::reject);

  FSave.Title = QT_TRANSLATE_NOOP("FileDialog", "Save movie as");
  // MP4 is offered beside the classic type; AVI stays the first.
  FSave.Filter = QT_TRANSLATE_NOOP("FileDialog", "Video for Windows files (*.avi)|*.avi|MP4 video files (*.mp4)|*.mp4");
  FSave.DefaultExt = "avi";
  FSave.ExtFollowsFilter = true;
  FSave.FileName = "untitled";
  FSave.OverwritePrompt = true;
  FSave.InitialDir = DocumentFolder();

  PlaceToolWindow(this, Settings().AVISetup.Left, Settings().AVISetup.Top);
}

TAVISetup::~TAVISetup() = default;

void TAVISetup::SetFrameCount(int32_t n) {
  FFrameCount->setValue(n);
  FixedCount = n;
}

int32_t TAVISetup::FrameCount() const {
  // A count the caller fixed holds even where the edit cannot show it
  // (below 10); once the user may edit the field, the field holds.
  return (Options & 2) || FixedCount < 0 ? FFrameCount->value() : FixedCount;
}
int32_t TAVISetup::FrameRate() const { return FFrameRate->value(); }
int32_t TAVISetup::StillTime() const { return FStill->value(); }

void TAVISetup::SetGaugeMax(int32_t max) { FGauge->setMaximum(max); }
void TAVISetup::SetGaugePosition(int32_t position) { FGauge->setValue(std::min(position, FGauge->maximum())); }

void TAVISetup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const bool advanced = Options & 1, count = Options & 2;
  FAdvanced->setEnabled(advanced);
  for (QWidget* w : FAdvanced->findChildren<QWidget*>()) w->setEnabled(advanced);
  FFrameCountLabel->setEnabled(count);
  FFrameCount->setEnabled(count);
}

bool TAVISetup::DrawsAttractor() const { return MovieKind == kAttractorMovieKind; }

void TAVISetup::RenderAndWait() {
  auto finished = [this] {
    return DrawsAttractor() ? !AttractorDocument || AttractorDocument->RenderFinished() : Fractal->RenderFinished();
  };
  if (!finished()) {
    // Wait in an event loop so the windows repaint and "Stop" works.
    QEventLoop wait;
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, &wait, [&] {
      if (finished()) wait.quit();
    });
    poll.start();
    wait.exec();
  }
  QApplication::processEvents();
}

bool TAVISetup::WriteFrame(int32_t i) {
  // The attractor movie writes the attractor's image; its frame format was
  // taken from that image, so a frame never reads past the buffer.
  const bool attractor = DrawsAttractor();
  if (attractor && !AttractorDocument) return false;
  const int32_t w = attractor ? AttractorDocument->BufWidth() : Fractal->BufWidth();
  const int32_t h = attractor ? AttractorDocument->BufHeight() : Fractal->BufHeight();
  const uint8_t* image = attractor ? AttractorDocument->ImageBuffer() : Fractal->ImageBuffer();
  const int64_t length = int64_t(3) * PaddedWidth * PaddedHeight;
  if (!Writer || w != PaddedWidth || h != PaddedHeight || !image ||
      Writer->WriteFrame(int64_t(StillTime()) * i, image, length) != 0) {
    FailedFrame = i;
    return false;
  }
  return true;
}

void TAVISetup::StartRendering() {
  if (RunningFlag) return;
  if (DrawsAttractor() && !AttractorDocument) {
    ShowMessage(kNoAttractorWindow);
    return;
  }
  if (!ClipModule()) {
    ShowMessage(tr("No movie can be written: %1.").arg(QString::fromStdString(ClipModuleProblem())).toStdString());
    return;
  }
  if (!RunSaveDialog(FSave, this)) return;
  FSave.InitialDir = FolderOf(FSave.FileName);
  const std::string path = FSave.FileName;
  PaddedWidth = DrawsAttractor() ? AttractorDocument->BufWidth() : Fractal->BufWidth();
  PaddedHeight = DrawsAttractor() ? AttractorDocument->BufHeight() : Fractal->BufHeight();
  Writer = std::make_unique<TAVIWriter>();
  // Each failure lets go of what was opened; the writer releases newest first.
  const QString file = QString::fromStdString(path);
  auto fail = [&](const QString& message) {
    Writer.reset();
    if (!message.isEmpty()) ShowMessage(message.toStdString());
  };
  if (!Writer->Open(path)) return fail(tr("Unable to create file %1 !").arg(file));
  if (!Writer->CreateStream(PaddedWidth, PaddedHeight, FrameRate()))
    return fail(tr("Unable to create stream in %1 !").arg(file));
  TContainer container = TContainer::Avi;
  ContainerOfPath(path, container);
  TCompressOptions options = RecordingOptions();
  if (container == TContainer::Mp4 && !CodecAvailable(options.Codec, container)) options.Codec = DefaultMp4Codec();
  if (!TCompressorForm::Execute(this, container, options)) return fail(QString());
  RecordingOptions() = options;
  if (!Writer->MakeCompressedStream(options)) return fail(tr("Unable to create compressed stream in %1 !").arg(file));
  if (!Writer->FreeOptions()) return fail(tr("Unable to free \"Compress options\" !"));
  if (!Writer->SetFormat()) return fail(tr("Unable to set format for compressed stream !"));

  SetWriting(true);
  setWindowTitle(tr("Rendering: %1").arg(file));
  FailedFrame = -1;
  if (TMovieLoop loop = MovieLoop(MovieKind)) loop(*this);
  setWindowTitle(tr("AVI setup"));
  // A stopped movie is kept with the frames it has; a failed one is thrown
  // away, and an earlier file of its name stays as it was.
  QString failure;
  if (FailedFrame >= 0) failure = tr("Unable to write frame %1 to %2 !").arg(FailedFrame).arg(file);
  else if (!Writer->Close()) failure = tr("Unable to finish %1 !").arg(file);
  Writer.reset();
  SetWriting(false);
  if (!failure.isEmpty()) ShowMessage(tr("%1 The movie was not saved.").arg(failure).toStdString());
  QApplication::beep();
  activateWindow();
  raise();
}

void TAVISetup::SetWriting(bool writing) {
  RunningFlag = writing;
  FBevel->setVisible(writing);
  FGauge->setVisible(writing);
  FGauge->setValue(0);
  FAdvanced->setEnabled(!writing && (Options & 1));
  FStart->setEnabled(!writing);
  FClose->setText(writing ? tr("Stop") : tr("&Close"));
  repaint();
}

void TAVISetup::reject() {
  // While a movie is written, "Stop", Escape and the window's close only stop it.
  if (Writer) {
    RunningFlag = false;
    return;
  }
  QDialog::reject();
}

void TAVISetup::closeEvent(QCloseEvent* event) {
  if (Writer) {
    RunningFlag = false;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TAVISetup::done(int result) {
  if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
    Settings().AVISetup = {int32_t(pos().x()), int32_t(pos().y())};
  QDialog::done(result);
}

void TAVISetup::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  MinimizeWithApplication(this, event);
}
