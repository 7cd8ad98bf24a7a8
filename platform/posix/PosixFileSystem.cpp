#include "platform/posix/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

namespace platform::posix {
namespace {

// The path as the file system takes it; nothing for a path that cannot name a file.
std::optional<std::string> SystemPath(const base::Text& path) {
  if (path.empty() || path.find(u'\0') != base::Text::npos) return std::nullopt;
  return base::ToUtf8(path);
}

std::optional<struct stat> Stat(const base::Text& path) {
  auto systemPath = SystemPath(path);
  struct stat info {};
  if (!systemPath || stat(systemPath->c_str(), &info) != 0) return std::nullopt;
  return info;
}

}  // namespace

bool PosixFileSystem::FileExists(const base::Text& path) {
  auto info = Stat(path);
  return info && S_ISREG(info->st_mode);
}

std::optional<std::int64_t> PosixFileSystem::FileSize(const base::Text& path) {
  auto info = Stat(path);
  if (!info || !S_ISREG(info->st_mode)) return std::nullopt;
  return static_cast<std::int64_t>(info->st_size);
}

bool PosixFileSystem::DeleteFile(const base::Text& path) {
  auto systemPath = SystemPath(path);
  return systemPath && unlink(systemPath->c_str()) == 0;
}

bool PosixFileSystem::PathExists(const base::Text& path) {
  return Stat(path).has_value();
}

bool PosixFileSystem::CreateDirectory(const base::Text& path) {
  auto systemPath = SystemPath(path);
  return systemPath && mkdir(systemPath->c_str(), 0777) == 0;
}

FileSystem::FileHandle PosixFileSystem::OpenForWriting(const base::Text& path) {
  auto systemPath = SystemPath(path);
  if (!systemPath) return kInvalid;
  int fd;
  do {
    fd = open(systemPath->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return kInvalid;
  // No sharing: the lock belongs to this open file, so even a second open in this
  // process is refused while the first is open.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return kInvalid;
  }
  return fd;
}

bool PosixFileSystem::SeekToStart(FileHandle file) {
  return file >= 0 && lseek(static_cast<int>(file), 0, SEEK_SET) == 0;
}

bool PosixFileSystem::Truncate(FileHandle file) {
  if (file < 0) return false;
  off_t position = lseek(static_cast<int>(file), 0, SEEK_CUR);
  return position >= 0 && ftruncate(static_cast<int>(file), position) == 0;
}

bool PosixFileSystem::Write(FileHandle file, const std::uint8_t* data, std::uint32_t length,
                            std::uint32_t& written) {
  written = 0;
  if (file < 0) return false;
  while (written < length) {
    ssize_t n = write(static_cast<int>(file), data + written, length - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // e.g. the disk is full
    written += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool PosixFileSystem::Close(FileHandle file) {
  // Not retried on EINTR: the descriptor is released either way on Linux.
  return file >= 0 && close(static_cast<int>(file)) == 0;
}

}  // namespace platform::posix
