#include "platform/posix/PosixFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace posixtest {

using support::TempDir;
using support::WriteFile;
namespace {

using platform::FileSystem;

class PosixFileSystemTest : public ::testing::Test {
 protected:
  bool Write(FileSystem::FileHandle file, const std::string& bytes) {
    std::uint32_t written = 0;
    bool ok = files_.Write(file, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                           static_cast<std::uint32_t>(bytes.size()), written);
    EXPECT_EQ(written, ok ? bytes.size() : written);
    return ok;
  }

  TempDir dir_;
  platform::posix::PosixFileSystem files_;
};

TEST_F(PosixFileSystemTest, OpenCreatesButNeverTruncates) {
  FileSystem::FileHandle file = files_.OpenForWriting(dir_.Text("new.bin"));
  ASSERT_NE(file, FileSystem::kInvalid);
  EXPECT_TRUE(Write(file, "hello world"));
  EXPECT_TRUE(files_.Close(file));
  EXPECT_EQ(support::ReadFile(dir_.Path("new.bin")), "hello world");

  file = files_.OpenForWriting(dir_.Text("new.bin"));
  ASSERT_NE(file, FileSystem::kInvalid);
  EXPECT_EQ(files_.FileSize(dir_.Text("new.bin")), 11) << "opening keeps the old bytes";
  EXPECT_TRUE(files_.SeekToStart(file));
  EXPECT_TRUE(Write(file, "HE"));
  EXPECT_TRUE(files_.Close(file));
  EXPECT_EQ(support::ReadFile(dir_.Path("new.bin")), "HEllo world");
}

TEST_F(PosixFileSystemTest, TruncateCutsAtTheCurrentPosition) {
  WriteFile(dir_.Path("old.bin"), "0123456789");
  FileSystem::FileHandle file = files_.OpenForWriting(dir_.Text("old.bin"));
  ASSERT_NE(file, FileSystem::kInvalid);
  EXPECT_TRUE(files_.SeekToStart(file));
  EXPECT_TRUE(files_.Truncate(file));
  EXPECT_TRUE(Write(file, "abc"));
  EXPECT_TRUE(files_.Truncate(file));
  EXPECT_TRUE(Write(file, "d"));
  EXPECT_TRUE(files_.Close(file));
  EXPECT_EQ(support::ReadFile(dir_.Path("old.bin")), "abcd");
}

TEST_F(PosixFileSystemTest, AFileOpenForWritingIsExclusive) {
  FileSystem::FileHandle first = files_.OpenForWriting(dir_.Text("locked"));
  ASSERT_NE(first, FileSystem::kInvalid);
  EXPECT_EQ(files_.OpenForWriting(dir_.Text("locked")), FileSystem::kInvalid);
  platform::posix::PosixFileSystem another;
  EXPECT_EQ(another.OpenForWriting(dir_.Text("locked")), FileSystem::kInvalid);
  EXPECT_TRUE(files_.Close(first));
  FileSystem::FileHandle again = files_.OpenForWriting(dir_.Text("locked"));
  EXPECT_NE(again, FileSystem::kInvalid) << "free again once closed";
  files_.Close(again);
}

TEST_F(PosixFileSystemTest, OpenFailsWhereNoFileCanBe) {
  std::filesystem::create_directory(dir_.Path("adir"));
  EXPECT_EQ(files_.OpenForWriting(dir_.Text("adir")), FileSystem::kInvalid);
  EXPECT_EQ(files_.OpenForWriting(dir_.Text("missing/file.rar")), FileSystem::kInvalid);
  EXPECT_EQ(files_.OpenForWriting(u""), FileSystem::kInvalid);
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("missing")));
}

TEST_F(PosixFileSystemTest, WriteReportsAFullDisk) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  FileSystem::FileHandle file = files_.OpenForWriting(u"/dev/full");
  ASSERT_NE(file, FileSystem::kInvalid);
  std::uint8_t byte = 1;
  std::uint32_t written = 99;
  EXPECT_FALSE(files_.Write(file, &byte, 1, written));
  EXPECT_EQ(written, 0u);
  files_.Close(file);
}

TEST_F(PosixFileSystemTest, ClosedOrInvalidHandlesAreRefused) {
  std::uint8_t byte = 1;
  std::uint32_t written = 0;
  EXPECT_FALSE(files_.Write(FileSystem::kInvalid, &byte, 1, written));
  EXPECT_FALSE(files_.SeekToStart(FileSystem::kInvalid));
  EXPECT_FALSE(files_.Close(FileSystem::kInvalid));
}

TEST_F(PosixFileSystemTest, PathsAreUtf8OnDisk) {
  const std::string name = "升级 文件.rar";
  FileSystem::FileHandle file = files_.OpenForWriting(dir_.Text(name));
  ASSERT_NE(file, FileSystem::kInvalid);
  files_.Close(file);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_.Path(name)));
  EXPECT_TRUE(files_.FileExists(dir_.Text(name)));
  EXPECT_TRUE(files_.DeleteFile(dir_.Text(name)));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path(name)));
}

TEST_F(PosixFileSystemTest, QueriesTellFilesDirectoriesAndNothingApart) {
  WriteFile(dir_.Path("f"), "12345");
  std::filesystem::create_directory(dir_.Path("d"));
  struct Case {
    const char* name;
    bool fileExists;
    bool pathExists;
    std::optional<std::int64_t> size;
  };
  for (const Case& c : {Case{"f", true, true, 5}, Case{"d", false, true, std::nullopt},
                        Case{"none", false, false, std::nullopt}}) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(files_.FileExists(dir_.Text(c.name)), c.fileExists);
    EXPECT_EQ(files_.PathExists(dir_.Text(c.name)), c.pathExists);
    EXPECT_EQ(files_.FileSize(dir_.Text(c.name)), c.size);
  }
  EXPECT_FALSE(files_.DeleteFile(dir_.Text("none")));
  EXPECT_FALSE(files_.DeleteFile(dir_.Text("d")));
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path("d")));
}

TEST_F(PosixFileSystemTest, CreateDirectoryMakesOneLevel) {
  EXPECT_TRUE(files_.CreateDirectory(dir_.Text("one")));
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path("one")));
  EXPECT_FALSE(files_.CreateDirectory(dir_.Text("one"))) << "already there";
  EXPECT_FALSE(files_.CreateDirectory(dir_.Text("two/three")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("two")));
}

}  // namespace
}  // namespace posixtest
