#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& path, int error) {
  throw TFileWriteError("Cannot write \"" + path + "\": " + std::strerror(error));
}

}  // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) Fail(path, errno);
  const std::string temp(name.data());
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      unlink(temp.c_str());
      Fail(path, error);
    }
    written += size_t(n);
  }
  // Keep the permissions an existing file had; new files get the usual 0644.
  struct stat st;
  const mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  fchmod(fd, mode);
  if (fsync(fd) != 0 || close(fd) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    Fail(path, error);
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    Fail(path, error);
  }
}
