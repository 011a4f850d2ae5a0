// lpc4088-sim: runs a firmware image on the simulated board and reports what
// its pins and UART0 did and how the run ended.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/atomic_file.h"
#include "host/output_check.h"
#include "sim/gdb/board_target.h"
#include "sim/gdb/server.h"
#include "sim/api/simulador.h"
#include "sim/api/vcd_writer.h"
#include "sim/cli/options.h"
#include "sim/cli/scenario.h"
#include "sim/cli/scenario_run.h"
#include "sim/core/elf_image.h"
#include "sim/web/live_board.h"
#include "sim/web/server.h"

namespace {

using sim::cli::CommandLine;

constexpr double kProgressEverySeconds = 1.0;  // of wall time
// Exit statuses beyond how the run ended (0-3); the usage text lists them all.
constexpr int kBadCommandLine = 64;
constexpr int kBadImage = 65;
constexpr int kCannotGoOn = 70;
constexpr int kOutputFailed = 74;

// One line of the event output, with its board time.
struct Event {
  double time;
  std::string text;
};

Event change_event(const sim::OutputChange& c) {
  const std::string label = c.pin.label();
  char line[128];
  if (label != c.pin.name()) {
    std::snprintf(line, sizeof line, "%-6s %s (%s = %d)", label.c_str(), c.level ? "on" : "off",
                  c.pin.name().c_str(), c.level ? 1 : 0);
  } else {
    std::snprintf(line, sizeof line, "%-6s = %d", label.c_str(), c.level ? 1 : 0);
  }
  return {c.time, line};
}

// Control bytes other than tab shown as \xHH, so a line stays one line.
std::string printable(const std::string& bytes) {
  std::string text;
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 && b != '\t') {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", b);
      text += escape;
    } else {
      text.push_back(ch);
    }
  }
  return text;
}

// UART0's text cut into lines, each at the time its last byte ended (a CR
// before the LF is dropped).
class Uart0Lines {
 public:
  void take(const sim::UartByte& b, std::vector<Event>& out) {
    if (b.byte == '\n') {
      if (!line_.empty() && line_.back() == '\r') line_.pop_back();
      out.push_back({b.time, "uart0  " + printable(line_)});
      line_.clear();
    } else {
      line_.push_back(static_cast<char>(b.byte));
      last_ = b.time;
    }
  }
  // What was sent after the last LF.
  void finish(std::vector<Event>& out) {
    if (!line_.empty()) out.push_back({last_, "uart0  " + printable(line_)});
    line_.clear();
  }

 private:
  std::string line_;
  double last_ = 0;
};

void print_events(std::vector<Event>& events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.time < b.time; });
  for (const Event& e : events) std::printf("%12.6f s  %s\n", e.time, e.text.c_str());
  events.clear();
}

bool write_uart0_file(const std::string& path, const std::string& bytes) {
  host::AtomicFile file;
  if (!file.open(path)) return false;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.stream()) != bytes.size()) return false;
  return file.commit();
}

// Prints "vcd: FILE", or why it could not be written.
bool write_vcd_file(const std::string& path, sim::Simulador& board) {
  const std::string text = sim::vcd_text(sim::vcd_record(board.board()));
  host::AtomicFile file;
  if (file.open(path) && std::fwrite(text.data(), 1, text.size(), file.stream()) == text.size() &&
      file.commit()) {
    std::printf("vcd: %s\n", path.c_str());
    return true;
  }
  const int error = errno;
  std::fflush(stdout);
  std::fprintf(stderr, "lpc4088-sim: cannot write %s: %s\n", path.c_str(), std::strerror(error));
  return false;
}

// A run that cannot go on (--strict, a failed emulator) still leaves the
// record up to the failure: written as the exception leaves run().
class VcdOnFailure {
 public:
  VcdOnFailure(const CommandLine& c, sim::Simulador& board) : c_(c), board_(board) {}
  VcdOnFailure(const VcdOnFailure&) = delete;
  VcdOnFailure& operator=(const VcdOnFailure&) = delete;
  ~VcdOnFailure() {
    if (!c_.vcd || std::uncaught_exceptions() == exceptions_) return;
    try {
      write_vcd_file(*c_.vcd, board_);
    } catch (const std::exception&) {
      // Already failing: the run's own error is the one to report.
    }
  }

 private:
  const CommandLine& c_;
  sim::Simulador& board_;
  int exceptions_ = std::uncaught_exceptions();
};

// The inputs the command line schedules, on any board.
void apply_inputs(const CommandLine& c, sim::Simulador& board) {
  for (const auto& p : c.pins) board.set_pin(p.pin, p.level, p.at);
  for (const auto& a : c.adc) board.set_adc_voltage(a.channel, a.volts, a.at);
  for (const auto& u : c.uart0_input) board.uart0_input(u.bytes, u.at);
}

// Prints "screenshot: FILE" (or that the LCD is off); false when it could
// not be written, said on standard error.
bool write_screenshot(const std::string& path, const sim::Simulador& board) {
  try {
    if (board.screenshot(path)) {
      std::printf("screenshot: %s\n", path.c_str());
    } else {
      std::printf("screenshot: none, the LCD is off\n");
    }
    return true;
  } catch (const std::runtime_error& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "lpc4088-sim: %s\n", e.what());
    return false;
  }
}

int report_end(const sim::Simulador& board, const sim::RunResult& result) {
  switch (result.reason) {
    case sim::StopReason::ErrorStop: {
      const auto& e = *board.error_stop();
      std::printf("end: error stop at %.6f s in %s (%s:%d): %s\n", e.time, e.function.c_str(),
                  e.file.c_str(), e.line, e.message.c_str());
      return 1;
    }
    case sim::StopReason::Fault: {
      const auto& f = board.fault();
      std::printf("end: fault at %.6f s: %s, address 0x%08X, pc 0x%08X", f ? f->time : result.time,
                  f ? f->kind.c_str() : "?", f ? f->address : 0, f ? f->pc : 0);
      if (const auto p = board.parking()) {
        std::printf("; parked in %s (%s)", p->function.c_str(), p->exception_name.c_str());
      }
      std::printf("\n");
      return 2;
    }
    case sim::StopReason::Exited: {
      const int status = board.exit_status().value_or(1);
      std::printf("end: the firmware exited with status %d at %.6f s\n", status, result.time);
      return status;
    }
    case sim::StopReason::Parked: {
      const auto p = board.parking();
      std::printf("end: parked at %.6f s in %s (%s), pc 0x%08X\n", result.time,
                  p ? p->function.c_str() : "?", p ? p->exception_name.c_str() : "?",
                  p ? p->pc : 0);
      return p && p->exception != 0 ? 3 : 0;
    }
    default: {
      const char* how = board.sleeping()  ? " (asleep in WFI)"
                        : board.parking() ? " (in a loop nothing can change any more)"
                                          : "";
      std::printf("end: still running at %.6f s, pc 0x%08X in %s%s\n", result.time, board.pc(),
                  board.symbol_at(board.pc()).c_str(), how);
      return 0;
    }
  }
}

// Under a debugger: the CPU waits at the reset vector until a debugger
// continues it; after a detach the board runs on, and the next debugger
// finds it where it stands. Ends when a debugger kills the run, or at --for.
int run_with_debugger(const CommandLine& c, const sim::Options& options) {
  const double end = c.duration_given ? c.duration : sim::kMaxBoardSeconds;
  sim::gdb::BoardTarget target(c.image, options, end);
  apply_inputs(c, target.board());
  sim::gdb::Server server(target);
  server.set_log([](std::string_view m) {
    std::fprintf(stderr, "gdb: %.*s\n", static_cast<int>(m.size()), m.data());
  });
  const sim::gdb::Endpoint where = *sim::gdb::parse_endpoint(*c.gdb);
  const std::uint16_t port = server.listen(where);
  if (where.host != "127.0.0.1" && where.host != "localhost" && where.host != "::1") {
    std::fprintf(stderr,
                 "gdb: warning: listening on %s: anyone who can reach it can drive the board\n",
                 where.host.c_str());
  }
  std::fprintf(stderr, "gdb: waiting for a connection on %s:%u\n", where.host.c_str(), port);
  bool runs_on = false;
  std::optional<sim::gdb::StopEvent> stopped;
  while (!target.killed()) {
    const std::optional<int> fd = server.accept_within(runs_on ? 0 : -1);
    if (fd) {
      if (runs_on) server.forget_last_stop();
      runs_on = server.serve_connection(*fd) == sim::gdb::Server::End::Detached;
      std::fprintf(stderr, "gdb: %s\n", target.killed() ? "killed by the debugger"
                                         : runs_on       ? "debugger detached, the board runs on"
                                                         : "debugger gone, the board waits");
      continue;
    }
    stopped = target.resume(sim::gdb::ResumeMode::Continue);
    // A stop with nobody attached waits for a debugger; the time limit ends it.
    if (stopped) runs_on = false;
    if (stopped && stopped->kind == sim::gdb::StopEvent::Kind::TimeLimit) break;
  }
  sim::Simulador& board = target.board();
  std::vector<Event> events;
  for (const sim::OutputChange& change : board.pin_changes()) events.push_back(change_event(change));
  print_events(events);
  const bool vcd_written = !c.vcd || write_vcd_file(*c.vcd, board);
  int status = 0;
  if (target.killed()) {
    std::printf("end: killed by the debugger at %.6f s, pc 0x%08X in %s\n", board.time(), board.pc(),
                board.symbol_at(board.pc()).c_str());
  } else {
    status = report_end(board, sim::RunResult{sim::StopReason::TimeReached, board.time(), {}});
  }
  return vcd_written ? status : kOutputFailed;
}

// The live board: paced to the wall clock, watched and driven from a web
// page, until Ctrl-C or SIGTERM (or --for). The status says how the run
// stood when it ended, as for a batch run.
int run_live(const CommandLine& c, const sim::Options& options) {
  sim::web::LiveBoard live(c.image, options, c.speed);
  live.prepare([&](sim::Simulador& board) {
    apply_inputs(c, board);
  });
  sim::web::WebServer server(live, [](sim::Simulador& board) {
    return sim::vcd_text(sim::vcd_record(board.board()));
  });
  if (c.duration_given) live.end_at(c.duration, [&server] { server.stop(); });
  const sim::gdb::Endpoint where = *sim::gdb::parse_endpoint(*c.web);
  const std::uint16_t port = server.listen(where.host, where.port);
  if (where.host != "127.0.0.1" && where.host != "localhost" && where.host != "::1") {
    std::fprintf(stderr,
                 "web: warning: listening on %s: anyone who can reach it can drive the board\n",
                 where.host.c_str());
  }
  const bool v6 = where.host.find(':') != std::string::npos;
  std::fprintf(stderr, "web: http://%s%s%s:%u/\n", v6 ? "[" : "", where.host.c_str(),
               v6 ? "]" : "", port);
  std::fflush(stderr);
  live.start(&server);
  server.run();
  live.stop();
  const sim::web::Status st = live.status();
  sim::Simulador& board = live.board();
  const sim::StopReason reason = st.run_state == "error stop" ? sim::StopReason::ErrorStop
                                 : st.run_state == "fault"    ? sim::StopReason::Fault
                                 : st.run_state == "exited"   ? sim::StopReason::Exited
                                 : st.run_state == "parked"   ? sim::StopReason::Parked
                                                              : sim::StopReason::TimeReached;
  const int status = report_end(board, sim::RunResult{reason, board.time(), {}});
  std::printf("board time %.6f s, %llu instructions\n", board.time(),
              static_cast<unsigned long long>(board.instructions()));
  if (c.vcd && !write_vcd_file(*c.vcd, board)) return kOutputFailed;
  return status;
}

int run(const CommandLine& c) {
  sim::Options options;
  options.fail_on_unmodelled = c.strict;
  options.idle_skipping = c.idle_skipping;
  options.semihosting = c.semihosting;
  options.semihosting_output = [](int handle, std::string_view bytes) {
    // Raw bytes, in order with the report lines around them.
    std::fflush(handle == 2 ? stdout : stderr);
    std::fwrite(bytes.data(), 1, bytes.size(), handle == 2 ? stderr : stdout);
  };
  if (c.gdb) return run_with_debugger(c, options);
  // The screenshot of an error stop shows its report, as the board does.
  options.error_stop_draws = true;
  if (c.web) return run_live(c, options);
  sim::Simulador board(c.image, options);
  apply_inputs(c, board);
  if (c.trace) {
    for (const auto& p : c.pins) {
      std::printf("%12.6f s  input  %s <- %d\n", p.at, p.pin.name().c_str(), p.level ? 1 : 0);
    }
    for (const auto& u : c.uart0_input) {
      std::printf("%12.6f s  input  uart0 <- %s\n", u.at, printable(u.bytes).c_str());
    }
  }
  const VcdOnFailure vcd_on_failure(c, board);
  const bool raw_to_stdout = c.uart0_file && *c.uart0_file == "-";
  Uart0Lines lines;
  std::vector<Event> events;
  std::size_t uart_seen = 0;

  const auto wall_start = std::chrono::steady_clock::now();
  auto last_progress = wall_start;
  std::size_t printed = 0;
  sim::RunResult result;
  // Absolute targets that reach the end exactly: the loop ends on the last
  // one, whatever the conversions between seconds and cycles did.
  const double chunk = std::max(c.duration / 100, 0.01);
  double target = 0;
  for (unsigned k = 1;; ++k) {
    target = std::min(c.duration, k * chunk);
    result = board.run_to_time(target);
    for (; printed < board.pin_changes().size(); ++printed)
      events.push_back(change_event(board.pin_changes()[printed]));
    const std::vector<sim::UartByte> sent = board.uart0_sent();
    for (; uart_seen < sent.size(); ++uart_seen) {
      if (raw_to_stdout) {
        std::fputc(sent[uart_seen].byte, stdout);
      } else if (!c.uart0_file) {
        lines.take(sent[uart_seen], events);
      }
    }
    print_events(events);
    const auto now = std::chrono::steady_clock::now();
    if (std::chrono::duration<double>(now - last_progress).count() > kProgressEverySeconds) {
      std::fprintf(stderr, "[lpc4088-sim] %.3f of %.3f s of board time\n", board.time(),
                   c.duration);
      last_progress = now;
    }
    if (result.reason != sim::StopReason::TimeReached || target >= c.duration) break;
  }
  lines.finish(events);
  print_events(events);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();

  const int status = report_end(board, result);
  std::printf("board time %.6f s, %llu instructions, CPU at %u Hz, wall time %.3f s", board.time(),
              static_cast<unsigned long long>(board.instructions()), board.cpu_hz(), wall);
  if (wall > 0) std::printf(" (%.1f x real time)", board.time() / wall);
  std::printf("\n");
  if (c.trace) {
    for (const std::string& line : board.unmodelled_accesses()) {
      std::printf("unmodelled: %s\n", line.c_str());
    }
  }
  // Every output file is tried: one that fails does not cost the others.
  bool outputs_written = !c.vcd || write_vcd_file(*c.vcd, board);
  if (c.uart0_file && !raw_to_stdout) {
    const std::string bytes = board.uart0_text();
    if (!write_uart0_file(*c.uart0_file, bytes)) {
      const int error = errno;
      std::fflush(stdout);
      std::fprintf(stderr, "lpc4088-sim: cannot write %s: %s\n", c.uart0_file->c_str(),
                   std::strerror(error));
      outputs_written = false;
    } else {
      std::printf("uart0: %zu bytes to %s\n", bytes.size(), c.uart0_file->c_str());
    }
  }
  if (c.screenshot && !write_screenshot(*c.screenshot, board)) outputs_written = false;
  return outputs_written ? status : kOutputFailed;
}

// --- scenario ---
// The steps of the scenario (and any inputs of the command line) on a board
// whose error stop draws its report; each expectation with PASS or FAIL, how
// the run ended, and the tally. The status is the expectations': 0 or 1.
int run_scenario_file(const CommandLine& c, const sim::cli::Scenario& scenario) {
  sim::Options options;
  options.fail_on_unmodelled = c.strict;
  options.idle_skipping = c.idle_skipping;
  options.semihosting = c.semihosting;
  options.semihosting_output = [](int, std::string_view bytes) {
    std::fflush(stdout);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  };
  options.error_stop_draws = true;
  sim::Simulador board(c.image, options);
  apply_inputs(c, board);
  const std::string& name = *c.scenario;
  std::printf("scenario %s: %zu expectation%s, run to %.6f s\n", name.c_str(),
              scenario.expectations.size(), scenario.expectations.size() == 1 ? "" : "s",
              scenario.end);
  const sim::cli::ScenarioReport report = sim::cli::run_scenario(board, scenario);
  for (const sim::cli::Outcome& o : report.outcomes) {
    std::printf("%s\n", sim::cli::describe(o, name).c_str());
  }
  report_end(board, report.result);
  const std::size_t passed = report.passed();
  std::printf("scenario: %zu of %zu expectations passed\n", passed, report.outcomes.size());
  if (c.screenshot && !write_screenshot(*c.screenshot, board)) return kOutputFailed;
  return passed == report.outcomes.size() ? 0 : 1;
}
// --- end scenario ---

}  // namespace

int main(int argc, char** argv) {
  CommandLine c;
  try {
    c = sim::cli::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "lpc4088-sim: %s\n%s", e.what(), sim::cli::usage());
    return kBadCommandLine;
  }
  if (c.help) {
    std::fputs(sim::cli::usage(), stdout);
    return host::finish_output(0, "lpc4088-sim", kOutputFailed);
  }
  // --- scenario ---
  // Read and checked before the image: a bad line runs nothing.
  std::optional<sim::cli::Scenario> scenario;
  if (c.scenario) {
    try {
      scenario = sim::cli::read_scenario(*c.scenario);
    } catch (const sim::cli::ScenarioError& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return kBadCommandLine;
    }
  }
  // --- end scenario ---
  int status = 0;
  try {
    status = scenario ? run_scenario_file(c, *scenario) : run(c);
  } catch (const sim::ImageError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "lpc4088-sim: %s\n", e.what());
    return kBadImage;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "lpc4088-sim: %s\n", e.what());
    status = kCannotGoOn;
  }
  return host::finish_output(status, "lpc4088-sim", kOutputFailed);
}
