// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Driving the movie makers in tests: answering the next modal dialog.

#include <cstdint>
#include <functional>

#include <QApplication>
#include <QTimer>

// Runs `act` on the next modal dialog of type T once it is shown (gives up
// after 20 s). Call it before the action that opens the dialog.
template <class T>
void OnModal(std::function<void(T*)> act) {
  auto* poll = new QTimer;
  auto* waited = new int(0);
  QObject::connect(poll, &QTimer::timeout, [poll, waited, act] {
    T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dialog && ++*waited < 2000) return;
    poll->stop();
    poll->deleteLater();
    delete waited;
    if (dialog) act(dialog);
  });
  poll->start(10);
}
