// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Spots for movie...": the list of spots a zoom movie flies through. The
// user navigates the main window to a spot and adds it; each spot keeps the
// frame count of the segment to the next one; "Make movie" writes the flight.

#include <functional>

#include <QDialog>

#include "movies/spot_frames_form.h"
#include "movies/zoom_movie.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class TFractal;

class TSpotsForm : public QDialog {
  Q_OBJECT
 public:
  // `main` is the window whose document the spots come from; it gets the
  // focus back after a spot was added.
  TSpotsForm(TFractal& doc, QWidget* main);

  // Called when the dialog closes (the main window enables its menus again).
  std::function<void()> OnClosed;

  void AddPoint();
  void RemovePoint();
  void JumpToSpot();
  void EditFrameCount();
  void MakeMovie();
  // The mode after the shown one, as double-clicking the picture does.
  void NextSmooth();

  QTreeWidget* List() const { return FList; }
  QPushButton* AddButton() const { return FAdd; }
  QPushButton* RemoveButton() const { return FRemove; }
  QPushButton* JumpButton() const { return FJump; }
  QPushButton* FramesButton() const { return FFramesButton; }
  QPushButton* MakeButton() const { return FMake; }
  QPushButton* CloseButton() const { return FClose; }
  QGroupBox* SmoothGroup() const { return FSmoothGroup; }
  QRadioButton* SmoothButton(TZoomSmooth mode) const;
  QLabel* Picture() const { return FPicture; }
  QLabel* Recommendation() const { return FRecommendation; }
  // The resource the picture shows: "LINEAR", "SQUARE" or "CUBE".
  const char* PictureName() const;
  // The whole text of list row `row` (columns joined by single blanks).
  QString RowText(int row) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refresh(int selected);
  void UpdateButtons();
  void SetSmooth(TZoomSmooth mode);
  int Selected() const;

  TFractal& Doc;
  QWidget* Main;
  bool Placed = false;
  QTreeWidget* FList;
  QPushButton *FAdd, *FRemove, *FJump, *FFramesButton, *FMake, *FClose;
  QGroupBox* FSmoothGroup;
  QButtonGroup* FSmoothButtons;
  QLabel* FPicture;
  QLabel* FRecommendation;
};
