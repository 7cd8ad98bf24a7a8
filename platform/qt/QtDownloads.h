#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>

class QLabel;
class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWebEngineView;

namespace platform::qt {

// The downloads of one browser. One the user starts (a link to a file, a link with
// "download", a save chosen from the browser's menu) is saved without a dialog into the
// desktop's download folder, under a cleaned name that never replaces a file already
// there, and a short notice over the bottom of the browser says where it went or that
// it failed. The engine lets any script start a download; here a download counts as the
// user's only when it comes soon after their own mouse button or key press on this
// browser, or after a save chosen from its menu. Any other is refused.
class QtDownloads : public QObject {
 public:
  // How soon: the engine's own user activation lasts five seconds from the press, and a
  // download is only asked for once the server has begun to answer.
  static constexpr std::chrono::milliseconds kUserActionWindow{10000};
  // How long a notice stays.
  static constexpr std::chrono::milliseconds kNoticeTime{6000};

  // `started` is called (last) for every download accepted.
  QtDownloads(QWebEngineView& view, QWebEnginePage& page, std::function<void()> started);
  ~QtDownloads() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Watch(QObject* child);
  bool UsersOwn() const;
  void Requested(QWebEngineDownloadRequest* download);
  void Accept(QWebEngineDownloadRequest* download, const QString& path);
  void Show(const QString& text);
  void Place();

  QWebEngineView& view_;
  QWebEnginePage& page_;
  std::function<void()> started_;
  QElapsedTimer sinceUserAction_;  // not valid until the first
  QLabel* notice_;                 // the view's child
  QString noticeText_;
  QTimer noticeTimer_;
  std::map<quint32, QString> accepted_;  // the files of the downloads under way, by number
};

}  // namespace platform::qt
