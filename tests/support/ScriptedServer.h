#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace support {

// A raw-socket HTTP server on 127.0.0.1 (ephemeral port) for tests. It serves on its
// own threads, records each request's bytes (the head and a body of Content-Length
// bytes) and answers every connection with a scripted list of actions. After the last
// action the connection is closed, as an HTTP/1.0 server does.
class ScriptedServer {
 public:
  struct Action {
    enum class Kind { Send, SendPattern, Pause, Close, Reset };
    Kind kind = Kind::Send;
    std::string bytes;                   // Send
    std::uint64_t count = 0;             // SendPattern
    std::chrono::milliseconds pause{0};  // Pause
  };

  using Headers = std::vector<std::pair<std::string, std::string>>;

  ScriptedServer();
  // Listens on the given loopback port (0: any free one); throws when it is taken.
  explicit ScriptedServer(int port);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by path.
  std::string Url(std::string_view path) const;

  // Queues the script for the next connection that has none yet. The last script
  // queued repeats for every further connection. Without any script a connection is
  // closed once its request has been read.
  void Answer(std::vector<Action> script);

  // Sends the bytes as they are.
  static Action Send(std::string bytes);
  // Sends `count` bytes of PatternByte(0), PatternByte(1), ... without holding them
  // in memory (large bodies).
  static Action SendPattern(std::uint64_t count);
  // Waits; cut short when the server is destroyed.
  static Action Pause(std::chrono::milliseconds duration);
  // Closes the connection here (an orderly close: the client sees the end of data).
  static Action Close();
  // Aborts the connection here (the client sees a reset).
  static Action Reset();

  static std::uint8_t PatternByte(std::uint64_t offset) {
    return static_cast<std::uint8_t>(offset % 251);
  }
  static std::string Pattern(std::uint64_t offset, std::size_t count);

  // "HTTP/1.0 CODE REASON", each header as "Name: value", an empty line, the body; CR LF
  // line ends. No header is added.
  static std::string Response(int code, std::string reason, Headers headers, std::string body);

  // The requests received so far, in the order they were completed.
  std::vector<std::string> Requests() const;
  // Connections accepted so far (including those that sent no request).
  int Connections() const;
  // True once at least n requests have been received; false after the timeout.
  bool WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const;
  // True once a send found the client's side full: the server has run as far ahead of
  // the client as the connection lets it. False after the timeout.
  bool WaitUntilBlocked(std::chrono::milliseconds timeout) const;
  // Connections whose script has come to its end, or was cut off by the client; a
  // connection still in a Pause has not.
  int Finished() const;
  // Connections accepted, counting every one that any thread had made before this call:
  // a connection of its own goes through the accept queue behind them (and is not
  // counted). Throws when that connection is not accepted within the timeout.
  int SettledConnections(std::chrono::milliseconds timeout);

 private:
  void AcceptLoop();
  void Serve(int fd, std::vector<Action> script);
  bool SleepUnlessStopping(std::chrono::milliseconds duration);

  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  int port_ = 0;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  std::vector<std::vector<Action>> scripts_;
  std::size_t nextScript_ = 0;
  std::vector<std::string> requests_;
  int connections_ = 0;
  int blocked_ = 0;
  int finished_ = 0;
  int probePort_ = 0;  // the local port of SettledConnections' own connection
  bool probeAccepted_ = false;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace support
