// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Printer setup": chooses the printer that "Print" prints to and its paper.
// The printers of the system are offered by name, and "PDF file" prints into
// a file. OK configures the printer; nothing is printed here.

#include <QDialog>
#include <QPageLayout>
#include <QPageSize>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPrinter;
class QPushButton;

class TPrinterSetupForm : public QDialog {
  Q_OBJECT
 public:
  // The dialog starts from the printer's present settings; `printers` are
  // the system's printer names.
  TPrinterSetupForm(QPrinter& printer, const QStringList& printers, QWidget* parent = nullptr);

  // The caption of the entry that prints into a PDF file.
  static constexpr const char* kPdfFile = QT_TRANSLATE_NOOP("TPrinterSetupForm", "PDF file");

  QComboBox* PrinterBox() const { return FPrinter; }
  QLineEdit* FileEdit() const { return FFile; }
  QPushButton* BrowseButton() const { return FBrowse; }
  QComboBox* PaperBox() const { return FPaper; }
  QButtonGroup* OrientationGroup() const { return FOrientation; }
  QPushButton* OkButton() const { return FOk; }
  QPushButton* CancelButton() const { return FCancel; }

  // OK: the choice goes to the printer; a PDF file needs a file name.
  void accept() override;

 private:
  void PrinterChosen();
  void Browse();
  bool PdfChosen() const;

  QPrinter& Printer;
  QComboBox* FPrinter = nullptr;
  QLineEdit* FFile = nullptr;
  QPushButton* FBrowse = nullptr;
  QComboBox* FPaper = nullptr;
  QButtonGroup* FOrientation = nullptr;
  QPushButton* FOk = nullptr;
  QPushButton* FCancel = nullptr;
};
