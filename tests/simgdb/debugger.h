// The debugger's side of a connection, for tests: raw bytes out, and bytes
// or whole packets in. Every wait is bounded so that a server that hangs
// fails the test instead of hanging it.
#ifndef TESTS_SIMGDB_DEBUGGER_H
#define TESTS_SIMGDB_DEBUGGER_H

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "sim/gdb/packet.h"

namespace simgdb {

class Debugger {
 public:
  explicit Debugger(int fd) : fd_(fd) {}
  ~Debugger() { close_now(); }
  Debugger(const Debugger&) = delete;
  Debugger& operator=(const Debugger&) = delete;

  void close_now() {
    if (fd_ >= 0) {
      EXPECT_EQ(close(fd_), 0) << std::strerror(errno);
    }
    fd_ = -1;
  }

  void send_raw(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      ASSERT_GT(n, 0) << std::strerror(errno);
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }
  void send_packet(std::string_view payload) { send_raw(sim::gdb::frame(payload)); }

  // The server may already have closed after its last reply (detach, kill):
  // then the ack has nobody to go to, as with a real debugger.
  void ack() {
    const ssize_t n = send(fd_, "+", 1, MSG_NOSIGNAL);
    if (n != 1) {
      EXPECT_TRUE(errno == EPIPE || errno == ECONNRESET) << std::strerror(errno);
    }
  }

  // One byte; nullopt at end of stream or when nothing comes for long.
  std::optional<char> byte() {
    if (!buffer_.empty()) {
      const char c = buffer_.front();
      buffer_.erase(0, 1);
      return c;
    }
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, 20000);
    EXPECT_GE(ready, 0) << std::strerror(errno);
    if (ready <= 0) {
      ADD_FAILURE() << "the server said nothing";
      return std::nullopt;
    }
    char chunk[4096];
    const ssize_t n = read(fd_, chunk, sizeof chunk);
    EXPECT_GE(n, 0) << std::strerror(errno);
    if (n <= 0) return std::nullopt;
    buffer_.assign(chunk, static_cast<std::size_t>(n));
    return byte();
  }

  // True when the server closed the connection (nothing else comes first).
  // A close with our last ack unread shows as a reset.
  bool closed() {
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, 20000);
    EXPECT_EQ(ready, 1) << std::strerror(errno);
    if (!buffer_.empty() || ready != 1) return false;
    char c;
    const ssize_t n = read(fd_, &c, 1);
    return n == 0 || (n < 0 && errno == ECONNRESET);
  }

  // The next packet's payload, its framing and checksum checked; acks it
  // while acks are on. Skips '+' bytes.
  std::string packet() {
    std::optional<char> c;
    while ((c = byte()) && acks && *c == '+') {
    }
    EXPECT_EQ(c, '$');
    std::string raw = "$";
    while ((c = byte()) && *c != '#') raw += *c;
    raw += '#';
    for (int i = 0; i < 2; ++i) {
      if ((c = byte())) {
        raw += *c;
      }
    }
    EXPECT_EQ(raw, sim::gdb::frame(raw.substr(1, raw.size() - 4))) << "bad framing or checksum";
    if (acks) ack();
    return raw.substr(1, raw.size() - 4);
  }

  // Sends a packet and returns the reply, checking the ack before it.
  std::string ask(std::string_view payload) {
    send_packet(payload);
    if (acks) {
      EXPECT_EQ(byte(), '+');
    }
    return packet();
  }

  bool acks = true;

 private:
  int fd_;
  std::string buffer_;
};

}  // namespace simgdb

#endif
