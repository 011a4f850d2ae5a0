#include "sim/core/clock_history.h"

#include <cmath>

namespace sim {

ClockHistory::ClockHistory(std::uint32_t reset_hz) { segments_.push_back({0, 0.0, reset_hz}); }

void ClockHistory::change(Cycles at, std::uint32_t hz) {
  if (hz == segments_.back().hz) return;
  if (hz == 0) hz = 1;  // a stopped clock: time still has to be counted somehow
  const double s = seconds_at(at);
  if (segments_.back().start == at) {
    segments_.back().hz = hz;
    return;
  }
  segments_.push_back({at, s, hz});
}

const ClockHistory::Segment& ClockHistory::segment_for_cycles(Cycles cycles) const {
  for (auto it = segments_.rbegin(); it != segments_.rend(); ++it) {
    if (it->start <= cycles) return *it;
  }
  return segments_.front();
}

double ClockHistory::seconds_at(Cycles cycles) const {
  const Segment& s = segment_for_cycles(cycles);
  return s.start_seconds + static_cast<double>(cycles - s.start) / s.hz;
}

Cycles ClockHistory::cycles_at(double seconds) const {
  const Segment* s = &segments_.front();
  for (const Segment& candidate : segments_) {
    if (candidate.start_seconds <= seconds) s = &candidate;
  }
  if (!(seconds > s->start_seconds)) return s->start;
  // A first guess from the product, then the exact answer by the same
  // conversion seconds_at uses: the result is the first cycle whose time is
  // at or after `seconds`, so a run asked to end at T never stops short of
  // it (and a caller comparing times never waits for a cycle that never
  // comes). The guess is off by a cycle at most; the loops settle it.
  const double guess = std::ceil((seconds - s->start_seconds) * s->hz);
  Cycles c = s->start + (guess > 0 ? static_cast<Cycles>(guess) : 0);
  while (seconds_at(c) < seconds) ++c;
  while (c > s->start && seconds_at(c - 1) >= seconds) --c;
  return c;
}

}  // namespace sim
