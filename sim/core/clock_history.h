// Board time in seconds against CPU cycles: the cycle count is the time base,
// and its length changes whenever the firmware changes the CPU clock.
#ifndef SIM_CORE_CLOCK_HISTORY_H
#define SIM_CORE_CLOCK_HISTORY_H

#include <cstdint>
#include <vector>

#include "sim/modelo/peripheral.h"

namespace sim {

class ClockHistory {
 public:
  explicit ClockHistory(std::uint32_t reset_hz);

  // From `at` on the CPU runs at `hz`.
  void change(Cycles at, std::uint32_t hz);
  double seconds_at(Cycles cycles) const;
  // The first cycle whose time is at or after `seconds` (seconds_at of the
  // result is >= seconds, of the cycle before it < seconds), assuming the
  // current clock holds from its last change on. `seconds` must be finite.
  Cycles cycles_at(double seconds) const;
  std::uint32_t hz() const { return segments_.back().hz; }

 private:
  struct Segment {
    Cycles start;
    double start_seconds;
    std::uint32_t hz;
  };
  const Segment& segment_for_cycles(Cycles cycles) const;

  std::vector<Segment> segments_;
};

}  // namespace sim

#endif
