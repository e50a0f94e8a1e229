// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's desktop conventions: the common shortcuts, undo and redo
// of the view, the recent files, the About box's version and licence.

#include <QLabel>

#include "platform/profile.h"
#include "platform/program_info.h"
#include "tests/gui/main_form_fixture.h"
#include "ui/about_form.h"
#include "ui/image_area_form.h"

using K = QKeySequence;

TEST_F(MainFormTest, CommonShortcutsSitBesideTheProgramsOwn) {
  Start();
  struct Row {
    const char* Path;
    QList<QKeySequence> Shortcuts;  // the first is the one the menu shows
  } rows[] = {
      {"&File/&Save current spot...", {K(Qt::Key_F2), K(Qt::CTRL | Qt::Key_S)}},
      {"&File/&Load spot...", {K(Qt::Key_F3), K(Qt::CTRL | Qt::Key_O)}},
      {"&File/&Exit", {K(Qt::ALT | Qt::Key_X), K(Qt::CTRL | Qt::Key_Q)}},
      {"&Edit/&Undo", {K(Qt::CTRL | Qt::Key_Z)}},
      {"&Edit/&Redo", {K(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}},
      {"&Options/F&ull screen", {K(Qt::Key_F11)}},
  };
  for (const Row& r : rows) {
    QAction* a = Item(r.Path);
    if (a) {
      EXPECT_EQ(a->shortcuts(), r.Shortcuts) << r.Path;
    }
  }

  // F11 goes to full screen and back; Ctrl+O asks for a spot.
  QTest::keyClick(Form, Qt::Key_F11);
  EXPECT_TRUE(Form->windowState() & Qt::WindowFullScreen);
  EXPECT_TRUE(Item("&Options/F&ull screen")->isChecked());
  QTest::keyClick(Form, Qt::Key_F11);
  EXPECT_FALSE(Form->windowState() & Qt::WindowFullScreen);
  QTest::keyClick(Form, Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "Open fractal spot");
}

TEST_F(MainFormTest, UndoAndRedoStepThroughTheViewsWithTheKeys) {
  Start();
  QAction* undo = Item("&Edit/&Undo");
  QAction* redo = Item("&Edit/&Redo");
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());
  const std::array<std::string, 3> home = Doc().ViewWindow().Texts();
  // The arrow keys still pan; each pan and zoom is a step of the history.
  QTest::keyClick(Surface(), Qt::Key_Left);
  WaitForRender();
  const std::array<std::string, 3> panned = Doc().ViewWindow().Texts();
  EXPECT_NE(panned, home);
  Form->ZoomInCentre();
  WaitForRender();
  const std::array<std::string, 3> zoomed = Doc().ViewWindow().Texts();
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(Form->ViewHistory().UndoSteps(), 2u);

  QTest::keyClick(Form, Qt::Key_Z, Qt::ControlModifier);
  WaitForRender();
  EXPECT_EQ(Doc().ViewWindow().Texts(), panned);
  QTest::keyClick(Form, Qt::Key_Z, Qt::ControlModifier);
  WaitForRender();
  EXPECT_EQ(Doc().ViewWindow().Texts(), home);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_TRUE(redo->isEnabled());
  QTest::keyClick(Form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  WaitForRender();
  EXPECT_EQ(Doc().ViewWindow().Texts(), panned);
  // A new view drops the zoom that redo would have given back.
  Form->ViewFullSet();
  WaitForRender();
  EXPECT_FALSE(redo->isEnabled());
  EXPECT_EQ(Form->ViewHistory().Count(), 3u);
  EXPECT_NE(Doc().ViewWindow().Texts(), zoomed);
}

TEST_F(MainFormTest, RecentFilesFollowOpensAndSavesAndLeaveWhenGone) {
  Start();
  const std::string spot = Path("a.frs"), palette = Path("p.frp");
  Form->SaveSpotTo(spot);
  Answers = {palette};
  Form->SavePalette();
  Form->LoadSpotFrom(spot, true);
  WaitForRender();
  EXPECT_EQ(Form->RecentFiles().Files(), (std::vector<std::string>{spot, palette}));
  // Kept in the settings at once, beside the other sections.
  const TProfileFile settings(Path("fractal.ini"));
  EXPECT_EQ(settings.ReadString("Recent", "File1", ""), spot);
  EXPECT_EQ(settings.ReadString("Recent", "File2", ""), palette);

  // The File menu lists them, most recent first.
  QMenu* recent = Item("&File/Rece&nt files")->menu();
  emit recent->aboutToShow();
  ASSERT_EQ(recent->actions().size(), 2);
  EXPECT_EQ(recent->actions()[0]->text(), QString::fromStdString("&1 " + spot));

  std::filesystem::remove(palette);
  Form->OpenRecentFile(palette);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0],
            "Unable to open " + palette + ":\nthe file does not exist. It is removed from the recent files.");
  EXPECT_EQ(Form->RecentFiles().Files(), (std::vector<std::string>{spot}));
  EXPECT_FALSE(TProfileFile(Path("fractal.ini")).ValueExists("Recent", "File2"));

  // A new window starts with the list the settings keep.
  delete Form;
  Form = nullptr;
  Start();
  EXPECT_EQ(Form->RecentFiles().Files(), (std::vector<std::string>{spot}));
}

TEST(AboutForm, NamesTheVersionAndTheLicence) {
  TAboutForm about;
  const QLabel* version = about.findChild<QLabel*>("VersionLabel");
  const QLabel* licence = about.findChild<QLabel*>("LicenceLabel");
  ASSERT_TRUE(version && licence);
  EXPECT_EQ(version->text(), QString("Version ") + ProgramVersion());
  EXPECT_TRUE(licence->text().contains("License GPL-3.0-or-later: GNU GPL version 3 or later"));
}

TEST(PaintSurface, OneImagePixelIsOneDevicePixelAtAnyScale) {
  struct Case {
    qreal Ratio;
    QSize Image, Widget;
    QPointF At;
    QPoint Pixel;
    QRect ImageRect, WidgetRect;  // WidgetRect covers ImageRect
  } cases[] = {
      {1, {300, 200}, {300, 200}, {10.5, 7}, {10, 7}, {3, 4, 5, 6}, {3, 4, 5, 6}},
      {2, {300, 200}, {150, 100}, {10.5, 7}, {21, 14}, {3, 4, 5, 6}, {1, 2, 3, 3}},
      {2, {301, 199}, {151, 100}, {150.75, 99.5}, {301, 199}, {0, 0, 301, 199}, {0, 0, 151, 100}},
      {1.5, {300, 200}, {200, 134}, {1, 1}, {1, 1}, {3, 3, 3, 3}, {2, 2, 2, 2}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WidgetSizeOf(c.Image, c.Ratio), c.Widget) << c.Ratio;
    EXPECT_EQ(ImagePointAt(c.At, c.Ratio), c.Pixel) << c.Ratio;
    EXPECT_EQ(WidgetRectOf(c.ImageRect, c.Ratio), c.WidgetRect) << c.Ratio;
    EXPECT_TRUE(ImageRectOf(c.WidgetRect, c.Ratio).contains(c.ImageRect)) << c.Ratio;
  }
  EXPECT_TRUE(WidgetRectOf(QRect(), 2).isNull());
}
