// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image output of the main window on Qt: "Save image", "Save to clipboard",
// "Wallpaper", "Print" and "Printer setup". Every dialog goes through a
// TDialogHooks, whose defaults show the real dialogs; tests replace them.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

#include "platform/bitmap.h"
#include "ui/image_file.h"
#include "ui/image_output.h"

class QPrinter;
class QWidget;
class TFractal;

struct TSaveFileRequest {
  std::string Title;
  std::string Filter;      // "Text (*.x)|*.x|..." pairs
  std::string InitialDir;
  std::string FileName;    // offered name
  int FilterIndex = 1;     // 1-based, as the type selector counts
};
struct TSaveFileChoice {
  std::string Path;
  int FilterIndex = 1;  // the type chosen, 1-based
};

struct TCommandResult {
  int ExitCode = 0;    // 127 when the program could not be started
  std::string Output;  // standard output
};

struct TDialogHooks {
  // Save dialog with a type selector, overwrite prompt and a default
  // extension following the type; nullopt on cancel.
  std::function<std::optional<TSaveFileChoice>(QWidget* parent, const TSaveFileRequest& request)> ChooseSaveFile;
  // Yes/No question with a question icon; true for Yes.
  std::function<bool(QWidget* parent, const std::string& caption, const std::string& text)> Confirm;
  // Warning with an OK button.
  std::function<void(QWidget* parent, const std::string& caption, const std::string& text)> Warn;
  // Information with an OK button.
  std::function<void(QWidget* parent, const std::string& caption, const std::string& text)> Inform;
  // Stop icon with Retry and Cancel; true for Retry.
  std::function<bool(QWidget* parent, const std::string& caption, const std::string& text)> RetryCancel;
  // "Printer setup": chooses and configures the printer; false on cancel.
  std::function<bool(QWidget* parent, QPrinter& printer)> SetupPrinter;
  // Runs a program without a shell and waits for it.
  std::function<TCommandResult(const std::vector<std::string>& args)> RunCommand;
  // The desktop's XDG_CURRENT_DESKTOP.
  std::function<std::string()> CurrentDesktop;
  // The screen's size in pixels for "Centered".
  std::function<QSize()> ScreenSize;
};
// Real dialogs, QProcess, the environment and the primary screen.
const TDialogHooks& DefaultDialogHooks();

// Every hook of `hooks` that is empty taken from DefaultDialogHooks().
TDialogHooks CompleteHooks(TDialogHooks hooks);

// The document's visible image (Width x Height) drawn through its PaintTo.
// Null when the document has no image.
QImage DocumentImage(TFractal& doc);

// "Save image": asks for the file with `state` (the main image uses
// ImageSaveState()) and writes a JPEG with Settings()' quality and
// progressive flag, the padded BMP, or a PNG that names the spot in its text
// (formula, window, iterations). Failures are shown; no partial file is left.
// True when a file was written.
bool SaveImageDialog(TFractal& doc, QWidget* parent, const TDialogHooks& hooks = DefaultDialogHooks());
// The same for any bottom-up 24-bit bitmap whose visible part is width x
// height (3D view, anti-aliasing and attractor windows); its PNG carries
// `text`, by default only the program's name.
bool SaveImageDialog(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                     QWidget* parent, TImageSaveState& state, const TDialogHooks& hooks = DefaultDialogHooks(),
                     const TImageText& text = {{"Software", "Pelmorix"}});

// "Save to clipboard": the visible image as a bitmap on the clipboard.
bool CopyImageToClipboard(TFractal& doc);

// "Wallpaper" > "Tiled" / "Centered". True when the desktop took it.
bool SetWallpaper(TFractal& doc, QWidget* parent, bool tiled, const TDialogHooks& hooks = DefaultDialogHooks());
// The screen-size bitmap of "Centered": `image` at CenteredOffset on a
// `background`-filled picture.
QImage CenteredWallpaperImage(const QImage& image, QSize screen, QColor background);

// The printer "Printer setup" configures and "Print" uses.
QPrinter& ProgramPrinter();
// "Print": the image at once at its physical screen size on `printer`
// (default: ProgramPrinter(), as "Printer setup" left it), with a
// Retry/Cancel loop on errors. True when printed.
bool PrintImage(TFractal& doc, QWidget* parent, const TDialogHooks& hooks = DefaultDialogHooks(),
                QPrinter* printer = nullptr);
// "Printer setup".
bool PrinterSetup(QWidget* parent, const TDialogHooks& hooks = DefaultDialogHooks());
