#include <gtest/gtest.h>

#include <optional>

#include "upgrade/InstallerPath.h"

namespace {

using net::PathStyle;

TEST(InstallerPath, KeepsTheInstallerInsideTheProgramDirectory) {
  struct Case {
    PathStyle style;
    const char16_t* name;
    std::optional<base::Text> path;
  };
  const base::Text posix = u"/opt/quorin";
  const base::Text windows = u"C:\\Quorin";
  const Case cases[] = {
      {PathStyle::Posix, u"QuorinSetup.sh", u"/opt/quorin/QuorinSetup.sh"},
      {PathStyle::Posix, u"dl/setup.sh", u"/opt/quorin/dl/setup.sh"},
      {PathStyle::Posix, u"dl\\setup.sh", u"/opt/quorin/dl/setup.sh"},  // as the engine writes it
      {PathStyle::Posix, u"./a..b/..setup", u"/opt/quorin/./a..b/..setup"},
      {PathStyle::Posix, u"C:setup.sh", u"/opt/quorin/C:setup.sh"},
      {PathStyle::Posix, u"...", u"/opt/quorin/..."},
      {PathStyle::Posix, u"", u"/opt/quorin/"},
      {PathStyle::Posix, u"/etc/cron.d/x", std::nullopt},
      {PathStyle::Posix, u"\\etc\\x", std::nullopt},
      {PathStyle::Posix, u"..", std::nullopt},
      {PathStyle::Posix, u"../setup.sh", std::nullopt},
      {PathStyle::Posix, u"dl/../../setup.sh", std::nullopt},
      {PathStyle::Posix, u"dl\\..\\..\\setup.sh", std::nullopt},
      {PathStyle::Posix, u"dl/..", std::nullopt},
      {PathStyle::Windows, u"Quorin.exe", u"C:\\Quorin\\Quorin.exe"},
      {PathStyle::Windows, u"dl/Quorin.exe", u"C:\\Quorin\\dl\\Quorin.exe"},
      {PathStyle::Windows, u"D:\\Quorin.exe", std::nullopt},
      {PathStyle::Windows, u"D:Quorin.exe", std::nullopt},
      {PathStyle::Windows, u"\\\\server\\share\\x.exe", std::nullopt},
      {PathStyle::Windows, u"..\\x.exe", std::nullopt},
      {PathStyle::Windows, u"... \\x.exe", std::nullopt},
      {PathStyle::Windows, u".\\x.exe", u"C:\\Quorin\\.\\x.exe"},
  };
  for (const Case& c : cases) {
    const base::Text& directory = c.style == PathStyle::Posix ? posix : windows;
    EXPECT_EQ(upgrade::InstallerPath(directory, c.name, c.style), c.path) << base::ToUtf8(c.name);
  }
}

TEST(InstallerPath, RefusesANulCharacterAndAMissingDirectory) {
  const base::Text name(u"a\0/../../x", 10);
  EXPECT_EQ(upgrade::InstallerPath(u"/opt/quorin", name, PathStyle::Posix), std::nullopt);
  EXPECT_EQ(upgrade::InstallerPath(u"", u"setup.sh", PathStyle::Posix), std::nullopt);
}

}  // namespace
