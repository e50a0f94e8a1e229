// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_output_qt.h"

#include <sys/stat.h>

#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QScreen>

#include "engine/fractal.h"
#include "platform/atomic_file.h"
#include "platform/canvas_qt.h"
#include "platform/dialogs_qt.h"
#include "ui/image_file.h"
#include "ui/printer_setup_form.h"
#include "ui/settings.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::runtime_error PrintFailure(const char* text) {
  return std::runtime_error(QCoreApplication::translate("Print", text).toStdString());
}

// The program's save dialog, with the default extension following the type.
std::optional<TSaveFileChoice> DefaultChooseSaveFile(QWidget* parent, const TSaveFileRequest& r) {
  TFileDialog dialog;
  dialog.Title = r.Title;
  dialog.Filter = r.Filter;
  dialog.FilterIndex = r.FilterIndex;
  dialog.ExtFollowsFilter = true;
  dialog.InitialDir = r.InitialDir;
  dialog.FileName = r.FileName;
  dialog.OverwritePrompt = true;
  if (!RunSaveDialog(dialog, parent)) return std::nullopt;
  return TSaveFileChoice{dialog.FileName, dialog.FilterIndex};
}

bool DefaultConfirm(QWidget* parent, const std::string& caption, const std::string& text) {
  return QMessageBox::question(parent, Q(caption), MessageText(text), QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

void DefaultWarn(QWidget* parent, const std::string& caption, const std::string& text) {
  QMessageBox::warning(parent, Q(caption), MessageText(text), QMessageBox::Ok);
}

void DefaultInform(QWidget* parent, const std::string& caption, const std::string& text) {
  QMessageBox::information(parent, Q(caption), MessageText(text), QMessageBox::Ok);
}

bool DefaultRetryCancel(QWidget* parent, const std::string& caption, const std::string& text) {
  QMessageBox box(QMessageBox::Critical, Q(caption), MessageText(text), QMessageBox::Retry | QMessageBox::Cancel,
                  parent);
  box.setDefaultButton(QMessageBox::Retry);
  return box.exec() == QMessageBox::Retry;
}

bool DefaultSetupPrinter(QWidget* parent, QPrinter& printer) {
  TPrinterSetupForm dialog(printer, QPrinterInfo::availablePrinterNames(), parent);
  return dialog.exec() == QDialog::Accepted;
}

TCommandResult DefaultRunCommand(const std::vector<std::string>& args) {
  TCommandResult result;
  if (args.empty()) return {127, {}};
  QProcess process;
  QStringList rest;
  for (size_t i = 1; i < args.size(); ++i) rest << Q(args[i]);
  process.start(Q(args[0]), rest);
  if (!process.waitForStarted(10000)) return {127, {}};
  process.closeWriteChannel();
  if (!process.waitForFinished(30000)) {
    process.kill();
    process.waitForFinished(1000);
    return {124, {}};  // timed out, as timeout(1) reports it
  }
  result.Output = process.readAllStandardOutput().toStdString();
  result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 128;
  return result;
}

std::string DefaultCurrentDesktop() { return qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString(); }

QSize DefaultScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {1024, 768};
  return screen->geometry().size() * screen->devicePixelRatio();
}

// Shows the wait cursor until it goes out of scope.
class TWaitCursor {
 public:
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Draws a document's bitmap through a painter that is already active, so
// that a print job is one painter from start to end.
class TPainterCanvas : public TCanvas {
 public:
  explicit TPainterCanvas(QPainter& painter) : Painter(painter) {}
  void DrawBitmap(const TBitmapInfoHeader& header, const uint8_t* bits, const TRect& source,
                  const TRect& target) override {
    if (!bits) return;
    const QImage memory = BitmapImage(header, bits);
    const QRect src(source.Left, header.biHeight - source.Top - source.Height, source.Width, source.Height);
    Painter.save();
    Painter.translate(target.Left, target.Top + target.Height);
    Painter.scale(1, -1);
    Painter.drawImage(QRect(0, 0, target.Width, target.Height), memory, src);
    Painter.restore();
  }
  void SetPixel(int32_t x, int32_t y, TColor3 color) override {
    Painter.setPen(QColor(color.Red, color.Green, color.Blue));
    Painter.drawPoint(x, y);
  }

 private:
  QPainter& Painter;
};

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Writes a BMP of any width through the atomic writer.
void SavePackedBitmap(const std::string& path, const QImage& image) {
  const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
  WriteFileAtomic(path, PackedBitmapFileBytes(bgr.width(), bgr.height(), bgr.constBits(),
                                              size_t(bgr.bytesPerLine())));
}

}  // namespace

const TDialogHooks& DefaultDialogHooks() {
  static const TDialogHooks hooks{DefaultChooseSaveFile, DefaultConfirm,       DefaultWarn,
                                  DefaultInform,         DefaultRetryCancel,   DefaultSetupPrinter,
                                  DefaultRunCommand,     DefaultCurrentDesktop, DefaultScreenSize};
  return hooks;
}

TDialogHooks CompleteHooks(TDialogHooks h) {
  const TDialogHooks& d = DefaultDialogHooks();
  if (!h.ChooseSaveFile) h.ChooseSaveFile = d.ChooseSaveFile;
  if (!h.Confirm) h.Confirm = d.Confirm;
  if (!h.Warn) h.Warn = d.Warn;
  if (!h.Inform) h.Inform = d.Inform;
  if (!h.RetryCancel) h.RetryCancel = d.RetryCancel;
  if (!h.SetupPrinter) h.SetupPrinter = d.SetupPrinter;
  if (!h.RunCommand) h.RunCommand = d.RunCommand;
  if (!h.CurrentDesktop) h.CurrentDesktop = d.CurrentDesktop;
  if (!h.ScreenSize) h.ScreenSize = d.ScreenSize;
  return h;
}

QImage DocumentImage(TFractal& doc) {
  if (!doc.ImageBuffer() || doc.Width <= 0 || doc.Height <= 0) return {};
  QImage image(doc.Width, doc.Height, QImage::Format_RGB32);
  image.fill(Qt::black);
  TQtCanvas canvas(&image);
  doc.PaintTo(&canvas, doc.Width, doc.Height);
  return image;
}

namespace {

// The save dialog; `lockBits` (when set) guards the bytes while they are
// encoded, for an image a render may still be drawing.
bool SaveBitsDialog(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                    const TImageText& text, QWidget* parent, TImageSaveState& state, const TDialogHooks& given,
                    const std::function<std::unique_lock<std::mutex>()>& lockBits) {
  if (!bits) return false;
  const TDialogHooks hooks = CompleteHooks(given);
  if (state.FileName.find('.') != std::string::npos) state.FileName = SaveDialogInitialName(state.FileName);

  TSaveFileRequest request{state.Title, kSaveImageFilter, state.InitialDir, state.FileName, 1};
  const std::optional<TSaveFileChoice> choice = hooks.ChooseSaveFile(parent, request);
  if (!choice || choice->Path.empty()) return false;
  state.InitialDir = FolderPart(choice->Path);

  const int index = SavedTypeIndex(kSaveImageFilter, choice->FilterIndex, choice->Path);
  const TImageType type = index == 2 ? TImageType::Bitmap : index == 3 ? TImageType::Png : TImageType::Jpeg;
  const std::string path = ImageFileName(choice->Path, type);
  state.FileName = path;
  // The dialog asked about the name it was given; a file under the corrected
  // name would otherwise be replaced without a word.
  if (path != choice->Path && FileExists(path) && !hooks.Confirm(parent, kProgramCaption, ReplaceFileQuestion(path)))
    return false;

  if (type != TImageType::Bitmap) {
    try {
      TWaitCursor wait;
      const std::unique_lock<std::mutex> guard = lockBits ? lockBits() : std::unique_lock<std::mutex>();
      if (type == TImageType::Png)
        SavePngFile(path, header, bits, width, height, text);
      else
        SaveJpegFile(path, header, bits, width, height, Settings().JpegQuality, Settings().JpegProgressive,
                     SpotTextOf(text));
    } catch (const std::exception& e) {
      hooks.Warn(parent, kProgramCaption, e.what());
      return false;
    }
  } else {
    try {
      TWaitCursor wait;
      const std::unique_lock<std::mutex> guard = lockBits ? lockBits() : std::unique_lock<std::mutex>();
      SaveBitmapFile(path, header, bits);
    } catch (const std::exception& e) {
      hooks.Warn(parent, kProgramCaption, SaveBitmapErrorMessage(e.what()));
      return false;
    }
  }
  return true;
}

}  // namespace

bool SaveImageDialog(TFractal& doc, QWidget* parent, const TDialogHooks& hooks) {
  if (!doc.ImageBuffer()) return false;
  return SaveBitsDialog(doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height, SpotImageText(doc), parent,
                        ImageSaveState(), hooks, [&doc] { return doc.LockBuffers(); });
}

bool SaveImageDialog(const TBitmapInfoHeader& header, const uint8_t* bits, int32_t width, int32_t height,
                     QWidget* parent, TImageSaveState& state, const TDialogHooks& hooks, const TImageText& text) {
  return SaveBitsDialog(header, bits, width, height, text, parent, state, hooks, nullptr);
}

bool CopyImageToClipboard(TFractal& doc) {
  const QImage image = DocumentImage(doc);
  if (image.isNull()) return false;
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setImage(image);
  return true;
}

QImage CenteredWallpaperImage(const QImage& image, QSize screen, QColor background) {
  QImage out(screen, QImage::Format_RGB32);
  out.fill(background);
  const TOffset at = CenteredOffset(screen.width(), screen.height(), image.width(), image.height());
  QPainter p(&out);
  p.drawImage(QPoint(at.X, at.Y), image);
  return out;
}

bool SetWallpaper(TFractal& doc, QWidget* parent, bool tiled, const TDialogHooks& given) {
  const TDialogHooks hooks = CompleteHooks(given);
  if (!hooks.Confirm(parent, kProgramCaption, kWallpaperQuestion)) return false;
  const QImage image = DocumentImage(doc);
  if (image.isNull()) return false;

  std::string path;
  try {
    path = WallpaperPath();
    if (tiled) {
      SavePackedBitmap(path, image);
    } else {
      QSize screen = hooks.ScreenSize();
      if (screen.width() <= 0 || screen.height() <= 0) screen = image.size();
      // The desktop's colour shows around the image; black is what a bare
      // desktop shows.
      SavePackedBitmap(path, CenteredWallpaperImage(image, screen, Qt::black));
    }
  } catch (const std::exception& e) {
    hooks.Warn(parent, kProgramCaption, SaveBitmapErrorMessage(e.what()));
    return false;
  }

  const TDesktopKind desktop = DesktopKindOf(hooks.CurrentDesktop());
  if (desktop == TDesktopKind::Unknown) {
    hooks.Inform(parent, kProgramCaption, UnknownDesktopMessage(path));
    return false;
  }
  std::string xfceProperties;
  if (desktop == TDesktopKind::Xfce) {
    const TCommandResult list = hooks.RunCommand({"xfconf-query", "-c", "xfce4-desktop", "-l"});
    if (list.ExitCode == 0) xfceProperties = list.Output;
  }
  for (const TCommand& command : WallpaperCommands(desktop, path, tiled, xfceProperties)) {
    const TCommandResult result = hooks.RunCommand(command.Args);
    if (result.ExitCode != 0 && !command.MayFail) {
      QApplication::beep();
      hooks.Warn(parent, kProgramCaption, WallpaperErrorMessage(result.ExitCode));
      return false;
    }
  }
  return true;
}

QPrinter& ProgramPrinter() {
  static QPrinter printer(QPrinter::HighResolution);
  return printer;
}

bool PrintImage(TFractal& doc, QWidget* parent, const TDialogHooks& given, QPrinter* printer) {
  const TDialogHooks hooks = CompleteHooks(given);
  QPrinter& target = printer ? *printer : ProgramPrinter();
  if (!doc.ImageBuffer()) return false;

  int screenDpiX = 96, screenDpiY = 96;
  if (parent) {
    screenDpiX = parent->logicalDpiX();
    screenDpiY = parent->logicalDpiY();
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    screenDpiX = int(std::lround(screen->logicalDotsPerInchX()));
    screenDpiY = int(std::lround(screen->logicalDotsPerInchY()));
  }

  for (;;) {
    QPainter painter;
    try {
      // Qt falls back to an unnamed PDF file when the system has no printer.
      if (target.outputFormat() == QPrinter::PdfFormat && target.outputFileName().isEmpty())
        throw PrintFailure(
            QT_TRANSLATE_NOOP("Print", "No printer is chosen: choose one with Printer setup in the File menu."));
      if (!painter.begin(&target))
        throw PrintFailure(QT_TRANSLATE_NOOP("Print", "The print job could not be started."));
      const int32_t width = PrintExtent(doc.Width, target.logicalDpiX(), screenDpiX);
      const int32_t height = PrintExtent(doc.Height, target.logicalDpiY(), screenDpiY);
      TPainterCanvas canvas(painter);
      doc.PaintTo(&canvas, width, height);
      if (!painter.end()) throw PrintFailure(QT_TRANSLATE_NOOP("Print", "The print job could not be finished."));
      return true;
    } catch (const std::exception& e) {
      if (painter.isActive()) {
        target.abort();
        painter.end();
      }
      if (!hooks.RetryCancel(parent, kPrintCaption, PrintErrorMessage(e.what()))) return false;
    }
  }
}

bool PrinterSetup(QWidget* parent, const TDialogHooks& given) {
  const TDialogHooks hooks = CompleteHooks(given);
  return hooks.SetupPrinter(parent, ProgramPrinter());
}
