#pragma once

#include <optional>

#include "base/Text.h"
#include "net/CreateDirectoryPath.h"

namespace upgrade {

// Where the installer named by the manifest goes: the program directory, a separator
// and the name, with either slash in the name written as the style's separator. The
// name comes from the network, so nothing is returned for a name that could leave the
// directory: an absolute name (a leading separator, or a drive in the Windows style), a
// ".." component (in the Windows style also one that the file system would read as
// "..", such as ".. " or "..."), or a NUL character; nor without a directory. Names with
// sub-folders stay inside and are kept.
std::optional<base::Text> InstallerPath(const base::Text& directory, base::TextView name,
                                        net::PathStyle style = net::kNativePathStyle);

}  // namespace upgrade
