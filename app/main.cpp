// SPDX-License-Identifier: GPL-3.0-or-later
// The program: the main window over the event loop. "--help" and "--version"
// answer before any display is opened; a usage error exits with 2, as the
// batch renderer's do.

#include <cstdio>
#include <string>

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCursor>
#include <QIcon>

#include "engine/user_formula.h"
#include "platform/dialogs_qt.h"
#include "platform/event_loop_qt.h"
#include "platform/program_info.h"
#include "platform/translations_qt.h"
#include "ui/main_form.h"

namespace {

constexpr int kUsageError = 2;

QString Tr(const char* text) { return QCoreApplication::translate("pelmorix", text); }

struct TCommandLine {
  QCommandLineParser Parser;
  QCommandLineOption Help{{"h", "help"}, Tr("Show this help and exit.")};
  QCommandLineOption Version{{"v", "version"}, Tr("Show the version and licence and exit.")};

  TCommandLine() {
    Parser.setApplicationDescription(Tr("Pelmorix, a fractal explorer."));
    Parser.addOption(Help);
    Parser.addOption(Version);
    Parser.addPositionalArgument(Tr("file"), Tr("A spot, palette, IFS or attractor file to open."), Tr("[file]"));
  }
};

void Print(std::FILE* to, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), to);
  std::fflush(to);
}

// "--help" and "--version", read without a display; -1 when the program is
// to start its window. Qt's own options are not known here yet: the window's
// application takes them off before the arguments are checked again.
int AnswerWithoutDisplay(int argc, char** argv) {
  QCoreApplication core(argc, argv);
  TCommandLine line;
  line.Parser.parse(QCoreApplication::arguments());
  if (line.Parser.isSet(line.Help)) {
    // The usage line names the program as it is called from a path.
    Print(stdout, line.Parser.helpText().replace(QCoreApplication::arguments().constFirst(), "pelmorix"));
    return 0;
  }
  if (line.Parser.isSet(line.Version)) {
    Print(stdout, QString("pelmorix %1\n").arg(ProgramVersion()) + QString::fromStdString(LicenceNotice()));
    return 0;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = AnswerWithoutDisplay(argc, argv); status >= 0) return status;

  QApplication app(argc, argv);
  QApplication::setApplicationName("Pelmorix");
  InstallTranslations(app);
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) icon.addFile(QString(":/icons/pelmorix-%1.png").arg(size));
  QApplication::setWindowIcon(icon);
  TCommandLine line;
  if (!line.Parser.parse(QApplication::arguments())) {
    Print(stderr, "pelmorix: " + line.Parser.errorText() + "\n" + Tr("Try 'pelmorix --help' for more information.") +
                      "\n");
    return kUsageError;
  }

  TQtEventBridge bridge;
  InstallQtMessageHandler();
  // The compiler runs on the main thread: show that the program is busy.
  SetBusyCursorHandler([](bool busy) {
    if (busy)
      QApplication::setOverrideCursor(Qt::WaitCursor);
    else
      QApplication::restoreOverrideCursor();
  });

  // The first argument that is not one of Qt's own options is a file to open.
  const QStringList files = line.Parser.positionalArguments();
  const std::string file = files.isEmpty() ? std::string() : files.front().toStdString();

  TMainForm form(file);
  form.ShowAsSaved();
  return app.exec();
}
