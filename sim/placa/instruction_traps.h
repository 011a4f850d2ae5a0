// Faults the core raises for one instruction that the emulator lets pass:
// an FP instruction while CPACR denies the FPU (UsageFault NOCP), SDIV or
// UDIV by zero while CCR.DIV_0_TRP is set (DIVBYZERO), and unaligned
// accesses (UNALIGNED): LDM, STM, LDRD and STRD always, single loads and
// stores of words and halfwords while CCR.UNALIGN_TRP is set.
//
// The image's code is scanned once for the instructions that can trap; a
// code hook sits on each of them only while its trap can fire (LDM, STM,
// LDRD and STRD always, except on SP, which is always word aligned), so
// code runs at full speed otherwise. Not modelled: such instructions in code
// outside the image's loaded segments (copied to RAM at run time), and the
// exclusive and coprocessor-to-core loads and stores.
#ifndef SIM_PLACA_INSTRUCTION_TRAPS_H
#define SIM_PLACA_INSTRUCTION_TRAPS_H

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "sim/core/cpu.h"
#include "sim/scs/nvic.h"

namespace sim {

class InstructionTraps {
 public:
  enum class Kind : std::uint8_t {
    FloatingPoint,  // any FP instruction
    Divide,         // SDIV, UDIV
    Multiple,       // LDM, STM, LDRD, STRD on a base other than SP
    Single,         // LDR, STR of a word or halfword
  };

  // Finds the instructions that can trap in `code`, loaded at `base`.
  void scan(const std::uint8_t* code, std::size_t size, std::uint32_t base);

  // The sites whose hooks must be on, given CCR and CPACR and the mode.
  std::vector<std::uint32_t> armed(std::uint32_t ccr, std::uint32_t cpacr) const;

  // The fault the instruction at `address` raises now, if any.
  std::optional<FaultKind> check(std::uint32_t address, const Cpu& cpu, std::uint32_t ccr,
                                 std::uint32_t cpacr) const;

  // The kind of a Thumb instruction (first and second halfword), if it can trap.
  static std::optional<Kind> classify(std::uint16_t first, std::uint16_t second, bool wide);

 private:
  struct Site {
    Kind kind;
    std::uint16_t first;
    std::uint16_t second;
    bool wide;
  };
  std::unordered_map<std::uint32_t, Site> sites_;
};

}  // namespace sim

#endif
