// SPDX-License-Identifier: GPL-3.0-or-later
// The IFS movie window driven through the main window: the two sets from a
// ".fri" file and a library entry, the active set, the value fields, the
// animation, a ping-pong clip read back, and the return of the fractal.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include "movies/avi_setup_form.h"
#include "movies/compressor_form.h"
#include "movies/ifs_movie.h"
#include "movies/ifs_movie_form.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/gui/window_test_helpers.h"
#include "tests/movies/clip_reader.h"
#include "ui/numeric_edit_form.h"

namespace {

constexpr char kFri[] =
    "[IFS]\nName=Gasket\nCount=3\n"
    "Frm0A=0.5\nFrm0D=0.5\nFrm0P=0.33\n"
    "Frm1A=0.5\nFrm1D=0.5\nFrm1E=0.5\nFrm1P=0.33\n"
    "Frm2A=0.5\nFrm2D=0.5\nFrm2F=0.5\nFrm2P=0.34\n";
// Entries without "Name".
constexpr char kLibrary[] =
    "[Header]\nCount=2\n"
    "[IFS0]\nCount=1\nFrm0A=0.1\nFrm0P=1\n"
    "[IFS1]\nCount=5\n"
    "Frm0A=0.4\nFrm0D=0.4\nFrm0P=0.2\nFrm1A=0.4\nFrm1D=0.4\nFrm1E=0.6\nFrm1P=0.2\n"
    "Frm2A=0.4\nFrm2D=0.4\nFrm2F=0.6\nFrm2P=0.2\nFrm3A=0.4\nFrm3D=0.4\nFrm3E=0.6\nFrm3F=0.6\nFrm3P=0.2\n"
    "Frm4A=0.2\nFrm4D=0.2\nFrm4E=0.4\nFrm4F=0.4\nFrm4P=0.2\n";

using IFSMovieFormTest = MainFormTest;

TEST_F(IFSMovieFormTest, MorphsAFileSetIntoALibraryEntryAndGivesTheFractalBack) {
  Start();
  WriteFile(Path("gasket.fri"), kFri);
  WriteFile(Path("lib.IFS"), kLibrary);
  const int32_t number = Doc().Ctx.Number;
  const Extended w = Doc().W;
  Doc().SetIFSCounter(60);

  Item("&Render/I&FS movie")->trigger();
  TAVIifs* f = Form->IFSMovieWindow();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "IFS movie");
  for (const char* item : {"&Render", "Fracta&l/IFS &constructor", "Fracta&l/&Select fractal"})
    EXPECT_FALSE(Item(item)->isEnabled()) << item;
  EXPECT_EQ(Doc().Ctx.Number, 1001);
  EXPECT_EQ(Doc().Ctx.IFSNumber, 10000);
  EXPECT_EQ(Doc().X, -5);
  EXPECT_EQ(Doc().W, 10);
  EXPECT_EQ(f->FrameCountEdit()->value(), 10);
  EXPECT_EQ(f->MultiplierEdit()->value(), 100);
  EXPECT_FALSE(f->ValueEdit(0)->isEnabled());

  // The start set from a single-IFS file.
  Answers = {Path("gasket.fri")};
  QTest::mouseClick(f->SetControls(0).Load, Qt::LeftButton);
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "IFS select");
  EXPECT_EQ(Dialogs[0].Filter, "IFS-fractal formulas (*.fri;*.ifs)|*.fri;*.ifs");
  EXPECT_EQ(Dialogs[0].InitialDir, Folder);
  EXPECT_EQ(f->SetControls(0).Label->text(), "Start IFS: Gasket");
  EXPECT_EQ(f->SetControls(0).List->count(), 3);
  EXPECT_EQ(f->SetControls(0).List->item(1)->text().toStdString(),
            "  0.50000   0.00000   0.00000   0.50000   0.50000   0.00000 0.3300");
  EXPECT_TRUE(f->SetControls(0).Label->font().bold());
  EXPECT_TRUE(f->SetControls(0).Label->styleSheet().contains("red"));
  EXPECT_EQ(WorkingIFS.Count, 3);
  EXPECT_EQ(f->ValueEdit(6)->text(), "0.330000013113022");

  // Files that are no IFS files are refused and the loaded set stays.
  WriteFile(Path("noise.fri"), std::string("\x8f\x01zq\xff\n\x7f", 7));
  WriteFile(Path("negative.fri"), "[IFS]\nName=Bad\nCount=-3\n");
  for (const char* name : {"noise.fri", "negative.fri"}) {
    SCOPED_TRACE(name);
    Messages.clear();
    Answers = {Path(name)};
    QTest::mouseClick(f->SetControls(0).Load, Qt::LeftButton);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find("is not an IFS file"), std::string::npos) << Messages[0];
    EXPECT_EQ(f->SetControls(0).Label->text(), "Start IFS: Gasket");
    EXPECT_EQ(f->SetControls(0).List->count(), 3);
    EXPECT_EQ(IFSMovie().Start.Count, 3);
  }

  // The end set from a library: the list shows, its entries are "No name".
  Answers = {Path("lib.IFS")};
  QTest::mouseClick(f->SetControls(1).Load, Qt::LeftButton);
  EXPECT_EQ(Dialogs.back().InitialDir, Folder);
  QListWidget* library = f->SetControls(1).Library;
  EXPECT_TRUE(library->isVisible());
  ASSERT_EQ(library->count(), 2);
  EXPECT_EQ(library->item(0)->text(), "No name");
  EXPECT_EQ(IFSMovie().End.Count, 0);  // nothing chosen yet
  QTest::mouseClick(library->viewport(), Qt::LeftButton, {}, library->visualItemRect(library->item(1)).center());
  EXPECT_EQ(f->SetControls(1).Label->text(), "End IFS: NoName");
  EXPECT_EQ(IFSMovie().End.Count, 5);
  EXPECT_EQ(f->ActiveSet(), 1);
  EXPECT_FALSE(f->SetControls(0).Label->font().bold());
  EXPECT_EQ(WorkingIFS.Count, 5);

  // A value field keeps the constructor's rules and previews the edited set.
  Retype(f->ValueEdit(4), "12345");
  Leave(f->ValueEdit(4));
  EXPECT_EQ(f->ValueEdit(4)->text(), "10000");
  EXPECT_EQ(IFSMovie().End.Slots[1].E, 10000.0f);
  EXPECT_EQ(WorkingIFS.Slots[1].E, 10000.0f);
  Retype(f->ValueEdit(4), "0.6");
  Leave(f->ValueEdit(4));
  QTest::mouseClick(f->ValueSpin(0)->DownButton(), Qt::LeftButton);
  EXPECT_NEAR(IFSMovie().End.Slots[1].A, 0.3f, 1e-6);

  // The picture steps through IFS0..IFS7 and back every 120 ms.
  const int phase = f->Phase();
  QTest::qWait(400);
  EXPECT_NE(f->Phase(), phase);

  // A ping-pong clip of 10 frames: 6 forward and 6 back.
  f->PingPongBox()->setChecked(true);
  CompressorDialogHook() = [](TContainer, TCompressOptions& o) {
    o = {TCodec::Raw, 85};
    return true;
  };
  const std::string clipPath = Path("morph.avi");
  Answers = {clipPath};
  int kind = 0;
  QTimer::singleShot(0, [&] {
    auto* avi = qobject_cast<TAVISetup*>(QApplication::activeModalWidget());
    ASSERT_NE(avi, nullptr);
    kind = avi->MovieKind;
    EXPECT_FALSE(avi->FrameCountEdit()->isEnabled());
    QTest::mouseClick(avi->StartButton(), Qt::LeftButton);
    avi->accept();
  });
  QTest::mouseClick(f->MakeButton(), Qt::LeftButton);
  CompressorDialogHook() = nullptr;
  RecordingOptions() = {};
  EXPECT_EQ(kind, 6);
  const TClipInfo clip = ReadClip(clipPath);
  ASSERT_TRUE(clip.Opened);
  EXPECT_EQ(clip.Width, Doc().BufWidth());
  ASSERT_EQ(clip.Packets.size(), 12u);
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(clip.Packets[size_t(i)].Pts, i);
    EXPECT_TRUE(clip.Packets[size_t(i)].Key);
  }
  // The gasket and the five-map set look different.
  EXPECT_NE(clip.Packets[0].Data, clip.Packets[6].Data);

  // Cancel gives the fractal back, with the movie's IFS counter.
  Doc().SetIFSCounter(70);
  QTest::mouseClick(f->CancelButton(), Qt::LeftButton);
  EXPECT_EQ(Form->IFSMovieWindow(), nullptr);
  EXPECT_EQ(Doc().Ctx.Number, number);
  EXPECT_EQ(Doc().W, w);
  EXPECT_EQ(Doc().Ctx.IFScounter, 70);
  for (const char* item : {"&Render", "&Render/I&FS movie", "Fracta&l/IFS &constructor", "Fracta&l/&Select fractal"})
    EXPECT_TRUE(Item(item)->isEnabled()) << item;
  WaitForRender();

  // Every opening makes a new window with empty sets.
  Item("&Render/I&FS movie")->trigger();
  ASSERT_NE(Form->IFSMovieWindow(), nullptr);
  EXPECT_EQ(Form->IFSMovieWindow()->SetControls(1).List->count(), 0);
  EXPECT_FALSE(Form->IFSMovieWindow()->SetControls(1).Library->isVisible());
  EXPECT_EQ(IFSMovie().End.Count, 0);
  Form->IFSMovieWindow()->close();
}

}  // namespace
