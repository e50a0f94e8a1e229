// SPDX-License-Identifier: GPL-3.0-or-later
// The 3D view and the anti-aliased image opened from the main window with
// their keys, as a user opens them.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "engine/anti_alias_form.h"
#include "engine/view3d_form.h"
#include "platform/profile.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/png_decode.h"
#include "tests/test_files.h"
#include "ui/bitmap_view_form.h"

namespace fs = std::filesystem;

namespace {

int DistinctColours(const QImage& image) {
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  return int(colours.size());
}

class MainViewsTest : public MainFormTest {
 protected:
  // A zoomed spot of the Mandelbrot set's edge.
  void StartZoomed() {
    Start();
    Doc().SetWindow(-0.78L, 0.16L, 0.06L);
    WaitForRender();
  }
  // Answers the save dialog with `path` and type `filter`.
  TDialogHooks SaveAs(const std::string& path, int filter) {
    TDialogHooks h;
    h.ChooseSaveFile = [this, path, filter](QWidget*, const TSaveFileRequest& r) {
      Requests.push_back(r);
      return std::optional<TSaveFileChoice>(TSaveFileChoice{path, filter});
    };
    return CompleteHooks(h);
  }
  static bool Until(const std::function<bool()>& done) { return QTest::qWaitFor(done, 20000); }
  std::vector<TSaveFileRequest> Requests;
};

TEST_F(MainViewsTest, ThreeDViewFollowsRendersAndKeepsItsSettings) {
  StartZoomed();
  QTest::keyClick(Surface(), Qt::Key_3, Qt::AltModifier);
  TForm3D* view = Form->View3DWindow();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  ASSERT_TRUE(Until([&] { return view->Renders() >= 1 && view->SaveButton()->isEnabled(); }));
  EXPECT_EQ(view->windowTitle(), "3D fractal");
  EXPECT_EQ(view->View()->PaintArea()->size(), QSize(Doc().BufWidth(), Doc().BufHeight()));
  EXPECT_GT(DistinctColours(view->View()->PaintArea()->grab().toImage()), 20);

  // Every finished main render draws the view again.
  int renders = view->Renders();
  Form->ZoomInCentre();
  WaitForRender();
  ASSERT_TRUE(Until([&] { return view->Renders() > renders; }));

  // The controls store their settings.
  renders = view->Renders();
  view->DegreeSlider()->setValue(30);  // position + 1
  view->AngleField()->setValue(45);
  view->ThicknessSlider()->setValue(7);
  view->SmoothSlider()->setValue(4);
  view->InfinityBox()->setChecked(false);
  view->ColorDialog = [](QColor& c, QWidget*) {
    c = QColor(10, 20, 30);
    return true;
  };
  QTest::mouseClick(view->ColorsBar(), Qt::LeftButton, {}, QPoint(5, view->ColorsBar()->height() - 5));
  EXPECT_EQ(Settings().LowColor, (TColorRecord{10, 20, 30}));
  ASSERT_TRUE(Until([&] { return view->Renders() > renders && view->Thread()->Finished(); }));
  EXPECT_GT(DistinctColours(view->View()->PaintArea()->grab().toImage()), 20);

  // "&Save image" writes the whole view buffer as a bitmap.
  view->Hooks = SaveAs(Path("relief"), 2);
  QTest::mouseClick(view->SaveButton(), Qt::LeftButton);
  ASSERT_EQ(Requests.size(), 1u);
  EXPECT_EQ(Requests[0].Title, "Save bitmap");
  EXPECT_EQ(fs::file_size(Path("relief.bmp")), uintmax_t(Doc().BufWidth()) * Doc().BufHeight() * 3 + 54);

  view->resize(500, 350);
  Form->close();
  const std::string ini = Path("fractal.ini");
  struct {
    const char* key;
    int expected;
  } keys[] = {{"Degree", 31},  {"Smooth", 4},   {"Thicknes", 7},           {"MaxHigh", 0},
              {"Width", 500},  {"Height", 350}, {"LowColor", 0x1E140A}, {"HighColor", 0xC0FFC0}};
  for (const auto& k : keys) EXPECT_EQ(GetPrivateProfileInt("3Dview", k.key, -1, ini), k.expected) << k.key;
  delete Form;
  Form = nullptr;

  // The next run opens the view as it was left.
  Settings() = TSettings{};
  Start();
  EXPECT_DOUBLE_EQ(double(Settings().Angle), 45 * 3.1415 / 180);
  QTest::keyClick(Surface(), Qt::Key_3, Qt::AltModifier);
  view = Form->View3DWindow();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->DegreeSlider()->value(), 31);
  EXPECT_EQ(view->AngleField()->value(), 45);
  EXPECT_FALSE(view->InfinityBox()->isChecked());
  EXPECT_EQ(view->size(), QSize(500, 350));
}

TEST_F(MainViewsTest, AntiAliasedImageIsHalfSizeSavedAndKeepsItsBounds) {
  Start();
  Form->SetImageSize(301, 201);
  Doc().SetWindow(-0.78L, 0.16L, 0.06L);
  WaitForRender();
  ImageSaveState().FileName = Path("spot1.jpg");
  QTest::keyClick(Surface(), Qt::Key_A, Qt::AltModifier);
  TAAForm* aa = Form->AntiAliasWindow();
  ASSERT_NE(aa, nullptr);
  ASSERT_TRUE(Until([&] { return aa->Picture() != nullptr && aa->windowTitle() == "Anti-aliased image"; }));
  EXPECT_EQ(aa->Size(), (TAntiAliasSize{150, 100, 152, 100, 15200}));
  const QImage shown = aa->View()->PaintArea()->grab().toImage();
  EXPECT_EQ(shown.size(), QSize(150, 100));
  EXPECT_GT(DistinctColours(shown), 20);

  aa->Hooks = SaveAs(Path("smooth.bmp"), 2);
  QTest::mouseClick(aa->SaveButton(), Qt::LeftButton);
  ASSERT_EQ(Requests.size(), 1u);
  EXPECT_EQ(Requests[0].Title, "Save fractal as...");
  EXPECT_EQ(Requests[0].FileName, "spot1");  // from the main image's dialog
  EXPECT_EQ(fs::file_size(Path("smooth.bmp")), uintmax_t(152 * 100 * 3 + 54));
  // A PNG of the smoothed copy names the main image's spot.
  aa->Hooks = SaveAs(Path("smooth.png"), 3);
  QTest::mouseClick(aa->SaveButton(), Qt::LeftButton);
  const TDecodedPng png = DecodePng(ReadBytes(Path("smooth.png")));
  ASSERT_TRUE(png.Ok);
  EXPECT_EQ(png.Width, 150);
  EXPECT_EQ(png.Text.at("Number"), std::to_string(Doc().Ctx.Number));
  EXPECT_EQ(png.Text.at("W_Coord"), FormatReal(Doc().W));

  // "&Redraw" follows a new main image.
  Form->ZoomInCentre();
  WaitForRender();
  QTest::mouseClick(aa->RedrawButton(), Qt::LeftButton);
  ASSERT_TRUE(Until([&] { return aa->View()->PaintArea()->grab().toImage() != shown; }));

  // A main image of one pixel has no half: no image at all.
  Doc().SetSize(1, 1);
  WaitForRender();
  QTest::mouseClick(aa->RedrawButton(), Qt::LeftButton);
  ASSERT_TRUE(Until([&] { return aa->Picture() == nullptr; }));
  EXPECT_EQ(aa->View()->PaintArea()->size(), QSize(0, 0));

  aa->resize(420, 330);
  QTest::mouseClick(aa->CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(aa->isVisible());
  EXPECT_EQ(aa->Picture(), nullptr);
  Form->close();
  EXPECT_EQ(GetPrivateProfileInt("AAForm", "Width", -1, Path("fractal.ini")), 420);
  EXPECT_EQ(GetPrivateProfileInt("AAForm", "Height", -1, Path("fractal.ini")), 330);
  delete Form;
  Form = nullptr;
  Settings() = TSettings{};
  Start();
  QTest::keyClick(Surface(), Qt::Key_A, Qt::AltModifier);
  ASSERT_NE(Form->AntiAliasWindow(), nullptr);
  EXPECT_EQ(Form->AntiAliasWindow()->size(), QSize(420, 330));
}

}  // namespace
