#include "net/CreateDirectoryPath.h"

#include <vector>

#include "base/RuntimeError.h"

namespace net {

namespace {

std::vector<base::Text> Split(base::TextView text, char16_t separator) {
  std::vector<base::Text> pieces(1);
  for (char16_t c : text) {
    if (c == separator) {
      pieces.emplace_back();
    } else {
      pieces.back().push_back(c);
    }
  }
  return pieces;
}

}  // namespace

bool NamesRoot(base::TextView path, PathStyle style) {
  if (style == PathStyle::Windows) return base::InStr(path, u":") > 0;
  // NUL characters are dropped before the path is used.
  while (!path.empty() && path.front() == u'\0') path.remove_prefix(1);
  return !path.empty() && (path.front() == u'/' || path.front() == u'\\');
}

bool CreateDirectoryPath(base::Text& path, platform::FileSystem& files, PathStyle style) {
  const bool windows = style == PathStyle::Windows;
  const char16_t sep = windows ? u'\\' : u'/';
  const base::Text sepText(1, sep);
  const base::Text doubled(2, sep);

  // Either slash becomes the style's separator; doubled separators collapse in one pass.
  path = base::Replace(path, windows ? u"/" : u"\\", sepText);
  path = base::Replace(path, doubled, sepText);
  path = base::Replace(path, base::TextView(u"\0", 1), u"");

  // The drive ends at `driveEnd` (1-based, inclusive); the rest begins after it. POSIX
  // paths have an empty drive and the rest begins with the root separator.
  const std::size_t driveEnd = windows ? base::InStr(path, u":") : 0;
  const bool hasDrive = NamesRoot(path, style);
  std::size_t lastSep = 0;
  if (base::InStr(path, u".") > 0) lastSep = base::InStrRev(path, sepText);
  if (!hasDrive) return false;

  const base::Text drive = base::Left(path, driveEnd);
  const std::size_t restStart = driveEnd + 1;
  base::Text rest;
  if (lastSep > 0) {
    // A last separator inside the drive names nothing to create.
    if (lastSep + 1 >= restStart) rest = base::Mid(path, restStart, lastSep + 1 - restStart);
  } else {
    rest = base::Mid(path, restStart);
  }
  if (!rest.empty() && rest.front() == sep) rest.erase(0, 1);

  bool exists = false;
  base::SkipOnFailure([&] { exists = files.PathExists(drive + sepText + rest); });
  if (exists) return true;

  base::Text acc;
  for (const base::Text& piece : Split(rest, sep)) {
    acc = acc.empty() ? piece : acc + sepText + piece;
    base::Text directory = drive + sepText + acc;
    base::SkipOnFailure([&] {
      if (!files.PathExists(directory)) files.CreateDirectory(directory);
    });
  }
  return true;
}

}  // namespace net
