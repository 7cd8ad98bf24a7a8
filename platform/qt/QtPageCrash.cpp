#include "platform/qt/QtPageCrash.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWebEngineView>

#include <chrono>

namespace platform::qt {

namespace {

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

bool CrashReloadRule::ReloadAfterCrash(const std::string& page, double now) {
  const bool again = last_ && last_->page == page && now - last_->at < kAgainSeconds;
  // Each crash counts from its own time: a user's reload that dies at once is "again" too.
  last_ = Crash{page, now};
  return !again;
}

QtPageCrash::QtPageCrash(QWebEngineView& view, QWebEnginePage& page)
    : QObject(&view), view_(view), page_(page), notice_(new QLabel(&view)) {
  notice_->setObjectName(QStringLiteral("QuorinCrashNotice"));
  notice_->setAlignment(Qt::AlignCenter);
  notice_->setWordWrap(true);
  notice_->setAutoFillBackground(true);
  notice_->hide();
  view.installEventFilter(this);
  connect(&page_, &QWebEnginePage::loadStarted, this, [this] {
    if (crashed_) loadSinceCrash_ = true;
  });
  connect(&page_, &QWebEnginePage::loadFinished, this, [this](bool ok) {
    if (crashed_ && loadSinceCrash_ && ok) Hide();
  });
}

void QtPageCrash::Terminated(QWebEnginePage::RenderProcessTerminationStatus status) {
  // A renderer that ended normally left nothing behind to tell; the hidden browser has
  // no one to tell.
  if (retired_ || status == QWebEnginePage::NormalTerminationStatus || view_.isHidden()) return;
  ++generation_;
  crashed_ = true;
  loadSinceCrash_ = false;
  if (!rule_.ReloadAfterCrash(page_.url().toString().toStdString(), SteadySeconds())) {
    Show(QString::fromUtf16(u"页面再次出错，请从菜单重新打开。"));
    return;
  }
  Show(QString::fromUtf16(u"页面出错了，正在重新载入…"));
  // Not from within the engine's report of the crash.
  QTimer::singleShot(0, this, [this, generation = generation_] {
    if (generation == generation_ && !retired_) page_.triggerAction(QWebEnginePage::Reload);
  });
}

void QtPageCrash::Navigating() {
  ++generation_;
  rule_.Forget();
  Hide();
}

void QtPageCrash::Retire() {
  retired_ = true;
  ++generation_;
}

void QtPageCrash::Show(const QString& text) {
  notice_->setText(text);
  notice_->setGeometry(view_.rect());
  notice_->show();
  notice_->raise();
}

void QtPageCrash::Hide() {
  crashed_ = false;
  loadSinceCrash_ = false;
  notice_->hide();
}

bool QtPageCrash::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &view_ && !notice_->isHidden()) {
    if (event->type() == QEvent::Resize) notice_->setGeometry(view_.rect());
    // The engine puts a new surface for the page into the view as a renderer starts: the
    // words stay in front of it.
    if (event->type() == QEvent::ChildAdded) notice_->raise();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace platform::qt
