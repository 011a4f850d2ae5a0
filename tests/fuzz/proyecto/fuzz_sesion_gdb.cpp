// Feeds arbitrary bytes to the debug server as a debugger's whole side of a
// connection, with a small target whose runs stop after a few slices for
// one reason after another. The server must neither crash nor hang, and
// everything it sends back must be acks and well-formed packets within the
// packet size it announces.
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "sim/gdb/packet.h"
#include "sim/gdb/server.h"

namespace {

using sim::gdb::kRegisterCount;
using sim::gdb::PointType;
using sim::gdb::ResumeMode;
using sim::gdb::StopEvent;

class SmallTarget final : public sim::gdb::Target {
 public:
  std::optional<std::uint64_t> read_register(unsigned n) override {
    if (n >= kRegisterCount) return std::nullopt;
    return regs_[n];
  }
  bool write_register(unsigned n, std::uint64_t v) override {
    if (n >= kRegisterCount) return false;
    regs_[n] = v;
    return true;
  }
  bool read_memory(std::uint32_t a, std::span<std::uint8_t> out) override {
    if (!mapped(a, out.size())) return false;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = ram_[a - kBase + i];
    return true;
  }
  bool write_memory(std::uint32_t a, std::span<const std::uint8_t> in) override {
    if (!mapped(a, in.size())) return false;
    for (std::size_t i = 0; i < in.size(); ++i) ram_[a - kBase + i] = in[i];
    return true;
  }
  bool insert_point(PointType, std::uint32_t a, std::uint32_t) override { return a % 2 == 0; }
  bool remove_point(PointType, std::uint32_t, std::uint32_t) override { return true; }
  std::optional<StopEvent> resume(ResumeMode mode) override {
    if (mode == ResumeMode::Continue && ++slices_ % 4 != 0) return std::nullopt;
    StopEvent e;
    e.kind = static_cast<StopEvent::Kind>(stops_++ % 8);
    e.address = kBase + 4;
    e.watch = static_cast<PointType>(2 + stops_ % 3);
    if (stops_ % 2) e.message = std::string(stops_ % 5000, 'x');
    e.exit_status = static_cast<int>(stops_);
    return e;
  }
  void interrupt() override {}
  void reset() override { regs_ = {}; }
  void kill() override {}
  std::optional<std::string> monitor(std::string_view command) override {
    if (command.empty()) return std::nullopt;
    return std::string(command) + std::string(command.size() * 3, '.');
  }

 private:
  static constexpr std::uint32_t kBase = 0x20000000;
  bool mapped(std::uint32_t a, std::size_t n) const {
    return a >= kBase && n <= ram_.size() && a - kBase <= ram_.size() - n;
  }
  std::array<std::uint64_t, kRegisterCount> regs_{};
  std::array<std::uint8_t, 0x4000> ram_{};
  unsigned slices_ = 0;
  unsigned stops_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) __builtin_trap();
  // The replies are read while the server writes them, so that none waits.
  std::string replies;
  std::thread reader([&] {
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
      replies.append(buffer, static_cast<std::size_t>(n));
    }
    if (n < 0) __builtin_trap();
  });
  // And written while the server reads, however long the input.
  std::thread writer([&] {
    const char* at = reinterpret_cast<const char*>(data);
    for (std::size_t left = size; left > 0;) {
      const ssize_t n = send(fds[0], at, left, MSG_NOSIGNAL);
      if (n < 0) return;  // the server has ended the connection (kill, detach)
      at += n;
      left -= static_cast<std::size_t>(n);
    }
    // Fails only when the server has already closed its end.
    (void)shutdown(fds[0], SHUT_WR);
  });

  SmallTarget target;
  sim::gdb::Server server(target);
  server.serve_connection(fds[1]);
  writer.join();
  reader.join();
  if (close(fds[0]) != 0) __builtin_trap();

  sim::gdb::PacketReader check;
  std::vector<sim::gdb::InputEvent> events;
  check.feed(replies, events);
  for (const sim::gdb::InputEvent& e : events) {
    if (e.kind != sim::gdb::InputEvent::Kind::Packet && e.kind != sim::gdb::InputEvent::Kind::Ack &&
        e.kind != sim::gdb::InputEvent::Kind::Nak) {
      __builtin_trap();
    }
  }
  if (check.inside_packet()) __builtin_trap();
  return 0;
}
