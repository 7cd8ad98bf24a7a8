#include "fakes/FakeFileSystem.h"

#include <algorithm>

namespace fakes {

namespace {
bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}
}  // namespace

base::Text FakeFileSystem::Norm(const base::Text& path) {
  base::Text p = path;
  while (p.size() > 1 && IsSeparator(p.back())) p.pop_back();
  return p;
}

base::Text FakeFileSystem::Parent(const base::Text& normed) {
  auto it = std::find_if(normed.rbegin(), normed.rend(), IsSeparator);
  if (it == normed.rend()) return {};
  std::size_t pos = static_cast<std::size_t>(normed.rend() - it) - 1;
  if (pos == 0) return normed.substr(0, 1);  // the POSIX root
  return Norm(normed.substr(0, pos));
}

std::size_t FakeFileSystem::Used() const {
  std::size_t used = 0;
  for (const auto& [path, bytes] : files) used += bytes.size();
  return used;
}

std::optional<std::string> FakeFileSystem::Contents(const base::Text& path) const {
  auto it = files.find(Norm(path));
  if (it == files.end()) return std::nullopt;
  return it->second;
}

bool FakeFileSystem::IsOpen(const base::Text& path) const {
  base::Text p = Norm(path);
  return std::any_of(open_.begin(), open_.end(), [&](const auto& o) { return o.second.path == p; });
}

bool FakeFileSystem::FileExists(const base::Text& path) {
  return files.count(Norm(path)) > 0;
}

std::optional<std::int64_t> FakeFileSystem::FileSize(const base::Text& path) {
  auto it = files.find(Norm(path));
  if (it == files.end()) return std::nullopt;
  return static_cast<std::int64_t>(it->second.size());
}

bool FakeFileSystem::DeleteFile(const base::Text& path) {
  base::Text p = Norm(path);
  if (!files.count(p) || IsOpen(p) || refuseDelete.count(p)) return false;
  files.erase(p);
  deleted.push_back(p);
  return true;
}

bool FakeFileSystem::PathExists(const base::Text& path) {
  base::Text p = Norm(path);
  return files.count(p) > 0 || directories.count(p) > 0;
}

bool FakeFileSystem::CreateDirectory(const base::Text& path) {
  base::Text p = Norm(path);
  if (PathExists(p) || !directories.count(Parent(p))) return false;
  directories.insert(p);
  created.push_back(p);
  return true;
}

platform::FileSystem::FileHandle FakeFileSystem::OpenForWriting(const base::Text& path) {
  base::Text p = Norm(path);
  if (refuseOpen.count(p) || directories.count(p) || !directories.count(Parent(p)) || IsOpen(p)) {
    return kInvalid;
  }
  files.emplace(p, std::string());
  FileHandle h = next_++;
  open_[h] = {p, 0};
  return h;
}

bool FakeFileSystem::SeekToStart(FileHandle file) {
  auto it = open_.find(file);
  if (it == open_.end()) return false;
  it->second.position = 0;
  return true;
}

bool FakeFileSystem::Truncate(FileHandle file) {
  auto it = open_.find(file);
  if (it == open_.end()) return false;
  files[it->second.path].resize(it->second.position);
  return true;
}

bool FakeFileSystem::Write(FileHandle file, const std::uint8_t* data, std::uint32_t length,
                           std::uint32_t& written) {
  ++writes;
  written = 0;
  auto it = open_.find(file);
  if (it == open_.end()) return false;
  std::string& bytes = files[it->second.path];
  std::size_t pos = it->second.position;
  std::size_t fits = length;
  if (diskSpace) {
    std::size_t grow = pos + length > bytes.size() ? pos + length - bytes.size() : 0;
    std::size_t room = *diskSpace > Used() ? *diskSpace - Used() : 0;
    if (grow > room) fits = length - (grow - room);
  }
  if (bytes.size() < pos + fits) bytes.resize(pos + fits);
  std::copy(data, data + fits, bytes.begin() + static_cast<std::ptrdiff_t>(pos));
  it->second.position += fits;
  written = static_cast<std::uint32_t>(fits);
  return fits == length;
}

bool FakeFileSystem::Close(FileHandle file) {
  const auto open = open_.find(file);
  if (open == open_.end()) return false;
  const bool fails = failClose.count(open->second.path) > 0;
  open_.erase(open);
  return !fails;
}

}  // namespace fakes
