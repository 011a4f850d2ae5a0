// Scenario files: a lab's inputs and what its outputs must show, one step or
// expectation a line, times in board seconds, so a lab is checked without
// writing C++. '#' starts a comment (outside quotes); blank lines are free.
//
//   at T press PIN [for H]          PIN low at T for H (50 ms unless given)
//   at T pin PIN = 0|1              input PIN driven to that level from T
//   at T adc C = V                  A/D channel C (0..7) sees V volts from T
//   at T uart0 "TEXT"               UART0 receives TEXT from T
//   expect at|by T lcd shows "TEXT" (at only: the LCD is read at one time)
//   expect at|by T led N on|off     LED N (1..4) of the board
//   expect at|by T pin PIN = 0|1
//   expect at|by T uart0 contains "TEXT"
//   expect no error stop
//   expect no fault
//
// "at T" holds at board time T exactly; "by T" at some time up to T. Times
// and lengths are written as on the command line (1.5s, 200ms, 50us, 2);
// text between quotes takes the escapes \n \r \t \\ \" \xHH, and is Latin-1,
// as the firmware's, or UTF-8 of Latin-1 characters (turned into Latin-1).
#ifndef SIM_CLI_SCENARIO_H
#define SIM_CLI_SCENARIO_H

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/placa/results.h"

namespace sim::cli {

struct Step {
  enum class Kind { Press, Pin, Adc, Uart0 };
  Kind kind = Kind::Pin;
  double at = 0;
  Pin pin;
  bool level = false;  // Pin
  double hold = 0;     // Press
  unsigned channel = 0;
  double volts = 0;
  std::string bytes;  // Uart0
};

struct Expectation {
  enum class Kind { LcdShows, Led, Pin, Uart0Contains, NoErrorStop, NoFault };
  enum class When { At, By, WholeRun };
  Kind kind = Kind::NoFault;
  When when = When::WholeRun;
  double at = 0;  // At, By
  Pin pin;        // Pin, and the LED's pin for Led
  bool level = false;  // Pin: the level; Led: on
  std::string text;    // LcdShows, Uart0Contains
  int line = 0;
  std::string source;  // the line as written, without its comment
};

struct Scenario {
  std::vector<Step> steps;
  std::vector<Expectation> expectations;
  double end = 0;  // the last time any line names
};

// Every malformed line, one "NAME:LINE: message" each, or a file that cannot
// be read.
struct ScenarioError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A scenario names at least one time and expects at least one thing;
// `name` prefixes the messages.
Scenario parse_scenario(std::string_view text, const std::string& name);
// The file at `path` (a regular file up to kMaxScenarioBytes).
Scenario read_scenario(const std::string& path);

inline constexpr std::size_t kMaxScenarioBytes = 1 << 20;

}  // namespace sim::cli

#endif
