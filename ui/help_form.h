// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help window: the program's help page, "help.html" in the program
// folder, in a small browser window.

#include <QDialog>

class QTextBrowser;

class THelpForm : public QDialog {
  Q_OBJECT
 public:
  explicit THelpForm(QWidget* parent = nullptr);
  // Shows the contents page and brings the window up.
  void ShowContents();
  QTextBrowser* Browser() const { return FBrowser; }

 private:
  QTextBrowser* FBrowser;
};
