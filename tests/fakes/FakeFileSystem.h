#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace fakes {

// An in-memory file system. Paths are compared as given, less trailing separators, so
// both "C:\dl\" and "/tmp/dl/" name directories. A directory is made only inside an
// existing one and a file only in an existing directory; add the roots first
// (AddDirectory("C:") or AddDirectory("/")). Failures to inject: a disk that holds only
// `diskSpace` bytes of file data (a write past it writes what fits and fails), opens or
// deletions refused for chosen paths, and closes that close the file but report failure.
class FakeFileSystem : public platform::FileSystem {
 public:
  void AddDirectory(const base::Text& path) { directories.insert(Norm(path)); }
  void AddFile(const base::Text& path, std::string bytes) { files[Norm(path)] = std::move(bytes); }
  // The bytes of a file, or nothing.
  std::optional<std::string> Contents(const base::Text& path) const;
  bool IsOpen(const base::Text& path) const;
  std::size_t OpenFiles() const { return open_.size(); }

  bool FileExists(const base::Text& path) override;
  std::optional<std::int64_t> FileSize(const base::Text& path) override;
  bool DeleteFile(const base::Text& path) override;
  bool PathExists(const base::Text& path) override;
  bool CreateDirectory(const base::Text& path) override;
  FileHandle OpenForWriting(const base::Text& path) override;
  bool SeekToStart(FileHandle file) override;
  bool Truncate(FileHandle file) override;
  bool Write(FileHandle file, const std::uint8_t* data, std::uint32_t length,
             std::uint32_t& written) override;
  bool Close(FileHandle file) override;

  std::map<base::Text, std::string> files;
  std::set<base::Text> directories;
  std::vector<base::Text> created;  // directories made, in order
  std::vector<base::Text> deleted;  // files deleted, in order
  std::set<base::Text> refuseOpen;
  std::set<base::Text> refuseDelete;
  std::set<base::Text> failClose;
  std::optional<std::size_t> diskSpace;
  int writes = 0;

 private:
  struct Open {
    base::Text path;
    std::size_t position = 0;
  };
  static base::Text Norm(const base::Text& path);
  static base::Text Parent(const base::Text& normed);
  std::size_t Used() const;

  FileHandle next_ = 3;
  std::map<FileHandle, Open> open_;
};

}  // namespace fakes
