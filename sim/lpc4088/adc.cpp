#include "sim/lpc4088/adc.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace sim {
namespace {

constexpr std::uint32_t kOverrun = 1u << 30;
constexpr std::uint32_t kPdn = 1u << 21;
constexpr std::uint32_t kBurst = 1u << 16;
constexpr std::uint32_t kGlobalIntEnable = 1u << 8;
constexpr std::uint32_t kStartNow = 1;

bool is_data_register(std::uint32_t offset) {
  return offset >= Adc::kDr0 && offset < Adc::kDr0 + 4 * Adc::kChannels;
}

}  // namespace

Adc::Adc(const ModelContext& context)
    : irq_(context.irq), clocks_(context.clocks), powered_(context.powered), log_(context.log) {}

std::uint32_t Adc::result_for(double volts) {
  if (!(volts > 0.0)) return 0;  // negative or NaN
  const double code = std::floor(volts / kReferenceVolts * 4096.0);
  return code >= 4095.0 ? 4095u : static_cast<std::uint32_t>(code);
}

void Adc::set_voltage(unsigned channel, double volts) { volts_.at(channel) = volts; }

std::uint32_t Adc::read(std::uint32_t offset, unsigned width, Cycles now) {
  const std::uint32_t word = offset & ~3u;
  if (word > kTrm || word == 0x08) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  if (!powered_()) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnpowered);
    return 0;
  }
  advance(now);
  return lane_value(register_read(word), offset, width);
}

void Adc::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  const WordLanes lanes = word_lanes(offset, width);
  if (lanes.offset > kTrm || lanes.offset == 0x08) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  if (!powered_()) {
    log_.record(offset, width, true, value, now, AccessKind::kUnpowered);
    return;
  }
  advance(now);
  std::uint32_t current = 0;
  switch (lanes.offset) {
    case kCr:
      current = cr_;
      break;
    case kInten:
      current = inten_;
      break;
    case kTrm:
      current = trm_;
      break;
    default:
      break;
  }
  register_write(lanes.offset, (current & ~lanes.mask) | ((value << lanes.shift) & lanes.mask),
                 now);
}

Cycles Adc::next_event(Cycles now) const { return end_ == kNever ? kNever : std::max(end_, now); }

void Adc::advance(Cycles now) {
  if (end_ > now) return;
  end_ = kNever;
  if (!powered_() || !(cr_ & kPdn)) return;  // powered down meanwhile: the result is lost
  const std::uint32_t result = sample_ << 4;
  dr_[channel_] = result | kDone;
  gdr_ = result | (channel_ << 24) | kDone;
  update_irq();
}

void Adc::start(Cycles now) {
  end_ = kNever;
  const std::uint32_t selected = cr_ & 0xFFu;
  if (!(cr_ & kPdn) || selected == 0) {
    unsupported(kCr, cr_, now);
    return;
  }
  if (std::popcount(selected) > 1) unsupported(kCr, cr_, now);  // converts the lowest
  const std::uint64_t divider = ((cr_ >> 8) & 0xFFu) + 1;
  const std::uint64_t pclk = clocks_.peripheral_hz();
  if (pclk / divider > kMaxClockHz) unsupported(kCr, cr_, now);
  const std::uint64_t pclk_edges = kClocksPerConversion * divider;
  const std::uint64_t cycles = (pclk_edges * clocks_.cpu_hz() + pclk - 1) / pclk;
  channel_ = static_cast<unsigned>(std::countr_zero(selected));
  sample_ = result_for(volts_[channel_]);
  end_ = now + cycles;
}

std::uint32_t Adc::register_read(std::uint32_t offset) {
  if (offset == kGdr) {
    const std::uint32_t value = gdr_;
    gdr_ &= ~(kDone | kOverrun);
    update_irq();
    return value;
  }
  if (is_data_register(offset)) {
    std::uint32_t& dr = dr_[(offset - kDr0) / 4];
    const std::uint32_t value = dr;
    dr &= ~(kDone | kOverrun);
    update_irq();
    return value;
  }
  switch (offset) {
    case kCr:
      return cr_;
    case kInten:
      return inten_;
    case kTrm:
      return trm_;
    default:
      break;  // STAT
  }
  std::uint32_t stat = 0;
  for (unsigned n = 0; n < kChannels; ++n) {
    if (dr_[n] & kDone) stat |= 1u << n;
    if (dr_[n] & kOverrun) stat |= 1u << (8 + n);
  }
  return irq_high_ ? stat | (1u << 16) : stat;
}

void Adc::register_write(std::uint32_t offset, std::uint32_t value, Cycles now) {
  switch (offset) {
    case kCr: {
      cr_ = value;
      gdr_ &= ~kDone;
      update_irq();
      const std::uint32_t start_field = (value >> 24) & 7u;
      if (value & kBurst) {
        unsupported(offset, value, now);
      } else if (start_field == kStartNow) {
        start(now);
      } else if (start_field != 0) {
        unsupported(offset, value, now);
      }
      return;
    }
    case kInten:
      inten_ = value & 0x1FFu;
      update_irq();
      return;
    case kTrm:
      trm_ = value;
      return;
    default:
      // GDR, DRn and STAT are read-only: the firmware's error, not a limit of ours.
      log_.record(offset, 4, true, value, now, AccessKind::kReadOnly);
      return;
  }
}

void Adc::update_irq() {
  std::uint32_t done = 0;
  for (unsigned n = 0; n < kChannels; ++n) {
    if (dr_[n] & kDone) done |= 1u << n;
  }
  const bool high = (inten_ & done & 0xFFu) != 0 || ((inten_ & kGlobalIntEnable) && (gdr_ & kDone));
  if (high == irq_high_) return;
  irq_high_ = high;
  irq_.set(high);
}

void Adc::unsupported(std::uint32_t offset, std::uint32_t value, Cycles now) {
  log_.record(offset, 4, true, value, now, AccessKind::kUnsupported);
}

}  // namespace sim
