// scripts/sign-installer, the maker's tool, against the program's verifier.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "platform/openssl/OpenSslSignatureVerifier.h"
#include "support/TempDir.h"

namespace {

using platform::SignatureCheck;
using support::TempDir;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct ScriptRun {
  int status = -1;
  std::string out;
};

// Runs the script with the arguments; its standard output and exit status.
ScriptRun SignInstaller(const std::string& arguments) {
  const std::string command = Quote(QUORIN_SIGN_INSTALLER) + " " + arguments + " 2>/dev/null";
  ScriptRun run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, read);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The signature out of a UTF-8 block; empty when the block is not laid out as it must be.
std::string SignatureOf(const std::string& block) {
  const std::string start = "安装包签名\r\n";
  const std::string end = "\r\n签名结束\r\n";
  if (!block.starts_with(start) || !block.ends_with(end)) return {};
  return block.substr(start.size(), block.size() - start.size() - end.size());
}

TEST(SignInstaller, ANewKeySignsInstallersTheProgramAccepts) {
  TempDir dir;
  const ScriptRun made = SignInstaller("--new-key " + Quote(dir.Path("keys").string()));
  ASSERT_EQ(made.status, 0);
  ASSERT_EQ(made.out.size(), 45u) << made.out;  // 44 characters of base64 and a line feed
  const base::Text key = base::FromUtf8(made.out.substr(0, 44));
  const std::string keyFile = dir.Path("keys/quorin-update-key.pem").string();
  struct stat info {};
  ASSERT_EQ(stat(keyFile.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  support::WriteFile(dir.Path("安装.bin"), std::string(100000, 'q'));
  const ScriptRun block =
      SignInstaller("--utf8 " + Quote(keyFile) + " " + Quote(dir.Path("安装.bin").string()));
  ASSERT_EQ(block.status, 0);
  const std::string signature = SignatureOf(block.out);
  ASSERT_EQ(signature.size(), 88u) << block.out;

  platform::openssl::OpenSslSignatureVerifier verifier;
  EXPECT_EQ(verifier.Verify(key, base::FromUtf8(signature), dir.Text("安装.bin")),
            SignatureCheck::Valid);
  support::WriteFile(dir.Path("安装.bin"), std::string(100000, 'q') + "!");
  EXPECT_EQ(verifier.Verify(key, base::FromUtf8(signature), dir.Text("安装.bin")),
            SignatureCheck::Mismatch);
}

TEST(SignInstaller, AnExistingKeyIsNeverOverwritten) {
  TempDir dir;
  const std::string keys = Quote(dir.Path("keys").string());
  ASSERT_EQ(SignInstaller("--new-key " + keys).status, 0);
  const std::string key = support::ReadFile(dir.Path("keys/quorin-update-key.pem"));
  EXPECT_NE(SignInstaller("--new-key " + keys).status, 0);
  EXPECT_EQ(support::ReadFile(dir.Path("keys/quorin-update-key.pem")), key);
}

TEST(SignInstaller, TheBlockIsInTheManifestsCodePageUnlessToldOtherwise) {
  TempDir dir;
  support::WriteFile(dir.Path("hello.txt"), "hello\n");
  const std::string args =
      Quote(QUORIN_DEMO_KEY_FILE) + " " + Quote(dir.Path("hello.txt").string());
  // Ed25519 signatures are deterministic: the demo key's signature of "hello\n".
  const std::string signature =
      "zlCZvwvFGXM2dpUAcRcah6FaYckRXkpiSvMgqwlwCqqseoESimuqgEAGW2rV0gILd+Ye9xfe17XI55NZ2MPACw==";
  const ScriptRun utf8 = SignInstaller("--utf8 " + args);
  EXPECT_EQ(utf8.status, 0);
  EXPECT_EQ(utf8.out, "安装包签名\r\n" + signature + "\r\n签名结束\r\n");
  const ScriptRun gbk = SignInstaller(args);
  EXPECT_EQ(gbk.status, 0);
  // "安装包签名" and "签名结束" in GBK, byte by byte.
  EXPECT_EQ(gbk.out, "\xb0\xb2\xd7\xb0\xb0\xfc\xc7\xa9\xc3\xfb\r\n" + signature +
                         "\r\n\xc7\xa9\xc3\xfb\xbd\xe1\xca\xf8\r\n");
}

TEST(SignInstaller, RefusesWhatItCannotSign) {
  TempDir dir;
  support::WriteFile(dir.Path("setup.bin"), "setup");
  const std::string installer = Quote(dir.Path("setup.bin").string());
  // Not an Ed25519 key.
  ASSERT_EQ(std::system(("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out " +
                         Quote(dir.Path("ec.pem").string()) + " 2>/dev/null")
                            .c_str()),
            0);
  const ScriptRun ec = SignInstaller(Quote(dir.Path("ec.pem").string()) + " " + installer);
  EXPECT_NE(ec.status, 0);
  EXPECT_EQ(ec.out, "");
  const ScriptRun noInstaller =
      SignInstaller(Quote(QUORIN_DEMO_KEY_FILE) + " " + Quote(dir.Path("none.bin").string()));
  EXPECT_NE(noInstaller.status, 0);
  EXPECT_EQ(noInstaller.out, "");
  EXPECT_NE(SignInstaller(installer).status, 0);
}

}  // namespace
