#include "platform/posix/PosixShell.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <iostream>
#include <string>

extern char** environ;

namespace platform::posix {
namespace {

// Only async-signal-safe calls from here on: this runs in a child of a process that
// may have other threads.
[[noreturn]] void StartGrandchild(const char* file, char* const argv[], int reportFd) {
  setsid();
  pid_t grandchild = fork();
  if (grandchild != 0) {
    if (grandchild < 0) {
      int error = errno;
      [[maybe_unused]] auto n = write(reportFd, &error, sizeof error);
    }
    _exit(0);  // the launched program is nobody's child to reap
  }
  int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (null > 2) close(null);
  }
  close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &defaults, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve(file, argv, environ);
  int error = errno;
  [[maybe_unused]] auto n = write(reportFd, &error, sizeof error);
  _exit(127);
}

// The parent of a process, read from /proc/<pid>/stat without the heap. The command name
// may hold ')' and spaces, so the fields start after the last ')'.
bool ReadParent(const char* pidName, pid_t& parent) {
  char path[64] = "/proc/";
  std::size_t length = 6;
  for (const char* c = pidName; *c && length < sizeof path - 6; ++c) path[length++] = *c;
  for (const char* c = "/stat"; *c; ++c) path[length++] = *c;
  path[length] = '\0';
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char text[512];
  ssize_t n;
  do {
    n = read(fd, text, sizeof text);
  } while (n < 0 && errno == EINTR);
  close(fd);
  if (n <= 0) return false;
  const char* paren = nullptr;
  for (ssize_t i = 0; i < n; ++i) {
    if (text[i] == ')') paren = text + i;
  }
  const char* end = text + n;
  // ") S 1234 ..."
  if (!paren || end - paren < 5) return false;
  const char* p = paren + 4;
  long value = 0;
  bool digits = false;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    digits = true;
  }
  if (!digits) return false;
  parent = static_cast<pid_t>(value);
  return true;
}

bool IsPidName(const char* name) {
  if (*name == '\0') return false;
  for (; *name; ++name) {
    if (*name < '0' || *name > '9') return false;
  }
  return true;
}

// Kills every process whose chain of parents leads to this one: the browser engine's
// helpers notice our end only when their channel closes and would run on for a while,
// orphaned. A program we launched is not among them: its intermediate parent exited
// before Launch returned, so it was adopted elsewhere. Heap-free, since other threads may
// hold the allocator's lock.
void KillDescendants() {
  // Orphans of a killed helper come to us instead of init, so a process forked just
  // before its parent died is still found by the next pass.
  prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
  const pid_t self = getpid();
  static pid_t found[4096];
  std::size_t count = 0;
  auto known = [&](pid_t pid) {
    for (std::size_t i = 0; i < count; ++i) {
      if (found[i] == pid) return true;
    }
    return false;
  };
  // /proc lists by pid, and a child usually has a higher pid than its parent; a wrapped
  // pid or a fork during the walk is caught by another pass. The passes end when one
  // finds nobody new.
  for (int pass = 0; pass < 8; ++pass) {
    int dir = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    bool added = false;
    alignas(dirent64) char entries[8192];
    for (;;) {
      ssize_t n = getdents64(dir, entries, sizeof entries);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      for (ssize_t offset = 0; offset < n;) {
        const auto* entry = reinterpret_cast<const dirent64*>(entries + offset);
        offset += entry->d_reclen;
        pid_t parent = 0;
        if (!IsPidName(entry->d_name) || !ReadParent(entry->d_name, parent)) continue;
        if (parent != self && !known(parent)) continue;
        pid_t pid = 0;
        for (const char* c = entry->d_name; *c; ++c) pid = pid * 10 + (*c - '0');
        if (pid == self || known(pid)) continue;
        kill(pid, SIGKILL);
        if (count < sizeof found / sizeof found[0]) found[count++] = pid;
        added = true;
      }
    }
    close(dir);
    if (!added) return;
  }
}

}  // namespace

base::Text PosixShell::ProgramDirectory() {
  std::string path(PATH_MAX, '\0');
  ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0) return {};
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
  if ((info.st_mode & S_IXUSR) == 0) chmod(file.c_str(), info.st_mode | S_IXUSR);

  // The exec's outcome comes back through a pipe that the exec closes on success.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  char* argv[] = {file.data(), nullptr};
  pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    StartGrandchild(file.c_str(), argv, report[1]);
  }
  close(report[1]);
  if (child < 0) {
    close(report[0]);
    return false;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t n;
  do {
    n = read(report[0], &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  close(report[0]);
  return n == 0;
}

void PosixShell::EndProgram() {
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  KillDescendants();
  _exit(0);
}

}  // namespace platform::posix
