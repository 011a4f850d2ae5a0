#include "sim/lpc4088/gpio_interrupts.h"

namespace sim {

GpioInterrupts::GpioInterrupts(const ModelContext& context)
    : irq_(context.irq), log_(context.log) {}

std::uint32_t GpioInterrupts::read(std::uint32_t offset, unsigned width, Cycles now) {
  const std::uint32_t reg = (offset & ~3u) - kRegisters;
  Decoded decoded{};
  if (offset >= kRegisters && reg == kStatus) return lane_value(status_summary(), offset, width);
  if (offset < kRegisters || !decode(reg, decoded)) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  std::uint32_t value = 0;
  switch (decoded.role) {
    case Role::kStatusR:
      value = decoded.port->rising_status;
      break;
    case Role::kStatusF:
      value = decoded.port->falling_status;
      break;
    case Role::kEnableR:
      value = decoded.port->rising_enable;
      break;
    case Role::kEnableF:
      value = decoded.port->falling_enable;
      break;
    case Role::kClear:
      break;  // write-only
  }
  return lane_value(value, offset, width);
}

void GpioInterrupts::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  const WordLanes lanes = word_lanes(offset, width);
  const std::uint32_t reg = lanes.offset - kRegisters;
  Decoded decoded{};
  if (offset < kRegisters || !decode(reg, decoded)) {
    const AccessKind kind =
        offset >= kRegisters && reg == kStatus ? AccessKind::kReadOnly : AccessKind::kUnmodelled;
    log_.record(offset, width, true, value, now, kind);
    return;
  }
  const std::uint32_t bits = (value << lanes.shift) & lanes.mask;
  PortState& port = *decoded.port;
  switch (decoded.role) {
    case Role::kClear:
      port.rising_status &= ~bits;
      port.falling_status &= ~bits;
      update_irq();
      break;
    case Role::kEnableR:
      port.rising_enable = (port.rising_enable & ~lanes.mask) | bits;
      break;
    case Role::kEnableF:
      port.falling_enable = (port.falling_enable & ~lanes.mask) | bits;
      break;
    default:  // status registers are read-only: the firmware's error
      log_.record(offset, width, true, value, now, AccessKind::kReadOnly);
      break;
  }
}

void GpioInterrupts::pin_changed(unsigned port, unsigned pin, bool level) {
  if (port != 0 && port != 2) return;
  PortState& state = ports_[port == 2 ? 1 : 0];
  const std::uint32_t bit = 1u << pin;
  if (level) {
    state.rising_status |= state.rising_enable & bit;
  } else {
    state.falling_status |= state.falling_enable & bit;
  }
  update_irq();
}

bool GpioInterrupts::decode(std::uint32_t reg, Decoded& decoded) {
  const bool port0 = reg >= kStatR0 && reg <= kEnF0;
  const bool port2 = reg >= kStatR2 && reg <= kEnF2;
  if (!port0 && !port2) return false;
  const std::uint32_t first = port0 ? kStatR0 : kStatR2;
  static constexpr Role kRoles[] = {Role::kStatusR, Role::kStatusF, Role::kClear, Role::kEnableR,
                                    Role::kEnableF};
  decoded = {&ports_[port0 ? 0 : 1], kRoles[(reg - first) / 4]};
  return true;
}

std::uint32_t GpioInterrupts::status_summary() const {
  const auto pending = [](const PortState& p) { return (p.rising_status | p.falling_status) != 0; };
  return (pending(ports_[0]) ? 1u : 0u) | (pending(ports_[1]) ? 4u : 0u);
}

void GpioInterrupts::update_irq() {
  const bool high = status_summary() != 0;
  if (high == irq_high_) return;
  irq_high_ = high;
  irq_.set(high);
}

}  // namespace sim
