#pragma once

#include "platform/SignatureVerifier.h"

namespace platform::openssl {

// The signature check over OpenSSL's EVP interface: SHA-256 of the file read in chunks
// of 64 KiB, then an Ed25519 verification of that digest. Base64 is accepted only in its
// canonical form, exactly as OpenSSL writes it back.
class OpenSslSignatureVerifier : public platform::SignatureVerifier {
 public:
  static constexpr std::size_t kChunk = 64 * 1024;

  SignatureCheck Verify(base::TextView publicKey, base::TextView signature,
                        const base::Text& path) override;
};

}  // namespace platform::openssl
