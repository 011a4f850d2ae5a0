// IOCON pin registers (at (port x 32 + pin) x 4 in the window): one word per pin,
// stored whole as written. Reset values by pin type, a simplification of the
// chip's tables: analog (A) and I2C-capable-with-filter (W) pins 0x1B0
// (pull-up, hysteresis, digital mode, filter off); I2C (I) and USB (U) pins
// 0; every other (D) pin 0x30 (pull-up, hysteresis). P5[5] to P5[31] do not
// exist: accesses to them are recorded as unmodelled.
#ifndef SIM_LPC4088_IOCON_H
#define SIM_LPC4088_IOCON_H

#include <array>
#include <cstdint>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class Iocon final : public Peripheral {
 public:
  static constexpr unsigned kPorts = 6;
  static constexpr unsigned kPinsPerPort = 32;

  explicit Iocon(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;

  std::uint32_t pin_register(unsigned port, unsigned pin) const;
  static std::uint32_t reset_value(unsigned port, unsigned pin);
  static bool exists(unsigned port, unsigned pin) { return port < 5 || (port == 5 && pin < 5); }

 private:
  static bool valid(std::uint32_t word_offset);

  RegisterLog log_;
  std::array<std::uint32_t, kPorts * kPinsPerPort> pins_{};
};

}  // namespace sim

#endif
