#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace demo {

// What the manifest says of the installer's signature.
enum class SignatureMode {
  Good,  // the demo key's signature of the installer served
  Bad,   // the demo key's signature of another file, as if the installer were swapped
  None,  // no signature block
};

struct PortalOptions {
  std::string bind = "127.0.0.1";
  int port = 8731;  // 0 picks a free port
  std::string version = "3.3";
  std::size_t rate = 0;  // installer bytes per second; 0 = unlimited
  std::chrono::milliseconds manifestDelay{0};
  std::string logPath;           // one line per request when set
  std::string installerLogPath;  // where the installer records its runs; empty: in $HOME
  SignatureMode signature = SignatureMode::Good;
};

// The installer's name on the file host and the name the manifest saves it under.
std::string InstallerName(std::string_view version);
inline constexpr std::string_view kInstallerSaveAs = "QuorinSetup.sh";
// The update manifest's text (UTF-8; served in GBK), twelve lines each ended by CR LF,
// followed by `signatureBlock` (see SignatureBlock) when there is one.
std::string ManifestText(std::string_view version, std::string_view prefix,
                         std::string_view signatureBlock = {});
// A shell script that appends a dated line to its log file and exits, padded with
// comment lines so that a rate-limited download of it lasts a few seconds.
std::string InstallerScript(std::string_view version, std::string_view logPath);

// The demo portal: the video portal's pages, the update manifest, the installer, the
// video-resolving page, the Flash file and the maker's download page, on one server.
class DemoPortal {
 public:
  // Throws std::runtime_error when the log cannot be opened.
  explicit DemoPortal(PortalOptions options);
  ~DemoPortal();
  DemoPortal(const DemoPortal&) = delete;
  DemoPortal& operator=(const DemoPortal&) = delete;

  // Binds and listens; false when the address is taken or invalid. Connections made
  // after this wait in the backlog until Run accepts them.
  bool Listen();
  int Port() const { return port_; }
  // Serves until Stop.
  void Run();
  // Ends Run and cuts short delayed answers and rate-limited downloads. Any thread.
  void Stop();

 private:
  void Log(const httplib::Request& request);
  std::string FilesPrefix(const httplib::Request& request) const;
  // Sleeps until the deadline; false when the portal is stopping.
  bool SleepUntil(std::chrono::steady_clock::time_point deadline);
  void ServeInstaller(httplib::Response& response);

  PortalOptions options_;
  std::string installerName_;
  std::string installer_;
  std::string signatureBlock_;  // what the manifest ends with
  int port_ = 0;
  std::unique_ptr<httplib::Server> server_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool running_ = false;
  bool stopping_ = false;
  std::FILE* log_ = nullptr;
};

}  // namespace demo
