// How runs end: on the first cycle at or after the time asked, whatever the
// clocks did; the same with idle skipping on or off; with the real cause and
// PC whatever ended them. And the exception return's undoing of the stack
// realignment, which a run that ends well can hide.
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "imagenes.h"

namespace sim {
namespace {

constexpr std::uint32_t kCclkSel = 0x400FC104;  // CPU clock divider, bits 4:0
constexpr std::uint32_t kHfsr = 0xE000ED2C;

// The first cycle at or after t: a cycle that reaches t, with the one before
// it short of t (unless the run could not stop any earlier).
void expect_first_cycle_at_or_after(const Simulador& board, double t, Cycles started) {
  const Cycles c = board.cycles();
  EXPECT_GE(board.time_at(c), t);
  if (c > started) {
    EXPECT_LT(board.time_at(c - 1), t) << "stopped late, at cycle " << c;
  }
}

TEST(RunEnd, EveryRunEndsOnTheFirstCycleAtOrAfterItsTimeWhateverTheClock) {
  // A loop that is never skipped, under a clock changed at random between runs.
  for (unsigned trial = 0; trial < 40; ++trial) {
    SCOPED_TRACE(trial);
    SIM_BOARD(board, "memoria");
    std::mt19937 rng(trial);
    std::uniform_real_distribution<double> step(0.0, 0.004);
    std::uniform_int_distribution<std::uint32_t> divider(1, 31);
    double t = 0;
    for (unsigned run = 0; run < 6; ++run) {
      board.write<std::uint32_t>(kCclkSel, divider(rng));
      t += run == 3 ? 1e-12 : step(rng);  // also a step far shorter than a cycle
      const Cycles started = board.cycles();
      ASSERT_EQ(board.run_to_time(t).reason, StopReason::TimeReached);
      expect_first_cycle_at_or_after(board, t, started);
    }
  }
}

TEST(RunEnd, TheClockImageEndsEveryRunItIsGiven) {
  // The durations that once never ended, and random ones, on the image that
  // changes its clock in its set-up and waits between interrupts.
  std::vector<double> durations = {0.04, 0.05, 0.13, 0.14, 0.17, 0.20,
                                   0.23, 0.27, 0.28, 0.34, 0.40, 0.46};
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> any(0.001, 1.5);
  for (int i = 0; i < 16; ++i) durations.push_back(any(rng));
  for (double d : durations) {
    SCOPED_TRACE(d);
    if (!std::filesystem::exists(FIRMWARE_IMAGES "/reloj.elf")) GTEST_SKIP();
    Simulador board(FIRMWARE_IMAGES "/reloj.elf");
    for (double t = 0.05; t < d; t += 0.05) {
      ASSERT_EQ(board.run_to_time(t).reason, StopReason::TimeReached);
    }
    ASSERT_EQ(board.run_to_time(d).reason, StopReason::TimeReached);
    EXPECT_GE(board.time(), d);
    EXPECT_LT(board.time(), d + 1e-6);
  }
}

TEST(RunEnd, WhatCannotBeABoardTimeIsRefused) {
  SIM_BOARD(board, "memoria");
  for (double t : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                   1e30, kMaxBoardSeconds * 2}) {
    EXPECT_THROW(board.run_to_time(t), std::invalid_argument) << t;
  }
  EXPECT_EQ(board.time(), 0.0);
}

// Everything the firmware can observe, after a run of a fixed length.
struct Observed {
  RunResult result;
  std::vector<std::uint8_t> sram;
  std::vector<OutputChange> changes;
  bool error_stop = false, fault = false, parked_in_handler = false;
};

Observed observe(const std::filesystem::path& image, bool idle_skipping) {
  Options options;
  options.idle_skipping = idle_skipping;
  Simulador board(image, options);
  Observed o;
  o.result = board.run_for(0.05);
  o.sram.resize(64 * 1024);
  board.read_memory(0x10000000, o.sram.data(), o.sram.size());
  o.changes = board.pin_changes();
  o.error_stop = board.error_stop().has_value();
  o.fault = board.fault().has_value();
  o.parked_in_handler = board.parking().has_value() && board.parking()->exception != 0;
  return o;
}

TEST(RunEnd, IdleSkippingChangesNothingAnyImageCanObserve) {
  std::vector<std::filesystem::path> images = {FIRMWARE_IMAGES "/reloj.elf",
                                               FIRMWARE_IMAGES "/pruebas_firmware.elf"};
  for (const char* name : {"excepciones", "prioridades", "fallos", "perifericos", "llamadas",
                           "forma_reloj", "memoria", "semihosting", "uart"}) {
    images.push_back(sim_image(name));
  }
  for (const auto& image : images) {
    SCOPED_TRACE(image.filename().string());
    if (!std::filesystem::exists(image)) GTEST_SKIP() << "no firmware images";
    const Observed skipped = observe(image, true);
    const Observed executed = observe(image, false);
    EXPECT_EQ(skipped.result.reason, executed.result.reason);
    EXPECT_EQ(skipped.result.time, executed.result.time);
    EXPECT_TRUE(skipped.sram == executed.sram) << "RAM differs";
    ASSERT_EQ(skipped.changes.size(), executed.changes.size());
    for (std::size_t i = 0; i < skipped.changes.size(); ++i) {
      EXPECT_EQ(skipped.changes[i].pin, executed.changes[i].pin);
      EXPECT_EQ(skipped.changes[i].level, executed.changes[i].level);
      EXPECT_NEAR(skipped.changes[i].time, executed.changes[i].time, 5e-6);
    }
    EXPECT_EQ(skipped.error_stop, executed.error_stop);
    EXPECT_EQ(skipped.fault, executed.fault);
    EXPECT_EQ(skipped.parked_in_handler, executed.parked_in_handler);
  }
}

class StackRealignment : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(StackRealignment, ReturnRestoresTheStackPointer) {
  SIM_BOARD(board, "excepciones");
  const std::uint32_t offset = GetParam();
  EXPECT_EQ(board.call("tomar_con_pila", {offset}).as_u32(), 0u) << "SP after the interrupt";
  EXPECT_EQ((board.read<std::uint32_t>("xpsr_apilado") >> 9) & 1, offset == 4 ? 1u : 0u)
      << "stacked xPSR bit 9 records the padding";
}

INSTANTIATE_TEST_SUITE_P(SpModulo8, StackRealignment, ::testing::Values(0u, 4u));

struct EndCase {
  const char* pin;      // input that selects the case in sim_fallos
  const char* kind;     // start of the fault's description
  std::uint32_t hfsr;   // HardFault status bit it sets
  const char* parked;   // where the CPU stays
  const char* pc_symbol;  // the stacked PC, when the instruction has a name
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.kind; }

class RunEndCause : public ::testing::TestWithParam<EndCase> {};

TEST_P(RunEndCause, NamesTheRealCauseAndPc) {
  const EndCase& c = GetParam();
  for (bool skipping : {true, false}) {
    SCOPED_TRACE(skipping);
    Options options;
    options.idle_skipping = skipping;
    SIM_BOARD(board, "fallos", options);
    board.set_pin(Pin::parse(c.pin), false, 0);
    EXPECT_EQ(board.run_for(0.01).reason, StopReason::Fault);
    ASSERT_TRUE(board.fault().has_value());
    EXPECT_EQ(board.fault()->kind.rfind(c.kind, 0), 0u) << board.fault()->kind;
    EXPECT_NE(board.read<std::uint32_t>(kHfsr) & c.hfsr, 0u);
    ASSERT_TRUE(board.parking().has_value());
    EXPECT_EQ(board.parking()->function, c.parked);
    if (c.pc_symbol != nullptr) {
      EXPECT_EQ(board.fault()->pc, board.symbol(c.pc_symbol));
    }
    EXPECT_EQ(board.symbol_at(board.fault()->pc), "main");
  }
}

TEST(RunEnd, ADataFaultStacksTheFaultingInstructionAndChangesNothingElse) {
  SIM_BOARD(board, "fallos");
  board.set_pin(Pin::parse("P2.10"), false, 0);
  ASSERT_EQ(board.run_for(0.01).reason, StopReason::Fault);
  const std::uint32_t at = board.symbol("punto_lectura");
  ASSERT_TRUE(board.fault().has_value());
  EXPECT_EQ(board.fault()->pc, at);
  std::uint32_t frame[8];
  board.read_memory(board.reg(13), frame, sizeof frame);
  EXPECT_EQ(frame[6], at) << "stacked PC";
  EXPECT_EQ(frame[2], 0u) << "stacked r2: the state just before the load";
  EXPECT_EQ(board.read<std::uint32_t>("antes_del_fallo"), 1u)
      << "the instructions before the fault ran once";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RunEndCause,
    ::testing::Values(EndCase{"P2.11", "breakpoint (BKPT) with no debugger", 1u << 31,
                              "HardFault_Handler", "punto_bkpt"},
                      EndCase{"P2.12", "vector table fetch failed for IRQ 5", 1u << 1, "main",
                              nullptr}));

}  // namespace
}  // namespace sim
