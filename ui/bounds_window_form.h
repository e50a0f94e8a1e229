// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A sizeable window of its own that keeps its position, size and maximised
// state in a settings entry (position and size only while it is normal),
// has a minimum size, and takes the whole program along when it is
// minimised or restored.

#include <QSize>
#include <QWidget>

#include "ui/settings.h"

class TBoundsWindow : public QWidget {
  Q_OBJECT
 public:
  // `owner` is the program's main window: it stands for the application
  // when minimising and restoring.
  TBoundsWindow(QWidget* owner, TFormBounds TSettings::*bounds, QSize minimum);

  // Shows the window maximised or normal, as its settings say.
  void ShowAsStored();
  // Stores the current bounds into the settings entry.
  void RecordBounds();

 protected:
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* Owner;
  TFormBounds TSettings::*Bounds;
};
