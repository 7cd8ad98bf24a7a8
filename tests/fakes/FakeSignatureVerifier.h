#pragma once

#include <functional>
#include <vector>

#include "base/Text.h"
#include "platform/SignatureVerifier.h"

namespace fakes {

// Answers every check with `answer` and keeps what it was asked. It refuses unless told
// otherwise, as the real one does for anything the maker did not sign.
class FakeSignatureVerifier : public platform::SignatureVerifier {
 public:
  struct Call {
    base::Text publicKey;
    base::Text signature;
    base::Text path;
  };

  platform::SignatureCheck Verify(base::TextView publicKey, base::TextView signature,
                                  const base::Text& path) override {
    calls.push_back({base::Text(publicKey), base::Text(signature), path});
    if (onVerify) onVerify();
    return answer;
  }

  platform::SignatureCheck answer = platform::SignatureCheck::Mismatch;
  std::vector<Call> calls;
  // Runs inside each check, before it answers.
  std::function<void()> onVerify;
};

}  // namespace fakes
