// The core with the peripheral models: timer interrupts on time, timer
// actions, GPIO edges, ADC conversions.
#include <gtest/gtest.h>

#include "tests/simcore/imagenes.h"

namespace sim {
namespace {

constexpr double kCycle = 1.0 / 12e6;  // the images run at the reset clock

TEST(Peripherals, TimerInterruptsComeOnTimeWithThePrescaler) {
  SIM_BOARD(board, "perifericos");
  for (std::uint32_t tick = 1; tick <= 3; ++tick) {
    board.run_until([&] { return board.read<std::uint32_t>("ticks") == tick; }, 0.01);
    ASSERT_EQ(board.read<std::uint32_t>("ticks"), tick);
    // 12 MHz / (11 + 1) = 1 MHz, 1000 counts: one per millisecond after the
    // timer starts, a few dozen cycles into the run.
    EXPECT_NEAR(board.time(), tick * 0.001, 200 * kCycle);
  }
  board.run_for(0.0072);
  EXPECT_EQ(board.read<std::uint32_t>("ticks"), 10u);
}

TEST(Peripherals, MatchActionsStopAndInterruptWithoutReset) {
  SIM_BOARD(board, "perifericos");
  board.run_for(0.001);
  EXPECT_EQ(board.read<std::uint32_t>("t1_irqs"), 1u) << "MR1: one interrupt, no reset";
  EXPECT_EQ(board.read<std::uint32_t>(0x40008008), 600u) << "MR0 stop: TC stays at 600";
  EXPECT_EQ(board.read<std::uint32_t>(0x40008004) & 1, 0u) << "stop clears the enable bit";
}

TEST(Peripherals, FallingEdgesInterruptAndAreCleared) {
  SIM_BOARD(board, "perifericos");
  const Pin p{2, 10};
  board.set_pin(p, false, 0.0020);
  board.set_pin(p, true, 0.0030);  // rising: not enabled
  board.set_pin(p, false, 0.0040);
  board.run_for(0.0035);
  EXPECT_EQ(board.read<std::uint32_t>("flancos"), 1u);
  EXPECT_EQ(board.read<std::uint32_t>("statf_visto"), 1u << 10);
  EXPECT_EQ(board.read<std::uint32_t>(0x400280A8) & (1u << 10), 0u) << "cleared by the handler";
  board.run_for(0.002);
  EXPECT_EQ(board.read<std::uint32_t>("flancos"), 2u);
  EXPECT_FALSE(board.irq_pending(38));
}

TEST(Peripherals, AdcConversionSetsDoneWithTheInputVoltage) {
  SIM_BOARD(board, "perifericos");
  board.set_adc_voltage(0, 1.65);
  board.set_adc_voltage(1, 3.3);
  board.run_for(0.0001);
  EXPECT_NEAR(board.call("convierte_adc", {0u}).as_u32(), 2048.0, 1.0);
  EXPECT_EQ(board.call("convierte_adc", {1u}).as_u32(), 4095u);
}

}  // namespace
}  // namespace sim
