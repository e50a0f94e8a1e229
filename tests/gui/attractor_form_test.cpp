// SPDX-License-Identifier: GPL-3.0-or-later
// The "3D attractors" window opened from the main window: a search, panning
// and zooming the drawing, sizes, colours, saving and loading.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include "attractors/attractor_form.h"
#include "attractors/attractor_thread.h"
#include "platform/profile.h"
#include "tests/png_decode.h"
#include "tests/gui/main_form_fixture.h"

namespace {

class AttractorFormTest : public MainFormTest {
 protected:
  TAttractorForm* Open() {
    Item("Fracta&l/3D &attractors")->trigger();
    TAttractorForm* form = Form->AttractorWindow();
    EXPECT_NE(form, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
    return form;
  }
  static void WaitForPass(TAttractorForm* form) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Document()->RenderFinished(); }, 20000));
    QCoreApplication::processEvents();
  }
  static int LitPixels(const T3dFractal& doc) {
    int lit = 0;
    for (int32_t i = 0; i < doc.PixelCount * 3; i += 3) lit += doc.ImageBuffer()[i] != 0;
    return lit;
  }
};

TEST_F(AttractorFormTest, SearchPanZoomSaveAndLoadThroughTheMainWindow) {
  Start();
  TAttractorForm* form = Open();
  ASSERT_NE(form, nullptr);
  T3dFractal& doc = *form->Document();
  EXPECT_EQ(form->windowTitle(), "3D attractors");
  EXPECT_TRUE(form->AviButton()->isEnabled());
  EXPECT_EQ(form->AviButton()->toolTip(), "Make AVI clip");
  EXPECT_EQ(form->RedrawButton()->toolTip(), "Draw new fractal");
  EXPECT_EQ(form->SizeList()->count(), 13);
  EXPECT_EQ(form->SizeList()->currentText(), "300 x 300");
  EXPECT_EQ(form->TypeList()->currentText(), "IFS");
  EXPECT_EQ(form->IterationsEdit()->value(), 10000);
  EXPECT_GE(form->width(), 440);
  EXPECT_GE(form->height(), 420);

  // A kind-3 search with a fixed seed draws an attractor.
  form->SearchSeed = 1234u;
  form->TypeList()->setCurrentIndex(2);
  QTest::mouseClick(form->RedrawButton(), Qt::LeftButton);
  WaitForPass(form);
  EXPECT_EQ(form->windowTitle(), "3D-attractors");
  EXPECT_EQ(doc.Kind, 3);
  EXPECT_GT(LitPixels(doc), 200);

  // Dragging 10 pixels to the right lowers X by 4 / 300 x 10.
  QTest::mousePress(form->Area(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseMove(form->Area(), QPoint(110, 100));
  QTest::mouseRelease(form->Area(), Qt::LeftButton, {}, QPoint(110, 100));
  EXPECT_EQ(doc.X, -2 - 4.0L / 300 * 10);
  const Extended x = doc.X;
  QTest::mouseClick(form->ZoomInButton(), Qt::LeftButton);
  EXPECT_EQ(doc.W, 2);
  QTest::mouseClick(form->ZoomOutButton(), Qt::LeftButton);
  EXPECT_EQ(doc.X, x);
  EXPECT_EQ(doc.Y, 2);
  EXPECT_EQ(doc.W, 4);

  // The background from the upper half of the colour control.
  form->ColorDialog = [](QColor& c, QWidget*) {
    c = QColor(10, 20, 30);
    return true;
  };
  QTest::mouseClick(form->ColorControl(), Qt::LeftButton, {}, QPoint(5, 2));
  EXPECT_EQ(doc.Background, (TColor3{30, 20, 10}));
  WaitForPass(form);

  // Saving: ".fr3" with the drawing size first, then a BMP of 300 x 300.
  EXPECT_EQ(form->SaveDialog.FileName, "noname");
  form->SaveDialog.FilterIndex = 3;
  Answers = {Path("found.fr3")};
  QTest::mouseClick(form->SaveButton(), Qt::LeftButton);
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "Save attractor as...");
  const std::string text = ReadFile(Path("found.fr3"));
  EXPECT_EQ(text.rfind("[DrawSize]\nX_Size=300\nY_Size=300\n", 0), 0u) << text;
  EXPECT_EQ(GetPrivateProfileInt("Fractal", "IFSBackBlue", -1, Path("found.fr3")), 30);
  form->SaveDialog.FilterIndex = 2;
  Answers = {Path("found.bmp")};
  QTest::mouseClick(form->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(Dialogs[1].FileName, "found");  // the last name without folder and extension
  EXPECT_EQ(ReadFile(Path("found.bmp")).size(), 300u * 300 * 3 + 54);
  form->SaveDialog.FilterIndex = 4;
  Answers = {Path("found")};
  QTest::mouseClick(form->SaveButton(), Qt::LeftButton);
  const TDecodedPng png = DecodePng(ReadFile(Path("found.png")));
  ASSERT_TRUE(png.Ok);
  EXPECT_EQ(png.Width, 300);
  EXPECT_EQ(png.Height, 300);
  EXPECT_EQ(png.Text.at("Number"), "2000");
  EXPECT_EQ(png.Text.at("W_Coord"), FormatReal(form->Document()->W));
  // A typed ".fr3" saves the coefficients whatever type the selector shows.
  form->SaveDialog.FilterIndex = 1;
  Answers = {Path("att1.fr3")};
  QTest::mouseClick(form->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(ReadFile(Path("att1.fr3")).rfind("[DrawSize]\n", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(Path("att1.jpg")));
  EXPECT_EQ(form->SaveDialog.FilterIndex, 3);
  form->SaveDialog.FilterIndex = 2;

  // Another size, then the saved file dropped on the main window brings
  // back its size, kind and table.
  const TAttractorTable table = doc.Coefficients;
  form->SizeList()->setCurrentIndex(3);
  emit form->SizeList()->activated(3);
  EXPECT_EQ(doc.Width, 320);
  EXPECT_EQ(doc.BufHeight(), 200);
  EXPECT_EQ(form->Area()->size(), QSize(320, 200));
  form->TypeList()->setCurrentIndex(0);
  form->IterationsEdit()->setValue(1000);
  EXPECT_EQ(doc.GetPointCount(), 1000);
  Form->OpenDroppedFile(Path("found.fr3"));
  WaitForPass(form);
  EXPECT_EQ(doc.Width, 300);
  EXPECT_EQ(form->SizeList()->currentText(), "300 x 300");
  EXPECT_EQ(form->TypeList()->currentIndex(), 2);
  EXPECT_EQ(form->IterationsEdit()->value(), 10000);
  EXPECT_EQ(doc.Coefficients, table);
  EXPECT_EQ(form->windowTitle().toStdString(), "3D-attractor:  " + Path("found.fr3"));
  EXPECT_EQ(form->SaveDialog.FileName, "found.fr3");
  EXPECT_TRUE(Messages.empty());

  // A missing file changes nothing, not even the size.
  Form->OpenDroppedFile(Path("gone.fr3"));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("does not exist"), std::string::npos);
  EXPECT_EQ(doc.Width, 300);

  // A bitmap that cannot be written says why; sizes no drawing can have are
  // taken as missing, and larger ones than the window offers are clamped.
  Answers = {Path("no/folder/x.bmp")};
  QTest::mouseClick(form->SaveButton(), Qt::LeftButton);
  ASSERT_EQ(Messages.size(), 2u);
  EXPECT_EQ(Messages[1].rfind("Unable to save bitmap. Error:\r\n", 0), 0u) << Messages[1];
  WriteFile(Path("odd.fr3"), "[DrawSize]\nX_Size=-5\nY_Size=0\n[Fractal]\nIFSNumber=9\n");
  form->LoadFile(Path("odd.fr3"));
  EXPECT_EQ(doc.Width, 300);
  EXPECT_EQ(doc.Height, 300);
  EXPECT_EQ(form->TypeList()->currentIndex(), 0);
  WriteFile(Path("huge.fr3"), "[DrawSize]\nX_Size=40000\nY_Size=99999\n");
  form->LoadFile(Path("huge.fr3"));
  ASSERT_EQ(Messages.size(), 2u);
  EXPECT_EQ(doc.Width, 1024);
  EXPECT_EQ(doc.Height, 1024);
  EXPECT_EQ(form->Area()->size(), QSize(1024, 1024));
  EXPECT_EQ(form->SizeList()->currentText(), "1024 x 1024");
  WaitForPass(form);

  // A file that cannot be loaded changes nothing: not the drawing, its
  // size, its kind or the caption.
  form->SizeList()->setCurrentIndex(5);
  emit form->SizeList()->activated(5);
  form->TypeList()->setCurrentIndex(2);
  WaitForPass(form);
  const std::string caption = form->windowTitle().toStdString();
  const Extended w = doc.W;
  const struct {
    const char* name;
    const char* text;
    const char* message;
  } bad[] = {
      {"bytes.fr3", "\x93\xfe\x01 random\n\xff=\x02\n", "is not an attractor file"},
      {"sized.fr3", "[DrawSize]\nX_Size=-5\nY_Size=99999\n[Fractal]\nW_Coord=wide\n", "'wide' is not a valid"},
      {"flat.fr3", "[DrawSize]\nX_Size=640\nY_Size=480\n[Fractal]\nW_Coord=0\n", "'0' is not a valid"},
      {"number.fr3", "[DrawSize]\nX_Size=640\nY_Size=480\n[Fractal]\nNumber=7\n", "not 2000"},
  };
  for (const auto& b : bad) {
    WriteFile(Path(b.name), b.text);
    Messages.clear();
    form->LoadFile(Path(b.name));
    ASSERT_EQ(Messages.size(), 1u) << b.name;
    EXPECT_NE(Messages[0].find(b.message), std::string::npos) << Messages[0];
    EXPECT_EQ(doc.Width, 400) << b.name;
    EXPECT_EQ(form->Area()->size(), QSize(400, 400)) << b.name;
    EXPECT_EQ(form->SizeList()->currentText(), "400 x 400") << b.name;
    EXPECT_EQ(form->TypeList()->currentIndex(), 2) << b.name;
    EXPECT_EQ(doc.W, w) << b.name;
    EXPECT_EQ(form->windowTitle().toStdString(), caption) << b.name;
  }

  form->move(40, 50);
  QTest::mouseClick(form->CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(Settings().AttractForm.Width, form->width());
  EXPECT_FALSE(Settings().AttractForm.Maximized);
}

}  // namespace
