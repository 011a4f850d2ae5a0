#include "tests/support/vcd_reader.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace {

struct Var {
  std::string name;
};

class Reader {
 public:
  explicit Reader(const std::string& text) : in_(text) {}
  VcdFile read();

 private:
  bool next(std::string& token) { return static_cast<bool>(in_ >> token); }
  // The words up to "$end".
  std::string until_end();
  void value(const std::string& token, const std::string& id, bool real);

  std::istringstream in_;
  VcdFile f_;
  std::map<std::string, std::string> names_;  // identifier -> variable name
  std::vector<std::string> scope_;
  bool have_stamp_ = false;
  std::uint64_t stamp_ = 0;
  std::set<std::string> dumped_;
  bool in_dumpvars_ = false;
};

std::string Reader::until_end() {
  std::string words, t;
  while (next(t) && t != "$end") words += (words.empty() ? "" : " ") + t;
  if (t != "$end" && f_.error.empty()) f_.error = "a section has no $end";
  return words;
}

void Reader::value(const std::string& token, const std::string& id, bool real) {
  const auto it = names_.find(id);
  if (it == names_.end()) {
    f_.error = "change of an undeclared identifier " + id;
    return;
  }
  if (!have_stamp_) {
    f_.error = "change before any #stamp";
    return;
  }
  VcdSignal& s = f_.signals[it->second];
  if ((s.type == "real") != real) {
    f_.error = "value of the wrong type for " + it->second + ": " + token;
    return;
  }
  std::string v = real ? token.substr(1) : token.substr(0, 1);
  if (real) {
    char* end = nullptr;
    std::strtod(v.c_str(), &end);
    if (v.empty() || *end != '\0') f_.error = "not a real: " + token;
  }
  if (in_dumpvars_) dumped_.insert(id);
  s.values.emplace_back(stamp_, v);
}

VcdFile Reader::read() {
  bool defined = false;
  for (std::string t; f_.error.empty() && next(t);) {
    if (t == "$version") {
      f_.version = until_end();
    } else if (t == "$timescale") {
      f_.timescale = until_end();
    } else if (t == "$date" || t == "$comment") {
      until_end();
    } else if (t == "$scope") {
      std::string words = until_end();
      const auto space = words.find(' ');
      if (defined || space == std::string::npos) f_.error = "bad $scope: " + words;
      scope_.push_back(words.substr(space + 1));
      f_.scopes.push_back(scope_.back());
    } else if (t == "$upscope") {
      until_end();
      if (scope_.empty()) f_.error = "$upscope without a scope";
      else scope_.pop_back();
    } else if (t == "$var") {
      std::istringstream words(until_end());
      std::string type, size, id, name;
      words >> type >> size >> id >> name;
      if (defined || scope_.empty() || name.empty() || (type != "wire" && type != "real") ||
          names_.count(id) != 0 || f_.signals.count(name) != 0) {
        f_.error = "bad $var: " + type + " " + size + " " + id + " " + name;
        break;
      }
      names_[id] = name;
      f_.signals[name] = VcdSignal{scope_.back(), type, {}};
    } else if (t == "$enddefinitions") {
      until_end();
      if (!scope_.empty()) f_.error = "a scope is left open";
      defined = true;
    } else if (!defined) {
      f_.error = "unexpected in the header: " + t;
    } else if (t[0] == '#') {
      char* end = nullptr;
      const std::uint64_t stamp = std::strtoull(t.c_str() + 1, &end, 10);
      if (t.size() < 2 || *end != '\0') f_.error = "not a stamp: " + t;
      if (have_stamp_ && stamp <= stamp_) f_.error = "stamp does not increase: " + t;
      have_stamp_ = true;
      stamp_ = stamp;
      f_.stamps.push_back(stamp);
    } else if (t == "$dumpvars") {
      in_dumpvars_ = true;
    } else if (t == "$end" && in_dumpvars_) {
      in_dumpvars_ = false;
      if (dumped_.size() != names_.size()) f_.error = "$dumpvars leaves variables out";
    } else if (t[0] == 'r') {
      std::string id;
      if (!next(id)) f_.error = "real change without an identifier";
      else value(t, id, true);
    } else if (t.size() >= 2 && (t[0] == '0' || t[0] == '1' || t[0] == 'x' || t[0] == 'z')) {
      value(t, t.substr(1), false);
    } else {
      f_.error = "not a value change: " + t;
    }
  }
  if (f_.error.empty() && !defined) f_.error = "no $enddefinitions";
  if (f_.error.empty() && in_dumpvars_) f_.error = "$dumpvars has no $end";
  return f_;
}

}  // namespace

std::string VcdSignal::at(std::uint64_t stamp) const {
  std::string v;
  for (const auto& [s, value] : values) {
    if (s > stamp) break;
    v = value;
  }
  return v;
}

std::vector<std::uint64_t> VcdSignal::edges_to(const std::string& value) const {
  std::vector<std::uint64_t> edges;
  for (std::size_t i = 1; i < values.size(); ++i) {
    if (values[i].second == value && values[i - 1].second != value) edges.push_back(values[i].first);
  }
  return edges;
}

VcdFile read_vcd(const std::string& text) { return Reader(text).read(); }
