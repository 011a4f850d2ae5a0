#include "sim/lpc4088/timer.h"

#include <algorithm>
#include <utility>

#include "board/chip/lpc4088.h"

namespace sim {
namespace {

__extension__ typedef unsigned __int128 Wide;

constexpr unsigned kMatchChannels = 4;

// Whether match register n has any action in MCR.
bool match_acts(std::uint32_t mcr, unsigned n) {
  return (mcr & (LPC_TIM_MCR_MRI(n) | LPC_TIM_MCR_MRR(n) | LPC_TIM_MCR_MRS(n))) != 0;
}
unsigned external_action(std::uint32_t emr, unsigned n) { return (emr >> (4 + 2 * n)) & 3u; }

}  // namespace

Timer::Timer(const ModelContext& context)
    : irq_(context.irq), clocks_(context.clocks), powered_(context.powered), log_(context.log) {}

bool Timer::counting() const {
  return (regs_.tcr & LPC_TIM_TCR_CEN) && !(regs_.tcr & LPC_TIM_TCR_CRST) &&
         (regs_.ctcr & 3u) == 0 && powered_() && clocks_.cpu_hz() != 0 &&
         clocks_.peripheral_hz() != 0;
}

std::uint32_t Timer::read(std::uint32_t offset, unsigned width, Cycles now) {
  const std::uint32_t word = offset & ~3u;
  if (!known(word)) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  if (!powered_()) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnpowered);
    return 0;
  }
  settle(now);
  return lane_value(register_read(word), offset, width);
}

void Timer::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  const WordLanes lanes = word_lanes(offset, width);
  if (!known(lanes.offset)) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  if (!powered_()) {
    log_.record(offset, width, true, value, now, AccessKind::kUnpowered);
    return;
  }
  settle(now);
  const std::uint32_t written = (value << lanes.shift) & lanes.mask;
  if (lanes.offset == kIr) {
    register_write(kIr, written, now);  // write-one-to-clear: other lanes write 0
  } else {
    const std::uint32_t merged = (register_read(lanes.offset) & ~lanes.mask) | written;
    register_write(lanes.offset, merged, now);
  }
}

Cycles Timer::next_event(Cycles now) const {
  if (!counting()) return kNever;
  const std::int64_t periods = periods_to_match();
  if (periods < 0) return kNever;
  // Rates that changed since the anchor apply from the anchor on (see settle).
  const bool same_rates = cpu_hz_ == clocks_.cpu_hz() && peripheral_hz_ == clocks_.peripheral_hz();
  const Wide remainder = same_rates ? remainder_ : 0;
  const Wide edges = ticks_to_first_edge() + static_cast<Wide>(periods) * (Wide{regs_.pr} + 1);
  const Wide needed = edges * clocks_.cpu_hz() - remainder;
  const Wide cycles = (needed + clocks_.peripheral_hz() - 1) / clocks_.peripheral_hz();
  const Wide at = cycles + anchor_;
  if (at >= kNever) return kNever;
  return std::max(static_cast<Cycles>(at), now);
}

void Timer::advance(Cycles now) { settle(now); }

bool Timer::volatile_register(std::uint32_t offset) const {
  const std::uint32_t word = offset & ~3u;
  return (word == kTc || word == kPc) && counting();
}

// Brings the state from the anchor to `now`: whole peripheral-clock edges
// elapsed, the fraction carried to the next anchor.
void Timer::settle(Cycles now) {
  if (cpu_hz_ != clocks_.cpu_hz() || peripheral_hz_ != clocks_.peripheral_hz()) {
    cpu_hz_ = clocks_.cpu_hz();
    peripheral_hz_ = clocks_.peripheral_hz();
    remainder_ = 0;
  }
  if (now <= anchor_ || cpu_hz_ == 0) {
    anchor_ = std::max(anchor_, now);
    return;
  }
  const Wide total = static_cast<Wide>(now - anchor_) * peripheral_hz_ + remainder_;
  const Wide ticks = total / cpu_hz_;
  remainder_ = static_cast<std::uint64_t>(total % cpu_hz_);
  anchor_ = now;
  if (counting()) run(static_cast<Ticks>(std::min<Wide>(ticks, ~Ticks{0})));
}

void Timer::run(Ticks ticks) {
  while (ticks > 0 && counting()) {
    const Ticks first = ticks_to_first_edge();
    if (ticks < first) {
      regs_.pc += static_cast<std::uint32_t>(ticks);
      return;
    }
    const Ticks period = Ticks{regs_.pr} + 1;
    const Ticks edges = 1 + (ticks - first) / period;
    const std::int64_t periods = periods_to_match();
    if (periods < 0 || static_cast<Ticks>(periods) >= edges) {
      regs_.tc += static_cast<std::uint32_t>(edges);
      regs_.pc = static_cast<std::uint32_t>((ticks - first) % period);
      return;
    }
    ticks -= first + static_cast<Ticks>(periods) * period;
    regs_.tc += static_cast<std::uint32_t>(periods);
    regs_.pc = 0;
    match();
  }
}

// PC counts up to PR (wrapping through 2^32 when PR was lowered below it).
Timer::Ticks Timer::ticks_to_first_edge() const {
  return Ticks{static_cast<std::uint32_t>(regs_.pr - regs_.pc)} + 1;
}

std::int64_t Timer::periods_to_match() const {
  std::int64_t best = -1;
  for (unsigned n = 0; n < kMatchChannels; ++n) {
    if (!match_acts(regs_.mcr, n) && external_action(regs_.emr, n) == 0) continue;
    const std::int64_t distance = static_cast<std::uint32_t>(regs_.mr[n] - regs_.tc);
    if (best < 0 || distance < best) best = distance;
  }
  return best;
}

// The edge that ends a prescale period with TC equal to one or more MRn.
void Timer::match() {
  const std::uint32_t value = regs_.tc;
  bool reset = false;
  bool stop = false;
  for (unsigned n = 0; n < kMatchChannels; ++n) {
    if (regs_.mr[n] != value) continue;
    if (regs_.mcr & LPC_TIM_MCR_MRI(n)) regs_.ir |= LPC_TIM_IR_MR(n);
    reset = reset || (regs_.mcr & LPC_TIM_MCR_MRR(n)) != 0;
    stop = stop || (regs_.mcr & LPC_TIM_MCR_MRS(n)) != 0;
    const std::uint32_t bit = 1u << n;
    switch (external_action(regs_.emr, n)) {
      case 1:
        regs_.emr &= ~bit;
        break;
      case 2:
        regs_.emr |= bit;
        break;
      case 3:
        regs_.emr ^= bit;
        break;
      default:
        break;
    }
  }
  regs_.tc = reset ? 0 : (stop ? value : value + 1);
  if (stop) regs_.tcr &= ~LPC_TIM_TCR_CEN;
  update_irq();
}

bool Timer::known(std::uint32_t offset) const {
  return offset <= kCr1 || offset == kEmr || offset == kCtcr;
}

std::uint32_t Timer::register_read(std::uint32_t offset) {
  switch (offset) {
    case kIr:
      return regs_.ir;
    case kTcr:
      return regs_.tcr;
    case kTc:
      return regs_.tc;
    case kPr:
      return regs_.pr;
    case kPc:
      return regs_.pc;
    case kMcr:
      return regs_.mcr;
    case kCcr:
      return regs_.ccr;
    case kCr0:
    case kCr1:
      return 0;  // nothing is ever captured
    case kEmr:
      return regs_.emr;
    case kCtcr:
      return regs_.ctcr;
    default:
      return regs_.mr[(offset - kMr0) / 4];
  }
}

void Timer::register_write(std::uint32_t offset, std::uint32_t value, Cycles now) {
  const auto unsupported = [&] {
    log_.record(offset, 4, true, value, now, AccessKind::kUnsupported);
  };
  switch (offset) {
    case kIr:
      regs_.ir &= ~value;
      break;
    case kTcr:
      regs_.tcr = value & 3u;
      if (regs_.tcr & LPC_TIM_TCR_CRST) regs_.tc = regs_.pc = 0;
      break;
    case kTc:
      regs_.tc = value;
      break;
    case kPr:
      regs_.pr = value;
      break;
    case kPc:
      regs_.pc = value;
      break;
    case kMcr:
      regs_.mcr = value & 0xFFFu;
      break;
    case kCcr:
      regs_.ccr = value & 0x3Fu;
      if (regs_.ccr != 0) unsupported();
      break;
    case kCr0:
    case kCr1:
      // Capture registers are read-only: the firmware's error.
      log_.record(offset, 4, true, value, now, AccessKind::kReadOnly);
      break;
    case kEmr:
      regs_.emr = value & 0xFFFu;
      break;
    case kCtcr:
      regs_.ctcr = value & 0xFu;
      if ((regs_.ctcr & 3u) != 0) unsupported();
      break;
    default:
      regs_.mr[(offset - kMr0) / 4] = value;
      break;
  }
  update_irq();
}

void Timer::update_irq() {
  const bool high = (regs_.ir & 0x3Fu) != 0;
  if (high == irq_high_) return;
  irq_high_ = high;
  irq_.set(high);
}

}  // namespace sim
