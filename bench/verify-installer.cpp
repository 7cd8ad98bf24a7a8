// verify-installer KEY SIGNATURE FILE: the upgrade's signature check of FILE on the real
// adapter, as the upgrade window makes it. Prints the outcome, the time the check took
// and the peak memory it added to the process (the high-water mark of its resident set
// before and after the check). The first check in a process also loads OpenSSL's
// algorithms, once, whatever the file; a check of an empty file pays that first and is
// reported on its own line.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "base/Text.h"
#include "platform/openssl/OpenSslSignatureVerifier.h"

namespace {

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

const char* Name(platform::SignatureCheck check) {
  switch (check) {
    case platform::SignatureCheck::Valid:
      return "valid";
    case platform::SignatureCheck::NoSignature:
      return "no signature";
    case platform::SignatureCheck::MalformedSignature:
      return "malformed signature";
    case platform::SignatureCheck::MalformedKey:
      return "malformed key";
    case platform::SignatureCheck::Unreadable:
      return "unreadable";
    case platform::SignatureCheck::Mismatch:
      return "mismatch";
  }
  return "?";
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 4) {
    std::fputs("usage: verify-installer KEY SIGNATURE FILE\n", stderr);
    return 64;
  }
  platform::openssl::OpenSslSignatureVerifier verifier;
  const base::Text key = base::FromUtf8(argv[1]);
  const base::Text signature = base::FromUtf8(argv[2]);
  const base::Text path = base::FromUtf8(argv[3]);
  const long start = PeakKiB();
  verifier.Verify(key, signature, u"/dev/null");
  const long warm = PeakKiB();

  const long before = PeakKiB();
  const auto begin = std::chrono::steady_clock::now();
  const platform::SignatureCheck check = verifier.Verify(key, signature, path);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  const long after = PeakKiB();
  std::printf("first use of OpenSSL: +%ld KiB\n", warm - start);
  std::printf("%s in %.3f s; peak resident set %ld KiB before, %ld KiB after (+%ld KiB)\n",
              Name(check), seconds, before, after, after - before);
  return check == platform::SignatureCheck::Valid ? 0 : 1;
}
