#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"

namespace platform {

// The longest file name the file systems take, in bytes of UTF-8.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The name a download gets when nothing of the name it came with is left.
inline constexpr char16_t kDefaultDownloadName[] = u"下载";

// The name a server or a page gave a download, made safe to save under in a folder of
// the user's: "/" and "\" become "_"; control characters (C0, DEL, C1) and the
// direction overrides that could disguise an extension go; blanks at either end and
// leading dots go (no hidden file, no "." or ".."); a name longer than
// kMaxFileNameBytes is cut short before its extension; nothing left gives
// kDefaultDownloadName.
base::Text CleanDownloadName(base::TextView suggested);

// The candidate for the n-th try at saving a cleaned name beside files already there:
// the name itself for 0, else "a (n).torrent" for "a.torrent" (n before the extension,
// "a (n).tar.gz" for a double one), still within kMaxFileNameBytes.
base::Text NumberedDownloadName(base::TextView cleaned, unsigned n);

// The download folder named in the text of the desktop's user-dirs.dirs file, read as
// the shell that xdg-user-dir starts reads it: the last XDG_DOWNLOAD_DIR line wins, its
// value "$HOME/..." or an absolute path in double quotes. Nothing when the file names
// none, names a relative path, or names the home folder itself (the file's way of
// saying the folder is not in use).
std::optional<std::string> UserDirsDownloadFolder(std::string_view fileText, std::string_view home);

// Where the user-dirs.dirs file is: $XDG_CONFIG_HOME when set to an absolute path,
// else ~/.config.
std::string UserDirsFile(std::string_view xdgConfigHome, std::string_view home);

// What the download folder is chosen from. Empty strings stand for unset values.
struct DownloadFolderSources {
  std::string home;         // $HOME
  std::string userDirs;     // the folder UserDirsDownloadFolder read, if any
  std::string environment;  // $XDG_DOWNLOAD_DIR
};

// The folders to try, best first: the one the desktop's user-dirs.dirs names (what
// file managers and xdg-user-dir use), then $XDG_DOWNLOAD_DIR when absolute and not the
// home folder itself, then ~/Downloads, which is made when missing. No repeats.
std::vector<std::string> DownloadFolderCandidates(const DownloadFolderSources& sources);

}  // namespace platform
