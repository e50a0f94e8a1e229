// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "3D fractal": the main document's image as a lit relief. The relief is
// drawn by a TThread3D; the window restarts it whenever it is shown, a
// setting changes, or the main window reports a finished render
// (MSG_VIEW3D_REFRESH).
//
// The main window routes the window's posted messages (MessageHandle(this)) to
// HandleMessage.

#include <functional>
#include <memory>

#include <QColor>

#include "engine/view3d_thread.h"
#include "platform/bitmap.h"
#include "ui/bounds_window_form.h"
#include "ui/image_output_qt.h"

class QCheckBox;
class QPushButton;
class QSlider;
class QSpinBox;
class TBitmapView;
class TFractal;

constexpr int kView3DMinWidth = 463, kView3DMinHeight = 302;
constexpr const char* kView3DCaption = "3D fractal";
constexpr const char* kView3DSaveTitle = QT_TRANSLATE_NOOP("FileDialog", "Save bitmap");

// "3D fractal: step k of 3 - p%".
QString View3DProgressCaption(intptr_t step, intptr_t percent);
// The relief settings of the program's "3Dview" settings.
TReliefSettings ReliefSettingsOf(const TSettings& settings);
// The angle field: Round(angle x 180 / pi) shown; a typed v gives v x 3.1415 / 180.
int AngleDegrees(double angle);
double AngleOfDegrees(int degrees);

// The "Colors:" bar: a vertical gradient from the low colour at the bottom to
// the high colour at the top; a click in the upper half edits the high
// colour, in the lower half the low colour.
class TColorBar : public QWidget {
  Q_OBJECT
 public:
  explicit TColorBar(QWidget* parent = nullptr);
  // Called with true for the upper half, false for the lower.
  std::function<void(bool high)> OnPick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

class TForm3D : public TBoundsWindow {
  Q_OBJECT
 public:
  TForm3D(const TFractal* mainDocument, QWidget* owner = nullptr);
  ~TForm3D() override;

  // Posted messages for this window: MSG_VIEW3D_REFRESH, the render state and
  // the progress of its thread.
  void HandleMessage(uint32_t msg, intptr_t wParam, intptr_t lParam);
  // Frees the running view render; when the window is visible, starts a new one.
  void RestartView();
  // "&Save image".
  bool SaveImage();

  // The dialogs of saving; the colour dialog (true when a colour was chosen).
  TDialogHooks Hooks;
  std::function<bool(QColor& color, QWidget* parent)> ColorDialog;
  TImageSaveState SaveState;

  // For tests and the main window.
  const TThread3D* Thread() const { return FThread.get(); }
  int Renders() const { return FinishedRenders; }
  QSlider* DegreeSlider() const { return Degree; }
  QSpinBox* AngleField() const { return Angle; }
  QSlider* SmoothSlider() const { return Smooth; }
  QSlider* ThicknessSlider() const { return Thickness; }
  QCheckBox* InfinityBox() const { return Infinity; }
  TColorBar* ColorsBar() const { return Colors; }
  QPushButton* SaveButton() const { return Save; }
  TBitmapView* View() const { return FView; }
  const uint8_t* ViewImage() const { return Image.get(); }
  const TBitmapInfoHeader& ViewHeader() const { return Header; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  uint8_t* ResizeView(int32_t width, int32_t height);
  void PickColor(bool high);
  void SliderMoved(int32_t& setting, int32_t value);

  const TFractal* MainDocument;
  std::unique_ptr<TThread3D> FThread;
  TBitmapInfoHeader Header;
  std::unique_ptr<uint8_t[]> Image;
  int FinishedRenders = 0;
  TBitmapView* FView = nullptr;
  QSlider* Degree = nullptr;
  QSpinBox* Angle = nullptr;
  QSlider* Smooth = nullptr;
  QSlider* Thickness = nullptr;
  QCheckBox* Infinity = nullptr;
  TColorBar* Colors = nullptr;
  QPushButton* Save = nullptr;
};
