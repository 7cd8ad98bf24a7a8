// The browsers' profiles on QtWebEngine, in a process with a home and XDG folders of its
// own: what lasts from one run to the next, the manifest never read from a cache, a second
// copy of the program on the same folders.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>

#include <atomic>
#include <filesystem>
#include <set>

#include "QtTestSupport.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/QtWindow.h"
#include "platform/real/RealPlatform.h"
#include "support/TempDir.h"

namespace {

using platform::Browser;
using platform::qt::ProfileStorage;
using platform::qt::QtProfile;
using std::filesystem::path;

path Data() {
  return std::getenv("XDG_DATA_HOME");
}
path Cache() {
  return std::getenv("XDG_CACHE_HOME");
}

unsigned Mode(const path& folder) {
  struct stat status {};
  return ::stat(folder.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

std::set<std::string> Names(const path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

TEST(ProfileFolders, AreTheUsersAloneOrNotUsed) {
  enum class Before { Missing, Wider, AFile };
  const struct {
    Before before;
    ProfileStorage storage;
  } cases[] = {{Before::Missing, ProfileStorage::Disk},
               {Before::Wider, ProfileStorage::Disk},
               {Before::AFile, ProfileStorage::Memory}};
  for (const auto& c : cases) {
    support::TempDir root;
    const path data = root.path() / "share/deep/quorin", cache = root.path() / "cache/quorin";
    std::filesystem::create_directories(c.before == Before::Wider ? data : data.parent_path());
    if (c.before == Before::Wider) ::chmod(data.c_str(), 0755);
    if (c.before == Before::AFile) support::WriteFile(data, "mine");
    {
      QtProfile profiles({QString::fromStdString(data), QString::fromStdString(cache)});
      EXPECT_EQ(profiles.Storage(), c.storage) << int(c.before);
    }
    if (c.storage == ProfileStorage::Memory) {
      EXPECT_EQ(support::ReadFile(data), "mine");
      continue;
    }
    for (const path& folder : {data, data / "QtWebEngine/Default", cache, cache.parent_path()})
      EXPECT_EQ(Mode(folder), 0700u) << int(c.before) << " " << folder;
  }
}

class ProfileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    // Signs in as ?name=N: N by Max-Age, N-dated by Expires, N-session for the session
    // only, and N in the page's local storage.
    server_->Routes().Get("/signin", [](const httplib::Request& req, httplib::Response& res) {
      const std::string n = req.get_param_value("name");
      res.set_header("Set-Cookie", n + "=1; Max-Age=86400");
      res.set_header("Set-Cookie", n + "-dated=1; Expires=Fri, 31 Dec 2099 23:59:59 GMT");
      res.set_header("Set-Cookie", n + "-session=1");
      res.set_content("<script>localStorage.who = '" + n + "'</script>signed in", "text/html");
    });
    server_->Routes().Get("/whoami", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("<p>" + req.get_header_value("Cookie") +
                          "</p><script>document.write(localStorage.who)</script>",
                      "text/html");
    });
    // Cacheable for a day, with an ETag, as a server may well send it.
    server_->Routes().Get("/yun/up1.txt", [](const httplib::Request&, httplib::Response& res) {
      ++manifestReads_;
      res.set_header("Cache-Control", "max-age=86400");
      res.set_header("ETag", "\"" + std::to_string(manifestVersion_) + "\"");
      res.set_content("manifest " + std::to_string(manifestVersion_), "text/plain");
    });
    server_->Start();
  }
  static void TearDownTestSuite() { delete server_; }
  void TearDown() override {
    AwaitFilesClosed();
    std::filesystem::remove_all(Data() / "quorin");
    std::filesystem::remove_all(Cache() / "quorin");
  }

  // One run of the program's browsers on the user's folders, made in this order and gone
  // in the other: a window with a shown browser and a hidden one that reads as the
  // manifest browser does.
  struct Run {
    QtProfile profiles{platform::qt::UserProfileFolders()};
    platform::qt::QtWindow window{qttest::Window(u"运行", 6000, 4000), &profiles};
    Browser& shown = window.AddBrowser(qttest::Control(u"b1", {0, 0, 6000, 3000}), 0);
    Browser& hidden = window.AddBrowser(qttest::Control(u"b2", {0, 0, 495, 495}, {}, false), 1);
  };

  // The engine closes a profile's files a moment after the profile goes; a new process
  // would not have to wait for that.
  void AwaitFilesClosed() {
    ASSERT_TRUE(qttest::WaitUntil(loop_, [] {
      for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code gone;
        const std::string file = std::filesystem::read_symlink(fd.path(), gone).string();
        if (file.starts_with(Data().string()) || file.starts_with(Cache().string())) return false;
      }
      return true;
    }));
  }

  std::string Load(Browser& browser, const std::string& address) {
    browser.Navigate(server_->Url(address));
    if (!qttest::WaitUntil(loop_, [&] { return browser.ReadyState() == Browser::kComplete; }))
      return "<timed out>";
    return base::ToUtf8(browser.BodyInnerText());
  }

  static inline qttest::LoopbackServer* server_ = nullptr;
  static inline std::atomic<int> manifestReads_ = 0, manifestVersion_ = 0;
  platform::qt::QtEventLoop loop_;
};

TEST_F(ProfileTest, ASignInLastsAndASecondCopyRunsInMemoryBesideIt) {
  {
    Run first;
    ASSERT_EQ(first.profiles.Storage(), ProfileStorage::Disk);
    ASSERT_EQ(Load(first.shown, "/signin?name=a"), "signed in");
    Run second;
    EXPECT_EQ(second.profiles.Storage(), ProfileStorage::Memory);
    EXPECT_EQ(Load(second.shown, "/signin?name=b"), "signed in");
    EXPECT_EQ(Load(second.shown, "/whoami"), "b=1; b-dated=1; b-session=1\r\n\r\nb");
  }
  AwaitFilesClosed();
  {
    Run next;
    EXPECT_EQ(next.profiles.Storage(), ProfileStorage::Disk);
    EXPECT_EQ(Load(next.shown, "/whoami"), "a=1; a-dated=1\r\n\r\na");
  }
  AwaitFilesClosed();
  // Nothing beside the program's folders.
  EXPECT_EQ(Names(Data()), std::set<std::string>{"quorin"});
  EXPECT_EQ(Names(Data() / "quorin"), (std::set<std::string>{"QtWebEngine", "quorin.lock"}));
  EXPECT_EQ(Names(Data() / "quorin/QtWebEngine"), std::set<std::string>{"Default"});
}

TEST_F(ProfileTest, EveryManifestReadReachesTheServer) {
  const auto read = [&](Browser& browser, int version) {
    const int before = manifestReads_;
    manifestVersion_ = version;
    EXPECT_EQ(Load(browser, "/yun/up1.txt"), "manifest " + std::to_string(version));
    return manifestReads_ - before;
  };
  {
    Run first;
    EXPECT_EQ(read(first.hidden, 1), 1);
    EXPECT_EQ(read(first.hidden, 2), 1);  // the same address again
    Load(first.hidden, "/whoami");
    EXPECT_EQ(read(first.hidden, 3), 1);  // back to it
    EXPECT_EQ(read(first.shown, 4), 1);
  }
  AwaitFilesClosed();
  Run next;
  EXPECT_EQ(read(next.hidden, 5), 1);
  // A read from a cache is not counted: the shown browsers' cache lasts.
  EXPECT_EQ(read(next.shown, 4), 0);
}

}  // namespace

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  // Set before anything reads them.
  support::TempDir home("quorin-profile-home");
  ::setenv("HOME", home.path().c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home.path() / "data").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (home.path() / "cache").c_str(), 1);
  platform::real::PrepareProcess();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quorin"));  // as the program names itself
  const int result = RUN_ALL_TESTS();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}
