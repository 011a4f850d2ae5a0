#include "sim/cli/options.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "host/strict_number.h"
#include "sim/gdb/server.h"

namespace sim::cli {
namespace {

constexpr double kAdcInputMax = 3.3;    // volts: the converter's reference
constexpr unsigned kAdcChannels = 8;

std::pair<std::string, std::string> split(const std::string& text, char at) {
  const auto i = text.find(at);
  if (i == std::string::npos) return {text, ""};
  return {text.substr(0, i), text.substr(i + 1)};
}

double parse_time(const std::string& text) { return text.empty() ? 0 : parse_duration(text); }

// "1.5s+0.7s" into the time and the hold (none without a '+'); a '+' right
// after an exponent's 'e' belongs to the number.
std::pair<std::string, std::optional<std::string>> split_hold(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+' && (i == 0 || (text[i - 1] != 'e' && text[i - 1] != 'E'))) {
      return {text.substr(0, i), text.substr(i + 1)};
    }
  }
  return {text, std::nullopt};
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string unescape(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      bytes.push_back(text[i]);
      continue;
    }
    const char e = i + 1 < text.size() ? text[++i] : '\0';
    switch (e) {
      case 'n':
        bytes.push_back('\n');
        break;
      case 'r':
        bytes.push_back('\r');
        break;
      case 't':
        bytes.push_back('\t');
        break;
      case '\\':
        bytes.push_back('\\');
        break;
      case 'x': {
        const int high = i + 1 < text.size() ? hex_digit(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
        if (high < 0 || low < 0) throw std::invalid_argument("\\x wants two hex digits: " + text);
        bytes.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        break;
      }
      default:
        throw std::invalid_argument("not an escape (\\n \\r \\t \\\\ \\xHH): " + text);
    }
  }
  return bytes;
}

std::optional<double> parse_speed(const std::string& text) {
  if (text == "max") return std::nullopt;
  std::string_view t = text;
  if (!t.empty() && (t.back() == 'x' || t.back() == 'X')) t.remove_suffix(1);
  const auto v = host::parse_real(t);
  if (!v || *v < 0.01 || *v > 100) {
    throw std::invalid_argument("--speed wants a factor from 0.01 to 100, or max, not " + text);
  }
  return *v;
}

double parse_volts(const std::string& text) {
  std::string_view number = text;
  if (!number.empty() && (number.back() == 'V' || number.back() == 'v')) number.remove_suffix(1);
  const auto v = host::parse_real(number);
  if (!v) throw std::invalid_argument("not volts: " + text);
  if (*v < 0 || *v > kAdcInputMax) {
    throw std::invalid_argument(text + " is outside the converter's input range, 0 to 3.3 V");
  }
  return *v;
}

unsigned parse_channel(const std::string& text) {
  const auto ch = host::parse_unsigned(text, kAdcChannels - 1);
  if (!ch) throw std::invalid_argument("wants an A/D channel 0..7, not " + text);
  return static_cast<unsigned>(*ch);
}

double parse_press_hold(const std::string& text) {
  const double hold = parse_duration(text);
  if (hold <= 0) throw std::invalid_argument("a press holds its pin for more than 0 s, not " + text);
  return hold;
}

double parse_duration(const std::string& text) {
  std::string_view t = text;
  double scale = 1;
  for (const auto& [unit, factor] : {std::pair<std::string_view, double>{"ms", 1e-3},
                                     {"us", 1e-6},
                                     {"s", 1.0}}) {
    if (t.size() > unit.size() && t.substr(t.size() - unit.size()) == unit) {
      t.remove_suffix(unit.size());
      scale = factor;
      break;
    }
  }
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  const auto value = host::parse_real(t);
  if (!value || *value < 0) throw std::invalid_argument("not a duration: " + text);
  const double seconds = *value * scale;
  if (seconds > kMaxBoardSeconds) {
    throw std::invalid_argument("not a board time: " + text + " (at most " +
                                std::to_string(static_cast<long long>(kMaxBoardSeconds)) + " s)");
  }
  return seconds;
}

CommandLine parse_command_line(const std::vector<std::string>& args) {
  CommandLine c;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      c.help = true;
    } else if (a == "--for") {
      c.duration = parse_duration(value());
      c.duration_given = true;
    } else if (a == "--gdb") {
      c.gdb = value();
      if (!gdb::parse_endpoint(*c.gdb)) {
        throw std::invalid_argument("--gdb wants [HOST:]PORT, PORT 0 (any free port) to 65535, not " +
                                    *c.gdb);
      }
    } else if (a == "--web") {
      c.web = value();
      if (!gdb::parse_endpoint(*c.web)) {
        throw std::invalid_argument("--web wants [HOST:]PORT, PORT 0 (any free port) to 65535, not " +
                                    *c.web);
      }
    } else if (a == "--speed") {
      c.speed = parse_speed(value());
      c.speed_given = true;
    } else if (a == "--press") {
      const auto [pin, when] = split(value(), '@');
      const auto [at, hold] = split_hold(when);
      const double t = parse_time(at);
      const double h = hold ? parse_press_hold(*hold) : kDefaultPressHold;
      c.pins.push_back({Pin::parse(pin), false, t});
      c.pins.push_back({Pin::parse(pin), true, t + h});
    } else if (a == "--pin") {
      const auto [assignment, at] = split(value(), '@');
      const auto [pin, level] = split(assignment, '=');
      if (level != "0" && level != "1") throw std::invalid_argument("--pin wants P=0 or P=1");
      c.pins.push_back({Pin::parse(pin), level == "1", parse_time(at)});
    } else if (a == "--adc") {
      const auto [assignment, at] = split(value(), '@');
      const auto [channel, volts] = split(assignment, '=');
      if (volts.empty()) throw std::invalid_argument("--adc wants CHANNEL=VOLTS, channel 0..7");
      c.adc.push_back({parse_channel(channel), parse_volts(volts), parse_time(at)});
    } else if (a == "--screenshot") {
      c.screenshot = value();
    } else if (a == "--vcd") {
      c.vcd = value();
    } else if (a == "--uart0") {
      c.uart0_file = value();
    } else if (a == "--uart0-input") {
      // The last '@' starts the time, so the text may hold one.
      const std::string& v = value();
      const auto at = v.rfind('@');
      if (at == std::string::npos) throw std::invalid_argument("--uart0-input wants TEXT@TIME");
      c.uart0_input.push_back({unescape(v.substr(0, at)), parse_duration(v.substr(at + 1))});
    } else if (a == "--trace") {
      c.trace = true;
    } else if (a == "--strict") {
      c.strict = true;
    } else if (a == "--semihosting") {
      c.semihosting = true;
    } else if (a == "--no-idle-skip") {
      c.idle_skipping = false;
      // --- scenario ---
    } else if (a == "--scenario") {
      c.scenario = value();
      // --- end scenario ---
    } else if (!a.empty() && a[0] == '-') {
      throw std::invalid_argument("unknown option " + a);
    } else if (c.image.empty()) {
      c.image = a;
    } else {
      throw std::invalid_argument("more than one image: " + a);
    }
  }
  if (c.image.empty() && !c.help) throw std::invalid_argument("no image given");
  if (c.web && c.gdb) throw std::invalid_argument("--web and --gdb cannot be used together");
  if (c.speed_given && !c.web) throw std::invalid_argument("--speed paces a live board: give --web too");
  // --- scenario ---
  // The scenario sets the run's length and has a report of its own.
  if (c.scenario) {
    const std::pair<bool, const char*> others[] = {{c.duration_given, "--for"},
                                                   {c.gdb.has_value(), "--gdb"},
                                                   {c.uart0_file.has_value(), "--uart0"},
                                                   {c.trace, "--trace"}};
    for (const auto& [given, name] : others) {
      if (given) throw std::invalid_argument(std::string("--scenario does not go with ") + name);
    }
  }
  // --- end scenario ---
  return c;
}

static_assert(kMaxBoardSeconds == 1e6, "the usage text states the longest run");

const char* usage() {
  return "usage: lpc4088-sim IMAGE.elf [--for 3s] [--press P2.27@1.5s[+0.1s]] [--pin P2.22=0@0.2s]\n"
         "                   [--adc 0=1.65V[@t]] [--screenshot out.png] [--trace]\n"
         "                   [--uart0 FILE|-] [--uart0-input TEXT@t] [--strict]\n"
         "                   [--no-idle-skip] [--semihosting] [--gdb [HOST:]PORT]\n"
         "                   [--vcd FILE] [--web [HOST:]PORT [--speed X|max]]\n"
         "       lpc4088-sim IMAGE.elf --scenario FILE [--screenshot out.png] [--press ...]\n"
         "       lpc4088-sim --help\n"
         "Runs a firmware image on the simulated LPC4088 board for the given board time\n"
         "(1 s unless --for says otherwise), printing output pin changes, the lines of\n"
         "text UART0 sent and how the run ended. Times are seconds, or end in s, ms or\n"
         "us; at most 1000000 s.\n"
         "  --press P@t[+h]  pulls input pin P low at time t for h (50 ms unless given)\n"
         "  --pin P=L@t      drives input pin P to level L (0 or 1) from time t\n"
         "  --adc C=V@t      A/D channel C (0..7) sees V volts (0 to 3.3) from time t\n"
         "  --screenshot F   writes the LCD as a PNG file at the end\n"
         "  --uart0 F        writes the raw bytes UART0 sent to file F (- for standard\n"
         "                   output) instead of showing each line of text it sent, at\n"
         "                   the time its last byte ended, as \"t s  uart0  TEXT\"\n"
         "  --uart0-input T@t  UART0 receives text T from time t, one byte per character\n"
         "                   time at its programmed rate (escapes \\n \\r \\t \\\\ \\xHH)\n"
         "  --vcd F          writes output pins, inputs and interrupt lines as a Value\n"
         "                   Change Dump (1 ns steps) at the end, for a waveform viewer\n"
         "  --trace          also prints the inputs and unmodelled register accesses\n"
         "  --strict         an access the board does not answer as the chip would (a\n"
         "                   firmware error, or a register nobody modelled) ends the run\n"
         "  --no-idle-skip   executes waiting loops instead of jumping over them\n"
         "  --gdb [HOST:]PORT  serves the debugger's remote protocol (127.0.0.1 unless a\n"
         "                   host is given): the CPU waits at the reset vector for a\n"
         "                   debugger; the run goes on until the debugger kills it, or\n"
         "                   until --for if given; after a detach it runs on\n"
         "  --web [HOST:]PORT  runs the board live, paced to the wall clock, with a web\n"
         "                   page to watch and drive it (127.0.0.1 unless a host is\n"
         "                   given; port 0 takes a free one); prints the page's address\n"
         "                   and runs until Ctrl-C or SIGTERM (or --for if given)\n"
         "  --speed X|max    the live board's pace: X times real time (0.01 to 100,\n"
         "                   1 by default), or as fast as it goes\n"
         "  --semihosting    serves the firmware's semihosting calls (BKPT 0xAB) as a\n"
         "                   debug probe would: its output goes to standard output and\n"
         "                   error as raw bytes, and its exit ends the run\n"
         "  --scenario F     runs the steps of scenario file F to the last time it names\n"
         "                   and prints each expectation with PASS or FAIL; an error\n"
         "                   stop runs on until it has drawn its report on the LCD.\n"
         "                   Lines (# comments, times as above, TEXT in double quotes):\n"
         "                     at T press P [for H] | at T pin P = L | at T adc C = V\n"
         "                     at T uart0 \"TEXT\"\n"
         "                     expect at|by T led N on|off | expect at|by T pin P = L\n"
         "                     expect at T lcd shows \"TEXT\"\n"
         "                     expect at|by T uart0 contains \"TEXT\"\n"
         "                     expect no error stop | expect no fault\n"
         "Exit status:\n"
         "   0  the run reached its time (running, asleep, or parked in thread mode)\n"
         "   N  with --semihosting, when the firmware exits: the status it gave (0-255)\n"
         "   1  the firmware made an error stop\n"
         "   2  a fault parked the CPU, or locked it up\n"
         "   3  the CPU is parked for good in an interrupt handler\n"
         "  64  bad command line\n"
         "  65  the image cannot be loaded (not a linked image for this board)\n"
         "  70  the simulation cannot go on (--strict met a firmware error or an\n"
         "      unmodelled register, or the CPU emulator failed)\n"
         "  74  the report, the screenshot, the --uart0 or the --vcd file could not be\n"
         "      written\n"
"With --scenario the exit status says how the expectations went (the report\n"
         "still says how the run ended):\n"
         "   0  every expectation passed\n"
         "   1  an expectation failed\n"
         "  64  also: the scenario file is missing or has a bad line (FILE:LINE: why);\n"
         "      nothing ran\n"
         "  65, 70, 74 as above\n";
}

}  // namespace sim::cli
