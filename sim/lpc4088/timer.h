// One of the four 32-bit timers (timer mode). The count is never ticked: the
// state is kept as of an anchor time and brought forward in one step from the
// number of peripheral-clock edges since then, stopping only at the matches
// that have an action.
//
// Timing, as the chip's timing diagrams show it: PC counts peripheral-clock
// edges and TC advances on the edge where PC would pass PR; a match with
// MRn acts on the edge that ends the prescale period in which TC equals MRn
// (interrupt flag, reset to 0 instead of MRn + 1, stop with TC and PC kept),
// so with reset on match the period is (MRn + 1) x (PR + 1) edges. External
// match outputs (EMR) follow their EMC settings; captures and counter mode
// (CTCR) are not simulated: enabling them is recorded as unsupported.
//
// Power: while the timer's PCONP bit is clear it does not count, reads give 0
// and writes are dropped, both recorded as unpowered accesses (a driver that
// forgot to power the timer shows up in the record instead of hanging
// silently).
#ifndef SIM_LPC4088_TIMER_H
#define SIM_LPC4088_TIMER_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class Timer final : public Peripheral {
 public:
  static constexpr std::uint32_t kIr = 0x00;
  static constexpr std::uint32_t kTcr = 0x04;
  static constexpr std::uint32_t kTc = 0x08;
  static constexpr std::uint32_t kPr = 0x0C;
  static constexpr std::uint32_t kPc = 0x10;
  static constexpr std::uint32_t kMcr = 0x14;
  static constexpr std::uint32_t kMr0 = 0x18;
  static constexpr std::uint32_t kCcr = 0x28;
  static constexpr std::uint32_t kCr0 = 0x2C;
  static constexpr std::uint32_t kCr1 = 0x30;
  static constexpr std::uint32_t kEmr = 0x3C;
  static constexpr std::uint32_t kCtcr = 0x70;

  struct Registers {
    std::uint32_t ir = 0, tcr = 0, tc = 0, pr = 0, pc = 0, mcr = 0;
    std::array<std::uint32_t, 4> mr{};
    std::uint32_t ccr = 0, emr = 0, ctcr = 0;
  };

  explicit Timer(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;
  Cycles next_event(Cycles now) const override;
  void advance(Cycles now) override;
  bool volatile_register(std::uint32_t offset) const override;

  // State as of the last access or advance (call advance first for `now`).
  const Registers& registers() const { return regs_; }
  bool counting() const;

 private:
  using Ticks = std::uint64_t;

  void settle(Cycles now);
  void run(Ticks ticks);
  Ticks ticks_to_first_edge() const;
  // Prescale periods, after the current one, until the next match with an
  // action ends, or -1 when none will.
  std::int64_t periods_to_match() const;
  void match();
  std::uint32_t register_read(std::uint32_t offset);
  void register_write(std::uint32_t offset, std::uint32_t value, Cycles now);
  bool known(std::uint32_t offset) const;
  void update_irq();

  IrqLine irq_;
  const Clocks& clocks_;
  std::function<bool()> powered_;
  RegisterLog log_;
  Registers regs_;
  // Anchor: the state above holds at anchor_, with remainder_ / cpu_hz_ of a
  // peripheral-clock period already elapsed (rates as of the anchor).
  Cycles anchor_ = 0;
  std::uint64_t remainder_ = 0;
  std::uint32_t cpu_hz_ = 0;
  std::uint32_t peripheral_hz_ = 0;
  bool irq_high_ = false;
};

}  // namespace sim

#endif
