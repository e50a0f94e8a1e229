// The program: the main window over the event loop.

#include <QApplication>
#include <QLabel>

#include "platform/event_loop_qt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Pelmorix");
  TQtEventBridge bridge;
  QLabel label("Pelmorix");
  label.show();
  return app.exec();
}
