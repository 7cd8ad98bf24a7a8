#include "platform/DownloadNames.h"

#include <gtest/gtest.h>

#include <string>

#include "base/Text.h"

namespace {

using platform::CleanDownloadName;
using platform::DownloadFolderCandidates;
using platform::kMaxFileNameBytes;
using platform::NumberedDownloadName;
using platform::UserDirsDownloadFolder;

std::size_t Bytes(const base::Text& text) {
  return base::ToUtf8(text).size();
}

struct NameCase {
  const char* what;
  base::Text suggested;
  base::Text cleaned;
};

TEST(DownloadNames, CleaningKeepsTheNameInsideTheFolder) {
  const NameCase cases[] = {
      {"plain", u"电影.torrent", u"电影.torrent"},
      {"slashes", u"../../.bashrc", u"_.._.bashrc"},
      {"backslashes", u"a\\b\\c.txt", u"a_b_c.txt"},
      {"only a slash", u"/", u"_"},
      {"C0 controls and DEL", u"a\tb\nc\r\x7f\x01.txt", u"abc.txt"},
      {"NUL", base::Text(u"a\0b.txt", 7), u"ab.txt"},
      {"C1 controls", u"a\u0085b\u009f.txt", u"ab.txt"},
      {"direction override", u"photo\u202Egpj.exe", u"photogpj.exe"},
      {"leading dots", u"...hidden", u"hidden"},
      {"dot", u".", u"下载"},
      {"dot dot", u"..", u"下载"},
      {"blanks and dots in turn", u" . .\u3000name.txt ", u"name.txt"},
      {"trailing blanks", u"name.txt \u3000\u00a0", u"name.txt"},
      {"inner blanks stay", u"a  b.txt", u"a  b.txt"},
      {"empty", u"", u"下载"},
      {"nothing but controls", u"\x01\x02", u"下载"},
      {"lone surrogate", u"a\xD800.txt", u"a\uFFFD.txt"},
      {"pair kept", u"a\U0001F600.txt", u"a\U0001F600.txt"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(CleanDownloadName(c.suggested), c.cleaned) << c.what;
  }
}

TEST(DownloadNames, ALongNameIsCutBeforeItsExtensionOnACharacterBoundary) {
  // 100 Chinese characters are 300 bytes of UTF-8.
  const base::Text stem(100, u'片');
  const base::Text cut = CleanDownloadName(stem + u".torrent");
  EXPECT_LE(Bytes(cut), kMaxFileNameBytes);
  EXPECT_EQ(cut, base::Text(82, u'片') + u".torrent");  // 246 + 8 bytes

  // A four-byte character is never split.
  const base::Text pairs = [] {
    base::Text text;
    for (int i = 0; i < 30; ++i) text += u"\U0001F600";
    return text;
  }();
  const base::Text cutPairs = CleanDownloadName(base::Text(200, u'a') + pairs + u".mp4");
  EXPECT_EQ(cutPairs, base::Text(200, u'a') + pairs.substr(0, 2 * 12) + u".mp4");

  // Without an extension the whole name is cut; exactly 255 bytes stay as they are.
  EXPECT_EQ(CleanDownloadName(base::Text(300, u'x')), base::Text(255, u'x'));
  EXPECT_EQ(CleanDownloadName(base::Text(255, u'x')), base::Text(255, u'x'));
  // A dot followed by a sentence starts no extension.
  const base::Text sentence = base::Text(250, u'x') + u". and then some more";
  EXPECT_EQ(CleanDownloadName(sentence), sentence.substr(0, 255));
}

struct NumberCase {
  base::Text name;
  unsigned n;
  base::Text numbered;
};

TEST(DownloadNames, NumberedNamesKeepTheExtension) {
  const NumberCase cases[] = {
      {u"a.torrent", 0, u"a.torrent"},
      {u"a.torrent", 1, u"a (1).torrent"},
      {u"a.torrent", 12, u"a (12).torrent"},
      {u"下载", 2, u"下载 (2)"},
      {u"backup.tar.gz", 1, u"backup (1).tar.gz"},
      {u"backup.TAR.xz", 3, u"backup (3).TAR.xz"},
      {u"tar.gz", 1, u"tar (1).gz"},
      {u"v1.2 final", 1, u"v1.2 final (1)"},
      {u"a.b.c", 1, u"a.b (1).c"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(NumberedDownloadName(c.name, c.n), c.numbered) << base::ToUtf8(c.name) << " " << c.n;
  }
}

TEST(DownloadNames, ANumberedLongNameStillFits) {
  const base::Text longest = CleanDownloadName(base::Text(300, u'片') + u".torrent");
  const base::Text numbered = NumberedDownloadName(longest, 123);
  EXPECT_LE(Bytes(numbered), kMaxFileNameBytes);
  EXPECT_EQ(numbered, base::Text(80, u'片') + u" (123).torrent");
}

struct UserDirsCase {
  const char* what;
  std::string file;
  std::optional<std::string> folder;
};

TEST(DownloadNames, TheUserDirsFileIsReadAsTheShellReadsIt) {
  const UserDirsCase cases[] = {
      {"the usual line", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n", "/home/u/Downloads"},
      {"among others, with comments",
       "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
       "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n",
       "/home/u/下载"},
      {"absolute", "XDG_DOWNLOAD_DIR=\"/data/dl/\"", "/data/dl"},
      {"escaped quote and dollar", "XDG_DOWNLOAD_DIR=\"$HOME/a \\\"b\\\" \\$c\"",
       "/home/u/a \"b\" $c"},
      {"CR LF line ends", "XDG_DOWNLOAD_DIR=\"$HOME/D\"\r\n", "/home/u/D"},
      {"the last line wins", "XDG_DOWNLOAD_DIR=\"$HOME/one\"\nXDG_DOWNLOAD_DIR=\"$HOME/two\"\n",
       "/home/u/two"},
      {"the home folder: not in use", "XDG_DOWNLOAD_DIR=\"$HOME/\"\n", std::nullopt},
      {"the home folder spelled out", "XDG_DOWNLOAD_DIR=\"/home/u\"\n", std::nullopt},
      {"relative", "XDG_DOWNLOAD_DIR=\"Downloads\"\n", std::nullopt},
      {"a variable that only starts alike", "XDG_DOWNLOAD_DIR=\"$HOMEX/d\"\n", std::nullopt},
      {"commented out", "# XDG_DOWNLOAD_DIR=\"$HOME/d\"\n", std::nullopt},
      {"no closing quote", "XDG_DOWNLOAD_DIR=\"$HOME/d\n", std::nullopt},
  };
  for (const UserDirsCase& c : cases) {
    EXPECT_EQ(UserDirsDownloadFolder(c.file, "/home/u"), c.folder) << c.what;
  }
}

TEST(DownloadNames, TheUserDirsFileIsInTheConfigurationFolder) {
  EXPECT_EQ(platform::UserDirsFile("", "/home/u"), "/home/u/.config/user-dirs.dirs");
  EXPECT_EQ(platform::UserDirsFile("/cfg/", "/home/u"), "/cfg/user-dirs.dirs");
  // A relative value is no configuration folder.
  EXPECT_EQ(platform::UserDirsFile("cfg", "/home/u"), "/home/u/.config/user-dirs.dirs");
}

struct FolderCase {
  const char* what;
  platform::DownloadFolderSources sources;
  std::vector<std::string> folders;
};

TEST(DownloadNames, TheDesktopsFolderComesFirstAndDownloadsUnderHomeLast) {
  const FolderCase cases[] = {
      {"all three",
       {"/home/u", "/home/u/下载", "/env/dl"},
       {"/home/u/下载", "/env/dl", "/home/u/Downloads"}},
      {"nothing set", {"/home/u", "", ""}, {"/home/u/Downloads"}},
      {"environment only", {"/home/u/", "", "/env/dl/"}, {"/env/dl", "/home/u/Downloads"}},
      {"relative environment", {"/home/u", "", "dl"}, {"/home/u/Downloads"}},
      {"environment is home", {"/home/u", "", "/home/u/"}, {"/home/u/Downloads"}},
      {"repeats go", {"/home/u", "/home/u/Downloads", "/home/u/Downloads"}, {"/home/u/Downloads"}},
      {"home is the root", {"/", "", ""}, {"/Downloads"}},
  };
  for (const FolderCase& c : cases) {
    EXPECT_EQ(DownloadFolderCandidates(c.sources), c.folders) << c.what;
  }
}

}  // namespace
