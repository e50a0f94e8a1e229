// SPDX-License-Identifier: GPL-3.0-or-later
// Where the windows open: the first time beside the main window, later where
// the user left them; message boxes over the window in use.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "attractors/attractor_form.h"
#include "engine/options_form.h"
#include "ifs/ifs_form.h"
#include "movies/avi_setup_form.h"
#include "movies/movie_values_form.h"
#include "movies/spots_form.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/gui/movie_test_helpers.h"
#include "ui/select_form.h"

namespace {

class WindowOpeningTest : public MainFormTest {
 protected:
  // Where `window` opened, checked to lie on the screen beside the main
  // window.
  void ExpectBeside(const QWidget* window, const char* name) {
    SCOPED_TRACE(name);
    ASSERT_NE(window, nullptr);
    const QRect frame = window->frameGeometry();
    EXPECT_FALSE(frame.intersects(Form->frameGeometry())) << frame.x() << "," << frame.y();
    EXPECT_TRUE(Form->screen()->availableGeometry().contains(frame));
  }
};

TEST_F(WindowOpeningTest, ToolWindowsOpenBesideTheMainWindowTheFirstTime) {
  Start();
  Item("Fracta&l/IFS &constructor")->trigger();
  ExpectBeside(Form->IFSConstructor(), "IFS constructor");
  Form->IFSConstructor()->close();
  WaitForRender();

  Item("Fracta&l/3D &attractors")->trigger();
  TAttractorForm* attractors = Form->AttractorWindow();
  ExpectBeside(attractors, "3D attractors");
  // Its drawing shows whole, without scroll bars.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(attractors));
  auto* scroll = attractors->findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
  EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
  EXPECT_GE(scroll->viewport()->width(), 300);
  EXPECT_GE(scroll->viewport()->height(), 300);
  // It draws an attractor at once, rather than waiting for "&Redraw".
  ASSERT_TRUE(QTest::qWaitFor([&] { return attractors->Document()->RenderFinished(); }, 20000));
  const T3dFractal& doc = *attractors->Document();
  int lit = 0;
  for (int32_t i = 0; i < doc.PixelCount * 3; i += 3) lit += doc.ImageBuffer()[i] != 0;
  EXPECT_GT(lit, 100);
  EXPECT_EQ(attractors->windowTitle(), "3D attractors");
  attractors->close();

  Item("&Options/&Preferences")->trigger();
  ExpectBeside(Form->PreferencesDialog(), "Fractal's property");
  Form->PreferencesDialog()->close();

  emit Item("&Render")->menu()->aboutToShow();
  Item("&Render/&Zoom movie")->trigger();
  ExpectBeside(Form->SpotsDialog(), "Spots for movie...");
  Form->SpotsDialog()->close();

  Doc().SetProperty(8, true);  // Julia mode
  WaitForRender();
  Form->SelectDialog()->JuliaCheck()->setEnabled(true);
  Form->SelectDialog()->JuliaCheck()->setChecked(true);
  int opened = 0;
  OnModal<TAVIjulieForm>([&](TAVIjulieForm* julie) {
    ExpectBeside(julie, "Julie parameters");
    ++opened;
    OnModal<TAVISetup>([&](TAVISetup* avi) {
      ExpectBeside(avi, "AVI setup");
      ++opened;
      avi->CloseButton()->click();
    });
    julie->CreateButton()->click();
    julie->CloseButton()->click();
  });
  emit Item("&Render")->menu()->aboutToShow();
  Item("&Render/&Julie movie")->trigger();
  EXPECT_EQ(opened, 2);
}

TEST_F(WindowOpeningTest, AStoredPlaceHolds) {
  Start();
  Settings().IFSForm = {37, 41};
  Settings().AttractForm = {45, 50, 500, 450, false};
  Item("Fracta&l/IFS &constructor")->trigger();
  EXPECT_EQ(Form->IFSConstructor()->pos(), QPoint(37, 41));
  Form->IFSConstructor()->close();
  WaitForRender();
  Item("Fracta&l/3D &attractors")->trigger();
  EXPECT_EQ(Form->AttractorWindow()->pos(), QPoint(45, 50));
  EXPECT_EQ(Form->AttractorWindow()->size(), QSize(500, 450));
}

TEST_F(WindowOpeningTest, MessageBoxesOpenCentredOnTheWindowInUse) {
  Start();
  Item("Fracta&l/3D &attractors")->trigger();
  TAttractorForm* attractors = Form->AttractorWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(attractors));
  const TMessageHandler test = SetMessageHandler(nullptr);
  InstallQtMessageHandler();
  auto centreOfNextBox = [] {
    QPoint centre;
    OnModal<QMessageBox>([&](QMessageBox* box) {
      centre = box->frameGeometry().center();
      box->accept();
    });
    ShowMessage("Centred");
    return centre;
  };
  auto near = [](QPoint a, QPoint b) { return (a - b).manhattanLength() <= 4; };
  EXPECT_TRUE(near(centreOfNextBox(), attractors->frameGeometry().center()));
  attractors->close();
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form));
  EXPECT_TRUE(near(centreOfNextBox(), Form->frameGeometry().center()));
  // With no window active, the program's window on the screen owns it.
  QApplication::setActiveWindow(nullptr);
  EXPECT_TRUE(near(centreOfNextBox(), Form->frameGeometry().center()));
  SetMessageHandler(test);
}

}  // namespace
