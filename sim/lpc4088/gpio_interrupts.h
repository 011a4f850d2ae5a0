// GPIO interrupt block of ports 0 and 2 (registers at +0x80 in its window): an edge on
// a pin latches its STATR/STATF bit only while the matching ENR/ENF bit is
// set; the status stays until a 1 is written to the pin's CLR bit (clearing
// both edges), even if the enable is cleared meanwhile. STATUS shows which
// ports have a status bit set, and the interrupt line is high while any is. Edges come
// from the GPIO model (any change of the pin's level, whatever its
// direction, as the edge detector watches the pin).
#ifndef SIM_LPC4088_GPIO_INTERRUPTS_H
#define SIM_LPC4088_GPIO_INTERRUPTS_H

#include <array>
#include <cstdint>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class GpioInterrupts final : public Peripheral {
 public:
  static constexpr std::uint32_t kRegisters = 0x80;

  // Offsets from the register block (window + kRegisters).
  static constexpr std::uint32_t kStatus = 0x00;
  static constexpr std::uint32_t kStatR0 = 0x04;
  static constexpr std::uint32_t kStatF0 = 0x08;
  static constexpr std::uint32_t kClr0 = 0x0C;
  static constexpr std::uint32_t kEnR0 = 0x10;
  static constexpr std::uint32_t kEnF0 = 0x14;
  static constexpr std::uint32_t kStatR2 = 0x24;
  static constexpr std::uint32_t kStatF2 = 0x28;
  static constexpr std::uint32_t kClr2 = 0x2C;
  static constexpr std::uint32_t kEnR2 = 0x30;
  static constexpr std::uint32_t kEnF2 = 0x34;

  struct PortState {
    std::uint32_t rising_enable = 0;
    std::uint32_t falling_enable = 0;
    std::uint32_t rising_status = 0;
    std::uint32_t falling_status = 0;
  };

  explicit GpioInterrupts(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;

  // A change of level of pin `pin` of `port` (ports other than 0 and 2 have
  // no edge detection and are ignored).
  void pin_changed(unsigned port, unsigned pin, bool level);

  // Port 0 is index 0, port 2 index 1.
  const PortState& port_state(unsigned port) const { return ports_.at(port == 2 ? 1 : port); }
  bool irq_high() const { return irq_high_; }

 private:
  // The port state a register offset belongs to and the register's role.
  enum class Role { kStatusR, kStatusF, kClear, kEnableR, kEnableF };
  struct Decoded {
    PortState* port;
    Role role;
  };
  bool decode(std::uint32_t reg, Decoded& decoded);
  std::uint32_t status_summary() const;
  void update_irq();

  IrqLine irq_;
  RegisterLog log_;
  std::array<PortState, 2> ports_{};
  bool irq_high_ = false;
};

}  // namespace sim

#endif
