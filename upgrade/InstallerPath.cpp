#include "upgrade/InstallerPath.h"

namespace upgrade {

namespace {

bool IsSeparator(char16_t c) {
  return c == u'/' || c == u'\\';
}

// Windows drops trailing dots and blanks from a path component, so there any run of
// dots and blanks with two dots or more is taken as "..".
bool IsParent(base::TextView component, net::PathStyle style) {
  if (style == net::PathStyle::Posix) return component == u"..";
  int dots = 0;
  for (char16_t c : component) {
    if (c == u'.') {
      ++dots;
    } else if (c != u' ') {
      return false;
    }
  }
  return dots >= 2;
}

}  // namespace

std::optional<base::Text> InstallerPath(const base::Text& directory, base::TextView name,
                                        net::PathStyle style) {
  // Without a program directory the name would stand at the root.
  if (directory.empty() || name.find(u'\0') != base::TextView::npos) return std::nullopt;
  if (!name.empty() && IsSeparator(name.front())) return std::nullopt;
  if (style == net::PathStyle::Windows && name.find(u':') != base::TextView::npos)
    return std::nullopt;

  const char16_t separator = style == net::PathStyle::Windows ? u'\\' : u'/';
  base::Text path = directory;
  path.push_back(separator);
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const base::TextView component = name.substr(start, end - start);
    if (IsParent(component, style)) return std::nullopt;
    path.append(component);
    if (end < name.size()) path.push_back(separator);
    start = end + 1;
  }
  return path;
}

}  // namespace upgrade
