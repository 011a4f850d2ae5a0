#include "sim/api/vcd_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <sstream>
#include <string_view>
#include <tuple>

#include "sim/placa/board.h"

namespace sim {
namespace {

enum Scope { kOutputs, kInputs, kInterrupts, kScopes };
constexpr const char* kScopeNames[kScopes] = {"outputs", "inputs", "interrupts"};

// Declaration order within a scope: pins by port and bit, then A/D channels
// and interrupt lines by number.
using SignalKey = std::tuple<Scope, int, unsigned, unsigned>;

struct Signal {
  std::string name;
  bool real = false;
  double value = 0;  // at time 0; a wire's is 0 or 1
  std::string id;
};

// Kept small: a long run has millions.
struct Change {
  std::uint64_t stamp;
  std::size_t signal;
  double value;
};

// Identifiers are short strings of printable ASCII, '!' to '~'.
std::string identifier(std::size_t index) {
  std::string id;
  do {
    id.push_back(static_cast<char>('!' + index % 94));
    index /= 94;
  } while (index != 0);
  return id;
}

// A viewer takes a name as one word of letters, digits and underscores.
std::string sanitised(const std::string& name) {
  std::string out = name;
  for (char& ch : out) {
    const bool word = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                      (ch >= '0' && ch <= '9') || ch == '_';
    if (!word) ch = '_';
  }
  return out.empty() ? "_" : out;
}

// A real as the shortest text that reads back as the same double.
void put_value(std::ostream& out, const Signal& s, double value) {
  if (s.real) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, value);
    out << 'r' << std::string_view(text, static_cast<std::size_t>(r.ptr - text)) << ' ' << s.id
        << '\n';
  } else {
    out << (value != 0 ? '1' : '0') << s.id << '\n';
  }
}

class Builder {
 public:
  std::size_t signal(const SignalKey& key, const std::string& name, bool is_real,
                     double initial) {
    const auto [it, added] = index_.try_emplace(key, signals_.size());
    if (added) signals_.push_back({sanitised(name), is_real, initial, ""});
    return it->second;
  }
  void change(double time, std::size_t signal, double value) {
    changes_.push_back({vcd_stamp(time), signal, value});
  }
  void write(std::ostream& out, double end_time);

 private:
  std::map<SignalKey, std::size_t> index_;
  std::vector<Signal> signals_;
  std::vector<Change> changes_;
};

void Builder::write(std::ostream& out, double end_time) {
  // Identifiers in declaration order, so the same record gives the same text.
  std::size_t next = 0;
  for (const auto& [key, i] : index_) signals_[i].id = identifier(next++);
  // Records are each in time order; merged, equal stamps keep that order.
  std::stable_sort(changes_.begin(), changes_.end(),
                   [](const Change& a, const Change& b) { return a.stamp < b.stamp; });
  auto c = changes_.begin();
  for (; c != changes_.end() && c->stamp == 0; ++c) signals_[c->signal].value = c->value;

  out << "$version lpc4088-sim $end\n$timescale 1 ns $end\n";
  for (int scope = 0; scope < kScopes; ++scope) {
    out << "$scope module " << kScopeNames[scope] << " $end\n";
    for (const auto& [key, i] : index_) {
      if (std::get<0>(key) != scope) continue;
      const Signal& s = signals_[i];
      out << "$var " << (s.real ? "real 64 " : "wire 1 ") << s.id << ' ' << s.name << " $end\n";
    }
    out << "$upscope $end\n";
  }
  out << "$enddefinitions $end\n#0\n$dumpvars\n";
  for (const auto& [key, i] : index_) put_value(out, signals_[i], signals_[i].value);
  out << "$end\n";
  std::uint64_t stamp = 0;
  for (; c != changes_.end(); ++c) {
    if (c->stamp != stamp) out << '#' << (stamp = c->stamp) << '\n';
    put_value(out, signals_[c->signal], c->value);
  }
  // The dump spans the whole record, not just up to its last change.
  if (const std::uint64_t end = vcd_stamp(end_time); end > stamp) out << '#' << end << '\n';
}

}  // namespace

std::uint64_t vcd_stamp(double seconds) {
  if (!(seconds > 0)) return 0;
  return static_cast<std::uint64_t>(std::llround(seconds * 1e9));
}

VcdRecord vcd_record(const Board& board) {
  return {board.output_changes(), board.input_changes(), board.irq_changes(), board.seconds()};
}

void write_vcd(std::ostream& out, const VcdRecord& record) {
  Builder b;
  for (const OutputChange& o : record.outputs) {
    const std::string label = o.pin.label();
    const std::string name =
        label == o.pin.name() ? o.pin.name() : label + "_" + o.pin.name();
    // Every recorded change is a change of level: before the first, the
    // pin stood at the other one.
    const std::size_t s = b.signal({kOutputs, 0, o.pin.port, o.pin.bit}, name, false, !o.level);
    b.change(o.time, s, o.level);
  }
  for (const InputChange& i : record.inputs) {
    if (i.is_pin) {
      b.change(i.time, b.signal({kInputs, 0, i.pin.port, i.pin.bit}, i.pin.name(), false, 1),
               i.level);
    } else {
      const std::size_t s =
          b.signal({kInputs, 1, i.channel, 0}, "adc" + std::to_string(i.channel), true, 0);
      b.change(i.time, s, i.volts);
    }
  }
  for (const IrqChange& q : record.irqs) {
    std::string name = "irq" + std::to_string(q.irq);
    if (const std::string device = Board::irq_line_name(q.irq); !device.empty()) {
      name += "_" + device;
    }
    b.change(q.time, b.signal({kInterrupts, 0, q.irq, 0}, name, false, 0), q.level);
  }
  b.write(out, record.end_time);
}

std::string vcd_text(const VcdRecord& record) {
  std::ostringstream out;
  write_vcd(out, record);
  return out.str();
}

}  // namespace sim
