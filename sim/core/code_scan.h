// What the core needs to know about Thumb code without executing it: how
// many instructions a translated block holds, and where the instructions
// that can unmask interrupts are (the emulator does not end a block there).
#ifndef SIM_CORE_CODE_SCAN_H
#define SIM_CORE_CODE_SCAN_H

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace sim {

// A 32-bit Thumb-2 instruction starts with 0b11101, 0b11110 or 0b11111.
constexpr bool is_wide_thumb(std::uint16_t first_halfword) {
  return (first_halfword >> 11) >= 0x1D;
}
static_assert(is_wide_thumb(0xF000) && is_wide_thumb(0xE800) && !is_wide_thumb(0xE7FE));

constexpr std::uint16_t kWfi = 0xBF30;

// Instructions in `size` bytes of Thumb code.
unsigned count_thumb_instructions(const std::uint8_t* code, std::size_t size);

// Addresses just after each CPSIE/CPSID and each MSR to PRIMASK, BASEPRI,
// BASEPRI_MAX or FAULTMASK in `code` (loaded at `base`). Data that happens
// to look like one only costs a useless check.
std::vector<std::uint32_t> find_mask_changes(const std::uint8_t* code, std::size_t size,
                                             std::uint32_t base);

// Instruction counts per block start address, computed once.
class BlockCounter {
 public:
  template <typename CodeAt>
  unsigned count(std::uint32_t address, std::uint32_t size, CodeAt&& code_at) {
    auto& entry = cache_[address];
    if (entry.size != size) {
      const std::uint8_t* code = code_at(address, size);
      entry = {size, code ? count_thumb_instructions(code, size) : (size + 1) / 2};
    }
    return entry.count;
  }

 private:
  struct Entry {
    std::uint32_t size = ~0u;
    unsigned count = 0;
  };
  std::unordered_map<std::uint32_t, Entry> cache_;
};

}  // namespace sim

#endif
