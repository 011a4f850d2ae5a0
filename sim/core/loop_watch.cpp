#include "sim/core/loop_watch.h"

#include <algorithm>

namespace sim {

void LoopWatch::reset() {
  suspended_ = false;
  phase_ = Phase::None;
  head_ = 0;
  last_ = 0;
  blocks_in_pass_ = 0;
  cooldown_ = 0;
  fails_ = 0;
  log_.clear();
  previous_log_.clear();
}

void LoopWatch::start(std::uint32_t head) {
  head_ = head;
  phase_ = Phase::Started;
  blocks_in_pass_ = 0;
  cooldown_ = 0;
  fails_ = 0;
  unsafe_ = false;
  log_.clear();
  previous_cpu_ = probe_.cpu_state();
  unmodelled_ = probe_.unmodelled_count();
}

void LoopWatch::fail() {
  phase_ = Phase::Started;
  fails_ = std::min(fails_ + 1, 14u);
  cooldown_ = std::min(1u << fails_, kMaxCooldown);
}

bool LoopWatch::on_block(std::uint32_t address) {
  if (suspended_) return false;
  const std::uint32_t previous = last_;
  last_ = address;
  if (phase_ != Phase::None && address == head_) return pass_done();
  if (phase_ != Phase::None && ++blocks_in_pass_ <= kMaxPassBlocks) return false;
  // No loop through the current head: a backward branch proposes a new one.
  phase_ = Phase::None;
  if (address <= previous) start(address);
  return false;
}

bool LoopWatch::pass_done() {
  blocks_in_pass_ = 0;
  if (cooldown_ > 0) {
    --cooldown_;
    log_.clear();
    unsafe_ = false;
    if (cooldown_ == 0) {
      previous_cpu_ = probe_.cpu_state();
      unmodelled_ = probe_.unmodelled_count();
    }
    return false;
  }
  bool idle = false;
  const CpuSnapshot now = probe_.cpu_state();
  const std::uint64_t unmodelled = probe_.unmodelled_count();
  const bool same = !unsafe_ && now == previous_cpu_ && unmodelled == unmodelled_;
  switch (phase_) {
    case Phase::Started:
      if (same) {
        previous_log_ = log_;
        phase_ = Phase::OnePass;
      } else {
        fail();
      }
      break;
    case Phase::OnePass:
      if (same && log_ == previous_log_) {
        probe_.save_memory();
        phase_ = Phase::MemorySaved;
      } else {
        fail();
      }
      break;
    case Phase::MemorySaved:
      if (same && log_ == previous_log_ && probe_.memory_unchanged()) {
        idle = true;
        phase_ = Phase::None;
      } else {
        fail();
      }
      break;
    case Phase::None:
      break;
  }
  previous_cpu_ = now;
  unmodelled_ = unmodelled;
  log_.clear();
  unsafe_ = false;
  return idle;
}

}  // namespace sim
