// Contract between the simulator core and the peripheral models.
//
// A model knows its registers (offsets within its window) and its behaviour,
// never its own address or interrupt number: the board's peripheral table
// places each model at a base address, wires its interrupt line and power
// bit, and names its window in the access record. Every model is built the
// same way, from a ModelContext.
//
// Virtual time is counted in CPU clock cycles since reset. The core calls a
// model only when the firmware touches its registers (read/write, with the
// current time) or when the time of the model's next event has come
// (advance). A model never looks at wall-clock time, so a run is repeatable.
#ifndef SIM_MODELO_PERIPHERAL_H
#define SIM_MODELO_PERIPHERAL_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

namespace sim {

using Cycles = std::uint64_t;
inline constexpr Cycles kNever = std::numeric_limits<Cycles>::max();

// Interrupt request lines into the NVIC, numbered as the device's IRQn
// (TIMER0 is 1, GPIO is 38). A line is a level: the NVIC sets the interrupt
// pending while the line is high, and again after the handler returns if it
// is still high.
class IrqLines {
 public:
  virtual ~IrqLines() = default;
  virtual void set_irq_line(unsigned irq, bool high) = 0;
};

// The one line a model drives, bound to its IRQ number by the board; a model
// with no line gets an unconnected one.
class IrqLine {
 public:
  IrqLine() = default;
  IrqLine(IrqLines& lines, unsigned irq) : lines_(&lines), irq_(irq) {}
  void set(bool high) const {
    if (lines_ != nullptr) lines_->set_irq_line(irq_, high);
  }

 private:
  IrqLines* lines_ = nullptr;
  unsigned irq_ = 0;
};

// Clock frequencies as the system-control model derives them from what the
// firmware programmed (12 MHz internal oscillator after reset).
class Clocks {
 public:
  virtual ~Clocks() = default;
  virtual std::uint32_t cpu_hz() const = 0;
  virtual std::uint32_t peripheral_hz() const = 0;
};

// Access to target memory for models that read it (the LCD frame buffer).
class MemoryBus {
 public:
  virtual ~MemoryBus() = default;
  // False when part of [address, address + size) is not mapped.
  virtual bool read_memory(std::uint32_t address, void* destination, std::size_t size) const = 0;
};

// Why an access went into the record. The first two are the board's limits
// (the firmware may be right); the others are the firmware's own errors, which
// the chip would not have answered either.
enum class AccessKind : std::uint8_t {
  kUnmodelled,   // nobody implements the address
  kUnsupported,  // a setting the model does not simulate (burst mode, ...)
  kUnpowered,    // guest error: the peripheral's power bit in PCONP is clear
  kReadOnly,     // guest error: a write to a read-only register
};
constexpr bool is_guest_error(AccessKind kind) {
  return kind == AccessKind::kUnpowered || kind == AccessKind::kReadOnly;
}
const char* to_string(AccessKind kind);

// One access the board did not answer as the chip would.
struct RecordedAccess {
  std::uint32_t address;
  unsigned width;
  bool write;
  std::uint32_t value;
  Cycles time;
  AccessKind kind;
  const char* window = "";  // the table's name of the window ("UART0", "TIMER2", "SCS")
};
// "write 0x00000001 to 0x40090004 (TIMER2, unpowered)".
std::string describe(const RecordedAccess& access);

class AccessLog;

// A model's handle on the access record: offsets in, addresses and the
// window's name out, both from the board's table.
class RegisterLog {
 public:
  RegisterLog(AccessLog& log, const char* window, std::uint32_t base)
      : log_(&log), window_(window), base_(base) {}
  void record(std::uint32_t offset, unsigned width, bool write, std::uint32_t value, Cycles now,
              AccessKind kind) const;

 private:
  AccessLog* log_;
  const char* window_;
  std::uint32_t base_;
};

// What every model is built from.
struct ModelContext {
  IrqLine irq;
  const Clocks& clocks;
  const MemoryBus& memory;
  // The model's power bit as the board wires it (always on when it has none).
  std::function<bool()> powered;
  RegisterLog log;
};

class Peripheral {
 public:
  Peripheral() = default;
  virtual ~Peripheral() = default;
  Peripheral(const Peripheral&) = delete;
  Peripheral& operator=(const Peripheral&) = delete;

  // Register accesses, offset from the window's base, width 1, 2 or 4
  // bytes. The model first brings itself up to `now` (as advance would),
  // then acts.
  virtual std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) = 0;
  virtual void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) = 0;

  // Earliest time at or after `now` at which the model's state changes by
  // itself (a timer match, the end of a conversion), or kNever. The core
  // never lets time pass such an event without calling advance.
  virtual Cycles next_event(Cycles now) const {
    (void)now;
    return kNever;
  }
  // Brings the state up to `now`, raising interrupt lines on the way.
  virtual void advance(Cycles now) { (void)now; }

  // True when a register read at `offset` may return a different value
  // before next_event() without any write: input pins driven from outside.
  // The core uses it to decide whether a polling loop can be skipped.
  virtual bool volatile_register(std::uint32_t offset) const {
    (void)offset;
    return false;
  }
};

}  // namespace sim

#endif
