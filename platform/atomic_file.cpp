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

// Writes the bytes to a new temporary file beside `path`, with the
// permissions an existing target has (new files get the usual 0644), and
// returns its name.
std::string WriteTemporary(const std::string& path, std::string_view bytes) {
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
  struct stat st;
  const mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  fchmod(fd, mode);
  if (fsync(fd) != 0 || close(fd) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    Fail(path, error);
  }
  return temp;
}

void Replace(const std::string& temp, const std::string& path) {
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    Fail(path, error);
  }
}

}  // namespace

void WriteFileAtomic(const std::string& path, std::string_view bytes) { Replace(WriteTemporary(path, bytes), path); }

TFileBatch::~TFileBatch() {
  for (const TPending& p : Pending) unlink(p.Temp.c_str());
}

void TFileBatch::Add(const std::string& path, std::string_view bytes) {
  Pending.push_back({path, WriteTemporary(path, bytes)});
}

void TFileBatch::Commit() {
  // A target that exists is moved aside first, so that a later failure can
  // put every file back as it was.
  std::vector<std::string> backups;
  auto rollBack = [&] {
    for (size_t k = 0; k < backups.size(); ++k) {
      const std::string& path = Pending[k].Path;
      if (backups[k].empty())
        unlink(path.c_str());
      else
        rename(backups[k].c_str(), path.c_str());
    }
  };
  for (const TPending& p : Pending) {
    std::string backup;
    struct stat st;
    if (stat(p.Path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
      try {
        backup = WriteTemporary(p.Path, {});
      } catch (const TFileWriteError&) {
        rollBack();
        throw;
      }
      if (rename(p.Path.c_str(), backup.c_str()) != 0) {
        const int error = errno;
        unlink(backup.c_str());
        rollBack();
        Fail(p.Path, error);
      }
    }
    if (rename(p.Temp.c_str(), p.Path.c_str()) != 0) {
      const int error = errno;
      if (!backup.empty()) rename(backup.c_str(), p.Path.c_str());
      rollBack();
      Fail(p.Path, error);
    }
    backups.push_back(backup);
  }
  for (const std::string& b : backups)
    if (!b.empty()) unlink(b.c_str());
  Pending.clear();
}
