#pragma once

#include "platform/FileSystem.h"

namespace platform::posix {

// Files through POSIX calls; paths are handed to the system as UTF-8. A file opened
// for writing holds an exclusive lock, so a second open (from this process or any
// other that locks) fails while it is open.
class PosixFileSystem : public platform::FileSystem {
 public:
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
};

}  // namespace platform::posix
