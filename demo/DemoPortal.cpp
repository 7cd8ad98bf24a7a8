#include "demo/DemoPortal.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "demo/Account.h"
#include "demo/DemoSigning.h"
#include "demo/Gbk.h"
#include "demo/Media.h"
#include "demo/Pages.h"

namespace demo {
namespace {

constexpr std::size_t kInstallerSize = 320 * 1024;
constexpr const char* kUtf8Html = "text/html; charset=utf-8";

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The player appends the user's text to "url=" without escaping it, so everything
// after "url=" is the address, ampersands included.
std::string ResolverUrl(const httplib::Request& request) {
  const std::size_t query = request.target.find('?');
  if (query == std::string::npos) return {};
  std::string_view rest = std::string_view(request.target).substr(query + 1);
  if (rest.starts_with("url=")) return PercentDecode(rest.substr(4));
  return request.get_param_value("url");
}

// A strong entity tag of the bytes: FNV-1a, enough to tell two manifests apart.
std::string EntityTag(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char text[24];
  std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
  return text;
}

// The portal's pages differ by who is signed in: every load asks again.
void SendPage(httplib::Response& response, const std::string& body, const char* type) {
  response.set_header("Cache-Control", "no-cache");
  response.set_content(body, type);
}

// The torrents of the clip, by their number in /yun/seed/N.torrent, and the names
// their answers suggest.
struct Seed {
  std::string_view number;
  std::string disposition;
};

const std::vector<Seed>& Seeds() {
  static const std::vector<Seed> seeds{
      {"1",
       "attachment; filename=\"xinghai.torrent\"; filename*=UTF-8''" + PercentEncode(kSeedName)},
      // Out of the download folder, with a tab in the name for good measure.
      {"2",
       "attachment; filename=\"../../etc/x.torrent\"; "
       "filename*=UTF-8''..%2F..%2Fetc%2Fx%09.torrent"},
  };
  return seeds;
}

bool IsHostHeader(std::string_view host) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
  });
}

}  // namespace

bool IsVersionText(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == '+';
  });
}

std::string InstallerName(std::string_view version) {
  return "QuorinSetup-" + std::string(version) + ".sh";
}

std::string ManifestText(std::string_view version, std::string_view prefix,
                         std::string_view signatureBlock) {
  const std::string lines[] = {
      "下载开始",         std::string(version),          "下载结束",
      "服务器一下载开始", std::string(prefix),           "服务器一下载结束",
      "文件名下载",       InstallerName(version),        "文件名结束",
      "改文件名",         std::string(kInstallerSaveAs), "完成文件"};
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text + std::string(signatureBlock);
}

std::string InstallerScript(std::string_view version, std::string_view logPath) {
  const std::string log =
      logPath.empty() ? "\"$HOME/.quorin-demo-installer.log\"" : ShellQuote(logPath);
  std::string script =
      "#!/bin/sh\n"
      "# Quorin demo installer: installs nothing, records that it ran.\n"
      "printf '%s Quorin demo installer %s ran as %s\\n' \"$(date '+%Y-%m-%d %H:%M:%S')\" " +
      ShellQuote(version) + " \"$0\" >>" + log +
      "\n"
      "exit 0\n"
      "# The lines below only make the download long enough to watch.\n";
  const std::string filler = "#" + std::string(62, '-') + "\n";
  while (script.size() + filler.size() <= kInstallerSize) script += filler;
  if (script.size() < kInstallerSize)
    script += std::string(kInstallerSize - script.size() - 1, '#') + "\n";
  return script;
}

DemoPortal::DemoPortal(PortalOptions options)
    : options_(std::move(options)),
      release_(MakeRelease(options_.version)),
      server_(std::make_unique<httplib::Server>()) {
  if (!options_.logPath.empty()) {
    log_ = std::fopen(options_.logPath.c_str(), "a");
    if (!log_) throw std::runtime_error("cannot open the log " + options_.logPath);
  }

  // Browsers keep several connections open per host; each holds a worker.
  server_->new_task_queue = [] { return new httplib::ThreadPool(32); };
  // The library's default also sets SO_REUSEPORT, which would let a second portal share
  // the port with a forgotten first one instead of failing.
  server_->set_socket_options([](socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
    Log(request);
    return httplib::Server::HandlerResponse::Unhandled;
  });

  auto page = [this](const std::string& pattern, std::string html) {
    server_->Get(pattern, [html = std::move(html)](const httplib::Request& request,
                                                   httplib::Response& response) {
      SendPage(response, WithAccount(html, UserFromCookies(request.get_header_value("Cookie"))),
               kUtf8Html);
    });
  };
  page("/yun/move", CinemaPage());
  page("/yun/tv\\.html", LiveTvPage());
  page("/yun/111", TorrentPlayerPage());
  page("/yun/?", TorrentUploadPage());
  page("/yun/play", PlayerPage());
  page("/yun/login", SignInPage());

  // The maker's site, a site of its own: no sign-in there.
  server_->Get("/", [this](const httplib::Request&, httplib::Response& response) {
    SendPage(response, MakerHomePage(CurrentRelease()->version), kUtf8Html);
  });
  server_->Get("/download/Quorin\\.exe",
               [this](const httplib::Request&, httplib::Response& response) {
                 const auto release = CurrentRelease();
                 SendPage(response,
                          DownloadPage(release->version, "/files/" + release->installerName,
                                       release->installer.size()),
                          kUtf8Html);
               });

  server_->Post("/yun/login", [](const httplib::Request& request, httplib::Response& response) {
    const std::optional<std::string> user = CleanUserName(request.get_param_value("name"));
    if (!user) {
      response.status = 400;
      SendPage(response,
               WithAccount(SignInPage("请输入 1 到 20 个字的用户名（不含控制字符）。"),
                           UserFromCookies(request.get_header_value("Cookie"))),
               kUtf8Html);
      return;
    }
    response.set_header("Set-Cookie", SignInCookie(*user, std::chrono::system_clock::now()));
    SendPage(response, WithAccount(SignedInPage(*user), *user), kUtf8Html);
  });
  server_->Get("/yun/logout", [](const httplib::Request&, httplib::Response& response) {
    response.set_header("Set-Cookie", SignOutCookie());
    SendPage(response, WithAccount(SignedOutPage(), ""), kUtf8Html);
  });

  // The player page reports what the viewer sees here; the request log is the record.
  server_->Get("/yun/beacon",
               [](const httplib::Request&, httplib::Response& response) { response.status = 204; });

  // Media elements ask for byte ranges; the server answers them for content it holds.
  server_->Get("/yun/clip\\.webm", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(std::string(DemoClip()), "video/webm");
  });

  server_->Get("/yun/seed/([0-9]+)\\.torrent", [this](const httplib::Request& request,
                                                      httplib::Response& response) {
    for (const Seed& seed : Seeds()) {
      if (request.matches[1].str() != seed.number) continue;
      response.set_header("Content-Disposition", seed.disposition);
      response.set_content(TorrentFile(Origin(request) + "/announce", kClipName, DemoClip()),
                           "application/x-bittorrent");
      return;
    }
    response.status = 404;
  });

  server_->Post("/demo/version",
                [this](const httplib::Request& request, httplib::Response& response) {
                  response.status = AnnounceVersion(request.get_param_value("version")) ? 204 : 400;
                });

  // The category pages are old pages: GBK, no declared charset.
  server_->Get(
      "/yun/move/list\\.asp", [](const httplib::Request& request, httplib::Response& response) {
        const std::string user = UserFromCookies(request.get_header_value("Cookie"));
        if (const Category* category = FindCategory(request.get_param_value("dir"))) {
          SendPage(response, ToGbk(WithAccount(CategoryPage(*category), user)), "text/html");
        } else {
          response.status = 404;
          SendPage(response, ToGbk(WithAccount(NoSuchCategoryPage(), user)), "text/html");
        }
      });

  server_->Get("/yun/up1\\.txt",
               [this](const httplib::Request& request, httplib::Response& response) {
                 ServeManifest(request, response);
               });

  server_->Get("/files/(.+)", [this](const httplib::Request& request, httplib::Response& response) {
    auto release = CurrentRelease();
    if (request.matches[1] == release->installerName) {
      ServeInstaller(std::move(release), response);
    } else {
      response.status = 404;
    }
  });

  server_->Get("/happyvod/api\\.html",
               [](const httplib::Request& request, httplib::Response& response) {
                 response.set_content(ResolverPage(ResolverUrl(request)), kUtf8Html);
               });

  server_->Get("/tfscom/T1UkuRXE4fXXXtxVjX\\.swf",
               [](const httplib::Request&, httplib::Response& response) {
                 response.set_content(FlashMovie(), "application/x-shockwave-flash");
               });

  server_->set_error_handler(httplib::Server::HandlerWithResponse(
      [this](const httplib::Request& request, httplib::Response& response) {
        // The server refuses a target with a second "?" before routing it, but an address
        // pasted into the player often has a query of its own: answer those here.
        if (response.status == 400 && request.method == "GET" &&
            request.path == "/happyvod/api.html") {
          Log(request);
          response.status = 200;
          response.set_content(ResolverPage(ResolverUrl(request)), kUtf8Html);
          return httplib::Server::HandlerResponse::Handled;
        }
        if (response.status != 404 || !response.body.empty()) {
          return httplib::Server::HandlerResponse::Unhandled;
        }
        response.set_content(NotFoundPage(request.path), kUtf8Html);
        return httplib::Server::HandlerResponse::Handled;
      }));
}

DemoPortal::~DemoPortal() {
  Stop();
  if (log_) std::fclose(log_);
}

bool DemoPortal::Listen() {
  if (options_.port == 0) {
    port_ = server_->bind_to_any_port(options_.bind);
    return port_ > 0;
  }
  if (!server_->bind_to_port(options_.bind, options_.port)) return false;
  port_ = options_.port;
  return true;
}

void DemoPortal::Run() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    running_ = true;
  }
  server_->listen_after_bind();
  std::lock_guard lock(mutex_);
  running_ = false;
  changed_.notify_all();
}

void DemoPortal::Stop() {
  std::unique_lock lock(mutex_);
  stopping_ = true;
  changed_.notify_all();
  // The server only takes a stop once its accept loop has begun, so repeat until Run ends.
  while (running_) {
    lock.unlock();
    server_->stop();
    lock.lock();
    changed_.wait_for(lock, std::chrono::milliseconds(10));
  }
}

bool DemoPortal::AnnounceVersion(std::string_view version) {
  if (!IsVersionText(version)) return false;
  auto release = MakeRelease(version);
  std::lock_guard lock(mutex_);
  release_ = std::move(release);
  return true;
}

std::shared_ptr<const DemoPortal::Release> DemoPortal::MakeRelease(std::string_view version) const {
  auto release = std::make_shared<Release>();
  release->version = version;
  release->installerName = InstallerName(version);
  release->installer = InstallerScript(version, options_.installerLogPath);
  switch (options_.signature) {
    case SignatureMode::Good:
      release->signatureBlock = SignatureBlock(DemoSignature(release->installer));
      break;
    case SignatureMode::Bad: {
      // A genuine signature by the demo key, of a file that differs in one bit.
      std::string other = release->installer;
      other.back() = static_cast<char>(other.back() ^ 1);
      release->signatureBlock = SignatureBlock(DemoSignature(other));
      break;
    }
    case SignatureMode::None:
      break;
  }
  return release;
}

std::shared_ptr<const DemoPortal::Release> DemoPortal::CurrentRelease() {
  std::lock_guard lock(mutex_);
  return release_;
}

// One line per request; the cookies it carried, if any, on an indented line below it, so
// that a test can see a sign-in come back without the request lines changing.
void DemoPortal::Log(const httplib::Request& request) {
  if (!log_) return;
  const std::string cookie = request.get_header_value("Cookie");
  std::lock_guard lock(mutex_);
  std::fprintf(log_, "%s %s\n", request.method.c_str(), request.target.c_str());
  if (!cookie.empty()) std::fprintf(log_, "  Cookie: %s\n", cookie.c_str());
  std::fflush(log_);
}

std::string DemoPortal::Origin(const httplib::Request& request) const {
  std::string host = request.get_header_value("Host");
  if (!IsHostHeader(host)) {
    const bool v6 = options_.bind.find(':') != std::string::npos;
    host = (v6 ? "[" + options_.bind + "]" : options_.bind) + ":" + std::to_string(port_);
  }
  return "http://" + host;
}

void DemoPortal::ServeManifest(const httplib::Request& request, httplib::Response& response) {
  if (!SleepUntil(std::chrono::steady_clock::now() + options_.manifestDelay)) {
    response.status = 503;
    return;
  }
  const auto release = CurrentRelease();
  const std::string body =
      ToGbk(ManifestText(release->version, Origin(request) + "/files/", release->signatureBlock));
  const std::string tag = EntityTag(body);
  // Cacheable for a day, as a busy portal may well serve it: the program must read it
  // afresh all the same, and a copy it revalidates is current.
  response.set_header("Cache-Control", "max-age=86400");
  response.set_header("ETag", tag);
  const std::string match = request.get_header_value("If-None-Match");
  if (match == "*" || match.find(tag) != std::string::npos) {
    response.status = 304;
    return;
  }
  response.set_content(body, "text/plain");
}

bool DemoPortal::SleepUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_until(lock, deadline, [this] { return stopping_; });
}

void DemoPortal::ServeInstaller(std::shared_ptr<const Release> release,
                                httplib::Response& response) {
  constexpr const char* kType = "application/octet-stream";
  if (options_.rate == 0) {
    response.set_content(release->installer, kType);
    return;
  }
  // Each piece leaves when the elapsed time allows it at the given rate.
  const auto start = std::chrono::steady_clock::now();
  const std::size_t piece = std::max<std::size_t>(1, options_.rate / 20);
  response.set_content_provider(
      release->installer.size(), kType,
      [this, release, start, piece](std::size_t offset, std::size_t length,
                                    httplib::DataSink& sink) {
        const auto due =
            start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(offset) / options_.rate));
        return SleepUntil(due) &&
               sink.write(release->installer.data() + offset, std::min(length, piece));
      });
}

}  // namespace demo
