#include "sim/placa/board.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "board/chip/nucleo_cm4.h"
#include "sim/modelo/access_log.h"
#include "sim/serial/uart.h"

namespace sim {
namespace {

constexpr std::uint32_t kResetCpuHz = 12'000'000;  // internal oscillator
constexpr std::uint32_t kExceptionReturnArea = 0xFFFFFF00;
// Interrupt numbers the emulator reports to the interrupt hook.
constexpr std::uint32_t kIntrUndefined = 1, kIntrSvc = 2, kIntrPrefetchAbort = 3,
                        kIntrBreakpoint = 7, kIntrExceptionExit = 8, kIntrNoCoprocessor = 17,
                        kIntrInvalidState = 18, kIntrUnaligned = 22;
constexpr unsigned kMaxSettleRounds = 100000;
constexpr std::uint32_t kStopPad = kCallReturn.base + 0x100;
// The System Control Space, where the core's NVIC and SCB answer.
constexpr const char* kScsName = "SCS";
constexpr std::uint32_t kScsBase = SCS_BASE;
constexpr std::uint32_t kScsSize = 0x1000;
constexpr std::uint32_t kThumbBit = 1u << 24;  // EPSR.T

// The default memory map's execute-never regions: peripherals, devices and
// the system region.
bool execute_never(std::uint32_t address) {
  return (address >= 0x40000000 && address < 0x60000000) || address >= 0xA0000000;
}

constexpr std::array<const char*, 41> kIrqNames = {
    "WDT",   "TIMER0", "TIMER1", "TIMER2", "TIMER3", "UART0", "UART1",       "UART2",       "UART3",
    "PWM1",  "I2C0",   "I2C1",   "I2C2",   "",       "SSP0",  "SSP1",        "PLL0",        "RTC",
    "EINT0", "EINT1",  "EINT2",  "EINT3",  "ADC",    "BOD",   "USB",         "CAN",         "DMA",
    "I2S",   "ENET",   "MCI",    "MCPWM",  "QEI",    "PLL1",  "USBActivity", "CANActivity", "UART4",
    "SSP2",  "LCD",    "GPIO",   "PWM0",   "EEPROM"};

uc_engine* open_emulator() {
  uc_engine* uc = nullptr;
  if (const uc_err error = uc_open(UC_ARCH_ARM, UC_MODE_THUMB, &uc); error != UC_ERR_OK) {
    throw std::runtime_error(std::string("cannot open the CPU emulator: ") + uc_strerror(error));
  }
  // Must come first: the model cannot change once the CPU exists.
  if (const uc_err error = uc_ctl_set_cpu_model(uc, UC_CPU_ARM_CORTEX_M4); error != UC_ERR_OK) {
    uc_close(uc);
    throw std::runtime_error(std::string("the CPU emulator has no Cortex-M4: ") +
                             uc_strerror(error));
  }
  return uc;
}

void check(uc_err error, const char* what) {
  if (error != UC_ERR_OK) {
    throw std::runtime_error(std::string("CPU emulator: cannot ") + what + ": " +
                             uc_strerror(error));
  }
}

// What the emulator's exception numbers mean, for a report.
const char* emulator_exception_name(std::uint32_t intno) {
  switch (intno) {
    case 3:
      return "prefetch abort";
    case 4:
      return "data abort";
    case 5:
      return "IRQ";
    case 6:
      return "FIQ";
    case 9:
      return "kernel trap";
    case 16:
      return "semihosting call";
    case 19:
      return "stack limit";
    case 20:
      return "lazy FP stacking";
    case 21:
      return "lazy FP stacking error";
    default:
      return "exception";
  }
}

// Where an image may load: the memories, not the page calls return into.
std::vector<LoadArea> load_areas() {
  std::vector<LoadArea> areas;
  for (const MemoryRegion& r : kRegions) {
    if (r.base != kCallReturn.base) areas.push_back({r.name, r.base, r.size});
  }
  return areas;
}

std::string hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

}  // namespace

Board::Board(const std::filesystem::path& image, const Options& options)
    : options_(options),
      image_(image, load_areas()),
      uc_(open_emulator()),
      cpu_(uc_),
      memory_(std::make_unique<MemoryMap>(uc_, image_)),
      peripherals_(std::make_unique<Lpc4088Peripherals>(static_cast<IrqLines&>(*this), *memory_)),
      nvic_(ModelContext{IrqLine{}, peripherals_->clocks(), *memory_, [] { return true; },
                         RegisterLog{peripherals_->access_log(), kScsName, kScsBase}}),
      exceptions_(cpu_, nvic_, *memory_),
      watch_(static_cast<LoopWatch::Probe&>(*this)),
      clock_(kResetCpuHz) {
  locator_ = std::make_unique<FaultLocator>(uc_, *memory_, trial_, invalid_address_);
  if (options_.semihosting) {
    auto output = options_.semihosting_output;
    if (!output) {
      output = [this](int handle, std::string_view bytes) {
        semihosting_kept_[handle == 2] += bytes;
      };
    }
    semihosting_ = std::make_unique<Semihosting>(*memory_, std::move(output));
  }
  set_up_emulator();
  map_peripherals();
  reset();
}

Board::~Board() {
  if (uc_ != nullptr) uc_close(uc_);
}

void Board::set_up_emulator() {
  uc_hook hook;
  check(uc_hook_add(uc_, &hook, UC_HOOK_BLOCK, reinterpret_cast<void*>(&Board::block_hook), this, 1,
                    0),
        "add the block hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&Board::interrupt_hook), this,
                    1, 0),
        "add the interrupt hook");
  check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_INVALID,
                    reinterpret_cast<void*>(&Board::invalid_memory_hook), this, 1, 0),
        "add the memory fault hook");
  // Code in flash cannot change: scanned once here. Code elsewhere is
  // scanned as it runs (scan_block).
  for (const Segment& s : image_.segments()) {
    if (s.address >= kFlash.base + kFlash.size) continue;
    hook_mask_changes(s.bytes.data(), s.bytes.size(), s.address);
  }
  for (const Segment& s : image_.segments()) {
    if (s.address < kFlash.base + kFlash.size) traps_.scan(s.bytes.data(), s.bytes.size(), s.address);
  }
  arm_traps();

  if (auto stop = image_.find("parar_con_error")) error_stop_address_ = stop->address;

  peripherals_->on_output_change([this](const PinChange& c) {
    output_changes_.push_back({clock_.seconds_at(c.time), c.time, Pin{c.port, c.pin}, c.level});
  });
  if (options_.fail_on_unmodelled) {
    // Both end the run; the message says whether the firmware or the board
    // is at fault.
    peripherals_->fail_on_unmodelled([this](const RecordedAccess& a) {
      unmodelled_failure_ =
          std::string(is_guest_error(a.kind) ? "firmware error: " : "unmodelled: ") + describe(a) +
          " at pc " + hex(cpu_.pc());
      check(uc_emu_stop(uc_), "stop the run");
    });
  }
}

void Board::map_peripherals() {
  std::vector<Window> all = peripherals_->windows();
  all.push_back({kScsName, kScsBase, kScsSize, &nvic_, true});
  for (const Window& w : all) {
    auto m = std::make_unique<Mapping>(Mapping{this, w, w.model, mappings_.size()});
    check(uc_mmio_map(uc_, w.base, w.size, &Board::mmio_read, m.get(), &Board::mmio_write, m.get()),
          ("map " + std::string(w.name) + " at " + hex(w.base)).c_str());
    mappings_.push_back(std::move(m));
  }
  events_.assign(mappings_.size(), kNever);
  recompute_events();
}

void Board::reset() {
  // VTOR is 0 out of reset: the initial SP and PC are flash's first two words.
  std::uint32_t vectors[2] = {0, 0};
  if (!memory_->read_memory(kFlash.base, vectors, sizeof vectors)) {
    fault_ = FaultInfo{"reset vector fetch failed at " + hex(kFlash.base) + " (lockup)",
                       kFlash.base, 0, 0};
    reset_failed_ = true;
    return;
  }
  cpu_.set(UC_ARM_REG_MSP, vectors[0]);
  cpu_.set(UC_ARM_REG_SP, vectors[0]);
  cpu_.set_pc(vectors[1]);
}

// --- running ------------------------------------------------------------------

RunResult Board::run(double until_seconds, const std::function<bool()>* condition,
                     std::uint32_t stop_at) {
  if (!std::isfinite(until_seconds) || until_seconds > kMaxBoardSeconds) {
    throw std::invalid_argument("not a board time: " + std::to_string(until_seconds) +
                                " s (at most " + std::to_string(kMaxBoardSeconds) + " s)");
  }
  end_seconds_ = until_seconds;
  end_ = clock_.cycles_at(until_seconds);
  return run_from_here(condition, stop_at);
}

RunResult Board::run_to_cycle(Cycles end, Stop at_end) {
  end_ = end;
  end_in_cycles_ = true;
  at_end_ = at_end;
  try {
    const RunResult r = run_from_here(nullptr, 0);
    end_in_cycles_ = false;
    at_end_ = Stop::Time;
    return r;
  } catch (...) {
    end_in_cycles_ = false;
    at_end_ = Stop::Time;
    throw;
  }
}

RunResult Board::run_from_here(const std::function<bool()>* condition, std::uint32_t stop_at) {
  if (breakpoints_.count(cpu_.pc() & ~1u) != 0) resume_over_ = cpu_.pc() & ~1u;
  condition_ = condition;
  stop_address_ = stop_at;
  stop_ = Stop::None;
  parking_.reset();
  recompute_deadline();
  // A core that could not fetch its reset vectors never runs.
  if (reset_failed_) stop_ = Stop::Fault;
  while (stop_ == Stop::None) {
    service_time();
    if (now_ >= end_) {
      stop_ = at_end_;
      break;
    }
    if (sleeping_) {
      if (!exceptions_.wakes_from_wfi()) {
        now_ = std::max(now_, std::min(deadline_, end_));
        continue;
      }
      sleeping_ = false;
    }
    if (condition_ != nullptr && (*condition_)()) {
      stop_ = Stop::Condition;
      break;
    }
    irq_check_ = true;
    const uc_err error = uc_emu_start(uc_, cpu_.pc() | 1, 0, 0, 0);
    if (resume_at_) {
      cpu_.set_pc(*resume_at_);
      resume_at_.reset();
    }
    if (unmodelled_failure_) {
      const std::string message = *unmodelled_failure_;
      unmodelled_failure_.reset();
      end_precise();
      throw std::runtime_error(message);
    }
    if (error != UC_ERR_OK) {
      handle_emulator_error(error);
      // A stop made out here goes through the pad too: put PC back now.
      if (resume_at_) {
        cpu_.set_pc(*resume_at_);
        resume_at_.reset();
      }
      continue;
    }
    if (stop_ == Stop::Precise) {
      // The next block would run past the end: run it instruction by
      // instruction, so the run ends on the end's own cycle.
      stop_ = Stop::None;
      count_one_by_one(precise_.pending_address, precise_.pending_size);
      continue;
    }
    if (stop_ == Stop::None && sleep_on_exit_) {
      sleep_on_exit_ = false;
      sleeping_ = true;
      continue;
    }
    if (stop_ == Stop::None) {
      // The emulator returns on its own only after WFI.
      std::uint16_t previous = 0;
      memory_->read_memory(cpu_.pc() - 2, &previous, 2);
      if (previous != kWfi) throw std::runtime_error("emulator stopped at " + hex(cpu_.pc()));
      sleeping_ = true;
    }
  }
  end_precise();
  resume_over_.reset();
  condition_ = nullptr;
  stop_address_ = 0;
  RunResult result;
  result.time = seconds();
  switch (stop_) {
    case Stop::ErrorStop:
      result.reason = StopReason::ErrorStop;
      break;
    case Stop::Fault:
      result.reason = StopReason::Fault;
      break;
    case Stop::Parked:
      result.reason = StopReason::Parked;
      break;
    case Stop::Exited:
      result.reason = StopReason::Exited;
      break;
    case Stop::Breakpoint:
      result.reason = StopReason::Breakpoint;
      break;
    case Stop::Watchpoint:
      result.reason = StopReason::Watchpoint;
      result.watch = watch_hit_;
      break;
    case Stop::Stepped:
      result.reason = StopReason::Stepped;
      break;
    case Stop::Condition:
    case Stop::CallReturned:
      result.reason = StopReason::Condition;
      break;
    default:
      // An error stop whose routine never parked (interrupts left on) still
      // ended the firmware's work.
      result.reason = error_stop_drawing_ && stop_ == Stop::Time ? StopReason::ErrorStop
                                                                 : StopReason::TimeReached;
      break;
  }
  return result;
}

// A PC write from a hook restarts the emulator at the new address and drops
// any stop request, so a stop goes through a branch-to-self pad where the
// request is made; the run loop then puts PC back where the stop was.
void Board::stop_at(std::uint32_t address, Stop why) {
  stop_ = why;
  resume_at_ = address;
  cpu_.set_pc(kStopPad);
}

void Board::block_hook(uc_engine*, std::uint64_t address, std::uint32_t size, void* user) {
  static_cast<Board*>(user)->on_block(static_cast<std::uint32_t>(address), size);
}

void Board::mask_hook(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
  auto* board = static_cast<Board*>(user);
  if (board->trial_.active) return;
  board->on_mask_change(static_cast<std::uint32_t>(address));
}

// Unmasking does not end a translated block: each place that may change a
// mask is looked at right after, so an interrupt it lets in is taken there.
void Board::hook_mask_changes(const std::uint8_t* code, std::size_t size, std::uint32_t base) {
  for (std::uint32_t site : find_mask_changes(code, size, base)) {
    if (!mask_sites_.insert(site).second) continue;
    uc_hook hook;
    check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&Board::mask_hook), this,
                      site, site),
          "add a mask hook");
  }
}

void Board::on_mask_change(std::uint32_t address) {
  // The emulator keeps all 8 bits of BASEPRI; the chip only the implemented ones.
  const std::uint32_t basepri = cpu_.get(UC_ARM_REG_BASEPRI);
  if ((basepri & ~std::uint32_t{kImplementedPriorityBits}) != 0) {
    cpu_.set(UC_ARM_REG_BASEPRI, basepri & kImplementedPriorityBits);
  }
  irq_check_ = true;
  if (stop_ == Stop::None) take_exception_if_due(address);
}

// Only this block's translation is dropped, never all translated code (a
// full flush costs about 0.3 s on this emulator).
bool Board::scan_block(std::uint32_t address, std::uint32_t size) {
  const std::uint8_t* code = static_cast<const MemoryMap&>(*memory_).host(address, size);
  if (code == nullptr) return false;
  auto [seen, added] = scanned_blocks_.try_emplace(address);
  if (!added && seen->second.size() == size && std::memcmp(seen->second.data(), code, size) == 0) {
    return false;
  }
  seen->second.assign(code, code + size);
  const std::size_t before = mask_sites_.size();
  hook_mask_changes(code, size, address);
  if (mask_sites_.size() == before) return false;
  // A site just past the block belongs to the next one: drop that too.
  check(uc_ctl_remove_cache(uc_, address, address + size + 2), "drop translated code");
  cpu_.set_pc(address);
  return true;
}

void Board::on_block(std::uint32_t address, std::uint32_t size) {
  if (trial_.active) {
    // A tried instruction that branches away ends its try.
    if (address != trial_.start) check(uc_emu_stop(uc_), "stop a try");
    return;
  }
  if (address == kStopPad || stop_ != Stop::None) {
    check(uc_emu_stop(uc_), "stop the run");
    return;
  }
  if (watch_pending_) {
    watch_pending_ = false;
    return stop_at(address, Stop::Watchpoint);
  }
  if (calling_ && address == kCallReturn.base) return stop_at(address, Stop::CallReturned);
  if (address == error_stop_address_ && error_stop_address_ != 0) {
    if (!options_.error_stop_draws || calling_) {
      capture_error_stop();
      return stop_at(address, Stop::ErrorStop);
    }
    // The report is the first call's, should drawing it fail a check again.
    if (!error_stop_drawing_) capture_error_stop();
    error_stop_drawing_ = true;
  }
  if (address == stop_address_) return stop_at(address, Stop::Condition);
  if (address - kFlash.base >= kFlash.size && scan_block(address, size)) return;
  if (now_ >= deadline_) {
    service_time();
    if (now_ >= end_) return stop_at(address, at_end_);
  }
  if (irq_check_ && take_exception_if_due(address)) return;
  if (condition_ != nullptr && (*condition_)()) return stop_at(address, Stop::Condition);
  current_block_ = address;
  current_block_size_ = size;
  if (precise_.on && address == precise_.address) return;  // the instruction hook counts
  const unsigned n = counter_.count(address, size, [this](std::uint32_t a, std::uint32_t s) {
    return static_cast<const MemoryMap&>(*memory_).host(a, s);
  });
  if (now_ + n > end_) {
    precise_.pending_address = address;
    precise_.pending_size = size;
    return stop_at(address, Stop::Precise);
  }
  now_ += n;
  instructions_ += n;
  // Watched with or without idle skipping: whether the CPU is parked for
  // good must not depend on how fast the board gets there.
  if (watch_.on_block(address)) on_idle_loop(address);
}

void Board::trap_hook(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
  auto* board = static_cast<Board*>(user);
  if (board->trial_.active || board->stop_ != Stop::None) return;
  const auto at = static_cast<std::uint32_t>(address);
  const auto kind = board->traps_.check(at, board->cpu_, board->nvic_.ccr(), board->nvic_.cpacr());
  if (!kind) return;
  const char* what = *kind == FaultKind::NoCoprocessor ? "FP instruction with the FPU off (NOCP)"
                     : *kind == FaultKind::DivideByZero ? "divide by zero (DIVBYZERO)"
                                                        : "unaligned access (UNALIGNED)";
  // The instruction does not run: its fault stacks its own address.
  board->raise_fault(*kind, at, false, at, what);
}

void Board::arm_traps() {
  const std::uint32_t ccr = nvic_.ccr(), cpacr = nvic_.cpacr();
  if (ccr == armed_ccr_ && cpacr == armed_cpacr_) return;
  armed_ccr_ = ccr;
  armed_cpacr_ = cpacr;
  std::unordered_map<std::uint32_t, uc_hook> wanted;
  for (std::uint32_t site : traps_.armed(ccr, cpacr)) {
    if (auto it = trap_hooks_.find(site); it != trap_hooks_.end()) {
      wanted.insert(*it);
      trap_hooks_.erase(it);
      continue;
    }
    uc_hook hook = 0;
    check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&Board::trap_hook), this,
                      site, site),
          "add a trap hook");
    check(uc_ctl_remove_cache(uc_, site, site + 4), "drop translated code");
    wanted.emplace(site, hook);
  }
  for (const auto& [site, hook] : trap_hooks_) {
    check(uc_hook_del(uc_, hook), "remove a trap hook");
    check(uc_ctl_remove_cache(uc_, site, site + 4), "drop translated code");
  }
  trap_hooks_ = std::move(wanted);
}

void Board::instruction_hook(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
  static_cast<Board*>(user)->on_instruction(static_cast<std::uint32_t>(address));
}

void Board::on_instruction(std::uint32_t address) {
  if (trial_.active) return;
  // Only inside the block being counted one by one (a block that starts
  // within its range is counted by the block hook).
  if (stop_ != Stop::None || current_block_ != precise_.address) return;
  if (now_ >= deadline_) service_time();
  if (now_ >= end_) return stop_at(address, at_end_);
  ++now_;
  ++instructions_;
}

// The instruction hook covers just the block that crosses the end, and only
// that block is translated again: flushing all translated code costs far
// more than a whole run (about 0.3 s on this emulator).
void Board::count_one_by_one(std::uint32_t address, std::uint32_t size) {
  end_precise();
  check(uc_hook_add(uc_, &precise_.hook, UC_HOOK_CODE,
                    reinterpret_cast<void*>(&Board::instruction_hook), this, address,
                    address + size - 1),
        "add the instruction hook");
  precise_ = {precise_.hook, address, size, true};
  check(uc_ctl_remove_cache(uc_, address, address + size), "drop translated code");
}

void Board::end_precise() {
  if (!precise_.on) return;
  check(uc_hook_del(uc_, precise_.hook), "remove the instruction hook");
  check(uc_ctl_remove_cache(uc_, precise_.address, precise_.address + precise_.size),
        "drop translated code");
  precise_ = {};
}

bool Board::take_exception_if_due(std::uint32_t return_address) {
  irq_check_ = false;
  const unsigned exception = exceptions_.takeable();
  if (exception == 0) return false;
  sleeping_ = false;
  if (!enter_exception(exception, return_address) && stop_ == Stop::None) {
    fault_ = FaultInfo{"stack outside RAM on exception entry", cpu_.get(UC_ARM_REG_SP),
                       return_address, seconds()};
    stop_at(return_address, Stop::Fault);
  }
  return true;
}

bool Board::enter_exception(unsigned exception, std::uint32_t return_address, bool thumb) {
  now_ += kEntryCycles;
  return after_entry(exception, exceptions_.enter(exception, return_address, thumb),
                     return_address);
}

bool Board::after_entry(unsigned exception, Exceptions::Entry entry, std::uint32_t return_address) {
  switch (entry) {
    case Exceptions::Entry::Taken:
      break;
    case Exceptions::Entry::StackFailed:
      return false;
    case Exceptions::Entry::VectorNotThumb: {
      // The handler's first fetch is in ARM state, which this core does not
      // have: a UsageFault (INVSTATE) that stacks the vector's address.
      const std::uint32_t handler = cpu_.pc() & ~1u;
      raise_fault(FaultKind::InvalidState, handler, false, handler,
                  "the vector of " + exception_name(exception) + " (" + hex(handler) +
                      ") has bit 0 clear (invalid state)",
                  false);
      return true;
    }
    case Exceptions::Entry::VectorFailed: {
      // The core cannot fetch the handler's address: a HardFault (VECTTBL),
      // and a lockup when that vector cannot be fetched either.
      const std::uint32_t slot = nvic_.vtor() + 4 * exception;
      std::string what =
          "vector table fetch failed for " + exception_name(exception) + " at " + hex(slot);
      if (exception != kHardFault && nvic_.vector_fault(exceptions_.execution_priority()) != 0) {
        const Exceptions::Entry hard = exceptions_.enter_after_vector_fault(kHardFault);
        if (hard != Exceptions::Entry::VectorFailed) {
          fault_ = FaultInfo{what, slot, return_address, seconds()};
          return after_entry(kHardFault, hard, return_address);
        }
        what += ", then for HardFault at " + hex(nvic_.vtor() + 4 * kHardFault);
      }
      fault_ = FaultInfo{what + " (lockup)", slot, return_address, seconds()};
      parking_ = make_parking(return_address);
      stop_at(return_address, Stop::Fault);
      return true;
    }
  }
  irq_check_ = true;
  watch_.reset();
  return true;
}

void Board::on_idle_loop(std::uint32_t address) {
  const int priority = exceptions_.execution_priority();
  const unsigned e = nvic_.current();
  const bool for_good = !future_events() ||
                        (!nvic_.any_irq_could_preempt(priority) && watch_.last_pass_read_nothing());
  if (for_good) parking_ = make_parking(address);
  // An error stop that drew its report ends where it parks, handler or not.
  if (for_good && error_stop_drawing_) return stop_at(address, Stop::ErrorStop);
  // A handler that never returns is where the firmware ends; a thread-mode
  // loop is still the application, waiting for inputs that may never come.
  if (for_good && e != 0) {
    return stop_at(address, e >= kHardFault && e <= kUsageFault ? Stop::Fault : Stop::Parked);
  }
  if (!options_.idle_skipping) {
    watch_.suspend();
    return;
  }
  now_ = std::max(now_, std::min(deadline_, end_));
  watch_.reset();
  service_time();
  if (now_ >= end_) return stop_at(address, at_end_);
  take_exception_if_due(address);
}

bool Board::future_events() const {
  if (!stimuli_.empty()) return true;
  return std::any_of(events_.begin(), events_.end(), [](Cycles e) { return e != kNever; });
}

Parking Board::make_parking(std::uint32_t pc) const {
  Parking p;
  p.pc = pc;
  if (const Symbol* s = image_.containing(pc)) p.function = s->name;
  p.exception = nvic_.current();
  p.exception_name = exception_name(p.exception);
  p.time = seconds();
  return p;
}

// --- debugger ----------------------------------------------------------------------

RunResult Board::step() { return run_to_cycle(now_ + 1, Stop::Stepped); }

void Board::breakpoint_hook(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
  auto* board = static_cast<Board*>(user);
  if (board->trial_.active || board->stop_ != Stop::None) return;
  const auto at = static_cast<std::uint32_t>(address);
  if (board->resume_over_ == at) {
    board->resume_over_.reset();  // the instruction the run started on runs once
    return;
  }
  // The block was counted whole when it began: take back what did not run.
  if (!(board->precise_.on && board->current_block_ == board->precise_.address)) {
    const std::uint8_t* code = board->memory_->host(board->current_block_, at - board->current_block_);
    const unsigned ran =
        code ? count_thumb_instructions(code, at - board->current_block_) : 0;
    const unsigned whole = board->counter_.count(
        board->current_block_, board->current_block_size_,
        [board](std::uint32_t a, std::uint32_t n) {
          return static_cast<const MemoryMap&>(*board->memory_).host(a, n);
        });
    board->now_ -= whole - ran;
    board->instructions_ -= whole - ran;
  }
  board->stop_at(at, Stop::Breakpoint);
}

void Board::add_breakpoint(std::uint32_t address) {
  address &= ~1u;
  if (breakpoints_.count(address) != 0) return;
  uc_hook hook = 0;
  check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&Board::breakpoint_hook),
                    this, address, address),
        "add a breakpoint");
  check(uc_ctl_remove_cache(uc_, address, address + 2), "drop translated code");
  breakpoints_.emplace(address, hook);
}

void Board::remove_breakpoint(std::uint32_t address) {
  address &= ~1u;
  const auto it = breakpoints_.find(address);
  if (it == breakpoints_.end()) return;
  check(uc_hook_del(uc_, it->second), "remove a breakpoint");
  check(uc_ctl_remove_cache(uc_, address, address + 2), "drop translated code");
  breakpoints_.erase(it);
}

void Board::watch_hook(uc_engine*, uc_mem_type type, std::uint64_t address, int, std::int64_t,
                       void* user) {
  auto* board = static_cast<Board*>(user);
  if (board->trial_.active || board->stop_ != Stop::None) return;
  // The emulator knows the access, not the instruction: the run stops at
  // the end of the block that made it.
  // Stopping inside the access would make the emulator run the
  // instruction again: the next block's start stops the run instead.
  if (board->watch_pending_) return;
  board->watch_hit_ = {static_cast<std::uint32_t>(address),
                       type == UC_MEM_WRITE ? WatchKind::Write : WatchKind::Read};
  board->watch_pending_ = true;
}

void Board::add_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind) {
  if (length == 0) throw std::invalid_argument("a watchpoint covers at least one byte");
  const int type = kind == WatchKind::Write  ? UC_HOOK_MEM_WRITE
                   : kind == WatchKind::Read ? UC_HOOK_MEM_READ
                                             : UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE;
  uc_hook hook = 0;
  check(uc_hook_add(uc_, &hook, type, reinterpret_cast<void*>(&Board::watch_hook), this, address,
                    std::uint64_t{address} + length - 1),
        "add a watchpoint");
  watches_.push_back({address, length, kind, hook});
}

void Board::remove_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind) {
  for (auto it = watches_.begin(); it != watches_.end(); ++it) {
    if (it->address == address && it->length == length && it->kind == kind) {
      check(uc_hook_del(uc_, it->hook), "remove a watchpoint");
      watches_.erase(it);
      return;
    }
  }
}

void Board::semihosting_input(std::string_view bytes) {
  if (!semihosting_) throw std::logic_error("semihosting is off");
  semihosting_->add_input(bytes);
}

std::string Board::exception_name(unsigned exception) const {
  switch (exception) {
    case 0:
      return "thread mode";
    case kNmi:
      return "NMI";
    case kHardFault:
      return "HardFault";
    case kMemManage:
      return "MemManage";
    case kBusFault:
      return "BusFault";
    case kUsageFault:
      return "UsageFault";
    case kSvCall:
      return "SVCall";
    case kDebugMonitor:
      return "DebugMonitor";
    case kPendSv:
      return "PendSV";
    case kSysTick:
      return "SysTick";
    default:
      break;
  }
  const unsigned irq = exception - kFirstIrq;
  std::string name = "IRQ " + std::to_string(irq);
  if (exception >= kFirstIrq && !irq_line_name(irq).empty()) {
    name += " (" + irq_line_name(irq) + ")";
  }
  return name;
}

std::string Board::irq_line_name(unsigned irq) {
  return irq < kIrqNames.size() ? kIrqNames[irq] : "";
}

// --- exceptions the emulator reports --------------------------------------------

void Board::interrupt_hook(uc_engine*, std::uint32_t intno, void* user) {
  if (auto* board = static_cast<Board*>(user); board->trial_.active) {
    check(uc_emu_stop(board->uc_), "stop a try");
    return;
  }
  static_cast<Board*>(user)->on_interrupt(intno);
}

void Board::on_interrupt(std::uint32_t intno) {
  const std::uint32_t pc = cpu_.pc();
  if ((intno == kIntrExceptionExit || intno == kIntrPrefetchAbort) && pc >= kExceptionReturnArea) {
    switch (exceptions_.exception_return(pc | 1)) {
      case Exceptions::Return::Resumed:
        now_ += kReturnCycles;
        if (nvic_.current() == 0 && nvic_.sleep_on_exit()) {
          // Sleeps as after WFI, before the thread's next instruction.
          sleep_on_exit_ = true;
          resume_at_ = cpu_.pc();
          cpu_.set_pc(kStopPad);
        }
        break;
      case Exceptions::Return::TailChained:
        now_ += kTailChainCycles;
        break;
      case Exceptions::Return::TailChainedNotThumb:
        now_ += kTailChainCycles;
        after_entry(exceptions_.tail_chain_target(), Exceptions::Entry::VectorNotThumb, pc | 1);
        return;
      case Exceptions::Return::TailChainVectorFailed:
        now_ += kTailChainCycles;
        after_entry(exceptions_.tail_chain_target(), Exceptions::Entry::VectorFailed, pc | 1);
        return;
      case Exceptions::Return::BadReturn:
        fault_ = FaultInfo{"invalid exception return", pc | 1, pc, seconds()};
        stop_ = Stop::Fault;
        check(uc_emu_stop(uc_), "stop the run");
        return;
    }
    irq_check_ = true;
    watch_.reset();
    return;
  }
  if (intno == kIntrPrefetchAbort && execute_never(pc)) {
    return raise_fault(FaultKind::InstructionAccess, pc, false, pc,
                       "execution from the execute-never region at " + hex(pc));
  }
  switch (intno) {
    case kIntrSvc: {
      const unsigned handler = nvic_.escalate(kSvCall, exceptions_.execution_priority());
      // SVC reports the address after the instruction.
      if (handler != 0 && enter_exception(handler, pc)) return;
      if (stop_ != Stop::None) return;
      fault_ = FaultInfo{"lockup on " + exception_name(kSvCall), pc, pc, seconds()};
      stop_ = Stop::Fault;
      check(uc_emu_stop(uc_), "stop the run");
      return;
    }
    case kIntrBreakpoint: {
      if (semihosting_) {
        std::uint16_t instruction = 0;
        memory_->read_memory(pc, &instruction, 2);
        if (instruction == kSemihostingBkpt) {
          const Semihosting::Call call = semihosting_->serve(cpu_.r(0), cpu_.r(1), seconds());
          cpu_.set_r(0, call.result);
          if (call.exit_status) {
            exit_status_ = call.exit_status;
            return stop_at(pc + 2, Stop::Exited);
          }
          return cpu_.set_pc(pc + 2);
        }
      }
      if (options_.debugger_attached) return stop_at(pc, Stop::Breakpoint);
      // With no debugger and the debug monitor off, a breakpoint is a
      // debug event that escalates to HardFault, stacking the BKPT itself.
      fault_ = FaultInfo{"breakpoint (BKPT) with no debugger", pc, pc, seconds()};
      const unsigned handler = nvic_.debug_event(exceptions_.execution_priority());
      if (handler != 0 && enter_exception(handler, pc)) return;
      if (stop_ != Stop::None) return;
      fault_->kind += " (lockup)";
      parking_ = make_parking(pc);
      stop_ = Stop::Fault;
      check(uc_emu_stop(uc_), "stop the run");
      return;
    }
    case kIntrUndefined:
      return raise_fault(FaultKind::UndefinedInstruction, pc, false, pc, "undefined instruction");
    case kIntrNoCoprocessor:
      return raise_fault(FaultKind::NoCoprocessor, pc, false, pc, "coprocessor not available");
    case kIntrInvalidState:
      return raise_fault(FaultKind::InvalidState, pc, false, pc,
                         "invalid state (branch to an ARM address)", false);
    case kIntrUnaligned:
      return raise_fault(FaultKind::Unaligned, pc, false, pc, "unaligned access");
    default:
      // Nothing the firmware can do should get here; if it does, the run
      // ends as a fault that says where and what, never as a guess.
      fault_ = FaultInfo{std::string("CPU emulator ") + emulator_exception_name(intno) + " (" +
                             std::to_string(intno) + ") at pc " + hex(pc),
                         pc, pc, seconds()};
      parking_ = make_parking(pc);
      stop_ = Stop::Fault;
      check(uc_emu_stop(uc_), "stop the run");
  }
}

bool Board::invalid_memory_hook(uc_engine*, uc_mem_type, std::uint64_t address, int, std::int64_t,
                                void* user) {
  static_cast<Board*>(user)->invalid_address_ = static_cast<std::uint32_t>(address);
  return false;
}

void Board::handle_emulator_error(uc_err error) {
  const std::uint32_t pc = cpu_.pc();
  // The emulator leaves PC at the start of the block; the fault is precise.
  const auto faulting = [&] {
    const std::uint32_t fault_address = invalid_address_;
    const std::uint32_t at = locator_->locate(current_block_, current_block_size_, fault_address);
    invalid_address_ = fault_address;
    return at;
  };
  switch (error) {
    case UC_ERR_READ_UNMAPPED:
    case UC_ERR_READ_PROT:
    case UC_ERR_READ_UNALIGNED:
      return raise_fault(FaultKind::DataBus, invalid_address_, true, faulting(),
                         "bus fault reading " + hex(invalid_address_));
    case UC_ERR_WRITE_UNMAPPED:
    case UC_ERR_WRITE_PROT:
    case UC_ERR_WRITE_UNALIGNED:
      return raise_fault(FaultKind::DataBus, invalid_address_, true, faulting(),
                         "bus fault writing " + hex(invalid_address_));
    case UC_ERR_FETCH_UNMAPPED:
    case UC_ERR_FETCH_PROT:
    case UC_ERR_FETCH_UNALIGNED:
      return raise_fault(FaultKind::InstructionBus, invalid_address_, false, invalid_address_,
                         "execution from " + hex(invalid_address_));
    case UC_ERR_INSN_INVALID:
      // With T clear the core was sent to ARM state, which it does not have.
      if ((cpu_.get(UC_ARM_REG_XPSR) & kThumbBit) == 0) {
        return raise_fault(FaultKind::InvalidState, pc, false, pc,
                           "invalid state (branch to an ARM address)", false);
      }
      return raise_fault(FaultKind::UndefinedInstruction, pc, false, pc, "undefined instruction");
    default:
      throw std::runtime_error(std::string("CPU emulator: ") + uc_strerror(error));
  }
}

void Board::raise_fault(FaultKind kind, std::uint32_t address, bool address_valid,
                        std::uint32_t return_address, const std::string& description, bool thumb) {
  fault_ = FaultInfo{description, address, return_address, seconds()};
  const unsigned handler =
      nvic_.route_fault(kind, address, address_valid, exceptions_.execution_priority());
  if (handler != 0 && enter_exception(handler, return_address, thumb)) return;
  if (stop_ != Stop::None) return;
  fault_->kind += " (lockup)";
  parking_ = make_parking(return_address);
  stop_at(return_address, Stop::Fault);
}

void Board::capture_error_stop() {
  auto text = [this](std::uint32_t address) {
    std::string s;
    char c = 0;
    while (s.size() < 512 &&
           memory_->read_memory(address + static_cast<std::uint32_t>(s.size()), &c, 1) &&
           c != '\0') {
      s.push_back(c);
    }
    return s;
  };
  error_stop_ = ErrorStopInfo{text(cpu_.r(0)), text(cpu_.r(1)), static_cast<int>(cpu_.r(2)),
                              text(cpu_.r(3)), seconds()};
}

// --- peripherals and time -----------------------------------------------------

std::uint64_t Board::mmio_read(uc_engine*, std::uint64_t offset, unsigned size, void* user) {
  const auto* m = static_cast<const Mapping*>(user);
  if (m->board->trial_.active) return 0;  // a try must not move a model's state
  return m->board->on_read(*m, static_cast<std::uint32_t>(offset), size);
}

void Board::mmio_write(uc_engine*, std::uint64_t offset, unsigned size, std::uint64_t value,
                       void* user) {
  const auto* m = static_cast<const Mapping*>(user);
  if (m->board->trial_.active) return;
  m->board->on_write(*m, static_cast<std::uint32_t>(offset), size,
                     static_cast<std::uint32_t>(value));
}

std::uint32_t Board::on_read(const Mapping& m, std::uint32_t offset, unsigned size) {
  if (m.peripheral == &nvic_) exceptions_.sync_lazy_fp();
  const std::uint32_t value = m.peripheral->read(offset, size, now_);
  watch_.on_access(m.window.base + offset, value, false, m.peripheral->volatile_register(offset));
  after_access(m);
  return value;
}

void Board::on_write(const Mapping& m, std::uint32_t offset, unsigned size, std::uint32_t value) {
  m.peripheral->write(offset, value, size, now_);
  watch_.on_access(m.window.base + offset, value, true, false);
  if (m.peripheral == &nvic_) {
    irq_check_ = true;
    arm_traps();
  }
  after_access(m);
  refresh_clock();
}

void Board::after_access(const Mapping& m) {
  const Cycles e = m.peripheral->next_event(now_);
  events_[m.index] = e;
  deadline_ = std::min(deadline_, e);
}

void Board::set_irq_line(unsigned irq, bool high) {
  nvic_.set_irq_line(irq, high);
  irq_check_ = true;
  // Models may restate a level they already drive; only changes are kept.
  if (irq >= irq_levels_.size()) irq_levels_.resize(irq + 1, false);
  if (irq_levels_[irq] != high) {
    irq_levels_[irq] = high;
    irq_changes_.push_back({clock_.seconds_at(now_), now_, irq, high});
  }
}

void Board::refresh_clock() {
  const std::uint32_t hz = peripherals_->clocks().cpu_hz();
  if (hz == clock_.hz() || hz == 0) return;
  clock_.change(now_, hz);
  if (!end_in_cycles_) end_ = clock_.cycles_at(end_seconds_);
  recompute_events();
}

void Board::recompute_events() {
  for (const auto& m : mappings_) events_[m->index] = m->peripheral->next_event(now_);
  recompute_deadline();
}

void Board::recompute_deadline() {
  Cycles d = end_;
  if (!stimuli_.empty()) d = std::min(d, clock_.cycles_at(stimuli_.front().at));
  for (Cycles e : events_) d = std::min(d, e);
  deadline_ = d;
}

void Board::service_time() {
  for (unsigned round = 0;; ++round) {
    if (round == kMaxSettleRounds) throw std::runtime_error("peripheral events never settle");
    bool acted = false;
    while (!stimuli_.empty() && clock_.cycles_at(stimuli_.front().at) <= now_) {
      const Stimulus s = stimuli_.front();
      stimuli_.erase(stimuli_.begin());
      apply_stimulus(s);
      acted = true;
    }
    if (acted) recompute_events();
    for (const auto& m : mappings_) {
      if (events_[m->index] > now_) continue;
      m->peripheral->advance(now_);
      events_[m->index] = m->peripheral->next_event(now_);
      acted = true;
      irq_check_ = true;  // SysTick pends its exception without a line
    }
    if (!acted) break;
    watch_.reset();
  }
  recompute_deadline();
}

void Board::apply_stimulus(const Stimulus& s) {
  if (!s.uart0.empty()) {
    peripherals_->uart0().receive(s.uart0, now_);
  } else if (s.is_pin) {
    peripherals_->drive_input(s.pin.port, s.pin.bit, s.level, now_);
    input_changes_.push_back({seconds(), now_, true, s.pin, s.level, 0, 0});
  } else {
    peripherals_->set_adc_voltage(s.channel, s.volts);
    input_changes_.push_back({seconds(), now_, false, Pin{}, false, s.channel, s.volts});
  }
}

void Board::schedule_pin(Pin pin, bool level, double at) {
  schedule(Stimulus{at, stimulus_order_++, true, pin, level, 0, 0});
}

void Board::schedule_adc(unsigned channel, double volts, double at) {
  schedule(Stimulus{at, stimulus_order_++, false, Pin{}, false, channel, volts});
}

void Board::schedule_uart0(const std::string& bytes, double at) {
  if (bytes.empty()) return;
  schedule(Stimulus{at, stimulus_order_++, false, Pin{}, false, 0, 0, bytes});
}

// In time order; inputs given for the same time apply in the order given.
void Board::schedule(const Stimulus& s) {
  const auto later = [](const Stimulus& a, const Stimulus& b) {
    return a.at < b.at || (a.at == b.at && a.order < b.order);
  };
  stimuli_.insert(std::upper_bound(stimuli_.begin(), stimuli_.end(), s, later), s);
  recompute_deadline();
}

// --- loop watch probe -------------------------------------------------------------

std::uint64_t Board::unmodelled_count() const {
  return peripherals_->unmodelled_accesses().size() + peripherals_->access_log().dropped();
}

void Board::save_memory() {
  const auto areas = memory_->watched_areas();
  saved_memory_.resize(areas.size());
  for (std::size_t i = 0; i < areas.size(); ++i) {
    saved_memory_[i].assign(areas[i].bytes, areas[i].bytes + areas[i].size);
  }
}

bool Board::memory_unchanged() const {
  const auto areas = memory_->watched_areas();
  for (std::size_t i = 0; i < areas.size(); ++i) {
    if (std::memcmp(saved_memory_[i].data(), areas[i].bytes, areas[i].size) != 0) return false;
  }
  return true;
}

// --- calls and memory from tests --------------------------------------------------

CallResult Board::call(std::uint32_t function, std::initializer_list<CallArg> args,
                       double max_seconds) {
  const CpuSnapshot saved = cpu_.snapshot();
  const std::vector<unsigned> saved_active = nvic_.active_stack();
  const bool saved_sleeping = sleeping_;
  auto restore = [&] {
    calling_ = false;
    cpu_.restore(saved);
    nvic_.restore_active_stack(saved_active);
    sleeping_ = saved_sleeping;
    irq_check_ = true;
    watch_.reset();
  };

  std::vector<std::uint32_t> on_stack;
  unsigned ints = 0, floats = 0;
  for (const CallArg& a : args) {
    if (a.is_float && floats < 16) {
      cpu_.set_s(floats++, a.bits);
    } else if (!a.is_float && ints < 4) {
      cpu_.set_r(ints++, a.bits);
    } else {
      on_stack.push_back(a.bits);
    }
  }
  // Below whatever the interrupted code has on its stack, 8-byte aligned.
  std::uint32_t sp = (cpu_.get(UC_ARM_REG_SP) - 64) & ~7u;
  sp = (sp - 4 * static_cast<std::uint32_t>(on_stack.size())) & ~7u;
  if (!on_stack.empty() && !memory_->write_memory(sp, on_stack.data(), 4 * on_stack.size())) {
    restore();
    throw CallFailed("no stack for the call's arguments");
  }
  cpu_.set(UC_ARM_REG_SP, sp);
  cpu_.set(UC_ARM_REG_LR, kCallReturn.base | 1);
  cpu_.set_pc(function);
  sleeping_ = false;
  calling_ = true;
  watch_.reset();

  try {
    run(seconds() + max_seconds, nullptr, 0);
  } catch (...) {
    restore();
    throw;
  }
  const Stop why = stop_;
  const CallResult result{cpu_.r(0), cpu_.r(1), cpu_.s(0)};
  restore();
  if (why == Stop::CallReturned) return result;
  if (why == Stop::ErrorStop && error_stop_) {
    ErrorStopInfo info = *error_stop_;
    error_stop_.reset();
    throw ErrorStopped(std::move(info));
  }
  std::string what = "the call did not return: ";
  if (why == Stop::Fault && fault_) {
    what += fault_->kind;
  } else if (why == Stop::Exited && exit_status_) {
    what += "the firmware exited with status " + std::to_string(*exit_status_);
  } else if (why == Stop::Parked && parking_) {
    what += "parked in " + parking_->function;
  } else {
    what += "still running after " + std::to_string(max_seconds) + " s";
  }
  throw CallFailed(what);
}

void Board::read(std::uint32_t address, void* out, std::size_t size) {
  if (memory_->read_memory(address, out, size)) return;
  auto* bytes = static_cast<std::uint8_t*>(out);
  for (std::size_t i = 0; i < size;) {
    const std::uint32_t a = address + static_cast<std::uint32_t>(i);
    const Mapping& m = mapping_at(a);
    // Whole aligned words where possible: registers are read once, as the CPU would.
    const unsigned width = (a % 4 == 0 && size - i >= 4) ? 4 : 1;
    const std::uint32_t v = m.peripheral->read(a - m.window.base, width, now_);
    std::memcpy(bytes + i, &v, width);
    after_access(m);
    i += width;
  }
}

const Board::Mapping& Board::mapping_at(std::uint32_t address) const {
  const auto m = std::find_if(mappings_.begin(), mappings_.end(), [address](const auto& mm) {
    return address - mm->window.base < mm->window.size;
  });
  if (m == mappings_.end()) throw std::out_of_range("nothing at " + hex(address));
  return **m;
}

void Board::write(std::uint32_t address, const void* in, std::size_t size) {
  if (memory_->write_memory(address, in, size)) {
    // Code may have changed: drop what the emulator translated from it.
    check(uc_ctl_remove_cache(uc_, address, address + size), "drop translated code");
    watch_.reset();
    return;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(in);
  for (std::size_t i = 0; i < size;) {
    const std::uint32_t a = address + static_cast<std::uint32_t>(i);
    const Mapping& m = mapping_at(a);
    const unsigned width = (a % 4 == 0 && size - i >= 4) ? 4 : 1;
    std::uint32_t v = 0;
    std::memcpy(&v, bytes + i, width);
    m.peripheral->write(a - m.window.base, v, width, now_);
    after_access(m);
    i += width;
  }
  irq_check_ = true;
  refresh_clock();
}

}  // namespace sim
