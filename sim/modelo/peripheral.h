// Contract between the simulator core and the peripheral models.
//
// Virtual time is counted in CPU clock cycles since reset. The core calls a
// model only when the firmware touches its registers (read/write, with the
// current time) or when the time of the model's next event has come
// (advance). A model never looks at wall-clock time, so a run is repeatable.
#ifndef SIM_MODELO_PERIPHERAL_H
#define SIM_MODELO_PERIPHERAL_H

#include <cstddef>
#include <cstdint>
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

// What every model is given when the board is built.
struct BoardContext {
  IrqLines& irq;
  const Clocks& clocks;
  const MemoryBus& memory;
};

class Peripheral {
 public:
  Peripheral(std::string name, std::uint32_t base, std::uint32_t size)
      : name_(std::move(name)), base_(base), size_(size) {}
  virtual ~Peripheral() = default;
  Peripheral(const Peripheral&) = delete;
  Peripheral& operator=(const Peripheral&) = delete;

  const std::string& name() const { return name_; }
  std::uint32_t base() const { return base_; }
  std::uint32_t size() const { return size_; }

  // Register accesses, offset from base(), width 1, 2 or 4 bytes. The model
  // first brings itself up to `now` (as advance would), then acts.
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

 private:
  std::string name_;
  std::uint32_t base_;
  std::uint32_t size_;
};

}  // namespace sim

#endif
