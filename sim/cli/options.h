// Command line of lpc4088-sim:
//   lpc4088-sim IMAGE.elf --for 3s [--press P2.27@1.5s] [--pin P2.22=0@0.2s]
//               [--adc 0=1.65V[@t]] [--screenshot out.png] [--trace]
//               [--uart0 FILE|-] [--uart0-input TEXT@t] [--strict] [--no-idle-skip]
//               [--vcd FILE]
//   lpc4088-sim IMAGE.elf --scenario FILE [--screenshot out.png] [...]
#ifndef SIM_CLI_OPTIONS_H
#define SIM_CLI_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

#include "sim/api/simulador.h"

namespace sim::cli {

struct PinInput {
  Pin pin;
  bool level;
  double at;
};

struct AdcInput {
  unsigned channel;
  double volts;
  double at;
};

struct Uart0Input {
  std::string bytes;
  double at;
};

struct CommandLine {
  std::string image;
  double duration = 1.0;
  bool duration_given = false;
  std::optional<std::string> gdb;  // [HOST:]PORT the debug server listens on
  // Live board: [HOST:]PORT of its web page, and its pace against the wall
  // clock (nothing: as fast as it goes).
  std::optional<std::string> web;
  std::optional<double> speed = 1.0;
  bool speed_given = false;
  std::vector<PinInput> pins;  // presses already split into their two edges
  std::vector<AdcInput> adc;
  std::optional<std::string> screenshot;
  std::optional<std::string> vcd;  // Value Change Dump of pins, inputs and IRQ lines
  std::vector<Uart0Input> uart0_input;
  std::optional<std::string> uart0_file;  // raw bytes sent, "-" for standard output
  bool trace = false;
  bool strict = false;  // fail on unmodelled registers
  bool idle_skipping = true;
  bool help = false;
  bool semihosting = false;
  // --- scenario ---
  std::optional<std::string> scenario;  // a scenario file to run and judge
  // --- end scenario ---
};

// "2", "0.5x", "max" (nothing): a pace from 0.01 to 100 times real time.
std::optional<double> parse_speed(const std::string& text);
// "3s", "1.5 s", "200ms", "50us", or plain seconds: a finite, non-negative
// time up to kMaxBoardSeconds; throws std::invalid_argument otherwise.
double parse_duration(const std::string& text);

// --- press length ---
// How long a press holds its pin low when the press does not say.
inline constexpr double kDefaultPressHold = 0.05;
// A press's hold: a duration above 0 (a press of no length is no press);
// throws std::invalid_argument otherwise.
double parse_press_hold(const std::string& text);
// --- end press length ---

// "1.65V" or "1.65": volts within the converter's input range, 0 to 3.3 V.
double parse_volts(const std::string& text);
// An A/D channel number, 0 to 7.
unsigned parse_channel(const std::string& text);
// TEXT with the escapes \n \r \t \\ and \xHH replaced by their bytes; throws
// std::invalid_argument on any other backslash.
std::string unescape(const std::string& text);
// Throws std::invalid_argument with a message for the user.
CommandLine parse_command_line(const std::vector<std::string>& args);
const char* usage();

}  // namespace sim::cli

#endif
