#include "platform/qt/QtDownloads.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QChildEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cerrno>
#include <optional>
#include <string>

#include "platform/DownloadNames.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// Bigger than any real user-dirs.dirs; the rest of a stranger file is not read.
constexpr qint64 kMaxUserDirsBytes = 64 * 1024;
// Names tried before a folder is taken as unwritable rather than full of namesakes.
constexpr unsigned kMaxNumber = 9999;

std::string Utf8(const QString& text) {
  return text.toStdString();
}

// The desktop's download folder, made when missing; empty when none can be used.
QString DownloadFolder() {
  const std::string home = Utf8(QDir::homePath());
  DownloadFolderSources sources;
  sources.home = home;
  sources.environment = Utf8(qEnvironmentVariable("XDG_DOWNLOAD_DIR"));
  // The file xdg-user-dir reads, read here the same way: no process to wait for.
  QFile userDirs(
      QString::fromStdString(UserDirsFile(Utf8(qEnvironmentVariable("XDG_CONFIG_HOME")), home)));
  if (userDirs.open(QIODevice::ReadOnly)) {
    const QByteArray text = userDirs.read(kMaxUserDirsBytes);
    sources.userDirs = UserDirsDownloadFolder(std::string_view(text.constData(), text.size()), home)
                           .value_or(std::string());
  }
  for (const std::string& candidate : DownloadFolderCandidates(sources)) {
    const QString folder = QString::fromStdString(candidate);
    if (!QDir().mkpath(folder)) continue;
    const QFileInfo info(folder);
    if (info.isDir() && info.isWritable()) return folder;
  }
  return {};
}

// Makes the first free numbered form of `name` in `folder`, empty and exclusively, so
// that nothing else takes the name between now and the engine's writing it (the engine
// writes beside it and then replaces it). Returns its path; nothing when the folder
// refuses.
std::optional<QString> Reserve(const QString& folder, const base::Text& name) {
  for (unsigned n = 0; n <= kMaxNumber; ++n) {
    const QString path = folder + u'/' + ToQString(NumberedDownloadName(name, n));
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

// The name a download came with; a saved page is named after its title.
base::Text SuggestedName(const QWebEngineDownloadRequest& download, const QWebEnginePage& page) {
  if (download.isSavePageDownload()) {
    // The title as it is: a "/" in it is no folder.
    const QString title = page.title().isEmpty()
                              ? QFileInfo(download.suggestedFileName()).completeBaseName()
                              : page.title();
    return CleanDownloadName((title + QStringLiteral(".mhtml")).toStdU16String());
  }
  return CleanDownloadName(download.suggestedFileName().toStdU16String());
}

// A reserved name the download did not fill is given back.
void GiveBack(const QString& path) {
  const QFileInfo info(path);
  if (info.exists() && !info.isSymLink() && info.size() == 0) QFile::remove(path);
}

}  // namespace

QtDownloads::QtDownloads(QWebEngineView& view, QWebEnginePage& page, std::function<void()> started)
    : view_(view), page_(page), started_(std::move(started)), notice_(new QLabel(&view)) {
  notice_->setObjectName(QStringLiteral("quorin-download-notice"));
  notice_->hide();
  notice_->setAttribute(Qt::WA_TransparentForMouseEvents);
  notice_->setStyleSheet(QStringLiteral(
      "QLabel { background: rgba(32, 32, 32, 220); color: white; padding: 4px 8px; }"));
  noticeTimer_.setSingleShot(true);
  connect(&noticeTimer_, &QTimer::timeout, this, [this] {
    noticeText_.clear();
    notice_->hide();
  });

  // The user's own presses reach the widget the engine draws into, a child of the view
  // that the engine may replace.
  view_.installEventFilter(this);
  for (QObject* child : view_.children()) Watch(child);
  // A save chosen from the menu is the user's: the clicks went to the menu, not the page.
  for (QWebEnginePage::WebAction save :
       {QWebEnginePage::DownloadLinkToDisk, QWebEnginePage::DownloadImageToDisk,
        QWebEnginePage::DownloadMediaToDisk, QWebEnginePage::SavePage}) {
    connect(page_.action(save), &QAction::triggered, this, [this] { sinceUserAction_.start(); });
  }
  connect(page_.profile(), &QWebEngineProfile::downloadRequested, this,
          [this](QWebEngineDownloadRequest* download) {
            if (download->page() == &page_) Requested(download);
          });
}

QtDownloads::~QtDownloads() {
  view_.removeEventFilter(this);
}

void QtDownloads::Watch(QObject* child) {
  if (child != notice_) child->installEventFilter(this);
}

bool QtDownloads::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded:
      if (watched == &view_) Watch(static_cast<QChildEvent*>(event)->child());
      break;
    case QEvent::Resize:
      if (watched == &view_ && notice_->isVisible()) Place();
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::TouchEnd:
      // Only what comes from the window system: the user's hand.
      if (event->spontaneous() && watched != &view_) sinceUserAction_.start();
      break;
    default:
      break;
  }
  return false;
}

bool QtDownloads::UsersOwn() const {
  return sinceUserAction_.isValid() && sinceUserAction_.elapsed() <= kUserActionWindow.count();
}

void QtDownloads::Requested(QWebEngineDownloadRequest* download) {
  if (download->state() != QWebEngineDownloadRequest::DownloadRequested) return;
  // The engine asks again, under the same number, for a download it restarts by itself
  // after a failure: it goes on into the file it was given.
  if (const auto known = accepted_.find(download->id()); known != accepted_.end()) {
    Accept(download, known->second);
    return;
  }
  if (!UsersOwn()) {
    download->cancel();
    return;
  }
  const base::Text name = SuggestedName(*download, page_);
  const QString shownName = ToQString(name);
  const QString folder = DownloadFolder();
  const std::optional<QString> path = folder.isEmpty() ? std::nullopt : Reserve(folder, name);
  if (!path) {
    download->cancel();
    Show(folder.isEmpty()
             ? ToQString(u"下载失败：") + shownName + ToQString(u"（没有可用的下载文件夹）")
             : ToQString(u"下载失败：") + shownName + ToQString(u"（无法写入 ") + folder +
                   ToQString(u"）"));
    return;
  }
  Accept(download, *path);
  Show(ToQString(u"正在下载 ") + QFileInfo(*path).fileName());
  started_();
}

void QtDownloads::Accept(QWebEngineDownloadRequest* download, const QString& path) {
  accepted_[download->id()] = path;
  const QFileInfo file(path);
  download->setDownloadDirectory(file.path());
  download->setDownloadFileName(file.fileName());
  if (download->isSavePageDownload()) {
    download->setSavePageFormat(QWebEngineDownloadRequest::MimeHtmlSaveFormat);
  }
  // The file is looked after for as long as the download lasts, even when this browser
  // is gone before it ends.
  QPointer<QtDownloads> self(this);
  connect(download, &QWebEngineDownloadRequest::stateChanged, download,
          [self, download, path](QWebEngineDownloadRequest::DownloadState state) {
            switch (state) {
              case QWebEngineDownloadRequest::DownloadCompleted:
                if (self) {
                  self->accepted_.erase(download->id());
                  self->Show(ToQString(u"已下载到 ") + QDir::toNativeSeparators(path));
                }
                break;
              case QWebEngineDownloadRequest::DownloadInterrupted:
                if (self) {
                  self->accepted_.erase(download->id());
                  self->Show(ToQString(u"下载失败：") + QFileInfo(path).fileName() +
                             ToQString(u"（") + download->interruptReasonString() +
                             ToQString(u"）"));
                }
                // Nothing resumes it: what it wrote so far goes.
                QTimer::singleShot(0, download, [download] { download->cancel(); });
                GiveBack(path);
                break;
              case QWebEngineDownloadRequest::DownloadCancelled:
                if (self) self->accepted_.erase(download->id());
                GiveBack(path);
                break;
              default:
                break;
            }
          });
  download->accept();
}

void QtDownloads::Show(const QString& text) {
  noticeText_ = text;
  Place();
  notice_->show();
  notice_->raise();
  noticeTimer_.start(kNoticeTime);
}

void QtDownloads::Place() {
  constexpr int kMargin = 8;
  const int room = std::max(0, view_.width() - 2 * kMargin);
  // Less the label's padding.
  const int textRoom = std::max(0, room - 24);
  notice_->setText(
      QFontMetrics(notice_->font()).elidedText(noticeText_, Qt::ElideMiddle, textRoom));
  notice_->adjustSize();
  notice_->resize(std::min(notice_->width(), room), notice_->height());
  notice_->move(kMargin, std::max(0, view_.height() - notice_->height() - kMargin));
}

}  // namespace platform::qt
