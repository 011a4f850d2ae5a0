#include "sim/lpc4088/iocon.h"

#include <algorithm>
#include <stdexcept>

namespace sim {
namespace {

struct PinId {
  unsigned port;
  unsigned pin;
};

constexpr PinId kAnalogOrFilterPins[] = {{0, 7},  {0, 8},  {0, 9},  {0, 12}, {0, 13}, {0, 23},
                                         {0, 24}, {0, 25}, {0, 26}, {1, 30}, {1, 31}};
constexpr PinId kI2cOrUsbPins[] = {{0, 27}, {0, 28}, {0, 29}, {0, 30}, {0, 31}, {5, 2}, {5, 3}};

constexpr bool listed(const auto& table, unsigned port, unsigned pin) {
  return std::any_of(std::begin(table), std::end(table),
                     [&](PinId id) { return id.port == port && id.pin == pin; });
}
static_assert(listed(kAnalogOrFilterPins, 0, 23) && !listed(kAnalogOrFilterPins, 0, 22));

}  // namespace

Iocon::Iocon(const ModelContext& context) : log_(context.log) {
  for (unsigned port = 0; port < kPorts; ++port) {
    for (unsigned pin = 0; pin < kPinsPerPort; ++pin) {
      pins_[port * kPinsPerPort + pin] = reset_value(port, pin);
    }
  }
}

std::uint32_t Iocon::reset_value(unsigned port, unsigned pin) {
  if (!exists(port, pin)) return 0;
  if (listed(kAnalogOrFilterPins, port, pin)) return 0x1B0;
  if (listed(kI2cOrUsbPins, port, pin)) return 0;
  return 0x30;
}

std::uint32_t Iocon::pin_register(unsigned port, unsigned pin) const {
  if (port >= kPorts || pin >= kPinsPerPort) throw std::out_of_range("no such pin");
  return pins_[port * kPinsPerPort + pin];
}

bool Iocon::valid(std::uint32_t word_offset) {
  const std::uint32_t index = word_offset / 4;
  return index < kPorts * kPinsPerPort && exists(index / kPinsPerPort, index % kPinsPerPort);
}

std::uint32_t Iocon::read(std::uint32_t offset, unsigned width, Cycles now) {
  const std::uint32_t word = offset & ~3u;
  if (!valid(word)) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  return lane_value(pins_[word / 4], offset, width);
}

void Iocon::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  const WordLanes lanes = word_lanes(offset, width);
  if (!valid(lanes.offset)) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  std::uint32_t& reg = pins_[lanes.offset / 4];
  reg = (reg & ~lanes.mask) | ((value << lanes.shift) & lanes.mask);
}

}  // namespace sim
