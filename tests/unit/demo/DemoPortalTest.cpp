#include "demo/DemoPortal.h"

#include "demo/DemoSigning.h"
#include "platform/openssl/OpenSslSignatureVerifier.h"

#include <httplib.h>
#include <iconv.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <initializer_list>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "support/Wait.h"
#include "support/portal/RunningPortal.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using support::ReadFile;
using support::RunningPortal;
using support::TempDir;
using support::WaitFor;

// The manifest markers in GBK, written out byte by byte so that the check does not lean
// on the server's own conversion.
constexpr const char* kVersionStart = "\xcf\xc2\xd4\xd8\xbf\xaa\xca\xbc";
constexpr const char* kVersionEnd = "\xcf\xc2\xd4\xd8\xbd\xe1\xca\xf8";
constexpr const char* kServerStart =
    "\xb7\xfe\xce\xf1\xc6\xf7\xd2\xbb\xcf\xc2\xd4\xd8\xbf\xaa\xca\xbc";
constexpr const char* kServerEnd =
    "\xb7\xfe\xce\xf1\xc6\xf7\xd2\xbb\xcf\xc2\xd4\xd8\xbd\xe1\xca\xf8";
constexpr const char* kNameStart = "\xce\xc4\xbc\xfe\xc3\xfb\xcf\xc2\xd4\xd8";
constexpr const char* kNameEnd = "\xce\xc4\xbc\xfe\xc3\xfb\xbd\xe1\xca\xf8";
constexpr const char* kSaveAsStart = "\xb8\xc4\xce\xc4\xbc\xfe\xc3\xfb";
constexpr const char* kSaveAsEnd = "\xcd\xea\xb3\xc9\xce\xc4\xbc\xfe";
constexpr const char* kSignatureStart = "\xb0\xb2\xd7\xb0\xb0\xfc\xc7\xa9\xc3\xfb";
constexpr const char* kSignatureEnd = "\xc7\xa9\xc3\xfb\xbd\xe1\xca\xf8";

std::string CrLfLines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string UnsignedManifest(const std::string& version, const std::string& hostAndPort) {
  return CrLfLines({kVersionStart, version, kVersionEnd, kServerStart,
                    "http://" + hostAndPort + "/files/", kServerEnd, kNameStart,
                    "QuorinSetup-" + version + ".sh", kNameEnd, kSaveAsStart, "QuorinSetup.sh",
                    kSaveAsEnd});
}

// The signature in the block that ends a manifest; empty when there is none.
std::string SignatureIn(const std::string& manifest) {
  const std::string start = std::string(kSignatureStart) + "\r\n";
  const std::string end = std::string("\r\n") + kSignatureEnd + "\r\n";
  const std::size_t at = manifest.find(start);
  if (at == std::string::npos || !manifest.ends_with(end)) return {};
  return manifest.substr(at + start.size(), manifest.size() - end.size() - at - start.size());
}

// The manifest as the portal serves it by default: signed with the demo key.
std::string ExpectedManifest(const std::string& version, const std::string& hostAndPort) {
  const std::string installer = demo::InstallerScript(version, "");
  return UnsignedManifest(version, hostAndPort) +
         CrLfLines({kSignatureStart, demo::DemoSignature(installer), kSignatureEnd});
}

// Strict GBK to UTF-8; empty when the bytes are not GBK.
std::string FromGbk(const std::string& gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  std::string out(gbk.size() * 2 + 1, '\0');
  char* in = const_cast<char*>(gbk.data());
  std::size_t inLeft = gbk.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  const bool ok = iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return {};
  out.resize(out.size() - outLeft);
  return out;
}

TEST(DemoPortal, ManifestIsTheGbkManifestWithCrLfAndPlainTextType) {
  RunningPortal portal;
  auto response = portal.Get("/yun/up1.txt");
  ASSERT_TRUE(response);
  EXPECT_EQ(response->status, 200);
  EXPECT_EQ(response->get_header_value("Content-Type"), "text/plain");
  EXPECT_EQ(response->body, ExpectedManifest("3.3", portal.HostAndPort()));
}

// The installer as fetched and the signature its manifest carries, checked with the
// program's own verifier against the demo key.
struct Signed {
  std::string manifest;
  std::string installer;
  platform::SignatureCheck check = platform::SignatureCheck::Mismatch;
};

Signed FetchAndCheck(demo::SignatureMode mode) {
  demo::PortalOptions options;
  options.signature = mode;
  RunningPortal portal(options);
  Signed result;
  auto manifest = portal.Get("/yun/up1.txt");
  auto installer = portal.Get("/files/QuorinSetup-3.3.sh");
  if (!manifest || !installer) return result;
  result.manifest = manifest->body;
  result.installer = installer->body;
  TempDir dir;
  std::ofstream(dir.path() / "setup.sh", std::ios::binary) << installer->body;
  platform::openssl::OpenSslSignatureVerifier verifier;
  result.check = verifier.Verify(u"NEGK7IBFc5RfrmUgMnuVkimvN15Lc2NZDogOnuRokMg=",
                                 base::FromUtf8(SignatureIn(manifest->body)),
                                 base::FromUtf8((dir.path() / "setup.sh").string()));
  return result;
}

TEST(DemoPortal, ManifestSignsTheInstallerWithTheDemoKey) {
  const Signed good = FetchAndCheck(demo::SignatureMode::Good);
  EXPECT_EQ(good.check, platform::SignatureCheck::Valid);
  EXPECT_EQ(SignatureIn(good.manifest).size(), 88u);
}

TEST(DemoPortal, ABadSignatureIsWellFormedButNotTheInstallers) {
  const Signed good = FetchAndCheck(demo::SignatureMode::Good);
  const Signed bad = FetchAndCheck(demo::SignatureMode::Bad);
  EXPECT_EQ(bad.check, platform::SignatureCheck::Mismatch);
  EXPECT_EQ(SignatureIn(bad.manifest).size(), 88u);
  EXPECT_NE(SignatureIn(bad.manifest), SignatureIn(good.manifest));
  EXPECT_EQ(bad.installer, good.installer);
}

TEST(DemoPortal, NoSignatureLeavesTheBlockOut) {
  demo::PortalOptions options;
  options.signature = demo::SignatureMode::None;
  RunningPortal portal(options);
  auto manifest = portal.Get("/yun/up1.txt");
  ASSERT_TRUE(manifest);
  EXPECT_EQ(manifest->body, UnsignedManifest("3.3", portal.HostAndPort()));
}

TEST(DemoPortal, ManifestPrefixNamesTheHostTheClientUsed) {
  RunningPortal portal;
  auto response = portal.Get("/yun/up1.txt", {{"Host", "localhost:8731"}});
  ASSERT_TRUE(response);
  EXPECT_EQ(response->body, ExpectedManifest("3.3", "localhost:8731"));
}

TEST(DemoPortal, VersionOptionChangesTheVersionLineAndTheInstallerName) {
  demo::PortalOptions options;
  options.version = "3.31";
  RunningPortal portal(options);
  auto manifest = portal.Get("/yun/up1.txt");
  ASSERT_TRUE(manifest);
  EXPECT_EQ(manifest->body, ExpectedManifest("3.31", portal.HostAndPort()));

  auto installer = portal.Get("/files/QuorinSetup-3.31.sh");
  ASSERT_TRUE(installer);
  EXPECT_EQ(installer->status, 200);
  auto other = portal.Get("/files/QuorinSetup-3.3.sh");
  ASSERT_TRUE(other);
  EXPECT_EQ(other->status, 404);
}

TEST(DemoPortal, InstallerHasItsLengthAndRecordsEachRun) {
  TempDir dir;
  demo::PortalOptions options;
  options.installerLogPath = (dir.path() / "it's here.log").string();
  RunningPortal portal(options);
  auto response = portal.Get("/files/QuorinSetup-3.3.sh");
  ASSERT_TRUE(response);
  ASSERT_EQ(response->status, 200);
  EXPECT_EQ(response->get_header_value("Content-Length"), std::to_string(response->body.size()));
  EXPECT_GE(response->body.size(), 200u * 1024);
  EXPECT_TRUE(response->body.starts_with("#!/bin/sh\n"));

  const auto script = dir.path() / "QuorinSetup.sh";
  std::ofstream(script, std::ios::binary) << response->body;
  const std::string run = "sh '" + script.string() + "'";
  ASSERT_EQ(std::system(run.c_str()), 0);
  ASSERT_EQ(std::system(run.c_str()), 0);
  const std::string log = ReadFile(options.installerLogPath);
  EXPECT_TRUE(
      std::regex_match(log, std::regex("(\\d{4}-\\d\\d-\\d\\d [^\\n]* 3\\.3 [^\\n]*\\n){2}")))
      << log;
}

TEST(DemoPortal, InstallerWithoutLogOptionRecordsInTheHomeDirectory) {
  TempDir home;
  RunningPortal portal;
  auto response = portal.Get("/files/QuorinSetup-3.3.sh");
  ASSERT_TRUE(response);
  const auto script = home.path() / "QuorinSetup.sh";
  std::ofstream(script, std::ios::binary) << response->body;
  const std::string run = "HOME='" + home.path().string() + "' sh '" + script.string() + "'";
  ASSERT_EQ(std::system(run.c_str()), 0);
  EXPECT_NE(ReadFile(home.path() / ".quorin-demo-installer.log").find("3.3"), std::string::npos);
}

TEST(DemoPortal, RateLimitSlowsTheInstallerButKeepsItsBytes) {
  RunningPortal unlimited;
  auto whole = unlimited.Get("/files/QuorinSetup-3.3.sh");
  ASSERT_TRUE(whole);

  demo::PortalOptions options;
  options.rate = 1024 * 1024;
  RunningPortal limited(options);
  const auto start = Clock::now();
  auto slow = limited.Get("/files/QuorinSetup-3.3.sh");
  const auto elapsed = Clock::now() - start;
  ASSERT_TRUE(slow);
  EXPECT_EQ(slow->body, whole->body);
  EXPECT_EQ(slow->get_header_value("Content-Length"), std::to_string(whole->body.size()));
  // No faster than the rate allows: about 0.3 s for the file at 1 MiB/s.
  EXPECT_GE(elapsed, 250ms);
}

TEST(DemoPortal, DelayedManifestComesAfterItsDelay) {
  demo::PortalOptions options;
  options.manifestDelay = 500ms;
  RunningPortal portal(options);
  const auto start = Clock::now();
  auto response = portal.Get("/yun/up1.txt");
  EXPECT_GE(Clock::now() - start, 500ms);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->body, ExpectedManifest("3.3", portal.HostAndPort()));
}

TEST(DemoPortal, LogHasEachRequestWhileTheManifestIsStillDelayed) {
  TempDir dir;
  demo::PortalOptions options;
  options.logPath = (dir.path() / "requests.log").string();
  options.manifestDelay = 10min;
  RunningPortal portal(options);
  auto manifest = std::async(std::launch::async, [&] { return portal.Get("/yun/up1.txt"); });
  EXPECT_TRUE(WaitFor([&] { return ReadFile(options.logPath) == "GET /yun/up1.txt\n"; }));
  portal.Get("/yun/move/list.asp?dir=2.html");
  EXPECT_EQ(ReadFile(options.logPath), "GET /yun/up1.txt\nGET /yun/move/list.asp?dir=2.html\n");
  EXPECT_EQ(manifest.wait_for(0s), std::future_status::timeout);
  portal.Stop();
}

TEST(DemoPortal, StopCutsShortADelayedManifest) {
  TempDir dir;
  demo::PortalOptions options;
  options.logPath = (dir.path() / "requests.log").string();
  options.manifestDelay = 10min;
  auto portal = std::make_unique<RunningPortal>(options);
  auto manifest = std::async(std::launch::async, [&] { return portal->Get("/yun/up1.txt"); });
  // Logged as it arrives: from here on the answer waits out its delay.
  ASSERT_TRUE(WaitFor([&] { return !ReadFile(options.logPath).empty(); }));
  portal.reset();
  auto response = manifest.get();
  ASSERT_TRUE(response);
  EXPECT_EQ(response->status, 503);
}

TEST(DemoPortal, CategoryPagesAreGbkWithoutDeclaredCharset) {
  const std::pair<int, std::string> categories[] = {
      {1, "动作片"}, {2, "喜剧片"}, {3, "爱情片"},  {4, "科幻片"},  {5, "恐怖片"},  {7, "剧情片"},
      {8, "动画片"}, {9, "综艺片"}, {10, "国产片"}, {11, "港台片"}, {12, "日韩片"}, {13, "欧美片"}};
  RunningPortal portal;
  for (const auto& [dir, name] : categories) {
    SCOPED_TRACE(dir);
    auto response = portal.Get("/yun/move/list.asp?dir=" + std::to_string(dir) + ".html");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->get_header_value("Content-Type"), "text/html");
    EXPECT_EQ(response->body.find("charset"), std::string::npos);
    const std::string text = FromGbk(response->body);
    EXPECT_NE(text.find("<h2 class=\"sec\">" + name + "</h2>"), std::string::npos);
  }
}

TEST(DemoPortal, UnknownCategoriesGetTheNoSuchCategoryPage) {
  RunningPortal portal;
  for (const char* dir : {"6.html", "0.html", "14.html", "1", "1.htm", "x"}) {
    SCOPED_TRACE(dir);
    auto response = portal.Get(std::string("/yun/move/list.asp?dir=") + dir);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 404);
    EXPECT_NE(FromGbk(response->body).find("没有这个分类"), std::string::npos);
  }
}

TEST(DemoPortal, EveryCategoryLinkOfTheStartPageLeadsToACategoryPage) {
  RunningPortal portal;
  auto start = portal.Get("/yun/move");
  ASSERT_TRUE(start);
  std::set<std::string> links;
  const std::regex link("href=\"(/yun/move/list\\.asp\\?dir=[^\"]*)\"");
  for (std::sregex_iterator it(start->body.begin(), start->body.end(), link), end; it != end;
       ++it) {
    links.insert((*it)[1]);
  }
  EXPECT_EQ(links.size(), 12u);
  for (const std::string& target : links) {
    auto page = portal.Get(target);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200) << target;
  }
}

TEST(DemoPortal, PortalPagesDeclareUtf8) {
  RunningPortal portal;
  for (const char* path :
       {"/yun/move", "/yun/tv.html", "/yun/111", "/yun", "/", "/download/Quorin.exe"}) {
    SCOPED_TRACE(path);
    auto response = portal.Get(path);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(response->body.find("<meta charset=\"utf-8\">"), std::string::npos);
  }
  auto download = portal.Get("/download/Quorin.exe");
  EXPECT_NE(download->body.find("href=\"/files/QuorinSetup-3.3.sh\""), std::string::npos);
}

TEST(DemoPortal, ResolverShowsTheWholeUrlEscaped) {
  RunningPortal portal;
  auto response =
      portal.Get("/happyvod/api.html?url=http://127.0.0.1/v?b=1&c=%3Cscript%3E%20%E7%89%87");
  ASSERT_TRUE(response);
  EXPECT_NE(response->body.find("http://127.0.0.1/v?b=1&amp;c=&lt;script&gt; 片"),
            std::string::npos);
  EXPECT_EQ(response->body.find("<script>"), std::string::npos);
}

TEST(DemoPortal, FlashFileHasItsType) {
  RunningPortal portal;
  auto response = portal.Get("/tfscom/T1UkuRXE4fXXXtxVjX.swf");
  ASSERT_TRUE(response);
  EXPECT_EQ(response->get_header_value("Content-Type"), "application/x-shockwave-flash");
  EXPECT_TRUE(response->body.starts_with("FWS"));
  EXPECT_EQ(static_cast<unsigned char>(response->body[4]), response->body.size());
}

TEST(DemoPortal, SecondPortalOnTheSamePortFailsToListen) {
  RunningPortal first;
  demo::PortalOptions options;
  options.port = first.Port();
  demo::DemoPortal second(options);
  EXPECT_FALSE(second.Listen());
}

}  // namespace
