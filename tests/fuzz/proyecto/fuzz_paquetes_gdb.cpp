// Feeds arbitrary bytes to the debug server's packet reader, split where the
// first byte says and with a packet limit the second byte picks, and checks
// what any split must keep: the same events as one whole read, payloads
// within the limit, every packet read back the same once framed again, and
// the binary and hex forms undone and redone without loss.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/gdb/packet.h"

namespace {

using sim::gdb::InputEvent;

void check_forms(std::string_view payload) {
  if (const auto plain = sim::gdb::unescape_binary(payload)) {
    if (sim::gdb::unescape_binary(sim::gdb::escape_binary(*plain)) != *plain) __builtin_trap();
  }
  if (const auto bytes = sim::gdb::from_hex(payload)) {
    if (sim::gdb::from_hex(sim::gdb::to_hex(*bytes)) != *bytes) __builtin_trap();
  }
  for (std::size_t at = 0; at < payload.size(); ++at) {
    if (payload[at] == ',' || payload[at] == ':' || payload[at] == ';') {
      (void)sim::gdb::parse_hex_number(payload.substr(0, at));
      (void)sim::gdb::parse_hex_number(payload.substr(at + 1));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::size_t piece = data[0] % 16 + 1;
  const std::size_t limit = data[1] < 128 ? data[1] + 1 : sim::gdb::kMaxPayload;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);

  sim::gdb::PacketReader whole(limit);
  std::vector<InputEvent> at_once;
  whole.feed(stream, at_once);

  sim::gdb::PacketReader split(limit);
  std::vector<InputEvent> in_pieces;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    split.feed(stream.substr(at, piece), in_pieces);
  }
  if (in_pieces != at_once || split.inside_packet() != whole.inside_packet()) __builtin_trap();

  for (const InputEvent& e : at_once) {
    if (e.payload.size() > limit) __builtin_trap();
    if (e.kind != InputEvent::Kind::Packet) continue;
    sim::gdb::PacketReader again(limit);
    std::vector<InputEvent> framed;
    again.feed(sim::gdb::frame(e.payload), framed);
    if (framed.size() != 1 || framed[0] != e) __builtin_trap();
    check_forms(e.payload);
  }
  return 0;
}
