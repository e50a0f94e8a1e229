// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven as a user drives it: menus, mouse, keys, files.

#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include "attractors/attractor_form.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "ifs/ifs_form.h"
#include "ifs/transform_list_form.h"
#include "platform/dialogs.h"
#include "platform/named_mutex.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "ui/about_form.h"
#include "ui/help_form.h"
#include "ui/image_area_form.h"
#include "ui/image_file.h"
#include "ui/image_output_qt.h"
#include "ui/settings.h"
#include "ifs/ifs_form.h"
#include "tests/gui/main_form_fixture.h"

namespace fs = std::filesystem;

namespace {

TEST_F(MainFormTest, StartsWithTheDefaultMandelbrotAndItsMutex) {
  Start();
  TFractal& d = Doc();
  EXPECT_EQ(d.Ctx.Number, 0);
  EXPECT_EQ(d.X, -2.2L);
  EXPECT_EQ(d.Y, 1.4L);
  EXPECT_EQ(d.W, 2.8L);
  EXPECT_EQ(d.Width, 300);
  EXPECT_EQ(d.Height, 300);
  EXPECT_TRUE(d.MainDocument);
  EXPECT_EQ(Surface()->size(), QSize(300, 300));
  // round(100 * log10(300 / 2.8)) = round(202.996) = 203.
  EXPECT_EQ(Form->PanelText(0), "MI=203");
  EXPECT_EQ(Form->windowTitle(), "Pelmorix");
  EXPECT_EQ(Form->Caption(), "Pelmorix");
  EXPECT_EQ(Form->MutexName(), "Frac" + std::to_string(Form->Handle()));
  EXPECT_EQ(TFractal::RenderMutexName, Form->MutexName());
  EXPECT_NE(OpenNamedMutex(Form->MutexName()), nullptr);
  EXPECT_GE(Form->minimumWidth(), 200);
  EXPECT_GE(Form->minimumHeight(), 200);
  EXPECT_TRUE(Messages.empty());

  // The surface paints the document's bitmap upright: the point (-0.2, 0),
  // inside the set, is black; the corner (-2.2, 1.4) is not.
  const QImage shown = Surface()->grab().toImage();
  const QImage painted = DocumentImage(d);
  ASSERT_EQ(shown.size(), painted.size());
  for (QPoint p : {QPoint(0, 0), QPoint(213, 150), QPoint(299, 0), QPoint(0, 299), QPoint(150, 40)})
    EXPECT_EQ(shown.pixel(p), painted.pixel(p)) << p.x() << "," << p.y();
  EXPECT_EQ(QColor(shown.pixel(213, 150)), QColor(Qt::black));
  EXPECT_NE(QColor(shown.pixel(0, 0)), QColor(Qt::black));
  const TColor3 c = d.PixelColor(20, 10);
  EXPECT_EQ(QColor(shown.pixel(20, 10)), QColor(c.Red, c.Green, c.Blue));
}

TEST_F(MainFormTest, RubberBandZoomsToTheDraggedRectangle) {
  Start();
  TPaintSurface* s = Surface();
  const Extended x = Doc().X, y = Doc().Y;
  QTest::mousePress(s, Qt::LeftButton, {}, QPoint(50, 60));
  EXPECT_EQ(s->cursor().shape(), Qt::CrossCursor);
  EXPECT_TRUE(s->BandVisible());
  QTest::mouseMove(s, QPoint(100, 100));
  QTest::mouseMove(s, QPoint(150, 130));
  // The band inverts the pixels of its frame: its left edge is at x = 49.
  const QImage picture = s->Picture();
  const QImage shown = s->grab().toImage();
  int inverted = 0;
  for (int row = 60; row < 100; ++row)
    if ((shown.pixel(49, row) & 0xFFFFFF) == (~picture.pixel(49, row) & 0xFFFFFF)) ++inverted;
  EXPECT_GE(inverted, 15);
  EXPECT_EQ(shown.pixel(48, 80), picture.pixel(48, 80));
  EXPECT_EQ(shown.pixel(100, 80), picture.pixel(100, 80));
  QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(150, 130));
  EXPECT_FALSE(s->BandVisible());
  EXPECT_NE(s->cursor().shape(), Qt::CrossCursor);
  // left = 49, top = 59, width = 150 - 49 = 101, step rounded to a double.
  const Extended step = double(2.8L / 299);
  EXPECT_EQ(Doc().W, step * 101);
  EXPECT_EQ(Doc().X, x + step * 49);
  EXPECT_EQ(Doc().Y, y - step * 59);
  EXPECT_NEAR(double(Doc().W), 0.94582, 1e-5);
  WaitForRender();
}

TEST_F(MainFormTest, SmallOrBackwardDragsDoNotZoom) {
  Start();
  TPaintSurface* s = Surface();
  struct Case {
    QPoint To;
    bool Zooms;
  } cases[] = {
      {{50, 60}, false},    // a click
      {{52, 150}, false},   // 3 pixels wide
      {{150, 62}, false},   // 3 pixels high
      {{20, 20}, false},    // up and to the left
      {{150, 20}, false},   // up
      {{53, 63}, true},     // 4 x 4 is the smallest zoom
  };
  for (const Case& c : cases) {
    Doc().SetWindow(-2.2L, 1.4L, 2.8L);
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(50, 60));
    QTest::mouseMove(s, c.To);
    QTest::mouseRelease(s, Qt::LeftButton, {}, c.To);
    if (c.Zooms) {
      EXPECT_EQ(Doc().W, Extended(double(2.8L / 299)) * 4) << c.To.x() << "," << c.To.y();
    } else {
      EXPECT_EQ(Doc().W, 2.8L) << c.To.x() << "," << c.To.y();
      EXPECT_EQ(Doc().X, -2.2L);
      EXPECT_EQ(Doc().Y, 1.4L);
    }
  }
  // Other buttons neither start nor end a drag.
  Doc().SetWindow(-2.2L, 1.4L, 2.8L);
  QTest::mousePress(s, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_FALSE(s->BandVisible());
  QTest::mouseMove(s, QPoint(200, 200));
  QTest::mouseRelease(s, Qt::RightButton, {}, QPoint(200, 200));
  EXPECT_EQ(Doc().W, 2.8L);
  QTest::mousePress(s, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(s, QPoint(200, 200));
  QTest::mouseRelease(s, Qt::RightButton, {}, QPoint(200, 200));
  EXPECT_TRUE(s->BandVisible());
  QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(200, 200));
  EXPECT_FALSE(s->BandVisible());
  EXPECT_EQ(Doc().W, Extended(double(2.8L / 299)) * 191);
  WaitForRender();
}

TEST_F(MainFormTest, ArrowKeysPanByTenOneOrTwentyFivePixels) {
  Start();
  struct Case {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    int Dx, Dy, Pixels;
  } cases[] = {
      {Qt::Key_Left, Qt::NoModifier, -1, 0, 10},
      {Qt::Key_Right, Qt::NoModifier, 1, 0, 10},
      {Qt::Key_Up, Qt::NoModifier, 0, 1, 10},
      {Qt::Key_Down, Qt::NoModifier, 0, -1, 10},
      {Qt::Key_Left, Qt::ShiftModifier, -1, 0, 1},
      {Qt::Key_Up, Qt::ShiftModifier, 0, 1, 1},
      {Qt::Key_Right, Qt::ControlModifier, 1, 0, 25},
      {Qt::Key_Down, Qt::ControlModifier, 0, -1, 25},
      {Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier, -1, 0, 25},  // Ctrl wins
  };
  for (const Case& c : cases) {
    const Extended x = Doc().X, y = Doc().Y, w = Doc().W, step = Step();
    QTest::keyClick(Surface(), c.Key, c.Modifiers);
    EXPECT_EQ(Doc().X, c.Dx == 0 ? x : (c.Dx > 0 ? x + c.Pixels * step : x - c.Pixels * step)) << c.Key;
    EXPECT_EQ(Doc().Y, c.Dy == 0 ? y : (c.Dy > 0 ? y + c.Pixels * step : y - c.Pixels * step)) << c.Key;
    EXPECT_EQ(Doc().W, w);
  }
  // Insert returns to the formula's home window.
  QTest::keyClick(Surface(), Qt::Key_Insert);
  EXPECT_EQ(Doc().X, -2.2L);
  EXPECT_EQ(Doc().Y, 1.4L);
  EXPECT_EQ(Doc().W, 2.8L);
  // Enter toggles Julia mode only with a Julia window: nothing happens.
  QTest::keyClick(Surface(), Qt::Key_Return);
  EXPECT_FALSE(Doc().Ctx.JulieSet);
  EXPECT_EQ(Doc().W, 2.8L);
  WaitForRender();
}

TEST_F(MainFormTest, FullSetInJuliaModeIsCentredOnTheOrigin) {
  Start();
  Doc().SetProperty(8, true);
  struct Case {
    int Width, Height;
    Extended X, Y;
  } cases[] = {
      {300, 300, -1.4L, 1.4L},
      {320, 200, -1.4L, 0.873354231974922L},  // 1.4 * 199 / 319: the height's middle on 0
  };
  for (const Case& c : cases) {
    Form->SetImageSize(c.Width, c.Height);
    Doc().SetWindow(0.25L, 0.1L, 0.001L);
    QTest::keyClick(Surface(), Qt::Key_Insert);
    EXPECT_EQ(Doc().X, c.X) << c.Width;
    EXPECT_NEAR(double(Doc().Y), double(c.Y), 1e-15) << c.Width;
    EXPECT_EQ(Doc().W, 2.8L) << c.Width;
  }
  // Outside Julia mode the home window, as before.
  Doc().SetProperty(8, false);
  Item("Fracta&l/&View full set...")->trigger();
  EXPECT_EQ(Doc().X, -2.2L);
  EXPECT_EQ(Doc().Y, 1.4L);
  WaitForRender();
}

TEST_F(MainFormTest, KeypadZoomsAboutTheMouseAndBack) {
  Start();
  TPaintSurface* s = Surface();
  QCursor::setPos(s->mapToGlobal(QPoint(100, 80)));
  ASSERT_EQ(s->mapFromGlobal(QCursor::pos()), QPoint(100, 80));
  const Extended x = Doc().X, y = Doc().Y, step = Step();
  // The render must not paint over the preview before it is checked.
  std::shared_ptr<TNamedMutex> mutex = OpenNamedMutex(Form->MutexName());
  ASSERT_TRUE(mutex);
  ASSERT_TRUE(mutex->Acquire());
  const QImage before = s->Picture();
  QTest::keyClick(s, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(Doc().X, x + 100 * step / 2);
  EXPECT_EQ(Doc().Y, y - 80 * step / 2);
  EXPECT_EQ(Doc().W, 1.4L);
  // The preview stretches the 150 x 150 pixels at (50, 40) over the image.
  EXPECT_TRUE(s->PreviewShown());
  const QImage preview = s->Picture();
  for (QPoint p : {QPoint(0, 0), QPoint(20, 30), QPoint(149, 149), QPoint(75, 10)})
    EXPECT_EQ(preview.pixel(2 * p.x(), 2 * p.y()), before.pixel(50 + p.x(), 40 + p.y())) << p.x() << "," << p.y();
  mutex->Release();
  WaitForRender();
  EXPECT_FALSE(s->PreviewShown());
  EXPECT_EQ(s->Picture(), DocumentImage(Doc()));

  // The point under the cursor stays in place, so minus undoes plus.
  QTest::keyClick(s, Qt::Key_Minus, Qt::KeypadModifier);
  EXPECT_NEAR(double(Doc().X), double(x), 1e-15);
  EXPECT_NEAR(double(Doc().Y), double(y), 1e-15);
  EXPECT_EQ(Doc().W, 2.8L);
  // The keys of the main keyboard do not zoom.
  QTest::keyClick(s, Qt::Key_Plus);
  EXPECT_EQ(Doc().W, 2.8L);
  WaitForRender();
}

TEST_F(MainFormTest, DoubleClicksZoomAboutTheMouse) {
  Start();
  TPaintSurface* s = Surface();
  const Extended step = Step();
  QTest::mouseDClick(s, Qt::LeftButton, {}, QPoint(120, 60));
  QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(120, 60));
  EXPECT_EQ(Doc().W, 1.4L);
  EXPECT_EQ(Doc().X, -2.2L + 120 * step / 2);
  EXPECT_EQ(Doc().Y, 1.4L - 60 * step / 2);
  EXPECT_FALSE(s->BandVisible());
  const Extended x = Doc().X, y = Doc().Y, step2 = Step();
  QTest::mouseDClick(s, Qt::RightButton, {}, QPoint(30, 200));
  QTest::mouseRelease(s, Qt::RightButton, {}, QPoint(30, 200));
  EXPECT_EQ(Doc().W, 2.8L);
  EXPECT_EQ(Doc().X, x - 30 * step2);
  EXPECT_EQ(Doc().Y, y + 200 * step2);
  WaitForRender();
}

TEST_F(MainFormTest, ZoomMenuItemsZoomAboutTheCentre) {
  Start();
  const Extended step = Step();
  QAction* in = Item("Fracta&l/Zoom &in");
  QAction* out = Item("Fracta&l/Zoom &out");
  ASSERT_TRUE(in && out);
  in->trigger();
  EXPECT_EQ(Doc().X, -2.2L + 300 * step * 0.25L);
  EXPECT_EQ(Doc().Y, 1.4L - 300 * step * 0.25L);
  EXPECT_EQ(Doc().W, 1.4L);
  EXPECT_TRUE(Surface()->PreviewShown());
  out->trigger();
  EXPECT_NEAR(double(Doc().X), -2.2, 1e-15);
  EXPECT_NEAR(double(Doc().Y), 1.4, 1e-15);
  EXPECT_EQ(Doc().W, 2.8L);
  // The shortcuts on the numeric pad with Ctrl do the same.
  QTest::keyClick(Surface(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(Doc().W, 1.4L);
  EXPECT_NEAR(double(Doc().X), -2.2 + 300 * (2.8 / 299) * 0.25, 1e-15);  // -1.49766
  QTest::keyClick(Surface(), Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(Doc().W, 2.8L);
  EXPECT_NEAR(double(Doc().X), -2.2, 1e-15);
  // "View full set..." goes home from anywhere.
  Doc().SetWindow(0.25L, 0.1L, 0.001L);
  Item("Fracta&l/&View full set...")->trigger();
  EXPECT_EQ(Doc().X, Doc().X0);
  EXPECT_EQ(Doc().Y, Doc().Y0);
  EXPECT_EQ(Doc().W, 2.8L);
  WaitForRender();
}

TEST_F(MainFormTest, SmoothingMenuSetsAndShowsTheDocumentsMethod) {
  Start();
  QMenu* menu = Item("Fracta&l/S&moothing")->menu();
  ASSERT_TRUE(menu);
  const char* captions[] = {"&0.  None", "&1. BailOut / Z", "&2. Linear", "&3. Square"};
  for (int tag : {2, 0, 3, 1}) {
    QAction* a = Item(QString("Fracta&l/S&moothing/") + captions[tag]);
    a->trigger();
    EXPECT_EQ(Doc().Ctx.Smoothing, tag);
  }
  // Opening the menu checks the document's method, however it was set.
  for (int tag : {3, 0, 2}) {
    Doc().SetProperty(34, int32_t(tag));
    emit menu->aboutToShow();
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(Item(QString("Fracta&l/S&moothing/") + captions[k])->isChecked(), k == tag) << tag << " " << k;
  }
  WaitForRender();
}

TEST_F(MainFormTest, FractalSizePresetsResizeAndAreCheckedOnOpening) {
  Start();
  QMenu* menu = Item("&Options/&Fractal size")->menu();
  ASSERT_TRUE(menu);
  Item("&Options/&Fractal size/640 x 480")->trigger();
  EXPECT_EQ(Doc().Width, 640);
  EXPECT_EQ(Doc().Height, 480);
  EXPECT_EQ(Surface()->size(), QSize(640, 480));
  WaitForRender();
  // round(100 * log10(640 / 2.8)) = round(235.9) = 236.
  EXPECT_EQ(Form->PanelText(0), "MI=236");
  emit menu->aboutToShow();
  EXPECT_TRUE(Item("&Options/&Fractal size/640 x 480")->isChecked());
  EXPECT_FALSE(Item("&Options/&Fractal size/&Manual...")->isChecked());

  Item("&Options/&Fractal size/1600 x 1600")->trigger();
  EXPECT_EQ(Doc().Width, 1600);
  emit menu->aboutToShow();
  EXPECT_TRUE(Item("&Options/&Fractal size/1600 x 1600")->isChecked());

  // A size no preset has leaves "Manual..." checked.
  Form->SetImageSize(333, 222);
  emit menu->aboutToShow();
  EXPECT_TRUE(Item("&Options/&Fractal size/&Manual...")->isChecked());
  EXPECT_FALSE(Item("&Options/&Fractal size/1600 x 1600")->isChecked());
  EXPECT_EQ(Surface()->size(), QSize(333, 222));

  // Every preset sets its size.
  for (const TSizePreset& p : kSizePresets) {
    Item(QString("&Options/&Fractal size/") + p.Caption)->trigger();
    EXPECT_EQ(QSize(Doc().Width, Doc().Height), QSize(p.Width, p.Height)) << p.Caption;
  }
  WaitForRender();
}

TEST_F(MainFormTest, SpotSaveAndLoadRestoreTheViewAndTheDrawSize) {
  Start();
  Form->Today = [] { return QDate(2024, 3, 7); };
  Doc().SetWindow(-0.75L, 0.125L, 0.0625L);
  Doc().SetProperty(34, int32_t(2));
  Answers = {Path("spot1")};
  Item("&File/&Save current spot...")->trigger();
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "Save current spot");
  EXPECT_EQ(Dialogs[0].Filter, "Fractal spots (*.frs)|*.frs|All files (*.*)|*.*");
  EXPECT_EQ(Dialogs[0].DefaultExt, "frs");
  EXPECT_TRUE(Dialogs[0].OverwritePrompt);
  EXPECT_EQ(Dialogs[0].FileName, "070324");  // an empty name becomes the date
  EXPECT_EQ(Dialogs[0].InitialDir, Folder);
  const std::string text = ReadFile(Path("spot1.frs"));
  ASSERT_FALSE(text.empty());
  const size_t drawSize = text.find("[DrawSize]"), fractal = text.find("[Fractal]");
  ASSERT_NE(drawSize, std::string::npos);
  ASSERT_NE(fractal, std::string::npos);
  EXPECT_LT(drawSize, fractal);
  EXPECT_EQ(GetPrivateProfileInt("DrawSize", "X_Size", 0, Path("spot1.frs")), 300);
  EXPECT_EQ(GetPrivateProfileInt("DrawSize", "Y_Size", 0, Path("spot1.frs")), 300);
  WaitForRender();

  Form->SetImageSize(640, 480);
  Item("Fracta&l/&View full set...")->trigger();
  Doc().SetProperty(34, int32_t(0));
  Form->Surface()->setFocus();
  Answers = {Path("spot1.frs")};
  Item("&File/&Load spot...")->trigger();
  ASSERT_EQ(Dialogs.size(), 2u);
  EXPECT_EQ(Dialogs[1].Title, "Open fractal spot");
  EXPECT_EQ(Dialogs[1].Filter,
            "Fractal spots and pictures (*.frs;*.png;*.jpg;*.jpeg)|*.frs;*.png;*.jpg;*.jpeg|"
            "Fractal spots (*.frs)|*.frs|All files (*.*)|*.*");
  EXPECT_EQ(Dialogs[1].DefaultExt, "frs");
  EXPECT_EQ(Doc().X, -0.75L);
  EXPECT_EQ(Doc().Y, 0.125L);
  EXPECT_EQ(Doc().W, 0.0625L);
  EXPECT_EQ(Doc().Ctx.Smoothing, 2);
  EXPECT_EQ(QSize(Doc().Width, Doc().Height), QSize(300, 300));
  EXPECT_EQ(Form->Caption(), "Pelmorix: spot1.frs");
  EXPECT_EQ(Form->PanelText(2), "");
  EXPECT_EQ(ImageSaveState().FileName, "spot1");
  EXPECT_EQ(Form->SpotOpenDialog.InitialDir, Folder);
  WaitForRender();
  EXPECT_EQ(Form->windowTitle(), "Pelmorix: spot1.frs");

  // The next save offers the loaded name without its extension; a chosen
  // name with another extension gets ".frs" instead.
  Answers = {Path("other.txt")};
  Item("&File/&Save current spot...")->trigger();
  ASSERT_EQ(Dialogs.size(), 3u);
  EXPECT_EQ(Dialogs[2].FileName, "spot1");
  EXPECT_TRUE(fs::exists(Path("other.frs")));
  EXPECT_FALSE(fs::exists(Path("other.txt")));
  // Cancelled dialogs change nothing.
  Item("&File/&Load spot...")->trigger();
  EXPECT_EQ(Form->Caption(), "Pelmorix: spot1.frs");
  EXPECT_TRUE(Dialogs.back().FileMustExist);
  // A file that is not there is reported and loads nothing.
  Form->SetImageSize(640, 480);
  Answers = {Path("gone.frs")};
  Item("&File/&Load spot...")->trigger();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("gone.frs"), std::string::npos);
  EXPECT_EQ(Form->Caption(), "Pelmorix: spot1.frs");
  EXPECT_EQ(Doc().Width, 640);
  EXPECT_EQ(Doc().W, 0.0625L);
  WaitForRender();
}

TEST_F(MainFormTest, LoadingAppliesDrawSizeOrItsDefault) {
  Start();
  const std::string spot = "[Fractal]\nX_Coord=-1\nY_Coord=1\nW_Coord=2\n";
  struct Case {
    const char* Name;
    std::string DrawSize;
    QSize Size;
  } cases[] = {
      {"wide.frs", "[DrawSize]\nX_Size=640\nY_Size=480\n", {640, 480}},
      {"none.frs", "", {300, 300}},
      {"bad.frs", "[DrawSize]\nX_Size=-5\nY_Size=99999999\n", {300, 300}},
      {"small.frs", "[DrawSize]\nX_Size=152\nY_Size=200\n", {152, 200}},
  };
  for (const Case& c : cases) {
    Form->SetImageSize(400, 400);
    WriteFile(Path(c.Name), c.DrawSize + spot);
    Form->LoadSpotFrom(Path(c.Name), true);
    EXPECT_EQ(QSize(Doc().Width, Doc().Height), c.Size) << c.Name;
    EXPECT_EQ(Surface()->size(), c.Size) << c.Name;
    EXPECT_EQ(Doc().X, -1.0L);
    EXPECT_EQ(Doc().W, 2.0L);
    EXPECT_EQ(Form->Caption(), QString("Pelmorix: ") + c.Name);
  }
  // Dropping the same file keeps the size.
  Form->SetImageSize(400, 400);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(Path("wide.frs")))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form, &enter);
  EXPECT_TRUE(enter.isAccepted());
  Doc().SetWindow(0, 0, 1);
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form, &drop);
  EXPECT_EQ(QSize(Doc().Width, Doc().Height), QSize(400, 400));
  EXPECT_EQ(Doc().X, -1.0L);
  EXPECT_EQ(Doc().Y, 1.0L);
  EXPECT_EQ(Form->Caption(), "Pelmorix: wide.frs");
  EXPECT_EQ(Form->SpotSaveDialog.FileName, "wide.frs");
  EXPECT_EQ(ImageSaveState().FileName, "wide");
  EXPECT_TRUE(Messages.empty());
  // A spot that is there but cannot be read (here a file whose start gives
  // an I/O error, which binds root too) is reported and changes nothing.
  Form->LoadSpotFrom("/proc/self/mem", true);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "Cannot read \"/proc/self/mem\": Input/output error");
  EXPECT_EQ(QSize(Doc().Width, Doc().Height), QSize(400, 400));
  EXPECT_EQ(Doc().X, -1.0L);
  EXPECT_EQ(Form->Caption(), "Pelmorix: wide.frs");
  WaitForRender();
}

// "Save image" writes a picture that "Load spot...", a drop and the
// command line open as the spot it holds; one without a spot changes nothing.
TEST_F(MainFormTest, PicturesOpenAsTheSpotTheyHold) {
  Start();
  Doc().SetWindow(-0.75L, 0.125L, 0.0625L);
  WaitForRender();
  const std::string spot = SpotFileText(Doc());
  for (const auto& [name, type] : {std::pair{"view.png", 3}, std::pair{"view.jpg", 1}}) {
    Form->ImageHooks.ChooseSaveFile = [name = Path(name), type = type](QWidget*, const TSaveFileRequest&) {
      return std::optional<TSaveFileChoice>(TSaveFileChoice{name, type});
    };
    Item("&File/Save &image")->trigger();
  }
  const std::function<void(const std::string&)> opens[] = {
      [this](const std::string& path) {
        Answers = {path};
        Item("&File/&Load spot...")->trigger();
      },
      [this](const std::string& path) { Form->OpenDroppedFile(path); },
      [this](const std::string& path) { Form->OpenFileArgument(path); },
  };
  for (const std::string name : {"view.png", "view.jpg"})
    for (const auto& open : opens) {
      SCOPED_TRACE(name);
      Item("Fracta&l/&View full set...")->trigger();
      WaitForRender();
      open(Path(name));
      EXPECT_EQ(SpotFileText(Doc()), spot);
      EXPECT_EQ(Form->Caption(), QString::fromStdString("Pelmorix: " + name));
      WaitForRender();
    }
  EXPECT_TRUE(Messages.empty());
  WriteFile(Path("plain.png"), PngFileBytes(Doc().BitmapHeader(), Doc().ImageBuffer(), Doc().Width, Doc().Height, {}));
  Form->OpenDroppedFile(Path("plain.png"));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "Cannot read \"" + Path("plain.png") + "\": the picture holds no Pelmorix spot");
  EXPECT_EQ(SpotFileText(Doc()), spot);
  EXPECT_EQ(Form->Caption(), "Pelmorix: view.jpg");
  WaitForRender();
}

TEST_F(MainFormTest, DroppedFilesOpenByEveryNameTheyHold) {
  Start();
  // A palette recolours the image at once: the inside of the set turns red.
  WriteFile(Path("red.frp"), "[Colors]\nColorOrder=0\nInfinityRed=255\nInfinityGreen=0\nInfinityBlue=0\n");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(Path("red.frp"))),
                QUrl::fromLocalFile(QString::fromStdString(Path("ignored.frs")))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Form, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(Doc().Palette->InfinityColor.Red, 255);
  EXPECT_EQ(Doc().PixelColor(213, 150), (TColor3{0, 0, 255}));
  EXPECT_EQ(Form->Caption(), "Pelmorix");  // only the first file counts

  // Both ".FRI" and ".FRS" in one name: the spot first, then the IFS file,
  // which the IFS constructor loads over the spot it keeps.
  WriteFile(Path("both.fri.frs"), "[Fractal]\nX_Coord=-1.5\nY_Coord=1\nW_Coord=2\n");
  Form->OpenDroppedFile(Path("both.fri.frs"));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Form->Caption(), "Pelmorix: both.fri.frs");
  ASSERT_NE(Form->IFSConstructor(), nullptr);
  EXPECT_TRUE(Form->IFSConstructor()->isVisible());
  EXPECT_EQ(Doc().Ctx.Number, 1001);
  EXPECT_EQ(Doc().X, -1.5L);  // the file's "Fractal" window
  Form->IFSConstructor()->close();
  QCoreApplication::processEvents();
  EXPECT_EQ(Doc().Ctx.Number, 0);
  EXPECT_EQ(Doc().X, -1.5L);
  // An attractor file opens the attractor window, which loads it.
  WriteFile(Path("strange.FR3"), "[Fractal]\nW_Coord=3\n");
  Form->OpenDroppedFile(Path("strange.FR3"));
  ASSERT_NE(Form->AttractorWindow(), nullptr);
  EXPECT_EQ(Form->AttractorWindow()->Document()->W, 3);
  EXPECT_TRUE(Messages.empty());
  WaitForRender();
}

TEST(MainFormRules, FileNamesAreClassifiedBySearchingTheUpperCasedName) {
  struct Case {
    const char* Name;
    TFileKinds Kinds;
  } cases[] = {
      {"/a/spot.frs", {true, false, false, false}},
      {"/a/SPOT.FRS", {true, false, false, false}},
      {"/a/x.Fr3", {false, true, false, false}},
      {"/a/pal.frp", {false, false, true, false}},
      {"/a/tree.fri", {false, false, false, true}},
      {"/a/both.fri.frs", {true, false, false, true}},
      {"/my.frs.d/picture.jpg", {true, false, false, false}},  // anywhere in the name
      {"/a/view.PNG", {true, false, false, false}},            // a picture holds a spot
      {"/a/view.jpeg", {true, false, false, false}},
      {"/a/frs", {false, false, false, false}},
      {"/a/x.fr", {false, false, false, false}},
      {"", {false, false, false, false}},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyFileName(c.Name), c.Kinds) << c.Name;
}

TEST(MainFormRules, SpotFileNames) {
  const QDate day(2031, 12, 5);
  struct Prefill {
    const char* Current;
    const char* Offered;
  } prefills[] = {
      {"", "051231"},
      {"spot1.frs", "spot1"},
      {"/home/u/my.dir/spot1.frs", "spot1"},
      {"a.b.c", "a"},
      {"plain", "plain"},
  };
  for (const Prefill& p : prefills) EXPECT_EQ(PrefilledSpotName(p.Current, day), p.Offered) << p.Current;
  struct Saved {
    const char* Chosen;
    const char* Path;
  } saved[] = {
      {"/x/spot", "/x/spot.frs"},
      {"/x/spot.frs", "/x/spot.frs"},
      {"/x/spot.txt", "/x/spot.frs"},
      {"/x/a.b.frs", "/x/a.b.frs"},
      {"/x.d/spot", "/x.d/spot.frs"},  // a folder's "." is not an extension
      {"spot", "spot.frs"},
  };
  for (const Saved& s : saved) EXPECT_EQ(WithExtension(s.Chosen, "frs"), s.Path) << s.Chosen;
}

TEST(MainFormRules, StatusBarNumbers) {
  // round(log10(299 / 2.8) + 1) = round(3.03) = 3.
  EXPECT_EQ(CoordinateDecimals(2.8 / 299), 3);
  EXPECT_EQ(CoordinateDecimals(1e-10), 11);
  EXPECT_EQ(CoordinateDecimals(0.1), 2);
  EXPECT_EQ(CoordinateDecimals(1000), 0);  // never a negative count
  EXPECT_EQ(CoordinateDecimals(1e-40), 20);
  EXPECT_EQ(CoordinateText(-1.2635, 0.93177, 3), "X=-1.264, Y=0.932");
  EXPECT_EQ(CoordinateText(0.4, -2, 0), "X=0, Y=-2");
  struct Progress {
    intptr_t Done, Total;
    const char* Text;
  } progress[] = {
      {0, 299, "  0.0%"}, {150, 299, " 50.2%"}, {299, 299, "100.0%"}, {1, 1, "100.0%"}, {1, 3, " 33.3%"},
      {4, 1199, "  0.3%"},
  };
  for (const Progress& p : progress) EXPECT_EQ(ProgressText(p.Done, p.Total), p.Text) << p.Done << "/" << p.Total;
}

TEST_F(MainFormTest, StatusBarShowsCoordinatesValuesAndProgress) {
  Start();
  TPaintSurface* s = Surface();
  // step = 2.8 / 299: (100, 50) is (-1.26354..., 0.93177...), 3 decimals.
  QTest::mouseMove(s, QPoint(100, 50));
  EXPECT_EQ(Form->PanelText(2), "X=-1.264, Y=0.932");
  const float v = Doc().PixelValue(100, 50);
  ASSERT_NE(v, 0.0f);
  EXPECT_EQ(Form->PanelText(1), QString::asprintf("%8.2f", double(v)));
  EXPECT_EQ(Form->PanelText(1).size(), 8);
  // (213, 150) is (-0.205, -0.005), inside the set.
  QTest::mouseMove(s, QPoint(213, 150));
  EXPECT_EQ(Form->PanelText(1), "infinite");
  EXPECT_EQ(Form->PanelWidth(1), Form->statusBar()->fontMetrics().horizontalAdvance("infinite") + 2);
  EXPECT_EQ(Form->PanelText(2), "X=-0.205, Y=-0.005");

  // Progress and its end, as the render thread posts them.
  PostMessage(0, MSG_RENDER_PROGRESS, 150, 299);
  QCoreApplication::processEvents();
  EXPECT_EQ(Form->PanelText(1), " 50.2%");
  EXPECT_EQ(Form->ApplicationTitle(), "Pelmorix:  50.2%");
  EXPECT_EQ(Form->windowTitle(), "Pelmorix:  50.2%");
  PostMessage(0, MSG_RENDER_DONE, 0, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(Form->ApplicationTitle(), "Pelmorix");
  EXPECT_EQ(Form->windowTitle(), "Pelmorix");

  // While a render runs, moves leave the progress alone.
  std::shared_ptr<TNamedMutex> mutex = OpenNamedMutex(Form->MutexName());
  ASSERT_TRUE(mutex && mutex->Acquire());
  Doc().SetWindow(-2, 1, 2);
  ASSERT_FALSE(Doc().RenderFinished());
  PostMessage(0, MSG_RENDER_PROGRESS, 1, 4);
  QCoreApplication::processEvents();
  QTest::mouseMove(s, QPoint(30, 30));
  EXPECT_EQ(Form->PanelText(1), " 25.0%");
  // step 2 / 299 gives round(log10(149.5) + 1) = 3 decimals.
  EXPECT_EQ(Form->PanelText(2).toStdString(), CoordinateText(-2 + 30 * (2.0 / 299), 1 - 30 * (2.0 / 299), 3));
  mutex->Release();
  WaitForRender();
  EXPECT_EQ(Form->windowTitle(), "Pelmorix");
  EXPECT_EQ(Form->PanelText(1), "100.0%");  // the last progress stays until the mouse moves
}

TEST_F(MainFormTest, CommandLineSpotAndPaletteFiles) {
  WriteFile(Path("start.frs"), "[DrawSize]\nX_Size=640\nY_Size=480\n[Fractal]\nX_Coord=-1\nY_Coord=1\nW_Coord=2\n");
  Start(Path("start.frs"));
  EXPECT_EQ(Doc().X, -1.0L);
  EXPECT_EQ(Doc().W, 2.0L);
  EXPECT_EQ(Doc().Width, 300);  // "DrawSize" is not applied
  EXPECT_EQ(Form->Caption(), "Pelmorix: start.frs");
  EXPECT_EQ(Form->windowTitle(), "Pelmorix: start.frs");
  delete Form;
  Form = nullptr;

  // A bare name is looked for in the current folder.
  WriteFile(Path("order.frp"), "[Colors]\nColorOrder=3\n");
  const fs::path cwd = fs::current_path();
  fs::current_path(Folder);
  Start("order.frp");
  fs::current_path(cwd);
  EXPECT_EQ(Doc().Palette->ColorOrder, 3);
  EXPECT_EQ(Form->Caption(), "Pelmorix");
  EXPECT_TRUE(Messages.empty());
  delete Form;
  Form = nullptr;

  // Files that do not exist are reported, not loaded as empty spots.
  Start(Path("missing.frs"));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("missing.frs"), std::string::npos);
  EXPECT_EQ(Form->Caption(), "Pelmorix");
  EXPECT_EQ(Doc().W, 2.8L);
}

TEST_F(MainFormTest, CommandLineAttractorAndIFSFilesWaitForTheirWindows) {
  WriteFile(Path("tree.fri"), "[IFS]\nName=Tree\nCount=1\nFrm0A=0.5\nFrm0P=1\n");
  Form = new TMainForm(Path("tree.fri"));
  // The file is handled through a message to the window after start-up.
  EXPECT_EQ(Form->IFSConstructor(), nullptr);
  QCoreApplication::processEvents();
  ASSERT_NE(Form->IFSConstructor(), nullptr);
  EXPECT_EQ(Form->IFSConstructor()->NameEdit()->text(), "Tree");
  EXPECT_EQ(Form->IFSConstructor()->TransformList()->count(), 1);
  EXPECT_TRUE(Messages.empty());
  delete Form;
  Form = nullptr;
  // A file that is not there opens nothing.
  Start(Path("gone.fri"));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("gone.fri"), std::string::npos);
  EXPECT_EQ(Form->IFSConstructor(), nullptr);
  EXPECT_EQ(Doc().Ctx.Number, 0);
  delete Form;
  Form = nullptr;
  Messages.clear();
  // The attractor window opens and reports the missing file.
  Start(Path("lorenz.fr3"));
  QCoreApplication::processEvents();
  ASSERT_NE(Form->AttractorWindow(), nullptr);
  EXPECT_TRUE(Form->AttractorWindow()->isVisible());
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("lorenz.fr3\" does not exist"), std::string::npos);
}

TEST_F(MainFormTest, PaletteFilesLoadAndSave) {
  Start();
  Form->Today = [] { return QDate(2025, 1, 2); };
  Doc().Palette->SetColorOrder(4);
  Answers = {Path("mine")};
  Item("&Options/&Save palette")->trigger();
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "Save current palette");
  EXPECT_EQ(Dialogs[0].Filter, "Fractal palette files (*.frp)|*.frp");
  EXPECT_EQ(Dialogs[0].FileName, "020125");
  EXPECT_TRUE(Dialogs[0].OverwritePrompt);
  // A name typed without an extension takes the dialog's.
  EXPECT_EQ(GetPrivateProfileInt("Colors", "ColorOrder", -1, Path("mine.frp")), 4);
  EXPECT_EQ(Form->PaletteSaveDialog.InitialDir, Folder);

  Doc().Palette->SetColorOrder(0);
  WriteFile(Path("blue.frp"), "[Colors]\nColorOrder=5\nInfinityBlue=255\n");
  Answers = {Path("blue.frp")};
  Item("&Options/&Load palette")->trigger();
  ASSERT_EQ(Dialogs.size(), 2u);
  EXPECT_EQ(Dialogs[1].Title, "Open palette");
  EXPECT_EQ(Dialogs[1].DefaultExt, "frp");
  EXPECT_TRUE(Dialogs[1].FileMustExist);
  EXPECT_EQ(Doc().Palette->ColorOrder, 5);
  EXPECT_EQ(Doc().PixelColor(213, 150), (TColor3{255, 0, 0}));

  // A broken palette file is reported and changes nothing.
  WriteFile(Path("broken.frp"), "[Colors]\nColorOrder=1\nContrast=abc\n");
  Answers = {Path("broken.frp")};
  Item("&Options/&Load palette")->trigger();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("abc"), std::string::npos);
  EXPECT_EQ(Doc().Palette->ColorOrder, 5);
  WaitForRender();
}

TEST_F(MainFormTest, PlayMovieHandsTheClipToTheDesktop) {
  Start();
  std::vector<std::string> opened;
  Form->OpenWithShell = [&](const std::string& p) { opened.push_back(p); };
  Answers = {Path("clips/flight.avi")};
  Item("&Render/&Play movie")->trigger();
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "Open video");
  EXPECT_EQ(Dialogs[0].Filter, "Video for Windows files (*.avi)|*.avi");
  EXPECT_EQ(Dialogs[0].InitialDir, ".");
  EXPECT_TRUE(Dialogs[0].FileMustExist);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], Path("clips/flight.avi"));
  EXPECT_EQ(Form->VideoOpenDialog.InitialDir, Path("clips"));
}

TEST_F(MainFormTest, MenuCaptionsShortcutsAndStates) {
  Start();
  using K = QKeySequence;
  struct Row {
    const char* Path;
    QKeySequence Shortcut;
    bool Enabled;
  } rows[] = {
      {"&File/Save &image", K(Qt::CTRL | Qt::Key_F2), true},
      {"&File/Save to &clipboard", K(Qt::CTRL | Qt::Key_Insert), true},
      {"&File/&Wallpaper", K(), true},
      {"&File/&Wallpaper/&Tiled", K(), true},
      {"&File/&Wallpaper/&Centered", K(), true},
      {"&File/&Save current spot...", K(Qt::Key_F2), true},
      {"&File/&Load spot...", K(Qt::Key_F3), true},
      {"&File/Rece&nt files", K(), false},
      {"&File/&Printer setup", K(), true},
      {"&File/P&rint", K(Qt::ALT | Qt::Key_P), true},
      {"&File/&Exit", K(Qt::ALT | Qt::Key_X), true},
      {"&Edit/&Undo", K(Qt::CTRL | Qt::Key_Z), false},
      {"&Edit/&Redo", K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), false},
      {"Fracta&l/&Select fractal", K(Qt::Key_F6), true},
      {"Fracta&l/IFS &constructor", K(Qt::Key_F7), true},
      {"Fracta&l/3D &attractors", K(Qt::Key_F5), true},
      {"Fracta&l/&View full set...", K(Qt::Key_Insert), true},
      {"Fracta&l/Zoom &out", K(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus), true},
      {"Fracta&l/Zoom &in", K(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus), true},
      {"Fracta&l/S&moothing", K(), true},
      {"Fracta&l/S&moothing/&0.  None", K(), true},
      {"Fracta&l/S&moothing/&1. BailOut / Z", K(), true},
      {"Fracta&l/S&moothing/&2. Linear", K(), true},
      {"Fracta&l/S&moothing/&3. Square", K(), true},
      {"Fracta&l/&3D view", K(Qt::ALT | Qt::Key_3), true},
      {"&Render/&Zoom movie", K(), true},
      {"&Render/&Iteration movie", K(), true},
      {"&Render/&Transformation movie", K(), false},
      {"&Render/&Julie movie", K(), false},
      {"&Render/Pa&rametrical movie", K(), true},
      {"&Render/I&FS movie", K(), true},
      {"&Render/&3D-attractors movie", K(), false},
      {"&Render/&Play movie", K(), true},
      {"&Render/&View iteration movie", K(), true},
      {"&Options/&Fractal size", K(), true},
      {"&Options/&Fractal size/&Manual...", K(), true},
      {"&Options/&Preferences", K(Qt::Key_F8), true},
      {"&Options/&Load palette", K(), true},
      {"&Options/&Save palette", K(), true},
      {"&Options/&Julie window", K(Qt::ALT | Qt::Key_J), true},
      {"&Options/Anti-Aliasing", K(Qt::ALT | Qt::Key_A), true},
      {"&Options/F&ull screen", K(Qt::Key_F11), true},
      {"&Help/&Contents", K(Qt::Key_F1), true},
      {"&Help/&About", K(Qt::CTRL | Qt::Key_F1), true},
  };
  std::vector<QString> expected;
  for (const Row& r : rows) {
    expected.push_back(r.Path);
    QAction* a = Item(r.Path);
    if (!a) continue;
    EXPECT_EQ(a->shortcut(), r.Shortcut) << r.Path;
    EXPECT_EQ(a->isEnabled(), r.Enabled) << r.Path;
  }
  EXPECT_FALSE(Item("&Render/&3D-attractors movie")->isVisible());
  // The menus hold these items (and the size presets) and nothing else.
  std::vector<QString> found;
  for (QAction* top : Form->menuBar()->actions()) {
    std::vector<std::pair<QString, QAction*>> all;
    CollectActions(top->menu(), top->text(), all);
    for (auto& [p, a] : all)
      if (!p.startsWith("&Options/&Fractal size/") || p.endsWith("&Manual...")) found.push_back(p);
  }
  EXPECT_EQ(found, expected);
  std::vector<QString> menus;
  for (QAction* top : Form->menuBar()->actions()) menus.push_back(top->text());
  EXPECT_EQ(menus, (std::vector<QString>{"&File", "&Edit", "Fracta&l", "&Render", "&Options", "&Help"}));

  // The size presets in the order of their tags' table, then "Manual...".
  QMenu* sizes = Item("&Options/&Fractal size")->menu();
  std::vector<QString> captions;
  for (QAction* a : sizes->actions()) captions.push_back(a->isSeparator() ? "-" : a->text());
  std::vector<QString> presets;
  for (const TSizePreset& p : kSizePresets) presets.push_back(p.Caption);
  presets.push_back("-");
  presets.push_back("&Manual...");
  EXPECT_EQ(captions, presets);
  const int tags[] = {10, 12, 1, 2, 9, 3, 4, 5, 6, 11, 7, 13, 14};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(kSizePresets[i].Tag, tags[i]);
}

TEST_F(MainFormTest, SaveSpotIsUnavailableWhileTheIFSConstructorDrivesTheDocument) {
  Start();
  QMenu* file = Item("&File")->menu();
  Doc().Ctx.Number = 1001;
  Doc().Ctx.IFSNumber = 10000;
  emit file->aboutToShow();
  EXPECT_FALSE(Item("&File/&Save current spot...")->isEnabled());
  Doc().Ctx.IFSNumber = 3;  // a library set is an ordinary IFS fractal
  emit file->aboutToShow();
  EXPECT_TRUE(Item("&File/&Save current spot...")->isEnabled());
  Doc().Ctx.Number = 0;
  Doc().Ctx.IFSNumber = 10000;
  emit file->aboutToShow();
  EXPECT_TRUE(Item("&File/&Save current spot...")->isEnabled());
}

TEST_F(MainFormTest, ClosingWritesTheSettingsAndReleasesTheMutex) {
  Start();
  Form->SetImageSize(640, 480);
  WaitForRender();
  const std::string name = Form->MutexName();
  Form->close();
  EXPECT_EQ(OpenNamedMutex(name), nullptr);
  EXPECT_EQ(Form->Document(), nullptr);
  const std::string ini = Path("fractal.ini");
  ASSERT_TRUE(fs::exists(ini));
  EXPECT_EQ(GetPrivateProfileInt("PaintBox", "Width", 0, ini), 640);
  EXPECT_EQ(GetPrivateProfileInt("PaintBox", "Height", 0, ini), 480);
  EXPECT_EQ(GetPrivateProfileInt("Window", "Maximized", -1, ini), 0);
  EXPECT_EQ(GetPrivateProfileInt("Window", "Width", 0, ini), Form->width());
  EXPECT_EQ(GetPrivateProfileInt("Options", "JpegQuality", 0, ini), 80);
  EXPECT_EQ(GetPrivateProfileInt("Options", "JpegProgressive", 0, ini), 1);
  delete Form;
  Form = nullptr;

  // The next start takes the image size from the file.
  Settings() = TSettings{};
  Start();
  EXPECT_EQ(QSize(Doc().Width, Doc().Height), QSize(640, 480));
  EXPECT_EQ(Form->PanelText(0), "MI=236");
}

// The preference comes from "fractal.ini", and the status bar tells a fast
// render from an exact one.
TEST_F(MainFormTest, FastArithmeticFromTheSettingsShowsInTheStatusBar) {
  std::ofstream(Path("fractal.ini")) << "[Options]\nFastArithmetic=1\n";
  Start();
  EXPECT_TRUE(TFractal::UseFastArithmetic);
  EXPECT_TRUE(Doc().Ctx.FastArithmetic);
  EXPECT_EQ(Form->PanelText(0), "MI=203 fast");
  WaitForRender();
  TFractal::UseFastArithmetic = false;
  Doc().Restart();
  EXPECT_EQ(Form->PanelText(0), "MI=203");
  WaitForRender();
}

// Past the ordinary precision the status bar warns when the deep render does
// not serve the formula (here Z^3 + Z^2 + C), and stays quiet when it does.
TEST_F(MainFormTest, StatusBarTellsAViewPastTheFormulasPrecision) {
  Start();
  WaitForRender();
  TDeepWindow deep{TDeepReal(), TDeepReal(), TDeepReal()};
  ASSERT_TRUE(TDeepReal::Parse("2.5", 128, deep.X));  // outside the sets: every pixel escapes at once
  ASSERT_TRUE(TDeepReal::Parse("2.5", 128, deep.Y));
  ASSERT_TRUE(TDeepReal::Parse("1e-25", 128, deep.W));
  for (const auto& [number, note] : {std::pair{5, true}, std::pair{0, false}}) {
    Doc().SetFormula(number, -2.2L, 1.4L, 2.8L);
    WaitForRender();
    EXPECT_FALSE(Form->PanelText(0).contains("past precision"));
    Doc().SetDeepWindow(deep);
    EXPECT_EQ(Form->PanelText(0).endsWith(" past precision"), note) << number;
    WaitForRender();
  }
}

TEST_F(MainFormTest, AFailedSettingsWriteIsReportedAndClosingGoesOn) {
  fs::create_directory(Path("fractal.ini"));  // a folder cannot be written as a file
  Start();
  const std::string name = Form->MutexName();
  Form->close();
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "Unable to write to " + Path("fractal.ini"));
  EXPECT_EQ(OpenNamedMutex(name), nullptr);
  EXPECT_EQ(Form->Document(), nullptr);
}

TEST_F(MainFormTest, StoredWindowBoundsAreClampedOntoTheScreen) {
  WriteFile(Path("fractal.ini"), "[Window]\nLeft=-5000\nTop=-4000\nWidth=520\nHeight=410\nMaximized=0\n");
  Start();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_GE(Form->frameGeometry().left(), screen.left());
  EXPECT_GE(Form->frameGeometry().top(), screen.top());
  EXPECT_EQ(Form->width(), std::min(520, screen.width()));
  EXPECT_EQ(Form->height(), std::min(410, screen.height()));
  delete Form;
  Form = nullptr;
  Settings() = TSettings{};
  WriteFile(Path("fractal.ini"), "[Window]\nLeft=10\nTop=20\nWidth=50\nHeight=60\nMaximized=1\n");
  Form = new TMainForm();
  EXPECT_EQ(Form->width(), 200);  // the smallest window
  EXPECT_EQ(Form->height(), 200);
  Form->ShowAsSaved();
  EXPECT_TRUE(Form->windowState() & Qt::WindowMaximized);
  WaitForRender();
}

TEST_F(MainFormTest, HelpShowsTheProgramsPage) {
  Start();
  Form->ShowHelpContents();
  THelpForm* help = Form->findChild<THelpForm*>();
  ASSERT_TRUE(help);
  EXPECT_TRUE(help->isVisible());
  EXPECT_NE(help->Browser()->toPlainText().indexOf("missing"), -1);
  WriteFile(Path("help.html"), "<html><body><h1>Moving around</h1></body></html>");
  Form->ShowHelpContents();
  EXPECT_EQ(Form->findChildren<THelpForm*>().size(), 1);
  EXPECT_NE(help->Browser()->toPlainText().indexOf("Moving around"), -1);
}

TEST(AboutForm, RendersAFractalOfTheCatalogue) {
  // The default Mandelbrot at 64 x 64: the centre (-0.78, -0.02) lies in the
  // set (black), the corner (-2.2, 1.4) escapes at once.
  const QImage mandelbrot = RenderFormulaPicture(0, 64, 64);
  ASSERT_EQ(mandelbrot.size(), QSize(64, 64));
  EXPECT_EQ(QColor(mandelbrot.pixel(32, 32)), QColor(Qt::black));
  EXPECT_NE(QColor(mandelbrot.pixel(0, 0)), QColor(Qt::black));
  EXPECT_TRUE(RenderFormulaPicture(41, 64, 64).isNull());  // no such formula
  TAboutForm about;
  EXPECT_GE(about.FormulaNumber(), 0);
  EXPECT_LT(about.FormulaNumber(), 500);
  EXPECT_EQ(about.Picture().size(), QSize(160, 160));
}

TEST(FileDialogs, FiltersAndExtensions) {
  const std::string spots = "Fractal spots (*.frs)|*.frs|All files (*.*)|*.*";
  EXPECT_EQ(QtFilters(spots), (QStringList{"Fractal spots (*.frs)", "All files (*)"}));
  EXPECT_EQ(QtFilters("JPEG|*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp"), (QStringList{"JPEG (*.jpg *.jpeg)", "Bitmaps (*.bmp)"}));
  EXPECT_EQ(QtFilters("Odd (*.a)|*.b"), (QStringList{"Odd (*.a) (*.b)"}));
  EXPECT_EQ(QtFilters(""), QStringList{});
  EXPECT_EQ(QtFilters("Everything"), (QStringList{"Everything (*)"}));
  const std::vector<TFileFilter> parsed = ParseFilter("A|*.a|B|*.b; *.c|");
  ASSERT_EQ(parsed.size(), 2u);
  EXPECT_EQ(parsed[1].Text, "B");
  EXPECT_EQ(parsed[1].Patterns, (std::vector<std::string>{"*.b", "*.c"}));

  const std::string images = "JPEG (*.jpg)|*.jpg|Windows bitmap (*.bmp)|*.bmp";
  EXPECT_EQ(FilterExtension(images, 1), "jpg");
  EXPECT_EQ(FilterExtension(images, 2), "bmp");
  EXPECT_EQ(FilterExtension(images, 3), "");
  EXPECT_EQ(FilterExtension(spots, 2), "");  // "*.*" names no extension

  EXPECT_EQ(WithDefaultExt("/a/b", "frs"), "/a/b.frs");
  EXPECT_EQ(WithDefaultExt("/a/b.txt", "frs"), "/a/b.txt");
  EXPECT_EQ(WithDefaultExt("/a.d/b", "frs"), "/a.d/b.frs");
  EXPECT_EQ(WithDefaultExt("/a/b", ""), "/a/b");
  EXPECT_EQ(FolderOf("/a/b/c.frs"), "/a/b");
  EXPECT_EQ(FolderOf("/c.frs"), "/");
  EXPECT_EQ(FolderOf("c.frs"), "");
  EXPECT_EQ(FileNameOf("/a/b/c.frs"), "c.frs");
}

// A save dialog's answer stands for the type of its typed extension when the
// dialog offers it; a name without one takes the chosen type's.
TEST(FileDialogs, TypedExtensionChoosesTheSaveType) {
  const std::string attractors =
      "JPEG (*.jpg)|*.jpg|Windows bitmap (*.bmp)|*.bmp|3D-attractor spot (*.fr3)|*.fr3|PNG image (*.png)|*.png";
  const std::string spots = "Fractal spots (*.frs)|*.frs|All files (*.*)|*.*";
  struct Case {
    std::string filter;
    int chosen;
    bool follows;  // the default extension follows the type
    std::string typed, path;
    int type;
  } const cases[] = {
      {attractors, 1, true, "/d/att1.fr3", "/d/att1.fr3", 3},
      {attractors, 1, true, "/d/att1.FR3", "/d/att1.FR3", 3},
      {attractors, 2, true, "/d/att1", "/d/att1.bmp", 2},
      {attractors, 4, true, "/d/att1.jpg", "/d/att1.jpg", 1},
      {attractors, 2, true, "/d/att1.txt", "/d/att1.txt", 2},  // no type offers it
      {attractors, 3, true, "/d.x/att1", "/d.x/att1.fr3", 3},
      {"Images|*.jpg;*.jpeg|JPEG only|*.jpeg", 2, true, "/d/a.jpeg", "/d/a.jpeg", 2},  // the chosen type offers it too
      {spots, 2, false, "/d/a.frs", "/d/a.frs", 1},
      {spots, 2, false, "/d/a", "/d/a.frs", 2},
      {spots, 1, false, "/d/.frs", "/d/.frs", 1},  // a hidden file's name has no extension
  };
  const TFileDialogHooks saved = FileDialogHooks();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(SavedTypeIndex(c.filter, c.chosen, c.typed), c.type);
    FileDialogHooks().Save = [&](TFileDialog& d, QWidget*) {
      d.FileName = c.typed;
      return true;
    };
    TFileDialog d;
    d.Filter = c.filter;
    d.FilterIndex = c.chosen;
    d.DefaultExt = c.follows ? "jpg" : "frs";
    d.ExtFollowsFilter = c.follows;
    EXPECT_TRUE(RunSaveDialog(d, nullptr));
    EXPECT_EQ(d.FileName, c.path);
    EXPECT_EQ(d.FilterIndex, c.type);
  }
  FileDialogHooks() = saved;
}

// The program's dialogs go through the hooks.
TEST(FileDialogs, RunThroughTheHooks) {
  const TFileDialogHooks saved = FileDialogHooks();
  std::string seen;
  FileDialogHooks().Open = [&](TFileDialog& d, QWidget*) {
    seen = d.Title;
    d.FileName = "/chosen";
    return true;
  };
  TFileDialog d;
  d.Title = "Pick";
  EXPECT_TRUE(RunOpenDialog(d, nullptr));
  EXPECT_EQ(seen, "Pick");
  EXPECT_EQ(d.FileName, "/chosen");
  FileDialogHooks() = saved;
}

}  // namespace
