#include "sim/core/code_scan.h"

namespace sim {
namespace {

std::uint16_t halfword(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

bool is_cps(std::uint16_t hw) { return (hw & 0xFFE8) == 0xB660; }

// MSR <special register>, Rn: F38n 88ss with ss = 0x10..0x13 (PRIMASK..FAULTMASK).
bool is_msr_mask(std::uint16_t first, std::uint16_t second) {
  const unsigned sysm = second & 0xFF;
  return (first & 0xFFF0) == 0xF380 && (second & 0xFF00) == 0x8800 && sysm >= 0x10 && sysm <= 0x13;
}

}  // namespace

unsigned count_thumb_instructions(const std::uint8_t* code, std::size_t size) {
  unsigned n = 0;
  for (std::size_t i = 0; i + 1 < size; ++n) i += is_wide_thumb(halfword(code + i)) ? 4 : 2;
  return n;
}

std::vector<std::uint32_t> find_mask_changes(const std::uint8_t* code, std::size_t size,
                                             std::uint32_t base) {
  std::vector<std::uint32_t> sites;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const std::uint16_t hw = halfword(code + i);
    if (is_cps(hw)) sites.push_back(base + static_cast<std::uint32_t>(i) + 2);
    if (i + 3 < size && is_msr_mask(hw, halfword(code + i + 2))) {
      sites.push_back(base + static_cast<std::uint32_t>(i) + 4);
    }
  }
  return sites;
}

}  // namespace sim
