// SPDX-License-Identifier: GPL-3.0-or-later
// The main window navigated at a depth extended arithmetic cannot resolve.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include "engine/deep_window.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "platform/messages.h"
#include "tests/gui/main_form_fixture.h"
#include "ui/coordinate_panel_form.h"
#include "ui/image_area_form.h"
#include "ui/main_form.h"

namespace {

constexpr mpfr_prec_t kExact = 4000;

TDeepReal Real(const char* text) {
  TDeepReal r(kExact);
  EXPECT_TRUE(TDeepReal::Parse(text, kExact, r)) << text;
  return r;
}

std::array<std::string, 3> Texts(const TDeepWindow& w) { return DeepTexts(w); }

// |a - b| below a 2^-30 part of `step`.
bool WithinPixelPart(const TDeepReal& a, const TDeepReal& b, const TDeepReal& step) {
  TDeepReal d = a - b, limit = step;
  mpfr_abs(d.Get(), d.Get(), MPFR_RNDN);
  mpfr_mul_2si(limit.Get(), limit.Get(), -30, MPFR_RNDN);
  return mpfr_lessequal_p(d.Get(), limit.Get()) != 0;
}

TEST_F(MainFormTest, NavigationAtDepthKeepsTheDeepWindowExact) {
  Start();
  TFractal& d = Doc();
  d.AutoIter = false;  // a deep view of this formula renders flat: keep it short
  d.Ctx.MaxIter = 20;
  d.SetDeepWindow({Real("-0.743643887037158704752191506114774"), Real("0.131825904205311970493132056385139"),
                   Real("1e-60")});
  EXPECT_EQ(Form->PanelText(3).toStdString(), "W=1.0e-60");
  const std::array<std::string, 3> start = Texts(d.Deep);
  const TDeepReal step = d.Deep.W / TDeepReal(Extended(d.Width - 1), kExact);
  TPaintSurface* s = Surface();

  QTest::keyClick(s, Qt::Key_Right);
  EXPECT_TRUE(WithinPixelPart(d.Deep.X, Real(start[0].c_str()) + TDeepReal(10.0L, 64) * step, step));
  QTest::keyClick(s, Qt::Key_Left);
  EXPECT_EQ(Texts(d.Deep), start);

  QTest::mouseDClick(s, Qt::LeftButton, {}, QPoint(120, 60));
  QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(120, 60));
  EXPECT_EQ(Form->PanelText(3).toStdString(), "W=5.0e-61");
  QTest::mouseDClick(s, Qt::RightButton, {}, QPoint(120, 60));
  QTest::mouseRelease(s, Qt::RightButton, {}, QPoint(120, 60));
  EXPECT_EQ(Texts(d.Deep), start);

  Item("Fracta&l/Zoom &in")->trigger();
  Item("Fracta&l/Zoom &out")->trigger();
  EXPECT_EQ(Texts(d.Deep), start);

  // The rubber band from (49, 59), 101 pixels wide.
  QTest::mousePress(s, Qt::LeftButton, {}, QPoint(50, 60));
  QTest::mouseMove(s, QPoint(150, 130));
  QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(150, 130));
  const TDeepReal x = Real(start[0].c_str()), y = Real(start[1].c_str());
  EXPECT_TRUE(WithinPixelPart(d.Deep.X, x + TDeepReal(49.0L, 64) * step, step));
  EXPECT_TRUE(WithinPixelPart(d.Deep.Y, y - TDeepReal(59.0L, 64) * step, step));
  EXPECT_TRUE(WithinPixelPart(d.Deep.W, TDeepReal(101.0L, 64) * step, step));
  EXPECT_EQ(Form->PanelText(3).toStdString(), "W=3.4e-61");
  EXPECT_TRUE(IsDeep(d.Deep));

  // Saved, left for the full set and reopened: the same deep view.
  const std::array<std::string, 3> banded = Texts(d.Deep);
  Form->SaveSpotTo(Path("deep.frs"));
  QTest::keyClick(s, Qt::Key_Insert);
  EXPECT_EQ(Form->PanelText(3).toStdString(), "");
  EXPECT_FALSE(IsDeep(d.Deep));
  Form->LoadSpotFrom(Path("deep.frs"), true);
  EXPECT_EQ(Texts(Doc().Deep), banded);
  EXPECT_EQ(Form->PanelText(3).toStdString(), "W=3.4e-61");
  EXPECT_TRUE(Messages.empty());
}

TEST_F(MainFormTest, TheDepthIsNeverClippedInANarrowWindow) {
  Start();
  TFractal& d = Doc();
  d.AutoIter = false;
  d.Ctx.MaxIter = 20;
  Form->resize(Form->minimumSize());
  d.SetDeepWindow({Real("-0.7436438870371587"), Real("0.1318259042053119"), Real("1e-300")});
  QApplication::processEvents();
  const QString text = Form->PanelText(3);
  ASSERT_EQ(text.toStdString(), "W=1.0e-300");
  for (const QLabel* label : Form->statusBar()->findChildren<QLabel*>()) {
    if (label->text() == text) {
      EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(text));
    }
  }
}

TEST_F(MainFormTest, ThePositionStaysReadableBesideTheDepth) {
  Start();
  TFractal& d = Doc();
  d.AutoIter = false;
  d.Ctx.MaxIter = 20;
  Form->resize(300, Form->height());
  d.SetDeepWindow({Real("-0.743643887037158704752191506114774"), Real("0.131825904205311970493132056385139"),
                   Real("2e-34")});
  // Once rendered: the reference orbit's progress takes room of its own.
  WaitForRender();
  QTest::mouseMove(Surface(), QPoint(150, 120));
  QApplication::processEvents();
  const auto* panel = Form->statusBar()->findChild<TCoordinatePanel*>();
  ASSERT_NE(panel, nullptr);
  const QLabel* depth = nullptr;
  for (const QLabel* label : Form->statusBar()->findChildren<QLabel*>())
    if (label->text() == "W=2.0e-34") depth = label;
  ASSERT_NE(depth, nullptr);
  // Both coordinates, shortened to the decimals that fit in the room left of
  // the depth.
  const std::string text = panel->text().toStdString();
  EXPECT_EQ(text.rfind("X=-", 0), 0u) << text;
  EXPECT_NE(text.find(", Y="), std::string::npos) << text;
  EXPECT_FALSE(panel->text().contains(QChar(0x2026))) << text;  // not cut
  EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()), panel->contentsRect().width());
  EXPECT_LT(panel->geometry().right(), depth->geometry().left());
  // Every decimal that tells the pixels apart, computed from the deep window.
  const std::string full = panel->toolTip().toStdString();
  EXPECT_EQ(full.rfind("X=-0.74364388703715870475219150611", 0), 0u) << full;
  EXPECT_NE(full.find(", Y=0.13182590420531197049313205638"), std::string::npos) << full;
  EXPECT_EQ(full, TPositionText(d, 150, 120).Text(TPositionText(d, 150, 120).Decimals()));
  EXPECT_EQ(TPositionText(d, 150, 120).Decimals(), 37);  // round(log10(299 / 2e-34) + 1)
}

TEST_F(MainFormTest, TheStatusBarShowsTheReferenceOrbitAndTheLimitChosenForADeepView) {
  Start();
  PostMessage(0, MSG_REFERENCE_PROGRESS, 350, 1000);
  QCoreApplication::processEvents();
  EXPECT_EQ(Form->PanelText(1), "Reference orbit 35.0%");
  EXPECT_EQ(Form->windowTitle(), "Pelmorix: Reference orbit 35.0%");
  EXPECT_GT(Form->PanelWidth(1), Form->statusBar()->fontMetrics().horizontalAdvance("Reference orbit 35.0%"));
  PostMessage(0, MSG_RENDER_PROGRESS, 150, 299);
  QCoreApplication::processEvents();
  EXPECT_EQ(Form->PanelText(1), " 50.2%");
  EXPECT_EQ(Form->PanelWidth(1), 64);
  PostMessage(0, MSG_RENDER_DONE, 0, 0);

  // The automatic limit of a view whose pixels escape after 16 000 to 20 500
  // iterations, where the depth formula gives 2 681.
  Form->SetImageSize(64, 48);
  WaitForRender();
  const TDeepReal w = Real("1e-25"), half = Real("0.5");
  Doc().SetDeepWindow({Real("-0.743643887037158704752191506114774") - w * half,
                       Real("0.131825904205311970493132056385139") + w * half * Real("0.75"), w});
  WaitForRender();
  EXPECT_GT(Doc().Ctx.MaxIter, 20500);
  EXPECT_EQ(Form->PanelText(0), "MI=" + QString::number(Doc().Ctx.MaxIter));
}

}  // namespace
