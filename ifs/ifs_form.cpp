// SPDX-License-Identifier: GPL-3.0-or-later
#include "ifs/ifs_form.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>

#include "engine/fractal.h"
#include "ifs/ifs_constructor.h"
#include "ifs/transform_list_form.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "ui/main_form.h"
#include "ui/numeric_edit_form.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

namespace {

constexpr int kClientWidth = 473, kClientHeight = 282;
constexpr int kValueDigits = 15;
constexpr int kNameLength = 128;
constexpr const char* kFilter = QT_TRANSLATE_NOOP("FileDialog", "IFS-fractal formulas (*.fri)|*.fri");

}  // namespace

QFont IFSListFont() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setBold(true);
  f.setPixelSize(11);
  return f;
}

TIFSForm::TIFSForm(TFractal* doc, THandle mainWindow, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      Doc(doc),
      MainWindow(mainWindow) {
  setWindowTitle(tr("IFS constructor"));
  setFixedSize(kClientWidth, kClientHeight);
  BuildControls();
  const TFormPosition& at = Settings().IFSForm;
  PlaceToolWindow(this, at.Left, at.Top);

  for (TFileDialog* d : {&OpenDialog, &SaveDialog}) {
    d->Filter = kFilter;
    d->DefaultExt = "fri";
    d->InitialDir = DocumentFolder();
  }
  OpenDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Load IFS formula from file");
  OpenDialog.FileMustExist = true;
  SaveDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Save current IFS formula to file");
  SaveDialog.OverwritePrompt = true;

  // The working set starts empty and all zero once per run.
  WorkingIFS = TWorkingIFS{};
  RebuildList();
  LineSelected();
  Save->setEnabled(false);
}

void TIFSForm::BuildControls() {
  // The column titles are the list's own header.
  List = new TTransformList(this);
  List->setGeometry(8, 4, 457, 148);
  connect(List, &TTransformList::currentRowChanged, this, [this] { LineSelected(); });

  const char* letters = "ABCDEFp";
  for (int f = 0; f < 7; ++f) {
    const int left = 8 + f * 66;
    Values[f] = new TNumericEdit(this);
    Values[f]->setGeometry(left, 160, 48, 22);
    Values[f]->setText("0");
    Values[f]->setAccessibleName(QString("Value ") + letters[f]);
    ValueSpins[f] = new TSpinButton(this);
    ValueSpins[f]->move(left + 48, 160);
    connect(Values[f], &TNumericEdit::Left, this, [this, f] { ValueLeft(f); });
    connect(ValueSpins[f], &TSpinButton::Up, this, [this, f] { ValueSpun(f, true); });
    connect(ValueSpins[f], &TSpinButton::Down, this, [this, f] { ValueSpun(f, false); });
  }

  auto* nameLabel = new QLabel(tr("&Name:"), this);
  nameLabel->setGeometry(8, 196, 40, 22);
  Name = new QLineEdit("NoName", this);
  Name->setMaxLength(kNameLength);
  Name->setGeometry(50, 196, 180, 22);
  nameLabel->setBuddy(Name);

  auto* multiplierLabel = new QLabel(tr("&MaxIter multipler:"), this);
  multiplierLabel->setGeometry(244, 196, 110, 22);
  Multiplier = new QLineEdit(this);
  Multiplier->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this));
  Multiplier->setGeometry(356, 196, 70, 22);
  multiplierLabel->setBuddy(Multiplier);
  connect(Multiplier, &QLineEdit::textChanged, this, [this] { MultiplierChanged(); });
  for (int pair = 0; pair < 2; ++pair) {
    MultiplierSpins[pair] = new TSpinButton(this);
    MultiplierSpins[pair]->move(428 + pair * 18, 196);
    const int step = pair == 0 ? 100 : 10;
    connect(MultiplierSpins[pair], &TSpinButton::Up, this, [this, step] { MultiplierSpun(step); });
    connect(MultiplierSpins[pair], &TSpinButton::Down, this, [this, step] { MultiplierSpun(-step); });
  }

  auto button = [this](const QString& caption, int left, int width) {
    auto* b = new QPushButton(caption, this);
    b->setGeometry(left, 240, width, 28);
    b->setAutoDefault(false);
    return b;
  };
  Load = button(tr("Load formula"), 8, 100);
  Save = button(tr("Save formula"), 112, 100);
  Add = button(tr("Add"), 226, 72);
  Delete = button(tr("Delete"), 302, 72);
  CloseBtn = button(tr("Close"), 393, 72);
  connect(Load, &QPushButton::clicked, this, [this] { LoadClicked(); });
  connect(Save, &QPushButton::clicked, this, [this] { SaveClicked(); });
  connect(Add, &QPushButton::clicked, this, [this] { AddClicked(); });
  connect(Delete, &QPushButton::clicked, this, [this] { DeleteClicked(); });
  connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

int TIFSForm::SelectedSlot() const {
  const int row = List->currentRow();
  return row >= 0 && row < WorkingIFS.Count ? row + 1 : 0;
}

void TIFSForm::RebuildList() {
  const QSignalBlocker block(List);
  List->clear();
  for (int32_t slot = 1; slot <= WorkingIFS.Count; ++slot) List->AddRow(WorkingIFS.Slots[slot]);
}

void TIFSForm::SelectLine(int row) {
  if (row < List->count()) {
    const QSignalBlocker block(List);
    List->setCurrentRow(row);
  }
  LineSelected();
}

void TIFSForm::LineSelected() {
  const int32_t slot = SelectedSlot();
  Delete->setEnabled(slot > 0);
  for (int f = 0; f < 7; ++f) {
    Values[f]->setEnabled(slot > 0);
    ValueSpins[f]->setEnabled(slot > 0);
  }
  if (slot == 0) return;
  for (int f = 0; f < 7; ++f) Values[f]->SetValue(WorkingIFS.Slots[slot].*kTransformFields[f], kValueDigits);
  Values[0]->setFocus();
}

void TIFSForm::StoreValue(int field, long double value) {
  const int32_t slot = SelectedSlot();
  if (slot == 0) return;
  // The render thread reads the set while it draws: it stops before the
  // value changes and starts again on the new set.
  Doc->StopThread();
  StoreTransformField(WorkingIFS, slot, field, value);
  Doc->Restart();
  List->SetRow(slot - 1, WorkingIFS.Slots[slot]);
}

void TIFSForm::ValueLeft(int field) {
  if (SelectedSlot() == 0) return;
  const Extended v = LeftTransformValue(Values[field]->text().toStdString());
  Values[field]->SetValue(v, kValueDigits);
  StoreValue(field, v);
}

void TIFSForm::ValueSpun(int field, bool up) {
  if (SelectedSlot() == 0) return;
  const Extended v = SpunTransformValue(Values[field]->text().toStdString(), up);
  Values[field]->SetValue(v, kValueDigits);
  StoreValue(field, v);
}

void TIFSForm::MultiplierChanged() {
  if (Multiplier->text().isEmpty()) {
    const QSignalBlocker block(Multiplier);
    Multiplier->setText("0");
    // The next digit typed replaces the 0.
    Multiplier->selectAll();
  }
  Doc->SetIFSCounter(MultiplierOfText(Multiplier->text().toStdString()));
}

void TIFSForm::MultiplierSpun(int step) {
  const int32_t n = SpunMultiplier(Multiplier->text().toStdString(), step);
  {
    const QSignalBlocker block(Multiplier);
    Multiplier->setText(QString::number(n));
  }
  Doc->SetIFSCounter(n);
}

void TIFSForm::UpdateButtons() {
  Add->setEnabled(WorkingIFS.Count < kMaxIFSTransforms);
  Delete->setEnabled(WorkingIFS.Count > 0 && SelectedSlot() > 0);
  Save->setEnabled(WorkingIFS.Count > 0);
}

void TIFSForm::AddClicked() {
  if (WorkingIFS.Count >= kMaxIFSTransforms) return;
  // The render thread sees the new count at once: no restart.
  const int32_t count = AddTransform(WorkingIFS);
  Add->setEnabled(count < kMaxIFSTransforms);
  Save->setEnabled(true);
  {
    const QSignalBlocker block(List);
    List->AddRow(WorkingIFS.Slots[count]);
  }
  SelectLine(count - 1);
}

void TIFSForm::DeleteClicked() {
  const int32_t slot = SelectedSlot();
  if (slot == 0) return;
  Doc->StopThread();
  DeleteTransform(WorkingIFS, slot);
  RebuildList();
  Doc->Restart();
  SelectLine(0);
  UpdateButtons();
}

void TIFSForm::LoadClicked() {
  if (!RunOpenDialog(OpenDialog, this)) return;
  OpenDialog.InitialDir = FolderOf(OpenDialog.FileName);
  LoadFormula(OpenDialog.FileName);
}

void TIFSForm::LoadFormula(const std::string& path) {
  if (const std::string problem = IFSFileProblem(path); !problem.empty()) {
    ShowMessage(problem);
    return;
  }
  // Everything is read before anything changes: a bad value leaves the set,
  // the palette and the window as they were.
  TIFSFileLoad load;
  try {
    load = ReadIFSFileForConstructor(path, WorkingIFS);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    return;
  }
  Doc->StopThread();
  try {
    Doc->Palette->LoadFromFile(path);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    Doc->Restart();
    return;
  }
  WorkingIFS = load.Set;
  Name->setText(QString::fromStdString(load.Values.Name));
  Doc->Ctx.MaxIter = load.Values.MaxIter;
  RebuildList();
  Doc->SetWindow(load.Values.X, load.Values.Y, load.Values.W);
  SelectLine(0);
  UpdateButtons();
  Save->setEnabled(true);
  if (!load.Warning.empty()) ShowMessage(load.Warning);
}

void TIFSForm::SaveClicked() {
  if (!RunSaveDialog(SaveDialog, this)) return;
  SaveDialog.InitialDir = FolderOf(SaveDialog.FileName);
  TIFSFileValues values;
  values.Name = Name->text().toStdString();
  values.X = Doc->X;
  values.Y = Doc->Y;
  values.W = Doc->W;
  values.MaxIter = Doc->Ctx.MaxIter;
  try {
    SaveIFSFile(SaveDialog.FileName, WorkingIFS, values, Doc->Palette.get());
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TIFSForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  {
    const QSignalBlocker block(Multiplier);
    Multiplier->setText(QString::number(Doc->Ctx.IFScounter));
  }
  List->setFocus();
}

void TIFSForm::closeEvent(QCloseEvent* event) {
  if (!isMinimized() && !isMaximized()) Settings().IFSForm = {x(), y()};
  event->accept();
  PostMessage(MainWindow, MSG_IFS_CLOSED, 0, 0);
}

void TIFSForm::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // The constructor stands for the whole program while it is open.
  QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
  if (!main) return;
  if (isMinimized())
    main->showMinimized();
  else if (main->isMinimized())
    main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
}
