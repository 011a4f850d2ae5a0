// The push buttons a live board offers for an image. An image describes its
// own in a section it never loads, ".controles": one line per button,
// "PIN|LABEL|KEY" (KEY a browser key name, "Space" for the space bar). An
// image without one gets the inputs of the board's clock lab.
#ifndef SIM_WEB_CONTROLS_H
#define SIM_WEB_CONTROLS_H

#include <string>
#include <vector>

#include "sim/placa/results.h"

namespace sim::web {

struct Control {
  Pin pin;
  std::string label;
  std::string key;
};

// Throws std::invalid_argument naming the line at fault.
std::vector<Control> parse_controls(const std::string& text);
std::vector<Control> default_controls();

}  // namespace sim::web

#endif
