// What the debug server needs from the thing it debugs: a Cortex-M4F halted
// between calls, whose registers, memory and breakpoints the server reads and
// changes, and which runs in bounded slices so that the server can watch the
// debugger's socket between two slices.
//
// Every call is made with the target halted at an instruction boundary,
// except that resume() itself runs it. No call may block on the debugger.
#ifndef SIM_GDB_TARGET_H
#define SIM_GDB_TARGET_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sim::gdb {

// Register numbers, as the target description (registers.h) numbers them
// for the debugger. D0-D15 are 64 bits wide (s[2n] is the low half of d[n]);
// every other register is 32 bits, PRIMASK to CONTROL travel as 8 bits.
enum class Reg : unsigned {
  R0 = 0,
  R1,
  R2,
  R3,
  R4,
  R5,
  R6,
  R7,
  R8,
  R9,
  R10,
  R11,
  R12,
  SP = 13,
  LR = 14,
  PC = 15,
  XPSR = 16,
  D0 = 17,
  D15 = 32,
  FPSCR = 33,
  MSP = 34,
  PSP = 35,
  PRIMASK = 36,
  BASEPRI = 37,
  FAULTMASK = 38,
  CONTROL = 39,
};
inline constexpr unsigned kRegisterCount = 40;

// Breakpoints and watchpoints by the debugger's Z/z types 0 to 4.
enum class PointType : unsigned {
  Software = 0,     // the debugger's ordinary breakpoint; the target keeps it
                    // in its own table, never in the image
  Hardware = 1,     // hbreak: same behaviour on a simulator
  WriteWatch = 2,   // watch
  ReadWatch = 3,    // rwatch
  AccessWatch = 4,  // awatch
};

// How resume() moves the CPU.
enum class ResumeMode { Continue, Step };

// Why the target stopped.
struct StopEvent {
  enum class Kind {
    Breakpoint,   // about to execute an instruction with a breakpoint
    Watchpoint,   // an access hit a watchpoint (address, watch)
    StepDone,     // a Step executed its one instruction
    Interrupted,  // the debugger interrupted; the server makes this one
    ErrorStop,    // the firmware called its error stop (message)
    Fault,        // a fault the firmware cannot recover from (message)
    Exited,       // the firmware ended (exit_status); nothing runs any more
    TimeLimit,    // the run reached the board time it may use (message)
  };
  Kind kind = Kind::Breakpoint;
  std::uint32_t address = 0;                 // Watchpoint: the data address accessed
  PointType watch = PointType::AccessWatch;  // Watchpoint: the watchpoint's type
  std::string message;                       // shown on the debugger's console
  int exit_status = 0;                       // Exited
};

class Target {
 public:
  virtual ~Target() = default;

  // A register by Reg number; nullopt when the number is unknown (the
  // debugger is told the value is unavailable or gets an error).
  virtual std::optional<std::uint64_t> read_register(unsigned number) = 0;
  // False when the number is unknown or the value cannot be written.
  virtual bool write_register(unsigned number, std::uint64_t value) = 0;

  // Memory as the CPU sees it, flash writable. False when any byte of the
  // range is not mapped; then nothing is written.
  virtual bool read_memory(std::uint32_t address, std::span<std::uint8_t> out) = 0;
  virtual bool write_memory(std::uint32_t address, std::span<const std::uint8_t> in) = 0;

  // `length` is the debugger's kind for breakpoints (2 or 4: the size of the
  // Thumb instruction) and the watched byte count for watchpoints. Inserting
  // the same point twice keeps one; removing one that is not there succeeds.
  // False when the target cannot hold the point.
  virtual bool insert_point(PointType type, std::uint32_t address, std::uint32_t length) = 0;
  virtual bool remove_point(PointType type, std::uint32_t address, std::uint32_t length) = 0;

  // Runs one bounded slice (a few milliseconds of host time at most) from
  // where the CPU stands. Returns the stop when one happened in the slice,
  // nullopt when the firmware is still running: the server then polls the
  // socket and calls resume() again with the same mode. Step runs exactly
  // one instruction and returns StepDone (or an earlier stop). The debugger
  // steps off a breakpoint itself before it continues from one.
  virtual std::optional<StopEvent> resume(ResumeMode mode) = 0;
  // The debugger interrupted (Ctrl-C) or went away between two slices of a
  // resume: the target stays halted where the last slice left it.
  virtual void interrupt() = 0;

  // Back to the reset state (SP and PC from the vector table, time 0), with
  // the breakpoints and watchpoints kept: "monitor reset".
  virtual void reset() = 0;
  // The debugger killed the firmware; the server ends after this call.
  virtual void kill() = 0;

  // A monitor command other than "reset" ("monitor time", ...): its console
  // output, nullopt when the command is unknown.
  virtual std::optional<std::string> monitor(std::string_view command) = 0;
};

}  // namespace sim::gdb

#endif
