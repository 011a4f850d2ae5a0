// lpc4088-sim: runs a firmware image on the simulated board and reports what
// its pins did and how the run ended.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "host/output_check.h"
#include "sim/api/simulador.h"
#include "sim/cli/options.h"
#include "sim/core/elf_image.h"

namespace {

using sim::cli::CommandLine;

constexpr double kProgressEverySeconds = 1.0;  // of wall time
// Exit statuses beyond how the run ended (0-3); the usage text lists them all.
constexpr int kBadCommandLine = 64;
constexpr int kBadImage = 65;
constexpr int kCannotGoOn = 70;
constexpr int kOutputFailed = 74;

void print_change(const sim::OutputChange& c) {
  const std::string label = c.pin.label();
  if (label != c.pin.name()) {
    std::printf("%12.6f s  %-6s %s (%s = %d)\n", c.time, label.c_str(), c.level ? "on" : "off",
                c.pin.name().c_str(), c.level ? 1 : 0);
  } else {
    std::printf("%12.6f s  %-6s = %d\n", c.time, label.c_str(), c.level ? 1 : 0);
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
  sim::Simulador board(c.image, options);
  for (const auto& p : c.pins) board.set_pin(p.pin, p.level, p.at);
  for (const auto& a : c.adc) board.set_adc_voltage(a.channel, a.volts, a.at);
  if (c.trace) {
    for (const auto& p : c.pins) {
      std::printf("%12.6f s  input  %s <- %d\n", p.at, p.pin.name().c_str(), p.level ? 1 : 0);
    }
  }

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
      print_change(board.pin_changes()[printed]);
    const auto now = std::chrono::steady_clock::now();
    if (std::chrono::duration<double>(now - last_progress).count() > kProgressEverySeconds) {
      std::fprintf(stderr, "[lpc4088-sim] %.3f of %.3f s of board time\n", board.time(),
                   c.duration);
      last_progress = now;
    }
    if (result.reason != sim::StopReason::TimeReached || target >= c.duration) break;
  }
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
  if (c.screenshot) {
    try {
      if (board.screenshot(*c.screenshot)) {
        std::printf("screenshot: %s\n", c.screenshot->c_str());
      } else {
        std::printf("screenshot: none, the LCD is off\n");
      }
    } catch (const std::runtime_error& e) {
      std::fflush(stdout);
      std::fprintf(stderr, "lpc4088-sim: %s\n", e.what());
      return kOutputFailed;
    }
  }
  return status;
}

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
  int status = 0;
  try {
    status = run(c);
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
