// The peripheral models under the real firmware images: what the board's
// own set-up code and the drivers leave in them, and that a whole clock run
// touches no register the models do not answer.
#include <gtest/gtest.h>

#include <string>

#include "board/chip/lpc4088.h"
#include "sim/api/simulador.h"
#include "sim/api/text_reader.h"
#include "sim/lpc4088/adc.h"
#include "sim/lpc4088/iocon.h"
#include "sim/lpc4088/lcd.h"
#include "sim/lpc4088/system_control.h"
#include "sim/placa/board.h"

namespace {

const std::string kImages = FIRMWARE_IMAGES;

TEST(FirmwareOnModels, ClockRunTouchesOnlyModelledRegisters) {
  sim::Options strict;
  strict.fail_on_unmodelled = true;
  sim::Simulador placa(kImages + "/reloj.elf", strict);
  placa.press(sim::Pin::parse("P2.27"), 1.2);
  placa.press(sim::Pin::parse("P2.25"), 1.6);
  placa.set_pin(sim::Pin::parse("P2.22"), false, 0.3);
  EXPECT_NO_THROW(placa.run_for(2.5));
  EXPECT_TRUE(placa.board().peripherals().unmodelled_accesses().empty());
  EXPECT_EQ(placa.read_screen(2, 0, 0, 8), "00:00:02");
}

TEST(FirmwareOnModels, SystemSetUpLeavesTheClocksAndTheLcdAsProgrammed) {
  sim::Simulador placa(kImages + "/pruebas_firmware.elf");
  ASSERT_EQ(placa.run_to("main", 0.01).reason, sim::StopReason::Condition);
  placa.run_for(0.01);
  sim::Lpc4088Peripherals& board = placa.board().peripherals();
  EXPECT_EQ(board.clocks().cpu_hz(), 120'000'000u);
  EXPECT_EQ(board.clocks().peripheral_hz(), 60'000'000u);
  EXPECT_TRUE(board.system_control().pll0_locked());
  EXPECT_TRUE(board.lcd_enabled());
  EXPECT_EQ(board.lcd_frame_address(), 0xA0000000u);
  EXPECT_EQ((board.lcd().control() >> 1) & 7u, 6u) << "16 bpp, 5:6:5";
  EXPECT_TRUE(board.lcd_frame().has_value());
  const sim::TextReader reader(placa.board().memory(), placa.symbol("glcd_fuentes"));
  const unsigned sizes[3][2] = {{8, 16}, {12, 24}, {16, 32}};
  for (unsigned n = 0; n < 3; ++n) {
    EXPECT_EQ(reader.fonts()[n].width, sizes[n][0]);
    EXPECT_EQ(reader.fonts()[n].height, sizes[n][1]);
    EXPECT_EQ(reader.fonts()[n].first, 0x20u);
    EXPECT_EQ(reader.fonts()[n].last, 0xFFu);
  }
}

TEST(FirmwareOnModels, AdcDriverSetsItsPinsPowerAndDivider) {
  sim::Simulador placa(kImages + "/pruebas_firmware.elf");
  ASSERT_EQ(placa.run_to("main", 0.01).reason, sim::StopReason::Condition);
  placa.run_for(0.01);
  sim::Lpc4088Peripherals& board = placa.board().peripherals();
  const sim::Iocon& iocon = board.iocon();
  placa.call("adc_inicializar", {12'000'000u, (1u << 0) | (1u << 4)});
  EXPECT_TRUE(board.system_control().powered(LPC_SC_PCONP_PCADC));
  EXPECT_EQ(board.adc().cr(), 0x200400u);
  EXPECT_EQ(iocon.pin_register(0, 23), 1u);
  EXPECT_EQ(iocon.pin_register(1, 30), 3u);
  EXPECT_EQ(iocon.pin_register(0, 24), sim::Iocon::reset_value(0, 24)) << "channel 1 not asked";
  board.set_adc_voltage(4, 2.5);
  EXPECT_EQ(placa.call("adc_convertir", {4u}).as_u32(), sim::Adc::result_for(2.5));
  EXPECT_EQ(board.adc().cr() & 0xFFu, 1u << 4);
  EXPECT_TRUE(board.unmodelled_accesses().empty());
}

}  // namespace
