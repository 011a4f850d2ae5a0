// GPIO ports 0 to 5 (0x20 apart in the window): DIR, MASK, PIN, SET, CLR.
//
// A pin's level is its output latch while DIR makes it an output, else the
// level driven from outside (high until driven: the board's pull-ups). MASK
// bits exclude pins from PIN reads (they read 0) and from PIN/SET/CLR writes;
// SET reads back the output latch. Port 5 has pins 0 to 4 only; the other
// bits read 0 and ignore writes. Byte and half-word accesses touch only
// their lanes. Every change of a pin's level is reported to the listeners
// with its time, whatever made it (a write, or an input drive that has come
// due). PCONP's GPIO bit is not looked at.
#ifndef SIM_LPC4088_GPIO_H
#define SIM_LPC4088_GPIO_H

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

struct PinEvent {
  unsigned port;
  unsigned pin;
  bool level;
  bool output;  // the pin is an output (DIR bit set) after the change
  Cycles time;
};

class Gpio final : public Peripheral {
 public:
  static constexpr unsigned kPorts = 6;
  static constexpr std::uint32_t kPortStride = 0x20;
  static constexpr std::uint32_t kDir = 0x00;
  static constexpr std::uint32_t kMask = 0x10;
  static constexpr std::uint32_t kPin = 0x14;
  static constexpr std::uint32_t kSet = 0x18;
  static constexpr std::uint32_t kClr = 0x1C;

  struct Port {
    std::uint32_t dir = 0;
    std::uint32_t mask = 0;
    std::uint32_t latch = 0;
    std::uint32_t input = 0xFFFFFFFF;
    std::uint32_t level = 0xFFFFFFFF;
  };

  explicit Gpio(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;
  Cycles next_event(Cycles now) const override;
  void advance(Cycles now) override;

  // The input level of a pin from time `at` on; drives for the same time
  // apply in the order given. A drive for a past time applies at the next
  // access or advance.
  void drive_input(unsigned port, unsigned pin, bool level, Cycles at);
  void add_listener(std::function<void(const PinEvent&)> listener);

  bool level(unsigned port, unsigned pin) const { return (port_at(port).level >> pin) & 1u; }
  bool is_output(unsigned port, unsigned pin) const { return (port_at(port).dir >> pin) & 1u; }
  const Port& port_state(unsigned port) const { return port_at(port); }

 private:
  struct Drive {
    unsigned port;
    unsigned pin;
    bool level;
  };

  const Port& port_at(unsigned port) const { return ports_.at(port); }
  std::uint32_t register_read(const Port& port, std::uint32_t reg) const;
  void register_write(Port& port, std::uint32_t reg, std::uint32_t value, std::uint32_t lanes);
  void update_levels(unsigned index, Cycles now);

  RegisterLog log_;
  std::array<Port, kPorts> ports_{};
  std::multimap<Cycles, Drive> drives_;
  std::vector<std::function<void(const PinEvent&)>> listeners_;
};

}  // namespace sim

#endif
