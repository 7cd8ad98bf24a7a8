#pragma once

#include <memory>

#include "app/Config.h"
#include "app/Program.h"
#include "base/RuntimeError.h"
#include "fakes/FakeBrowser.h"
#include "fakes/FakeEventLoop.h"
#include "fakes/FakeShell.h"
#include "fakes/FakeSignatureVerifier.h"
#include "fakes/FakeUi.h"
#include "platform/Platform.h"

namespace apptest {

// The main window makes no HTTP request, touches no file and decodes nothing itself:
// these services fail every call, so a test notices if it ever does.
struct NoHttp : platform::HttpClient {
  Handle InternetOpen(const std::string&, std::uint32_t, const char*, const char*,
                      std::uint32_t) override {
    return Used();
  }
  Handle InternetConnect(Handle, const std::string&, std::int16_t, const char*, const char*,
                         std::uint32_t, std::uint32_t, std::uintptr_t) override {
    return Used();
  }
  Handle HttpOpenRequest(Handle, const std::string&, const std::string&, const std::string&,
                         const char*, const char* const*, std::uint32_t, std::uintptr_t) override {
    return Used();
  }
  bool HttpAddRequestHeaders(Handle, const std::string&, std::uint32_t, std::uint32_t) override {
    return Used();
  }
  bool InternetSetCookie(const std::string&, const char*, const std::string&) override {
    return Used();
  }
  bool HttpSendRequest(Handle, const char*, std::uint32_t, const std::string&,
                       std::uint32_t) override {
    return Used();
  }
  bool HttpQueryInfo(Handle, std::uint32_t, char*, std::uint32_t&, std::uint32_t&) override {
    return Used();
  }
  bool InternetReadFile(Handle, std::uint8_t*, std::uint32_t, std::uint32_t&) override {
    return Used();
  }
  bool InternetGetCookie(const std::string&, const std::string&, char*, std::uint32_t&) override {
    return Used();
  }
  bool InternetCloseHandle(Handle) override { return Used(); }
  bool DeleteUrlCacheEntry(const std::string&) override { return Used(); }
  int calls = 0;

 private:
  int Used() {
    ++calls;
    return 0;
  }
};

struct NoFiles : platform::FileSystem {
  bool FileExists(const base::Text&) override { return Used(); }
  std::optional<std::int64_t> FileSize(const base::Text&) override {
    Used();
    return std::nullopt;
  }
  bool DeleteFile(const base::Text&) override { return Used(); }
  bool PathExists(const base::Text&) override { return Used(); }
  bool CreateDirectory(const base::Text&) override { return Used(); }
  FileHandle OpenForWriting(const base::Text&) override {
    Used();
    return kInvalid;
  }
  bool SeekToStart(FileHandle) override { return Used(); }
  bool Truncate(FileHandle) override { return Used(); }
  bool Write(FileHandle, const std::uint8_t*, std::uint32_t, std::uint32_t&) override {
    return Used();
  }
  bool Close(FileHandle) override { return Used(); }
  int calls = 0;

 private:
  bool Used() {
    ++calls;
    return false;
  }
};

struct StillClock : platform::Clock {
  double SecondsSinceMidnight() override { return 3600.0; }
  std::int64_t SecondsSinceEpoch() override { return 1'300'000'000; }
};

struct NoCharset : platform::Charset {
  Result Decode(std::string_view, const base::Text&, bool) override {
    throw base::RuntimeError(base::ErrorKind::InvalidCall, "no decoder in this test");
  }
};

inline const base::Text kPortal = u"http://portal.test";
inline const base::Text kManifestAddress = kPortal + u"/yun/up1.txt";
inline const base::Text kStartPage = kPortal + u"/yun/move";

// A manifest laid out line by line, CR LF after each line.
inline base::Text Lines(std::initializer_list<base::TextView> lines) {
  base::Text text;
  for (auto line : lines) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

inline base::Text StandardManifest(base::TextView version = u"3.1",
                                   base::TextView prefix = u"http://files.test/dl/",
                                   base::TextView file = u"QuorinSetup.exe",
                                   base::TextView saveAs = u"Quorin.exe") {
  return Lines({u"下载开始", version, u"下载结束", u"服务器一下载开始", prefix, u"服务器一下载结束",
                u"文件名下载", file, u"文件名结束", u"改文件名", saveAs, u"完成文件"});
}

// A program over the fake platform.
struct World {
  fakes::FakeEventLoop loop;
  fakes::FakeWeb web{loop};
  fakes::FakeUi ui{web};
  NoHttp http;
  NoFiles files;
  StillClock clock;
  fakes::FakeShell shell;
  NoCharset charset;
  fakes::FakeSignatureVerifier signatures;
  platform::Platform platform{ui, loop, http, files, clock, shell, charset, signatures};
  app::Program program{platform, app::Config{kPortal, u"http://maker.test", u"http://video.test",
                                             u"http://filehost.test", u""}};

  fakes::FakeWindow& MainWindow() { return *ui.Find(u"Form2"); }
  fakes::FakeBrowser& Portal() { return MainWindow().Browser(u"WebBrowser1"); }
  fakes::FakeBrowser& ManifestBrowser() { return MainWindow().Browser(u"WebBrowser2"); }
};

}  // namespace apptest
