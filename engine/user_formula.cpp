// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/user_formula.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cfenv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "platform/translatable.h"

extern char** environ;

const char* const kCompilerKitFiles[kCompilerKitFileCount] = {
    "MATH.DCU", "SHAREMEM.DCU", "MAKE.PIF",    "SYSINIT.DCU",  "DCC32.EXE",
    "SYSTEM.DCU", "WINDOWS.DCU", "SYSUTILS.DCU", "RLINK32.DLL", "SYSUTILS.INC",
};

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kMakeBat = "Make.bat";
constexpr const char* kLauncher = "MAKE.PIF";
// The temporary folder is read into a buffer of this many characters.
constexpr size_t kTempPathBuffer = 255;
// More compiler output than this is read but not kept.
constexpr size_t kMaxCompilerOutput = size_t(1) << 20;

std::mutex BusyLock;

TBusyCursorHandler& BusyHandler() {
  static TBusyCursorHandler handler;
  return handler;
}

void SetBusy(bool busy) {
  TBusyCursorHandler handler;
  {
    std::lock_guard<std::mutex> guard(BusyLock);
    handler = BusyHandler();
  }
  if (handler) handler(busy);
}

// The busy cursor for the lifetime of the object.
class TBusyCursor {
 public:
  TBusyCursor() { SetBusy(true); }
  ~TBusyCursor() { SetBusy(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// A file or anything else but a folder, as the kit check and the module check
// understand "exists".
bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool UsableFolder(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Writes text to path, replacing the file; on failure gives the reason.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "Unable to write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    error = "Unable to write " + path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

// dlopen hands back the module it already has for a name it has loaded, so a
// module compiled to the name of one still loaded (two compilations within a
// second) is opened through a link of a name never used before.
std::string LoadAlias(const std::string& modulePath) {
  static std::atomic<unsigned> counter{0};
  std::string alias = modulePath + "." + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  ::unlink(alias.c_str());
  if (::link(modulePath.c_str(), alias.c_str()) != 0) return {};
  return alias;
}

// Loads the module and finds its "Formula". The module stays mapped when it is
// closed: after Assign another document may still hold its entry point, and
// the compiler's run-time library leaves exit hooks in the threads that called
// it.
void* LoadFormulaModule(const std::string& modulePath, void*& entry, std::string& error) {
  const std::string alias = LoadAlias(modulePath);
  // The library's start-up code may set the floating-point control words and
  // keeps the ones it finds for the threads it sees later: let it find clean
  // flags, and give the program back exactly what it had.
  std::fenv_t env;
  std::fegetenv(&env);
  std::feclearexcept(FE_ALL_EXCEPT);
  void* module = ::dlopen((alias.empty() ? modulePath : alias).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  const char* openError = module ? nullptr : ::dlerror();
  std::fesetenv(&env);
  if (!alias.empty()) ::unlink(alias.c_str());
  entry = nullptr;
  if (!module) {
    error = openError ? openError : "the module could not be loaded";
    return nullptr;
  }
  ::dlerror();
  entry = ::dlsym(module, "Formula");
  if (!entry) {
    const char* symError = ::dlerror();
    error = symError ? symError : "the module has no export \"Formula\"";
    ::dlclose(module);
    return nullptr;
  }
  return module;
}

}  // namespace

std::string CompilerKitMessage() {
  return std::string("MAKE.PIF, DCC32.EXE, RLINK32.DLL, MATH.DCU,\r\n"
                     "SHAREMEM.DCU, SYSINIT.DCU, SYSTEM.DCU, WINDOWS.DCU\r\n"
                     "SYSUTILS.DCU, SYSUTILS.INC\r\n"
                     "One or more of this files are not found !\r\n"
                     "The formula compilations is required its !\r\n"
                     "Download the file:\r\n") +
         "the Free Pascal compiler: apt-get install fp-compiler";
}

bool CompilerKitComplete() {
  for (const char* name : kCompilerKitFiles)
    if (!FileExists(KitFile(name))) return false;
  return true;
}

std::string CompilerMissingMessage() {
  return QT_TRANSLATE_NOOP("Message",
                           "The Free Pascal compiler (fpc) is not installed: install the package fp-compiler to "
                           "compile user formulas.");
}

std::string UserFormulaSource(const std::vector<std::string>& lines) {
  std::string text;
  auto add = [&](const std::string& line) {
    text += line;
    text += kCrLf;
  };
  add("Library proba;");
  add("  Uses ShareMem, SysUtils, Math;");
  add("Procedure Formula(var x,y,cr,ci: Extended; p1r,p1i,p2r,p2i,p3r,p3i: Extended); export;");
  for (const std::string& line : lines) add(line);
  add("exports");
  add("Formula index 1 name 'Formula';");
  add("BEGIN");
  add("END.");
  return text;
}

std::string MakeBatText(const std::string& sourcePath) { return "dcc32.exe " + sourcePath + kCrLf; }

std::string UserFormulaFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder;
  if (env && UsableFolder(env)) folder = env;
  else if (UsableFolder("/tmp")) folder = "/tmp";
  folder = folder.empty() ? std::string() : WithSlash(folder);
  if (folder.empty() || folder.size() >= kTempPathBuffer) folder = WithSlash(SettingsFolder());
  return folder;
}

std::string UserFormulaStamp(std::time_t t) {
  std::tm local{};
  if (!::localtime_r(&t, &local)) return "000000";
  char text[16];
  std::snprintf(text, sizeof text, "%02d%02d%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

TCompileRun RunCompileProcess(const std::string& program, const std::string& folder) {
  TCompileRun run;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    run.StartError = errno;
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  // No handle of the program goes to the compiler.
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);

  // The compiler starts with no blocked signals and the usual dispositions,
  // whatever the program's threads have set up.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, reset;
  sigemptyset(&none);
  sigemptyset(&reset);
  for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&reset, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &reset);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::string arg0 = program;
  char* argv[] = {arg0.data(), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    run.StartError = rc;
    return run;
  }
  run.Started = true;

  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (run.Output.size() < kMaxCompilerOutput)
      run.Output.append(buffer, std::min(size_t(n), kMaxCompilerOutput - run.Output.size()));
  }
  ::close(fds[0]);

  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited < 0) {
    run.WaitError = errno;
    return run;
  }
  run.Waited = true;
  run.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TBusyCursorHandler SetBusyCursorHandler(TBusyCursorHandler handler) {
  std::lock_guard<std::mutex> guard(BusyLock);
  TBusyCursorHandler old = std::move(BusyHandler());
  BusyHandler() = std::move(handler);
  return old;
}

TCompiledFormula CompileFormula(const std::vector<std::string>& lines) {
  TCompiledFormula result;
  const std::string folder = UserFormulaFolder();
  const std::string stamp = UserFormulaStamp(std::time(nullptr));
  result.ModulePath = folder + stamp + ".dll";
  result.SourcePath = folder + stamp + ".dpr";
  // Only a module this compilation writes may be loaded below.
  ::unlink(result.ModulePath.c_str());

  std::string error;
  TCompileRun run;
  const bool written = WriteTextFile(result.SourcePath, UserFormulaSource(lines), error) &&
                       WriteTextFile(SettingsFileToWrite(kMakeBat), MakeBatText(result.SourcePath), error);
  if (!written) {
    result.Output = error;
  } else {
    {
      TBusyCursor busy;
      run = RunCompileProcess(KitFile(kLauncher), SettingsFolder());
    }
    result.Output = std::move(run.Output);
    if (!run.Started)
      ShowMessage("Create compile process failed, windows error code = " + std::to_string(run.StartError));
    else if (!run.Waited)
      ShowMessage("Wait compile process failed, windows error code = " + std::to_string(run.WaitError));
  }

  if (!FileExists(result.ModulePath)) {
    if (run.Waited && run.ExitStatus == kCompilerMissingStatus)
      ShowMessage(CompilerMissingMessage());
    // The compiler's report stands in for its console window.
    else if (!result.Output.empty())
      ShowMessage(result.Output);
    return result;
  }
  result.Module = LoadFormulaModule(result.ModulePath, result.Entry, error);
  if (!result.Module) {
    if (!result.Output.empty() && result.Output.back() != '\n') result.Output += '\n';
    result.Output += error;
    result.Entry = nullptr;
    ShowMessage(QT_TRANSLATE_NOOP("Message", "No DLL !!!"));
  }
  return result;
}
