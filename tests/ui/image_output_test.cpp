// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/atomic_file.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;

TEST(ImageOutputNames, SaveDialogInitialName) {
  const std::pair<const char*, const char*> cases[] = {
      {"spot1.frs", "spot1"},
      {"/home/u/spots/spot1.frs", "spot1"},
      {"/home/u/pics/picture.jpg", "picture"},
      {"Untitled", "Untitled"},      // no "." : unchanged
      {"/home/u/pic", "/home/u/pic"},  // no "." : unchanged
      {"/home/u/my.pics/picture", "picture"},  // the "." of the folder is not an extension
      {"x.y.jpg", "x.y"},
      {"a.b", "a"},                  // a short extension does not eat into the name
      {".hidden", ".hidden"},
      {"/home/u/a.b/", "Untitled"},  // nothing left: the initial name
      {"", "Untitled"},
  };
  for (const auto& [current, offered] : cases) EXPECT_EQ(SaveDialogInitialName(current), offered) << current;
  EXPECT_EQ(ImageNameOfSpot("/home/u/spots/spot1.frs"), "spot1");
  EXPECT_EQ(ImageNameOfSpot("spot1.frs"), "spot1");
}

TEST(ImageOutputNames, WrittenFileName) {
  struct Case {
    const char* chosen;
    TImageType type;
    const char* written;
  };
  const Case cases[] = {
      {"picture.jpg", TImageType::Bitmap, "picture.bmp"},
      {"picture.jpg", TImageType::Jpeg, "picture.jpg"},
      {"picture.bmp", TImageType::Jpeg, "picture.jpg"},
      {"/home/u/pics/picture.bmp", TImageType::Bitmap, "/home/u/pics/picture.bmp"},
      {"/home/u/my.pics/picture", TImageType::Jpeg, "/home/u/my.pics/picture.jpg"},
      {"ab", TImageType::Bitmap, "ab.bmp"},         // shorter than four characters
      {"a.b", TImageType::Jpeg, "a.jpg"},
      {"picture.jpeg", TImageType::Jpeg, "picture.jpg"},
      {"picture.", TImageType::Bitmap, "picture.bmp"},
      {"/home/u/.jpg", TImageType::Jpeg, "/home/u/.jpg.jpg"},  // a hidden file's name stays
      {"/home/u/", TImageType::Jpeg, "/home/u/Untitled.jpg"},
      {"", TImageType::Bitmap, "Untitled.bmp"},
      {"picture.jpg", TImageType::Png, "picture.png"},
      {"/home/u/picture", TImageType::Png, "/home/u/picture.png"},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageFileName(c.chosen, c.type), c.written) << c.chosen;
}

TEST(ImageOutputNames, PathParts) {
  EXPECT_EQ(FileNamePart("/a/b/c.jpg"), "c.jpg");
  EXPECT_EQ(FileNamePart("c.jpg"), "c.jpg");
  EXPECT_EQ(FileNamePart("/a/"), "");
  EXPECT_EQ(FolderPart("/a/b/c.jpg"), "/a/b");
  EXPECT_EQ(FolderPart("/c.jpg"), "/");
  EXPECT_EQ(FolderPart("c.jpg"), "");
  EXPECT_EQ(StripExtension("/a.b/c"), "/a.b/c");
  EXPECT_EQ(StripExtension("/a.b/c.d.e"), "/a.b/c.d");
}

TEST(ImageOutputDialog, FilterTitleAndExtensions) {
  EXPECT_STREQ(kSaveImageFilter, "JPEG (*.jpg)|*.jpg|Windows bitmap (*.bmp)|*.bmp|PNG image (*.png)|*.png");
  EXPECT_STREQ(kSaveImageTitle, "Save fractal as...");
  EXPECT_STREQ(DefaultImageExtension(TImageType::Jpeg), "jpg");
  EXPECT_STREQ(DefaultImageExtension(TImageType::Bitmap), "bmp");
  EXPECT_EQ(int(TImageType::Jpeg), 1);
  EXPECT_EQ(int(TImageType::Bitmap), 2);
  EXPECT_STREQ(DefaultImageExtension(TImageType::Png), "png");
  EXPECT_EQ(int(TImageType::Png), 3);
  EXPECT_EQ(TImageSaveState{}.FileName, "Untitled");
}

TEST(ImageOutputRules, CenteredOffset) {
  struct Case {
    int32_t sw, sh, iw, ih;
    TOffset at;
  };
  const Case cases[] = {
      {1024, 768, 800, 600, {112, 84}},
      {1024, 768, 1024, 768, {0, 0}},
      {1024, 768, 801, 601, {111, 83}},      // 223 / 2, 167 / 2
      {800, 600, 1024, 768, {-112, -84}},    // larger than the screen
      {100, 100, 103, 105, {-1, -2}},        // -3 / 2 and -5 / 2 truncate toward zero
  };
  for (const Case& c : cases) EXPECT_EQ(CenteredOffset(c.sw, c.sh, c.iw, c.ih), c.at) << c.iw << " x " << c.ih;
}

TEST(ImageOutputRules, PrintExtent) {
  struct Case {
    int32_t image, printer, screen, printed;
  };
  const Case cases[] = {
      {300, 600, 96, 1875},   // 300 * 600 / 96
      {300, 96, 96, 300},
      {150, 300, 96, 469},    // 468.75
      {3, 48, 96, 2},         // 1.5 rounds to even
      {5, 48, 96, 2},         // 2.5 rounds to even
      {1, 48, 96, 0},         // 0.5 rounds to even
      {1600, 1200, 120, 16000},
      {300, 600, 0, 1875},    // no screen resolution: 96
  };
  for (const Case& c : cases) EXPECT_EQ(PrintExtent(c.image, c.printer, c.screen), c.printed) << c.image;
}

TEST(ImageOutputRules, Messages) {
  EXPECT_EQ(SaveBitmapErrorMessage("disk full"), "Unable to save bitmap. Error:\r\ndisk full");
  EXPECT_EQ(WallpaperErrorMessage(5), "Unable to create Windows wallpaper\r\nerror code = 5");
  EXPECT_EQ(WallpaperErrorMessage(-1), "Unable to create Windows wallpaper\r\nerror code = -1");
  EXPECT_EQ(PrintErrorMessage("no printer"), "Raised exception with message: \r\nno printer");
  EXPECT_STREQ(kWallpaperQuestion, "Are you sure to set wallpaper ?");
  EXPECT_STREQ(kPrintCaption, "Printing fractal");
  EXPECT_STREQ(kProgramCaption, "Pelmorix");
  EXPECT_NE(UnknownDesktopMessage("/x/Fractal WallPaper.bmp").find("/x/Fractal WallPaper.bmp"), std::string::npos);
}

TEST(ImageOutputRules, WallpaperPathInTheUsersConfigFolder) {
  std::string pattern = (fs::temp_directory_path() / "px_wallpaper_XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path dir = pattern;
  {
    TEnvVar home("HOME", (dir / "home").string());
    {
      TEnvVar config("XDG_CONFIG_HOME", (dir / "cfg" / "deep").string());
      EXPECT_EQ(WallpaperPath(), (dir / "cfg" / "deep" / "pelmorix" / "Fractal WallPaper.bmp").string());
      EXPECT_TRUE(fs::is_directory(dir / "cfg" / "deep" / "pelmorix"));
      EXPECT_EQ(WallpaperPath(), (dir / "cfg" / "deep" / "pelmorix" / "Fractal WallPaper.bmp").string());
    }
    for (const std::optional<std::string>& ignored : {std::optional<std::string>{}, std::optional<std::string>{""},
                                                      std::optional<std::string>{"relative/cfg"}}) {
      TEnvVar config("XDG_CONFIG_HOME", ignored);
      EXPECT_EQ(ProgramDataFolder(), (dir / "home" / ".config" / "pelmorix").string());
    }
    std::ofstream(dir / "file") << "x";
    TEnvVar config("XDG_CONFIG_HOME", (dir / "file").string());
    EXPECT_THROW(ProgramDataFolder(), TFileWriteError);
  }
  fs::remove_all(dir);
}

TEST(ImageOutputRules, PackedBitmapPadsRows) {
  // A 3 x 2 picture: rows of 9 bytes are padded to 12.
  const uint8_t top[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const uint8_t bottom[9] = {11, 12, 13, 14, 15, 16, 17, 18, 19};
  uint8_t picture[2][10] = {};  // stride 10
  std::copy(top, top + 9, picture[0]);
  std::copy(bottom, bottom + 9, picture[1]);
  const std::string file = PackedBitmapFileBytes(3, 2, &picture[0][0], 10);
  ASSERT_EQ(file.size(), 54u + 24u);
  const uint8_t header[54] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                              40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                              24, 0, 0, 0,  // image size
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::string(file, 0, 54), std::string(reinterpret_cast<const char*>(header), 54));
  // Bottom row first.
  const uint8_t pixels[24] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
  EXPECT_EQ(std::string(file, 54), std::string(reinterpret_cast<const char*>(pixels), 24));
}

TEST(ImageOutputWallpaper, DesktopKinds) {
  const std::pair<const char*, TDesktopKind> cases[] = {
      {"GNOME", TDesktopKind::Gnome},         {"ubuntu:GNOME", TDesktopKind::Gnome},
      {"gnome", TDesktopKind::Gnome},         {"Unity:Unity7:ubuntu", TDesktopKind::Gnome},
      {"X-Cinnamon", TDesktopKind::Cinnamon}, {"MATE", TDesktopKind::Mate},
      {"XFCE", TDesktopKind::Xfce},           {"KDE", TDesktopKind::Kde},
      {"LXQt", TDesktopKind::Unknown},        {"", TDesktopKind::Unknown},
      {"sway:XFCE", TDesktopKind::Xfce},
  };
  for (const auto& [name, kind] : cases) EXPECT_EQ(DesktopKindOf(name), kind) << name;
}

TEST(ImageOutputWallpaper, Commands) {
  const std::string path = "/home/u/.config/pelmorix/Fractal WallPaper.bmp";
  EXPECT_EQ(FileUri(path), "file:///home/u/.config/pelmorix/Fractal%20WallPaper.bmp");
  EXPECT_EQ(FileUri("/a'b\\c%\xC3\xA9"), "file:///a%27b%5Cc%25%C3%A9");
  const std::string uri = "'file:///home/u/.config/pelmorix/Fractal%20WallPaper.bmp'";

  std::vector<TCommand> gnome = WallpaperCommands(TDesktopKind::Gnome, path, true);
  ASSERT_EQ(gnome.size(), 3u);
  EXPECT_EQ(gnome[0].Args,
            (std::vector<std::string>{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri}));
  EXPECT_FALSE(gnome[0].MayFail);
  EXPECT_EQ(gnome[1].Args,
            (std::vector<std::string>{"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}));
  EXPECT_TRUE(gnome[1].MayFail);
  EXPECT_EQ(gnome[2].Args, (std::vector<std::string>{"gsettings", "set", "org.gnome.desktop.background",
                                                     "picture-options", "'wallpaper'"}));
  gnome = WallpaperCommands(TDesktopKind::Gnome, path, false);
  EXPECT_EQ(gnome[2].Args.back(), "'centered'");

  const std::vector<TCommand> mate = WallpaperCommands(TDesktopKind::Mate, "/a/it's.bmp", false);
  ASSERT_EQ(mate.size(), 2u);
  EXPECT_EQ(mate[0].Args,
            (std::vector<std::string>{"gsettings", "set", "org.mate.background", "picture-filename", "'/a/it\\'s.bmp'"}));
  EXPECT_EQ(mate[1].Args.back(), "'centered'");

  const std::vector<TCommand> cinnamon = WallpaperCommands(TDesktopKind::Cinnamon, path, true);
  ASSERT_EQ(cinnamon.size(), 2u);
  EXPECT_EQ(cinnamon[0].Args[2], "org.cinnamon.desktop.background");
  EXPECT_EQ(cinnamon[0].Args[4], uri);

  const std::string listing =
      "/backdrop/screen0/monitorVGA-1/workspace0/color-style\n"
      "/backdrop/screen0/monitorVGA-1/workspace0/last-image\n"
      "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
      "/last-image\n";
  const std::vector<TCommand> xfce = WallpaperCommands(TDesktopKind::Xfce, path, false, listing);
  ASSERT_EQ(xfce.size(), 4u);
  EXPECT_EQ(xfce[0].Args, (std::vector<std::string>{"xfconf-query", "-c", "xfce4-desktop", "-p",
                                                    "/backdrop/screen0/monitorVGA-1/workspace0/last-image", "-s",
                                                    path}));
  EXPECT_EQ(xfce[1].Args,
            (std::vector<std::string>{"xfconf-query", "-c", "xfce4-desktop", "-p",
                                      "/backdrop/screen0/monitorVGA-1/workspace0/image-style", "-n", "-t", "int",
                                      "-s", "1"}));
  EXPECT_EQ(xfce[2].Args[4], "/backdrop/screen0/monitorHDMI-1/workspace0/last-image");
  const std::vector<TCommand> xfceNew = WallpaperCommands(TDesktopKind::Xfce, path, true, "");
  ASSERT_EQ(xfceNew.size(), 2u);
  EXPECT_EQ(xfceNew[0].Args[4], "/backdrop/screen0/monitor0/workspace0/last-image");
  EXPECT_EQ(xfceNew[1].Args.back(), "2");

  EXPECT_EQ(WallpaperCommands(TDesktopKind::Kde, path, true).front().Args,
            (std::vector<std::string>{"plasma-apply-wallpaperimage", path}));
  EXPECT_TRUE(WallpaperCommands(TDesktopKind::Unknown, path, true).empty());
}
