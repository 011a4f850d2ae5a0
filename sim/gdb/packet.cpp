#include "sim/gdb/packet.h"

namespace sim::gdb {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr char kDigits[] = "0123456789abcdef";

}  // namespace

void PacketReader::feed(std::string_view bytes, std::vector<InputEvent>& out) {
  for (const char c : bytes) {
    switch (state_) {
      case State::Idle:
        if (c == '$') {
          state_ = State::Payload;
          payload_.clear();
          oversized_ = false;
          sum_ = 0;
        } else if (c == '+') {
          out.push_back({InputEvent::Kind::Ack, {}});
        } else if (c == '-') {
          out.push_back({InputEvent::Kind::Nak, {}});
        } else if (c == '\x03') {
          out.push_back({InputEvent::Kind::Interrupt, {}});
        }
        break;
      case State::Payload:
        if (c == '#') {
          state_ = State::Check1;
        } else if (c == '$') {
          payload_.clear();
          oversized_ = false;
          sum_ = 0;
        } else {
          sum_ = static_cast<std::uint8_t>(sum_ + static_cast<std::uint8_t>(c));
          // The checksum still runs over what is dropped, so that an
          // oversized packet can be told from a damaged one.
          if (payload_.size() < max_payload_) {
            payload_ += c;
          } else {
            oversized_ = true;
          }
        }
        break;
      case State::Check1:
      case State::Check2: {
        const int v = hex_value(c);
        if (v < 0) {
          // A broken trailer: report it as damaged, let '$' start afresh.
          state_ = State::Idle;
          out.push_back({InputEvent::Kind::BadChecksum, {}});
          if (c == '$') feed(std::string_view(&c, 1), out);
          break;
        }
        if (state_ == State::Check1) {
          sent_sum_ = v << 4;
          state_ = State::Check2;
          break;
        }
        state_ = State::Idle;
        const bool good = (sent_sum_ | v) == sum_;
        if (!good) {
          out.push_back({InputEvent::Kind::BadChecksum, oversized_ ? std::string() : payload_});
        } else if (oversized_) {
          out.push_back({InputEvent::Kind::Oversized, {}});
        } else {
          out.push_back({InputEvent::Kind::Packet, payload_});
        }
        payload_.clear();
        break;
      }
    }
  }
}

std::string frame(std::string_view payload) {
  std::uint8_t sum = 0;
  for (const char c : payload) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  std::string out;
  out.reserve(payload.size() + 4);
  out += '$';
  out += payload;
  out += '#';
  out += kDigits[sum >> 4];
  out += kDigits[sum & 0xf];
  return out;
}

std::string escape_binary(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (const char c : data) {
    if (c == '#' || c == '$' || c == '}' || c == '*') {
      out += '}';
      out += static_cast<char>(c ^ 0x20);
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> unescape_binary(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] != '}') {
      out += data[i];
      continue;
    }
    if (++i == data.size()) return std::nullopt;
    out += static_cast<char>(data[i] ^ 0x20);
  }
  return out;
}

std::string to_hex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<std::uint8_t>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 0xf];
  }
  return out;
}

std::optional<std::string> from_hex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int hi = hex_value(hex[i]);
    const int lo = hex_value(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi << 4 | lo);
  }
  return out;
}

std::optional<std::uint64_t> parse_hex_number(std::string_view text) {
  if (text.empty() || text.size() > 16) return std::nullopt;
  std::uint64_t v = 0;
  for (const char c : text) {
    const int d = hex_value(c);
    if (d < 0) return std::nullopt;
    v = v << 4 | static_cast<std::uint64_t>(d);
  }
  return v;
}

}  // namespace sim::gdb
