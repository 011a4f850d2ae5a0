#include "sim/web/requests.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <set>

#include "sim/web/live_board.h"

namespace sim::web {
namespace {

using nlohmann::json;

json parse_object(const std::string& body) {
  json j;
  try {
    j = json::parse(body);
  } catch (const json::exception&) {
    throw RequestError("the body is not JSON (or holds a number out of range)");
  }
  if (!j.is_object()) throw RequestError("the body must be a JSON object");
  return j;
}

// Exactly the fields one form allows.
void only_fields(const json& j, std::set<std::string> allowed) {
  for (const auto& [key, value] : j.items()) {
    if (!allowed.count(key)) throw RequestError("unknown field \"" + key + "\"");
  }
}

Pin pin_of(const json& j) {
  if (!j.at("pin").is_string()) throw RequestError("\"pin\" must be a string such as \"P2.27\"");
  try {
    return Pin::parse(j.at("pin").get<std::string>());
  } catch (const std::invalid_argument& e) {
    throw RequestError(e.what());
  }
}

double number_of(const json& j, const char* field) {
  if (!j.at(field).is_number()) throw RequestError(std::string("\"") + field + "\" must be a number");
  const double v = j.at(field).get<double>();
  if (!std::isfinite(v)) throw RequestError(std::string("\"") + field + "\" must be finite");
  return v;
}

std::string utf8_to_latin1(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if ((c & 0xE0) == 0xC0 && c >= 0xC2 && c <= 0xC3 && i + 1 < text.size()) {
      // JSON strings are valid UTF-8 once parsed: two bytes up to U+00FF.
      out.push_back(static_cast<char>(((c & 0x1F) << 6) | (text[++i] & 0x3F)));
    } else {
      throw RequestError("\"uart0\" text must be Latin-1 characters (up to U+00FF)");
    }
  }
  return out;
}

}  // namespace

Input parse_input(const std::string& body) {
  const json j = parse_object(body);
  if (j.contains("pin") && j.contains("press")) {
    only_fields(j, {"pin", "press"});
    if (!j.at("press").is_boolean()) throw RequestError("\"press\" must be true or false");
    return PressInput{pin_of(j), j.at("press").get<bool>()};
  }
  if (j.contains("pin") && j.contains("level")) {
    only_fields(j, {"pin", "level"});
    const json& l = j.at("level");
    if (!l.is_number_integer() || (l.get<long long>() != 0 && l.get<long long>() != 1)) {
      throw RequestError("\"level\" must be 0 or 1");
    }
    return LevelInput{pin_of(j), l.get<long long>() == 1};
  }
  if (j.contains("adc")) {
    only_fields(j, {"adc", "volts"});
    const json& c = j.at("adc");
    if (!c.is_number_integer() || c.get<long long>() < 0 ||
        c.get<long long>() >= static_cast<long long>(LiveBoard::kAdcChannels)) {
      throw RequestError("\"adc\" must be a channel number 0 to 7");
    }
    if (!j.contains("volts")) throw RequestError("\"volts\" is missing");
    const double v = number_of(j, "volts");
    if (v < 0 || v > LiveBoard::kMaxVolts) throw RequestError("\"volts\" must be 0 to 3.3");
    return AdcInput{static_cast<unsigned>(c.get<long long>()), v};
  }
  if (j.contains("uart0")) {
    only_fields(j, {"uart0"});
    if (!j.at("uart0").is_string()) throw RequestError("\"uart0\" must be a string");
    std::string bytes = utf8_to_latin1(j.at("uart0").get<std::string>());
    if (bytes.empty() || bytes.size() > kMaxUartInput) {
      throw RequestError("\"uart0\" must be 1 to 1024 characters");
    }
    return UartInput{std::move(bytes)};
  }
  if (j.contains("pin")) throw RequestError("a pin needs \"press\" or \"level\"");
  throw RequestError("expected {\"pin\", \"press\"}, {\"pin\", \"level\"}, {\"adc\", \"volts\"} or {\"uart0\"}");
}

ControlRequest parse_control(const std::string& body) {
  const json j = parse_object(body);
  if (!j.contains("action") || !j.at("action").is_string()) {
    throw RequestError("\"action\" must be pause, resume, step, reset or speed");
  }
  const std::string action = j.at("action").get<std::string>();
  ControlRequest r{};
  if (action == "pause" || action == "resume" || action == "reset") {
    only_fields(j, {"action"});
    r.action = action == "pause"    ? ControlRequest::Action::Pause
               : action == "resume" ? ControlRequest::Action::Resume
                                    : ControlRequest::Action::Reset;
  } else if (action == "step") {
    only_fields(j, {"action", "seconds"});
    r.action = ControlRequest::Action::Step;
    if (j.contains("seconds")) {
      const double s = number_of(j, "seconds");
      if (s <= 0 || s > 10) throw RequestError("\"seconds\" must be more than 0 and at most 10");
      r.seconds = s;
    }
  } else if (action == "speed") {
    only_fields(j, {"action", "speed"});
    r.action = ControlRequest::Action::Speed;
    if (!j.contains("speed")) throw RequestError("\"speed\" is missing");
    const json& s = j.at("speed");
    if (s.is_string() && s.get<std::string>() == "max") {
      r.speed = std::nullopt;
    } else {
      const double v = number_of(j, "speed");
      if (v < LiveBoard::kMinSpeed || v > LiveBoard::kMaxSpeed) {
        throw RequestError("\"speed\" must be 0.01 to 100, or \"max\"");
      }
      r.speed = v;
    }
  } else {
    throw RequestError("unknown action \"" + action + "\"");
  }
  return r;
}

std::string latin1_to_utf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace sim::web
