// What the live board's HTTP API accepts, parsed and checked before the
// board sees it: every malformed body, unknown field, bad pin or value out
// of range is a RequestError with a message for the person who sent it.
#ifndef SIM_WEB_REQUESTS_H
#define SIM_WEB_REQUESTS_H

#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include "sim/placa/results.h"

namespace sim::web {

struct RequestError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct PressInput {
  Pin pin;
  bool down;
};
struct LevelInput {
  Pin pin;
  bool level;
};
struct AdcInput {
  unsigned channel;
  double volts;
};
struct UartInput {
  std::string bytes;  // Latin-1
};
using Input = std::variant<PressInput, LevelInput, AdcInput, UartInput>;

struct ControlRequest {
  enum class Action { Pause, Resume, Step, Reset, Speed } action;
  std::optional<double> seconds;  // Step: board time instead of one instruction
  std::optional<double> speed;    // Speed: nothing for "max"
};

constexpr std::size_t kMaxUartInput = 1024;

Input parse_input(const std::string& body);
ControlRequest parse_control(const std::string& body);

// Firmware text (Latin-1 bytes) as UTF-8 for JSON.
std::string latin1_to_utf8(const std::string& bytes);

}  // namespace sim::web

#endif
