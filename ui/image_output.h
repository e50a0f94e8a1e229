// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image output of the main window: the rules behind "Save image", the
// wallpaper and printing that do not need a window system. The Qt side is in
// ui/image_output_qt.h.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/translatable.h"

// Save dialog of "Save image".
constexpr const char* kSaveImageTitle = QT_TRANSLATE_NOOP("FileDialog", "Save fractal as...");
// PNG comes last, after the two classic types, so their numbers stay.
constexpr const char* kSaveImageFilter =
    QT_TRANSLATE_NOOP("FileDialog", "JPEG (*.jpg)|*.jpg|Windows bitmap (*.bmp)|*.bmp|PNG image (*.png)|*.png");
constexpr const char* kSaveImageInitialName = "Untitled";

// The type chosen in the save dialog, numbered as its type selector.
enum class TImageType { Jpeg = 1, Bitmap = 2, Png = 3 };
// "jpg", "bmp" or "png".
const char* DefaultImageExtension(TImageType type);

// The save dialog's state, kept between uses within one run. The main window
// sets FileName after loading a spot (ImageNameOfSpot) and InitialDir at
// start-up (the program folder).
struct TImageSaveState {
  std::string FileName = kSaveImageInitialName;
  std::string InitialDir;
  std::string Title = kSaveImageTitle;
};
TImageSaveState& ImageSaveState();  // the main image's dialog

// The file-name part of a path (after the last "/").
std::string FileNamePart(const std::string& path);
// The folder part of a path without the trailing "/", or "" for a bare name.
std::string FolderPart(const std::string& path);
// The path without the extension of its file-name part: the text from the
// last "." of the file-name part on is removed (for a name with a
// three-letter extension that is its last four characters). The folder is
// never touched, and a name that starts with "." and has no other "." keeps
// it (a hidden file's name is not an extension).
std::string StripExtension(const std::string& path);

// The name the dialog offers when it opens: a current name holding "."
// becomes its file-name part without extension ("/a/spot1.frs" -> "spot1");
// other names stay. An empty result becomes "Untitled".
std::string SaveDialogInitialName(const std::string& current);
// The name "Save image" writes: the chosen name without its extension plus
// the type's, so "picture.txt" saved as BMP writes "picture.bmp" (a typed
// extension the dialog offers has chosen the type already). A name
// that would be empty before the extension becomes "Untitled" in the chosen
// folder.
std::string ImageFileName(const std::string& chosen, TImageType type);
// The save dialog's file name after a spot was loaded: the spot file's name
// without folder and extension ("spot1.frs" -> "spot1").
std::string ImageNameOfSpot(const std::string& spotPath);

// Where "Centered" draws the image on the screen-size bitmap:
// ((screen - image) / 2) in integer division; negative when the image is
// larger than the screen.
struct TOffset {
  int32_t X = 0, Y = 0;
  bool operator==(const TOffset&) const = default;
};
TOffset CenteredOffset(int32_t screenWidth, int32_t screenHeight, int32_t imageWidth, int32_t imageHeight);

// Printed size along one axis: round(image * printer dpi / screen dpi), so the
// image keeps its physical size on paper. A screen dpi of 0 or below is taken
// as 96.
int32_t PrintExtent(int32_t imageSize, int32_t printerDpi, int32_t screenDpi);

// The folder of the program's own data, standing in for the Windows folder:
// $XDG_CONFIG_HOME/pelmorix when XDG_CONFIG_HOME is an absolute path, else
// $HOME/.config/pelmorix. Created when missing; throws TFileWriteError when it
// cannot be created.
std::string ProgramDataFolder();
// ProgramDataFolder() + "/Fractal WallPaper.bmp".
std::string WallpaperPath();

// A BMP file of a width x height picture of any width: rows bottom-up, each
// padded to 4 bytes as the format wants. `bgr` holds the picture rows from
// the top, 3 bytes (blue, green, red) a pixel, `stride` bytes apart.
std::string PackedBitmapFileBytes(int32_t width, int32_t height, const uint8_t* bgr, size_t stride);

// Messages and captions.
constexpr const char* kProgramCaption = "Pelmorix";
constexpr const char* kWallpaperQuestion = "Are you sure to set wallpaper ?";
constexpr const char* kPrintCaption = "Printing fractal";
std::string SaveBitmapErrorMessage(const std::string& reason);  // "Unable to save bitmap. Error:\r\n" + reason
std::string WallpaperErrorMessage(int code);  // "Unable to create Windows wallpaper\r\nerror code = " + code
std::string PrintErrorMessage(const std::string& text);  // "Raised exception with message: \r\n" + text
std::string UnknownDesktopMessage(const std::string& path);  // the wallpaper was saved, but not set
std::string ReplaceFileQuestion(const std::string& path);    // confirm overwriting a file

// Setting the wallpaper through the desktop's own settings.
enum class TDesktopKind { Unknown, Gnome, Cinnamon, Mate, Xfce, Kde };
// From XDG_CURRENT_DESKTOP (a ":"-separated list; the first known name wins,
// case ignored): GNOME, Unity, ubuntu, Budgie, Pantheon -> Gnome; X-Cinnamon,
// Cinnamon -> Cinnamon; MATE; XFCE; KDE.
TDesktopKind DesktopKindOf(const std::string& currentDesktop);

struct TCommand {
  std::vector<std::string> Args;  // program and arguments, run without a shell
  bool MayFail = false;           // a failure is not an error (a key older desktops lack)
};
// "file://" + the path with every byte but unreserved ones and "/" percent-encoded.
std::string FileUri(const std::string& path);
// The commands that make `path` the wallpaper, tiled or centred. For Xfce
// `xfceProperties` is the output of "xfconf-query -c xfce4-desktop -l": every
// ".../last-image" property gets the file and its "image-style"; when there is
// none, the first monitor's property is set. Empty for Unknown.
std::vector<TCommand> WallpaperCommands(TDesktopKind desktop, const std::string& path, bool tiled,
                                        const std::string& xfceProperties = {});
