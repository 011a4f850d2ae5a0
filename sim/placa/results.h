// What a run of the board gives back, shared by the board and its test API:
// why a run stopped, the faults, error stops and parking it saw, output pin
// changes, the inputs applied and the interrupt lines' changes, call
// arguments and results, and the options a board is built with.
#ifndef SIM_PLACA_RESULTS_H
#define SIM_PLACA_RESULTS_H

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/modelo/peripheral.h"

namespace sim {

// A GPIO pin, P<port>.<bit>.
struct Pin {
  unsigned port = 0;
  unsigned bit = 0;
  // "P2.27" (also "p2.27" and "2.27"); throws std::invalid_argument.
  static Pin parse(const std::string& text);
  std::string name() const;  // "P2.27"
  // "LED1".."LED4" for the board's LED pins, else name().
  std::string label() const;
  bool operator==(const Pin&) const = default;
  // The pin of the board's LED `number` (1..4, lit by a high output level);
  // throws std::invalid_argument for any other number.
  static Pin led(unsigned number);
};

// One change of an output pin's level, as the firmware drove it.
struct OutputChange {
  double time = 0;  // seconds of board time
  Cycles cycle = 0;
  Pin pin;
  bool level = false;
};

// An input the run applied from outside, at the board time it took effect:
// a pin level, or a voltage on an A/D channel.
struct InputChange {
  double time = 0;  // seconds of board time
  Cycles cycle = 0;
  bool is_pin = true;
  Pin pin;  // is_pin: the pin and its level
  bool level = false;
  unsigned channel = 0;  // otherwise: the channel and its volts
  double volts = 0;
};

// A change of level of a device interrupt request line (numbered as the
// device's IRQn: TIMER0 is 1), as the peripheral model drove it.
struct IrqChange {
  double time = 0;  // seconds of board time
  Cycles cycle = 0;
  unsigned irq = 0;
  bool level = false;
};

// A call to parar_con_error, with its arguments read from target memory.
struct ErrorStopInfo {
  std::string file;
  std::string function;
  int line = 0;
  std::string message;  // Latin-1 bytes as the firmware holds them
  double time = 0;
};

// A fault the core raised (before its handler ran).
struct FaultInfo {
  std::string kind;           // "bus fault (read)", "undefined instruction", ...
  std::uint32_t address = 0;  // the data address, or the bad PC for a fetch
  std::uint32_t pc = 0;       // start of the block that faulted
  double time = 0;
};

// The CPU sits in a loop no event will leave.
struct Parking {
  std::uint32_t pc = 0;
  std::string function;        // symbol holding pc ("Default_Handler", "main", ...)
  unsigned exception = 0;      // active exception number (IPSR), 0 in thread mode
  std::string exception_name;  // "HardFault", "IRQ 1 (TIMER0)", "thread mode"
  double time = 0;
};

// The latest board time a run may be asked to reach, in seconds (about
// eleven and a half days; well inside what the cycle count and the time
// conversion hold exactly at any CPU clock).
inline constexpr double kMaxBoardSeconds = 1e6;

enum class StopReason {
  TimeReached,  // the requested duration elapsed
  Condition,    // the run_until condition became true
  ErrorStop,    // parar_con_error was called; see error_stop()
  Fault,        // a fault parked the CPU in its handler; see fault()
  Parked,       // stuck in a handler's loop for good; see parking()
  Exited,       // the firmware asked to exit through semihosting; see exit_status()
  Breakpoint,   // the CPU reached a breakpoint, or a BKPT with a debugger attached
  Watchpoint,   // a watched address was accessed; see RunResult::watch
  Stepped,      // the single instruction asked for ran (or an exception was entered)
};

enum class WatchKind : std::uint8_t { Write, Read, Access };

// The access that stopped a run at a watchpoint.
struct WatchHit {
  std::uint32_t address = 0;  // the data address accessed
  WatchKind kind = WatchKind::Write;
};
const char* to_string(StopReason reason);

struct RunResult {
  StopReason reason = StopReason::TimeReached;
  double time = 0;  // board time at the stop, seconds
  WatchHit watch;   // for Watchpoint
};

// An argument of a firmware call: integers and pointers go in r0-r3 then on
// the stack, floats in s0-s15 (hard-float procedure call standard).
struct CallArg {
  CallArg(std::int32_t v) : bits(static_cast<std::uint32_t>(v)) {}
  CallArg(std::uint32_t v) : bits(v) {}
  CallArg(float v);
  CallArg(double v) = delete;  // write 1.65f: the firmware's floats are single
  bool is_float = false;
  std::uint32_t bits = 0;
};

struct CallResult {
  std::uint32_t r0 = 0;
  std::uint32_t r1 = 0;
  std::uint32_t s0_bits = 0;
  std::uint32_t as_u32() const { return r0; }
  std::int32_t as_i32() const { return static_cast<std::int32_t>(r0); }
  bool as_bool() const { return (r0 & 0xFF) != 0; }
  float as_float() const;
  std::uint64_t as_u64() const { return (std::uint64_t{r1} << 32) | r0; }
};

// Thrown by call() when the called function hits parar_con_error. The CPU
// state from before the call is restored, so the test can go on calling.
struct ErrorStopped : std::runtime_error {
  explicit ErrorStopped(ErrorStopInfo info_);
  ErrorStopInfo info;
};

// Thrown by call() when the function does not return: a fault, parking, or
// more board time than allowed. The CPU state is restored as above.
struct CallFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Options {
  // Stop with an exception (std::runtime_error from the run) on the first
  // access to a peripheral register nobody modelled, instead of recording it.
  bool fail_on_unmodelled = false;
  // Turn off idle skipping (for measuring it, and for checking that it
  // changes nothing the firmware sees).
  bool idle_skipping = true;
  // Serve semihosting calls (BKPT 0xAB) as a debug probe would; off, as on a
  // board without one, a BKPT is a debug event like any other.
  bool semihosting = false;
  // Where semihosting output goes (handle 1 or 2, raw bytes); when empty the
  // board keeps it for semihosting_output().
  std::function<void(int handle, std::string_view bytes)> semihosting_output;
  // A debugger is attached: a BKPT (other than a served semihosting call)
  // halts the run with StopReason::Breakpoint instead of raising a fault.
  bool debugger_attached = false;
  // An error stop lets parar_con_error run until it parks (its report drawn
  // on the LCD, as the board shows it) instead of stopping at the call; the
  // run still ends as StopReason::ErrorStop, with error_stop() as captured at
  // the call. Calls made with call() always stop at the call.
  bool error_stop_draws = false;
};

}  // namespace sim

#endif
