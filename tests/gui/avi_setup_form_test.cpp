// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/avi_setup_form.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include "movies/clip_module.h"
#include "movies/compressor_form.h"
#include "movies/zoom_movie.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/movies/clip_reader.h"
#include "tests/test_files.h"

namespace {

class AVISetupTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    CompressorDialogHook() = [this](TContainer, TCompressOptions& options) {
      ++CompressorRuns;
      if (OnCompressor) OnCompressor();
      if (!CompressorAnswer) return false;
      options = *CompressorAnswer;
      return true;
    };
  }
  void TearDown() override {
    CompressorDialogHook() = nullptr;
    RecordingOptions() = {};
    MainFormTest::TearDown();
  }

  // The dialog of a two-spot zoom from the current window into a quarter of it, shown.
  std::unique_ptr<TAVISetup> ZoomDialog(int32_t frames) {
    const TFractal& d = Doc();
    ZoomMovie().Spots = {{d.X, d.Y, d.W, frames}, {d.X + d.W / 4, d.Y - d.W / 4, d.W / 4, 10}};
    ZoomMovie().Smooth = TZoomSmooth::Regular;
    auto avi = std::make_unique<TAVISetup>(&Doc(), Form);
    avi->Options = 1;
    avi->MovieKind = 2;
    avi->SetFrameCount(ZoomFrameCount(ZoomMovie().Spots));
    avi->show();
    return avi;
  }

  std::optional<TCompressOptions> CompressorAnswer = TCompressOptions{TCodec::Raw, 85};
  std::function<void()> OnCompressor;
  int CompressorRuns = 0;
};

TEST_F(AVISetupTest, AZoomMovieIsWrittenFrameByFrameFromTheMainImage) {
  Start();
  const auto dialog = ZoomDialog(3);
  TAVISetup& avi = *dialog;
  avi.StillBar()->setValue(2);
  const std::string path = Path("zoom.avi");
  Answers = {path};
  QTest::mouseClick(avi.StartButton(), Qt::LeftButton);

  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "Save movie as");
  EXPECT_EQ(Dialogs[0].Filter, "Video for Windows files (*.avi)|*.avi|MP4 video files (*.mp4)|*.mp4");
  EXPECT_EQ(Dialogs[0].DefaultExt, "avi");
  EXPECT_EQ(Dialogs[0].FileName, "untitled");
  EXPECT_EQ(Dialogs[0].InitialDir, Folder);
  EXPECT_TRUE(Dialogs[0].OverwritePrompt);
  EXPECT_TRUE(Messages.empty());
  const TClipInfo clip = ReadClip(path, true);
  ASSERT_TRUE(clip.Opened);
  EXPECT_EQ(clip.Width, Doc().BufWidth());
  EXPECT_EQ(clip.Height, Doc().BufHeight());
  EXPECT_EQ(clip.TimeBase.den, 15);
  ASSERT_EQ(clip.Packets.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(clip.Packets[i].Pts, 2 * i);
  // The main document keeps the last frame's window; the first frame showed the first spot.
  EXPECT_EQ(Doc().W, ZoomMovie().Spots[1].Window.W());
  EXPECT_EQ(avi.windowTitle(), "AVI setup");
  EXPECT_EQ(avi.CloseButton()->text(), "&Close");
  EXPECT_FALSE(avi.Gauge()->isVisible());
  EXPECT_TRUE(avi.StartButton()->isEnabled());
  EXPECT_EQ(avi.SaveDialog().InitialDir, Folder);
}

TEST_F(AVISetupTest, StopDuringTheFirstFrameKeepsItAndClosesAValidClip) {
  Start();
  const auto dialog = ZoomDialog(20);
  TAVISetup& avi = *dialog;
  const std::string path = Path("stopped.avi");
  WriteBytes(path, "old clip");  // a stopped movie still replaces it
  Answers = {path};
  QString caption, stopText;
  bool gaugeShown = false, startEnabled = true;
  // Runs while the first frame renders: look at the dialog, then press "Stop".
  OnCompressor = [&] {
    QTimer::singleShot(0, &avi, [&] {
      caption = avi.windowTitle();
      stopText = avi.CloseButton()->text();
      gaugeShown = avi.Gauge()->isVisible() && avi.Bevel()->isVisible();
      startEnabled = avi.StartButton()->isEnabled();
      QTest::mouseClick(avi.CloseButton(), Qt::LeftButton);
    });
  };
  QTest::mouseClick(avi.StartButton(), Qt::LeftButton);
  EXPECT_EQ(caption.toStdString(), "Rendering: " + path);
  EXPECT_EQ(stopText, "Stop");
  EXPECT_TRUE(gaugeShown);
  EXPECT_FALSE(startEnabled);
  EXPECT_TRUE(avi.isVisible());  // "Stop" does not close the dialog
  const TClipInfo clip = ReadClip(path);
  ASSERT_TRUE(clip.Opened);
  EXPECT_EQ(clip.Packets.size(), 1u);
  EXPECT_EQ(clip.Frames, 1);
}

// A movie that fails, at its start or at a frame, leaves an earlier file of
// the chosen name as it was and no temporary file; one that ends replaces it.
TEST_F(AVISetupTest, FailuresShowTheirMessageKeepTheEarlierFileAndLeaveTheDialogUsable) {
  Start();
  struct TCase {
    std::string File;
    std::optional<TCompressOptions> Compressor;
    std::string Message;  // empty: none
    bool Replaced = false;
    mode_t Mode = 0644;
    bool Resize = false;  // the image changes size once the clip is open
  };
  const TCase cases[] = {
      {"no/such/folder/x.avi", TCompressOptions{TCodec::Raw, 85}, "Unable to create file %s !"},
      {"cancel.avi", std::nullopt, ""},
      // Full frames do not go into MP4.
      {"raw.mp4", TCompressOptions{TCodec::Raw, 85}, "Unable to create compressed stream in %s !"},
      {"read-only.avi", TCompressOptions{TCodec::Raw, 85}, "Unable to create file %s !", false, 0444},
      {"resized.avi", TCompressOptions{TCodec::Raw, 85},
       "Unable to write frame 0 to %s ! The movie was not saved.", false, 0644, true},
      {"fine.mp4", TCompressOptions{TCodec::Mpeg4, 50}, "", true},
  };
  const auto dialog = ZoomDialog(2);
  TAVISetup& avi = *dialog;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    Messages.clear();
    const std::string path = Path(c.File);
    const bool earlier = std::filesystem::exists(std::filesystem::path(path).parent_path());
    if (earlier) {
      WriteBytes(path, "old clip");
      chmod(path.c_str(), c.Mode);
    }
    Answers = {path};
    CompressorAnswer = c.Compressor;
    OnCompressor = [&] {
      if (c.Resize) Doc().SetSize(Doc().Width + 8, Doc().Height);
    };
    QTest::mouseClick(avi.StartButton(), Qt::LeftButton);
    std::string expected = c.Message;
    if (const size_t at = expected.find("%s"); at != std::string::npos) expected.replace(at, 2, path);
    EXPECT_EQ(Messages, expected.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected});
    if (c.Replaced) EXPECT_TRUE(ReadClip(path).Opened);
    else if (earlier) EXPECT_EQ(ReadBytes(path), "old clip");
    else EXPECT_FALSE(std::filesystem::exists(path));
    for (const std::string& name : FileNames(Folder)) EXPECT_EQ(name.find(".pelmorix-"), std::string::npos) << name;
    EXPECT_TRUE(avi.StartButton()->isEnabled());
    EXPECT_EQ(avi.windowTitle(), "AVI setup");
  }
  OnCompressor = nullptr;
  // The save dialog's cancel does nothing at all.
  const int runs = CompressorRuns;
  Answers.clear();
  QTest::mouseClick(avi.StartButton(), Qt::LeftButton);
  EXPECT_EQ(CompressorRuns, runs);
  // The compressor choice is kept for the next movie.
  EXPECT_EQ(RecordingOptions(), (TCompressOptions{TCodec::Mpeg4, 50}));
}

TEST_F(AVISetupTest, WithoutTheClipModuleItSaysSoBeforeAskingForAFile) {
  Start();
  const auto dialog = ZoomDialog(2);
  const std::string missing = Path("modules/pelmorix-clips.so");
  SetClipModuleFile(missing);
  Answers = {Path("zoom.avi")};
  QTest::mouseClick(dialog->StartButton(), Qt::LeftButton);
  SetClipModuleFile("");
  EXPECT_EQ(Messages, std::vector<std::string>{"No movie can be written: the clip writer " + missing +
                                               " cannot be loaded (cannot open shared object file: No such file or "
                                               "directory)."});
  EXPECT_TRUE(Dialogs.empty());
  EXPECT_EQ(CompressorRuns, 0);
  EXPECT_FALSE(std::filesystem::exists(Path("zoom.avi")));
  EXPECT_TRUE(dialog->StartButton()->isEnabled());
}

TEST_F(AVISetupTest, OptionBitsEnableTheControlsAndThePositionIsKept) {
  Start();
  Settings().AVISetup = {37, 41};
  struct TCase {
    uint8_t Options;
    bool Advanced, Count;
  };
  for (const TCase& c : {TCase{0, false, false}, TCase{1, true, false}, TCase{2, false, true}, TCase{3, true, true}}) {
    TAVISetup avi(&Doc(), Form);
    avi.Options = c.Options;
    avi.show();
    EXPECT_EQ(avi.pos(), QPoint(37, 41));
    EXPECT_EQ(avi.AdvancedGroup()->isEnabled(), c.Advanced);
    EXPECT_EQ(avi.FrameRateEdit()->isEnabled(), c.Advanced);
    EXPECT_EQ(avi.StillBar()->isEnabled(), c.Advanced);
    EXPECT_EQ(avi.FrameCountEdit()->isEnabled(), c.Count);
    EXPECT_EQ(avi.FrameCountLabel()->isEnabled(), c.Count);
    EXPECT_FALSE(avi.Gauge()->isVisible());
    EXPECT_EQ(avi.CloseButton()->text(), "Close");
    EXPECT_TRUE(avi.StartButton()->isDefault());
  }
  TAVISetup avi(&Doc(), Form);
  const QSpinBox* count = avi.FrameCountEdit();
  const QSpinBox* rate = avi.FrameRateEdit();
  EXPECT_EQ((std::vector<int>{count->minimum(), count->maximum(), count->singleStep(), count->value()}),
            (std::vector<int>{10, 1000000, 10, 50}));
  EXPECT_EQ((std::vector<int>{rate->minimum(), rate->maximum(), rate->singleStep(), rate->value()}),
            (std::vector<int>{10, 100, 5, 15}));
  EXPECT_EQ((std::vector<int>{avi.StillBar()->minimum(), avi.StillBar()->maximum(), avi.StillBar()->value()}),
            (std::vector<int>{1, 20, 1}));
  // A count fixed by the caller holds even below the edit's minimum.
  avi.Options = 1;
  avi.SetFrameCount(4);
  EXPECT_EQ(avi.FrameCount(), 4);
  EXPECT_EQ(count->value(), 10);
  avi.Options = 3;
  EXPECT_EQ(avi.FrameCount(), 10);
  avi.show();
  avi.move(60, 70);
  QTest::mouseClick(avi.CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(avi.isVisible());
  EXPECT_EQ(Settings().AVISetup, (TFormPosition{60, 70}));
}

}  // namespace

namespace {

TEST(CompressorForm, ListsThePresentCompressorsAndOffersThePreviousChoice) {
  for (TContainer container : {TContainer::Avi, TContainer::Mp4}) {
    TCompressorForm form(container, {TCodec::Mpeg4, 40});
    const std::vector<TCodec> codecs = AvailableCodecs(container);
    ASSERT_EQ(form.CodecBox()->count(), int(codecs.size()));
    for (size_t i = 0; i < codecs.size(); ++i)
      EXPECT_EQ(form.CodecBox()->itemText(int(i)).toStdString(), CodecCaption(codecs[i]));
    EXPECT_EQ(form.CodecBox()->currentText(), "MPEG-4 Part 2");
    EXPECT_EQ(form.Choice(), (TCompressOptions{TCodec::Mpeg4, 40}));
    EXPECT_TRUE(form.QualityBar()->isEnabled());
    EXPECT_EQ(form.CodecBox()->findText("Full frames (uncompressed)") >= 0, container == TContainer::Avi);
  }
  TCompressorForm form(TContainer::Avi, {TCodec::H264, 70});
  form.CodecBox()->setCurrentIndex(form.CodecBox()->findText("FFV1 (lossless)"));
  EXPECT_FALSE(form.QualityBar()->isEnabled());
  EXPECT_EQ(form.Choice().Codec, TCodec::FFV1);
}

}  // namespace
