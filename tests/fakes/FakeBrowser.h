#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "base/Text.h"
#include "fakes/FakeEventLoop.h"
#include "platform/Browser.h"

namespace fakes {

// The documents fake browsers load, per address, and the log of every navigation.
class FakeWeb {
 public:
  explicit FakeWeb(FakeEventLoop& loop) : loop_(loop) {}

  // The body text served for an address (line breaks as the test writes them).
  void SetDocument(const base::Text& address, base::Text body) { documents_[address] = body; }
  // The address completes with a document whose body cannot be read.
  void SetUnreadable(const base::Text& address) { documents_[address] = std::nullopt; }
  // Addresses without a document complete with this error page.
  static constexpr const char16_t* kErrorPage = u"无法访问此页面\r\n找不到服务器";

  // How many dispatch passes a load takes to complete (at least 1).
  void SetPassesToComplete(int passes) { passes_ = passes; }
  int PassesToComplete() const { return passes_; }

  // Every navigation of every fake browser, in order.
  const std::vector<base::Text>& Requests() const { return requests_; }
  int RequestCount(const base::Text& address) const;

  FakeEventLoop& Loop() { return loop_; }
  void Record(const base::Text& address) { requests_.push_back(address); }
  std::optional<base::Text> Lookup(const base::Text& address) const;

 private:
  FakeEventLoop& loop_;
  std::map<base::Text, std::optional<base::Text>> documents_;
  std::vector<base::Text> requests_;
  int passes_ = 1;
};

class FakeBrowser : public platform::Browser {
 public:
  explicit FakeBrowser(FakeWeb& web) : web_(web) {}
  ~FakeBrowser() override { *alive_ = false; }

  void Navigate(const base::Text& address) override { Start(address); }
  void Navigate2(const base::Text& address) override { Start(address); }
  void SetSilent(bool silent) override { silent_ = silent; }
  bool Silent() const override { return silent_; }
  int ReadyState() const override { return readyState_; }
  base::Text BodyInnerText() const override;
  void OnDownloadBegin(std::function<void()> handler) override {
    onDownloadBegin_ = std::move(handler);
  }
  void SetScriptsEnabled(bool enabled) override { scriptsEnabled_ = enabled; }
  bool ScriptsEnabled() const { return scriptsEnabled_; }

  // Every address this browser was sent to, in order.
  const std::vector<base::Text>& Navigations() const { return navigations_; }
  base::Text Address() const { return navigations_.empty() ? base::Text() : navigations_.back(); }
  // Raises DownloadBegin as a page loading a resource would.
  void RaiseDownloadBegin() {
    if (onDownloadBegin_) onDownloadBegin_();
  }

 private:
  void Start(const base::Text& address);

  FakeWeb& web_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::vector<base::Text> navigations_;
  std::optional<base::Text> body_;
  std::function<void()> onDownloadBegin_;
  int readyState_ = 0;
  int generation_ = 0;
  bool silent_ = false;
  bool scriptsEnabled_ = true;
};

}  // namespace fakes
