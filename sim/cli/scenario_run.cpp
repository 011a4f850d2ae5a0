#include "sim/cli/scenario_run.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "sim/api/text_reader.h"
#include "sim/placa/board.h"

namespace sim::cli {
namespace {

using Kind = Expectation::Kind;
using When = Expectation::When;

constexpr std::size_t kSeenUart0Bytes = 60;  // the tail of what UART0 sent, in a failure

// Bytes outside printable ASCII as \xHH, so a report line stays one line.
std::string printable(const std::string& bytes) {
  std::string text;
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b >= 0x7F || b == '"' || b == '\\') {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", b);
      text += escape;
    } else {
      text.push_back(ch);
    }
  }
  return text;
}

std::string seconds(double t) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f s", t);
  return text;
}

bool level_holds(const Simulador& board, const Expectation& e) {
  if (e.kind == Kind::Led) return (board.pin_is_output(e.pin) && board.pin_level(e.pin)) == e.level;
  return board.pin_level(e.pin) == e.level;
}

std::string level_seen(const Simulador& board, const Expectation& e) {
  if (e.kind == Kind::Led) return board.pin_is_output(e.pin) && board.pin_level(e.pin) ? "on" : "off";
  return board.pin_level(e.pin) ? "1" : "0";
}

// What is drawn where the longest shown beginning of `text` starts.
std::string lcd_seen(Simulador& board, const std::string& text) {
  const Lpc4088Peripherals& p = board.board().peripherals();
  const auto frame = p.lcd_frame();
  if (!frame || !p.lcd_enabled()) return "the LCD is off";
  const TextReader reader(board.board().memory(), board.symbol("glcd_fuentes"));
  // Each try scans the whole screen: the last few lengths (a changed digit),
  // then halves.
  if (text.size() < 2) return "not on the LCD";
  std::vector<std::size_t> lengths;
  for (std::size_t n = text.size() - 1; n >= 1 && n + 3 >= text.size(); --n) lengths.push_back(n);
  for (std::size_t n = (text.size() - 1) / 2; n >= 1; n /= 2) {
    if (n < lengths.back()) lengths.push_back(n);
  }
  for (const std::size_t n : lengths) {
    if (const auto at = reader.find(*frame, text.substr(0, n))) {
      const auto shown = reader.read_line(*frame, at->font, at->x, at->y,
                                          static_cast<unsigned>(text.size()));
      return "\"" + printable(shown) + "\" at (" + std::to_string(at->x) + ", " +
             std::to_string(at->y) + ")";
    }
  }
  return "not on the LCD, nor its beginning";
}

void judge(Simulador& board, Outcome& o, bool observed) {
  const Expectation& e = *o.expectation;
  switch (e.kind) {
    case Kind::LcdShows:
      try {
        o.passed = board.screen_shows(e.text);
        if (!o.passed) o.seen = lcd_seen(board, e.text);
      } catch (const std::exception& error) {
        o.passed = false;
        o.seen = std::string("the LCD cannot be read: ") + error.what();
      }
      break;
    case Kind::Led:
    case Kind::Pin:
      o.passed = observed || level_holds(board, e);
      if (!o.passed) o.seen = (e.when == When::By ? "never; now " : "") + level_seen(board, e);
      break;
    case Kind::Uart0Contains: {
      // What UART0 sent only grows, so "by" and "at" ask the same.
      const std::string sent = board.uart0_text();
      o.passed = sent.find(e.text) != std::string::npos;
      if (!o.passed) {
        o.seen = sent.empty() ? "UART0 sent nothing"
                 : sent.size() <= kSeenUart0Bytes
                     ? "UART0 sent \"" + printable(sent) + "\""
                     : "UART0 sent ...\"" + printable(sent.substr(sent.size() - kSeenUart0Bytes)) +
                           "\"";
      }
      break;
    }
    case Kind::NoErrorStop:
      o.passed = !board.error_stop().has_value();
      if (!o.passed) {
        const ErrorStopInfo& s = *board.error_stop();
        o.seen = "error stop at " + seconds(s.time) + " in " + s.function + " (" + s.file + ":" +
                 std::to_string(s.line) + "): " + printable(s.message);
      }
      break;
    case Kind::NoFault:
      o.passed = !board.fault().has_value();
      if (!o.passed) o.seen = "fault at " + seconds(board.fault()->time) + ": " + board.fault()->kind;
      break;
  }
}

}  // namespace

std::size_t ScenarioReport::passed() const {
  return static_cast<std::size_t>(
      std::count_if(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return o.passed; }));
}

ScenarioReport run_scenario(Simulador& board, const Scenario& scenario) {
  for (const Step& s : scenario.steps) {
    switch (s.kind) {
      case Step::Kind::Press:
        board.press(s.pin, s.at, s.hold);
        break;
      case Step::Kind::Pin:
        board.set_pin(s.pin, s.level, s.at);
        break;
      case Step::Kind::Adc:
        board.set_adc_voltage(s.channel, s.volts, s.at);
        break;
      case Step::Kind::Uart0:
        board.uart0_input(s.bytes, s.at);
        break;
    }
  }
  ScenarioReport report;
  const std::vector<Expectation>& expected = scenario.expectations;
  for (const Expectation& e : expected) report.outcomes.push_back({&e, false, "", false});

  // A level asked for "by" a time counts if it held before any block of code
  // up to then: watched while those runs go on.
  std::vector<bool> observed(expected.size(), false);
  std::vector<std::size_t> watched;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Expectation& e = expected[i];
    if (e.when == When::By && (e.kind == Kind::Led || e.kind == Kind::Pin)) watched.push_back(i);
  }
  const std::function<bool()> observe = [&] {
    for (const std::size_t i : watched) {
      if (!observed[i] && board.time() <= expected[i].at && level_holds(board, expected[i])) {
        observed[i] = true;
      }
    }
    return false;
  };

  std::vector<double> checkpoints = {scenario.end};
  for (const Expectation& e : expected) {
    if (e.when != When::WholeRun) checkpoints.push_back(e.at);
  }
  std::sort(checkpoints.begin(), checkpoints.end());
  checkpoints.erase(std::unique(checkpoints.begin(), checkpoints.end()), checkpoints.end());

  report.result = RunResult{StopReason::TimeReached, board.time(), {}};
  bool running = true;
  observe();
  for (const double t : checkpoints) {
    if (running) {
      const bool watching = std::any_of(watched.begin(), watched.end(), [&](std::size_t i) {
        return !observed[i] && expected[i].at >= t;
      });
      report.result = board.board().run(t, watching ? &observe : nullptr, 0);
      running = report.result.reason == StopReason::TimeReached;
      if (running) observe();
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (expected[i].when == When::WholeRun || expected[i].at != t) continue;
      report.outcomes[i].after_end = !running && report.result.time < t;
      judge(board, report.outcomes[i], observed[i]);
    }
  }
  for (Outcome& o : report.outcomes) {
    if (o.expectation->when == When::WholeRun) judge(board, o, false);
  }
  return report;
}

std::string describe(const Outcome& o, const std::string& name) {
  std::string line = o.passed ? "PASS  " : "FAIL  ";
  line += name + ":" + std::to_string(o.expectation->line) + "  " + o.expectation->source;
  if (!o.passed) line += "  -- seen: " + o.seen;
  if (o.after_end) line += "  (judged where the run ended)";
  return line;
}

}  // namespace sim::cli
