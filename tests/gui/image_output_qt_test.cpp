// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_output_qt.h"
#include "ui/printer_setup_form.h"

#include <gtest/gtest.h>

#include "tests/jpeg_decode.h"
#include "tests/png_decode.h"
#include <jpeglib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "engine/fractal.h"
#include "engine/spot_picture.h"
#include "platform/dialogs.h"
#include "ui/image_file.h"
#include "ui/settings.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The colour the test document holds at picture pixel (x, y).
QRgb Expected(int32_t x, int32_t y) { return qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255); }

class ImageOutputQtTest : public ::testing::Test {
 protected:
  // 150 x 101: the buffer is 152 x 104, so padding columns and rows exist.
  ImageOutputQtTest() : Doc(-1, 0, 0, 0, 150, 101, nullptr) {}

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "px_image_output_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    Dir = pattern;
    ASSERT_EQ(Doc.BufWidth(), 152);
    ASSERT_EQ(Doc.BufHeight(), 104);
    // Picture row y lies in memory row BufHeight - 1 - y; padding is white.
    uint8_t* bits = Doc.ImageBuffer();
    for (int32_t m = 0; m < Doc.BufHeight(); ++m)
      for (int32_t x = 0; x < Doc.BufWidth(); ++x) {
        uint8_t* p = bits + (size_t(m) * Doc.BufWidth() + x) * 3;
        const int32_t y = Doc.BufHeight() - 1 - m;
        const QRgb c = x < Doc.Width && y < Doc.Height ? Expected(x, y) : qRgb(255, 255, 255);
        p[0] = uint8_t(qBlue(c));
        p[1] = uint8_t(qGreen(c));
        p[2] = uint8_t(qRed(c));
      }
    SavedSettings = Settings();
    SavedState = ImageSaveState();
  }
  void TearDown() override {
    Settings() = SavedSettings;
    ImageSaveState() = SavedState;
    fs::remove_all(Dir);
  }

  // Hooks that record what they are asked and never block.
  TDialogHooks Hooks() {
    TDialogHooks h;
    h.ChooseSaveFile = [this](QWidget*, const TSaveFileRequest& r) {
      Requests.push_back(r);
      return Choice;
    };
    h.Confirm = [this](QWidget*, const std::string& caption, const std::string& text) {
      Messages.push_back("confirm|" + caption + "|" + text);
      return ConfirmAnswer;
    };
    h.Warn = [this](QWidget*, const std::string& caption, const std::string& text) {
      Messages.push_back("warn|" + caption + "|" + text);
    };
    h.Inform = [this](QWidget*, const std::string& caption, const std::string& text) {
      Messages.push_back("inform|" + caption + "|" + text);
    };
    h.RetryCancel = [this](QWidget*, const std::string& caption, const std::string& text) {
      Messages.push_back("retry|" + caption + "|" + text);
      return RetryAnswer();
    };
    h.SetupPrinter = [](QWidget*, QPrinter&) { return true; };
    h.RunCommand = [this](const std::vector<std::string>& args) {
      Commands.push_back(args);
      return TCommandResult{ExitCode, ""};
    };
    h.CurrentDesktop = [this] { return Desktop; };
    h.ScreenSize = [] { return QSize(1024, 768); };
    return h;
  }

  TFractal Doc;
  fs::path Dir;
  TSettings SavedSettings;
  TImageSaveState SavedState;

  std::optional<TSaveFileChoice> Choice;
  bool ConfirmAnswer = true;
  std::function<bool()> RetryAnswer = [] { return false; };
  int ExitCode = 0;
  std::string Desktop = "GNOME";
  std::vector<TSaveFileRequest> Requests;
  std::vector<std::string> Messages;
  std::vector<std::vector<std::string>> Commands;
};

using TJpegInfo = TDecodedJpeg;

}  // namespace

TEST_F(ImageOutputQtTest, DocumentImageHasTheVisiblePixels) {
  const QImage image = DocumentImage(Doc);
  ASSERT_EQ(image.size(), QSize(150, 101));
  for (int y = 0; y < 101; y += 5)
    for (int x = 0; x < 150; x += 7) ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, Expected(x, y) & 0xFFFFFF) << x << "," << y;
  EXPECT_EQ(image.pixel(149, 100) & 0xFFFFFF, Expected(149, 100) & 0xFFFFFF);
}

TEST_F(ImageOutputQtTest, SaveBitmapUnderTheTypesExtension) {
  ImageSaveState().FileName = "/somewhere/spot1.frs";
  ImageSaveState().InitialDir = "/start";
  Choice = TSaveFileChoice{(Dir / "picture").string(), 2};
  EXPECT_TRUE(SaveImageDialog(Doc, nullptr, Hooks()));
  ASSERT_EQ(Requests.size(), 1u);
  EXPECT_EQ(Requests[0].Title, "Save fractal as...");
  EXPECT_EQ(Requests[0].Filter, kSaveImageFilter);
  EXPECT_EQ(Requests[0].FileName, "spot1");
  EXPECT_EQ(Requests[0].InitialDir, "/start");
  EXPECT_EQ(Requests[0].FilterIndex, 1);
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  const std::string file = Slurp(Dir / "picture.bmp");
  ASSERT_EQ(file.size(), 54u + 3u * 152 * 104);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(file.substr(54), std::string(reinterpret_cast<const char*>(Doc.ImageBuffer()), 3 * 152 * 104));
  EXPECT_EQ(ImageSaveState().InitialDir, Dir.string());

  // The next opening offers the name without folder and extension.
  Choice.reset();
  EXPECT_FALSE(SaveImageDialog(Doc, nullptr, Hooks()));
  ASSERT_EQ(Requests.size(), 2u);
  EXPECT_EQ(Requests[1].FileName, "picture");
  EXPECT_EQ(Requests[1].InitialDir, Dir.string());
}

TEST_F(ImageOutputQtTest, SavePngAsTheThirdTypeWithTheSpot) {
  Choice = TSaveFileChoice{(Dir / "picture").string(), 3};
  EXPECT_TRUE(SaveImageDialog(Doc, nullptr, Hooks()));
  EXPECT_TRUE(Messages.empty());
  const TDecodedPng png = DecodePng(Slurp(Dir / "picture.png"));
  ASSERT_TRUE(png.Ok);
  EXPECT_EQ(png.Width, Doc.Width);
  EXPECT_EQ(png.Height, Doc.Height);
  EXPECT_EQ(png.Text.at("Number"), std::to_string(Doc.Ctx.Number));
  EXPECT_EQ(png.Text.at("MaxIter"), std::to_string(Doc.Ctx.MaxIter));
  EXPECT_EQ(png.Text.at("Pelmorix spot"), SpotFileText(Doc));
}

// A typed extension the dialog offers chooses the type; any other name takes
// the chosen type's extension.
TEST_F(ImageOutputQtTest, TypedExtensionChoosesTheType) {
  struct Case {
    const char* typed;
    int type;
    const char* written;
    const char* magic;
  } const cases[] = {
      {"a.bmp", 1, "a.bmp", "BM"},       {"b.PNG", 1, "b.png", "\x89PNG"}, {"c.jpg", 2, "c.jpg", "\xFF\xD8"},
      {"d", 2, "d.bmp", "BM"},           {"e.txt", 3, "e.png", "\x89PNG"}, {"f.bmp", 2, "f.bmp", "BM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Choice = TSaveFileChoice{(Dir / c.typed).string(), c.type};
    EXPECT_TRUE(SaveImageDialog(Doc, nullptr, Hooks()));
    EXPECT_EQ(Slurp(Dir / c.written).substr(0, std::string(c.magic).size()), c.magic);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 6);  // nothing else written
  EXPECT_TRUE(Messages.empty());
}

TEST_F(ImageOutputQtTest, SaveJpegWithTheSettings) {
  for (bool progressive : {true, false}) {
    SCOPED_TRACE(progressive);
    Settings().JpegQuality = 100;
    Settings().JpegProgressive = progressive;
    Choice = TSaveFileChoice{(Dir / "picture").string(), 1};
    EXPECT_TRUE(SaveImageDialog(Doc, nullptr, Hooks()));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const TJpegInfo jpeg = DecodeJpeg(Slurp(Dir / "picture.jpg"));
    EXPECT_EQ(jpeg.Width, 150);
    EXPECT_EQ(jpeg.Height, 101);
    EXPECT_EQ(jpeg.Progressive, progressive);
    EXPECT_EQ(OpenSpotFile((Dir / "picture.jpg").string()).Text(), SpotFileText(Doc));
    // The pattern is busy, so compare means of the three channels only.
    double sums[2][3] = {};
    for (int y = 0; y < 101; ++y)
      for (int x = 0; x < 150; ++x) {
        const QRgb want = Expected(x, y);
        const uint8_t* got = jpeg.Rgb.data() + (size_t(y) * 150 + x) * 3;
        sums[0][0] += qRed(want), sums[0][1] += qGreen(want), sums[0][2] += qBlue(want);
        sums[1][0] += got[0], sums[1][1] += got[1], sums[1][2] += got[2];
      }
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(sums[1][c] / (150 * 101), sums[0][c] / (150 * 101), 2.0) << c;
  }
}

TEST_F(ImageOutputQtTest, FailedBitmapWriteReportsAndLeavesNoFile) {
  Choice = TSaveFileChoice{(Dir / "missing" / "picture.bmp").string(), 2};
  EXPECT_FALSE(SaveImageDialog(Doc, nullptr, Hooks()));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].rfind("warn|Pelmorix|Unable to save bitmap. Error:\r\n", 0), 0u) << Messages[0];
  EXPECT_GT(Messages[0].size(), std::string("warn|Pelmorix|Unable to save bitmap. Error:\r\n").size());
  EXPECT_FALSE(fs::exists(Dir / "missing"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  // A JPEG into a folder that is a plain file fails the same way, without a file.
  std::ofstream(Dir / "plain") << "x";
  Messages.clear();
  Choice = TSaveFileChoice{(Dir / "plain" / "picture.jpg").string(), 1};
  EXPECT_FALSE(SaveImageDialog(Doc, nullptr, Hooks()));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].rfind("warn|Pelmorix|", 0), 0u);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Slurp(Dir / "plain"), "x");
}

TEST_F(ImageOutputQtTest, CorrectedNameAsksBeforeReplacing) {
  std::ofstream(Dir / "picture.bmp") << "old";
  Choice = TSaveFileChoice{(Dir / "picture.txt").string(), 2};
  ConfirmAnswer = false;
  EXPECT_FALSE(SaveImageDialog(Doc, nullptr, Hooks()));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "confirm|Pelmorix|picture.bmp already exists.\r\nDo you want to replace it?");
  EXPECT_EQ(Slurp(Dir / "picture.bmp"), "old");

  ConfirmAnswer = true;
  EXPECT_TRUE(SaveImageDialog(Doc, nullptr, Hooks()));
  EXPECT_EQ(Slurp(Dir / "picture.bmp").size(), 54u + 3u * 152 * 104);
  // The dialog itself asked about a name it was given unchanged: no second question.
  Messages.clear();
  Choice = TSaveFileChoice{(Dir / "picture.bmp").string(), 2};
  EXPECT_TRUE(SaveImageDialog(Doc, nullptr, Hooks()));
  EXPECT_TRUE(Messages.empty());
}

TEST_F(ImageOutputQtTest, ClipboardGetsTheImage) {
  ASSERT_TRUE(CopyImageToClipboard(Doc));
  const QImage image = QGuiApplication::clipboard()->image();
  ASSERT_EQ(image.size(), QSize(150, 101));
  for (int y = 0; y < 101; y += 3)
    for (int x = 0; x < 150; x += 4)
      ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, Expected(x, y) & 0xFFFFFF) << x << "," << y;
}

namespace {

class TConfigHome {
 public:
  explicit TConfigHome(const fs::path& dir) {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) Old = old;
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  }
  ~TConfigHome() {
    if (Old) setenv("XDG_CONFIG_HOME", Old->c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
  }

 private:
  std::optional<std::string> Old;
};

}  // namespace

TEST_F(ImageOutputQtTest, WallpaperTiledAndCentered) {
  TConfigHome config(Dir / "cfg");
  const fs::path file = Dir / "cfg" / "pelmorix" / "Fractal WallPaper.bmp";

  EXPECT_TRUE(SetWallpaper(Doc, nullptr, true, Hooks()));
  ASSERT_GE(Messages.size(), 1u);
  EXPECT_EQ(Messages[0], "confirm|Pelmorix|Are you sure to set wallpaper ?");
  // The image-size bitmap: rows of 150 * 3 = 450 bytes padded to 452.
  EXPECT_EQ(fs::file_size(file), 54u + 452u * 101);
  QImage tiled(QString::fromStdString(file.string()));
  ASSERT_EQ(tiled.size(), QSize(150, 101));
  for (int y = 0; y < 101; y += 10)
    for (int x = 0; x < 150; x += 10) ASSERT_EQ(tiled.pixel(x, y) & 0xFFFFFF, Expected(x, y) & 0xFFFFFF);
  ASSERT_EQ(Commands.size(), 3u);
  const std::string uri = "'" + FileUri(file.string()) + "'";
  EXPECT_EQ(Commands[0], (std::vector<std::string>{"gsettings", "set", "org.gnome.desktop.background",
                                                   "picture-uri", uri}));
  EXPECT_EQ(Commands[2].back(), "'wallpaper'");

  Commands.clear();
  Messages.clear();
  EXPECT_TRUE(SetWallpaper(Doc, nullptr, false, Hooks()));
  QImage centered(QString::fromStdString(file.string()));
  ASSERT_EQ(centered.size(), QSize(1024, 768));
  // (1024 - 150) / 2 = 437, (768 - 101) / 2 = 333.
  EXPECT_EQ(centered.pixel(437, 333) & 0xFFFFFF, Expected(0, 0) & 0xFFFFFF);
  EXPECT_EQ(centered.pixel(437 + 149, 333 + 100) & 0xFFFFFF, Expected(149, 100) & 0xFFFFFF);
  EXPECT_EQ(centered.pixel(436, 333) & 0xFFFFFF, 0u);
  EXPECT_EQ(centered.pixel(437 + 150, 333 + 101) & 0xFFFFFF, 0u);
  EXPECT_EQ(centered.pixel(0, 0) & 0xFFFFFF, 0u);
  ASSERT_EQ(Commands.size(), 3u);
  EXPECT_EQ(Commands[2].back(), "'centered'");
}

TEST_F(ImageOutputQtTest, WallpaperRefusalsAndFailures) {
  TConfigHome config(Dir / "cfg");
  const fs::path file = Dir / "cfg" / "pelmorix" / "Fractal WallPaper.bmp";

  ConfirmAnswer = false;
  EXPECT_FALSE(SetWallpaper(Doc, nullptr, true, Hooks()));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(Commands.empty());

  ConfirmAnswer = true;
  Messages.clear();
  ExitCode = 3;
  EXPECT_FALSE(SetWallpaper(Doc, nullptr, true, Hooks()));
  ASSERT_EQ(Messages.size(), 2u);
  EXPECT_EQ(Messages[1], "warn|Pelmorix|Unable to create Windows wallpaper\r\nerror code = 3");
  EXPECT_EQ(Commands.size(), 1u);  // stops at the first failure

  Messages.clear();
  Commands.clear();
  ExitCode = 0;
  Desktop = "LXQt";
  EXPECT_FALSE(SetWallpaper(Doc, nullptr, false, Hooks()));
  EXPECT_TRUE(Commands.empty());
  ASSERT_EQ(Messages.size(), 2u);
  EXPECT_EQ(Messages[1], "inform|Pelmorix|" + UnknownDesktopMessage(file.string()));
  EXPECT_TRUE(fs::exists(file));  // the bitmap is there for the user to set by hand

  // The data folder cannot be created.
  std::ofstream(Dir / "plain") << "x";
  TConfigHome broken(Dir / "plain");
  Messages.clear();
  Desktop = "GNOME";
  EXPECT_FALSE(SetWallpaper(Doc, nullptr, true, Hooks()));
  ASSERT_EQ(Messages.size(), 2u);
  EXPECT_EQ(Messages[1].rfind("warn|Pelmorix|Unable to save bitmap. Error:\r\n", 0), 0u);
  EXPECT_TRUE(Commands.empty());
}

TEST_F(ImageOutputQtTest, PrintToPdf) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const fs::path pdf = Dir / "out.pdf";
  printer.setOutputFileName(QString::fromStdString(pdf.string()));
  EXPECT_TRUE(PrintImage(Doc, nullptr, Hooks(), &printer));
  EXPECT_TRUE(Messages.empty());
  const std::string bytes = Slurp(pdf);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
}

TEST_F(ImageOutputQtTest, PrintRetryAndCancel) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString((Dir / "missing" / "out.pdf").string()));
  const fs::path pdf = Dir / "out.pdf";
  // First failure: retry after pointing the printer at a folder that exists.
  int asked = 0;
  RetryAnswer = [&] {
    ++asked;
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    return true;
  };
  EXPECT_TRUE(PrintImage(Doc, nullptr, Hooks(), &printer));
  EXPECT_EQ(asked, 1);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].rfind("retry|Printing fractal|Raised exception with message: \r\n", 0), 0u) << Messages[0];
  EXPECT_EQ(Slurp(pdf).substr(0, 5), "%PDF-");

  // Cancel ends it.
  printer.setOutputFileName(QString::fromStdString((Dir / "missing" / "again.pdf").string()));
  Messages.clear();
  RetryAnswer = [] { return false; };
  EXPECT_FALSE(PrintImage(Doc, nullptr, Hooks(), &printer));
  EXPECT_EQ(Messages.size(), 1u);

  // Without a printer chosen the user is told so, and no dialog comes up.
  QPrinter unchosen(QPrinter::HighResolution);
  unchosen.setOutputFormat(QPrinter::PdfFormat);
  Messages.clear();
  EXPECT_FALSE(PrintImage(Doc, nullptr, Hooks(), &unchosen));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0],
            "retry|Printing fractal|Raised exception with message: \r\n"
            "No printer is chosen: choose one with Printer setup in the File menu.");
}

TEST_F(ImageOutputQtTest, PrinterSetupChoosesThePrinterPrintUses) {
  std::vector<std::string> shown;
  const TMessageHandler old = SetMessageHandler([&](const std::string& text) { shown.push_back(text); });
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  TPrinterSetupForm dialog(printer, {"Office", "Lab"});
  EXPECT_EQ(dialog.windowTitle(), "Printer setup");
  EXPECT_EQ(dialog.OkButton()->text().remove('&'), "OK");
  for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
    EXPECT_FALSE(b->text().contains("Print", Qt::CaseInsensitive)) << b->text().toStdString();
  QStringList entries;
  for (int i = 0; i < dialog.PrinterBox()->count(); ++i) entries << dialog.PrinterBox()->itemText(i);
  EXPECT_EQ(entries, QStringList({"Office", "Lab", "PDF file"}));
  EXPECT_EQ(dialog.PrinterBox()->currentText(), "PDF file");

  // A PDF file needs a name: OK is refused without one.
  dialog.FileEdit()->clear();
  dialog.accept();
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(shown, std::vector<std::string>{"Choose the file to print into."});

  // A printer takes the file entry's field away.
  dialog.PrinterBox()->setCurrentIndex(1);
  EXPECT_FALSE(dialog.FileEdit()->isEnabled());
  dialog.PrinterBox()->setCurrentIndex(2);
  EXPECT_TRUE(dialog.FileEdit()->isEnabled());

  const fs::path pdf = Dir / "setup.pdf";
  dialog.FileEdit()->setText(QString::fromStdString((Dir / "setup").string()));
  dialog.PaperBox()->setCurrentIndex(dialog.PaperBox()->findData(int(QPageSize::A5)));
  dialog.OrientationGroup()->button(1)->click();
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
  EXPECT_EQ(printer.outputFileName().toStdString(), pdf.string());
  EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);

  // "Print" then goes straight to that file.
  EXPECT_TRUE(PrintImage(Doc, nullptr, Hooks(), &printer));
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Slurp(pdf).substr(0, 5), "%PDF-");
  SetMessageHandler(old);
}

// The real save dialog: choosing the bitmap type makes "bmp" the extension of
// a name typed without one.
TEST_F(ImageOutputQtTest, RealSaveDialogFollowsTheType) {
  TDialogHooks hooks = Hooks();
  hooks.ChooseSaveFile = nullptr;  // the default, real dialog
  ImageSaveState().InitialDir = Dir.string();
  ImageSaveState().FileName = "Untitled";
  bool driven = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      for (QWidget* w : QApplication::topLevelWidgets())
        if ((dialog = qobject_cast<QFileDialog*>(w)) && dialog->isVisible()) break;
    }
    if (!dialog) return;
    driven = true;
    auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (!types || !name) {
      dialog->reject();
      return;
    }
    types->setFocus();
    QTest::keyClick(types, Qt::Key_Down);  // "Windows bitmap (*.bmp)", as a user picks it
    name->setText("drawn");
    QMetaObject::invokeMethod(dialog, "accept");
  });
  QTimer::singleShot(5000, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
  EXPECT_TRUE(SaveImageDialog(Doc, nullptr, hooks));
  EXPECT_TRUE(driven);
  EXPECT_TRUE(fs::exists(Dir / "drawn.bmp"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
