// Interrupt controller and system control block of the Cortex-M4 (the System
// Control Space) as register model plus the priority logic the exception
// machinery asks: which exception, if any, may be taken now.
//
// Exception numbers are the core's: 2 NMI, 3 HardFault, 4 MemManage,
// 5 BusFault, 6 UsageFault, 11 SVCall, 12 DebugMonitor, 14 PendSV,
// 15 SysTick, 16 + n device interrupt n. Priorities are the raw bytes with
// the 5 implemented bits (bits 7:3); lower is more urgent. SysTick's
// registers are answered by its own model (systick.h).
//
// Not modelled: the debug blocks (DEMCR, DHCSR: the debug monitor is never
// on), the identification registers beyond CPUID, the MPU.
#ifndef SIM_SCS_NVIC_H
#define SIM_SCS_NVIC_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "board/chip/nucleo_cm4.h"
#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"
#include "sim/scs/systick.h"

namespace sim {

inline constexpr std::uint8_t kImplementedPriorityBits = 0xF8;  // 5 bits
inline constexpr unsigned kNmi = 2;
inline constexpr unsigned kHardFault = 3;
inline constexpr unsigned kMemManage = 4;
inline constexpr unsigned kBusFault = 5;
inline constexpr unsigned kUsageFault = 6;
inline constexpr unsigned kSvCall = 11;
inline constexpr unsigned kDebugMonitor = 12;
inline constexpr unsigned kPendSv = 14;
inline constexpr unsigned kSysTick = 15;
inline constexpr unsigned kFirstIrq = 16;
inline constexpr unsigned kIrqCount = 64;
inline constexpr unsigned kExceptionCount = kFirstIrq + kIrqCount;

// Fault status bits (CFSR), set when the core raises a fault.
enum class FaultKind : std::uint32_t {
  InstructionAccess = SCB_CFSR_IACCVIOL,  // MemManage: execution from a bad address
  DataBus = SCB_CFSR_PRECISERR,           // BusFault, BFAR valid
  InstructionBus = SCB_CFSR_IBUSERR,
  UndefinedInstruction = SCB_CFSR_UNDEFINSTR,
  InvalidState = SCB_CFSR_INVSTATE,  // Thumb bit clear
  InvalidPc = SCB_CFSR_INVPC,        // bad EXC_RETURN
  NoCoprocessor = SCB_CFSR_NOCP,
  Unaligned = SCB_CFSR_UNALIGNED,
  DivideByZero = SCB_CFSR_DIVBYZERO,
};

class Nvic final : public Peripheral, public IrqLines {
 public:
  explicit Nvic(const ModelContext& context);

  // --- registers (offset from 0xE000E000) ---
  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;

  void set_irq_line(unsigned irq, bool high) override;

  // SysTick's wraps.
  Cycles next_event(Cycles now) const override;
  void advance(Cycles now) override;
  bool volatile_register(std::uint32_t offset) const override;

  // --- exception state ---
  // Group priority an exception competes with (-3 reset, -2 NMI, -1 HardFault).
  int group_priority(unsigned exception) const;
  // Current execution priority from the active exceptions and the masks.
  int execution_priority(bool primask, std::uint8_t basepri, bool faultmask) const;
  // The exception to take now, or 0 when none may preempt.
  unsigned next_to_take(bool primask, std::uint8_t basepri, bool faultmask) const;
  // Like next_to_take ignoring PRIMASK: does a pending exception wake WFI?
  bool wakes_from_wfi(std::uint8_t basepri, bool faultmask) const;

  bool pending(unsigned exception) const;
  bool enabled(unsigned exception) const;
  bool active(unsigned exception) const { return active_[exception]; }
  std::uint8_t priority(unsigned exception) const;
  void set_pending(unsigned exception);
  // Entry and return bookkeeping; `current()` is what IPSR holds.
  void activate(unsigned exception);
  void deactivate(unsigned exception);
  unsigned current() const { return stack_.empty() ? 0 : stack_.back(); }
  const std::vector<unsigned>& active_stack() const { return stack_; }
  void restore_active_stack(const std::vector<unsigned>& stack);

  // Chooses the handler a synchronous fault goes to: its own when enabled
  // and more urgent than `execution_priority`, else HardFault (FORCED);
  // returns 0 for a lockup (fault while HardFault or NMI runs). Records the
  // fault status and address.
  unsigned route_fault(FaultKind kind, std::uint32_t address, bool address_valid,
                       int current_execution_priority);

  // A synchronous exception (SVC, breakpoint) that cannot be taken at
  // `current_execution_priority` becomes a HardFault; 0 for a lockup.
  unsigned escalate(unsigned exception, int current_execution_priority);
  // A debug event (BKPT) with no debugger and the debug monitor off:
  // HardFault with HFSR.DEBUGEVT (and DFSR.BKPT); 0 for a lockup.
  unsigned debug_event(int current_execution_priority);
  // The vector fetch of an exception entry failed: HardFault with
  // HFSR.VECTTBL; 0 for a lockup.
  unsigned vector_fault(int current_execution_priority);
  // Some enabled interrupt, or a counting SysTick with its exception on,
  // could preempt code at `current_execution_priority`.
  bool any_irq_could_preempt(int current_execution_priority) const;

  std::uint32_t vtor() const { return vtor_; }
  std::uint32_t cpacr() const { return cpacr_; }
  std::uint32_t ccr() const { return ccr_; }
  std::uint32_t cfsr() const { return cfsr_; }
  std::uint32_t hfsr() const { return hfsr_; }
  bool reset_requested() const { return reset_requested_; }
  bool sleep_on_exit() const { return (scr_ & SCB_SCR_SLEEPONEXIT) != 0; }

  // Lazy FP context: an entry that reserves FP space at `fp_space` on a
  // stack while FPCCR.LSPEN is set records it (LSPACT, FPCAR and the
  // readiness bits as of `execution_priority`, before the entry).
  void reserve_lazy_fp(std::uint32_t fp_space, bool unprivileged, bool thread,
                       int execution_priority);
  // The reserved space was filled or given up: LSPACT clears.
  void end_lazy_fp() { fpccr_ &= ~FPU_FPCCR_LSPACT; }
  bool lazy_fp_active() const { return (fpccr_ & FPU_FPCCR_LSPACT) != 0; }

 private:
  std::uint32_t read_word(std::uint32_t offset);
  void write_word(std::uint32_t offset, std::uint32_t value);
  void write_bitmap(std::array<bool, kIrqCount>& bits, std::uint32_t word, std::uint32_t value,
                    bool set);
  std::uint32_t bitmap(unsigned word, bool (Nvic::*test)(unsigned) const) const;
  std::uint32_t icsr() const;
  std::uint32_t shcsr() const;
  bool sub_first(unsigned a, unsigned b) const;
  // The debug and identification blocks are not modelled: their
  // accesses go to the record, as do writes to read-only registers.
  void record(std::uint32_t offset, bool write, std::uint32_t value, AccessKind kind);

  std::array<bool, kIrqCount> enable_{};
  std::array<bool, kExceptionCount> pend_{};
  std::array<bool, kIrqCount> line_{};
  std::array<bool, kExceptionCount> active_{};
  std::array<std::uint8_t, kExceptionCount> priority_{};
  std::vector<unsigned> stack_;
  std::uint32_t vtor_ = 0;
  std::uint32_t prigroup_ = 0;
  std::uint32_t scr_ = 0;
  std::uint32_t ccr_ = 0x200;
  std::uint32_t shcsr_enables_ = 0;
  std::uint32_t cfsr_ = 0;
  std::uint32_t hfsr_ = 0;
  std::uint32_t mmfar_ = 0;
  std::uint32_t bfar_ = 0;
  std::uint32_t cpacr_ = 0;
  std::uint32_t fpccr_ = 0xC0000000;
  std::uint32_t fpcar_ = 0;
  std::uint32_t fpdscr_ = 0;
  std::uint32_t dfsr_ = 0;
  SysTick systick_;
  bool reset_requested_ = false;
  RegisterLog log_;
  Cycles now_ = 0;
};

}  // namespace sim

#endif
