// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_form.h"

#include <exception>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "engine/full_view.h"
#include "formulas/catalogue.h"
#include "platform/dialogs.h"
#include "ui/app_window_qt.h"
#include "ui/numeric_edit_form.h"
#include "ui/param_form.h"
#include "ui/select_handoff.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

namespace {

constexpr int kPictureWidth = 160, kPictureHeight = 160;

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

TSelectForm::TSelectForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Select fractal:"));
  FEdits = new TSelectEdits(this);
  FEdits->WriteProperty = [this](int32_t index, Extended value) { SetProperty(index, value); };
  FEdits->ParameterChanged = [this] { RefreshDragWindow(); };
  BuildLayout();
  PlaceWindow(this, Settings().Select.Left, Settings().Select.Top);
  FIFS->LoadLibrary();
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

// ---------------------------------------------------------------- layout

void TSelectForm::BuildLayout() {
  auto* root = new QVBoxLayout(this);
  root->setSizeConstraint(QLayout::SetFixedSize);

  // Top: formula text, Select, Cancel, Manual parameters select.
  auto* top = new QHBoxLayout;
  FFormulaText = new QLineEdit(this);
  FFormulaText->setReadOnly(true);
  FFormulaText->setToolTip(tr("Fractals formula"));
  FFormulaText->setMinimumWidth(400);
  QSizePolicy keep = FFormulaText->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  FFormulaText->setSizePolicy(keep);
  top->addWidget(FFormulaText, 1);
  FSelect = new QPushButton(tr("S&elect"), this);
  FCancel = new QPushButton(tr("&Cancel"), this);
  for (QPushButton* b : {FSelect, FCancel}) {
    b->setAutoDefault(false);
    top->addWidget(b);
  }
  FManual = new QToolButton(this);
  FManual->setCheckable(true);
  FManual->setIcon(ManualIcon());
  FManual->setToolTip(tr("Manual parameters select"));
  top->addWidget(FManual);
  root->addLayout(top);
  connect(FSelect, &QPushButton::clicked, this, [this] {
    FEdits->Commit(qobject_cast<TNumericEdit*>(QApplication::focusWidget()));
    accept();
  });
  connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(FManual, &QToolButton::clicked, this, [this](bool down) { ManualParameters(down); });

  auto* body = new QHBoxLayout;
  root->addLayout(body);
  body->addLayout(BuildPreviewColumn());

  // Right column: pages and the filter panel.
  auto* right = new QVBoxLayout;
  body->addLayout(right, 1);
  FPages = new QTabWidget(this);
  FCustom = new TSelectCustomPage(*FEdits);
  FPages->addTab(FCustom, tr("Custom"));
  FConstructor = new TSelectConstructorPage(*FEdits);
  FPages->addTab(FConstructor, tr("Constructor"));
  FUser = new TSelectUserPage(*FEdits);
  FPages->addTab(FUser, tr("User formula"));
  FIFS = new TSelectIFSPage;
  FPages->addTab(FIFS, tr("IFS"));
  connect(FPages, &QTabWidget::currentChanged, this, &TSelectForm::PageChanged);
  right->addWidget(FPages, 1);
  FFilterPanel = new TSelectFilterPanel(*FEdits, this);
  right->addWidget(FFilterPanel);
  ConnectPages();
}

// The left column: preview, zoom, switches, Julia group.
QLayout* TSelectForm::BuildPreviewColumn() {
  auto* left = new QVBoxLayout;
  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setLineWidth(2);
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->setContentsMargins(2, 2, 2, 2);
  FPicture = new TPreviewPicture(kPictureWidth, kPictureHeight, frame);
  frameLayout->addWidget(FPicture);
  left->addWidget(frame, 0, Qt::AlignHCenter);

  auto* zoomRow = new QHBoxLayout;
  FZoomIn = NewButton("+", tr("Zoom in"), this);
  FZoomOut = NewButton("-", tr("Zoom out"), this);
  for (QPushButton* b : {FZoomIn, FZoomOut}) {
    b->setFixedSize(28, 24);
    zoomRow->addWidget(b);
  }
  zoomRow->addStretch(1);
  left->addLayout(zoomRow);
  connect(FZoomIn, &QPushButton::clicked, FPicture, &TPreviewPicture::ZoomIn);
  connect(FZoomOut, &QPushButton::clicked, FPicture, &TPreviewPicture::ZoomOut);

  FInverted = new QCheckBox(tr("I&nverted"), this);
  FInverted->setToolTip(tr("Switch Z° between [pixel] and 1/[pixel] state"));
  FFSet = new QCheckBox(tr("F-Set &Method"), this);
  for (QCheckBox* c : {FInverted, FFSet}) {
    QSizePolicy sp = c->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    c->setSizePolicy(sp);
    left->addWidget(c);
  }
  connect(FInverted, &QCheckBox::clicked, this, [this](bool on) { SetFlag(9, on); });
  connect(FFSet, &QCheckBox::clicked, this, [this](bool on) { SetFlag(21, on); });

  FJuliaGroup = new QGroupBox(tr("Julie-set:"), this);
  auto* jg = new QGridLayout(FJuliaGroup);
  jg->setHorizontalSpacing(2);
  FJulia = new QCheckBox(tr("View as &Julie"), FJuliaGroup);
  QSizePolicy sp = FJulia->sizePolicy();
  sp.setRetainSizeWhenHidden(true);
  FJulia->setSizePolicy(sp);
  jg->addWidget(FJulia, 0, 0, 1, 3);
  for (int part = 0; part < 2; ++part) {
    FSeed[part] = FEdits->Add(6 + part, true, FJuliaGroup, &FSeedSpins[part][0], &FSeedSpins[part][1]);
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
  return left;
}

// What the pages and the filter panel do to the preview document.
void TSelectForm::ConnectPages() {
  FCustom->List()->OnChosen = [this](int row) {
    if (!Updating) FormulaRowChosen(row);
  };
  connect(FUser->GoButton(), &QPushButton::clicked, this, &TSelectForm::Go);
  FIFS->List()->OnChosen = [this](int row) {
    if (!Updating) IFSChosen(row);
  };
  connect(FIFS->MaxIterMultiplier(), &QSpinBox::valueChanged, this, [this](int value) {
    if (!Updating && Doc && value >= kMinIFSCounter && value <= kMaxIFSCounter) Doc->SetIFSCounter(value);
  });
  connect(FFilterPanel->FilterBox(), &QComboBox::currentIndexChanged, this, [this](int row) {
    if (!Updating) FilterChanged(row);
  });
  connect(FFilterPanel->FilterOnlyCheck(), &QCheckBox::clicked, this, [this](bool on) { SetFlag(28, on); });
  connect(FFilterPanel->KeepInfiniteCheck(), &QCheckBox::clicked, this, [this](bool on) { SetFlag(24, on); });
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
  QListWidget* formulaList = FCustom->List();

  // The page and list row of the main document's formula.
  formulaList->setCurrentRow(0);
  const TFormulaEntry* row = nullptr;
  if (number < kConstructorFormula) {
    FPages->setCurrentIndex(int(TSelectPage::Custom));
    const int r = FindFormulaRow(number);
    if (r >= 0) {
      formulaList->setCurrentRow(r);
      row = FormulaRow(r);
      FFormulaText->setText(Text1252(row->FormulaText));
    } else {
      // A number no row serves: the list stays on its first row.
      formulaList->setCurrentRow(0);
      FFormulaText->clear();
    }
  } else {
    row = FormulaRow(0);
    if (number == kConstructorFormula) FPages->setCurrentIndex(int(TSelectPage::Constructor));
    else if (number == kIFSFormula) FPages->setCurrentIndex(int(TSelectPage::IFS));
    else if (number == kUserFormula) FPages->setCurrentIndex(int(TSelectPage::UserFormula));
  }
  FSelect->setEnabled(true);

  BorrowedModule = Doc ? CopyMainDocument(*Doc, main) : nullptr;
  if (number == kUserFormula) FUser->ShowLines(main.UserLines.get());

  FPicture->ClearPan();
  const TFractal& source = Doc ? *Doc : main;
  FJulia->setChecked(source.Ctx.JulieSet);
  FInverted->setChecked(source.Ctx.Inverted);
  FFSet->setChecked(source.Ctx.FSet);
  FFilterPanel->KeepInfiniteCheck()->setChecked(source.Ctx.KeepBlk);
  FFilterPanel->FilterOnlyCheck()->setChecked(source.Ctx.FilterOnly);
  RefreshParameterEdits();
  FSeed[0]->SetValue(source.Ctx.PJ.re);
  FSeed[1]->SetValue(source.Ctx.PJ.im);
  FConstructor->ShowCoefficients(source);
  FFilterPanel->FilterLimitEdit()->SetValue(source.Ctx.Strange);

  const int filter = source.Ctx.Filter >= 0 && source.Ctx.Filter < kFilterCatalogueSize ? source.Ctx.Filter : 0;
  FFilterPanel->FilterBox()->setCurrentIndex(filter);
  FilterChanged(filter);

  ShowRowEditors(row, number);

  FIFS->MaxIterMultiplier()->setValue(main.Ctx.IFScounter);
  if (Doc) Doc->SetIFSCounter(main.Ctx.IFScounter);

  // The library IFS the document shows, if any.
  if (number == kIFSFormula && source.Ctx.IFSNumber >= 0 && source.Ctx.IFSNumber < FIFS->List()->count()) {
    FIFS->List()->setCurrentRow(source.Ctx.IFSNumber);
    FIFS->ShowTransforms(source.Ctx.IFSNumber);
  }

  ApplyPageLook();
  Updating = false;
  RefreshDragWindow();
}

void TSelectForm::Finish(TFractal& main, bool selected) {
  if (Doc) {
    Doc->StopThread();
    if (selected) HandToMainDocument(*Doc, main, BorrowedModule);
    else if (BorrowedModule) ForgetBorrowedModule(*Doc);
  }
  BorrowedModule = nullptr;
  FUser->HideComplexFunctions();
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
  for (TSelectPage page : {TSelectPage::Custom, TSelectPage::UserFormula})
    for (int k = 1; k <= 3; ++k) {
      ParameterEdit(page, k, 0)->SetValue(values[k - 1].re);
      ParameterEdit(page, k, 1)->SetValue(values[k - 1].im);
    }
}

// ---------------------------------------------------------------- handlers

void TSelectForm::ShowRowEditors(const TFormulaEntry* row, int32_t number) {
  // Formula 41 has no row; its kernel reads P1 and honours Julia mode.
  const int32_t count = row ? row->ParamCount : (number == 41 ? 1 : 0);
  const bool julia = row ? row->JuliaAllowed : number == 41;
  FCustom->ShowParameterRows(count);
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
      FormulaRowChosen(FCustom->List()->currentRow());
      break;
    case TSelectPage::Constructor:
    case TSelectPage::UserFormula:
      FJulia->setEnabled(true);
      EnableSeed(true);
      FSelect->setEnabled(true);
      if (Doc) Doc->SetFormula(page == int(TSelectPage::Constructor) ? kConstructorFormula : kUserFormula, -4, 4, 8);
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
  FJuliaGroup->setTitle(ifs || (page == TSelectPage::Custom && orbital) ? tr("Seed:") : tr("Julie-set:"));
  FJulia->setVisible(!ifs);
  FInverted->setVisible(!ifs);
  FFSet->setVisible(!ifs);
  FFilterPanel->FilterLabel()->setEnabled(!ifs);
  FFormulaText->setVisible(page == TSelectPage::Custom);
}

void TSelectForm::SetProperty(int32_t index, Extended value) {
  if (Doc) Doc->SetProperty(index, value);
}

void TSelectForm::SetFlag(int32_t index, bool value) {
  if (Doc) Doc->SetProperty(index, value);
}

void TSelectForm::FilterChanged(int row) {
  FFilterPanel->EnableFilterControls(row);
  if (Doc && row >= 0) Doc->SetProperty(22, int32_t(row));
}

void TSelectForm::IFSChosen(int row) {
  if (row < 0) return;
  if (Doc) {
    Doc->SetFormula(kIFSFormula, -10, 10, 20);
    Doc->SetIFSNumber(row);
  }
  FIFS->ShowTransforms(row);
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
    Doc->SetUserFormula(FUser->Lines());
    // The restart compiles; a compile that builds no module shows the
    // compiler's report itself.
    Doc->SetFormula(kUserFormula, -2, 2, 4);
  }
  ApplyPageLook();
  RefreshDragWindow();
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
    link.ParametersVisible = [this] { return !ParametersGroup()->isHidden(); };
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
  if (page == TSelectPage::Custom) return FCustom->ParameterEdit(k, part);
  if (page == TSelectPage::UserFormula) return FUser->ParameterEdit(k, part);
  return nullptr;
}

bool TSelectForm::SeedEditEnabled() const { return FSeed[0]->isEnabled(); }

bool TSelectForm::ParameterRowShown(int k) const { return FCustom->ParameterRowShown(k); }

void TSelectForm::ReleaseManualParameters() { FManual->setChecked(false); }

void TSelectForm::DragSeed(Extended re, Extended im) {
  FSeed[0]->SetValue(re);
  FSeed[1]->SetValue(im);
  if (Doc) Doc->SetJuliaPoint(re, im);
}

void TSelectForm::DragParameter(int k, Extended re, Extended im) {
  if (k < 1 || k > 3) return;
  for (TSelectPage page : {TSelectPage::Custom, TSelectPage::UserFormula}) {
    ParameterEdit(page, k, 0)->SetValue(re);
    ParameterEdit(page, k, 1)->SetValue(im);
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
