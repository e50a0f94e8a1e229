// SPDX-License-Identifier: GPL-3.0-or-later
// The IFS constructor driven through the main window: F7, building a set
// transform by transform while the main window draws it, the field rules,
// ".fri" files, and the return to the previous fractal.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QToolButton>

#include "ifs/ifs_form.h"
#include "ifs/ifs_model.h"
#include "ifs/transform_list_form.h"
#include "platform/profile.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/gui/window_test_helpers.h"
#include "ui/numeric_edit_form.h"

namespace {

class IFSFormTest : public MainFormTest {
 protected:
  TIFSForm* OpenConstructor() {
    Form->activateWindow();
    (void)QTest::qWaitForWindowActive(Form);
    QTest::keyClick(Form, Qt::Key_F7);
    TIFSForm* f = Form->IFSConstructor();
    EXPECT_NE(f, nullptr);
    if (f) {
      EXPECT_TRUE(f->isVisible());
    }
    return f;
  }

  static void Type(TIFSForm* f, int field, const QString& text) {
    Retype(f->ValueEdit(field), text);
    Leave(f->ValueEdit(field));
  }

  // Lit pixels of the main image inside and outside a pixel rectangle.
  std::pair<int, int> LitPixels(int left, int top, int right, int bottom) {
    int in = 0, out = 0;
    for (int y = 0; y < Doc().Height; ++y)
      for (int x = 0; x < Doc().Width; ++x) {
        if (Doc().PixelValue(x, y) == 0) continue;
        (x >= left && x <= right && y >= top && y <= bottom ? in : out)++;
      }
    return {in, out};
  }
};

TEST_F(IFSFormTest, BuildsASetWhileTheMainWindowDrawsItAndCloseRestoresTheFractal) {
  Start();
  Doc().SetWindow(-2, 1.5L, 3);
  WaitForRender();
  TIFSForm* f = OpenConstructor();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "IFS constructor");
  EXPECT_EQ(f->size(), QSize(473, 282));
  EXPECT_EQ(Doc().Ctx.Number, 1001);
  EXPECT_EQ(Doc().Ctx.IFSNumber, 10000);
  EXPECT_EQ(Doc().X, -10);
  EXPECT_EQ(Doc().Y, 10);
  EXPECT_EQ(Doc().W, 20);
  EXPECT_FALSE(Item("&File/&Load spot...")->isEnabled());
  EXPECT_FALSE(Item("Fracta&l/&Select fractal")->isEnabled());
  emit Item("&File")->menu()->aboutToShow();
  EXPECT_FALSE(Item("&File/&Save current spot...")->isEnabled());
  EXPECT_EQ(f->MultiplierEdit()->text(), "100");
  EXPECT_FALSE(f->SaveButton()->isEnabled());
  EXPECT_FALSE(f->DeleteButton()->isEnabled());
  EXPECT_FALSE(f->ValueEdit(0)->isEnabled());

  // Sierpinski's triangle with corners (0, 0), (10, 0) and (0, 10), in the
  // upper right quarter of the window.
  const char* maps[3][7] = {{"0.5", "0", "0", "0.5", "0", "0", "0.34"},
                            {"0.5", "0", "0", "0.5", "5", "0", "0.33"},
                            {"0.5", "0", "0", "0.5", "0", "5", "0.34"}};
  for (const auto& map : maps) {
    QTest::mouseClick(f->AddButton(), Qt::LeftButton);
    EXPECT_TRUE(f->DeleteButton()->isEnabled());
    EXPECT_TRUE(f->SaveButton()->isEnabled());
    EXPECT_EQ(f->focusWidget(), f->ValueEdit(0));
    for (int field = 0; field < 7; ++field) Type(f, field, map[field]);
  }
  ASSERT_EQ(f->TransformList()->count(), 3);
  const char* row[7] = {"0.50000", "0.00000", "0.00000", "0.50000", "5.00000", "0.00000", "0.3300"};
  for (int column = 0; column < 7; ++column)
    EXPECT_EQ(f->TransformList()->topLevelItem(1)->text(column), row[column]) << column;
  EXPECT_EQ(WorkingIFS.Count, 3);
  EXPECT_EQ(WorkingIFS.Slots[3].F, 5.0f);
  WaitForRender();
  const int middle = (Doc().Width - 1) / 2;
  const auto [in, out] = LitPixels(middle, 0, Doc().Width - 1, middle);
  EXPECT_GT(in, 1000);
  EXPECT_EQ(out, 0);

  // The multiplier: 5 draws with 10 while the field shows 5; the 100-step
  // spin goes on from the field.
  f->MultiplierEdit()->selectAll();
  QTest::keyClicks(f->MultiplierEdit(), "5");
  EXPECT_EQ(f->MultiplierEdit()->text(), "5");
  EXPECT_EQ(Doc().Ctx.IFScounter, 10);
  QTest::mouseClick(f->MultiplierSpin(0)->UpButton(), Qt::LeftButton);
  EXPECT_EQ(f->MultiplierEdit()->text(), "105");
  QTest::mouseClick(f->MultiplierSpin(1)->DownButton(), Qt::LeftButton);
  EXPECT_EQ(f->MultiplierEdit()->text(), "95");
  EXPECT_EQ(Doc().Ctx.IFScounter, 95);
  WaitForRender();

  // Esc closes; the previous fractal returns with the new multiplier.
  QTest::keyClick(f->TransformList(), Qt::Key_Escape);
  EXPECT_FALSE(f->isVisible());
  QCoreApplication::processEvents();
  EXPECT_EQ(Doc().Ctx.Number, 0);
  EXPECT_EQ(Doc().X, -2);
  EXPECT_EQ(Doc().W, 3);
  EXPECT_EQ(Doc().Ctx.IFScounter, 95);
  EXPECT_TRUE(Item("&File/&Load spot...")->isEnabled());
  EXPECT_TRUE(Item("Fracta&l/&Select fractal")->isEnabled());
  EXPECT_EQ(Settings().IFSForm.Left, f->x());
  WaitForRender();

  // Opened again, the window keeps its set.
  ASSERT_EQ(OpenConstructor(), f);
  EXPECT_EQ(f->TransformList()->count(), 3);
  EXPECT_EQ(f->MultiplierEdit()->text(), "95");
  f->close();
  QCoreApplication::processEvents();
  WaitForRender();
}

TEST_F(IFSFormTest, FieldRulesAddAndDeleteLimits) {
  Start();
  TIFSForm* f = OpenConstructor();
  ASSERT_NE(f, nullptr);
  QTest::mouseClick(f->AddButton(), Qt::LeftButton);
  const struct {
    int field;
    const char* typed;
    const char* shown;
    float stored;
  } cases[] = {
      {0, "20000", "10000", 10000}, {1, "-20000", "-10000", -10000}, {2, "0.00000001", "0", 0},
      {3, "1e5", "15", 15},         {4, "--1..5", "-1.5", -1.5f},    {5, "", "0", 0},
      {6, "0.85", "0.85", 0.85f},
  };
  for (const auto& c : cases) {
    Type(f, c.field, c.typed);
    EXPECT_EQ(f->ValueEdit(c.field)->text(), c.shown) << c.typed;
    EXPECT_EQ(WorkingIFS.Slots[1].*kTransformFields[c.field], c.stored) << c.typed;
  }
  // Selected again, the slot shows its single values with 15 digits.
  f->TransformList()->setCurrentRow(-1);
  f->TransformList()->setCurrentRow(0);
  EXPECT_EQ(f->ValueEdit(6)->text(), "0.850000023841858");

  // The up spin on an empty field gives 0.1; spins go past 10000.
  f->ValueEdit(5)->clear();
  QTest::mouseClick(f->ValueSpin(5)->UpButton(), Qt::LeftButton);
  EXPECT_EQ(f->ValueEdit(5)->text(), "0.1");
  EXPECT_EQ(WorkingIFS.Slots[1].F, 0.1f);
  QTest::mouseClick(f->ValueSpin(0)->UpButton(), Qt::LeftButton);
  EXPECT_EQ(f->ValueEdit(0)->text(), "10000.1");
  EXPECT_EQ(WorkingIFS.Slots[1].A, 10000.1f);

  for (int i = 2; i <= 30; ++i) QTest::mouseClick(f->AddButton(), Qt::LeftButton);
  EXPECT_EQ(f->TransformList()->count(), 30);
  EXPECT_FALSE(f->AddButton()->isEnabled());
  QTest::mouseClick(f->DeleteButton(), Qt::LeftButton);
  EXPECT_TRUE(f->AddButton()->isEnabled());
  EXPECT_EQ(f->TransformList()->currentRow(), 0);
  while (f->TransformList()->count() > 0) QTest::mouseClick(f->DeleteButton(), Qt::LeftButton);
  EXPECT_EQ(WorkingIFS.Count, 0);
  EXPECT_FALSE(f->DeleteButton()->isEnabled());
  EXPECT_FALSE(f->SaveButton()->isEnabled());
  EXPECT_FALSE(f->ValueEdit(0)->isEnabled());
  f->close();
  QCoreApplication::processEvents();
  WaitForRender();
}

TEST_F(IFSFormTest, FormulaFilesLoadSaveAndRefuseBadInput) {
  Start();
  TIFSForm* f = OpenConstructor();
  ASSERT_NE(f, nullptr);
  WriteFile(Path("fern.fri"),
            "[IFS]\nName=Fern\nCount=2\nFrm0A=0.85\nFrm0D=0.85\nFrm0F=1.6\nFrm0P=0.85\n"
            "Frm1A=0.2\nFrm1D=0.22\nFrm1P=0.15\n[Fractal]\nX_Coord=-6\nY_Coord=11\nW_Coord=12\nMaxIter=300\n"
            "[Colors]\nColorOrder=2\n");
  Answers = {Path("fern.fri")};
  QTest::mouseClick(f->LoadButton(), Qt::LeftButton);
  ASSERT_EQ(Dialogs.size(), 1u);
  EXPECT_EQ(Dialogs[0].Title, "Load IFS formula from file");
  EXPECT_EQ(Dialogs[0].Filter, "IFS-fractal formulas (*.fri)|*.fri");
  EXPECT_EQ(Dialogs[0].DefaultExt, "fri");
  EXPECT_EQ(Dialogs[0].InitialDir, Folder);
  EXPECT_EQ(f->NameEdit()->text(), "Fern");
  ASSERT_EQ(f->TransformList()->count(), 2);
  EXPECT_EQ(f->TransformList()->currentRow(), 0);
  EXPECT_EQ(f->ValueEdit(0)->text(), "0.850000023841858");
  EXPECT_EQ(Doc().X, -6);
  EXPECT_EQ(Doc().W, 12);
  EXPECT_EQ(Doc().Palette->ColorOrder, 2);
  EXPECT_TRUE(f->SaveButton()->isEnabled());
  EXPECT_TRUE(Messages.empty());

  // Hostile files change nothing and say why.
  const struct {
    const char* name;
    const char* text;
    const char* message;
  } bad[] = {
      {"nan.fri", "[IFS]\nName=X\nCount=1\nFrm0A=nan\n[Colors]\nColorOrder=4\n", "not a valid floating point"},
      {"huge.fri", "[IFS]\nCount=1\nFrm0B=1e300\n", "not a valid floating point"},
      {"window.fri", "[IFS]\nCount=0\n[Fractal]\nW_Coord=1e99999\n", "not a valid floating point"},
      {"junk.fri", "\x01\x02[[[\n==\n[IFS]\nCount=1\nFrm0A=abc\n", "abc"},
      {"missing.fri", nullptr, "does not exist"},
      {"folder.fri", nullptr, "not a file"},
      {"bytes.fri", "\x8b\x1f\x08 random\xfe\n\xff\x02=\x03\n", "is not an IFS file"},
      {"empty.fri", "", "is not an IFS file"},
      {"negative.fri", "[IFS]\nCount=-3\n", "is not an IFS file: it counts -3 transforms"},
      {"nanx.fri", "[IFS]\nCount=0\n[Fractal]\nX_Coord=nan\n", "not a valid floating point"},
      {"flat.fri", "[IFS]\nCount=0\n[Fractal]\nW_Coord=-4\n", "not a valid floating point"},
  };
  std::filesystem::create_directory(Path("folder.fri"));
  for (const auto& b : bad) {
    if (b.text) WriteFile(Path(b.name), b.text);
    Messages.clear();
    f->LoadFormula(Path(b.name));
    ASSERT_EQ(Messages.size(), 1u) << b.name;
    EXPECT_NE(Messages[0].find(b.message), std::string::npos) << Messages[0];
    EXPECT_EQ(f->NameEdit()->text(), "Fern") << b.name;
    EXPECT_EQ(WorkingIFS.Count, 2) << b.name;
    EXPECT_EQ(f->TransformList()->count(), 2) << b.name;
    EXPECT_EQ(Doc().W, 12) << b.name;
    EXPECT_EQ(Doc().Palette->ColorOrder, 2) << b.name;
  }
  // More than 30 transforms: the first 30 and a note.
  std::string many = "[Colors]\nColorOrder=3\n[IFS]\nName=Many\nCount=31\n";
  for (int j = 0; j < 31; ++j) many += "Frm" + std::to_string(j) + "P=" + std::to_string(j) + "\n";
  WriteFile(Path("many.fri"), many);
  Messages.clear();
  f->LoadFormula(Path("many.fri"));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("31"), std::string::npos);
  EXPECT_EQ(f->TransformList()->count(), 30);
  EXPECT_FALSE(f->AddButton()->isEnabled());
  EXPECT_EQ(WorkingIFS.Slots[30].P, 29);

  // Save: the name, the set and the document's window go to the file; the
  // dialog then starts in the folder of the file.
  f->NameEdit()->setText("Mine");
  std::filesystem::create_directory(Path("sub"));
  Answers = {Path("sub/mine.fri")};
  QTest::mouseClick(f->SaveButton(), Qt::LeftButton);
  ASSERT_EQ(Dialogs.size(), 2u);
  EXPECT_EQ(Dialogs[1].Title, "Save current IFS formula to file");
  EXPECT_EQ(Dialogs[1].InitialDir, Folder);
  EXPECT_EQ(f->SaveDialog.InitialDir, Path("sub"));
  EXPECT_EQ(f->OpenDialog.InitialDir, Folder);
  const TProfileFile saved(Path("sub/mine.fri"));
  EXPECT_EQ(saved.ReadString("IFS", "Name", ""), "Mine");
  EXPECT_EQ(saved.ReadString("IFS", "Count", ""), "30");
  EXPECT_EQ(saved.ReadString("IFS", "Frm29P", ""), "29");
  EXPECT_EQ(saved.ReadString("Fractal", "X_Coord", ""), "-10");
  EXPECT_EQ(saved.ReadString("Colors", "ColorOrder", ""), "3");
  f->close();
  QCoreApplication::processEvents();
  WaitForRender();
}

// A fixed-size window without a maximise button, whose column titles stay
// over their columns whatever the values.
TEST_F(IFSFormTest, FixedWindowWithTitlesOverTheirColumns) {
  Start();
  TIFSForm* f = OpenConstructor();
  ASSERT_NE(f, nullptr);
  const Qt::WindowFlags flags = f->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_EQ(f->minimumSize(), f->maximumSize());

  const char* values[][7] = {{"10000", "-10000", "0.5", "1", "0", "0", "0.5"},
                             {"0.25", "0", "-9999.5", "0", "10000", "-0.125", "1"}};
  for (const auto& map : values) {
    QTest::mouseClick(f->AddButton(), Qt::LeftButton);
    for (int field = 0; field < 7; ++field) Type(f, field, map[field]);
  }
  // Spun past the field limit, as the spin buttons may.
  TTransformList* list = f->TransformList();
  list->setCurrentRow(0);
  for (int i = 0; i < 3; ++i) QTest::mouseClick(f->ValueSpin(0)->UpButton(), Qt::LeftButton);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "10000.29980");  // the float nearest 10000.3
  EXPECT_EQ(list->headerItem()->text(6), "p");
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
  // Every value fits under its title, which sits over its column.
  const QFontMetrics metrics(list->font());
  for (int column = 0; column < 7; ++column)
    for (int row = 0; row < list->count(); ++row)
      EXPECT_LE(metrics.horizontalAdvance(list->topLevelItem(row)->text(column)), list->header()->sectionSize(column))
          << column << "," << row;
  f->close();
  QCoreApplication::processEvents();
  WaitForRender();
}

}  // namespace
