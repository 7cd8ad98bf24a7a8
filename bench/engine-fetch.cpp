// engine-fetch: one transfer through the download engine and the real adapters, with
// every event printed as a line. Used by the benchmarks and for trying the engine by
// hand.
//
//   engine-fetch [--pakesize N] [--redown 0|1] [--method M] [--referer R] [--cookie C]
//                [--postdata D] [--charset NAME] [--text] [--quiet] [--query NAME]
//                URL [FILE]
//
// FILE is the engine's Filename as given: a relative path names no root (Error 6).
// The result is Download's with --query, the end reported by DownloadEnd with --text,
// DownloadToFile's otherwise. Exit status: 0 when the result is true, 1 when it is
// false, 2 when Download threw (--query; the transfers absorb it), 64 for a bad
// command line.
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Numbers.h"
#include "base/RuntimeError.h"
#include "base/Text.h"
#include "net/ZezazurIrud.h"
#include "platform/EventLoop.h"
#include "platform/curl/CookieStore.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/posix/IconvCharset.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"

namespace {

// Nothing but the engine runs here, so a pass has nothing to dispatch.
class CommandLineLoop : public platform::EventLoop {
 public:
  void DoEvents() override { RunPosted(); }
  void WaitEvents() override { RunPosted(); }
  void Post(std::function<void()> fn) override { posted_.push_back(std::move(fn)); }
  int Run() override {
    RunPosted();
    return code_;
  }
  void Quit(int code) override { code_ = code; }

 private:
  void RunPosted() {
    while (!posted_.empty()) {
      auto fn = std::move(posted_.front());
      posted_.pop_front();
      fn();
    }
  }
  std::deque<std::function<void()>> posted_;
  int code_ = 0;
};

int Usage() {
  std::fputs(
      "usage: engine-fetch [--pakesize N] [--redown 0|1] [--method M] [--referer R] "
      "[--cookie C]\n"
      "                    [--postdata D] [--charset NAME] [--text] [--quiet] [--query NAME] "
      "URL [FILE]\n",
      stderr);
  return 64;
}

std::string Shown(const base::Text& text) {
  std::string out;
  for (char c : base::ToUtf8(text)) {
    if (c == '\0') {
      out += "\\0";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  struct Options {
    std::int32_t pakesize = 1024;
    bool redown = true;
    std::string method, referer, cookie, postdata, charset, query, url, file;
    bool setMethod = false, setCharset = false, text = false, quiet = false, doQuery = false;
  } o;

  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--pakesize") {
      if (!value(v)) return Usage();
      try {
        o.pakesize = base::TextToInt32(base::FromUtf8(v));
      } catch (const base::RuntimeError&) {
        return Usage();
      }
    } else if (arg == "--redown") {
      if (!value(v) || (v != "0" && v != "1")) return Usage();
      o.redown = v == "1";
    } else if (arg == "--method") {
      if (!value(o.method)) return Usage();
      o.setMethod = true;
    } else if (arg == "--referer") {
      if (!value(o.referer)) return Usage();
    } else if (arg == "--cookie") {
      if (!value(o.cookie)) return Usage();
    } else if (arg == "--postdata") {
      if (!value(o.postdata)) return Usage();
    } else if (arg == "--charset") {
      if (!value(o.charset)) return Usage();
      o.setCharset = true;
    } else if (arg == "--query") {
      if (!value(o.query)) return Usage();
      o.doQuery = true;
    } else if (arg == "--text") {
      o.text = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg.size() > 1 && arg.substr(0, 2) == "--") {
      return Usage();
    } else {
      positional.emplace_back(arg);
    }
  }
  if (positional.empty() || positional.size() > 2) return Usage();

  platform::posix::PosixClock clock;
  platform::curl::CookieStore cookies(clock);
  platform::curl::CurlHttpClient http(cookies);
  platform::posix::PosixFileSystem files;
  platform::posix::IconvCharset charset;
  CommandLineLoop loop;
  net::ZezazurIrud wd(http, files, clock, loop, charset);

  // Lines go out as the events happen; a full buffer per write keeps --quiet cheap.
  static char out[1 << 16];
  std::setvbuf(stdout, out, _IOFBF, sizeof out);
  const bool quiet = o.quiet;
  net::ZezazurIrud::Events events;
  events.Status = [quiet](net::EngineStatus s) {
    if (!(quiet && s == net::EngineStatus::kReceiving)) {
      std::printf("Status %d\n", static_cast<int>(s));
    }
  };
  if (!quiet) {
    events.Progress = [](double total, double done, double) {
      std::printf("Progress %.0f %.0f\n", total, done);
    };
  }
  events.Error = [](net::EngineError code) { std::printf("Error %d\n", static_cast<int>(code)); };
  bool ended = false;
  events.DownloadEnd = [&ended](bool ok) {
    ended = ok;
    std::printf("DownloadEnd %s\n", ok ? "true" : "false");
  };
  wd.SetEvents(std::move(events));

  wd.SetURL(base::FromUtf8(positional[0]));
  if (positional.size() > 1) wd.SetFilename(base::FromUtf8(positional[1]));
  wd.SetPakesize(o.pakesize);
  wd.SetReDown(o.redown);
  if (o.setMethod) wd.SetMethod(base::FromUtf8(o.method));
  wd.SetReferer(base::FromUtf8(o.referer));
  wd.SetCookie(base::FromUtf8(o.cookie));
  wd.SetPostData(base::FromUtf8(o.postdata));
  if (o.setCharset) wd.SetCharset(base::FromUtf8(o.charset));

  bool result = false;
  if (o.doQuery) {
    try {
      result = wd.Download();
    } catch (const base::RuntimeError& e) {
      std::printf("Thrown %s\n", base::KindName(e.Kind()));
      std::fflush(stdout);
      return 2;
    }
    base::Text name = base::FromUtf8(o.query);
    std::printf("Header %s\n", Shown(wd.GetHeader(name)).c_str());
    std::printf("FileSize %d\n", static_cast<int>(wd.FileSize()));
    std::printf("Cookie %s\n", TrimRight(base::ToUtf8(wd.GetCookie(name))).c_str());
    wd.bStop();
  } else if (o.text) {
    base::Text text = wd.DownLoadToText();
    result = ended;
    std::printf("Text %s\n", base::ToUtf8(text).c_str());
  } else {
    result = wd.DownloadToFile();
    std::printf("Result %s\n", result ? "true" : "false");
  }
  std::fflush(stdout);
  return result ? 0 : 1;
}
