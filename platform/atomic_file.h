// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a whole file so that a failure never leaves a half-written file
// under the target name: the bytes go to a temporary file in the same folder,
// which is then renamed over the target. A target the user may not write is
// refused, not replaced.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_sink.h"

class TFileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The reason given for a target that is refused because it is read-only.
inline constexpr const char* kReadOnlyReason = "the file is read-only";

// Whether `path` is a file that exists and whose permission bits deny this
// user writing it (a missing file is not read-only).
bool ReadOnlyFile(const std::string& path);

// Creates a new, empty file in the folder of `path` under a short name of
// its own ending in `suffix`, whatever the length of the target's name, with
// the permissions an existing target has (a new file gets the usual 0644).
// Returns the open descriptor and sets `name`; -1 with errno set when the
// folder refuses the file.
int CreateTemporaryBeside(const std::string& path, std::string_view suffix, std::string& name);

// Throws TFileWriteError with the system's reason (or kReadOnlyReason) when
// the file cannot be written; the previous file (if any) is then unchanged.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// A file written piece by piece into a temporary file beside its target,
// which takes the target's place when it is committed. Until then the
// target is as it was; destroyed uncommitted, the temporary is removed.
// Offsets are 64-bit: the file may pass 4 GiB.
class TStreamedFile final : public TByteSink {
 public:
  // Throws TFileWriteError when the target is read-only or its folder
  // refuses the temporary.
  explicit TStreamedFile(const std::string& path);
  TStreamedFile(const TStreamedFile&) = delete;
  TStreamedFile& operator=(const TStreamedFile&) = delete;
  ~TStreamedFile() override;

  // Throw TFileWriteError with the system's reason (a full disk, a file
  // past the size the system allows); the file then cannot be committed.
  void Append(std::string_view bytes) override;
  void WriteAt(uint64_t offset, std::string_view bytes) override;
  // Makes the bytes durable and renames the temporary over the target;
  // throws TFileWriteError when either fails.
  void Commit();

  uint64_t Size() const { return End; }

 private:
  friend class TFileBatch;
  // Makes the bytes durable and closes the temporary.
  void Close();

  std::string Target, Temp;
  int Fd = -1;
  int Error = 0;  // the first failed write's errno
  uint64_t End = 0;
  bool Renamed = false;
};

// Several files that are replaced together or not at all: each is written
// into a temporary file beside its target, Commit renames them all over
// their targets. A failed write, or a batch destroyed before Commit, leaves
// every target as it was and no temporary behind.
class TFileBatch {
 public:
  TFileBatch() = default;
  TFileBatch(const TFileBatch&) = delete;
  TFileBatch& operator=(const TFileBatch&) = delete;

  // The file that will replace `path`, to be written before Commit; it
  // lives until Commit succeeds or the batch ends. Throws TFileWriteError
  // when the target is read-only or the temporary cannot be created.
  TStreamedFile& Open(const std::string& path);
  // Open(path), then the bytes appended.
  void Add(const std::string& path, std::string_view bytes);
  // Throws TFileWriteError when a file cannot be completed or a target
  // cannot be replaced; the targets are then all as they were before.
  void Commit();

 private:
  std::vector<std::unique_ptr<TStreamedFile>> Pending;
};
