// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the window tests on Qt's offscreen platform unless another is asked for.

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/event_loop_qt.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  TQtEventBridge bridge;
  return RUN_ALL_TESTS();
}
