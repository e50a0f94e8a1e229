// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Driving the selection dialog as a user does: clicking list rows and page
// tabs, typing into edits and the user formula box.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "ui/numeric_edit_form.h"
#include "ui/select_form.h"

inline void ClickRow(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  ASSERT_NE(item, nullptr);
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

inline void ClickPage(QTabWidget* pages, TSelectPage page) {
  auto* bar = pages->findChild<QTabBar*>();
  ASSERT_NE(bar, nullptr);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(int(page)).center());
  ASSERT_EQ(pages->currentIndex(), int(page));
}

// Replaces the text of an edit by typing `keys`, then leaves it with Tab.
inline void TypeAndLeave(QLineEdit* edit, const QString& keys) {
  edit->setFocus(Qt::OtherFocusReason);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, keys);
  QTest::keyClick(edit, Qt::Key_Tab);
}

// z*z + c as a user types it.
inline const QStringList kUserLines = {"var t: Extended;",   "begin",    "  t := x*x - y*y + cr;",
                                       "  y := 2*x*y + ci;", "  x := t;", "end;"};

inline void TypeLines(QPlainTextEdit* text, const QStringList& lines) {
  text->setFocus();
  for (int k = 0; k < lines.size(); ++k) {
    if (k > 0) QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, lines[k]);
  }
}

// The compiler kit is not beside the program: its check message came.
inline bool KitMissing(const std::vector<std::string>& messages) {
  for (const std::string& m : messages)
    if (m.rfind("MAKE.PIF", 0) == 0) return true;
  return false;
}
