#include "sim/lpc4088/gpio.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <utility>

namespace sim {
namespace {

constexpr std::uint32_t existing_pins(unsigned port) { return port == 5 ? 0x1Fu : 0xFFFFFFFFu; }

}  // namespace

Gpio::Gpio(const ModelContext& context) : log_(context.log) {
  for (unsigned n = 0; n < kPorts; ++n) {
    ports_[n].input = existing_pins(n);
    ports_[n].level = existing_pins(n);
  }
}

std::uint32_t Gpio::read(std::uint32_t offset, unsigned width, Cycles now) {
  const std::uint32_t word = offset & ~3u;
  const std::uint32_t reg = word % kPortStride;
  if (word >= kPorts * kPortStride || (reg > kDir && reg < kMask)) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  advance(now);
  return lane_value(register_read(ports_[word / kPortStride], reg), offset, width);
}

void Gpio::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  const WordLanes lanes = word_lanes(offset, width);
  const std::uint32_t reg = lanes.offset % kPortStride;
  if (lanes.offset >= kPorts * kPortStride || (reg > kDir && reg < kMask)) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  advance(now);
  const unsigned index = lanes.offset / kPortStride;
  register_write(ports_[index], reg, value << lanes.shift, lanes.mask & existing_pins(index));
  update_levels(index, now);
}

Cycles Gpio::next_event(Cycles now) const {
  return drives_.empty() ? kNever : std::max(drives_.begin()->first, now);
}

void Gpio::advance(Cycles now) {
  while (!drives_.empty() && drives_.begin()->first <= now) {
    const auto [at, drive] = *drives_.begin();
    drives_.erase(drives_.begin());
    Port& port = ports_[drive.port];
    const std::uint32_t bit = 1u << drive.pin;
    port.input = drive.level ? port.input | bit : port.input & ~bit;
    update_levels(drive.port, at);
  }
}

void Gpio::drive_input(unsigned port, unsigned pin, bool level, Cycles at) {
  if (port >= kPorts || pin >= 32 || !((existing_pins(port) >> pin) & 1u)) {
    throw std::out_of_range("no such GPIO pin");
  }
  drives_.emplace(at, Drive{port, pin, level});
}

void Gpio::add_listener(std::function<void(const PinEvent&)> listener) {
  listeners_.push_back(std::move(listener));
}

std::uint32_t Gpio::register_read(const Port& port, std::uint32_t reg) const {
  switch (reg) {
    case kDir:
      return port.dir;
    case kMask:
      return port.mask;
    case kPin:
      return port.level & ~port.mask;
    case kSet:
      return port.latch;
    default:
      return 0;  // CLR is write-only
  }
}

// `lanes` covers the bytes written and the pins that exist.
void Gpio::register_write(Port& port, std::uint32_t reg, std::uint32_t value, std::uint32_t lanes) {
  const std::uint32_t unmasked = lanes & ~port.mask;
  switch (reg) {
    case kDir:
      port.dir = (port.dir & ~lanes) | (value & lanes);
      break;
    case kMask:
      port.mask = (port.mask & ~lanes) | (value & lanes);
      break;
    case kPin:
      port.latch = (port.latch & ~unmasked) | (value & unmasked);
      break;
    case kSet:
      port.latch |= value & unmasked;
      break;
    default:
      port.latch &= ~(value & unmasked);
      break;  // CLR
  }
}

void Gpio::update_levels(unsigned index, Cycles now) {
  Port& port = ports_[index];
  const std::uint32_t level =
      ((port.dir & port.latch) | (~port.dir & port.input)) & existing_pins(index);
  std::uint32_t changed = level ^ port.level;
  port.level = level;
  while (changed != 0) {
    const unsigned pin = static_cast<unsigned>(std::countr_zero(changed));
    changed &= changed - 1;
    const PinEvent event{index, pin, ((level >> pin) & 1u) != 0, ((port.dir >> pin) & 1u) != 0,
                         now};
    for (const auto& listener : listeners_) listener(event);
  }
}

}  // namespace sim
