// The Value Change Dump of a run, read back: every record of the board at
// its nanosecond stamp, what the clock image's interrupt line and pins did,
// and the writer on hand-made records (grouping, reals, names, no record).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "sim/api/simulador.h"
#include "sim/api/vcd_writer.h"
#include "sim/placa/board.h"
#include "tests/support/vcd_reader.h"

namespace {

const std::string kReloj = FIRMWARE_IMAGES "/reloj.elf";
constexpr std::uint64_t kSecond = 1'000'000'000;

VcdFile read_back(const sim::VcdRecord& record) {
  const std::string text = sim::vcd_text(record);
  VcdFile f = read_vcd(text);
  EXPECT_EQ(f.error, "") << text;
  return f;
}

// The clock runs from reset; P2.22 low lights LED1; P2.27 stops the clock.
TEST(VcdOfARun, HoldsEveryRecordAtItsStampAndShowsTheClockTicking) {
  if (!std::filesystem::exists(kReloj)) GTEST_SKIP() << "no firmware images";
  sim::Simulador board(kReloj);
  board.set_pin(sim::Pin::parse("P2.22"), false, 0.2);
  board.press(sim::Pin::parse("P2.27"), 2.5);
  board.set_adc_voltage(2, 1.25, 0.7);
  board.run_for(4.0);
  const sim::Board& b = board.board();
  const VcdFile f = read_back(sim::vcd_record(b));
  ASSERT_EQ(f.error, "");

  const auto& irq = f.signals.at("irq1_TIMER0");
  const auto& led = f.signals.at("LED1_P1_18");
  const auto& stop = f.signals.at("P2_27");
  // Each change at its own stamp: the new level there, the old one a nanosecond before.
  const auto changes_at = [](const VcdSignal& s, double time, bool level) {
    const std::uint64_t stamp = sim::vcd_stamp(time);
    EXPECT_EQ(s.at(stamp), level ? "1" : "0") << "at " << stamp;
    EXPECT_EQ(s.at(stamp - 1), level ? "0" : "1") << "before " << stamp;
  };
  ASSERT_FALSE(b.irq_changes().empty());
  for (const sim::IrqChange& q : b.irq_changes()) {
    changes_at(f.signals.at("irq" + std::to_string(q.irq) + "_" + sim::Board::irq_line_name(q.irq)),
               q.time, q.level);
  }
  for (const sim::OutputChange& o : b.output_changes()) {
    if (o.pin == sim::Pin::parse("P1.18")) changes_at(led, o.time, o.level);
  }
  ASSERT_EQ(b.input_changes().size(), 4u);
  EXPECT_EQ(f.signals.at("adc2").at(sim::vcd_stamp(b.input_changes()[1].time)), "1.25");

  // Ticks a second apart while it runs, none once stopped.
  const std::vector<std::uint64_t> ticks = irq.edges_to("1");
  ASSERT_EQ(ticks.size(), 2u);
  // The timer starts a few milliseconds after reset, once main set it up.
  EXPECT_GT(ticks[0], kSecond);
  EXPECT_LT(ticks[0], kSecond + kSecond / 100);
  EXPECT_EQ(ticks[1] - ticks[0], kSecond);
  EXPECT_EQ(stop.edges_to("0"), std::vector<std::uint64_t>{5 * kSecond / 2});
  EXPECT_EQ(stop.at(5 * kSecond / 2 - 1), "1");
  const std::vector<std::uint64_t> lit = led.edges_to("1");
  ASSERT_FALSE(lit.empty());
  EXPECT_GT(lit.front(), kSecond / 5);
  EXPECT_LT(lit.front(), kSecond / 5 + kSecond / 1000);
  EXPECT_EQ(f.stamps.back(), sim::vcd_stamp(board.time())) << "the dump spans the run";
}

sim::OutputChange output(double t, const char* pin, bool level) {
  return {t, 0, sim::Pin::parse(pin), level};
}

TEST(VcdWriter, AnEmptyRecordIsAValidDumpWithItsThreeScopes) {
  const VcdFile f = read_back({});
  EXPECT_EQ(f.version, "lpc4088-sim");
  EXPECT_EQ(f.timescale, "1 ns");
  EXPECT_EQ(f.scopes, (std::vector<std::string>{"outputs", "inputs", "interrupts"}));
  EXPECT_TRUE(f.signals.empty());
}

TEST(VcdWriter, ChangesOfOneNanosecondShareOneStampAndStampsNeverGoBack) {
  sim::VcdRecord r;
  // Both round to 1 s; the interrupt line comes earlier than the outputs.
  r.outputs = {output(1.0000000004, "P0.1", true), output(2.0, "P0.1", false)};
  r.inputs = {{0.9999999996, 0, true, sim::Pin::parse("P2.27"), false, 0, 0}};
  r.irqs = {{0.5, 0, 1, true}};
  r.end_time = 1.5;  // earlier than the last change: no stamp after it
  const std::string text = sim::vcd_text(r);
  const VcdFile f = read_vcd(text);
  ASSERT_EQ(f.error, "") << text;
  EXPECT_EQ(f.stamps, (std::vector<std::uint64_t>{0, kSecond / 2, kSecond, 2 * kSecond})) << text;
  EXPECT_EQ(f.signals.at("P0_1").at(kSecond), "1");
  EXPECT_EQ(f.signals.at("P2_27").at(kSecond), "0");
}

struct Named {
  const char* what;
  std::function<void(sim::VcdRecord&)> fill;
  const char* name;
  const char* scope;
  const char* at_zero;
  const char* at_one_second;
};

void PrintTo(const Named& n, std::ostream* os) { *os << n.what; }

class VcdSignalOf : public ::testing::TestWithParam<Named> {};

TEST_P(VcdSignalOf, HasItsNameScopeAndValues) {
  sim::VcdRecord r;
  GetParam().fill(r);
  const VcdFile f = read_back(r);
  ASSERT_EQ(f.signals.count(GetParam().name), 1u) << sim::vcd_text(r);
  const VcdSignal& s = f.signals.at(GetParam().name);
  EXPECT_EQ(s.scope, GetParam().scope);
  EXPECT_EQ(s.at(0), GetParam().at_zero);
  EXPECT_EQ(s.at(kSecond), GetParam().at_one_second);
}

INSTANTIATE_TEST_SUITE_P(
    Records, VcdSignalOf,
    ::testing::Values(
        Named{"an LED", [](auto& r) { r.outputs = {output(1, "P1.18", true)}; }, "LED1_P1_18",
              "outputs", "0", "1"},
        Named{"a pin set at time 0",
              [](auto& r) { r.outputs = {output(0, "P0.2", true), output(1, "P0.2", false)}; },
              "P0_2", "outputs", "1", "0"},
        Named{"an input pin",
              [](auto& r) { r.inputs = {{1, 0, true, sim::Pin::parse("P2.27"), false, 0, 0}}; },
              "P2_27", "inputs", "1", "0"},
        Named{"an A/D channel in volts",
              [](auto& r) { r.inputs = {{1, 0, false, {}, false, 7, 0.1}}; }, "adc7", "inputs",
              "0", "0.1"},
        Named{"a named interrupt line", [](auto& r) { r.irqs = {{1, 0, 38, true}}; }, "irq38_GPIO",
              "interrupts", "0", "1"},
        Named{"a line the device leaves unnamed", [](auto& r) { r.irqs = {{1, 0, 13, true}}; },
              "irq13", "interrupts", "0", "1"},
        Named{"a line beyond the device's", [](auto& r) { r.irqs = {{1, 0, 4000000000u, true}}; },
              "irq4000000000", "interrupts", "0", "1"}));

}  // namespace
