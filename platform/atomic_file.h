#pragma once
// Writing a whole file so that a failure never leaves a half-written file
// under the target name: the bytes go to a temporary file in the same folder,
// which is then renamed over the target.

#include <stdexcept>
#include <string>
#include <string_view>

class TFileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws TFileWriteError with the system's reason when the file cannot be
// written; the previous file (if any) is then unchanged.
void WriteFileAtomic(const std::string& path, std::string_view bytes);
