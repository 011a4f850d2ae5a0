#include "sim/gdb/server.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <deque>
#include <system_error>
#include <vector>

#include "sim/gdb/packet.h"
#include "sim/gdb/registers.h"

namespace sim::gdb {

namespace {

constexpr std::size_t kMaxPending = 4096;
constexpr int kSigInt = 2, kSigTrap = 5, kSigAbrt = 6, kSigSegv = 11, kSigXcpu = 24;

StopEvent stop_of(StopEvent::Kind kind) {
  StopEvent e;
  e.kind = kind;
  return e;
}

std::system_error os_error(const char* what) {
  return std::system_error(errno, std::generic_category(), what);
}

std::string hex_byte(unsigned v) {
  const char b = static_cast<char>(v & 0xff);
  return to_hex(std::string_view(&b, 1));
}

// Little-endian, as the target's memory holds it.
std::string register_hex(std::uint64_t value, std::size_t bytes) {
  std::string raw;
  for (std::size_t i = 0; i < bytes; ++i) raw += static_cast<char>(value >> (8 * i) & 0xff);
  return to_hex(raw);
}

std::optional<std::uint64_t> parse_register_hex(std::string_view hex, std::size_t bytes) {
  if (hex.size() != bytes * 2) return std::nullopt;
  const auto raw = from_hex(hex);
  if (!raw) return std::nullopt;
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < bytes; ++i) {
    v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>((*raw)[i])) << (8 * i);
  }
  return v;
}

// Splits "a<sep>b" at the first sep; nullopt when there is none.
std::optional<std::pair<std::string_view, std::string_view>> split(std::string_view s, char sep) {
  const auto at = s.find(sep);
  if (at == std::string_view::npos) return std::nullopt;
  return std::pair{s.substr(0, at), s.substr(at + 1)};
}

// "ADDR,LEN" with both in hex and the address within 32 bits.
std::optional<std::pair<std::uint32_t, std::uint64_t>> address_length(std::string_view s) {
  const auto parts = split(s, ',');
  if (!parts) return std::nullopt;
  const auto address = parse_hex_number(parts->first);
  const auto length = parse_hex_number(parts->second);
  if (!address || !length || *address > 0xffffffffu) return std::nullopt;
  return std::pair{static_cast<std::uint32_t>(*address), *length};
}

}  // namespace

// One debugger's connection: framing state, ack mode and the packets that
// came in while the target ran.
class Session {
 public:
  Session(Server& server, int fd) : server_(server), target_(server.target_), fd_(fd) {}

  Server::End run() {
    while (true) {
      if (pending_.empty() && !read_some(true)) return Server::End::Disconnected;
      if (pending_.empty()) continue;
      const InputEvent event = std::move(pending_.front());
      pending_.pop_front();
      if (const auto end = handle(event)) return *end;
      if (lost_) return Server::End::Disconnected;
    }
  }

 private:
  std::optional<Server::End> handle(const InputEvent& event) {
    switch (event.kind) {
      case InputEvent::Kind::Packet:
        if (ack_) send_raw("+");
        return dispatch(event.payload);
      case InputEvent::Kind::BadChecksum:
        // Without acks a damaged packet cannot be asked again: dropped.
        if (ack_) send_raw("-");
        return std::nullopt;
      case InputEvent::Kind::Oversized:
        if (ack_) send_raw("+");
        send_packet("E01");
        return std::nullopt;
      case InputEvent::Kind::Nak:
        if (ack_ && !last_sent_.empty()) send_raw(last_sent_);
        return std::nullopt;
      case InputEvent::Kind::Ack:
      case InputEvent::Kind::Interrupt:  // nothing runs: nothing to stop
        return std::nullopt;
    }
    return std::nullopt;
  }

  // --- I/O ------------------------------------------------------------------

  // Reads what the socket has (waiting for it when `wait`) into pending_.
  // False when the debugger is gone. A second debugger is refused here.
  bool read_some(bool wait) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {server_.listen_fd_, POLLIN, 0}};
    const nfds_t count = server_.listen_fd_ >= 0 ? 2 : 1;
    int ready;
    do {
      ready = poll(fds, count, wait ? -1 : 0);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return lost();
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      // Everything there is, so that a hang-up behind the last bytes is
      // seen before anyone waiting to connect is taken for a second
      // debugger: then that one is the next debugger.
      for (int reads = 0; reads < 16; ++reads) {
        char buffer[4096];
        const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) return lost();
        std::vector<InputEvent> events;
        reader_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), events);
        for (auto& e : events) pending_.push_back(std::move(e));
      }
      // Packets pile up only while the firmware runs; a debugger that
      // floods them then is not one the server can serve.
      if (pending_.size() > kMaxPending) {
        if (server_.log_) server_.log_("debugger sent too much while the firmware ran");
        return lost();
      }
    }
    if (count == 2 && (fds[1].revents & POLLIN)) refuse_second();
    return true;
  }

  void refuse_second() {
    const int other = accept4(server_.listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (other < 0) return;  // it went away by itself
    const bool closed = close(other) == 0;
    if (server_.log_) {
      server_.log_(closed ? "refused a second debugger" : "refusing a second debugger failed");
    }
  }

  bool lost() {
    lost_ = true;
    return false;
  }

  void send_raw(std::string_view bytes) {
    while (!lost_ && !bytes.empty()) {
      const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        lost_ = true;
        return;
      }
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  void send_packet(std::string_view payload) {
    last_sent_ = frame(payload);
    send_raw(last_sent_);
  }

  // Console output through 'O' packets, each within the packet size.
  void console(std::string_view text) {
    constexpr std::size_t chunk = (kMaxPayload - 1) / 2;
    for (std::size_t at = 0; at < text.size() && !lost_; at += chunk) {
      send_packet("O" + to_hex(text.substr(at, chunk)));
    }
  }

  // --- packets --------------------------------------------------------------

  std::optional<Server::End> dispatch(std::string_view p) {
    if (p.empty()) {
      send_packet("");
      return std::nullopt;
    }
    const std::string_view args = p.substr(1);
    switch (p[0]) {
      case '?':
        // Until the first stop (and after a reset) the target is simply halted.
        send_packet(server_.last_stop_.empty()
                        ? stopped_reply(kSigTrap, stop_of(StopEvent::Kind::StepDone))
                        : server_.last_stop_);
        break;
      case 'g':
        send_packet(read_all_registers());
        break;
      case 'G':
        send_packet(write_all_registers(args) ? "OK" : "E01");
        break;
      case 'p':
        send_packet(read_one_register(args));
        break;
      case 'P':
        send_packet(write_one_register(args) ? "OK" : "E01");
        break;
      case 'm':
        send_packet(read_memory(args));
        break;
      case 'M':
      case 'X':
        send_packet(write_memory(args, p[0] == 'X') ? "OK" : "E01");
        break;
      case 'Z':
      case 'z':
        send_packet(point(args, p[0] == 'Z'));
        break;
      case 'c':
      case 's':
        resume_at(args, p[0] == 's' ? ResumeMode::Step : ResumeMode::Continue);
        break;
      case 'C':
      case 'S': {
        // The signal is for a process; the firmware has none to receive.
        const auto rest = split(args, ';');
        resume_at(rest ? rest->second : std::string_view(),
                  p[0] == 'S' ? ResumeMode::Step : ResumeMode::Continue);
        break;
      }
      case 'H':
      case 'T':
        send_packet("OK");
        break;
      case 'D':
        send_packet("OK");
        return Server::End::Detached;
      case 'k':
        target_.kill();
        return Server::End::Killed;
      case 'q':
        query(p);
        break;
      case 'Q':
        if (p == "QStartNoAckMode") {
          send_packet("OK");
          ack_ = false;
        } else {
          send_packet("");
        }
        break;
      case 'v':
        return verbose(p);
      default:
        send_packet("");
    }
    return std::nullopt;
  }

  std::string read_all_registers() {
    std::string out;
    for (unsigned n = 0; n < kRegisterCount; ++n) {
      const auto v = target_.read_register(n);
      out += v ? register_hex(*v, register_bytes(n)) : std::string(register_bytes(n) * 2, 'x');
    }
    return out;
  }

  bool write_all_registers(std::string_view hex) {
    std::vector<std::uint64_t> values;
    for (unsigned n = 0; n < kRegisterCount; ++n) {
      const std::size_t digits = register_bytes(n) * 2;
      if (hex.size() < digits) return false;
      const auto v = parse_register_hex(hex.substr(0, digits), register_bytes(n));
      if (!v) return false;
      values.push_back(*v);
      hex.remove_prefix(digits);
    }
    if (!hex.empty()) return false;
    bool all = true;
    for (unsigned n = 0; n < kRegisterCount; ++n) all = target_.write_register(n, values[n]) && all;
    return all;
  }

  std::string read_one_register(std::string_view args) {
    const auto n = parse_hex_number(args);
    if (!n || *n >= kRegisterCount) return "E01";
    const auto number = static_cast<unsigned>(*n);
    const auto v = target_.read_register(number);
    return v ? register_hex(*v, register_bytes(number)) : "E01";
  }

  bool write_one_register(std::string_view args) {
    const auto parts = split(args, '=');
    if (!parts) return false;
    const auto n = parse_hex_number(parts->first);
    if (!n || *n >= kRegisterCount) return false;
    const auto number = static_cast<unsigned>(*n);
    const auto v = parse_register_hex(parts->second, register_bytes(number));
    return v && target_.write_register(number, *v);
  }

  std::string read_memory(std::string_view args) {
    const auto range = address_length(args);
    if (!range) return "E01";
    // A shorter answer is allowed; the debugger asks again for the rest.
    const std::size_t length = std::min<std::uint64_t>(range->second, kMaxPayload / 2);
    if (range->first + std::uint64_t{length} > 0x100000000u) return "E01";
    std::vector<std::uint8_t> bytes(length);
    if (!target_.read_memory(range->first, bytes)) return "E01";
    return to_hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }

  bool write_memory(std::string_view args, bool binary) {
    const auto parts = split(args, ':');
    if (!parts) return false;
    const auto range = address_length(parts->first);
    if (!range) return false;
    const auto data = binary ? unescape_binary(parts->second) : from_hex(parts->second);
    if (!data || data->size() != range->second) return false;
    if (range->first + std::uint64_t{data->size()} > 0x100000000u) return false;
    if (data->empty()) return true;  // the debugger probing for X
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data->data());
    return target_.write_memory(range->first, std::span(bytes, data->size()));
  }

  std::string point(std::string_view args, bool insert) {
    // "TYPE,ADDR,KIND" then, optionally, ";conditions" the target ignores.
    const auto type_rest = split(args.substr(0, args.find(';')), ',');
    if (!type_rest) return "E01";
    const auto type = parse_hex_number(type_rest->first);
    if (!type) return "E01";
    if (*type > 4) return "";
    const auto range = address_length(type_rest->second);
    if (!range || range->second > 0xffffffffu) return "E01";
    const auto t = static_cast<PointType>(*type);
    const auto length = static_cast<std::uint32_t>(range->second);
    const bool ok = insert ? target_.insert_point(t, range->first, length)
                           : target_.remove_point(t, range->first, length);
    return ok ? "OK" : "E01";
  }

  void resume_at(std::string_view address, ResumeMode mode) {
    if (!address.empty()) {
      const auto a = parse_hex_number(address);
      if (!a || *a > 0xffffffffu || !target_.write_register(static_cast<unsigned>(Reg::PC), *a)) {
        send_packet("E01");
        return;
      }
    }
    run(mode);
  }

  // Runs the target slice by slice, watching the socket between slices for
  // an interrupt or a lost debugger; packets that come meanwhile wait.
  void run(ResumeMode mode) {
    if (mode == ResumeMode::Continue && server_.log_) server_.log_("firmware running");
    while (true) {
      if (lost_ || !read_some(false)) {
        target_.interrupt();
        if (server_.log_) server_.log_("debugger lost while the firmware ran; halted");
        return;
      }
      bool interrupted = false;
      for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->kind == InputEvent::Kind::Interrupt) {
          interrupted = true;
          it = pending_.erase(it);
          break;
        }
        if (it->kind == InputEvent::Kind::Nak || it->kind == InputEvent::Kind::Ack) {
          handle(*it);
          it = pending_.erase(it);
        } else {
          ++it;
        }
      }
      if (interrupted) {
        target_.interrupt();
        report(stop_of(StopEvent::Kind::Interrupted));
        return;
      }
      if (const auto stop = target_.resume(mode)) {
        report(*stop);
        return;
      }
    }
  }

  void report(const StopEvent& stop) {
    if (!stop.message.empty()) {
      console(stop.message.back() == '\n' ? stop.message : stop.message + "\n");
    }
    server_.last_stop_ = stop_reply(stop);
    send_packet(server_.last_stop_);
  }

  std::string stop_reply(const StopEvent& stop) {
    using K = StopEvent::Kind;
    int signal = kSigTrap;
    switch (stop.kind) {
      case K::Interrupted:
        return "S" + hex_byte(kSigInt);
      case K::Exited:
        return "W" + hex_byte(static_cast<unsigned>(stop.exit_status));
      case K::ErrorStop:
        signal = kSigAbrt;
        break;
      case K::Fault:
        signal = kSigSegv;
        break;
      case K::TimeLimit:
        signal = kSigXcpu;
        break;
      case K::Breakpoint:
      case K::Watchpoint:
      case K::StepDone:
        break;
    }
    return stopped_reply(signal, stop);
  }

  // "T" with the registers the debugger needs first, so that it can show
  // where the CPU is without asking.
  std::string stopped_reply(int signal, const StopEvent& stop) {
    std::string reply = "T" + hex_byte(static_cast<unsigned>(signal));
    if (stop.kind == StopEvent::Kind::Watchpoint) {
      const char* name = stop.watch == PointType::WriteWatch  ? "watch"
                         : stop.watch == PointType::ReadWatch ? "rwatch"
                                                              : "awatch";
      reply += std::string(name) + ":" + register_hex_plain(stop.address) + ";";
    }
    for (const Reg r : {Reg::R7, Reg::SP, Reg::LR, Reg::PC, Reg::XPSR}) {
      const auto n = static_cast<unsigned>(r);
      if (const auto v = target_.read_register(n)) {
        reply += hex_byte(n) + ":" + register_hex(*v, register_bytes(n)) + ";";
      }
    }
    return reply + "thread:1;";
  }

  static std::string register_hex_plain(std::uint32_t v) {
    char text[9];
    const auto r = std::to_chars(text, text + sizeof text, v, 16);
    return std::string(text, r.ptr);
  }

  void query(std::string_view p) {
    if (p.starts_with("qSupported")) {
      send_packet("PacketSize=" + register_hex_plain(kMaxPayload) +
                  ";qXfer:features:read+;QStartNoAckMode+");
    } else if (p.starts_with("qAttached")) {
      send_packet("1");
    } else if (p == "qC") {
      send_packet("QC1");
    } else if (p == "qfThreadInfo") {
      send_packet("m1");
    } else if (p == "qsThreadInfo") {
      send_packet("l");
    } else if (p.starts_with("qXfer:features:read:")) {
      send_packet(features(p.substr(20)));
    } else if (p.starts_with("qRcmd,")) {
      monitor(p.substr(6));
    } else {
      send_packet("");
    }
  }

  std::string features(std::string_view args) {
    const auto annex = split(args, ':');
    if (!annex) return "E01";
    const auto range = address_length(annex->second);
    if (!range) return "E01";
    if (annex->first != "target.xml") return "E00";
    const std::string& xml = target_description();
    if (range->first >= xml.size()) return "l";
    // Escaping may grow the chunk: add bytes while they fit.
    std::string chunk;
    std::size_t at = range->first;
    const std::uint64_t wanted = range->second;
    std::uint64_t taken = 0;
    while (at < xml.size() && taken < wanted) {
      const std::string piece = escape_binary(std::string_view(&xml[at], 1));
      if (chunk.size() + piece.size() + 1 > kMaxPayload) break;
      chunk += piece;
      ++at;
      ++taken;
    }
    return (at >= xml.size() ? "l" : "m") + chunk;
  }

  void monitor(std::string_view hex) {
    const auto command = from_hex(hex);
    if (!command) {
      send_packet("E01");
      return;
    }
    std::string_view c = *command;
    while (!c.empty() && c.back() == ' ') c.remove_suffix(1);
    while (!c.empty() && c.front() == ' ') c.remove_prefix(1);
    if (c == "reset" || c.starts_with("reset ")) {
      target_.reset();
      server_.last_stop_.clear();
      console("firmware reset\n");
      send_packet("OK");
      return;
    }
    const auto output = target_.monitor(c);
    if (!output) {
      console("unknown monitor command: " + std::string(c) + "\n");
      send_packet("E01");
      return;
    }
    console(*output);
    send_packet("OK");
  }

  std::optional<Server::End> verbose(std::string_view p) {
    if (p == "vCont?") {
      send_packet("vCont;c;C;s;S");
    } else if (p.starts_with("vCont;")) {
      vcont(p.substr(6));
    } else if (p.starts_with("vKill")) {
      send_packet("OK");
      target_.kill();
      return Server::End::Killed;
    } else {
      send_packet("");
    }
    return std::nullopt;
  }

  // The first action that applies to our one thread: no thread id, 1, 0
  // (any) or -1 (all).
  void vcont(std::string_view actions) {
    while (!actions.empty()) {
      const auto end = actions.find(';');
      std::string_view action = actions.substr(0, end);
      actions = end == std::string_view::npos ? std::string_view() : actions.substr(end + 1);
      std::string_view thread;
      if (const auto parts = split(action, ':')) {
        action = parts->first;
        thread = parts->second;
      }
      if (!thread.empty() && thread != "-1" && thread != "p1.1" && thread != "p1.-1") {
        const auto id = parse_hex_number(thread);
        if (!id || *id > 1) continue;
      }
      if (action == "c" || (action.size() == 3 && action[0] == 'C')) {
        run(ResumeMode::Continue);
        return;
      }
      if (action == "s" || (action.size() == 3 && action[0] == 'S')) {
        run(ResumeMode::Step);
        return;
      }
      break;
    }
    send_packet("E01");
  }

  Server& server_;
  Target& target_;
  int fd_;
  PacketReader reader_;
  bool ack_ = true;
  bool lost_ = false;
  std::string last_sent_;
  std::deque<InputEvent> pending_;
};

std::optional<Endpoint> parse_endpoint(std::string_view text) {
  Endpoint e;
  std::string_view port = text;
  if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
    std::string_view host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.starts_with('[')) {
      if (host.size() < 3 || !host.ends_with(']')) return std::nullopt;
      host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
      return std::nullopt;  // an IPv6 address needs its brackets
    }
    if (host.empty()) return std::nullopt;
    e.host = std::string(host);
  }
  // Port 0 asks for any free port (the bound one is reported); no other
  // number may start with 0.
  if (port.empty() || port.size() > 5 || (port[0] == '0' && port.size() > 1)) return std::nullopt;
  unsigned value = 0;
  const auto r = std::from_chars(port.data(), port.data() + port.size(), value);
  if (r.ec != std::errc() || r.ptr != port.data() + port.size() || value > 65535) {
    return std::nullopt;
  }
  e.port = static_cast<std::uint16_t>(value);
  return e;
}

Server::Server(Target& target) : target_(target) {}

Server::~Server() {
  if (listen_fd_ >= 0) close(listen_fd_);  // nothing to do about a failure here
}

std::uint16_t Server::listen(const Endpoint& where) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(where.port);
  if (const int rc = getaddrinfo(where.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                            "gdb server: " + where.host + ": " + gai_strerror(rc));
  }
  int error = 0;
  for (addrinfo* a = found; a != nullptr && listen_fd_ < 0; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      error = errno;
      continue;
    }
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
        bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, 1) == 0) {
      listen_fd_ = fd;
    } else {
      error = errno;
      close(fd);  // the next address may do; its failure changes nothing
    }
  }
  freeaddrinfo(found);
  if (listen_fd_ < 0) {
    throw std::system_error(error, std::generic_category(), "gdb server: listen on " + where.host);
  }
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  if (getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
    throw os_error("gdb server: getsockname");
  }
  return ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                           : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

void Server::serve() {
  while (true) {
    const int fd = *accept_within(-1);
    const End end = serve_connection(fd);
    if (end == End::Killed) return;
    if (log_) log_(end == End::Detached ? "debugger detached" : "debugger disconnected");
  }
}

std::optional<int> Server::accept_within(int timeout_ms) {
  while (true) {
    pollfd p{listen_fd_, POLLIN, 0};
    const int ready = poll(&p, 1, timeout_ms);
    if (ready < 0) {
      if (errno == EINTR) continue;
      throw os_error("gdb server: poll");
    }
    if (ready == 0) return std::nullopt;
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN) {
        if (timeout_ms >= 0) return std::nullopt;
        continue;
      }
      throw os_error("gdb server: accept");
    }
    const int on = 1;
    if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 && log_) {
      log_("could not turn off send delays; replies may come late");
    }
    if (log_) log_("debugger connected");
    return fd;
  }
}

Server::End Server::serve_connection(int fd) {
  // A debugger that stops reading must not hold the server for ever.
  const timeval limit{.tv_sec = 30, .tv_usec = 0};
  End end = End::Disconnected;
  if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) != 0) {
    if (log_) log_("could not set a send time limit; connection closed");
  } else {
    end = Session(*this, fd).run();
  }
  if (close(fd) != 0 && log_) log_("closing the connection failed");
  return end;
}

}  // namespace sim::gdb
