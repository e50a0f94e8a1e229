// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw TFileWriteError("Cannot write \"" + path + "\": " + reason);
}

[[noreturn]] void Fail(const std::string& path, int error) { Fail(path, std::strerror(error)); }

bool InGroup(gid_t gid) {
  if (gid == getegid()) return true;
  const int count = getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  const int got = getgroups(count, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// Writes the bytes to a new temporary file beside `path` and returns its
// name.
std::string WriteTemporary(const std::string& path, std::string_view bytes) {
  if (ReadOnlyFile(path)) Fail(path, kReadOnlyReason);
  std::string temp;
  const int fd = CreateTemporaryBeside(path, ".tmp", temp);
  if (fd < 0) Fail(path, errno);
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

bool ReadOnlyFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  // The permission bits decide, not access(W_OK): the system lets root
  // write any file, so access() would pass every file for root. For root a
  // file with no write bit at all is read-only, as whoever cleared the bits
  // meant it; any other user is judged by the bit of the owner, the group
  // or the others, whichever the user belongs to.
  const uid_t uid = geteuid();
  if (uid == 0) return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  if (st.st_uid == uid) return (st.st_mode & S_IWUSR) == 0;
  if (InGroup(st.st_gid)) return (st.st_mode & S_IWGRP) == 0;
  return (st.st_mode & S_IWOTH) == 0;
}

int CreateTemporaryBeside(const std::string& path, std::string_view suffix, std::string& name) {
  const size_t slash = path.rfind('/');
  std::string pattern = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                        ".pelmorix-XXXXXX" + std::string(suffix);
  const int fd = mkostemps(pattern.data(), int(suffix.size()), O_CLOEXEC);
  if (fd < 0) return -1;
  name = pattern;
  struct stat st;
  const mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  fchmod(fd, mode);
  return fd;
}

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
