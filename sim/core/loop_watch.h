// Finds the loops that leave the board exactly as they found it: a pass from
// one visit of a block to the next that ends with the same CPU registers,
// the same memory, and the same peripheral accesses (same addresses, same
// values, none to a register whose value drifts with time) as the pass
// before. Every further pass would do the same until the next scheduled
// event, so the board may jump there (idle skipping), or, when no event can
// come, call the CPU parked.
//
// Checks are cheap first (registers, access log), then one memory compare;
// a loop that fails waits 2, 4, 8 ... passes before the next check.
#ifndef SIM_CORE_LOOP_WATCH_H
#define SIM_CORE_LOOP_WATCH_H

#include <cstdint>
#include <vector>

#include "sim/core/cpu.h"

namespace sim {

class LoopWatch {
 public:
  // What the watch looks at, provided by the board.
  class Probe {
   public:
    virtual ~Probe() = default;
    virtual CpuSnapshot cpu_state() const = 0;
    // A count that grows with every access nobody modelled.
    virtual std::uint64_t unmodelled_count() const = 0;
    virtual void save_memory() = 0;
    virtual bool memory_unchanged() const = 0;
  };

  explicit LoopWatch(Probe& probe) : probe_(probe) {}

  // At every block; true when the pass that just ended proves the loop idle.
  bool on_block(std::uint32_t address);
  // Every peripheral access; `drifting` for a read of a register whose value
  // changes with time alone.
  void on_access(std::uint32_t address, std::uint32_t value, bool write, bool drifting) {
    if (phase_ == Phase::None) return;
    log_.push_back({address, value, write});
    if (drifting || log_.size() > kMaxAccesses) unsafe_ = true;
  }
  // The flow was disturbed (exception, time jump, call): start afresh.
  void reset();
  // Stops watching until the next reset(): a loop already proved idle need
  // not be proved again while nothing disturbs it.
  void suspend() {
    reset();
    suspended_ = true;
  }
  // True when the last idle pass read no peripheral at all.
  bool last_pass_read_nothing() const { return previous_log_.empty(); }

 private:
  static constexpr unsigned kMaxPassBlocks = 256;
  static constexpr std::size_t kMaxAccesses = 64;
  static constexpr unsigned kMaxCooldown = 1u << 14;

  struct Access {
    std::uint32_t address;
    std::uint32_t value;
    bool write;
    bool operator==(const Access&) const = default;
  };
  enum class Phase { None, Started, OnePass, MemorySaved };

  void start(std::uint32_t head);
  bool pass_done();
  void fail();

  Probe& probe_;
  Phase phase_ = Phase::None;
  std::uint32_t head_ = 0;
  std::uint32_t last_ = 0;
  unsigned blocks_in_pass_ = 0;
  unsigned cooldown_ = 0;
  unsigned fails_ = 0;
  bool unsafe_ = false;
  bool suspended_ = false;
  std::uint64_t unmodelled_ = 0;
  CpuSnapshot previous_cpu_;
  std::vector<Access> log_;
  std::vector<Access> previous_log_;
};

}  // namespace sim

#endif
