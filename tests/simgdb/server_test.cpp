// The debug server as a debugger meets it, over a socket pair or loopback,
// with a scripted target: replies, stops, interrupts, bad input and the
// connection's life.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <regex>
#include <thread>

#include "sim/gdb/packet.h"
#include "sim/gdb/registers.h"
#include "sim/gdb/server.h"
#include "tests/simgdb/debugger.h"
#include "tests/simgdb/fake_target.h"

namespace {

using sim::gdb::PointType;
using sim::gdb::Server;
using sim::gdb::StopEvent;
using simgdb::Debugger;
using simgdb::FakeTarget;
using K = StopEvent::Kind;

std::string hex(std::string_view text) { return sim::gdb::to_hex(text); }

// The registers of a stop reply, as the fake target holds them (0x1000 + n).
const std::string kStopRegisters =
    "07:07100000;0d:0d100000;0e:0e100000;0f:0f100000;10:10100000;thread:1;";

// A server on one end of a socket pair, the debugger on the other.
class Connected : public testing::Test {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0) << std::strerror(errno);
    debugger_.emplace(fds[0]);
    thread_ = std::thread([this, fd = fds[1]] { end_ = server_.serve_connection(fd); });
  }
  void TearDown() override { finish(); }

  // Waits for the server to end the connection (closing ours first when
  // `hang_up`) and returns how it ended.
  Server::End finish(bool hang_up = true) {
    if (hang_up) debugger_->close_now();
    if (thread_.joinable()) thread_.join();
    return end_;
  }

  Debugger& debugger() { return *debugger_; }

  FakeTarget target_;
  Server server_{target_};
  std::optional<Debugger> debugger_;
  std::thread thread_;
  Server::End end_ = Server::End::Disconnected;
};

// --- one request, one reply ---------------------------------------------------

struct Exchange {
  std::string name;
  std::string request;
  std::string reply;
};

void PrintTo(const Exchange& e, std::ostream* os) { *os << e.name; }

class Reply : public Connected, public testing::WithParamInterface<Exchange> {};

TEST_P(Reply, IsWhatTheProtocolAsks) {
  EXPECT_EQ(debugger().ask(GetParam().request), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Reply,
    testing::Values(
        Exchange{"supported", "qSupported:multiprocess+;swbreak+;xmlRegisters=i386",
                 "PacketSize=1000;qXfer:features:read+;QStartNoAckMode+"},
        Exchange{"must_reply_empty", "vMustReplyEmpty", ""},
        Exchange{"unknown_query", "qTStatus", ""}, Exchange{"unknown_letter", "!", ""},
        Exchange{"unknown_v", "vFile:open:6a", ""}, Exchange{"empty_packet", "", ""},
        Exchange{"halted_at_start", "?", "T05" + kStopRegisters},
        Exchange{"attached", "qAttached", "1"}, Exchange{"current_thread", "qC", "QC1"},
        Exchange{"first_threads", "qfThreadInfo", "m1"},
        Exchange{"no_more_threads", "qsThreadInfo", "l"}, Exchange{"set_thread", "Hg0", "OK"},
        Exchange{"set_thread_all", "Hc-1", "OK"}, Exchange{"thread_alive", "T1", "OK"},
        Exchange{"vcont_actions", "vCont?", "vCont;c;C;s;S"},
        Exchange{"vcont_other_thread_only", "vCont;c:2", "E01"},
        Exchange{"vcont_range_step", "vCont;r1000,1002", "E01"}, Exchange{"pc", "pf", "0f100000"},
        Exchange{"d0_is_64_bits", "p11", "1110000000000000"}, Exchange{"fpscr", "p21", "21100000"},
        Exchange{"primask_is_8_bits", "p24", "24"},
        Exchange{"register_past_the_table", "p28", "E01"},
        Exchange{"register_not_hex", "pzz", "E01"},
        Exchange{"write_register_short_value", "Pf=1234", "E01"},
        Exchange{"write_register_no_value", "Pf", "E01"},
        Exchange{"memory", "m20000000,4", "00010203"},
        Exchange{"memory_unmapped", "m1000,4", "E01"},
        Exchange{"memory_past_the_end_of_ram", "m20001ffe,4", "E01"},
        Exchange{"memory_past_4_gib", "mfffffffe,4", "E01"},
        Exchange{"memory_malformed", "m20000000", "E01"},
        Exchange{"memory_address_too_wide", "m120000000,4", "E01"},
        Exchange{"write_memory_length_mismatch", "M20000000,2:aa", "E01"},
        Exchange{"write_memory_bad_hex", "M20000000,1:zz", "E01"},
        Exchange{"write_memory_unmapped", "M1000,1:aa", "E01"},
        Exchange{"binary_probe", "X20000000,0:", "OK"},
        Exchange{"binary_broken_escape", "X20000000,1:}", "E01"},
        Exchange{"breakpoint", "Z0,8000100,2", "OK"},
        Exchange{"breakpoint_with_conditions", "Z0,8000100,2;X1,0", "OK"},
        Exchange{"watchpoint_removed", "z2,20000000,4", "OK"},
        Exchange{"unknown_point_type", "Z5,8000100,2", ""},
        Exchange{"point_malformed", "Z0,8000100", "E01"},
        Exchange{"features_other_annex", "qXfer:features:read:other.xml:0,100", "E00"},
        Exchange{"features_past_the_end", "qXfer:features:read:target.xml:100000,100", "l"},
        Exchange{"features_malformed", "qXfer:features:read:target.xml", "E01"},
        Exchange{"monitor_not_hex", "qRcmd,zz", "E01"}),
    [](const auto& caso) { return caso.param.name; });

// --- a write, then the read that shows it ---------------------------------------

struct WriteRead {
  std::string name;
  std::string write;
  std::string read;
  std::string read_reply;
};

void PrintTo(const WriteRead& w, std::ostream* os) { *os << w.name; }

class Written : public Connected, public testing::WithParamInterface<WriteRead> {};

TEST_P(Written, IsReadBack) {
  EXPECT_EQ(debugger().ask(GetParam().write), "OK");
  EXPECT_EQ(debugger().ask(GetParam().read), GetParam().read_reply);
}

std::string all_registers_hex() {
  std::string g;
  for (unsigned n = 0; n < sim::gdb::kRegisterCount; ++n) {
    g += std::string(sim::gdb::register_bytes(n) * 2, "0123456789abcdef"[n % 16]);
  }
  return g;
}

INSTANTIATE_TEST_SUITE_P(
    Writes, Written,
    testing::Values(WriteRead{"register", "Pf=78563412", "pf", "78563412"},
                    WriteRead{"d_register", "P12=0123456789abcdef", "p12", "0123456789abcdef"},
                    WriteRead{"control", "P27=02", "p27", "02"},
                    WriteRead{"all_registers", "G" + all_registers_hex(), "g", all_registers_hex()},
                    WriteRead{"memory_hex", "M20000010,2:abcd", "m20000010,2", "abcd"},
                    WriteRead{"memory_binary_with_escapes",
                              std::string("X20000010,6:}\x03}\x04}]}\x0a\0\x03", 22), "m20000010,6",
                              "23247d2a0003"},
                    WriteRead{"memory_at_the_end_of_ram", "M20001ffc,4:01020304", "m20001ffc,4",
                              "01020304"}));

TEST_F(Connected, ContinueAtAnAddressMovesThePcFirst) {
  target_.inspect([&] {
    target_.script = {StopEvent{}};
    return 0;
  });
  EXPECT_EQ(debugger().ask("c20000040"),
            "T0507:07100000;0d:0d100000;0e:0e100000;0f:40000020;10:10100000;thread:1;");
}

TEST_F(Connected, GWithAWrongLengthChangesNothing) {
  const std::string before = debugger().ask("g");
  EXPECT_EQ(debugger().ask("G" + before.substr(2)), "E01");
  EXPECT_EQ(debugger().ask("g"), before);
}

TEST_F(Connected, BreakpointsReachTheTargetByKind) {
  for (const std::string z : {"Z0,8000100,2", "Z1,8000200,4", "Z2,20000000,4", "Z3,20000004,1",
                              "Z4,20000008,2", "z1,8000200,4"}) {
    EXPECT_EQ(debugger().ask(z), "OK") << z;
  }
  const auto points = target_.inspect([&] { return target_.points; });
  EXPECT_EQ(points, (decltype(points){{PointType::Software, 0x8000100, 2},
                                      {PointType::WriteWatch, 0x20000000, 4},
                                      {PointType::ReadWatch, 0x20000004, 1},
                                      {PointType::AccessWatch, 0x20000008, 2}}));
}

// --- the target description -------------------------------------------------------

TEST_F(Connected, TheDescriptionComesInChunksThatMakeTheWhole) {
  std::string whole;
  for (std::size_t offset = 0;;) {
    char request[80];
    std::snprintf(request, sizeof request, "qXfer:features:read:target.xml:%zx,40", offset);
    const std::string chunk = debugger().ask(request);
    ASSERT_FALSE(chunk.empty());
    ASSERT_TRUE(chunk[0] == 'm' || chunk[0] == 'l') << chunk;
    const auto data = sim::gdb::unescape_binary(chunk.substr(1));
    ASSERT_TRUE(data);
    ASSERT_LE(data->size(), 0x40u);
    whole += *data;
    offset += data->size();
    if (chunk[0] == 'l') break;
    ASSERT_FALSE(data->empty());
  }
  EXPECT_EQ(whole, sim::gdb::target_description());
}

// What the debugger needs of a Cortex-M4F's description: the architecture,
// each feature's registers, and register numbers that follow the g packet.
TEST(TargetDescription, DescribesACortexM4FInGPacketOrder) {
  const std::string& xml = sim::gdb::target_description();
  EXPECT_NE(xml.find("<architecture>arm</architecture>"), std::string::npos);
  const std::regex feature_re(R"re(<feature name="([^"]+)">([\s\S]*?)</feature>)re");
  const std::regex reg_re(R"re(<reg name="(\w+)" bitsize="(\d+)" regnum="(\d+)")re");
  std::map<std::string, std::string> names;  // feature -> "name name ..."
  unsigned next = 0;
  std::size_t g_bytes = 0;
  for (std::sregex_iterator f(xml.begin(), xml.end(), feature_re), end; f != end; ++f) {
    const std::string body = (*f)[2];
    for (std::sregex_iterator r(body.begin(), body.end(), reg_re); r != end; ++r) {
      names[(*f)[1]] += std::string((*r)[1]) + " ";
      EXPECT_EQ(std::stoul((*r)[3]), next++) << (*r)[1];
      g_bytes += std::stoul((*r)[2]) / 8;
    }
  }
  EXPECT_EQ(names["org.gnu.gdb.arm.m-profile"],
            "r0 r1 r2 r3 r4 r5 r6 r7 r8 r9 r10 r11 r12 sp lr pc xpsr ");
  EXPECT_EQ(names["org.gnu.gdb.arm.vfp"],
            "d0 d1 d2 d3 d4 d5 d6 d7 d8 d9 d10 d11 d12 d13 d14 d15 fpscr ");
  EXPECT_EQ(names["org.gnu.gdb.arm.m-system"], "msp psp ");
  std::string masks;
  for (const auto& [feature, list] : names) {
    if (!feature.starts_with("org.gnu.gdb.")) masks += list;
  }
  EXPECT_EQ(masks, "primask basepri faultmask control ");
  EXPECT_EQ(next, sim::gdb::kRegisterCount);
  EXPECT_EQ(g_bytes * 2, all_registers_hex().size());
}

// --- running and stopping -----------------------------------------------------------

struct Stop {
  std::string name;
  std::string resume;
  StopEvent event;
  std::string console;  // what the O packets carry before the reply
  std::string reply;
};

void PrintTo(const Stop& s, std::ostream* os) { *os << s.name; }

class Stopped : public Connected, public testing::WithParamInterface<Stop> {};

TEST_P(Stopped, ReportsTheStopAndTheConsoleText) {
  const Stop& s = GetParam();
  target_.inspect([&] {
    target_.script = {std::nullopt, std::nullopt, s.event};
    return 0;
  });
  std::string console;
  std::string reply = debugger().ask(s.resume);
  while (reply.starts_with("O")) {
    console += *sim::gdb::from_hex(reply.substr(1));
    reply = debugger().packet();
  }
  EXPECT_EQ(console, s.console);
  EXPECT_EQ(reply, s.reply);
  EXPECT_EQ(debugger().ask("?"), s.reply) << "the last stop is the answer to '?'";
}

StopEvent event(K kind, std::string message = "") {
  StopEvent e;
  e.kind = kind;
  e.message = std::move(message);
  return e;
}

StopEvent watch(PointType type, std::uint32_t address) {
  StopEvent e = event(K::Watchpoint);
  e.watch = type;
  e.address = address;
  return e;
}

StopEvent exited(int status) {
  StopEvent e = event(K::Exited);
  e.exit_status = status;
  return e;
}

INSTANTIATE_TEST_SUITE_P(
    Stops, Stopped,
    testing::Values(
        Stop{"breakpoint", "c", event(K::Breakpoint), "", "T05" + kStopRegisters},
        Stop{"step", "s", event(K::StepDone), "", "T05" + kStopRegisters},
        Stop{"vcont_step_for_thread_1", "vCont;s:1;c", event(K::StepDone), "",
             "T05" + kStopRegisters},
        Stop{"vcont_continue_all", "vCont;c:-1", event(K::Breakpoint), "", "T05" + kStopRegisters},
        Stop{"continue_with_signal", "C0b", event(K::Breakpoint), "", "T05" + kStopRegisters},
        Stop{"write_watch", "c", watch(PointType::WriteWatch, 0x20000004), "",
             "T05watch:20000004;" + kStopRegisters},
        Stop{"read_watch", "c", watch(PointType::ReadWatch, 0x20000008), "",
             "T05rwatch:20000008;" + kStopRegisters},
        Stop{"access_watch", "c", watch(PointType::AccessWatch, 0x2000000c), "",
             "T05awatch:2000000c;" + kStopRegisters},
        Stop{"error_stop", "c", event(K::ErrorStop, "error stop in main.c:12: sin memoria"),
             "error stop in main.c:12: sin memoria\n", "T06" + kStopRegisters},
        Stop{"fault", "c", event(K::Fault, "bus fault (read) at 0x60000000\n"),
             "bus fault (read) at 0x60000000\n", "T0b" + kStopRegisters},
        Stop{"time_limit", "c", event(K::TimeLimit, "board time limit reached"),
             "board time limit reached\n", "T18" + kStopRegisters},
        Stop{"long_message", "c", event(K::Fault, std::string(5000, 'x')),
             std::string(5000, 'x') + "\n", "T0b" + kStopRegisters},
        Stop{"exit", "c", exited(3), "", "W03"}),
    [](const auto& caso) { return caso.param.name; });

TEST_F(Connected, CtrlCWhileRunningStopsWithSigint) {
  debugger().send_packet("c");
  EXPECT_EQ(debugger().byte(), '+');
  debugger().send_raw("\x03");
  EXPECT_EQ(debugger().packet(), "S02");
  EXPECT_EQ(target_.inspect([&] { return target_.interrupts; }), 1);
  EXPECT_EQ(debugger().ask("pf"), "0f100000") << "the server still answers";
}

TEST_F(Connected, PacketsSentWhileRunningAreAnsweredAfterTheStop) {
  debugger().send_packet("c");
  EXPECT_EQ(debugger().byte(), '+');
  debugger().send_packet("qC");
  debugger().send_raw("\x03");
  EXPECT_EQ(debugger().packet(), "S02");
  EXPECT_EQ(debugger().byte(), '+');
  EXPECT_EQ(debugger().packet(), "QC1");
}

// --- the connection's life ---------------------------------------------------------

TEST_F(Connected, DetachEndsTheConnectionWithOk) {
  EXPECT_EQ(debugger().ask("D"), "OK");
  EXPECT_TRUE(debugger().closed());
  EXPECT_EQ(finish(false), Server::End::Detached);
}

TEST_F(Connected, KillTellsTheTargetAndEnds) {
  debugger().send_packet("k");
  EXPECT_EQ(debugger().byte(), '+');
  EXPECT_TRUE(debugger().closed());
  EXPECT_EQ(finish(false), Server::End::Killed);
  EXPECT_TRUE(target_.killed);
}

TEST_F(Connected, ADebuggerGoneMidRunLeavesTheTargetHalted) {
  debugger().send_packet("c");
  EXPECT_EQ(debugger().byte(), '+');
  EXPECT_EQ(finish(), Server::End::Disconnected);
  EXPECT_EQ(target_.interrupts, 1);
  EXPECT_FALSE(target_.killed);
}

TEST_F(Connected, ADebuggerGoneMidPacketEndsTheConnectionOnly) {
  debugger().send_raw("$M20000000,4:0102");
  EXPECT_EQ(finish(), Server::End::Disconnected);
  EXPECT_EQ(target_.ram[0], 0) << "half a packet changed memory";
  EXPECT_FALSE(target_.killed);
}

// --- bad input and acknowledgements --------------------------------------------------

TEST_F(Connected, ABadChecksumIsNakedAndTheResendAnswered) {
  debugger().send_raw("$qC#00");
  EXPECT_EQ(debugger().byte(), '-');
  EXPECT_EQ(debugger().ask("qC"), "QC1");
}

TEST_F(Connected, ANakGetsTheReplyAgain) {
  debugger().send_packet("qC");
  EXPECT_EQ(debugger().byte(), '+');
  debugger().acks = false;
  EXPECT_EQ(debugger().packet(), "QC1");
  debugger().acks = true;
  debugger().send_raw("-");
  EXPECT_EQ(debugger().packet(), "QC1");
}

TEST_F(Connected, AnOversizedPacketIsRefusedAndTheNextAnswered) {
  debugger().send_packet("M20000000,1000:" + std::string(2 * sim::gdb::kMaxPayload, '0'));
  EXPECT_EQ(debugger().byte(), '+');
  EXPECT_EQ(debugger().packet(), "E01");
  EXPECT_EQ(target_.inspect([&] { return target_.ram[1]; }), 1) << "memory changed";
  EXPECT_EQ(debugger().ask("qC"), "QC1");
}

TEST_F(Connected, ALongReadIsCutToThePacketSize) {
  const std::string reply = debugger().ask("m20000000,100000");
  EXPECT_EQ(reply.size(), sim::gdb::kMaxPayload);
  EXPECT_EQ(reply.substr(0, 8), "00010203");
}

TEST_F(Connected, WithoutAcksNothingIsAcknowledged) {
  EXPECT_EQ(debugger().ask("QStartNoAckMode"), "OK");
  debugger().acks = false;
  EXPECT_EQ(debugger().ask("qC"), "QC1");
  EXPECT_EQ(debugger().ask("qfThreadInfo"), "m1");
}

// --- monitor commands ----------------------------------------------------------------

struct Monitor {
  std::string name;
  std::string command;
  std::string console;
  std::string reply;
};

void PrintTo(const Monitor& m, std::ostream* os) { *os << m.name; }

class MonitorCommand : public Connected, public testing::WithParamInterface<Monitor> {};

TEST_P(MonitorCommand, PrintsOnTheConsoleThenAnswers) {
  target_.inspect([&] {
    target_.monitor_replies["time"] = "board time 1.5 s\n";
    return 0;
  });
  std::string console;
  std::string reply = debugger().ask("qRcmd," + hex(GetParam().command));
  while (reply.starts_with("O") && reply != "OK") {
    console += *sim::gdb::from_hex(reply.substr(1));
    reply = debugger().packet();
  }
  EXPECT_EQ(console, GetParam().console);
  EXPECT_EQ(reply, GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MonitorCommand,
    testing::Values(Monitor{"target_command", "time", "board time 1.5 s\n", "OK"},
                    Monitor{"unknown", "frobnicate", "unknown monitor command: frobnicate\n",
                            "E01"},
                    Monitor{"reset", "reset", "firmware reset\n", "OK"},
                    Monitor{"reset_halt", "reset halt", "firmware reset\n", "OK"}),
    [](const auto& caso) { return caso.param.name; });

TEST_F(Connected, MonitorResetResetsTheTargetAndForgetsTheLastStop) {
  target_.inspect([&] {
    target_.script = {exited(0)};
    return 0;
  });
  EXPECT_EQ(debugger().ask("c"), "W00");
  debugger().ask("qRcmd," + hex("reset"));
  EXPECT_EQ(debugger().packet(), "OK");
  EXPECT_EQ(target_.inspect([&] { return target_.resets; }), 1);
  EXPECT_EQ(debugger().ask("?"), "T05" + kStopRegisters);
}

// --- over TCP: one debugger after another ----------------------------------------------

int connect_to(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  EXPECT_GE(fd, 0) << std::strerror(errno);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << std::strerror(errno);
  return fd;
}

TEST(Listening, TheNextDebuggerFindsTheTargetAsTheLastOneLeftIt) {
  FakeTarget target;
  target.script = {std::nullopt, watch(PointType::WriteWatch, 0x20000004)};
  Server server(target);
  const std::uint16_t port = server.listen({"127.0.0.1", 0});
  std::thread serving([&] { server.serve(); });
  {
    Debugger first(connect_to(port));
    EXPECT_EQ(first.ask("M20000000,1:7f"), "OK");
    EXPECT_EQ(first.ask("c"), "T05watch:20000004;" + kStopRegisters);
    Debugger refused(connect_to(port));
    EXPECT_TRUE(refused.closed()) << "a second debugger was let in";
    EXPECT_EQ(first.ask("D"), "OK");
  }
  {
    Debugger dropped(connect_to(port));
    EXPECT_EQ(dropped.ask("?"), "T05watch:20000004;" + kStopRegisters);
  }
  Debugger last(connect_to(port));
  EXPECT_EQ(last.ask("m20000000,1"), "7f");
  last.send_packet("k");
  serving.join();
  EXPECT_TRUE(target.killed);
}

TEST(Listening, AnAddressInUseIsAnError) {
  FakeTarget target;
  Server first(target);
  const std::uint16_t port = first.listen({"127.0.0.1", 0});
  Server second(target);
  EXPECT_THROW(second.listen({"127.0.0.1", port}), std::system_error);
}

// --- where to listen ------------------------------------------------------------------

struct Where {
  std::string text;
  std::optional<std::pair<std::string, std::uint16_t>> endpoint;
};

class Endpoint : public testing::TestWithParam<Where> {};

TEST_P(Endpoint, IsParsedOrRefused) {
  const auto e = sim::gdb::parse_endpoint(GetParam().text);
  ASSERT_EQ(e.has_value(), GetParam().endpoint.has_value());
  if (e) {
    EXPECT_EQ(std::pair(e->host, e->port), *GetParam().endpoint);
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, Endpoint,
                         testing::Values(Where{"3333", std::pair{"127.0.0.1", 3333}},
                                         Where{"localhost:3333", std::pair{"localhost", 3333}},
                                         Where{"0.0.0.0:1", std::pair{"0.0.0.0", 1}},
                                         Where{"[::1]:65535", std::pair{"::1", 65535}},
                                         Where{"0", std::pair{"127.0.0.1", 0}},
                                         Where{"00", std::nullopt}, Where{"65536", std::nullopt},
                                         Where{"03333", std::nullopt}, Where{"", std::nullopt},
                                         Where{":3333", std::nullopt}, Where{"host:", std::nullopt},
                                         Where{"::1:3333", std::nullopt},
                                         Where{"[]:3333", std::nullopt},
                                         Where{"3333x", std::nullopt},
                                         Where{"+3333", std::nullopt}));

}  // namespace
