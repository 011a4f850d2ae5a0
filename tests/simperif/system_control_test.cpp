// System control: clocks derived from what a clock set-up programs, the PLL
// feed sequence and lock status, refused settings.
#include "sim/lpc4088/system_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "tests/simperif/fakes.h"

namespace {

using sim::SystemControl;

struct ScFixture {
  sim::AccessLog log;
  SystemControl sc{simperif::ContextOf{log, "SC", LPC_SC_BASE}};
  sim::Cycles now = 0;
  void set(std::uint32_t reg, std::uint32_t value) { sc.write(reg, value, 4, ++now); }
  std::uint32_t get(std::uint32_t reg) { return sc.read(reg, 4, ++now); }
  void feed() {
    set(SystemControl::kPll0Feed, 0xAA);
    set(SystemControl::kPll0Feed, 0x55);
  }
  // What a SystemInit for 120 MHz CPU / 60 MHz peripherals does.
  void system_init() {
    set(SystemControl::kScs, 1u << 5);
    while (!(get(SystemControl::kScs) & (1u << 6))) {
    }
    set(SystemControl::kClkSrcSel, 1);
    set(SystemControl::kPll0Cfg, 0x09);  // M = 10, P = 1
    set(SystemControl::kPll0Con, 1);
    feed();
    while (!(get(SystemControl::kPll0Stat) & (1u << 10))) {
    }
    set(SystemControl::kCclkSel, 1 | (1u << 8));
    set(SystemControl::kPclkSel, 2);
    set(SystemControl::kEmcClkSel, 1);
    set(SystemControl::kFlashCfg, 0x503A | (4u << 12));
  }
};

TEST(SystemControl, ResetStateRunsFromTheInternalOscillator) {
  ScFixture f;
  EXPECT_EQ(f.sc.cpu_hz(), 12'000'000u);
  EXPECT_EQ(f.sc.peripheral_hz(), 12'000'000u);
  EXPECT_EQ(f.get(SystemControl::kPconp), 0x0408829Eu);
  EXPECT_TRUE(f.sc.powered(LPC_SC_PCONP_PCTIM0));
  EXPECT_FALSE(f.sc.powered(LPC_SC_PCONP_PCTIM2));
  EXPECT_FALSE(f.sc.powered(LPC_SC_PCONP_PCADC));
  EXPECT_EQ(f.get(SystemControl::kCclkSel), 1u);
  EXPECT_EQ(f.get(SystemControl::kPll0Stat), 0u);
}

TEST(SystemControl, ClockSetUpReachesItsFrequencies) {
  ScFixture f;
  f.system_init();
  EXPECT_EQ(f.get(SystemControl::kPll0Stat), 0x009u | (1u << 8) | (1u << 10));
  EXPECT_EQ(f.sc.cpu_hz(), 120'000'000u);
  EXPECT_EQ(f.sc.peripheral_hz(), 60'000'000u);
  EXPECT_EQ(f.get(SystemControl::kFlashCfg), 0x503Au | (4u << 12)) << "plain register";
  EXPECT_TRUE(f.log.records().empty());
}

TEST(SystemControl, DividersAndSources) {
  struct Case {
    std::uint32_t cclksel, pclksel;
    std::uint32_t cpu, pclk;
  };
  const Case cases[] = {
      {0x101, 1, 120'000'000, 120'000'000}, {0x102, 4, 60'000'000, 30'000'000},
      {0x001, 2, 12'000'000, 6'000'000},    {0x003, 1, 4'000'000, 12'000'000},
      {0x11F, 31, 3'870'967, 3'870'967},
  };
  for (const Case& c : cases) {
    ScFixture f;
    f.system_init();
    f.set(SystemControl::kCclkSel, c.cclksel);
    f.set(SystemControl::kPclkSel, c.pclksel);
    EXPECT_EQ(f.sc.cpu_hz(), c.cpu) << std::hex << c.cclksel;
    EXPECT_EQ(f.sc.peripheral_hz(), c.pclk) << std::hex << c.cclksel;
  }
}

TEST(SystemControl, OnlyAnUnbrokenFeedMakesThePllSettingsEffective) {
  struct Case {
    const char* what;
    std::vector<std::uint32_t> feeds;
    bool effective;
  };
  const Case cases[] = {
      {"AA 55", {0xAA, 0x55}, true},
      {"55 alone", {0x55}, false},
      {"AA, other, 55", {0xAA, 0x12, 0x55}, false},
      {"AA AA 55", {0xAA, 0xAA, 0x55}, true},
      {"55 AA", {0x55, 0xAA}, false},
  };
  for (const Case& c : cases) {
    ScFixture f;
    f.set(SystemControl::kPll0Cfg, 0x09);
    f.set(SystemControl::kPll0Con, 1);
    EXPECT_EQ(f.get(SystemControl::kPll0Stat), 0u) << c.what << ": not before the feed";
    for (const std::uint32_t v : c.feeds) f.set(SystemControl::kPll0Feed, v);
    EXPECT_EQ(f.sc.pll0_locked(), c.effective) << c.what;
    EXPECT_EQ(f.get(SystemControl::kPll0Con), 1u) << "CON reads what was written";
  }
}

TEST(SystemControl, SettingsThatWouldStopAClockAreRefused) {
  struct Case {
    const char* what;
    std::uint32_t reg, value;
  };
  const Case cases[] = {
      {"CPU divider 0", SystemControl::kCclkSel, 0x000},
      {"peripheral divider 0", SystemControl::kPclkSel, 0},
      {"PLL selected before it locks", SystemControl::kCclkSel, 0x101},
      {"main oscillator selected while off", SystemControl::kClkSrcSel, 1},
  };
  for (const Case& c : cases) {
    ScFixture f;
    const std::uint32_t before = f.get(c.reg);
    f.set(c.reg, c.value);
    EXPECT_EQ(f.get(c.reg), before) << c.what;
    EXPECT_EQ(f.sc.cpu_hz(), 12'000'000u) << c.what;
    ASSERT_EQ(f.log.records().size(), 1u) << c.what;
    EXPECT_EQ(f.log.records()[0].kind, sim::AccessKind::kUnsupported);
    EXPECT_EQ(f.log.records()[0].address, LPC_SC_BASE + c.reg);
  }
}

TEST(SystemControl, PllOutOfRangeNeverLocksAndDisablingItInUseIsRefused) {
  ScFixture f;
  f.set(SystemControl::kPll0Cfg, 0x1F);  // M = 32: 384 MHz, CCO 768 MHz
  f.set(SystemControl::kPll0Con, 1);
  f.feed();
  EXPECT_FALSE(f.get(SystemControl::kPll0Stat) & (1u << 10));
  EXPECT_EQ(f.log.records().size(), 1u);

  ScFixture g;
  g.system_init();
  g.set(SystemControl::kPll0Con, 0);
  g.feed();
  EXPECT_TRUE(g.sc.pll0_locked());
  EXPECT_EQ(g.sc.cpu_hz(), 120'000'000u);
  EXPECT_EQ(g.log.records().size(), 1u);
}

TEST(SystemControl, ListenersHearOfEveryWriteBeforeItActs) {
  ScFixture f;
  std::vector<std::pair<sim::Cycles, std::uint32_t>> heard;
  f.sc.on_change([&](sim::Cycles at) { heard.emplace_back(at, f.sc.cpu_hz()); });
  f.system_init();
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.back().second, 120'000'000u);
  const auto switch_write =
      std::find_if(heard.begin(), heard.end(), [](auto& h) { return h.second == 120'000'000u; });
  ASSERT_NE(switch_write, heard.begin());
  EXPECT_EQ(std::prev(switch_write)->second, 12'000'000u)
      << "the CCLKSEL write was heard at 12 MHz";
}

TEST(SystemControl, ByteWritesAndUnmodelledOffsets) {
  ScFixture f;
  f.sc.write(SystemControl::kPconp + 2, 0x40, 1, 1);  // bit 22: timer 2
  EXPECT_TRUE(f.sc.powered(LPC_SC_PCONP_PCTIM2));
  EXPECT_TRUE(f.sc.powered(LPC_SC_PCONP_PCTIM0));
  f.sc.read(0x400, 4, 2);
  ASSERT_EQ(f.log.records().size(), 1u);
  EXPECT_EQ(f.log.records()[0].address, 0x400FC400u);
}

}  // namespace
