// Test API: calls by name, error stops, symbols, sleeping, determinism and
// idle skipping that changes nothing the firmware sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/simcore/imagenes.h"

namespace sim {
namespace {

TEST(Api, CallsFunctionsWithIntegerFloatAndStackArguments) {
  SIM_BOARD(board, "llamadas");
  board.run_for(0.001);
  EXPECT_EQ(board.call("suma", {2, -5}).as_i32(), -3);
  EXPECT_EQ(board.call("suma_seis", {1, 2, 3, 4, 5, 6}).as_i32(), 91);
  EXPECT_FLOAT_EQ(board.call("escala", {1.5f, 3, 0.25f}).as_float(), 4.75f);
  EXPECT_EQ(board.read<std::uint32_t>("contador_llamadas"), 1u);
  EXPECT_EQ(board.read<std::uint32_t>("llamadas_locales"), 1u) << "local symbols by name";
  EXPECT_THROW(board.symbol("no_existe"), std::out_of_range);
}

TEST(Api, ErrorStopCarriesItsReportAndTheBoardGoesOn) {
  SIM_BOARD(board, "llamadas");
  board.run_for(0.001);
  const std::uint32_t pc = board.pc();
  try {
    board.call("dividir", {7u, 0u});
    FAIL() << "no error stop";
  } catch (const ErrorStopped& e) {
    EXPECT_EQ(e.info.file, "llamadas.cpp");
    EXPECT_EQ(e.info.function, "dividir");
    EXPECT_EQ(e.info.line, 42);
    EXPECT_EQ(e.info.message, "Divisi\xF3n por cero.");
  }
  EXPECT_EQ(board.pc(), pc) << "state restored after the call";
  EXPECT_FALSE(board.primask());
  EXPECT_EQ(board.call("dividir", {7u, 2u}).as_u32(), 3u);
}

TEST(Api, WaitingForInterruptsCostsNoInstructions) {
  SIM_BOARD(board, "llamadas");
  board.run_for(0.001);
  const auto before = board.instructions();
  EXPECT_EQ(board.run_for(100.0).reason, StopReason::TimeReached);
  EXPECT_DOUBLE_EQ(board.time(), 100.001);
  EXPECT_LT(board.instructions() - before, 10u);
}

TEST(Api, RecordsOrRefusesAccessesNobodyModelled) {
  for (const bool strict : {false, true}) {
    SCOPED_TRACE(strict);
    Options options;
    options.fail_on_unmodelled = strict;
    SIM_BOARD(board, "llamadas", options);
    board.run_for(0.001);
    for (const std::uint32_t address : {0x40010000u, 0xE000EDFCu}) {  // UART1, DEMCR
      if (strict) {
        EXPECT_THROW(board.call("leer", {address}), std::runtime_error);
      } else {
        EXPECT_NO_THROW(board.call("leer", {address}));
      }
      char line[32];
      std::snprintf(line, sizeof line, "0x%08X r 0x00000000", address);
      const auto lines = board.unmodelled_accesses();
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
    EXPECT_EQ(board.call("suma", {1, 1}).as_i32(), 2) << "the board goes on";
  }
}

std::vector<OutputChange> clock_shaped_run(bool idle_skipping, double seconds) {
  Options options;
  options.idle_skipping = idle_skipping;
  Simulador board(sim_image("forma_reloj"), options);
  const Pin p{2, 22};
  board.set_pin(p, false, 0.010);
  board.set_pin(p, true, 0.025);
  board.press(p, 0.040, 0.005);
  board.run_for(seconds);
  return board.pin_changes();
}

TEST(Api, SameImageAndInputsGiveTheSameTrace) {
  if (!std::filesystem::exists(sim_image("forma_reloj"))) GTEST_SKIP();
  const auto a = clock_shaped_run(true, 2.5);
  const auto b = clock_shaped_run(true, 2.5);
  ASSERT_EQ(a.size(), b.size());
  ASSERT_GE(a.size(), 5u);
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].cycle, b[i].cycle);
    EXPECT_EQ(a[i].pin, b[i].pin);
    EXPECT_EQ(a[i].level, b[i].level);
  }
}

TEST(Api, IdleSkippingChangesNothingTheFirmwareSees) {
  if (!std::filesystem::exists(sim_image("forma_reloj"))) GTEST_SKIP();
  const auto skipped = clock_shaped_run(true, 0.06);
  const auto executed = clock_shaped_run(false, 0.06);
  ASSERT_EQ(skipped.size(), executed.size());
  for (std::size_t i = 0; i < skipped.size(); ++i) {
    EXPECT_EQ(skipped[i].pin, executed[i].pin);
    EXPECT_EQ(skipped[i].level, executed[i].level);
    // The loop sees a new input within one pass, skipping or not.
    EXPECT_NEAR(skipped[i].time, executed[i].time, 5e-6);
  }
}

TEST(Api, ClockShapedImageCountsSecondsWhilePolling) {
  SIM_BOARD(board, "forma_reloj");
  board.run_for(5.5);
  EXPECT_EQ(board.read<std::uint32_t>("segundos"), 5u);
  EXPECT_FALSE(board.parking().has_value() && board.parking()->exception != 0);
}

}  // namespace
}  // namespace sim
