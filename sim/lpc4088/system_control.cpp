#include "sim/lpc4088/system_control.h"

#include <utility>

#include "board/chip/lpc4088.h"

namespace sim {
namespace {

constexpr std::uint32_t kPconpReset =
    LPC_SC_PCONP_PCTIM0 | LPC_SC_PCONP_PCTIM1 | LPC_SC_PCONP_PCUART0 | LPC_SC_PCONP_PCUART1 |
    LPC_SC_PCONP_PCI2C0 | LPC_SC_PCONP_PCRTC | LPC_SC_PCONP_PCGPIO | LPC_SC_PCONP_PCI2C1 |
    LPC_SC_PCONP_PCI2C2;
static_assert(kPconpReset == 0x0408829E);
constexpr std::uint32_t kFlashCfgReset = 0x503A;
constexpr std::uint32_t kPboost = 0x1B0;
constexpr std::uint32_t kRsid = 0x180;

constexpr std::uint32_t kOscEn = 1u << 5;
constexpr std::uint32_t kOscStat = 1u << 6;
constexpr std::uint32_t kPllSelect = 1u << 8;
constexpr std::uint32_t kDividerMask = 0x1F;

constexpr std::uint64_t kCcoMinHz = 156'000'000;
constexpr std::uint64_t kCcoMaxHz = 320'000'000;

// Offsets of a PLL's registers from its CON register.
constexpr std::uint32_t kCfgOffset = 0x4;
constexpr std::uint32_t kStatOffset = 0x8;
constexpr std::uint32_t kFeedOffset = 0xC;
constexpr std::uint32_t pll_base(unsigned index) {
  return index == 0 ? SystemControl::kPll0Con : SystemControl::kPll1Con;
}

}  // namespace

SystemControl::SystemControl(const ModelContext& context) : log_(context.log) {
  regs_[kFlashCfg / 4] = kFlashCfgReset;
  regs_[kPconp / 4] = kPconpReset;
  regs_[kCclkSel / 4] = 1;
  regs_[kPclkSel / 4] = 1;
  regs_[kPboost / 4] = 3;
  regs_[kRsid / 4] = 1;
}

void SystemControl::on_change(std::function<void(Cycles)> listener) {
  listeners_.push_back(std::move(listener));
}

std::uint32_t SystemControl::read(std::uint32_t offset, unsigned width, Cycles now) {
  if (offset >= kRegisterBytes) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  return lane_value(register_read(offset & ~3u), offset, width);
}

void SystemControl::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  if (offset >= kRegisterBytes) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  for (const auto& listener : listeners_) listener(now);
  const WordLanes lanes = word_lanes(offset, width);
  const std::uint32_t merged =
      (regs_[lanes.offset / 4] & ~lanes.mask) | ((value << lanes.shift) & lanes.mask);
  register_write(lanes.offset, merged, now);
}

std::uint32_t SystemControl::register_read(std::uint32_t offset) const {
  for (unsigned i = 0; i < plls_.size(); ++i) {
    if (offset == pll_base(i) + kStatOffset) return pll_status(i);
    if (offset == pll_base(i) + kFeedOffset) return 0;  // write-only
  }
  if (offset == kScs) {
    const std::uint32_t scs = reg(kScs) & ~kOscStat;
    return (scs & kOscEn) ? scs | kOscStat : scs;
  }
  return reg(offset);
}

void SystemControl::register_write(std::uint32_t offset, std::uint32_t value, Cycles now) {
  for (unsigned i = 0; i < plls_.size(); ++i) {
    if (offset == pll_base(i) + kFeedOffset) {
      feed(i, value, now);
      return;
    }
    if (offset == pll_base(i) + kStatOffset) {
      log_.record(offset, 4, true, value, now, AccessKind::kUnsupported);
      return;
    }
  }
  const std::uint32_t before = regs_[offset / 4];
  regs_[offset / 4] = value;
  const Derived clocks = derive();
  if (clocks.cpu_hz == 0 || clocks.peripheral_hz == 0) {
    regs_[offset / 4] = before;
    refuse(offset, value, now);
    return;
  }
  cpu_hz_ = clocks.cpu_hz;
  peripheral_hz_ = clocks.peripheral_hz;
}

// 0xAA then 0x55 makes the written CON and CFG effective; anything else in
// between starts the sequence again.
void SystemControl::feed(unsigned index, std::uint32_t value, Cycles now) {
  Pll& pll = plls_[index];
  if (value == 0xAA) {
    pll.feed_step = 1;
    return;
  }
  if (value != 0x55 || pll.feed_step != 1) {
    pll.feed_step = 0;
    return;
  }
  pll.feed_step = 0;
  const Pll before = pll;
  pll.con = reg(pll_base(index)) & 1u;
  pll.cfg = reg(pll_base(index) + kCfgOffset) & 0x7F;
  if (pll.con != 0 && pll_output_hz(index) == 0) {
    // Enabled with a CCO frequency out of range: it never locks.
    log_.record(pll_base(index) + kFeedOffset, 4, true, value, now, AccessKind::kUnsupported);
  }
  const Derived clocks = derive();
  if (clocks.cpu_hz == 0 || clocks.peripheral_hz == 0) {
    pll = before;
    refuse(pll_base(index) + kFeedOffset, value, now);
    return;
  }
  cpu_hz_ = clocks.cpu_hz;
  peripheral_hz_ = clocks.peripheral_hz;
}

std::uint32_t SystemControl::pll_status(unsigned index) const {
  const Pll& pll = plls_[index];
  const std::uint32_t lock = pll_output_hz(index) != 0 ? 1u << 10 : 0;
  return pll.cfg | (pll.con << 8) | lock;
}

std::uint32_t SystemControl::sysclk_hz() const {
  if ((reg(kClkSrcSel) & 1u) == 0) return kIrcHz;
  return (reg(kScs) & kOscEn) ? kMainOscillatorHz : 0;
}

// Fout = M x Fin, valid while Fcco = Fout x 2 x P lies in the CCO's range.
std::uint32_t SystemControl::pll_output_hz(unsigned index) const {
  const Pll& pll = plls_[index];
  if (pll.con == 0) return 0;
  const std::uint64_t m = (pll.cfg & 0x1F) + 1;
  const std::uint64_t p = 1u << ((pll.cfg >> 5) & 3);
  const std::uint64_t out = m * sysclk_hz();
  const std::uint64_t cco = out * 2 * p;
  return cco >= kCcoMinHz && cco <= kCcoMaxHz ? static_cast<std::uint32_t>(out) : 0;
}

SystemControl::Derived SystemControl::derive() const {
  const std::uint32_t source = (reg(kCclkSel) & kPllSelect) ? pll_output_hz(0) : sysclk_hz();
  const std::uint32_t cpu_div = reg(kCclkSel) & kDividerMask;
  const std::uint32_t pclk_div = reg(kPclkSel) & kDividerMask;
  return {cpu_div ? source / cpu_div : 0, pclk_div ? source / pclk_div : 0};
}

void SystemControl::refuse(std::uint32_t offset, std::uint32_t value, Cycles now) {
  log_.record(offset, 4, true, value, now, AccessKind::kUnsupported);
}

}  // namespace sim
