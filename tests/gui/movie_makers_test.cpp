// SPDX-License-Identifier: GPL-3.0-or-later
// The movie makers, opened from the main window's "&Render" menu.

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

#include "engine/options_form.h"
#include "formulas/catalogue.h"
#include "movies/avi_setup_form.h"
#include "movies/compressor_form.h"
#include "movies/iter_form.h"
#include "movies/movie_values_form.h"
#include "movies/spot_rows.h"
#include "movies/spots_form.h"
#include "platform/profile.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/gui/movie_test_helpers.h"
#include "tests/gui/select_input.h"
#include "tests/movies/clip_reader.h"
#include "tests/gui/window_test_helpers.h"
#include "ui/numeric_edit_form.h"
#include "ui/select_form.h"

namespace {

// Where the frames of a clip sit, in frame times.
std::vector<int64_t> Positions(const std::string& clip) {
  std::vector<int64_t> at;
  for (const TClipPacket& p : ReadClip(clip).Packets) at.push_back(p.Pts);
  return at;
}

class MovieMakersTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    ZoomMovie() = {};  // the program starts with "Linear" and no spots
    OldCompressor = CompressorDialogHook();
    CompressorDialogHook() = [](TContainer, TCompressOptions& o) {
      o = {TCodec::MJpeg, 85};
      return true;
    };
  }
  void TearDown() override {
    CompressorDialogHook() = OldCompressor;
    MainFormTest::TearDown();
  }

  // Opens the "&Render" menu's rules and runs one of its items.
  void Run(const QString& item) {
    emit Item("&Render")->menu()->aboutToShow();
    ASSERT_TRUE(Item("&Render/" + item)->isEnabled()) << item.toStdString();
    Item("&Render/" + item)->trigger();
  }

  // Writes a clip through the AVI setup dialog the maker opens next.
  void WriteClip(const std::string& path, int32_t frameCount = -1, bool stopAtOnce = false) {
    OnModal<TAVISetup>([=, this](TAVISetup* avi) {
      OptionsSeen = avi->Options;
      FrameCountSeen = avi->FrameCount();
      if (frameCount > 0) avi->FrameCountEdit()->setValue(frameCount);
      Answers = {path};
      if (stopAtOnce) QTimer::singleShot(0, avi->CloseButton(), &QPushButton::click);
      avi->StartRendering();
      avi->CloseButton()->click();
    });
  }

  TCompressorHook OldCompressor;
  int OptionsSeen = -1;
  int32_t FrameCountSeen = -1;
};

TEST_F(MovieMakersTest, JuliaMovieStoppedInItsFirstRenderLeavesAnEmptyClip) {
  Start();
  Doc().SetProperty(8, true);  // Julia mode
  WaitForRender();
  Form->SelectDialog()->JuliaCheck()->setEnabled(true);
  Form->SelectDialog()->JuliaCheck()->setChecked(true);
  const std::string clip = Path("julia.avi");
  bool shown = false;
  OnModal<TAVIjulieForm>([&](TAVIjulieForm* f) {
    shown = true;
    EXPECT_EQ(f->windowTitle(), "Julie parameters");
    EXPECT_EQ(f->RowLabel(0)->text(), "Re");
    EXPECT_EQ(f->RowLabel(1)->text(), "Im");
    EXPECT_EQ(f->FromEdit(0)->text().toStdString(), FormatReal(Doc().Ctx.PJ.re, 15));
    EXPECT_TRUE(f->Animating());
    Retype(f->FromEdit(0), "0.3");  // differs from the seed shown: the first frame renders
    Leave(f->FromEdit(0));
    WriteClip(clip, 10, true);
    f->CreateButton()->click();
    f->CloseButton()->click();
    EXPECT_FALSE(f->Animating());
  });
  Run("&Julie movie");
  ASSERT_TRUE(shown);
  const TClipInfo info = ReadClip(clip);
  EXPECT_TRUE(info.Opened);
  EXPECT_EQ(info.Width, Doc().BufWidth());
  EXPECT_TRUE(info.Packets.empty());
  EXPECT_DOUBLE_EQ(double(Doc().Ctx.PJ.re), 0.3);
}

TEST_F(MovieMakersTest, TransformationMovieEditsAndWritesNPlusOneFrames) {
  Start();
  OnModal<TSelectForm>([](TSelectForm* f) {
    ClickPage(f->Pages(), TSelectPage::Constructor);
    f->SelectButton()->click();
  });
  Item("Fracta&l/&Select fractal")->trigger();
  ASSERT_EQ(Doc().Ctx.Number, kConstructorFormula);
  WaitForRender();
  const std::string clip = Path("trans.avi");
  bool shown = false;
  OnModal<TAVItransForm>([&](TAVItransForm* f) {
    shown = true;
    EXPECT_EQ(f->windowTitle(), "Polinom transformations");
    ASSERT_EQ(f->RowCount(), 13);
    EXPECT_EQ(f->RowLabel(12)->text(), "M:");
    EXPECT_EQ(f->ToEdit(0)->text(), "1");  // A starts at 1
    // Typing, leaving and stepping: the clamps and the two step sizes.
    struct Case {
      const char* typed;
      Qt::Key key;
      Qt::KeyboardModifiers mods;
      const char* shown;
    } cases[] = {
        {"-12345", Qt::Key_unknown, {}, "-9999"},  {"123456", Qt::Key_unknown, {}, "10000"},
        {"0.0004", Qt::Key_unknown, {}, "0"},      {"", Qt::Key_unknown, {}, "0"},
        {"1.5", Qt::Key_Up, Qt::ShiftModifier, "1.6"}, {"1.5", Qt::Key_Down, {}, "1.49"},
        {"-9999", Qt::Key_Down, Qt::ShiftModifier, "-9999"}, {"12a-3-.5.", Qt::Key_unknown, {}, "0"},  // typed "12-3.5": unreadable
    };
    for (const Case& c : cases) {
      Retype(f->FromEdit(1), c.typed);
      if (c.key != Qt::Key_unknown)
        QTest::keyClick(f->FromEdit(1), c.key, c.mods);
      else
        Leave(f->FromEdit(1));
      EXPECT_EQ(f->FromEdit(1)->text().toStdString(), c.shown) << c.typed;
    }
    Retype(f->FromEdit(1), "0.5");
    Leave(f->FromEdit(1));
    f->CoarseSpin(1, true)->UpButton()->click();  // B to 0.1
    f->FineSpin(1, true)->UpButton()->click();    // B to 0.11
    EXPECT_EQ(f->ToEdit(1)->text(), "0.11");
    EXPECT_EQ(TransMovie()[1].Current, 0.5);
    EXPECT_EQ(TransMovie()[1].End, 0.11);
    WriteClip(clip, 10);
    f->CreateButton()->click();
    f->CloseButton()->click();
  });
  Run("&Transformation movie");
  ASSERT_TRUE(shown);
  EXPECT_EQ(OptionsSeen, 3);
  EXPECT_EQ(Positions(clip), (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(double(Doc().Ctx.Constructor[cfB]), 0.11);  // the document keeps the last frame
}

TEST_F(MovieMakersTest, ParametricMovieOffersTheParametersTheFormulaReads) {
  Start();
  Form->SetImageSize(80, 60);
  const TFormulaEntry* one = nullptr;
  for (const TFormulaEntry& e : FormulaCatalogue)
    if (!IsSeparatorRow(e) && e.ParamCount == 1 && e.Number < 500) one = one ? one : &e;
  ASSERT_NE(one, nullptr);
  struct Case {
    int32_t formula;
    bool menu;
    std::vector<bool> rows;
  } cases[] = {
      {0, false, {}},
      {one->Number, true, {true, true, false, false, false, false}},
      {kConstructorFormula, false, {}},
  };
  for (const Case& c : cases) {
    Doc().SetFormula(c.formula, -2, 2, 4);
    WaitForRender();
    emit Item("&Render")->menu()->aboutToShow();
    EXPECT_EQ(Item("&Render/Pa&rametrical movie")->isEnabled(), c.menu) << c.formula;
    if (!c.menu) continue;
    std::vector<bool> rows;
    std::string picture;
    OnModal<TAVIparamForm>([&](TAVIparamForm* f) {
      EXPECT_EQ(f->windowTitle(), "Fractal parameters");
      for (int r = 0; r < f->RowCount(); ++r) rows.push_back(f->FromEdit(r)->isEnabled());
      picture = f->PictureName();
      f->CloseButton()->click();
    });
    Item("&Render/Pa&rametrical movie")->trigger();
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(picture, "PARAM01");
  }
  EXPECT_EQ(TMovieValuesForm::AnimationOrder("JULIE", 5, 1),
            (std::vector<std::string>{"JULIE1", "JULIE2", "JULIE3", "JULIE4", "JULIE5", "JULIE4", "JULIE3", "JULIE2"}));
  EXPECT_EQ(TMovieValuesForm::AnimationOrder("PARAM", 10, 2).size(), 18u);
  EXPECT_EQ(TMovieValuesForm::AnimationOrder("TRANS", 6, 1).size(), 10u);
}

TEST_F(MovieMakersTest, IterationMoviePlaysAndWritesTheLimitsForthAndBack) {
  Start();
  Run("&Iteration movie");
  TIterForm* iter = Form->IterationWindow();
  ASSERT_NE(iter, nullptr);
  EXPECT_TRUE(iter->isVisible());
  EXPECT_TRUE(iter->RenderButton()->isVisible());
  EXPECT_EQ(iter->windowTitle(), "Iteration movie");
  TIterationMovie expected;
  expected.Build(LimitRangeOf(Doc()), 10);
  EXPECT_EQ(iter->Movie().Limits, expected.Limits);
  EXPECT_EQ(iter->ProcessBar()->maximum(), expected.Count);
  EXPECT_FALSE(iter->ProcessBar()->isEnabled());
  iter->SpeedBar()->setValue(0);
  QTest::qWait(100);
  EXPECT_GT(DistinctColours(Doc()), 0);
  EXPECT_TRUE(iter->FrameLabel()->text().endsWith(" from " + QString::number(expected.Count)));

  iter->AccelerationBar()->setValue(100);  // small steps: more limits
  TIterationMovie fine;
  fine.Build(LimitRangeOf(Doc()), 100);
  EXPECT_EQ(iter->Movie().Limits, fine.Limits);
  EXPECT_GT(fine.Count, expected.Count);
  iter->AccelerationBar()->setValue(10);

  const std::string clip = Path("iter.avi");
  WriteClip(clip);
  iter->RenderButton()->click();
  EXPECT_EQ(OptionsSeen, 1);  // the maker fixes the frame count
  // Forth and back: 2 * count + 1 frames, numbered from 1.
  const std::vector<int64_t> at = Positions(clip);
  ASSERT_EQ(at.size(), size_t(2 * expected.Count + 1));
  for (size_t i = 0; i < at.size(); ++i) EXPECT_EQ(at[i], int64_t(i + 1)) << i;
  EXPECT_TRUE(iter->Movie().Playing);

  iter->CloseButton()->click();
  EXPECT_FALSE(iter->isVisible());
  EXPECT_TRUE(iter->Movie().Limits.empty());
  Run("&View iteration movie");
  EXPECT_TRUE(iter->isVisible());
  EXPECT_FALSE(iter->RenderButton()->isVisible());
  iter->close();
}

TEST_F(MovieMakersTest, SpotsDialogCollectsSpotsAndFliesThroughThem) {
  Start();
  TSpotsForm* spots = Form->SpotsDialog();
  ASSERT_NE(spots, nullptr);  // created with the window
  QTest::keyClick(Form, Qt::Key_F8);  // opened once, then closed
  ASSERT_NE(Form->PreferencesDialog(), nullptr);
  Form->PreferencesDialog()->close();
  Run("&Zoom movie");
  EXPECT_TRUE(spots->isVisible());
  EXPECT_EQ(spots->windowTitle(), "Spots for movie...");
  for (const char* item : {"&Render", "&Options", "Fracta&l/&Select fractal", "&File/&Load spot..."})
    EXPECT_FALSE(Item(item)->isEnabled()) << item;
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form));
  QTest::keyClick(Form, Qt::Key_F8);  // "&Preferences" is out of reach too
  EXPECT_FALSE(Form->PreferencesDialog()->isVisible());
  auto buttons = [&] {
    return std::vector<bool>{spots->AddButton()->isEnabled(), spots->RemoveButton()->isEnabled(),
                             spots->JumpButton()->isEnabled(), spots->FramesButton()->isEnabled(),
                             spots->MakeButton()->isEnabled()};
  };
  EXPECT_EQ(buttons(), (std::vector<bool>{true, false, false, false, false}));
  EXPECT_EQ(spots->PictureName(), std::string("LINEAR"));

  spots->AddButton()->click();
  EXPECT_EQ(spots->RowText(0).toStdString(), SpotRowText(-2.2L, 1.4L, 2.8L, 10, std::nullopt));
  EXPECT_EQ(buttons(), (std::vector<bool>{true, true, true, true, false}));
  EXPECT_EQ(spots->Recommendation()->text(), "");
  Doc().SetWindow(-1, 0.5L, 0.7L);
  WaitForRender();
  spots->AddButton()->click();
  EXPECT_EQ(spots->RowText(0).toStdString(), SpotRowText(-2.2L, 1.4L, 2.8L, 10, 0.7L));
  EXPECT_EQ(spots->Recommendation()->text(), "Regular recommended");
  EXPECT_EQ(spots->List()->currentItem(), spots->List()->topLevelItem(1));

  // "Frame count" of the first spot: 5.
  spots->List()->setCurrentItem(spots->List()->topLevelItem(0));
  OnModal<TSpotFramesForm>([](TSpotFramesForm* f) {
    EXPECT_EQ(f->windowTitle(), "Frame count");
    EXPECT_EQ(f->FramesEdit()->value(), 10);
    EXPECT_EQ(f->FramesEdit()->maximum(), 999);
    f->FramesEdit()->setValue(5);
    f->accept();
  });
  spots->FramesButton()->click();
  EXPECT_TRUE(spots->RowText(0).contains("   5 "));

  spots->JumpButton()->click();
  EXPECT_EQ(Doc().W, 2.8L);
  WaitForRender();

  // Double-clicking the picture: the next mode.
  QTest::mouseDClick(spots->Picture(), Qt::LeftButton);
  EXPECT_TRUE(spots->SmoothButton(TZoomSmooth::Regular)->isChecked());
  EXPECT_EQ(spots->PictureName(), std::string("SQUARE"));

  const std::string clip = Path("zoom.avi");
  WriteClip(clip);
  spots->MakeButton()->click();
  EXPECT_EQ(OptionsSeen, 1);  // the maker fixes the frame count
  EXPECT_EQ(FrameCountSeen, 5);
  EXPECT_EQ(Positions(clip), (std::vector<int64_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Doc().W, 0.7L);  // the last frame is the last spot

  spots->RemoveButton()->click();  // the first spot goes
  EXPECT_EQ(spots->List()->topLevelItemCount(), 1);
  for (int i = 1; i < kMaxMovieSpots; ++i) spots->AddButton()->click();
  EXPECT_EQ(spots->List()->topLevelItemCount(), kMaxMovieSpots);
  EXPECT_FALSE(spots->AddButton()->isEnabled());
  EXPECT_EQ(spots->Recommendation()->text(), "Fluent recommended");

  spots->CloseButton()->click();
  EXPECT_FALSE(spots->isVisible());
  for (const char* item : {"&Render", "&Options", "Fracta&l/&Select fractal", "&File/&Load spot...",
                           "&Render/&Zoom movie"})
    EXPECT_TRUE(Item(item)->isEnabled()) << item;
  // Shown again: an empty list.
  Run("&Zoom movie");
  EXPECT_EQ(spots->List()->topLevelItemCount(), 0);
  spots->close();
}

}  // namespace
