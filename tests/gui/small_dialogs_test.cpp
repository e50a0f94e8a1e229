// SPDX-License-Identifier: GPL-3.0-or-later
// The small windows driven as a user drives them: the manual size dialog,
// the Julia preview window, the parameter drag window, the shaded label and
// the painted bitmap resources.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "formulas/catalogue.h"
#include "platform/canvas_qt.h"
#include "ui/julia_form.h"
#include "ui/label3d_form.h"
#include "ui/param_form.h"
#include "ui/resources_form.h"
#include "ui/settings.h"
#include "ui/size_form.h"
#include "tests/gui/window_test_helpers.h"

namespace {

// ---------------------------------------------------------------------------
// Manual size dialog.

TEST(FracSize, SizeRules) {
  struct {
    int value, leave, up, down;
  } const cases[] = {
      {1001, 1000, 1009, 993}, {10, 20, 18, 20},   {16, 20, 24, 20},     {17, 20, 25, 20},
      {21, 20, 29, 20},        {24, 24, 32, 20},   {27, 24, 35, 20},     {28, 28, 36, 20},
      {29, 28, 37, 21},        {0, 20, 8, 20},     {2039, 2036, 2047, 2031}, {2040, 2040, 2048, 2032},
      {2045, 2044, 2048, 2037}, {2048, 2048, 2048, 2040}, {2049, 2048, 2048, 2041}, {5000, 2048, 2048, 4992},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SizeOnLeave(c.value), c.leave) << c.value;
    EXPECT_EQ(SizeSpinUp(c.value), c.up) << c.value;
    EXPECT_EQ(SizeSpinDown(c.value), c.down) << c.value;
  }
}

TEST(FracSize, TypingLeavingAndSpinning) {
  TFracSize dialog(400, 300);
  EXPECT_EQ(dialog.windowTitle(), "Set fractal size");
  EXPECT_EQ(dialog.WidthEdit()->text(), "400");
  EXPECT_EQ(dialog.HeightEdit()->text(), "300");
  EXPECT_TRUE(dialog.ProportionalBox()->isChecked());
  EXPECT_DOUBLE_EQ(double(dialog.Ratio()), 4.0 / 3.0);

  // Proportional: width 800 gives height 600.
  Retype(dialog.WidthEdit(), "800");
  EXPECT_EQ(dialog.HeightEdit()->text(), "600");
  // Only digits go in.
  Retype(dialog.WidthEdit(), "8a0-0.");
  EXPECT_EQ(dialog.WidthEdit()->text(), "800");
  // Pasting: digits go in, anything else is refused.
  QApplication::clipboard()->setText("1x2");
  dialog.WidthEdit()->selectAll();
  dialog.WidthEdit()->paste();
  EXPECT_EQ(dialog.WidthEdit()->text(), "800");
  QApplication::clipboard()->setText("512");
  dialog.WidthEdit()->selectAll();
  dialog.WidthEdit()->paste();
  EXPECT_EQ(dialog.WidthEdit()->text(), "512");
  Retype(dialog.WidthEdit(), "800");
  // 1001 leaves as 1000, and the height follows the width set by leaving.
  Retype(dialog.WidthEdit(), "1001");
  EXPECT_EQ(dialog.HeightEdit()->text(), "751");  // round(750.75)
  Leave(dialog.WidthEdit());
  EXPECT_EQ(dialog.WidthEdit()->text(), "1000");
  EXPECT_EQ(dialog.HeightEdit()->text(), "750");
  // The height drives the width: round(99 x 4 / 3) = 132.
  Retype(dialog.HeightEdit(), "99");
  EXPECT_EQ(dialog.WidthEdit()->text(), "132");
  // Typing keeps what is typed: width 10 at 4:3 gives height round(7.5) = 8,
  // and that height does not write width 11 back.
  Retype(dialog.WidthEdit(), "10");
  EXPECT_EQ(dialog.WidthEdit()->text(), "10");
  EXPECT_EQ(dialog.HeightEdit()->text(), "8");
  Leave(dialog.WidthEdit());  // 10 -> 20, height round(15)
  EXPECT_EQ(dialog.WidthEdit()->text(), "20");
  EXPECT_EQ(dialog.HeightEdit()->text(), "15");
  EXPECT_EQ(dialog.FracWidth(), 20);
  EXPECT_EQ(dialog.FracHeight(), 15);

  // Without "&Proportional" each edit is on its own.
  dialog.ProportionalBox()->setChecked(false);
  Retype(dialog.WidthEdit(), "27");
  EXPECT_EQ(dialog.HeightEdit()->text(), "15");
  QTest::mouseClick(dialog.SpinButton(true, false), Qt::LeftButton);
  EXPECT_EQ(dialog.WidthEdit()->text(), "20");
  Retype(dialog.WidthEdit(), "2045");
  QTest::mouseClick(dialog.SpinButton(true, true), Qt::LeftButton);
  EXPECT_EQ(dialog.WidthEdit()->text(), "2048");
  // An empty edit becomes "0" before it steps.
  Retype(dialog.HeightEdit(), "");
  QTest::mouseClick(dialog.SpinButton(false, true), Qt::LeftButton);
  EXPECT_EQ(dialog.HeightEdit()->text(), "8");
  // Leaving an empty edit changes nothing (the focus goes back to it).
  Retype(dialog.HeightEdit(), "");
  Leave(dialog.HeightEdit());
  EXPECT_EQ(dialog.HeightEdit()->text(), "");
  EXPECT_EQ(dialog.FracHeight(), 0);
}

TEST(FracSize, SpinsFollowTheAspect) {
  TFracSize dialog(400, 200);
  QTest::mouseClick(dialog.SpinButton(true, true), Qt::LeftButton);
  EXPECT_EQ(dialog.WidthEdit()->text(), "408");
  EXPECT_EQ(dialog.HeightEdit()->text(), "204");
  QTest::mouseClick(dialog.SpinButton(false, false), Qt::LeftButton);
  EXPECT_EQ(dialog.HeightEdit()->text(), "196");
  EXPECT_EQ(dialog.WidthEdit()->text(), "392");
}

TEST(FracSize, ExecuteGivesTheSizeOnlyOnOk) {
  for (bool ok : {true, false}) {
    int width = 640, height = 480;
    QTimer::singleShot(0, [ok] {
      auto* dialog = qobject_cast<TFracSize*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      Retype(dialog->WidthEdit(), "320");
      if (ok) {
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
          if (b->text() == "&Ok") b->click();
      } else {
        dialog->reject();
      }
    });
    EXPECT_EQ(TFracSize::Execute(nullptr, width, height), ok);
    EXPECT_EQ(width, ok ? 320 : 640);
    EXPECT_EQ(height, ok ? 240 : 480);
  }
}

// ---------------------------------------------------------------------------
// Julia preview window.

class JuliaFormTest : public ::testing::Test {
 protected:
  JuliaFormTest() : Picture(64, 48, QImage::Format_RGB32), Canvas(&Picture) {
    Settings() = TSettings{};
    Main = std::make_unique<TFractal>(-1, 0, 0, 0, 64, 48, &Canvas);
    Main->AutoIter = false;
    Main->Ctx.Smoothing = 2;
    Main->SetFormula(0, -2.2L, 1.4L, 2.8L);
    Main->SetMaxIter(300);
    WaitForRender(*Main);
  }
  QImage Picture;
  TQtCanvas Canvas;
  std::unique_ptr<TFractal> Main;
};

TEST_F(JuliaFormTest, RefreshCopiesTheMainDocumentIntoAJuliaPreview) {
  TForm17 form(Main.get());
  bool checked = true;
  form.JulieWindowChecked = [&] { return checked; };
  EXPECT_EQ(form.windowTitle(), "Julie");
  EXPECT_EQ(form.Client()->size(), QSize(120, 120));
  TFractal& preview = *form.Preview();
  EXPECT_TRUE(preview.PreviewMode);
  EXPECT_EQ(preview.Ctx.Number, -1);

  form.JuliaRefresh();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(preview.Ctx.Number, 0);
  EXPECT_TRUE(preview.Ctx.JulieSet);
  EXPECT_FALSE(Main->Ctx.JulieSet);
  EXPECT_EQ(preview.X, -2);
  EXPECT_EQ(preview.Y, 3);
  EXPECT_EQ(preview.W, 6);
  EXPECT_EQ(preview.Ctx.Smoothing, 0);
  EXPECT_EQ(preview.Width, 120);
  WaitForRender(preview);
  EXPECT_EQ(preview.Ctx.MaxIter, 150);  // 300 div 2, back after the growing limit

  // With automatic iteration control the zoom decides instead:
  // 100 log10(120 / 6) = 130, raised to the 150 minimum.
  Main->SetMaxIter(999);
  Main->AutoIter = true;
  form.JuliaRefresh();
  WaitForRender(preview);
  EXPECT_EQ(preview.Ctx.MaxIter, 150);
}

TEST_F(JuliaFormTest, FollowsTheHoverPointAndRendersInPreviewMode) {
  TForm17 form(Main.get());
  form.JuliaRefresh();
  WaitForRender(*form.Preview());
  TFractal& preview = *form.Preview();
  const int before = form.Picture().pixel(60, 60);
  form.Canvas().FullPaints = 0;

  form.JuliaPoint(-0.12L, 0.75L);
  EXPECT_EQ(preview.Ctx.PJ.re, -0.12L);
  EXPECT_EQ(preview.Ctx.PJ.im, 0.75L);
  int restarts = 0;
  preview.OnRenderStart = [&](TFractal*) { ++restarts; };
  form.JuliaPoint(-0.12L, 0.75L);  // the same seed does not restart
  EXPECT_EQ(restarts, 0);
  WaitForRender(preview);

  // The progressive pass leaves never-escaped pixels at 0 and the escaped ones
  // at their escape counts, all within the limit.
  int escaped = 0, inside = 0;
  for (int i = 0; i < preview.PixelCount; ++i) {
    const float v = preview.ValueBuffer()[i * 3];
    if (v == 0) ++inside; else ++escaped;
    EXPECT_LE(v, 150.5f);
  }
  EXPECT_GT(escaped, 1000);
  EXPECT_GT(inside, 100);  // the seed lies in the Mandelbrot set: a connected Julia set
  // Every limit step repaints the whole picture: 150 - 3 of them.
  EXPECT_EQ(form.Canvas().FullPaints, 147);
  // The window shows what the document drew: pixel (px, py) of the image.
  const QImage shown = form.Client()->grab().toImage();
  for (auto [px, py] : {std::pair{10, 10}, {60, 60}, {100, 30}, {119, 119}}) {
    const TColor3 c = preview.PixelColor(px, py);
    EXPECT_EQ(QColor(shown.pixel(px, py)), QColor(c.Red, c.Green, c.Blue)) << px << "," << py;
  }
  EXPECT_NE(form.Picture().pixel(60, 60), before);
}

TEST_F(JuliaFormTest, HidesWhenThereIsNoJuliaPreview) {
  int notJulia = -1;
  for (const TFormulaEntry& row : FormulaCatalogue)
    if (!IsSeparatorRow(row) && row.Number >= 0 && row.Number < 500 && !row.JuliaAllowed) {
      notJulia = row.Number;
      break;
    }
  ASSERT_GE(notJulia, 0);
  struct {
    int32_t number;
    bool julia, checked, shown;
  } const cases[] = {
      {0, false, true, true},          {0, true, true, false},   {0, false, false, false},
      {notJulia, false, true, false},  {500, false, true, false}, {kIFSFormula, false, true, false},
      {kConstructorFormula, false, true, false}, {kUserFormula, false, true, true},
  };
  for (const auto& c : cases) {
    TForm17 form(Main.get());
    form.JulieWindowChecked = [&] { return c.checked; };
    form.show();
    Main->Ctx.Number = c.number;
    Main->Ctx.JulieSet = c.julia;
    form.JuliaRefresh();
    EXPECT_EQ(form.isVisible(), c.shown) << c.number << " " << c.julia << " " << c.checked;
    Main->Ctx.Number = 0;
    Main->Ctx.JulieSet = false;
  }
}

TEST_F(JuliaFormTest, ShowingRefreshesAndClosingKeepsThePosition) {
  TForm17 form(Main.get());
  form.show();
  EXPECT_EQ(form.Preview()->Ctx.Number, -1);  // the refresh comes through the queue
  QApplication::processEvents();
  EXPECT_EQ(form.Preview()->Ctx.Number, 0);
  EXPECT_TRUE(form.Preview()->Ctx.JulieSet);
  form.move(33, 44);
  form.close();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(Settings().JulieForm, (TFormPosition{form.x(), form.y()}));
}

// ---------------------------------------------------------------------------
// Parameter drag window.

struct TDragRecord {
  std::vector<std::pair<Extended, Extended>> Seeds;
  std::vector<std::tuple<int, Extended, Extended>> Parameters;
  int Closed = 0;
};

class DragFormTest : public ::testing::Test {
 protected:
  DragFormTest() : Picture(32, 32, QImage::Format_RGB32), Canvas(&Picture) {
    Settings() = TSettings{};
    Doc = std::make_unique<TFractal>(0, -2.2L, 1.4L, 2.8L, 32, 32, &Canvas);
    Doc->SetParameters(1, -1, -0.5L, 0.25L, 0, 0);
    Doc->SetJuliaPoint(0.5L, 0.5L);
    WaitForRender(*Doc);
    Link.PreviewDocument = [this] { return Doc.get(); };
    Link.UserFormulaPage = [this] { return UserPage; };
    Link.SeedEnabled = [this] { return Shown[0]; };
    Link.ParametersVisible = [this] { return Shown[1]; };
    Link.P2Visible = [this] { return Shown[2]; };
    Link.P3Visible = [this] { return Shown[3]; };
    Link.WriteSeed = [this](Extended re, Extended im) { Record.Seeds.push_back({re, im}); };
    Link.WriteParameter = [this](int k, Extended re, Extended im) { Record.Parameters.push_back({k, re, im}); };
    Link.Closed = [this] { ++Record.Closed; };
  }

  // Drags the marker with the mouse so that its top-left corner lands at
  // `to` (in the window), pressing it at its centre.
  static void DragMarker(TDragMarker* marker, QPoint to) {
    const QPoint grab(2, 2);
    QTest::mousePress(marker, Qt::LeftButton, {}, grab);
    QTest::mouseMove(marker, to + grab - marker->pos());
    QTest::mouseRelease(marker, Qt::LeftButton, {}, to + grab - marker->pos());
  }

  QImage Picture;
  TQtCanvas Canvas;
  std::unique_ptr<TFractal> Doc;
  TDragLink Link;
  TDragRecord Record;
  bool UserPage = false;
  bool Shown[4] = {true, true, true, true};
};

TEST_F(DragFormTest, ToolWindowsHaveAWholeCaptionAndNoBorderIcons) {
  Settings().JulieForm = {40, 50};
  Settings().DragForm = {300, 60};
  TForm17 julie(Doc.get());
  TDragForm drag(Link);
  struct Case {
    TToolWindow* window;
    QString title;
    QSize client;
    QPoint at;
  } const cases[] = {{&julie, "Julie", {120, 120}, {40, 50}}, {&drag, "Parameters", {201, 201}, {300, 60}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title.toStdString());
    TToolWindow& w = *c.window;
    EXPECT_EQ(w.windowTitle(), c.title);
    // The desktop draws no frame, so none of its buttons; the window keeps
    // on top and out of the task bar.
    const Qt::WindowFlags flags = w.windowFlags();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_EQ(w.Client()->size(), c.client);
    EXPECT_EQ(w.size(), QSize(c.client.width(), w.CaptionStrip()->height() + c.client.height()));

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.pos(), c.at);
    // The caption is drawn whole in the strip's text colour.
    QFont bold = w.CaptionStrip()->font();
    bold.setBold(true);
    const int textRight = 4 + QFontMetrics(bold).horizontalAdvance(c.title);
    ASSERT_LT(textRight, w.CaptionStrip()->width());
    const QImage strip = w.CaptionStrip()->grab().toImage();
    const QColor ink = w.CaptionStrip()->palette().color(QPalette::HighlightedText);
    int rightmost = -1;
    for (int y = 0; y < strip.height(); ++y)
      for (int x = 0; x < strip.width(); ++x)
        if (QColor(strip.pixel(x, y)) == ink) rightmost = std::max(rightmost, x);
    EXPECT_GT(rightmost, textRight - 8);  // the last letter, not an ellipsis halfway
    EXPECT_LE(rightmost, textRight);

    // Dragging the caption moves the window; its place is kept on hiding.
    const QPoint grab(10, 5);
    QTest::mousePress(w.CaptionStrip(), Qt::LeftButton, {}, grab);
    QTest::mouseMove(w.CaptionStrip(), grab + QPoint(30, 20));
    QTest::mouseRelease(w.CaptionStrip(), Qt::LeftButton, {}, grab + QPoint(30, 20));
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.pos() == c.at + QPoint(30, 20); }, 2000)) << w.x() << "," << w.y();
    w.hide();
  }
  EXPECT_EQ(Settings().JulieForm, (TFormPosition{70, 70}));
  EXPECT_EQ(Settings().DragForm, (TFormPosition{330, 80}));
}

TEST_F(DragFormTest, RefreshPlacesTheMarkers) {
  TDragForm form(Link);
  EXPECT_EQ(form.windowTitle(), "Parameters");
  form.show();
  EXPECT_FLOAT_EQ(form.ScaleX(), 50.25f);
  EXPECT_FLOAT_EQ(form.ScaleY(), 50.25f);
  // left = round((re + 2) x 50.25) - 2, top = round((2 - im) x 50.25) - 2.
  EXPECT_EQ(form.Marker(1)->pos(), QPoint(124, 73));  // (0.5, 0.5): 125.625, 75.375
  EXPECT_EQ(form.Marker(2)->pos(), QPoint(149, 149)); // (1, -1): 150.75
  EXPECT_EQ(form.Marker(3)->pos(), QPoint(73, 86));   // (-0.5, 0.25): 75.375, 87.9375
  EXPECT_EQ(form.Marker(4)->pos(), QPoint(98, 98));   // (0, 0): 100.5 rounds to even
  const char* hints[4] = {"Julie parameters", "Parameter P1", "Parameter P2", "Parameter P3"};
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(form.Marker(k)->toolTip(), hints[k - 1]);
    EXPECT_EQ(form.Marker(k)->size(), QSize(5, 5));
  }

  Doc->Ctx.P3 = {-2, 2};
  EXPECT_TRUE(form.Perform(MSG_DRAG_REFRESH));
  EXPECT_EQ(form.Marker(4)->pos(), QPoint(-2, -2));
  Doc->Ctx.P3 = {0, 0};
  EXPECT_FALSE(form.Perform(0x816));
  EXPECT_EQ(form.Marker(4)->pos(), QPoint(-2, -2));

  struct {
    int32_t number;
    bool userPage;
    bool shown[4];
    bool visible[4];
  } const cases[] = {
      {0, false, {false, true, true, false}, {false, true, true, false}},
      {0, false, {true, false, false, false}, {true, false, false, false}},
      {0, true, {false, false, false, false}, {true, true, true, true}},
      {kUserFormula, false, {false, false, false, false}, {true, true, true, true}},
  };
  for (const auto& c : cases) {
    Doc->Ctx.Number = c.number;
    UserPage = c.userPage;
    for (int k = 0; k < 4; ++k) Shown[k] = c.shown[k];
    form.Perform(MSG_DRAG_REFRESH);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(form.Marker(k + 1)->isVisible(), c.visible[k]) << c.number << " " << k;
  }
  Doc->Ctx.Number = 0;
}

TEST_F(DragFormTest, DraggingWritesTheValues) {
  TDragForm form(Link);
  form.show();
  // P1 to the centre: (100 / 50.25 - 2, 2 - 100 / 50.25), about (0, 0).
  DragMarker(form.Marker(2), QPoint(98, 98));
  EXPECT_EQ(form.Marker(2)->pos(), QPoint(98, 98));
  ASSERT_FALSE(Record.Parameters.empty());
  const auto [k, re, im] = Record.Parameters.back();
  EXPECT_EQ(k, 1);
  EXPECT_NEAR(double(re), -0.00995, 1e-4);
  EXPECT_NEAR(double(im), 0.00995, 1e-4);
  EXPECT_EQ(Doc->Ctx.P1.re, re);
  EXPECT_EQ(Doc->Ctx.P1.im, im);
  EXPECT_EQ(Doc->Ctx.P2.re, -0.5L);  // the others unchanged
  EXPECT_EQ(Doc->Ctx.P2.im, 0.25L);
  EXPECT_EQ(Doc->Ctx.P3.re, 0);
  EXPECT_TRUE(Record.Seeds.empty());

  // Dragged past the corner the marker stays inside: left = top = 196.
  DragMarker(form.Marker(4), QPoint(400, 400));
  EXPECT_EQ(form.Marker(4)->pos(), QPoint(196, 196));
  EXPECT_NEAR(double(Doc->Ctx.P3.re), 198 / 50.25 - 2, 1e-12);
  EXPECT_NEAR(double(Doc->Ctx.P3.im), 2 - 198 / 50.25, 1e-12);
  EXPECT_EQ(std::get<0>(Record.Parameters.back()), 3);
  DragMarker(form.Marker(3), QPoint(-50, 0));
  EXPECT_EQ(form.Marker(3)->pos(), QPoint(0, 0));
  EXPECT_NEAR(double(Doc->Ctx.P2.re), 2 / 50.25 - 2, 1e-12);

  // The seed marker writes the seed edits and the preview's Julia seed.
  DragMarker(form.Marker(1), QPoint(48, 148));
  ASSERT_FALSE(Record.Seeds.empty());
  EXPECT_NEAR(double(Record.Seeds.back().first), 50 / 50.25 - 2, 1e-12);
  EXPECT_NEAR(double(Record.Seeds.back().second), 2 - 150 / 50.25, 1e-12);
  EXPECT_EQ(Doc->Ctx.PJ.re, Record.Seeds.back().first);
  EXPECT_EQ(Doc->Ctx.PJ.im, Record.Seeds.back().second);

  form.move(12, 34);
  form.close();
  EXPECT_EQ(Record.Closed, 1);
  EXPECT_EQ(Settings().DragForm, (TFormPosition{form.x(), form.y()}));
}

TEST_F(DragFormTest, BackgroundOrAxes) {
  {
    TDragForm form(Link);
    EXPECT_TRUE(form.HasBackground());
    const QImage shown = form.Client()->grab().toImage();
    const QImage param = ResourceBitmap("PARAM");
    EXPECT_EQ(shown.pixel(30, 30), param.pixel(30, 30));
  }
  // Without the "PARAM" bitmap: black with two white axes through the middle.
  TResourceHook old = SetResourceHook([](std::string_view) { return QImage(); });
  TDragForm form(Link);
  SetResourceHook(old);
  EXPECT_FALSE(form.HasBackground());
  const QImage shown = form.Client()->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(150, 100)), QColor(Qt::white));
  EXPECT_EQ(QColor(shown.pixel(100, 20)), QColor(Qt::white));
  EXPECT_EQ(QColor(shown.pixel(150, 50)), QColor(Qt::black));
  EXPECT_EQ(QColor(shown.pixel(200, 200)), QColor(Qt::black));
}

// ---------------------------------------------------------------------------
// Shaded label.

// The pixels of the label's picture in colour c.
std::set<std::pair<int, int>> PixelsOf(const QImage& image, QColor c) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (QColor(image.pixel(x, y)) == c) out.insert({x, y});
  return out;
}

TEST(Label3d, ShadesAreOffsetCopiesOfTheText) {
  const QColor light(255, 255, 0), dark(0, 0, 255), paper(Qt::white), ink(Qt::black);
  auto make = [&](T3DEffect style) {
    auto* label = new TmyLabel3d("Shade");
    QFont f("Sans Serif");
    f.setPixelSize(20);
    f.setStyleStrategy(QFont::NoAntialias);
    label->setFont(f);
    label->SetTransparent(false);
    label->SetColor(paper);
    label->SetFontColor(ink);
    label->SetAShadeLeftTop(light);
    label->SetAShadeRightBottom(dark);
    label->SetAStyle3D(style);
    label->setAlignment(Qt::AlignCenter);
    label->resize(120, 50);
    return label;
  };
  std::unique_ptr<TmyLabel3d> plain(make(T3DEffect::Normal3d));
  const QImage base = plain->grab().toImage();
  const auto text = PixelsOf(base, ink);
  ASSERT_GT(text.size(), 30u);
  EXPECT_TRUE(PixelsOf(base, dark).empty());
  EXPECT_TRUE(PixelsOf(base, light).empty());
  auto shifted = [&](int dx, int dy) {
    std::set<std::pair<int, int>> out;
    for (auto [x, y] : text)
      if (x + dx >= 0 && y + dy >= 0 && x + dx < 120 && y + dy < 50 && !text.count({x + dx, y + dy}))
        out.insert({x + dx, y + dy});
    return out;
  };
  // What shows of each shade: its copy of the text less what is drawn over
  // it later.
  auto minus = [](std::set<std::pair<int, int>> a, const std::set<std::pair<int, int>>& b) {
    for (auto p : b) a.erase(p);
    return a;
  };
  struct {
    T3DEffect style;
    std::set<std::pair<int, int>> light, dark;
  } const cases[] = {
      {T3DEffect::Resit3d, minus(shifted(1, 1), shifted(-1, -1)), shifted(-1, -1)},
      {T3DEffect::Raised3d, shifted(-1, -1), minus(shifted(1, 1), shifted(-1, -1))},
      {T3DEffect::Shadowed3d, {}, shifted(5, -5)},  // 5 right of and 5 above the text
  };
  for (const auto& c : cases) {
    std::unique_ptr<TmyLabel3d> label(make(c.style));
    const QImage image = label->grab().toImage();
    EXPECT_EQ(PixelsOf(image, ink), text) << int(c.style);
    EXPECT_EQ(PixelsOf(image, light), c.light) << int(c.style);
    EXPECT_EQ(PixelsOf(image, dark), c.dark) << int(c.style);
  }
  // Disabled, the text takes the grey-text colour.
  plain->setEnabled(false);
  EXPECT_TRUE(PixelsOf(plain->grab().toImage(), ink).empty());
}

TEST(Label3d, PropertiesAndMouseOut) {
  TmyLabel3d label("&Caption");
  EXPECT_EQ(label.AStyle3D(), T3DEffect::Normal3d);
  EXPECT_EQ(label.AShadeRightBottom(), QColor(0x80, 0x80, 0x80));
  EXPECT_EQ(label.AShadeLeftTop(), QColor(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(label.AHShadeOffSet(), 5);
  EXPECT_EQ(label.AVShadeOffSet(), -5);
  EXPECT_FALSE(label.AShadeLTSet());
  EXPECT_TRUE(label.Transparent());

  // The forced white light shade, and the previous one coming back.
  label.SetAShadeLeftTop(QColor(1, 2, 3));
  label.SetAShadeLTSet(true);
  EXPECT_EQ(label.AShadeLeftTop(), QColor(255, 255, 255));
  label.SetAShadeLeftTop(QColor(9, 9, 9));
  EXPECT_EQ(label.AShadeLeftTop(), QColor(255, 255, 255));
  label.SetAShadeLTSet(false);
  EXPECT_EQ(label.AShadeLeftTop(), QColor(1, 2, 3));

  // An empty caption measures as one blank.
  TmyLabel3d empty(""), blank(" "), marker("&");
  EXPECT_EQ(empty.sizeHint(), blank.sizeHint());
  EXPECT_EQ(marker.sizeHint(), blank.sizeHint());
  EXPECT_GT(empty.sizeHint().width(), 0);

  label.resize(80, 20);
  label.show();
  int outs = 0;
  label.OnMouseOut = [&](TmyLabel3d* sender) {
    EXPECT_EQ(sender, &label);
    ++outs;
  };
  struct {
    QPoint at;
    bool out;
  } const moves[] = {{{10, 10}, false}, {{0, 0}, false},  {{80, 20}, false}, {{-1, 5}, true}, {{40, 10}, false},
                     {{40, -1}, true},  {{81, 5}, true},  {{5, 21}, true},   {{79, 19}, false}};
  int expected = 0;
  for (const auto& m : moves) {
    QMouseEvent move(QEvent::MouseMove, QPointF(m.at), label.mapToGlobal(QPointF(m.at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &move);
    expected += m.out;
    EXPECT_EQ(outs, expected) << m.at.x() << "," << m.at.y();
  }
  label.hide();
}

// ---------------------------------------------------------------------------
// Bitmap resources.

TEST(Resources, EveryNamedBitmapIsPainted) {
  const auto& names = ResourceNames();
  EXPECT_EQ(names.size(), 4u + 5 + 6 + 10 + 8);
  for (const std::string& name : names) {
    const QImage image = ResourceBitmap(name);
    ASSERT_FALSE(image.isNull()) << name;
    QSize expected(kFrameBitmapSize, kFrameBitmapSize);
    if (name == "PARAM") expected = QSize(kParamBitmapSize, kParamBitmapSize);
    if (name == "LINEAR" || name == "SQUARE" || name == "CUBE") expected = QSize(kCurveBitmapWidth, kCurveBitmapHeight);
    EXPECT_EQ(image.size(), expected) << name;
    // Not a blank picture.
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
      for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 2u) << name;
  }
  // Animation frames differ from each other.
  EXPECT_NE(ResourceBitmap("JULIE1"), ResourceBitmap("JULIE2"));
  EXPECT_NE(ResourceBitmap("IFS0"), ResourceBitmap("IFS7"));
  EXPECT_NE(ResourceBitmap("PARAM01"), ResourceBitmap("PARAM10"));
  // Names are not case-sensitive; unknown names have no bitmap.
  EXPECT_EQ(ResourceBitmap("julie3"), ResourceBitmap("JULIE3"));
  for (const char* name : {"", "JULIE0", "JULIE6", "TRANS7", "PARAM1", "PARAM11", "PARAM00", "IFS8", "IFS00", "X"})
    EXPECT_TRUE(ResourceBitmap(name).isNull()) << name;
  // "PARAM" shows the axes of the plane through its middle.
  const QImage param = ResourceBitmap("PARAM");
  EXPECT_EQ(QColor(param.pixel(100, 30)), QColor(Qt::white));
  EXPECT_EQ(QColor(param.pixel(30, 100)), QColor(Qt::white));
}

}  // namespace
