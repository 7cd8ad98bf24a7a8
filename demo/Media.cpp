#include "demo/Media.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace demo {
namespace {

std::string Bytes(std::string_view text) {
  return std::to_string(text.size()) + ":" + std::string(text);
}

std::string Integer(std::size_t value) {
  return "i" + std::to_string(value) + "e";
}

std::string Sha1(std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha1(), nullptr) != 1)
    throw std::runtime_error("OpenSSL cannot hash the torrent's pieces");
  return std::string(reinterpret_cast<const char*>(digest), length);
}

}  // namespace

std::string TorrentFile(std::string_view announce, std::string_view name,
                        std::string_view content) {
  std::string pieces;
  for (std::size_t at = 0; at < content.size(); at += kPieceLength)
    pieces += Sha1(content.substr(at, std::min(kPieceLength, content.size() - at)));
  // Keys in byte order, as the format requires.
  return "d" + Bytes("announce") + Bytes(announce) + Bytes("created by") + Bytes("Quorin demo") +
         Bytes("info") + "d" + Bytes("length") + Integer(content.size()) + Bytes("name") +
         Bytes(name) + Bytes("piece length") + Integer(kPieceLength) + Bytes("pieces") +
         Bytes(pieces) + "ee";
}

}  // namespace demo
