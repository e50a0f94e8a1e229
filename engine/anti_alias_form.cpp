// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/anti_alias_form.h"

#include <cmath>
#include <new>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/program_folder.h"
#include "ui/bitmap_view_form.h"
#include "ui/image_file.h"

QString AntiAliasProgressCaption(int32_t column, int32_t width) {
  return QCoreApplication::translate("TAAForm", "Anti-aliasing: %1%")
      .arg(int(std::nearbyint(double(column) * 100 / width)));
}

TAAForm::TAAForm(const TFractal* mainDocument, QWidget* owner)
    : TBoundsWindow(owner, &TSettings::AAForm, QSize(kAntiAliasMinSize, kAntiAliasMinSize)),
      MainDocument(mainDocument) {
  setWindowTitle(tr(kAntiAliasCaption));
  Hooks = DefaultDialogHooks();
  SaveState.InitialDir = DocumentFolder();

  FView = new TBitmapView(this);
  Save = new QPushButton(tr("&Save image"), this);
  Close = new QPushButton(tr("&Close"), this);
  Redraw = new QPushButton(tr("&Redraw"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Save);
  buttons->addWidget(Redraw);
  buttons->addStretch(1);
  buttons->addWidget(Close);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(FView, 1);
  layout->addLayout(buttons);
  if (Settings().AAForm.Width <= 0) resize(480, 400);

  connect(Save, &QPushButton::clicked, this, [this] { SaveImage(); });
  connect(Close, &QPushButton::clicked, this, [this] { close(); });
  connect(Redraw, &QPushButton::clicked, this, [this] { PostCompute(); });
}

void TAAForm::PostCompute() { PostMessage(MessageHandle(this), MSG_ANTIALIAS_COMPUTE, 0, 0); }

void TAAForm::FreeImage() {
  FView->PaintArea()->SetBitmap(nullptr, nullptr, {});
  Image.reset();
}

void TAAForm::Compute() {
  if (!MainDocument) return;
  const TFractal& doc = *MainDocument;
  FView->PaintArea()->repaint();
  FSize = AntiAliasSizeOf(doc.Width, doc.Height);
  FView->SetPaintSize(FSize.Width, FSize.Height);
  FreeImage();
  if (FSize.Width <= 0 || FSize.Height <= 0 || !doc.ImageBuffer()) return;
  FHeader = AntiAliasHeader(FSize);
  const uint64_t bytes = uint64_t(FSize.PixelCount) * 3;
  Image.reset(new (std::nothrow) uint8_t[bytes]());
  if (!Image) {
    ShowMessage(OutOfMemoryMessage(bytes));
    return;
  }
  FView->PaintArea()->SetBitmap(&FHeader, Image.get(), {0, 0, FSize.Width, FSize.Height});

  QApplication::setOverrideCursor(Qt::WaitCursor);
  const TImageView source{&doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height};
  for (int32_t i = 0; i < FSize.Width; ++i) {
    setWindowTitle(AntiAliasProgressCaption(i, FSize.Width));
    AntiAliasColumn(source, FSize, i, Image.get());
    FView->PaintArea()->repaint(i, 0, 1, FSize.Height);
  }
  setWindowTitle(tr(kAntiAliasCaption));
  QApplication::restoreOverrideCursor();
}

bool TAAForm::SaveImage() {
  if (!Image) return false;
  // The smoothed copy shows the main image: its PNG names the same spot.
  return SaveImageDialog(FHeader, Image.get(), FSize.Width, FSize.Height, this, SaveState, Hooks,
                         SpotImageText(*MainDocument));
}

void TAAForm::showEvent(QShowEvent* event) {
  TBoundsWindow::showEvent(event);
  if (event->spontaneous()) return;
  // The name offered for saving follows the main image's save dialog.
  SaveState.FileName = ImageSaveState().FileName;
  PostCompute();
}

void TAAForm::closeEvent(QCloseEvent* event) {
  FreeImage();
  TBoundsWindow::closeEvent(event);
}
