// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scratch folders and whole-file reads and writes for tests.

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <set>
#include <string>

// A fresh, empty folder under the temporary folder, removed with everything
// in it when the object goes.
class TScratchFolder {
 public:
  explicit TScratchFolder(const std::string& prefix = "px") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
    Path = mkdtemp(pattern.data());
  }
  ~TScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  std::string File(const std::string& name) const { return Path + "/" + name; }
  std::string Path;
};

// Sets (or, with no value, clears) an environment variable for the life of
// the object.
class TEnvVar {
 public:
  TEnvVar(const char* name, const std::optional<std::string>& value) : Name(name) {
    if (const char* old = std::getenv(name)) Old = old;
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }
  ~TEnvVar() {
    if (Old) setenv(Name, Old->c_str(), 1);
    else unsetenv(Name);
  }

 private:
  const char* Name;
  std::optional<std::string> Old;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The names of the entries of a folder, to see that no temporary file stayed.
inline std::set<std::string> FileNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// Sets a soft limit to the size of the files this process writes, with the
// signal that would end it ignored, for the life of the object.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &Old);
    OldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = Old;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &Old);
    signal(SIGXFSZ, OldSignal);
  }

 private:
  rlimit Old;
  sighandler_t OldSignal;
};
