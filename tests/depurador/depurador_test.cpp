// Debugging the clock image with gdb-multiarch as a user would: each session
// is a GDB command file run in batch mode against lpc4088-sim --gdb, and
// what GDB printed is checked for what the user must see.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "tests/routines/proceso.h"

namespace {

namespace fs = std::filesystem;

const std::string kReloj = FIRMWARE_IMAGES "/reloj.elf";

struct Session {
  const char* name;
  std::vector<std::string> sim_args;
  std::vector<std::string> scripts;  // one per debugger connection
  std::vector<std::string> expected;  // regular expressions, in order
};

void PrintTo(const Session& s, std::ostream* os) { *os << s.name; }

class Gdb : public ::testing::TestWithParam<Session> {};

TEST_P(Gdb, ShowsWhatTheUserAskedFor) {
  if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
  const Session& s = GetParam();
  const fs::path dir = fs::temp_directory_path() / ("gdb-" + std::to_string(getpid()) + "-" + s.name);
  fs::create_directories(dir);
  std::vector<std::string> command = {"/bin/bash", SESION, LPC4088_SIM, GDB_MULTIARCH, kReloj};
  for (const std::string& a : s.sim_args) {
    command.push_back(std::regex_replace(a, std::regex("@DIR@"), dir.string()));
  }
  command.push_back("--");
  for (std::size_t i = 0; i < s.scripts.size(); ++i) {
    const fs::path script = dir / ("sesion" + std::to_string(i) + ".gdb");
    std::string text = std::regex_replace(s.scripts[i], std::regex("@DIR@"), dir.string());
    std::ofstream(script) << text;
    command.push_back(script.string());
  }
  const ResultadoProceso r = ejecutar_programa(command);
  std::string rest = r.salida;
  for (const std::string& e : s.expected) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(rest, m, std::regex(e))) << "missing: " << e << "\n" << r.salida;
    rest = m.suffix();
  }
  EXPECT_EQ(r.estado, 0) << r.salida;
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, Gdb,
    ::testing::Values(
        Session{"breakpoint_backtrace_print_set",
                {},
                {"target remote :@PORT@\nbreak TIMER0_IRQHandler\ncontinue\nbt\nprint segundos\n"
                 "set var segundos = 58\ncontinue\nprint segundos\nkill\n"},
                {"Breakpoint 1[.0-9]*, TIMER0_IRQHandler", "#0  TIMER0_IRQHandler", R"(\$1 = 0)",
                 R"(\$2 = 59)"}},
        Session{"step_locals_finish_next_stepi",
                {},
                {"target remote :@PORT@\nbreak mostrar_hora\ncontinue\nstep\nprint font\n"
                 "set var font = 1\nprint font\nfinish\nnext\np/x $pc\nstepi\np/x $pc\nkill\n"},
                {"Breakpoint 1[.0-9]*, mostrar_hora", "glcd_xprintf \\(x=0", R"(\$1 = 2)",
                 R"(\$2 = 1)", "Value returned is", R"(\$4 = 0x[0-9a-f]+)",
                 R"(\$5 = 0x[0-9a-f]+)"}},
        Session{"watchpoint",
                {},
                {"target remote :@PORT@\nwatch segundos\ncontinue\ncontinue\nkill\n"},
                {"Hardware watchpoint 1: segundos", "Old value = 0", "New value = 1",
                 "Old value = 1", "New value = 2"}},
        Session{"registers",
                {},
                {"target remote :@PORT@\nbreak TIMER0_IRQHandler\ncontinue\np $s0\n"
                 "set $basepri = 0xff\np/x $basepri\np/x $xpsr\ninfo registers msp psp control\n"
                 "kill\n"},
                {R"(\$1 = [-0-9.e]+)", R"(\$2 = 0xf8)", R"(\$3 = 0x[0-9a-f]*11\b)", "msp", "psp",
                 "control"}},
        Session{"load_and_monitor",
                {},
                {"target remote :@PORT@\nload\nbreak TIMER0_IRQHandler\ncontinue\n"
                 "monitor time\nmonitor pin P2.22 0\nmonitor adc 0 1.65\nmonitor press P2.27\n"
                 "monitor screenshot @DIR@/lcd.png\nmonitor help\nmonitor reset\nmonitor time\n"
                 "kill\n"},
                {"Loading section", "Start address", "Breakpoint 1", "board time 1\\.0",
                 "P2.22 driven to 0", "channel 0 at 1.65 V", "P2.27 pressed",
                 "screenshot: .*lcd.png", "monitor reset", "board time 0\\.000000 s"}},
        Session{"detach_and_reconnect",
                {},
                {"target remote :@PORT@\nbreak TIMER0_IRQHandler\ncontinue\ndetach\n",
                 "target remote :@PORT@\nprint segundos > 0\nkill\n"},
                {"Breakpoint 1", R"(\$1 = true)", "debugger detached, the board runs on"}},
        Session{"vcd_of_a_debugged_run",
                {"--vcd", "@DIR@/sesion.vcd"},
                {"target remote :@PORT@\nbreak TIMER0_IRQHandler\ncontinue\nkill\n"},
                {"Breakpoint 1", "vcd: .*/sesion\\.vcd\n", "end: killed by the debugger"}},
        Session{"interrupt_a_running_board",
                {},
                {"# ctrl-c after 1\ntarget remote :@PORT@\ncontinue\nprint segundos + 60 * minutos > 0\n"
                 "kill\n"},
                {"SIGINT", R"(\$1 = true)"}}));

}  // namespace
