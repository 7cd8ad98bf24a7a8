#include "platform/qt/QtProfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QWebEngineProfile>

namespace platform::qt {

namespace {

// The profile's name, and where under both folders the engine keeps its files. That is
// the engine's own default place in the application's folders: a new profile writes its
// settings there before it can be given another, so nothing lands beside them.
const QString kStorageName = QStringLiteral("Default");
const QString kEngineFolder = QStringLiteral("/QtWebEngine/") + kStorageName;
const QString kLockFile = QStringLiteral("/quorin.lock");

// Makes the folder, and any missing parent, readable by the user alone (the XDG rules
// ask that of what a program creates there), and narrows an existing folder that is
// wider. False when it is not a folder of the user's own that only the user can enter.
bool MakePrivateFolder(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  struct stat status {};
  for (qsizetype slash = native.indexOf('/', 1);; slash = native.indexOf('/', slash + 1)) {
    const QByteArray part = slash < 0 ? native : native.left(slash);
    if (::stat(part.constData(), &status) != 0 && ::mkdir(part.constData(), 0700) != 0 &&
        errno != EEXIST) {
      return false;
    }
    if (slash < 0) break;
  }
  if (::stat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
  if (status.st_uid != ::geteuid()) return false;
  return (status.st_mode & 077) == 0 || ::chmod(native.constData(), 0700) == 0;
}

// An exclusive lock held while the returned descriptor is open; -1 when another process
// holds it or the file cannot be opened. The kernel lets it go when the process ends,
// however it ends, and no program the user starts from here inherits it.
int TakeLock(const QString& path) {
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return -1;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

ProfileFolders UserProfileFolders() {
  return {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
          QStandardPaths::writableLocation(QStandardPaths::CacheLocation)};
}

QtProfile::QtProfile() {
  shown_ = new QWebEngineProfile();
  MakeHidden();
}

QtProfile::QtProfile(const ProfileFolders& folders) {
  if (folders.data.isEmpty() || folders.cache.isEmpty() || !MakePrivateFolder(folders.data)) {
    qWarning("quorin: no private folder for the browsers' data: nothing is kept past this run");
  } else if ((lock_ = TakeLock(folders.data + kLockFile)) < 0) {
    // Two engines on the same files would spoil each other's databases.
    qWarning(
        "quorin: another copy of the program is using %s: this copy keeps nothing past "
        "this run",
        qUtf8Printable(folders.data));
  } else if (!MakePrivateFolder(folders.data + kEngineFolder) ||
             !MakePrivateFolder(folders.cache) ||
             !MakePrivateFolder(folders.cache + kEngineFolder)) {
    qWarning("quorin: no private folder for the browsers' cache: nothing is kept past this run");
    ::close(lock_);
    lock_ = -1;
  } else {
    storage_ = ProfileStorage::Disk;
  }

  if (storage_ == ProfileStorage::Disk) {
    shown_ = new QWebEngineProfile(kStorageName);
    shown_->setPersistentStoragePath(folders.data + kEngineFolder);
    shown_->setCachePath(folders.cache + kEngineFolder);
    shown_->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    // What a browser does: the cookies a site asks to keep are kept, a session's are not.
    shown_->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
  } else {
    shown_ = new QWebEngineProfile();
  }
  MakeHidden();
}

void QtProfile::MakeHidden() {
  hidden_ = new QWebEngineProfile();
  hidden_->setHttpCacheType(QWebEngineProfile::NoCache);
}

QtProfile::~QtProfile() {
  // Windows leave their widgets to deferred deletion; every page goes before its profile.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  delete hidden_;
  delete shown_;
  if (lock_ >= 0) ::close(lock_);
}

}  // namespace platform::qt
