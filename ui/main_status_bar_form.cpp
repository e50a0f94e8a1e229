// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's status bar (iteration limit, render progress or the
// value under the cursor, the cursor's position, the zoom depth of deep
// views) and its title, which shows a render's progress.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>

#include "engine/fractal.h"
#include "engine/perturbation.h"
#include "ui/coordinate_panel_form.h"
#include "ui/main_form.h"

namespace {

constexpr int kIterationPanelWidth = 56;
constexpr int kProgressPanelWidth = 64;

}  // namespace

QString DepthText(Extended w) {
  if (!(std::fabs(w) < 1e-15L)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "W=%.1Le", w);
  return text;
}

QString ProgressText(intptr_t done, intptr_t total) {
  const double p = total != 0 ? double(int64_t(done) * 100) / double(total) : 100.0;
  return QString::asprintf("%5.1f", p) + "%";
}

QString ReferenceProgressText(intptr_t done, intptr_t total) {
  return QCoreApplication::translate("TMainForm", "Reference orbit %1").arg(ProgressText(done, total).trimmed());
}

void TMainForm::BuildStatusBar() {
  for (int i = 0; i < 4; ++i) {
    Panels[i] = i == 2 ? (PositionPanel = new TCoordinatePanel(statusBar())) : new QLabel(statusBar());
    Panels[i]->setContentsMargins(0, 0, 0, 0);
  }
  Panels[0]->setAlignment(Qt::AlignCenter);
  Panels[1]->setAlignment(Qt::AlignCenter);
  Panels[0]->setFixedWidth(kIterationPanelWidth);
  Panels[1]->setFixedWidth(kProgressPanelWidth);
  statusBar()->addWidget(Panels[0]);
  statusBar()->addWidget(Panels[1]);
  statusBar()->addWidget(Panels[2], 1);
  statusBar()->addPermanentWidget(Panels[3]);  // the zoom depth of deep views
  // The window's frame resizes it; the grip's room goes to the coordinates.
  statusBar()->setSizeGripEnabled(false);
  Panels[0]->setText("MI=10000");
}

QString TMainForm::PanelText(int panel) const { return Panels[panel]->text(); }

int TMainForm::PanelWidth(int panel) const { return Panels[panel]->width(); }

void TMainForm::SetPanel(int panel, const QString& text) { Panels[panel]->setText(text); }

void TMainForm::FitPanel(int panel, const QString& text, int least) {
  SetPanel(panel, text);
  Panels[panel]->setFixedWidth(std::max(least, Panels[panel]->fontMetrics().horizontalAdvance(text) + 8));
}

void TMainForm::ShowProgress(const QString& text) {
  FitPanel(1, text, kProgressPanelWidth);
  SetApplicationTitle(QString(kProgramTitle) + ": " + text);
}

void TMainForm::ShowMaxIter(const TFractal& d) {
  QString text = "MI=" + QString::number(d.Ctx.MaxIter) + (d.Ctx.FastArithmetic ? tr(" fast") : QString());
  if (PastOrdinaryPrecision(d.Deep, d.Width) && !PerturbationServes(d.Ctx)) text += tr(" past precision");
  FitPanel(0, text, kIterationPanelWidth);
}

void TMainForm::SetCaption(const QString& caption) {
  FCaption = caption;
  UpdateWindowTitle();
}

void TMainForm::SetFileCaption(const std::string& path) {
  SetCaption(QString(kProgramTitle) + ": " + QString::fromStdString(FileNameOf(path)));
}

void TMainForm::SetApplicationTitle(const QString& title) {
  FApplicationTitle = title;
  UpdateWindowTitle();
}

void TMainForm::UpdateWindowTitle() {
  // The desktop shows one title per window: it carries the progress while a
  // render reports it, and the caption otherwise.
  setWindowTitle(FApplicationTitle != kProgramTitle ? FApplicationTitle : FCaption);
}
