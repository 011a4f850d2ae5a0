#include "sim/placa/instruction_traps.h"

namespace sim {
namespace {

constexpr std::uint32_t kCcrUnalignTrp = 1u << 3;
constexpr std::uint32_t kCcrDiv0Trp = 1u << 4;
constexpr unsigned kSp = 13, kPc = 15;

bool fpu_enabled(std::uint32_t cpacr, bool privileged) {
  // CP10 and CP11 must both allow the access: 01 privileged only, 11 full.
  const std::uint32_t cp10 = (cpacr >> 20) & 3, cp11 = (cpacr >> 22) & 3;
  const auto allows = [privileged](std::uint32_t field) {
    return field == 3 || (field == 1 && privileged);
  };
  return allows(cp10) && allows(cp11);
}

// The address a single load or store of a word or halfword uses, and its
// size; nullopt for a form this check does not cover.
struct Access {
  std::uint32_t address;
  unsigned size;
};

std::optional<Access> single_access(std::uint16_t a, std::uint16_t b, bool wide, const Cpu& cpu) {
  const auto reg = [&cpu](unsigned n) { return cpu.r(n); };
  if (!wide) {
    const unsigned rn = (a >> 3) & 7, rm = (a >> 6) & 7, imm5 = (a >> 6) & 0x1F;
    switch (a >> 11) {
      case 0x0C:  // STR/LDR (immediate) word
      case 0x0D:
        return Access{reg(rn) + imm5 * 4, 4};
      case 0x10:  // STRH/LDRH (immediate)
      case 0x11:
        return Access{reg(rn) + imm5 * 2, 2};
      default:
        break;
    }
    if ((a >> 12) == 0x5) {  // register offset forms
      const unsigned op = (a >> 9) & 7;
      const std::uint32_t at = reg(rn) + reg(rm);
      if (op == 0 || op == 4) return Access{at, 4};            // STR, LDR
      if (op == 1 || op == 5 || op == 7) return Access{at, 2};  // STRH, LDRH, LDRSH
    }
    return std::nullopt;  // SP-relative forms are always aligned
  }
  // 1111 100x: loads and stores of bytes, halfwords and words.
  if ((a & 0xFE00) != 0xF800) return std::nullopt;
  const unsigned size_bits = (a >> 5) & 3;  // 0 byte, 1 halfword, 2 word
  if (size_bits == 0 || size_bits == 3) return std::nullopt;
  const unsigned size = size_bits == 1 ? 2 : 4;
  const unsigned rn = a & 0xF;
  if (rn == kPc) return std::nullopt;  // literal: aligned by the assembler
  if (a & 0x0080) return Access{reg(rn) + (b & 0xFFF), size};  // imm12
  if ((b & 0x0800) != 0) {                                     // imm8 with P, U, W
    const bool pre = (b & 0x0400) != 0, up = (b & 0x0200) != 0;
    const std::uint32_t imm8 = b & 0xFF;
    return Access{pre ? (up ? reg(rn) + imm8 : reg(rn) - imm8) : reg(rn), size};
  }
  if ((b & 0x0FC0) == 0) return Access{reg(rn) + (reg(b & 0xF) << ((b >> 4) & 3)), size};
  return std::nullopt;
}

// The base address of LDM/STM/LDRD/STRD as the core checks it.
std::uint32_t multiple_address(std::uint16_t a, std::uint16_t b, bool wide, const Cpu& cpu) {
  if (!wide) return cpu.r((a >> 8) & 7);  // LDMIA/STMIA Rn
  const unsigned rn = a & 0xF;
  if ((a & 0xFE40) == 0xE840) {  // LDRD/STRD (immediate)
    const bool pre = (a & 0x0100) != 0, up = (a & 0x0080) != 0;
    const std::uint32_t offset = (b & 0xFF) * 4;
    return pre ? (up ? cpu.r(rn) + offset : cpu.r(rn) - offset) : cpu.r(rn);
  }
  const bool db = ((a >> 7) & 3) == 2;  // LDMDB/STMDB start below the base
  unsigned count = 0;
  for (unsigned i = 0; i < 16; ++i) count += (b >> i) & 1;
  return db ? cpu.r(rn) - 4 * count : cpu.r(rn);
}

}  // namespace

std::optional<InstructionTraps::Kind> InstructionTraps::classify(std::uint16_t a, std::uint16_t b,
                                                                 bool wide) {
  if (!wide) {
    if ((a >> 11) == 0x18 || (a >> 11) == 0x19) return Kind::Multiple;  // STMIA, LDMIA
    if ((a >> 11) == 0x0C || (a >> 11) == 0x0D || (a >> 11) == 0x10 || (a >> 11) == 0x11) {
      return Kind::Single;
    }
    if ((a >> 12) == 0x5) {
      const unsigned op = (a >> 9) & 7;
      if (op == 0 || op == 1 || op == 4 || op == 5 || op == 7) return Kind::Single;
    }
    return std::nullopt;
  }
  // Coprocessor instructions of CP10 and CP11 are the FPU's.
  if (((a & 0xEC00) == 0xEC00) && (b & 0x0E00) == 0x0A00) return Kind::FloatingPoint;
  if ((a & 0xFFF0) == 0xFB90 || (a & 0xFFF0) == 0xFBB0) {
    if ((b & 0xF0F0) == 0xF0F0) return Kind::Divide;
  }
  if ((a & 0xFE40) == 0xE840) {  // LDRD/STRD (immediate)
    if ((a & 0x0120) == 0) return std::nullopt;  // P = W = 0: exclusives and table branches
    if ((a & 0xF) == kSp && (a & 0x0100) != 0) return std::nullopt;  // SP-based: aligned
    if ((a & 0xF) == kPc) return std::nullopt;                       // literal
    return Kind::Multiple;
  }
  if ((a & 0xFE50) == 0xE810 || (a & 0xFE50) == 0xE800) {
    // LDM/STM IA (01) and DB (10); SP-based ones are PUSH/POP, always aligned.
    const unsigned op = (a >> 7) & 3;
    if ((op == 1 || op == 2) && (a & 0xF) != kSp) return Kind::Multiple;
    return std::nullopt;
  }
  if ((a & 0xFE00) == 0xF800) {
    const unsigned size_bits = (a >> 5) & 3;
    if ((size_bits == 1 || size_bits == 2) && (a & 0xF) != kPc) return Kind::Single;
  }
  return std::nullopt;
}

void InstructionTraps::scan(const std::uint8_t* code, std::size_t size, std::uint32_t base) {
  for (std::size_t at = 0; at + 1 < size;) {
    const auto a = static_cast<std::uint16_t>(code[at] | code[at + 1] << 8);
    const bool wide = (a >> 11) >= 0x1D;
    if (wide && at + 3 >= size) break;
    const auto b = wide ? static_cast<std::uint16_t>(code[at + 2] | code[at + 3] << 8)
                        : std::uint16_t{0};
    if (const auto kind = classify(a, b, wide)) {
      sites_[base + static_cast<std::uint32_t>(at)] = Site{*kind, a, b, wide};
    }
    at += wide ? 4 : 2;
  }
}

std::vector<std::uint32_t> InstructionTraps::armed(std::uint32_t ccr, std::uint32_t cpacr) const {
  std::vector<std::uint32_t> on;
  // Armed for the FPU whenever some mode could be refused it.
  const bool fp = !fpu_enabled(cpacr, false);
  for (const auto& [address, site] : sites_) {
    const bool arm = site.kind == Kind::Multiple ||
                     (site.kind == Kind::FloatingPoint && fp) ||
                     (site.kind == Kind::Divide && (ccr & kCcrDiv0Trp)) ||
                     (site.kind == Kind::Single && (ccr & kCcrUnalignTrp));
    if (arm) on.push_back(address);
  }
  return on;
}

std::optional<FaultKind> InstructionTraps::check(std::uint32_t address, const Cpu& cpu,
                                                 std::uint32_t ccr, std::uint32_t cpacr) const {
  const auto it = sites_.find(address);
  if (it == sites_.end()) return std::nullopt;
  const Site& s = it->second;
  switch (s.kind) {
    case Kind::FloatingPoint: {
      const bool privileged = (cpu.xpsr() & 0x1FF) != 0 || (cpu.get(UC_ARM_REG_CONTROL) & 1) == 0;
      if (!fpu_enabled(cpacr, privileged)) return FaultKind::NoCoprocessor;
      return std::nullopt;
    }
    case Kind::Divide:
      if ((ccr & kCcrDiv0Trp) && cpu.r(s.second & 0xF) == 0) return FaultKind::DivideByZero;
      return std::nullopt;
    case Kind::Multiple:
      if (multiple_address(s.first, s.second, s.wide, cpu) & 3) return FaultKind::Unaligned;
      return std::nullopt;
    case Kind::Single: {
      if (!(ccr & kCcrUnalignTrp)) return std::nullopt;
      const auto access = single_access(s.first, s.second, s.wide, cpu);
      if (access && (access->address & (access->size - 1))) return FaultKind::Unaligned;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace sim
