// Register access to the emulated Cortex-M4F, and whole-state snapshots (for
// calls made by tests, and for telling whether a loop changes anything).
#ifndef SIM_CORE_CPU_H
#define SIM_CORE_CPU_H

#include <unicorn/unicorn.h>

#include <array>
#include <cstdint>

namespace sim {

// Everything a snapshot holds, in this order.
inline constexpr int kSnapshotRegisters[] = {
    UC_ARM_REG_R0,        UC_ARM_REG_R1,      UC_ARM_REG_R2,      UC_ARM_REG_R3,
    UC_ARM_REG_R4,        UC_ARM_REG_R5,      UC_ARM_REG_R6,      UC_ARM_REG_R7,
    UC_ARM_REG_R8,        UC_ARM_REG_R9,      UC_ARM_REG_R10,     UC_ARM_REG_R11,
    UC_ARM_REG_R12,       UC_ARM_REG_SP,      UC_ARM_REG_LR,      UC_ARM_REG_PC,
    UC_ARM_REG_APSR,      UC_ARM_REG_CONTROL, UC_ARM_REG_PRIMASK, UC_ARM_REG_BASEPRI,
    UC_ARM_REG_FAULTMASK, UC_ARM_REG_FPSCR,   UC_ARM_REG_EPSR,    UC_ARM_REG_IPSR};
inline constexpr std::size_t kCoreCount = std::size(kSnapshotRegisters);
inline constexpr std::size_t kFpCount = 32;

struct CpuSnapshot {
  std::array<std::uint32_t, kCoreCount + kFpCount> values{};
  bool operator==(const CpuSnapshot&) const = default;
};

class Cpu {
 public:
  explicit Cpu(uc_engine* uc) : uc_(uc) {}

  std::uint32_t get(int reg) const;
  void set(int reg, std::uint32_t value);
  // The 64-bit registers (D0-D15).
  std::uint64_t get64(int reg) const;
  void set64(int reg, std::uint64_t value);
  std::uint32_t r(unsigned n) const;
  void set_r(unsigned n, std::uint32_t value);
  std::uint32_t pc() const { return get(UC_ARM_REG_PC); }
  // Jumps to a Thumb address (bit 0 ignored).
  void set_pc(std::uint32_t address) { set(UC_ARM_REG_PC, address | 1); }
  std::uint32_t s(unsigned n) const;
  void set_s(unsigned n, std::uint32_t bits);
  bool primask() const { return (get(UC_ARM_REG_PRIMASK) & 1) != 0; }
  std::uint8_t basepri() const { return static_cast<std::uint8_t>(get(UC_ARM_REG_BASEPRI)); }
  bool faultmask() const { return (get(UC_ARM_REG_FAULTMASK) & 1) != 0; }
  // xPSR as the chip would stack it: flags, GE, IT/ICI and T bits, IPSR.
  std::uint32_t xpsr() const;
  // Writes IPSR and makes the emulator see the new mode at once.
  void set_ipsr(unsigned exception);

  CpuSnapshot snapshot() const;
  void restore(const CpuSnapshot& s);

 private:
  uc_engine* uc_;
};

}  // namespace sim

#endif
