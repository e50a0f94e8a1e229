// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/spot_picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "platform/file_names.h"

namespace {

// Spot text per comment segment, leaving room for the "k/n" line in the
// 65533 bytes a segment holds.
constexpr size_t kSegmentPiece = 65000;
// The longest chunk before a PNG's pixels, and the longest text a chunk may
// decompress to (a longer one is skipped); a spot is a few kilobytes.
constexpr png_alloc_size_t kMaxTextChunk = png_alloc_size_t(8) << 20;

const std::string kSegmentPrefix = std::string(kPictureSpotKey) + " ";

enum class TPictureKind { None, Png, Jpeg };

TPictureKind KindOf(const unsigned char* head, size_t size) {
  static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size >= 8 && std::memcmp(head, png, 8) == 0) return TPictureKind::Png;
  if (size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return TPictureKind::Jpeg;
  return TPictureKind::None;
}

bool NamedAsPicture(const std::string& path) {
  return EndsWithNoCase(path, ".png") || EndsWithNoCase(path, ".jpg") || EndsWithNoCase(path, ".jpeg");
}

// The text the segments carrying a spot give, in the order they come; none
// when a segment is missing or out of place. Other comments are passed over.
std::optional<std::string> JoinedSegments(const std::vector<std::string>& comments) {
  std::string text;
  uint32_t next = 1, count = 0;
  for (const std::string& c : comments) {
    if (c.compare(0, kSegmentPrefix.size(), kSegmentPrefix) != 0) continue;
    const char* const end = c.data() + c.size();
    uint32_t k = 0, n = 0;
    const auto [slash, e1] = std::from_chars(c.data() + kSegmentPrefix.size(), end, k);
    if (e1 != std::errc() || slash == end || *slash != '/') return std::nullopt;
    const auto [eol, e2] = std::from_chars(slash + 1, end, n);
    if (e2 != std::errc() || eol == end || *eol != '\n') return std::nullopt;
    if (next == 1) count = n;
    if (k != next || n != count) return std::nullopt;
    text.append(eol + 1, end);
    if (next++ == count) return text;
  }
  return std::nullopt;
}

// libpng allocates and clears a chunk's whole length before it reads the
// chunk: the chunks before the pixels are measured first, each against what
// the file still holds and the largest text read. Leaves the file at its
// start.
bool ChunksFit(FILE* file, off_t size) {
  off_t at = 8;
  unsigned char head[8];
  while (at + 8 <= size && std::fseek(file, long(at), SEEK_SET) == 0 && std::fread(head, 1, 8, file) == 8) {
    if (std::memcmp(head + 4, "IDAT", 4) == 0) break;
    const uint32_t length = uint32_t(head[0]) << 24 | uint32_t(head[1]) << 16 | uint32_t(head[2]) << 8 | head[3];
    if (length > kMaxTextChunk || off_t(length) + 12 > size - at) return false;
    at += off_t(length) + 12;
  }
  std::rewind(file);
  return true;
}

// Every libpng call of the read, in a frame without C++ objects, since
// libpng leaves by longjmp on errors. False after such an error.
bool ReadPngText(png_structp png, png_infop info, png_textp* text, int* count) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  *count = png_get_text(png, info, text, nullptr);
  return true;
}

// The spot text a PNG holds among the chunks before its pixels; throws
// std::runtime_error when the file cannot be read that far.
std::optional<std::string> PngSpot(FILE* file, off_t size) {
  if (!ChunksFit(file, size))
    throw std::runtime_error("the PNG picture cannot be read (a chunk before the pixels is too long)");
  std::string failure;
  png_structp png = png_create_read_struct(
      PNG_LIBPNG_VER_STRING, &failure,
      [](png_structp p, png_const_charp message) {
        *static_cast<std::string*>(png_get_error_ptr(p)) = message;
        png_longjmp(p, 1);
      },
      [](png_structp, png_const_charp) {});
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::optional<std::string> spot;
  bool read = false;
  if (info) {
    png_init_io(png, file);
    png_set_chunk_malloc_max(png, kMaxTextChunk);
    png_textp text = nullptr;
    int count = 0;
    read = ReadPngText(png, info, &text, &count);
    for (int k = 0; read && k < count; ++k)
      if (std::strcmp(text[k].key, kPictureSpotKey) == 0) {
        const bool international = text[k].compression >= PNG_ITXT_COMPRESSION_NONE;
        spot.emplace(text[k].text, international ? text[k].itxt_length : text[k].text_length);
        break;
      }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!read)
    throw std::runtime_error("the PNG picture cannot be read (" + (failure.empty() ? "out of memory" : failure) + ")");
  return spot;
}

// Where libjpeg's errors of a read go: the message, then a longjmp out.
struct TJpegReadErrors {
  jpeg_error_mgr Manager;  // first: the library's pointer to it points to the whole
  std::jmp_buf Leave;
  char Message[JMSG_LENGTH_MAX] = "";
};

// Every libjpeg call of the read, in a frame without C++ objects, since the
// errors leave by longjmp. False after such an error.
bool ReadJpegHeader(jpeg_decompress_struct* cinfo, FILE* file, TJpegReadErrors* errors) {
  if (setjmp(errors->Leave)) return false;
  jpeg_create_decompress(cinfo);
  jpeg_stdio_src(cinfo, file);
  jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
  jpeg_read_header(cinfo, TRUE);
  return true;
}

// The spot text a JPEG holds in its comments before the first scan; throws
// std::runtime_error when the file cannot be read that far.
std::optional<std::string> JpegSpot(FILE* file) {
  jpeg_decompress_struct cinfo{};
  TJpegReadErrors errors;
  cinfo.err = jpeg_std_error(&errors.Manager);
  errors.Manager.error_exit = [](j_common_ptr c) {
    TJpegReadErrors* e = reinterpret_cast<TJpegReadErrors*>(c->err);
    (*c->err->format_message)(c, e->Message);
    std::longjmp(e->Leave, 1);
  };
  // Damaged data is passed over in silence, but a file that ends early
  // ends the read.
  errors.Manager.emit_message = [](j_common_ptr c, int level) {
    if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) c->err->error_exit(c);
  };
  const bool read = ReadJpegHeader(&cinfo, file, &errors);
  std::vector<std::string> comments;
  for (jpeg_saved_marker_ptr m = read ? cinfo.marker_list : nullptr; m; m = m->next)
    comments.emplace_back(reinterpret_cast<const char*>(m->data), m->data_length);
  jpeg_destroy_decompress(&cinfo);
  if (!read) throw std::runtime_error(std::string("the JPEG picture cannot be read (") + errors.Message + ")");
  return JoinedSegments(comments);
}

}  // namespace

std::vector<std::string> SpotCommentSegments(std::string_view text) {
  const size_t count = text.empty() ? 1 : (text.size() + kSegmentPiece - 1) / kSegmentPiece;
  std::vector<std::string> segments;
  for (size_t k = 0; k < count; ++k)
    segments.push_back(kSegmentPrefix + std::to_string(k + 1) + "/" + std::to_string(count) + "\n" +
                       std::string(text.substr(k * kSegmentPiece, kSegmentPiece)));
  return segments;
}

TProfileFile OpenSpotFile(const std::string& path) {
  // Opened as the spot file reader opens files, so that a FIFO cannot hang;
  // what cannot be opened or is no regular file that reader reports.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return TProfileFile(path);
  struct stat st;
  unsigned char head[8];
  const ssize_t got = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? pread(fd, head, sizeof head, 0) : -1;
  const TPictureKind kind = got < 0 ? TPictureKind::None : KindOf(head, size_t(got));
  if (kind == TPictureKind::None) {
    close(fd);
    if (got >= 0 && NamedAsPicture(path)) return TProfileFile(path, {}, "it is not a PNG or JPEG picture");
    return TProfileFile(path);
  }
  const std::unique_ptr<FILE, int (*)(FILE*)> file(fdopen(fd, "rb"), std::fclose);
  if (!file) {
    const std::string error = std::strerror(errno);
    close(fd);
    return TProfileFile(path, {}, error);
  }
  try {
    const std::optional<std::string> text =
        kind == TPictureKind::Png ? PngSpot(file.get(), st.st_size) : JpegSpot(file.get());
    if (!text) return TProfileFile(path, {}, "the picture holds no Pelmorix spot");
    return TProfileFile(path, *text);
  } catch (const std::exception& e) {
    return TProfileFile(path, {}, e.what());
  }
}
