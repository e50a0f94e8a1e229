// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

static_assert(sizeof(off_t) == 8, "files past 2 GiB need 64-bit offsets");

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

// A new, empty temporary file beside `path`, to hold a target while it is
// being replaced.
std::string EmptyTemporary(const std::string& path) {
  if (ReadOnlyFile(path)) Fail(path, kReadOnlyReason);
  std::string temp;
  const int fd = CreateTemporaryBeside(path, ".tmp", temp);
  if (fd < 0 || close(fd) != 0) Fail(path, errno);
  return temp;
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

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  TStreamedFile file(path);
  file.Append(bytes);
  file.Commit();
}

TStreamedFile::TStreamedFile(const std::string& path) : Target(path) {
  if (ReadOnlyFile(path)) Fail(path, kReadOnlyReason);
  Fd = CreateTemporaryBeside(path, ".tmp", Temp);
  if (Fd < 0) Fail(path, errno);
}

TStreamedFile::~TStreamedFile() {
  if (Fd >= 0) close(Fd);
  if (!Renamed) unlink(Temp.c_str());
}

void TStreamedFile::Append(std::string_view bytes) { WriteAt(End, bytes); }

void TStreamedFile::WriteAt(uint64_t offset, std::string_view bytes) {
  if (Error != 0) Fail(Target, Error);
  if (offset > uint64_t(std::numeric_limits<off_t>::max()) - bytes.size()) Error = EFBIG;
  size_t written = 0;
  while (Error == 0 && written < bytes.size()) {
    const ssize_t n = pwrite(Fd, bytes.data() + written, bytes.size() - written, off_t(offset + written));
    if (n >= 0)
      written += size_t(n);
    else if (errno != EINTR)
      Error = errno;
  }
  if (Error != 0) Fail(Target, Error);
  End = std::max(End, offset + bytes.size());
}

void TStreamedFile::Close() {
  if (Error == 0 && fsync(Fd) != 0) Error = errno;
  if (close(Fd) != 0 && Error == 0) Error = errno;
  Fd = -1;
  if (Error != 0) Fail(Target, Error);
}

void TStreamedFile::Commit() {
  Close();
  if (rename(Temp.c_str(), Target.c_str()) != 0) Fail(Target, errno);
  Renamed = true;
}

TStreamedFile& TFileBatch::Open(const std::string& path) {
  Pending.push_back(std::make_unique<TStreamedFile>(path));
  return *Pending.back();
}

void TFileBatch::Add(const std::string& path, std::string_view bytes) { Open(path).Append(bytes); }

void TFileBatch::Commit() {
  for (const auto& file : Pending) file->Close();
  // A target that exists is moved aside first, so that a later failure can
  // put every file back as it was.
  std::vector<std::string> backups;
  auto rollBack = [&] {
    for (size_t k = 0; k < backups.size(); ++k) {
      const std::string& path = Pending[k]->Target;
      if (backups[k].empty())
        unlink(path.c_str());
      else
        rename(backups[k].c_str(), path.c_str());
    }
  };
  for (const auto& file : Pending) {
    const std::string& path = file->Target;
    std::string backup;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
      try {
        backup = EmptyTemporary(path);
      } catch (const TFileWriteError&) {
        rollBack();
        throw;
      }
      if (rename(path.c_str(), backup.c_str()) != 0) {
        const int error = errno;
        unlink(backup.c_str());
        rollBack();
        Fail(path, error);
      }
    }
    if (rename(file->Temp.c_str(), path.c_str()) != 0) {
      const int error = errno;
      if (!backup.empty()) rename(backup.c_str(), path.c_str());
      rollBack();
      Fail(path, error);
    }
    backups.push_back(backup);
  }
  for (const std::string& b : backups)
    if (!b.empty()) unlink(b.c_str());
  for (const auto& file : Pending) file->Renamed = true;
  Pending.clear();
}
