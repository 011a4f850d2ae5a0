// The remote protocol's framing, apart from what the packets mean: the
// byte stream from the debugger cut into packets ($payload#cs), acks,
// naks and interrupts; packets framed for sending; hex and the escaped
// binary form. Nothing here does I/O, so it can be fed any bytes.
#ifndef SIM_GDB_PACKET_H
#define SIM_GDB_PACKET_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim::gdb {

// The largest payload (between '$' and '#') accepted, and announced as
// PacketSize. Replies are kept within it too.
inline constexpr std::size_t kMaxPayload = 4096;

struct InputEvent {
  enum class Kind {
    Packet,       // a well-formed packet: payload as sent (still escaped)
    BadChecksum,  // a packet whose checksum does not match: payload kept
    Oversized,    // a packet longer than the limit: payload dropped
    Ack,          // '+'
    Nak,          // '-'
    Interrupt,    // 0x03 outside a packet
  };
  Kind kind;
  std::string payload;
  bool operator==(const InputEvent&) const = default;
};

// Cuts the debugger's bytes into events, in any split the socket gives.
// Bytes outside a packet other than '+', '-', 0x03 and '$' are ignored; a
// '$' inside a packet starts a new one (the debugger gave up on the first).
class PacketReader {
 public:
  explicit PacketReader(std::size_t max_payload = kMaxPayload) : max_payload_(max_payload) {}
  void feed(std::string_view bytes, std::vector<InputEvent>& out);
  // True while a packet has begun and not ended.
  bool inside_packet() const { return state_ != State::Idle; }

 private:
  enum class State { Idle, Payload, Check1, Check2 };
  std::size_t max_payload_;
  State state_ = State::Idle;
  std::string payload_;
  bool oversized_ = false;
  std::uint8_t sum_ = 0;
  int sent_sum_ = 0;
};

// "$payload#cs". The payload must already be escaped where it needs to be.
std::string frame(std::string_view payload);

// The binary form: '#', '$', '}' and '*' become '}' then the byte ^ 0x20.
std::string escape_binary(std::string_view data);
// nullopt when the data ends in the middle of an escape.
std::optional<std::string> unescape_binary(std::string_view data);

std::string to_hex(std::string_view bytes);
// nullopt on an odd length or a character that is not a hex digit.
std::optional<std::string> from_hex(std::string_view hex);
// A hex number of at most 16 digits, all of the text; nullopt otherwise.
std::optional<std::uint64_t> parse_hex_number(std::string_view text);

}  // namespace sim::gdb

#endif
