#include "net/CreateDirectoryPath.h"

#include <gtest/gtest.h>

#include "fakes/FakeFileSystem.h"

namespace {

using net::CreateDirectoryPath;
using net::PathStyle;
using Dirs = std::vector<base::Text>;

using namespace std::string_literals;

struct Case {
  base::Text path;
  bool result;
  const char16_t* rewritten;
  Dirs created;
};

void Check(PathStyle style, const base::Text& root, const Case& c,
           const std::vector<base::Text>& existing = {}) {
  fakes::FakeFileSystem fs;
  fs.AddDirectory(root);
  for (const base::Text& d : existing) fs.AddDirectory(d);
  base::Text path = c.path;
  EXPECT_EQ(CreateDirectoryPath(path, fs, style), c.result) << base::ToUtf8(c.path);
  EXPECT_EQ(path, c.rewritten) << base::ToUtf8(c.path);
  EXPECT_EQ(fs.created, c.created) << base::ToUtf8(c.path);
}

TEST(CreateDirectoryPath, WindowsStyle) {
  const Case cases[] = {
      {u"C:/dl//sub/setup.rar", true, u"C:\\dl\\sub\\setup.rar", {u"C:\\dl", u"C:\\dl\\sub"}},
      {u"C:\\dl\\\\\\sub\\a.b",
       true,
       u"C:\\dl\\\\sub\\a.b",
       {u"C:\\dl", u"C:\\dl\\\\sub"}},  // one pass: three backslashes leave two
      {u"C:\\a\0b\\x.rar"s, true, u"C:\\ab\\x.rar", {u"C:\\ab"}},
      {u"C:\\dl\\sub\\setup",
       true,
       u"C:\\dl\\sub\\setup",
       {u"C:\\dl", u"C:\\dl\\sub", u"C:\\dl\\sub\\setup"}},  // no "." anywhere
      // No backslash: everything after the drive counts as directories.
      {u"C:setup.rar", true, u"C:setup.rar", {u"C:\\setup.rar"}},
      {u"dl\\setup.rar", false, u"dl\\setup.rar", {}},
      {u"\\\\server\\share\\setup.rar", false, u"\\server\\share\\setup.rar", {}},
      {u"", false, u"", {}},
  };
  for (const Case& c : cases) Check(PathStyle::Windows, u"C:", c);
  // An existing directory path is left alone.
  Check(PathStyle::Windows, u"C:", {u"C:\\dl\\x.rar", true, u"C:\\dl\\x.rar", {}}, {u"C:\\dl"});
}

TEST(CreateDirectoryPath, PosixStyle) {
  const Case cases[] = {
      {u"/dl//sub/setup.rar", true, u"/dl/sub/setup.rar", {u"/dl", u"/dl/sub"}},
      {u"/dl\\sub\\\\setup.rar", true, u"/dl/sub/setup.rar", {u"/dl", u"/dl/sub"}},
      {u"/dl/sub/setup", true, u"/dl/sub/setup", {u"/dl", u"/dl/sub", u"/dl/sub/setup"}},
      {u"/setup.rar", true, u"/setup.rar", {}},
      {u"dl/setup.rar", false, u"dl/setup.rar", {}},
      {u"C:\\dl\\setup.rar", false, u"C:/dl/setup.rar", {}},
  };
  for (const Case& c : cases) Check(PathStyle::Posix, u"/", c);
}

}  // namespace
