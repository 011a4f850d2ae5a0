// UART0 under its test image: a line out at the programmed rate, a line in
// by interrupt and echoed.
#include <gtest/gtest.h>

#include "board/chip/lpc4088.h"
#include "sim/placa/board.h"
#include "tests/simcore/imagenes.h"

namespace sim {
namespace {

// The image's 115200 baud from 12 MHz: 16 x divisor 4 x (8 + 5) / 8 clock
// periods per bit, ten bits per 8N1 character.
constexpr Cycles kCharacter = 10 * 16 * 4 * (8 + 5) / 8;

TEST(Uart0, SendsItsLineOneCharacterTimeApart) {
  SIM_BOARD(board, "uart");
  board.run_for(0.002);
  ASSERT_EQ(board.uart0_text(), "hola\n");
  const std::vector<UartByte> sent = board.uart0_sent();
  for (std::size_t i = 1; i < sent.size(); ++i) {
    EXPECT_EQ(sent[i].cycle - sent[i - 1].cycle, kCharacter) << "byte " << i;
    EXPECT_DOUBLE_EQ(sent[i].time, board.time_at(sent[i].cycle));
  }
}

TEST(Uart0, ReceivesALineByInterruptAndEchoesIt) {
  SIM_BOARD(board, "uart");
  const double at = 0.002;
  board.uart0_input("abc\n", at);
  board.run_until([&] { return board.read<std::uint32_t>("lineas") == 1; }, 0.01);
  ASSERT_EQ(board.read<std::uint32_t>("lineas"), 1u);
  EXPECT_EQ(board.read_c_string(board.symbol("recibido")), "abc\n");
  // The last of four bytes ends four character times after the input starts.
  EXPECT_GE(board.cycles(), static_cast<Cycles>(at * 12e6) + 4 * kCharacter);
  EXPECT_EQ(board.read<std::uint32_t>("ultimo_iir") & LPC_UART_IIR_INTID_MASK,
            LPC_UART_IIR_INTID_RDA);
  board.run_for(0.002);
  EXPECT_EQ(board.uart0_text(), "hola\neco: abc\n");
}

TEST(Uart0, AnUnpoweredUartIsTheFirmwaresError) {
  SIM_BOARD(board, "uart");
  board.run_for(0.002);
  const std::uint32_t pconp = LPC_SC_BASE + offsetof(LPC_SC_TypeDef, PCONP);
  board.write<std::uint32_t>(pconp, board.read<std::uint32_t>(pconp) & ~LPC_SC_PCONP_PCUART0);
  board.write<std::uint32_t>(LPC_UART0_BASE, 'x');
  const auto& records = board.board().peripherals().unmodelled_accesses();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].kind, AccessKind::kUnpowered);
  EXPECT_STREQ(records[0].window, "UART0");
  board.run_for(0.001);
  EXPECT_EQ(board.uart0_text(), "hola\n");
}

}  // namespace
}  // namespace sim
