// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/spots_form.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "movies/avi_setup_form.h"
#include "movies/movie_host.h"
#include "movies/movie_values.h"
#include "movies/spot_rows.h"
#include "ui/resources_form.h"
#include "ui/window_place_qt.h"

namespace {

constexpr int kValueWidth = 15;  // characters of one value in a row
const char* const kSmoothPictures[] = {"LINEAR", "SQUARE", "CUBE"};

}  // namespace

TSpotsForm::TSpotsForm(TFractal& doc, QWidget* main)
    : QDialog(main, Qt::Dialog | Qt::WindowStaysOnTopHint),
      Doc(doc),
      Main(main),
      FList(new QTreeWidget(this)),
      FAdd(new QPushButton(tr("Add point"), this)),
      FRemove(new QPushButton(tr("Remove point"), this)),
      FJump(new QPushButton(tr("Jamp to spot"), this)),
      FFramesButton(new QPushButton(tr("Frame count"), this)),
      FMake(new QPushButton(tr("Make movie"), this)),
      FClose(new QPushButton(tr("Close"), this)),
      FSmoothGroup(new QGroupBox(tr("Zooming smooth (spline):"), this)),
      FSmoothButtons(new QButtonGroup(this)),
      FPicture(new QLabel(this)),
      FRecommendation(new QLabel(this)) {
  setWindowTitle(tr("Spots for movie..."));
  SetMovieLoop(kZoomMovieKind, ZoomMovieLoop);
  setModal(false);
  FList->setColumnCount(4);
  FList->setHeaderLabels({"X", "Y", tr("Width"), tr("Frm  Speed")});
  FList->setRootIsDecorated(false);
  FList->setUniformRowHeights(true);
  FList->setAllColumnsShowFocus(true);
  FList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Each value column fits its 15 characters.
  const int valueWidth = QFontMetrics(FList->font()).horizontalAdvance(QString(kValueWidth + 2, '0'));
  for (int c = 0; c < 3; ++c) FList->setColumnWidth(c, valueWidth);
  FList->header()->setStretchLastSection(true);
  FList->setMinimumWidth(3 * valueWidth + QFontMetrics(FList->font()).horizontalAdvance(QString(24, '0')));

  auto* smooth = new QHBoxLayout(FSmoothGroup);
  const char* modes[] = {QT_TR_NOOP("Linear"), QT_TR_NOOP("Regular"), QT_TR_NOOP("Fluent")};
  for (int i = 0; i < 3; ++i) {
    auto* b = new QRadioButton(tr(modes[i]), FSmoothGroup);
    FSmoothButtons->addButton(b, i);
    smooth->addWidget(b);
  }
  FPicture->setFixedSize(kCurveBitmapWidth + 4, kCurveBitmapHeight + 4);
  FPicture->setFrameShape(QFrame::Panel);
  FPicture->setFrameShadow(QFrame::Sunken);
  FPicture->setAlignment(Qt::AlignCenter);
  FPicture->setToolTip(tr("Double-click: next mode"));
  FPicture->installEventFilter(this);
  installEventFilter(this);
  connect(this, &QDialog::finished, this, [this] {
    if (OnClosed) OnClosed();
  });

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {FAdd, FRemove, FJump, FFramesButton, FMake}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(FClose);
  auto* top = new QHBoxLayout;
  top->addWidget(FList, 1);
  top->addLayout(buttons);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(FSmoothGroup, 1);
  bottom->addWidget(FPicture);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(bottom);
  layout->addWidget(FRecommendation);
  resize(sizeHint().width(), 300);

  connect(FAdd, &QPushButton::clicked, this, &TSpotsForm::AddPoint);
  connect(FRemove, &QPushButton::clicked, this, &TSpotsForm::RemovePoint);
  connect(FJump, &QPushButton::clicked, this, &TSpotsForm::JumpToSpot);
  connect(FList, &QTreeWidget::itemDoubleClicked, this, &TSpotsForm::JumpToSpot);
  connect(FFramesButton, &QPushButton::clicked, this, &TSpotsForm::EditFrameCount);
  connect(FMake, &QPushButton::clicked, this, &TSpotsForm::MakeMovie);
  connect(FClose, &QPushButton::clicked, this, &QWidget::close);
  connect(FSmoothButtons, &QButtonGroup::idClicked, this, [this](int id) { SetSmooth(TZoomSmooth(id)); });
  SetSmooth(ZoomMovie().Smooth);
}

QRadioButton* TSpotsForm::SmoothButton(TZoomSmooth mode) const {
  return static_cast<QRadioButton*>(FSmoothButtons->button(int(mode)));
}

const char* TSpotsForm::PictureName() const { return kSmoothPictures[int(ZoomMovie().Smooth)]; }

void TSpotsForm::SetSmooth(TZoomSmooth mode) {
  ZoomMovie().Smooth = mode;
  FSmoothButtons->button(int(mode))->setChecked(true);
  FPicture->setPixmap(QPixmap::fromImage(ResourceBitmap(PictureName())));
}

void TSpotsForm::NextSmooth() { SetSmooth(TZoomSmooth((int(ZoomMovie().Smooth) + 1) % 3)); }

bool TSpotsForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FPicture && event->type() == QEvent::MouseButtonDblClick) {
    NextSmooth();
    return true;
  }
  if (watched == this && event->type() == QEvent::Show && !event->spontaneous()) {
    // Made with the main window, before that is on the screen: it finds its
    // place beside it when first shown and keeps the one the user gives it.
    if (!Placed) {
      PlaceToolWindow(this, 0, 0, Main);
      Placed = true;
    }
    ZoomMovie().Spots.clear();
    Refresh(-1);
    SetSmooth(ZoomMovie().Smooth);
  }
  return QDialog::eventFilter(watched, event);
}

int TSpotsForm::Selected() const {
  const QTreeWidgetItem* item = FList->currentItem();
  return item ? FList->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
}

QString TSpotsForm::RowText(int row) const {
  const QTreeWidgetItem* item = FList->topLevelItem(row);
  if (!item) return {};
  QString text = item->text(0) + " " + item->text(1) + " " + item->text(2);
  if (!item->text(3).isEmpty()) text += " " + item->text(3);
  return text;
}

void TSpotsForm::Refresh(int selected) {
  const std::vector<TMovieSpot>& spots = ZoomMovie().Spots;
  FList->clear();
  for (size_t i = 0; i < spots.size(); ++i) {
    const TMovieSpot& s = spots[i];
    std::optional<Extended> next;
    if (i + 1 < spots.size()) next = spots[i + 1].Window.W();
    const QString row = QString::fromStdString(SpotRowText(s.Window.X(), s.Window.Y(), s.Window.W(), s.Frames, next));
    // Three values of fixed width, then the frame count and speed.
    auto* item = new QTreeWidgetItem(FList);
    for (int c = 0; c < 3; ++c) item->setText(c, row.mid(c * (kValueWidth + 1), kValueWidth));
    item->setText(3, row.mid(3 * (kValueWidth + 1)));
  }
  if (selected >= 0 && selected < int(spots.size())) FList->setCurrentItem(FList->topLevelItem(selected));
  UpdateButtons();
  const Extended w0 = spots.size() > 0 ? spots[0].Window.W() : 0, w1 = spots.size() > 1 ? spots[1].Window.W() : 0;
  FRecommendation->setText(tr(SmoothRecommendation(spots.size(), w0, w1).c_str()));
}

void TSpotsForm::UpdateButtons() {
  const size_t count = ZoomMovie().Spots.size();
  FAdd->setEnabled(count < size_t(kMaxMovieSpots));
  FRemove->setEnabled(count >= 1);
  FJump->setEnabled(count >= 1);
  FFramesButton->setEnabled(count >= 1);
  FMake->setEnabled(count >= 2);
}

void TSpotsForm::AddPoint() {
  std::vector<TMovieSpot>& spots = ZoomMovie().Spots;
  if (spots.size() >= size_t(kMaxMovieSpots)) return;
  spots.push_back(MovieSpotOf(Doc, kDefaultSpotFrames));
  Refresh(int(spots.size()) - 1);
  // The user navigates to the next spot at once.
  if (Main) Main->activateWindow();
}

void TSpotsForm::RemovePoint() {
  std::vector<TMovieSpot>& spots = ZoomMovie().Spots;
  const int i = Selected();
  if (i < 0 || i >= int(spots.size())) return;
  spots.erase(spots.begin() + i);
  Refresh(i > 0 ? i - 1 : 0);
}

void TSpotsForm::JumpToSpot() {
  const int i = Selected();
  const std::vector<TMovieSpot>& spots = ZoomMovie().Spots;
  if (i < 0 || i >= int(spots.size())) return;
  Doc.SetWindow(spots[size_t(i)].Window);
}

void TSpotsForm::EditFrameCount() {
  const int i = Selected();
  std::vector<TMovieSpot>& spots = ZoomMovie().Spots;
  if (i < 0 || i >= int(spots.size())) return;
  int32_t frames = spots[size_t(i)].Frames;
  if (!TSpotFramesForm::Execute(this, frames)) return;
  spots[size_t(i)].Frames = frames;
  Refresh(i);
}

void TSpotsForm::MakeMovie() {
  const std::vector<TMovieSpot>& spots = ZoomMovie().Spots;
  if (spots.size() < 2) return;
  TAVISetup avi(&Doc, this);
  avi.Options = 1;
  avi.MovieKind = kZoomMovieKind;
  avi.SetFrameCount(ZoomFrameCount(spots));
  avi.exec();
}
