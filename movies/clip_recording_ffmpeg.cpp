// SPDX-License-Identifier: GPL-3.0-or-later
// The clip module: TClipRecording over FFmpeg's muxers, encoders and scaler.
// It is linked against FFmpeg alone, and exports nothing but its entry.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "movies/clip_module.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace {

AVCodecID CodecId(TCodec codec) {
  switch (codec) {
    case TCodec::Raw: return AV_CODEC_ID_RAWVIDEO;
    case TCodec::MJpeg: return AV_CODEC_ID_MJPEG;
    case TCodec::Mpeg4: return AV_CODEC_ID_MPEG4;
    case TCodec::FFV1: return AV_CODEC_ID_FFV1;
    case TCodec::H264: return AV_CODEC_ID_H264;
  }
  return AV_CODEC_ID_NONE;
}

AVPixelFormat CodecPixelFormat(TCodec codec) {
  switch (codec) {
    case TCodec::Raw: return AV_PIX_FMT_BGR24;
    case TCodec::MJpeg: return AV_PIX_FMT_YUVJ420P;
    case TCodec::FFV1: return AV_PIX_FMT_BGR0;
    case TCodec::Mpeg4:
    case TCodec::H264: return AV_PIX_FMT_YUV420P;
  }
  return AV_PIX_FMT_NONE;
}

const char* MuxerOf(TContainer container) {
  switch (container) {
    case TContainer::Avi: break;
    case TContainer::Mp4: return "mp4";
    case TContainer::Mkv: return "matroska";
  }
  return "avi";
}

// Lossy quality 1..100 as the MPEG quantiser scale 31..1.
int QuantiserOf(int32_t quality) {
  quality = std::clamp(quality, 1, 100);
  return 1 + (100 - quality) * 30 / 99;
}

// An encoder context for the codec, configured for intra-only frames of the
// size and rate; the encoder's private settings go into opts.
AVCodecContext* NewEncoder(const TCompressOptions& options, int32_t width, int32_t height, int32_t rate,
                           bool globalHeader, AVDictionary** opts) {
  const AVCodec* codec = avcodec_find_encoder(CodecId(options.Codec));
  if (!codec) return nullptr;
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  if (!ctx) return nullptr;
  ctx->width = width;
  ctx->height = height;
  ctx->time_base = AVRational{1, rate};
  ctx->framerate = AVRational{rate, 1};
  ctx->pix_fmt = CodecPixelFormat(options.Codec);
  ctx->gop_size = 1;  // every frame a key frame
  ctx->max_b_frames = 0;
  ctx->thread_count = 1;
  if (globalHeader) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  switch (options.Codec) {
    case TCodec::MJpeg:
    case TCodec::Mpeg4:
      ctx->flags |= AV_CODEC_FLAG_QSCALE;
      ctx->global_quality = FF_QP2LAMBDA * QuantiserOf(options.Quality);
      break;
    case TCodec::H264: {
      const int crf = std::clamp(51 - std::clamp(options.Quality, 1, 100) * 51 / 100, 0, 51);
      av_dict_set_int(opts, "crf", crf, 0);
      av_dict_set(opts, "preset", "veryfast", 0);
      av_dict_set(opts, "tune", "zerolatency", 0);  // no frames held back
      break;
    }
    case TCodec::FFV1:
      av_dict_set(opts, "level", "1", 0);
      break;
    case TCodec::Raw:
      break;
  }
  return ctx;
}

// Whether this build can open the codec's encoder at all (some are listed
// but need hardware that is absent).
bool ProbeEncoder(TCodec codec) {
  static std::map<TCodec, bool> known;
  auto it = known.find(codec);
  if (it != known.end()) return it->second;
  // The answer is all a probe gives: what the encoder says while it opens
  // (libx264's notes, a refusal) is not for the user.
  const int level = av_log_get_level();
  av_log_set_level(AV_LOG_QUIET);
  AVDictionary* opts = nullptr;
  AVCodecContext* ctx = NewEncoder(TCompressOptions{codec, 75}, 64, 48, 15, false, &opts);
  const bool ok = ctx && avcodec_open2(ctx, ctx->codec, &opts) >= 0;
  av_dict_free(&opts);
  avcodec_free_context(&ctx);
  av_log_set_level(level);
  known[codec] = ok;
  return ok;
}

// What FFmpeg and its encoders say on stderr in a recording.
int ClipMessageLevel = AV_LOG_ERROR;

class TFFmpegRecording final : public TClipRecording {
 public:
  TFFmpegRecording() {
    // The libraries' notes (encoder statistics and the like) are not for the user.
    av_log_set_level(ClipMessageLevel);
  }
  ~TFFmpegRecording() override { End(false); }

  bool Open(const std::string& path, const std::string& temp, int fd, TContainer container,
            int64_t trailerReserve) override;
  bool CreateStream(int32_t width, int32_t height, int32_t rate) override;
  bool MakeCompressedStream(const TCompressOptions& options) override;
  bool FreeOptions() override;
  bool SetFormat() override;
  int WriteFrame(int64_t position, const uint8_t* dib, int64_t length) override;
  int32_t FramesWritten() const override { return Frames; }
  bool End(bool keep) override;
  std::string LastError() const override {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(LastErrorCode, text, sizeof text);
    return text;
  }

 private:
  std::string Path;
  std::string Temp;  // the file written until End(true) renames it to Path
  TContainer Container = TContainer::Avi;
  int Fd = -1;
  int64_t Pos = 0;        // where the next write of the muxer goes
  int64_t HighWater = 0;  // end of what the muxer wrote
  int64_t Reserved = 0;   // bytes of the file allocated ahead
  int IoError = 0;
  AVFormatContext* Format = nullptr;
  AVStream* Stream = nullptr;
  AVCodecContext* Encoder = nullptr;
  AVDictionary* EncoderOptions = nullptr;
  int32_t Width = 0, Height = 0, Rate = 0;
  // None for full frames, which go to the encoder as the DIB holds them.
  SwsContext* Scaler = nullptr;
  AVFrame* Frame = nullptr;
  AVPacket* Packet = nullptr;
  int64_t LastPosition = -1;
  int32_t Frames = 0;
  bool HeaderWritten = false;
  int LastErrorCode = 0;
  int64_t TrailerReserve = 0;

  static int WritePacket(void* opaque, uint8_t* buf, int size) {
    auto* s = static_cast<TFFmpegRecording*>(opaque);
    int done = 0;
    while (done < size) {
      const ssize_t n = pwrite(s->Fd, buf + done, size_t(size - done), s->Pos + done);
      if (n < 0) {
        if (errno == EINTR) continue;
        s->IoError = AVERROR(errno);
        return s->IoError;
      }
      done += int(n);
    }
    s->Pos += size;
    s->HighWater = std::max(s->HighWater, s->Pos);
    return size;
  }

  static int64_t Seek(void* opaque, int64_t offset, int whence) {
    auto* s = static_cast<TFFmpegRecording*>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
      case AVSEEK_SIZE: return s->HighWater;
      case SEEK_SET: s->Pos = offset; break;
      case SEEK_CUR: s->Pos += offset; break;
      case SEEK_END: s->Pos = s->HighWater + offset; break;
      default: return AVERROR(EINVAL);
    }
    return s->Pos;
  }

  // Makes sure the disk holds `bytes` more after what is written, plus the
  // room the clip's closing index needs; false when it does not. The room is
  // taken by writing zeros ahead (in steps of 4 MB when the disk has them), so
  // any refusal of the disk shows here, before the muxer counts the frame.
  bool Reserve(int64_t bytes) {
    const int64_t need = HighWater + bytes + TrailerReserve + 64 * int64_t(Frames + 1);
    if (need <= Reserved) return true;
    const int64_t ahead = std::max(need, Reserved + (int64_t(4) << 20));
    int rc = FillZeros(ahead);
    if (rc != 0 && ahead > need) rc = FillZeros(need);
    if (rc != 0) {
      LastErrorCode = AVERROR(rc);
      return false;
    }
    return true;
  }

  // Writes zeros from the reserved end up to `end`; 0 or the errno.
  int FillZeros(int64_t end) {
    static const std::vector<uint8_t> zeros(1 << 16);
    int64_t at = std::max(Reserved, HighWater);
    while (at < end) {
      const ssize_t n = pwrite(Fd, zeros.data(), size_t(std::min<int64_t>(end - at, int64_t(zeros.size()))), at);
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      at += n;
      Reserved = at;
    }
    return 0;
  }

  int WritePackets() {
    for (;;) {
      int rc = avcodec_receive_packet(Encoder, Packet);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return 0;
      if (rc < 0) return rc;
      Packet->stream_index = Stream->index;
      Packet->flags |= AV_PKT_FLAG_KEY;
      Packet->duration = 0;
      av_packet_rescale_ts(Packet, Encoder->time_base, Stream->time_base);
      if (!Reserve(Packet->size + 1024)) {
        av_packet_unref(Packet);
        return LastErrorCode;
      }
      rc = av_write_frame(Format, Packet);
      av_packet_unref(Packet);
      if (rc >= 0) {
        avio_flush(Format->pb);
        if (IoError) rc = IoError;
      }
      if (rc < 0) return rc;
    }
  }

  // The AVI muxer fills the positions skipped between two frames with empty
  // chunks, but only after its first chunk: a clip whose first frame stands
  // after position 0 starts with one empty chunk, which the muxer then pads
  // up to that frame.
  int WriteLeadingGap(int64_t position) {
    if (Container != TContainer::Avi || LastPosition >= 0 || position <= 0) return 0;
    AVPacket* empty = av_packet_alloc();
    if (!empty) return AVERROR(ENOMEM);
    empty->stream_index = Stream->index;
    empty->pts = empty->dts = 0;
    int rc = av_write_frame(Format, empty);
    av_packet_free(&empty);
    if (rc >= 0) {
      avio_flush(Format->pb);
      if (IoError) rc = IoError;
    }
    return rc;
  }
};

// Lets go of everything. With `keep`, a clip whose header was written is
// finished and renamed over Path; true when it was. Otherwise, or when that
// fails, the temporary file is removed.
bool TFFmpegRecording::End(bool keep) {
  bool kept = keep && HeaderWritten;
  if (kept) {
    if (LastErrorCode == 0 && avcodec_send_frame(Encoder, nullptr) >= 0) WritePackets();
    IoError = 0;
    const int rc = av_write_trailer(Format);
    avio_flush(Format->pb);
    if (rc < 0 || IoError) {
      LastErrorCode = rc < 0 ? rc : IoError;
      kept = false;
    }
  }
  HeaderWritten = false;
  if (Format) {
    if (Format->pb) {
      av_freep(&Format->pb->buffer);
      avio_context_free(&Format->pb);
    }
    avformat_free_context(Format);
    Format = nullptr;
    Stream = nullptr;
  }
  sws_freeContext(Scaler);
  Scaler = nullptr;
  av_frame_free(&Frame);
  av_packet_free(&Packet);
  avcodec_free_context(&Encoder);
  av_dict_free(&EncoderOptions);
  if (Fd >= 0) {
    // Space allocated ahead of the last write is given back, and the clip
    // is on the disk before it replaces the earlier file.
    if (kept && (ftruncate(Fd, HighWater) != 0 || fsync(Fd) != 0)) {
      LastErrorCode = AVERROR(errno);
      kept = false;
    }
    ::close(Fd);
    Fd = -1;
  }
  if (!Temp.empty()) {
    if (kept && rename(Temp.c_str(), Path.c_str()) != 0) {
      LastErrorCode = AVERROR(errno);
      kept = false;
    }
    if (!kept) unlink(Temp.c_str());
    Temp.clear();
  }
  Pos = HighWater = Reserved = 0;
  IoError = 0;
  LastPosition = -1;
  Width = Height = Rate = 0;
  return kept;
}

bool TFFmpegRecording::Open(const std::string& path, const std::string& temp, int fd, TContainer container,
                            int64_t trailerReserve) {
  End(false);
  Path = path;
  Temp = temp;
  Fd = fd;
  Container = container;
  TrailerReserve = trailerReserve;
  Frames = 0;
  LastErrorCode = 0;
  if (avformat_alloc_output_context2(&Format, nullptr, MuxerOf(Container), Temp.c_str()) < 0 || !Format) {
    End(false);
    return false;
  }
  constexpr int kBufferSize = 1 << 16;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
  Format->pb = buffer ? avio_alloc_context(buffer, kBufferSize, 1, this, nullptr, &WritePacket, &Seek) : nullptr;
  if (!Format->pb) {
    av_free(buffer);
    End(false);
    return false;
  }
  Format->flags |= AVFMT_FLAG_CUSTOM_IO;
  return true;
}

bool TFFmpegRecording::CreateStream(int32_t width, int32_t height, int32_t rate) {
  if (!Format || width <= 0 || height <= 0 || rate <= 0) return false;
  Stream = avformat_new_stream(Format, nullptr);
  if (!Stream) return false;
  Width = width;
  Height = height;
  Rate = rate;
  Stream->time_base = AVRational{1, rate};
  Stream->avg_frame_rate = AVRational{rate, 1};
  Stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  Stream->codecpar->width = width;
  Stream->codecpar->height = height;
  return true;
}

bool TFFmpegRecording::MakeCompressedStream(const TCompressOptions& options) {
  if (!Stream || Encoder) return false;
  const bool globalHeader = (Format->oformat->flags & AVFMT_GLOBALHEADER) != 0;
  Encoder = NewEncoder(options, Width, Height, Rate, globalHeader, &EncoderOptions);
  if (!Encoder) return false;
  if ((LastErrorCode = avcodec_open2(Encoder, Encoder->codec, &EncoderOptions)) < 0) return false;
  Frame = av_frame_alloc();
  Packet = av_packet_alloc();
  if (!Frame || !Packet) return false;
  Frame->format = Encoder->pix_fmt;
  Frame->width = Width;
  Frame->height = Height;
  if (options.Codec != TCodec::Raw) {
    // Full frames are handed to the encoder straight from the caller's buffer.
    if (av_frame_get_buffer(Frame, 0) < 0) return false;
    Scaler = sws_getContext(Width, Height, AV_PIX_FMT_BGR24, Width, Height, Encoder->pix_fmt, SWS_BICUBIC, nullptr,
                            nullptr, nullptr);
    if (!Scaler) return false;
  }
  return true;
}

bool TFFmpegRecording::FreeOptions() {
  // Settings the encoder did not take are left in the dictionary.
  const bool allTaken = av_dict_count(EncoderOptions) == 0;
  av_dict_free(&EncoderOptions);
  return allTaken;
}

bool TFFmpegRecording::SetFormat() {
  if (!Encoder || HeaderWritten) return false;
  if (avcodec_parameters_from_context(Stream->codecpar, Encoder) < 0) return false;
  if (Scaler == nullptr) {
    // Full frames keep the DIB's bottom-up rows; the marker makes the muxer
    // write a positive height and readers turn the rows.
    static const char kBottomUp[] = "BottomUp";
    AVCodecParameters* par = Stream->codecpar;
    par->extradata = static_cast<uint8_t*>(av_mallocz(sizeof kBottomUp + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) return false;
    std::memcpy(par->extradata, kBottomUp, sizeof kBottomUp);
    par->extradata_size = sizeof kBottomUp;
  }
  Stream->time_base = Encoder->time_base;
  if (!Reserve(0)) return false;
  const int rc = avformat_write_header(Format, nullptr);
  if (rc < 0 || IoError) {
    LastErrorCode = rc < 0 ? rc : IoError;
    return false;
  }
  HeaderWritten = true;
  return true;
}

int TFFmpegRecording::WriteFrame(int64_t position, const uint8_t* dib, int64_t length) {
  if (!HeaderWritten) return LastErrorCode = AVERROR(EINVAL);
  const int stride = (Width * 3 + 3) / 4 * 4;
  if (!dib || length < int64_t(stride) * Height || position <= LastPosition)
    return LastErrorCode = AVERROR(EINVAL);
  // The DIB's rows run bottom-up: start at its last row and step backwards.
  const uint8_t* top = dib + int64_t(stride) * (Height - 1);
  if (Scaler) {
    if (av_frame_make_writable(Frame) < 0) return LastErrorCode = AVERROR(ENOMEM);
    const uint8_t* src[4] = {top, nullptr, nullptr, nullptr};
    const int srcStride[4] = {-stride, 0, 0, 0};
    sws_scale(Scaler, src, srcStride, 0, Height, Frame->data, Frame->linesize);
  } else {
    // The encoder reads the caller's buffer through a reference it does not own.
    av_buffer_unref(&Frame->buf[0]);
    Frame->buf[0] = av_buffer_create(const_cast<uint8_t*>(dib), size_t(length), [](void*, uint8_t*) {}, nullptr,
                                     AV_BUFFER_FLAG_READONLY);
    if (!Frame->buf[0]) return LastErrorCode = AVERROR(ENOMEM);
    Frame->data[0] = const_cast<uint8_t*>(dib);
    Frame->linesize[0] = stride;
  }
  Frame->pts = position;
  Frame->key_frame = 1;
  Frame->pict_type = AV_PICTURE_TYPE_I;
  Frame->quality = Encoder->global_quality;
  int rc = WriteLeadingGap(position);
  if (rc >= 0) rc = avcodec_send_frame(Encoder, Frame);
  if (rc >= 0) rc = WritePackets();
  if (!Scaler) av_buffer_unref(&Frame->buf[0]);
  if (rc < 0) return LastErrorCode = rc;
  LastPosition = position;
  ++Frames;
  return 0;
}

class TFFmpegModule final : public TClipModule {
 public:
  bool EncoderOpens(TCodec codec) override { return ProbeEncoder(codec); }
  void LimitMessages(bool quiet) override {
    ClipMessageLevel = quiet ? AV_LOG_QUIET : AV_LOG_ERROR;
    av_log_set_level(ClipMessageLevel);
  }
  std::unique_ptr<TClipRecording> NewRecording() override { return std::make_unique<TFFmpegRecording>(); }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) TClipModule* PelmorixClipModule(const char* programVersion) {
  static TFFmpegModule module;
  return std::strcmp(programVersion, PX_VERSION) == 0 ? &module : nullptr;
}
