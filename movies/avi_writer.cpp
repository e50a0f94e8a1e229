// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/avi_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "platform/translatable.h"

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

// Each file type with its extension and FFmpeg's muxer. A clip's temporary
// file keeps the extension too, so that it says what it is under any name.
struct TContainerNames {
  TContainer Container;
  const char* Extension;
  const char* Muxer;
};
constexpr TContainerNames kContainers[] = {
    {TContainer::Avi, ".avi", "avi"}, {TContainer::Mp4, ".mp4", "mp4"}, {TContainer::Mkv, ".mkv", "matroska"}};

const TContainerNames& NamesOf(TContainer container) {
  for (const TContainerNames& names : kContainers)
    if (names.Container == container) return names;
  return kContainers[0];
}

// The error of a clip refused because its file is read-only.
constexpr int kReadOnlyTarget = FFERRTAG('R', 'D', 'O', 'N');

bool ContainerHolds(TContainer container, TCodec codec) {
  switch (container) {
    case TContainer::Avi: return true;
    case TContainer::Mp4: return codec == TCodec::MJpeg || codec == TCodec::Mpeg4 || codec == TCodec::H264;
    case TContainer::Mkv: return codec != TCodec::Raw;
  }
  return false;
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
bool EncoderOpens(TCodec codec) {
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

constexpr TCodec kAllCodecs[] = {TCodec::Raw, TCodec::MJpeg, TCodec::Mpeg4, TCodec::FFV1, TCodec::H264};

}  // namespace

TCompressOptions& RecordingOptions() {
  static TCompressOptions options;
  return options;
}

bool ContainerOfPath(const std::string& path, TContainer& container) {
  for (const TContainerNames& names : kContainers)
    if (EndsWithNoCase(path, names.Extension)) {
      container = names.Container;
      return true;
    }
  return false;
}

bool CodecAvailable(TCodec codec, TContainer container) {
  return ContainerHolds(container, codec) && EncoderOpens(codec);
}

std::vector<TCodec> AvailableCodecs(TContainer container) {
  std::vector<TCodec> out;
  for (TCodec c : kAllCodecs)
    if (CodecAvailable(c, container)) out.push_back(c);
  return out;
}

std::string CodecCaption(TCodec codec) {
  switch (codec) {
    case TCodec::Raw: return QT_TRANSLATE_NOOP("TCompressorForm", "Full frames (uncompressed)");
    case TCodec::MJpeg: return QT_TRANSLATE_NOOP("TCompressorForm", "Motion JPEG");
    case TCodec::Mpeg4: return QT_TRANSLATE_NOOP("TCompressorForm", "MPEG-4 Part 2");
    case TCodec::FFV1: return QT_TRANSLATE_NOOP("TCompressorForm", "FFV1 (lossless)");
    case TCodec::H264: return QT_TRANSLATE_NOOP("TCompressorForm", "H.264");
  }
  return "";
}

bool CodecHasQuality(TCodec codec) {
  return codec == TCodec::MJpeg || codec == TCodec::Mpeg4 || codec == TCodec::H264;
}

std::string CodecName(TCodec codec) {
  switch (codec) {
    case TCodec::Raw: return "raw";
    case TCodec::MJpeg: return "mjpeg";
    case TCodec::Mpeg4: return "mpeg4";
    case TCodec::FFV1: return "ffv1";
    case TCodec::H264: return "h264";
  }
  return "";
}

bool CodecOfName(const std::string& name, TCodec& codec) {
  for (TCodec c : kAllCodecs)
    if (CodecName(c) == name) {
      codec = c;
      return true;
    }
  return false;
}

TCodec DefaultMp4Codec() { return EncoderOpens(TCodec::H264) ? TCodec::H264 : TCodec::Mpeg4; }

struct TAVIWriter::TState {
  std::string Path;
  std::string Temp;  // the file written until Close() renames it to Path
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
  SwsContext* Scaler = nullptr;
  AVFrame* Frame = nullptr;
  AVPacket* Packet = nullptr;
  int32_t Width = 0, Height = 0, Rate = 0;
  int64_t LastPosition = -1;
  int32_t Frames = 0;
  bool HeaderWritten = false;
  int LastError = 0;

  static int WritePacket(void* opaque, uint8_t* buf, int size) {
    auto* s = static_cast<TState*>(opaque);
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
    auto* s = static_cast<TState*>(opaque);
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
      LastError = AVERROR(rc);
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
        return LastError;
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

  // Lets go of everything. With `keep`, a clip whose header was written is
  // finished and renamed over Path; true when it was. Otherwise, or when
  // that fails, the temporary file is removed.
  bool End(bool keep) {
    bool kept = keep && HeaderWritten;
    if (kept) {
      if (LastError == 0 && avcodec_send_frame(Encoder, nullptr) >= 0) WritePackets();
      IoError = 0;
      const int rc = av_write_trailer(Format);
      avio_flush(Format->pb);
      if (rc < 0 || IoError) {
        LastError = rc < 0 ? rc : IoError;
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
        LastError = AVERROR(errno);
        kept = false;
      }
      ::close(Fd);
      Fd = -1;
    }
    if (!Temp.empty()) {
      if (kept && rename(Temp.c_str(), Path.c_str()) != 0) {
        LastError = AVERROR(errno);
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
};

namespace {

int ClipMessageLevel = AV_LOG_ERROR;

}  // namespace

void LimitClipMessages(bool quiet) {
  ClipMessageLevel = quiet ? AV_LOG_QUIET : AV_LOG_ERROR;
  av_log_set_level(ClipMessageLevel);
}

TAVIWriter::TAVIWriter() : S(std::make_unique<TState>()) {
  // The libraries' notes (encoder statistics and the like) are not for the user.
  av_log_set_level(ClipMessageLevel);
}

TAVIWriter::~TAVIWriter() { Discard(); }

const std::string& TAVIWriter::Path() const { return S->Path; }

int32_t TAVIWriter::FramesWritten() const { return S->Frames; }

std::string TAVIWriter::LastError() const {
  if (S->LastError == kReadOnlyTarget) return kReadOnlyReason;
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(S->LastError, text, sizeof text);
  return text;
}

bool TAVIWriter::Open(const std::string& path) {
  Discard();
  S->Path = path;
  S->Frames = 0;
  S->LastError = 0;
  if (!ContainerOfPath(path, S->Container)) S->Container = TContainer::Avi;
  if (ReadOnlyFile(path)) {
    S->LastError = kReadOnlyTarget;
    return false;
  }
  S->Fd = CreateTemporaryBeside(path, NamesOf(S->Container).Extension, S->Temp);
  if (S->Fd < 0) {
    S->LastError = AVERROR(errno);
    return false;
  }
  if (avformat_alloc_output_context2(&S->Format, nullptr, NamesOf(S->Container).Muxer, S->Temp.c_str()) < 0 ||
      !S->Format) {
    Discard();
    return false;
  }
  constexpr int kBufferSize = 1 << 16;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
  S->Format->pb =
      buffer ? avio_alloc_context(buffer, kBufferSize, 1, S.get(), nullptr, &TState::WritePacket, &TState::Seek)
             : nullptr;
  if (!S->Format->pb) {
    av_free(buffer);
    Discard();
    return false;
  }
  S->Format->flags |= AVFMT_FLAG_CUSTOM_IO;
  return true;
}

bool TAVIWriter::CreateStream(int32_t width, int32_t height, int32_t rate) {
  if (!S->Format || width <= 0 || height <= 0 || rate <= 0) return false;
  S->Stream = avformat_new_stream(S->Format, nullptr);
  if (!S->Stream) return false;
  S->Width = width;
  S->Height = height;
  S->Rate = rate;
  S->Stream->time_base = AVRational{1, rate};
  S->Stream->avg_frame_rate = AVRational{rate, 1};
  S->Stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  S->Stream->codecpar->width = width;
  S->Stream->codecpar->height = height;
  return true;
}

bool TAVIWriter::MakeCompressedStream(const TCompressOptions& options) {
  if (!S->Stream || S->Encoder) return false;
  if (!ContainerHolds(S->Container, options.Codec)) return false;
  const bool globalHeader = (S->Format->oformat->flags & AVFMT_GLOBALHEADER) != 0;
  S->Encoder = NewEncoder(options, S->Width, S->Height, S->Rate, globalHeader, &S->EncoderOptions);
  if (!S->Encoder) return false;
  if ((S->LastError = avcodec_open2(S->Encoder, S->Encoder->codec, &S->EncoderOptions)) < 0) return false;
  S->Frame = av_frame_alloc();
  S->Packet = av_packet_alloc();
  if (!S->Frame || !S->Packet) return false;
  S->Frame->format = S->Encoder->pix_fmt;
  S->Frame->width = S->Width;
  S->Frame->height = S->Height;
  if (options.Codec != TCodec::Raw) {
    // Full frames are handed to the encoder straight from the caller's buffer.
    if (av_frame_get_buffer(S->Frame, 0) < 0) return false;
    S->Scaler = sws_getContext(S->Width, S->Height, AV_PIX_FMT_BGR24, S->Width, S->Height, S->Encoder->pix_fmt,
                               SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!S->Scaler) return false;
  }
  return true;
}

bool TAVIWriter::FreeOptions() {
  // Settings the encoder did not take are left in the dictionary.
  const bool allTaken = av_dict_count(S->EncoderOptions) == 0;
  av_dict_free(&S->EncoderOptions);
  return allTaken;
}

bool TAVIWriter::SetFormat() {
  if (!S->Encoder || S->HeaderWritten) return false;
  if (avcodec_parameters_from_context(S->Stream->codecpar, S->Encoder) < 0) return false;
  if (S->Scaler == nullptr) {
    // Full frames keep the DIB's bottom-up rows; the marker makes the muxer
    // write a positive height and readers turn the rows.
    static const char kBottomUp[] = "BottomUp";
    AVCodecParameters* par = S->Stream->codecpar;
    par->extradata = static_cast<uint8_t*>(av_mallocz(sizeof kBottomUp + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) return false;
    std::memcpy(par->extradata, kBottomUp, sizeof kBottomUp);
    par->extradata_size = sizeof kBottomUp;
  }
  S->Stream->time_base = S->Encoder->time_base;
  if (!S->Reserve(0)) return false;
  const int rc = avformat_write_header(S->Format, nullptr);
  if (rc < 0 || S->IoError) {
    S->LastError = rc < 0 ? rc : S->IoError;
    return false;
  }
  S->HeaderWritten = true;
  return true;
}

int TAVIWriter::WriteFrame(int64_t position, const uint8_t* dib, int64_t length) {
  if (!S->HeaderWritten) return S->LastError = AVERROR(EINVAL);
  const int stride = (S->Width * 3 + 3) / 4 * 4;
  if (!dib || length < int64_t(stride) * S->Height || position <= S->LastPosition)
    return S->LastError = AVERROR(EINVAL);
  // The DIB's rows run bottom-up: start at its last row and step backwards.
  const uint8_t* top = dib + int64_t(stride) * (S->Height - 1);
  if (S->Scaler) {
    if (av_frame_make_writable(S->Frame) < 0) return S->LastError = AVERROR(ENOMEM);
    const uint8_t* src[4] = {top, nullptr, nullptr, nullptr};
    const int srcStride[4] = {-stride, 0, 0, 0};
    sws_scale(S->Scaler, src, srcStride, 0, S->Height, S->Frame->data, S->Frame->linesize);
  } else {
    // The encoder reads the caller's buffer through a reference it does not own.
    av_buffer_unref(&S->Frame->buf[0]);
    S->Frame->buf[0] = av_buffer_create(const_cast<uint8_t*>(dib), size_t(length), [](void*, uint8_t*) {}, nullptr,
                                        AV_BUFFER_FLAG_READONLY);
    if (!S->Frame->buf[0]) return S->LastError = AVERROR(ENOMEM);
    S->Frame->data[0] = const_cast<uint8_t*>(dib);
    S->Frame->linesize[0] = stride;
  }
  S->Frame->pts = position;
  S->Frame->key_frame = 1;
  S->Frame->pict_type = AV_PICTURE_TYPE_I;
  S->Frame->quality = S->Encoder->global_quality;
  int rc = S->WriteLeadingGap(position);
  if (rc >= 0) rc = avcodec_send_frame(S->Encoder, S->Frame);
  if (rc >= 0) rc = S->WritePackets();
  if (!S->Scaler) av_buffer_unref(&S->Frame->buf[0]);
  if (rc < 0) return S->LastError = rc;
  S->LastPosition = position;
  ++S->Frames;
  return 0;
}

bool TAVIWriter::Close() { return S->End(true); }

void TAVIWriter::Discard() { S->End(false); }
