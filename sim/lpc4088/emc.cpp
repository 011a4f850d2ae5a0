#include "sim/lpc4088/emc.h"

namespace sim {

Emc::Emc(const ModelContext& context) : log_(context.log) {}

std::uint32_t Emc::read(std::uint32_t offset, unsigned width, Cycles now) {
  if (offset >= kRegisterBytes) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  const std::uint32_t word = offset & ~3u;
  return word == kStatus ? 0 : lane_value(regs_[word / 4], offset, width);
}

void Emc::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  if (offset >= kRegisterBytes) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  const WordLanes lanes = word_lanes(offset, width);
  std::uint32_t& reg = regs_[lanes.offset / 4];
  reg = (reg & ~lanes.mask) | ((value << lanes.shift) & lanes.mask);
}

}  // namespace sim
