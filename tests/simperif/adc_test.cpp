// A/D converter: result scale, conversion time, DONE flags, interrupt line,
// power and unsupported modes.
#include "sim/lpc4088/adc.h"

#include <gtest/gtest.h>

#include "tests/simperif/fakes.h"

namespace {

using sim::Adc;

constexpr std::uint32_t kPdn = 1u << 21;
constexpr std::uint32_t kStart = 1u << 24;

struct AdcFixture {
  AdcFixture() : clocks(120'000'000, 60'000'000) {}
  simperif::FakeIrqLines irq;
  simperif::FixedClocks clocks;
  bool powered = true;
  sim::AccessLog log;
  Adc adc{simperif::ContextOf{
      log, "ADC", LPC_ADC_BASE, {irq, ADC_IRQn}, clocks, simperif::no_memory(), [this] {
        return powered;
      }}};

  // What the driver's conversion does: divider 4 (12 MHz), channel, start.
  void start(unsigned channel, sim::Cycles at) {
    adc.write(Adc::kCr, (4u << 8) | kPdn | kStart | (1u << channel), 4, at);
  }
  std::uint32_t get(std::uint32_t reg, sim::Cycles at) { return adc.read(reg, 4, at); }
};

TEST(Adc, ResultScale) {
  struct Case {
    double volts;
    std::uint32_t result;
  };
  const Case cases[] = {{0.0, 0},
                        {-1.0, 0},
                        {0.0008, 0},
                        {0.000806, 1},
                        {1.65, 2048},
                        {3.3, 4095},
                        {3.2991943359375, 4095},
                        {3.29, 4083},
                        {5.0, 4095},
                        {1.0, 1241}};
  for (const Case& c : cases) EXPECT_EQ(Adc::result_for(c.volts), c.result) << c.volts;
}

TEST(Adc, ConversionTakes31ConverterClocks) {
  AdcFixture f;
  f.adc.set_voltage(3, 1.65);
  f.start(3, 1000);
  // 31 x (4 + 1) peripheral clocks = 155, two CPU cycles each.
  EXPECT_EQ(f.adc.next_event(1000), 1310u);
  EXPECT_FALSE(f.get(Adc::kGdr, 1309) & Adc::kDone);
  const std::uint32_t gdr = f.get(Adc::kGdr, 1310);
  EXPECT_EQ(gdr, Adc::kDone | (3u << 24) | (2048u << 4));
  EXPECT_EQ(f.get(Adc::kGdr, 1311), (3u << 24) | (2048u << 4)) << "reading cleared DONE";
  EXPECT_EQ(f.get(Adc::kStat, 1311), 1u << 3) << "DR3 still done";
  EXPECT_EQ(f.get(Adc::kDr0 + 12, 1312), Adc::kDone | (2048u << 4));
  EXPECT_EQ(f.get(Adc::kDr0 + 12, 1313), 2048u << 4);
  EXPECT_EQ(f.get(Adc::kStat, 1313), 0u);
  EXPECT_EQ(f.adc.next_event(1313), sim::kNever);
}

TEST(Adc, VoltageIsSampledAtTheStartAndARestartAbortsTheConversion) {
  AdcFixture f;
  f.adc.set_voltage(0, 1.0);
  f.start(0, 0);
  f.adc.set_voltage(0, 2.0);
  f.start(0, 100);  // restart: a full conversion from here, at 2 V
  EXPECT_EQ(f.adc.next_event(100), 410u);
  EXPECT_FALSE(f.get(Adc::kStat, 400) & 1u);
  EXPECT_EQ((f.get(Adc::kGdr, 410) >> 4) & 0xFFF, Adc::result_for(2.0));
}

TEST(Adc, WritingCrClearsTheGlobalDoneFlag) {
  AdcFixture f;
  f.start(1, 0);
  f.adc.advance(310);
  f.adc.write(Adc::kCr, (4u << 8) | kPdn | 2u, 4, 320);
  EXPECT_FALSE(f.get(Adc::kGdr, 321) & Adc::kDone);
  EXPECT_TRUE(f.get(Adc::kDr0 + 4, 322) & Adc::kDone);
}

TEST(Adc, InterruptLine) {
  AdcFixture f;  // INTEN resets to the global DONE flag
  f.start(2, 0);
  f.adc.advance(310);
  EXPECT_TRUE(f.irq.high(ADC_IRQn));
  EXPECT_TRUE(f.get(Adc::kStat, 311) & (1u << 16));
  f.get(Adc::kGdr, 312);
  EXPECT_FALSE(f.irq.high(ADC_IRQn));
  f.adc.write(Adc::kInten, 1u << 2, 4, 313);  // channel 2's own flag
  EXPECT_TRUE(f.irq.high(ADC_IRQn)) << "DR2 is still done";
  f.get(Adc::kDr0 + 8, 314);
  EXPECT_FALSE(f.irq.high(ADC_IRQn));
}

TEST(Adc, SettingsThatDoNotConvert) {
  struct Case {
    const char* what;
    std::uint32_t cr;
    bool converts;
  };
  const Case cases[] = {
      {"powered down (PDN clear)", (4u << 8) | kStart | 1u, false},
      {"no channel selected", (4u << 8) | kPdn | kStart, false},
      {"burst mode", (4u << 8) | kPdn | (1u << 16) | 1u, false},
      {"edge-triggered start", (4u << 8) | kPdn | (2u << 24) | 1u, false},
      {"two channels: the lowest converts", (4u << 8) | kPdn | kStart | 0x6u, true},
      {"converter clock too fast", (1u << 8) | kPdn | kStart | 1u, true},
  };
  for (const Case& c : cases) {
    AdcFixture f;
    f.adc.write(Adc::kCr, c.cr, 4, 0);
    EXPECT_EQ(f.adc.converting(), c.converts) << c.what;
    ASSERT_EQ(f.log.records().size(), 1u) << c.what;
    EXPECT_EQ(f.log.records()[0].kind, sim::AccessKind::kUnsupported) << c.what;
  }
}

TEST(Adc, UnpoweredConverterAnswersNothing) {
  AdcFixture f;
  f.start(0, 0);
  f.powered = false;
  f.adc.advance(310);
  f.powered = true;
  EXPECT_FALSE(f.get(Adc::kGdr, 311) & Adc::kDone) << "the result was lost";
  f.powered = false;
  EXPECT_EQ(f.get(Adc::kCr, 312), 0u);
  f.start(0, 313);
  EXPECT_FALSE(f.adc.converting());
  ASSERT_EQ(f.log.records().size(), 2u);
  EXPECT_EQ(f.log.records()[1].kind, sim::AccessKind::kUnpowered);
  EXPECT_EQ(f.log.records()[1].address, LPC_ADC_BASE);
}

}  // namespace
