// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_user_page.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The reference for writers of user formulas.
const char* const kComplexFunctionsText = QT_TRANSLATE_NOOP(
    "TSelectUserPage",
    "Complex functions written with real arithmetic.\n"
    "\n"
    "The formula works on Z = (X, Y) and C = (CR, CI) and may use the\n"
    "parameters P1 = (P1R, P1I), P2 = (P2R, P2I), P3 = (P3R, P3I).\n"
    "Declare the helper variables you need (var t, d, r: Extended;)\n"
    "before the body; the Math unit is available.\n"
    "\n"
    "Example, Z = Z*Z + C:\n"
    "  var t: Extended;\n"
    "  begin\n"
    "    t := x*x - y*y + cr;\n"
    "    y := 2*x*y + ci;\n"
    "    x := t;\n"
    "  end;\n"
    "\n"
    "z*z       re := x*x - y*y;\n"
    "          im := 2*x*y;\n"
    "z*c       re := x*cr - y*ci;\n"
    "          im := x*ci + y*cr;\n"
    "z*z*z     re := x*x*x - 3*x*y*y;\n"
    "          im := 3*x*x*y - y*y*y;\n"
    "z*z*z*z   re := x*x*x*x - 6*x*x*y*y + y*y*y*y;\n"
    "          im := 4*x*x*x*y - 4*x*y*y*y;\n"
    "1/z       d := x*x + y*y;\n"
    "          re := x/d;  im := -y/d;\n"
    "1/(z*z)   d := Sqr(x*x + y*y);\n"
    "          re := (x*x - y*y)/d;  im := -2*x*y/d;\n"
    "Sqrt(z)   r := Sqrt(x*x + y*y);\n"
    "          re := Sqrt((r + x)/2);\n"
    "          im := Sqrt((r - x)/2);  if y < 0 then im := -im;\n"
    "Exp(z)    d := Exp(x);\n"
    "          re := d*Cos(y);  im := d*Sin(y);\n"
    "Exp(1/z)  d := x*x + y*y;  r := Exp(x/d);\n"
    "          re := r*Cos(y/d);  im := -r*Sin(y/d);\n"
    "Ln(z)     re := Ln(x*x + y*y)/2;\n"
    "          im := ArcTan2(y, x);\n"
    "z^c       a := Ln(x*x + y*y)/2;  b := ArcTan2(y, x);\n"
    "          r := Exp(a*cr - b*ci);  t := a*ci + b*cr;\n"
    "          re := r*Cos(t);  im := r*Sin(t);\n"
    "Sin(z)    re := Sin(x)*Cosh(y);\n"
    "          im := Cos(x)*Sinh(y);\n"
    "Cos(z)    re := Cos(x)*Cosh(y);\n"
    "          im := -Sin(x)*Sinh(y);\n"
    "Tan(z)    d := Cos(2*x) + Cosh(2*y);\n"
    "          re := Sin(2*x)/d;  im := Sinh(2*y)/d;\n"
    "Sinh(z)   re := Sinh(x)*Cos(y);\n"
    "          im := Cosh(x)*Sin(y);\n"
    "Cosh(z)   re := Cosh(x)*Cos(y);\n"
    "          im := Sinh(x)*Sin(y);\n");

}  // namespace

TSelectUserPage::TSelectUserPage(TSelectEdits& edits) : FParams(edits, this) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FParams.Group());
  FUserText = new QPlainTextEdit(this);
  FUserText->setLineWrapMode(QPlainTextEdit::NoWrap);
  FUserText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  FUserText->setToolTip(tr("Procedure Formula(var x,y,cr,ci: Extended; p1r,p1i,p2r,p2i,p3r,p3i: Extended);"));
  layout->addWidget(FUserText, 1);
  auto* buttons = new QHBoxLayout;
  FGo = NewButton(tr("&Go !"), tr("Compile new formulae"), this);
  FClear = NewButton(tr("C&lear"), tr("Clear text in edit box..."), this);
  for (QPushButton* b : {FGo, FClear}) buttons->addWidget(b);
  buttons->addStretch(1);
  FFunctions = new QToolButton(this);
  FFunctions->setText("f(z)");
  FFunctions->setToolTip(tr("Functions by complex variables..."));
  buttons->addWidget(FFunctions);
  layout->addLayout(buttons);
  connect(FClear, &QPushButton::clicked, FUserText, &QPlainTextEdit::clear);
  connect(FFunctions, &QToolButton::clicked, this, &TSelectUserPage::ShowComplexFunctions);
}

// The lines of a text box as a memo holds them: a final line break adds no
// empty line, and an empty box holds no line at all.
std::vector<std::string> TSelectUserPage::Lines() const {
  const QString text = FUserText->toPlainText();
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  QStringList parts = text.split(u'\n');
  if (parts.size() > 1 && parts.last().isEmpty()) parts.removeLast();
  for (QString& part : parts) {
    if (part.endsWith(u'\r')) part.chop(1);
    lines.push_back(part.toStdString());
  }
  return lines;
}

void TSelectUserPage::ShowLines(const std::vector<std::string>* lines) {
  QStringList text;
  if (lines)
    for (const std::string& line : *lines) text << QString::fromStdString(line);
  FUserText->setPlainText(text.join(u'\n'));
}

void TSelectUserPage::HideComplexFunctions() {
  if (FComplexFunctions && FComplexFunctions->isVisible()) FComplexFunctions->hide();
}

void TSelectUserPage::ShowComplexFunctions() {
  if (!FComplexFunctions) {
    // A top-level window of the dialog, not of this page.
    FComplexFunctions = new QWidget(window(), Qt::Window);
    FComplexFunctions->setWindowTitle(tr("Complex functions"));
    auto* layout = new QVBoxLayout(FComplexFunctions);
    auto* text = new QPlainTextEdit(FComplexFunctions);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(tr(kComplexFunctionsText));
    layout->addWidget(text);
    FComplexFunctions->resize(480, 520);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect r = FComplexFunctions->frameGeometry();
      r.moveCenter(screen->availableGeometry().center());
      FComplexFunctions->move(r.topLeft());
    }
  }
  if (FComplexFunctions->isVisible()) {
    FComplexFunctions->raise();
    FComplexFunctions->activateWindow();
  } else {
    FComplexFunctions->show();
  }
}
