// Timer model: prescaler and match timing against a tick-by-tick reference,
// match actions, power gating and the next-event time.
#include "sim/lpc4088/timer.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/simperif/fakes.h"

namespace {

using sim::Cycles;
using sim::Timer;
using simperif::FakeIrqLines;
using simperif::FixedClocks;

struct TimerFixture {
  explicit TimerFixture(std::uint32_t cpu = 12'000'000, std::uint32_t pclk = 12'000'000)
      : clocks(cpu, pclk) {}
  FakeIrqLines irq;
  FixedClocks clocks;
  bool powered = true;
  sim::AccessLog log;
  Timer timer{simperif::ContextOf{
      log, "TIMER0", LPC_TIM0_BASE, {irq, TIMER0_IRQn}, clocks, simperif::no_memory(), [this] {
        return powered;
      }}};

  void set(std::uint32_t reg, std::uint32_t value, Cycles at = 0) {
    timer.write(reg, value, 4, at);
  }
  std::uint32_t get(std::uint32_t reg, Cycles at) { return timer.read(reg, 4, at); }
};

// The timer as the chip's diagrams describe it, one peripheral-clock edge at
// a time.
struct ReferenceTimer {
  std::uint32_t ir = 0, tcr = 1, tc = 0, pr = 0, pc = 0, mcr = 0;
  std::uint32_t mr[4] = {};

  void edge() {
    if (!(tcr & 1)) return;
    if (pc != pr) {
      ++pc;
      return;
    }
    pc = 0;
    bool reset = false, stop = false;
    for (unsigned n = 0; n < 4; ++n) {
      if (mr[n] != tc) continue;
      if (mcr >> (3 * n) & 1) ir |= 1u << n;
      reset |= (mcr >> (3 * n + 1)) & 1;
      stop |= (mcr >> (3 * n + 2)) & 1;
    }
    if (stop) tcr = 0;
    tc = reset ? 0 : (stop ? tc : tc + 1);
  }
};

TEST(Timer, MatchesTickByTickReferenceAtEveryReadTime) {
  struct Rate {
    std::uint32_t cpu, pclk;
  };
  for (const Rate rate : {Rate{12'000'000, 12'000'000}, Rate{120'000'000, 60'000'000},
                          Rate{120'000'000, 40'000'000}}) {
    std::mt19937 random(1234);
    for (int trial = 0; trial < 60; ++trial) {
      TimerFixture f(rate.cpu, rate.pclk);
      ReferenceTimer ref;
      ref.pr = random() % 4;
      ref.mcr = random() % 0x1000;
      for (auto& mr : ref.mr) mr = random() % 12;
      f.set(Timer::kPr, ref.pr);
      f.set(Timer::kMcr, ref.mcr);
      for (unsigned n = 0; n < 4; ++n) f.set(Timer::kMr0 + 4 * n, ref.mr[n]);
      f.set(Timer::kTcr, 1);
      const std::uint32_t ratio_num = rate.cpu, ratio_den = rate.pclk;
      std::uint64_t edges_done = 0;
      Cycles now = 0;
      for (int step = 0; step < 40; ++step) {
        now += random() % 9;
        const std::uint64_t edges = now * ratio_den / ratio_num;
        for (; edges_done < edges; ++edges_done) ref.edge();
        SCOPED_TRACE(testing::Message()
                     << "trial " << trial << " cycle " << now << " pclk " << rate.pclk);
        ASSERT_EQ(f.get(Timer::kTc, now), ref.tc);
        ASSERT_EQ(f.get(Timer::kPc, now), ref.pc);
        ASSERT_EQ(f.get(Timer::kIr, now), ref.ir);
        ASSERT_EQ(f.get(Timer::kTcr, now), ref.tcr);
        if (random() % 4 == 0) {
          f.set(Timer::kIr, 0xF, now);
          ref.ir = 0;
        }
      }
    }
  }
}

TEST(Timer, NextEventIsTheExactCycleOfTheMatch) {
  struct Case {
    const char* what;
    std::uint32_t cpu, pclk, pr, pc, mr0, mcr;
    Cycles expected;
  };
  const Case cases[] = {
      {"no prescaler, interrupt at TC 9", 12'000'000, 12'000'000, 0, 0, 9, 1, 10},
      {"one-second cycle at 60 MHz", 120'000'000, 60'000'000, 5999, 0, 9999, 3, 120'000'000},
      {"1 ms delay at 1 us per count", 120'000'000, 60'000'000, 59, 0, 999, 7, 120'000},
      {"prescale counter already at PR", 12'000'000, 12'000'000, 2, 2, 0, 1, 1},
      {"PR lowered below PC wraps PC", 12'000'000, 12'000'000, 1, 5, 0, 1, 0x100000000ull - 3},
      {"peripheral clock a third of the CPU's", 120'000'000, 40'000'000, 0, 0, 4, 4, 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TimerFixture f(c.cpu, c.pclk);
    f.set(Timer::kPr, c.pr);
    f.set(Timer::kPc, c.pc);
    f.set(Timer::kMr0, c.mr0);
    f.set(Timer::kMcr, c.mcr);
    f.set(Timer::kTcr, 1);
    EXPECT_EQ(f.timer.next_event(0), c.expected);
    f.timer.advance(c.expected - 1);
    EXPECT_EQ(f.timer.registers().ir, 0u);
    f.timer.advance(c.expected);
    EXPECT_EQ(f.timer.registers().ir & 1u, c.mcr & 1u);
    EXPECT_EQ(f.timer.registers().tcr & 1u, (c.mcr & 4u) ? 0u : 1u);
  }
}

TEST(Timer, MatchActions) {
  struct Case {
    const char* what;
    std::uint32_t mcr;
    std::uint32_t ir, tc, pc, tcr;  // right after the match edge of MR0 = 5, PR = 1
  };
  const Case cases[] = {
      {"interrupt only", 1, 1, 6, 0, 1},
      {"interrupt and reset", 3, 1, 0, 0, 1},
      {"reset and stop, no flag", 6, 0, 0, 0, 0},
      {"interrupt, reset and stop (delay)", 7, 1, 0, 0, 0},
      {"stop keeps TC at the match value", 5, 1, 5, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TimerFixture f;
    f.set(Timer::kPr, 1);
    f.set(Timer::kMr0, 5);
    f.set(Timer::kMcr, c.mcr);
    f.set(Timer::kTcr, 1);
    const Cycles at = 12;  // (MR0 + 1) x (PR + 1) edges
    EXPECT_EQ(f.get(Timer::kIr, at), c.ir);
    EXPECT_EQ(f.get(Timer::kTc, at), c.tc);
    EXPECT_EQ(f.get(Timer::kPc, at), c.pc);
    EXPECT_EQ(f.get(Timer::kTcr, at), c.tcr);
    EXPECT_EQ(f.irq.high(1), c.ir != 0);
    if (c.tcr == 0) {
      EXPECT_EQ(f.get(Timer::kTc, at + 100), c.tc) << "a stopped timer stays put";
    }
  }
}

TEST(Timer, InterruptLineFollowsTheFlagsAndTheirClearing) {
  TimerFixture f;
  f.set(Timer::kMr0, 3);
  f.set(Timer::kMr0 + 4, 3);  // MR1 on the same value
  f.set(Timer::kMcr, 1 | (1 << 3) | (1 << 1));
  f.set(Timer::kTcr, 1);
  f.timer.advance(4);
  EXPECT_EQ(f.timer.registers().ir, 3u);
  EXPECT_TRUE(f.irq.high(1));
  f.set(Timer::kIr, 0, 5);
  EXPECT_TRUE(f.irq.high(1)) << "writing 0 clears nothing";
  f.set(Timer::kIr, 1, 5);
  EXPECT_TRUE(f.irq.high(1)) << "MR1's flag still set";
  f.timer.write(Timer::kIr, 2, 1, 6);  // byte-wide clear
  EXPECT_FALSE(f.irq.high(1));
  EXPECT_EQ(f.irq.changes.size(), 2u) << "one rise and one fall";
  f.timer.advance(8);
  EXPECT_TRUE(f.irq.high(1)) << "the next cycle matches again";
}

TEST(Timer, ResetBitHoldsTheCountAtZero) {
  TimerFixture f;
  f.set(Timer::kTcr, 1);
  EXPECT_EQ(f.get(Timer::kTc, 50), 50u);
  f.set(Timer::kTcr, 3, 50);
  EXPECT_EQ(f.get(Timer::kTc, 80), 0u);
  EXPECT_FALSE(f.timer.volatile_register(Timer::kTc));
  f.set(Timer::kTcr, 1, 80);
  EXPECT_EQ(f.get(Timer::kTc, 90), 10u);
  EXPECT_TRUE(f.timer.volatile_register(Timer::kTc));
  EXPECT_FALSE(f.timer.volatile_register(Timer::kIr));
}

TEST(Timer, StoppedOrWithoutActionsHasNoEvent) {
  TimerFixture f;
  f.set(Timer::kMr0, 10);
  f.set(Timer::kMcr, 1);
  EXPECT_EQ(f.timer.next_event(0), sim::kNever) << "not started";
  f.set(Timer::kTcr, 1);
  f.set(Timer::kMcr, 0);
  EXPECT_EQ(f.timer.next_event(0), sim::kNever) << "no match action";
  f.set(Timer::kMcr, 1);
  EXPECT_EQ(f.timer.next_event(0), 11u);
  EXPECT_EQ(f.timer.next_event(30), 30u) << "an overdue event is due now";
}

TEST(Timer, UnpoweredTimerNeitherCountsNorAnswers) {
  TimerFixture f;
  f.set(Timer::kMr0, 10);
  f.set(Timer::kMcr, 1);
  f.set(Timer::kTcr, 1);
  f.timer.advance(5);
  f.powered = false;
  EXPECT_EQ(f.timer.next_event(5), sim::kNever);
  f.timer.advance(1000);
  EXPECT_EQ(f.get(Timer::kTc, 1000), 0u);
  f.set(Timer::kTc, 77, 1000);
  ASSERT_EQ(f.log.records().size(), 2u);
  EXPECT_EQ(f.log.records()[1].kind, sim::AccessKind::kUnpowered);
  EXPECT_EQ(f.log.records()[1].address, 0x40004008u);
  EXPECT_TRUE(f.log.records()[1].write);
  f.powered = true;
  EXPECT_EQ(f.get(Timer::kTc, 1000), 5u) << "no count while unpowered, write dropped";
}

TEST(Timer, UnknownOffsetsAndUnsupportedModesAreRecorded) {
  TimerFixture f;
  f.get(0x34, 7);
  f.set(Timer::kCtcr, 1, 8);  // counter mode
  f.set(Timer::kCcr, 1, 9);   // capture
  ASSERT_EQ(f.log.records().size(), 3u);
  EXPECT_EQ(f.log.records()[0].kind, sim::AccessKind::kUnmodelled);
  EXPECT_EQ(f.log.records()[0].time, 7u);
  EXPECT_EQ(f.log.records()[1].kind, sim::AccessKind::kUnsupported);
  EXPECT_EQ(f.log.records()[2].kind, sim::AccessKind::kUnsupported);
  f.set(Timer::kTcr, 1, 10);
  EXPECT_EQ(f.get(Timer::kTc, 20), 0u) << "counter mode does not count clock edges";
}

TEST(Timer, ExternalMatchOutputsFollowTheirActions) {
  TimerFixture f;
  f.set(Timer::kMr0, 1);
  f.set(Timer::kMcr, 2);                      // reset on MR0: period 2
  f.set(Timer::kEmr, (3u << 4) | (2u << 6));  // EM0 toggles, EM1 set (MR1 = 0)
  f.set(Timer::kTcr, 1);
  EXPECT_EQ(f.get(Timer::kEmr, 2) & 3u, 3u);
  EXPECT_EQ(f.get(Timer::kEmr, 4) & 3u, 2u);
  EXPECT_EQ(f.get(Timer::kEmr, 6) & 3u, 3u);
}

}  // namespace
