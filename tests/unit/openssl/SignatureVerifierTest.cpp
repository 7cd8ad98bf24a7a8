#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/openssl/OpenSslSignatureVerifier.h"
#include "support/TempDir.h"

namespace platform {
// Names in failure messages instead of bytes.
void PrintTo(SignatureCheck check, std::ostream* out) {
  static constexpr const char* kNames[] = {"Valid",        "NoSignature", "MalformedSignature",
                                           "MalformedKey", "Unreadable",  "Mismatch"};
  *out << kNames[static_cast<int>(check)];
}
}  // namespace platform

namespace {

using platform::SignatureCheck;
using support::TempDir;

// The demo key and its signature of "hello\n", made by scripts/sign-installer with the
// openssl command: a known answer the verifier must accept as it is.
constexpr char16_t kDemoKey[] = u"NEGK7IBFc5RfrmUgMnuVkimvN15Lc2NZDogOnuRokMg=";
constexpr char16_t kHelloSignature[] =
    u"zlCZvwvFGXM2dpUAcRcah6FaYckRXkpiSvMgqwlwCqqseoESimuqgEAGW2rV0gILd+Ye9xfe17XI55NZ2MPACw==";

std::string Base64(const std::vector<unsigned char>& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                     static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// Decodes padded base64; the block decoder counts the padding as zero bytes.
std::vector<unsigned char> FromBase64(const base::Text& text) {
  const std::string ascii = base::ToUtf8(text);
  std::vector<unsigned char> bytes(ascii.size() / 4 * 3);
  const int length =
      EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(ascii.data()),
                      static_cast<int>(ascii.size()));
  const std::size_t padding = ascii.ends_with("==") ? 2 : ascii.ends_with("=") ? 1 : 0;
  bytes.resize(static_cast<std::size_t>(length) - padding);
  return bytes;
}

// The same text with the lowest bit of the base64 digit at `index` flipped.
base::Text FlipDigitBit(base::Text text, std::size_t index) {
  static constexpr std::u16string_view kDigits =
      u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  text.at(index) = kDigits[kDigits.find(text.at(index)) ^ 1];
  return text;
}

// A fresh Ed25519 key pair that signs as a maker does: the SHA-256 digest of the file.
class Signer {
 public:
  Signer() : key_(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), EVP_PKEY_free) {}

  base::Text PublicKey() const {
    std::vector<unsigned char> raw(32);
    std::size_t length = raw.size();
    EVP_PKEY_get_raw_public_key(key_.get(), raw.data(), &length);
    return base::FromUtf8(Base64(raw));
  }
  base::Text Sign(const std::string& contents) const {
    std::array<unsigned char, 32> digest{};
    unsigned int digestLength = 0;
    EVP_Digest(contents.data(), contents.size(), digest.data(), &digestLength, EVP_sha256(),
               nullptr);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          EVP_MD_CTX_free);
    std::vector<unsigned char> signature(64);
    std::size_t length = signature.size();
    EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, key_.get());
    EVP_DigestSign(context.get(), signature.data(), &length, digest.data(), digestLength);
    return base::FromUtf8(Base64(signature));
  }

 private:
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_;
};

// An installer spanning several of the verifier's chunks and ending inside one.
std::string Installer() {
  std::string bytes(3 * platform::openssl::OpenSslSignatureVerifier::kChunk + 1234, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 % 251);
  return bytes;
}

base::Text FlipByte(const base::Text& signature, std::size_t index) {
  std::vector<unsigned char> bytes = FromBase64(signature);
  bytes.at(index) ^= 0x01;
  return base::FromUtf8(Base64(bytes));
}

struct SignatureVerifierTest : ::testing::Test {
  SignatureVerifierTest() { support::WriteFile(dir.Path("setup.bin"), installer); }

  SignatureCheck Verify(const base::Text& key, const base::Text& signature,
                        const base::Text& path) {
    return verifier.Verify(key, signature, path);
  }

  TempDir dir;
  std::string installer = Installer();
  base::Text path = dir.Text("setup.bin");
  Signer maker;
  platform::openssl::OpenSslSignatureVerifier verifier;
};

TEST_F(SignatureVerifierTest, AcceptsTheMakersSignatureOfTheFile) {
  EXPECT_EQ(Verify(maker.PublicKey(), maker.Sign(installer), path), SignatureCheck::Valid);
}

TEST_F(SignatureVerifierTest, AcceptsASignatureMadeByTheOpensslCommand) {
  support::WriteFile(dir.Path("hello.txt"), "hello\n");
  EXPECT_EQ(Verify(kDemoKey, kHelloSignature, dir.Text("hello.txt")), SignatureCheck::Valid);
}

TEST_F(SignatureVerifierTest, AnyChangedByteOfTheFileIsAMismatch) {
  // The first byte, one on a chunk boundary, and the last.
  const std::size_t chunk = platform::openssl::OpenSslSignatureVerifier::kChunk;
  const base::Text signature = maker.Sign(installer);
  for (std::size_t index : {std::size_t{0}, chunk - 1, chunk, installer.size() - 1}) {
    SCOPED_TRACE(index);
    std::string changed = installer;
    changed[index] = static_cast<char>(changed[index] ^ 0x01);
    support::WriteFile(dir.Path("setup.bin"), changed);
    EXPECT_EQ(Verify(maker.PublicKey(), signature, path), SignatureCheck::Mismatch);
  }
  // Cut short or grown by a byte.
  support::WriteFile(dir.Path("setup.bin"), installer.substr(0, installer.size() - 1));
  EXPECT_EQ(Verify(maker.PublicKey(), signature, path), SignatureCheck::Mismatch);
  support::WriteFile(dir.Path("setup.bin"), installer + '\0');
  EXPECT_EQ(Verify(maker.PublicKey(), signature, path), SignatureCheck::Mismatch);
}

TEST_F(SignatureVerifierTest, AnyChangedByteOfTheSignatureIsAMismatch) {
  const base::Text signature = maker.Sign(installer);
  for (std::size_t index : {0, 31, 32, 63}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(Verify(maker.PublicKey(), FlipByte(signature, index), path),
              SignatureCheck::Mismatch);
  }
}

TEST_F(SignatureVerifierTest, ASignatureByAnotherKeyIsAMismatch) {
  const Signer other;
  EXPECT_EQ(Verify(maker.PublicKey(), other.Sign(installer), path), SignatureCheck::Mismatch);
  EXPECT_EQ(Verify(other.PublicKey(), maker.Sign(installer), path), SignatureCheck::Mismatch);
}

TEST_F(SignatureVerifierTest, AnEmptySignatureIsNoSignature) {
  EXPECT_EQ(Verify(maker.PublicKey(), u"", path), SignatureCheck::NoSignature);
}

TEST_F(SignatureVerifierTest, OnlyCanonicalBase64OfSixtyFourBytesIsASignature) {
  const base::Text good = maker.Sign(installer);
  ASSERT_EQ(good.size(), 88u);
  ASSERT_TRUE(good.ends_with(u"=="));
  const std::vector<unsigned char> bytes = FromBase64(good);
  auto withBytes = [&](std::size_t count) {
    std::vector<unsigned char> resized = bytes;
    resized.resize(count, 0x5a);
    return base::FromUtf8(Base64(resized));
  };
  const struct {
    const char* what;
    base::Text text;
  } cases[] = {
      {"63 bytes", withBytes(63)},
      {"65 bytes", withBytes(65)},
      {"48 bytes", withBytes(48)},
      {"without its padding", good.substr(0, 86)},
      {"with one padding character", good.substr(0, 87)},
      {"a blank before", u" " + good.substr(1)},
      {"a blank after", good.substr(0, 87) + u" "},
      {"a line break inside", good.substr(0, 43) + u"\n" + good.substr(44)},
      {"the URL-safe alphabet", u"-_" + good.substr(2)},
      {"a character outside ASCII", u"签" + good.substr(1)},
      {"padding in the middle", good.substr(0, 40) + u"==" + good.substr(42)},
      // The last digit before "==" holds 4 bits that the padding drops; they must be 0.
      {"non-zero bits under the padding", FlipDigitBit(good, 85)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Verify(maker.PublicKey(), c.text, path), SignatureCheck::MalformedSignature);
  }
}

TEST_F(SignatureVerifierTest, OnlyBase64OfThirtyTwoBytesIsAKey) {
  const base::Text key = maker.PublicKey();
  const base::Text signature = maker.Sign(installer);
  for (const base::Text& bad :
       {base::Text(), key.substr(0, 43), key + u"AAAA", FlipDigitBit(key, 42),
        key.substr(0, 43) + u"\n", base::FromUtf8(Base64(std::vector<unsigned char>(31, 7)))}) {
    SCOPED_TRACE(base::ToUtf8(bad));
    EXPECT_EQ(Verify(bad, signature, path), SignatureCheck::MalformedKey);
  }
}

TEST_F(SignatureVerifierTest, AFileThatCannotBeReadIsUnreadable) {
  const base::Text key = maker.PublicKey();
  const base::Text signature = maker.Sign(installer);
  EXPECT_EQ(Verify(key, signature, dir.Text("missing.bin")), SignatureCheck::Unreadable);
  std::filesystem::create_directory(dir.Path("folder"));
  EXPECT_EQ(Verify(key, signature, dir.Text("folder")), SignatureCheck::Unreadable);
}

TEST_F(SignatureVerifierTest, EmptyFilesAndNamesOutsideAsciiAreChecked) {
  support::WriteFile(dir.Path("空.bin"), "");
  EXPECT_EQ(Verify(maker.PublicKey(), maker.Sign(""), dir.Text("空.bin")), SignatureCheck::Valid);
  EXPECT_EQ(Verify(maker.PublicKey(), maker.Sign("x"), dir.Text("空.bin")),
            SignatureCheck::Mismatch);
}

}  // namespace
