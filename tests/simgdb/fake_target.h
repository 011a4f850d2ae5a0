// A Target a test scripts: registers in an array, 8 KiB of RAM at
// 0x20000000 (anything else unmapped), a set of breakpoints, and the stops
// that successive resume() calls return (an empty script: it runs until
// interrupted). It records what the server asked of it.
#ifndef TESTS_SIMGDB_FAKE_TARGET_H
#define TESTS_SIMGDB_FAKE_TARGET_H

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "sim/gdb/target.h"

namespace simgdb {

using sim::gdb::PointType;
using sim::gdb::ResumeMode;
using sim::gdb::StopEvent;

class FakeTarget : public sim::gdb::Target {
 public:
  static constexpr std::uint32_t kRamBase = 0x20000000;

  FakeTarget() {
    for (unsigned n = 0; n < sim::gdb::kRegisterCount; ++n) regs[n] = 0x1000 + n;
    for (unsigned i = 0; i < ram.size(); ++i) ram[i] = static_cast<std::uint8_t>(i & 0xff);
  }

  std::optional<std::uint64_t> read_register(unsigned n) override {
    std::lock_guard lock(mutex);
    if (n >= regs.size()) return std::nullopt;
    return regs[n];
  }
  bool write_register(unsigned n, std::uint64_t value) override {
    std::lock_guard lock(mutex);
    if (n >= regs.size()) return false;
    regs[n] = value;
    return true;
  }
  bool read_memory(std::uint32_t address, std::span<std::uint8_t> out) override {
    std::lock_guard lock(mutex);
    if (!mapped(address, out.size())) return false;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = ram[address - kRamBase + i];
    return true;
  }
  bool write_memory(std::uint32_t address, std::span<const std::uint8_t> in) override {
    std::lock_guard lock(mutex);
    if (!mapped(address, in.size())) return false;
    for (std::size_t i = 0; i < in.size(); ++i) ram[address - kRamBase + i] = in[i];
    return true;
  }
  bool insert_point(PointType type, std::uint32_t address, std::uint32_t length) override {
    std::lock_guard lock(mutex);
    points.insert({type, address, length});
    return true;
  }
  bool remove_point(PointType type, std::uint32_t address, std::uint32_t length) override {
    std::lock_guard lock(mutex);
    points.erase({type, address, length});
    return true;
  }
  std::optional<StopEvent> resume(ResumeMode mode) override {
    std::lock_guard lock(mutex);
    resumes.push_back(mode);
    if (script.empty()) return std::nullopt;
    auto next = script.front();
    script.pop_front();
    return next;
  }
  void interrupt() override {
    std::lock_guard lock(mutex);
    ++interrupts;
  }
  void reset() override {
    std::lock_guard lock(mutex);
    ++resets;
  }
  void kill() override {
    std::lock_guard lock(mutex);
    killed = true;
  }
  std::optional<std::string> monitor(std::string_view command) override {
    std::lock_guard lock(mutex);
    const auto it = monitor_replies.find(std::string(command));
    if (it == monitor_replies.end()) return std::nullopt;
    return it->second;
  }

  // Reads under the lock, for checks while the server runs.
  template <typename F>
  auto inspect(F f) {
    std::lock_guard lock(mutex);
    return f();
  }

  std::mutex mutex;
  std::array<std::uint64_t, sim::gdb::kRegisterCount> regs{};
  std::array<std::uint8_t, 0x2000> ram{};
  std::set<std::tuple<PointType, std::uint32_t, std::uint32_t>> points;
  std::deque<std::optional<StopEvent>> script;
  std::vector<ResumeMode> resumes;
  std::map<std::string, std::string> monitor_replies;
  int interrupts = 0;
  int resets = 0;
  bool killed = false;

 private:
  bool mapped(std::uint32_t address, std::size_t size) const {
    return address >= kRamBase && size <= ram.size() && address - kRamBase <= ram.size() - size;
  }
};

}  // namespace simgdb

#endif
