// SPDX-License-Identifier: GPL-3.0-or-later
// The windows the main window drives, opened from its menu and keys as a
// user opens them: the selection dialog, the Julia window, the size dialog
// and the preferences.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include "engine/options_form.h"
#include "engine/user_formula.h"
#include "platform/profile.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/gui/select_input.h"
#include "tests/scratch_program.h"
#include "tests/gui/window_test_helpers.h"
#include "ui/julia_form.h"
#include "ui/param_form.h"
#include "ui/select_form.h"
#include "ui/size_form.h"

namespace fs = std::filesystem;

namespace {

// Copies files the built program keeps beside itself into the test's
// program folder.
void CopyFromBuild(const std::string& folder, const std::vector<std::string>& names) {
  const fs::path build = QCoreApplication::applicationDirPath().toStdString();
  for (const std::string& name : names) {
    fs::copy_file(build / name, fs::path(folder) / name, fs::copy_options::overwrite_existing);
    fs::permissions(fs::path(folder) / name, fs::status(build / name).permissions());
  }
}

class MainFormWindowsTest : public MainFormTest {
 protected:
  // Opens "&Select fractal" and runs `actions` in the dialog once it is up;
  // then presses "S&elect", or "&Cancel" when `select` is false.
  void RunSelect(const std::function<void(TSelectForm&)>& actions, bool select = true) {
    TSelectForm* form = Form->SelectDialog();
    ASSERT_NE(form, nullptr);
    QTimer::singleShot(0, form, [&, form] {
      EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
      actions(*form);
      if (!form->isVisible()) return;
      QPushButton* button = select && form->SelectButton()->isEnabled() ? form->SelectButton() : form->CancelButton();
      QTest::mouseClick(button, Qt::LeftButton);
      if (form->isVisible()) form->reject();
    });
    Item("Fracta&l/&Select fractal")->trigger();
    EXPECT_FALSE(form->isVisible());
  }

  // Processes events until `done` holds, at most 20 s.
  static bool Until(const std::function<bool()>& done) { return QTest::qWaitFor(done, 20000); }

  // Opens the "&Options" menu's state rules.
  void OpenOptionsMenu() { emit Item("&Options")->menu()->aboutToShow(); }
};

TEST_F(MainFormWindowsTest, SelectingACatalogueFormulaRendersItInTheMainWindow) {
  Start();
  WriteFile(Path("a.frs"), "[Fractal]\nX_Coord=-1.5\n");
  Form->LoadSpotFrom(Path("a.frs"), false);
  WaitForRender();
  ASSERT_EQ(Form->Caption(), "Pelmorix: a.frs");

  RunSelect([&](TSelectForm& form) {
    // Row 6: "Super Mandel", number 17, window -5, 5, 10, one parameter.
    ClickRow(form.FormulaList(), 6);
    TypeAndLeave(form.ParameterEdit(TSelectPage::Custom, 1, 0), "0.25");
    form.FilterBox()->setCurrentIndex(3);
    QTest::mouseClick(form.JuliaCheck(), Qt::LeftButton);
  });

  const TFractal& d = Doc();
  EXPECT_EQ(d.Ctx.Number, 17);
  EXPECT_EQ(d.X, -5);
  EXPECT_EQ(d.W, 10);
  EXPECT_EQ(d.Ctx.P1.re, 0.25L);
  EXPECT_EQ(d.Ctx.Filter, 3);
  EXPECT_TRUE(d.Ctx.JulieSet);
  EXPECT_EQ(Form->Caption(), "Pelmorix");
  // The dialog's preview is parked.
  EXPECT_EQ(Form->SelectDialog()->Preview()->Ctx.Number, -1);
  // The movie items follow the page and Julia mode.
  EXPECT_FALSE(Item("&Render/&Transformation movie")->isEnabled());
  EXPECT_TRUE(Item("&Render/&Julie movie")->isEnabled());
  WaitForRender();
  EXPECT_GT(DistinctColours(d), 1);

  // "&Cancel" leaves the main document as it was.
  RunSelect([&](TSelectForm& form) { ClickRow(form.FormulaList(), 8); }, false);
  EXPECT_EQ(Doc().Ctx.Number, 17);
  EXPECT_EQ(Doc().Ctx.P1.re, 0.25L);
}

TEST_F(MainFormWindowsTest, SelectingALibraryIFSListsItsMapsAndDrawsIt) {
  CopyFromBuild(Folder, {"px.ifs"});
  Start();
  RunSelect([&](TSelectForm& form) {
    ClickPage(form.Pages(), TSelectPage::IFS);
    ASSERT_EQ(form.IFSList()->count(), 13);
    EXPECT_EQ(form.IFSList()->item(0)->text(), "Sierpinski triangle");
    ClickRow(form.IFSList(), 0);
    EXPECT_EQ(form.IFSText()->toPlainText(),
              "   A        B        C        D        E        F        p\n"
              "  0.5000   0.0000   0.0000   0.5000   0.0000   0.0000   0.3330\n"
              "  0.5000   0.0000   0.0000   0.5000   0.5000   0.0000   0.3330\n"
              "  0.5000   0.0000   0.0000   0.5000   0.2500   0.5000   0.3340");
  });
  EXPECT_EQ(Doc().Ctx.Number, 1001);
  EXPECT_EQ(Doc().Ctx.IFSNumber, 0);
  WaitForRender();
  EXPECT_GT(DistinctColours(Doc()), 1);
}

TEST_F(MainFormWindowsTest, TypedUserFormulaIsCompiledAndTakenOverByTheMainDocument) {
  if (QStandardPaths::findExecutable("fpc").isEmpty()) GTEST_SKIP() << "fpc is not installed: nothing to compile with";
  const TScratchProgram scratch;
  ASSERT_TRUE(scratch.KitCopied) << "the compiler kit is missing from " << scratch.KitSource;
  Start();
  RunSelect([&](TSelectForm& form) {
    ClickPage(form.Pages(), TSelectPage::UserFormula);
    TypeLines(form.UserText(), kUserLines);
    QTest::mouseClick(form.GoButton(), Qt::LeftButton);
    EXPECT_EQ(form.Preview()->Ctx.Number, 3000);
    EXPECT_TRUE(form.Preview()->HasUserModule());
  });
  ASSERT_TRUE(Messages.empty()) << Messages.front();
  EXPECT_EQ(Doc().Ctx.Number, 3000);
  EXPECT_TRUE(Doc().HasUserModule());
  EXPECT_FALSE(Form->SelectDialog()->Preview()->HasUserModule());
  WaitForRender();
  EXPECT_GT(DistinctColours(Doc()), 1);

  // Showing the dialog again borrows the main document's module; cancelling
  // leaves it with the main document, which renders on with it.
  RunSelect([&](TSelectForm& form) { EXPECT_EQ(form.ActivePage(), TSelectPage::UserFormula); }, false);
  EXPECT_TRUE(Doc().HasUserModule());
  Doc().SetWindow(-1, 1, 2);
  WaitForRender();
  EXPECT_GT(DistinctColours(Doc()), 1);
}

TEST_F(MainFormWindowsTest, JuliaWindowFollowsTheMouseAndEnterSwitchesJuliaMode) {
  Start();
  QAction* item = Item("&Options/&Julie window");
  // Enter without a Julia window does nothing.
  QTest::keyClick(Surface(), Qt::Key_Return);
  EXPECT_FALSE(Doc().Ctx.JulieSet);

  item->trigger();
  EXPECT_TRUE(item->isChecked());
  TForm17* julia = Form->JuliaWindow();
  ASSERT_NE(julia, nullptr);
  ASSERT_TRUE(Until([&] { return julia->isVisible() && julia->Preview()->Ctx.JulieSet; }));
  EXPECT_EQ(julia->Preview()->Ctx.Number, 0);

  // The point under the mouse becomes the preview's seed.
  const QPoint at(200, 100);
  QTest::mouseMove(Surface(), at);
  const Extended step = Step();
  const double re = double(Doc().X + at.x() * double(step)), im = double(Doc().Y - at.y() * double(step));
  EXPECT_EQ(Form->HoverPoint().re, Extended(re));
  EXPECT_EQ(Form->HoverPoint().im, Extended(im));
  ASSERT_TRUE(Until([&] { return julia->Preview()->Ctx.PJ.re == Extended(re); }));
  EXPECT_EQ(julia->Preview()->Ctx.PJ.im, Extended(im));

  // Enter: the main image becomes that Julia set, whole, around the
  // origin; the window hides.
  QTest::keyClick(Surface(), Qt::Key_Return);
  EXPECT_TRUE(Doc().Ctx.JulieSet);
  EXPECT_EQ(Doc().Ctx.PJ.re, Extended(re));
  EXPECT_EQ(Doc().Ctx.PJ.im, Extended(im));
  EXPECT_EQ(Doc().X, -1.4L);
  EXPECT_EQ(Doc().W, 2.8L);
  ASSERT_TRUE(Until([&] { return !julia->isVisible(); }));
  OpenOptionsMenu();
  EXPECT_FALSE(item->isEnabled());  // already in Julia mode

  // Enter again: back to the plain set, whole; the window shows again.
  QTest::keyClick(Surface(), Qt::Key_Return);
  EXPECT_FALSE(Doc().Ctx.JulieSet);
  EXPECT_EQ(Doc().X, -2.2L);
  ASSERT_TRUE(Until([&] { return julia->isVisible(); }));
  OpenOptionsMenu();
  EXPECT_TRUE(item->isEnabled());

  // The item hides it; Enter on a hidden window outside Julia mode does nothing.
  item->trigger();
  EXPECT_FALSE(item->isChecked());
  EXPECT_FALSE(julia->isVisible());
  QTest::keyClick(Surface(), Qt::Key_Return);
  EXPECT_FALSE(Doc().Ctx.JulieSet);
  WaitForRender();
}

TEST_F(MainFormWindowsTest, JulieWindowItemIsEnabledForJuliaCapableFormulas) {
  Start();
  QAction* item = Item("&Options/&Julie window");
  struct Case {
    int32_t Number;
    bool Julia;
    bool Enabled;
  } cases[] = {
      {0, false, true},     {0, true, false},     {18, false, false},  // "Julia PNS": no Julia mode
      {500, false, false},  {1000, false, false}, {1001, false, false},
      {3000, false, true},  {3000, true, true},   {41, false, false},  // no row serves 41
  };
  for (const Case& c : cases) {
    Doc().Ctx.Number = c.Number;
    Doc().Ctx.JulieSet = c.Julia;
    OpenOptionsMenu();
    EXPECT_EQ(item->isEnabled(), c.Enabled) << c.Number << " julia " << c.Julia;
  }
}

TEST_F(MainFormWindowsTest, ManualSizeDialogSetsTheImageSizeOnOk) {
  Start();
  Form->SetImageSize(400, 200);
  WaitForRender();
  struct Case {
    const char* Width;
    bool Ok;
    QSize Expected;
  } cases[] = {
      {"300", true, {300, 150}},  // proportional: 300 / 2
      {"500", false, {300, 150}},  // cancelled
  };
  for (const Case& c : cases) {
    QTimer::singleShot(0, Form, [&] {
      auto* dialog = qobject_cast<TFracSize*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), "Set fractal size");
      EXPECT_EQ(dialog->FracWidth(), Surface()->width());
      EXPECT_EQ(dialog->FracHeight(), Surface()->height());
      TypeAndLeave(dialog->WidthEdit(), c.Width);
      if (c.Ok)
        dialog->accept();
      else
        dialog->reject();
    });
    Item("&Options/&Fractal size/&Manual...")->trigger();
    EXPECT_EQ(QSize(Doc().Width, Doc().Height), c.Expected) << c.Width;
    EXPECT_EQ(Surface()->size(), c.Expected) << c.Width;
  }
  WaitForRender();
}

TEST_F(MainFormWindowsTest, PreferencesAreModelessAndFollowReplacedPalettes) {
  Start();
  QAction* item = Item("&Options/&Preferences");
  item->trigger();
  TOptionsForm* options = Form->PreferencesDialog();
  ASSERT_NE(options, nullptr);
  EXPECT_TRUE(options->isVisible());
  EXPECT_FALSE(options->isModal());
  EXPECT_EQ(options->Document(), &Doc());
  EXPECT_FALSE(item->isEnabled());

  // A palette loaded from the main window reaches the open dialog.
  WriteFile(Path("p.frp"), "[Colors]\nInfinityRed=10\nInfinityGreen=20\nInfinityBlue=30\n");
  Answers = {Path("p.frp")};
  Item("&Options/&Load palette")->trigger();
  auto* swatch = options->findChild<TColorSwatch*>("InfinitySwatch");
  ASSERT_NE(swatch, nullptr);
  EXPECT_TRUE(Until([&] { return swatch->Color() == QColor(10, 20, 30); }));

  // Closing enables the item again; the dialog is reused.
  options->close();
  EXPECT_TRUE(item->isEnabled());
  item->trigger();
  EXPECT_EQ(Form->PreferencesDialog(), options);
  EXPECT_TRUE(options->isVisible());
  WaitForRender();
}

TEST_F(MainFormWindowsTest, PreferencesReReadPalettesLoadedFromTheMenuAfterReopening) {
  // A linear palette with its own curves, loaded from "&Load palette" or
  // within a spot from "&Load spot...", while the dialog shows the standard
  // one; the dialog was closed and opened again before.
  const std::string palette =
      "[Colors]\nPalette type=1\nInfinityRed=200\nInfinityGreen=20\nInfinityBlue=30\n"
      "[Linear palette]\nRed1=255\nRed2=7\nGreen1=0\nGreen2=255\nBlue1=100\nBlue2=100\n";
  WriteFile(Path("lin.frp"), palette);
  WriteFile(Path("lin.frs"), "[DrawSize]\nX_Size=300\nY_Size=300\n[Fractal]\nNumber=0\n" + palette);
  struct Case {
    const char* item;
    const char* file;
  } const cases[] = {{"&Options/&Load palette", "lin.frp"}, {"&File/&Load spot...", "lin.frs"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    Settings() = TSettings{};
    Start();
    Item("&Options/&Preferences")->trigger();
    TOptionsForm* options = Form->PreferencesDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
    options->close();
    Item("&Options/&Preferences")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
    auto* linear = options->findChild<QAbstractButton*>("Kind1");
    auto* redEnd = options->findChild<QLineEdit*>("RedEndEdit");
    ASSERT_NE(linear, nullptr);
    ASSERT_NE(redEnd, nullptr);
    ASSERT_FALSE(linear->isChecked());
    ASSERT_FALSE(options->Tabs()->isTabVisible(1));

    Answers = {Path(c.file)};
    Item(c.item)->trigger();
    EXPECT_TRUE(Until([&] { return linear->isChecked(); }));
    EXPECT_TRUE(options->Tabs()->isTabVisible(1));  // "Contrast"
    EXPECT_EQ(redEnd->text(), "7");
    EXPECT_EQ(options->findChild<TColorSwatch*>("InfinitySwatch")->Color(), QColor(200, 20, 30));
    WaitForRender();
    delete Form;
    Form = nullptr;
  }
}

TEST_F(MainFormWindowsTest, ClosingWithToolWindowsOpenKeepsTheirPlaces) {
  Start();
  Item("&Options/&Julie window")->trigger();
  ASSERT_TRUE(Until([&] { return Form->JuliaWindow()->isVisible(); }));
  Form->JuliaWindow()->move(30, 40);
  Item("&Options/&Preferences")->trigger();
  RunSelect([&](TSelectForm& form) {
    QTest::mouseClick(form.ManualButton(), Qt::LeftButton);
    EXPECT_TRUE(form.DragWindow()->isVisible());
  }, false);
  Form->close();
  EXPECT_EQ(Form->JuliaWindow(), nullptr);
  EXPECT_EQ(Form->PreferencesDialog(), nullptr);
  EXPECT_EQ(Form->SelectDialog(), nullptr);
  const TProfileFile ini(Path("fractal.ini"));
  EXPECT_EQ(ini.ReadInt("JulieForm", "Left", -1), 30);
  EXPECT_EQ(ini.ReadInt("JulieForm", "Top", -1), 40);
}

TEST_F(MainFormWindowsTest, WindowsReopenWhereTheyClosed) {
  // Every run reads the places, shows the windows and writes the places back:
  // the frames come up where the file says and the file keeps its numbers. A
  // title bar above the screen comes down onto it and stays there.
  struct Case {
    const char* window;
    QRect main;  // frame's top-left corner, client size
    QPoint options, julie;
  } const cases[] = {
      {"Left=19\nTop=0\nWidth=400\nHeight=350", {19, 0, 400, 350}, {100, 100}, {30, 40}},
      {"Left=19\nTop=-20\nWidth=400\nHeight=350", {19, 0, 400, 350}, {240, 7}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.window);
    WriteFile(Path("fractal.ini"), std::string("[Window]\n") + c.window + "\nMaximized=0\n[Options]\nLeft=" +
                                       std::to_string(c.options.x()) + "\nTop=" + std::to_string(c.options.y()) +
                                       "\n[JulieForm]\nLeft=" + std::to_string(c.julie.x()) +
                                       "\nTop=" + std::to_string(c.julie.y()) + "\n");
    for (int run = 0; run < 2; ++run) {
      Settings() = TSettings{};
      Start();
      Item("&Options/&Preferences")->trigger();
      Item("&Options/&Julie window")->trigger();
      TOptionsForm* options = Form->PreferencesDialog();
      TForm17* julie = Form->JuliaWindow();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
      ASSERT_TRUE(Until([&] { return julie->isVisible(); }));
      ASSERT_TRUE(QTest::qWaitForWindowExposed(julie));
      EXPECT_EQ(Form->frameGeometry().topLeft(), c.main.topLeft());
      EXPECT_EQ(Form->size(), c.main.size());
      EXPECT_EQ(options->frameGeometry().topLeft(), c.options);
      EXPECT_EQ(julie->frameGeometry().topLeft(), c.julie);
      WaitForRender();
      Form->close();
      const TProfileFile ini(Path("fractal.ini"));
      EXPECT_EQ(QRect(ini.ReadInt("Window", "Left", -1), ini.ReadInt("Window", "Top", -1),
                      ini.ReadInt("Window", "Width", -1), ini.ReadInt("Window", "Height", -1)),
                c.main);
      EXPECT_EQ(QPoint(ini.ReadInt("Options", "Left", -1), ini.ReadInt("Options", "Top", -1)), c.options);
      EXPECT_EQ(QPoint(ini.ReadInt("JulieForm", "Left", -1), ini.ReadInt("JulieForm", "Top", -1)), c.julie);
      delete Form;
      Form = nullptr;
    }
  }
}

}  // namespace
