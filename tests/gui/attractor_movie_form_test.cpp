// SPDX-License-Identifier: GPL-3.0-or-later
// The attractor movie window driven through the attractor window: two files
// of one kind, the kind check, the preview of either attractor, the shared
// iteration count, a ping-pong clip read back, and the closed attractor
// window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "attractors/attractor.h"
#include "attractors/attractor_form.h"
#include "movies/attractor_movie.h"
#include "movies/attractor_movie_form.h"
#include "movies/avi_setup_form.h"
#include "movies/compressor_form.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/movies/clip_reader.h"

namespace {

// A "IFS"-kind attractor of four half-size maps towards the given corners.
std::string Tetrahedron(float corner) {
  std::string text = "[Fractal]\nIFSNumber=1\n[Attract]\n";
  const float offsets[4][3] = {{0, 0, 0}, {corner, 0, 0}, {0, corner, 0}, {0, 0, corner}};
  for (int i = 0; i < 4; ++i) {
    const std::string row = std::to_string(i + 1);
    text += "A" + row + "01=0.5\nA" + row + "06=0.5\nA" + row + "11=0.5\n";
    text += "A" + row + "04=" + std::to_string(offsets[i][0]) + "\nA" + row + "08=" + std::to_string(offsets[i][1]) +
            "\nA" + row + "12=" + std::to_string(offsets[i][2]) + "\nP" + row + "=0.25\n";
  }
  return text;
}

using AttractorMovieFormTest = MainFormTest;

TEST_F(AttractorMovieFormTest, MorphsTwoFilesOfOneKindInTheAttractorWindow) {
  Start();
  WriteFile(Path("a.fr3"), Tetrahedron(1));
  WriteFile(Path("b.fr3"), Tetrahedron(-1.5f));
  WriteFile(Path("quad.fr3"), "[Fractal]\nIFSNumber=3\n[Attract]\nA101=0.3\n");
  Item("Fracta&l/3D &attractors")->trigger();
  TAttractorForm* attractors = Form->AttractorWindow();
  ASSERT_NE(attractors, nullptr);
  ASSERT_TRUE(attractors->AviButton()->isEnabled());
  attractors->IterationsEdit()->setValue(20000);
  QTest::mouseClick(attractors->AviButton(), Qt::LeftButton);
  TAVI3Dattr* f = TAVI3Dattr::Existing();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(f->windowTitle(), "AVI3Dattr");
  EXPECT_EQ(f->LoadButton(0)->toolTip(), "Load first FR3 file");
  EXPECT_EQ(f->LoadButton(1)->toolTip(), "Load second FR3 file");
  EXPECT_FALSE(f->FileField(0)->isEnabled());
  EXPECT_EQ(f->FrameCountEdit()->value(), 10);
  EXPECT_EQ(f->IterationsEdit()->value(), 20000);

  // The iteration counts follow each other.
  f->IterationsEdit()->setValue(30000);
  EXPECT_EQ(attractors->IterationsEdit()->value(), 30000);
  EXPECT_EQ(attractors->Document()->GetPointCount(), 30000);
  attractors->IterationsEdit()->setValue(40000);
  EXPECT_EQ(f->IterationsEdit()->value(), 40000);

  Answers = {Path("a.fr3"), Path("quad.fr3"), Path("b.fr3")};
  QTest::mouseClick(f->LoadButton(0), Qt::LeftButton);
  EXPECT_EQ(Dialogs.back().Title, "Select 3D-attractor file");
  EXPECT_EQ(Dialogs.back().Filter, "3D attractor files (*.fr3) |*.fr3");
  EXPECT_EQ(Dialogs.back().InitialDir, Folder);
  EXPECT_TRUE(f->FileField(0)->isEnabled());
  EXPECT_EQ(f->FileField(0)->text().toStdString(), Path("a.fr3"));
  QTest::mouseClick(f->LoadButton(1), Qt::LeftButton);
  ASSERT_EQ(Messages, std::vector<std::string>{"First and Second attractors are different type !"});
  EXPECT_FALSE(f->FileField(1)->isEnabled());
  QTest::mouseClick(f->LoadButton(1), Qt::LeftButton);
  EXPECT_EQ(AttractorMovie().SecondKind, 1);
  EXPECT_EQ(AttractorMovie().Second.A[1][3], -1.5f);

  // Focusing a field shows its attractor.
  f->activateWindow();
  f->FileField(1)->setFocus();
  QCoreApplication::processEvents();
  EXPECT_TRUE(f->FileLabel(1)->font().bold());
  EXPECT_EQ(attractors->Document()->Coefficients, AttractorMovie().Second);
  EXPECT_EQ(attractors->Document()->Kind, 1);
  f->FrameCountEdit()->setFocus();
  QCoreApplication::processEvents();
  EXPECT_FALSE(f->FileLabel(1)->font().bold());

  // A ping-pong clip of frame count 11: 6 frames each way, in the attractor's size.
  f->PingPongBox()->setChecked(true);
  f->FrameCountEdit()->setValue(11);
  CompressorDialogHook() = [](TContainer, TCompressOptions& o) {
    o = {TCodec::Raw, 85};
    return true;
  };
  Answers = {Path("attr.avi")};
  QTimer::singleShot(0, [&] {
    auto* avi = qobject_cast<TAVISetup*>(QApplication::activeModalWidget());
    ASSERT_NE(avi, nullptr);
    EXPECT_EQ(avi->MovieKind, 7);
    QTest::mouseClick(avi->StartButton(), Qt::LeftButton);
    avi->accept();
  });
  QTest::mouseClick(f->MakeButton(), Qt::LeftButton);
  CompressorDialogHook() = nullptr;
  RecordingOptions() = {};
  const TClipInfo clip = ReadClip(Path("attr.avi"));
  ASSERT_TRUE(clip.Opened);
  EXPECT_EQ(clip.Width, attractors->Document()->BufWidth());
  EXPECT_EQ(clip.Height, attractors->Document()->BufHeight());
  ASSERT_EQ(clip.Packets.size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(clip.Packets[size_t(i)].Pts, i);
  EXPECT_NE(clip.Packets[0].Data, clip.Packets[5].Data);
  EXPECT_EQ(attractors->Document()->Coefficients, AttractorMovie().First);  // the return half ends on the first

  // With the attractor window closed, Make AVI says so and writes nothing.
  attractors->close();
  Messages.clear();
  QTest::mouseClick(f->MakeButton(), Qt::LeftButton);
  EXPECT_EQ(Messages, std::vector<std::string>{kNoAttractorWindow});

  // Closed, the window stays for the next time; the menu entry waits for it.
  QTest::mouseClick(f->CancelButton(), Qt::LeftButton);
  EXPECT_FALSE(f->isVisible());
  Item("&Render/&3D-attractors movie")->trigger();
  EXPECT_EQ(TAVI3Dattr::Existing(), f);
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(f->FileField(1)->text().toStdString(), Path("b.fr3"));
  for (const char* item : {"&Render", "Fracta&l/IFS &constructor", "Fracta&l/&Select fractal"})
    EXPECT_FALSE(Item(item)->isEnabled()) << item;
  f->close();
  for (const char* item : {"&Render", "Fracta&l/IFS &constructor", "Fracta&l/&Select fractal"})
    EXPECT_TRUE(Item(item)->isEnabled()) << item;
}

}  // namespace
