// System-control block: power control (PCONP), the clock
// selection registers and the two PLLs, enough for a real clock set-up to
// run and for the CPU and peripheral clocks to follow what it programs.
//
// Simplifications: the main oscillator is ready (OSCSTAT) as soon as it is
// enabled and a PLL locks as soon as a valid configuration is fed, both in
// zero virtual time. A write that would leave the CPU or peripheral clock at
// 0 Hz (a divider of 0, a source that is not running) is refused: the
// register keeps its value and the access is recorded as unsupported.
// Registers without a modelled effect (FLASHCFG, EMCCLKSEL, ...) are a plain
// register file.
#ifndef SIM_LPC4088_SYSTEM_CONTROL_H
#define SIM_LPC4088_SYSTEM_CONTROL_H

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

class SystemControl final : public Peripheral, public Clocks {
 public:
  static constexpr std::uint32_t kIrcHz = 12'000'000;
  static constexpr std::uint32_t kMainOscillatorHz = 12'000'000;

  // Register offsets.
  static constexpr std::uint32_t kFlashCfg = 0x000;
  static constexpr std::uint32_t kPll0Con = 0x080;
  static constexpr std::uint32_t kPll0Cfg = 0x084;
  static constexpr std::uint32_t kPll0Stat = 0x088;
  static constexpr std::uint32_t kPll0Feed = 0x08C;
  static constexpr std::uint32_t kPll1Con = 0x0A0;
  static constexpr std::uint32_t kPconp = 0x0C4;
  static constexpr std::uint32_t kEmcClkSel = 0x100;
  static constexpr std::uint32_t kCclkSel = 0x104;
  static constexpr std::uint32_t kClkSrcSel = 0x10C;
  static constexpr std::uint32_t kScs = 0x1A0;
  static constexpr std::uint32_t kPclkSel = 0x1A8;

  explicit SystemControl(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;

  std::uint32_t cpu_hz() const override { return cpu_hz_; }
  std::uint32_t peripheral_hz() const override { return peripheral_hz_; }

  // Whether the PCONP bits of `pconp_bits` (LPC_SC_PCONP_*) are set.
  bool powered(std::uint32_t pconp_bits) const { return (reg(kPconp) & pconp_bits) == pconp_bits; }
  std::uint32_t reg(std::uint32_t offset) const { return regs_[offset / 4]; }
  bool pll0_locked() const { return pll_output_hz(0) != 0; }

  // Called with the access time before every write to this block, which may
  // change a clock or a power bit: time-dependent models settle first.
  void on_change(std::function<void(Cycles)> listener);

 private:
  static constexpr std::uint32_t kRegisterBytes = 0x200;

  // A PLL's configuration as the last valid feed sequence made it effective.
  struct Pll {
    std::uint32_t con = 0;   // effective PLLE
    std::uint32_t cfg = 0;   // effective MSEL/PSEL
    unsigned feed_step = 0;  // 1 after 0xAA
  };
  struct Derived {
    std::uint32_t cpu_hz;
    std::uint32_t peripheral_hz;
  };

  std::uint32_t register_read(std::uint32_t offset) const;
  void register_write(std::uint32_t offset, std::uint32_t value, Cycles now);
  void feed(unsigned index, std::uint32_t value, Cycles now);
  std::uint32_t pll_status(unsigned index) const;
  std::uint32_t sysclk_hz() const;
  std::uint32_t pll_output_hz(unsigned index) const;
  Derived derive() const;
  void refuse(std::uint32_t offset, std::uint32_t value, Cycles now);

  RegisterLog log_;
  std::array<std::uint32_t, kRegisterBytes / 4> regs_{};
  std::array<Pll, 2> plls_{};
  std::uint32_t cpu_hz_ = kIrcHz;
  std::uint32_t peripheral_hz_ = kIrcHz;
  std::vector<std::function<void(Cycles)>> listeners_;
};

}  // namespace sim

#endif
