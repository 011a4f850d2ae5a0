#include "sim/web/controls.h"

#include <algorithm>
#include <stdexcept>

namespace sim::web {
namespace {

constexpr std::size_t kMaxControls = 16;
constexpr std::size_t kMaxLabel = 24;
constexpr std::size_t kMaxKey = 16;

// Labels and keys end up in a web page: printable ASCII only, and none of
// the characters that mean something in HTML.
bool plain(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return c >= 0x20 && c < 0x7F && c != '<' && c != '>' && c != '&' && c != '"' && c != '\'';
  });
}

}  // namespace

std::vector<Control> parse_controls(const std::string& text) {
  std::vector<Control> controls;
  std::size_t start = 0;
  for (unsigned line = 1; start < text.size(); ++line) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string row = text.substr(start, end - start);
    start = end + 1;
    if (row.empty() || row.find_first_not_of('\0') == std::string::npos) continue;
    const std::string where = "button line " + std::to_string(line) + ": ";
    const auto bar1 = row.find('|');
    const auto bar2 = bar1 == std::string::npos ? bar1 : row.find('|', bar1 + 1);
    if (bar2 == std::string::npos || row.find('|', bar2 + 1) != std::string::npos) {
      throw std::invalid_argument(where + "not PIN|LABEL|KEY");
    }
    Control c;
    try {
      c.pin = Pin::parse(row.substr(0, bar1));
    } catch (const std::invalid_argument& e) {
      throw std::invalid_argument(where + e.what());
    }
    c.label = row.substr(bar1 + 1, bar2 - bar1 - 1);
    c.key = row.substr(bar2 + 1);
    if (c.label.empty() || c.label.size() > kMaxLabel || !plain(c.label)) {
      throw std::invalid_argument(where + "the label must be 1 to 24 plain characters");
    }
    if (c.key.size() > kMaxKey || !plain(c.key)) {
      throw std::invalid_argument(where + "the key must be up to 16 plain characters");
    }
    if (std::any_of(controls.begin(), controls.end(),
                    [&](const Control& o) { return o.pin == c.pin; })) {
      throw std::invalid_argument(where + c.pin.name() + " has a button already");
    }
    if (controls.size() == kMaxControls) throw std::invalid_argument(where + "more than 16 buttons");
    controls.push_back(std::move(c));
  }
  return controls;
}

std::vector<Control> default_controls() {
  return {{Pin{2, 22}, "P2.22", "1"}, {Pin{2, 25}, "P2.25", "2"}, {Pin{2, 27}, "P2.27", "3"}};
}

}  // namespace sim::web
