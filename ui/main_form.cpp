// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_form.h"

#include <algorithm>
#include <clocale>
#include <string>

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>

#include "attractors/attractor_form.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "ifs/ifs_form.h"
#include "movies/ifs_movie_form.h"
#include "movies/iter_form.h"
#include "movies/spots_form.h"
#include "platform/dialogs.h"
#include "platform/named_mutex.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "engine/options_form.h"
#include "ui/image_area_form.h"
#include "ui/julia_form.h"
#include "ui/param_form.h"
#include "ui/select_form.h"
#include "ui/settings.h"
#include "ui/window_place_qt.h"

namespace {

constexpr const char* kSpotFilter = QT_TRANSLATE_NOOP("FileDialog", "Fractal spots (*.frs)|*.frs|All files (*.*)|*.*");
// A picture the program saved opens as the spot it holds.
constexpr const char* kSpotOpenFilter = QT_TRANSLATE_NOOP(
    "FileDialog",
    "Fractal spots and pictures (*.frs;*.png;*.jpg;*.jpeg)|*.frs;*.png;*.jpg;*.jpeg|Fractal spots (*.frs)|*.frs|"
    "All files (*.*)|*.*");
constexpr const char* kPaletteFilter = QT_TRANSLATE_NOOP("FileDialog", "Fractal palette files (*.frp)|*.frp");
constexpr const char* kVideoFilter = QT_TRANSLATE_NOOP("FileDialog", "Video for Windows files (*.avi)|*.avi");
constexpr int kMinWindowSize = 200;

// Without stored bounds the window opens around a 300 x 300 image area.
constexpr int kInitialAreaSize = 300;

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
  BuildStatusBar();
  BuildMenu();
  resize(kInitialAreaSize, kInitialAreaSize + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());

  if (QScreen* s = screen(); s && s->depth() < 15)
    ShowMessage(QT_TRANSLATE_NOOP(
        "Message",
        "Pelmorix designed for 32-64K or 16M colors !\r\nYour display is configured for less colors -\r\n"
        "fractal-sets is not look beautiful !"));

  // Numbers are written and read with "." whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());

  const std::string folder = DocumentFolder();
  for (TFileDialog* d : {&SpotSaveDialog, &SpotOpenDialog, &PaletteOpenDialog, &PaletteSaveDialog})
    d->InitialDir = folder;
  ImageSaveState().InitialDir = folder;
  SetUp(SpotSaveDialog, QT_TRANSLATE_NOOP("FileDialog", "Save current spot"), kSpotFilter, "frs", false);
  SetUp(SpotOpenDialog, QT_TRANSLATE_NOOP("FileDialog", "Open fractal spot"), kSpotOpenFilter, "frs", true);
  SetUp(PaletteOpenDialog, QT_TRANSLATE_NOOP("FileDialog", "Open palette"), kPaletteFilter, "frp", true);
  SetUp(PaletteSaveDialog, QT_TRANSLATE_NOOP("FileDialog", "Save current palette"), kPaletteFilter, "frp", false);
  SetUp(VideoOpenDialog, QT_TRANSLATE_NOOP("FileDialog", "Open video"), kVideoFilter, "avi", true);
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
  // Without a stored size the image fills the area, pixel for device pixel.
  const qreal ratio = devicePixelRatioF();
  const int areaWidth = int(width() * ratio);
  const int areaHeight = int((height() - menuBar()->sizeHint().height() - statusBar()->sizeHint().height()) * ratio);
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
    RecordView();
  };
  // The automatic limit of a deep view is chosen once its render has begun.
  Doc->OnParamsChanged = [this](TFractal* d) { ShowMaxIter(*d); };
  Views = std::make_unique<TMainViews>(*Doc, ImageHooks, Routes, this);
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
  Recent.Read(TProfileFile(SettingsFile("fractal.ini")));
  RecentMenu->setEnabled(!Recent.Files().empty());
  TFractal::UseFastArithmetic = s.FastArithmetic;
}

void TMainForm::ShowAsSaved() {
  if (StartMaximized)
    showMaximized();
  else
    show();
}

void TMainForm::BuildMenu() {
  BuildFileMenu();
  BuildRecentMenu();
  BuildEditMenu();
  BuildFractalMenu();
  BuildRenderMenu();
  BuildOptionsMenu();
  BuildHelpMenu();
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
  Routes.Deliver(m);
}

void TMainForm::RenderDone() {
  Views->RefreshView3D();
  SetApplicationTitle(kProgramTitle);
}

void TMainForm::CloseToolWindows() {
  // The windows keep their places in the settings, which are written next;
  // they go before the main document, which some of them render with or edit.
  Views->Close();
  if (Julia) {
    Julia->close();
    Routes.Set(MessageHandle(Julia), nullptr);
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
    Routes.Set(MessageHandle(Iter), nullptr);
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
    Routes.Set(MessageHandle(Options), nullptr);
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
    // Full screen is no bounds of the window's own: the stored ones stay.
    if (state == TWindowState::Normal && !isFullScreen()) s.Window = WindowPlace(this);
    s.WindowMaximized = state == TWindowState::Maximized;
    s.PaintTop = surface->y();
    s.PaintLeft = surface->x();
    s.PaintWidth = surface->ImageWidth();
    s.PaintHeight = surface->ImageHeight();
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
