// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/spot_picture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/fractal.h"
#include "engine/view_window.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"
#include "tests/jpeg_decode.h"
#include "tests/png_decode.h"
#include "tests/test_files.h"
#include "ui/image_file.h"

namespace {

constexpr int32_t kWidth = 24, kHeight = 18;

std::string Png(const TFractal& doc, const TImageText& text) {
  return PngFileBytes(doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height, text);
}

std::string Jpeg(const TFractal& doc, const std::string& spot) {
  return JpegFileBytes(doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height, 90, false, spot);
}

std::string Pixels(const TFractal& doc) {
  const TBitmapInfoHeader& h = doc.BitmapHeader();
  return std::string(reinterpret_cast<const char*>(doc.ImageBuffer()), size_t(h.biWidth) * h.biHeight * 3);
}

// A small rendered view of each kind a spot can hold.
struct TSpotCase {
  const char* Name;
  std::function<void(TFractal&)> Set;
};
const TSpotCase kSpots[] = {
    {"shallow",
     [](TFractal& d) {
       d.SetFormula(0, -2.2L, 1.4L, 2.8L);
       d.StopThread();
       d.Ctx.Smoothing = 1;
     }},
    {"julia",
     [](TFractal& d) {
       d.SetFormula(0, -1.6L, 1.2L, 3.2L);
       d.StopThread();
       d.Ctx.JulieSet = true;
       d.Ctx.PJ = {-0.8L, 0.156L};
     }},
    {"deep",
     [](TFractal& d) {
       d.SetFormula(0, -2.2L, 1.4L, 2.8L);
       const std::string texts[3] = {"-0.7436438870371587047521915", "0.1318259042053119704931323", "3e-22"};
       TViewWindow window;
       ASSERT_EQ(ParseViewWindow(texts, window), -1);
       d.SetWindow(window);
     }},
};

void Render(TFractal& doc) {
  doc.StopThread();
  doc.AutoIter = false;
  doc.Ctx.MaxIter = 300;
  doc.Restart();
  WaitForRender(doc);
}

TEST(SpotPicture, PngAndJpegRestoreTheSpotAndItsImage) {
  TScratchFolder dir;
  TMessageRecorder messages;
  TRecordingCanvas canvas;
  for (const TSpotCase& c : kSpots) {
    SCOPED_TRACE(c.Name);
    TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    c.Set(doc);
    Render(doc);
    const std::string spot = SpotFileText(doc);
    ASSERT_NE(spot.find("[Colors]"), std::string::npos);  // the palette too
    EXPECT_EQ(spot.find("X_Deep") != std::string::npos, std::string(c.Name) == "deep");
    WriteBytes(dir.File("s.frs"), spot);
    TFractal fromSpot(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    fromSpot.LoadSpot(dir.File("s.frs"));
    WaitForRender(fromSpot);

    TImageText plain = SpotImageText(doc);
    plain.pop_back();
    const std::string png = Png(doc, SpotImageText(doc)), jpeg = Jpeg(doc, spot);
    // The chunks there were stay plain text; only the spot is compressed.
    EXPECT_NE(png.find("tEXtMaxIter"), std::string::npos);
    EXPECT_EQ(png.find("zTXtPelmorix spot"), png.rfind("zTXt"));
    // The spot changes no pixel.
    EXPECT_EQ(DecodePng(png).Rgb, DecodePng(Png(doc, plain)).Rgb);
    EXPECT_EQ(DecodeJpeg(jpeg).Rgb, DecodeJpeg(Jpeg(doc, "")).Rgb);
    for (const auto& [name, bytes] : {std::pair{"p.png", png}, std::pair{"p.jpg", jpeg}}) {
      SCOPED_TRACE(name);
      WriteBytes(dir.File(name), bytes);
      EXPECT_EQ(OpenSpotFile(dir.File(name)).Text(), spot);
      TFractal fromPicture(-1, 0, 0, 0, kWidth, kHeight, &canvas);
      fromPicture.LoadSpot(dir.File(name));
      WaitForRender(fromPicture);
      EXPECT_EQ(SpotFileText(fromPicture), spot);  // every key came back
      EXPECT_EQ(Pixels(fromPicture), Pixels(fromSpot));
      EXPECT_EQ(Pixels(fromPicture), Pixels(doc));
    }
  }
  EXPECT_TRUE(messages.Shown.empty());
}

// A spot past what one comment segment holds is split and joined again.
TEST(SpotPicture, ALongSpotTakesSeveralJpegComments) {
  std::string text = "[UserFrm]\n";
  for (int i = 0; text.size() < 150000; ++i) text += "Str" + std::to_string(i) + "=z := z*z + c; { line }\n";
  const std::vector<std::string> segments = SpotCommentSegments(text);
  ASSERT_EQ(segments.size(), 3u);
  for (const std::string& s : segments) EXPECT_LE(s.size(), 65533u);
  EXPECT_EQ(segments[1].substr(0, 18), "Pelmorix spot 2/3\n");
  TScratchFolder dir;
  TFractal doc(-1, 0, 0, 0, 8, 8, nullptr);
  WriteBytes(dir.File("long.jpg"), Jpeg(doc, text));
  EXPECT_EQ(OpenSpotFile(dir.File("long.jpg")).Text(), text);
}

// JPEG bytes with comment segments of the given data right after the start.
std::string WithComments(std::string jpeg, const std::vector<std::string>& comments) {
  std::string markers;
  for (const std::string& c : comments) {
    const size_t size = c.size() + 2;
    markers += std::string("\xFF\xFE") + char(size >> 8) + char(size & 0xFF) + c;
  }
  return jpeg.insert(2, markers);
}

TEST(SpotPicture, APictureWithoutAWholeSpotChangesNothing) {
  TScratchFolder dir;
  TRecordingCanvas canvas;
  TFractal source(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  kSpots[1].Set(source);
  Render(source);
  const std::string png = Png(source, SpotImageText(source)), jpeg = Jpeg(source, SpotFileText(source));
  const std::string bare = Jpeg(source, ""), spotChunk = png.substr(png.find("zTXt") - 4);
  const std::string none = "the picture holds no Pelmorix spot";
  const std::string unreadablePng = "the PNG picture cannot be read (";
  const std::string unreadableJpeg = "the JPEG picture cannot be read (";
  const struct {
    const char* Name;
    std::string Bytes;
    std::string Error;  // what the error starts with
  } cases[] = {
      {"plain.png", Png(source, {{"Software", "Pelmorix"}}), none},
      {"plain.jpg", bare, none},
      {"other.jpeg", WithComments(bare, {"made by hand"}), none},
      {"half.jpg", WithComments(bare, {"Pelmorix spot 1/2\n[Fractal]\n"}), none},
      {"second.jpg", WithComments(bare, {"Pelmorix spot 2/2\n[Fractal]\n"}), none},
      {"twisted.jpg", WithComments(bare, {"Pelmorix spot 1/x\n[Fractal]\n"}), none},
      {"huge.png", Png(source, {{kPictureSpotKey, std::string(20 << 20, 'a')}}), none},
      {"bad-crc.png", png.substr(0, png.size() - spotChunk.size()) + spotChunk.substr(0, 60) + 'X' +
                          spotChunk.substr(61), none},
      {"long.png", png.substr(0, png.size() - spotChunk.size()) + "\x7F\xFF\xFF\xF0" + spotChunk.substr(4),
       unreadablePng + "a chunk before the pixels is too long)"},
      {"signature.png", png.substr(0, 8), unreadablePng},
      {"cut.png", png.substr(0, png.size() - spotChunk.size() + 40), unreadablePng},
      {"cut.jpg", jpeg.substr(0, 300), unreadableJpeg},
      {"soi.jpg", "\xFF\xD8\xFF", unreadableJpeg},
      {"garbage.png", "GIF89a and then some", "it is not a PNG or JPEG picture"},
      {"empty.JPG", "", "it is not a PNG or JPEG picture"},
  };
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, &canvas);
  kSpots[0].Set(doc);
  Render(doc);
  const std::string before = SpotFileText(doc), pixels = Pixels(doc);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = dir.File(c.Name);
    WriteBytes(path, c.Bytes);
    const TProfileFile f = OpenSpotFile(path);
    EXPECT_EQ(f.ReadError().substr(0, c.Error.size()), c.Error) << f.ReadError();
    EXPECT_TRUE(f.SectionNames().empty());
    try {
      doc.LoadSpot(path);
      ADD_FAILURE() << "loaded";
    } catch (const TProfileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot read \"" + path + "\": " + f.ReadError());
    }
    EXPECT_EQ(SpotFileText(doc), before);
    EXPECT_EQ(Pixels(doc), pixels);
  }
  // Past the spot, a cut picture still holds it whole; a spot file is read as
  // ever, whatever its name.
  WriteBytes(dir.File("pixels-cut.png"), png.substr(0, png.size() - 20));
  EXPECT_EQ(OpenSpotFile(dir.File("pixels-cut.png")).Text(), SpotFileText(source));
  WriteBytes(dir.File("spot.png.frs"), "[Fractal]\nX_Coord=-1\n");
  EXPECT_EQ(OpenSpotFile(dir.File("spot.png.frs")).ReadString("Fractal", "X_Coord", ""), "-1");
  EXPECT_TRUE(OpenSpotFile(dir.File("missing.png")).ReadError().empty());  // missing reads as empty, as ever
}

TEST(SpotPicture, MutatedPicturesNeverCrash) {
  TScratchFolder dir;
  TFractal doc(-1, 0, 0, 0, kWidth, kHeight, nullptr);
  const std::string spot = SpotFileText(doc);
  const std::string pictures[] = {Png(doc, SpotImageText(doc)), Jpeg(doc, spot)};
  std::mt19937 random(24);
  int whole = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = pictures[round % 2];
    const int changes = 1 + int(random() % 4);
    for (int k = 0; k < changes; ++k) bytes[random() % bytes.size()] = char(random());
    if (random() % 4 == 0) bytes.resize(random() % bytes.size());
    const std::string path = dir.File(round % 2 ? "m.jpg" : "m.png");
    WriteBytes(path, bytes);
    const TProfileFile f = OpenSpotFile(path);
    // A PNG's chunks carry checksums: what it gives is the spot or nothing.
    if (round % 2 == 0 && f.ReadError().empty()) {
      EXPECT_EQ(f.Text(), spot) << round;
    }
    whole += f.ReadError().empty();
  }
  EXPECT_GT(whole, 100);
  EXPECT_LT(whole, 1500);
}

TEST(SpotPicture, AProfileFromTextReadsButNeverWrites) {
  TScratchFolder dir;
  TProfileFile f(dir.File("held.png"), "[Fractal]\r\nX_Coord=0.5\r\n");
  EXPECT_TRUE(f.Existed());
  EXPECT_EQ(f.ReadReal("Fractal", "X_Coord", "0"), 0.5L);
  f.WriteInt("Fractal", "MaxIter", 10);
  EXPECT_EQ(f.Text(), "[Fractal]\r\nX_Coord=0.5\r\nMaxIter=10\r\n");
  EXPECT_THROW(f.Save(), TProfileError);
  EXPECT_FALSE(std::filesystem::exists(dir.File("held.png")));
  const TProfileFile unreadable(dir.File("x.png"), "[Fractal]\n", "why");
  EXPECT_TRUE(unreadable.SectionNames().empty());
  EXPECT_THROW(unreadable.RequireReadable(), TProfileError);
}

}  // namespace
