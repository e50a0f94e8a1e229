// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_output.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/program_folder.h"

const char* DefaultImageExtension(TImageType type) {
  switch (type) {
    case TImageType::Bitmap: return "bmp";
    case TImageType::Png: return "png";
    default: return "jpg";
  }
}

TImageSaveState& ImageSaveState() {
  static TImageSaveState state;
  return state;
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string StripExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= nameStart) return path;  // no extension, or a hidden file's name
  return path.substr(0, dot);
}

std::string SaveDialogInitialName(const std::string& current) {
  if (current.find('.') == std::string::npos) return current.empty() ? kSaveImageInitialName : current;
  const std::string name = StripExtension(FileNamePart(current));
  return name.empty() ? kSaveImageInitialName : name;
}

std::string ImageFileName(const std::string& chosen, TImageType type) {
  std::string base = StripExtension(chosen);
  if (FileNamePart(base).empty()) base += kSaveImageInitialName;
  return base + "." + DefaultImageExtension(type);
}

std::string ImageNameOfSpot(const std::string& spotPath) { return SaveDialogInitialName(FileNamePart(spotPath)); }

TOffset CenteredOffset(int32_t screenWidth, int32_t screenHeight, int32_t imageWidth, int32_t imageHeight) {
  // Integer division truncates toward zero, also for negative differences.
  return {(screenWidth - imageWidth) / 2, (screenHeight - imageHeight) / 2};
}

int32_t PrintExtent(int32_t imageSize, int32_t printerDpi, int32_t screenDpi) {
  if (screenDpi <= 0) screenDpi = 96;
  return int32_t(std::nearbyint(double(imageSize) * double(printerDpi) / double(screenDpi)));
}

namespace {

// Creates the folder and its missing parents.
void MakeFolders(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    partial = path.substr(0, next);
    pos = next + 1;
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
      throw TFileWriteError("Cannot create the folder \"" + partial + "\": " + std::strerror(errno));
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    throw TFileWriteError("Cannot create the folder \"" + path + "\": " + std::strerror(ENOTDIR));
}

}  // namespace

std::string ProgramDataFolder() {
  const std::string folder = UserConfigFolder();
  if (folder.empty()) throw TFileWriteError("Cannot find the user's configuration folder: HOME is not set");
  MakeFolders(folder);
  return folder;
}

std::string WallpaperPath() { return ProgramDataFolder() + "/Fractal WallPaper.bmp"; }

namespace {

void PutLE(std::string& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(char((v >> (8 * k)) & 0xFF));
}

}  // namespace

std::string PackedBitmapFileBytes(int32_t width, int32_t height, const uint8_t* bgr, size_t stride) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
  const size_t pixelBytes = rowBytes * size_t(height);
  std::string out;
  out.reserve(54 + pixelBytes);
  PutLE(out, 19778, 2);  // "BM"
  PutLE(out, uint32_t(54 + pixelBytes), 4);
  PutLE(out, 0, 4);
  PutLE(out, 54, 4);
  PutLE(out, 40, 4);
  PutLE(out, uint32_t(width), 4);
  PutLE(out, uint32_t(height), 4);
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);  // no compression
  PutLE(out, uint32_t(pixelBytes), 4);
  out.append(16, '\0');  // resolution and colour counts
  for (int32_t y = height - 1; y >= 0; --y) {
    out.append(reinterpret_cast<const char*>(bgr + size_t(y) * stride), size_t(width) * 3);
    out.append(rowBytes - size_t(width) * 3, '\0');
  }
  return out;
}

std::string SaveBitmapErrorMessage(const std::string& reason) { return "Unable to save bitmap. Error:\r\n" + reason; }

std::string WallpaperErrorMessage(int code) {
  return "Unable to create Windows wallpaper\r\nerror code = " + std::to_string(code);
}

std::string PrintErrorMessage(const std::string& text) { return "Raised exception with message: \r\n" + text; }

std::string UnknownDesktopMessage(const std::string& path) {
  return "This desktop has no wallpaper setting that Pelmorix knows.\r\nThe wallpaper bitmap was saved as\r\n" +
         path;
}

std::string ReplaceFileQuestion(const std::string& path) {
  return FileNamePart(path) + " already exists.\r\nDo you want to replace it?";
}

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// A GVariant text string: single quotes, with quotes and backslashes escaped.
std::string VariantString(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "'";
}

}  // namespace

TDesktopKind DesktopKindOf(const std::string& currentDesktop) {
  const std::string all = Upper(currentDesktop);
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t end = all.find(':', pos);
    if (end == std::string::npos) end = all.size();
    const std::string name = all.substr(pos, end - pos);
    pos = end + 1;
    if (name == "GNOME" || name == "GNOME-FLASHBACK" || name == "UNITY" || name == "UBUNTU" || name == "BUDGIE" ||
        name == "PANTHEON")
      return TDesktopKind::Gnome;
    if (name == "X-CINNAMON" || name == "CINNAMON") return TDesktopKind::Cinnamon;
    if (name == "MATE") return TDesktopKind::Mate;
    if (name == "XFCE") return TDesktopKind::Xfce;
    if (name == "KDE") return TDesktopKind::Kde;
  }
  return TDesktopKind::Unknown;
}

std::string FileUri(const std::string& path) {
  static const char* hex = "0123456789ABCDEF";
  std::string out = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out.push_back(char(c));
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  return out;
}

std::vector<TCommand> WallpaperCommands(TDesktopKind desktop, const std::string& path, bool tiled,
                                        const std::string& xfceProperties) {
  const std::string uri = VariantString(FileUri(path));
  const std::string options = VariantString(tiled ? "wallpaper" : "centered");
  switch (desktop) {
    case TDesktopKind::Gnome:
      return {{{"gsettings", "set", "org.gnome.desktop.background", "picture-uri", uri}, false},
              // GNOME before 42 has no dark-style key.
              {{"gsettings", "set", "org.gnome.desktop.background", "picture-uri-dark", uri}, true},
              {{"gsettings", "set", "org.gnome.desktop.background", "picture-options", options}, false}};
    case TDesktopKind::Cinnamon:
      return {{{"gsettings", "set", "org.cinnamon.desktop.background", "picture-uri", uri}, false},
              {{"gsettings", "set", "org.cinnamon.desktop.background", "picture-options", options}, false}};
    case TDesktopKind::Mate:
      return {{{"gsettings", "set", "org.mate.background", "picture-filename", VariantString(path)}, false},
              {{"gsettings", "set", "org.mate.background", "picture-options", options}, false}};
    case TDesktopKind::Xfce: {
      // image-style: 1 centred, 2 tiled.
      const std::string style = tiled ? "2" : "1";
      std::vector<std::string> images;
      size_t pos = 0;
      while (pos < xfceProperties.size()) {
        size_t end = xfceProperties.find('\n', pos);
        if (end == std::string::npos) end = xfceProperties.size();
        std::string line = xfceProperties.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const std::string suffix = "/last-image";
        if (line.size() > suffix.size() && line[0] == '/' &&
            line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
          images.push_back(line);
      }
      std::vector<TCommand> commands;
      if (images.empty()) {
        const std::string prefix = "/backdrop/screen0/monitor0/workspace0/";
        commands.push_back({{"xfconf-query", "-c", "xfce4-desktop", "-p", prefix + "last-image", "-n", "-t",
                             "string", "-s", path},
                            false});
        commands.push_back({{"xfconf-query", "-c", "xfce4-desktop", "-p", prefix + "image-style", "-n", "-t",
                             "int", "-s", style},
                            false});
        return commands;
      }
      for (const std::string& image : images) {
        const std::string stylePath = image.substr(0, image.size() - 10) + "image-style";
        commands.push_back({{"xfconf-query", "-c", "xfce4-desktop", "-p", image, "-s", path}, false});
        commands.push_back(
            {{"xfconf-query", "-c", "xfce4-desktop", "-p", stylePath, "-n", "-t", "int", "-s", style}, false});
      }
      return commands;
    }
    case TDesktopKind::Kde:
      return {{{"plasma-apply-wallpaperimage", path}, false}};
    case TDesktopKind::Unknown:
      break;
  }
  return {};
}
