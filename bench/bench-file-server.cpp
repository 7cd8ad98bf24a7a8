// bench-file-server DIR: serves the files of DIR on 127.0.0.1 ("GET /name" answers
// DIR/name), one connection at a time, with sendfile so that the server is never the
// slow side of a benchmark. Prints the port it listens on, then serves until killed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: bench-file-server DIR\n", stderr);
    return 64;
  }
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  // The engine narrows its port to 16 signed bits: listen at 32767 or below, which lies
  // outside the system's range of ephemeral ports.
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int start = 20000 + static_cast<int>(getpid() % 12768);
  bool bound = false;
  for (int i = 0; i < 12768 && !bound; ++i) {
    addr.sin_port = htons(static_cast<std::uint16_t>(20000 + (start - 20000 + i) % 12768));
    bound = bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  if (!bound || listen(listener, 16) != 0) {
    std::perror("bench-file-server");
    return 1;
  }
  socklen_t len = sizeof addr;
  getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  std::printf("%d\n", ntohs(addr.sin_port));
  std::fflush(stdout);

  for (;;) {
    int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    // Read the request head; its content does not matter.
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
      ssize_t n = read(client, buf, sizeof buf);
      if (n <= 0) break;
      head.append(buf, static_cast<std::size_t>(n));
    }
    // "VERB /name HTTP/1.x": only plain names inside DIR are served.
    std::string name;
    std::size_t slash = head.find(" /");
    if (slash != std::string::npos) {
      std::size_t end = head.find(' ', slash + 2);
      if (end != std::string::npos) name = head.substr(slash + 2, end - slash - 2);
    }
    int file = -1;
    if (!name.empty() && name.find('/') == std::string::npos &&
        name.find("..") == std::string::npos) {
      file = open((std::string(argv[1]) + "/" + name).c_str(), O_RDONLY);
    }
    struct stat st {};
    if (file >= 0 && fstat(file, &st) == 0) {
      std::string reply =
          "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n"
          "Content-Length: " +
          std::to_string(st.st_size) + "\r\n\r\n";
      if (write(client, reply.data(), reply.size()) == static_cast<ssize_t>(reply.size())) {
        off_t offset = 0;
        while (offset < st.st_size) {
          ssize_t sent =
              sendfile(client, file, &offset, static_cast<std::size_t>(st.st_size - offset));
          if (sent <= 0) break;
        }
      }
    } else {
      static const char kMissing[] = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
      (void)!write(client, kMissing, sizeof kMissing - 1);
    }
    if (file >= 0) close(file);
    shutdown(client, SHUT_WR);
    // Drain until the client closes, so the last bytes are not reset away.
    while (read(client, buf, sizeof buf) > 0) {
    }
    close(client);
  }
}
