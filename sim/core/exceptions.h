// Exception entry and return as the Cortex-M4F does them, on the emulated
// CPU: stacking of the basic (8-word) or extended FP (26-word) frame with
// 8-byte realignment, EXC_RETURN, vector fetch through VTOR, unstacking,
// and tail-chaining into a pending exception instead of unstacking.
// Only the main stack is modelled for handlers; thread mode may use either.
// The FP registers are always stacked at entry; lazy stacking's state
// (FPCCR.LSPACT, FPCAR) is shown as the chip shows it.
#ifndef SIM_CORE_EXCEPTIONS_H
#define SIM_CORE_EXCEPTIONS_H

#include <cstdint>

#include "sim/core/cpu.h"
#include "sim/core/memory_map.h"
#include "sim/scs/nvic.h"

namespace sim {

// Cycles the chip spends on entry (stacking, vector fetch), on return, and
// on a tail-chain; counted into board time.
inline constexpr unsigned kEntryCycles = 12;
inline constexpr unsigned kReturnCycles = 10;
inline constexpr unsigned kTailChainCycles = 6;

class Exceptions {
 public:
  Exceptions(Cpu& cpu, Nvic& nvic, MemoryMap& memory) : cpu_(cpu), nvic_(nvic), memory_(memory) {}

  enum class Entry {
    Taken,
    StackFailed,     // the frame cannot be pushed (stack outside RAM)
    VectorFailed,    // the frame is pushed, the handler's address cannot be read
    VectorNotThumb,  // taken, but the vector has bit 0 clear: the first fetch faults
  };
  // Takes `exception` with `return_address` as the stacked PC; `thumb`
  // false stacks xPSR with T = 0 (a fault on a fetch in ARM state).
  Entry enter(unsigned exception, std::uint32_t return_address, bool thumb = true);
  // After VectorFailed: enters `exception` (HardFault) on the frame already
  // pushed, as the core does for a fault on the vector fetch.
  Entry enter_after_vector_fault(unsigned exception);

  enum class Return {
    Resumed,
    TailChained,
    TailChainedNotThumb,    // into a vector with bit 0 clear
    TailChainVectorFailed,  // the next handler's address cannot be read
    BadReturn,
  };
  // The exception a tail-chain wanted when its vector failed.
  unsigned tail_chain_target() const { return tail_chain_target_; }
  // The CPU branched to `exc_return` (0xFFFFFFxx) in handler mode.
  Return exception_return(std::uint32_t exc_return);

  // The exception the CPU may take now (0 when none), given its masks.
  unsigned takeable() const;
  int execution_priority() const;
  // A pending exception would end WFI (PRIMASK does not keep it asleep).
  bool wakes_from_wfi() const;
  // Lazy FP state up to date with what the handler ran.
  void sync_lazy_fp();

 private:
  bool push_frame(std::uint32_t return_address, bool thumb, std::uint32_t& exc_return,
                  unsigned exception);
  void become_privileged(unsigned exception_number) const;
  struct Masks {
    bool primask;
    std::uint8_t basepri;
    bool faultmask;
  };
  Masks masks() const;
  bool pop_frame(std::uint32_t exc_return);
  Entry jump_to_vector(unsigned exception);

  Cpu& cpu_;
  Nvic& nvic_;
  MemoryMap& memory_;
  unsigned tail_chain_target_ = 0;
};

}  // namespace sim

#endif
