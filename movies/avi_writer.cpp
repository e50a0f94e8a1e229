// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/avi_writer.h"

#include <cerrno>
#include <cstring>

#include "movies/clip_module.h"
#include "platform/atomic_file.h"
#include "platform/file_names.h"
#include "platform/translatable.h"

namespace {

// Each file type with its extension. A clip's temporary file keeps the
// extension too, so that it says what it is under any name.
struct TContainerNames {
  TContainer Container;
  const char* Extension;
};
constexpr TContainerNames kContainers[] = {
    {TContainer::Avi, ".avi"}, {TContainer::Mp4, ".mp4"}, {TContainer::Mkv, ".mkv"}};

const char* ExtensionOf(TContainer container) {
  for (const TContainerNames& names : kContainers)
    if (names.Container == container) return names.Extension;
  return kContainers[0].Extension;
}

bool ContainerHolds(TContainer container, TCodec codec) {
  switch (container) {
    case TContainer::Avi: return true;
    case TContainer::Mp4: return codec == TCodec::MJpeg || codec == TCodec::Mpeg4 || codec == TCodec::H264;
    case TContainer::Mkv: return codec != TCodec::Raw;
  }
  return false;
}

bool EncoderOpens(TCodec codec) {
  TClipModule* module = ClipModule();
  return module && module->EncoderOpens(codec);
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

void LimitClipMessages(bool quiet) {
  if (TClipModule* module = ClipModule()) module->LimitMessages(quiet);
}

// The recording lives from Open() to Close() or Discard(); what goes wrong
// before it exists (a read-only file, a folder that refuses the temporary
// file, a missing module) is kept as Problem.
struct TAVIWriter::TState {
  std::string Path;
  TContainer Container = TContainer::Avi;
  std::unique_ptr<TClipRecording> Recording;
  std::string Problem;
};

TAVIWriter::TAVIWriter() : S(std::make_unique<TState>()) {}

TAVIWriter::~TAVIWriter() { Discard(); }

const std::string& TAVIWriter::Path() const { return S->Path; }

int32_t TAVIWriter::FramesWritten() const { return S->Recording ? S->Recording->FramesWritten() : 0; }

std::string TAVIWriter::LastError() const {
  return S->Recording && S->Problem.empty() ? S->Recording->LastError() : S->Problem;
}

bool TAVIWriter::Open(const std::string& path) {
  Discard();
  S->Recording.reset();
  S->Path = path;
  S->Problem.clear();
  if (!ContainerOfPath(path, S->Container)) S->Container = TContainer::Avi;
  TClipModule* module = ClipModule();
  if (!module) {
    S->Problem = ClipModuleProblem();
    return false;
  }
  if (ReadOnlyFile(path)) {
    S->Problem = kReadOnlyReason;
    return false;
  }
  std::string temp;
  const int fd = CreateTemporaryBeside(path, ExtensionOf(S->Container), temp);
  if (fd < 0) {
    S->Problem = std::strerror(errno);
    return false;
  }
  S->Recording = module->NewRecording();
  return S->Recording->Open(path, temp, fd, S->Container, TrailerReserve);
}

bool TAVIWriter::CreateStream(int32_t width, int32_t height, int32_t rate) {
  return S->Recording && S->Recording->CreateStream(width, height, rate);
}

bool TAVIWriter::MakeCompressedStream(const TCompressOptions& options) {
  return S->Recording && ContainerHolds(S->Container, options.Codec) && S->Recording->MakeCompressedStream(options);
}

bool TAVIWriter::FreeOptions() { return S->Recording && S->Recording->FreeOptions(); }

bool TAVIWriter::SetFormat() { return S->Recording && S->Recording->SetFormat(); }

int TAVIWriter::WriteFrame(int64_t position, const uint8_t* dib, int64_t length) {
  return S->Recording ? S->Recording->WriteFrame(position, dib, length) : -EINVAL;
}

bool TAVIWriter::Close() { return S->Recording && S->Recording->End(true); }

void TAVIWriter::Discard() {
  if (S->Recording) S->Recording->End(false);
}
