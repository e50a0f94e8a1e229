// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One item of a window's menu: its caption, shortcut and command.

#include <functional>
#include <utility>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QString>

// Adds the item to `menu`; `action` runs when it is chosen (none: the caller
// connects the item itself).
inline QAction* AddMenuItem(QMenu* menu, const QString& caption, QKeySequence shortcut, std::function<void()> action,
                            bool enabled = true) {
  QAction* a = menu->addAction(caption);
  a->setShortcut(shortcut);
  a->setEnabled(enabled);
  if (action) QObject::connect(a, &QAction::triggered, a, [action = std::move(action)] { action(); });
  return a;
}

inline QAction* AddMenuItem(QMenu* menu, const char* caption, QKeySequence shortcut, std::function<void()> action,
                            bool enabled = true) {
  return AddMenuItem(menu, QString::fromUtf8(caption), std::move(shortcut), std::move(action), enabled);
}
