// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's main window: the menu, the scrollable image of the main
// fractal document, mouse and keyboard navigation, the status bar, spot and
// palette files, dropped and command-line files, and the start-up and close
// of the program's settings. The window's parts are defined in files of
// their own, named in the private section: a file per menu, the navigation,
// the status bar and the files opened from outside.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QDate>
#include <QMainWindow>

#include "engine/deep_window.h"
#include "engine/view_history.h"
#include "formulas/numbers.h"
#include "platform/dialogs_qt.h"
#include "platform/messages.h"
#include "ui/coordinate_text.h"
#include "ui/image_output_qt.h"
#include "ui/main_views_form.h"
#include "ui/message_routes.h"
#include "ui/recent_files.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class TFractal;
class TImageArea;
class TNamedMutex;
class TPaintSurface;
class THelpForm;
class TForm17;
class TIFSForm;
class TAVIifs;
class TOptionsForm;
class TSelectForm;
class TCoordinatePanel;
class TAttractorForm;
class TSpotsForm;
class TIterForm;

// Messages the main window sends, receives or relays (all posted).
constexpr uint32_t MSG_OPTIONS_REFRESH = 0x8A5;      // to the preferences dialog: re-read the document
constexpr uint32_t MSG_JULIA_REFRESH = 0x79B;        // to the Julia window: re-evaluate the preview
constexpr uint32_t MSG_JULIA_POINT = 0x79C;          // to the Julia window: the hover point changed
constexpr uint32_t MSG_IFS_CLOSED = 0x631;           // from the IFS constructor: restore the document
constexpr uint32_t MSG_OPEN_IFS_FILE = 0x632;        // to itself: open the pending IFS file
constexpr uint32_t MSG_OPEN_ATTRACTOR_FILE = 0x633;  // to itself: open the pending attractor file

// The kinds a file name is opened as: each is found by searching the
// upper-cased name for ".FRS", ".FR3", ".FRP" and ".FRI" anywhere in it, each
// independently of the others; ".PNG", ".JPG" and ".JPEG" open as a spot.
struct TFileKinds {
  bool Spot = false, Attractor = false, Palette = false, IFS = false;
  bool operator==(const TFileKinds&) const = default;
};
TFileKinds ClassifyFileName(const std::string& name);

// The name the spot save dialog offers: a name holding "." loses everything
// from its first "." on (the folder is dropped, the dialog opens in its own
// folder); an empty name becomes the date as "ddmmyy".
std::string PrefilledSpotName(const std::string& current, const QDate& today);
// The spot file a chosen name saves to: the extension of its file name (from
// the last ".") replaced by "." + ext, or "." + ext added when it has none.
std::string WithExtension(const std::string& chosen, const std::string& ext);
// The zoom depth the status bar shows for a window width below 1e-15, as
// "W=1.2e-120"; empty for wider windows.
QString DepthText(Extended w);
// Render progress as the status bar shows it: done * 100 / total as
// "%5.1f" followed by "%".
QString ProgressText(intptr_t done, intptr_t total);
// The progress of a deep view's reference orbit: "Reference orbit 35.0%".
QString ReferenceProgressText(intptr_t done, intptr_t total);

// One item of "Fractal size": its tag, caption and size.
struct TSizePreset {
  int Tag;
  const char* Caption;
  int Width, Height;
};
extern const TSizePreset kSizePresets[13];

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  // Runs the window's start-up: reads "fractal.ini" from the settings folder,
  // creates the render mutex and the main document, opens `fileArgument`
  // (the first command-line argument, may be empty) and starts the first
  // render. Show the window with ShowAsSaved().
  explicit TMainForm(const std::string& fileArgument = {}, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Shows the window normal or maximised, as the settings say.
  void ShowAsSaved();

  TFractal* Document() const { return Doc.get(); }
  TImageArea* ImageArea() const { return Area; }
  TPaintSurface* Surface() const;
  THandle Handle() const { return FHandle; }
  const std::string& MutexName() const { return FMutexName; }

  // The caption the window keeps ("Pelmorix", "Pelmorix: spot1.frs") and the
  // application title, which shows the render progress ("Pelmorix:  45.0%").
  // The window title is the application title while it shows progress, else
  // the caption.
  const QString& Caption() const { return FCaption; }
  const QString& ApplicationTitle() const { return FApplicationTitle; }
  QString PanelText(int panel) const;
  int PanelWidth(int panel) const;

  // Commands, as the menu and keys run them.
  void SetImageSize(int width, int height);
  void ZoomInAt(QPoint cursor);
  void ZoomOutAt(QPoint cursor);
  void ZoomInCentre();
  void ZoomOutCentre();
  void ViewFullSet();
  void SaveSpot();
  void LoadSpot();
  void LoadPalette();
  void SavePalette();
  void PlayMovie();
  // "&Zoom movie": the spots dialog, modeless; the menus that would change
  // the document under it stay disabled until it closes.
  void ZoomMovie();
  // "&Iteration movie" (render mode) and "&View iteration movie".
  void IterationMovie(bool renderMode);
  // "&Transformation movie", "&Julie movie", "Pa&rametrical movie": their
  // dialogs, modal.
  void TransformationMovie();
  void JulieMovie();
  void ParametricMovie();
  void ShowHelpContents();
  void ShowAbout();
  // "&Select fractal": the selection dialog over the main document; on
  // "S&elect" the document takes the chosen fractal.
  void SelectFractal();
  // "&Manual...": the size dialog with the image area's size.
  void ManualSize();
  // "&Preferences": created on first use, activated when visible.
  void ShowPreferences();
  // "IFS &constructor": keeps the document in the IFS backup and lets the
  // constructor's working set drive it; focuses a visible constructor.
  void ShowIFSConstructor();
  // "I&FS movie": a new IFS movie window at every opening; the item itself,
  // "IFS &constructor", "&Select fractal" and "&Render" wait until it closes.
  void ShowIFSMovie();
  // "&3D-attractors movie": the attractor movie window (created once), with
  // the same entries waiting until it closes.
  void ShowAttractorMovie();
  // "&3D view": created on first use, activated when visible.
  void Show3DView();
  // "Anti-Aliasing": created on first use and shown.
  void ShowAntiAliasing();
  // "&Julie window": shows or hides the Julia window (created on first use).
  void ToggleJulieWindow();
  // The Enter key: switches Julia mode with the Julia window.
  void JuliaToggle();
  // Writes the "DrawSize" section and then the document's spot into `path`.
  void SaveSpotTo(const std::string& path);
  // Loads a spot as "Load spot..." does; `applyDrawSize` resizes the image
  // to the file's "DrawSize" first (300 x 300 when it has none).
  void LoadSpotFrom(const std::string& path, bool applyDrawSize);
  // A file named on the command line, or dropped on the window.
  void OpenFileArgument(const std::string& name);
  void OpenDroppedFile(const std::string& path);
  // An entry of "Rece&nt files": opened as "&Load spot..." or a dropped file
  // opens it; one that is gone is said so and leaves the list.
  void OpenRecentFile(const std::string& path);
  // "&Undo" and "&Redo" of the Edit menu: the document's previous or next
  // view and parameters (engine/view_history.h).
  void UndoView();
  void RedoView();
  // "F&ull screen".
  void ToggleFullScreen();
  const TViewHistory& ViewHistory() const { return History; }
  const TRecentFiles& RecentFiles() const { return Recent; }

  // The windows the main window drives (null until first used; the
  // selection dialog exists from the start).
  TSelectForm* SelectDialog() const { return Select; }
  TAttractorForm* AttractorWindow() const { return Attract; }
  TForm17* JuliaWindow() const { return Julia; }
  TOptionsForm* PreferencesDialog() const { return Options; }
  TIFSForm* IFSConstructor() const { return IFSForm; }
  TAVIifs* IFSMovieWindow() const { return IFSMovieForm; }
  TForm3D* View3DWindow() const { return Views->View3D(); }
  TAAForm* AntiAliasWindow() const { return Views->AntiAlias(); }
  TSpotsForm* SpotsDialog() const { return Spots; }
  TIterForm* IterationWindow() const { return Iter; }
  // The complex point under the mouse, kept while the Julia window is visible.
  TComplexExt HoverPoint() const { return Hover; }

  // Windows of the program that receive posted messages register here; the
  // main window's dispatcher hands them their messages.
  void SetMessageRoute(THandle target, std::function<void(const TMessage&)> handler) {
    Routes.Set(target, std::move(handler));
  }

  // The dialogs' settings and the names they keep between uses.
  TFileDialog SpotSaveDialog, SpotOpenDialog, PaletteOpenDialog, PaletteSaveDialog, VideoOpenDialog;
  // Dialogs of image output (save image, wallpaper, printing).
  TDialogHooks ImageHooks;
  // Hands a clip to the desktop's player.
  std::function<void(const std::string& path)> OpenWithShell;
  // The date file names are pre-filled with.
  std::function<QDate()> Today;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Coming back to the window takes in what another window changed without
  // a render (a palette), so that undo can go back from it.
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  static constexpr const char* kProgramTitle = "Pelmorix";
  static constexpr int kMinImageSize = 2;  // the pixel step divides by width - 1

  // Start-up, message dispatch and close (main_form.cpp).
  void ApplySettings();
  void BuildMenu();
  void Dispatch(const TMessage& message);
  void RenderDone();
  void Shutdown(bool writeSettings);
  void CloseToolWindows();

  // The status bar and the title (main_status_bar_form.cpp).
  void BuildStatusBar();
  // A render's progress in the second panel and the title.
  void ShowProgress(const QString& text);
  // The document's iteration limit in the first panel.
  void ShowMaxIter(const TFractal& doc);
  void SetCaption(const QString& caption);
  // The caption of a window showing the file `path`: "Pelmorix: spot1.frs".
  void SetFileCaption(const std::string& path);
  void SetApplicationTitle(const QString& title);
  void UpdateWindowTitle();
  void SetPanel(int panel, const QString& text);
  // SetPanel with the panel as wide as its text, never narrower than `least`.
  void FitPanel(int panel, const QString& text, int least);

  // Navigation: keys, mouse and zoom (main_navigation_form.cpp).
  bool HandleKey(QKeyEvent* event);
  void MousePress(QMouseEvent* event);
  void MouseMove(QMouseEvent* event);
  void MouseRelease(QMouseEvent* event);
  void MouseDoubleClick(QMouseEvent* event);
  QPoint CursorOnSurface() const;
  void Pan(int dx, int dy, Qt::KeyboardModifiers modifiers);
  // Moves the document's view by `move`, in steps of W / (Width - 1).
  void MoveView(TViewMove move);

  // A spot or palette that is not there would load as all defaults under
  // its name: says so instead (main_file_names_form.cpp).
  static bool FileThere(const std::string& path);

  // The menus, each in a file of its own: main_file_menu_form.cpp,
  // main_fractal_menu_form.cpp, main_render_menu_form.cpp,
  // main_options_menu_form.cpp, main_help_menu_form.cpp.
  void BuildFileMenu();
  void FileMenuOpens();
  void AfterSpotLoaded(const std::string& path);

  void BuildFractalMenu();
  void SmoothingMenuOpens();
  void IFSClosed();
  // "3D &attractors": created on first use, then shown.
  void ShowAttractors();

  void BuildRenderMenu();
  void RenderMenuOpens();
  void SpotsClosed();

  void BuildOptionsMenu();
  void BuildSizeMenu(QMenu* options);
  void SizeMenuOpens();
  void OptionsMenuOpens();
  void LoadPaletteFile(const std::string& path, bool recolor);
  void PostOptionsRefresh();

  void BuildHelpMenu();

  // The Edit menu: undo and redo of the view (main_edit_menu_form.cpp).
  void BuildEditMenu();
  // Keeps the document's state in the history after a change; nothing while
  // another window drives the document.
  void RecordView();
  void UpdateUndoItems();
  // Undo or redo, with the windows that show the document told.
  void StepView(bool (TViewHistory::*step)(TFractal&));
  // Whether the IFS constructor or the IFS movie drives the document now.
  bool DocumentLent() const;

  // The list of recent files (main_recent_files_form.cpp) and its menu
  // (main_recent_menu_form.cpp), after "&Load spot...".
  void AddRecentFile(const std::string& path);
  void SaveRecentFiles();
  void BuildRecentMenu();
  void RecentMenuOpens();

  // The Julia window (main_julia_window_form.cpp).
  void PostJuliaRefresh();

  // Files named on the command line or dropped (main_open_files_form.cpp).
  void OpenIFSFile(const std::string& path);
  void OpenAttractorFile(const std::string& path);

  std::unique_ptr<TFractal> Doc;
  TImageArea* Area = nullptr;
  QLabel* Panels[4] = {};
  TCoordinatePanel* PositionPanel = nullptr;  // Panels[2]
  THandle FHandle = 0;
  std::string FMutexName;
  std::shared_ptr<TNamedMutex> RenderMutex;
  QString FCaption, FApplicationTitle;
  bool Closed = false;
  bool StartMaximized = false;
  std::string PendingIFSFile, PendingAttractorFile;
  TMessageRoutes Routes;
  THelpForm* Help = nullptr;
  TSelectForm* Select = nullptr;
  TForm17* Julia = nullptr;
  TOptionsForm* Options = nullptr;
  TIFSForm* IFSForm = nullptr;
  // The document as it was before the IFS constructor took it over.
  std::unique_ptr<TFractal> IFSBackup;
  TAVIifs* IFSMovieForm = nullptr;  // while open; it frees itself on close
  std::unique_ptr<TMainViews> Views;
  TAttractorForm* Attract = nullptr;
  TSpotsForm* Spots = nullptr;
  TIterForm* Iter = nullptr;
  TComplexExt Hover;
  TViewHistory History;
  TRecentFiles Recent;

  // The rubber band of a zoom drag, in surface pixels.
  bool Dragging = false;
  int32_t BandLeft = 0, BandTop = 0, BandWidth = 0, BandHeight = 0;

  QAction* SaveSpotItem = nullptr;
  QAction* LoadSpotItem = nullptr;
  QAction* ManualSizeItem = nullptr;
  QAction* SelectItem = nullptr;
  QAction* PreferencesItem = nullptr;
  QAction* JulieWindowItem = nullptr;
  QAction* ZoomMovieItem = nullptr;
  QAction* TransformationMovieItem = nullptr;
  QAction* JulieMovieItem = nullptr;
  QAction* IFSConstructorItem = nullptr;
  QAction* IFSMovieItem = nullptr;
  QAction* AttractorMovieItem = nullptr;
  QAction* IterationMovieItem = nullptr;
  QAction* ParamMovieItem = nullptr;
  QAction* ViewIterationItem = nullptr;
  QAction* UndoItem = nullptr;
  QAction* RedoItem = nullptr;
  QAction* FullScreenItem = nullptr;
  QMenu* RecentMenu = nullptr;
  QMenu* RenderMenu = nullptr;
  QMenu* OptionsMenu = nullptr;
  QMenu* FileMenu = nullptr;
  QMenu* SizeMenu = nullptr;
  QMenu* SmoothingMenu = nullptr;
  QActionGroup* SizeGroup = nullptr;
  QActionGroup* SmoothingGroup = nullptr;
};
