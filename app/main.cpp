// SPDX-License-Identifier: GPL-3.0-or-later
// The program: the main window over the event loop.

#include <string>

#include <QApplication>
#include <QCursor>

#include "engine/user_formula.h"
#include "platform/dialogs_qt.h"
#include "platform/event_loop_qt.h"
#include "platform/translations_qt.h"
#include "ui/main_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Pelmorix");
  InstallTranslations(app);
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
  const QStringList args = QApplication::arguments();
  const std::string file = args.size() > 1 ? args[1].toStdString() : std::string();

  TMainForm form(file);
  form.ShowAsSaved();
  return app.exec();
}
