// quorin-demo-portal: serves the demo portal until it is killed.
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "demo/DemoPortal.h"

namespace {

constexpr const char* kUsage =
    "usage: quorin-demo-portal [--port N] [--bind ADDRESS] [--version V] [--rate BYTES_PER_SEC]\n"
    "                          [--manifest-delay MS] [--log FILE] [--installer-log FILE]\n"
    "                          [--signature good|bad|none]\n"
    "--signature: the manifest signs the installer with the demo key (good, the default),\n"
    "             carries the demo key's signature of another file (bad), or none.\n";

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "quorin-demo-portal: %s\n%s", message.c_str(), kUsage);
  std::exit(2);
}

long long Number(const std::string& option, const std::string& text, long long max) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < 0 || value > max) {
    Fail(option + ": not a number from 0 to " + std::to_string(max) + ": " + text);
  }
  return value;
}

// The version becomes a manifest line and part of the installer's file name.
bool IsVersion(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr(".-_+", c)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  demo::PortalOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    std::string value;
    if (const auto eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
      value = option.substr(eq + 1);
      option.resize(eq);
    } else if (option == "--help" || option == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      Fail(option + ": missing value");
    }
    if (option == "--port") {
      options.port = static_cast<int>(Number(option, value, 65535));
    } else if (option == "--bind") {
      options.bind = value;
    } else if (option == "--version") {
      if (!IsVersion(value)) Fail("--version: letters, digits and . - _ + only: " + value);
      options.version = value;
    } else if (option == "--rate") {
      options.rate = static_cast<std::size_t>(Number(option, value, 1LL << 40));
    } else if (option == "--manifest-delay") {
      options.manifestDelay = std::chrono::milliseconds(Number(option, value, 86'400'000));
    } else if (option == "--log") {
      options.logPath = value;
    } else if (option == "--installer-log") {
      options.installerLogPath = value;
    } else if (option == "--signature") {
      if (value == "good") {
        options.signature = demo::SignatureMode::Good;
      } else if (value == "bad") {
        options.signature = demo::SignatureMode::Bad;
      } else if (value == "none") {
        options.signature = demo::SignatureMode::None;
      } else {
        Fail("--signature: good, bad or none: " + value);
      }
    } else {
      Fail("unknown option " + option);
    }
  }

  try {
    demo::DemoPortal portal(options);
    if (!portal.Listen()) {
      std::fprintf(stderr, "quorin-demo-portal: cannot listen on %s:%d\n", options.bind.c_str(),
                   options.port);
      return 1;
    }
    const bool v6 = options.bind.find(':') != std::string::npos;
    const char* signature = options.signature == demo::SignatureMode::Good  ? "good"
                            : options.signature == demo::SignatureMode::Bad ? "bad"
                                                                            : "none";
    std::printf("quorin-demo-portal: http://%s%s%s:%d/ (manifest version %s, signature %s)\n",
                v6 ? "[" : "", options.bind.c_str(), v6 ? "]" : "", portal.Port(),
                options.version.c_str(), signature);
    std::fflush(stdout);
    portal.Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorin-demo-portal: %s\n", error.what());
    return 1;
  }
  return 0;
}
