#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/curl/CookieStore.h"
#include "platform/curl/RequestSettings.h"

namespace platform::curl {

// One HTTP request and its transfer. Nothing touches the network until Send. The
// transfer runs on curl's multi interface, driven only from Send and Read: Send
// returns once the final response's header block is in (redirects followed), Read
// pulls the body through a bounded buffer, pausing the transfer while it is full.
class CurlRequest {
 public:
  using Settings = RequestSettings;

  // Cookies go out from the store and come back into it; it outlives the request.
  CurlRequest(Settings settings, CookieStore& cookies);
  ~CurlRequest();
  CurlRequest(const CurlRequest&) = delete;
  CurlRequest& operator=(const CurlRequest&) = delete;

  // Header lines separated by CR LF. With `replace` a header of the same name is
  // replaced; otherwise the header is added.
  void AddHeaders(std::string_view text, bool replace);
  // Sends the request with the body (any method). False when no final response
  // header block arrived (the server cannot be reached, closed early, timed out).
  bool Send(std::string body);
  // The final response's header block: the status line and each header line, each
  // followed by NUL, one more NUL at the end. On entry length is the buffer's size; on
  // success the bytes written without the last NUL; on failure the size needed.
  bool RawHeaders(char* buffer, std::uint32_t& length) const;
  // Fills the buffer unless the body ends or fails. A failure after some bytes of this
  // call returns those bytes, and the next call fails.
  bool Read(std::uint8_t* buffer, std::uint32_t toRead, std::uint32_t& read);
  // Called while Send or Read waits for the network, at least every kWaitPass; false
  // ends the transfer at once, as failed.
  void SetWaiter(std::function<bool()> waiter) { waiter_ = std::move(waiter); }
  static constexpr std::chrono::milliseconds kWaitPass{50};
  // Why the transfer ended: CURLE_OK while it runs and when it ended well.
  CURLcode Result() const { return result_; }

  // curl's set-up of the process, once; later calls give the first one's result.
  static CURLcode GlobalInit();

 private:
  // Where the request stands. Each hop of a redirect passes kAwaitingHead, kInHead and
  // kRedirecting; an interim (1xx) head goes back to kAwaitingHead.
  enum class Phase {
    kUnsent,        // Send has not been called
    kAwaitingHead,  // sent, or a redirect followed: no status line yet
    kInHead,        // between a status line and the blank line that ends its head
    kRedirecting,   // a redirect's head is in; the next hop starts at the next pass
    kHeadDone,      // the final head is in: RawHeaders answers, the body goes to Read
  };

  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static int OnConnected(void* self, char*, char*, int, int);

  // Makes the transfer of one hop and adds it to the multi handle; nothing is sent
  // unless every option and header took.
  CURLcode StartHop(const std::string& url);
  void EndHop();
  void FollowRedirect();
  // Runs the transfer until `done` holds, the transfer ends or the idle timeout passes.
  template <class Done>
  void Drive(Done done);
  void Finish(CURLcode result);
  std::size_t Buffered() const { return tail_ - head_; }

  Settings settings_;
  CookieStore& cookies_;
  std::function<bool()> waiter_;
  std::vector<std::pair<std::string, std::string>> headers_;  // lower-case name, line
  std::string verb_;
  std::string body_;
  bool noBody_ = false;

  CURLM* multi_ = nullptr;
  CURL* easy_ = nullptr;
  curl_slist* headerList_ = nullptr;
  std::string url_;
  CookieStore::Address address_;
  int hops_ = 0;
  bool bodyDropped_ = false;

  // The response as it arrives.
  Phase phase_ = Phase::kUnsent;
  int status_ = 0;
  std::vector<std::string> lines_;
  std::string location_;
  bool refused_ = false;  // a redirect not followed: past the limit, or not to http
  bool connected_ = false;
  bool activity_ = false;

  bool finished_ = false;
  CURLcode result_ = CURLE_OK;

  // Body bytes not yet read, and the reader's buffer while a Read waits for data.
  std::vector<std::uint8_t> buffer_;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
  bool paused_ = false;
  std::uint8_t* target_ = nullptr;
  std::size_t targetLeft_ = 0;
};

}  // namespace platform::curl
