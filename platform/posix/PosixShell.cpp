// Linux only: /proc, process descriptors (Linux 5.3), close_range with
// CLOSE_RANGE_CLOEXEC (Linux 5.11), the child subreaper and glibc's _Fork (2.34).
#include "platform/posix/PosixShell.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

extern char** environ;

namespace platform::posix {
namespace {

// Tells the waiting parent why the start failed, and ends this copy of the process.
[[noreturn]] void ReportFailure(int reportFd) {
  int error = errno;
  [[maybe_unused]] ssize_t n = write(reportFd, &error, sizeof error);
  _exit(127);
}

// Runs in a copy of a process that may have other threads. _Fork runs no library's
// at-fork handlers, so nothing here may take a lock: async-signal-safe calls only.
[[noreturn]] void StartDetached(const char* file, char* const argv[], int reportFd) {
  if (setsid() < 0) ReportFailure(reportFd);
  pid_t program = _Fork();
  if (program < 0) ReportFailure(reportFd);
  if (program > 0) _exit(0);  // the launched program is nobody's child to reap

  int null = open("/dev/null", O_RDWR);
  if (null < 0) ReportFailure(reportFd);
  for (int fd = 0; fd <= 2; ++fd) {
    if (dup2(null, fd) < 0) ReportFailure(reportFd);
  }
  // Every other descriptor goes at the exec, the report pipe's only on success.
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) ReportFailure(reportFd);
  // Handlers go at the exec by themselves; what is ignored (SIGPIPE by the network code,
  // SIGHUP under nohup) would stay ignored.
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction current {};
    // The C library refuses its own internal signals: they are not ours to reset.
    if (sigaction(sig, nullptr, &current) != 0 || current.sa_handler != SIG_IGN) continue;
    if (sigaction(sig, &defaults, nullptr) != 0) ReportFailure(reportFd);
  }
  sigset_t none;
  sigemptyset(&none);
  if (sigprocmask(SIG_SETMASK, &none, nullptr) != 0) ReportFailure(reportFd);
  execve(file, argv, environ);
  ReportFailure(reportFd);
}

// The parent of a process; nothing once it is gone. The command name may hold ')',
// spaces and line breaks, so the fields start after the last ')'.
std::optional<pid_t> ReadParent(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  std::size_t paren = text.rfind(')');
  // ") S 1234 ..."
  if (paren == std::string::npos || paren + 4 >= text.size()) return std::nullopt;
  pid_t parent = 0;
  const char* first = text.data() + paren + 4;
  if (std::from_chars(first, text.data() + text.size(), parent).ec != std::errc{})
    return std::nullopt;
  return parent;
}

// Every process whose chain of parents leads to `self`, from one reading of /proc.
std::set<pid_t> Descendants(pid_t self) {
  std::vector<std::pair<pid_t, pid_t>> parents;  // (pid, parent)
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    pid_t pid = 0;
    auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc{} || end != name.data() + name.size()) continue;
    if (auto parent = ReadParent(pid)) parents.emplace_back(pid, *parent);
  }
  std::set<pid_t> family;
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [pid, parent] : parents) {
      if (pid != self && (parent == self || family.contains(parent)) && family.insert(pid).second)
        grew = true;
    }
  }
  return family;
}

// Kills the process through a descriptor of its own, and only when, read after the
// descriptor was opened, its parent is still this process or one of its family: by then
// the number may belong to another process, and the descriptor keeps to the one it got.
bool Kill(pid_t pid, pid_t self, const std::set<pid_t>& family) {
  // Through syscall(): the C library's own declarations of these lack C linkage here.
  int process = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (process < 0) return false;
  std::optional<pid_t> parent = ReadParent(pid);
  bool ours = parent && (*parent == self || family.contains(*parent));
  bool killed = ours && syscall(SYS_pidfd_send_signal, process, SIGKILL, nullptr, 0) == 0;
  close(process);
  return killed;
}

// Kills every process whose chain of parents leads to this one: the browser engine's
// helpers notice our end only when their channel closes and would run on for a while,
// orphaned. A program we launched is not among them: its intermediate parent exited
// before Launch returned, so it was adopted elsewhere. This runs on the UI thread in
// ordinary code, so the heap is there to use.
void KillDescendants() {
  // Orphans of a killed helper come to us instead of init, so a process forked just
  // before its parent died is still found by the next pass. Without it, they are lost.
  prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
  const pid_t self = getpid();
  std::set<pid_t> killed;
  // A killed process forks no more, so passes end when one finds nobody new; the bound
  // is for a family that forks faster than we read.
  for (int pass = 0; pass < 16; ++pass) {
    const std::set<pid_t> family = Descendants(self);
    bool added = false;
    for (pid_t pid : family) {
      if (!killed.contains(pid) && Kill(pid, self, family)) {
        killed.insert(pid);
        added = true;
      }
    }
    if (!added) return;
  }
}

}  // namespace

base::Text PosixShell::ProgramDirectory() {
  std::string path(PATH_MAX, '\0');
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  // A full buffer may be a cut-off path.
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
  path.resize(static_cast<std::size_t>(length));
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  path.resize(slash == 0 ? 1 : slash);
  return base::FromUtf8(path);
}

bool PosixShell::Launch(const base::Text& path) {
  if (path.empty() || path.find(u'\0') != base::Text::npos) return false;
  std::string file = base::ToUtf8(path);
  struct stat info {};
  if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  // A file that cannot be marked is not started: the download made it ours, so a
  // refusal means someone else has it now.
  if ((info.st_mode & S_IXUSR) == 0 && chmod(file.c_str(), (info.st_mode & 07777) | S_IXUSR) != 0)
    return false;

  // The exec's outcome comes back through a pipe that the exec closes on success.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  char* argv[] = {file.data(), nullptr};
  pid_t child = _Fork();
  if (child == 0) {
    close(report[0]);
    StartDetached(file.c_str(), argv, report[1]);
  }
  close(report[1]);
  if (child < 0) {
    close(report[0]);
    return false;
  }
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  int error = 0;
  ssize_t n;
  do {
    n = read(report[0], &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  close(report[0]);
  return n == 0 && waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void PosixShell::EndProgram() {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  KillDescendants();
  _exit(0);
}

}  // namespace platform::posix
