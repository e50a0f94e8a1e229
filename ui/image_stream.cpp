// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/image_stream.h"

#include <algorithm>
#include <csetjmp>
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

// Throws the kept failure, or, after a library call that did not return,
// the library's message.
void CheckCall(bool returned, std::exception_ptr& failure, const char* format, const std::string& message) {
  if (!returned && !failure) failure = std::make_exception_ptr(TFileWriteError(std::string(format) + message));
  if (failure) std::rethrow_exception(failure);
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

class TPngWriter final : public TRowWriter {
 public:
  TPngWriter(TByteSink& sink, int32_t width, int32_t height)
      : Sink(sink), Width(width), Height(height), Row(size_t(std::max(width, 0)) * 3) {}
  ~TPngWriter() override { png_destroy_write_struct(&Png, &Info); }

  void Start(const TImageText& text) {
    std::vector<png_text> chunks(text.size());
    for (size_t k = 0; k < text.size(); ++k) {
      chunks[k] = png_text{};
      chunks[k].compression = text[k].first == kPictureSpotKey ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
      chunks[k].key = const_cast<char*>(text[k].first.c_str());
      chunks[k].text = const_cast<char*>(text[k].second.c_str());
      chunks[k].text_length = text[k].second.size();
    }
    Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    Info = Png ? png_create_info_struct(Png) : nullptr;
    if (!Info) Check(false);
    png_set_error_fn(
        Png, this,
        [](png_structp p, png_const_charp message) {
          static_cast<TPngWriter*>(png_get_error_ptr(p))->Message = message;
          png_longjmp(p, 1);
        },
        nullptr);
    png_set_write_fn(
        Png, this,
        [](png_structp p, png_bytep data, png_size_t size) {
          TPngWriter& w = *static_cast<TPngWriter*>(png_get_io_ptr(p));
          if (!AppendKeepingFailure(w.Sink, data, size, w.Failure)) png_error(p, "the file cannot be written");
        },
        nullptr);
    Check(Guarded(png_jmpbuf(Png), [&] {
      png_set_IHDR(Png, Info, png_uint_32(Width), png_uint_32(Height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                   PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      if (!chunks.empty()) png_set_text(Png, Info, chunks.data(), int(chunks.size()));
      png_write_info(Png, Info);
    }));
  }

  void WriteRow(const uint8_t* bgr) override {
    Check(true);
    if (Rows >= Height) return;
    RgbFromBgr(bgr, Width, Row);
    Check(Guarded(png_jmpbuf(Png), [&] { png_write_row(Png, Row.data()); }));
    ++Rows;
  }

  void Finish() override {
    Check(true);
    std::fill(Row.begin(), Row.end(), 0);
    Check(Guarded(png_jmpbuf(Png), [&] {
      for (; Rows < Height; ++Rows) png_write_row(Png, Row.data());
      png_write_end(Png, nullptr);
    }));
  }

 private:
  void Check(bool returned) {
    CheckCall(returned, Failure, "PNG encoding failed: ", Message.empty() ? std::string("out of memory") : Message);
  }

  TByteSink& Sink;
  int32_t Width, Height;
  int32_t Rows = 0;
  std::vector<uint8_t> Row;
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  std::string Message;
  std::exception_ptr Failure;
};

class TJpegWriter final : public TRowWriter {
 public:
  TJpegWriter(TByteSink& sink, int32_t width)
      : Sink(sink), Width(width), Row(size_t(std::max(width, 0)) * 3), Buffer(65536) {}
  ~TJpegWriter() override { jpeg_destroy_compress(&Compress); }

  void Start(int32_t height, int quality, bool progressive, std::string_view spot) {
    jpeg_compress_struct* cinfo = &Compress;
    cinfo->err = jpeg_std_error(&Errors);
    Errors.error_exit = [](j_common_ptr c) {
      TJpegWriter& w = Of(c);
      (*c->err->format_message)(c, w.Message);
      std::longjmp(w.Jump, 1);
    };
    cinfo->client_data = this;
    Destination.init_destination = [](j_compress_ptr c) { Of(j_common_ptr(c)).RestartBuffer(); };
    Destination.empty_output_buffer = [](j_compress_ptr c) -> boolean {
      TJpegWriter& w = Of(j_common_ptr(c));
      w.Flush(w.Buffer.size());
      return TRUE;
    };
    Destination.term_destination = [](j_compress_ptr c) {
      TJpegWriter& w = Of(j_common_ptr(c));
      w.Flush(w.Buffer.size() - w.Destination.free_in_buffer);
    };
    const std::vector<std::string> segments = spot.empty() ? std::vector<std::string>() : SpotCommentSegments(spot);
    Check(Guarded(Jump, [&] {
      jpeg_create_compress(cinfo);
      cinfo->dest = &Destination;
      cinfo->image_width = JDIMENSION(Width);
      cinfo->image_height = JDIMENSION(height);
      cinfo->input_components = 3;
      cinfo->in_color_space = JCS_RGB;
      jpeg_set_defaults(cinfo);
      jpeg_set_quality(cinfo, std::clamp(quality, 1, 100), TRUE);
      if (progressive) jpeg_simple_progression(cinfo);
      jpeg_start_compress(cinfo, TRUE);
      for (const std::string& segment : segments)
        jpeg_write_marker(cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(segment.data()), unsigned(segment.size()));
    }));
  }

  void WriteRow(const uint8_t* bgr) override {
    Check(true);
    if (Compress.next_scanline >= Compress.image_height) return;
    RgbFromBgr(bgr, Width, Row);
    JSAMPROW rows[1] = {Row.data()};
    Check(Guarded(Jump, [&] { jpeg_write_scanlines(&Compress, rows, 1); }));
  }

  void Finish() override {
    Check(true);
    std::fill(Row.begin(), Row.end(), 0);
    JSAMPROW rows[1] = {Row.data()};
    Check(Guarded(Jump, [&] {
      while (Compress.next_scanline < Compress.image_height) jpeg_write_scanlines(&Compress, rows, 1);
      jpeg_finish_compress(&Compress);
    }));
  }

 private:
  static TJpegWriter& Of(j_common_ptr c) { return *static_cast<TJpegWriter*>(c->client_data); }
  void Check(bool returned) { CheckCall(returned, Failure, "JPEG encoding failed: ", Message); }
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

  TByteSink& Sink;
  int32_t Width;
  std::vector<uint8_t> Row;
  std::vector<JOCTET> Buffer;
  jpeg_compress_struct Compress{};
  jpeg_error_mgr Errors{};
  jpeg_destination_mgr Destination{};
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX] = "";
  std::exception_ptr Failure;
};

class TBitmapWriter final : public TRowWriter {
 public:
  TBitmapWriter(TByteSink& sink, int32_t width, int32_t height) : Sink(sink), Width(width), Height(height) {}

  void WriteRow(const uint8_t* bgr) override {
    if (Rows < Height) PutRow(bgr);
  }

  void Finish() override {
    const std::vector<uint8_t> black(size_t(Width) * 3);
    while (Rows < Height) PutRow(black.data());
  }

 private:
  void PutRow(const uint8_t* bgr) {
    const uint64_t stride = uint64_t(Width) * 3;
    Sink.WriteAt(54 + uint64_t(Height - 1 - Rows) * stride, {reinterpret_cast<const char*>(bgr), size_t(stride)});
    ++Rows;
  }

  TByteSink& Sink;
  int32_t Width, Height;
  int32_t Rows = 0;
};

}  // namespace

std::unique_ptr<TRowWriter> NewPngWriter(TByteSink& sink, int32_t width, int32_t height, const TImageText& text) {
  auto writer = std::make_unique<TPngWriter>(sink, width, height);
  writer->Start(text);
  return writer;
}

std::string JpegSizeProblem(int32_t width, int32_t height) {
  if (width <= kMaxJpegSide && height <= kMaxJpegSide) return {};
  return "a JPEG picture is at most " + std::to_string(kMaxJpegSide) + " x " + std::to_string(kMaxJpegSide) +
         " pixels: write PNG or BMP";
}

std::unique_ptr<TRowWriter> NewJpegWriter(TByteSink& sink, int32_t width, int32_t height, int quality, bool progressive,
                                          std::string_view spot) {
  if (const std::string problem = JpegSizeProblem(width, height); !problem.empty()) throw TFileWriteError(problem);
  auto writer = std::make_unique<TJpegWriter>(sink, width);
  writer->Start(height, quality, progressive, spot);
  return writer;
}

std::unique_ptr<TRowWriter> NewBitmapWriter(TByteSink& sink, const TBitmapInfoHeader& header) {
  const int32_t width = std::max(header.biWidth, 0), height = std::max(header.biHeight, 0);
  const uint64_t fileBytes = 54 + uint64_t(width) * uint64_t(height) * 3;
  if (fileBytes > std::numeric_limits<uint32_t>::max())
    throw TFileWriteError("a BMP file holds at most 4 GiB: write PNG or JPEG");
  std::string head;
  PutLE(head, 19778, 2);  // "BM"
  PutLE(head, uint32_t(fileBytes), 4);
  PutLE(head, 0, 2);
  PutLE(head, 0, 2);
  PutLE(head, 54, 4);
  head.append(reinterpret_cast<const char*>(&header), sizeof header);
  sink.Append(head);
  return std::make_unique<TBitmapWriter>(sink, width, height);
}

void WriteBufferRows(TRowWriter& writer, const TBitmapInfoHeader& header, const uint8_t* bits, int32_t rows) {
  const size_t stride = size_t(header.biWidth) * 3;
  for (int32_t y = 0; y < rows; ++y) writer.WriteRow(bits + size_t(header.biHeight - 1 - y) * stride);
}
