// The protocol's framing on its own: what the reader makes of a byte
// stream, however the socket splits it, and the hex and binary forms.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/gdb/packet.h"

namespace {

using sim::gdb::InputEvent;
using K = InputEvent::Kind;

struct Stream {
  std::string name;
  std::string bytes;
  std::vector<InputEvent> events;
  std::size_t max_payload = sim::gdb::kMaxPayload;
};

void PrintTo(const Stream& s, std::ostream* os) { *os << s.name; }

class Reader : public testing::TestWithParam<Stream> {};

std::vector<InputEvent> read_in_pieces(const Stream& s, std::size_t piece) {
  sim::gdb::PacketReader reader(s.max_payload);
  std::vector<InputEvent> out;
  for (std::size_t at = 0; at < s.bytes.size(); at += piece) {
    reader.feed(std::string_view(s.bytes).substr(at, piece), out);
  }
  return out;
}

TEST_P(Reader, GivesTheSameEventsWholeOrByteByByte) {
  EXPECT_EQ(read_in_pieces(GetParam(), GetParam().bytes.size() + 1), GetParam().events);
  EXPECT_EQ(read_in_pieces(GetParam(), 1), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, Reader,
    testing::Values(
        Stream{"packet", "$g#67", {{K::Packet, "g"}}},
        Stream{"empty_packet", "$#00", {{K::Packet, ""}}},
        Stream{"upper_case_checksum", "$m0,4#FD", {{K::Packet, "m0,4"}}},
        Stream{"acks_naks_interrupts", "+-\x03", {{K::Ack, ""}, {K::Nak, ""}, {K::Interrupt, ""}}},
        Stream{"noise_between_packets_ignored", "xyz$g#67\r\n", {{K::Packet, "g"}}},
        Stream{"bad_checksum_keeps_payload", "$g#00", {{K::BadChecksum, "g"}}},
        Stream{"non_hex_trailer", "$g#zz$g#67", {{K::BadChecksum, ""}, {K::Packet, "g"}}},
        Stream{"dollar_restarts_a_packet", "$m0$g#67", {{K::Packet, "g"}}},
        Stream{"interrupt_byte_inside_is_data", "$a\x03#64", {{K::Packet, "a\x03"}}},
        Stream{"escaped_binary_stays_escaped", "$X0,1:}\x03#9f", {{K::Packet, "X0,1:}\x03"}}},
        Stream{"at_the_limit", "$abcd#8a", {{K::Packet, "abcd"}}, 4},
        Stream{"over_the_limit", "$abcde#ef$g#67", {{K::Oversized, ""}, {K::Packet, "g"}}, 4},
        Stream{"over_the_limit_and_damaged", "$abcde#00", {{K::BadChecksum, ""}}, 4},
        Stream{"unfinished", "$m0,4#f", {}}),
    [](const auto& caso) { return caso.param.name; });

TEST(Frame, IsReadBackAsTheSamePacket) {
  const std::string payload = "qXfer:features:read:target.xml:0,ffb";
  sim::gdb::PacketReader reader;
  std::vector<InputEvent> out;
  reader.feed(sim::gdb::frame(payload), out);
  EXPECT_EQ(out, (std::vector<InputEvent>{{K::Packet, payload}}));
}

struct Binary {
  std::string escaped;
  std::optional<std::string> plain;
};

class Unescape : public testing::TestWithParam<Binary> {};

TEST_P(Unescape, UndoesTheEscapes) {
  EXPECT_EQ(sim::gdb::unescape_binary(GetParam().escaped), GetParam().plain);
  if (GetParam().plain) {
    EXPECT_EQ(sim::gdb::escape_binary(*GetParam().plain), GetParam().escaped);
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, Unescape,
                         testing::Values(Binary{"abc", "abc"}, Binary{"}\x03", "#"},
                                         Binary{"}\x04", "$"}, Binary{"}]", "}"},
                                         Binary{"}\x0a", "*"},
                                         Binary{std::string("a\0b", 3), std::string("a\0b", 3)},
                                         Binary{"ab}", std::nullopt}));

struct Hex {
  std::string text;
  std::optional<std::string> bytes;
};

class FromHex : public testing::TestWithParam<Hex> {};

TEST_P(FromHex, DecodesPairsOfDigits) {
  EXPECT_EQ(sim::gdb::from_hex(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Forms, FromHex,
                         testing::Values(Hex{"", ""},
                                         Hex{"00ff41", std::string("\0\xff"
                                                                   "A",
                                                                   3)},
                                         Hex{"AbCd", "\xab\xcd"}, Hex{"abc", std::nullopt},
                                         Hex{"0g", std::nullopt}, Hex{"-1", std::nullopt}));

struct Number {
  std::string text;
  std::optional<std::uint64_t> value;
};

class HexNumber : public testing::TestWithParam<Number> {};

TEST_P(HexNumber, TakesTheWholeTextOrNothing) {
  EXPECT_EQ(sim::gdb::parse_hex_number(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Forms, HexNumber,
                         testing::Values(Number{"0", 0}, Number{"1f", 0x1f},
                                         Number{"ffffffffffffffff", ~0ull},
                                         Number{"10000000000000000", std::nullopt},
                                         Number{"", std::nullopt}, Number{"12 ", std::nullopt},
                                         Number{"-1", std::nullopt}));

}  // namespace
