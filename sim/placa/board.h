// The simulated board: the CPU emulator with the LPC4088's memories, the
// peripheral models and the core's interrupt controller, run in virtual time.
//
// Cycle model: one instruction is one CPU cycle, counted per translated block
// before it runs; exception entry, return and tail-chain cost 12, 10 and 6
// cycles. Peripherals are brought up to date when touched and when their next
// event comes; interrupts are taken at block boundaries (and right after an
// instruction that unmasks them).
#ifndef SIM_PLACA_BOARD_H
#define SIM_PLACA_BOARD_H

#include <unicorn/unicorn.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sim/core/clock_history.h"
#include "sim/core/code_scan.h"
#include "sim/core/cpu.h"
#include "sim/core/elf_image.h"
#include "sim/placa/fault_locator.h"
#include "sim/placa/instruction_traps.h"
#include "sim/placa/semihosting.h"
#include "sim/core/exceptions.h"
#include "sim/core/loop_watch.h"
#include "sim/core/memory_map.h"
#include "sim/placa/lpc4088_peripherals.h"
#include "sim/placa/results.h"
#include "sim/scs/nvic.h"

namespace sim {

class Board final : private IrqLines, private LoopWatch::Probe {
 public:
  Board(const std::filesystem::path& image, const Options& options);
  ~Board() override;
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  // Runs until `until_seconds` of board time, or earlier when `condition`
  // holds or the CPU reaches `stop_at` (an address, 0 for none).
  RunResult run(double until_seconds, const std::function<bool()>* condition,
                std::uint32_t stop_at);
  CallResult call(std::uint32_t function, std::initializer_list<CallArg> args, double max_seconds);

  // --- what a debugger needs ---
  // Runs exactly one instruction; an exception that is due is entered the
  // way the core takes it, so a step may end at a handler's first instruction.
  RunResult step();
  // Breakpoints cost nothing until their address runs: only that address is
  // watched. Resuming at a breakpoint runs its instruction first.
  void add_breakpoint(std::uint32_t address);
  void remove_breakpoint(std::uint32_t address);
  // The run stops after the instruction block that made the access.
  void add_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind);
  void remove_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind);

  // Inputs applied when board time reaches `at` (seconds).
  void schedule_pin(Pin pin, bool level, double at);
  void schedule_adc(unsigned channel, double volts, double at);
  // Bytes on UART0's receive line from `at`, one per character time.
  void schedule_uart0(const std::string& bytes, double at);

  Cycles now() const { return now_; }
  double seconds() const { return clock_.seconds_at(now_); }
  double seconds_at(Cycles c) const { return clock_.seconds_at(c); }
  std::uint32_t cpu_hz() const { return clock_.hz(); }
  std::uint64_t instructions() const { return instructions_; }
  bool sleeping() const { return sleeping_; }
  // What the firmware wrote through semihosting to handle 1 or 2 (when no
  // output function was given), what it may read, and its exit status.
  const std::string& semihosting_output(int handle) const { return semihosting_kept_[handle == 2]; }
  void semihosting_input(std::string_view bytes);
  std::optional<int> exit_status() const { return exit_status_; }

  Cpu& cpu() { return cpu_; }
  const Cpu& cpu() const { return cpu_; }
  Nvic& nvic() { return nvic_; }
  const Nvic& nvic() const { return nvic_; }
  MemoryMap& memory() { return *memory_; }
  const MemoryMap& memory() const { return *memory_; }
  Lpc4088Peripherals& peripherals() { return *peripherals_; }
  const Lpc4088Peripherals& peripherals() const { return *peripherals_; }
  const ElfImage& image() const { return image_; }

  // Memory including peripheral registers (through their models).
  void read(std::uint32_t address, void* out, std::size_t size);
  void write(std::uint32_t address, const void* in, std::size_t size);

  const std::vector<OutputChange>& output_changes() const { return output_changes_; }
  // Every input applied and every level change of an interrupt line since
  // reset, in time order. Read between runs: a run appends to them.
  const std::vector<InputChange>& input_changes() const { return input_changes_; }
  const std::vector<IrqChange>& irq_changes() const { return irq_changes_; }
  // The device's name of an interrupt line ("TIMER0"); "" when it has none.
  static std::string irq_line_name(unsigned irq);
  const std::optional<ErrorStopInfo>& error_stop() const { return error_stop_; }
  const std::optional<FaultInfo>& fault() const { return fault_; }
  const std::optional<Parking>& parking() const { return parking_; }
  std::string exception_name(unsigned exception) const;

 private:
  struct Mapping {
    Board* board;
    Window window;
    Peripheral* peripheral;
    std::size_t index;
  };
  struct Stimulus {
    double at;
    std::uint64_t order;
    bool is_pin;
    Pin pin;
    bool level;
    unsigned channel;
    double volts;
    std::string uart0 = {};  // bytes for UART0 (then neither pin nor ADC)
  };
  // Precise: the next block would cross the run's end (internal, never a result).
  enum class Stop {
    None, Time, Condition, ErrorStop, Fault, Parked, CallReturned, Exited, Breakpoint,
    Watchpoint, Stepped, Precise };

  // IrqLines
  void set_irq_line(unsigned irq, bool high) override;
  // LoopWatch::Probe
  CpuSnapshot cpu_state() const override { return cpu_.snapshot(); }
  std::uint64_t unmodelled_count() const override;
  void save_memory() override;
  bool memory_unchanged() const override;

  void set_up_emulator();
  void map_peripherals();
  void reset();

  static void block_hook(uc_engine* uc, std::uint64_t address, std::uint32_t size, void* user);
  static void mask_hook(uc_engine* uc, std::uint64_t address, std::uint32_t size, void* user);
  static void trap_hook(uc_engine* uc, std::uint64_t address, std::uint32_t size, void* user);
  // Hooks on the instructions whose trap can fire under the current CCR and CPACR.
  void arm_traps();
  static void instruction_hook(uc_engine* uc, std::uint64_t address, std::uint32_t size,
                               void* user);
  static void interrupt_hook(uc_engine* uc, std::uint32_t intno, void* user);
  static bool invalid_memory_hook(uc_engine* uc, uc_mem_type type, std::uint64_t address, int size,
                                  std::int64_t value, void* user);
  static std::uint64_t mmio_read(uc_engine* uc, std::uint64_t offset, unsigned size, void* user);
  static void mmio_write(uc_engine* uc, std::uint64_t offset, unsigned size, std::uint64_t value,
                         void* user);

  void on_block(std::uint32_t address, std::uint32_t size);
  void on_mask_change(std::uint32_t address);
  void hook_mask_changes(const std::uint8_t* code, std::size_t size, std::uint32_t base);
  // Code outside flash: scans a block not seen before or whose bytes
  // changed; true when its translation was dropped to take new hooks.
  bool scan_block(std::uint32_t address, std::uint32_t size);
  void on_instruction(std::uint32_t address);
  // Instruction-by-instruction counting of the block that crosses the end.
  void count_one_by_one(std::uint32_t address, std::uint32_t size);
  void end_precise();
  void on_interrupt(std::uint32_t intno);
  std::uint32_t on_read(const Mapping& m, std::uint32_t offset, unsigned size);
  void on_write(const Mapping& m, std::uint32_t offset, unsigned size, std::uint32_t value);
  void after_access(const Mapping& m);
  const Mapping& mapping_at(std::uint32_t address) const;

  void stop_at(std::uint32_t address, Stop why);
  bool take_exception_if_due(std::uint32_t return_address);
  // Entry with its cost and whatever a failed vector fetch makes of it; false
  // when the frame could not be pushed.
  bool enter_exception(unsigned exception, std::uint32_t return_address, bool thumb = true);
  bool after_entry(unsigned exception, Exceptions::Entry entry, std::uint32_t return_address);
  // `thumb` false: the fault came from a fetch in ARM state (stacked T = 0).
  void raise_fault(FaultKind kind, std::uint32_t address, bool address_valid,
                   std::uint32_t return_address, const std::string& description, bool thumb = true);
  void handle_emulator_error(uc_err error);
  void on_idle_loop(std::uint32_t address);
  bool future_events() const;

  void service_time();
  void schedule(const Stimulus& s);
  void apply_stimulus(const Stimulus& s);
  void refresh_clock();
  void recompute_events();
  void recompute_deadline();
  void capture_error_stop();
  Parking make_parking(std::uint32_t pc) const;

  Options options_;
  ElfImage image_;
  uc_engine* uc_ = nullptr;
  Cpu cpu_;
  std::unique_ptr<MemoryMap> memory_;
  std::unique_ptr<Lpc4088Peripherals> peripherals_;
  Nvic nvic_;
  Exceptions exceptions_;
  LoopWatch watch_;
  BlockCounter counter_;
  ClockHistory clock_;

  std::vector<std::unique_ptr<Mapping>> mappings_;
  std::vector<Cycles> events_;     // next event of each mapping's peripheral
  std::vector<Stimulus> stimuli_;  // sorted by (at, order)
  std::uint64_t stimulus_order_ = 0;

  Cycles now_ = 0;
  Cycles end_ = 0;
  double end_seconds_ = 0;
  Cycles deadline_ = 0;
  std::uint64_t instructions_ = 0;
  bool irq_check_ = true;
  struct Precise {
    uc_hook hook = 0;
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    bool on = false;
    std::uint32_t pending_address = 0;
    std::uint32_t pending_size = 0;
  } precise_;
  std::uint32_t current_block_ = 0;
  std::uint32_t current_block_size_ = 0;
  Trial trial_;
  InstructionTraps traps_;
  std::unique_ptr<Semihosting> semihosting_;
  std::string semihosting_kept_[2];
  std::optional<int> exit_status_;
  static void breakpoint_hook(uc_engine* uc, std::uint64_t address, std::uint32_t size, void* user);
  static void watch_hook(uc_engine* uc, uc_mem_type type, std::uint64_t address, int size,
                         std::int64_t value, void* user);
  RunResult run_to_cycle(Cycles end, Stop at_end);
  RunResult run_from_here(const std::function<bool()>* condition, std::uint32_t stop_at);
  struct Watch {
    std::uint32_t address;
    std::uint32_t length;
    WatchKind kind;
    uc_hook hook;
  };
  std::unordered_map<std::uint32_t, uc_hook> breakpoints_;
  std::vector<Watch> watches_;
  std::optional<std::uint32_t> resume_over_;  // a breakpoint the run starts on
  WatchHit watch_hit_;
  bool watch_pending_ = false;  // a watched access happened in this block
  Stop at_end_ = Stop::Time;
  bool end_in_cycles_ = false;
  std::unordered_map<std::uint32_t, uc_hook> trap_hooks_;
  std::uint32_t armed_ccr_ = ~0u, armed_cpacr_ = ~0u;
  std::unique_ptr<FaultLocator> locator_;
  bool sleeping_ = false;
  bool sleep_on_exit_ = false;  // the run loop's next stop is a sleep
  std::unordered_set<std::uint32_t> mask_sites_;
  std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> scanned_blocks_;
  bool calling_ = false;
  Stop stop_ = Stop::None;
  const std::function<bool()>* condition_ = nullptr;
  std::uint32_t stop_address_ = 0;
  std::optional<std::uint32_t> resume_at_;
  std::uint32_t error_stop_address_ = 0;
  bool error_stop_drawing_ = false;  // Options::error_stop_draws: entered, runs on
  std::optional<std::string> unmodelled_failure_;
  std::uint32_t invalid_address_ = 0;
  bool reset_failed_ = false;

  std::vector<std::vector<std::uint8_t>> saved_memory_;
  std::vector<OutputChange> output_changes_;
  std::vector<InputChange> input_changes_;
  std::vector<IrqChange> irq_changes_;
  std::vector<bool> irq_levels_;  // each line's level, low out of reset
  std::optional<ErrorStopInfo> error_stop_;
  std::optional<FaultInfo> fault_;
  std::optional<Parking> parking_;
};

}  // namespace sim

#endif
