// lpc4088-sim from the user's side: every run ends, what is not a board time
// or not an image is refused with the documented status, how a run ended is
// the exit status whatever the idle skipping, and output that cannot be
// written fails without destroying anything.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "tests/routines/proceso.h"
#include "tests/support/vcd_reader.h"

namespace {

namespace fs = std::filesystem;

const std::string kReloj = FIRMWARE_IMAGES "/reloj.elf";
const std::string kFallos = FIRMWARE_IMAGES "/sim_fallos.elf";
const std::string kUart = FIRMWARE_IMAGES "/sim_uart.elf";

// Under a shell that sets limits first: a hang ends as status 124.
ResultadoProceso sim(std::vector<std::string> args, const std::string& limits = "",
                     SalidaEstandar destino = SalidaEstandar::Tubo) {
  std::vector<std::string> command = {"/bin/sh", "-c",
                                      limits + " exec /usr/bin/timeout 120 \"$@\"", "sh",
                                      LPC4088_SIM};
  command.insert(command.end(), args.begin(), args.end());
  return ejecutar_programa(command, "", destino);
}

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
    dir_ = fs::temp_directory_path() /
           ("simcli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST(Cli, EveryDurationEndsAtItsTime) {
  if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
  std::vector<double> durations = {0.04, 0.05, 0.13, 0.14, 0.17, 0.20,
                                   0.23, 0.27, 0.28, 0.34, 0.40, 0.46};
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> hundredths(1, 150);
  for (int i = 0; i < 8; ++i) durations.push_back(hundredths(rng) / 100.0);
  for (double d : durations) {
    char text[32], expected[64];
    std::snprintf(text, sizeof text, "%.2fs", d);
    std::snprintf(expected, sizeof expected, "end: still running at %.6f s", d);
    const ResultadoProceso r = sim({kReloj, "--for", text});
    EXPECT_EQ(r.estado, 0) << text << r.errores;
    EXPECT_NE(r.salida.find(expected), std::string::npos) << text << "\n" << r.salida;
  }
}

TEST(Cli, HelpGoesToStandardOutput) {
  const ResultadoProceso r = sim({"--help"});
  EXPECT_EQ(r.estado, 0);
  EXPECT_NE(r.salida.find("usage: lpc4088-sim"), std::string::npos);
  EXPECT_NE(r.salida.find("at most 1000000 s"), std::string::npos);
  for (const char* status : {" 64 ", " 65 ", " 70 ", " 74 "}) {
    EXPECT_NE(r.salida.find(status), std::string::npos) << "exit status" << status;
  }
  EXPECT_EQ(r.errores, "");
}

struct Refusal {
  std::vector<std::string> args;
  const char* says;
};

void PrintTo(const Refusal& r, std::ostream* os) {
  for (const auto& a : r.args) *os << a << ' ';
}

class CliRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(CliRefuses, WithAMessageAndTheUsageStatus) {
  std::vector<std::string> args = {kReloj};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const ResultadoProceso r = sim(args);
  EXPECT_EQ(r.estado, 64) << r.salida;
  EXPECT_NE(r.errores.find(GetParam().says), std::string::npos) << r.errores;
  EXPECT_EQ(r.salida, "") << "nothing ran";
}

INSTANTIATE_TEST_SUITE_P(
    BadCommandLines, CliRefuses,
    ::testing::Values(Refusal{{"--for", "1e30"}, "not a board time"},
                      Refusal{{"--for", "1000001"}, "not a board time"},
                      Refusal{{"--for", "inf"}, "not a duration"},
                      Refusal{{"--for", "nan"}, "not a duration"},
                      Refusal{{"--for", "-1s"}, "not a duration"},
                      Refusal{{"--for", "10abc"}, "not a duration"},
                      Refusal{{"--press", "P4294967298.27"}, "not a pin"},
                      Refusal{{"--press", "P2.27@nan"}, "not a duration"},
                      Refusal{{"--pin", "P2.22=0@-1"}, "not a duration"},
                      Refusal{{"--adc", "0.5=1V"}, "channel 0..7"},
                      Refusal{{"--adc", "0=4V"}, "input range"},
                      Refusal{{"--adc", "0=nanV"}, "not volts"},
                      Refusal{{"--uart0-input", "a\\q@1s"}, "not an escape"},
                      Refusal{{"--uart0-input", "a\\x4@1s"}, "two hex digits"},
                      Refusal{{"--uart0-input", "abc"}, "TEXT@TIME"},
                      Refusal{{"--uart0-input", "abc@nan"}, "not a duration"},
                      Refusal{{"--vcd"}, "--vcd needs a value"},
                      Refusal{{"--web", "127.0.0.1:70000"}, "--web wants [HOST:]PORT"},
                      Refusal{{"--web", "3333", "--gdb", "3334"}, "cannot be used together"},
                      Refusal{{"--web", "0", "--speed", "0"}, "0.01 to 100"},
                      Refusal{{"--web", "0", "--speed", "1e400"}, "0.01 to 100"},
                      Refusal{{"--speed", "2"}, "give --web too"},
                      Refusal{{"--bogus"}, "unknown option"}));

// A copy of the clock image whose first loadable segment claims 4 GiB.
void write_huge_segment_image(const fs::path& to) {
  std::string elf = read_file(kReloj);
  std::uint32_t phoff = 0;
  std::uint16_t phentsize = 0, phnum = 0;
  std::memcpy(&phoff, elf.data() + 0x1C, 4);
  std::memcpy(&phentsize, elf.data() + 0x2A, 2);
  std::memcpy(&phnum, elf.data() + 0x2C, 2);
  for (std::uint16_t i = 0; i < phnum; ++i) {
    char* ph = elf.data() + phoff + i * phentsize;
    std::uint32_t type = 0;
    std::memcpy(&type, ph, 4);
    if (type != 1) continue;  // PT_LOAD
    const std::uint32_t huge = 0xFFFFFFFF;
    std::memcpy(ph + 0x14, &huge, 4);  // p_memsz
    break;
  }
  std::ofstream(to, std::ios::binary) << elf;
}

TEST_F(CliFiles, ImagesThatCannotRunAreRefusedBeforeAnythingIsAllocated) {
  write_huge_segment_image(dir_ / "huge.elf");
  std::ofstream(dir_ / "garbage.elf", std::ios::binary) << std::string(5000, '\x7F');
  const struct {
    std::string image;
    const char* says;
  } cases[] = {{(dir_ / "huge.elf").string(), "does not fit the board's memories"},
               {FIRMWARE_OBJECTS "/main.o", "no loadable segment"},
               {(dir_ / "garbage.elf").string(), "not an ELF file"},
               {(dir_ / "missing.elf").string(), "cannot open"}};
  for (const auto& c : cases) {
    // Half a gibibyte of address space: far less than a 4 GiB segment.
    const ResultadoProceso r = sim({c.image, "--for", "0.01"}, "ulimit -v 524288;");
    EXPECT_EQ(r.estado, 65) << c.image << "\n" << r.errores;
    EXPECT_NE(r.errores.find(c.says), std::string::npos) << r.errores;
  }
}

struct Ending {
  const char* input;  // selects a case of the fault image; null: the clock, no input
  int status;
  const char* says;
};

void PrintTo(const Ending& e, std::ostream* os) { *os << (e.input ? e.input : "no input"); }

class CliEnding : public ::testing::TestWithParam<Ending> {};

TEST_P(CliEnding, IsTheExitStatusWithOrWithoutIdleSkipping) {
  if (!fs::exists(kFallos)) GTEST_SKIP() << "no firmware images";
  const Ending& e = GetParam();
  for (bool skipping : {true, false}) {
    std::vector<std::string> args = {e.input ? kFallos : kReloj, "--for", "0.05"};
    if (e.input) args.insert(args.end(), {"--pin", std::string(e.input) + "=0"});
    if (!skipping) args.push_back("--no-idle-skip");
    const ResultadoProceso r = sim(args);
    EXPECT_EQ(r.estado, e.status) << (skipping ? "" : "--no-idle-skip ") << r.salida;
    EXPECT_NE(r.salida.find(e.says), std::string::npos) << r.salida;
    EXPECT_EQ(r.salida.find("unexpected"), std::string::npos) << r.salida;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliEnding,
    ::testing::Values(Ending{nullptr, 0, "end: still running"},
                      Ending{"P2.10", 2, "bus fault reading 0x30000000"},
                      Ending{"P2.11", 2, "breakpoint (BKPT) with no debugger"},
                      Ending{"P2.12", 2, "vector table fetch failed"},
                      Ending{"P2.13", 3, "parked at"}));

TEST(Cli, SemihostingOutputIsRawAndTheExitStatusIsTheFirmwares) {
  const std::string image = FIRMWARE_IMAGES "/sim_semihosting.elf";
  if (!fs::exists(image)) GTEST_SKIP() << "no firmware images";
  const ResultadoProceso r = sim({image, "--semihosting", "--for", "1"});
  EXPECT_EQ(r.estado, 7);
  EXPECT_EQ(r.salida.rfind("hola!", 0), 0u) << r.salida;
  EXPECT_EQ(r.errores, "aviso\n");
  EXPECT_EQ(sim({image, "--for", "1"}).estado, 2) << "without it, BKPT is a fault";
}

TEST(Cli, OutputThatCannotBeWrittenFails) {
  if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
  for (SalidaEstandar destino : {SalidaEstandar::Llena, SalidaEstandar::Cerrada}) {
    const ResultadoProceso r = sim({kReloj, "--for", "0.05"}, "", destino);
    EXPECT_EQ(r.estado, 74);
    EXPECT_NE(r.errores.find("cannot write standard output"), std::string::npos) << r.errores;
  }
}

TEST_F(CliFiles, AFailedScreenshotLeavesWhateverWasAtThePath) {
  const fs::path old_png = dir_ / "old.png";
  std::ofstream(old_png, std::ios::binary) << "the old picture";
  // A file size limit far below a PNG of the screen: the write fails.
  const ResultadoProceso small = sim({kReloj, "--for", "0.05", "--screenshot", old_png.string()},
                                     "trap '' XFSZ; ulimit -f 1;");
  EXPECT_EQ(small.estado, 74) << small.errores;
  EXPECT_EQ(read_file(old_png), "the old picture");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "no temporary file left";

  const ResultadoProceso folder = sim({kReloj, "--for", "0.05", "--screenshot", dir_.string()});
  EXPECT_EQ(folder.estado, 74);
  EXPECT_TRUE(fs::is_directory(dir_));

  // A device node (made as root only): written to directly, never removed.
  const fs::path node = dir_ / "full";
  if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
    const ResultadoProceso device = sim({kReloj, "--for", "0.05", "--screenshot", node.string()});
    EXPECT_EQ(device.estado, 74);
    EXPECT_TRUE(fs::is_character_file(node)) << "the node is still there";
  }

  const ResultadoProceso good = sim({kReloj, "--for", "0.05", "--screenshot", old_png.string()});
  EXPECT_EQ(good.estado, 0) << good.errores;
  EXPECT_EQ(read_file(old_png).substr(1, 3), "PNG");
}

// The UART image sends "hola\n", then echoes each line it receives after "eco: ".
TEST(Cli, ShowsEachLineUart0SentWithItsTime) {
  if (!fs::exists(kUart)) GTEST_SKIP() << "no firmware images";
  const ResultadoProceso r =
      sim({kUart, "--for", "10ms", "--uart0-input", "uno\\r\\n@2ms", "--uart0-input", "d\\x6Fs\\n@5ms"});
  ASSERT_EQ(r.estado, 0) << r.errores;
  std::vector<std::pair<double, std::string>> lines;
  const std::regex line(R"( *([0-9]+\.[0-9]{6}) s  uart0  (.*))");
  std::istringstream out(r.salida);
  for (std::string l; std::getline(out, l);) {
    std::smatch m;
    if (std::regex_match(l, m, line)) lines.emplace_back(std::stod(m[1]), m[2]);
  }
  ASSERT_EQ(lines.size(), 3u) << r.salida;
  EXPECT_EQ(lines[0].second, "hola");
  EXPECT_EQ(lines[1].second, "eco: uno") << "the CR before the LF is dropped";
  EXPECT_EQ(lines[2].second, "eco: dos");
  EXPECT_GT(lines[1].first, 0.002) << "an echo comes after its input";
  EXPECT_GT(lines[2].first, 0.005);
}

TEST_F(CliFiles, Uart0WritesTheRawBytesInsteadOfLines) {
  if (!fs::exists(kUart)) GTEST_SKIP() << "no firmware images";
  const fs::path file = dir_ / "uart0.txt";
  const std::vector<std::string> input = {"--uart0-input", "uno\\r\\n@2ms"};
  std::vector<std::string> args = {kUart, "--for", "5ms", "--uart0", file.string()};
  args.insert(args.end(), input.begin(), input.end());
  const ResultadoProceso to_file = sim(args);
  ASSERT_EQ(to_file.estado, 0) << to_file.errores;
  EXPECT_EQ(read_file(file), "hola\neco: uno\r\n");
  EXPECT_EQ(to_file.salida.find(" uart0  "), std::string::npos) << "no lines when raw";

  args = {kUart, "--for", "5ms", "--uart0", "-"};
  args.insert(args.end(), input.begin(), input.end());
  const ResultadoProceso to_stdout = sim(args);
  ASSERT_EQ(to_stdout.estado, 0) << to_stdout.errores;
  EXPECT_NE(to_stdout.salida.find("hola\neco: uno\r\n"), std::string::npos) << to_stdout.salida;

  const ResultadoProceso folder = sim({kUart, "--for", "5ms", "--uart0", dir_.string()});
  EXPECT_EQ(folder.estado, 74) << folder.errores;
}

// vcd2fst and fst2vcd (Debian package gtkwave) share nothing with the writer.
// vcd2fst takes even random bytes without complaint, so the dump goes there
// and back: what comes back must be every value that went in.
std::string gtkwave_tool(const std::string& name) {
  for (const char* dir : {"/usr/bin", "/usr/local/bin"}) {
    const std::string path = std::string(dir) + "/" + name;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return "";
}

TEST_F(CliFiles, VcdOfTheClockSurvivesAnIndependentReader) {
  const fs::path vcd = dir_ / "reloj.vcd";
  const ResultadoProceso r = sim({kReloj, "--for", "3s", "--press", "P2.27@1.5s", "--pin",
                                  "P2.22=0@0.2s", "--adc", "1=1.65V@0.5s", "--vcd", vcd.string()});
  ASSERT_EQ(r.estado, 0) << r.errores;
  EXPECT_NE(r.salida.find("vcd: " + vcd.string() + "\n"), std::string::npos) << r.salida;
  const VcdFile f = read_vcd(read_file(vcd));
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(f.signals.at("P2_27").edges_to("0"), std::vector<std::uint64_t>{1'500'000'000});
  EXPECT_EQ(f.signals.at("irq1_TIMER0").edges_to("1").size(), 1u) << "one tick, then stopped";
  EXPECT_EQ(f.signals.at("LED1_P1_18").at(300'000'000), "1");

  const std::string to_fst = gtkwave_tool("vcd2fst"), from_fst = gtkwave_tool("fst2vcd");
  if (to_fst.empty() || from_fst.empty()) {
    GTEST_SKIP() << "no vcd2fst/fst2vcd (Debian package gtkwave): not checked independently";
  }
  const fs::path fst = dir_ / "reloj.fst";
  const ResultadoProceso converted = ejecutar_programa({to_fst, vcd.string(), fst.string()}, "");
  EXPECT_EQ(converted.estado, 0) << converted.errores;
  EXPECT_EQ(converted.errores, "");
  const ResultadoProceso back = ejecutar_programa({from_fst, fst.string()}, "");
  ASSERT_EQ(back.estado, 0) << back.errores;
  const VcdFile again = read_vcd(back.salida);
  ASSERT_EQ(again.error, "") << back.salida;
  EXPECT_EQ(again.version, "lpc4088-sim");
  ASSERT_EQ(again.signals.size(), f.signals.size());
  for (const auto& [name, signal] : f.signals) {
    ASSERT_EQ(again.signals.count(name), 1u) << name;
    const VcdSignal& other = again.signals.at(name);
    EXPECT_EQ(other.scope, signal.scope) << name;
    EXPECT_EQ(other.edges_to("1"), signal.edges_to("1")) << name;
    EXPECT_EQ(other.edges_to("0"), signal.edges_to("0")) << name;
    for (const auto& [stamp, value] : signal.values) EXPECT_EQ(other.at(stamp), value) << name;
  }
}

struct EarlyEnd {
  const char* image;
  std::vector<std::string> args;
  int status;
};

void PrintTo(const EarlyEnd& e, std::ostream* os) { *os << e.image << " " << e.args[0]; }

class CliVcdOfARunCutShort : public ::testing::TestWithParam<EarlyEnd> {};

TEST_P(CliVcdOfARunCutShort, IsWrittenWithTheInputsUpToTheEnd) {
  const std::string image = std::string(FIRMWARE_IMAGES "/") + GetParam().image;
  if (!fs::exists(image)) GTEST_SKIP() << "no firmware images";
  const fs::path vcd = fs::temp_directory_path() / ("simcli-" + std::to_string(::getpid()) + ".vcd");
  std::vector<std::string> args = {image, "--for", "0.05", "--pin", "P2.10=0", "--vcd", vcd.string()};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const ResultadoProceso r = sim(args);
  EXPECT_EQ(r.estado, GetParam().status) << r.salida << r.errores;
  EXPECT_NE(r.salida.find("vcd: "), std::string::npos) << r.salida;
  const VcdFile f = read_vcd(read_file(vcd));
  fs::remove(vcd);
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(f.signals.at("P2_10").at(0), "0") << "driven low from time 0";
}

INSTANTIATE_TEST_SUITE_P(
    Ends, CliVcdOfARunCutShort,
    ::testing::Values(EarlyEnd{"sim_fallos.elf", {"--no-idle-skip"}, 2},  // a bus fault
                      // --strict meets a register nobody modelled: the run cannot go on
                      EarlyEnd{"arq_lpc4088.elf", {"--strict"}, 70}));

TEST_F(CliFiles, AVcdThatCannotBeWrittenFailsLeavingTheOldFile) {
  const fs::path old_vcd = dir_ / "old.vcd";
  std::ofstream(old_vcd, std::ios::binary) << "the old dump";
  // No file may grow: the write fails.
  const ResultadoProceso small = sim({kReloj, "--for", "0.05", "--vcd", old_vcd.string()},
                                     "trap '' XFSZ; ulimit -f 0;");
  EXPECT_EQ(small.estado, 74) << small.errores;
  EXPECT_NE(small.errores.find("cannot write " + old_vcd.string()), std::string::npos);
  EXPECT_EQ(read_file(old_vcd), "the old dump");

  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "no temporary file left";
}

// Each output in turn at a path that cannot take it: the others are written.
TEST_F(CliFiles, AnOutputThatFailsCostsNoOther) {
  const std::string folder = dir_.string();
  const std::vector<std::string> options = {"--vcd", "--uart0", "--screenshot"};
  for (const std::string& failing : options) {
    const fs::path out = dir_ / failing;
    fs::create_directories(out);
    std::vector<std::string> args = {kReloj, "--for", "0.2"};
    for (const std::string& option : options) {
      args.insert(args.end(), {option, option == failing ? folder : (out / option).string()});
    }
    const ResultadoProceso r = sim(args);
    EXPECT_EQ(r.estado, 74) << failing << r.errores;
    for (const std::string& option : options) {
      if (option != failing) {
        EXPECT_TRUE(fs::exists(out / option)) << option << " with " << failing << " failing";
      }
    }
  }
}

}  // namespace
