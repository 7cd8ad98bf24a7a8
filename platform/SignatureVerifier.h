#pragma once

#include "base/Text.h"

namespace platform {

// What checking a file against the maker's signature found. Only Valid lets it run.
enum class SignatureCheck {
  Valid,               // the key signed exactly this file
  NoSignature,         // the signature text is empty
  MalformedSignature,  // not the standard base64 text of 64 bytes
  MalformedKey,        // not the standard base64 text of 32 bytes: the build is set up wrong
  Unreadable,          // the file cannot be opened or read to its end
  Mismatch,            // well formed, but not the key's signature of this file
};

// Checks a downloaded installer against the maker's key: an Ed25519 signature over the
// 32 bytes of the file's SHA-256 digest. Key and signature are standard base64 text
// (padded, nothing else around it). The file is read in bounded chunks, so an installer
// of any size costs the same little memory.
class SignatureVerifier {
 public:
  virtual ~SignatureVerifier() = default;
  virtual SignatureCheck Verify(base::TextView publicKey, base::TextView signature,
                                const base::Text& path) = 0;
};

}  // namespace platform
