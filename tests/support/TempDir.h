#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/Text.h"

namespace support {

// A fresh directory under the system's temporary directory, removed with everything in
// it afterwards. Its own name has no dot.
class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "quorin-test") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp " + pattern);
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of a name inside the directory, as the file system sees it.
  std::filesystem::path Path(const std::string& utf8Name) const {
    return path_ / std::filesystem::path(std::u8string(utf8Name.begin(), utf8Name.end()));
  }
  // The same path as the program's text.
  base::Text Text(const std::string& utf8Name) const {
    return base::FromUtf8(path_.string() + "/" + utf8Name);
  }

 private:
  std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

}  // namespace support
