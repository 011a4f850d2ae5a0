// The core's SysTick timer: a 24-bit down-counter on the processor clock,
// computed from virtual time (never tick by tick). CTRL, LOAD, VAL and CALIB
// as offsets 0x0, 0x4, 0x8 and 0xC of its block. A wrap (1 to 0) sets
// COUNTFLAG and, with TICKINT, asks for the SysTick exception.
//
// Not modelled: the external reference clock (CLKSOURCE = 0 stops the
// counter here; CALIB says NOREF), and CALIB's TENMS (reads 0: unknown).
#ifndef SIM_SCS_SYSTICK_H
#define SIM_SCS_SYSTICK_H

#include <cstdint>

#include "sim/modelo/peripheral.h"

namespace sim {

class SysTick {
 public:
  static constexpr std::uint32_t kCtrl = 0x0, kLoad = 0x4, kVal = 0x8, kCalib = 0xC;

  // Reading CTRL clears COUNTFLAG.
  std::uint32_t read(std::uint32_t offset, Cycles now);
  void write(std::uint32_t offset, std::uint32_t value, Cycles now);

  // Wraps up to `now` are counted; true when one asks for the exception.
  bool advance(Cycles now);
  // The next wrap after `now`, or kNever.
  Cycles next_event(Cycles now) const;
  bool counting() const;
  // Counting with the exception enabled.
  bool will_interrupt() const;

 private:
  std::uint32_t value_at(Cycles now) const;
  // Restarts the count at `now` from `value`.
  void anchor(Cycles now, std::uint32_t value);

  std::uint32_t ctrl_ = 0;  // without COUNTFLAG
  std::uint32_t reload_ = 0;
  bool countflag_ = false;
  // While counting: the counter is 0 at `zero_` and reloads the cycle after;
  // `zero_counts_` says whether reaching 0 at `zero_` itself is a wrap (it
  // is not when the count starts at 0). Stopped: `held_` is the value.
  Cycles zero_ = 0;
  bool zero_counts_ = false;
  std::uint32_t held_ = 0;
  Cycles seen_ = 0;  // wraps up to here are counted
};

}  // namespace sim

#endif
