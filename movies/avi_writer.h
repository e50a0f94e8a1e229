// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recording of one video clip with FFmpeg's libraries, free of windows. The
// libraries are loaded with the clip module (movies/clip_module.h) when the
// first clip is opened or the first encoder probed; a missing module makes
// every encoder unavailable and Open() fail with the module's problem.
//
// A caller goes through the steps of a movie start in order and, when one
// fails, shows its message and destroys (or Discard()s) the writer, which
// lets go of whatever was opened, newest first:
//
//   TAVIWriter avi;
//   avi.Open(path)                         // "Unable to create file ..."
//   avi.CreateStream(bufWidth, bufHeight, rate)  // "Unable to create stream in ..."
//   ... the user picks TCompressOptions (cancel: avi.Discard(), no message)
//   avi.MakeCompressedStream(options)      // "Unable to create compressed stream in ..."
//   avi.FreeOptions()                      // "Unable to free "Compress options" !"
//   avi.SetFormat()                        // "Unable to set format for compressed stream !"
//   for each still i: avi.WriteFrame(S * i, dib, 3 * bufWidth * bufHeight)  // 0 or an error
//   avi.Close();                           // the clip is complete, valid and under its name
//
// The clip is written under a temporary name in the folder of its file and
// takes the place of an earlier file of that name only in Close(). A movie
// that fails, at its start or at a frame, is discarded: the earlier file
// stays byte for byte as it was and the temporary file goes. A movie the
// user stops is closed like a finished one, into a valid clip of the frames
// written so far.
//
// Frames are 24-bit bottom-up DIB rows (blue, green, red) of the padded
// width and height. Every frame is a key frame; frame positions count frame
// times of the stream (rate frames a second, scale 1), and positions skipped
// between two frames stay empty, so a frame lasts until the next one. A frame
// that does not fit on the disk is refused before it reaches the file, so
// the clip always keeps the room its closing index needs.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The compressors the program offers.
enum class TCodec : int32_t { Raw = 0, MJpeg = 1, Mpeg4 = 2, FFV1 = 3, H264 = 4 };

// File types a clip can be written as, chosen by the file's extension.
enum class TContainer : int32_t { Avi = 0, Mp4 = 1, Mkv = 2 };

struct TCompressOptions {
  TCodec Codec = TCodec::MJpeg;
  int32_t Quality = 85;  // 1..100, for the codecs that have one
  bool operator==(const TCompressOptions&) const = default;
};

// The compressor choice of the last movie, kept for the whole run so that
// the compressor dialog offers it again.
TCompressOptions& RecordingOptions();

// ".avi", ".mp4" or ".mkv" (any case) at the end of path; false for others.
bool ContainerOfPath(const std::string& path, TContainer& container);
// The compressors whose encoder this FFmpeg build has and that the file type
// can hold, in the order of TCodec.
std::vector<TCodec> AvailableCodecs(TContainer container = TContainer::Avi);
bool CodecAvailable(TCodec codec, TContainer container = TContainer::Avi);
// "Full frames (uncompressed)", "Motion JPEG", ...
std::string CodecCaption(TCodec codec);
bool CodecHasQuality(TCodec codec);
// The command-line name: "raw", "mjpeg", "mpeg4", "ffv1", "h264".
std::string CodecName(TCodec codec);
bool CodecOfName(const std::string& name, TCodec& codec);
// What an MP4 clip is written with: H.264 when present, else MPEG-4 Part 2.
TCodec DefaultMp4Codec();

// What FFmpeg and its encoders say on stderr from now on: errors only, as a
// clip writer sets it, or with `quiet` nothing at all.
void LimitClipMessages(bool quiet);

class TAVIWriter {
 public:
  TAVIWriter();
  ~TAVIWriter();  // Discard()
  TAVIWriter(const TAVIWriter&) = delete;
  TAVIWriter& operator=(const TAVIWriter&) = delete;

  // Starts a clip that Close() puts at `path`; false when the folder refuses
  // its temporary file or `path` is a read-only file. The file type follows
  // the extension (AVI for any other).
  bool Open(const std::string& path);
  bool CreateStream(int32_t width, int32_t height, int32_t rate);
  bool MakeCompressedStream(const TCompressOptions& options);
  bool FreeOptions();
  // Writes the clip's header; frames can be written afterwards.
  bool SetFormat();

  // Encodes and writes one frame at the given position (positions must grow).
  // Returns 0, or a negative error code when it could not be written (a full
  // disk); the clip then holds the frames before it.
  int WriteFrame(int64_t position, const uint8_t* dib, int64_t length);
  int32_t FramesWritten() const;

  // Finishes the clip, releases everything and renames the clip over any
  // earlier file of its name. False when no clip was started (its header
  // not written) or it could not be finished or renamed; the earlier file
  // is then as it was.
  bool Close();
  // Releases everything and throws the clip away; an earlier file of its
  // name stays as it was.
  void Discard();

  // The file the clip is meant for.
  const std::string& Path() const;
  // The last error's text, for the batch renderer's messages.
  std::string LastError() const;

  // Frames are refused when fewer than this many bytes would stay free after
  // them (tests shrink it); the clip's closing index needs the room.
  static inline int64_t TrailerReserve = 64 * 1024;

 private:
  struct TState;
  std::unique_ptr<TState> S;
};
