// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_stream.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <limits>

#include <jpeglib.h>
#include <png.h>

#include "engine/spot_picture.h"
#include "platform/atomic_file.h"

namespace {

// Runs a libpng or libjpeg call, which leaves by longjmp to `jump` on an
// error; false after such an error. Nothing with a destructor lives between
// here and the library, so the jump skips no clean-up.
template <class Call>
[[gnu::noinline]] bool Guarded(std::jmp_buf& jump, Call&& call) {
  if (setjmp(jump)) return false;
  call();
  return true;
}

// Appends to the sink from inside a library callback, where no exception
// may pass: a failure is kept for the caller to throw once the library has
// been left.
bool AppendKeepingFailure(TByteSink& sink, const void* data, size_t size, std::exception_ptr& failure) {
  try {
    sink.Append({static_cast<const char*>(data), size});
    return true;
  } catch (...) {
    failure = std::current_exception();
    return false;
  }
}

void RgbFromBgr(const uint8_t* bgr, int32_t width, std::vector<uint8_t>& rgb) {
  for (size_t x = 0; x < size_t(width); ++x) {
    rgb[x * 3] = bgr[x * 3 + 2];
    rgb[x * 3 + 1] = bgr[x * 3 + 1];
    rgb[x * 3 + 2] = bgr[x * 3];
  }
}

void PutLE(std::string& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(char((v >> (8 * k)) & 0xFF));
}

}  // namespace

struct TPngRowWriter::TState {
  TByteSink& Sink;
  int32_t Width, Height;
  int32_t Rows = 0;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  std::vector<uint8_t> Row;
  std::string Message;
  std::exception_ptr Failure;

  TState(TByteSink& sink, int32_t width, int32_t height) : Sink(sink), Width(width), Height(height) {}
  ~TState() { png_destroy_write_struct(&Png, &Info); }
  // Throws the failure of a libpng call that did not return.
  void Check(bool returned) {
    if (!returned && !Failure)
      Failure = std::make_exception_ptr(
          TFileWriteError("PNG encoding failed: " + (Message.empty() ? std::string("out of memory") : Message)));
    if (Failure) std::rethrow_exception(Failure);
  }
};

TPngRowWriter::TPngRowWriter(TByteSink& sink, int32_t width, int32_t height, const TImageText& text)
    : State(std::make_unique<TState>(sink, width, height)) {
  TState& s = *State;
  s.Row.resize(size_t(width > 0 ? width : 0) * 3);
  std::vector<png_text> chunks(text.size());
  for (size_t k = 0; k < text.size(); ++k) {
    chunks[k] = png_text{};
    chunks[k].compression = text[k].first == kPictureSpotKey ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
    chunks[k].key = const_cast<char*>(text[k].first.c_str());
    chunks[k].text = const_cast<char*>(text[k].second.c_str());
    chunks[k].text_length = text[k].second.size();
  }
  s.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  s.Info = s.Png ? png_create_info_struct(s.Png) : nullptr;
  if (!s.Info) s.Check(false);
  png_set_error_fn(
      s.Png, &s,
      [](png_structp p, png_const_charp message) {
        static_cast<TState*>(png_get_error_ptr(p))->Message = message;
        png_longjmp(p, 1);
      },
      nullptr);
  png_set_write_fn(
      s.Png, &s,
      [](png_structp p, png_bytep data, png_size_t size) {
        TState& s = *static_cast<TState*>(png_get_io_ptr(p));
        if (!AppendKeepingFailure(s.Sink, data, size, s.Failure)) png_error(p, "the file cannot be written");
      },
      nullptr);
  png_structp png = s.Png;
  png_infop info = s.Info;
  s.Check(Guarded(png_jmpbuf(png), [&] {
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!chunks.empty()) png_set_text(png, info, chunks.data(), int(chunks.size()));
    png_write_info(png, info);
  }));
}

TPngRowWriter::~TPngRowWriter() = default;

void TPngRowWriter::WriteRow(const uint8_t* bgr) {
  TState& s = *State;
  s.Check(true);
  if (s.Rows >= s.Height) return;
  RgbFromBgr(bgr, s.Width, s.Row);
  s.Check(Guarded(png_jmpbuf(s.Png), [&] { png_write_row(s.Png, s.Row.data()); }));
  ++s.Rows;
}

void TPngRowWriter::Finish() {
  TState& s = *State;
  s.Check(true);
  std::fill(s.Row.begin(), s.Row.end(), 0);
  s.Check(Guarded(png_jmpbuf(s.Png), [&] {
    for (; s.Rows < s.Height; ++s.Rows) png_write_row(s.Png, s.Row.data());
    png_write_end(s.Png, nullptr);
  }));
}

struct TJpegRowWriter::TState {
  jpeg_compress_struct Info{};
  jpeg_error_mgr Errors{};
  jpeg_destination_mgr Destination{};
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX] = "";
  TByteSink& Sink;
  int32_t Width, Height;
  std::vector<uint8_t> Row;
  std::vector<JOCTET> Buffer = std::vector<JOCTET>(65536);
  std::exception_ptr Failure;

  TState(TByteSink& sink, int32_t width, int32_t height) : Sink(sink), Width(width), Height(height) {}
  ~TState() { jpeg_destroy_compress(&Info); }

  void Check(bool returned) {
    if (!returned && !Failure)
      Failure = std::make_exception_ptr(TFileWriteError(std::string("JPEG encoding failed: ") + Message));
    if (Failure) std::rethrow_exception(Failure);
  }
  static TState& Of(j_common_ptr c) { return *static_cast<TState*>(c->client_data); }
  void RestartBuffer() {
    Destination.next_output_byte = Buffer.data();
    Destination.free_in_buffer = Buffer.size();
  }
  // Hands the first `size` bytes of the buffer to the sink; leaves libjpeg
  // when the sink fails.
  void Flush(size_t size) {
    if (!AppendKeepingFailure(Sink, Buffer.data(), size, Failure)) std::longjmp(Jump, 1);
    RestartBuffer();
  }
};

TJpegRowWriter::TJpegRowWriter(TByteSink& sink, int32_t width, int32_t height, int quality, bool progressive,
                               std::string_view spot) {
  if (width > kMaxJpegSide || height > kMaxJpegSide)
    throw TFileWriteError("a JPEG picture is at most " + std::to_string(kMaxJpegSide) + " x " +
                          std::to_string(kMaxJpegSide) + " pixels: write PNG or BMP");
  State.reset(new TState(sink, width, height));
  TState& s = *State;
  s.Row.resize(size_t(width > 0 ? width : 0) * 3);
  jpeg_compress_struct* cinfo = &s.Info;
  cinfo->err = jpeg_std_error(&s.Errors);
  s.Errors.error_exit = [](j_common_ptr c) {
    TState& s = TState::Of(c);
    (*c->err->format_message)(c, s.Message);
    std::longjmp(s.Jump, 1);
  };
  cinfo->client_data = &s;
  s.Destination.init_destination = [](j_compress_ptr c) { TState::Of(j_common_ptr(c)).RestartBuffer(); };
  s.Destination.empty_output_buffer = [](j_compress_ptr c) -> boolean {
    TState& s = TState::Of(j_common_ptr(c));
    s.Flush(s.Buffer.size());
    return TRUE;
  };
  s.Destination.term_destination = [](j_compress_ptr c) {
    TState& s = TState::Of(j_common_ptr(c));
    s.Flush(s.Buffer.size() - s.Destination.free_in_buffer);
  };
  const std::vector<std::string> segments = spot.empty() ? std::vector<std::string>() : SpotCommentSegments(spot);
  s.Check(Guarded(s.Jump, [&] {
    jpeg_create_compress(cinfo);
    cinfo->dest = &s.Destination;
    cinfo->image_width = JDIMENSION(width);
    cinfo->image_height = JDIMENSION(height);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality < 1 ? 1 : (quality > 100 ? 100 : quality), TRUE);
    if (progressive) jpeg_simple_progression(cinfo);
    jpeg_start_compress(cinfo, TRUE);
    for (const std::string& segment : segments)
      jpeg_write_marker(cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(segment.data()), unsigned(segment.size()));
  }));
}

TJpegRowWriter::~TJpegRowWriter() = default;

void TJpegRowWriter::WriteRow(const uint8_t* bgr) {
  TState& s = *State;
  s.Check(true);
  if (s.Info.next_scanline >= s.Info.image_height) return;
  RgbFromBgr(bgr, s.Width, s.Row);
  JSAMPROW rows[1] = {s.Row.data()};
  s.Check(Guarded(s.Jump, [&] { jpeg_write_scanlines(&s.Info, rows, 1); }));
}

void TJpegRowWriter::Finish() {
  TState& s = *State;
  s.Check(true);
  std::fill(s.Row.begin(), s.Row.end(), 0);
  JSAMPROW rows[1] = {s.Row.data()};
  s.Check(Guarded(s.Jump, [&] {
    while (s.Info.next_scanline < s.Info.image_height) jpeg_write_scanlines(&s.Info, rows, 1);
    jpeg_finish_compress(&s.Info);
  }));
}

TBitmapRowWriter::TBitmapRowWriter(TByteSink& sink, const TBitmapInfoHeader& header)
    : Sink(sink), Width(std::max(header.biWidth, 0)), Height(std::max(header.biHeight, 0)) {
  const uint64_t fileBytes = 54 + uint64_t(Width) * uint64_t(Height) * 3;
  if (fileBytes > std::numeric_limits<uint32_t>::max())
    throw TFileWriteError("a BMP file holds at most 4 GiB: write PNG or JPEG");
  std::string head;
  PutLE(head, 19778, 2);  // "BM"
  PutLE(head, uint32_t(fileBytes), 4);
  PutLE(head, 0, 2);
  PutLE(head, 0, 2);
  PutLE(head, 54, 4);
  head.append(reinterpret_cast<const char*>(&header), sizeof header);
  Sink.Append(head);
}

void TBitmapRowWriter::PutRow(const uint8_t* bgr) {
  const uint64_t stride = uint64_t(Width) * 3;
  Sink.WriteAt(54 + uint64_t(Height - 1 - Rows) * stride, {reinterpret_cast<const char*>(bgr), size_t(stride)});
  ++Rows;
}

void TBitmapRowWriter::WriteRow(const uint8_t* bgr) {
  if (Rows < Height) PutRow(bgr);
}

void TBitmapRowWriter::Finish() {
  const std::vector<uint8_t> black(size_t(Width) * 3);
  while (Rows < Height) PutRow(black.data());
}

void WriteBufferRows(TRowWriter& writer, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t rows) {
  const size_t stride = size_t(header.biWidth) * 3;
  for (int32_t y = 0; y < rows; ++y) writer.WriteRow(bits + size_t(header.biHeight - 1 - y) * stride);
}
