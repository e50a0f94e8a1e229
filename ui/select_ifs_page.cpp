// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_ifs_page.h"

#include <exception>
#include <string>
#include <vector>

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "engine/fractal.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"

namespace {

// Names read from files: UTF-8 when they are valid UTF-8, else Windows-1252.
QString FileText(const std::string& text) {
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString s = utf8(QByteArray::fromStdString(text));
  if (!utf8.hasError()) return s;
  return Text1252(text);
}

}  // namespace

TSelectIFSPage::TSelectIFSPage() {
  auto* layout = new QVBoxLayout(this);
  FList = new TChoiceList(this);
  layout->addWidget(FList, 1);
  FText = new QPlainTextEdit(this);
  FText->setReadOnly(true);
  FText->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSizeF(mono.pointSizeF() * 0.85);
  FText->setFont(mono);
  layout->addWidget(FText, 1);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(tr("&MaxIter multipler:"), this);
  FMultiplier = new QSpinBox(this);
  FMultiplier->setRange(kMinIFSCounter, kMaxIFSCounter);
  FMultiplier->setSingleStep(10);
  FMultiplier->setValue(10);
  label->setBuddy(FMultiplier);
  row->addWidget(label);
  row->addWidget(FMultiplier);
  row->addStretch(1);
  layout->addLayout(row);
}

void TSelectIFSPage::LoadLibrary() {
  std::vector<std::string> names;
  try {
    const std::string warning = LoadIFSLibrary(DataFile("px.ifs"), IFSLibrary, names);
    if (!warning.empty()) ShowMessage(warning);
  } catch (const std::exception& e) {
    // The names read before the broken value stay listed.
    ShowMessage(e.what());
  }
  for (const std::string& name : names) FList->addItem(FileText(name));
}

void TSelectIFSPage::ShowTransforms(int number) {
  QStringList text{kLibraryTransformHeader};
  for (const TIFSTransform& t : LibraryTransforms(IFSLibrary, number))
    text << QString::fromStdString(LibraryTransformLine(t));
  FText->setPlainText(text.join(u'\n'));
}
