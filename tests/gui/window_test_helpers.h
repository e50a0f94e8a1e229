// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small steps the window tests share: leaving and retyping edits, counting
// the colours of an image.

#include <cstdint>
#include <set>

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include "engine/fractal.h"
#include "tests/document_test_helpers.h"

// Leaving an edit the way Tab does.
inline void Leave(QWidget* w) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(w, &out);
}

inline void Retype(QLineEdit* edit, const QString& keys) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, keys);
}

// How many different colours the document's image holds.
inline int DistinctColours(const TFractal& doc) {
  std::set<uint32_t> colours;
  for (int y = 0; y < doc.Height; ++y)
    for (int x = 0; x < doc.Width; ++x) {
      const TColor3 c = doc.PixelColor(x, y);
      colours.insert(uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue);
    }
  return int(colours.size());
}
