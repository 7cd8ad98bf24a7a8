#include "demo/DemoPortal.h"

#include "demo/Account.h"
#include "demo/DemoSigning.h"
#include "demo/Media.h"
#include "platform/openssl/OpenSslSignatureVerifier.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <iconv.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <initializer_list>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

// One request over a plain socket, and the answer's header `name` as it came on the
// wire: the HTTP library's client undoes percent escapes in header values.
std::string RawHeader(int port, const std::string& request, const std::string& name) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
    char buffer[4096];
    for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, got);
  }
  close(fd);
  const std::string key = "\r\n" + name + ": ";
  const std::size_t at = answer.find(key);
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size();
  return answer.substr(start, answer.find("\r\n", start) - start);
}

std::string RawGetHeader(int port, const std::string& target, const std::string& name) {
  return RawHeader(port, "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
                   name);
}

TEST(DemoPortal, ClipIsWebmAndAnswersTheRangesAMediaElementAsksFor) {
  const std::string clip(demo::DemoClip());
  ASSERT_TRUE(clip.starts_with("\x1a\x45\xdf\xa3"));  // EBML, as every WebM file begins
  ASSERT_GT(clip.size(), 1000u);
  const std::string size = std::to_string(clip.size());
  struct Case {
    std::string range;
    int status;
    std::string contentRange;
    std::string body;
  };
  const Case cases[] = {
      {"", 200, "", clip},
      {"bytes=0-", 206, "bytes 0-" + std::to_string(clip.size() - 1) + "/" + size, clip},
      {"bytes=100-199", 206, "bytes 100-199/" + size, clip.substr(100, 100)},
      {"bytes=-16", 206,
       "bytes " + std::to_string(clip.size() - 16) + "-" + std::to_string(clip.size() - 1) + "/" +
           size,
       clip.substr(clip.size() - 16)},
  };
  RunningPortal portal;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    httplib::Headers headers;
    if (!c.range.empty()) headers.emplace("Range", c.range);
    auto response = portal.Get("/yun/clip.webm", headers);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, c.status);
    EXPECT_EQ(response->get_header_value("Content-Type"), "video/webm");
    EXPECT_EQ(response->get_header_value("Content-Range"), c.contentRange);
    EXPECT_TRUE(response->body == c.body) << response->body.size() << " bytes";
  }
}

// Reads one bencoded value at `at` into `out` as "key.key" -> bytes (integers as their
// digits); false when it is malformed or a dictionary's keys are out of byte order.
bool Bdecode(const std::string& text, std::size_t& at, const std::string& path,
             std::map<std::string, std::string>& out) {
  const auto bytes = [&](std::string& value) {
    const std::size_t colon = text.find(':', at);
    if (colon == std::string::npos || colon == at ||
        text.find_first_not_of("0123456789", at) != colon)
      return false;
    const std::size_t length = std::stoul(text.substr(at, colon - at));
    if (colon + 1 + length > text.size()) return false;
    value = text.substr(colon + 1, length);
    at = colon + 1 + length;
    return true;
  };
  if (at < text.size() && text[at] == 'i') {
    const std::size_t end = text.find('e', at);
    if (end == std::string::npos) return false;
    out[path] = text.substr(at + 1, end - at - 1);
    at = end + 1;
    return true;
  }
  if (at < text.size() && text[at] == 'd') {
    std::string key, previous;
    for (++at; at < text.size() && text[at] != 'e'; previous = key) {
      if (!bytes(key) || (!previous.empty() && key <= previous)) return false;
      if (!Bdecode(text, at, path.empty() ? key : path + "." + key, out)) return false;
    }
    return at++ < text.size();
  }
  return bytes(out[path]);
}

std::map<std::string, std::string> Bdecode(const std::string& text) {
  std::map<std::string, std::string> out;
  std::size_t at = 0;
  if (!Bdecode(text, at, "", out) || at != text.size()) return {};
  return out;
}

std::string Sha1(std::string_view data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha1(), nullptr);
  return std::string(reinterpret_cast<const char*>(digest), length);
}

TEST(DemoPortal, SeedsAreTorrentsOfTheClipUnderTheNamesTheyAreOfferedWith) {
  const std::string clip(demo::DemoClip());
  std::string pieces;
  for (std::size_t at = 0; at < clip.size(); at += demo::kPieceLength)
    pieces += Sha1(clip.substr(at, demo::kPieceLength));
  const std::pair<const char*, std::string> seeds[] = {
      {"/yun/seed/1.torrent",
       "attachment; filename=\"xinghai.torrent\"; "
       "filename*=UTF-8''%E6%98%9F%E6%B5%B7%E6%8B%BE%E5%85%89.%E7%89%87%E8%8A%B1.torrent"},
      {"/yun/seed/2.torrent",
       "attachment; filename=\"../../etc/x.torrent\"; "
       "filename*=UTF-8''..%2F..%2Fetc%2Fx%09.torrent"},
  };
  RunningPortal portal;
  for (const auto& [path, disposition] : seeds) {
    SCOPED_TRACE(path);
    auto response = portal.Get(path);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->get_header_value("Content-Type"), "application/x-bittorrent");
    EXPECT_EQ(RawGetHeader(portal.Port(), path, "Content-Disposition"), disposition);
    const auto values = Bdecode(response->body);
    EXPECT_EQ(values.size(), 6u) << response->body;
    EXPECT_EQ(values.count("announce") ? values.at("announce") : "",
              "http://" + portal.HostAndPort() + "/announce");
    EXPECT_EQ(values.count("info.name") ? values.at("info.name") : "", "星海拾光.片花.webm");
    EXPECT_EQ(values.count("info.length") ? values.at("info.length") : "",
              std::to_string(clip.size()));
    EXPECT_EQ(values.count("info.piece length") ? values.at("info.piece length") : "", "16384");
    EXPECT_TRUE(values.count("info.pieces") && values.at("info.pieces") == pieces);
  }
  auto missing = portal.Get("/yun/seed/3.torrent");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 404);
}

TEST(DemoPortal, PagesLeadToThePlayerItsClipTheSeedsAndTheSignIn) {
  const std::pair<const char*, std::vector<std::string>> pages[] = {
      {"/yun/move", {"/yun/play", "/yun/login"}},
      {"/yun/move/list.asp?dir=7.html", {"/yun/play"}},
      {"/yun/play", {"/yun/clip.webm", "/yun/seed/1.torrent", "/yun/seed/2.torrent", "/yun/login"}},
      {"/yun/111", {"/yun/seed/1.torrent", "/yun/seed/2.torrent"}},
      {"/yun", {"/yun/seed/1.torrent", "/yun/seed/2.torrent"}},
  };
  RunningPortal portal;
  for (const auto& [path, links] : pages) {
    SCOPED_TRACE(path);
    auto response = portal.Get(path);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 200);
    EXPECT_EQ(response->get_header_value("Cache-Control"), "no-cache");
    for (const std::string& link : links)
      EXPECT_NE(response->body.find("=\"" + link + "\""), std::string::npos) << link;
  }
}

TEST(DemoPortal, ASignInLastsAYearAndEveryPageAndTheLogSeeItComeBack) {
  TempDir dir;
  demo::PortalOptions options;
  options.logPath = (dir.path() / "requests.log").string();
  RunningPortal portal(options);
  const std::string form = "name=+%E5%B0%8F%E6%98%8E+";
  const std::string cookie =
      RawHeader(portal.Port(),
                "POST /yun/login HTTP/1.1\r\nHost: x\r\nConnection: close\r\nContent-Type: "
                "application/x-www-form-urlencoded\r\nContent-Length: " +
                    std::to_string(form.size()) + "\r\n\r\n" + form,
                "Set-Cookie");
  EXPECT_TRUE(std::regex_match(cookie, std::regex("quorin_user=%E5%B0%8F%E6%98%8E; "
                                                  "Max-Age=31536000; Expires=\\w{3}, \\d\\d \\w{3} "
                                                  "\\d{4} \\d\\d:\\d\\d:\\d\\d GMT; Path=/; .*")))
      << cookie;
  httplib::Client client("127.0.0.1", portal.Port());
  auto signIn = client.Post("/yun/login", form, "application/x-www-form-urlencoded");
  ASSERT_TRUE(signIn);
  EXPECT_EQ(signIn->status, 200);
  EXPECT_NE(signIn->body.find("localStorage.setItem('quorin_user', \"小明\")"), std::string::npos);

  const std::string sent = "theme=dark; quorin_user=%E5%B0%8F%E6%98%8E";
  auto start = portal.Get("/yun/move", {{"Cookie", sent}});
  ASSERT_TRUE(start);
  EXPECT_NE(start->body.find("已登录：小明"), std::string::npos);
  auto category = portal.Get("/yun/move/list.asp?dir=1.html", {{"Cookie", sent}});
  ASSERT_TRUE(category);
  EXPECT_NE(FromGbk(category->body).find("已登录：小明"), std::string::npos);
  auto anonymous = portal.Get("/yun/move");
  ASSERT_TRUE(anonymous);
  EXPECT_EQ(anonymous->body.find("已登录"), std::string::npos);
  EXPECT_NE(anonymous->body.find("<a href=\"/yun/login\">登录</a>"), std::string::npos);

  // Whether or not the server library undoes the cookie's escapes, the log has it.
  const std::string logged = "  Cookie: theme=dark; quorin_user=(%E5%B0%8F%E6%98%8E|小明)\n";
  EXPECT_TRUE(std::regex_match(
      ReadFile(options.logPath),
      std::regex("POST /yun/login\nPOST /yun/login\nGET /yun/move\n" + logged +
                 "GET /yun/move/list.asp\\?dir=1.html\n" + logged + "GET /yun/move\n")))
      << ReadFile(options.logPath);
  auto signOut = portal.Get("/yun/logout");
  ASSERT_TRUE(signOut);
  EXPECT_TRUE(signOut->get_header_value("Set-Cookie").starts_with("quorin_user=; Max-Age=0;"));
}

TEST(DemoPortal, OnlyNamesThePortalWouldGiveCountAsSignedIn) {
  const std::pair<std::string, std::optional<std::string>> typed[] = {
      {"  小明\t", "小明"},
      {"<b>Ann & Bo</b>", "<b>Ann & Bo</b>"},
      {std::string(20, 'x'), std::string(20, 'x')},
      {"星海拾光星海拾光星海拾光星海拾光星海拾光", "星海拾光星海拾光星海拾光星海拾光星海拾光"},
      {std::string(21, 'x'), std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"a\nb", std::nullopt},
      {"a\x7f", std::nullopt},
      {"100%", std::nullopt},
      {"\xff\xfe", std::nullopt},          // not UTF-8
      {"\xf0\x9f\x8e\xac", std::nullopt},  // no GBK for it
  };
  for (const auto& [text, expected] : typed) {
    SCOPED_TRACE(text);
    EXPECT_EQ(demo::CleanUserName(text), expected);
  }
  const std::pair<const char*, const char*> cookies[] = {
      {"quorin_user=Ann", "Ann"},
      {"a=1;quorin_user=%3Cb%3E ; b=2", "<b>"},
      {"xquorin_user=Ann", ""},
      {"quorin_user=%20Ann", ""},  // not as the portal would have set it
      {"quorin_user=a%0Ab", ""},
      {"quorin_user", ""},
      {"", ""},
  };
  for (const auto& [header, user] : cookies) {
    SCOPED_TRACE(header);
    EXPECT_EQ(demo::UserFromCookies(header), user);
  }

  RunningPortal portal;
  auto forged = portal.Get("/yun/play", {{"Cookie", "quorin_user=%3Cscript%3Ex"}});
  ASSERT_TRUE(forged);
  EXPECT_NE(forged->body.find("已登录：&lt;script&gt;x"), std::string::npos);
  httplib::Client client("127.0.0.1", portal.Port());
  auto refused = client.Post("/yun/login", "name=", "application/x-www-form-urlencoded");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 400);
  EXPECT_FALSE(refused->has_header("Set-Cookie"));
}

TEST(DemoPortal, ManifestIsCacheableYetRevalidatesAndFollowsTheAnnouncedVersion) {
  RunningPortal portal;
  auto first = portal.Get("/yun/up1.txt");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->get_header_value("Cache-Control"), "max-age=86400");
  const std::string tag = first->get_header_value("ETag");
  EXPECT_TRUE(std::regex_match(tag, std::regex("\"[0-9a-f]{16}\""))) << tag;

  auto same = portal.Get("/yun/up1.txt", {{"If-None-Match", tag}});
  ASSERT_TRUE(same);
  EXPECT_EQ(same->status, 304);
  EXPECT_EQ(same->body, "");

  httplib::Client client("127.0.0.1", portal.Port());
  for (const char* bad : {"version=", "version=3%204", "version=..%2Fx"}) {
    auto refused = client.Post("/demo/version", bad, "application/x-www-form-urlencoded");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400) << bad;
  }
  auto changed = client.Post("/demo/version", "version=3.4", "application/x-www-form-urlencoded");
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->status, 204);

  auto fresh = portal.Get("/yun/up1.txt", {{"If-None-Match", tag}});
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->status, 200);
  EXPECT_EQ(fresh->body, ExpectedManifest("3.4", portal.HostAndPort()));
  EXPECT_NE(fresh->get_header_value("ETag"), tag);
  auto installer = portal.Get("/files/QuorinSetup-3.4.sh");
  ASSERT_TRUE(installer);
  EXPECT_EQ(installer->status, 200);
  auto maker = portal.Get("/download/Quorin.exe");
  ASSERT_TRUE(maker);
  EXPECT_NE(maker->body.find("href=\"/files/QuorinSetup-3.4.sh\""), std::string::npos);
}

TEST(DemoPortal, SecondPortalOnTheSamePortFailsToListen) {
  RunningPortal first;
  demo::PortalOptions options;
  options.port = first.Port();
  demo::DemoPortal second(options);
  EXPECT_FALSE(second.Listen());
}

}  // namespace
