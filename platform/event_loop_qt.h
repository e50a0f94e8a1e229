// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serves the main-thread queue from Qt's event loop: every post or
// synchronised call from a worker wakes the loop, which then runs the calls
// and dispatches the posted messages on the main thread.

#include <QObject>

#include "platform/messages.h"

class TQtEventBridge : public QObject {
  Q_OBJECT
 public:
  // Binds the program's queue to the calling (GUI) thread and installs the
  // wake-up. Create it once, on the GUI thread, after the QApplication.
  explicit TQtEventBridge(QObject* parent = nullptr);
  ~TQtEventBridge() override;

 protected:
  bool event(QEvent* e) override;
};
