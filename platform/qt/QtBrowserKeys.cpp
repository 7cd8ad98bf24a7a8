#include "platform/qt/QtBrowserKeys.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWebEnginePage>
#include <QWidget>

#include <array>
#include <initializer_list>

namespace platform::qt {

namespace {

// The steps desktop browsers zoom by; the engine takes factors from 0.25 to 5.
constexpr std::array<double, 17> kZoomSteps = {0.25, 0.33, 0.5,  0.67, 0.75, 0.8, 0.9, 1.0, 1.1,
                                               1.25, 1.5,  1.75, 2.0,  2.5,  3.0, 4.0, 5.0};
// The engine hands a factor back with some rounding of its own: this close is that step.
constexpr double kSameStep = 0.005;

struct KeyBinding {
  BrowserKey key;
  std::initializer_list<const char*> sequences;
};

// A keypad key matches its plain one's sequence too (Qt tries again without the keypad),
// and Ctrl+Shift+= is matched as Ctrl+plus where the layout makes plus so: a sequence
// of its own would make the two ambiguous, and neither would act.
const KeyBinding kBindings[] = {
    {BrowserKey::Back, {"Alt+Left"}},       {BrowserKey::Forward, {"Alt+Right"}},
    {BrowserKey::Reload, {"F5", "Ctrl+R"}}, {BrowserKey::ZoomIn, {"Ctrl++", "Ctrl+="}},
    {BrowserKey::ZoomOut, {"Ctrl+-"}},      {BrowserKey::ZoomReset, {"Ctrl+0"}},
};

void Act(QWebEnginePage& page, BrowserKey key) {
  switch (key) {
    case BrowserKey::Back:
      page.triggerAction(QWebEnginePage::Back);
      return;
    case BrowserKey::Forward:
      page.triggerAction(QWebEnginePage::Forward);
      return;
    case BrowserKey::Reload:
      page.triggerAction(QWebEnginePage::Reload);
      return;
    case BrowserKey::ZoomIn:
    case BrowserKey::ZoomOut:
    case BrowserKey::ZoomReset:
      page.setZoomFactor(ZoomAfter(key, page.zoomFactor()));
      return;
  }
}

}  // namespace

double ZoomAfter(BrowserKey key, double current) {
  switch (key) {
    case BrowserKey::ZoomIn:
      for (double step : kZoomSteps) {
        if (step > current + kSameStep) return step;
      }
      return kZoomSteps.back();
    case BrowserKey::ZoomOut:
      for (auto step = kZoomSteps.rbegin(); step != kZoomSteps.rend(); ++step) {
        if (*step < current - kSameStep) return *step;
      }
      return kZoomSteps.front();
    case BrowserKey::ZoomReset:
      return 1.0;
    default:
      return current;
  }
}

void AddBrowserKeys(QWidget& view, QWebEnginePage& page) {
  for (const KeyBinding& binding : kBindings) {
    for (const char* sequence : binding.sequences) {
      auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(sequence)), &view);
      // Only where the user is in this browser: a text box beside it keeps its keys.
      shortcut->setContext(Qt::WidgetWithChildrenShortcut);
      QObject::connect(shortcut, &QShortcut::activated, &page,
                       [&page, key = binding.key] { Act(page, key); });
    }
  }
}

void KeepZoom(QWebEnginePage& page) {
  page.setZoomFactor(page.zoomFactor());
}

}  // namespace platform::qt
