// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about_form.h"

#include <random>
#include <vector>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "formulas/catalogue.h"
#include "platform/canvas_qt.h"
#include "platform/program_info.h"

namespace {

constexpr int kPictureSize = 160;

}  // namespace

QImage RenderFormulaPicture(int number, int width, int height) {
  const TFormulaEntry* row = FindFormula(number);
  if (!row || width < 2 || height < 2) return {};
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(Qt::black);
  TQtCanvas canvas(&picture);
  TFractal doc(number, row->X, row->Y, row->W, width, height, &canvas);
  doc.Restart();
  if (TFThread* t = doc.RenderThread()) t->WaitFor();
  doc.Paint();
  return picture;
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("About"));
  std::vector<int> numbers;
  for (const TFormulaEntry& row : FormulaCatalogue)
    if (!IsSeparatorRow(row) && row.Number >= 0 && row.Number < 500) numbers.push_back(row.Number);
  if (!numbers.empty()) {
    std::random_device seed;
    std::mt19937 pick(seed());
    Number = numbers[std::uniform_int_distribution<size_t>(0, numbers.size() - 1)(pick)];
  }
  FPicture = RenderFormulaPicture(Number, kPictureSize, kPictureSize);

  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel("<h2>Pelmorix</h2>", this);
  name->setAlignment(Qt::AlignCenter);
  layout->addWidget(name);
  auto* picture = new QLabel(this);
  picture->setAlignment(Qt::AlignCenter);
  picture->setPixmap(QPixmap::fromImage(FPicture));
  layout->addWidget(picture);
  auto* text = new QLabel(tr("A fractal explorer"), this);
  text->setAlignment(Qt::AlignCenter);
  layout->addWidget(text);
  auto* version = new QLabel(tr("Version %1").arg(ProgramVersion()), this);
  version->setObjectName("VersionLabel");
  version->setAlignment(Qt::AlignCenter);
  layout->addWidget(version);
  auto* licence = new QLabel(QString::fromStdString(LicenceNotice()).trimmed(), this);
  licence->setObjectName("LicenceLabel");
  licence->setAlignment(Qt::AlignCenter);
  licence->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(licence);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
