#include "sim/core/cpu.h"

#include <stdexcept>
#include <string>

namespace sim {
namespace {

// A register access the emulator refuses is a fault of the host, never a
// value of 0 the firmware would then run with.
void check(uc_err error, const char* what, int reg) {
  if (error != UC_ERR_OK) {
    throw std::runtime_error(std::string("CPU emulator: cannot ") + what + " register " +
                             std::to_string(reg) + ": " + uc_strerror(error));
  }
}

}  // namespace

std::uint32_t Cpu::get(int reg) const {
  std::uint32_t v = 0;
  check(uc_reg_read(uc_, reg, &v), "read", reg);
  return v;
}

void Cpu::set(int reg, std::uint32_t value) { check(uc_reg_write(uc_, reg, &value), "write", reg); }

std::uint64_t Cpu::get64(int reg) const {
  std::uint64_t v = 0;
  check(uc_reg_read(uc_, reg, &v), "read", reg);
  return v;
}

void Cpu::set64(int reg, std::uint64_t value) {
  check(uc_reg_write(uc_, reg, &value), "write", reg);
}

std::uint32_t Cpu::r(unsigned n) const {
  return n <= 12 ? get(UC_ARM_REG_R0 + static_cast<int>(n))
                 : get(n == 13   ? UC_ARM_REG_SP
                       : n == 14 ? UC_ARM_REG_LR
                                 : UC_ARM_REG_PC);
}

void Cpu::set_r(unsigned n, std::uint32_t value) {
  if (n == 15) return set_pc(value);
  set(n <= 12   ? UC_ARM_REG_R0 + static_cast<int>(n)
      : n == 13 ? UC_ARM_REG_SP
                : UC_ARM_REG_LR,
      value);
}

std::uint32_t Cpu::s(unsigned n) const { return get(UC_ARM_REG_S0 + static_cast<int>(n)); }

void Cpu::set_s(unsigned n, std::uint32_t bits) { set(UC_ARM_REG_S0 + static_cast<int>(n), bits); }

std::uint32_t Cpu::xpsr() const {
  // Reading the NZCVQG view gives 0 on this emulator: flags come from APSR.
  constexpr std::uint32_t kFlags = 0xF80F0000;  // NZCVQ and GE
  return (get(UC_ARM_REG_XPSR) & ~kFlags) | (get(UC_ARM_REG_APSR) & kFlags) | (1u << 24);
}

void Cpu::set_ipsr(unsigned exception) {
  set(UC_ARM_REG_IPSR, exception);
  // The emulator caches the handler-mode flag; a flags write refreshes it.
  set(UC_ARM_REG_APSR_NZCV, get(UC_ARM_REG_APSR_NZCV));
}

CpuSnapshot Cpu::snapshot() const {
  CpuSnapshot s;
  int ids[kCoreCount + kFpCount];
  void* ptrs[kCoreCount + kFpCount];
  for (std::size_t i = 0; i < kCoreCount + kFpCount; ++i) {
    ids[i] =
        i < kCoreCount ? kSnapshotRegisters[i] : UC_ARM_REG_S0 + static_cast<int>(i - kCoreCount);
    ptrs[i] = &s.values[i];
  }
  check(uc_reg_read_batch(uc_, ids, ptrs, static_cast<int>(kCoreCount + kFpCount)),
        "read the snapshot's", ids[0]);
  return s;
}

void Cpu::restore(const CpuSnapshot& s) {
  for (std::size_t i = 0; i < kCoreCount; ++i) {
    const int reg = kSnapshotRegisters[i];
    if (reg == UC_ARM_REG_IPSR || reg == UC_ARM_REG_PC) continue;
    // Written through the view that keeps the GE bits.
    set(reg == UC_ARM_REG_APSR ? UC_ARM_REG_XPSR_NZCVQG : reg, s.values[i]);
  }
  for (std::size_t i = 0; i < kFpCount; ++i)
    set_s(static_cast<unsigned>(i), s.values[kCoreCount + i]);
  set_ipsr(s.values[kCoreCount - 1]);
  set(UC_ARM_REG_PC, s.values[15] | 1);
}

}  // namespace sim
