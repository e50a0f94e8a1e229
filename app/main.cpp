// The program: the main window over the event loop.

#include <string>

#include <QApplication>

#include "platform/dialogs_qt.h"
#include "platform/event_loop_qt.h"
#include "ui/main_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Pelmorix");
  TQtEventBridge bridge;
  InstallQtMessageHandler();

  // The first argument that is not one of Qt's own options is a file to open.
  const QStringList args = QApplication::arguments();
  const std::string file = args.size() > 1 ? args[1].toStdString() : std::string();

  TMainForm form(file);
  form.ShowAsSaved();
  return app.exec();
}
