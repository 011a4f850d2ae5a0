// The whole board: the address map the core receives, the wiring between
// models (clocks and power into the timers, pins into the GPIO interrupts)
// and the test-facing operations.
#include "sim/placa/lpc4088_peripherals.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "sim/lpc4088/adc.h"
#include "sim/lpc4088/gpio_interrupts.h"
#include "sim/lpc4088/system_control.h"
#include "sim/lpc4088/timer.h"
#include "sim/modelo/access_log.h"
#include "tests/simperif/fakes.h"

namespace {

using sim::Lpc4088Peripherals;

struct BoardFixture {
  simperif::FakeIrqLines irq;
  simperif::FakeMemory memory;
  Lpc4088Peripherals board{irq, memory};

  const sim::Window& at(std::uint32_t address) {
    for (const sim::Window& w : board.windows()) {
      if (address >= w.base && address - w.base < w.size) return w;
    }
    throw std::out_of_range("unmapped");
  }
  void write(std::uint32_t address, std::uint32_t value, sim::Cycles now) {
    const sim::Window& w = at(address);
    w.model->write(address - w.base, value, 4, now);
  }
  std::uint32_t read(std::uint32_t address, sim::Cycles now) {
    const sim::Window& w = at(address);
    return w.model->read(address - w.base, 4, now);
  }
};

TEST(Board, RegionsTileThePeripheralRangesInSlots) {
  BoardFixture f;
  const auto& all = f.board.windows();
  std::map<std::string, std::uint32_t> models;
  std::uint32_t ahb = 0, apb = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const sim::Window& w = all[i];
    EXPECT_EQ(w.base % 0x4000, 0u) << w.name;
    EXPECT_EQ(w.size % 0x4000, 0u) << w.name;
    if (i > 0) {
      EXPECT_GE(w.base, all[i - 1].base + all[i - 1].size) << "overlap";
    }
    (w.base < 0x40000000 ? ahb : apb) += w.size;
    if (w.modelled) models[w.name] = w.base;
  }
  EXPECT_EQ(ahb, 0x40000u);
  EXPECT_EQ(apb, 0x100000u);
  const std::map<std::string, std::uint32_t> expected = {
      {"SC", 0x400FC000},     {"IOCON", 0x4002C000},  {"GPIOINT", 0x40028000},
      {"GPIO", 0x20098000},   {"ADC", 0x40034000},    {"LCD", 0x20088000},
      {"EMC", 0x2009C000},    {"TIMER0", 0x40004000}, {"TIMER1", 0x40008000},
      {"TIMER2", 0x40090000}, {"TIMER3", 0x40094000}, {"UART0", 0x4000C000}};
  EXPECT_EQ(models, expected);
}

TEST(Board, UnmodelledAccessesAreRecordedAndCanStopTheRun) {
  BoardFixture f;
  std::vector<std::uint32_t> failed;
  f.board.fail_on_unmodelled([&](const sim::RecordedAccess& a) { failed.push_back(a.address); });
  f.write(0x40010000, 0x55, 42);  // UART1: nobody's
  EXPECT_EQ(f.read(0x400A0000, 43), 0u);
  f.read(0x40004000, 44);  // timer 0: modelled, powered at reset
  ASSERT_EQ(f.board.unmodelled_accesses().size(), 2u);
  const sim::RecordedAccess& first = f.board.unmodelled_accesses()[0];
  EXPECT_EQ(first.address, 0x40010000u);
  EXPECT_TRUE(first.write);
  EXPECT_EQ(first.value, 0x55u);
  EXPECT_EQ(first.time, 42u);
  EXPECT_EQ(failed, (std::vector<std::uint32_t>{0x40010000, 0x400A0000}));
}

TEST(Board, RecordSaysWhoseWindowAndWhetherTheFirmwareErred) {
  struct Case {
    std::uint32_t address;
    bool write;
    sim::AccessKind kind;
    const char* text;
  };
  const Case cases[] = {
      {0x40010000, true, sim::AccessKind::kUnmodelled,
       "write 0x00000001 to 0x40010000 (UART1, unmodelled)"},
      {0x40084000, false, sim::AccessKind::kUnmodelled,
       "read of 0x40084000 (reserved, unmodelled)"},
      {0x40090008, false, sim::AccessKind::kUnpowered, "read of 0x40090008 (TIMER2, unpowered)"},
      {0x40034010, true, sim::AccessKind::kReadOnly,
       "write 0x00000001 to 0x40034010 (ADC, read-only register)"},
  };
  for (const Case& c : cases) {
    BoardFixture f;
    f.write(0x400FC0C4, 0x0408829E | (1u << 12), 0);  // the converter powered
    if (c.write) {
      f.write(c.address, 1, 5);
    } else {
      f.read(c.address, 5);
    }
    ASSERT_EQ(f.board.unmodelled_accesses().size(), 1u) << c.text;
    const sim::RecordedAccess& a = f.board.unmodelled_accesses()[0];
    EXPECT_EQ(a.kind, c.kind) << c.text;
    EXPECT_EQ(sim::is_guest_error(a.kind),
              c.kind == sim::AccessKind::kUnpowered || c.kind == sim::AccessKind::kReadOnly);
    EXPECT_EQ(sim::describe(a), c.text);
  }
}

TEST(Board, TimerCountsAtTheRateOfEachMoment) {
  BoardFixture f;
  // Timer 0 counting peripheral clocks from cycle 0 at 12 MHz.
  f.write(0x40004004, 1, 0);
  // The clock set-up at cycle 1000 (PLL 120 MHz, peripherals at 60 MHz).
  const std::pair<std::uint32_t, std::uint32_t> init[] = {
      {0x1A0, 1u << 5}, {0x10C, 1},    {0x084, 0x09},  {0x080, 1},
      {0x08C, 0xAA},    {0x08C, 0x55}, {0x104, 0x101}, {0x1A8, 2}};
  for (const auto& [reg, value] : init) f.write(0x400FC000 + reg, value, 1000);
  EXPECT_EQ(f.board.clocks().cpu_hz(), 120'000'000u);
  EXPECT_EQ(f.read(0x40004008, 3000), 1000u + 1000u) << "1000 edges at 1:1, then one per 2 cycles";
}

TEST(Board, PoweringATimerOnStartsItsCountFromThatMoment) {
  BoardFixture f;
  f.write(0x40090004, 1, 0);  // timer 2 is unpowered at reset: dropped
  EXPECT_EQ(f.board.unmodelled_accesses().size(), 1u);
  EXPECT_EQ(f.board.unmodelled_accesses()[0].kind, sim::AccessKind::kUnpowered);
  f.write(0x400FC0C4, 0x0408829E | (1u << 22), 500);
  f.write(0x40090004, 1, 600);
  f.write(0x400FC0C4, 0x0408829E, 700);  // off again: the count freezes
  f.write(0x400FC0C4, 0x0408829E | (1u << 22), 900);
  EXPECT_EQ(f.read(0x40090008, 1000), 200u);
}

TEST(Board, PinsOutputsAndGpioInterruptsAreWired) {
  BoardFixture f;
  std::vector<sim::PinChange> changes;
  f.board.on_output_change([&](const sim::PinChange& c) { changes.push_back(c); });
  f.write(0x40028080 + sim::GpioInterrupts::kEnF2, 1u << 25, 0);
  f.board.drive_input(2, 25, false, 100);
  f.at(0x20098000).model->advance(100);
  EXPECT_TRUE(f.irq.high(GPIO_IRQn));
  EXPECT_FALSE(f.board.pin_level(2, 25));
  EXPECT_TRUE(changes.empty()) << "inputs are not outputs";
  f.write(0x20098020, 1u << 18, 200);  // LED1 output, latch low
  f.write(0x20098038, 1u << 18, 300);  // SET
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[1].port, 1u);
  EXPECT_EQ(changes[1].pin, 18u);
  EXPECT_TRUE(changes[1].level);
  EXPECT_EQ(changes[1].time, 300u);
  EXPECT_TRUE(f.board.pin_is_output(1, 18));
}

TEST(Board, AdcAndLcdThroughTheBoard) {
  BoardFixture f;
  f.memory.map(0xA0000000, 480 * 272 * 2);
  f.board.set_adc_voltage(5, 3.3);
  f.write(0x400FC0C4, 0x0408829E | (1u << 12), 0);
  f.write(0x40034000, (2u << 8) | (1u << 21) | (1u << 24) | (1u << 5), 0);
  f.at(0x40034000).model->advance(93);  // 31 x 3 clocks at 12 MHz
  EXPECT_EQ(f.read(0x40034024, 93), sim::Adc::kDone | (4095u << 4));
  f.write(0x20088010, 0xA0000000, 100);
  f.write(0x20088018, 0x80D, 100);
  EXPECT_EQ(f.board.lcd_frame_address(), 0xA0000000u);
  EXPECT_TRUE(f.board.lcd_enabled());
  EXPECT_TRUE(f.board.lcd_frame().has_value());
}

}  // namespace
