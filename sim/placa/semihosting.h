// Semihosting: the firmware asks the host for a service with BKPT 0xAB,
// the operation in r0 and its parameter (a value or a block's address) in
// r1; the result goes back in r0 and the CPU goes on after the BKPT.
//
// Served: SYS_WRITEC, SYS_WRITE0, SYS_WRITE to handles 1 and 2 (standard
// output and error), SYS_READC (from the input the board was given),
// SYS_CLOCK, SYS_TIME, SYS_ELAPSED and SYS_TICKFREQ (all from board time,
// so runs repeat exactly: the board's clock starts at 0 and ticks at 1 MHz),
// SYS_ERRNO, SYS_EXIT and SYS_EXIT_EXTENDED. Anything else, or a block the
// firmware cannot reach, answers -1 to the firmware.
#ifndef SIM_PLACA_SEMIHOSTING_H
#define SIM_PLACA_SEMIHOSTING_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sim/core/memory_map.h"

namespace sim {

inline constexpr std::uint16_t kSemihostingBkpt = 0xBEAB;

class Semihosting {
 public:
  // Where the firmware's output goes: handle 1 standard output, 2 error.
  using Output = std::function<void(int handle, std::string_view bytes)>;

  Semihosting(MemoryMap& memory, Output output) : memory_(memory), output_(std::move(output)) {}

  // Bytes SYS_READC hands out, in order; -1 once they are used up.
  void add_input(std::string_view bytes) { input_ += bytes; }

  struct Call {
    std::uint32_t result;              // for r0
    std::optional<int> exit_status;    // the firmware asked to exit
  };
  // Serves operation `op` with parameter `param` at board time `seconds`.
  Call serve(std::uint32_t op, std::uint32_t param, double seconds);

 private:
  bool read_words(std::uint32_t address, std::uint32_t* words, unsigned count) const;
  std::optional<std::string> read_string(std::uint32_t address, std::size_t max) const;

  MemoryMap& memory_;
  Output output_;
  std::string input_;
  std::size_t input_used_ = 0;
  std::uint32_t errno_ = 0;
};

}  // namespace sim

#endif
