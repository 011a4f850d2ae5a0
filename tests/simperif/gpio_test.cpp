// GPIO ports (DIR, MASK, PIN, SET, CLR, input drives, pin-change events)
// and the GPIO interrupt block fed by them.
#include "sim/lpc4088/gpio.h"

#include <gtest/gtest.h>

#include "sim/lpc4088/gpio_interrupts.h"
#include "tests/simperif/fakes.h"

namespace {

using sim::Gpio;
using sim::GpioInterrupts;

constexpr std::uint32_t port_reg(unsigned port, std::uint32_t reg) {
  return port * Gpio::kPortStride + reg;
}

struct GpioFixture {
  sim::AccessLog log;
  Gpio gpio{simperif::ContextOf{log, "GPIO", LPC_GPIO0_BASE}};
  simperif::FakeIrqLines irq;
  GpioInterrupts interrupts{simperif::ContextOf{log, "GPIOINT", 0x40028000, {irq, GPIO_IRQn}}};
  std::vector<sim::PinEvent> events;
  GpioFixture() {
    gpio.add_listener([this](const sim::PinEvent& e) {
      events.push_back(e);
      interrupts.pin_changed(e.port, e.pin, e.level);
    });
  }
  void set(unsigned port, std::uint32_t reg, std::uint32_t value, sim::Cycles at = 0) {
    gpio.write(port_reg(port, reg), value, 4, at);
  }
  std::uint32_t get(unsigned port, std::uint32_t reg, sim::Cycles at = 0) {
    return gpio.read(port_reg(port, reg), 4, at);
  }
  void int_set(std::uint32_t reg, std::uint32_t value) {
    interrupts.write(GpioInterrupts::kRegisters + reg, value, 4, 0);
  }
  std::uint32_t int_get(std::uint32_t reg) {
    return interrupts.read(GpioInterrupts::kRegisters + reg, 4, 0);
  }
};

TEST(Gpio, RegisterSemantics) {
  // Port 2: pins 0-7 outputs holding 0xAA, then pins 4-7 masked; inputs
  // idle high.
  struct Case {
    const char* what;
    std::uint32_t reg, value;
    std::uint32_t latch, pin_read;
  };
  const Case cases[] = {
      {"SET drives unmasked pins only", Gpio::kSet, 0xFF, 0xAF, 0xFFFFFF0F},
      {"CLR clears unmasked pins only", Gpio::kClr, 0xFF, 0xA0, 0xFFFFFF00},
      {"PIN writes unmasked latch bits", Gpio::kPin, 0x05, 0xA5, 0xFFFFFF05},
      {"PIN write of inputs only sets their latch", Gpio::kPin, 0xFFFF0000, 0xFFFF00A0, 0xFFFFFF00},
  };
  for (const Case& c : cases) {
    GpioFixture f;
    f.set(2, Gpio::kDir, 0xFF);
    f.set(2, Gpio::kPin, 0xAA);
    f.set(2, Gpio::kMask, 0xF0);
    f.set(2, c.reg, c.value);
    EXPECT_EQ(f.gpio.port_state(2).latch, c.latch) << c.what;
    EXPECT_EQ(f.get(2, Gpio::kPin), c.pin_read) << c.what << ": masked pins read 0";
    EXPECT_EQ(f.get(2, Gpio::kSet), c.latch) << c.what << ": SET reads the latch";
    EXPECT_EQ(f.get(2, Gpio::kClr), 0u) << c.what;
  }
}

TEST(Gpio, LanesOfNarrowWrites) {
  GpioFixture f;
  f.set(1, Gpio::kDir, 0xFFFFFFFF);
  f.gpio.write(port_reg(1, Gpio::kSet) + 1, 0x04, 1, 0);    // byte 1: pin 10
  f.gpio.write(port_reg(1, Gpio::kDir) + 2, 0x0000, 2, 0);  // pins 16-31 inputs
  EXPECT_EQ(f.gpio.port_state(1).latch, 1u << 10);
  EXPECT_EQ(f.gpio.port_state(1).dir, 0x0000FFFFu);
  EXPECT_EQ(f.gpio.read(port_reg(1, Gpio::kPin) + 1, 1, 0), 0x04u);
  EXPECT_EQ(f.gpio.read(port_reg(1, Gpio::kPin) + 2, 2, 0), 0xFFFFu) << "inputs idle high";
}

TEST(Gpio, OutputChangesAreReportedWithTheirTime) {
  GpioFixture f;
  f.set(1, Gpio::kDir, 1u << 18, 10);  // LED1: latch 0, so the pin falls
  f.set(1, Gpio::kSet, 1u << 18, 20);
  f.set(1, Gpio::kSet, 1u << 18, 30);  // no change
  f.set(1, Gpio::kClr, 1u << 18, 40);
  ASSERT_EQ(f.events.size(), 3u);
  const bool levels[] = {false, true, false};
  const sim::Cycles times[] = {10, 20, 40};
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_EQ(f.events[i].port, 1u);
    EXPECT_EQ(f.events[i].pin, 18u);
    EXPECT_TRUE(f.events[i].output);
    EXPECT_EQ(f.events[i].level, levels[i]);
    EXPECT_EQ(f.events[i].time, times[i]);
  }
  EXPECT_TRUE(f.gpio.is_output(1, 18));
  EXPECT_FALSE(f.gpio.level(1, 18));
}

TEST(Gpio, InputDrivesTakeEffectAtTheirTime) {
  GpioFixture f;
  f.gpio.drive_input(2, 22, false, 100);
  f.gpio.drive_input(2, 22, true, 300);
  f.gpio.drive_input(2, 22, false, 300);  // same time: applied in order
  EXPECT_EQ(f.gpio.next_event(0), 100u);
  EXPECT_TRUE(f.get(2, Gpio::kPin, 99) & (1u << 22));
  EXPECT_FALSE(f.get(2, Gpio::kPin, 100) & (1u << 22));
  EXPECT_EQ(f.gpio.next_event(100), 300u);
  f.gpio.advance(300);
  EXPECT_FALSE(f.gpio.level(2, 22));
  EXPECT_EQ(f.gpio.next_event(300), sim::kNever);
  ASSERT_EQ(f.events.size(), 3u);
  EXPECT_EQ(f.events[1].time, 300u);
  EXPECT_FALSE(f.events[0].output);
  EXPECT_FALSE(f.gpio.volatile_register(port_reg(2, Gpio::kPin))) << "drives are events";
}

TEST(Gpio, OutputHidesTheDrivenInputUntilTurnedBack) {
  GpioFixture f;
  f.gpio.drive_input(0, 5, false, 0);
  f.gpio.advance(0);
  f.set(0, Gpio::kSet, 1u << 5, 1);
  f.set(0, Gpio::kDir, 1u << 5, 2);
  EXPECT_TRUE(f.gpio.level(0, 5));
  f.set(0, Gpio::kDir, 0, 3);
  EXPECT_FALSE(f.gpio.level(0, 5));
}

TEST(Gpio, Port5HasFivePinsAndUnknownOffsetsAreRecorded) {
  GpioFixture f;
  f.set(5, Gpio::kDir, 0xFFFFFFFF);
  EXPECT_EQ(f.get(5, Gpio::kDir), 0x1Fu);
  EXPECT_EQ(f.get(5, Gpio::kPin), 0u);
  EXPECT_THROW(f.gpio.drive_input(5, 5, false, 0), std::out_of_range);
  EXPECT_THROW(f.gpio.drive_input(6, 0, false, 0), std::out_of_range);
  f.gpio.read(0x04, 4, 9);
  f.gpio.write(0xC0, 1, 4, 9);
  ASSERT_EQ(f.log.records().size(), 2u);
  EXPECT_EQ(f.log.records()[0].address, 0x20098004u);
  EXPECT_EQ(f.log.records()[1].address, 0x200980C0u);
}

TEST(GpioInterrupts, OnlyEnabledEdgesLatch) {
  struct Case {
    const char* what;
    std::uint32_t enr, enf;
    std::vector<bool> levels;  // successive input levels of P2.25 (idle high)
    std::uint32_t statr, statf;
  };
  const std::uint32_t pin = 1u << 25;
  const Case cases[] = {
      {"falling enabled, falling edge", 0, pin, {false}, 0, pin},
      {"falling enabled, rising edge only", 0, pin, {true}, 0, 0},
      {"rising enabled, falling edge", pin, 0, {false}, 0, 0},
      {"rising enabled, press and release", pin, 0, {false, true}, pin, 0},
      {"both enabled, press and release", pin, pin, {false, true}, pin, pin},
      {"other pin enabled", 0, 1u << 27, {false}, 0, 0},
  };
  for (const Case& c : cases) {
    GpioFixture f;
    f.int_set(GpioInterrupts::kEnR2, c.enr);
    f.int_set(GpioInterrupts::kEnF2, c.enf);
    sim::Cycles at = 10;
    for (const bool level : c.levels) f.gpio.drive_input(2, 25, level, at++);
    f.gpio.advance(at);
    EXPECT_EQ(f.int_get(GpioInterrupts::kStatR2), c.statr) << c.what;
    EXPECT_EQ(f.int_get(GpioInterrupts::kStatF2), c.statf) << c.what;
    const bool pending = (c.statr | c.statf) != 0;
    EXPECT_EQ(f.irq.high(GPIO_IRQn), pending) << c.what;
    EXPECT_EQ(f.int_get(GpioInterrupts::kStatus), pending ? 4u : 0u) << c.what;
  }
}

TEST(GpioInterrupts, ClearReleasesTheLineOnlyWhenNothingIsLeft) {
  GpioFixture f;
  const std::uint32_t start = 1u << 25, stop = 1u << 27;
  f.int_set(GpioInterrupts::kEnF2, start | stop);
  f.int_set(GpioInterrupts::kEnR0, 1u << 3);
  f.gpio.drive_input(2, 25, false, 5);
  f.gpio.drive_input(2, 27, false, 5);
  f.gpio.drive_input(0, 3, false, 5);
  f.gpio.drive_input(0, 3, true, 6);
  f.gpio.advance(6);
  EXPECT_EQ(f.int_get(GpioInterrupts::kStatF2), start | stop);
  EXPECT_EQ(f.int_get(GpioInterrupts::kStatus), 5u);
  f.int_set(GpioInterrupts::kEnF2, 0);
  EXPECT_EQ(f.int_get(GpioInterrupts::kStatF2), start | stop) << "disabling keeps the status";
  f.int_set(GpioInterrupts::kClr2, start);
  EXPECT_EQ(f.int_get(GpioInterrupts::kStatF2), stop);
  f.int_set(GpioInterrupts::kClr2, stop);
  EXPECT_EQ(f.int_get(GpioInterrupts::kStatus), 1u);
  EXPECT_TRUE(f.irq.high(GPIO_IRQn)) << "port 0 still pending";
  f.int_set(GpioInterrupts::kClr0, 1u << 3);
  EXPECT_FALSE(f.irq.high(GPIO_IRQn));
  EXPECT_EQ(f.irq.changes.size(), 2u);
}

TEST(GpioInterrupts, PortsWithoutEdgeDetectionAndReadOnlyRegisters) {
  GpioFixture f;
  f.interrupts.pin_changed(1, 3, false);
  EXPECT_FALSE(f.irq.high(GPIO_IRQn));
  f.int_set(GpioInterrupts::kStatF2, 1);
  f.interrupts.read(0x00, 4, 0);
  f.interrupts.read(0xB8, 4, 0);
  ASSERT_EQ(f.log.records().size(), 3u);
  EXPECT_EQ(f.log.records()[0].kind, sim::AccessKind::kReadOnly);
  EXPECT_EQ(f.log.records()[1].address, 0x40028000u);
  EXPECT_EQ(f.log.records()[2].address, 0x400280B8u);
  EXPECT_EQ(f.int_get(GpioInterrupts::kStatF2), 0u);
}

}  // namespace
