// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences dialog driven as a user drives it: every control changes
// the document or palette value it names; palette controls recolour the
// image from its stored values without iterating again.

#include "engine/options_form.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "engine/render_thread.h"
#include "platform/canvas_qt.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "ui/settings.h"
#include "tests/gui/window_test_helpers.h"

namespace fs = std::filesystem;

namespace {

class OptionsFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/px_options_form_XXXXXX";
    Folder = mkdtemp(tmpl);
    SetProgramFolder(Folder);
    Settings() = TSettings{};
    OldHandler = SetMessageHandler([this](const std::string& text) { Messages.push_back(text); });
    OldHooks = FileDialogHooks();
    Picture = QImage(48, 40, QImage::Format_RGB32);
    Picture.fill(Qt::black);
    Canvas = std::make_unique<TQtCanvas>(&Picture);
    Doc = std::make_unique<TFractal>(-1, 0, 0, 0, 48, 40, Canvas.get());
    Doc->SetFormula(0, -2.2L, 1.4L, 2.8L);
    WaitForRender(*Doc);
    Doc->OnRenderStart = [this](TFractal*) { ++Restarts; };
    Form = std::make_unique<TOptionsForm>();
    Form->ShowFor(Doc.get());
  }

  void TearDown() override {
    Form.reset();
    Doc.reset();
    FileDialogHooks() = OldHooks;
    SetMessageHandler(OldHandler);
    SetProgramFolder("");
    fs::remove_all(Folder);
  }

  template <class T>
  T* Find(const char* name) {
    T* w = Form->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  std::vector<float> Values() const { return {Doc->ValueBuffer(), Doc->ValueBuffer() + Doc->PixelCount * 3}; }
  std::vector<uint8_t> Image() const { return {Doc->ImageBuffer(), Doc->ImageBuffer() + Doc->PixelCount * 3}; }

  // Answers the next file dialog with `path` (or cancels with "").
  void AnswerFileDialogs(const std::string& path) {
    auto answer = [this, path](TFileDialog& d, QWidget*) {
      Asked.push_back(d);
      if (path.empty()) return false;
      d.FileName = path;
      return true;
    };
    FileDialogHooks().Open = answer;
    FileDialogHooks().Save = answer;
  }

  std::string Folder;
  TMessageHandler OldHandler;
  TFileDialogHooks OldHooks;
  std::vector<std::string> Messages;
  std::vector<TFileDialog> Asked;
  int Restarts = 0;  // renders started (and SetMaxIter calls)
  QImage Picture;
  std::unique_ptr<TQtCanvas> Canvas;
  std::unique_ptr<TFractal> Doc;
  std::unique_ptr<TOptionsForm> Form;
};

TEST_F(OptionsFormTest, ShowsTheDocument) {
  EXPECT_EQ(Form->windowTitle(), "Fractal's property");
  EXPECT_TRUE(Form->Live());
  EXPECT_EQ(Form->Tabs()->currentIndex(), int(opCoordinates));
  const char* pages[5] = {"Coordinates", "Contrast", "Color palette", "JPEG options", "IFS Setup"};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(Form->Tabs()->tabText(k), pages[k]);
  EXPECT_EQ(Find<QLineEdit>("XEdit")->text(), "-2.2");
  EXPECT_EQ(Find<QLineEdit>("YEdit")->text(), "1.4");
  EXPECT_EQ(Find<QLineEdit>("WEdit")->text(), "2.8");
  EXPECT_EQ(Find<QLineEdit>("BailOutEdit")->text(), "9");
  EXPECT_TRUE(Find<QCheckBox>("AutoIterBox")->isChecked());
  auto* maxIter = Find<QSpinBox>("MaxIterSpin");
  EXPECT_FALSE(maxIter->isEnabled());
  EXPECT_EQ(maxIter->value(), 150);  // 100 log10(48 / 2.8) = 123, raised to 150
  EXPECT_EQ(maxIter->minimum(), 4);
  EXPECT_EQ(maxIter->maximum(), 100000);
  EXPECT_EQ(maxIter->toolTip(), "Value larger then 5000 _NOT_ recommended !!!");
  // The standard palette has no "Contrast" page.
  EXPECT_FALSE(Form->Tabs()->isTabVisible(opContrast));
  EXPECT_TRUE(Find<QRadioButton>("Kind0")->isChecked());
  EXPECT_EQ(Find<QSlider>("ContrastSlider")->value(), 15);  // Round(20 x 0.75)
  EXPECT_EQ(Find<QSpinBox>("BlueStepSpin")->value(), 9);
  EXPECT_EQ(Find<QSpinBox>("BlueShiftSpin")->value(), 64);
  EXPECT_EQ(Find<QScrollBar>("BlueShiftBar")->value(), 64);
  EXPECT_EQ(Find<QComboBox>("ColorOrderCombo")->currentText(), "R G B");
  EXPECT_TRUE(Find<QRadioButton>("IFSStyle0")->isChecked());
  EXPECT_TRUE(Find<QPushButton>("SolidButton")->isHidden());
  EXPECT_TRUE(Find<QCheckBox>("QuickBox")->isChecked());
}

TEST_F(OptionsFormTest, CoordinateFields) {
  auto* x = Find<QLineEdit>("XEdit");
  auto* w = Find<QLineEdit>("WEdit");
  Retype(x, "-1.5");
  Leave(x);
  EXPECT_EQ(Doc->X, -1.5L);
  EXPECT_EQ(Doc->Y, 1.4L);
  EXPECT_EQ(Doc->W, 2.8L);
  Retype(w, "0.25");
  Leave(w);
  EXPECT_EQ(Doc->W, 0.25L);
  EXPECT_EQ(x->text(), "-1.5");
  WaitForRender(*Doc);

  // Typing: a second decimal separator and letters are refused.
  Retype(x, "0.5.5e");
  EXPECT_EQ(x->text(), "0.55");
  Retype(x, "-.7");
  EXPECT_EQ(x->text(), "-.7");
  Retype(x, "--1-");
  EXPECT_EQ(x->text(), "-1");

  // Not a number: the message, the document unchanged.
  Retype(x, "1-2");
  Leave(x);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "Error in numeric !");
  EXPECT_EQ(Doc->X, -1.5L);

  // An empty field, or one still showing the document's value, changes
  // nothing and starts no render.
  const int restarts = Restarts;
  Retype(x, "  ");
  Leave(x);
  x->setText("-1.5");
  Leave(x);
  EXPECT_EQ(Restarts, restarts);
  EXPECT_EQ(Doc->X, -1.5L);
  EXPECT_EQ(Messages.size(), 1u);

  // A change made elsewhere shows in the fields.
  Doc->SetWindow(-0.75L, 0.5L, 1e-7L);
  EXPECT_EQ(x->text(), "-0.75");
  EXPECT_EQ(Find<QLineEdit>("YEdit")->text(), "0.5");
  EXPECT_EQ(w->text(), "1E-7");
}

TEST_F(OptionsFormTest, DeepCoordinatesShowAndTakeEveryDigit) {
  Doc->AutoIter = false;  // a deep view of this formula renders flat: keep it short
  Doc->Ctx.MaxIter = 20;
  QLineEdit* fields[3] = {Find<QLineEdit>("XEdit"), Find<QLineEdit>("YEdit"), Find<QLineEdit>("WEdit")};
  const std::string typed[3] = {"-0.743643887037158704752191506114774", "0.131825904205311970493132056385139",
                                "0.0000000000000000000000000000000002"};
  // X and Y first: their digits wait in the fields for the width that
  // resolves them.
  for (int k = 0; k < 3; ++k) {
    Retype(fields[k], QString::fromStdString(typed[k]));
    Leave(fields[k]);
  }
  TDeepWindow expected;
  ASSERT_LT(ParseDeepWindow(typed, expected), 0);
  EXPECT_TRUE(Doc->Deep.X == expected.X && Doc->Deep.Y == expected.Y && Doc->Deep.W == expected.W);
  const std::string shown[3] = {fields[0]->text().toStdString(), fields[1]->text().toStdString(),
                                fields[2]->text().toStdString()};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(shown[k], typed[k]);

  // A deep view set elsewhere shows every digit; the texts put back after a
  // trip home give the same window exactly.
  Doc->SetDeepWindow(MovedWindow(Doc->Deep, {.Column = 7, .Row = 3, .Spans = 47}));
  const TDeepWindow moved = Doc->Deep;
  std::string texts[3];
  for (int k = 0; k < 3; ++k) texts[k] = fields[k]->text().toStdString();
  EXPECT_GT(texts[0].size(), 30u);
  Doc->SetWindow(-2.2L, 1.4L, 2.8L);
  EXPECT_EQ(fields[0]->text(), "-2.2");
  for (int k = 0; k < 3; ++k) {
    fields[k]->setText(QString::fromStdString(texts[k]));
    Leave(fields[k]);
  }
  EXPECT_TRUE(Doc->Deep.X == moved.X && Doc->Deep.Y == moved.Y && Doc->Deep.W == moved.W);
  EXPECT_TRUE(Messages.empty());
  WaitForRender(*Doc);
}

TEST_F(OptionsFormTest, IterationControl) {
  auto* autoIter = Find<QCheckBox>("AutoIterBox");
  auto* maxIter = Find<QSpinBox>("MaxIterSpin");
  autoIter->click();
  EXPECT_FALSE(Doc->AutoIter);
  EXPECT_TRUE(maxIter->isEnabled());
  maxIter->selectAll();
  QTest::keyClicks(maxIter, "500");
  EXPECT_EQ(Doc->Ctx.MaxIter, 500);
  // Below the range: the least value on leaving.
  maxIter->selectAll();
  QTest::keyClicks(maxIter, "2");
  Leave(maxIter);
  EXPECT_EQ(maxIter->value(), 4);
  maxIter->setValue(500);
  maxIter->setValue(4);  // 4 itself is not sent
  EXPECT_EQ(Doc->Ctx.MaxIter, 500);
  QTest::keyClick(maxIter, Qt::Key_Up);
  EXPECT_EQ(Doc->Ctx.MaxIter, 5);
  // Switching automatic control on shows and sets its value.
  autoIter->click();
  EXPECT_TRUE(Doc->AutoIter);
  EXPECT_FALSE(maxIter->isEnabled());
  EXPECT_EQ(maxIter->value(), 150);
  EXPECT_EQ(Doc->Ctx.MaxIter, 150);
  WaitForRender(*Doc);
}

TEST_F(OptionsFormTest, IterationFieldTakesTheLimitOfTheView) {
  auto* maxIter = Find<QSpinBox>("MaxIterSpin");
  Find<QCheckBox>("AutoIterBox")->click();
  // Beside the set, past what doubles resolve: the deep render draws it.
  Doc->SetWindow(1.25L, 0.5L, 1e-20L);
  maxIter->selectAll();
  QTest::keyClicks(maxIter, "2000000");
  Leave(maxIter);
  EXPECT_EQ(maxIter->value(), 2000000);
  EXPECT_EQ(Doc->Ctx.MaxIter, 2000000);
  // A view the ordinary render draws takes its cap again, and so does the field.
  Doc->SetWindow(-2.2L, 1.4L, 2.8L);
  EXPECT_EQ(Doc->Ctx.MaxIter, 100000);
  EXPECT_EQ(maxIter->maximum(), 100000);
  EXPECT_EQ(maxIter->value(), 100000);
  WaitForRender(*Doc);
}

// The fast arithmetic box is a program-wide preference: it sets the setting
// and renders the document again with the chosen arithmetic.
TEST_F(OptionsFormTest, FastArithmeticPreference) {
  auto* fast = Find<QCheckBox>("FastArithmeticBox");
  EXPECT_EQ(fast->text(), "Fast arithmetic (doubles, SIMD)");
  EXPECT_FALSE(fast->isChecked());
  for (bool on : {true, false}) {
    const int restarts = Restarts;
    fast->click();
    EXPECT_EQ(Settings().FastArithmetic, on);
    EXPECT_EQ(TFractal::UseFastArithmetic, on);
    EXPECT_EQ(Restarts, restarts + 1);
    EXPECT_EQ(Doc->Ctx.FastArithmetic, on);
    WaitForRender(*Doc);
  }
}

TEST_F(OptionsFormTest, BailOut) {
  auto* bail = Find<QLineEdit>("BailOutEdit");
  auto* up = Find<QToolButton>("BailOutUp");
  auto* down = Find<QToolButton>("BailOutDown");
  struct {
    const char* text;
    bool up;
    const char* shown;
    float stored;
  } const cases[] = {
      {"4", true, "9", 9},           {"9", true, "16", 16},         {"2", false, "1", 1},
      {"1", false, "1", 1},          {"10", false, "4", 4},         {"12.25", true, "25", 25},  // sqrt 3.5 rounds to 4
      {"6.25", true, "9", 9},        // sqrt 2.5 rounds to 2
      {"999000", true, "999999.999", 999999.999f}, {"-", true, "1", 1}, {"", false, "1", 1},
  };
  for (const auto& c : cases) {
    bail->setText(c.text);
    QTest::mouseClick(c.up ? up : down, Qt::LeftButton);
    EXPECT_EQ(bail->text(), c.shown) << c.text;
    EXPECT_EQ(Doc->Ctx.BailOut, c.stored) << c.text;
  }
  // The arrow keys in the field do the same.
  bail->setText("4");
  QTest::keyClick(bail, Qt::Key_Up);
  EXPECT_EQ(bail->text(), "9");
  QTest::keyClick(bail, Qt::Key_Up);
  EXPECT_EQ(bail->text(), "16");
  QTest::keyClick(bail, Qt::Key_Down);
  EXPECT_EQ(bail->text(), "9");
  // Leaving: a number is set, anything else shows "0" and sets nothing.
  Retype(bail, "7.5");
  Leave(bail);
  EXPECT_EQ(Doc->Ctx.BailOut, 7.5f);
  Retype(bail, "-");
  Leave(bail);
  EXPECT_EQ(bail->text(), "0");
  EXPECT_EQ(Doc->Ctx.BailOut, 7.5f);
  WaitForRender(*Doc);
}

TEST(OptionsFormRules, BailOutText) {
  EXPECT_EQ(BailOutText(4), "4");
  EXPECT_EQ(BailOutText(0.05f), "0.05");
  EXPECT_EQ(BailOutText(999999.999f), "1000000");  // the float nearest to it
  EXPECT_EQ(BailOutText(7.5f), "7.5");
  int32_t kinds[3];
  struct {
    int32_t kind;
    int channel;
    int count;
    int32_t expected[3];
  } const cases[] = {
      {kPalStandard, 0, 0, {}},      {kPalLinear, 0, 2, {1, 2}},      {kPalLinear, 2, 2, {5, 6}},
      {kPalParabola, 0, 3, {7, 8, 9}}, {kPalParabola, 1, 3, {10, 11, 12}}, {kPalParabola, 2, 3, {13, 14, 15}},
      {kPalSquare, 0, 2, {16, 17}},  {kPalSquare, 2, 2, {20, 21}},     {kPalLinear, 3, 0, {}},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(CurveEndPoints(c.kind, c.channel, kinds), c.count) << c.kind << " " << c.channel;
    for (int k = 0; k < c.count; ++k) EXPECT_EQ(kinds[k], c.expected[k]);
  }
}

TEST_F(OptionsFormTest, PaletteControlsRecolourWithoutIterating) {
  QColor answer;
  Form->ColorDialog = [&](QColor& c, QWidget*) {
    c = answer;
    return true;
  };
  const TFPal& pal = *Doc->Palette;
  struct TStep {
    const char* what;
    std::function<void()> act;
    std::function<bool()> done;
  };
  const std::vector<TStep> steps = {
      {"linear kind", [&] { Find<QRadioButton>("Kind1")->click(); },
       [&] { return pal.PaletteKind == kPalLinear && Form->Tabs()->isTabVisible(opContrast); }},
      {"contrast slider", [&] { QTest::keyClick(Find<QSlider>("ContrastSlider"), Qt::Key_Left); },
       [&] { return pal.Contrast == 0.7f; }},  // position 14 / 20
      {"palette filter", [&] { Find<QRadioButton>("IterChanging1")->click(); }, [&] { return pal.IterChanging == 1; }},
      {"colour order", [&] { Find<QComboBox>("ColorOrderCombo")->setCurrentIndex(5); },
       [&] { return pal.ColorOrder == 5; }},
      {"parabola kind", [&] { Find<QRadioButton>("Kind2")->click(); }, [&] { return pal.PaletteKind == kPalParabola; }},
      {"square kind", [&] { Find<QRadioButton>("Kind3")->click(); }, [&] { return pal.PaletteKind == kPalSquare; }},
      {"infinity colour",
       [&] {
         answer = QColor(255, 0, 0);
         QTest::mouseClick(Find<TColorSwatch>("InfinitySwatch"), Qt::LeftButton);
       },
       [&] {
         return pal.InfinityColor == (TColor3{0, 0, 255}) && Find<TColorSwatch>("BackgroundSwatch")->Color() == answer;
       }},
      {"standard kind", [&] { Find<QRadioButton>("Kind0")->click(); },
       [&] { return pal.PaletteKind == kPalStandard && !Form->Tabs()->isTabVisible(opContrast); }},
      {"red step", [&] { QTest::keyClick(Find<QSpinBox>("RedStepSpin"), Qt::Key_Up); },
       [&] { return pal.RedStep == 9; }},
      {"green start field", [&] { Find<QSpinBox>("GreenShiftSpin")->setValue(100); },
       [&] { return pal.GreenShift == 100 && Find<QScrollBar>("GreenShiftBar")->value() == 100; }},
      {"blue start bar", [&] { Find<QScrollBar>("BlueShiftBar")->setValue(200); },
       [&] { return pal.BlueShift == 200 && Find<QSpinBox>("BlueShiftSpin")->value() == 200; }},
      {"background colour",
       [&] {
         answer = QColor(0, 0, 255);
         QTest::keyClick(Find<TColorSwatch>("BackgroundSwatch"), Qt::Key_Space);
       },
       [&] { return pal.InfinityColor == (TColor3{255, 0, 0}); }},
  };
  const std::vector<float> values = Values();
  for (const TStep& s : steps) {
    const std::vector<uint8_t> before = Image();
    const QImage shownBefore = Picture.copy();
    s.act();
    EXPECT_TRUE(s.done()) << s.what;
    EXPECT_EQ(Values(), values) << s.what;
    EXPECT_EQ(Restarts, 0) << s.what;
    EXPECT_NE(Image(), before) << s.what;
    EXPECT_NE(Picture, shownBefore) << s.what;  // painted on the document's canvas
  }
  // The recolour is exactly the palette applied to the stored values.
  for (int py = 0; py < Doc->Height; ++py)
    for (int px = 0; px < Doc->Width; ++px) {
      const float* v = Doc->ValueBuffer() + (py * Doc->BufWidth() + px) * 3;
      ASSERT_EQ(Doc->PixelColor(px, Doc->BufHeight() - 1 - py), pal.ColorOf(v[0], v[1], v[2]));
    }
}

TEST_F(OptionsFormTest, DraggingCurveHandlesSetsEndPoints) {
  Find<QRadioButton>("Kind1")->click();
  const TFPal& pal = *Doc->Palette;
  TCurveBox* red = Form->CurveBox(0);
  ASSERT_EQ(red->size(), QSize(Form->CurveWidth(), Form->CurveHeight()));
  const int w = Form->CurveWidth(), h = Form->CurveHeight();
  // The red end handle sits at the right edge, at the top for 255.
  EXPECT_EQ(pal.HandlePosition(2, w, h), (TPalPoint{w - 2, 0}));
  const std::vector<float> values = Values();

  struct {
    QPoint press, to;
    int32_t kind;  // 0: the press takes no handle
    int32_t start, end;
  } const drags[] = {
      {{w - 2, 1}, {w - 2, h + 20}, 2, 0, 0},      // to the bottom: 0
      {{w - 3, h - 3}, {w - 2, -30}, 2, 0, 255},   // back to the top: 255
      {{w - 2, 3}, {w - 4, h / 2}, 2, 0, 128},     // half way: Round(127.5) = 128
      {{2, h - 2}, {2, 0}, 1, 255, 128},           // the start handle
      {{w / 2, h / 2}, {w / 2, 0}, 0, 255, 128},   // between the handles: nothing
  };
  for (const auto& d : drags) {
    const std::vector<uint8_t> before = Image();
    QTest::mousePress(red, Qt::LeftButton, {}, d.press);
    EXPECT_EQ(Form->DraggedEndPoint(), d.kind);
    QTest::mouseMove(red, d.to);
    QTest::mouseRelease(red, Qt::LeftButton, {}, d.to);
    EXPECT_EQ(Form->DraggedEndPoint(), 0);
    EXPECT_EQ(pal.LinearRed.Start, d.start);
    EXPECT_EQ(pal.LinearRed.End, d.end);
    EXPECT_EQ(Find<QLineEdit>("RedStartEdit")->text(), QString::number(d.start));
    EXPECT_EQ(Find<QLineEdit>("RedEndEdit")->text(), QString::number(d.end));
    if (d.kind != 0) {
      EXPECT_NE(Image(), before);
    }
  }
  EXPECT_EQ(Values(), values);
  EXPECT_EQ(Restarts, 0);

  // Parabola: the middle handle of green is its end point, either side
  // handle its start.
  Find<QRadioButton>("Kind2")->click();
  TCurveBox* green = Form->CurveBox(1);
  EXPECT_EQ(pal.HandlePosition(11, w, h), (TPalPoint{w / 2, 0}));
  QTest::mousePress(green, Qt::LeftButton, {}, QPoint(w / 2 + 3, 4));
  EXPECT_EQ(Form->DraggedEndPoint(), 11);
  QTest::mouseMove(green, QPoint(w / 2, h));
  QTest::mouseRelease(green, Qt::LeftButton, {}, QPoint(w / 2, h));
  EXPECT_EQ(pal.ParabolaGreen.End, 0);
  QTest::mousePress(green, Qt::LeftButton, {}, QPoint(w - 2, h - 1));
  EXPECT_EQ(Form->DraggedEndPoint(), 12);
  QTest::mouseMove(green, QPoint(w - 2, 0));
  QTest::mouseRelease(green, Qt::LeftButton, {}, QPoint(w - 2, 0));
  EXPECT_EQ(pal.ParabolaGreen.Start, 255);
  EXPECT_EQ(Find<QLineEdit>("GreenStartEdit")->text(), "255");
  EXPECT_EQ(Find<QLineEdit>("GreenEndEdit")->text(), "0");

  // The curve boxes draw the channel's curve over its colour, with the
  // handles in white.
  // Start 255 puts the side handles at the top, end 0 the middle one at the
  // bottom, and the curve runs down to it.
  const QImage box = green->grab().toImage();
  EXPECT_EQ(QColor(box.pixel(1, 0)), QColor(Qt::white));
  EXPECT_EQ(QColor(box.pixel(w - 2, 0)), QColor(Qt::white));
  EXPECT_EQ(QColor(box.pixel(w / 2, h - 1)), QColor(Qt::white));
  EXPECT_EQ(QColor(box.pixel(w / 2, h / 2)), QColor(0, 128, 0));
  EXPECT_EQ(QColor(box.pixel(w / 2, 0)), QColor(0, 128, 0));

  // The numeric fields take digits only and show "0" when left empty; they
  // do not change the palette.
  auto* field = Find<QLineEdit>("GreenEndEdit");
  Retype(field, "1x2");
  EXPECT_EQ(field->text(), "12");
  Retype(field, "");
  Leave(field);
  EXPECT_EQ(field->text(), "0");
  EXPECT_EQ(pal.ParabolaGreen.End, 0);
}

TEST_F(OptionsFormTest, OptionsRefreshReadsTheReplacedPalette) {
  TFPal& pal = *Doc->Palette;
  pal.PaletteKind = kPalSquare;
  pal.Contrast = 0.25f;
  pal.IterChanging = 4;
  pal.ColorOrder = 2;
  pal.InfinityColor = {10, 20, 30};
  pal.SquareBlue = {40, 50};
  pal.Rebuild();
  Doc->Ctx.IFSColorStyle = 1;
  Doc->Ctx.IFSquick = false;
  const std::vector<float> values = Values();
  const std::vector<uint8_t> before = Image();
  Form->Refresh();
  EXPECT_TRUE(Form->Live());
  EXPECT_TRUE(Find<QRadioButton>("Kind3")->isChecked());
  EXPECT_TRUE(Form->Tabs()->isTabVisible(opContrast));
  EXPECT_EQ(Find<QSlider>("ContrastSlider")->value(), 5);
  EXPECT_TRUE(Find<QRadioButton>("IterChanging4")->isChecked());
  EXPECT_EQ(Find<QComboBox>("ColorOrderCombo")->currentText(), "G R B");
  EXPECT_EQ(Find<TColorSwatch>("InfinitySwatch")->Color(), QColor(30, 20, 10));
  EXPECT_EQ(Find<TColorSwatch>("BackgroundSwatch")->Color(), QColor(30, 20, 10));
  EXPECT_EQ(Find<QLineEdit>("BlueStartEdit")->text(), "40");
  EXPECT_EQ(Find<QLineEdit>("BlueEndEdit")->text(), "50");
  EXPECT_TRUE(Find<QRadioButton>("IFSStyle1")->isChecked());
  EXPECT_FALSE(Find<QPushButton>("SolidButton")->isHidden());
  EXPECT_FALSE(Find<QCheckBox>("QuickBox")->isChecked());
  // Filling the controls changed nothing back; the image was recoloured.
  EXPECT_EQ(pal.Contrast, 0.25f);
  EXPECT_EQ(pal.ColorOrder, 2);
  EXPECT_EQ(Values(), values);
  EXPECT_NE(Image(), before);
}

TEST_F(OptionsFormTest, JpegOptions) {
  Settings().JpegQuality = 70;
  Settings().JpegProgressive = true;
  Form->Tabs()->setCurrentIndex(opJpeg);
  auto* quality = Find<QSlider>("QualitySlider");
  EXPECT_EQ(quality->minimum(), 1);
  EXPECT_EQ(quality->maximum(), 10);
  EXPECT_EQ(quality->value(), 7);
  QTest::keyClick(quality, Qt::Key_Right);
  EXPECT_EQ(Settings().JpegQuality, 80);
  QTest::keyClick(quality, Qt::Key_End);
  EXPECT_EQ(Settings().JpegQuality, 100);
  QTest::keyClick(quality, Qt::Key_Home);
  EXPECT_EQ(Settings().JpegQuality, 10);
  auto* progressive = Find<QCheckBox>("ProgressiveBox");
  EXPECT_TRUE(progressive->isChecked());
  progressive->click();
  EXPECT_FALSE(Settings().JpegProgressive);
}

TEST_F(OptionsFormTest, IFSSetup) {
  Form->ColorDialog = [](QColor& c, QWidget*) {
    c = QColor(10, 20, 30);
    return true;
  };
  const QImage shown = Picture.copy();
  // Escape-time formula: the IFS settings change, nothing is redrawn.
  Find<QRadioButton>("IFSStyle1")->click();
  EXPECT_EQ(Doc->Ctx.IFSColorStyle, 1);
  EXPECT_FALSE(Find<QPushButton>("SolidButton")->isHidden());
  EXPECT_FALSE(Find<TColorSwatch>("SolidSwatch")->isHidden());
  Find<QPushButton>("SolidButton")->click();
  EXPECT_EQ(Doc->Ctx.IFSSolid[0], 30);  // blue, green, red
  EXPECT_EQ(Doc->Ctx.IFSSolid[1], 20);
  EXPECT_EQ(Doc->Ctx.IFSSolid[2], 10);
  EXPECT_EQ(Find<TColorSwatch>("SolidSwatch")->Color(), QColor(10, 20, 30));
  Find<QCheckBox>("QuickBox")->click();
  EXPECT_FALSE(Doc->Ctx.IFSquick);
  EXPECT_EQ(Restarts, 0);
  EXPECT_EQ(Picture, shown);
  Find<QRadioButton>("IFSStyle0")->click();
  EXPECT_TRUE(Find<QPushButton>("SolidButton")->isHidden());

  // For the IFS the colour system recolours: every counted pixel takes the
  // solid colour.
  Doc->Ctx.Number = kIFSFormula;
  Find<QRadioButton>("IFSStyle1")->click();
  EXPECT_EQ(Restarts, 0);
  EXPECT_NE(Picture, shown);
  EXPECT_EQ(QColor(Picture.pixel(0, 0)), QColor(10, 20, 30));  // the outside escaped: counted
  // For an orbital formula quick calculating restarts the render.
  Doc->Ctx.Number = 500;
  Find<QCheckBox>("QuickBox")->click();
  EXPECT_TRUE(Doc->Ctx.IFSquick);
  EXPECT_EQ(Restarts, 1);
  WaitForRender(*Doc);
}

TEST_F(OptionsFormTest, SaveAndLoadPalette) {
  const std::string path = Folder + "/mine.frp";
  AnswerFileDialogs(path);
  Find<QRadioButton>("Kind1")->click();
  QTest::keyClick(Find<QSlider>("ContrastSlider"), Qt::Key_Right);  // 16 / 20
  Find<QPushButton>("SaveButton")->click();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0].Title, "Save palette to file");
  EXPECT_EQ(Asked[0].Filter, "Fractal's palette (*.frp)|*.frp");
  EXPECT_EQ(Asked[0].DefaultExt, "frp");
  EXPECT_TRUE(Asked[0].OverwritePrompt);
  EXPECT_EQ(Asked[0].InitialDir, Folder);
  ASSERT_TRUE(fs::exists(path));

  Find<QRadioButton>("Kind0")->click();
  EXPECT_FALSE(Form->Tabs()->isTabVisible(opContrast));
  const std::vector<float> values = Values();
  const std::vector<uint8_t> before = Image();
  Find<QPushButton>("LoadButton")->click();
  ASSERT_EQ(Asked.size(), 2u);
  EXPECT_EQ(Asked[1].Title, "Open palette file");
  EXPECT_EQ(Asked[1].Filter, "Fractal's palette (*.frp)|*.frp");
  EXPECT_TRUE(Asked[1].FileMustExist);
  EXPECT_EQ(Asked[1].InitialDir, Folder);
  const TFPal& pal = *Doc->Palette;
  EXPECT_EQ(pal.PaletteKind, kPalLinear);
  EXPECT_EQ(pal.Contrast, 0.8f);
  EXPECT_TRUE(Find<QRadioButton>("Kind1")->isChecked());
  EXPECT_EQ(Find<QSlider>("ContrastSlider")->value(), 16);
  EXPECT_TRUE(Form->Tabs()->isTabVisible(opContrast));
  EXPECT_EQ(Values(), values);
  EXPECT_NE(Image(), before);
  // After a load the palette's changes refresh the coordinates page.
  ASSERT_TRUE(bool(pal.OnChange));
  Find<QLineEdit>("XEdit")->setText("junk");
  Doc->Palette->Rebuild();
  EXPECT_EQ(Find<QLineEdit>("XEdit")->text(), "-2.2");

  // A file that cannot be read: the message, the palette as it was.
  {
    std::ofstream bad(Folder + "/bad.frp");
    bad << "[Colors]\nPalette type=3\nContrast=abc\n";
  }
  AnswerFileDialogs(Folder + "/bad.frp");
  Find<QPushButton>("LoadButton")->click();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(pal.PaletteKind, kPalLinear);
  EXPECT_EQ(pal.Contrast, 0.8f);
  // A cancelled dialog does nothing.
  AnswerFileDialogs("");
  Find<QPushButton>("LoadButton")->click();
  EXPECT_EQ(pal.PaletteKind, kPalLinear);
}

TEST_F(OptionsFormTest, ClosingDropsTheSubscriptionsAndKeepsThePosition) {
  Form->close();
  int changes = 0, closed = 0;
  Doc->OnParamsChanged = [&](TFractal*) { ++changes; };
  Form->OnClosed = [&] { ++closed; };
  // Shown again: the document's own subscriber still hears every change.
  Form->ShowFor(Doc.get());
  Doc->SetWindow(-1, 1, 2);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Find<QLineEdit>("XEdit")->text(), "-1");
  Form->move(57, 68);
  Form->close();
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(Settings().Options, (TFormPosition{Form->x(), Form->y()}));
  EXPECT_FALSE(Form->Live());
  Doc->SetWindow(-0.5L, 1, 2);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Find<QLineEdit>("XEdit")->text(), "-1");  // no longer following
  WaitForRender(*Doc);
}

}  // namespace
