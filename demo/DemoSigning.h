#pragma once

#include <string>
#include <string_view>

namespace demo {

// The demo update key (demo/demo-update-key.pem) in PEM form. A DEMO key: it is published
// with the source and protects nothing.
extern const char kDemoKeyPem[];

// The demo key's signature of an installer, as a maker's scripts/sign-installer makes it:
// Ed25519 over the 32 bytes of the file's SHA-256 digest, as standard base64 text.
// Throws std::runtime_error when OpenSSL cannot sign.
std::string DemoSignature(std::string_view installer);

// The manifest block that carries a signature: its markers and the signature, each line
// followed by CR LF (UTF-8; the manifest is served in GBK).
std::string SignatureBlock(std::string_view signature);

}  // namespace demo
