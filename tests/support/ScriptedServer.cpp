#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "base/Ascii.h"

namespace support {
namespace {

constexpr std::size_t kPatternPeriod = 251;
constexpr std::size_t kPatternChunk = 64 * 1024;

// The pattern laid out so that any chunk of kPatternChunk bytes starting at any phase
// is one contiguous slice.
const std::string& PatternBuffer() {
  static const std::string buffer = [] {
    std::string s(kPatternChunk + kPatternPeriod, '\0');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(i % kPatternPeriod);
    return s;
  }();
  return buffer;
}

sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

int BoundPort(int fd) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
  return ntohs(addr.sin_port);
}

// Content-Length of a request head; 0 when absent or unreadable.
std::size_t ContentLength(std::string_view head) {
  std::size_t pos = 0;
  while (pos < head.size()) {
    std::size_t end = head.find("\r\n", pos);
    if (end == std::string_view::npos) end = head.size();
    std::string_view line = head.substr(pos, end - pos);
    constexpr std::string_view kName = "content-length:";
    if (base::StartsNoCase(line, kName)) {
      std::size_t value = 0;
      for (char c : line.substr(kName.size())) {
        if (c >= '0' && c <= '9') value = value * 10 + static_cast<std::size_t>(c - '0');
      }
      return value;
    }
    pos = end + 2;
  }
  return 0;
}

}  // namespace

ScriptedServer::ScriptedServer() : ScriptedServer(0) {}

ScriptedServer::ScriptedServer(int port) {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) throw std::runtime_error("ScriptedServer: socket");
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr = Loopback(port);
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listenFd_, 64) != 0) {
    close(listenFd_);
    throw std::runtime_error("ScriptedServer: bind/listen");
  }
  port_ = BoundPort(listenFd_);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    close(listenFd_);
    throw std::runtime_error("ScriptedServer: pipe");
  }
  wakeRead_ = fds[0];
  wakeWrite_ = fds[1];
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  // Never read: the pipe stays readable and wakes every poll for good.
  [[maybe_unused]] auto n = write(wakeWrite_, "x", 1);
  acceptor_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    workers.swap(workers_);
  }
  for (auto& worker : workers) worker.join();
  close(listenFd_);
  close(wakeRead_);
  close(wakeWrite_);
}

std::string ScriptedServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void ScriptedServer::Answer(std::vector<Action> script) {
  std::lock_guard lock(mutex_);
  scripts_.push_back(std::move(script));
}

ScriptedServer::Action ScriptedServer::Send(std::string bytes) {
  Action a;
  a.kind = Action::Kind::Send;
  a.bytes = std::move(bytes);
  return a;
}

ScriptedServer::Action ScriptedServer::SendPattern(std::uint64_t count) {
  Action a;
  a.kind = Action::Kind::SendPattern;
  a.count = count;
  return a;
}

ScriptedServer::Action ScriptedServer::Pause(std::chrono::milliseconds duration) {
  Action a;
  a.kind = Action::Kind::Pause;
  a.pause = duration;
  return a;
}

ScriptedServer::Action ScriptedServer::Close() {
  Action a;
  a.kind = Action::Kind::Close;
  return a;
}

ScriptedServer::Action ScriptedServer::Reset() {
  Action a;
  a.kind = Action::Kind::Reset;
  return a;
}

std::string ScriptedServer::Pattern(std::uint64_t offset, std::size_t count) {
  std::string s(count, '\0');
  for (std::size_t i = 0; i < count; ++i) s[i] = static_cast<char>(PatternByte(offset + i));
  return s;
}

std::string ScriptedServer::Response(int code, std::string reason, Headers headers,
                                     std::string body) {
  std::string out = "HTTP/1.0 " + std::to_string(code) + " " + reason + "\r\n";
  for (auto& [name, value] : headers) out += name + ": " + value + "\r\n";
  out += "\r\n";
  out += body;
  return out;
}

std::vector<std::string> ScriptedServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int ScriptedServer::Connections() const {
  std::lock_guard lock(mutex_);
  return connections_;
}

bool ScriptedServer::WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= n; });
}

bool ScriptedServer::WaitUntilBlocked(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return blocked_ > 0; });
}

int ScriptedServer::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

int ScriptedServer::SettledConnections(std::chrono::milliseconds timeout) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("SettledConnections: socket");
  sockaddr_in local = Loopback(0);
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(fd);
    throw std::runtime_error("SettledConnections: bind");
  }
  {
    std::lock_guard lock(mutex_);
    probePort_ = BoundPort(fd);
    probeAccepted_ = false;
  }
  sockaddr_in server = Loopback(port_);
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
  std::unique_lock lock(mutex_);
  const bool accepted =
      connected && changed_.wait_for(lock, timeout, [&] { return probeAccepted_; });
  probePort_ = 0;
  lock.unlock();
  close(fd);
  if (!accepted) throw std::runtime_error("SettledConnections: not accepted");
  return Connections();
}

void ScriptedServer::AcceptLoop() {
  for (;;) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & POLLIN) == 0) continue;
    sockaddr_in peer{};
    socklen_t peerLength = sizeof peer;
    int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &peerLength,
                     SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    if (stopping_) {
      close(fd);
      return;
    }
    if (probePort_ != 0 && ntohs(peer.sin_port) == probePort_) {
      probeAccepted_ = true;
      changed_.notify_all();
      close(fd);
      continue;
    }
    ++connections_;
    std::vector<Action> script;
    if (nextScript_ < scripts_.size()) {
      script = scripts_[nextScript_++];
    } else if (!scripts_.empty()) {
      script = scripts_.back();
    }
    workers_.emplace_back([this, fd, s = std::move(script)]() mutable { Serve(fd, std::move(s)); });
  }
}

bool ScriptedServer::SleepUnlessStopping(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, duration, [&] { return stopping_; });
}

void ScriptedServer::Serve(int fd, std::vector<Action> script) {
  // Waits until fd is ready for `events`; false when the server stops or the wait fails.
  auto wait = [&](short events, int timeoutMs) {
    for (;;) {
      pollfd fds[2] = {{fd, events, 0}, {wakeRead_, POLLIN, 0}};
      int r = poll(fds, 2, timeoutMs);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0 || fds[1].revents != 0) return false;
      return true;
    }
  };
  auto sendAll = [&](const char* data, std::size_t size) {
    while (size > 0) {
      ssize_t n = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        data += n;
        size -= static_cast<std::size_t>(n);
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        {
          std::lock_guard lock(mutex_);
          ++blocked_;
        }
        changed_.notify_all();
        if (!wait(POLLOUT, -1)) return false;
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return false;
      }
    }
    return true;
  };

  // The request: the head up to the empty line, then Content-Length bytes of body.
  std::string request;
  std::size_t needed = std::string::npos;
  char buffer[16 * 1024];
  bool complete = false;
  while (!complete) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      request.append(buffer, static_cast<std::size_t>(n));
      if (needed == std::string::npos) {
        std::size_t end = request.find("\r\n\r\n");
        if (end != std::string::npos) needed = end + 4 + ContentLength(request.substr(0, end));
      }
      if (needed != std::string::npos && request.size() >= needed) complete = true;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (!wait(POLLIN, -1)) break;
    } else {
      break;
    }
  }
  if (!complete) {
    close(fd);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(request));
  }
  changed_.notify_all();

  for (const Action& action : script) {
    bool go = true;
    switch (action.kind) {
      case Action::Kind::Send:
        go = sendAll(action.bytes.data(), action.bytes.size());
        break;
      case Action::Kind::SendPattern: {
        const std::string& pattern = PatternBuffer();
        for (std::uint64_t sent = 0; go && sent < action.count;) {
          std::size_t size =
              static_cast<std::size_t>(std::min<std::uint64_t>(kPatternChunk, action.count - sent));
          go = sendAll(pattern.data() + sent % kPatternPeriod, size);
          sent += size;
        }
        break;
      }
      case Action::Kind::Pause:
        go = SleepUnlessStopping(action.pause);
        break;
      case Action::Kind::Close:
        go = false;
        break;
      case Action::Kind::Reset: {
        linger hard{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        close(fd);
        {
          std::lock_guard lock(mutex_);
          ++finished_;
        }
        changed_.notify_all();
        return;
      }
    }
    if (!go) break;
  }
  {
    std::lock_guard lock(mutex_);
    ++finished_;
  }
  changed_.notify_all();

  // An orderly close; then let the client close its side first, so that bytes it may
  // still send do not turn our close into a reset that could discard the response.
  shutdown(fd, SHUT_WR);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < deadline) {
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) break;
    if (n < 0 && !wait(POLLIN, 100)) {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
  }
  close(fd);
}

}  // namespace support
