#include "ui/main_form.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>

#include "attractors/attractor_form.h"
#include "engine/fractal.h"
#include "engine/full_view.h"
#include "engine/perturbation.h"
#include "engine/render_thread.h"
#include "platform/dialogs.h"
#include "platform/named_mutex.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "engine/options_form.h"
#include "engine/view3d_form.h"
#include "formulas/catalogue.h"
#include "ifs/ifs_constructor.h"
#include "ifs/ifs_form.h"
#include "movies/attractor_movie_form.h"
#include "movies/ifs_movie_form.h"
#include "movies/iter_form.h"
#include "movies/movie_values_form.h"
#include "movies/spots_form.h"
#include "ui/about_form.h"
#include "ui/coordinate_panel_form.h"
#include "ui/help_form.h"
#include "ui/image_area_form.h"
#include "ui/julia_form.h"
#include "ui/param_form.h"
#include "ui/select_form.h"
#include "ui/settings.h"
#include "ui/size_form.h"
#include "ui/window_place_qt.h"

namespace {

constexpr const char* kProgramTitle = "Pelmorix";
constexpr const char* kSpotFilter = "Fractal spots (*.frs)|*.frs|All files (*.*)|*.*";
constexpr const char* kPaletteFilter = "Fractal palette files (*.frp)|*.frp";
constexpr const char* kVideoFilter = "Video for Windows files (*.avi)|*.avi";
constexpr const char* kDrawSize = "DrawSize";
constexpr int kDefaultDrawSize = 300;
constexpr int kMinImageSize = 2;  // the pixel step divides by width - 1
constexpr int kMinWindowSize = 200;
constexpr int kSmoothingProperty = 34;
constexpr int kJuliaModeProperty = 8;
constexpr int kIterationPanelWidth = 56;
constexpr int kProgressPanelWidth = 64;

// Without stored bounds the window opens around a 300 x 300 image area.
constexpr int kInitialAreaSize = 300;

std::string ToStd(const QString& s) { return s.toStdString(); }

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

QString FileNameText(const std::string& path) { return QString::fromStdString(FileNameOf(path)); }

// A spot or palette that is not there would load as all defaults under its
// name: say so instead.
bool FileThere(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec)) return true;
  ShowMessage("Unable to open " + path + ":\r\nthe file does not exist.");
  return false;
}

// An open dialog wants an existing file; a save dialog asks before it
// overwrites one.
void SetUp(TFileDialog& d, const char* title, const char* filter, const char* ext, bool open) {
  d.Title = title;
  d.Filter = filter;
  d.DefaultExt = ext;
  d.FileMustExist = open;
  d.OverwritePrompt = !open;
}

}  // namespace

const TSizePreset kSizePresets[13] = {
    {10, "152 x 152", 152, 152},   {12, "200 x 200", 200, 200},   {1, "300 x 300", 300, 300},
    {2, "320 x 200", 320, 200},    {9, "320 x 240", 320, 240},    {3, "400 x 400", 400, 400},
    {4, "640 x 400", 640, 400},    {5, "640 x 480", 640, 480},    {6, "800 x 600", 800, 600},
    {11, "800 x 800", 800, 800},   {7, "1024 x 768", 1024, 768},  {13, "1024 x 1024", 1024, 1024},
    {14, "1600 x 1600", 1600, 1600}};

TFileKinds ClassifyFileName(const std::string& name) {
  const std::string upper = UpperCase(name);
  TFileKinds k;
  k.Spot = upper.find(".FRS") != std::string::npos;
  k.Attractor = upper.find(".FR3") != std::string::npos;
  k.Palette = upper.find(".FRP") != std::string::npos;
  k.IFS = upper.find(".FRI") != std::string::npos;
  return k;
}

std::string PrefilledSpotName(const std::string& current, const QDate& today) {
  if (current.empty()) return ToStd(today.toString("ddMMyy"));
  std::string name = FileNameOf(current);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

std::string WithExtension(const std::string& chosen, const std::string& ext) {
  const size_t slash = chosen.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = chosen.rfind('.');
  std::string base = chosen;
  if (dot != std::string::npos && dot >= nameStart) base.erase(dot);
  return base + "." + ext;
}

QString DepthText(Extended w) {
  if (!(std::fabs(w) < 1e-15L)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "W=%.1Le", w);
  return text;
}

QString ProgressText(intptr_t done, intptr_t total) {
  const double p = total != 0 ? double(int64_t(done) * 100) / double(total) : 100.0;
  return QString::asprintf("%5.1f", p) + "%";
}

QString ReferenceProgressText(intptr_t done, intptr_t total) {
  return "Reference orbit " + ProgressText(done, total).trimmed();
}

TMainForm::TMainForm(const std::string& fileArgument, QWidget* parent)
    : QMainWindow(parent), ImageHooks(DefaultDialogHooks()) {
  OpenWithShell = [](const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  };
  Today = [] { return QDate::currentDate(); };
  FCaption = FApplicationTitle = kProgramTitle;
  setWindowTitle(kProgramTitle);
  setMinimumSize(kMinWindowSize, kMinWindowSize);

  Area = new TImageArea(this);
  setCentralWidget(Area);
  for (int i = 0; i < 4; ++i) {
    Panels[i] = i == 2 ? (PositionPanel = new TCoordinatePanel(statusBar())) : new QLabel(statusBar());
    Panels[i]->setContentsMargins(0, 0, 0, 0);
  }
  Panels[0]->setAlignment(Qt::AlignCenter);
  Panels[1]->setAlignment(Qt::AlignCenter);
  Panels[0]->setFixedWidth(kIterationPanelWidth);
  Panels[1]->setFixedWidth(kProgressPanelWidth);
  statusBar()->addWidget(Panels[0]);
  statusBar()->addWidget(Panels[1]);
  statusBar()->addWidget(Panels[2], 1);
  statusBar()->addPermanentWidget(Panels[3]);  // the zoom depth of deep views
  // The window's frame resizes it; the grip's room goes to the coordinates.
  statusBar()->setSizeGripEnabled(false);
  Panels[0]->setText("MI=10000");
  BuildMenu();
  resize(kInitialAreaSize, kInitialAreaSize + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());

  if (QScreen* s = screen(); s && s->depth() < 15)
    ShowMessage(
        "Pelmorix designed for 32-64K or 16M colors !\r\nYour display is configured for less colors -\r\n"
        "fractal-sets is not look beautiful !");

  // Numbers are written and read with "." whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());

  const std::string folder = DocumentFolder();
  for (TFileDialog* d : {&SpotSaveDialog, &SpotOpenDialog, &PaletteOpenDialog, &PaletteSaveDialog})
    d->InitialDir = folder;
  ImageSaveState().InitialDir = folder;
  SetUp(SpotSaveDialog, "Save current spot", kSpotFilter, "frs", false);
  SetUp(SpotOpenDialog, "Open fractal spot", kSpotFilter, "frs", true);
  SetUp(PaletteOpenDialog, "Open palette", kPaletteFilter, "frp", true);
  SetUp(PaletteSaveDialog, "Save current palette", kPaletteFilter, "frp", false);
  SetUp(VideoOpenDialog, "Open video", kVideoFilter, "avi", true);
  // Not the literal ".": GCC 12 inlines its copy here into a false -Wrestrict.
  VideoOpenDialog.InitialDir = std::string(1, '.');

  setAcceptDrops(true);

  // The settings decide the window's bounds and the image size the
  // document starts with.
  ApplySettings();
  // The render mutex carries the window's handle, as the render threads
  // look it up by that name.
  FHandle = THandle(winId());
  FMutexName = "Frac" + std::to_string(FHandle);
  RenderMutex = CreateNamedMutex(FMutexName);
  TFractal::RenderMutexName = FMutexName;

  const TSettings& s = Settings();
  const int areaWidth = width();
  const int areaHeight = height() - menuBar()->sizeHint().height() - statusBar()->sizeHint().height();
  int w = s.PaintWidth.value_or(areaWidth), h = s.PaintHeight.value_or(areaHeight);
  w = std::clamp(w, kMinImageSize, kMaxPaintSize);
  h = std::clamp(h, kMinImageSize, kMaxPaintSize);
  Area->SetImageSize(w, h);

  TPaintSurface* surface = Area->Surface();
  Doc = std::make_unique<TFractal>(0, -2.2L, 1.4L, 2.8L, w, h, surface->Canvas());
  Doc->MainDocument = true;
  Doc->ProgressFlag = true;
  // A fast render says so, never to be taken for an exact one; so does a
  // view too deep for the ordinary render of a formula the deep render does
  // not serve.
  Doc->OnRenderStart = [this](TFractal* d) {
    ShowMaxIter(*d);
    // A clipped exponent would read as a much shallower view.
    FitPanel(3, DepthText(d->W), 0);
  };
  // The automatic limit of a deep view is chosen once its render has begun.
  Doc->OnParamsChanged = [this](TFractal* d) { ShowMaxIter(*d); };
  surface->SetDocument(Doc.get());
  surface->OnMousePress = [this](QMouseEvent* e) { MousePress(e); };
  surface->OnMouseMove = [this](QMouseEvent* e) { MouseMove(e); };
  surface->OnMouseRelease = [this](QMouseEvent* e) { MouseRelease(e); };
  surface->OnDoubleClick = [this](QMouseEvent* e) { MouseDoubleClick(e); };
  surface->OnKeyPress = [this](QKeyEvent* e) { return HandleKey(e); };
  surface->setFocus();

  Dragging = false;
  MainQueue().SetDispatcher([this](const TMessage& m) { Dispatch(m); });

  if (!fileArgument.empty()) OpenFileArgument(fileArgument);
  Doc->Restart();

  // The spots dialog and the selection dialog live as long as the window;
  // the selection dialog keeps its page, lists and IFS library between
  // showings.
  Spots = new TSpotsForm(*Doc, this);
  Spots->OnClosed = [this] { SpotsClosed(); };
  Select = new TSelectForm(this);
}

TMainForm::~TMainForm() { Shutdown(false); }

TPaintSurface* TMainForm::Surface() const { return Area->Surface(); }

void TMainForm::ApplySettings() {
  TSettings& s = Settings();
  // Keys missing from the file keep the built-in bounds.
  s.Window = {x(), y(), width(), height()};
  ReadSettings(SettingsFile("fractal.ini"), s);
  if (s.WindowBoundsInFile) {
    const TRect r = ClampToScreens(s.Window, AvailableScreens(), kMinWindowSize, kMinWindowSize);
    resize(r.Width, r.Height);
    PlaceWindow(this, r.Left, r.Top);
  }
  StartMaximized = s.WindowMaximized;
  TFractal::UseFastArithmetic = s.FastArithmetic;
}

void TMainForm::ShowAsSaved() {
  if (StartMaximized)
    showMaximized();
  else
    show();
}

QAction* TMainForm::AddItem(QMenu* menu, const char* caption, QKeySequence shortcut, std::function<void()> action,
                            bool enabled) {
  QAction* a = menu->addAction(QString::fromUtf8(caption));
  a->setShortcut(shortcut);
  a->setEnabled(enabled);
  if (action) connect(a, &QAction::triggered, this, [action] { action(); });
  return a;
}

void TMainForm::BuildMenu() {
  QMenuBar* bar = menuBar();

  FileMenu = bar->addMenu("&File");
  AddItem(FileMenu, "Save &image", QKeySequence(Qt::CTRL | Qt::Key_F2),
          [this] { SaveImageDialog(*Doc, this, ImageHooks); });
  AddItem(FileMenu, "Save to &clipboard", QKeySequence(Qt::CTRL | Qt::Key_Insert),
          [this] { CopyImageToClipboard(*Doc); });
  QMenu* wallpaper = FileMenu->addMenu("&Wallpaper");
  AddItem(wallpaper, "&Tiled", {}, [this] { SetWallpaper(*Doc, this, true, ImageHooks); });
  AddItem(wallpaper, "&Centered", {}, [this] { SetWallpaper(*Doc, this, false, ImageHooks); });
  FileMenu->addSeparator();
  SaveSpotItem = AddItem(FileMenu, "&Save current spot...", QKeySequence(Qt::Key_F2), [this] { SaveSpot(); });
  LoadSpotItem = AddItem(FileMenu, "&Load spot...", QKeySequence(Qt::Key_F3), [this] { LoadSpot(); });
  FileMenu->addSeparator();
  AddItem(FileMenu, "&Printer setup", {}, [this] { PrinterSetup(this, ImageHooks); });
  AddItem(FileMenu, "P&rint", QKeySequence(Qt::ALT | Qt::Key_P), [this] { PrintImage(*Doc, this, ImageHooks); });
  FileMenu->addSeparator();
  AddItem(FileMenu, "&Exit", QKeySequence(Qt::ALT | Qt::Key_X), [this] { close(); });
  connect(FileMenu, &QMenu::aboutToShow, this, [this] { FileMenuOpens(); });

  QMenu* fractal = bar->addMenu("Fracta&l");
  SelectItem = AddItem(fractal, "&Select fractal", QKeySequence(Qt::Key_F6), [this] { SelectFractal(); });
  IFSConstructorItem =
      AddItem(fractal, "IFS &constructor", QKeySequence(Qt::Key_F7), [this] { ShowIFSConstructor(); });
  AddItem(fractal, "3D &attractors", QKeySequence(Qt::Key_F5), [this] { ShowAttractors(); });
  fractal->addSeparator();
  AddItem(fractal, "&View full set...", QKeySequence(Qt::Key_Insert), [this] { ViewFullSet(); });
  AddItem(fractal, "Zoom &out", QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus),
          [this] { ZoomOutCentre(); });
  AddItem(fractal, "Zoom &in", QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus),
          [this] { ZoomInCentre(); });
  fractal->addSeparator();
  SmoothingMenu = fractal->addMenu("S&moothing");
  SmoothingGroup = new QActionGroup(this);
  const char* smoothing[] = {"&0.  None", "&1. BailOut / Z", "&2. Linear", "&3. Square"};
  for (int tag = 0; tag < 4; ++tag) {
    QAction* a = AddItem(SmoothingMenu, smoothing[tag], {}, [this, tag] {
      Doc->SetProperty(kSmoothingProperty, int32_t(tag));
    });
    a->setCheckable(true);
    a->setData(tag);
    SmoothingGroup->addAction(a);
  }
  connect(SmoothingMenu, &QMenu::aboutToShow, this, [this] { SmoothingMenuOpens(); });
  fractal->addSeparator();
  AddItem(fractal, "&3D view", QKeySequence(Qt::ALT | Qt::Key_3), [this] { Show3DView(); });

  QMenu* render = RenderMenu = bar->addMenu("&Render");
  ZoomMovieItem = AddItem(render, "&Zoom movie", {}, [this] { ZoomMovie(); });
  IterationMovieItem = AddItem(render, "&Iteration movie", {}, [this] { IterationMovie(true); });
  // Both wait for a fractal that can animate them (selection dialog).
  TransformationMovieItem = AddItem(render, "&Transformation movie", {}, [this] { TransformationMovie(); }, false);
  JulieMovieItem = AddItem(render, "&Julie movie", {}, [this] { JulieMovie(); }, false);
  ParamMovieItem = AddItem(render, "Pa&rametrical movie", {}, [this] { ParametricMovie(); });
  IFSMovieItem = AddItem(render, "I&FS movie", {}, [this] { ShowIFSMovie(); });
  AttractorMovieItem = AddItem(render, "&3D-attractors movie", {}, [this] { ShowAttractorMovie(); });
  AttractorMovieItem->setVisible(false);
  render->addSeparator();
  AddItem(render, "&Play movie", {}, [this] { PlayMovie(); });
  ViewIterationItem = AddItem(render, "&View iteration movie", {}, [this] { IterationMovie(false); });
  connect(render, &QMenu::aboutToShow, this, [this] { RenderMenuOpens(); });

  QMenu* options = OptionsMenu = bar->addMenu("&Options");
  SizeMenu = options->addMenu("&Fractal size");
  SizeGroup = new QActionGroup(this);
  for (const TSizePreset& p : kSizePresets) {
    QAction* a = AddItem(SizeMenu, p.Caption, {}, [this, p] { SetImageSize(p.Width, p.Height); });
    a->setCheckable(true);
    a->setData(p.Tag);
    SizeGroup->addAction(a);
  }
  SizeMenu->addSeparator();
  ManualSizeItem = AddItem(SizeMenu, "&Manual...", {}, [this] { ManualSize(); });
  ManualSizeItem->setCheckable(true);
  ManualSizeItem->setData(8);
  SizeGroup->addAction(ManualSizeItem);
  connect(SizeMenu, &QMenu::aboutToShow, this, [this] { SizeMenuOpens(); });
  PreferencesItem = AddItem(options, "&Preferences", QKeySequence(Qt::Key_F8), [this] { ShowPreferences(); });
  options->addSeparator();
  AddItem(options, "&Load palette", {}, [this] { LoadPalette(); });
  AddItem(options, "&Save palette", {}, [this] { SavePalette(); });
  options->addSeparator();
  JulieWindowItem = AddItem(options, "&Julie window", QKeySequence(Qt::ALT | Qt::Key_J), nullptr);
  JulieWindowItem->setCheckable(true);
  // Toggling flips the check mark first; the window follows it.
  connect(JulieWindowItem, &QAction::triggered, this, [this] { ToggleJulieWindow(); });
  connect(options, &QMenu::aboutToShow, this, [this] { OptionsMenuOpens(); });
  AddItem(options, "Anti-Aliasing", QKeySequence(Qt::ALT | Qt::Key_A), [this] { ShowAntiAliasing(); });

  QMenu* help = bar->addMenu("&Help");
  AddItem(help, "&Contents", QKeySequence(Qt::Key_F1), [this] { ShowHelpContents(); });
  AddItem(help, "&About", QKeySequence(Qt::CTRL | Qt::Key_F1), [this] { ShowAbout(); });
}

void TMainForm::FileMenuOpens() {
  // While the IFS constructor drives the document its spot is the
  // constructor's working set, which a spot cannot hold.
  SaveSpotItem->setEnabled(!(Doc->Ctx.Number == kIFSFormula && Doc->Ctx.IFSNumber == kWorkingIFSNumber));
}

void TMainForm::SizeMenuOpens() {
  ManualSizeItem->setChecked(true);
  for (QAction* a : SizeGroup->actions()) {
    for (const TSizePreset& p : kSizePresets)
      if (a->data().toInt() == p.Tag && p.Width == Doc->Width && p.Height == Doc->Height) a->setChecked(true);
  }
}

void TMainForm::OptionsMenuOpens() {
  const int32_t n = Doc->Ctx.Number;
  bool enabled = n == kUserFormula;
  if (n < 500) {
    const TFormulaEntry* row = FindFormula(n);
    enabled = row && row->JuliaAllowed && !Doc->Ctx.JulieSet;
  }
  JulieWindowItem->setEnabled(enabled);
}

void TMainForm::RenderMenuOpens() {
  JulieMovieItem->setEnabled(Select->JuliaCheckedAndEnabled());
  const bool rendered = Doc->RenderFinished();
  IterationMovieItem->setEnabled(rendered);
  ViewIterationItem->setEnabled(rendered);
  const int32_t n = Doc->Ctx.Number;
  if (n >= kConstructorFormula)
    ParamMovieItem->setEnabled(n == kUserFormula);
  else if (const TFormulaEntry* row = FindFormula(n))
    ParamMovieItem->setEnabled(row->ParamCount > 0);
}

void TMainForm::SmoothingMenuOpens() {
  for (QAction* a : SmoothingGroup->actions())
    if (a->data().toInt() == Doc->Ctx.Smoothing) a->setChecked(true);
}

QString TMainForm::PanelText(int panel) const { return Panels[panel]->text(); }

int TMainForm::PanelWidth(int panel) const { return Panels[panel]->width(); }

void TMainForm::SetPanel(int panel, const QString& text) { Panels[panel]->setText(text); }

void TMainForm::FitPanel(int panel, const QString& text, int least) {
  SetPanel(panel, text);
  Panels[panel]->setFixedWidth(std::max(least, Panels[panel]->fontMetrics().horizontalAdvance(text) + 8));
}

void TMainForm::SetCaption(const QString& caption) {
  FCaption = caption;
  UpdateWindowTitle();
}

void TMainForm::SetApplicationTitle(const QString& title) {
  FApplicationTitle = title;
  UpdateWindowTitle();
}

void TMainForm::UpdateWindowTitle() {
  // The desktop shows one title per window: it carries the progress while a
  // render reports it, and the caption otherwise.
  setWindowTitle(FApplicationTitle != kProgramTitle ? FApplicationTitle : FCaption);
}

void TMainForm::SetMessageRoute(THandle target, std::function<void(const TMessage&)> handler) {
  if (handler)
    Routes[target] = std::move(handler);
  else
    Routes.erase(target);
}

void TMainForm::Dispatch(const TMessage& m) {
  if (m.Target == 0) {
    if (m.Msg == MSG_RENDER_PROGRESS)
      ShowProgress(ProgressText(m.WParam, m.LParam));
    else if (m.Msg == MSG_REFERENCE_PROGRESS)
      ShowProgress(ReferenceProgressText(m.WParam, m.LParam));
    else if (m.Msg == MSG_RENDER_DONE)
      RenderDone();
  } else if (m.Target == FHandle) {
    if (m.Msg == MSG_OPEN_IFS_FILE)
      OpenIFSFile(PendingIFSFile);
    else if (m.Msg == MSG_IFS_CLOSED)
      IFSClosed();
    else if (m.Msg == MSG_OPEN_ATTRACTOR_FILE)
      OpenAttractorFile(PendingAttractorFile);
  }
  if (auto route = Routes.find(m.Target); route != Routes.end()) route->second(m);
}

void TMainForm::ShowProgress(const QString& text) {
  FitPanel(1, text, kProgressPanelWidth);
  SetApplicationTitle(QString(kProgramTitle) + ": " + text);
}

void TMainForm::ShowMaxIter(const TFractal& d) {
  QString text = "MI=" + QString::number(d.Ctx.MaxIter) + (d.Ctx.FastArithmetic ? " fast" : "");
  if (PastOrdinaryPrecision(d.Deep, d.Width) && !PerturbationServes(d.Ctx)) text += " past precision";
  FitPanel(0, text, kIterationPanelWidth);
}

void TMainForm::RenderDone() {
  if (View3D) PostMessage(MessageHandle(View3D), MSG_VIEW3D_REFRESH, 0, 0);
  SetApplicationTitle(kProgramTitle);
}

void TMainForm::SetImageSize(int width, int height) {
  width = std::clamp(width, kMinImageSize, kMaxPaintSize);
  height = std::clamp(height, kMinImageSize, kMaxPaintSize);
  Area->SetImageSize(width, height);
  if (Doc) Doc->SetSize(width, height);
}

// Navigation. The pixel step is W / (Width - 1); pixel (px, py) is the
// point (X + px * step, Y - py * step). Every move is computed from the
// document's deep window, so that it stays exact at any depth.

void TMainForm::MoveView(TViewMove move) {
  move.Spans = Doc->Width - 1;
  Doc->MoveWindow(move);
}

void TMainForm::ZoomInAt(QPoint c) {
  TFractal& d = *Doc;
  Surface()->ShowPreview(QRect(c.x() / 2, c.y() / 2, d.Width / 2, d.Height / 2));
  MoveView({.Column = c.x() / 2.0L, .Row = c.y() / 2.0L, .Zoom = 0.5L});
}

void TMainForm::ZoomOutAt(QPoint c) { MoveView({.Column = Extended(-c.x()), .Row = Extended(-c.y()), .Zoom = 2}); }

void TMainForm::ZoomInCentre() {
  TFractal& d = *Doc;
  TPaintSurface* s = Surface();
  const int qw = s->width() / 4, qh = s->height() / 4;
  s->ShowPreview(QRect(qw, qh, 2 * qw, 2 * qh));
  MoveView({.Column = d.Width * 0.25L, .Row = d.Height * 0.25L, .Zoom = 0.5L});
}

void TMainForm::ZoomOutCentre() { MoveView({.Column = Doc->Width * -0.5L, .Row = Doc->Height * -0.5L, .Zoom = 2}); }

void TMainForm::ViewFullSet() { ShowFullView(*Doc); }

void TMainForm::Pan(int dx, int dy, Qt::KeyboardModifiers modifiers) {
  int pixels = 10;
  if (modifiers & Qt::ControlModifier)
    pixels = 25;
  else if (modifiers & Qt::ShiftModifier)
    pixels = 1;
  MoveView({.Column = Extended(dx * pixels), .Row = Extended(-dy * pixels)});
}

QPoint TMainForm::CursorOnSurface() const { return Surface()->mapFromGlobal(QCursor::pos()); }

bool TMainForm::HandleKey(QKeyEvent* e) {
  if (!Doc || Closed) return false;
  const bool keypad = e->modifiers() & Qt::KeypadModifier;
  switch (e->key()) {
    case Qt::Key_Left: Pan(-1, 0, e->modifiers()); return true;
    case Qt::Key_Right: Pan(1, 0, e->modifiers()); return true;
    case Qt::Key_Up: Pan(0, 1, e->modifiers()); return true;
    case Qt::Key_Down: Pan(0, -1, e->modifiers()); return true;
    case Qt::Key_Insert: ViewFullSet(); return true;
    case Qt::Key_Plus:
      if (!keypad) return false;
      if (e->modifiers() & Qt::ControlModifier)
        ZoomInCentre();
      else
        ZoomInAt(CursorOnSurface());
      return true;
    case Qt::Key_Minus:
      if (!keypad) return false;
      if (e->modifiers() & Qt::ControlModifier)
        ZoomOutCentre();
      else
        ZoomOutAt(CursorOnSurface());
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: JuliaToggle(); return true;
    default: return false;
  }
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
  if (HandleKey(event)) {
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// The rubber band: press starts a 2 x 2 rectangle around the point, moves
// set its far corner, release zooms to it when it is at least 4 x 4.

void TMainForm::MousePress(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  Surface()->setCursor(Qt::CrossCursor);
  Dragging = true;
  BandLeft = p.x() - 1;
  BandTop = p.y() - 1;
  BandWidth = 2;
  BandHeight = 2;
  Surface()->SetBand(true, QRect(BandLeft, BandTop, BandWidth, BandHeight));
}

void TMainForm::MouseMove(QMouseEvent* e) {
  if (!Doc) return;
  const QPoint p = e->position().toPoint();
  const TFractal& d = *Doc;
  const double step = double(d.W / (d.Width - 1));
  const double re = double(d.X + p.x() * step), im = double(d.Y - p.y() * step);
  if (Julia && Julia->isVisible()) {
    Hover = {re, im};
    PostMessage(MessageHandle(Julia), MSG_JULIA_POINT, 0, 0);
  }
  PositionPanel->ShowPosition(TPositionText(d, p.x(), p.y()));
  if (d.RenderFinished()) {
    SetPanel(1, "");
    if (p.x() >= 0 && p.x() < d.Width && p.y() >= 0 && p.y() < d.Height) {
      const float v = d.PixelValue(p.x(), p.y());
      if (v != 0) {
        SetPanel(1, QString::asprintf("%8.2f", double(v)));
      } else {
        SetPanel(1, "infinite");
        Panels[1]->setFixedWidth(Panels[1]->fontMetrics().horizontalAdvance("infinite") + 2);
      }
    }
  }
  if (Dragging) {
    BandWidth = p.x() - BandLeft;
    BandHeight = p.y() - BandTop;
    // A rectangle from (left, top) to the cursor, whichever way it was dragged.
    const QRect band = QRect(QPoint(std::min(BandLeft, p.x()), std::min(BandTop, p.y())),
                             QPoint(std::max(BandLeft, p.x()) - 1, std::max(BandTop, p.y()) - 1));
    Surface()->SetBand(true, band);
  }
}

void TMainForm::MouseRelease(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !Dragging) return;
  Surface()->unsetCursor();
  Dragging = false;
  Surface()->SetBand(false, {});
  if (BandWidth <= 3 || BandHeight <= 3) return;
  MoveView({.Column = Extended(BandLeft), .Row = Extended(BandTop), .WidthSteps = BandWidth, .DoubleStep = true});
}

void TMainForm::MouseDoubleClick(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton)
    ZoomInAt(e->position().toPoint());
  else if (e->button() == Qt::RightButton)
    ZoomOutAt(e->position().toPoint());
}

// Spots.

void TMainForm::SaveSpot() {
  TFileDialog& dlg = SpotSaveDialog;
  dlg.FileName = PrefilledSpotName(dlg.FileName, Today());
  if (!RunSaveDialog(dlg, this)) return;
  const std::string path = WithExtension(dlg.FileName, dlg.DefaultExt);
  dlg.InitialDir = FolderOf(path);
  SaveSpotTo(path);
}

void TMainForm::SaveSpotTo(const std::string& path) {
  try {
    // One replace of the file: the old spot stays whole until the new one is.
    TProfileFile f(path);
    f.WriteInt(kDrawSize, "X_Size", Surface()->width());
    f.WriteInt(kDrawSize, "Y_Size", Surface()->height());
    Doc->SaveSpot(f);
    f.Save();
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TMainForm::LoadSpot() {
  if (!RunOpenDialog(SpotOpenDialog, this)) return;
  LoadSpotFrom(SpotOpenDialog.FileName, true);
}

void TMainForm::LoadSpotFrom(const std::string& path, bool applyDrawSize) {
  if (!FileThere(path)) return;
  const TProfileFile f(path);
  try {
    f.RequireReadable();
  } catch (const TProfileError& e) {
    ShowMessage(e.what());
    return;
  }
  Doc->StopThread();
  SetPanel(1, "");
  PositionPanel->Clear();
  if (applyDrawSize) {
    SpotOpenDialog.InitialDir = FolderOf(path);
    int w = f.ReadInt(kDrawSize, "X_Size", kDefaultDrawSize);
    int h = f.ReadInt(kDrawSize, "Y_Size", kDefaultDrawSize);
    // A size no image can have is taken as missing.
    if (w < kMinImageSize || w > kMaxPaintSize) w = kDefaultDrawSize;
    if (h < kMinImageSize || h > kMaxPaintSize) h = kDefaultDrawSize;
    SetImageSize(w, h);
    // The new size restarted the render; the spot's palette must not change
    // under a running render.
    Doc->StopThread();
  }
  try {
    Doc->LoadSpot(f);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    Doc->Restart();
    return;
  }
  AfterSpotLoaded(path);
}

void TMainForm::AfterSpotLoaded(const std::string& path) {
  PostJuliaRefresh();
  SetCaption(QString(kProgramTitle) + ": " + FileNameText(path));
  SpotSaveDialog.FileName = FileNameOf(path);
  ImageSaveState().FileName = ImageNameOfSpot(path);
  PostOptionsRefresh();
}

// Palettes.

void TMainForm::LoadPaletteFile(const std::string& path, bool recolor) {
  if (!FileThere(path)) return;
  try {
    Doc->Palette->LoadFromFile(path);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    return;
  }
  if (recolor) Doc->Recolor();
  PostOptionsRefresh();
}

void TMainForm::LoadPalette() {
  TFileDialog& dlg = PaletteOpenDialog;
  if (!RunOpenDialog(dlg, this)) return;
  dlg.InitialDir = FolderOf(dlg.FileName);
  LoadPaletteFile(dlg.FileName, true);
}

void TMainForm::SavePalette() {
  TFileDialog& dlg = PaletteSaveDialog;
  if (dlg.FileName.empty()) dlg.FileName = ToStd(Today().toString("ddMMyy"));
  if (!RunSaveDialog(dlg, this)) return;
  dlg.InitialDir = FolderOf(dlg.FileName);
  try {
    Doc->Palette->SaveToFile(dlg.FileName);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
  }
}

void TMainForm::PlayMovie() {
  TFileDialog& dlg = VideoOpenDialog;
  if (!RunOpenDialog(dlg, this)) return;
  dlg.InitialDir = FolderOf(dlg.FileName);
  if (OpenWithShell) OpenWithShell(dlg.FileName);
}

void TMainForm::ZoomMovie() {
  for (QAction* a : {SelectItem, OptionsMenu->menuAction(), RenderMenu->menuAction(), ZoomMovieItem, LoadSpotItem})
    a->setEnabled(false);
  Spots->show();
}

void TMainForm::SpotsClosed() {
  for (QAction* a : {LoadSpotItem, ZoomMovieItem, OptionsMenu->menuAction(), RenderMenu->menuAction(), SelectItem})
    a->setEnabled(true);
}

void TMainForm::IterationMovie(bool renderMode) {
  if (!Iter) {
    Iter = new TIterForm(*Doc);
    SetMessageRoute(MessageHandle(Iter), [this](const TMessage& m) { Iter->Perform(m.Msg); });
  }
  Iter->SetRenderMode(renderMode);
  if (renderMode && Iter->isVisible()) {
    Iter->activateWindow();
    Iter->raise();
  } else {
    Iter->show();
  }
}

void TMainForm::TransformationMovie() {
  TAVItransForm dialog(*Doc, this);
  dialog.exec();
}

void TMainForm::JulieMovie() {
  TAVIjulieForm dialog(*Doc, this);
  dialog.exec();
}

void TMainForm::ParametricMovie() {
  TAVIparamForm dialog(*Doc, this);
  dialog.exec();
}

// Files from outside.

void TMainForm::OpenIFSFile(const std::string& path) {
  if (path.empty()) return;
  // A file the constructor cannot read leaves the window as it is.
  if (const std::string problem = IFSFileProblem(path); !problem.empty()) {
    ShowMessage(problem);
    return;
  }
  ShowIFSConstructor();
  IFSForm->LoadFormula(path);
}

void TMainForm::OpenAttractorFile(const std::string& path) {
  if (path.empty()) return;
  ShowAttractors();
  if (Attract) Attract->LoadFile(path);
}

void TMainForm::ShowAttractors() {
  if (!Attract) {
    try {
      Attract = new TAttractorForm(this);
    } catch (const std::exception&) {
      ShowMessage("Can not create form !");
      return;
    }
  }
  Attract->show();
  Attract->raise();
  Attract->activateWindow();
}

void TMainForm::OpenFileArgument(const std::string& name) {
  std::string path = name;
  if (path.find('/') == std::string::npos) path = ToStd(QDir::currentPath()) + "/" + path;
  const TFileKinds kind = ClassifyFileName(path);
  if (kind.Spot && FileThere(path)) {
    try {
      Doc->StopThread();
      Doc->LoadSpot(path);
      SetCaption(QString(kProgramTitle) + ": " + FileNameText(path));
    } catch (const std::exception& e) {
      ShowMessage(e.what());
    }
  }
  if (kind.Attractor) {
    PendingAttractorFile = path;
    PostMessage(FHandle, MSG_OPEN_ATTRACTOR_FILE, 0, 0);
  }
  if (kind.Palette) LoadPaletteFile(path, false);
  if (kind.IFS) {
    PendingIFSFile = path;
    PostMessage(FHandle, MSG_OPEN_IFS_FILE, 0, 0);
  }
}

void TMainForm::OpenDroppedFile(const std::string& path) {
  const TFileKinds kind = ClassifyFileName(path);
  if (kind.Spot) LoadSpotFrom(path, false);
  if (kind.Attractor) OpenAttractorFile(path);
  if (kind.Palette) LoadPaletteFile(path, true);
  if (kind.IFS) OpenIFSFile(path);
  PostJuliaRefresh();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  OpenDroppedFile(ToStd(urls.front().toLocalFile()));
}

// The windows the main window drives.

void TMainForm::PostJuliaRefresh() {
  if (Julia) PostMessage(MessageHandle(Julia), MSG_JULIA_REFRESH, 0, 0);
}

void TMainForm::PostOptionsRefresh() {
  if (Options && Options->isVisible()) PostMessage(MessageHandle(Options), MSG_OPTIONS_REFRESH, 0, 0);
}

void TMainForm::SelectFractal() {
  if (!Select->Execute(*Doc)) return;
  PostJuliaRefresh();
  SetCaption(kProgramTitle);
  const bool zoomMovie = ZoomMovieItem->isEnabled();
  TransformationMovieItem->setEnabled(Select->ActivePage() == TSelectPage::Constructor && zoomMovie);
  JulieMovieItem->setEnabled(Doc->Ctx.JulieSet && zoomMovie);
}

void TMainForm::ManualSize() {
  int w = Surface()->width(), h = Surface()->height();
  if (TFracSize::Execute(this, w, h)) SetImageSize(w, h);
}

void TMainForm::ShowPreferences() {
  if (!Options) {
    Options = new TOptionsForm(this);
    Options->OnClosed = [this] { PreferencesItem->setEnabled(true); };
    SetMessageRoute(MessageHandle(Options), [this](const TMessage& m) {
      if (m.Msg == MSG_OPTIONS_REFRESH) Options->Refresh();
    });
  }
  if (Options->isVisible()) {
    Options->activateWindow();
    Options->raise();
    return;
  }
  PreferencesItem->setEnabled(false);
  Options->ShowFor(Doc.get());
}

void TMainForm::ShowIFSConstructor() {
  if (!IFSForm) IFSForm = new TIFSForm(Doc.get(), FHandle, this);
  if (IFSForm->isVisible()) {
    IFSForm->activateWindow();
    IFSForm->raise();
    return;
  }
  if (!IFSBackup) {
    IFSBackup = std::make_unique<TFractal>(-1, 0, 0, 0, 0, 0, nullptr);
    IFSBackup->Assign(Doc.get());
  }
  // The working set takes over in one restart.
  Doc->StopThread();
  Doc->Ctx.IFSNumber = kWorkingIFSNumber;
  Doc->SetFormula(kIFSFormula, -10, 10, 20);
  LoadSpotItem->setEnabled(false);
  SelectItem->setEnabled(false);
  IFSForm->show();
  IFSForm->activateWindow();
}

void TMainForm::IFSClosed() {
  if (!IFSBackup) return;
  IFSBackup->Ctx.IFScounter = Doc->Ctx.IFScounter;
  Doc->Assign(IFSBackup.get());
  // A compiled user formula stays the main document's.
  IFSBackup->UserModule = nullptr;
  IFSBackup.reset();
  LoadSpotItem->setEnabled(true);
  SelectItem->setEnabled(true);
  Doc->Recolor();
  PostJuliaRefresh();
}

void TMainForm::ShowIFSMovie() {
  IFSMovieForm = new TAVIifs(Doc.get(), this);
  IFSMovieForm->OnClosed = [this] {
    IFSMovieForm = nullptr;
    for (QAction* a : {IFSMovieItem, IFSConstructorItem, SelectItem, RenderMenu->menuAction()}) a->setEnabled(true);
    PostJuliaRefresh();
  };
  for (QAction* a : {IFSMovieItem, IFSConstructorItem, SelectItem, RenderMenu->menuAction()}) a->setEnabled(false);
  IFSMovieForm->show();
  IFSMovieForm->activateWindow();
}

void TMainForm::ShowAttractorMovie() {
  TAVI3Dattr* movie = TAVI3Dattr::Instance(this, Attract);
  QAction* const items[] = {AttractorMovieItem, IFSConstructorItem, SelectItem, RenderMenu->menuAction()};
  movie->OnClosed = [items] {
    for (QAction* a : items) a->setEnabled(true);
  };
  for (QAction* a : items) a->setEnabled(false);
  movie->show();
  movie->activateWindow();
}

void TMainForm::ToggleJulieWindow() {
  if (!Julia) {
    Julia = new TForm17(Doc.get(), this);
    Julia->JulieWindowChecked = [this] { return JulieWindowItem->isChecked(); };
    SetMessageRoute(MessageHandle(Julia), [this](const TMessage& m) {
      if (m.Msg == MSG_JULIA_REFRESH)
        Julia->JuliaRefresh();
      else if (m.Msg == MSG_JULIA_POINT)
        Julia->JuliaPoint(Hover.re, Hover.im);
    });
  }
  if (JulieWindowItem->isChecked())
    Julia->show();
  else
    Julia->hide();
}

void TMainForm::JuliaToggle() {
  if (!Julia) return;
  // The set of the other plane lies elsewhere: each switch shows its full view.
  if (Doc->Ctx.JulieSet && JulieWindowItem->isChecked()) {
    Doc->SetProperty(kJuliaModeProperty, false);
    ShowFullView(*Doc);
    PostJuliaRefresh();
  } else if (Julia->isVisible()) {
    Doc->SetProperty(kJuliaModeProperty, true);
    Doc->SetJuliaPoint(Hover.re, Hover.im);
    ShowFullView(*Doc);
    PostJuliaRefresh();
  }
}

void TMainForm::CloseToolWindows() {
  // The windows keep their places in the settings, which are written next;
  // they go before the main document, which some of them render with or edit.
  CloseDerivedViews();
  if (Julia) {
    Julia->close();
    SetMessageRoute(MessageHandle(Julia), nullptr);
    delete Julia;
    Julia = nullptr;
  }
  if (Attract) {
    if (Attract->isVisible()) Attract->close();
    delete Attract;
    Attract = nullptr;
  }
  if (Iter) {
    Iter->close();
    SetMessageRoute(MessageHandle(Iter), nullptr);
    delete Iter;
    Iter = nullptr;
  }
  delete Spots;
  Spots = nullptr;
  if (Select) {
    if (Select->DragWindow() && Select->DragWindow()->isVisible()) Select->DragWindow()->close();
    delete Select;
    Select = nullptr;
  }
  if (Options) {
    SetMessageRoute(MessageHandle(Options), nullptr);
    delete Options;
    Options = nullptr;
  }
  if (IFSMovieForm) IFSMovieForm->close();
  if (IFSForm) {
    if (IFSForm->isVisible()) IFSForm->close();
    delete IFSForm;
    IFSForm = nullptr;
  }
  if (IFSBackup) {
    IFSBackup->UserModule = nullptr;
    IFSBackup.reset();
  }
}

// Help.

void TMainForm::ShowHelpContents() {
  if (!Help) Help = new THelpForm(this);
  Help->ShowContents();
}

void TMainForm::ShowAbout() {
  TAboutForm about(this);
  about.exec();
}

// Close.

void TMainForm::closeEvent(QCloseEvent* event) {
  Shutdown(true);
  event->accept();
}

void TMainForm::Shutdown(bool writeSettings) {
  if (Closed) return;
  Closed = true;
  MainQueue().SetDispatcher(nullptr);
  TPaintSurface* surface = Surface();
  surface->OnMousePress = surface->OnMouseMove = surface->OnMouseRelease = surface->OnDoubleClick = nullptr;
  surface->OnKeyPress = nullptr;
  CloseToolWindows();
  if (writeSettings) {
    TSettings& s = Settings();
    TWindowState state = TWindowState::Normal;
    if (isMaximized())
      state = TWindowState::Maximized;
    else if (isMinimized())
      state = TWindowState::Minimized;
    if (state == TWindowState::Normal) s.Window = WindowPlace(this);
    s.WindowMaximized = state == TWindowState::Maximized;
    s.PaintTop = surface->y();
    s.PaintLeft = surface->x();
    s.PaintWidth = surface->width();
    s.PaintHeight = surface->height();
    try {
      WriteSettings(SettingsFileToWrite("fractal.ini"), s, state);
    } catch (const std::exception& e) {
      ShowMessage(e.what());
    }
  }
  surface->SetDocument(nullptr);
  Doc.reset();
  CloseNamedMutex(FMutexName);
  RenderMutex.reset();
}
