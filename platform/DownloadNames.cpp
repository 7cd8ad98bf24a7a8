#include "platform/DownloadNames.h"

#include <algorithm>

#include "base/Ascii.h"

namespace platform {

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

bool IsControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Embeddings, overrides and isolates: "a\u202Egpj.exe" shows as "aexe.jpg".
bool IsDirectionControl(char16_t c) {
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F;
}

bool IsBlank(char16_t c) {
  switch (c) {
    case u' ':
    case 0x00A0:  // no-break space
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:  // ideographic space
    case 0xFEFF:  // zero-width no-break space
      return true;
    default:
      return c >= 0x2000 && c <= 0x200B;
  }
}

// Bytes of UTF-8 for the code point that starts at text[i]; `units` is set to the
// code units it takes. Lone surrogates have become U+FFFD before this runs.
std::size_t Utf8Bytes(base::TextView text, std::size_t i, std::size_t& units) {
  const char16_t c = text[i];
  units = 1;
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
    units = 2;
    return 4;
  }
  return 3;
}

std::size_t Utf8Length(base::TextView text) {
  std::size_t bytes = 0;
  std::size_t units = 0;
  for (std::size_t i = 0; i < text.size(); i += units) bytes += Utf8Bytes(text, i, units);
  return bytes;
}

// The longest start of `text` that fits in `budget` bytes, never half a pair.
base::Text CutToBytes(base::TextView text, std::size_t budget) {
  std::size_t bytes = 0;
  std::size_t units = 0;
  std::size_t i = 0;
  for (; i < text.size(); i += units) {
    const std::size_t next = Utf8Bytes(text, i, units);
    if (bytes + next > budget) break;
    bytes += next;
  }
  return base::Text(text.substr(0, i));
}

base::TextView TrimBlanksRight(base::TextView text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Extensions are short words: a dot followed by blanks is part of the name ("Mr. Big").
constexpr std::size_t kMaxExtensionUnits = 16;

bool IsExtension(base::TextView dotted) {
  return dotted.size() >= 2 && dotted.size() <= kMaxExtensionUnits + 1 &&
         std::none_of(dotted.begin(), dotted.end(), IsBlank);
}

// Where the extension starts: its dot, or the end of the name when it has none. A dot
// that starts the name starts no extension.
std::size_t ExtensionStart(base::TextView name) {
  const std::size_t dot = name.rfind(u'.');
  if (dot == base::TextView::npos || dot == 0 || !IsExtension(name.substr(dot))) {
    return name.size();
  }
  // "a.tar.gz" keeps ".tar.gz" together.
  constexpr base::TextView kTar = u".tar";
  if (dot > kTar.size() && base::EqualsNoCase(name.substr(dot - kTar.size(), kTar.size()), kTar)) {
    return dot - kTar.size();
  }
  return dot;
}

// Stem and extension joined, the stem cut so that the whole fits; the extension goes
// too when even an empty stem would not leave it room.
base::Text Fit(base::TextView stem, base::TextView extension, base::TextView suffix = {}) {
  const std::size_t tail = Utf8Length(suffix) + Utf8Length(extension);
  if (tail >= kMaxFileNameBytes) {
    return CutToBytes(base::Text(stem) + base::Text(suffix) + base::Text(extension),
                      kMaxFileNameBytes);
  }
  base::Text out(TrimBlanksRight(CutToBytes(stem, kMaxFileNameBytes - tail)));
  out += suffix;
  out += extension;
  return out;
}

std::string WithoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return std::string(path);
}

bool SameFolder(std::string_view a, std::string_view b) {
  return WithoutTrailingSlashes(a) == WithoutTrailingSlashes(b);
}

// A double-quoted value of the file: backslash takes the next character as it is.
std::optional<std::string> Unquote(std::string_view value) {
  if (value.size() < 2 || value.front() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') return out;
    if (c == '\\' && i + 1 < value.size()) {
      out += value[++i];
    } else {
      out += c;
    }
  }
  return std::nullopt;  // no closing quote
}

}  // namespace

base::Text CleanDownloadName(base::TextView suggested) {
  base::Text name;
  name.reserve(suggested.size());
  for (std::size_t i = 0; i < suggested.size(); ++i) {
    const char16_t c = suggested[i];
    if (IsHighSurrogate(c) && i + 1 < suggested.size() && IsLowSurrogate(suggested[i + 1])) {
      name += c;
      name += suggested[++i];
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      name += kReplacement;
    } else if (c == u'/' || c == u'\\') {
      name += u'_';
    } else if (!IsControl(c) && !IsDirectionControl(c)) {
      name += c;
    }
  }
  base::TextView view = name;
  while (!view.empty() && (IsBlank(view.front()) || view.front() == u'.')) view.remove_prefix(1);
  view = TrimBlanksRight(view);
  if (view.empty()) return kDefaultDownloadName;
  const std::size_t extension = ExtensionStart(view);
  base::Text fitted = Fit(view.substr(0, extension), view.substr(extension));
  return fitted.empty() ? base::Text(kDefaultDownloadName) : fitted;
}

base::Text NumberedDownloadName(base::TextView cleaned, unsigned n) {
  if (n == 0) return base::Text(cleaned);
  const std::size_t extension = ExtensionStart(cleaned);
  const std::string number = " (" + std::to_string(n) + ")";
  return Fit(cleaned.substr(0, extension), cleaned.substr(extension),
             base::Text(number.begin(), number.end()));
}

std::optional<std::string> UserDirsDownloadFolder(std::string_view fileText,
                                                  std::string_view home) {
  constexpr std::string_view kKey = "XDG_DOWNLOAD_DIR=";
  std::optional<std::string> found;
  std::size_t start = 0;
  while (start <= fileText.size()) {
    std::size_t end = fileText.find('\n', start);
    if (end == std::string_view::npos) end = fileText.size();
    const std::string_view line = base::TrimAny(fileText.substr(start, end - start), " \t\r");
    start = end + 1;
    if (line.substr(0, kKey.size()) != kKey) continue;
    const std::optional<std::string> value = Unquote(line.substr(kKey.size()));
    if (!value) continue;
    constexpr std::string_view kHome = "$HOME";
    std::string folder;
    if (value->compare(0, kHome.size(), kHome) == 0 &&
        (value->size() == kHome.size() || (*value)[kHome.size()] == '/')) {
      if (home.empty()) continue;
      folder = std::string(home) + value->substr(kHome.size());
    } else if (!value->empty() && value->front() == '/') {
      folder = *value;
    } else {
      found.reset();  // a relative path: xdg-user-dir would answer with it, nobody can use it
      continue;
    }
    found = WithoutTrailingSlashes(folder);
  }
  if (found && SameFolder(*found, home)) return std::nullopt;
  return found;
}

std::string UserDirsFile(std::string_view xdgConfigHome, std::string_view home) {
  std::string folder = !xdgConfigHome.empty() && xdgConfigHome.front() == '/'
                           ? WithoutTrailingSlashes(xdgConfigHome)
                           : WithoutTrailingSlashes(home) + "/.config";
  if (folder == "/") folder.clear();
  return folder + "/user-dirs.dirs";
}

std::vector<std::string> DownloadFolderCandidates(const DownloadFolderSources& sources) {
  std::vector<std::string> folders;
  const auto add = [&](std::string_view folder) {
    if (folder.empty() || folder.front() != '/' || SameFolder(folder, sources.home)) return;
    const std::string tidy = WithoutTrailingSlashes(folder);
    if (std::find(folders.begin(), folders.end(), tidy) == folders.end()) folders.push_back(tidy);
  };
  add(sources.userDirs);
  add(sources.environment);
  const std::string home = WithoutTrailingSlashes(sources.home.empty() ? "/" : sources.home);
  add((home == "/" ? std::string() : home) + "/Downloads");
  return folders;
}

}  // namespace platform
