// The record of the register accesses the board did not answer as the chip
// would: the ones no model implements, the settings a model does not simulate,
// and the firmware's own errors (an unpowered peripheral, a write to a
// read-only register), each with the name of its window, so a test can see
// what the firmware did that the board did not answer. The interrupt
// controller records into the same log as the peripheral models. Also the bus
// helpers every model uses to turn byte and half-word accesses into word
// registers.
#ifndef SIM_MODELO_ACCESS_LOG_H
#define SIM_MODELO_ACCESS_LOG_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/modelo/peripheral.h"

namespace sim {

// A sub-word access seen as the word that holds it: `shift` places the value
// in the word, `mask` covers the bytes touched.
struct WordLanes {
  std::uint32_t offset;
  unsigned shift;
  std::uint32_t mask;
};

constexpr WordLanes word_lanes(std::uint32_t offset, unsigned width) {
  const unsigned shift = (offset & 3u) * 8u;
  const std::uint32_t bytes = width >= 4 ? 0xFFFFFFFFu : (1u << (width * 8u)) - 1u;
  return {offset & ~3u, shift, bytes << shift};
}
static_assert(word_lanes(0x19, 1).offset == 0x18 && word_lanes(0x19, 1).mask == 0xFF00u);
static_assert(word_lanes(0x1A, 2).shift == 16 && word_lanes(0x1A, 2).mask == 0xFFFF0000u);
static_assert(word_lanes(0x08, 4).mask == 0xFFFFFFFFu);

// A value read from a word register, as the access of `width` at `offset`
// sees it.
constexpr std::uint32_t lane_value(std::uint32_t word, std::uint32_t offset, unsigned width) {
  const WordLanes lanes = word_lanes(offset, width);
  return (word & lanes.mask) >> lanes.shift;
}

class AccessLog {
 public:
  // The log keeps this many entries; later ones are only counted, so a
  // firmware loop polling an unmodelled register cannot exhaust memory.
  static constexpr std::size_t kMaxRecords = 4096;

  void record(const RecordedAccess& access);
  const std::vector<RecordedAccess>& records() const { return records_; }
  std::uint64_t dropped() const { return dropped_; }
  void clear();
  void set_failure_handler(std::function<void(const RecordedAccess&)> handler);

 private:
  std::vector<RecordedAccess> records_;
  std::uint64_t dropped_ = 0;
  std::function<void(const RecordedAccess&)> on_record_;
};

// A peripheral window nobody models: reads give 0, writes are dropped, both
// are recorded as unmodelled.
class CatchAllWindow final : public Peripheral {
 public:
  explicit CatchAllWindow(const ModelContext& context);
  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;

 private:
  RegisterLog log_;
};

}  // namespace sim

#endif
