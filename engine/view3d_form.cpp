// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/view3d_form.h"

#include <cmath>
#include <new>
#include <numbers>

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "ui/bitmap_view_form.h"
#include "ui/image_file.h"

namespace {

TColor3 Color3Of(const TColorRecord& c) { return {c.Blue, c.Green, c.Red}; }

QSlider* NewSlider(int low, int high, int value, QWidget* parent) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setRange(low, high);
  s->setValue(value);
  return s;
}

}  // namespace

QString View3DProgressCaption(intptr_t step, intptr_t percent) {
  return QCoreApplication::translate("TForm3D", "3D fractal: step %1 of 3 - %2%").arg(step).arg(percent);
}

TReliefSettings ReliefSettingsOf(const TSettings& s) {
  TReliefSettings r;
  r.MaxHeight = s.Degree;
  r.Angle = double(s.Angle);
  r.Thickness = s.Thicknes;
  r.Low = Color3Of(s.LowColor);
  r.High = Color3Of(s.HighColor);
  r.InfinityToMax = s.MaxHigh;
  return r;
}

int AngleDegrees(double angle) { return int(std::nearbyint(angle * 180 / std::numbers::pi)); }

double AngleOfDegrees(int degrees) { return degrees * 3.1415 / 180; }

TColorBar::TColorBar(QWidget* parent) : QWidget(parent) { setFixedSize(24, 64); }

void TColorBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const TColorRecord& low = Settings().LowColor;
  const TColorRecord& high = Settings().HighColor;
  const int h = height();
  auto mix = [h](uint8_t l, uint8_t hi, int i) { return int(l + std::nearbyint(double(hi - l) * i / h)); };
  for (int i = 0; i < h; ++i) {
    p.setPen(QColor(mix(low.Red, high.Red, i), mix(low.Green, high.Green, i), mix(low.Blue, high.Blue, i)));
    p.drawLine(0, h - 1 - i, width() - 1, h - 1 - i);
  }
}

void TColorBar::mousePressEvent(QMouseEvent* event) {
  if (OnPick) OnPick(event->position().y() < height() / 2.0);
}

TForm3D::TForm3D(const TFractal* mainDocument, QWidget* owner)
    : TBoundsWindow(owner, &TSettings::View3D, QSize(kView3DMinWidth, kView3DMinHeight)),
      MainDocument(mainDocument) {
  setWindowTitle(kView3DCaption);
  Hooks = DefaultDialogHooks();
  ColorDialog = [](QColor& color, QWidget* parent) {
    const QColor chosen = QColorDialog::getColor(color, parent);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
  };
  SaveState.Title = kView3DSaveTitle;
  SaveState.InitialDir = DocumentFolder();

  const TSettings& s = Settings();
  FView = new TBitmapView(this);
  auto* panel = new QVBoxLayout;
  panel->setSpacing(3);
  auto addLabelled = [&](const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    panel->addWidget(label);
    panel->addWidget(field);
  };
  // The slider shows the stored maximum height; moving it sets position + 1.
  Degree = NewSlider(0, 100, s.Degree, this);
  addLabelled(tr("&Degree:"), Degree);
  Angle = new QSpinBox(this);
  Angle->setRange(0, 90);
  Angle->setSingleStep(5);
  Angle->setValue(AngleDegrees(double(s.Angle)));
  addLabelled(tr("Angle:"), Angle);
  Smooth = NewSlider(1, 10, s.Smooth, this);
  addLabelled(tr("&Smooth:"), Smooth);
  Thickness = NewSlider(0, 10, s.Thicknes, this);
  addLabelled(tr("Thickness:"), Thickness);
  Infinity = new QCheckBox(tr("Infinity to Max High"), this);
  Infinity->setChecked(s.MaxHigh);
  panel->addWidget(Infinity);
  auto* colorsRow = new QHBoxLayout;
  colorsRow->addWidget(new QLabel(tr("Colors:"), this));
  Colors = new TColorBar(this);
  colorsRow->addWidget(Colors);
  colorsRow->addStretch(1);
  panel->addLayout(colorsRow);
  panel->addStretch(1);
  Save = new QPushButton(tr("&Save image"), this);
  Save->setEnabled(false);
  panel->addWidget(Save);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(FView, 1);
  auto* side = new QWidget(this);
  side->setFixedWidth(150);
  side->setLayout(panel);
  panel->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(side);
  if (Settings().View3D.Width <= 0) resize(640, 480);

  connect(Degree, &QSlider::valueChanged, this, [this](int v) { SliderMoved(Settings().Degree, v + 1); });
  connect(Smooth, &QSlider::valueChanged, this, [this](int v) { SliderMoved(Settings().Smooth, v); });
  connect(Thickness, &QSlider::valueChanged, this, [this](int v) { SliderMoved(Settings().Thicknes, v); });
  connect(Angle, &QSpinBox::valueChanged, this, [this](int v) {
    Settings().Angle = AngleOfDegrees(v);
    RestartView();
  });
  connect(Infinity, &QCheckBox::toggled, this, [this](bool on) {
    Settings().MaxHigh = on;
    RestartView();
  });
  Colors->OnPick = [this](bool high) { PickColor(high); };
  connect(Save, &QPushButton::clicked, this, [this] { SaveImage(); });
}

TForm3D::~TForm3D() {
  FThread.reset();
  RecordBounds();
}

void TForm3D::SliderMoved(int32_t& setting, int32_t value) {
  if (setting == value) return;
  setting = value;
  RestartView();
}

void TForm3D::PickColor(bool high) {
  TColorRecord& record = high ? Settings().HighColor : Settings().LowColor;
  QColor color(record.Red, record.Green, record.Blue);
  if (!ColorDialog || !ColorDialog(color, this)) return;
  record = {uint8_t(color.red()), uint8_t(color.green()), uint8_t(color.blue())};
  Colors->update();
  RestartView();
}

void TForm3D::RestartView() {
  FThread.reset();
  if (!isVisible() || !MainDocument) return;
  TThread3D::TClient client;
  client.Target = MessageHandle(this);
  client.Resize = [this](int32_t w, int32_t h) { return ResizeView(w, h); };
  client.Repaint = [this] {
    ++FinishedRenders;
    FView->PaintArea()->update();
  };
  try {
    FThread = std::make_unique<TThread3D>(*MainDocument, ReliefSettingsOf(Settings()), client);
  } catch (...) {
    FThread.reset();  // no view render this time; the next restart tries again
  }
}

uint8_t* TForm3D::ResizeView(int32_t width, int32_t height) {
  // The same size keeps the last picture on show until the new one is done.
  if (Image && Header.biWidth == width && Header.biHeight == height) return Image.get();
  FView->PaintArea()->SetBitmap(nullptr, nullptr, {});
  Image.reset();
  FView->SetPaintSize(width, height);
  Header = TBitmapInfoHeader{};
  Header.biWidth = width;
  Header.biHeight = height;
  const uint64_t bytes = uint64_t(width) * uint64_t(height) * 3;
  Image.reset(new (std::nothrow) uint8_t[bytes]());
  if (!Image) {
    ShowMessage(OutOfMemoryMessage(bytes));
    return nullptr;
  }
  // Unscaled, one row short of the buffer: the top row of the bitmap is left out.
  FView->PaintArea()->SetBitmap(&Header, Image.get(), {0, 1, width, height - 1});
  return Image.get();
}

void TForm3D::HandleMessage(uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg == MSG_VIEW3D_REFRESH) {
    if (isVisible()) RestartView();
  } else if (msg == MSG_VIEW3D_STATE) {
    Save->setEnabled(wParam != 0);
    if (wParam == 1) setWindowTitle(kView3DCaption);
  } else if (msg == MSG_VIEW3D_PROGRESS) {
    setWindowTitle(View3DProgressCaption(wParam, lParam));
  }
}

bool TForm3D::SaveImage() {
  if (!Image) return false;
  // The relief shows the main image: its PNG names the same spot.
  return SaveImageDialog(Header, Image.get(), Header.biWidth, Header.biHeight, this, SaveState, Hooks,
                         SpotImageText(*MainDocument));
}

void TForm3D::showEvent(QShowEvent* event) {
  TBoundsWindow::showEvent(event);
  if (!event->spontaneous()) RestartView();
}

void TForm3D::closeEvent(QCloseEvent* event) {
  FThread.reset();
  TBoundsWindow::closeEvent(event);
}
