#include "sim/scs/systick.h"

#include "board/chip/nucleo_cm4.h"

namespace sim {

bool SysTick::counting() const {
  constexpr std::uint32_t kOn = SysTick_CTRL_ENABLE | SysTick_CTRL_CLKSOURCE;
  return (ctrl_ & kOn) == kOn;
}

bool SysTick::will_interrupt() const { return counting() && (ctrl_ & SysTick_CTRL_TICKINT) != 0; }

std::uint32_t SysTick::value_at(Cycles now) const {
  if (!counting()) return held_;
  if (now <= zero_) return static_cast<std::uint32_t>(zero_ - now);
  if (reload_ == 0) return 0;
  const Cycles period = Cycles{reload_} + 1;
  return static_cast<std::uint32_t>((period - (now - zero_) % period) % period);
}

void SysTick::anchor(Cycles now, std::uint32_t value) {
  held_ = value;
  zero_ = now + value;
  zero_counts_ = value != 0;
  seen_ = now;
}

// The first wrap not yet counted (before `now` only if the counter has not
// been brought up to date).
Cycles SysTick::next_event(Cycles) const {
  if (!counting()) return kNever;
  const Cycles period = Cycles{reload_} + 1;
  if (seen_ < zero_) {
    if (zero_counts_) return zero_;
    return reload_ == 0 ? kNever : zero_ + period;
  }
  if (reload_ == 0) return kNever;
  return zero_ + ((seen_ - zero_) / period + 1) * period;
}

bool SysTick::advance(Cycles now) {
  if (!counting() || now <= seen_) return false;
  bool wrapped = false;
  if (seen_ < zero_ && now >= zero_) wrapped = zero_counts_;
  if (reload_ != 0 && now > zero_) {
    const Cycles period = Cycles{reload_} + 1;
    const Cycles after = seen_ > zero_ ? seen_ - zero_ : 0;
    wrapped = wrapped || (now - zero_) / period > after / period;
  }
  seen_ = now;
  if (wrapped) countflag_ = true;
  return wrapped && (ctrl_ & SysTick_CTRL_TICKINT) != 0;
}

std::uint32_t SysTick::read(std::uint32_t offset, Cycles now) {
  switch (offset) {
    case kCtrl: {
      const std::uint32_t v = ctrl_ | (countflag_ ? SysTick_CTRL_COUNTFLAG : 0);
      countflag_ = false;
      return v;
    }
    case kLoad:
      return reload_;
    case kVal:
      return value_at(now);
    case kCalib:
      return SysTick_CALIB_NOREF | SysTick_CALIB_SKEW;
    default:
      return 0;
  }
}

void SysTick::write(std::uint32_t offset, std::uint32_t value, Cycles now) {
  switch (offset) {
    case kCtrl: {
      const std::uint32_t current = value_at(now);
      ctrl_ = value & (SysTick_CTRL_ENABLE | SysTick_CTRL_TICKINT | SysTick_CTRL_CLKSOURCE);
      anchor(now, current);
      return;
    }
    case kLoad:
      // Takes effect at the next reload.
      anchor(now, value_at(now));
      reload_ = value & SysTick_LOAD_RELOAD_MASK;
      return;
    case kVal:
      anchor(now, 0);
      countflag_ = false;
      return;
    default:
      return;
  }
}

}  // namespace sim
