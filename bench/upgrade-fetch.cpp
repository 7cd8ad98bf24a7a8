// upgrade-fetch URL DIR: the upgrade window of the real program fetching URL into DIR,
// on the real Qt, curl and POSIX adapters (run it on an X display). The main window
// loads first, as in the program, from a portal address that does not answer; its
// manifest fields are then pointed at URL and the upgrade window is shown. Prints the
// CPU time the process spent while the window waited for its first tick, and the time
// from the first request to the launch of the fetched file. The launch starts nothing.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/Form2.h"
#include "app/Program.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "platform/curl/CookieStore.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/openssl/OpenSslSignatureVerifier.h"
#include "platform/posix/IconvCharset.h"
#include "platform/posix/PosixClock.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtApplication.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"
#include "upgrade/Formsj2.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Marks {
  Clock::time_point shown;
  double shownCpu = 0;
  Clock::time_point firstRequest;
  double firstRequestCpu = 0;
  bool requested = false;
};

// The curl client, noting when the first transfer begins.
class NotingHttp : public platform::curl::CurlHttpClient {
 public:
  NotingHttp(platform::curl::CookieStore& cookies, Marks& marks)
      : CurlHttpClient(cookies), marks_(marks) {}
  Handle InternetOpen(const std::string& agent, std::uint32_t accessType, const char* proxy,
                      const char* proxyBypass, std::uint32_t flags) override {
    if (!marks_.requested) {
      marks_.requested = true;
      marks_.firstRequest = Clock::now();
      marks_.firstRequestCpu = CpuSeconds();
    }
    return CurlHttpClient::InternetOpen(agent, accessType, proxy, proxyBypass, flags);
  }

 private:
  Marks& marks_;
};

// The program directory is DIR; the launch reports and ends the process.
class ReportingShell : public platform::Shell {
 public:
  ReportingShell(base::Text directory, Marks& marks)
      : directory_(std::move(directory)), marks_(marks) {}
  base::Text ProgramDirectory() override { return directory_; }
  bool Launch(const base::Text& path) override {
    const auto end = Clock::now();
    const double seconds = std::chrono::duration<double>(end - marks_.firstRequest).count();
    const double waited = std::chrono::duration<double>(marks_.firstRequest - marks_.shown).count();
    std::printf("wait %.3f s, CPU during the wait %.3f s\n", waited,
                marks_.firstRequestCpu - marks_.shownCpu);
    std::printf("fetch %.3f s into %s\n", seconds, base::ToUtf8(path).c_str());
    std::fflush(stdout);
    return true;
  }
  [[noreturn]] void EndProgram() override { _exit(0); }

 private:
  base::Text directory_;
  Marks& marks_;
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fputs("usage: upgrade-fetch URL DIR\n", stderr);
    return 64;
  }
  const std::string url = argv[1];
  const std::string directory = argv[2];
  platform::qt::PrepareWebEngine();
  QApplication application(argc, argv);

  Marks marks;
  platform::qt::QtUi ui;
  platform::qt::QtEventLoop loop;
  platform::posix::PosixClock clock;
  platform::curl::CookieStore cookies(clock);
  NotingHttp http(cookies, marks);
  platform::posix::PosixFileSystem files;
  ReportingShell shell(base::FromUtf8(directory), marks);
  platform::posix::IconvCharset charset;
  platform::openssl::OpenSslSignatureVerifier signatures;
  platform::Platform platform{ui, loop, http, files, clock, shell, charset, signatures};
  // Port 9 on loopback refuses at once: the main window loads without a manifest.
  // No key: the fetched file is not a signed installer.
  app::Program program(platform, app::Config{u"http://127.0.0.1:9", u"http://127.0.0.1:9",
                                             u"http://127.0.0.1:9", u"http://127.0.0.1:9", u""});
  upgrade::RegisterFormsj2(program);

  app::Form2& main = program.form2();
  const std::size_t slash = url.rfind('/');
  main.Text8.SetText(base::FromUtf8(url.substr(slash + 1)));
  main.Text7.SetText(u"installer.bin");
  main.Text9.SetText(base::FromUtf8(url.substr(0, slash + 1)));
  marks.shown = Clock::now();
  marks.shownCpu = CpuSeconds();
  program.Reference(app::FormId::Formsj2).Show();
  loop.Run();
  std::fputs("upgrade-fetch: the upgrade window ended without launching\n", stderr);
  return 1;
}
