// Stand-ins for what the simulator core gives the peripheral models.
#ifndef TESTS_SIMPERIF_FAKES_H
#define TESTS_SIMPERIF_FAKES_H

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

#include "board/chip/lpc4088.h"
#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace simperif {

class FakeIrqLines final : public sim::IrqLines {
 public:
  void set_irq_line(unsigned irq, bool high) override {
    level[irq] = high;
    changes.push_back({irq, high});
  }
  bool high(unsigned irq) const {
    const auto it = level.find(irq);
    return it != level.end() && it->second;
  }
  struct Change {
    unsigned irq;
    bool high;
    bool operator==(const Change&) const = default;
  };
  std::map<unsigned, bool> level;
  std::vector<Change> changes;
};

struct FixedClocks final : sim::Clocks {
  FixedClocks(std::uint32_t cpu_rate, std::uint32_t peripheral_rate)
      : cpu(cpu_rate), peripheral(peripheral_rate) {}
  std::uint32_t cpu_hz() const override { return cpu; }
  std::uint32_t peripheral_hz() const override { return peripheral; }
  std::uint32_t cpu;
  std::uint32_t peripheral;
};

// Target memory as a few byte blocks at given addresses.
class FakeMemory final : public sim::MemoryBus {
 public:
  std::vector<std::uint8_t>& map(std::uint32_t base, std::size_t size) {
    auto& block = blocks_[base];
    block.assign(size, 0);
    return block;
  }
  void store(std::uint32_t address, const void* data, std::size_t size) {
    for (auto& [base, block] : blocks_) {
      if (address >= base && address - base + size <= block.size()) {
        std::memcpy(block.data() + (address - base), data, size);
        return;
      }
    }
    throw std::out_of_range("store outside the fake memory");
  }
  void store32(std::uint32_t address, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    store(address, bytes, 4);
  }
  bool read_memory(std::uint32_t address, void* destination, std::size_t size) const override {
    for (const auto& [base, block] : blocks_) {
      if (address >= base && address - base + size <= block.size()) {
        std::memcpy(destination, block.data() + (address - base), size);
        return true;
      }
    }
    return false;
  }

 private:
  std::map<std::uint32_t, std::vector<std::uint8_t>> blocks_;
};

// A model's context as the board would build it for the window at `base`:
// records into `log`, and the rest from the fakes given (none: a 12 MHz
// clock, no memory, no line, always powered).
inline const FixedClocks& reset_clocks() {
  static const FixedClocks clocks(12'000'000, 12'000'000);
  return clocks;
}
inline const FakeMemory& no_memory() {
  static const FakeMemory memory;
  return memory;
}
struct ContextOf {
  sim::AccessLog& log;
  const char* name;
  std::uint32_t base;
  sim::IrqLine irq{};
  const sim::Clocks& clocks = reset_clocks();
  const sim::MemoryBus& memory = no_memory();
  std::function<bool()> powered = [] { return true; };
  operator sim::ModelContext() const {
    return {irq, clocks, memory, powered, sim::RegisterLog{log, name, base}};
  }
};

}  // namespace simperif

#endif
