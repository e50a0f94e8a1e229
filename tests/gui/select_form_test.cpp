// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/select_form.h"

#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "engine/fractal.h"
#include "formulas/catalogue.h"
#include "platform/canvas_qt.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "ui/numeric_edit_form.h"
#include "ui/param_form.h"
#include "tests/gui/select_input.h"
#include "tests/scratch_program.h"
#include "tests/gui/window_test_helpers.h"
#include "ui/settings.h"

namespace {

namespace fs = std::filesystem;

// A library of two IFS: the Sierpinski triangle and a two-map line.
const char* const kLibrary =
    "[Header]\nCount=2\n"
    "[IFS0]\nName=Sierpinski triangle\nCount=3\n"
    "Frm0A=0.5\nFrm0B=0\nFrm0C=0\nFrm0D=0.5\nFrm0E=0\nFrm0F=0\nFrm0P=0.333\n"
    "Frm1A=0.5\nFrm1B=0\nFrm1C=0\nFrm1D=0.5\nFrm1E=0.5\nFrm1F=0\nFrm1P=0.333\n"
    "Frm2A=0.5\nFrm2B=0\nFrm2C=0\nFrm2D=0.5\nFrm2E=0.25\nFrm2F=0.5\nFrm2P=0.334\n"
    "[IFS1]\nName=Line\nCount=2\n"
    "Frm0A=0.5\nFrm0B=0\nFrm0C=0\nFrm0D=0.5\nFrm0E=-0.5\nFrm0F=0\nFrm0P=0.5\n"
    "Frm1A=-0.25\nFrm1B=1.5\nFrm1C=0\nFrm1D=0.5\nFrm1E=12.5\nFrm1F=-3\nFrm1P=0.5\n";

void TestFormula(Extended& x, Extended& y, Extended& cr, Extended& ci, Extended, Extended, Extended, Extended,
                 Extended, Extended) {
  const Extended t = x * x - y * y + cr;
  y = 2 * x * y + ci;
  x = t;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

bool WaitRendered(const TFractal& doc) { return QTest::qWaitFor([&] { return doc.RenderFinished(); }, 20000); }

class SelectFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Folder = fs::temp_directory_path() / ("px_select_test_" + std::to_string(getpid()));
    fs::create_directories(Folder);
    std::ofstream(Folder / "px.ifs") << kLibrary;
    SetProgramFolder(Folder.string());
    OldHandler = SetMessageHandler([this](const std::string& text) { Messages.push_back(text); });
    Settings().Select = {};
    Image.fill(Qt::black);
  }
  void TearDown() override {
    SetMessageHandler(OldHandler);
    SetProgramFolder("");
    fs::remove_all(Folder);
  }

  // Shows the dialog over `main`, runs `actions` as the user, then presses
  // "S&elect" (or "&Cancel"); a dialog still open afterwards is cancelled.
  bool Run(TSelectForm& form, TFractal& main, const std::function<void()>& actions, bool select = true) {
    QTimer::singleShot(0, &form, [&] {
      form.activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
      actions();
      if (form.isVisible()) {
        if (select && form.SelectButton()->isEnabled()) QTest::mouseClick(form.SelectButton(), Qt::LeftButton);
        else QTest::mouseClick(form.CancelButton(), Qt::LeftButton);
      }
      if (form.isVisible()) form.reject();
    });
    return form.Execute(main);
  }

  fs::path Folder;
  TMessageHandler OldHandler;
  std::vector<std::string> Messages;
  QImage Image{80, 60, QImage::Format_RGB32};
  TQtCanvas Canvas{&Image};
};

// ---------------------------------------------------------------- numeric edits

TEST(NumericEdit, ValidatorAcceptsDigitsOneMinusAndOnePoint) {
  struct Case {
    const char* text;
    bool allowMinus;
    bool accepted;
  };
  const Case cases[] = {
      {"", true, true},        {"0123456789", true, true}, {"1.5", true, true},    {"-1.5", true, true},
      {"1.5.", true, false},   {"--1", true, false},       {"-1-", true, false},   {"5-", true, true},
      {"1e5", true, false},    {"1,5", true, false},       {" 1", true, false},    {"+1", true, false},
      {"-0.5", false, false},  {"0.5", false, true},       {"..", false, false},   {"\xc2\xb0", true, false},
  };
  for (const Case& c : cases) {
    for (bool allow : {c.allowMinus}) {
      TNumericValidator v(allow);
      QString text = QString::fromUtf8(c.text);
      int pos = 0;
      EXPECT_EQ(v.validate(text, pos) == QValidator::Acceptable, c.accepted) << c.text << " minus " << allow;
      // Never "intermediate": leaving an edit must always be reported.
      EXPECT_NE(v.validate(text, pos), QValidator::Intermediate) << c.text;
    }
  }
}

TEST(NumericEdit, ReadAndClampRules) {
  struct Case {
    const char* text;
    Extended read, parameter, limit;
  };
  const Case cases[] = {
      {"", 0, 0, 0},
      {"-", 0, 0, 0},
      {"5-", 0, 0, 0},
      {".", 0, 0, 0},
      {"1.25", 1.25L, 1.25L, 1.25L},
      {"20000", 20000, 10000, 10000},
      {"-20000", -20000, -10000, -10000},
      {"0.00005", 0.00005L, 0, 0.00005L},
      {"-0.00009", -0.00009L, 0, -0.00009L},
      {"0.0001", 0.0001L, 0.0001L, 0.0001L},
      {"10000", 10000, 10000, 10000},
  };
  for (const Case& c : cases) {
    const Extended v = ReadEditValue(c.text);
    EXPECT_EQ(v, c.read) << c.text;
    EXPECT_EQ(ClampParameter(v), c.parameter) << c.text;
    EXPECT_EQ(ClampFilterLimit(v), c.limit) << c.text;
  }
}

TEST(NumericEdit, SetValueShowsFifteenDigitsFromTheStart) {
  TNumericEdit edit;
  edit.setFixedWidth(60);
  edit.SetValue(1.0L / 3);
  EXPECT_EQ(edit.text(), "0.333333333333333");
  EXPECT_EQ(edit.cursorPosition(), 0);
  EXPECT_EQ(edit.Value(), ReadEditValue("0.333333333333333"));
}

TEST(NumericEdit, BackspaceTakesApartValuesTypingCouldNotMake) {
  TNumericEdit edit(nullptr, false);
  edit.SetValue(-0.000001L);
  EXPECT_EQ(edit.text(), "-1E-6");
  edit.setFocus();
  edit.setCursorPosition(edit.text().size());
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), "-1E-");
  edit.setCursorPosition(1);
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), "1E-");
  QTest::keyClick(&edit, Qt::Key_Delete);
  EXPECT_EQ(edit.text(), "E-");
  // Typing still keeps to the rule.
  QTest::keyClicks(&edit, "x-5");
  EXPECT_EQ(edit.text(), "E-");
}

TEST(NumericEdit, TypingKeepsOnlyAllowedKeys) {
  struct Case {
    const char* keys;
    bool allowMinus;
    const char* shown;
  };
  const Case cases[] = {
      {"12a.3.4-", true, "12.34-"}, {"--5", true, "-5"},     {"1.5e3", true, "1.53"},
      {"-0.5", false, "0.5"},       {"x,y 7", true, "7"},    {"..1", false, ".1"},
  };
  for (const Case& c : cases) {
    TNumericEdit edit(nullptr, c.allowMinus);
    QTest::keyClicks(&edit, c.keys);
    EXPECT_EQ(edit.text(), QString(c.shown)) << c.keys;
  }
  // Backspace removes, and a replaced selection may take the point again.
  TNumericEdit edit;
  QTest::keyClicks(&edit, "1.5");
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), "1.");
  edit.selectAll();
  QTest::keyClicks(&edit, ".25");
  EXPECT_EQ(edit.text(), ".25");
}

// ---------------------------------------------------------------- the dialog

TEST_F(SelectFormTest, CatalogueFormulaParametersFilterAndJuliaReachTheMainDocument) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, &Canvas);
  main.Restart();
  ASSERT_TRUE(WaitRendered(main));

  const bool selected = Run(form, main, [&] {
    // Row 6: "Super Mandel", number 17, window -5, 5, 10, one parameter.
    ClickRow(form.FormulaList(), 6);
    EXPECT_EQ(form.FormulaText()->text(), "Z=Z*Z + C + P1");
    EXPECT_EQ(form.Preview()->Ctx.Number, 17);
    TypeAndLeave(form.ParameterEdit(TSelectPage::Custom, 1, 0), "0.25");
    EXPECT_EQ(form.ParameterEdit(TSelectPage::Custom, 1, 0)->text(), "0.25");
    EXPECT_EQ(form.Preview()->Ctx.P1.re, 0.25L);
    form.FilterBox()->setCurrentIndex(3);
    EXPECT_TRUE(form.FilterLimitEdit()->isEnabled());
    EXPECT_TRUE(form.FilterOnlyCheck()->isEnabled());
    ASSERT_TRUE(form.JuliaCheck()->isEnabled());
    form.JuliaCheck()->click();
    EXPECT_TRUE(form.Preview()->Ctx.JulieSet);
  });
  ASSERT_TRUE(selected);

  EXPECT_EQ(main.Ctx.Number, 17);
  EXPECT_EQ(main.X, -5);
  EXPECT_EQ(main.Y, 5);
  EXPECT_EQ(main.W, 10);
  EXPECT_EQ(main.X0, -5);
  EXPECT_EQ(main.W0, 10);
  EXPECT_EQ(main.Ctx.P1.re, 0.25L);
  EXPECT_EQ(main.Ctx.P1.im, 0.5L);
  EXPECT_EQ(main.Ctx.Filter, 3);
  EXPECT_TRUE(main.Ctx.JulieSet);
  EXPECT_TRUE(form.JuliaCheckedAndEnabled());
  EXPECT_EQ(form.ActivePage(), TSelectPage::Custom);
  // The preview is parked: formula -1 with a zero window.
  EXPECT_EQ(form.Preview()->Ctx.Number, -1);
  EXPECT_EQ(form.Preview()->W, 0);

  ASSERT_TRUE(WaitRendered(main));
  EXPECT_GT(DistinctColours(main), 1);
}

TEST_F(SelectFormTest, CancelLeavesTheMainDocumentAlone) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  const bool selected = Run(
      form, main,
      [&] {
        ClickRow(form.FormulaList(), 1);
        TypeAndLeave(form.SeedEdit(0), "1.5");
      },
      false);
  EXPECT_FALSE(selected);
  EXPECT_EQ(main.Ctx.Number, 0);
  EXPECT_EQ(main.Ctx.PJ.re, 0.5L);
  EXPECT_EQ(main.X, -2.2L);
}

TEST_F(SelectFormTest, ADeepViewKeepsItsIterationLimitThroughTheDialog) {
  TSelectForm form;
  TFractal main(-1, 0, 0, 0, 80, 60, &Canvas);
  main.AutoIter = false;
  // Beside the set, past what doubles resolve: the deep render draws it.
  main.SetFormula(0, 1.25L, 0.5L, 1e-20L);
  main.SetMaxIter(2000000);
  EXPECT_TRUE(Run(form, main, [] {}));
  EXPECT_EQ(main.Ctx.MaxIter, 2000000);
  EXPECT_TRUE(WaitRendered(main));
}

TEST_F(SelectFormTest, SeparatorRowDisablesSelectAndChangesNothing) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    ClickRow(form.FormulaList(), 5);  // "Generalized Mandel", 19
    ASSERT_TRUE(form.SelectButton()->isEnabled());
    const TFractal& doc = *form.Preview();
    const Extended x = doc.X, y = doc.Y, w = doc.W;
    const QString text = form.FormulaText()->text();
    for (int separator : {26, 29, 36, 47, 51, 61, 81}) {
      ClickRow(form.FormulaList(), separator);
      EXPECT_FALSE(form.SelectButton()->isEnabled()) << separator;
      EXPECT_EQ(doc.Ctx.Number, 19) << separator;
      EXPECT_EQ(doc.X, x);
      EXPECT_EQ(doc.Y, y);
      EXPECT_EQ(doc.W, w);
      EXPECT_EQ(form.FormulaText()->text(), text);
      EXPECT_FALSE(form.ParametersGroup()->isHidden());
    }
    ClickRow(form.FormulaList(), 0);
    EXPECT_TRUE(form.SelectButton()->isEnabled());
    EXPECT_EQ(doc.Ctx.Number, 0);
  });
  EXPECT_EQ(main.Ctx.Number, 0);
}

TEST_F(SelectFormTest, RowsShowTheirParameterEditorsAndJuliaState) {
  struct Case {
    int row;
    int32_t number;
    int params;
    bool julia;
    bool orbital;
  };
  // Hand-picked from the catalogue table.
  const Case cases[] = {
      {0, 0, 0, true, false},    {5, 19, 1, true, false},   {11, 34, 2, true, false},
      {21, 44, 0, false, false}, {27, 62, 2, false, false}, {52, 18, 1, false, false},
      {60, 42, 1, false, false}, {90, 16, 2, true, false},  {82, 500, 2, true, true},
      {85, 503, 1, true, true},  {88, 504, 1, true, true},  {89, 506, 1, true, true},
  };
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    for (const Case& c : cases) {
      ClickRow(form.FormulaList(), c.row);
      const TFormulaEntry& entry = *FormulaRow(c.row);
      EXPECT_EQ(form.Preview()->Ctx.Number, c.number) << c.row;
      EXPECT_EQ(form.Preview()->X, Extended(entry.X)) << c.row;
      EXPECT_EQ(form.Preview()->Y0, Extended(entry.Y)) << c.row;
      EXPECT_EQ(form.ParametersGroup()->isHidden(), c.params == 0) << c.row;
      EXPECT_EQ(form.ParameterRowShown(1), c.params > 0) << c.row;
      EXPECT_EQ(form.ParameterRowShown(2), c.params > 1) << c.row;
      EXPECT_FALSE(form.ParameterRowShown(3)) << c.row;
      EXPECT_EQ(form.ParameterEdit(TSelectPage::Custom, 2, 1)->isHidden(), c.params < 2) << c.row;
      EXPECT_TRUE(form.ParameterEdit(TSelectPage::Custom, 3, 0)->isHidden()) << c.row;
      EXPECT_EQ(form.JuliaCheck()->isEnabled(), c.julia) << c.row;
      EXPECT_EQ(form.SeedEdit(0)->isEnabled(), c.julia) << c.row;
      EXPECT_EQ(form.SpinOf(form.SeedEdit(1), true)->isEnabled(), c.julia) << c.row;
      EXPECT_EQ(form.SeedEditEnabled(), c.julia) << c.row;
      EXPECT_EQ(form.JuliaGroup()->title(), c.orbital ? "Seed:" : "Julie-set:") << c.row;
      EXPECT_EQ(form.FilterPanel()->isHidden(), c.orbital) << c.row;
    }
  });
}

TEST_F(SelectFormTest, FormulaListFillsItsPageAboveTheParametersShown) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, &Canvas);
  Run(form, main, [&] {
    QWidget* page = form.Pages()->currentWidget();
    const QRect room = page->layout()->contentsRect();
    const QListWidget* list = form.FormulaList();
    const QGroupBox* group = form.ParametersGroup();
    // Row 0 has no parameters, row 5 ("Generalized Mandel") one.
    for (int row : {0, 5, 0}) {
      ClickRow(form.FormulaList(), row);
      QApplication::processEvents();
      EXPECT_EQ(list->geometry().top(), room.top()) << row;
      const int bottom = group->isVisible() ? group->geometry().bottom() : list->geometry().bottom();
      EXPECT_EQ(bottom, room.bottom()) << row;
      if (group->isVisible()) {
        EXPECT_LT(list->geometry().bottom(), group->geometry().top()) << row;
      }
    }
  }, false);
}

TEST_F(SelectFormTest, JuliaModeShowsTheJuliaSetAroundTheOrigin) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, &Canvas);
  const bool selected = Run(form, main, [&] {
    const TFractal& p = *form.Preview();
    auto window = [&p] { return std::vector<Extended>{p.X, p.Y, p.W}; };
    const Extended w0 = Extended(2.8f), x0 = Extended(-2.2f), y0 = Extended(1.4f);
    ClickRow(form.FormulaList(), 0);
    QTest::mouseClick(form.ZoomInButton(), Qt::LeftButton);
    // The square preview: as wide as the home window, centred on 0.
    form.JuliaCheck()->click();
    EXPECT_EQ(window(), (std::vector<Extended>{-w0 / 2, w0 / 2, w0}));
    form.JuliaCheck()->click();
    EXPECT_EQ(window(), (std::vector<Extended>{x0, y0, w0}));
    form.JuliaCheck()->click();
    // Row 1, "Cubed Mandelbrot" (-1.6, 1.6, 3.2), chosen in Julia mode.
    ClickRow(form.FormulaList(), 1);
    EXPECT_EQ(window(), (std::vector<Extended>{Extended(-1.6f), Extended(1.6f), Extended(3.2f)}));
    EXPECT_EQ(p.X0, Extended(-1.6f));
    ClickRow(form.FormulaList(), 0);
    EXPECT_EQ(window(), (std::vector<Extended>{-w0 / 2, w0 / 2, w0}));
    EXPECT_EQ(p.X0, x0);
  });
  ASSERT_TRUE(selected);
  // The main document, and with it a Julia movie, takes that view.
  EXPECT_TRUE(main.Ctx.JulieSet);
  EXPECT_EQ(main.X, -Extended(2.8f) / 2);
  EXPECT_EQ(main.W, Extended(2.8f));
}

TEST_F(SelectFormTest, FormulaTextsAreShownAsUnicode) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    EXPECT_EQ(form.FormulaText()->text(), "Z=Z*Z + C");
    ClickRow(form.FormulaList(), 12);
    EXPECT_EQ(form.FormulaText()->text(), QString::fromUtf8("C\u00b0=Z\u00b0: Z=Z*Z-C; C=C*C-Z"));
    ClickRow(form.FormulaList(), 52);
    EXPECT_EQ(form.FormulaText()->text(), QString::fromUtf8("Z=Conj(-(Z\u2019*Z\u2019) + P1"));
    EXPECT_EQ(form.FormulaList()->item(34)->text(), "Quartic \"phoenix\"");
    EXPECT_EQ(form.FilterBox()->count(), 59);
    EXPECT_EQ(form.FilterBox()->itemText(8), QString::fromUtf8("Abs( X*X\u00b0 )"));
  });
}

TEST_F(SelectFormTest, ShowingTakesPageAndValuesFromTheMainDocument) {
  struct Case {
    int32_t number;
    TSelectPage page;
    int listRow;
    bool julia;
    bool paramsShown;
    const char* caption;
    bool filterShown;
  };
  const Case cases[] = {
      {17, TSelectPage::Custom, 6, true, true, "Julie-set:", true},
      {44, TSelectPage::Custom, 21, false, false, "Julie-set:", true},
      {41, TSelectPage::Custom, 0, true, true, "Julie-set:", true},  // no row serves 41: the first stays chosen
      {504, TSelectPage::Custom, 88, true, true, "Seed:", false},
      {1000, TSelectPage::Constructor, 0, true, false, "Julie-set:", true},
      {1001, TSelectPage::IFS, 0, true, false, "Seed:", false},
  };
  TSelectForm form;
  for (const Case& c : cases) {
    TFractal main(c.number, -3, 3, 6, 80, 60, nullptr);
    main.Ctx.P1 = {0.25L, -1.5L};
    main.Ctx.P3 = {7, 0};
    main.Ctx.PJ = {-0.75L, 0.125L};
    main.Ctx.Filter = 5;
    main.Ctx.Strange = 0.05L;
    main.Ctx.Constructor[cfK] = 2.5L;
    main.Ctx.Inverted = true;
    main.Ctx.IFScounter = 250;
    main.Ctx.IFSNumber = 1;
    Run(
        form, main,
        [&] {
          EXPECT_EQ(form.ActivePage(), c.page) << c.number;
          EXPECT_EQ(form.FormulaList()->currentRow(), c.listRow) << c.number;
          EXPECT_EQ(form.JuliaCheck()->isEnabled(), c.julia) << c.number;
          EXPECT_EQ(form.ParametersGroup()->isHidden(), !c.paramsShown) << c.number;
          EXPECT_EQ(form.JuliaGroup()->title(), c.caption) << c.number;
          EXPECT_EQ(form.FilterPanel()->isHidden(), !c.filterShown) << c.number;
          EXPECT_EQ(form.FormulaText()->isHidden(), c.page != TSelectPage::Custom) << c.number;
          EXPECT_EQ(form.JuliaCheck()->isHidden(), c.number == 1001) << c.number;
          for (TSelectPage page : {TSelectPage::Custom, TSelectPage::UserFormula}) {
            EXPECT_EQ(form.ParameterEdit(page, 1, 0)->text(), "0.25");
            EXPECT_EQ(form.ParameterEdit(page, 1, 1)->text(), "-1.5");
            EXPECT_EQ(form.ParameterEdit(page, 3, 0)->text(), "7");
          }
          EXPECT_EQ(form.SeedEdit(0)->text(), "-0.75");
          EXPECT_EQ(form.SeedEdit(1)->text(), "0.125");
          EXPECT_EQ(form.CoefficientEdit(25)->text(), "2.5");
          EXPECT_EQ(form.CoefficientEdit(16)->text(), "1");  // A1 = 1 at creation
          EXPECT_EQ(form.FilterBox()->currentIndex(), 5);
          EXPECT_TRUE(form.FilterLimitEdit()->isEnabled());
          EXPECT_EQ(form.FilterLimitEdit()->text(), "0.05");
          EXPECT_TRUE(form.InvertedCheck()->isChecked());
          EXPECT_EQ(form.MaxIterMultiplier()->value(), 250);
          EXPECT_EQ(form.Preview()->Ctx.IFScounter, 250);
          EXPECT_EQ(form.Preview()->Ctx.Number, c.number);
          EXPECT_EQ(form.Preview()->Ctx.Filter, 5);
          if (c.number == 1001) {
            EXPECT_EQ(form.IFSList()->currentRow(), 1);
            EXPECT_TRUE(form.IFSText()->toPlainText().startsWith("   A        B"));
          }
        },
        false);
  }
  // Filter 0 disables the limit controls.
  TFractal plain(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(
      form, plain,
      [&] {
        EXPECT_EQ(form.FilterBox()->currentIndex(), 0);
        EXPECT_FALSE(form.FilterLimitEdit()->isEnabled());
        EXPECT_FALSE(form.KeepInfiniteCheck()->isEnabled());
        EXPECT_FALSE(form.FilterOnlyCheck()->isEnabled());
        EXPECT_FALSE(form.InvertedCheck()->isChecked());
      },
      false);
}

TEST_F(SelectFormTest, ParameterEditsClampOnLeaving) {
  struct Case {
    const char* keys;
    const char* shown;
    Extended value;
  };
  const Case cases[] = {
      {"20000", "10000", 10000},       {"-20000", "-10000", -10000}, {"0.00005", "0", 0},
      {"-0.00009", "0", 0},            {"", "0", 0},                 {"5-", "0", 0},
      {"0.0001", "0.0001", 0.0001L},   {"-2.5", "-2.5", -2.5L},
      {"3.14159265358979323846", "3.14159265358979", 3.14159265358979L},
  };
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    ClickRow(form.FormulaList(), 11);  // two parameters
    for (const Case& c : cases) {
      TypeAndLeave(form.ParameterEdit(TSelectPage::Custom, 2, 1), c.keys);
      EXPECT_EQ(form.ParameterEdit(TSelectPage::Custom, 2, 1)->text(), c.shown) << c.keys;
      EXPECT_EQ(form.Preview()->Ctx.P2.im, c.value) << c.keys;
    }
    // The filter limit takes no minus sign and keeps small values.
    form.FilterBox()->setCurrentIndex(1);
    TypeAndLeave(form.FilterLimitEdit(), "-0.00005");
    EXPECT_EQ(form.FilterLimitEdit()->text(), "0.00005");
    EXPECT_EQ(form.Preview()->Ctx.Strange, 0.00005L);
    TypeAndLeave(form.FilterLimitEdit(), "20000");
    EXPECT_EQ(form.FilterLimitEdit()->text(), "10000");
    EXPECT_EQ(form.Preview()->Ctx.Strange, 10000);
    // Constructor coefficient edits follow the parameter rule.
    TypeAndLeave(form.CoefficientEdit(13), "0.00002");
    EXPECT_EQ(form.CoefficientEdit(13)->text(), "0");
    EXPECT_EQ(form.Preview()->Ctx.Constructor[cfH], 0);
  });
  EXPECT_EQ(main.Ctx.P2.im, 3.14159265358979L);
  EXPECT_EQ(main.Ctx.Strange, 10000);
}

TEST_F(SelectFormTest, SpinButtonsStepEveryEditOfTheirIndex) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    ClickRow(form.FormulaList(), 5);
    TNumericEdit* custom = form.ParameterEdit(TSelectPage::Custom, 1, 0);
    TNumericEdit* user = form.ParameterEdit(TSelectPage::UserFormula, 1, 0);
    EXPECT_EQ(custom->text(), "0.5");
    QTest::mouseClick(form.SpinOf(custom, false)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(custom->text(), "0.6");
    EXPECT_EQ(user->text(), "0.6");
    EXPECT_EQ(form.Preview()->Ctx.P1.re, 0.6L);
    QTest::mouseClick(form.SpinOf(custom, true)->DownButton(), Qt::LeftButton);
    EXPECT_EQ(custom->text(), "0.59");
    EXPECT_EQ(user->text(), "0.59");
    EXPECT_EQ(form.Preview()->Ctx.P1.re, 0.59L);
    // Spinning is not clamped; an empty edit starts from 0.
    user->clear();
    custom->clear();
    QTest::mouseClick(form.SpinOf(user, false)->DownButton(), Qt::LeftButton);
    EXPECT_EQ(user->text(), "-0.1");
    EXPECT_EQ(custom->text(), "-0.1");

    // Julia seed: its own index only.
    QTest::mouseClick(form.SpinOf(form.SeedEdit(1), false)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(form.SeedEdit(1)->text(), "0.6");
    EXPECT_EQ(form.SeedEdit(0)->text(), "0.5");
    EXPECT_EQ(form.Preview()->Ctx.PJ.im, 0.6L);
    EXPECT_EQ(form.SpinOf(form.CoefficientEdit(25), true), nullptr);

    // Filter limit: 0.01 and 0.001, never below 0.
    form.FilterBox()->setCurrentIndex(2);
    TypeAndLeave(form.FilterLimitEdit(), "0.005");
    QTest::mouseClick(form.SpinOf(form.FilterLimitEdit(), false)->DownButton(), Qt::LeftButton);
    EXPECT_EQ(form.FilterLimitEdit()->text(), "0");
    EXPECT_EQ(form.Preview()->Ctx.Strange, 0);
    QTest::mouseClick(form.SpinOf(form.FilterLimitEdit(), true)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(form.FilterLimitEdit()->text(), "0.001");
    QTest::mouseClick(form.SpinOf(form.FilterLimitEdit(), false)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(form.FilterLimitEdit()->text(), "0.011");
    EXPECT_EQ(form.Preview()->Ctx.Strange, 0.011L);
  });
  EXPECT_EQ(main.Ctx.P1.re, -0.1L);
  EXPECT_EQ(main.Ctx.Filter, 2);
}

TEST_F(SelectFormTest, ConstructorPage) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    ClickRow(form.FormulaList(), 21);  // Julia not allowed
    EXPECT_FALSE(form.JuliaCheck()->isEnabled());
    ClickPage(form.Pages(), TSelectPage::Constructor);
    const TFractal& doc = *form.Preview();
    EXPECT_EQ(doc.Ctx.Number, 1000);
    EXPECT_EQ(doc.X, -4);
    EXPECT_EQ(doc.Y, 4);
    EXPECT_EQ(doc.W, 8);
    EXPECT_TRUE(form.JuliaCheck()->isEnabled());
    EXPECT_TRUE(form.SeedEdit(0)->isEnabled());
    EXPECT_TRUE(form.FormulaText()->isHidden());
    EXPECT_FALSE(form.FilterPanel()->isHidden());
    TypeAndLeave(form.CoefficientEdit(16), "2.5");
    EXPECT_EQ(doc.Ctx.Constructor[cfA], 2.5L);
    TypeAndLeave(form.CoefficientEdit(11), "-1.25");
    EXPECT_EQ(doc.Ctx.Constructor[cfF], -1.25L);
    QTest::mouseClick(form.SpinOf(form.CoefficientEdit(25), false)->UpButton(), Qt::LeftButton);
    EXPECT_EQ(form.CoefficientEdit(25)->text(), "0.1");
    EXPECT_EQ(doc.Ctx.Constructor[cfK], 0.1L);
    form.InvertedCheck()->click();
    EXPECT_TRUE(doc.Ctx.Inverted);
    form.FSetCheck()->click();
    EXPECT_TRUE(doc.Ctx.FSet);
  });
  EXPECT_EQ(form.ActivePage(), TSelectPage::Constructor);
  EXPECT_EQ(main.Ctx.Number, 1000);
  EXPECT_EQ(main.Ctx.Constructor[cfA], 2.5L);
  EXPECT_EQ(main.Ctx.Constructor[cfK], 0.1L);
  EXPECT_TRUE(main.Ctx.FSet);
}

TEST_F(SelectFormTest, IFSPageListsTheLibraryTransforms) {
  TSelectForm form;
  ASSERT_EQ(form.IFSList()->count(), 2);
  EXPECT_EQ(form.IFSList()->item(0)->text(), "Sierpinski triangle");
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, &Canvas);
  const bool selected = Run(form, main, [&] {
    ClickPage(form.Pages(), TSelectPage::IFS);
    const TFractal& doc = *form.Preview();
    EXPECT_EQ(doc.Ctx.Number, 1001);
    EXPECT_EQ(doc.X, -10);
    EXPECT_EQ(doc.Y, 10);
    EXPECT_EQ(doc.W, 20);
    EXPECT_TRUE(form.FilterPanel()->isHidden());
    EXPECT_TRUE(form.JuliaCheck()->isHidden());
    EXPECT_TRUE(form.InvertedCheck()->isHidden());
    EXPECT_TRUE(form.FSetCheck()->isHidden());
    EXPECT_FALSE(form.FilterLabel()->isEnabled());
    EXPECT_EQ(form.JuliaGroup()->title(), "Seed:");
    EXPECT_TRUE(form.SeedEdit(0)->isEnabled());

    ClickRow(form.IFSList(), 1);
    EXPECT_EQ(doc.Ctx.IFSNumber, 1);
    EXPECT_EQ(form.IFSText()->toPlainText(),
              "   A        B        C        D        E        F        p\n"
              "  0.5000   0.0000   0.0000   0.5000  -0.5000   0.0000   0.5000\n"
              " -0.2500   1.5000   0.0000   0.5000  12.5000  -3.0000   0.5000");
    ClickRow(form.IFSList(), 0);
    EXPECT_EQ(doc.Ctx.IFSNumber, 0);
    EXPECT_EQ(form.IFSText()->toPlainText(),
              "   A        B        C        D        E        F        p\n"
              "  0.5000   0.0000   0.0000   0.5000   0.0000   0.0000   0.3330\n"
              "  0.5000   0.0000   0.0000   0.5000   0.5000   0.0000   0.3330\n"
              "  0.5000   0.0000   0.0000   0.5000   0.2500   0.5000   0.3340");
    form.MaxIterMultiplier()->setValue(40);
    EXPECT_EQ(doc.Ctx.IFScounter, 40);

    // Back on "Custom" the list row applies again.
    ClickPage(form.Pages(), TSelectPage::Custom);
    EXPECT_EQ(doc.Ctx.Number, 0);
    EXPECT_FALSE(form.FilterPanel()->isHidden());
    EXPECT_FALSE(form.JuliaCheck()->isHidden());
    EXPECT_EQ(form.JuliaGroup()->title(), "Julie-set:");
    ClickPage(form.Pages(), TSelectPage::IFS);
  });
  ASSERT_TRUE(selected);
  EXPECT_EQ(main.Ctx.Number, 1001);
  EXPECT_EQ(main.Ctx.IFSNumber, 0);
  EXPECT_EQ(main.Ctx.IFScounter, 40);
  // Drawing the IFS takes a while; that it started is enough here.
  EXPECT_NE(main.RenderThread(), nullptr);
}

TEST_F(SelectFormTest, MissingLibraryLeavesTheIFSListEmpty) {
  fs::remove(Folder / "px.ifs");
  TSelectForm form;
  EXPECT_EQ(form.IFSList()->count(), 0);
  EXPECT_TRUE(Messages.empty());
}

TEST_F(SelectFormTest, BrokenLibraryKeepsTheNamesReadAndTellsTheUser) {
  std::ofstream(Folder / "px.ifs") << "[Header]\nCount=2\n[IFS0]\nName=Good\nCount=1\nFrm0A=0.5\n"
                                      "[IFS1]\nName=Bad\nCount=1\nFrm0A=zero\n";
  TSelectForm form;
  EXPECT_EQ(form.IFSList()->count(), 2);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("zero"), std::string::npos);
}

TEST_F(SelectFormTest, PreviewPansAndZooms) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    // Row 37: window -2, 4, 8; the 160-pixel preview makes step 8 / 160.
    ClickRow(form.FormulaList(), 37);
    const TFractal& doc = *form.Preview();
    ASSERT_EQ(doc.Width, 160);
    ASSERT_EQ(doc.Height, 160);
    QTest::mouseClick(form.ZoomInButton(), Qt::LeftButton);
    EXPECT_NEAR(double(doc.X), 0, 1e-15);  // -2 + 0.05 * 160 * 0.25
    EXPECT_NEAR(double(doc.Y), 2, 1e-15);
    EXPECT_EQ(doc.W, 4);
    QTest::mouseClick(form.ZoomOutButton(), Qt::LeftButton);
    EXPECT_NEAR(double(doc.X), -2, 1e-15);
    EXPECT_NEAR(double(doc.Y), 4, 1e-15);
    EXPECT_EQ(doc.W, 8);
    // Dragging 10 pixels right and 10 up moves the window by 0.5 each way.
    QWidget* picture = reinterpret_cast<QWidget*>(form.Picture());
    SendMouse(picture, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
    SendMouse(picture, QEvent::MouseMove, {60, 40}, Qt::LeftButton);
    EXPECT_NEAR(double(doc.X), -2.5, 1e-12);
    EXPECT_NEAR(double(doc.Y), 3.5, 1e-12);
    EXPECT_EQ(doc.W, 8);
    SendMouse(picture, QEvent::MouseMove, {61, 40}, Qt::LeftButton);
    EXPECT_NEAR(double(doc.X), -2.55, 1e-12);
    SendMouse(picture, QEvent::MouseButtonRelease, {61, 40}, Qt::NoButton);
    SendMouse(picture, QEvent::MouseMove, {100, 100}, Qt::NoButton);
    EXPECT_NEAR(double(doc.X), -2.55, 1e-12);
    EXPECT_NEAR(double(doc.Y), 3.5, 1e-12);
    // The home window stays the row's.
    EXPECT_EQ(doc.X0, -2);
  });
  EXPECT_NEAR(double(main.X), -2.55, 1e-12);
  EXPECT_EQ(main.X0, -2);
}

TEST_F(SelectFormTest, FilterSwitchesAndFlagsReachThePreview) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    form.FilterBox()->setCurrentIndex(58);
    EXPECT_EQ(form.Preview()->Ctx.Filter, 58);
    form.FilterOnlyCheck()->click();
    EXPECT_TRUE(form.Preview()->Ctx.FilterOnly);
    form.KeepInfiniteCheck()->click();
    EXPECT_TRUE(form.Preview()->Ctx.KeepBlk);
    form.FilterBox()->setCurrentIndex(0);
    EXPECT_EQ(form.Preview()->Ctx.Filter, 0);
    EXPECT_FALSE(form.FilterLimitEdit()->isEnabled());
    // The flags stay as they were set.
    EXPECT_TRUE(form.Preview()->Ctx.FilterOnly);
  });
  EXPECT_EQ(main.Ctx.Filter, 0);
  EXPECT_TRUE(main.Ctx.FilterOnly);
  EXPECT_TRUE(main.Ctx.KeepBlk);
}

TEST_F(SelectFormTest, FilterDropDownOpensTwelveRowsTall) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [&] {
    QComboBox* box = form.FilterBox();
    for (const int row : {0, 30, 58}) {
      SCOPED_TRACE(row);
      box->setCurrentIndex(row);
      box->showPopup();
      QAbstractItemView* view = box->view();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
      // Rows wholly in view, top to bottom.
      auto inView = [&](int r) {
        const QRect cell = view->visualRect(box->model()->index(r, 0));
        return cell.top() >= 0 && cell.bottom() < view->viewport()->height();
      };
      int shown = 0;
      for (int r = 0; r < box->count(); ++r) shown += inView(r);
      EXPECT_EQ(shown, 12);
      EXPECT_TRUE(inView(row));
      box->hidePopup();
    }
  }, false);
}

TEST_F(SelectFormTest, DragWindowFollowsTheDialogAndWritesEditsAndPreview) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  EXPECT_EQ(form.DragWindow(), nullptr);
  Run(form, main, [&] {
    ClickRow(form.FormulaList(), 11);
    QTest::mouseClick(form.ManualButton(), Qt::LeftButton);
    TDragForm* drag = form.DragWindow();
    ASSERT_NE(drag, nullptr);
    EXPECT_TRUE(drag->isVisible());
    EXPECT_EQ(drag->windowTitle(), "Parameters");

    // A typed parameter moves its marker.
    TypeAndLeave(form.ParameterEdit(TSelectPage::Custom, 1, 0), "1");
    TypeAndLeave(form.ParameterEdit(TSelectPage::Custom, 1, 1), "-1");
    EXPECT_EQ(drag->Marker(2)->pos(), drag->PlaceOf(1, -1));

    // Dragging the P1 marker to the centre of the plane sets P1 to about 0
    // in both pages' edits and in the preview.
    TDragMarker* p1 = drag->Marker(2);
    const QPoint grab(2, 2), centre(98, 98);
    QTest::mousePress(p1, Qt::LeftButton, {}, grab);
    QTest::mouseMove(p1, centre + grab - p1->pos());
    QTest::mouseRelease(p1, Qt::LeftButton, {}, centre + grab - p1->pos());
    for (TSelectPage page : {TSelectPage::Custom, TSelectPage::UserFormula})
      for (int part = 0; part < 2; ++part)
        EXPECT_NEAR(double(form.ParameterEdit(page, 1, part)->Value()), 0, 0.02) << part;
    EXPECT_NEAR(double(form.Preview()->Ctx.P1.re), 0, 0.02);
    EXPECT_NEAR(double(form.Preview()->Ctx.P1.im), 0, 0.02);

    form.DragParameter(1, 0.25L, -0.5L);
    for (TSelectPage page : {TSelectPage::Custom, TSelectPage::UserFormula}) {
      EXPECT_EQ(form.ParameterEdit(page, 1, 0)->text(), "0.25");
      EXPECT_EQ(form.ParameterEdit(page, 1, 1)->text(), "-0.5");
    }
    EXPECT_EQ(form.Preview()->Ctx.P1.re, 0.25L);
    EXPECT_EQ(form.Preview()->Ctx.P2.re, 0.5L);
    form.DragSeed(1.5L, -1);
    EXPECT_EQ(form.SeedEdit(0)->text(), "1.5");
    EXPECT_EQ(form.Preview()->Ctx.PJ.im, -1);

    // Closing the drag window by itself releases the button; pressing it
    // again shows the same window.
    drag->close();
    EXPECT_FALSE(form.ManualButton()->isChecked());
    QTest::mouseClick(form.ManualButton(), Qt::LeftButton);
    EXPECT_EQ(form.DragWindow(), drag);
    EXPECT_TRUE(drag->isVisible());
  });
  // The dialog's closing closes the drag window and releases the button.
  EXPECT_FALSE(form.DragWindow()->isVisible());
  EXPECT_FALSE(form.ManualButton()->isChecked());
  EXPECT_EQ(main.Ctx.P1.im, -0.5L);
}

TEST_F(SelectFormTest, PositionComesFromAndGoesToTheSettings) {
  Settings().Select = {37, 45};
  TSelectForm form;
  EXPECT_EQ(form.pos(), QPoint(37, 45));
  form.move(60, 70);
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(form, main, [] {}, false);
  EXPECT_EQ(Settings().Select, (TFormPosition{int32_t(form.pos().x()), int32_t(form.pos().y())}));
}

// ---------------------------------------------------------------- user formula

TEST_F(SelectFormTest, UserFormulaGoHandsTheLinesToThePreview) {
  const TScratchProgram scratch;
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, &Canvas);
  bool compiled = false;
  const bool selected = Run(form, main, [&] {
    ClickPage(form.Pages(), TSelectPage::UserFormula);
    EXPECT_TRUE(form.JuliaCheck()->isEnabled());
    TypeLines(form.UserText(), kUserLines);
    QTest::mouseClick(form.GoButton(), Qt::LeftButton);
    const TFractal& doc = *form.Preview();
    ASSERT_TRUE(doc.UserLines);
    std::vector<std::string> expected;
    for (const QString& line : kUserLines) expected.push_back(line.toStdString());
    EXPECT_EQ(*doc.UserLines, expected);
    EXPECT_TRUE(doc.UserFormulaAttached);
    EXPECT_EQ(doc.X0, -2);
    EXPECT_EQ(doc.Y0, 2);
    EXPECT_EQ(doc.W0, 4);
    if (KitMissing(Messages)) {
      EXPECT_EQ(doc.Ctx.Number, 0);
      return;
    }
    EXPECT_EQ(doc.Ctx.Number, 3000);
    compiled = doc.HasUserModule();
    if (compiled) {
      EXPECT_TRUE(WaitRendered(doc));
      EXPECT_GT(DistinctColours(doc), 1);
    }
    // "C&lear" empties the text box; the preview keeps its lines.
    QTest::mouseClick(form.ClearButton(), Qt::LeftButton);
    EXPECT_TRUE(form.UserText()->toPlainText().isEmpty());
    EXPECT_EQ(doc.UserLines->size(), expected.size());
  });
  ASSERT_TRUE(selected);
  if (KitMissing(Messages)) GTEST_SKIP() << "the compiler kit is not in the program folder: no compile tried";
  EXPECT_EQ(main.Ctx.Number, 3000);
  ASSERT_TRUE(main.UserLines);
  EXPECT_EQ(main.UserLines->size(), size_t(kUserLines.size()));
  if (QStandardPaths::findExecutable("fpc").isEmpty()) GTEST_SKIP() << "fpc is not installed: no module to render";
  if (!compiled) GTEST_SKIP() << "the compile built no module (compilation not wired into the document yet?)";
  // The main document owns the module now; the preview holds none.
  EXPECT_TRUE(main.HasUserModule());
  EXPECT_FALSE(form.Preview()->HasUserModule());
  ASSERT_TRUE(WaitRendered(main));
  EXPECT_GT(DistinctColours(main), 1);
}

TEST_F(SelectFormTest, MainDocumentOnUserFormulaOpensItsPageWithItsText) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  main.SetUserFormula({"begin", "  x := x*x - y*y + cr; y := 2*x*y + ci;", "end;"});
  main.SetFormula(3000, -2, 2, 4);
  Run(
      form, main,
      [&] {
        EXPECT_EQ(form.ActivePage(), TSelectPage::UserFormula);
        EXPECT_EQ(form.UserText()->toPlainText(), "begin\n  x := x*x - y*y + cr; y := 2*x*y + ci;\nend;");
        EXPECT_TRUE(form.FormulaText()->isHidden());
      },
      false);
}

TEST_F(SelectFormTest, FailedCompileShowsTheCompilerReportAndKeepsTheUserFormula) {
  const TScratchProgram scratch;
  if (QStandardPaths::findExecutable("fpc").isEmpty()) GTEST_SKIP() << "fpc is not installed";
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  Run(
      form, main,
      [&] {
        ClickPage(form.Pages(), TSelectPage::UserFormula);
        TypeLines(form.UserText(), {"begin", "  x := ;", "end;"});
        QTest::mouseClick(form.GoButton(), Qt::LeftButton);
        if (KitMissing(Messages)) return;
        EXPECT_EQ(form.Preview()->Ctx.Number, 3000);
        EXPECT_FALSE(form.Preview()->HasUserModule());
        EXPECT_EQ(form.Preview()->Ctx.UserFormula, nullptr);
        // The report the user is shown is the compiler's own output.
        ASSERT_FALSE(Messages.empty());
        EXPECT_EQ(Messages.back(), form.Preview()->CompilerOutput);
        EXPECT_FALSE(Messages.back().empty());
      },
      false);
  if (KitMissing(Messages)) GTEST_SKIP() << "the compiler kit is not in the program folder";
}

TEST_F(SelectFormTest, ComplexFunctionsWindowIsCreatedOnceAndHiddenOnClose) {
  TSelectForm form;
  TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
  QWidget* window = nullptr;
  Run(
      form, main,
      [&] {
        ClickPage(form.Pages(), TSelectPage::UserFormula);
        form.FunctionsButton()->click();
        window = form.ComplexFunctionsWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), "Complex functions");
        const QString text = window->findChild<QPlainTextEdit*>()->toPlainText();
        for (const char* f : {"z*z ", "z*c ", "z*z*z ", "z*z*z*z ", "1/z ", "1/(z*z) ", "Sqrt(z) ", "Exp(z) ",
                              "Exp(1/z) ", "Ln(z) ", "z^c ", "Sin(z) ", "Cos(z) ", "Tan(z) ", "Sinh(z) ",
                              "Cosh(z) "})
          EXPECT_TRUE(text.contains(QString("\n") + f)) << f;
        form.FunctionsButton()->click();
        EXPECT_EQ(form.ComplexFunctionsWindow(), window);
      },
      false);
  EXPECT_FALSE(window->isVisible());
}

// The preview renders with the main document's module but never releases
// it; the main document keeps it unless the preview built its own.
TEST_F(SelectFormTest, BorrowedUserModuleStaysWithTheMainDocument) {
  struct Case {
    bool select;
    bool go;
  };
  for (const Case c : {Case{false, false}, Case{true, false}, Case{true, true}}) {
    TSelectForm form;
    TFractal main(0, -2.2L, 1.4L, 2.8L, 80, 60, nullptr);
    void* module = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(module, nullptr);
    main.SetUserFormula({"begin", "end;"});
    main.UserModule = module;
    main.Ctx.UserFormula = &TestFormula;
    main.NeedsCompile = false;
    main.Ctx.Number = 0;
    Run(
        form, main,
        [&] {
          EXPECT_FALSE(form.Preview()->HasUserModule());
          EXPECT_EQ(form.Preview()->Ctx.UserFormula, &TestFormula);
          if (c.go) {
            ClickPage(form.Pages(), TSelectPage::UserFormula);
            TypeLines(form.UserText(), {"begin", "end;"});
            QTest::mouseClick(form.GoButton(), Qt::LeftButton);
            EXPECT_NE(form.Preview()->Ctx.UserFormula, &TestFormula);
          } else {
            ClickRow(form.FormulaList(), 2);
          }
        },
        c.select);
    EXPECT_FALSE(form.Preview()->HasUserModule()) << c.select << c.go;
    EXPECT_EQ(form.Preview()->Ctx.UserFormula, nullptr) << c.select << c.go;
    if (c.go) {
      // The main document released its old module and holds no entry into it.
      EXPECT_NE(main.UserModule, module);
      EXPECT_NE(main.Ctx.UserFormula, &TestFormula);
    } else {
      EXPECT_EQ(main.UserModule, module) << c.select;
      EXPECT_EQ(main.Ctx.UserFormula, &TestFormula) << c.select;
    }
    if (c.select) {
      EXPECT_EQ(main.Ctx.Number, c.go ? (KitMissing(Messages) ? 0 : 3000) : 2);
    }
  }
}

}  // namespace
