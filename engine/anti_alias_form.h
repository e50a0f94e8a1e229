// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Anti-aliased image": a half-size, smoothed copy of the main document's
// image, computed on the main thread column by column whenever the window is
// shown or "&Redraw" is pressed (both post the compute message to the
// window itself; the main window routes it to Compute).

#include <memory>

#include "engine/anti_alias.h"
#include "ui/bounds_window_form.h"
#include "ui/image_output_qt.h"

class QPushButton;
class TBitmapView;
class TFractal;

constexpr uint32_t MSG_ANTIALIAS_COMPUTE = 0xE53;
constexpr int kAntiAliasMinSize = 300;
constexpr const char* kAntiAliasCaption = QT_TRANSLATE_NOOP("TAAForm", "Anti-aliased image");

// "Anti-aliasing: p%" for output column i of `width`.
QString AntiAliasProgressCaption(int32_t column, int32_t width);

class TAAForm : public TBoundsWindow {
  Q_OBJECT
 public:
  TAAForm(const TFractal* mainDocument, QWidget* owner = nullptr);

  // The compute message: the anti-aliased image of the main document's
  // current image, drawn column by column.
  void Compute();
  // "&Save image".
  bool SaveImage();

  TDialogHooks Hooks;
  TImageSaveState SaveState;

  const TAntiAliasSize& Size() const { return FSize; }
  const uint8_t* Picture() const { return Image.get(); }
  const TBitmapInfoHeader& Header() const { return FHeader; }
  TBitmapView* View() const { return FView; }
  QPushButton* SaveButton() const { return Save; }
  QPushButton* RedrawButton() const { return Redraw; }
  QPushButton* CloseButton() const { return Close; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void PostCompute();
  void FreeImage();

  const TFractal* MainDocument;
  TAntiAliasSize FSize;
  TBitmapInfoHeader FHeader;
  std::unique_ptr<uint8_t[]> Image;
  TBitmapView* FView = nullptr;
  QPushButton* Save = nullptr;
  QPushButton* Close = nullptr;
  QPushButton* Redraw = nullptr;
};
