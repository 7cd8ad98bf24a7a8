#include "platform/posix/PosixShell.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
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
  _exit(0);
}

}  // namespace platform::posix
