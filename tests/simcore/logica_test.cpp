// Pure logic of the core: interrupt priorities, SysTick, the time base, the
// code scan and the command line.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "sim/cli/options.h"
#include "sim/core/clock_history.h"
#include "sim/core/code_scan.h"
#include "sim/scs/nvic.h"

namespace sim {
namespace {

// The interrupt controller alone, as the board builds it: no line of its own,
// its record kept here.
struct NoClocks final : Clocks {
  std::uint32_t cpu_hz() const override { return 12'000'000; }
  std::uint32_t peripheral_hz() const override { return 12'000'000; }
};
struct NoMemory final : MemoryBus {
  bool read_memory(std::uint32_t, void*, std::size_t) const override { return false; }
};
ModelContext scs_context() {
  static AccessLog log;
  static const NoClocks clocks;
  static const NoMemory memory;
  return {IrqLine{}, clocks, memory, [] { return true; }, RegisterLog{log, "SCS", 0xE000E000}};
}

void enable(Nvic& nvic, unsigned irq, std::uint8_t priority) {
  nvic.write(0x400 + irq, priority, 1, 0);
  nvic.write(0x100 + 4 * (irq / 32), 1u << (irq % 32), 4, 0);
}

TEST(Nvic, TakesTheMostUrgentThenTheLowestNumber) {
  Nvic nvic{scs_context()};
  enable(nvic, 3, 0x40);
  enable(nvic, 1, 0x40);
  enable(nvic, 7, 0x20);
  nvic.write(0x200, (1u << 3) | (1u << 1), 4, 0);
  EXPECT_EQ(nvic.next_to_take(false, 0, false), kFirstIrq + 1);
  nvic.write(0x200, 1u << 7, 4, 0);
  EXPECT_EQ(nvic.next_to_take(false, 0, false), kFirstIrq + 7);
  EXPECT_EQ(nvic.next_to_take(true, 0, false), 0u) << "PRIMASK masks them all";
  EXPECT_EQ(nvic.next_to_take(false, 0x20, false), 0u) << "BASEPRI 0x20 masks 0x20 and below";
  nvic.activate(kFirstIrq + 7);
  EXPECT_EQ(nvic.next_to_take(false, 0, false), 0u) << "0x40 does not preempt 0x20";
}

TEST(Nvic, KeepsFivePriorityBitsAndGroupsByPrigroup) {
  Nvic nvic{scs_context()};
  enable(nvic, 6, 0x67);
  EXPECT_EQ(nvic.priority(kFirstIrq + 6), 0x60);
  enable(nvic, 7, 0x40);
  nvic.activate(kFirstIrq + 6);
  nvic.write(0x200, 1u << 7, 4, 0);
  EXPECT_EQ(nvic.next_to_take(false, 0, false), kFirstIrq + 7);
  nvic.write(0xD0C, (0x05FAu << 16) | (5u << 8), 4, 0);
  EXPECT_EQ(nvic.read(0xD0C, 4, 0), 0xFA050500u);
  EXPECT_EQ(nvic.next_to_take(false, 0, false), 0u) << "same group: no preemption";
  nvic.write(0xD0C, 0u << 8, 4, 0);
  EXPECT_EQ(nvic.read(0xD0C, 4, 0) >> 8 & 7, 5u) << "a write without the key is ignored";
}

TEST(Nvic, LevelLineStaysPendingUntilDropped) {
  Nvic nvic{scs_context()};
  enable(nvic, 1, 0x08);
  nvic.set_irq_line(1, true);
  EXPECT_TRUE(nvic.pending(kFirstIrq + 1));
  nvic.activate(kFirstIrq + 1);
  EXPECT_FALSE(nvic.pending(kFirstIrq + 1));
  nvic.deactivate(kFirstIrq + 1);
  EXPECT_TRUE(nvic.pending(kFirstIrq + 1)) << "still high after return: pending again";
  nvic.set_irq_line(1, false);
  EXPECT_FALSE(nvic.pending(kFirstIrq + 1));
  EXPECT_EQ(nvic.read(0x300, 4, 0), 0u);
}

TEST(Nvic, FaultsEscalateUnlessTheirHandlerIsEnabled) {
  Nvic nvic{scs_context()};
  EXPECT_EQ(nvic.route_fault(FaultKind::DataBus, 0x30000000, true, 256), kHardFault);
  EXPECT_EQ(nvic.read(0xD2C, 4, 0), 1u << 30);
  EXPECT_EQ(nvic.read(0xD38, 4, 0), 0x30000000u);
  nvic.write(0xD24, 1u << 17, 4, 0);
  EXPECT_EQ(nvic.route_fault(FaultKind::DataBus, 0, true, 256), kBusFault);
  EXPECT_EQ(nvic.route_fault(FaultKind::DataBus, 0, true, -1), 0u) << "fault in HardFault: lockup";
  EXPECT_NE(nvic.read(0xD28, 4, 0) & (1u << 9), 0u);
  nvic.write(0xD28, 1u << 9, 4, 0);
  EXPECT_EQ(nvic.read(0xD28, 4, 0) & (1u << 9), 0u) << "CFSR bits clear by writing 1";
}

// SysTick through the SCS, as the board reaches it: CTRL 0x10, LOAD 0x14,
// VAL 0x18; COUNTFLAG is CTRL bit 16.
constexpr std::uint32_t kSystCtrl = 0x10, kSystLoad = 0x14, kSystVal = 0x18;

void start_systick(Nvic& nvic, std::uint32_t reload) {
  nvic.write(kSystLoad, reload, 4, 0);
  nvic.write(kSystVal, 0, 4, 0);
  nvic.write(kSystCtrl, 5, 4, 0);  // enabled, processor clock
}

TEST(SysTick, ReloadsTheCycleAfterZeroAndWrapsEveryReloadPlusOne) {
  Nvic nvic{scs_context()};
  start_systick(nvic, 4);
  EXPECT_EQ(nvic.next_event(0), 5u);
  struct Case {
    Cycles at;
    std::uint32_t val;
  };
  for (const Case c : {Case{0, 0}, Case{1, 4}, Case{4, 1}, Case{5, 0}, Case{6, 4}, Case{10, 0}}) {
    EXPECT_EQ(nvic.read(kSystVal, 4, c.at), c.val) << "at cycle " << c.at;
  }
  EXPECT_EQ(nvic.next_event(10), 15u);
}

TEST(SysTick, CountflagClearsOnReadingCtrlAndOnAnyWriteToVal) {
  struct Case {
    const char* between;
    std::uint32_t countflag;
  };
  for (const Case c : {Case{"nothing", 1}, Case{"CTRL read", 0}, Case{"VAL write", 0}}) {
    Nvic nvic{scs_context()};
    start_systick(nvic, 4);
    nvic.advance(5);  // the first wrap
    if (c.between == std::string("CTRL read")) nvic.read(kSystCtrl, 4, 6);
    if (c.between == std::string("VAL write")) nvic.write(kSystVal, 3, 4, 6);
    EXPECT_EQ(nvic.read(kSystCtrl, 4, 7) >> 16 & 1, c.countflag) << c.between;
  }
}

TEST(ClockHistory, ConvertsThroughEveryClockChange) {
  ClockHistory clock(12'000'000);
  EXPECT_EQ(clock.cycles_at(1.0), 12'000'000u);
  clock.change(12'000, 120'000'000);  // 1 ms at 12 MHz, then 120 MHz
  EXPECT_DOUBLE_EQ(clock.seconds_at(12'000), 0.001);
  EXPECT_EQ(clock.cycles_at(1.001), 12'000u + 120'000'000u);
  EXPECT_DOUBLE_EQ(clock.seconds_at(6'000), 0.0005);
  EXPECT_EQ(clock.cycles_at(0.0005), 6'000u);
}

TEST(ClockHistory, CyclesAtIsTheFirstCycleAtOrAfterAnyTime) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<std::uint32_t> hz(1'000'000, 200'000'000);
  std::uniform_int_distribution<Cycles> gap(1, 50'000'000);
  for (int trial = 0; trial < 200; ++trial) {
    ClockHistory clock(12'000'000);
    Cycles at = 0;
    for (int change = trial % 5; change > 0; --change) clock.change(at += gap(rng), hz(rng));
    for (int i = 0; i < 50; ++i) {
      // Just past a cycle's own time, on it, and anywhere.
      const Cycles near = std::uniform_int_distribution<Cycles>(1, at + 100'000'000)(rng);
      const double on = clock.seconds_at(near);
      for (double t :
           {std::nextafter(on, 1e9), on, std::uniform_real_distribution<double>(0, on)(rng)}) {
        const Cycles c = clock.cycles_at(t);
        ASSERT_GE(clock.seconds_at(c), t) << "trial " << trial;
        if (c > 0) {
          ASSERT_LT(clock.seconds_at(c - 1), t) << "trial " << trial;
        }
      }
    }
  }
}

TEST(CodeScan, CountsNarrowAndWideInstructions) {
  // movs r0,#1 (16) ; ldr.w r1,[r2,#4] (32) ; bl (32) ; b . (16)
  const std::uint8_t code[] = {0x01, 0x20, 0xD2, 0xF8, 0x04, 0x10,
                               0x00, 0xF0, 0x00, 0xF8, 0xFE, 0xE7};
  EXPECT_EQ(count_thumb_instructions(code, sizeof code), 4u);
}

TEST(CodeScan, FindsEveryInstructionThatChangesTheMasks) {
  // cpsie i ; nop ; msr primask, r0 ; msr basepri, r1 ; mrs r0, primask
  const std::uint8_t code[] = {0x62, 0xB6, 0x00, 0xBF, 0x80, 0xF3, 0x10, 0x88,
                               0x81, 0xF3, 0x11, 0x88, 0xEF, 0xF3, 0x10, 0x80};
  EXPECT_EQ(find_mask_changes(code, sizeof code, 0x100),
            (std::vector<std::uint32_t>{0x102, 0x108, 0x10C}));
}

TEST(CommandLine, ParsesDurationsPressesPinsAndAdc) {
  EXPECT_DOUBLE_EQ(cli::parse_duration("3s"), 3.0);
  EXPECT_DOUBLE_EQ(cli::parse_duration("200ms"), 0.2);
  EXPECT_DOUBLE_EQ(cli::parse_duration("1.5"), 1.5);
  EXPECT_THROW(cli::parse_duration("3 h"), std::invalid_argument);
  const auto c = cli::parse_command_line({"x.elf", "--for", "2s", "--press", "P2.27@1.5s", "--pin",
                                          "P2.22=0@0.2s", "--adc", "0=1.65V"});
  EXPECT_EQ(c.image, "x.elf");
  EXPECT_DOUBLE_EQ(c.duration, 2.0);
  ASSERT_EQ(c.pins.size(), 3u);
  EXPECT_EQ(c.pins[0].pin, (Pin{2, 27}));
  EXPECT_FALSE(c.pins[0].level);
  EXPECT_DOUBLE_EQ(c.pins[0].at, 1.5);
  EXPECT_TRUE(c.pins[1].level) << "a press releases";
  EXPECT_GT(c.pins[1].at, 1.5);
  EXPECT_FALSE(c.pins[2].level);
  ASSERT_EQ(c.adc.size(), 1u);
  EXPECT_DOUBLE_EQ(c.adc[0].volts, 1.65);
  for (const auto& bad : std::vector<std::vector<std::string>>{{},
                                                               {"x.elf", "--pin", "P2.22=2"},
                                                               {"x.elf", "--press", "P7.1@1s"},
                                                               {"x.elf", "--adc", "9=1V"},
                                                               {"x.elf", "--bogus"}}) {
    EXPECT_THROW(cli::parse_command_line(bad), std::invalid_argument);
  }
}

}  // namespace
}  // namespace sim
