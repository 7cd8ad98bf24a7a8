#include "demo/DemoSigning.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>
#include <stdexcept>

namespace demo {
namespace {

template <auto Free>
struct Deleter {
  template <class T>
  void operator()(T* p) const {
    Free(p);
  }
};

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string("cannot sign the demo installer: ") + what);
}

}  // namespace

std::string DemoSignature(std::string_view installer) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_Digest(installer.data(), installer.size(), digest, &digestLength, EVP_sha256(),
                 nullptr) != 1)
    Fail("SHA-256");

  const std::unique_ptr<BIO, Deleter<BIO_free>> pem(BIO_new_mem_buf(kDemoKeyPem, -1));
  const std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>> key(
      pem ? PEM_read_bio_PrivateKey(pem.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!key) Fail("the demo key does not read");
  const std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX_free>> context(EVP_MD_CTX_new());
  unsigned char signature[64];
  std::size_t signatureLength = sizeof signature;
  if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
      EVP_DigestSign(context.get(), signature, &signatureLength, digest, digestLength) != 1 ||
      signatureLength != sizeof signature)
    Fail("Ed25519");

  std::string text(4 * ((sizeof signature + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), signature,
                                     static_cast<int>(sizeof signature));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::string SignatureBlock(std::string_view signature) {
  return "安装包签名\r\n" + std::string(signature) + "\r\n签名结束\r\n";
}

}  // namespace demo
