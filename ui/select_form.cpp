#include "ui/select_form.h"

#include <exception>
#include <string_view>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStringDecoder>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

#include "engine/fractal.h"
#include "engine/full_view.h"
#include "formulas/catalogue.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "ui/app_window_qt.h"
#include "ui/image_area_form.h"
#include "ui/numeric_edit_form.h"
#include "ui/param_form.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

namespace {

constexpr int kPictureWidth = 160, kPictureHeight = 160;
constexpr int kRowHeight = 16;  // list rows: the separator lines sit at 7..9
constexpr Extended kCoarseStep = 0.1L, kFineStep = 0.01L;
constexpr Extended kLimitCoarseStep = 0.01L, kLimitFineStep = 0.001L;

QString Text1252(std::string_view text) { return QString::fromStdString(CatalogueTextToUtf8(text)); }

// Names read from files: UTF-8 when they are valid UTF-8, else Windows-1252.
QString FileText(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString s = utf8(QByteArray::fromStdString(text));
  if (!utf8.hasError()) return s;
  return Text1252(text);
}

// The lines of a text box as a memo holds them: a final line break adds no
// empty line, and an empty box holds no line at all.
std::vector<std::string> TextLines(const QString& text) {
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  QStringList parts = text.split(u'\n');
  if (parts.size() > 1 && parts.last().isEmpty()) parts.removeLast();
  for (QString& part : parts) {
    if (part.endsWith(u'\r')) part.chop(1);
    lines.push_back(part.toStdString());
  }
  return lines;
}

// Formula list rows: the name 4 pixels from the left, separators as three
// lines (grey, black, silver) 7, 8 and 9 pixels below the row's top.
class TFormulaRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    const QRect r = option.rect;
    p->save();
    p->fillRect(r, selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base));
    const TFormulaEntry* row = FormulaRow(index.row());
    if (row && IsSeparatorRow(*row)) {
      const QColor colours[3] = {QColor(0x80, 0x80, 0x80), QColor(Qt::black), QColor(0xC0, 0xC0, 0xC0)};
      for (int k = 0; k < 3; ++k) {
        p->setPen(colours[k]);
        p->drawLine(r.left(), r.top() + 7 + k, r.right(), r.top() + 7 + k);
      }
    } else {
      p->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
      p->setFont(option.font);
      p->drawText(r.adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data().toString());
    }
    p->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight);
  }
};

// A list that reports the row the user chooses: a click (also on the row
// already current) or a move of the current row by keyboard, once each.
class TChoiceList : public QListWidget {
 public:
  explicit TChoiceList(QWidget* parent = nullptr) : QListWidget(parent) {
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
      if (!InMouse && row >= 0 && OnChosen) OnChosen(row);
    });
    connect(this, &QListWidget::clicked, this, [this](const QModelIndex& index) {
      if (index.isValid() && OnChosen) OnChosen(index.row());
    });
  }
  std::function<void(int)> OnChosen;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    InMouse = true;
    QListWidget::mousePressEvent(event);
    InMouse = false;
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    InMouse = true;
    QListWidget::mouseMoveEvent(event);
    InMouse = false;
  }

 private:
  bool InMouse = false;
};

// The reference for writers of user formulas.
const char* const kComplexFunctionsText =
    "Complex functions written with real arithmetic.\n"
    "\n"
    "The formula works on Z = (X, Y) and C = (CR, CI) and may use the\n"
    "parameters P1 = (P1R, P1I), P2 = (P2R, P2I), P3 = (P3R, P3I).\n"
    "Declare the helper variables you need (var t, d, r: Extended;)\n"
    "before the body; the Math unit is available.\n"
    "\n"
    "Example, Z = Z*Z + C:\n"
    "  var t: Extended;\n"
    "  begin\n"
    "    t := x*x - y*y + cr;\n"
    "    y := 2*x*y + ci;\n"
    "    x := t;\n"
    "  end;\n"
    "\n"
    "z*z       re := x*x - y*y;\n"
    "          im := 2*x*y;\n"
    "z*c       re := x*cr - y*ci;\n"
    "          im := x*ci + y*cr;\n"
    "z*z*z     re := x*x*x - 3*x*y*y;\n"
    "          im := 3*x*x*y - y*y*y;\n"
    "z*z*z*z   re := x*x*x*x - 6*x*x*y*y + y*y*y*y;\n"
    "          im := 4*x*x*x*y - 4*x*y*y*y;\n"
    "1/z       d := x*x + y*y;\n"
    "          re := x/d;  im := -y/d;\n"
    "1/(z*z)   d := Sqr(x*x + y*y);\n"
    "          re := (x*x - y*y)/d;  im := -2*x*y/d;\n"
    "Sqrt(z)   r := Sqrt(x*x + y*y);\n"
    "          re := Sqrt((r + x)/2);\n"
    "          im := Sqrt((r - x)/2);  if y < 0 then im := -im;\n"
    "Exp(z)    d := Exp(x);\n"
    "          re := d*Cos(y);  im := d*Sin(y);\n"
    "Exp(1/z)  d := x*x + y*y;  r := Exp(x/d);\n"
    "          re := r*Cos(y/d);  im := -r*Sin(y/d);\n"
    "Ln(z)     re := Ln(x*x + y*y)/2;\n"
    "          im := ArcTan2(y, x);\n"
    "z^c       a := Ln(x*x + y*y)/2;  b := ArcTan2(y, x);\n"
    "          r := Exp(a*cr - b*ci);  t := a*ci + b*cr;\n"
    "          re := r*Cos(t);  im := r*Sin(t);\n"
    "Sin(z)    re := Sin(x)*Cosh(y);\n"
    "          im := Cos(x)*Sinh(y);\n"
    "Cos(z)    re := Cos(x)*Cosh(y);\n"
    "          im := -Sin(x)*Sinh(y);\n"
    "Tan(z)    d := Cos(2*x) + Cosh(2*y);\n"
    "          re := Sin(2*x)/d;  im := Sinh(2*y)/d;\n"
    "Sinh(z)   re := Sinh(x)*Cos(y);\n"
    "          im := Cosh(x)*Sin(y);\n"
    "Cosh(z)   re := Cosh(x)*Cos(y);\n"
    "          im := Sinh(x)*Sin(y);\n";

QPixmap ManualIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QColor(0x80, 0x80, 0x80));
  p.drawLine(1, 8, 15, 8);
  p.drawLine(8, 1, 8, 15);
  p.fillRect(10, 3, 3, 3, Qt::red);
  p.fillRect(3, 10, 3, 3, QColor(0, 0xC0, 0));
  return pixmap;
}

}  // namespace

// ---------------------------------------------------------------- preview

TPreviewPicture::TPreviewPicture(int width, int height, QWidget* parent)
    : QWidget(parent), FCanvas([this](const QRect& r) { update(r); }) {
  setFixedSize(width, height);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::PointingHandCursor);
}

void TPreviewPicture::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  PaintDocumentImage(p, FDocument, event->rect() & rect(), Qt::black);
}

void TPreviewPicture::mousePressEvent(QMouseEvent* event) {
  Panning = true;
  LastX = event->position().toPoint().x();
  LastY = event->position().toPoint().y();
}

void TPreviewPicture::mouseMoveEvent(QMouseEvent* event) {
  if (!Panning || !FDocument || FDocument->Width <= 0) return;
  const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
  FDocument->MoveWindow(
      {.Column = Extended(LastX - x), .Row = Extended(LastY - y), .Spans = FDocument->Width, .DoubleStep = true});
  LastX = x;
  LastY = y;
}

void TPreviewPicture::mouseReleaseEvent(QMouseEvent*) { Panning = false; }

// ---------------------------------------------------------------- dialog

TSelectForm::TSelectForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Select fractal:");
  BuildLayout();
  PlaceWindow(this, Settings().Select.Left, Settings().Select.Top);
  LoadIFSLibraryList();
  try {
    Doc = std::make_unique<TFractal>(-1, 0, 0, 0, kPictureWidth, kPictureHeight, FPicture->Canvas());
  } catch (const std::exception& e) {
    Doc.reset();
    ShowMessage(e.what());
  }
  FPicture->SetDocument(Doc.get());
}

TSelectForm::~TSelectForm() {
  RecordPosition();
  FPicture->SetDocument(nullptr);
  Doc.reset();
}

void TSelectForm::LoadIFSLibraryList() {
  IFSNames.clear();
  try {
    const std::string warning = LoadIFSLibrary(DataFile("px.ifs"), IFSLibrary, IFSNames);
    if (!warning.empty()) ShowMessage(warning);
  } catch (const std::exception& e) {
    // The names read before the broken value stay listed.
    ShowMessage(e.what());
  }
  for (const std::string& name : IFSNames) FIFSList->addItem(FileText(name));
}

TNumericEdit* TSelectForm::AddEdit(int32_t index, bool fine, QWidget* parent, TSpinButton** coarseSpin,
                                   TSpinButton** fineSpin) {
  auto* edit = new TNumericEdit(parent);
  edit->setFixedWidth(72);
  FEditInfo[edit] = {index, TEditInfo::Parameter};
  connect(edit, &TNumericEdit::Left, this, [this, edit] { EditLeft(edit); });
  connect(edit, &QLineEdit::returnPressed, this, [this, edit] { EditLeft(edit); });
  auto* coarse = new TSpinButton(parent);
  connect(coarse, &TSpinButton::Up, this, [this, edit] { Spin(edit, kCoarseStep); });
  connect(coarse, &TSpinButton::Down, this, [this, edit] { Spin(edit, -kCoarseStep); });
  FCoarse[edit] = coarse;
  *coarseSpin = coarse;
  if (fine) {
    auto* f = new TSpinButton(parent);
    connect(f, &TSpinButton::Up, this, [this, edit] { Spin(edit, kFineStep); });
    connect(f, &TSpinButton::Down, this, [this, edit] { Spin(edit, -kFineStep); });
    FFine[edit] = f;
    *fineSpin = f;
  }
  return edit;
}

void TSelectForm::BuildLayout() {
  auto* root = new QVBoxLayout(this);
  root->setSizeConstraint(QLayout::SetFixedSize);

  // Top: formula text, Select, Cancel, Manual parameters select.
  auto* top = new QHBoxLayout;
  FFormulaText = new QLineEdit(this);
  FFormulaText->setReadOnly(true);
  FFormulaText->setToolTip("Fractals formula");
  FFormulaText->setMinimumWidth(400);
  QSizePolicy keep = FFormulaText->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  FFormulaText->setSizePolicy(keep);
  top->addWidget(FFormulaText, 1);
  FSelect = new QPushButton("S&elect", this);
  FCancel = new QPushButton("&Cancel", this);
  for (QPushButton* b : {FSelect, FCancel}) {
    b->setAutoDefault(false);
    top->addWidget(b);
  }
  FManual = new QToolButton(this);
  FManual->setCheckable(true);
  FManual->setIcon(ManualIcon());
  FManual->setToolTip("Manual parameters select");
  top->addWidget(FManual);
  root->addLayout(top);
  connect(FSelect, &QPushButton::clicked, this, [this] {
    CommitFocusedEdit();
    accept();
  });
  connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(FManual, &QToolButton::clicked, this, [this](bool down) { ManualParameters(down); });

  auto* body = new QHBoxLayout;
  root->addLayout(body);

  // Left column: preview, zoom, switches, Julia group.
  auto* left = new QVBoxLayout;
  body->addLayout(left);
  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setLineWidth(2);
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->setContentsMargins(2, 2, 2, 2);
  FPicture = new TPreviewPicture(kPictureWidth, kPictureHeight, frame);
  frameLayout->addWidget(FPicture);
  left->addWidget(frame, 0, Qt::AlignHCenter);

  auto* zoomRow = new QHBoxLayout;
  FZoomIn = new QPushButton("+", this);
  FZoomIn->setToolTip("Zoom in");
  FZoomOut = new QPushButton("-", this);
  FZoomOut->setToolTip("Zoom out");
  for (QPushButton* b : {FZoomIn, FZoomOut}) {
    b->setAutoDefault(false);
    b->setFixedSize(28, 24);
    zoomRow->addWidget(b);
  }
  zoomRow->addStretch(1);
  left->addLayout(zoomRow);
  connect(FZoomIn, &QPushButton::clicked, this, &TSelectForm::ZoomIn);
  connect(FZoomOut, &QPushButton::clicked, this, &TSelectForm::ZoomOut);

  FInverted = new QCheckBox("I&nverted", this);
  FInverted->setToolTip(QString::fromUtf8("Switch Z° between [pixel] and 1/[pixel] state"));
  FFSet = new QCheckBox("F-Set &Method", this);
  for (QCheckBox* c : {FInverted, FFSet}) {
    QSizePolicy sp = c->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    c->setSizePolicy(sp);
    left->addWidget(c);
  }
  connect(FInverted, &QCheckBox::clicked, this, [this](bool on) { SetFlag(9, on); });
  connect(FFSet, &QCheckBox::clicked, this, [this](bool on) { SetFlag(21, on); });

  FJuliaGroup = new QGroupBox("Julie-set:", this);
  auto* jg = new QGridLayout(FJuliaGroup);
  jg->setHorizontalSpacing(2);
  FJulia = new QCheckBox("View as &Julie", FJuliaGroup);
  QSizePolicy sp = FJulia->sizePolicy();
  sp.setRetainSizeWhenHidden(true);
  FJulia->setSizePolicy(sp);
  jg->addWidget(FJulia, 0, 0, 1, 3);
  for (int part = 0; part < 2; ++part) {
    FSeed[part] = AddEdit(6 + part, true, FJuliaGroup, &FSeedSpins[part][0], &FSeedSpins[part][1]);
    jg->addWidget(FSeed[part], 1 + part, 0);
    jg->addWidget(FSeedSpins[part][0], 1 + part, 1);
    jg->addWidget(FSeedSpins[part][1], 1 + part, 2);
  }
  jg->setColumnStretch(3, 1);
  connect(FJulia, &QCheckBox::clicked, this, [this](bool on) {
    SetFlag(8, on);
    // A Julia set and the set of its seeds lie in different places.
    if (Doc) ShowFullView(*Doc);
    RefreshDragWindow();
  });
  left->addWidget(FJuliaGroup);
  left->addStretch(1);

  // Right column: pages and the filter panel.
  auto* right = new QVBoxLayout;
  body->addLayout(right, 1);
  FPages = new QTabWidget(this);
  FPages->addTab(BuildCustomPage(), "Custom");
  FPages->addTab(BuildConstructorPage(), "Constructor");
  FPages->addTab(BuildUserPage(), "User formula");
  FPages->addTab(BuildIFSPage(), "IFS");
  connect(FPages, &QTabWidget::currentChanged, this, &TSelectForm::PageChanged);
  right->addWidget(FPages, 1);
  right->addWidget(BuildFilterPanel());
}

QGroupBox* TSelectForm::BuildParameterGroup(TSelectPage page) {
  const int p = page == TSelectPage::Custom ? 0 : 1;
  auto* group = new QGroupBox("Parameters:", this);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(2);
  grid->addWidget(new QLabel("Re:", group), 0, 1);
  grid->addWidget(new QLabel("Im:", group), 0, 5);
  static constexpr int32_t kIndex[3] = {2, 4, 30};
  for (int k = 0; k < 3; ++k) {
    auto* label = new QLabel(QString("P%1:").arg(k + 1), group);
    grid->addWidget(label, k + 1, 0);
    // The "Custom" rows are shown by the formula's parameter count.
    if (p == 0) FParamRow[k].push_back(label);
    for (int part = 0; part < 2; ++part) {
      TSpinButton *coarse = nullptr, *fine = nullptr;
      TNumericEdit* edit = AddEdit(kIndex[k] + part, true, group, &coarse, &fine);
      FParams[p][k][part] = edit;
      const int col = 1 + part * 4;
      grid->addWidget(edit, k + 1, col);
      grid->addWidget(coarse, k + 1, col + 1);
      grid->addWidget(fine, k + 1, col + 2);
      if (part == 0) grid->setColumnMinimumWidth(col + 3, 10);
      if (p == 0) FParamRow[k].insert(FParamRow[k].end(), {edit, coarse, fine});
    }
  }
  grid->setColumnStretch(8, 1);
  return group;
}

QWidget* TSelectForm::BuildCustomPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* list = new TChoiceList(page);
  FFormulaList = list;
  list->setItemDelegate(new TFormulaRowDelegate(list));
  list->setUniformItemSizes(true);
  for (const TFormulaEntry& row : FormulaCatalogue) list->addItem(Text1252(row.Name));
  list->setMinimumHeight(12 * kRowHeight);
  list->OnChosen = [this](int row) {
    if (!Updating) FormulaRowChosen(row);
  };
  layout->addWidget(list, 1);
  // The list takes the room of the parameter rows a formula does not have.
  FParamGroup = BuildParameterGroup(TSelectPage::Custom);
  layout->addWidget(FParamGroup);
  return page;
}

QWidget* TSelectForm::BuildConstructorPage() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  grid->setHorizontalSpacing(3);
  struct TCoef {
    int32_t Index;
    const char* Caption;
  };
  static const TCoef kLeft[6] = {{16, "A*Z°, A="}, {17, "B*Z, B="},    {18, "C*Z^2, C="},
                                 {19, "D*Z^3, D="}, {20, "E*Z^4, E="}, {25, "K *e^(1/Z), K="}};
  static const TCoef kRight[5] = {
      {11, "F / Z, F="}, {12, "G / Z^2, G="}, {13, "H*Sqrt(Z), H="}, {14, "I*e^Z, I="}, {15, "J*Sin(Z), J="}};
  auto add = [&](const TCoef& c, int row, int col) {
    TSpinButton *coarse = nullptr, *fine = nullptr;
    TNumericEdit* edit = AddEdit(c.Index, false, page, &coarse, &fine);
    FCoefs[c.Index] = edit;
    auto* label = new QLabel(QString::fromUtf8(c.Caption), page);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label, row, col);
    grid->addWidget(edit, row, col + 1);
    grid->addWidget(coarse, row, col + 2);
  };
  for (int k = 0; k < 6; ++k) add(kLeft[k], k, 0);
  for (int k = 0; k < 5; ++k) add(kRight[k], k, 4);
  grid->setColumnMinimumWidth(3, 12);
  grid->setRowStretch(6, 1);
  return page;
}

QWidget* TSelectForm::BuildUserPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(BuildParameterGroup(TSelectPage::UserFormula));
  FUserText = new QPlainTextEdit(page);
  FUserText->setLineWrapMode(QPlainTextEdit::NoWrap);
  FUserText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  FUserText->setToolTip("Procedure Formula(var x,y,cr,ci: Extended; p1r,p1i,p2r,p2i,p3r,p3i: Extended);");
  layout->addWidget(FUserText, 1);
  auto* buttons = new QHBoxLayout;
  FGo = new QPushButton("&Go !", page);
  FGo->setToolTip("Compile new formulae");
  FClear = new QPushButton("C&lear", page);
  FClear->setToolTip("Clear text in edit box...");
  for (QPushButton* b : {FGo, FClear}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  FFunctions = new QToolButton(page);
  FFunctions->setText("f(z)");
  FFunctions->setToolTip("Functions by complex variables...");
  buttons->addWidget(FFunctions);
  layout->addLayout(buttons);
  connect(FGo, &QPushButton::clicked, this, &TSelectForm::Go);
  connect(FClear, &QPushButton::clicked, FUserText, &QPlainTextEdit::clear);
  connect(FFunctions, &QToolButton::clicked, this, &TSelectForm::ShowComplexFunctions);
  return page;
}

QWidget* TSelectForm::BuildIFSPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* list = new TChoiceList(page);
  FIFSList = list;
  list->OnChosen = [this](int row) {
    if (!Updating) IFSChosen(row);
  };
  layout->addWidget(list, 1);
  FIFSText = new QPlainTextEdit(page);
  FIFSText->setReadOnly(true);
  FIFSText->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSizeF(mono.pointSizeF() * 0.85);
  FIFSText->setFont(mono);
  layout->addWidget(FIFSText, 1);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel("&MaxIter multipler:", page);
  FMultiplier = new QSpinBox(page);
  FMultiplier->setRange(kMinIFSCounter, kMaxIFSCounter);
  FMultiplier->setSingleStep(10);
  FMultiplier->setValue(10);
  label->setBuddy(FMultiplier);
  row->addWidget(label);
  row->addWidget(FMultiplier);
  row->addStretch(1);
  layout->addLayout(row);
  connect(FMultiplier, &QSpinBox::valueChanged, this, [this](int value) {
    if (!Updating && Doc && value >= kMinIFSCounter && value <= kMaxIFSCounter) Doc->SetIFSCounter(value);
  });
  return page;
}

QWidget* TSelectForm::BuildFilterPanel() {
  FFilterPanel = new QWidget(this);
  QSizePolicy sp = FFilterPanel->sizePolicy();
  sp.setRetainSizeWhenHidden(true);
  FFilterPanel->setSizePolicy(sp);
  auto* grid = new QGridLayout(FFilterPanel);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(3);
  FFilterLabel = new QLabel("&Filter:", FFilterPanel);
  FFilter = new QComboBox(FFilterPanel);
  FFilter->setMaxVisibleItems(12);
  // A list that scrolls, not one as tall as the screen, whatever the style.
  FFilter->setStyleSheet("QComboBox { combobox-popup: 0; }");
  for (const TFilterEntry& f : FilterCatalogue) FFilter->addItem(Text1252(f.Name));
  FFilterLabel->setBuddy(FFilter);
  grid->addWidget(FFilterLabel, 0, 0);
  grid->addWidget(FFilter, 0, 1, 1, 4);
  connect(FFilter, &QComboBox::currentIndexChanged, this, [this](int row) {
    if (!Updating) FilterChanged(row);
  });

  FFilterLimitLabel = new QLabel("Filter limit:", FFilterPanel);
  FFilterLimit = new TNumericEdit(FFilterPanel, false);
  FFilterLimit->setFixedWidth(90);
  FEditInfo[FFilterLimit] = {23, TEditInfo::FilterLimit};
  connect(FFilterLimit, &TNumericEdit::Left, this, [this] { EditLeft(FFilterLimit); });
  connect(FFilterLimit, &QLineEdit::returnPressed, this, [this] { EditLeft(FFilterLimit); });
  for (int k = 0; k < 2; ++k) {
    FFilterSpins[k] = new TSpinButton(FFilterPanel);
    const Extended step = k == 0 ? kLimitCoarseStep : kLimitFineStep;
    connect(FFilterSpins[k], &TSpinButton::Up, this, [this, step] { Spin(FFilterLimit, step); });
    connect(FFilterSpins[k], &TSpinButton::Down, this, [this, step] { Spin(FFilterLimit, -step); });
  }
  FCoarse[FFilterLimit] = FFilterSpins[0];
  FFine[FFilterLimit] = FFilterSpins[1];
  grid->addWidget(FFilterLimitLabel, 1, 0);
  grid->addWidget(FFilterLimit, 1, 1);
  grid->addWidget(FFilterSpins[0], 1, 2);
  grid->addWidget(FFilterSpins[1], 1, 3);
  FFilterOnly = new QCheckBox("Filter only", FFilterPanel);
  FKeepInfinite = new QCheckBox("Keep infinite area", FFilterPanel);
  auto* checks = new QHBoxLayout;
  checks->addWidget(FFilterOnly);
  checks->addWidget(FKeepInfinite);
  grid->addLayout(checks, 1, 4);
  grid->setColumnStretch(4, 1);
  connect(FFilterOnly, &QCheckBox::clicked, this, [this](bool on) { SetFlag(28, on); });
  connect(FKeepInfinite, &QCheckBox::clicked, this, [this](bool on) { SetFlag(24, on); });
  return FFilterPanel;
}

// ---------------------------------------------------------------- showing

bool TSelectForm::Execute(TFractal& mainDocument) {
  Prepare(mainDocument);
  const bool selected = exec() == QDialog::Accepted;
  Finish(mainDocument, selected);
  return selected;
}

void TSelectForm::Prepare(TFractal& main) {
  Updating = true;
  const int32_t number = main.Ctx.Number;

  // The page and list row of the main document's formula.
  FFormulaList->setCurrentRow(0);
  const TFormulaEntry* row = nullptr;
  if (number < kConstructorFormula) {
    FPages->setCurrentIndex(int(TSelectPage::Custom));
    const int r = FindFormulaRow(number);
    if (r >= 0) {
      FFormulaList->setCurrentRow(r);
      row = FormulaRow(r);
      FFormulaText->setText(Text1252(row->FormulaText));
    } else {
      // A number no row serves: the list stays on its first row.
      FFormulaList->setCurrentRow(0);
      FFormulaText->clear();
    }
  } else {
    row = FormulaRow(0);
    if (number == kConstructorFormula) FPages->setCurrentIndex(int(TSelectPage::Constructor));
    else if (number == kIFSFormula) FPages->setCurrentIndex(int(TSelectPage::IFS));
    else if (number == kUserFormula) FPages->setCurrentIndex(int(TSelectPage::UserFormula));
  }
  FSelect->setEnabled(true);

  // A fresh copy of the main document. Its user module stays the main
  // document's: the preview renders with it but never releases it.
  BorrowedModule = nullptr;
  if (Doc) {
    Doc->Assign(&main);
    if (main.UserFormulaAttached && main.UserModule && Doc->UserModule == main.UserModule) {
      BorrowedModule = Doc->UserModule;
      Doc->UserModule = nullptr;
    }
  }
  if (number == kUserFormula) {
    QStringList lines;
    if (main.UserLines)
      for (const std::string& line : *main.UserLines) lines << QString::fromStdString(line);
    FUserText->setPlainText(lines.join(u'\n'));
  }

  FPicture->ClearPan();
  const TFractal& source = Doc ? *Doc : main;
  FJulia->setChecked(source.Ctx.JulieSet);
  FInverted->setChecked(source.Ctx.Inverted);
  FFSet->setChecked(source.Ctx.FSet);
  FKeepInfinite->setChecked(source.Ctx.KeepBlk);
  FFilterOnly->setChecked(source.Ctx.FilterOnly);
  RefreshParameterEdits();
  FSeed[0]->SetValue(source.Ctx.PJ.re);
  FSeed[1]->SetValue(source.Ctx.PJ.im);
  static constexpr struct {
    int32_t Index;
    int Coef;
  } kCoefs[] = {{16, cfA}, {17, cfB}, {18, cfC}, {19, cfD}, {20, cfE}, {11, cfF},
                {12, cfG}, {13, cfH}, {14, cfI}, {15, cfJ}, {25, cfK}};
  for (const auto& c : kCoefs) FCoefs[c.Index]->SetValue(source.Ctx.Constructor[c.Coef]);
  FFilterLimit->SetValue(source.Ctx.Strange);

  const int filter = source.Ctx.Filter >= 0 && source.Ctx.Filter < kFilterCatalogueSize ? source.Ctx.Filter : 0;
  FFilter->setCurrentIndex(filter);
  FilterChanged(filter);

  ShowRowEditors(row, number);

  FMultiplier->setValue(main.Ctx.IFScounter);
  if (Doc) Doc->SetIFSCounter(main.Ctx.IFScounter);

  // The library IFS the document shows, if any.
  if (number == kIFSFormula && source.Ctx.IFSNumber >= 0 && source.Ctx.IFSNumber < FIFSList->count()) {
    FIFSList->setCurrentRow(source.Ctx.IFSNumber);
    QStringList text{kLibraryTransformHeader};
    for (const TIFSTransform& t : LibraryTransforms(IFSLibrary, source.Ctx.IFSNumber))
      text << QString::fromStdString(LibraryTransformLine(t));
    FIFSText->setPlainText(text.join(u'\n'));
  }

  ApplyPageLook();
  Updating = false;
  RefreshDragWindow();
}

void TSelectForm::Finish(TFractal& main, bool selected) {
  if (Doc) {
    Doc->StopThread();
    if (selected) {
      // Handing the borrowed module back as the preview's own lets the main
      // document see its own module and keep it.
      if (BorrowedModule && !Doc->UserModule && BorrowedModule == main.UserModule) Doc->UserModule = BorrowedModule;
      main.Assign(Doc.get());
      // The main document owns the module from now on.
      Doc->UserModule = nullptr;
      Doc->Ctx.UserFormula = nullptr;
      Doc->SourcePath.clear();
      Doc->ModulePath.clear();
      Doc->SetFormula(-1, 0, 0, 0);
    } else if (BorrowedModule) {
      // The main document may release its module later: forget its entry.
      Doc->Ctx.UserFormula = nullptr;
      Doc->NeedsCompile = true;
    }
  }
  BorrowedModule = nullptr;
  if (FComplexFunctions && FComplexFunctions->isVisible()) FComplexFunctions->hide();
  if (FManual->isChecked()) {
    FManual->setChecked(false);
    ManualParameters(false);
  }
  RecordPosition();
}

void TSelectForm::RecordPosition() {
  if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
  Settings().Select = {int32_t(pos().x()), int32_t(pos().y())};
}

void TSelectForm::RefreshParameterEdits() {
  if (!Doc) return;
  const TComplexExt values[3] = {Doc->Ctx.P1, Doc->Ctx.P2, Doc->Ctx.P3};
  for (int p = 0; p < 2; ++p)
    for (int k = 0; k < 3; ++k) {
      FParams[p][k][0]->SetValue(values[k].re);
      FParams[p][k][1]->SetValue(values[k].im);
    }
}

// ---------------------------------------------------------------- handlers

void TSelectForm::ShowRowEditors(const TFormulaEntry* row, int32_t number) {
  // Formula 41 has no row; its kernel reads P1 and honours Julia mode.
  const int32_t count = row ? row->ParamCount : (number == 41 ? 1 : 0);
  const bool julia = row ? row->JuliaAllowed : number == 41;
  FParamGroup->setVisible(count > 0);
  for (int k = 1; k < 3; ++k)
    for (QWidget* w : FParamRow[k]) w->setVisible(count > k);
  FJulia->setEnabled(julia);
  EnableSeed(julia);
}

void TSelectForm::EnableSeed(bool enabled) {
  for (int part = 0; part < 2; ++part) {
    FSeed[part]->setEnabled(enabled);
    FSeedSpins[part][0]->setEnabled(enabled);
    FSeedSpins[part][1]->setEnabled(enabled);
  }
}

void TSelectForm::FormulaRowChosen(int r) {
  const TFormulaEntry* row = FormulaRow(r);
  if (!row) return;
  if (IsSeparatorRow(*row)) {
    FSelect->setEnabled(false);
    return;
  }
  FSelect->setEnabled(true);
  FFormulaText->setText(Text1252(row->FormulaText));
  if (Doc) {
    Doc->SetFormula(row->Number, row->X, row->Y, row->W);
    if (ShowsJuliaSet(Doc->Ctx)) ShowFullView(*Doc);
  }
  ShowRowEditors(row, row->Number);
  ApplyPageLook();
  RefreshDragWindow();
}

void TSelectForm::PageChanged(int page) {
  if (Updating) return;
  switch (TSelectPage(page)) {
    case TSelectPage::Custom:
      FormulaRowChosen(FFormulaList->currentRow());
      break;
    case TSelectPage::Constructor:
      FJulia->setEnabled(true);
      EnableSeed(true);
      FSelect->setEnabled(true);
      if (Doc) Doc->SetFormula(kConstructorFormula, -4, 4, 8);
      break;
    case TSelectPage::UserFormula:
      FJulia->setEnabled(true);
      EnableSeed(true);
      FSelect->setEnabled(true);
      if (Doc) Doc->SetFormula(kUserFormula, -4, 4, 8);
      break;
    case TSelectPage::IFS:
      EnableSeed(true);
      FSelect->setEnabled(true);
      if (Doc) Doc->SetFormula(kIFSFormula, -10, 10, 20);
      break;
  }
  RefreshParameterEdits();
  ApplyPageLook();
  RefreshDragWindow();
}

void TSelectForm::ApplyPageLook() {
  const TSelectPage page = ActivePage();
  const int32_t number = Doc ? Doc->Ctx.Number : 0;
  const bool ifs = number == kIFSFormula;
  const bool orbital = number >= 500 && number < kConstructorFormula;
  if (page == TSelectPage::IFS) FFilterPanel->setVisible(false);
  else if (page == TSelectPage::Custom) FFilterPanel->setVisible(number < 500);
  else FFilterPanel->setVisible(true);
  FJuliaGroup->setTitle(ifs || (page == TSelectPage::Custom && orbital) ? "Seed:" : "Julie-set:");
  FJulia->setVisible(!ifs);
  FInverted->setVisible(!ifs);
  FFSet->setVisible(!ifs);
  FFilterLabel->setEnabled(!ifs);
  FFormulaText->setVisible(page == TSelectPage::Custom);
}

void TSelectForm::SetProperty(int32_t index, Extended value) {
  if (Doc) Doc->SetProperty(index, value);
}

void TSelectForm::SetFlag(int32_t index, bool value) {
  if (Doc) Doc->SetProperty(index, value);
}

void TSelectForm::EditLeft(TNumericEdit* edit) {
  const auto info = FEditInfo.find(edit);
  if (info == FEditInfo.end()) return;
  if (edit->text().isEmpty()) edit->setText("0");
  const Extended v = edit->Value();
  if (info->second.Kind == TEditInfo::FilterLimit) {
    edit->SetValue(ClampFilterLimit(v));
    SetProperty(info->second.Index, edit->Value());
    return;
  }
  edit->SetValue(ClampParameter(v));
  SetProperty(info->second.Index, edit->Value());
  RefreshDragWindow();
}

void TSelectForm::Spin(TNumericEdit* edit, Extended step) {
  const auto info = FEditInfo.find(edit);
  if (info == FEditInfo.end()) return;
  if (info->second.Kind == TEditInfo::FilterLimit) {
    if (edit->text().isEmpty()) edit->setText("0");
    Extended v = edit->Value() + step;
    if (v < 0) v = 0;
    edit->SetValue(v, 18);
    SetProperty(info->second.Index, edit->Value());
    return;
  }
  // Both pages' P1..P3 edits share their indexes: all of them step.
  for (const auto& [other, otherInfo] : FEditInfo) {
    if (otherInfo.Kind != TEditInfo::Parameter || otherInfo.Index != info->second.Index) continue;
    auto* e = const_cast<TNumericEdit*>(other);
    if (e->text().isEmpty()) e->setText("0");
    e->SetValue(e->Value() + step);
  }
  SetProperty(info->second.Index, edit->Value());
  RefreshDragWindow();
}

void TSelectForm::FilterChanged(int row) {
  const bool on = row != 0;
  for (QWidget* w : std::initializer_list<QWidget*>{FFilterLimitLabel, FFilterLimit, FFilterSpins[0], FFilterSpins[1],
                                                    FKeepInfinite, FFilterOnly})
    w->setEnabled(on);
  if (Doc && row >= 0) Doc->SetProperty(22, int32_t(row));
}

void TSelectForm::IFSChosen(int row) {
  if (row < 0) return;
  if (Doc) {
    Doc->SetFormula(kIFSFormula, -10, 10, 20);
    Doc->SetIFSNumber(row);
  }
  QStringList text{kLibraryTransformHeader};
  for (const TIFSTransform& t : LibraryTransforms(IFSLibrary, row))
    text << QString::fromStdString(LibraryTransformLine(t));
  FIFSText->setPlainText(text.join(u'\n'));
  ApplyPageLook();
  RefreshDragWindow();
}

void TSelectForm::Go() {
  if (Doc) {
    // The old render may still call into a module about to be released.
    Doc->StopThread();
    if (BorrowedModule) {
      // From now on the preview compiles its own module.
      Doc->Ctx.UserFormula = nullptr;
      BorrowedModule = nullptr;
    }
    Doc->SetUserFormula(TextLines(FUserText->toPlainText()));
    // The restart compiles; a compile that builds no module shows the
    // compiler's report itself.
    Doc->SetFormula(kUserFormula, -2, 2, 4);
  }
  ApplyPageLook();
  RefreshDragWindow();
}

void TSelectForm::ShowComplexFunctions() {
  if (!FComplexFunctions) {
    FComplexFunctions = new QWidget(this, Qt::Window);
    FComplexFunctions->setWindowTitle("Complex functions");
    auto* layout = new QVBoxLayout(FComplexFunctions);
    auto* text = new QPlainTextEdit(FComplexFunctions);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(kComplexFunctionsText);
    layout->addWidget(text);
    FComplexFunctions->resize(480, 520);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect r = FComplexFunctions->frameGeometry();
      r.moveCenter(screen->availableGeometry().center());
      FComplexFunctions->move(r.topLeft());
    }
  }
  if (FComplexFunctions->isVisible()) {
    FComplexFunctions->raise();
    FComplexFunctions->activateWindow();
  } else {
    FComplexFunctions->show();
  }
}

void TSelectForm::ZoomIn() {
  if (!Doc || Doc->Width <= 0) return;
  Doc->MoveWindow({.Column = Doc->Width * 0.25L,
                   .Row = Doc->Height * 0.25L,
                   .Zoom = 0.5L,
                   .Spans = Doc->Width,
                   .DoubleStep = true});
}

void TSelectForm::ZoomOut() {
  if (!Doc || Doc->Width <= 0) return;
  Doc->MoveWindow({.Column = Doc->Width * -0.5L,
                   .Row = Doc->Height * -0.5L,
                   .Zoom = 2,
                   .Spans = Doc->Width,
                   .DoubleStep = true});
}

void TSelectForm::CommitFocusedEdit() {
  auto* edit = qobject_cast<TNumericEdit*>(QApplication::focusWidget());
  if (edit && FEditInfo.count(edit)) EditLeft(edit);
}

void TSelectForm::RefreshDragWindow() {
  if (FDrag) FDrag->Perform(MSG_DRAG_REFRESH);
}

void TSelectForm::ManualParameters(bool down) {
  if (!down) {
    if (FDrag && FDrag->isVisible()) FDrag->close();
    return;
  }
  if (!FDrag) {
    TDragLink link;
    link.PreviewDocument = [this] { return Doc.get(); };
    link.UserFormulaPage = [this] { return ActivePage() == TSelectPage::UserFormula; };
    link.SeedEnabled = [this] { return SeedEditEnabled(); };
    link.ParametersVisible = [this] { return !FParamGroup->isHidden(); };
    link.P2Visible = [this] { return ParameterRowShown(2); };
    link.P3Visible = [this] { return ParameterRowShown(3); };
    link.WriteSeed = [this](Extended re, Extended im) { DragSeed(re, im); };
    link.WriteParameter = [this](int k, Extended re, Extended im) { DragParameter(k, re, im); };
    link.Closed = [this] { ReleaseManualParameters(); };
    link.Dialog = this;
    FDrag = new TDragForm(std::move(link), this);
  }
  FDrag->show();
}

// ---------------------------------------------------------------- queries

TSelectPage TSelectForm::ActivePage() const { return TSelectPage(FPages->currentIndex()); }

bool TSelectForm::JuliaCheckedAndEnabled() const { return FJulia->isChecked() && FJulia->isEnabled(); }

TNumericEdit* TSelectForm::ParameterEdit(TSelectPage page, int k, int part) const {
  if (k < 1 || k > 3 || part < 0 || part > 1) return nullptr;
  if (page == TSelectPage::Custom) return FParams[0][k - 1][part];
  if (page == TSelectPage::UserFormula) return FParams[1][k - 1][part];
  return nullptr;
}

TNumericEdit* TSelectForm::CoefficientEdit(int index) const {
  const auto it = FCoefs.find(index);
  return it == FCoefs.end() ? nullptr : it->second;
}

TSpinButton* TSelectForm::SpinOf(const TNumericEdit* edit, bool fine) const {
  const auto& map = fine ? FFine : FCoarse;
  const auto it = map.find(edit);
  return it == map.end() ? nullptr : it->second;
}

bool TSelectForm::SeedEditEnabled() const { return FSeed[0]->isEnabled(); }

bool TSelectForm::ParameterRowShown(int k) const {
  if (k < 1 || k > 3 || FParamGroup->isHidden()) return false;
  return !FParamRow[k - 1][1]->isHidden();
}

void TSelectForm::ReleaseManualParameters() { FManual->setChecked(false); }

void TSelectForm::DragSeed(Extended re, Extended im) {
  FSeed[0]->SetValue(re);
  FSeed[1]->SetValue(im);
  if (Doc) Doc->SetJuliaPoint(re, im);
}

void TSelectForm::DragParameter(int k, Extended re, Extended im) {
  if (k < 1 || k > 3) return;
  for (int p = 0; p < 2; ++p) {
    FParams[p][k - 1][0]->SetValue(re);
    FParams[p][k - 1][1]->SetValue(im);
  }
  if (!Doc) return;
  TComplexExt v[3] = {Doc->Ctx.P1, Doc->Ctx.P2, Doc->Ctx.P3};
  v[k - 1] = {re, im};
  Doc->SetParameters(v[0].re, v[0].im, v[1].re, v[1].im, v[2].re, v[2].im);
}

void TSelectForm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  MinimizeWithApplication(this, event);
}
