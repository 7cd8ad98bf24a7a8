#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace demo {

// The player page's clip: a few seconds of VP9/Opus in WebM (demo/clip.webm).
std::string_view DemoClip();

// The clip's file name inside its torrent, and the name its .torrent is offered under.
inline constexpr std::string_view kClipName = "星海拾光.片花.webm";
inline constexpr std::string_view kSeedName = "星海拾光.片花.torrent";
inline constexpr std::size_t kPieceLength = 16 * 1024;

// A single-file torrent (bencoded metainfo) of `content` named `name`, announced at
// `announce`. Throws std::runtime_error when OpenSSL cannot hash.
std::string TorrentFile(std::string_view announce, std::string_view name, std::string_view content);

}  // namespace demo
