// External memory controller registers (the first 4 KiB of its window): a register
// file, enough for an SDRAM set-up to run; the status register reads 0 (never
// busy). The SDRAM itself is memory the core maps. Not modelled: its PCONP
// bit, the SDRAM timing and modes (any set-up works).
#ifndef SIM_LPC4088_EMC_H
#define SIM_LPC4088_EMC_H

#include <array>
#include <cstdint>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class Emc final : public Peripheral {
 public:
  static constexpr std::uint32_t kStatus = 0x004;
  static constexpr std::uint32_t kRegisterBytes = 0x1000;

  explicit Emc(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;

  std::uint32_t reg(std::uint32_t offset) const { return regs_.at(offset / 4); }

 private:
  RegisterLog log_;
  std::array<std::uint32_t, kRegisterBytes / 4> regs_{};
};

}  // namespace sim

#endif
