#include "demo/DemoPortal.h"

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

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

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

std::string CrLfLines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string ExpectedManifest(const std::string& version, const std::string& hostAndPort) {
  return CrLfLines({kVersionStart, version, kVersionEnd, kServerStart,
                    "http://" + hostAndPort + "/files/", kServerEnd, kNameStart,
                    "QuorinSetup-" + version + ".sh", kNameEnd, kSaveAsStart, "QuorinSetup.sh",
                    kSaveAsEnd});
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

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "demo-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A portal on a free loopback port, serving on its own thread.
class RunningPortal {
 public:
  explicit RunningPortal(demo::PortalOptions options = {}) : portal_(WithFreePort(options)) {
    listening_ = portal_.Listen();
    thread_ = std::thread([this] { portal_.Run(); });
  }
  ~RunningPortal() {
    portal_.Stop();
    thread_.join();
  }

  bool Listening() const { return listening_; }
  std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(portal_.Port()); }
  void Stop() { portal_.Stop(); }

  httplib::Result Get(const std::string& target, const httplib::Headers& headers = {}) {
    httplib::Client client("127.0.0.1", portal_.Port());
    client.set_url_encode(false);
    return client.Get(target, headers);
  }

 private:
  static demo::PortalOptions WithFreePort(demo::PortalOptions options) {
    options.port = 0;
    return options;
  }

  demo::DemoPortal portal_;
  bool listening_ = false;
  std::thread thread_;
};

TEST(DemoPortal, ManifestIsTheGbkManifestWithCrLfAndPlainTextType) {
  RunningPortal portal;
  ASSERT_TRUE(portal.Listening());
  auto response = portal.Get("/yun/up1.txt");
  ASSERT_TRUE(response);
  EXPECT_EQ(response->status, 200);
  EXPECT_EQ(response->get_header_value("Content-Type"), "text/plain");
  EXPECT_EQ(response->body, ExpectedManifest("3.3", portal.HostAndPort()));
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
  // About 0.3 s for the file at 1 MiB/s.
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 2s);
}

TEST(DemoPortal, LogHasTheRequestBeforeTheDelayedManifestArrives) {
  TempDir dir;
  demo::PortalOptions options;
  options.logPath = (dir.path() / "requests.log").string();
  options.manifestDelay = 500ms;
  RunningPortal portal(options);
  const auto start = Clock::now();
  auto manifest = std::async(std::launch::async, [&] { return portal.Get("/yun/up1.txt"); });
  bool logged = false;
  while (!logged && Clock::now() - start < 400ms) {
    logged = ReadFile(options.logPath) == "GET /yun/up1.txt\n";
    if (!logged) std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(logged);
  EXPECT_EQ(manifest.wait_for(0s), std::future_status::timeout);
  auto response = manifest.get();
  EXPECT_GE(Clock::now() - start, 500ms);
  ASSERT_TRUE(response);
  EXPECT_EQ(response->body, ExpectedManifest("3.3", portal.HostAndPort()));

  portal.Get("/yun/move/list.asp?dir=2.html");
  EXPECT_EQ(ReadFile(options.logPath), "GET /yun/up1.txt\nGET /yun/move/list.asp?dir=2.html\n");
}

TEST(DemoPortal, StopCutsShortADelayedManifest) {
  demo::PortalOptions options;
  options.manifestDelay = 60s;
  auto portal = std::make_unique<RunningPortal>(options);
  auto manifest = std::async(std::launch::async, [&] { return portal->Get("/yun/up1.txt"); });
  std::this_thread::sleep_for(100ms);
  const auto start = Clock::now();
  portal.reset();
  EXPECT_LT(Clock::now() - start, 3s);
  manifest.get();
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
  options.port = std::stoi(first.HostAndPort().substr(first.HostAndPort().find(':') + 1));
  demo::DemoPortal second(options);
  EXPECT_FALSE(second.Listen());
}

}  // namespace
