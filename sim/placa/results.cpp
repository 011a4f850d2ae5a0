#include "sim/placa/results.h"

#include <bit>
#include <cctype>
#include <iterator>
#include <optional>
#include <string_view>

#include "host/strict_number.h"

namespace sim {
namespace {

struct Led {
  Pin pin;
  const char* name;
};
constexpr Led kLeds[] = {
    {{1, 18}, "LED1"}, {{0, 13}, "LED2"}, {{1, 13}, "LED3"}, {{2, 19}, "LED4"}};

}  // namespace

Pin Pin::parse(const std::string& text) {
  std::string_view t = text;
  if (!t.empty() && std::toupper(static_cast<unsigned char>(t.front())) == 'P') t.remove_prefix(1);
  const auto dot = t.find('.');
  const auto port =
      dot == std::string_view::npos ? std::nullopt : host::parse_unsigned(t.substr(0, dot), 5);
  const auto bit = port ? host::parse_unsigned(t.substr(dot + 1), 31) : std::nullopt;
  if (!port || !bit) throw std::invalid_argument("not a pin: " + text);
  return Pin{static_cast<unsigned>(*port), static_cast<unsigned>(*bit)};
}

Pin Pin::led(unsigned number) {
  if (number < 1 || number > std::size(kLeds)) {
    throw std::invalid_argument("the board's LEDs are 1 to 4, not " + std::to_string(number));
  }
  return kLeds[number - 1].pin;
}

std::string Pin::name() const { return "P" + std::to_string(port) + "." + std::to_string(bit); }

std::string Pin::label() const {
  for (const Led& led : kLeds) {
    if (led.pin == *this) return led.name;
  }
  return name();
}

const char* to_string(StopReason reason) {
  switch (reason) {
    case StopReason::TimeReached:
      return "time reached";
    case StopReason::Condition:
      return "condition met";
    case StopReason::ErrorStop:
      return "error stop";
    case StopReason::Fault:
      return "fault";
    case StopReason::Parked:
      return "parked";
    case StopReason::Exited:
      return "exited";
    case StopReason::Breakpoint:
      return "breakpoint";
    case StopReason::Watchpoint:
      return "watchpoint";
    case StopReason::Stepped:
      return "stepped";
  }
  return "?";
}

CallArg::CallArg(float v) : is_float(true), bits(std::bit_cast<std::uint32_t>(v)) {}

float CallResult::as_float() const { return std::bit_cast<float>(s0_bits); }

ErrorStopped::ErrorStopped(ErrorStopInfo info_)
    : std::runtime_error("error stop in " + info_.function + " (" + info_.file + ":" +
                         std::to_string(info_.line) + "): " + info_.message),
      info(std::move(info_)) {}

}  // namespace sim
