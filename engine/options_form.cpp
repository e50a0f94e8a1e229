#include "engine/options_form.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

namespace {

constexpr int kStripWidth = 256, kStripHeight = 18;
constexpr int kMaxIterMin = 4;
constexpr const char* kPaletteFilter = "Fractal's palette (*.frp)|*.frp";
const QColor kChannelColours[3] = {QColor(192, 0, 0), QColor(0, 128, 0), QColor(0, 0, 192)};

// What the keyboard may type into an edit.
enum TKeyRule { krNone, krReal, krDigits };
const char* const kKeyRule = "pxKeyRule";

QColor ColourOf(TColor3 c) { return QColor(c.Red, c.Green, c.Blue); }
TColor3 Color3Of(const QColor& c) { return TColor3{uint8_t(c.blue()), uint8_t(c.green()), uint8_t(c.red())}; }

QString Text(const std::string& s) { return QString::fromStdString(s); }

// The edit's text as it would be with the selection replaced by the typed
// character: the part that stays.
QString KeptText(const QLineEdit* edit) {
  QString t = edit->text();
  if (edit->hasSelectedText()) t.remove(edit->selectionStart(), edit->selectedText().size());
  return t;
}

// Whether the typed text may go into the edit under its rule.
bool KeyAllowed(const QLineEdit* edit, TKeyRule rule, QChar c) {
  if (c >= '0' && c <= '9') return true;
  if (rule != krReal) return false;
  if (c == '-') return !KeptText(edit).contains('-');
  if (c == '.') return !KeptText(edit).contains('.');
  return false;
}

// An end point's current value, from the palette fields.
int32_t CurveStart(const TFPal& pal, int channel) {
  switch (pal.PaletteKind) {
    case kPalLinear: return (channel == 0 ? pal.LinearRed : channel == 1 ? pal.LinearGreen : pal.LinearBlue).Start;
    case kPalParabola:
      return (channel == 0 ? pal.ParabolaRed : channel == 1 ? pal.ParabolaGreen : pal.ParabolaBlue).Start;
    case kPalSquare: return (channel == 0 ? pal.SquareRed : channel == 1 ? pal.SquareGreen : pal.SquareBlue).Start;
    default: return 0;
  }
}

int32_t CurveEnd(const TFPal& pal, int channel) {
  switch (pal.PaletteKind) {
    case kPalLinear: return (channel == 0 ? pal.LinearRed : channel == 1 ? pal.LinearGreen : pal.LinearBlue).End;
    case kPalParabola:
      return (channel == 0 ? pal.ParabolaRed : channel == 1 ? pal.ParabolaGreen : pal.ParabolaBlue).End;
    case kPalSquare: return (channel == 0 ? pal.SquareRed : channel == 1 ? pal.SquareGreen : pal.SquareBlue).End;
    default: return 0;
  }
}

// A curve value as a pixel row of a box h pixels high.
int CurveRow(Extended value, int h) {
  const Extended r = std::nearbyint(value * h / 255);
  if (!(r > -1e6L && r < 1e6L)) return 0;
  return std::clamp(h - int(r), 0, h - 1);
}

QToolButton* ArrowButton(QWidget* parent, Qt::ArrowType arrow, const char* name) {
  auto* b = new QToolButton(parent);
  b->setArrowType(arrow);
  b->setAutoRepeat(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setFixedSize(18, 11);
  b->setObjectName(name);
  return b;
}

QVBoxLayout* SpinPair(QToolButton* up, QToolButton* down) {
  auto* l = new QVBoxLayout;
  l->setSpacing(0);
  l->setContentsMargins(0, 0, 0, 0);
  l->addWidget(up);
  l->addWidget(down);
  return l;
}

// Marks under a strip: each text centred under its column.
class TStripScale : public QWidget {
 public:
  TStripScale(std::vector<std::pair<int, QString>> marks, QWidget* parent)
      : QWidget(parent), Marks(std::move(marks)) {
    setFixedSize(kStripWidth + 24, fontMetrics().height() + 2);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    for (const auto& [x, text] : Marks) {
      const int w = fontMetrics().horizontalAdvance(text);
      p.drawText(std::clamp(x - w / 2, 0, width() - w), fontMetrics().ascent() + 1, text);
    }
  }

 private:
  std::vector<std::pair<int, QString>> Marks;
};

}  // namespace

int CurveEndPoints(int32_t paletteKind, int channel, int32_t kinds[3]) {
  if (channel < 0 || channel > 2) return 0;
  switch (paletteKind) {
    case kPalLinear:
      kinds[0] = 1 + 2 * channel;
      kinds[1] = 2 + 2 * channel;
      return 2;
    case kPalParabola:
      kinds[0] = 7 + 3 * channel;
      kinds[1] = 8 + 3 * channel;
      kinds[2] = 9 + 3 * channel;
      return 3;
    case kPalSquare:
      kinds[0] = 16 + 2 * channel;
      kinds[1] = 17 + 2 * channel;
      return 2;
    default: return 0;
  }
}

Extended BailOutUp(Extended b) {
  const Extended r = std::nearbyint(std::sqrt(b > 0 ? b : 0));
  const Extended v = (r + 1) * (r + 1);
  return v > 999999.999L ? 999999.999L : v;
}

Extended BailOutDown(Extended b) {
  const Extended r = std::nearbyint(std::sqrt(b > 0 ? b : 0));
  const Extended v = (r - 1) * (r - 1);
  return r < 2 ? 1 : v;
}

std::string BailOutText(float b) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, b);
  try {
    return FormatReal(ParseReal(std::string_view(buf, size_t(res.ptr - buf))), 9);
  } catch (const TConvertError&) {
    return FormatReal(b, 9);  // infinity or NaN: as the general format writes it
  }
}

// ---------------------------------------------------------------------------

TColorSwatch::TColorSwatch(QWidget* parent) : QWidget(parent) {
  setFixedSize(40, 20);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
}

void TColorSwatch::SetColor(const QColor& color) {
  FColor = color;
  update();
}

void TColorSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), FColor);
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (hasFocus()) {
    p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
    p.drawRect(rect().adjusted(1, 1, -2, -2));
  }
}

void TColorSwatch::mousePressEvent(QMouseEvent*) {
  if (OnClick) OnClick();
}

void TColorSwatch::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (OnClick) OnClick();
    return;
  }
  QWidget::keyPressEvent(event);
}

TPaletteStrip::TPaletteStrip(QWidget* parent) : QWidget(parent) {
  setFixedSize(kStripWidth, kStripHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaletteStrip::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::black);
  if (!ColorAt) return;
  for (int x = 0; x <= width(); ++x) {
    p.setPen(ColorAt(x, width()));
    p.drawLine(x, 0, x, height() - 1);
  }
}

TCurveBox::TCurveBox(TOptionsForm* form, int channel, QWidget* parent)
    : QWidget(parent), Form(form), FChannel(channel) {
  setFixedSize(kCurveBoxWidth, kCurveBoxHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::CrossCursor);
}

void TCurveBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Form->PaintCurve(this, p);
}

void TCurveBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Form->CurvePressed(this, event->position().toPoint());
}

void TCurveBox::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) Form->CurveDragged(this, event->position().toPoint());
}

void TCurveBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Form->CurveReleased();
}

// ---------------------------------------------------------------------------

// Keeps the live flag off while the dialog writes its own controls.
class TOptionsForm::TLiveOff {
 public:
  explicit TLiveOff(TOptionsForm* form) : Form(form), Saved(form->FLive) { form->FLive = false; }
  ~TLiveOff() { Form->FLive = Saved; }

 private:
  TOptionsForm* Form;
  bool Saved;
};

TOptionsForm::TOptionsForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Fractal's property");
  ColorDialog = [](QColor& color, QWidget* owner) {
    const QColor chosen = QColorDialog::getColor(color, owner);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
  };
  PaletteSaveDialog.Title = "Save palette to file";
  PaletteOpenDialog.Title = "Open palette file";
  for (TFileDialog* d : {&PaletteSaveDialog, &PaletteOpenDialog}) {
    d->Filter = kPaletteFilter;
    d->DefaultExt = "frp";
    d->InitialDir = DocumentFolder();
  }
  PaletteSaveDialog.OverwritePrompt = true;
  PaletteOpenDialog.FileMustExist = true;

  FTabs = new QTabWidget(this);
  FTabs->addTab(BuildCoordinatesPage(), "Coordinates");
  FTabs->addTab(BuildContrastPage(), "Contrast");
  FTabs->addTab(BuildColorPalettePage(), "Color palette");
  FTabs->addTab(BuildJpegPage(), "JPEG options");
  FTabs->addTab(BuildIFSPage(), "IFS Setup");
  connect(FTabs, &QTabWidget::currentChanged, this, [this](int page) {
    if (page == opJpeg) FillJpeg();
  });
  // Every page caption stays in view.
  FTabs->setMinimumWidth(FTabs->tabBar()->sizeHint().width() + 8);
  BoxW = Curves[0]->width();
  BoxH = Curves[0]->height();

  auto* close = new QPushButton("&Close", this);
  close->setObjectName("CloseButton");
  close->setAutoDefault(false);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FTabs);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

TOptionsForm::~TOptionsForm() {
  if (windowState() == Qt::WindowNoState) RecordPosition();
  // A dialog destroyed while shown still holds its subscriptions.
  Unsubscribe();
}

QWidget* TOptionsForm::BuildCoordinatesPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  const char* captions[3] = {" &X =", " &Y =", " &W ="};
  const char* names[3] = {"XEdit", "YEdit", "WEdit"};
  for (int k = 0; k < 3; ++k) {
    FCoord[k] = new QLineEdit(page);
    FCoord[k]->setObjectName(names[k]);
    FCoord[k]->setMinimumWidth(240);
    FCoord[k]->setProperty(kKeyRule, int(krReal));
    FCoord[k]->installEventFilter(this);
    auto* label = new QLabel(captions[k], page);
    label->setBuddy(FCoord[k]);
    grid->addWidget(label, k, 0);
    grid->addWidget(FCoord[k], k, 1, 1, 2);
  }
  FAutoIter = new QCheckBox("&Auto iteration control", page);
  FAutoIter->setObjectName("AutoIterBox");
  connect(FAutoIter, &QCheckBox::toggled, this, &TOptionsForm::AutoIterToggled);
  grid->addWidget(FAutoIter, 3, 1, 1, 2);

  FMaxIter = new QSpinBox(page);
  FMaxIter->setObjectName("MaxIterSpin");
  FMaxIter->setRange(kMaxIterMin, kMaxIterLimit);
  // A value typed below the range becomes its least value on leaving.
  FMaxIter->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  FMaxIter->setToolTip("Value larger then 5000 _NOT_ recommended !!!");
  connect(FMaxIter, &QSpinBox::valueChanged, this, &TOptionsForm::MaxIterChanged);
  FMaxIterLabel = new QLabel("&Max. iteration = ", page);
  FMaxIterLabel->setBuddy(FMaxIter);
  grid->addWidget(FMaxIterLabel, 4, 0);
  grid->addWidget(FMaxIter, 4, 1);

  FBailOut = new QLineEdit(page);
  FBailOut->setObjectName("BailOutEdit");
  FBailOut->setProperty(kKeyRule, int(krReal));
  FBailOut->installEventFilter(this);
  FBailUp = ArrowButton(page, Qt::UpArrow, "BailOutUp");
  FBailDown = ArrowButton(page, Qt::DownArrow, "BailOutDown");
  connect(FBailUp, &QToolButton::clicked, this, [this] { BailOutSpin(true); });
  connect(FBailDown, &QToolButton::clicked, this, [this] { BailOutSpin(false); });
  auto* bailLabel = new QLabel("&BailOut value =", page);
  bailLabel->setBuddy(FBailOut);
  auto* bail = new QHBoxLayout;
  bail->addWidget(FBailOut);
  bail->addLayout(SpinPair(FBailUp, FBailDown));
  grid->addWidget(bailLabel, 5, 0);
  grid->addLayout(bail, 5, 1);
  // A program-wide preference, not a parameter of the document: spots keep
  // their exact values. The document renders again with the new arithmetic.
  FFastArithmetic = new QCheckBox("Fast arithmetic (doubles, SIMD)", page);
  FFastArithmetic->setObjectName("FastArithmeticBox");
  connect(FFastArithmetic, &QCheckBox::toggled, this, [this](bool on) {
    if (!FLive) return;
    Settings().FastArithmetic = TFractal::UseFastArithmetic = on;
    if (Doc) Doc->Restart();
  });
  grid->addWidget(FFastArithmetic, 6, 1, 1, 2);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(7, 1);
  return page;
}

QWidget* TOptionsForm::BuildContrastPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel("Four palette cycles:", page));
  FCycles = new TPaletteStrip(page);
  FCycles->setObjectName("CyclesStrip");
  FCycles->ColorAt = [this](int x, int width) {
    if (!Doc) return QColor(Qt::black);
    const float v = float(std::nearbyint(Extended(x + 1) * 256 / width));
    return ColourOf(Doc->Palette->ColorOf(v, v, v));
  };
  layout->addWidget(FCycles);
  layout->addWidget(new TStripScale({{0, "1"}, {64, "256"}, {128, "512"}, {192, "768"}, {255, "1024"}}, page));

  auto* filterGroup = new QGroupBox("Palette filter:", page);
  auto* filterGrid = new QGridLayout(filterGroup);
  FIterChanging = new QButtonGroup(this);
  const char* curves[6] = {"Linear",          "Square root",     "Logarithmical",
                           "Sinusoidal (Pi/2)", "Sinusoidal (Pi)", "Cosinusoidal"};
  for (int k = 0; k < 6; ++k) {
    auto* b = new QRadioButton(curves[k], filterGroup);
    b->setObjectName(QString("IterChanging%1").arg(k));
    FIterChanging->addButton(b, k);
    filterGrid->addWidget(b, k % 3, k / 3);
  }
  connect(FIterChanging, &QButtonGroup::idClicked, this, &TOptionsForm::IterChangingChosen);
  layout->addWidget(filterGroup);

  auto* contrastGroup = new QGroupBox("Contrast:", page);
  auto* contrastRow = new QHBoxLayout(contrastGroup);
  FContrast = new QSlider(Qt::Horizontal, contrastGroup);
  FContrast->setObjectName("ContrastSlider");
  FContrast->setRange(0, 20);
  FContrast->setTickPosition(QSlider::TicksBelow);
  FContrast->setTickInterval(1);
  FContrast->setPageStep(2);
  connect(FContrast, &QSlider::valueChanged, this, &TOptionsForm::ContrastMoved);
  contrastRow->addWidget(new QLabel("Darker", contrastGroup));
  contrastRow->addWidget(FContrast, 1);
  contrastRow->addWidget(new QLabel("Brighter", contrastGroup));
  layout->addWidget(contrastGroup);
  layout->addStretch();
  return page;
}

QWidget* TOptionsForm::BuildColorPalettePage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Infinity color:", page));
  FInfinity = new TColorSwatch(page);
  FInfinity->setObjectName("InfinitySwatch");
  FInfinity->OnClick = [this] { PickInfinityColour(); };
  top->addWidget(FInfinity);
  top->addSpacing(24);
  FColorOrder = new QComboBox(page);
  FColorOrder->setObjectName("ColorOrderCombo");
  FColorOrder->addItems({"R G B", "R B G", "G R B", "G B R", "B R G", "B G R"});
  auto* orderLabel = new QLabel("Color order:", page);
  orderLabel->setBuddy(FColorOrder);
  top->addWidget(orderLabel);
  top->addWidget(FColorOrder);
  top->addStretch();
  connect(FColorOrder, &QComboBox::currentIndexChanged, this, &TOptionsForm::ColorOrderChosen);
  layout->addLayout(top);

  FStrip = new TPaletteStrip(page);
  FStrip->setObjectName("ColorStrip");
  FStrip->ColorAt = [this](int x, int) {
    if (!Doc) return QColor(Qt::black);
    return ColourOf(Doc->Palette->ColorOf(float(x + 1), float(x + 1), float(x + 1)));
  };
  layout->addWidget(FStrip);
  auto* scale = new QLabel("0                 64                128               192             256 ", page);
  QFont small = scale->font();
  small.setPixelSize(9);
  scale->setFont(small);
  layout->addWidget(scale);

  auto* middle = new QHBoxLayout;
  auto* kindGroup = new QGroupBox("P&alette", page);
  auto* kindColumn = new QVBoxLayout(kindGroup);
  FKind = new QButtonGroup(this);
  const char* kinds[4] = {"Standart", "Linear", "Parabolic", "Quad square"};
  for (int k = 0; k < 4; ++k) {
    auto* b = new QRadioButton(kinds[k], kindGroup);
    b->setObjectName(QString("Kind%1").arg(k));
    FKind->addButton(b, k);
    kindColumn->addWidget(b);
  }
  connect(FKind, &QButtonGroup::idClicked, this, &TOptionsForm::PaletteKindChosen);
  middle->addWidget(kindGroup);
  auto* files = new QVBoxLayout;
  auto* save = new QPushButton("&Save", page);
  save->setObjectName("SaveButton");
  save->setAutoDefault(false);
  auto* load = new QPushButton("&Load", page);
  load->setObjectName("LoadButton");
  load->setAutoDefault(false);
  connect(save, &QPushButton::clicked, this, &TOptionsForm::SavePalette);
  connect(load, &QPushButton::clicked, this, &TOptionsForm::LoadPalette);
  files->addWidget(save);
  files->addWidget(load);
  files->addStretch();
  middle->addLayout(files);

  // The standard palette's steps and starts.
  auto* standard = new QVBoxLayout;
  const char* channels[3] = {"Red", "Green", "Blue"};
  FStepsGroup = new QGroupBox("Steps: 0..255", page);
  auto* steps = new QHBoxLayout(FStepsGroup);
  FShiftsGroup = new QGroupBox("Iteration starting: 0..255", page);
  auto* shifts = new QGridLayout(FShiftsGroup);
  for (int c = 0; c < 3; ++c) {
    FSteps[c] = new QSpinBox(FStepsGroup);
    FSteps[c]->setRange(0, 255);
    FSteps[c]->setObjectName(QString(channels[c]) + "StepSpin");
    FSteps[c]->setToolTip(channels[c]);
    steps->addWidget(FSteps[c]);
    connect(FSteps[c], &QSpinBox::valueChanged, this, [this, c](int v) { StepChanged(c, v); });

    FShiftBars[c] = new QScrollBar(Qt::Horizontal, FShiftsGroup);
    FShiftBars[c]->setRange(0, 255);
    FShiftBars[c]->setObjectName(QString(channels[c]) + "ShiftBar");
    FShiftBars[c]->setMinimumWidth(110);
    FShifts[c] = new QSpinBox(FShiftsGroup);
    FShifts[c]->setRange(0, 255);
    FShifts[c]->setObjectName(QString(channels[c]) + "ShiftSpin");
    FShifts[c]->setToolTip(channels[c]);
    shifts->addWidget(FShiftBars[c], c, 0);
    shifts->addWidget(FShifts[c], c, 1);
    // A scroll bar sets its spin field; the spin field sets the palette.
    connect(FShiftBars[c], &QScrollBar::valueChanged, this, [this, c](int v) {
      if (FLive) FShifts[c]->setValue(v);
    });
    connect(FShifts[c], &QSpinBox::valueChanged, this, [this, c](int v) { ShiftChanged(c, v); });
  }
  standard->addWidget(FStepsGroup);
  standard->addWidget(FShiftsGroup);
  middle->addLayout(standard);
  middle->addStretch();
  layout->addLayout(middle);

  // The table palettes' curve boxes.
  FCurvesPanel = new QWidget(page);
  auto* curves = new QHBoxLayout(FCurvesPanel);
  curves->setContentsMargins(0, 0, 0, 0);
  for (int c = 0; c < 3; ++c) {
    auto* column = new QVBoxLayout;
    Curves[c] = new TCurveBox(this, c, FCurvesPanel);
    Curves[c]->setObjectName(QString(channels[c]) + "Curve");
    column->addWidget(Curves[c]);
    auto* fields = new QHBoxLayout;
    for (int e = 0; e < 2; ++e) {
      auto* f = new QLineEdit(FCurvesPanel);
      f->setObjectName(QString(channels[c]) + (e == 0 ? "StartEdit" : "EndEdit"));
      f->setMaxLength(3);
      f->setFixedWidth(40);
      f->setProperty(kKeyRule, int(krDigits));
      f->installEventFilter(this);
      FCurveFields[c][e] = f;
      fields->addWidget(f);
    }
    fields->addStretch();
    column->addLayout(fields);
    curves->addLayout(column);
  }
  curves->addStretch();
  layout->addWidget(FCurvesPanel);
  layout->addStretch();
  return page;
}

QWidget* TOptionsForm::BuildJpegPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  FQuality = new QSlider(Qt::Horizontal, page);
  FQuality->setObjectName("QualitySlider");
  FQuality->setRange(1, 10);
  FQuality->setPageStep(1);
  FQuality->setTickPosition(QSlider::TicksBelow);
  FQuality->setTickInterval(1);
  FQuality->setFixedWidth(260);
  connect(FQuality, &QSlider::valueChanged, this, [this](int position) {
    if (FLive) Settings().JpegQuality = position * 10;
  });
  auto* label = new QLabel("JPEG &quality:", page);
  label->setBuddy(FQuality);
  layout->addWidget(label);
  layout->addWidget(FQuality);
  auto* marks = new QHBoxLayout;
  marks->addWidget(new QLabel("Low", page));
  marks->addStretch();
  marks->addWidget(new QLabel("Medium", page));
  marks->addStretch();
  marks->addWidget(new QLabel("High", page));
  auto* markBox = new QWidget(page);
  markBox->setFixedWidth(260);
  marks->setContentsMargins(0, 0, 0, 0);
  markBox->setLayout(marks);
  layout->addWidget(markBox);
  FProgressive = new QCheckBox("&Progressive", page);
  FProgressive->setObjectName("ProgressiveBox");
  connect(FProgressive, &QCheckBox::toggled, this, [this](bool on) {
    if (FLive) Settings().JpegProgressive = on;
  });
  layout->addSpacing(8);
  layout->addWidget(FProgressive);
  layout->addStretch();
  return page;
}

QWidget* TOptionsForm::BuildIFSPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* background = new QHBoxLayout;
  FBackground = new TColorSwatch(page);
  FBackground->setObjectName("BackgroundSwatch");
  FBackground->OnClick = [this] { PickInfinityColour(); };
  auto* label = new QLabel("&Background color:", page);
  label->setBuddy(FBackground);
  background->addWidget(label);
  background->addWidget(FBackground);
  background->addStretch();
  layout->addLayout(background);

  auto* styleGroup = new QGroupBox("IFS color system:", page);
  auto* styles = new QVBoxLayout(styleGroup);
  FIFSStyle = new QButtonGroup(this);
  const char* names[2] = {"Shaded (standart palette)", "Solid color"};
  for (int k = 0; k < 2; ++k) {
    auto* b = new QRadioButton(names[k], styleGroup);
    b->setObjectName(QString("IFSStyle%1").arg(k));
    FIFSStyle->addButton(b, k);
    styles->addWidget(b);
  }
  connect(FIFSStyle, &QButtonGroup::idClicked, this, &TOptionsForm::IFSStyleChosen);
  auto* solid = new QHBoxLayout;
  FSolidButton = new QPushButton("...", styleGroup);
  FSolidButton->setObjectName("SolidButton");
  FSolidButton->setToolTip("Select solid color for IFS");
  FSolidButton->setAutoDefault(false);
  FSolidButton->setFixedWidth(32);
  connect(FSolidButton, &QPushButton::clicked, this, &TOptionsForm::PickSolidColour);
  FSolid = new TColorSwatch(styleGroup);
  FSolid->setObjectName("SolidSwatch");
  FSolid->OnClick = [this] { PickSolidColour(); };
  solid->addWidget(FSolidButton);
  solid->addWidget(FSolid);
  solid->addStretch();
  styles->addLayout(solid);
  layout->addWidget(styleGroup);

  FQuick = new QCheckBox("&Quick calculating  ( IFS and Orbital )", page);
  FQuick->setObjectName("QuickBox");
  connect(FQuick, &QCheckBox::toggled, this, &TOptionsForm::QuickToggled);
  layout->addWidget(FQuick);
  layout->addStretch();
  return page;
}

// ---------------------------------------------------------------------------

void TOptionsForm::ShowFor(TFractal* document) {
  {
    TLiveOff off(this);
    if (Subscribed && document != Doc) Unsubscribe();
    Doc = document;
    FTabs->setCurrentIndex(opCoordinates);
    if (Doc) {
      FillCoordinates();
      FillContrast();
      FillColorPalette();
      FillJpeg();
      FillIFS();
      ShowPaletteKindControls();
      Subscribe();
    }
  }
  FLive = true;
  // Placed once its pages are filled: a size change after it appears could
  // move it on the desktop.
  PlaceToolWindow(this, Settings().Options.Left, Settings().Options.Top);
  show();
  raise();
  activateWindow();
}

void TOptionsForm::Refresh() {
  if (!Doc) return;
  {
    TLiveOff off(this);
    FillCoordinates();
    FillContrast();
    FillColorPalette();
    FillIFS();
    ShowPaletteKindControls();
  }
  FLive = true;
  Recolour();
}

void TOptionsForm::Subscribe() {
  if (Subscribed || !Doc) return;
  PreviousParamsChanged = Doc->OnParamsChanged;
  Doc->OnParamsChanged = [this, previous = PreviousParamsChanged](TFractal* d) {
    if (previous) previous(d);
    FillCoordinates();
  };
  PreviousPaletteChange = Doc->Palette->OnChange;
  Subscribed = true;
}

void TOptionsForm::Unsubscribe() {
  if (!Subscribed || !Doc) return;
  Doc->OnParamsChanged = PreviousParamsChanged;
  Doc->Palette->OnChange = PreviousPaletteChange;
  PreviousParamsChanged = nullptr;
  PreviousPaletteChange = nullptr;
  Subscribed = false;
}

void TOptionsForm::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (event->spontaneous()) return;  // minimised, not closed
  RecordPosition();
  Unsubscribe();
  FLive = false;
  if (OnClosed) OnClosed();
}

void TOptionsForm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // The dialog minimises and restores the whole program.
  QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
  if (!main) return;
  const auto* change = static_cast<QWindowStateChangeEvent*>(event);
  if (isMinimized() && !main->isMinimized()) {
    main->showMinimized();
  } else if (!isMinimized() && (change->oldState() & Qt::WindowMinimized) && main->isMinimized()) {
    main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
  }
}

void TOptionsForm::RecordPosition() {
  if (windowState() != Qt::WindowNoState) return;
  Settings().Options = {x(), y()};
}

void TOptionsForm::Recolour() {
  if (FLive && Doc) Doc->Recolor();
}

bool TOptionsForm::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (!edit) return QDialog::eventFilter(watched, event);
  const auto rule = TKeyRule(edit->property(kKeyRule).toInt());
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (edit == FBailOut && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
      BailOutSpin(key->key() == Qt::Key_Up);
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      for (int k = 0; k < 3; ++k)
        if (edit == FCoord[k]) CoordinateLeft(edit, k);
      if (edit == FBailOut) BailOutLeft();
      return true;
    }
    const QString t = key->text();
    if (rule != krNone && !t.isEmpty() && t[0].isPrint() && !(key->modifiers() & Qt::ControlModifier)) {
      for (QChar c : t)
        if (!KeyAllowed(edit, rule, c)) return true;
    }
  } else if (event->type() == QEvent::FocusOut) {
    // Only leaving the field counts, not the window losing the activation.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible()) {
      for (int k = 0; k < 3; ++k)
        if (edit == FCoord[k]) CoordinateLeft(edit, k);
      if (edit == FBailOut) BailOutLeft();
      if (rule == krDigits) CurveFieldLeft(edit);
    }
  }
  return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Filling the controls (the live flag is off).

void TOptionsForm::FillCoordinates() {
  if (!Doc) return;
  TLiveOff off(this);
  const std::array<std::string, 3> texts = FCoordinates.Shown(*Doc);
  for (int k = 0; k < 3; ++k) FCoord[k]->setText(Text(texts[k]));
  FAutoIter->setChecked(Doc->AutoIter);
  FFastArithmetic->setChecked(Settings().FastArithmetic);
  FMaxIter->setMaximum(Doc->MaxIterLimit());
  FMaxIter->setValue(Doc->Ctx.MaxIter);
  FMaxIter->setEnabled(!Doc->AutoIter);
  FMaxIterLabel->setEnabled(!Doc->AutoIter);
  FBailOut->setText(Text(BailOutText(Doc->Ctx.BailOut)));
}

void TOptionsForm::FillContrast() {
  TLiveOff off(this);
  const TFPal& pal = *Doc->Palette;
  FContrast->setValue(int(std::clamp(std::nearbyint(20.0 * double(pal.Contrast)), 0.0, 20.0)));
  if (QAbstractButton* b = FIterChanging->button(pal.IterChanging)) {
    b->setChecked(true);
  } else {
    // A curve number the dialog does not name shapes like "Linear".
    FIterChanging->button(0)->setChecked(true);
  }
  FCycles->update();
}

void TOptionsForm::FillColorPalette() {
  TLiveOff off(this);
  const TFPal& pal = *Doc->Palette;
  FInfinity->SetColor(ColourOf(pal.InfinityColor));
  FBackground->SetColor(ColourOf(pal.InfinityColor));
  FColorOrder->setCurrentIndex(pal.ColorOrder >= 0 && pal.ColorOrder <= 5 ? pal.ColorOrder : -1);
  if (QAbstractButton* b = FKind->button(pal.PaletteKind)) b->setChecked(true);
  const int32_t steps[3] = {pal.RedStep, pal.GreenStep, pal.BlueStep};
  const int32_t shifts[3] = {pal.RedShift, pal.GreenShift, pal.BlueShift};
  for (int c = 0; c < 3; ++c) {
    FSteps[c]->setValue(steps[c]);
    FShifts[c]->setValue(shifts[c]);
    FShiftBars[c]->setValue(shifts[c]);
    FCurveFields[c][0]->setText(QString::number(CurveStart(pal, c)));
    FCurveFields[c][1]->setText(QString::number(CurveEnd(pal, c)));
  }
  RepaintPalette();
}

void TOptionsForm::FillJpeg() {
  TLiveOff off(this);
  FQuality->setValue(Settings().JpegQuality / 10);
  FProgressive->setChecked(Settings().JpegProgressive);
}

void TOptionsForm::FillIFS() {
  TLiveOff off(this);
  const int style = Doc->Ctx.IFSColorStyle;
  if (QAbstractButton* b = FIFSStyle->button(style)) {
    b->setChecked(true);
  } else {
    FIFSStyle->setExclusive(false);
    for (QAbstractButton* b : FIFSStyle->buttons()) b->setChecked(false);
    FIFSStyle->setExclusive(true);
  }
  FSolidButton->setVisible(style == 1);
  FSolid->setVisible(style == 1);
  const uint8_t* s = Doc->Ctx.IFSSolid;
  FSolid->SetColor(QColor(s[2], s[1], s[0]));
  FBackground->SetColor(ColourOf(Doc->Palette->InfinityColor));
  FQuick->setChecked(Doc->Ctx.IFSquick);
}

void TOptionsForm::ShowPaletteKindControls() {
  const int32_t kind = Doc->Palette->PaletteKind;
  const bool table = kind >= kPalLinear && kind <= kPalSquare;
  FTabs->setTabVisible(opContrast, table);
  FStepsGroup->setVisible(!table);
  FShiftsGroup->setVisible(!table);
  FCurvesPanel->setVisible(table);
}

void TOptionsForm::RepaintPalette() {
  FStrip->update();
  FCycles->update();
  for (TCurveBox* box : Curves) box->update();
}

// ---------------------------------------------------------------------------
// Coordinates page.

void TOptionsForm::CoordinateLeft(QLineEdit* edit, int which) {
  if (!FLive || !Doc) return;
  const QString text = edit->text().trimmed();
  if (text.isEmpty()) return;
  const std::string typed = text.toStdString();
  Extended v;
  try {
    v = ParseReal(typed);
  } catch (const TConvertError&) {
    ShowMessage("Error in numeric !");
    QTimer::singleShot(0, edit, [edit] { edit->setFocus(); });
    return;
  }
  // The field still shows the document's own value: setting it back would
  // only restart the render.
  if (typed == FCoordinates.Shown(*Doc)[which]) return;
  TDeepWindow window = Doc->Deep;
  if (!FCoordinates.Typed(*Doc, which, typed, window)) {
    // A form of number only the plain reading takes.
    (which == 0 ? window.X : which == 1 ? window.Y : window.W) = TDeepReal(v, TDeepReal::kMinBits);
  }
  Doc->SetDeepWindow(window);
}

void TOptionsForm::AutoIterToggled(bool on) {
  if (!FLive || !Doc || on == Doc->AutoIter) return;
  Doc->AutoIter = on;
  FMaxIter->setEnabled(!on);
  FMaxIterLabel->setEnabled(!on);
  if (on) {
    const int32_t n = Doc->AutoMaxIter();
    {
      TLiveOff off(this);
      FMaxIter->setValue(n);
    }
    Doc->SetMaxIter(n);
  }
}

void TOptionsForm::MaxIterChanged(int value) {
  if (!FLive || !Doc) return;
  if (value > kMaxIterMin && value <= Doc->MaxIterLimit()) Doc->SetProperty(1, int32_t(value));
}

void TOptionsForm::BailOutLeft() {
  if (!FLive || !Doc) return;
  Extended v;
  try {
    v = ParseReal(FBailOut->text().toStdString());
  } catch (const TConvertError&) {
    FBailOut->setText("0");
    return;
  }
  if (float(v) != Doc->Ctx.BailOut) Doc->SetProperty(0, v);
}

void TOptionsForm::BailOutSpin(bool up) {
  if (!FLive || !Doc) return;
  Extended b = 0;
  try {
    b = ParseReal(FBailOut->text().toStdString());
  } catch (const TConvertError&) {
    FBailOut->setText("0");
  }
  const Extended v = up ? BailOutUp(b) : BailOutDown(b);
  FBailOut->setText(Text(FormatReal(v, 18)));
  Doc->SetProperty(0, v);
  // The refresh after the restart shows the stored float; keep the value
  // just computed in view.
  FBailOut->setText(Text(FormatReal(v, 18)));
}

// ---------------------------------------------------------------------------
// Palette pages.

void TOptionsForm::PaletteKindChosen(int kind) {
  if (!FLive || !Doc) return;
  TFPal& pal = *Doc->Palette;
  pal.PaletteKind = kind;
  ShowPaletteKindControls();
  FTabs->setCurrentIndex(opColorPalette);
  pal.Rebuild();
  {
    TLiveOff off(this);
    for (int c = 0; c < 3; ++c) {
      FCurveFields[c][0]->setText(QString::number(CurveStart(pal, c)));
      FCurveFields[c][1]->setText(QString::number(CurveEnd(pal, c)));
    }
  }
  RepaintPalette();
  Recolour();
}

void TOptionsForm::ColorOrderChosen(int order) {
  if (!FLive || !Doc || order < 0) return;
  Doc->Palette->SetColorOrder(order);
  RepaintPalette();
  Recolour();
}

void TOptionsForm::IterChangingChosen(int curve) {
  if (!FLive || !Doc) return;
  Doc->Palette->IterChanging = curve;
  Doc->Palette->Rebuild();
  RepaintPalette();
  Recolour();
}

void TOptionsForm::ContrastMoved(int position) {
  if (!FLive || !Doc) return;
  Doc->Palette->Contrast = float(position) / 20;
  Doc->Palette->Rebuild();
  RepaintPalette();
  Recolour();
}

void TOptionsForm::StepChanged(int channel, int value) {
  if (!FLive || !Doc) return;
  TFPal& pal = *Doc->Palette;
  (channel == 0 ? pal.RedStep : channel == 1 ? pal.GreenStep : pal.BlueStep) = value;
  RepaintPalette();
  Recolour();
}

void TOptionsForm::ShiftChanged(int channel, int value) {
  if (!FLive || !Doc) return;
  TFPal& pal = *Doc->Palette;
  (channel == 0 ? pal.RedShift : channel == 1 ? pal.GreenShift : pal.BlueShift) = value;
  {
    TLiveOff off(this);
    FShiftBars[channel]->setValue(value);
  }
  RepaintPalette();
  Recolour();
}

void TOptionsForm::PickInfinityColour() {
  if (!FLive || !Doc || !ColorDialog) return;
  QColor c = ColourOf(Doc->Palette->InfinityColor);
  if (!ColorDialog(c, this)) return;
  Doc->Palette->InfinityColor = Color3Of(c);
  FInfinity->SetColor(c);
  FBackground->SetColor(c);
  Recolour();
}

void TOptionsForm::SavePalette() {
  if (!Doc || !RunSaveDialog(PaletteSaveDialog, this)) return;
  PaletteSaveDialog.InitialDir = FolderOf(PaletteSaveDialog.FileName);
  try {
    Doc->Palette->SaveToFile(PaletteSaveDialog.FileName);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TOptionsForm::LoadPalette() {
  if (!Doc || !RunOpenDialog(PaletteOpenDialog, this)) return;
  TFPal& pal = *Doc->Palette;
  pal.OnChange = nullptr;
  try {
    pal.LoadFromFile(PaletteOpenDialog.FileName);
  } catch (const std::exception& e) {
    ShowMessage(e.what());  // the palette is as it was
  }
  {
    TLiveOff off(this);
    FillContrast();
    FillColorPalette();
    FillIFS();
    ShowPaletteKindControls();
  }
  Recolour();
  pal.OnChange = [this] { FillCoordinates(); };
}

void TOptionsForm::CurveFieldLeft(QLineEdit* edit) {
  // The fields only show the end points; what is typed is kept readable.
  bool ok = false;
  const int v = edit->text().toInt(&ok);
  if (!ok || v < 0) edit->setText("0");
}

// ---------------------------------------------------------------------------
// Curve boxes.

void TOptionsForm::PaintCurve(TCurveBox* box, QPainter& p) {
  const int c = box->Channel();
  const int w = BoxW, h = BoxH;
  p.fillRect(0, 0, w, h, kChannelColours[c]);
  if (!Doc) return;
  const TFPal& pal = *Doc->Palette;
  int32_t kinds[3];
  const int n = CurveEndPoints(pal.PaletteKind, c, kinds);
  if (n == 0) return;
  p.setPen(Qt::white);
  if (pal.PaletteKind == kPalLinear) {
    const TPalPoint a = pal.HandlePosition(kinds[0], w, h), b = pal.HandlePosition(kinds[1], w, h);
    p.drawLine(a.X, a.Y, b.X, b.Y);
  } else {
    const TPalParabola& para = c == 0 ? pal.ParabolaRed : c == 1 ? pal.ParabolaGreen : pal.ParabolaBlue;
    const TPalRamp& ramp = c == 0 ? pal.SquareRed : c == 1 ? pal.SquareGreen : pal.SquareBlue;
    QPolygon curve;
    for (int x = 1; x <= w - 2; ++x) {
      const Extended f = Extended(x) / (w - 2);
      const Extended v = pal.PaletteKind == kPalParabola ? f * f * para.A + f * para.B + para.C
                                                         : std::sqrt(f) * ramp.Span + ramp.Base;
      curve << QPoint(x, CurveRow(v, h));
    }
    p.drawPolyline(curve);
  }
  for (int k = 0; k < n; ++k) {
    const TPalPoint at = pal.HandlePosition(kinds[k], w, h);
    p.fillRect(at.X - 1, at.Y - 1, 3, 3, Qt::white);
  }
}

void TOptionsForm::CurvePressed(TCurveBox* box, QPoint at) {
  DragKind = 0;
  Dragging = false;
  if (!Doc) return;
  const TFPal& pal = *Doc->Palette;
  int32_t kinds[3];
  const int n = CurveEndPoints(pal.PaletteKind, box->Channel(), kinds);
  for (int k = 0; k < n; ++k) {
    const TPalPoint h = pal.HandlePosition(kinds[k], BoxW, BoxH);
    if (std::abs(h.X - at.x()) < 6 && std::abs(h.Y - at.y()) < 6) {
      DragKind = kinds[k];
      Dragging = true;
      return;
    }
  }
}

void TOptionsForm::CurveDragged(TCurveBox* box, QPoint at) {
  if (!Dragging || DragKind == 0 || !Doc) return;
  const int y = std::clamp(at.y(), 0, BoxH);
  const auto value = int32_t(std::nearbyint(Extended(BoxH - y) * 255 / BoxH));
  TFPal& pal = *Doc->Palette;
  pal.SetEndPoint(DragKind, value);
  {
    TLiveOff off(this);
    const int c = box->Channel();
    FCurveFields[c][0]->setText(QString::number(CurveStart(pal, c)));
    FCurveFields[c][1]->setText(QString::number(CurveEnd(pal, c)));
  }
  box->update();
  FStrip->update();
  FCycles->update();
  Recolour();
}

void TOptionsForm::CurveReleased() {
  Dragging = false;
  DragKind = 0;
}

// ---------------------------------------------------------------------------
// IFS page.

void TOptionsForm::IFSStyleChosen(int style) {
  if (!FLive || !Doc) return;
  Doc->Ctx.IFSColorStyle = style;
  FSolidButton->setVisible(style == 1);
  FSolid->setVisible(style == 1);
  if (Doc->Ctx.Number == kIFSFormula || Doc->Ctx.Number == kAttractorFormula) Recolour();
}

void TOptionsForm::PickSolidColour() {
  if (!FLive || !Doc || !ColorDialog) return;
  uint8_t* s = Doc->Ctx.IFSSolid;
  QColor c(s[2], s[1], s[0]);
  if (!ColorDialog(c, this)) return;
  s[0] = uint8_t(c.blue());
  s[1] = uint8_t(c.green());
  s[2] = uint8_t(c.red());
  FSolid->SetColor(c);
  if (Doc->Ctx.Number == kIFSFormula || Doc->Ctx.Number == kAttractorFormula) Recolour();
}

void TOptionsForm::QuickToggled(bool on) {
  if (!FLive || !Doc) return;
  Doc->Ctx.IFSquick = on;
  const int32_t n = Doc->Ctx.Number;
  if (n == kIFSFormula || (n >= 500 && n <= 999)) Doc->Restart();
}
