#include "sim/core/exceptions.h"

#include <array>

namespace sim {
namespace {

constexpr std::uint32_t kControlNpriv = 1u << 0;
constexpr std::uint32_t kControlSpsel = 1u << 1;
constexpr std::uint32_t kControlFpca = 1u << 2;
constexpr std::uint32_t kStackAlignBit = 1u << 9;  // stacked xPSR: 4 bytes of padding
constexpr std::uint32_t kThumbBit = 1u << 24;
constexpr std::uint32_t kFpSpaceOffset = 0x20;  // FP registers after the basic frame
constexpr std::uint32_t kBasicFrame = 8 * 4;
constexpr std::uint32_t kExtendedFrame = 26 * 4;
// EXC_RETURN bits.
constexpr std::uint32_t kReturnBasicFrame = 1u << 4;
constexpr std::uint32_t kReturnThread = 1u << 3;
constexpr std::uint32_t kReturnProcessStack = 1u << 2;

}  // namespace

Exceptions::Masks Exceptions::masks() const {
  const std::uint32_t control = cpu_.get(UC_ARM_REG_CONTROL);
  // The emulator reads the masks as 0 for unprivileged code.
  const bool unprivileged = (control & kControlNpriv) != 0 && nvic_.current() == 0;
  if (unprivileged) become_privileged(kHardFault);
  const Masks m{cpu_.primask(), cpu_.basepri(), cpu_.faultmask()};
  if (unprivileged) cpu_.set(UC_ARM_REG_CONTROL, control);
  return m;
}

int Exceptions::execution_priority() const {
  const Masks m = masks();
  return nvic_.execution_priority(m.primask, m.basepri, m.faultmask);
}

unsigned Exceptions::takeable() const {
  const Masks m = masks();
  return nvic_.next_to_take(m.primask, m.basepri, m.faultmask);
}

bool Exceptions::wakes_from_wfi() const {
  const Masks m = masks();
  return nvic_.wakes_from_wfi(m.basepri, m.faultmask);
}

// The emulator answers MSP, PSP and the masks only to privileged code, and
// ignores CONTROL writes from unprivileged thread mode: a moment in handler
// mode drops nPRIV so the model can work on them. The caller puts CONTROL
// back.
void Exceptions::become_privileged(unsigned exception_number) const {
  const std::uint32_t control = cpu_.get(UC_ARM_REG_CONTROL);
  if ((control & kControlNpriv) == 0) return;
  const unsigned ipsr = cpu_.get(UC_ARM_REG_IPSR) & 0x1FF;
  cpu_.set_ipsr(exception_number);
  cpu_.set(UC_ARM_REG_CONTROL, control & ~kControlNpriv);
  cpu_.set_ipsr(ipsr);
}

bool Exceptions::push_frame(std::uint32_t return_address, bool thumb, std::uint32_t& exc_return,
                            unsigned exception) {
  const bool thread = nvic_.current() == 0;
  std::uint32_t xpsr = cpu_.xpsr();
  if (!thumb) xpsr &= ~kThumbBit;
  const std::uint32_t control = cpu_.get(UC_ARM_REG_CONTROL);
  const bool unprivileged = thread && (control & kControlNpriv);
  if (unprivileged) become_privileged(exception);
  const int priority = execution_priority();
  const bool process = thread && (control & kControlSpsel);
  const bool fp = (control & kControlFpca) != 0;
  const std::uint32_t frame_size = fp ? kExtendedFrame : kBasicFrame;
  const std::uint32_t sp = cpu_.get(process ? UC_ARM_REG_PSP : UC_ARM_REG_MSP);
  std::uint32_t frame_at = sp - frame_size;
  if (frame_at & 4) {
    frame_at -= 4;
    xpsr |= kStackAlignBit;
  } else {
    xpsr &= ~kStackAlignBit;
  }
  std::array<std::uint32_t, 26> frame{};
  for (unsigned i = 0; i < 4; ++i) frame[i] = cpu_.r(i);
  frame[4] = cpu_.r(12);
  frame[5] = cpu_.r(14);
  frame[6] = return_address & ~1u;
  frame[7] = xpsr;
  if (fp) {
    for (unsigned i = 0; i < 16; ++i) frame[8 + i] = cpu_.s(i);
    frame[24] = cpu_.get(UC_ARM_REG_FPSCR);
  }
  if (!memory_.write_memory(frame_at, frame.data(), frame_size)) {
    cpu_.set(UC_ARM_REG_CONTROL, control);
    return false;
  }
  // The registers are stacked at once; what lazy stacking shows is the
  // space reserved and not yet filled.
  if (fp) nvic_.reserve_lazy_fp(frame_at + kFpSpaceOffset, unprivileged, thread, priority);

  exc_return = 0xFFFFFFE1u | (fp ? 0 : kReturnBasicFrame) | (thread ? kReturnThread : 0) |
               (process ? kReturnProcessStack : 0);
  if (process) {
    cpu_.set(UC_ARM_REG_PSP, frame_at);
  } else {
    cpu_.set(UC_ARM_REG_MSP, frame_at);
  }
  const std::uint32_t msp = cpu_.get(UC_ARM_REG_MSP);
  // Handlers run on the main stack with a fresh FP context.
  cpu_.set(UC_ARM_REG_CONTROL, control & ~(kControlFpca | kControlSpsel));
  if (process) cpu_.set(UC_ARM_REG_SP, msp);
  return true;
}

Exceptions::Entry Exceptions::jump_to_vector(unsigned exception) {
  std::uint32_t handler = 0;
  if (!memory_.read_memory(nvic_.vtor() + 4 * exception, &handler, 4)) return Entry::VectorFailed;
  nvic_.activate(exception);
  cpu_.set_ipsr(exception);
  cpu_.set(UC_ARM_REG_EPSR, 1u << 24);  // Thumb, no IT block
  cpu_.set_pc(handler);
  return (handler & 1) != 0 ? Entry::Taken : Entry::VectorNotThumb;
}

void Exceptions::sync_lazy_fp() {
  // The emulator sets CONTROL.FPCA when the handler runs an FP instruction:
  // that is when the chip fills the reserved space.
  if (nvic_.lazy_fp_active() && (cpu_.get(UC_ARM_REG_CONTROL) & kControlFpca) != 0) {
    nvic_.end_lazy_fp();
  }
}

Exceptions::Entry Exceptions::enter(unsigned exception, std::uint32_t return_address, bool thumb) {
  std::uint32_t exc_return = 0;
  sync_lazy_fp();
  if (!push_frame(return_address, thumb, exc_return, exception)) return Entry::StackFailed;
  cpu_.set(UC_ARM_REG_LR, exc_return);
  return jump_to_vector(exception);
}

Exceptions::Entry Exceptions::enter_after_vector_fault(unsigned exception) {
  return jump_to_vector(exception);
}

bool Exceptions::pop_frame(std::uint32_t exc_return) {
  const bool thread = (exc_return & kReturnThread) != 0;
  const bool process = thread && (exc_return & kReturnProcessStack);
  const bool fp = (exc_return & kReturnBasicFrame) == 0;
  const std::uint32_t frame_size = fp ? kExtendedFrame : kBasicFrame;
  const std::uint32_t sp = cpu_.get(process ? UC_ARM_REG_PSP : UC_ARM_REG_MSP);
  std::array<std::uint32_t, 26> frame{};
  if (!memory_.read_memory(sp, frame.data(), frame_size)) return false;

  for (unsigned i = 0; i < 4; ++i) cpu_.set_r(i, frame[i]);
  cpu_.set_r(12, frame[4]);
  cpu_.set_r(14, frame[5]);
  if (fp) {
    for (unsigned i = 0; i < 16; ++i) cpu_.set_s(i, frame[8 + i]);
    cpu_.set(UC_ARM_REG_FPSCR, frame[24]);
  }
  const std::uint32_t xpsr = frame[7];
  const std::uint32_t new_sp = sp + frame_size + ((xpsr & kStackAlignBit) ? 4 : 0);
  std::uint32_t control = cpu_.get(UC_ARM_REG_CONTROL) & ~(kControlFpca | kControlSpsel);
  if (fp) control |= kControlFpca;
  if (process) {
    cpu_.set(UC_ARM_REG_PSP, new_sp);
    control |= kControlSpsel;
  } else {
    cpu_.set(UC_ARM_REG_MSP, new_sp);
  }
  if (fp) nvic_.end_lazy_fp();  // the space was given up or already filled
  // Unprivileged thread mode may not write CONTROL: drop nPRIV while still
  // in handler mode, and set it back once in thread mode.
  cpu_.set(UC_ARM_REG_CONTROL, control & ~kControlNpriv);
  cpu_.set_ipsr(thread ? 0 : nvic_.current());
  cpu_.set(UC_ARM_REG_CONTROL, control);
  cpu_.set(UC_ARM_REG_SP, new_sp);
  cpu_.set(UC_ARM_REG_XPSR_NZCVQG, xpsr);
  cpu_.set(UC_ARM_REG_EPSR, (xpsr & 0x0600FC00) | (1u << 24));
  cpu_.set_ipsr(thread ? 0 : nvic_.current());
  cpu_.set_pc(frame[6]);
  return true;
}

Exceptions::Return Exceptions::exception_return(std::uint32_t exc_return) {
  const unsigned finished = nvic_.current();
  const bool to_thread = (exc_return & kReturnThread) != 0;
  if (finished == 0 || (exc_return & 0xFFFFFFE0u) != 0xFFFFFFE0u ||
      (to_thread != (nvic_.active_stack().size() == 1))) {
    return Return::BadReturn;
  }
  nvic_.deactivate(finished);
  sync_lazy_fp();
  // Every return but NMI's leaves FAULTMASK clear.
  if (finished != kNmi) cpu_.set(UC_ARM_REG_FAULTMASK, 0);
  if (const unsigned next = takeable(); next != 0) {
    tail_chain_target_ = next;
    // The frame stays on the stack: the next handler returns through it.
    cpu_.set(UC_ARM_REG_LR, exc_return);
    switch (jump_to_vector(next)) {
      case Entry::Taken:
        return Return::TailChained;
      case Entry::VectorNotThumb:
        return Return::TailChainedNotThumb;
      default:
        return Return::TailChainVectorFailed;
    }
  }
  if (!pop_frame(exc_return)) {
    nvic_.activate(finished);
    return Return::BadReturn;
  }
  return Return::Resumed;
}

}  // namespace sim
