#include "platform/openssl/OpenSslSignatureVerifier.h"

#include <openssl/err.h>
#include <openssl/evp.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::openssl {
namespace {

constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kSignatureBytes = 64;
constexpr std::size_t kDigestBytes = 32;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

// The bytes of standard, padded base64 text of exactly `size` bytes. EVP_DecodeBlock
// alone skips blanks at either end, takes odd padding and decodes the padding as zero
// bytes, so the result is written back and must give the very same text.
std::optional<std::vector<unsigned char>> DecodeBase64(base::TextView text, std::size_t size) {
  const std::size_t length = 4 * ((size + 2) / 3);
  if (text.size() != length) return std::nullopt;
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7f) return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  std::vector<unsigned char> bytes(length / 4 * 3);
  const int decoded = EVP_DecodeBlock(
      bytes.data(), reinterpret_cast<const unsigned char*>(ascii.data()), static_cast<int>(length));
  if (decoded != static_cast<int>(bytes.size())) return std::nullopt;
  bytes.resize(size);
  std::string again(length + 1, '\0');
  if (EVP_EncodeBlock(reinterpret_cast<unsigned char*>(again.data()), bytes.data(),
                      static_cast<int>(size)) != static_cast<int>(length))
    return std::nullopt;
  again.resize(length);
  if (again != ascii) return std::nullopt;
  return bytes;
}

// The SHA-256 digest of the file, read through in bounded chunks.
std::optional<std::array<unsigned char, kDigestBytes>> DigestOf(const base::Text& path) {
  // "e": closed on exec, so no program started meanwhile inherits it.
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(base::ToUtf8(path).c_str(), "rbe"));
  if (!file) return std::nullopt;
  const Context context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
  std::vector<unsigned char> chunk(OpenSslSignatureVerifier::kChunk);
  std::size_t read = 0;
  while ((read = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0) {
    if (EVP_DigestUpdate(context.get(), chunk.data(), read) != 1) return std::nullopt;
  }
  // A directory opens but cannot be read; an I/O error ends the loop early.
  if (std::ferror(file.get())) return std::nullopt;
  std::array<unsigned char, kDigestBytes> digest{};
  unsigned int digestLength = 0;
  if (EVP_DigestFinal_ex(context.get(), digest.data(), &digestLength) != 1 ||
      digestLength != digest.size())
    return std::nullopt;
  return digest;
}

SignatureCheck Check(base::TextView publicKey, base::TextView signature, const base::Text& path) {
  const auto keyBytes = DecodeBase64(publicKey, kKeyBytes);
  if (!keyBytes) return SignatureCheck::MalformedKey;
  const std::unique_ptr<EVP_PKEY, KeyFree> key(
      EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, keyBytes->data(), keyBytes->size()));
  if (!key) return SignatureCheck::MalformedKey;
  if (signature.empty()) return SignatureCheck::NoSignature;
  const auto signatureBytes = DecodeBase64(signature, kSignatureBytes);
  if (!signatureBytes) return SignatureCheck::MalformedSignature;

  const auto digest = DigestOf(path);
  if (!digest) return SignatureCheck::Unreadable;

  // Ed25519 signs its message whole: the message is the digest, no further hashing.
  const Context context(EVP_MD_CTX_new());
  if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return SignatureCheck::Mismatch;
  const int verified = EVP_DigestVerify(context.get(), signatureBytes->data(),
                                        signatureBytes->size(), digest->data(), digest->size());
  return verified == 1 ? SignatureCheck::Valid : SignatureCheck::Mismatch;
}

}  // namespace

SignatureCheck OpenSslSignatureVerifier::Verify(base::TextView publicKey, base::TextView signature,
                                                const base::Text& path) {
  const SignatureCheck result = Check(publicKey, signature, path);
  // The HTTP client shares OpenSSL's per-thread error queue: leave nothing behind for it.
  ERR_clear_error();
  return result;
}

}  // namespace platform::openssl
