#include "platform/posix/PosixShell.h"

#include <errno.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "TempDir.h"

namespace posixtest {
namespace {

using namespace std::chrono_literals;

std::string WaitForContents(const std::filesystem::path& path) {
  for (auto deadline = std::chrono::steady_clock::now() + 5s;
       std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(10ms)) {
    std::string text = Contents(path);
    if (!text.empty() && text.back() == '\n') return text;
  }
  return "";
}

TEST(PosixShell, ProgramDirectoryIsWhereTheProgramLies) {
  platform::posix::PosixShell shell;
  base::Text directory = shell.ProgramDirectory();
  std::filesystem::path self = std::filesystem::canonical(program_invocation_name);
  EXPECT_EQ(base::ToUtf8(directory), self.parent_path().string());
  EXPECT_NE(directory.back(), u'/');
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

}  // namespace
}  // namespace posixtest
