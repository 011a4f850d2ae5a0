// Checking a lab without C++, from the user's side: lpc4088-sim --scenario
// and ./lab grade run as processes on the built images, their reports, exit
// statuses and refusals; how long --press holds; the error stop's report on
// the screenshot.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "sim/api/png_writer.h"
#include "sim/api/simulador.h"
#include "tests/routines/proceso.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kReloj = FIRMWARE_IMAGES "/reloj.elf";
const std::string kParada = FIRMWARE_IMAGES "/parada_error.elf";
const std::string kFallos = FIRMWARE_IMAGES "/sim_fallos.elf";
const std::string kUart = FIRMWARE_IMAGES "/sim_uart.elf";

// Under timeout, so a hang ends as status 124.
ResultadoProceso sim(std::vector<std::string> args) {
  std::vector<std::string> command = {"/usr/bin/timeout", "120", LPC4088_SIM};
  command.insert(command.end(), args.begin(), args.end());
  return ejecutar_programa(command);
}

// From `dir`, so relative paths are the user's, not the tree's.
ResultadoProceso lab_grade(const std::string& dir, std::vector<std::string> args) {
  std::vector<std::string> command = {
      "/bin/sh", "-c",
      "cd \"$1\" && shift && LPC4088_SIM=\"" LPC4088_SIM "\" exec /usr/bin/timeout 600 \"" LAB_SCRIPT
      "\" grade \"$@\"",
      "sh", dir};
  command.insert(command.end(), args.begin(), args.end());
  return ejecutar_programa(command);
}

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class InTempDir {
 protected:
  void make_dir() {
    dir_ = fs::temp_directory_path() /
           ("scenario-" + std::to_string(::getpid()) + "-" +
            std::regex_replace(::testing::UnitTest::GetInstance()->current_test_info()->name(),
                               std::regex("[^A-Za-z0-9]"), "_"));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::string write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  fs::path dir_;
};

// --- press length ---------------------------------------------------------

struct Hold {
  const char* press;
  double low_at;
  double high_at;
};

void PrintTo(const Hold& h, std::ostream* os) { *os << h.press; }

class PressHold : public ::testing::TestWithParam<Hold> {};

// The clock mirrors P2.22 on LED1, so LED1's changes show how long the pin
// was held low.
TEST_P(PressHold, ShowsOnTheMirroredLed) {
  if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
  const ResultadoProceso r = sim({kReloj, "--for", "2", "--press", GetParam().press});
  ASSERT_EQ(r.estado, 0) << r.errores;
  const std::regex change(R"( *([0-9.]+) s  LED1   (on|off) )");
  std::vector<std::pair<double, std::string>> led1;
  for (std::sregex_iterator m(r.salida.begin(), r.salida.end(), change), end; m != end; ++m) {
    led1.emplace_back(std::stod((*m)[1]), (*m)[2]);
  }
  ASSERT_EQ(led1.size(), 3u) << r.salida;  // off at start-up, on, off
  EXPECT_EQ(led1[1].second, "on");
  EXPECT_NEAR(led1[1].first, GetParam().low_at, 1e-3) << r.salida;
  EXPECT_NEAR(led1[2].first, GetParam().high_at, 1e-3) << r.salida;
}

INSTANTIATE_TEST_SUITE_P(Presses, PressHold,
                         ::testing::Values(Hold{"P2.22@0.5s+0.7s", 0.5, 1.2},
                                           Hold{"P2.22@0.5s", 0.5, 0.55},
                                           Hold{"P2.22@5e+2ms+1e+2ms", 0.5, 0.6}));

TEST(PressHold, AHoldThatIsNoLengthIsRefused) {
  const struct {
    const char* press;
    const char* says;
  } cases[] = {{"P2.22@1s+0", "more than 0 s"},
               {"P2.22@1s+-1s", "not a duration"},
               {"P2.22@1s+nan", "not a duration"},
               {"P2.22@1s+inf", "not a duration"},
               {"P2.22@1s+1e7", "not a board time"},
               {"P2.22@1s+", "not a duration"},
               {"P2.22@1s+1s+1s", "not a duration"}};
  for (const auto& c : cases) {
    const ResultadoProceso r = sim({kReloj, "--press", c.press});
    EXPECT_EQ(r.estado, 64) << c.press;
    EXPECT_TRUE(has(r.errores, c.says)) << c.press << ": " << r.errores;
    EXPECT_EQ(r.salida, "") << c.press;
  }
}

// --- error stop on the LCD ------------------------------------------------

class ErrorStopScreen : public ::testing::Test, protected InTempDir {
 protected:
  void SetUp() override {
    if (!fs::exists(kParada)) GTEST_SKIP() << "no firmware images";
    make_dir();
  }
  void TearDown() override { fs::remove_all(dir_); }
};

TEST_F(ErrorStopScreen, TheScreenshotShowsTheRedBandAndTheCallIsReported) {
  const std::string png = (dir_ / "parada.png").string();
  const ResultadoProceso r =
      sim({kParada, "--for", "1", "--press", "P2.10@0.1s", "--screenshot", png});
  EXPECT_EQ(r.estado, 1) << r.salida << r.errores;
  EXPECT_TRUE(has(r.salida,
                  "end: error stop at 0.100000 s in gpio_ajustar_dir (entradas_salidas.cpp:21): "
                  "Puerto no valido.\n"))
      << r.salida;
  const sim::RgbImage image = sim::read_png(png);
  ASSERT_EQ(image.height, 272u);
  auto is_red = [&](unsigned x, unsigned y) {
    const std::uint8_t* p = &image.rgb[3 * (y * image.width + x)];
    return p[0] > 200 && p[1] < 40 && p[2] < 40;
  };
  unsigned band_red = 0, band = 0, red_above = 0;
  for (unsigned y = 0; y < image.height; ++y) {
    for (unsigned x = 0; x < image.width; ++x) {
      if (y >= 272 - 64) {
        ++band;
        band_red += is_red(x, y);
      } else {
        red_above += is_red(x, y);
      }
    }
  }
  // Red paper under white text: most of the band, but not all of it.
  EXPECT_GT(band_red, band * 7 / 10);
  EXPECT_LT(band_red, band);
  EXPECT_EQ(red_above, 0u);
}

// The test API stops at the call unless asked to let the report be drawn;
// either way the run ends as an error stop with the call's arguments.
TEST(ErrorStopOption, DrawsTheReportOnlyWhenAskedAndReportsTheCallAlike) {
  if (!fs::exists(kParada)) GTEST_SKIP() << "no firmware images";
  for (const bool draws : {false, true}) {
    sim::Options options;
    options.error_stop_draws = draws;
    sim::Simulador board(kParada, options);
    board.press(sim::Pin::parse("P2.10"), 0.1);
    const sim::RunResult r = board.run_for(1.0);
    EXPECT_EQ(r.reason, sim::StopReason::ErrorStop) << draws;
    EXPECT_LT(r.time, 0.2) << "ends at the call or where the report parks, not at the time asked";
    ASSERT_TRUE(board.error_stop()) << draws;
    EXPECT_EQ(board.error_stop()->message, "Puerto no valido.");
    EXPECT_EQ(board.error_stop()->function, "gpio_ajustar_dir");
    EXPECT_NEAR(board.error_stop()->time, 0.1, 1e-5);  // the call, not the park
    EXPECT_EQ(board.pc() == board.symbol("parar_con_error"), !draws);
    EXPECT_EQ(board.screen_shows("Mensaje: Puerto no valido."), draws);
    // Running on changes nothing: the run ends where it stood.
    const double stopped = board.time();
    EXPECT_EQ(board.run_for(0.5).reason, sim::StopReason::ErrorStop) << draws;
    EXPECT_NEAR(board.time(), stopped, 1e-3) << draws;
  }
}

// --- scenarios --------------------------------------------------------------

struct ScenarioCase {
  const char* name;
  const std::string* image;
  const char* scenario;
  int status;
  std::vector<std::string> says;  // "{}" stands for the scenario's path
};

void PrintTo(const ScenarioCase& r, std::ostream* os) { *os << r.name; }

class ScenarioRun : public ::testing::TestWithParam<ScenarioCase>, protected InTempDir {
 protected:
  void SetUp() override {
    if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
    make_dir();
  }
  void TearDown() override { fs::remove_all(dir_); }
};

TEST_P(ScenarioRun, ReportsEachExpectationAndExitsWithTheVerdict) {
  const ScenarioCase& run = GetParam();
  const std::string file = write("s.txt", run.scenario);
  const ResultadoProceso r = sim({*run.image, "--scenario", file});
  EXPECT_EQ(r.estado, run.status) << r.salida << r.errores;
  for (std::string says : run.says) {
    if (const auto at = says.find("{}"); at != std::string::npos) says.replace(at, 2, file);
    EXPECT_TRUE(has(r.salida, says)) << "wanted: " << says << "\n" << r.salida;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ScenarioRun,
    ::testing::Values(
        ScenarioCase{"ClockStoppedAndResumedPasses", &kReloj,
            "# stopped at 1.5 s, resumed at 3.0 s\n"
            "at 1.5s press P2.27 for 0.1s\n"
            "at 3.0s press P2.25\n"
            "\n"
            "at 0.2s pin P2.22 = 0\n"
            "at 0.5s adc 0 = 1.65V   # the clock reads no channel\n"
            "expect at 1.2s lcd shows \"00:00:01\"\n"
            "expect at 2.9s lcd shows \"00:00:01\"\n"
            "expect at 3.6s lcd shows \"00:00:02\"\n"
            "expect at 0.3s led 1 on\n"
            "expect at 0.3s pin P1.18=1\n"
            "expect at 0.1s led 1 off\n"
            "expect no error stop\n"
            "expect no fault\n",
            0,
            {"PASS  {}:7  expect at 1.2s lcd shows \"00:00:01\"\n",
             "end: still running at 3.600000 s", "scenario: 8 of 8 expectations passed\n"}},
        ScenarioCase{"FailuresSayWhatWasSeen", &kReloj,
            "expect at 2.5s lcd shows \"00:00:01\"\n"
            "expect by 1s led 1 on\n"
            "expect at 0.3s pin P1.18 = 1\n"
            "expect by 2s uart0 contains \"hola\"\n"
            "expect at 0.5s lcd shows \"00:00:00\"\n",
            1,
            {"FAIL  {}:1  expect at 2.5s lcd shows \"00:00:01\"  -- seen: \"00:00:02\" at (0, 0)\n",
             "FAIL  {}:2  expect by 1s led 1 on  -- seen: never; now off\n",
             "FAIL  {}:3  expect at 0.3s pin P1.18 = 1  -- seen: 0\n",
             "FAIL  {}:4  expect by 2s uart0 contains \"hola\"  -- seen: UART0 sent nothing\n",
             "PASS  {}:5", "scenario: 1 of 5 expectations passed\n"}},
        // A level that held only between two checks still counts "by" then.
        ScenarioCase{"ByCatchesALevelThatDidNotLast", &kReloj,
            "at 0.2s press P2.22 for 0.1s\n"
            "expect by 0.5s led 1 on\n"
            "expect at 0.5s led 1 off\n",
            0, {"scenario: 2 of 2 expectations passed\n"}},
        ScenarioCase{"Uart0StepsAndText", &kUart,
            "at 2ms uart0 \"uno\\r\\n\"\n"
            "expect at 1ms uart0 contains \"hola\\n\"\n"
            "expect by 10ms uart0 contains \"eco: uno\"\n",
            0, {"scenario: 2 of 2 expectations passed\n"}},
        // Written as an editor saves UTF-8: a byte order mark, "ó" in two bytes.
        ScenarioCase{"AnErrorStopEndsTheRunWithItsReportOnTheLcd", &kParada,
            "\xEF\xBB\xBF" "at 0.1s press P2.10\n"
            "expect at 0.05s led 1 off\n"
            "expect at 0.5s lcd shows \"Mensaje: Puerto no valido.\"\n"
            "expect no error stop\n"
            "expect at 0.5s lcd shows \"Funci\xC3\xB3n: gpio_ajustar_dir\"\n",
            1,
            {"PASS  {}:2  expect at 0.05s led 1 off\n",
             "PASS  {}:3  expect at 0.5s lcd shows \"Mensaje: Puerto no valido.\"  (judged where "
             "the run ended)\n",
             "FAIL  {}:4  expect no error stop  -- seen: error stop at 0.100000 s in "
             "gpio_ajustar_dir (entradas_salidas.cpp:21): Puerto no valido.\n",
             "PASS  {}:5", "end: error stop at 0.100000 s", "scenario: 3 of 4 expectations passed\n"}},
        ScenarioCase{"AFaultIsReported", &kFallos,
            "at 0.01s pin P2.10 = 0\n"
            "expect at 1s lcd shows \"x\"\n"
            "expect no fault\n",
            1,
            {"FAIL  {}:2  expect at 1s lcd shows \"x\"  -- seen: ",
             "FAIL  {}:3  expect no fault  -- seen: fault at 0.01", "end: fault at 0.01",
             "scenario: 0 of 2 expectations passed\n"}}),
    [](const ::testing::TestParamInfo<ScenarioCase>& p) { return std::string(p.param.name); });

struct Malformed {
  std::string scenario;
  std::vector<std::string> says;  // "{}" stands for the scenario's path
};

void PrintTo(const Malformed& m, std::ostream* os) { *os << m.scenario; }

class ScenarioRefused : public ::testing::TestWithParam<Malformed>, protected InTempDir {
 protected:
  void SetUp() override {
    if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
    make_dir();
  }
  void TearDown() override { fs::remove_all(dir_); }
};

TEST_P(ScenarioRefused, WithTheLineAndNothingRuns) {
  const std::string file = write("bad.txt", GetParam().scenario);
  const ResultadoProceso r = sim({kReloj, "--scenario", file});
  EXPECT_EQ(r.estado, 64);
  EXPECT_EQ(r.salida, "") << "nothing ran";
  for (std::string says : GetParam().says) {
    if (const auto at = says.find("{}"); at != std::string::npos) says.replace(at, 2, file);
    EXPECT_TRUE(has(r.errores, says)) << "wanted: " << says << "\n" << r.errores;
  }
}

INSTANTIATE_TEST_SUITE_P(
    BadLines, ScenarioRefused,
    ::testing::Values(
        Malformed{"expect no fault\nat 1s flip P2.1\n", {"{}:2: a step is press, pin, adc or uart0"}},
        Malformed{"expect at 1s led 5 on\n", {"{}:1: the board's LEDs are 1 to 4"}},
        Malformed{"expect at 1s led 1 dim\n", {"{}:1: wants on or off, not dim"}},
        Malformed{"expect at nan lcd shows \"x\"\n", {"{}:1: not a duration"}},
        Malformed{"expect at 1e9s led 1 on\n", {"{}:1: not a board time"}},
        Malformed{"expect at 1s lcd shows \"open\n", {"{}:1: a quote is not closed"}},
        Malformed{"expect at 1s lcd shows \"a\\q\"\n", {"{}:1: not an escape"}},
        Malformed{"expect by 1s lcd shows \"x\"\n", {"{}:1: the LCD is read at one time"}},
        Malformed{"expect at 1s led 1 on # fine\nat 1s press P2.27 for 0s\n",
                  {"{}:2: a press holds its pin for more than 0 s"}},
        Malformed{"expect at 1s led 1 on\nat 1s press P9.1\n", {"{}:2: not a pin"}},
        Malformed{"expect at 1s led 1 on\nat 1s adc 0 = 4V\n", {"{}:2: ", "input range"}},
        Malformed{"expect at 1s led 1 on extra\n", {"{}:1: unexpected extra"}},
        Malformed{"expect at 1s uart0 contains\n", {"{}:1: wants the text UART0 sent"}},
        Malformed{"\x7F" "ELF\x01\x01\x01\x00\x00\n\xFF\xFE"s, {"{}:1: a NUL byte", "{}:2: a line starts with at or expect, not \\xFF\\xFE"}},
        Malformed{"at 1s flip\nexpect at 1s led 9 on\n", {"{}:1: ", "{}:2: "}},
        Malformed{"# only a comment\n\n", {"{}: expects nothing"}},
        Malformed{"expect no fault\n", {"{}: names no time"}}));

TEST(ScenarioFile, ThatCannotBeAScenarioIsRefused) {
  if (!fs::exists(kReloj)) GTEST_SKIP() << "no firmware images";
  const fs::path dir = fs::temp_directory_path() / ("scenario-file-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "huge.txt") << std::string(2 << 20, '#');
  std::ofstream(dir / "ok.txt") << "expect at 1s led 1 off\n";
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {{{"--scenario", (dir / "missing.txt").string()}, "cannot read"},
               {{"--scenario", dir.string()}, "not a regular file"},
               {{"--scenario", "/dev/zero"}, "not a regular file"},
               {{"--scenario", (dir / "huge.txt").string()}, "not a scenario"},
               {{"--scenario", (dir / "ok.txt").string(), "--for", "2s"}, "does not go with --for"},
               {{"--scenario"}, "needs a value"}};
  for (const auto& c : cases) {
    std::vector<std::string> args = {kReloj};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ResultadoProceso r = sim(args);
    EXPECT_EQ(r.estado, 64) << c.says;
    EXPECT_TRUE(has(r.errores, c.says)) << c.says << ": " << r.errores;
    EXPECT_EQ(r.salida, "") << c.says;
  }
  fs::remove_all(dir);
}

// --- ./lab grade -------------------------------------------------------------

class Grade : public ::testing::Test, protected InTempDir {
 protected:
  void SetUp() override {
    if (!fs::exists(kParada)) GTEST_SKIP() << "no firmware images";
    make_dir();
    fs::create_directories(dir_ / "labs");
    for (const std::string& image : {kReloj, kParada, kFallos}) {
      fs::copy_file(image, dir_ / "labs" / fs::path(image).filename());
    }
    write("labs/garbage.elf", "not an image");
    write("labs/notes.txt", "not an .elf: not graded");
    // P2.10 low: the clock ignores it, parada_error stops with an error,
    // sim_fallos reads from nowhere.
    scenario_ = write("clock.txt",
                      "at 0.05s pin P2.10 = 0\n"
                      "expect at 1.5s lcd shows \"00:00:01\"\n"
                      "expect no fault\n");
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string scenario_;
};

TEST_F(Grade, OneRowPerImageWithHowItsRunEnded) {
  const ResultadoProceso r = lab_grade(dir_.string(), {"labs", "clock.txt"});
  EXPECT_EQ(r.estado, 1) << "not every image passed\n" << r.salida << r.errores;
  const std::regex row(R"((\S+\.elf) +(\S+) +(.*))");
  std::vector<std::string> rows;
  for (std::sregex_iterator m(r.salida.begin(), r.salida.end(), row), end; m != end; ++m) {
    rows.push_back((*m)[1].str() + " " + (*m)[2].str() + " " + (*m)[3].str());
  }
  ASSERT_EQ(rows.size(), 4u) << r.salida;
  EXPECT_TRUE(has(rows[0], "garbage.elf - not an image for this board")) << rows[0];
  EXPECT_TRUE(has(rows[1], "parada_error.elf 1/2 error stop at 0.050000 s")) << rows[1];
  EXPECT_TRUE(has(rows[1], "line 2: expect at 1.5s lcd shows")) << rows[1];
  EXPECT_TRUE(has(rows[2], "reloj.elf 2/2 still running at 1.500000 s")) << rows[2];
  EXPECT_TRUE(has(rows[3], "sim_fallos.elf 0/2 fault at 0.05")) << rows[3];
}

TEST_F(Grade, CsvQuotesEveryTextField) {
  const ResultadoProceso r = lab_grade(dir_.string(), {"--csv", "labs", scenario_});
  EXPECT_EQ(r.estado, 1);
  EXPECT_EQ(r.salida.substr(0, r.salida.find('\n')), "image,passed,total,ended,first_failure");
  EXPECT_TRUE(has(r.salida, "\n\"reloj.elf\",2,2,\"still running at 1.500000 s\",\"\"\n"))
      << r.salida;
  EXPECT_TRUE(has(r.salida, "lcd shows \"\"00:00:01\"\"")) << "quotes doubled\n" << r.salida;
  EXPECT_EQ(std::count(r.salida.begin(), r.salida.end(), '\n'), 5);
}

TEST_F(Grade, RefusesWhatItCannotGrade) {
  const std::string bad = write("bad.txt", "at 1s flip P2.1\n");
  fs::create_directories(dir_ / "empty");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;
  } cases[] = {{{(dir_ / "nope").string(), scenario_}, 2, "no folder"},
               {{(dir_ / "labs").string(), (dir_ / "nope.txt").string()}, 2, "no readable scenario"},
               {{(dir_ / "empty").string(), scenario_}, 2, "no .elf image"},
               {{"--limit", "0", (dir_ / "labs").string(), scenario_}, 2, "whole seconds"},
               {{(dir_ / "labs").string()}, 2, "usage"},
               {{(dir_ / "labs").string(), bad}, 64, bad + ":1: a step is"}};
  for (const auto& c : cases) {
    const ResultadoProceso r = lab_grade(dir_.string(), c.args);
    EXPECT_EQ(r.estado, c.status) << c.says;
    EXPECT_TRUE(has(r.errores, c.says)) << c.says << ": " << r.errores;
    EXPECT_EQ(r.salida, "") << c.says << ": no table";
  }
}

}  // namespace
