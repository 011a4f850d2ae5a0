// Semihosting as a test image uses it: output to standard output and error,
// the board's clock, an operation nobody serves, input, and the exit status.
#include <gtest/gtest.h>

#include "imagenes.h"

namespace sim {
namespace {

Options with_semihosting() {
  Options o;
  o.semihosting = true;
  return o;
}

TEST(Semihosting, ServesTheCallsAndEndsTheRunWithTheFirmwaresStatus) {
  SIM_BOARD(board, "semihosting", with_semihosting());
  board.semihosting_input("x");
  const RunResult r = board.run_for(1.0);
  ASSERT_EQ(r.reason, StopReason::Exited);
  EXPECT_EQ(board.exit_status(), 42) << "the character read was handed over";
  EXPECT_EQ(board.semihosting_output(1), "hola!");
  EXPECT_EQ(board.semihosting_output(2), "aviso\n");
  EXPECT_EQ(board.read<std::uint32_t>("rechazo"), 0xFFFFFFFFu);
  EXPECT_EQ(board.read<std::uint32_t>("frecuencia"), 1'000'000u);
  // The clock and the tick count are the board's time when they were read.
  const double elapsed = board.read<std::uint32_t>("transcurrido") / 1e6;
  EXPECT_GT(elapsed, 0.0);
  EXPECT_LE(elapsed, r.time);
  EXPECT_EQ(board.read<std::uint32_t>("reloj_cs"), static_cast<std::uint32_t>(elapsed * 100));
}

TEST(Semihosting, OffItsBreakpointIsADebugEvent) {
  SIM_BOARD(board, "semihosting");
  EXPECT_EQ(board.run_for(1.0).reason, StopReason::Fault);
  EXPECT_FALSE(board.exit_status().has_value());
  EXPECT_EQ(board.semihosting_output(1), "");
}

}  // namespace
}  // namespace sim
