#include "sim/cli/scenario.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "host/strict_number.h"
#include "sim/cli/options.h"

namespace sim::cli {
namespace {

constexpr std::size_t kMaxReportedErrors = 20;

struct Token {
  std::string text;  // unescaped when quoted
  bool quoted = false;
};

// The firmware's text is Latin-1; a file written in UTF-8 says "Función"
// with two bytes for the ó. Text that is valid UTF-8 within Latin-1 is
// turned into it; anything else is taken as Latin-1 already.
std::string to_latin1(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      out.push_back(text[i]);
      continue;
    }
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
    if ((b == 0xC2 || b == 0xC3) && (next & 0xC0) == 0x80) {
      out.push_back(static_cast<char>(((b & 0x03) << 6) | (next & 0x3F)));
      ++i;
      continue;
    }
    return text;
  }
  return out;
}

// Words split at blanks, '=' a word of its own, "..." one word, '#' outside
// quotes the end of the line. A \" inside quotes is a quote; the other
// escapes are unescape()'s.
std::vector<Token> tokenize(std::string_view line, std::string* source) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  std::size_t end_of_code = line.size();
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      end_of_code = i;
      break;
    } else if (c == '=') {
      tokens.push_back({"=", false});
      ++i;
    } else if (c == '"') {
      std::string raw;
      ++i;
      for (;; ++i) {
        if (i >= line.size()) throw std::invalid_argument("a quote is not closed");
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size()) {
          if (line[i + 1] == '"') {
            raw.push_back('"');
          } else {
            raw.append(line.substr(i, 2));
          }
          ++i;
          continue;
        }
        raw.push_back(line[i]);
      }
      ++i;
      tokens.push_back({unescape(to_latin1(raw)), true});
    } else {
      const std::size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '=' && line[i] != '"' && line[i] != '#') {
        ++i;
      }
      tokens.push_back({std::string(line.substr(start, i - start)), false});
    }
  }
  std::string_view code = line.substr(0, end_of_code);
  while (!code.empty() && (code.back() == ' ' || code.back() == '\t' || code.back() == '\r')) {
    code.remove_suffix(1);
  }
  while (!code.empty() && (code.front() == ' ' || code.front() == '\t')) code.remove_prefix(1);
  // Control bytes shown as \xHH: the report quotes the line to a terminal.
  source->clear();
  for (const char ch : code) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", b);
      *source += escape;
    } else {
      source->push_back(ch);
    }
  }
  return tokens;
}

// A message quotes the line's bytes: control and non-ASCII ones as \xHH, so a
// binary file cannot drive the terminal.
std::string printable(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", b);
      out += escape;
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

// Reads one line's words in order, saying what was wanted when they run out
// or do not fit.
class Words {
 public:
  explicit Words(const std::vector<Token>& t) : t_(t) {}

  const Token* peek() const { return i_ < t_.size() ? &t_[i_] : nullptr; }
  std::string word(const char* wanted) {
    if (i_ >= t_.size()) throw std::invalid_argument(std::string("wants ") + wanted + " at the end");
    if (t_[i_].quoted) {
      throw std::invalid_argument(std::string("wants ") + wanted + ", not \"" + t_[i_].text + "\"");
    }
    return t_[i_++].text;
  }
  void keyword(const char* k) {
    const std::string w = word(k);
    if (w != k) throw std::invalid_argument(std::string("wants ") + k + ", not " + w);
  }
  std::string quoted(const char* wanted) {
    if (i_ >= t_.size() || !t_[i_].quoted) {
      throw std::invalid_argument(std::string("wants ") + wanted + " between double quotes");
    }
    return t_[i_++].text;
  }
  bool accept(const char* k) {
    if (i_ < t_.size() && !t_[i_].quoted && t_[i_].text == k) {
      ++i_;
      return true;
    }
    return false;
  }
  void end() const {
    if (i_ < t_.size()) throw std::invalid_argument("unexpected " + t_[i_].text + " at the end");
  }

 private:
  const std::vector<Token>& t_;
  std::size_t i_ = 0;
};

bool parse_level(Words& w) {
  w.keyword("=");
  const std::string level = w.word("a level, 0 or 1");
  if (level != "0" && level != "1") throw std::invalid_argument("a level is 0 or 1, not " + level);
  return level == "1";
}

Step parse_step(Words& w, double at) {
  Step s;
  s.at = at;
  const std::string what = w.word("press, pin, adc or uart0");
  if (what == "press") {
    s.kind = Step::Kind::Press;
    s.pin = Pin::parse(w.word("a pin"));
    s.hold = w.accept("for") ? parse_press_hold(w.word("how long the press holds"))
                             : kDefaultPressHold;
  } else if (what == "pin") {
    s.kind = Step::Kind::Pin;
    s.pin = Pin::parse(w.word("a pin"));
    s.level = parse_level(w);
  } else if (what == "adc") {
    s.kind = Step::Kind::Adc;
    s.channel = parse_channel(w.word("an A/D channel"));
    w.keyword("=");
    s.volts = parse_volts(w.word("volts"));
  } else if (what == "uart0") {
    s.kind = Step::Kind::Uart0;
    s.bytes = w.quoted("the text UART0 receives");
  } else {
    throw std::invalid_argument("a step is press, pin, adc or uart0, not " + what);
  }
  w.end();
  return s;
}

Expectation parse_expectation(Words& w) {
  using K = Expectation::Kind;
  Expectation e;
  if (w.accept("no")) {
    if (w.accept("fault")) {
      e.kind = K::NoFault;
    } else {
      w.keyword("error");
      w.keyword("stop");
      e.kind = K::NoErrorStop;
    }
    w.end();
    return e;
  }
  const std::string when = w.word("at, by or no");
  if (when != "at" && when != "by") throw std::invalid_argument("wants at, by or no, not " + when);
  e.when = when == "at" ? Expectation::When::At : Expectation::When::By;
  e.at = parse_duration(w.word("a time"));
  const std::string what = w.word("lcd, led, pin or uart0");
  if (what == "lcd") {
    w.keyword("shows");
    e.kind = K::LcdShows;
    e.text = w.quoted("the text the LCD shows");
    if (e.text.empty()) throw std::invalid_argument("the LCD shows some text, not \"\"");
    // Reading the LCD before every block of code would cost more than the run.
    if (e.when == Expectation::When::By) {
      throw std::invalid_argument("the LCD is read at one time: expect at TIME lcd shows");
    }
  } else if (what == "led") {
    e.kind = K::Led;
    const auto n = host::parse_unsigned(w.word("an LED number, 1 to 4"), 4);
    if (!n || *n == 0) throw std::invalid_argument("the board's LEDs are 1 to 4");
    e.pin = Pin::led(static_cast<unsigned>(*n));
    const std::string state = w.word("on or off");
    if (state != "on" && state != "off") throw std::invalid_argument("wants on or off, not " + state);
    e.level = state == "on";
  } else if (what == "pin") {
    e.kind = K::Pin;
    e.pin = Pin::parse(w.word("a pin"));
    e.level = parse_level(w);
  } else if (what == "uart0") {
    w.keyword("contains");
    e.kind = K::Uart0Contains;
    e.text = w.quoted("the text UART0 sent");
    if (e.text.empty()) throw std::invalid_argument("UART0 contains some text, not \"\"");
  } else {
    throw std::invalid_argument("an expectation is about lcd, led, pin or uart0, not " + what);
  }
  w.end();
  return e;
}

}  // namespace

Scenario parse_scenario(std::string_view text, const std::string& name) {
  Scenario scenario;
  std::string errors;
  std::size_t error_count = 0;
  bool named_a_time = false;
  int number = 0;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a UTF-8 byte order mark
  while (!text.empty()) {
    const auto newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    ++number;
    try {
      std::string source;
      const std::vector<Token> tokens = tokenize(line, &source);
      if (tokens.empty()) continue;
      if (line.find('\0') != std::string_view::npos) {
        throw std::invalid_argument("a NUL byte: not a text file");
      }
      Words w(tokens);
      const std::string first = w.word("at or expect");
      if (first == "at") {
        const double at = parse_duration(w.word("a time"));
        scenario.steps.push_back(parse_step(w, at));
        scenario.end = std::max(scenario.end, at);
        named_a_time = true;
      } else if (first == "expect") {
        Expectation e = parse_expectation(w);
        e.line = number;
        e.source = source;
        if (e.when != Expectation::When::WholeRun) {
          scenario.end = std::max(scenario.end, e.at);
          named_a_time = true;
        }
        scenario.expectations.push_back(std::move(e));
      } else {
        throw std::invalid_argument("a line starts with at or expect, not " + first);
      }
    } catch (const std::invalid_argument& e) {
      if (++error_count <= kMaxReportedErrors) {
        errors += name + ":" + std::to_string(number) + ": " + printable(e.what()) + "\n";
      }
    }
  }
  if (error_count > kMaxReportedErrors) {
    errors += name + ": " + std::to_string(error_count - kMaxReportedErrors) + " more bad lines\n";
  }
  if (error_count == 0 && scenario.expectations.empty()) {
    errors += name + ": expects nothing: a scenario has at least one expect line\n";
  } else if (error_count == 0 && !named_a_time) {
    errors += name + ": names no time to run to: add an at or an expect at line\n";
  }
  if (!errors.empty()) {
    errors.pop_back();
    throw ScenarioError(errors);
  }
  return scenario;
}

Scenario read_scenario(const std::string& path) {
  auto fail = [&](const std::string& why) { return ScenarioError(path + ": " + why); };
  // Checked before reading, so a device or a pipe cannot hang the run.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw fail(std::string("cannot read: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) throw fail("not a regular file");
  if (static_cast<std::size_t>(st.st_size) > kMaxScenarioBytes) {
    throw fail("larger than " + std::to_string(kMaxScenarioBytes) + " bytes: not a scenario");
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) throw fail(std::string("cannot read: ") + std::strerror(errno));
  std::string text(kMaxScenarioBytes + 1, '\0');
  const std::size_t got = std::fread(text.data(), 1, text.size(), file.get());
  if (std::ferror(file.get())) throw fail("cannot read: read error");
  if (got > kMaxScenarioBytes) {
    throw fail("larger than " + std::to_string(kMaxScenarioBytes) + " bytes: not a scenario");
  }
  text.resize(got);
  return parse_scenario(text, path);
}

}  // namespace sim::cli
