// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/event_loop_qt.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

const QEvent::Type kServeQueueEvent = QEvent::Type(QEvent::registerEventType());

}  // namespace

TQtEventBridge::TQtEventBridge(QObject* parent) : QObject(parent) {
  MainQueue().BindToCurrentThread();
  MainQueue().SetWakeup([this] { QCoreApplication::postEvent(this, new QEvent(kServeQueueEvent)); });
}

TQtEventBridge::~TQtEventBridge() { MainQueue().SetWakeup(nullptr); }

bool TQtEventBridge::event(QEvent* e) {
  if (e->type() != kServeQueueEvent) return QObject::event(e);
  MainQueue().ProcessPending();
  return true;
}
