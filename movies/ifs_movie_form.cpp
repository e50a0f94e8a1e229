// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/ifs_movie_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include "engine/fractal.h"
#include "formulas/formula_context.h"
#include "ifs/ifs_constructor.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_form.h"
#include "movies/avi_setup_form.h"
#include "movies/ifs_movie.h"
#include "platform/dialogs.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "ui/numeric_edit_form.h"
#include "ui/resources_form.h"

namespace {

constexpr int kClientWidth = 680, kClientHeight = 424;
constexpr int kValueDigits = 15;
constexpr int kAnimationMs = 120;
constexpr int kPhases = 16;
constexpr const char* kHeader = "   A        B       C        D       E        F        p";

QSpinBox* SpinEdit(QWidget* parent, int lo, int hi, int step, int value) {
  auto* e = new QSpinBox(parent);
  e->setRange(lo, hi);
  e->setSingleStep(step);
  e->setValue(value);
  return e;
}

}  // namespace

TAVIifs::TAVIifs(TFractal* doc, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      Doc(doc) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(tr("IFS movie"));
  setFixedSize(kClientWidth, kClientHeight);
  SetMovieLoop(kIFSMovieKind, IFSMovieLoop);

  TIFSMovie& movie = IFSMovie();
  movie.Start.Count = movie.End.Count = 0;
  Sets[0].Set = &movie.Start;
  Sets[0].Prefix = QT_TR_NOOP("Start IFS: ");
  Sets[1].Set = &movie.End;
  Sets[1].Prefix = QT_TR_NOOP("End IFS: ");
  BuildSet(0, 4);
  BuildSet(1, 112);

  auto* header = new QLabel(kHeader, this);
  header->setFont(IFSListFont());
  header->setGeometry(8, 220, 480, 14);
  const char* letters = "ABCDEFp";
  for (int f = 0; f < kTransformFieldCount; ++f) {
    const int left = 8 + f * 66;
    Values[f] = new TNumericEdit(this);
    Values[f]->setGeometry(left, 236, 48, 22);
    Values[f]->setAccessibleName(QString("Value ") + letters[f]);
    ValueSpins[f] = new TSpinButton(this);
    ValueSpins[f]->move(left + 48, 236);
    connect(Values[f], &TNumericEdit::Left, this, [this, f] { ValueLeft(f); });
    connect(ValueSpins[f], &TSpinButton::Up, this, [this, f] { ValueSpun(f, true); });
    connect(ValueSpins[f], &TSpinButton::Down, this, [this, f] { ValueSpun(f, false); });
  }
  ClearValues();

  Add = new QPushButton(tr("&Add"), this);
  Add->setGeometry(8, 268, 72, 26);
  Delete = new QPushButton(tr("&Delete"), this);
  Delete->setGeometry(86, 268, 72, 26);
  Delete->setEnabled(false);
  for (QPushButton* b : {Add, Delete}) b->setAutoDefault(false);

  auto label = [this](const QString& caption, int top, QWidget* buddy) {
    auto* l = new QLabel(caption, this);
    l->setGeometry(8, top, 120, 22);
    l->setBuddy(buddy);
  };
  FrameCount = SpinEdit(this, 5, 999, 5, kDefaultMorphFrames);
  FrameCount->setGeometry(132, 304, 80, 22);
  label(tr("&Frame count:"), 304, FrameCount);
  Multiplier = SpinEdit(this, 1, 9999, 10, kDefaultMorphMultiplier);
  Multiplier->setGeometry(132, 332, 80, 22);
  label(tr("Ma&xIter multiple:"), 332, Multiplier);
  connect(Multiplier, &QSpinBox::valueChanged, this, [this](int v) { Doc->SetIFSCounter(v); });
  PingPong = new QCheckBox(tr("Ping-pong clip"), this);
  PingPong->setGeometry(8, 362, 200, 22);

  FPicture = new QLabel(this);
  FPicture->setGeometry(300, 300, kFrameBitmapSize, kFrameBitmapSize);
  Timer = new QTimer(this);
  Timer->setInterval(kAnimationMs);
  connect(Timer, &QTimer::timeout, this, [this] { Animate(); });
  FPicture->setPixmap(QPixmap::fromImage(ResourceBitmap("IFS0")));

  Make = new QPushButton(tr("&Make AVI"), this);
  Make->setGeometry(504, 388, 80, 28);
  Make->setDefault(true);
  Cancel = new QPushButton(tr("&Cancel"), this);
  Cancel->setGeometry(592, 388, 80, 28);
  connect(Make, &QPushButton::clicked, this, [this] { MakeAVI(); });
  connect(Cancel, &QPushButton::clicked, this, &QWidget::close);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);

  OpenDialog.Title = QT_TRANSLATE_NOOP("FileDialog", "IFS select");
  OpenDialog.Filter = QT_TRANSLATE_NOOP("FileDialog", "IFS-fractal formulas (*.fri;*.ifs)|*.fri;*.ifs");
  OpenDialog.DefaultExt = "fri";
  OpenDialog.FileMustExist = true;
  OpenDialog.InitialDir = ProgramFolder();

  // The main document draws the working set while the window is open.
  Backup = std::make_unique<TFractal>(-1, 0, 0, 0, 0, 0, nullptr);
  Backup->Assign(Doc);
  Doc->StopThread();
  Doc->SetIFSNumber(kWorkingIFSNumber);
  Doc->SetFormula(kIFSFormula, -5, 5, 10);
  EnterList(0);
}

TAVIifs::~TAVIifs() {
  if (Backup) {
    Backup->UserModule = nullptr;
    Backup.reset();
  }
}

void TAVIifs::BuildSet(int which, int top) {
  TSetControls& s = Sets[which];
  s.Label = new QLabel(tr(s.Prefix), this);
  s.Label->setGeometry(8, top, 457, 16);
  s.List = new QListWidget(this);
  s.List->setFont(IFSListFont());
  s.List->setGeometry(8, top + 18, 457, 84);
  s.List->installEventFilter(this);
  connect(s.List, &QListWidget::currentRowChanged, this, [this, which] {
    if (which == Active) LineSelected();
  });
  s.Load = new QPushButton(tr("&Load..."), this);
  if (which == 1) s.Load->setText(tr("L&oad..."));
  s.Load->setGeometry(472, top + 18, 72, 24);
  s.Load->setAutoDefault(false);
  s.Load->setToolTip(which == 0 ? tr("Load the start IFS") : tr("Load the end IFS"));
  connect(s.Load, &QPushButton::clicked, this, [this, which] { LoadClicked(which); });
  s.Library = new QListWidget(this);
  s.Library->setGeometry(472, top + 46, 200, 56);
  s.Library->hide();
  connect(s.Library, &QListWidget::itemClicked, this,
          [this, which](QListWidgetItem* item) { ChooseLibraryEntry(which, Sets[which].Library->row(item)); });
  connect(s.Library, &QListWidget::itemActivated, this,
          [this, which](QListWidgetItem* item) { ChooseLibraryEntry(which, Sets[which].Library->row(item)); });
}

void TAVIifs::LoadClicked(int which) {
  if (!RunOpenDialog(OpenDialog, this)) return;
  OpenDialog.InitialDir = FolderOf(OpenDialog.FileName);
  LoadSet(which, OpenDialog.FileName);
}

void TAVIifs::LoadSet(int which, const std::string& path) {
  TSetControls& s = Sets[which];
  if (const std::string problem = IFSFileProblem(path); !problem.empty()) {
    ShowMessage(problem);
    return;
  }
  std::string lower = path;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  const bool library = lower.find(".ifs") != std::string::npos;
  const TProfileFile file(path);
  if (!library) {
    // A file that is no IFS file is refused before the set is emptied.
    try {
      RequireIFSFile(file);
    } catch (const std::exception& e) {
      ShowMessage(e.what());
      return;
    }
  }
  *s.Set = TWorkingIFS{};
  std::string warning;
  try {
    if (library) {
      // A library: its set is read once an entry is chosen.
      std::vector<std::string> names;
      warning = ReadIFSLibraryNames(file, names, "No name");
      s.LibraryPath = path;
      s.Library->clear();
      for (const std::string& n : names) s.Library->addItem(QString::fromStdString(n));
      s.Library->show();
    } else {
      s.Library->hide();
      s.LibraryPath.clear();
      warning = ReadSection(which, file, "IFS");
    }
  } catch (const std::exception& e) {
    warning = e.what();
  }
  SetLoaded(which, warning);
}

void TAVIifs::ChooseLibraryEntry(int which, int k) {
  TSetControls& s = Sets[which];
  if (s.LibraryPath.empty() || k < 0) return;
  *s.Set = TWorkingIFS{};
  std::string warning;
  try {
    warning = ReadSection(which, TProfileFile(s.LibraryPath), LibrarySectionName(k));
  } catch (const std::exception& e) {
    warning = e.what();
  }
  SetLoaded(which, warning);
}

std::string TAVIifs::ReadSection(int which, const TProfileFile& file, const std::string& section) {
  const TSetControls& s = Sets[which];
  s.Label->setText(tr(s.Prefix) + QString::fromStdString(file.ReadString(section, "Name", "NoName")));
  return ReadIFSSet(file, section, *s.Set);
}

void TAVIifs::SetLoaded(int which, const std::string& warning) {
  ShowSet(which);
  Sets[which].List->setFocus();
  EnterList(which);
  if (!warning.empty()) ShowMessage(warning);
}

// Rebuilds the set's list and selects its first line.
void TAVIifs::ShowSet(int which) {
  const TSetControls& s = Sets[which];
  {
    const QSignalBlocker block(s.List);
    s.List->clear();
    for (int32_t slot = 1; slot <= s.Set->Count; ++slot)
      s.List->addItem(QString::fromStdString(TransformListLine(s.Set->Slots[slot])));
    if (s.Set->Count > 0) s.List->setCurrentRow(0);
  }
  if (which == Active) LineSelected();
}

void TAVIifs::EnterList(int which) {
  Active = which;
  for (int k = 0; k < 2; ++k) {
    QFont f = Sets[k].Label->font();
    f.setBold(k == which);
    Sets[k].Label->setFont(f);
    Sets[k].Label->setStyleSheet(k == which ? "color: red;" : "color: black;");
  }
  const TWorkingIFS& set = *Sets[which].Set;
  if (set.Count <= 0) {
    ClearValues();
    Delete->setEnabled(false);
    return;
  }
  // The render thread reads the working set: it stops before the set changes.
  Doc->StopThread();
  WorkingIFS.Count = set.Count;
  for (int32_t q = 1; q <= set.Count && q <= kMaxIFSTransforms; ++q) WorkingIFS.Slots[q] = set.Slots[q];
  Doc->Restart();
  LineSelected();
}

int TAVIifs::SelectedSlot() const {
  const TSetControls& s = Sets[Active];
  const int row = s.List->currentRow();
  return row >= 0 && row < s.Set->Count ? row + 1 : 0;
}

void TAVIifs::ClearValues() {
  for (int f = 0; f < kTransformFieldCount; ++f) {
    Values[f]->clear();
    Values[f]->setEnabled(false);
    ValueSpins[f]->setEnabled(false);
  }
}

void TAVIifs::LineSelected() {
  const int32_t slot = SelectedSlot();
  Delete->setEnabled(slot > 0);
  for (int f = 0; f < kTransformFieldCount; ++f) {
    Values[f]->setEnabled(slot > 0);
    ValueSpins[f]->setEnabled(slot > 0);
    if (slot > 0) Values[f]->SetValue(Sets[Active].Set->Slots[slot].*kTransformFields[f], kValueDigits);
  }
}

void TAVIifs::ValueLeft(int field) {
  const int32_t slot = SelectedSlot();
  if (slot == 0) return;
  const Extended v = LeftTransformValue(Values[field]->text().toStdString());
  Values[field]->SetValue(v, kValueDigits);
  TSetControls& s = Sets[Active];
  StoreTransformField(*s.Set, slot, field, v);
  s.List->item(slot - 1)->setText(QString::fromStdString(TransformListLine(s.Set->Slots[slot])));
  EnterList(Active);
}

void TAVIifs::ValueSpun(int field, bool up) {
  if (SelectedSlot() == 0) return;
  Values[field]->SetValue(SpunTransformValue(Values[field]->text().toStdString(), up), kValueDigits);
  ValueLeft(field);
}

bool TAVIifs::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn)
    for (int k = 0; k < 2; ++k)
      if (watched == Sets[k].List) EnterList(k);
  return QWidget::eventFilter(watched, event);
}

void TAVIifs::MakeAVI() {
  TIFSMovie& movie = IFSMovie();
  movie.Multiplier = Multiplier->value();
  movie.PingPong = PingPong->isChecked();
  TAVISetup avi(Doc, this);
  avi.Options = 1;
  avi.MovieKind = kIFSMovieKind;
  avi.SetFrameCount(FrameCount->value());
  avi.exec();
}

void TAVIifs::Animate() {
  FPhase = (FPhase + 1) % kPhases;
  const int k = FPhase <= 7 ? FPhase : kPhases - 1 - FPhase;
  FPicture->setPixmap(QPixmap::fromImage(ResourceBitmap("IFS" + std::to_string(k))));
}

void TAVIifs::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Timer->start();
}

void TAVIifs::hideEvent(QHideEvent* event) {
  Timer->stop();
  QWidget::hideEvent(event);
}

void TAVIifs::closeEvent(QCloseEvent* event) {
  Timer->stop();
  if (Backup) {
    Backup->Ctx.IFScounter = Doc->Ctx.IFScounter;
    Doc->Assign(Backup.get());
    // A compiled user formula stays the main document's.
    Backup->UserModule = nullptr;
    Backup.reset();
    Doc->Recolor();
  }
  event->accept();
  if (OnClosed) OnClosed();
}
