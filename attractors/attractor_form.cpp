// SPDX-License-Identifier: GPL-3.0-or-later
#include "attractors/attractor_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QDate>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "attractors/attractor_search.h"
#include "attractors/attractor_view.h"
#include "movies/attractor_movie_form.h"
#include "platform/canvas_qt.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "ui/image_file.h"
#include "ui/image_output.h"
#include "ui/label3d_form.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

namespace {

constexpr int kMinWidth = 440, kMinHeight = 420;
constexpr int kPanelWidth = 150;
constexpr int kDefaultSide = 300;  // the drawing size at the start

const char* const kTypes[] = {"IFS", "X+Y+Z+XYZ", "X+XX+XY+XZ+Y+YY+YZ+Z+ZZ", "X+Y+Z+XXYYZZ"};

struct TDrawSizeEntry {
  int Width, Height;
};
const TDrawSizeEntry kSizes[] = {{152, 152}, {200, 200}, {300, 300},  {320, 200},  {320, 240},
                                 {400, 400}, {512, 512}, {640, 400},  {640, 480},  {800, 600},
                                 {800, 800}, {1024, 768}, {1024, 1024}};
constexpr int kInitialSize = 2;  // "300 x 300"
// A side of a file's drawing size as the window takes it: one that no
// drawing can have is taken as missing, and none is larger than the largest
// that the "Size:" list offers.
int DrawSide(int32_t side) {
  constexpr int kLargestSide = 1024;
  return side < 1 ? kDefaultSide : std::min(side, kLargestSide);
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string ToStd(const QString& s) { return s.toStdString(); }

QColor ToQColor(const TColor3& c) { return QColor(c.Red, c.Green, c.Blue); }
TColor3 FromQColor(const QColor& c) { return {uint8_t(c.blue()), uint8_t(c.green()), uint8_t(c.red())}; }

}  // namespace

// The drawing area.

TAttractorArea::TAttractorArea(TAttractorForm* form) : QWidget(form), Form(form) {
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TAttractorArea::paintEvent(QPaintEvent*) {
  {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
  }
  T3dFractal* doc = Form->Document();
  if (!doc) return;
  TQtCanvas canvas(this);
  doc->PaintTo(&canvas, doc->Width, doc->Height);
}

void TAttractorArea::mousePressEvent(QMouseEvent* event) {
  Anchor = event->position().toPoint();
  Dragging = true;
}

void TAttractorArea::mouseMoveEvent(QMouseEvent* event) {
  if (!Dragging) return;
  const QPoint at = event->position().toPoint();
  const QPoint moved = at - Anchor;
  Anchor = at;
  Form->Pan(moved.x(), moved.y());
}

void TAttractorArea::mouseReleaseEvent(QMouseEvent*) { Dragging = false; }

// "Color control:".

TColorControl::TColorControl(TAttractorForm* form) : QWidget(form), Form(form) {
  setMinimumSize(40, 60);
  setCursor(Qt::PointingHandCursor);
}

QColor TColorControl::ShadeAt(const TColor3& solid, const TColor3& background, int row, int height) {
  const double f = height > 1 ? double(height - 1 - row) / (height - 1) : 0;
  auto mix = [f](int s, int b) { return int(std::lrint(s + f * (b - s))); };
  return QColor(mix(solid.Red, background.Red), mix(solid.Green, background.Green), mix(solid.Blue, background.Blue));
}

void TColorControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const T3dFractal* doc = Form->Document();
  for (int row = 0; row < height(); ++row) {
    p.setPen(ShadeAt(doc->Solid, doc->Background, row, height()));
    p.drawLine(0, row, width() - 1, row);
  }
}

void TColorControl::mousePressEvent(QMouseEvent* event) {
  Form->EditColor(event->position().y() < height() / 2.0);
}

// The window.

TAttractorForm::TAttractorForm(QWidget* parent)
    : QWidget(parent, Qt::Window), Canvas([this](const QRect& r) { FArea->update(r); }) {
  setWindowTitle(tr("3D attractors"));
  setMinimumSize(kMinWidth, kMinHeight);
  setAcceptDrops(true);
  ColorDialog = [](QColor& color, QWidget* owner) {
    const QColor chosen = QColorDialog::getColor(color, owner);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
  };

  Scroll = new QScrollArea(this);
  Scroll->setAlignment(Qt::AlignCenter);
  Scroll->setWidgetResizable(false);
  Scroll->setBackgroundRole(QPalette::Dark);
  FArea = new TAttractorArea(this);
  FArea->setFixedSize(kDefaultSide, kDefaultSide);
  Scroll->setWidget(FArea);

  auto* panel = new QVBoxLayout;
  auto label = [this, panel](const QString& caption, QWidget* buddy) {
    auto* l = new TmyLabel3d(caption, this);
    l->setBuddy(buddy);
    panel->addWidget(l);
    panel->addWidget(buddy);
  };
  FTypeList = new QComboBox(this);
  for (const char* t : kTypes) FTypeList->addItem(t);
  label(tr("Typ&e:"), FTypeList);
  FSizeList = new QComboBox(this);
  for (const TDrawSizeEntry& s : kSizes) FSizeList->addItem(QString("%1 x %2").arg(s.Width).arg(s.Height));
  FSizeList->setCurrentIndex(kInitialSize);
  label(tr("Size:"), FSizeList);
  FIterations = new QSpinBox(this);
  FIterations->setRange(kMinPointCount, kMaxPointCount);
  FIterations->setSingleStep(10000);
  FIterations->setKeyboardTracking(false);
  label(tr("Iterations count:"), FIterations);

  auto button = [this](const QString& caption, const QString& hint) {
    auto* b = new QPushButton(caption, this);
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
  };
  FRedraw = button(tr("&Redraw"), tr("Draw new fractal"));
  FZoomIn = button("+", tr("Zoom in"));
  FZoomOut = button("-", tr("Zoom out"));
  FSave = button(tr("&Save"), tr("Save 3D attractor or image"));
  FLoad = button(tr("&Load"), tr("Load 3D attractor"));
  FAvi = button(tr("Make &AVI"), tr("Make AVI clip"));
  FClose = button(tr("&Close"), QString());
  panel->addWidget(FRedraw);
  auto* zoom = new QHBoxLayout;
  zoom->addWidget(FZoomIn);
  zoom->addWidget(FZoomOut);
  panel->addLayout(zoom);
  panel->addWidget(FSave);
  panel->addWidget(FLoad);
  panel->addWidget(FAvi);
  FColors = new TColorControl(this);
  label(tr("Color control:"), FColors);
  panel->setStretchFactor(FColors, 1);
  panel->addWidget(FClose);

  // The panel keeps a narrow column; the long type names are shown in full
  // when the list opens.
  auto* side = new QWidget(this);
  side->setLayout(panel);
  side->setFixedWidth(kPanelWidth);
  for (QComboBox* list : {FTypeList, FSizeList}) {
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(8);
  }
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Scroll, 1);
  layout->addWidget(side);

  Doc = std::make_unique<T3dFractal>(kDefaultSide, kDefaultSide, &Canvas);

  connect(FRedraw, &QPushButton::clicked, this, [this] { Redraw(); });
  connect(FZoomIn, &QPushButton::clicked, this, [this] { ZoomIn(); });
  connect(FZoomOut, &QPushButton::clicked, this, [this] { ZoomOut(); });
  connect(FSave, &QPushButton::clicked, this, [this] { Save(); });
  connect(FLoad, &QPushButton::clicked, this, [this] { Load(); });
  connect(FClose, &QPushButton::clicked, this, [this] { close(); });
  connect(FAvi, &QPushButton::clicked, this, [this] {
    TAVI3Dattr* movie = TAVI3Dattr::Instance(parentWidget() ? parentWidget()->window() : nullptr, this);
    movie->show();
    movie->raise();
    movie->activateWindow();
  });
  connect(FSizeList, &QComboBox::activated, this, [this](int i) { SetDrawSize(kSizes[i].Width, kSizes[i].Height); });
  connect(FIterations, &QSpinBox::valueChanged, this, [this](int n) { Doc->SetPointCount(n); });

  OpenDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Load 3D attractor");
  OpenDialog.Filter = QT_TRANSLATE_NOOP("FileDialog", "3D-attractor spot (*.fr3)|*.fr3");
  OpenDialog.DefaultExt = "fr3";
  OpenDialog.FileMustExist = true;
  SaveDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Save attractor as...");
  SaveDialog.Filter =
      QT_TRANSLATE_NOOP("FileDialog", "JPEG (*.jpg)|*.jpg|Windows bitmap (*.bmp)|*.bmp|3D-attractor spot (*.fr3)|*.fr3|"
                                      "PNG image (*.png)|*.png");
  SaveDialog.DefaultExt = "jpg";
  SaveDialog.ExtFollowsFilter = true;
  SaveDialog.FileName = "noname";
  SaveDialog.OverwritePrompt = true;

  const TFormBounds& b = Settings().AttractForm;
  // The first time the window takes the size its drawing fits in.
  if (HoldsPlace(b.Left, b.Top))
    resize(std::max(b.Width, kMinWidth), std::max(b.Height, kMinHeight));
  else
    resize(sizeHint().expandedTo(minimumSize()));
  PlaceToolWindow(this, b.Left, b.Top);
  if (b.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

TAttractorForm::~TAttractorForm() { Doc.reset(); }

void TAttractorForm::ShowDocumentValues() {
  const int kind = Doc->Kind;
  FTypeList->setCurrentIndex(kind >= 1 && kind <= 4 ? kind - 1 : 0);
  const QSignalBlocker quiet(FIterations);
  FIterations->setValue(Doc->GetPointCount());
}

void TAttractorForm::showEvent(QShowEvent* event) {
  // A new window shows an attractor of the kind its list offers rather than
  // the empty table's black.
  if (!event->spontaneous() && !Shown) SearchAttractor(*Doc, FTypeList->currentIndex(), SearchSeed);
  Shown = true;
  ShowDocumentValues();
  QWidget::showEvent(event);
}

void TAttractorForm::RecordBounds() {
  TFormBounds& b = Settings().AttractForm;
  b.Maximized = isMaximized();
  if (b.Maximized || isMinimized()) return;
  b.Left = x();
  b.Top = y();
  b.Width = width();
  b.Height = height();
}

void TAttractorForm::closeEvent(QCloseEvent* event) {
  RecordBounds();
  QWidget::closeEvent(event);
}

void TAttractorForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Minimising this window minimises the whole program.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && parentWidget())
    parentWidget()->window()->showMinimized();
}

void TAttractorForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TAttractorForm::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  const std::string path = ToStd(urls.front().toLocalFile());
  if (!IsAttractorFileName(path)) return;
  event->acceptProposedAction();
  LoadFile(path);
}

void TAttractorForm::Redraw() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool found = SearchAttractor(*Doc, FTypeList->currentIndex(), SearchSeed);
  QApplication::restoreOverrideCursor();
  if (found) setWindowTitle("3D-attractors");
}

void TAttractorForm::ZoomIn() {
  const TAttractorWindow w = ::ZoomedIn({Doc->X, Doc->Y, Doc->W}, Doc->Width, Doc->Height);
  Doc->SetWindow(w.X, w.Y, w.W);
}

void TAttractorForm::ZoomOut() {
  const TAttractorWindow w = ::ZoomedOut({Doc->X, Doc->Y, Doc->W}, Doc->Width, Doc->Height);
  Doc->SetWindow(w.X, w.Y, w.W);
}

void TAttractorForm::Pan(int dx, int dy) {
  const TAttractorWindow w = PannedWindow({Doc->X, Doc->Y, Doc->W}, Doc->Width, dx, dy);
  Doc->SetWindow(w.X, w.Y, w.W);
}

void TAttractorForm::SetDrawSize(int width, int height) {
  FArea->setFixedSize(width, height);
  FArea->update();
  Doc->SetDrawSize(width, height);
}

void TAttractorForm::EditColor(bool background) {
  TColor3& target = background ? Doc->Background : Doc->Solid;
  QColor color = ToQColor(target);
  if (!ColorDialog || !ColorDialog(color, this)) return;
  Doc->StopThread();
  target = FromQColor(color);
  FColors->update();
  Doc->Restart();
}

void TAttractorForm::Load() {
  if (!RunOpenDialog(OpenDialog, this)) return;
  OpenDialog.InitialDir = FolderOf(OpenDialog.FileName);
  LoadFile(OpenDialog.FileName);
}

void TAttractorForm::LoadFile(const std::string& path) {
  // A file that cannot be loaded changes nothing: not the drawing, its size
  // or the caption.
  TAttractorFileValues values;
  try {
    values = ReadAttractorFile(path);
  } catch (const std::exception& e) {
    ShowMessage(AttractorLoadFailure(e.what()));
    return;
  }
  Doc->StopThread();
  const int width = DrawSide(values.DrawWidth), height = DrawSide(values.DrawHeight);
  for (int i = 0; i < int(std::size(kSizes)); ++i)
    if (kSizes[i].Width == width && kSizes[i].Height == height) FSizeList->setCurrentIndex(i);
  SetDrawSize(width, height);
  Doc->TakeFile(values);
  ShowDocumentValues();
  SaveDialog.FileName = FileNameOf(path);
  setWindowTitle(Q("3D-attractor:  " + path));
}

void TAttractorForm::Save() {
  std::string& name = SaveDialog.FileName;
  if (name.empty()) name = ToStd(QDate::currentDate().toString("ddMMyy"));
  if (name.find('.') != std::string::npos) name = StripExtension(FileNameOf(name));
  if (!RunSaveDialog(SaveDialog, this)) return;
  SaveDialog.InitialDir = FolderOf(SaveDialog.FileName);
  const std::string base = StripExtension(SaveDialog.FileName);
  switch (SaveDialog.FilterIndex) {
    case 2:
      try {
        SaveBitmapFile(base + ".bmp", Doc->BitmapHeader(), Doc->ImageBuffer());
      } catch (const std::exception& e) {
        ShowMessage(SaveBitmapErrorMessage(e.what()));
      }
      break;
    case 3:
      try {
        const std::string path = base + ".fr3";
        TProfileFile file(path);
        file.WriteInt(kAttractorDrawSize, "X_Size", Doc->Width);
        file.WriteInt(kAttractorDrawSize, "Y_Size", Doc->Height);
        file.Save();
        Doc->SaveToFile(path);
      } catch (const std::exception& e) {
        ShowMessage(e.what());
      }
      break;
    case 4:
      try {
        SavePngFile(base + ".png", Doc->BitmapHeader(), Doc->ImageBuffer(), Doc->Width, Doc->Height,
                    AttractorImageText(*Doc));
      } catch (const std::exception& e) {
        ShowMessage(e.what());
      }
      break;
    default:
      QApplication::setOverrideCursor(Qt::WaitCursor);
      try {
        SaveJpegFile(base + ".jpg", Doc->BitmapHeader(), Doc->ImageBuffer(), Doc->Width, Doc->Height,
                     Settings().JpegQuality, Settings().JpegProgressive);
      } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        ShowMessage(e.what());
        return;
      }
      QApplication::restoreOverrideCursor();
      break;
  }
}
