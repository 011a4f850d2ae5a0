// Finds the instruction that made a data access fault. The emulator stops a
// translated block at the faulting access with every register as it was
// before that instruction, but with the PC still at the block's start. Each
// instruction of the block is then tried alone from that state, with its
// stores undone and the peripherals left untouched, and the first one that
// faults on the same address is the one. Nothing is paid until a fault.
#ifndef SIM_PLACA_FAULT_LOCATOR_H
#define SIM_PLACA_FAULT_LOCATOR_H

#include <unicorn/unicorn.h>

#include <cstdint>
#include <vector>

#include "sim/core/memory_map.h"

namespace sim {

// What the board's hooks look at while instructions are tried: they do
// nothing then, except stop a try that leaves its instruction.
struct Trial {
  bool active = false;
  std::uint32_t start = 0;  // the instruction being tried
};

class FaultLocator {
 public:
  // `invalid_address` is where the board's memory-fault hook records the
  // address of the last failed access.
  FaultLocator(uc_engine* uc, MemoryMap& memory, Trial& trial,
               const std::uint32_t& invalid_address)
      : uc_(uc), memory_(memory), trial_(trial), invalid_address_(invalid_address) {}

  // The address of the instruction in the block [block, block + size) that
  // faults on `address`; `block` when none does alone. The CPU is left as
  // it was found.
  std::uint32_t locate(std::uint32_t block, std::uint32_t size, std::uint32_t address);

 private:
  struct Write {
    std::uint32_t address;
    std::vector<std::uint8_t> old;
  };
  static void write_hook(uc_engine* uc, uc_mem_type type, std::uint64_t address, int size,
                         std::int64_t value, void* user);
  void undo_writes();

  uc_engine* uc_;
  MemoryMap& memory_;
  Trial& trial_;
  const std::uint32_t& invalid_address_;
  std::vector<Write> writes_;
};

}  // namespace sim

#endif
