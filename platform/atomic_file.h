#pragma once
// Writing a whole file so that a failure never leaves a half-written file
// under the target name: the bytes go to a temporary file in the same folder,
// which is then renamed over the target.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TFileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws TFileWriteError with the system's reason when the file cannot be
// written; the previous file (if any) is then unchanged.
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

  // Throws TFileWriteError when the temporary cannot be written.
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
