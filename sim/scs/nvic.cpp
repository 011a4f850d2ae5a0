#include "sim/scs/nvic.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace sim {
namespace {

constexpr std::uint32_t kIser = 0x100, kIcer = 0x180, kIspr = 0x200, kIcpr = 0x280, kIabr = 0x300,
                        kIpr = 0x400, kIprEnd = 0x400 + kIrqCount;
constexpr std::uint32_t kCpuid = 0xD00, kIcsr = 0xD04, kVtor = 0xD08, kAircr = 0xD0C, kScr = 0xD10,
                        kCcr = 0xD14, kShpr = 0xD18, kShprEnd = 0xD24, kShcsr = 0xD24,
                        kCfsr = 0xD28, kHfsr = 0xD2C, kDfsr = 0xD30, kMmfar = 0xD34, kBfar = 0xD38,
                        kCpacr = 0xD88, kStir = 0xF00, kFpccr = 0xF34, kFpcar = 0xF38,
                        kFpdscr = 0xF3C, kIctr = 0x004, kSysTickRegs = 0x010, kSysTickEnd = 0x020;
constexpr std::uint32_t kFpccrWritable = FPU_FPCCR_ASPEN | FPU_FPCCR_LSPEN | FPU_FPCCR_MONRDY |
                                         FPU_FPCCR_BFRDY | FPU_FPCCR_MMRDY | FPU_FPCCR_HFRDY |
                                         FPU_FPCCR_THREAD | FPU_FPCCR_USER | FPU_FPCCR_LSPACT;
constexpr std::uint32_t kCortexM4r0p1 = 0x410FC241;

bool in(std::uint32_t offset, std::uint32_t begin, std::uint32_t end) {
  return offset >= begin && offset < end;
}

// Bits of SHCSR: active flags of the system handlers and fault enables.
struct ShcsrBit {
  unsigned exception;
  std::uint32_t bit;
};
constexpr ShcsrBit kShcsrActive[] = {
    {kMemManage, SCB_SHCSR_MEMFAULTACT},   {kBusFault, SCB_SHCSR_BUSFAULTACT},
    {kUsageFault, SCB_SHCSR_USGFAULTACT},  {kSvCall, SCB_SHCSR_SVCALLACT},
    {kDebugMonitor, SCB_SHCSR_MONITORACT}, {kPendSv, SCB_SHCSR_PENDSVACT},
    {kSysTick, SCB_SHCSR_SYSTICKACT}};
constexpr ShcsrBit kShcsrPended[] = {{kUsageFault, SCB_SHCSR_USGFAULTPENDED},
                                     {kMemManage, SCB_SHCSR_MEMFAULTPENDED},
                                     {kBusFault, SCB_SHCSR_BUSFAULTPENDED},
                                     {kSvCall, SCB_SHCSR_SVCALLPENDED}};
constexpr std::uint32_t kFaultEnables =
    SCB_SHCSR_MEMFAULTENA | SCB_SHCSR_BUSFAULTENA | SCB_SHCSR_USGFAULTENA;

}  // namespace

Nvic::Nvic(const ModelContext& context) : log_(context.log) {}

void Nvic::record(std::uint32_t offset, bool write, std::uint32_t value, AccessKind kind) {
  log_.record(offset, 4, write, value, now_, kind);
}

std::uint32_t Nvic::read(std::uint32_t offset, unsigned width, Cycles now) {
  now_ = now;
  if (in(offset, kIpr, kIprEnd) || in(offset, kShpr, kShprEnd)) {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < width; ++i) {
      const std::uint32_t o = offset + i;
      const unsigned exc = o >= kShpr ? o - kShpr + 4 : o - kIpr + kFirstIrq;
      v |= std::uint32_t{priority_[exc]} << (8 * i);
    }
    return v;
  }
  const std::uint32_t word = read_word(offset & ~3u);
  const std::uint32_t shifted = word >> (8 * (offset & 3));
  return width == 4 ? shifted : shifted & ((1u << (8 * width)) - 1);
}

void Nvic::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  now_ = now;
  if (in(offset, kIpr, kIprEnd) || in(offset, kShpr, kShprEnd)) {
    for (unsigned i = 0; i < width; ++i) {
      const std::uint32_t o = offset + i;
      const unsigned exc = o >= kShpr ? o - kShpr + 4 : o - kIpr + kFirstIrq;
      priority_[exc] = static_cast<std::uint8_t>(value >> (8 * i)) & kImplementedPriorityBits;
    }
    return;
  }
  write_word(offset & ~3u, value << (8 * (offset & 3)));
}

std::uint32_t Nvic::bitmap(unsigned word, bool (Nvic::*test)(unsigned) const) const {
  std::uint32_t v = 0;
  for (unsigned bit = 0; bit < 32; ++bit) {
    const unsigned irq = word * 32 + bit;
    if (irq < kIrqCount && (this->*test)(kFirstIrq + irq)) v |= 1u << bit;
  }
  return v;
}

std::uint32_t Nvic::read_word(std::uint32_t offset) {
  if (in(offset, kIser, kIser + 0x40)) return bitmap((offset - kIser) / 4, &Nvic::enabled);
  if (in(offset, kIcer, kIcer + 0x40)) return bitmap((offset - kIcer) / 4, &Nvic::enabled);
  if (in(offset, kIspr, kIspr + 0x40)) return bitmap((offset - kIspr) / 4, &Nvic::pending);
  if (in(offset, kIcpr, kIcpr + 0x40)) return bitmap((offset - kIcpr) / 4, &Nvic::pending);
  if (in(offset, kIabr, kIabr + 0x40)) return bitmap((offset - kIabr) / 4, &Nvic::active);
  if (in(offset, kSysTickRegs, kSysTickEnd)) {
    advance(now_);
    return systick_.read(offset - kSysTickRegs, now_);
  }
  switch (offset) {
    case kIctr:
      return kIrqCount / 32 - 1;
    case kCpuid:
      return kCortexM4r0p1;
    case kIcsr:
      return icsr();
    case kVtor:
      return vtor_;
    case kAircr:
      return SCB_AIRCR_VECTKEYSTAT | (prigroup_ << SCB_AIRCR_PRIGROUP_POS);
    case kScr:
      return scr_;
    case kCcr:
      return ccr_;
    case kShcsr:
      return shcsr();
    case kCfsr:
      return cfsr_;
    case kHfsr:
      return hfsr_;
    case kDfsr:
      return dfsr_;
    case kMmfar:
      return mmfar_;
    case kBfar:
      return bfar_;
    case kCpacr:
      return cpacr_;
    case kFpccr:
      return fpccr_;
    case kFpcar:
      return fpcar_;
    case kFpdscr:
      return fpdscr_;
    default:
      record(offset, false, 0, AccessKind::kUnmodelled);
      return 0;
  }
}

void Nvic::write_bitmap(std::array<bool, kIrqCount>& bits, std::uint32_t word, std::uint32_t value,
                        bool set) {
  for (unsigned bit = 0; bit < 32; ++bit) {
    const unsigned irq = word * 32 + bit;
    if (irq < kIrqCount && (value >> bit & 1)) bits[irq] = set;
  }
}

void Nvic::write_word(std::uint32_t offset, std::uint32_t value) {
  if (in(offset, kIser, kIser + 0x40))
    return write_bitmap(enable_, (offset - kIser) / 4, value, true);
  if (in(offset, kIcer, kIcer + 0x40))
    return write_bitmap(enable_, (offset - kIcer) / 4, value, false);
  if (in(offset, kIspr, kIspr + 0x40) || in(offset, kIcpr, kIcpr + 0x40)) {
    const bool set = offset < kIcpr;
    const unsigned word = (offset - (set ? kIspr : kIcpr)) / 4;
    for (unsigned bit = 0; bit < 32; ++bit) {
      const unsigned irq = word * 32 + bit;
      if (irq < kIrqCount && (value >> bit & 1)) pend_[kFirstIrq + irq] = set;
    }
    return;
  }
  if (in(offset, kSysTickRegs, kSysTickEnd)) {
    advance(now_);
    if (offset - kSysTickRegs == SysTick::kCalib) {
      record(offset, true, value, AccessKind::kReadOnly);
      return;
    }
    systick_.write(offset - kSysTickRegs, value, now_);
    return;
  }
  switch (offset) {
    case kIcsr:
      if (value & SCB_ICSR_NMIPENDSET) pend_[kNmi] = true;
      if (value & SCB_ICSR_PENDSVSET) pend_[kPendSv] = true;
      if (value & SCB_ICSR_PENDSVCLR) pend_[kPendSv] = false;
      if (value & SCB_ICSR_PENDSTSET) pend_[kSysTick] = true;
      if (value & SCB_ICSR_PENDSTCLR) pend_[kSysTick] = false;
      return;
    case kVtor:
      vtor_ = value & 0x3FFFFF80;
      return;
    case kAircr:
      if ((value & 0xFFFF0000u) != SCB_AIRCR_VECTKEY) return;  // ignored without the key
      prigroup_ = (value & SCB_AIRCR_PRIGROUP_MASK) >> SCB_AIRCR_PRIGROUP_POS;
      if (value & SCB_AIRCR_SYSRESETREQ) reset_requested_ = true;
      return;
    case kScr:
      scr_ = value & 0x16;
      return;
    case kCcr:
      ccr_ = (value & 0x31B) | 0x200;
      return;
    case kShcsr:
      shcsr_enables_ = value & kFaultEnables;
      return;
    case kCfsr:
      cfsr_ &= ~value;
      return;
    case kHfsr:
      hfsr_ &= ~value;
      return;
    case kDfsr:
      dfsr_ &= ~value;
      return;
    case kMmfar:
      mmfar_ = value;
      return;
    case kBfar:
      bfar_ = value;
      return;
    case kCpacr:
      cpacr_ = value & (0xFu << 20);
      return;
    case kStir:
      if ((value & 0x1FF) < kIrqCount) pend_[kFirstIrq + (value & 0x1FF)] = true;
      return;
    case kFpccr:
      fpccr_ = value & kFpccrWritable;
      return;
    case kFpcar:
      fpcar_ = value & ~7u;
      return;
    case kFpdscr:
      fpdscr_ = value & 0x07C00000;
      return;
    case kCpuid:
    case kIctr:
      record(offset, true, value, AccessKind::kReadOnly);
      return;
    default:
      record(offset, true, value,
             in(offset, kIabr, kIabr + 0x40) ? AccessKind::kReadOnly : AccessKind::kUnmodelled);
      return;
  }
}

std::uint32_t Nvic::icsr() const {
  std::uint32_t v = current();
  if (stack_.size() <= 1) v |= SCB_ICSR_RETTOBASE;
  unsigned best = 0;
  for (unsigned e = 2; e < kExceptionCount; ++e) {
    if (pending(e) && enabled(e) && (best == 0 || sub_first(e, best))) best = e;
  }
  v |= best << SCB_ICSR_VECTPENDING_POS;
  for (unsigned irq = 0; irq < kIrqCount; ++irq) {
    if (pending(kFirstIrq + irq)) v |= SCB_ICSR_ISRPENDING;
  }
  if (pend_[kSysTick]) v |= SCB_ICSR_PENDSTSET;
  if (pend_[kPendSv]) v |= SCB_ICSR_PENDSVSET;
  if (pend_[kNmi]) v |= SCB_ICSR_NMIPENDSET;
  return v;
}

std::uint32_t Nvic::shcsr() const {
  std::uint32_t v = shcsr_enables_;
  for (const auto& b : kShcsrActive) {
    if (active_[b.exception]) v |= b.bit;
  }
  for (const auto& b : kShcsrPended) {
    if (pend_[b.exception]) v |= b.bit;
  }
  return v;
}

Cycles Nvic::next_event(Cycles now) const { return systick_.next_event(now); }

void Nvic::advance(Cycles now) {
  if (systick_.advance(now)) pend_[kSysTick] = true;
}

bool Nvic::volatile_register(std::uint32_t offset) const {
  return (offset & ~3u) == kSysTickRegs + SysTick::kVal && systick_.counting();
}

void Nvic::reserve_lazy_fp(std::uint32_t fp_space, bool unprivileged, bool thread,
                           int execution_priority) {
  if ((fpccr_ & FPU_FPCCR_LSPEN) == 0) return;
  // Whether each fault could be set pending from the code interrupted.
  const auto ready = [&](unsigned exception) {
    return enabled(exception) && group_priority(exception) < execution_priority;
  };
  fpcar_ = fp_space & ~7u;
  fpccr_ &= FPU_FPCCR_ASPEN | FPU_FPCCR_LSPEN;
  fpccr_ |= FPU_FPCCR_LSPACT;
  if (unprivileged) fpccr_ |= FPU_FPCCR_USER;
  if (thread) fpccr_ |= FPU_FPCCR_THREAD;
  if (execution_priority > -1) fpccr_ |= FPU_FPCCR_HFRDY;
  if (ready(kMemManage)) fpccr_ |= FPU_FPCCR_MMRDY;
  if (ready(kBusFault)) fpccr_ |= FPU_FPCCR_BFRDY;
  // MONRDY stays clear: the debug monitor is never enabled here.
}

void Nvic::set_irq_line(unsigned irq, bool high) {
  if (irq < kIrqCount) line_[irq] = high;
}

bool Nvic::pending(unsigned exception) const {
  if (exception >= kExceptionCount) return false;
  if (exception >= kFirstIrq) {
    const unsigned irq = exception - kFirstIrq;
    return pend_[exception] || (line_[irq] && !active_[exception]);
  }
  return pend_[exception];
}

bool Nvic::enabled(unsigned exception) const {
  if (exception >= kFirstIrq) return exception < kExceptionCount && enable_[exception - kFirstIrq];
  switch (exception) {
    case kMemManage:
      return (shcsr_enables_ & SCB_SHCSR_MEMFAULTENA) != 0;
    case kBusFault:
      return (shcsr_enables_ & SCB_SHCSR_BUSFAULTENA) != 0;
    case kUsageFault:
      return (shcsr_enables_ & SCB_SHCSR_USGFAULTENA) != 0;
    case kNmi:
    case kHardFault:
    case kSvCall:
    case kDebugMonitor:
    case kPendSv:
    case kSysTick:
      return true;
    default:
      return false;
  }
}

std::uint8_t Nvic::priority(unsigned exception) const {
  return exception < kExceptionCount ? priority_[exception] : 0;
}

void Nvic::set_pending(unsigned exception) {
  if (exception < kExceptionCount) pend_[exception] = true;
}

int Nvic::group_priority(unsigned exception) const {
  if (exception == kNmi) return -2;
  if (exception == kHardFault) return -1;
  const std::uint8_t group_mask = static_cast<std::uint8_t>(0xFF << (prigroup_ + 1));
  return priority_[exception] & group_mask;
}

// Among equal group priority: lower subpriority first, then lower number.
bool Nvic::sub_first(unsigned a, unsigned b) const {
  const int ga = group_priority(a), gb = group_priority(b);
  if (ga != gb) return ga < gb;
  const int pa = a < kFirstIrq && a <= kHardFault ? ga : priority_[a];
  const int pb = b < kFirstIrq && b <= kHardFault ? gb : priority_[b];
  if (pa != pb) return pa < pb;
  return a < b;
}

int Nvic::execution_priority(bool primask, std::uint8_t basepri, bool faultmask) const {
  int p = 256;
  for (unsigned e : stack_) p = std::min(p, group_priority(e));
  const std::uint8_t group_mask = static_cast<std::uint8_t>(0xFF << (prigroup_ + 1));
  if (basepri & kImplementedPriorityBits)
    p = std::min(p, basepri & kImplementedPriorityBits & group_mask);
  if (primask) p = std::min(p, 0);
  if (faultmask) p = std::min(p, -1);
  return p;
}

unsigned Nvic::next_to_take(bool primask, std::uint8_t basepri, bool faultmask) const {
  const int limit = execution_priority(primask, basepri, faultmask);
  unsigned best = 0;
  for (unsigned e = 2; e < kExceptionCount; ++e) {
    if (!pending(e) || !enabled(e) || group_priority(e) >= limit) continue;
    if (best == 0 || sub_first(e, best)) best = e;
  }
  return best;
}

bool Nvic::wakes_from_wfi(std::uint8_t basepri, bool faultmask) const {
  return next_to_take(false, basepri, faultmask) != 0;
}

void Nvic::activate(unsigned exception) {
  pend_[exception] = false;
  active_[exception] = true;
  stack_.push_back(exception);
}

void Nvic::deactivate(unsigned exception) {
  active_[exception] = false;
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
    if (*it == exception) {
      stack_.erase(std::next(it).base());
      break;
    }
  }
}

void Nvic::restore_active_stack(const std::vector<unsigned>& stack) {
  active_.fill(false);
  stack_ = stack;
  for (unsigned e : stack_) active_[e] = true;
}

unsigned Nvic::route_fault(FaultKind kind, std::uint32_t address, bool address_valid,
                           int current_execution_priority) {
  const auto bits = static_cast<std::uint32_t>(kind);
  unsigned handler = kUsageFault;
  if (bits & SCB_CFSR_MEMFAULTSR_MASK)
    handler = kMemManage;
  else if (bits & SCB_CFSR_BUSFAULTSR_MASK)
    handler = kBusFault;
  cfsr_ |= bits;
  if (address_valid && handler == kBusFault) {
    bfar_ = address;
    cfsr_ |= SCB_CFSR_BFARVALID;
  }
  if (address_valid && handler == kMemManage) {
    mmfar_ = address;
    cfsr_ |= SCB_CFSR_MMARVALID;
  }
  if (enabled(handler) && group_priority(handler) < current_execution_priority) return handler;
  if (current_execution_priority <= -1) return 0;  // lockup
  hfsr_ |= SCB_HFSR_FORCED;
  return kHardFault;
}

unsigned Nvic::escalate(unsigned exception, int current_execution_priority) {
  if (enabled(exception) && group_priority(exception) < current_execution_priority)
    return exception;
  if (current_execution_priority <= -1) return 0;
  hfsr_ |= SCB_HFSR_FORCED;
  return kHardFault;
}

unsigned Nvic::debug_event(int current_execution_priority) {
  dfsr_ |= SCB_DFSR_BKPT;
  if (current_execution_priority <= -1) return 0;
  hfsr_ |= SCB_HFSR_DEBUGEVT;
  return kHardFault;
}

unsigned Nvic::vector_fault(int current_execution_priority) {
  if (current_execution_priority <= -1) return 0;
  hfsr_ |= SCB_HFSR_VECTTBL;
  return kHardFault;
}

bool Nvic::any_irq_could_preempt(int current_execution_priority) const {
  if (systick_.will_interrupt() && group_priority(kSysTick) < current_execution_priority)
    return true;
  for (unsigned irq = 0; irq < kIrqCount; ++irq) {
    if (enable_[irq] && group_priority(kFirstIrq + irq) < current_execution_priority) return true;
  }
  return false;
}

}  // namespace sim
