// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a whole file so that a failure never leaves a half-written file
// under the target name: the bytes go to a temporary file in the same folder,
// which is then renamed over the target. A target the user may not write is
// refused, not replaced.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// Several files that are replaced together or not at all: each Add writes a
// temporary file beside its target, Commit renames them all over their
// targets. A failed Add, or a batch destroyed before Commit, leaves every
// target as it was and no temporary behind.
class TFileBatch {
 public:
  TFileBatch() = default;
  TFileBatch(const TFileBatch&) = delete;
  TFileBatch& operator=(const TFileBatch&) = delete;
  ~TFileBatch();

  // Throws TFileWriteError when the temporary cannot be written or the
  // target is read-only.
  void Add(const std::string& path, std::string_view bytes);
  // Throws TFileWriteError when a target cannot be replaced; the targets
  // are then all as they were before.
  void Commit();

 private:
  struct TPending {
    std::string Path, Temp;
  };
  std::vector<TPending> Pending;
};
