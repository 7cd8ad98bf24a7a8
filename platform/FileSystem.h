#pragma once

#include <cstdint>
#include <optional>

#include "base/Text.h"

namespace platform {

// File-system services. Paths are wide text; the adapter converts them to what the
// file system uses (UTF-8 on Linux).
class FileSystem {
 public:
  using FileHandle = std::intptr_t;
  static constexpr FileHandle kInvalid = -1;

  virtual ~FileSystem() = default;

  // True for an existing regular file.
  virtual bool FileExists(const base::Text& path) = 0;
  // Size in bytes of an existing file; nothing when it cannot be read.
  virtual std::optional<std::int64_t> FileSize(const base::Text& path) = 0;
  virtual bool DeleteFile(const base::Text& path) = 0;
  // True when anything (file or directory) exists at the path.
  virtual bool PathExists(const base::Text& path) = 0;
  virtual bool CreateDirectory(const base::Text& path) = 0;

  // Opens for writing, creating the file when absent, exclusive to this process;
  // kInvalid on failure.
  virtual FileHandle OpenForWriting(const base::Text& path) = 0;
  virtual bool SeekToStart(FileHandle file) = 0;
  // Cuts the file at the current position.
  virtual bool Truncate(FileHandle file) = 0;
  virtual bool Write(FileHandle file, const std::uint8_t* data, std::uint32_t length,
                     std::uint32_t& written) = 0;
  virtual bool Close(FileHandle file) = 0;
};

}  // namespace platform
