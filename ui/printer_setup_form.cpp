// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/printer_setup_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/dialogs_qt.h"

namespace {

// The paper a printer takes; the common sizes when it does not say.
QList<QPageSize> PaperSizes(const QString& printer) {
  QList<QPageSize> sizes;
  if (!printer.isEmpty()) sizes = QPrinterInfo::printerInfo(printer).supportedPageSizes();
  if (sizes.isEmpty())
    for (QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::Letter, QPageSize::Legal, QPageSize::A3, QPageSize::A5,
                                     QPageSize::B5, QPageSize::Executive})
      sizes << QPageSize(id);
  return sizes;
}

}  // namespace

TPrinterSetupForm::TPrinterSetupForm(QPrinter& printer, const QStringList& printers, QWidget* parent)
    : QDialog(parent), Printer(printer) {
  setWindowTitle(tr("Printer setup"));

  FPrinter = new QComboBox(this);
  FPrinter->setObjectName("PrinterBox");
  FPrinter->addItems(printers);
  FPrinter->addItem(tr(kPdfFile));
  const int named = int(printers.indexOf(printer.printerName()));
  FPrinter->setCurrentIndex(printer.outputFormat() == QPrinter::NativeFormat && named >= 0 ? named
                                                                                          : FPrinter->count() - 1);
  FFile = new QLineEdit(printer.outputFileName(), this);
  FFile->setObjectName("FileEdit");
  FBrowse = new QPushButton(tr("&Browse..."), this);
  FBrowse->setAutoDefault(false);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(FFile, 1);
  fileRow->addWidget(FBrowse);
  auto* printerGroup = new QGroupBox(tr("Printer"), this);
  auto* printerForm = new QFormLayout(printerGroup);
  printerForm->addRow(tr("&Name:"), FPrinter);
  auto* fileLabel = new QLabel(tr("&File:"), printerGroup);
  fileLabel->setBuddy(FFile);
  printerForm->addRow(fileLabel, fileRow);

  FPaper = new QComboBox(this);
  FPaper->setObjectName("PaperBox");
  auto* paperGroup = new QGroupBox(tr("Paper"), this);
  auto* paperForm = new QFormLayout(paperGroup);
  paperForm->addRow(tr("Si&ze:"), FPaper);

  auto* orientationGroup = new QGroupBox(tr("Orientation"), this);
  auto* orientationRow = new QHBoxLayout(orientationGroup);
  FOrientation = new QButtonGroup(this);
  const char* orientations[2] = {QT_TR_NOOP("P&ortrait"), QT_TR_NOOP("&Landscape")};
  for (int k = 0; k < 2; ++k) {
    auto* b = new QRadioButton(tr(orientations[k]), orientationGroup);
    FOrientation->addButton(b, k);
    orientationRow->addWidget(b);
  }
  FOrientation->button(printer.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0)->setChecked(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  FOk = buttons->button(QDialogButtonBox::Ok);
  FCancel = buttons->button(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &TPrinterSetupForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TPrinterSetupForm::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(printerGroup);
  layout->addWidget(paperGroup);
  layout->addWidget(orientationGroup);
  layout->addWidget(buttons);

  connect(FPrinter, &QComboBox::currentIndexChanged, this, [this] { PrinterChosen(); });
  connect(FBrowse, &QPushButton::clicked, this, [this] { Browse(); });
  PrinterChosen();
  const int paper = FPaper->findData(int(printer.pageLayout().pageSize().id()));
  if (paper >= 0) FPaper->setCurrentIndex(paper);
}

bool TPrinterSetupForm::PdfChosen() const { return FPrinter->currentIndex() == FPrinter->count() - 1; }

void TPrinterSetupForm::PrinterChosen() {
  const bool pdf = PdfChosen();
  FFile->setEnabled(pdf);
  FBrowse->setEnabled(pdf);
  // The paper chosen stays when the new printer takes it.
  const QVariant kept = FPaper->currentData();
  FPaper->clear();
  for (const QPageSize& size : PaperSizes(pdf ? QString() : FPrinter->currentText()))
    FPaper->addItem(size.name(), int(size.id()));
  const int at = FPaper->findData(kept);
  FPaper->setCurrentIndex(at >= 0 ? at : 0);
}

void TPrinterSetupForm::Browse() {
  TFileDialog dialog;
  dialog.Title = QT_TRANSLATE_NOOP("FileDialog", "Print to file");
  dialog.Filter = QT_TRANSLATE_NOOP("FileDialog", "PDF files (*.pdf)|*.pdf");
  dialog.DefaultExt = "pdf";
  dialog.OverwritePrompt = true;
  dialog.FileName = FFile->text().toStdString();
  dialog.InitialDir = FolderOf(dialog.FileName);
  if (RunSaveDialog(dialog, this)) FFile->setText(QString::fromStdString(dialog.FileName));
}

void TPrinterSetupForm::accept() {
  if (PdfChosen()) {
    const std::string file = FFile->text().trimmed().toStdString();
    if (file.empty()) {
      ShowMessage(QT_TRANSLATE_NOOP("Message", "Choose the file to print into."));
      FFile->setFocus();
      return;
    }
    Printer.setOutputFormat(QPrinter::PdfFormat);
    Printer.setOutputFileName(QString::fromStdString(WithDefaultExt(file, "pdf")));
  } else {
    Printer.setOutputFileName({});
    Printer.setPrinterName(FPrinter->currentText());
  }
  Printer.setPageSize(QPageSize(QPageSize::PageSizeId(FPaper->currentData().toInt())));
  Printer.setPageOrientation(FOrientation->checkedId() == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
  QDialog::accept();
}
