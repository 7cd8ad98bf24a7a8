#pragma once

#include "base/Text.h"
#include "platform/FileSystem.h"

namespace net {

// How a target path is written. Windows: a drive ("C:") and backslashes. POSIX: "/" is
// the separator and the root "/" stands where the drive would.
enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// Whether the path starts at a root: a drive ("C:") in the Windows style, "/" (or "\\",
// which the POSIX style reads as "/") in the POSIX style.
bool NamesRoot(base::TextView path, PathStyle style = kNativePathStyle);

// Normalises `path` in place (separators, doubled separators, NUL characters) and
// creates the directories it names: every directory before the last separator when the
// path holds a ".", otherwise the whole path. False only when the path names no drive
// (POSIX: it is not absolute); a directory that cannot be made is ignored here.
bool CreateDirectoryPath(base::Text& path, platform::FileSystem& files,
                         PathStyle style = kNativePathStyle);

}  // namespace net
