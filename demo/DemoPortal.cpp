#include "demo/DemoPortal.h"

#include <httplib.h>
#include <sys/socket.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "demo/DemoSigning.h"
#include "demo/Gbk.h"
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

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
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

bool IsHostHeader(std::string_view host) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
  });
}

}  // namespace

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
      installerName_(InstallerName(options_.version)),
      installer_(InstallerScript(options_.version, options_.installerLogPath)),
      server_(std::make_unique<httplib::Server>()) {
  switch (options_.signature) {
    case SignatureMode::Good:
      signatureBlock_ = SignatureBlock(DemoSignature(installer_));
      break;
    case SignatureMode::Bad: {
      // A genuine signature by the demo key, of a file that differs in one bit.
      std::string other = installer_;
      other.back() = static_cast<char>(other.back() ^ 1);
      signatureBlock_ = SignatureBlock(DemoSignature(other));
      break;
    }
    case SignatureMode::None:
      break;
  }
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
    server_->Get(pattern,
                 [html = std::move(html)](const httplib::Request&, httplib::Response& response) {
                   response.set_content(html, kUtf8Html);
                 });
  };
  page("/", MakerHomePage(options_.version));
  page("/yun/move", CinemaPage());
  page("/yun/tv\\.html", LiveTvPage());
  page("/yun/111", TorrentPlayerPage());
  page("/yun/?", TorrentUploadPage());
  page("/download/Quorin\\.exe",
       DownloadPage(options_.version, "/files/" + installerName_, installer_.size()));

  // The category pages are old pages: GBK, no declared charset.
  server_->Get("/yun/move/list\\.asp",
               [](const httplib::Request& request, httplib::Response& response) {
                 if (const Category* category = FindCategory(request.get_param_value("dir"))) {
                   response.set_content(ToGbk(CategoryPage(*category)), "text/html");
                 } else {
                   response.status = 404;
                   response.set_content(ToGbk(NoSuchCategoryPage()), "text/html");
                 }
               });

  server_->Get("/yun/up1\\.txt", [this](const httplib::Request& request,
                                        httplib::Response& response) {
    if (!SleepUntil(std::chrono::steady_clock::now() + options_.manifestDelay)) {
      response.status = 503;
      return;
    }
    response.set_content(
        ToGbk(ManifestText(options_.version, FilesPrefix(request), signatureBlock_)), "text/plain");
  });

  server_->Get("/files/(.+)", [this](const httplib::Request& request, httplib::Response& response) {
    if (request.matches[1] == installerName_) {
      ServeInstaller(response);
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

void DemoPortal::Log(const httplib::Request& request) {
  if (!log_) return;
  std::lock_guard lock(mutex_);
  std::fprintf(log_, "%s %s\n", request.method.c_str(), request.target.c_str());
  std::fflush(log_);
}

std::string DemoPortal::FilesPrefix(const httplib::Request& request) const {
  std::string host = request.get_header_value("Host");
  if (!IsHostHeader(host)) {
    const bool v6 = options_.bind.find(':') != std::string::npos;
    host = (v6 ? "[" + options_.bind + "]" : options_.bind) + ":" + std::to_string(port_);
  }
  return "http://" + host + "/files/";
}

bool DemoPortal::SleepUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_until(lock, deadline, [this] { return stopping_; });
}

void DemoPortal::ServeInstaller(httplib::Response& response) {
  constexpr const char* kType = "application/octet-stream";
  if (options_.rate == 0) {
    response.set_content(installer_, kType);
    return;
  }
  // Each piece leaves when the elapsed time allows it at the given rate.
  const auto start = std::chrono::steady_clock::now();
  const std::size_t piece = std::max<std::size_t>(1, options_.rate / 20);
  response.set_content_provider(
      installer_.size(), kType,
      [this, start, piece](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        const auto due =
            start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(static_cast<double>(offset) / options_.rate));
        return SleepUntil(due) && sink.write(installer_.data() + offset, std::min(length, piece));
      });
}

}  // namespace demo
