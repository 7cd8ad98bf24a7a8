// The browsers' profiles on QtWebEngine: what lasts from one run to the next, the
// manifest never read from a cache, and a second copy of the program on the same folders.
// The process runs with a home and XDG folders of its own, made before the engine starts.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>

#include <atomic>
#include <filesystem>
#include <set>
#include <string>

#include "QtTestSupport.h"
#include "base/RuntimeError.h"
#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/QtWindow.h"
#include "platform/real/RealPlatform.h"
#include "support/TempDir.h"

namespace {

using platform::Browser;
using platform::qt::ProfileFolders;
using platform::qt::ProfileStorage;
using platform::qt::QtEventLoop;
using platform::qt::QtProfile;
using platform::qt::QtWindow;
using platform::qt::UserProfileFolders;

std::filesystem::path P(const QString& path) {
  return path.toStdString();
}
QString Q(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

std::filesystem::path Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Whether this process has a file open under the folder.
bool OpenUnder(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code gone;
    const std::string target = std::filesystem::read_symlink(entry.path(), gone).string();
    if (!gone && target.starts_with(folder.string() + "/")) return true;
  }
  return false;
}

unsigned Mode(const std::filesystem::path& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return 0;
  return status.st_mode & 07777;
}

std::set<std::string> Names(const std::filesystem::path& folder) {
  std::set<std::string> names;
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(folder, missing)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

TEST(ProfileFolders, AreTheProgramsOwnUnderTheXdgFolders) {
  const ProfileFolders folders = UserProfileFolders();
  EXPECT_EQ(P(folders.data), Variable("XDG_DATA_HOME") / "quorin");
  EXPECT_EQ(P(folders.cache), Variable("XDG_CACHE_HOME") / "quorin");
}

TEST(ProfileFolders, AreTheUsersAloneOrNotUsed) {
  enum class Before {
    Missing,  // nor their parents
    Wider,    // folders everyone may read and enter
    AFile,    // a file where the data folder belongs
  };
  struct Case {
    const char* what;
    Before before;
    ProfileStorage storage;
  };
  const Case cases[] = {
      {"created with their parents", Before::Missing, ProfileStorage::Disk},
      {"narrowed", Before::Wider, ProfileStorage::Disk},
      {"not a folder", Before::AFile, ProfileStorage::Memory},
  };
  for (const Case& c : cases) {
    support::TempDir root;
    const auto data = root.path() / "share" / "deep" / "quorin";
    const auto cache = root.path() / "cache" / "quorin";
    if (c.before == Before::Wider) {
      std::filesystem::create_directories(data);
      std::filesystem::create_directories(cache);
      ::chmod(data.c_str(), 0755);
      ::chmod(cache.c_str(), 0777);
    } else if (c.before == Before::AFile) {
      std::filesystem::create_directories(data.parent_path());
      support::WriteFile(data, "mine");
    }
    {
      QtProfile profiles(ProfileFolders{Q(data), Q(cache)});
      EXPECT_EQ(profiles.Storage(), c.storage) << c.what;
    }
    if (c.storage == ProfileStorage::Memory) {
      EXPECT_EQ(support::ReadFile(data), "mine") << c.what;
      continue;
    }
    for (const auto& folder :
         {data, data / "QtWebEngine" / "Default", cache, cache / "QtWebEngine" / "Default"}) {
      EXPECT_EQ(Mode(folder), 0700u) << c.what << ": " << folder;
    }
    if (c.before == Before::Missing) {
      EXPECT_EQ(Mode(data.parent_path()), 0700u) << c.what;
      EXPECT_EQ(Mode(cache.parent_path()), 0700u) << c.what;
    }
  }
}

class ProfileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new qttest::LoopbackServer;
    auto& routes = server_->Routes();
    // Signs in as ?name=N: N keeps for a day by Max-Age, N-dated until a date far ahead,
    // N-session for the session only; the page itself remembers N in its local storage.
    routes.Get("/signin", [](const httplib::Request& req, httplib::Response& res) {
      const std::string name = req.get_param_value("name");
      res.set_header("Set-Cookie", name + "=1; Max-Age=86400; Path=/");
      res.set_header("Set-Cookie",
                     name + "-dated=1; Expires=Fri, 31 Dec 2099 23:59:59 GMT; Path=/");
      res.set_header("Set-Cookie", name + "-session=1; Path=/");
      res.set_content("<html><body><script>localStorage.setItem('who', '" + name +
                          "');document.body.textContent = 'signed in';</script></body></html>",
                      "text/html");
    });
    // The cookies the request carried, and who the local storage remembers.
    routes.Get("/whoami", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("<html><body><p>cookies: " + req.get_header_value("Cookie") +
                          "</p><script>document.body.append('local: ' + "
                          "localStorage.getItem('who'));</script></body></html>",
                      "text/html");
    });
    // The update manifest as a server may well send it: cacheable for a day, with an
    // ETag. The test changes its version between reads.
    routes.Get("/yun/up1.txt", [](const httplib::Request& req, httplib::Response& res) {
      ++manifestRequests_;
      const std::string tag = "\"v" + std::to_string(manifestVersion_.load()) + "\"";
      res.set_header("Cache-Control", "max-age=86400");
      res.set_header("ETag", tag);
      if (req.get_header_value("If-None-Match") == tag) {
        res.status = 304;
        return;
      }
      res.set_content("manifest " + std::to_string(manifestVersion_.load()), "text/plain");
    });
    routes.Get("/cacheable", [](const httplib::Request&, httplib::Response& res) {
      ++cacheableRequests_;
      res.set_header("Cache-Control", "max-age=86400");
      res.set_content("cacheable " + std::to_string(cacheableRequests_.load()), "text/plain");
    });
    routes.Get("/other", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("other", "text/plain");
    });
    server_->Start();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  // Each test starts as on a first start, and leaves nothing open behind.
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  void Clear() {
    AwaitFilesClosed();
    std::filesystem::remove_all(P(UserProfileFolders().data));
    std::filesystem::remove_all(P(UserProfileFolders().cache));
  }

  // One run of the program's browsers on the user's folders: its profiles, and a window
  // with a shown browser and a hidden one that reads as the manifest browser does.
  struct Run {
    Run()
        : profiles(UserProfileFolders()),
          window(qttest::Window(u"运行", 6000, 4000), &profiles),
          shown(window.AddBrowser(qttest::Control(u"WebBrowser1", {0, 0, 6000, 3000}), 0)),
          hidden(window.AddBrowser(qttest::Control(u"WebBrowser2", {0, 3000, 495, 495}, {}, false),
                                   1)) {
      hidden.SetScriptsEnabled(false);
      hidden.SetSilent(true);
    }
    // Made in this order and gone in the other: the pages before their profiles.
    QtProfile profiles;
    QtWindow window;
    Browser& shown;
    Browser& hidden;
  };

  // The engine closes a profile's files a moment after the profile goes: a run that
  // follows in the same process waits for that, where a new process would not have to.
  void AwaitFilesClosed() {
    for (const auto& folder : {Variable("XDG_DATA_HOME"), Variable("XDG_CACHE_HOME")}) {
      ASSERT_TRUE(qttest::WaitUntil(loop_, [&] { return !OpenUnder(folder); })) << folder;
    }
  }

  // Navigates and waits for the load to complete; the body text, or what went wrong.
  std::string Load(Browser& browser, const std::string& path) {
    browser.Navigate(server_->Url(path));
    if (!qttest::WaitUntil(loop_, [&] { return browser.ReadyState() == Browser::kComplete; })) {
      return "<timed out>";
    }
    try {
      return base::ToUtf8(browser.BodyInnerText());
    } catch (const base::RuntimeError&) {
      return "<none>";
    }
  }

  static qttest::LoopbackServer* server_;
  static std::atomic<int> manifestRequests_;
  static std::atomic<int> manifestVersion_;
  static std::atomic<int> cacheableRequests_;
  QtEventLoop loop_;
};

qttest::LoopbackServer* ProfileTest::server_ = nullptr;
std::atomic<int> ProfileTest::manifestRequests_{0};
std::atomic<int> ProfileTest::manifestVersion_{0};
std::atomic<int> ProfileTest::cacheableRequests_{0};

TEST_F(ProfileTest, ASignInOutlivesTheRunAndNothingLandsBesideTheFolders) {
  {
    Run first;
    ASSERT_EQ(first.profiles.Storage(), ProfileStorage::Disk);
    ASSERT_EQ(Load(first.shown, "/signin?name=user"), "signed in");
    const std::string seen = Load(first.shown, "/whoami");
    ASSERT_NE(seen.find("user-session=1"), std::string::npos) << seen;
  }
  AwaitFilesClosed();
  {
    Run next;
    ASSERT_EQ(next.profiles.Storage(), ProfileStorage::Disk);
    const std::string seen = Load(next.shown, "/whoami");
    EXPECT_NE(seen.find("user=1"), std::string::npos) << seen;
    EXPECT_NE(seen.find("user-dated=1"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("user-session=1"), std::string::npos) << seen;
    EXPECT_NE(seen.find("local: user"), std::string::npos) << seen;
  }
  AwaitFilesClosed();
  using Set = std::set<std::string>;
  const auto data = P(UserProfileFolders().data);
  EXPECT_EQ(Names(Variable("XDG_DATA_HOME")), Set{"quorin"});
  EXPECT_EQ(Names(data), (Set{"QtWebEngine", "quorin.lock"}));
  EXPECT_EQ(Names(data / "QtWebEngine"), Set{"Default"});
  EXPECT_EQ(Names(P(UserProfileFolders().cache)), Set{"QtWebEngine"});
}

TEST_F(ProfileTest, EveryManifestReadReachesTheServer) {
  const auto read = [&](Run& run, int version) {
    manifestVersion_ = version;
    const int before = manifestRequests_;
    EXPECT_EQ(Load(run.hidden, "/yun/up1.txt"), "manifest " + std::to_string(version));
    EXPECT_EQ(manifestRequests_, before + 1) << "version " << version;
  };
  {
    Run first;
    read(first, 1);
    read(first, 2);  // the same address again
    ASSERT_EQ(Load(first.hidden, "/other"), "other");
    read(first, 3);  // coming back to it
    // The shown browsers do keep a cache: a read from it would not be counted.
    const int before = cacheableRequests_;
    ASSERT_NE(Load(first.shown, "/cacheable").find("cacheable"), std::string::npos);
    ASSERT_EQ(cacheableRequests_, before + 1);
  }
  AwaitFilesClosed();
  Run next;
  read(next, 4);
  const int before = cacheableRequests_;
  EXPECT_NE(Load(next.shown, "/cacheable").find("cacheable"), std::string::npos);
  EXPECT_EQ(cacheableRequests_, before) << "the shown browser's cache did not last";
}

TEST_F(ProfileTest, ASecondCopyRunsInMemoryAndLeavesTheFirstsFilesAlone) {
  {
    Run first;
    ASSERT_EQ(first.profiles.Storage(), ProfileStorage::Disk);
    ASSERT_EQ(Load(first.shown, "/signin?name=first"), "signed in");
    {
      Run second;
      EXPECT_EQ(second.profiles.Storage(), ProfileStorage::Memory);
      // It works, for its own run.
      ASSERT_EQ(Load(second.shown, "/signin?name=second"), "signed in");
      const std::string seen = Load(second.shown, "/whoami");
      EXPECT_NE(seen.find("second=1"), std::string::npos) << seen;
      EXPECT_EQ(seen.find("first=1"), std::string::npos) << seen;
      EXPECT_NE(seen.find("local: second"), std::string::npos) << seen;
    }
    // The first goes on with its own.
    const std::string seen = Load(first.shown, "/whoami");
    EXPECT_NE(seen.find("first=1"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("second=1"), std::string::npos) << seen;
  }
  // The folders are free again, and hold the first copy's data alone.
  AwaitFilesClosed();
  Run next;
  EXPECT_EQ(next.profiles.Storage(), ProfileStorage::Disk);
  const std::string seen = Load(next.shown, "/whoami");
  EXPECT_NE(seen.find("first=1"), std::string::npos) << seen;
  EXPECT_EQ(seen.find("second=1"), std::string::npos) << seen;
  EXPECT_NE(seen.find("local: first"), std::string::npos) << seen;
}

}  // namespace

int main(int argc, char* argv[]) {
  ::testing::InitGoogleTest(&argc, argv);
  // The engine writes under the user's folders: this process has its own, set before
  // anything reads them.
  support::TempDir home("quorin-profile-home");
  for (const auto& [name, folder] :
       {std::pair{"HOME", ""}, std::pair{"XDG_DATA_HOME", "/data"},
        std::pair{"XDG_CACHE_HOME", "/cache"}, std::pair{"XDG_CONFIG_HOME", "/config"}}) {
    ::setenv(name, (home.path().string() + folder).c_str(), 1);
  }
  platform::real::PrepareProcess();
  QApplication application(argc, argv);
  // As the program names itself.
  QApplication::setApplicationName(QStringLiteral("quorin"));
  const int result = RUN_ALL_TESTS();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return result;
}
