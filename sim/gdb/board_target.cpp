#include "sim/gdb/board_target.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "host/strict_number.h"
#include "sim/placa/board.h"

namespace sim::gdb {
namespace {

// Board time a continue runs between two looks at the debugger's socket.
constexpr double kSliceSeconds = 0.005;

std::string hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

std::vector<std::string> words(std::string_view text) {
  std::istringstream in{std::string(text)};
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

constexpr const char* kHelp =
    "monitor reset                the board from power-on, halted\n"
    "monitor time                 board time\n"
    "monitor press P2.27          pull an input low for 50 ms from now\n"
    "monitor pin P2.22 0          drive an input to 0 or 1 from now\n"
    "monitor adc 0 1.65           A/D channel 0 sees 1.65 V (0 to 3.3) from now\n"
    "monitor screenshot FILE.png  the LCD as a PNG file\n"
    "monitor help                 this list\n";

}  // namespace

BoardTarget::BoardTarget(std::filesystem::path image, Options options, double end_seconds)
    : image_(std::move(image)), options_(std::move(options)), end_(end_seconds) {
  options_.debugger_attached = true;
  board_ = std::make_unique<Simulador>(image_, options_);
}

bool BoardTarget::at_end() const { return board_->time() >= end_; }

std::optional<std::uint64_t> BoardTarget::read_register(unsigned number) {
  Cpu& cpu = board_->board().cpu();
  const auto reg = static_cast<Reg>(number);
  if (number <= static_cast<unsigned>(Reg::PC)) return cpu.r(number);
  if (number >= static_cast<unsigned>(Reg::D0) && number <= static_cast<unsigned>(Reg::D15)) {
    return cpu.get64(UC_ARM_REG_D0 + static_cast<int>(number - static_cast<unsigned>(Reg::D0)));
  }
  switch (reg) {
    case Reg::XPSR:
      return cpu.xpsr();
    case Reg::FPSCR:
      return cpu.get(UC_ARM_REG_FPSCR);
    case Reg::MSP:
      return cpu.get(UC_ARM_REG_MSP);
    case Reg::PSP:
      return cpu.get(UC_ARM_REG_PSP);
    case Reg::PRIMASK:
      return cpu.get(UC_ARM_REG_PRIMASK);
    case Reg::BASEPRI:
      return cpu.get(UC_ARM_REG_BASEPRI);
    case Reg::FAULTMASK:
      return cpu.get(UC_ARM_REG_FAULTMASK);
    case Reg::CONTROL:
      return cpu.get(UC_ARM_REG_CONTROL);
    default:
      return std::nullopt;
  }
}

bool BoardTarget::write_register(unsigned number, std::uint64_t value) {
  Cpu& cpu = board_->board().cpu();
  const auto v32 = static_cast<std::uint32_t>(value);
  if (number <= static_cast<unsigned>(Reg::PC)) {
    cpu.set_r(number, v32);
    return true;
  }
  if (number >= static_cast<unsigned>(Reg::D0) && number <= static_cast<unsigned>(Reg::D15)) {
    cpu.set64(UC_ARM_REG_D0 + static_cast<int>(number - static_cast<unsigned>(Reg::D0)), value);
    return true;
  }
  switch (static_cast<Reg>(number)) {
    case Reg::XPSR:
      cpu.set(UC_ARM_REG_XPSR_NZCVQG, v32);  // the flags; mode and state are the core's
      return true;
    case Reg::FPSCR:
      cpu.set(UC_ARM_REG_FPSCR, v32);
      return true;
    case Reg::MSP:
      cpu.set(UC_ARM_REG_MSP, v32 & ~3u);
      return true;
    case Reg::PSP:
      cpu.set(UC_ARM_REG_PSP, v32 & ~3u);
      return true;
    case Reg::PRIMASK:
      cpu.set(UC_ARM_REG_PRIMASK, v32 & 1);
      return true;
    case Reg::BASEPRI:
      cpu.set(UC_ARM_REG_BASEPRI, v32 & 0xF8);  // the implemented bits
      return true;
    case Reg::FAULTMASK:
      cpu.set(UC_ARM_REG_FAULTMASK, v32 & 1);
      return true;
    case Reg::CONTROL:
      cpu.set(UC_ARM_REG_CONTROL, v32 & 7);
      return true;
    default:
      return false;
  }
}

bool BoardTarget::read_memory(std::uint32_t address, std::span<std::uint8_t> out) {
  try {
    board_->read_memory(address, out.data(), out.size());
    return true;
  } catch (const std::out_of_range&) {
    return false;
  }
}

bool BoardTarget::write_memory(std::uint32_t address, std::span<const std::uint8_t> in) {
  // All or nothing: the whole range must be there before a byte changes.
  std::vector<std::uint8_t> probe(in.size());
  if (!read_memory(address, probe)) return false;
  try {
    board_->write_memory(address, in.data(), in.size());
    return true;
  } catch (const std::out_of_range&) {
    return false;
  }
}

void BoardTarget::place(const Point& p) {
  switch (p.type) {
    case PointType::Software:
    case PointType::Hardware:
      board_->add_breakpoint(p.address);
      break;
    case PointType::WriteWatch:
      board_->add_watchpoint(p.address, p.length, WatchKind::Write);
      break;
    case PointType::ReadWatch:
      board_->add_watchpoint(p.address, p.length, WatchKind::Read);
      break;
    case PointType::AccessWatch:
      board_->add_watchpoint(p.address, p.length, WatchKind::Access);
      break;
  }
}

bool BoardTarget::insert_point(PointType type, std::uint32_t address, std::uint32_t length) {
  const bool breakpoint = type == PointType::Software || type == PointType::Hardware;
  const Point p{type, breakpoint ? address & ~1u : address, breakpoint ? 0 : length};
  if (!breakpoint && length == 0) return false;
  if (std::find(points_.begin(), points_.end(), p) != points_.end()) return true;
  place(p);
  points_.push_back(p);
  return true;
}

bool BoardTarget::remove_point(PointType type, std::uint32_t address, std::uint32_t length) {
  const bool breakpoint = type == PointType::Software || type == PointType::Hardware;
  const Point p{type, breakpoint ? address & ~1u : address, breakpoint ? 0 : length};
  const auto it = std::find(points_.begin(), points_.end(), p);
  if (it == points_.end()) return true;
  points_.erase(it);
  if (breakpoint) {
    // Another kind of breakpoint may still stand at the same address.
    const bool still = std::any_of(points_.begin(), points_.end(), [&](const Point& q) {
      return q.address == p.address &&
             (q.type == PointType::Software || q.type == PointType::Hardware);
    });
    if (!still) board_->remove_breakpoint(p.address);
    return true;
  }
  const WatchKind kind = type == PointType::WriteWatch  ? WatchKind::Write
                         : type == PointType::ReadWatch ? WatchKind::Read
                                                        : WatchKind::Access;
  board_->remove_watchpoint(p.address, p.length, kind);
  return true;
}

std::optional<StopEvent> BoardTarget::stop_for(const RunResult& r) {
  StopEvent e;
  switch (r.reason) {
    case StopReason::TimeReached:
    case StopReason::Condition:
      if (!at_end()) return std::nullopt;
      e.kind = StopEvent::Kind::TimeLimit;
      e.message = "the run has used its board time (" + std::to_string(end_) + " s)\n";
      return e;
    case StopReason::Breakpoint:
      e.kind = StopEvent::Kind::Breakpoint;
      return e;
    case StopReason::Stepped:
      e.kind = StopEvent::Kind::StepDone;
      return e;
    case StopReason::Watchpoint: {
      e.kind = StopEvent::Kind::Watchpoint;
      e.address = r.watch.address;
      e.watch = r.watch.kind == WatchKind::Write ? PointType::WriteWatch : PointType::ReadWatch;
      // An access watchpoint that covers the address answers as one.
      for (const Point& p : points_) {
        if (p.type == PointType::AccessWatch && r.watch.address - p.address < p.length) {
          e.watch = PointType::AccessWatch;
        }
      }
      return e;
    }
    case StopReason::ErrorStop: {
      const ErrorStopInfo& s = *board_->error_stop();
      e.kind = StopEvent::Kind::ErrorStop;
      e.message = "error stop in " + s.function + " (" + s.file + ":" + std::to_string(s.line) +
                  "): " + s.message + "\n";
      return e;
    }
    case StopReason::Fault: {
      const auto& f = board_->fault();
      e.kind = StopEvent::Kind::Fault;
      e.message = "fault: " + (f ? f->kind + ", address " + hex(f->address) + ", pc " + hex(f->pc)
                                 : std::string("?")) +
                  "\n";
      return e;
    }
    case StopReason::Parked: {
      const auto p = board_->parking();
      e.kind = StopEvent::Kind::Fault;
      e.message = "parked for good in " + (p ? p->function + " (" + p->exception_name + ")"
                                             : std::string("a handler")) +
                  "\n";
      return e;
    }
    case StopReason::Exited:
      e.kind = StopEvent::Kind::Exited;
      e.exit_status = board_->exit_status().value_or(0);
      return e;
  }
  return std::nullopt;
}

std::optional<StopEvent> BoardTarget::resume(ResumeMode mode) {
  if (mode == ResumeMode::Step) return stop_for(board_->step());
  if (at_end()) return stop_for(RunResult{StopReason::TimeReached, board_->time(), {}});
  return stop_for(board_->run_to_time(std::min(end_, board_->time() + kSliceSeconds)));
}

void BoardTarget::reset() {
  board_ = std::make_unique<Simulador>(image_, options_);
  for (const Point& p : points_) place(p);
}

std::optional<std::string> BoardTarget::monitor(std::string_view command) {
  const std::vector<std::string> w = words(command);
  if (w.empty() || w[0] == "help") return std::string(kHelp);
  try {
    if (w[0] == "time" && w.size() == 1) {
      char text[64];
      std::snprintf(text, sizeof text, "board time %.6f s\n", board_->time());
      return std::string(text);
    }
    if (w[0] == "press" && w.size() == 2) {
      board_->press(Pin::parse(w[1]), board_->time());
      return w[1] + " pressed for 50 ms\n";
    }
    if (w[0] == "pin" && w.size() == 3 && (w[2] == "0" || w[2] == "1")) {
      board_->set_pin(Pin::parse(w[1]), w[2] == "1", board_->time());
      return w[1] + " driven to " + w[2] + "\n";
    }
    if (w[0] == "adc" && w.size() == 3) {
      const auto channel = host::parse_unsigned(w[1], 7);
      const auto volts = host::parse_real(w[2]);
      if (!channel || !volts || *volts < 0 || *volts > 3.3) {
        return std::string("adc wants a channel 0..7 and 0 to 3.3 volts\n");
      }
      board_->set_adc_voltage(static_cast<unsigned>(*channel), *volts, board_->time());
      return "channel " + w[1] + " at " + w[2] + " V\n";
    }
    if (w[0] == "screenshot" && w.size() == 2) {
      return board_->screenshot(w[1]) ? "screenshot: " + w[1] + "\n"
                                      : std::string("no screenshot: the LCD is off\n");
    }
  } catch (const std::exception& e) {
    return std::string(e.what()) + "\n";
  }
  return std::nullopt;
}

}  // namespace sim::gdb
