// UART model: character timing from LCR, the divisor and FDR; receive
// trigger levels and time-out; LSR flags; IIR priorities; the pins; and what
// goes into the access record.
#include "sim/serial/uart.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/simperif/fakes.h"

namespace {

using sim::Cycles;
using sim::Uart;
using simperif::FakeIrqLines;

// At 12 MHz for the CPU and the peripherals, divisor 1 and FDR at reset: 16
// cycles per bit, 160 per 8N1 character.
constexpr Cycles kChar = 160;

struct UartFixture {
  UartFixture() {
    set(Uart::kLcr, LPC_UART_LCR_8_BITS | LPC_UART_LCR_DLAB);
    set(Uart::kRbrThrDll, 1);
    set(Uart::kLcr, LPC_UART_LCR_8_BITS);
  }
  FakeIrqLines irq;
  simperif::FixedClocks clocks{12'000'000, 12'000'000};
  bool powered = true;
  sim::AccessLog log;
  Uart uart{simperif::ContextOf{log,
                                "UART0",
                                LPC_UART0_BASE,
                                {irq, UART0_IRQn},
                                clocks,
                                simperif::no_memory(),
                                [this] { return powered; }}};
  Cycles now = 0;

  void set(std::uint32_t reg, std::uint32_t value) { uart.write(reg, value, 4, now); }
  std::uint32_t get(std::uint32_t reg) { return uart.read(reg, 4, now); }
  std::uint32_t interrupt() { return get(Uart::kIirFcr) & (LPC_UART_IIR_INTID_MASK | 1u); }
  // As the board does: each event at its own time.
  void run_to(Cycles t) {
    for (Cycles e = uart.next_event(now); e <= t; e = uart.next_event(now)) {
      now = e;
      uart.advance(now);
    }
    now = t;
  }
  bool line() const { return irq.high(UART0_IRQn); }
};

struct FrameCase {
  const char* format;
  std::uint32_t lcr;
  std::uint32_t divisor;
  std::uint32_t fdr;
  Cycles cycles;
};

TEST(Uart, ACharacterTakesItsFrameAtTheProgrammedRate) {
  const FrameCase cases[] = {
      {"8N1", LPC_UART_LCR_8_BITS, 1, 0x10, 160},
      {"8E1", LPC_UART_LCR_8_BITS | LPC_UART_LCR_PARITY_ENABLE | (1u << 4), 1, 0x10, 176},
      {"8N2", LPC_UART_LCR_8_BITS | LPC_UART_LCR_TWO_STOP_BITS, 1, 0x10, 176},
      {"7N1", 2, 1, 0x10, 144},
      {"5N1.5", LPC_UART_LCR_TWO_STOP_BITS, 1, 0x10, 120},
      {"8N1 divisor 0 as 1", LPC_UART_LCR_8_BITS, 0, 0x10, 160},
      {"8N1 divisor 300", LPC_UART_LCR_8_BITS, 300, 0x10, 48000},
      {"8N1 divisor 4, 1 + 5/8", LPC_UART_LCR_8_BITS, 4, LPC_UART_FDR(5, 8), 1040},
  };
  for (const FrameCase& c : cases) {
    UartFixture f;
    f.set(Uart::kLcr, LPC_UART_LCR_DLAB);
    f.set(Uart::kRbrThrDll, c.divisor & 0xFF);
    f.set(Uart::kIerDlm, c.divisor >> 8);
    f.set(Uart::kFdr, c.fdr);
    f.set(Uart::kLcr, c.lcr);
    f.set(Uart::kRbrThrDll, 'a');
    f.set(Uart::kRbrThrDll, 'b');
    f.run_to(10 * c.cycles);
    ASSERT_EQ(f.uart.sent().size(), 2u) << c.format;
    EXPECT_EQ(f.uart.sent()[0].time, c.cycles) << c.format;
    EXPECT_EQ(f.uart.sent()[1].time, 2 * c.cycles) << c.format << ": back to back";
  }
}

TEST(Uart, BackToBackCharactersKeepTheExactRate) {
  // 120 MHz CPU, 60 MHz peripheral clock, divisor 1, 1 + 1/3: a character
  // is 10 x 16 x 4/3 x 2 = 426 2/3 cycles; rounding each one would drift.
  UartFixture f;
  f.clocks.cpu = 120'000'000;
  f.clocks.peripheral = 60'000'000;
  f.set(Uart::kFdr, LPC_UART_FDR(1, 3));
  f.set(Uart::kIirFcr, LPC_UART_FCR_FIFO_ENABLE);
  for (char c : std::string("abc")) f.set(Uart::kRbrThrDll, static_cast<std::uint8_t>(c));
  f.run_to(2000);
  ASSERT_EQ(f.uart.sent().size(), 3u);
  const Cycles ends[] = {427, 854, 1280};
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(f.uart.sent()[i].time, ends[i]) << i;
}

TEST(Uart, RateAndFormatApplyFromTheNextCharacter) {
  UartFixture f;
  f.set(Uart::kRbrThrDll, 'a');
  f.set(Uart::kLcr, LPC_UART_LCR_8_BITS | LPC_UART_LCR_TWO_STOP_BITS);
  f.set(Uart::kRbrThrDll, 'b');
  f.run_to(1000);
  ASSERT_EQ(f.uart.sent().size(), 2u);
  EXPECT_EQ(f.uart.sent()[0].time, kChar);
  EXPECT_EQ(f.uart.sent()[1].time, kChar + 176);
}

TEST(Uart, ReceiveDataInterruptsAtTheTriggerLevel) {
  const struct {
    std::uint32_t code;
    unsigned level;
  } cases[] = {{0, 1}, {1, 4}, {2, 8}, {3, 14}};
  for (const auto& c : cases) {
    UartFixture f;
    f.set(Uart::kIirFcr, LPC_UART_FCR_FIFO_ENABLE | LPC_UART_FCR_TRIGGER(c.code));
    f.set(Uart::kIerDlm, LPC_UART_IER_RBR);
    f.uart.receive(std::string(c.level, 'x'), 0);
    f.run_to(c.level * kChar - 1);
    EXPECT_FALSE(f.line()) << "level " << c.level;
    EXPECT_EQ(f.interrupt(), LPC_UART_IIR_NONE) << "level " << c.level;
    f.run_to(c.level * kChar);
    EXPECT_TRUE(f.line()) << "level " << c.level;
    EXPECT_EQ(f.interrupt(), LPC_UART_IIR_INTID_RDA) << "level " << c.level;
    f.get(Uart::kRbrThrDll);
    EXPECT_FALSE(f.line()) << "below the level again";
  }
}

TEST(Uart, DataBelowTheLevelTimesOutAfterFourCharacters) {
  UartFixture f;
  f.set(Uart::kIirFcr, LPC_UART_FCR_FIFO_ENABLE | LPC_UART_FCR_TRIGGER(1));
  f.set(Uart::kIerDlm, LPC_UART_IER_RBR);
  f.uart.receive("x", 0);
  f.run_to(kChar + 4 * kChar - 1);
  EXPECT_FALSE(f.line());
  f.run_to(kChar + 4 * kChar);
  EXPECT_EQ(f.interrupt(), LPC_UART_IIR_INTID_CTI);
  EXPECT_EQ(f.get(Uart::kRbrThrDll), 'x');
  EXPECT_FALSE(f.line());
}

TEST(Uart, LineStatusFollowsBothFifos) {
  UartFixture f;
  f.set(Uart::kIirFcr, LPC_UART_FCR_FIFO_ENABLE);
  const std::uint32_t empty = LPC_UART_LSR_THRE | LPC_UART_LSR_TEMT;
  const struct {
    const char* step;
    std::function<void()> act;
    std::uint32_t lsr;
  } steps[] = {
      {"reset", [] {}, empty},
      {"one byte: in the shift register", [&] { f.set(Uart::kRbrThrDll, 'a'); },
       LPC_UART_LSR_THRE},
      {"a second one waits in the FIFO", [&] { f.set(Uart::kRbrThrDll, 'b'); }, 0},
      {"the first is sent", [&] { f.run_to(kChar); }, LPC_UART_LSR_THRE},
      {"both are sent", [&] { f.run_to(2 * kChar); }, empty},
      {"a byte received", [&] { f.uart.receive("c", f.now); f.run_to(3 * kChar); },
       empty | LPC_UART_LSR_RDR},
      {"read", [&] { f.get(Uart::kRbrThrDll); }, empty},
      {"17 bytes: one too many", [&] {
         f.uart.receive(std::string(17, 'd'), f.now);
         f.run_to(f.now + 17 * kChar);
       },
       empty | LPC_UART_LSR_RDR | LPC_UART_LSR_OE},
      {"reading LSR cleared OE", [] {}, empty | LPC_UART_LSR_RDR},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(f.get(Uart::kLsr), s.lsr) << s.step;
  }
}

TEST(Uart, InterruptsComeInPriorityOrder) {
  UartFixture f;
  f.set(Uart::kIirFcr, LPC_UART_FCR_FIFO_ENABLE | LPC_UART_FCR_TRIGGER(3));
  f.set(Uart::kIerDlm, LPC_UART_IER_RBR | LPC_UART_IER_THRE | LPC_UART_IER_RLS);
  f.uart.receive(std::string(17, 'x'), 0);
  f.run_to(17 * kChar);
  const std::uint32_t order[] = {LPC_UART_IIR_INTID_RLS, LPC_UART_IIR_INTID_RDA,
                                 LPC_UART_IIR_INTID_THRE, LPC_UART_IIR_NONE};
  EXPECT_TRUE(f.line());
  EXPECT_EQ(f.interrupt(), order[0]);
  f.get(Uart::kLsr);
  EXPECT_EQ(f.interrupt(), order[1]);
  for (int i = 0; i < 3; ++i) f.get(Uart::kRbrThrDll);  // 13 left: below 14
  EXPECT_EQ(f.interrupt(), order[2]) << "reading IIR clears THRE";
  EXPECT_EQ(f.interrupt(), order[3]);
  EXPECT_FALSE(f.line()) << "time-out not yet due";
}

TEST(Uart, BytesReachOnlyTheSelectedPins) {
  UartFixture f;
  bool tx = false, rx = false;
  f.uart.connect_pins([&] { return tx; }, [&] { return rx; });
  f.set(Uart::kRbrThrDll, 'a');
  f.uart.receive("b", 0);
  f.run_to(kChar);
  EXPECT_TRUE(f.uart.sent().empty());
  EXPECT_EQ(f.uart.lost_on_pin(), 1u);
  EXPECT_EQ(f.get(Uart::kLsr) & LPC_UART_LSR_RDR, 0u);
  tx = rx = true;
  f.set(Uart::kRbrThrDll, 'a');
  f.uart.receive("b", f.now);
  f.run_to(2 * kChar);
  EXPECT_EQ(f.uart.sent().size(), 1u);
  EXPECT_EQ(f.get(Uart::kRbrThrDll), 'b');
}

TEST(Uart, RecordsWhatItDoesNotAnswerAsTheChip) {
  const struct {
    const char* what;
    std::function<void(UartFixture&)> act;
    sim::AccessKind kind;
  } cases[] = {
      {"unpowered read", [](UartFixture& f) { f.powered = false; f.get(Uart::kLsr); },
       sim::AccessKind::kUnpowered},
      {"unpowered write", [](UartFixture& f) { f.powered = false; f.set(Uart::kRbrThrDll, 'a'); },
       sim::AccessKind::kUnpowered},
      {"LSR written", [](UartFixture& f) { f.set(Uart::kLsr, 0); }, sim::AccessKind::kReadOnly},
      {"auto-baud start", [](UartFixture& f) { f.set(Uart::kAcr, LPC_UART_ACR_START); },
       sim::AccessKind::kUnsupported},
      {"MULVAL 0", [](UartFixture& f) { f.set(Uart::kFdr, 0x01); }, sim::AccessKind::kUnsupported},
      {"IrDA", [](UartFixture& f) { f.set(0x24, 1); }, sim::AccessKind::kUnmodelled},
  };
  for (const auto& c : cases) {
    UartFixture f;
    c.act(f);
    ASSERT_EQ(f.log.records().size(), 1u) << c.what;
    EXPECT_EQ(f.log.records()[0].kind, c.kind) << c.what;
    EXPECT_STREQ(f.log.records()[0].window, "UART0");
  }
  UartFixture unpowered;
  unpowered.powered = false;
  unpowered.set(Uart::kRbrThrDll, 'a');
  unpowered.run_to(10 * kChar);
  EXPECT_TRUE(unpowered.uart.sent().empty()) << "the dropped write sent nothing";
}

}  // namespace
