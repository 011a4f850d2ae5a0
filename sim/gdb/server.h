// The debug server: the remote serial protocol over TCP for one Target.
//
// One debugger at a time; a second one that connects meanwhile is refused
// (its connection closed at once). After a detach or a dropped connection
// the target stays halted as it was and the next debugger may connect; a
// kill ends serve(). All-stop mode with a single thread (id 1).
#ifndef SIM_GDB_SERVER_H
#define SIM_GDB_SERVER_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sim/gdb/target.h"

namespace sim::gdb {

struct Endpoint {
  std::string host = "127.0.0.1";
  std::uint16_t port = 0;
};

// "[HOST:]PORT" with PORT 0 (any free port) to 65535 in decimal and HOST a name, an IPv4
// address or a bracketed IPv6 one ("[::1]:3333"); nullopt otherwise.
std::optional<Endpoint> parse_endpoint(std::string_view text);

class Server {
 public:
  explicit Server(Target& target);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Messages for the user ("debugger connected", ...); none by default.
  void set_log(std::function<void(std::string_view)> log) { log_ = std::move(log); }

  // Binds and listens (port 0: any free port); returns the port bound.
  // Throws std::system_error.
  std::uint16_t listen(const Endpoint& where);

  // Serves debuggers one after another until one kills the target. Needs
  // listen(). Throws std::system_error when accepting fails for good.
  void serve();

  // A debugger's connection when one comes within `timeout_ms` (-1: wait as
  // long as it takes), ready for serve_connection(); nullopt otherwise.
  std::optional<int> accept_within(int timeout_ms);
  // The target ran on its own since the last stop: the next debugger finds
  // it halted where it is, not at that stop.
  void forget_last_stop() { last_stop_.clear(); }

  enum class End { Detached, Disconnected, Killed };
  // Serves the debugger on a connected stream socket until it detaches,
  // goes away or kills the target; closes the socket.
  End serve_connection(int fd);

 private:
  Target& target_;
  int listen_fd_ = -1;
  // The reply to '?': the last stop, kept across connections; empty while
  // the target is halted without having stopped (start, reset).
  std::string last_stop_;
  std::function<void(std::string_view)> log_;
  friend class Session;
};

}  // namespace sim::gdb

#endif
