#include "options.h"

#include <stdexcept>

namespace sim::cli {
namespace {

constexpr double kPressHold = 0.05;  // seconds a --press holds the pin low

std::pair<std::string, std::string> split(const std::string& text, char at) {
  const auto i = text.find(at);
  if (i == std::string::npos) return {text, ""};
  return {text.substr(0, i), text.substr(i + 1)};
}

double parse_number(const std::string& text, std::size_t& used) {
  try {
    return std::stod(text, &used);
  } catch (const std::logic_error&) {
    throw std::invalid_argument("not a number: " + text);
  }
}

double parse_volts(const std::string& text) {
  std::size_t used = 0;
  const double v = parse_number(text, used);
  const std::string unit = text.substr(used);
  if (!unit.empty() && unit != "V" && unit != "v")
    throw std::invalid_argument("not volts: " + text);
  return v;
}

}  // namespace

double parse_duration(const std::string& text) {
  std::size_t used = 0;
  const double value = parse_number(text, used);
  std::string unit = text.substr(used);
  while (!unit.empty() && unit.front() == ' ') unit.erase(unit.begin());
  double scale = 0;
  if (unit.empty() || unit == "s") scale = 1;
  if (unit == "ms") scale = 1e-3;
  if (unit == "us") scale = 1e-6;
  if (scale == 0 || value < 0) throw std::invalid_argument("not a duration: " + text);
  return value * scale;
}

CommandLine parse_command_line(const std::vector<std::string>& args) {
  CommandLine c;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--for") {
      c.duration = parse_duration(value());
    } else if (a == "--press") {
      const auto [pin, at] = split(value(), '@');
      const double t = at.empty() ? 0 : parse_duration(at);
      c.pins.push_back({Pin::parse(pin), false, t});
      c.pins.push_back({Pin::parse(pin), true, t + kPressHold});
    } else if (a == "--pin") {
      const auto [assignment, at] = split(value(), '@');
      const auto [pin, level] = split(assignment, '=');
      if (level != "0" && level != "1") throw std::invalid_argument("--pin wants P=0 or P=1");
      c.pins.push_back({Pin::parse(pin), level == "1", at.empty() ? 0 : parse_duration(at)});
    } else if (a == "--adc") {
      const auto [assignment, at] = split(value(), '@');
      const auto [channel, volts] = split(assignment, '=');
      std::size_t used = 0;
      const double ch = parse_number(channel, used);
      if (used != channel.size() || ch < 0 || ch > 7 || volts.empty()) {
        throw std::invalid_argument("--adc wants CHANNEL=VOLTS, channel 0..7");
      }
      c.adc.push_back(
          {static_cast<unsigned>(ch), parse_volts(volts), at.empty() ? 0 : parse_duration(at)});
    } else if (a == "--screenshot") {
      c.screenshot = value();
    } else if (a == "--trace") {
      c.trace = true;
    } else if (a == "--strict") {
      c.strict = true;
    } else if (a == "--no-idle-skip") {
      c.idle_skipping = false;
    } else if (!a.empty() && a[0] == '-') {
      throw std::invalid_argument("unknown option " + a);
    } else if (c.image.empty()) {
      c.image = a;
    } else {
      throw std::invalid_argument("more than one image: " + a);
    }
  }
  if (c.image.empty()) throw std::invalid_argument("no image given");
  return c;
}

const char* usage() {
  return "usage: lpc4088-sim IMAGE.elf [--for 3s] [--press P2.27@1.5s] [--pin P2.22=0@0.2s]\n"
         "                   [--adc 0=1.65V[@t]] [--screenshot out.png] [--trace]\n"
         "                   [--strict] [--no-idle-skip]\n"
         "Runs a firmware image on the simulated LPC4088 board for the given board time,\n"
         "printing output pin changes; exit 0 when it ends running or parked in thread\n"
         "mode, 1 on an error stop, 2 on a fault, 3 when parked in an interrupt handler.\n";
}

}  // namespace sim::cli
