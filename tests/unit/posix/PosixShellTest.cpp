#include "platform/posix/PosixShell.h"

#include <errno.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/Wait.h"

namespace posixtest {

using support::TempDir;
using support::WriteFile;
namespace {

// The file's text once a whole line is in it; empty when none comes.
std::string WaitForContents(const std::filesystem::path& path) {
  std::string text;
  support::WaitFor([&] {
    text = support::ReadFile(path);
    return !text.empty() && text.back() == '\n';
  });
  return !text.empty() && text.back() == '\n' ? text : "";
}

// Running means present and not a zombie: orphans wait for init to reap them.
bool Running(pid_t pid) {
  std::string stat = support::ReadFile("/proc/" + std::to_string(pid) + "/stat");
  std::size_t paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

pid_t Spawn(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// Kills what a failed test left running.
struct KillOnExit {
  std::vector<pid_t> pids;
  ~KillOnExit() {
    for (pid_t pid : pids) {
      if (pid > 0 && Running(pid)) kill(pid, SIGKILL);
    }
  }
};

TEST(PosixShell, ProgramDirectoryIsWhereTheProgramLies) {
  platform::posix::PosixShell shell;
  base::Text directory = shell.ProgramDirectory();
  std::filesystem::path self = std::filesystem::canonical(program_invocation_name);
  EXPECT_EQ(base::ToUtf8(directory), self.parent_path().string());
  EXPECT_NE(directory.back(), u'/');
}

// An installed program is started through bin/quorin, a relative link into its program
// directory lib/quorin/, where upgrades must go. This test program, started the same way
// through two links, runs the test above in a child.
TEST(PosixShell, ProgramDirectoryIsFoundThroughLinksToTheProgram) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path("lib/quorin"));
  std::filesystem::create_directories(dir.Path("bin"));
  std::filesystem::create_symlink(std::filesystem::canonical("/proc/self/exe"),
                                  dir.Path("lib/quorin/quorin"));
  std::filesystem::create_symlink("../lib/quorin/quorin", dir.Path("bin/quorin"));

  std::string command = "'" + dir.Path("bin/quorin").string() +
                        "' --gtest_filter=PosixShell.ProgramDirectoryIsWhereTheProgramLies 2>&1";
  FILE* child = popen(command.c_str(), "r");
  ASSERT_NE(child, nullptr);
  std::string output;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, child)) > 0;) output.append(buffer, n);
  int status = pclose(child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_THAT(output, ::testing::HasSubstr("[  PASSED  ] 1 test.")) << output;
}

TEST(PosixShell, LaunchStartsAScriptDetachedAndWithoutArguments) {
  TempDir dir;
  const std::filesystem::path mark = dir.Path("mark");
  // Arguments, standard input, parent and session of the started program.
  WriteFile(dir.Path("setup 安装.sh"),
            "#!/bin/sh\n"
            "read ppid sid <<EOF\n"
            "$(sed 's/.*) //' /proc/$$/stat | cut -d' ' -f2,4)\n"
            "EOF\n"
            "echo \"$# $(readlink /proc/$$/fd/0) $ppid $sid\" > '" +
                mark.string() +
                ".tmp'\n"
                "mv '" +
                mark.string() + ".tmp' '" + mark.string() + "'\n");
  std::filesystem::permissions(dir.Path("setup 安装.sh"), std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_write);
  platform::posix::PosixShell shell;
  ASSERT_TRUE(shell.Launch(dir.Text("setup 安装.sh")));
  struct stat info {};
  ASSERT_EQ(stat(dir.Path("setup 安装.sh").c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IXUSR, 0u) << "marked executable by its owner";

  std::string report = WaitForContents(mark);
  ASSERT_FALSE(report.empty()) << "the script did not run";
  int arguments = -1;
  char input[64] = {};
  long parent = 0;
  long session = 0;
  ASSERT_EQ(std::sscanf(report.c_str(), "%d %63s %ld %ld", &arguments, input, &parent, &session), 4)
      << report;
  EXPECT_EQ(arguments, 0);
  EXPECT_STREQ(input, "/dev/null");
  EXPECT_NE(parent, static_cast<long>(getpid())) << "not our child";
  EXPECT_NE(session, static_cast<long>(getsid(0))) << "a session of its own";
}

// What the launched program gets of ours: nothing. A descriptor left open without
// close-on-exec, an ignored signal and a blocked one all stay behind.
TEST(PosixShell, LaunchPassesOnNoDescriptorAndNoSignalState) {
  TempDir dir;
  const std::filesystem::path mark = dir.Path("mark");
  WriteFile(dir.Path("setup.sh"),
            "#!/bin/sh\n"
            "streams=$(for fd in 0 1 2; do echo \"fd$fd $(readlink /proc/$$/fd/$fd)\"; done)\n"
            "{\n"
            "  echo \"$streams\"\n"
            "  [ -e /proc/$$/fd/77 ] && echo 'fd77 open' || echo 'fd77 closed'\n"
            "  grep -E '^Sig(Ign|Blk):' /proc/$$/status | tr -d ':'\n"
            "} > '" +
                mark.string() +
                ".tmp'\n"
                "mv '" +
                mark.string() + ".tmp' '" + mark.string() + "'\n");

  ASSERT_EQ(fcntl(77, F_GETFD), -1) << "descriptor 77 is taken already";
  int leaked = open("/dev/zero", O_RDONLY);  // no close-on-exec
  ASSERT_GE(leaked, 0);
  ASSERT_EQ(dup2(leaked, 77), 77);
  close(leaked);
  struct sigaction ignore {
  }, oldPipe{}, oldHangUp{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &oldPipe);
  sigaction(SIGHUP, &ignore, &oldHangUp);
  sigset_t blocked, oldMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &blocked, &oldMask);

  platform::posix::PosixShell shell;
  bool launched = shell.Launch(dir.Text("setup.sh"));

  close(77);
  sigaction(SIGPIPE, &oldPipe, nullptr);
  sigaction(SIGHUP, &oldHangUp, nullptr);
  pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
  ASSERT_TRUE(launched);

  std::string report = WaitForContents(mark);
  ASSERT_FALSE(report.empty()) << "the script did not run";
  std::map<std::string, std::string> seen;
  std::istringstream lines(report);
  for (std::string key, value; lines >> key >> value;) seen[key] = value;
  const std::pair<const char*, const char*> expected[] = {
      {"fd0", "/dev/null"}, {"fd1", "/dev/null"},           {"fd2", "/dev/null"},
      {"fd77", "closed"},   {"SigIgn", "0000000000000000"}, {"SigBlk", "0000000000000000"},
  };
  for (const auto& [key, value] : expected) {
    EXPECT_EQ(seen[key], value) << key << " in\n" << report;
  }
}

// An installer that cannot be marked executable by its owner is not started, even where
// someone else's execute bit would let it run.
TEST(PosixShell, LaunchRefusesAFileItCannotMarkExecutable) {
  TempDir dir;
  const std::filesystem::path setup = dir.Path("setup.sh");
  WriteFile(setup, "#!/bin/sh\ntouch '" + dir.Path("ran").string() + "'\n");
  using std::filesystem::perms;
  std::filesystem::permissions(setup, perms::owner_read | perms::group_read | perms::group_exec |
                                          perms::others_read | perms::others_exec);
  // An immutable file refuses every change of mode, even the superuser's.
  int fd = open(setup.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  int flags = 0;
  bool immutable = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                   (flags |= FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
  struct Mutable {
    int fd;
    ~Mutable() {
      int flags = 0;
      if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags &= ~FS_IMMUTABLE_FL;
        ioctl(fd, FS_IOC_SETFLAGS, &flags);
      }
      close(fd);
    }
  } restore{fd};
  if (!immutable) GTEST_SKIP() << "this file system or user cannot make a file immutable";
  ASSERT_NE(chmod(setup.c_str(), 0755), 0) << "the mode can still be changed";

  platform::posix::PosixShell shell;
  EXPECT_FALSE(shell.Launch(dir.Text("setup.sh")));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("ran")));
}

TEST(PosixShell, LaunchFailsForWhatIsNoProgram) {
  TempDir dir;
  WriteFile(dir.Path("readme.txt"), "just text, no interpreter line\n");
  WriteFile(dir.Path("broken.exe"), std::string("MZ\x90\0\3\0\0\0", 8));
  std::filesystem::create_directory(dir.Path("folder"));
  platform::posix::PosixShell shell;
  for (const char* name : {"readme.txt", "broken.exe", "folder", "missing.exe"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(shell.Launch(dir.Text(name)));
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("missing.exe")));
  EXPECT_FALSE(shell.Launch(u""));
}

TEST(PosixShellDeathTest, EndProgramEndsAtOnceAfterFlushing) {
  platform::posix::PosixShell shell;
  EXPECT_EXIT(
      {
        static char buffer[256];
        std::setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
        std::atexit([] { std::fputs("exit handler ran", stderr); });
        std::fputs("buffered words", stderr);
        shell.EndProgram();
      },
      testing::ExitedWithCode(0),
      testing::AllOf(testing::HasSubstr("buffered words"),
                     testing::Not(testing::HasSubstr("exit handler ran"))));
}

// The browser engine's helpers are our children and grandchildren; none may outlive us,
// but an installer we launched must run on.
TEST(PosixShell, EndProgramKillsEveryDescendantButNotALaunchedProgram) {
  TempDir dir;
  const std::filesystem::path family = dir.Path("family");
  const std::filesystem::path launched = dir.Path("launched");
  const std::filesystem::path pids = dir.Path("pids");
  // Each shell writes a pid to a temporary name and renames it, so a reader sees all or none.
  auto report = [](const std::string& pid, const std::filesystem::path& file) {
    return "echo " + pid + " > '" + file.string() + ".tmp'; mv '" + file.string() + ".tmp' '" +
           file.string() + "'";
  };
  WriteFile(dir.Path("setup.sh"), "#!/bin/sh\n" + report("$$", launched) + "\nexec sleep 60\n");

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A direct child, and a shell whose own child sits in a session of its own.
    pid_t sleeper = Spawn({"sleep", "60"});
    pid_t shell = Spawn({"sh", "-c", "setsid sleep 60 & " + report("$!", family) + "; wait"});
    platform::posix::PosixShell posix;
    bool started = posix.Launch(dir.Text("setup.sh"));
    std::string grandchild = WaitForContents(family);
    std::string installer = WaitForContents(launched);
    if (sleeper < 0 || shell < 0 || !started || grandchild.empty() || installer.empty()) {
      _exit(2);
    }
    WriteFile(pids, std::to_string(sleeper) + " " + std::to_string(shell) + " " + grandchild + " " +
                        installer);
    posix.EndProgram();
  }

  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  pid_t sleeper = 0, shell = 0, grandchild = 0, installer = 0;
  std::istringstream(support::ReadFile(pids)) >> sleeper >> shell >> grandchild >> installer;
  KillOnExit cleanup{{installer, sleeper, shell, grandchild}};
  ASSERT_GT(sleeper, 0);
  ASSERT_GT(shell, 0);
  ASSERT_GT(grandchild, 0);
  ASSERT_GT(installer, 0);

  support::WaitFor([&] { return !Running(sleeper) && !Running(shell) && !Running(grandchild); });
  for (pid_t pid : {sleeper, shell, grandchild}) {
    EXPECT_FALSE(Running(pid)) << "descendant " << pid << " outlived the end";
  }
  EXPECT_TRUE(Running(installer)) << "the launched program was killed";
}

}  // namespace
}  // namespace posixtest
