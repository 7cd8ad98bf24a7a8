// The event loop: posted work only at the top level, waits that sleep.

#include <gtest/gtest.h>
#include <time.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/QtEventLoop.h"
#include "platform/qt/QtUi.h"
#include "support/Wait.h"

namespace {

using platform::qt::QtEventLoop;
using Log = std::vector<std::string>;

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs `call`, which ought to return without waiting for events. Should it wait after
// all, a generous while later another thread wakes the loop, and `unstick` runs in it.
// True when the call returned on its own.
bool ReturnsWithoutWaiting(
    const std::function<void()>& call, std::function<void()> unstick = [] {}) {
  std::mutex mutex;
  std::condition_variable changed;
  bool returned = false;
  std::atomic<bool> woken = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (changed.wait_for(lock, support::kGenerousLimit, [&] { return returned; })) return;
    woken = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), unstick, Qt::QueuedConnection);
  });
  call();
  {
    std::lock_guard lock(mutex);
    returned = true;
  }
  changed.notify_all();
  watchdog.join();
  return !woken;
}

// Runs `handler` as the first event of a Run, the way a menu click or a form's load is.
int RunWith(QtEventLoop& loop, std::function<void()> handler) {
  QTimer::singleShot(0, std::move(handler));
  return loop.Run();
}

// A nested wait of the kind the manifest read does: until `passes` timer ticks came.
void NestedWait(QtEventLoop& loop, int ticks) {
  int seen = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++seen; });
  timer.start(10);
  while (seen < ticks) loop.WaitEvents();
}

TEST(QtEventLoopTest, PostedWorkWaitsForTheTopLevel) {
  QtEventLoop loop;
  Log log;
  const int code = RunWith(loop, [&] {
    log.push_back("handler");
    loop.Post([&] {
      log.push_back(loop.Depth() == 0 ? "posted, at top" : "posted, nested");
      loop.Quit(5);
    });
    NestedWait(loop, 5);
    loop.DoEvents();
    // A second wait, nested one deeper, inside a handler run by the first.
    bool inner = false;
    QTimer::singleShot(0, [&] {
      NestedWait(loop, 2);
      inner = true;
    });
    while (!inner) loop.WaitEvents();
    log.push_back("handler returns");
  });
  EXPECT_EQ(code, 5);
  EXPECT_EQ(log, (Log{"handler", "handler returns", "posted, at top"}));
}

TEST(QtEventLoopTest, PostedWorkWaitsForAModalMessageBox) {
  QtEventLoop loop;
  platform::qt::QtUi ui;
  Log log;
  RunWith(loop, [&] {
    loop.Post([&] {
      log.push_back("posted");
      loop.Quit(0);
    });
    // The box is answered once it has been up for a few ticks, passes of its own loop in
    // which the posted work would have run, had it not waited.
    int ticksWithTheBoxUp = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || ++ticksWithTheBoxUp < 5) return;
      answer.stop();
      log.push_back("answering");
      box->button(QMessageBox::Ok)->click();
    });
    answer.start(10);
    ui.MessageBox(u"text", u"title", platform::MsgBoxButtons::Ok, platform::MsgBoxIcon::Error);
    log.push_back("box closed");
  });
  EXPECT_EQ(log, (Log{"answering", "box closed", "posted"}));
}

TEST(QtEventLoopTest, WaitEventsSleepsUntilSomethingHappens) {
  QtEventLoop loop;
  int waits = 0;
  double cpu = 0;
  RunWith(loop, [&] {
    // Held-back work and a deferred deletion are pending during the wait; neither may
    // turn it into a spin.
    loop.Post([] {});
    (new QObject)->deleteLater();
    bool done = false;
    QTimer::singleShot(1000, [&] { done = true; });
    const double start = ThreadCpuSeconds();
    while (!done) {
      loop.WaitEvents();
      ++waits;
    }
    cpu = ThreadCpuSeconds() - start;
    loop.Quit(0);
  });
  RecordProperty("ui_thread_cpu_ms", static_cast<int>(cpu * 1000));
  RecordProperty("waits", waits);
  EXPECT_LT(waits, 20);
  EXPECT_LT(cpu, 0.1);
}

TEST(QtEventLoopTest, DoEventsReturnsAtOnceAfterDispatchingWhatIsPending) {
  QtEventLoop loop;
  bool dispatched = false;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&] { dispatched = true; }, Qt::QueuedConnection);
  EXPECT_TRUE(ReturnsWithoutWaiting([&] { loop.DoEvents(); }));
  EXPECT_TRUE(dispatched);
  // Nothing is pending now.
  EXPECT_TRUE(ReturnsWithoutWaiting([&] { loop.DoEvents(); }));
}

TEST(QtEventLoopTest, DeferredDeletionHappensAtTheTopLevel) {
  QtEventLoop loop;
  QPointer<QObject> object = new QObject;
  bool aliveAfterNestedWait = false;
  bool goneAtTop = false;
  RunWith(loop, [&] {
    object->deleteLater();
    NestedWait(loop, 3);
    aliveAfterNestedWait = !object.isNull();
    loop.Post([&] {
      QTimer::singleShot(0, [&] {
        goneAtTop = object.isNull();
        loop.Quit(0);
      });
    });
  });
  EXPECT_TRUE(aliveAfterNestedWait);
  EXPECT_TRUE(goneAtTop);
}

TEST(QtEventLoopTest, QuitBeforeRunEndsTheRunAtOnceAfterPostedWork) {
  QtEventLoop loop;
  bool posted = false;
  loop.Post([&] { posted = true; });
  loop.Quit(3);
  int code = -1;
  EXPECT_TRUE(ReturnsWithoutWaiting([&] { code = loop.Run(); }, [&] { loop.Quit(-2); }));
  EXPECT_EQ(code, 3);
  EXPECT_TRUE(posted);
}

}  // namespace
