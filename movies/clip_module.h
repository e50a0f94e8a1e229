// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The part of the clip writer that needs FFmpeg lives in a module of its own,
// "modules/pelmorix-clips.so" in the kit folder, loaded on first use: a program that
// writes no clip never loads FFmpeg's libraries. TAVIWriter and the encoder
// probes reach the module through these two interfaces.

#include <cstdint>
#include <memory>
#include <string>

#include "movies/avi_writer.h"

// One clip on its way, in the steps of TAVIWriter (see there).
class TClipRecording {
 public:
  virtual ~TClipRecording() = default;
  // Takes over `fd`, the open temporary file `temp`, which End(true)
  // renames to `path` and End(false) removes.
  virtual bool Open(const std::string& path, const std::string& temp, int fd, TContainer container,
                    int64_t trailerReserve) = 0;
  virtual bool CreateStream(int32_t width, int32_t height, int32_t rate) = 0;
  virtual bool MakeCompressedStream(const TCompressOptions& options) = 0;
  virtual bool FreeOptions() = 0;
  virtual bool SetFormat() = 0;
  virtual int WriteFrame(int64_t position, const uint8_t* dib, int64_t length) = 0;
  virtual int32_t FramesWritten() const = 0;
  // Close() with `keep`, Discard() without.
  virtual bool End(bool keep) = 0;
  virtual std::string LastError() const = 0;
};

class TClipModule {
 public:
  // Whether this FFmpeg build can open the codec's encoder.
  virtual bool EncoderOpens(TCodec codec) = 0;
  virtual void LimitMessages(bool quiet) = 0;
  virtual std::unique_ptr<TClipRecording> NewRecording() = 0;

 protected:
  ~TClipModule() = default;
};

inline constexpr const char* kClipModuleFile = "pelmorix-clips.so";
// The one symbol the module exports: extern "C" TClipModule*
// PelmorixClipModule(const char* programVersion), which answers nullptr to a
// program of another version than its own (whose interfaces may differ).
inline constexpr const char* kClipModuleEntry = "PelmorixClipModule";

// The module at `path`, loaded and kept for the rest of the run; nullptr
// with the reason in `problem` when it cannot be loaded or is no clip module.
TClipModule* LoadClipModule(const std::string& path, std::string& problem);

// The program's own module, loaded on the first call; nullptr when it
// cannot be, and then ClipModuleProblem() says why.
TClipModule* ClipModule();
// "the clip writer /usr/lib/pelmorix/modules/pelmorix-clips.so cannot be loaded
// (reason)", or empty when the module is there.
std::string ClipModuleProblem();
// Makes ClipModule() the module at `path` from now on (tests point it at a
// missing file); an empty path goes back to the program's own module.
void SetClipModuleFile(const std::string& path);
