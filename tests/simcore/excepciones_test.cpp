// Exception machinery on whole-board runs: register and FP preservation,
// priorities and preemption, PRIMASK, tail-chaining, faults.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "tests/simcore/imagenes.h"

namespace sim {
namespace {

std::function<bool()> flag_set(Simulador& board, const char* name) {
  return [&board, name] { return board.read<std::uint32_t>(name) != 0; };
}

TEST(Exceptions, EntryAndReturnPreserveEveryRegisterAndTheFpState) {
  SIM_BOARD(board, "excepciones");
  board.run_until(flag_set(board, "hecho"), 0.01);
  ASSERT_EQ(board.read<std::uint32_t>("hecho"), 1u);
  EXPECT_EQ(board.read<std::uint32_t>("entradas"), 1u);
  EXPECT_EQ(board.read<std::uint32_t>("errores"), 0u);
  EXPECT_EQ(board.read<std::uint32_t>("exc_return_visto"), 0xFFFFFFE9u)
      << "FP context active: extended frame, thread mode, main stack";
}

TEST(Exceptions, PreemptionOrderPrimaskTailChainAndGrouping) {
  SIM_BOARD(board, "prioridades");
  board.run_until(flag_set(board, "hecho"), 0.01);
  ASSERT_EQ(board.read<std::uint32_t>("hecho"), 1u);
  const std::uint32_t n = board.read<std::uint32_t>("n_registro");
  std::vector<std::uint32_t> log(n);
  board.read_memory(board.symbol("registro"), log.data(), 4 * n);
  EXPECT_EQ(log, (std::vector<std::uint32_t>{10, 20, 21, 11,      // preemption
                                             30, 31, 40, 41, 50,  // lower number first, chained
                                             60, 70, 71,          // held by PRIMASK
                                             80, 81, 90, 91}));   // same group
  EXPECT_EQ(board.read<std::uint32_t>("visto_tras_cpsie"), 12u);
  EXPECT_EQ(board.read<std::uint32_t>("exc_return_irq1"), 0xFFFFFFF9u) << "basic frame, thread";
  EXPECT_EQ(board.read<std::uint32_t>("exc_return_irq2"), 0xFFFFFFF1u) << "nested in a handler";
}

struct FaultCase {
  std::uint32_t caso;
  const char* handler;
  std::uint32_t cfsr_bit;
  bool forced;
};

TEST(Exceptions, FaultsReachTheirHandler) {
  const FaultCase cases[] = {
      {1, "HardFault_Handler", 1u << 9, true},     // read from nowhere: precise bus error
      {2, "HardFault_Handler", 1u << 9, true},     // write to flash
      {3, "HardFault_Handler", 1u << 16, true},    // undefined instruction
      {4, "HardFault_Handler", 1u << 8, true},     // execution from nowhere
      {5, "BusFault_Handler", 1u << 9, false},     // enabled BusFault takes it
      {6, "UsageFault_Handler", 1u << 16, false},  // enabled UsageFault takes it
      {11, "HardFault_Handler", 1u << 25, true},   // divide by zero, trapped
      {12, "HardFault_Handler", 1u << 19, true},   // FPU off: no coprocessor
      {13, "HardFault_Handler", 1u << 24, true},   // LDRD not word aligned
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.caso);
    SIM_BOARD(board, "fallos");
    board.run_for(0.001);
    board.write<std::uint32_t>("caso", c.caso);
    const RunResult r = board.run_for(0.01);
    EXPECT_EQ(r.reason, StopReason::Fault);
    ASSERT_TRUE(board.parking().has_value());
    EXPECT_EQ(board.parking()->function, c.handler);
    EXPECT_NE(board.read<std::uint32_t>(0xE000ED28) & c.cfsr_bit, 0u);
    EXPECT_EQ((board.read<std::uint32_t>(0xE000ED2C) >> 30) & 1, c.forced ? 1u : 0u);
    EXPECT_EQ(board.read<std::uint32_t>("hecho"), 0u);
    ASSERT_TRUE(board.fault().has_value());
  }
}

TEST(Exceptions, SvcRunsItsHandlerAndReturns) {
  SIM_BOARD(board, "fallos");
  board.run_for(0.001);
  board.write<std::uint32_t>("caso", 7);
  EXPECT_EQ(board.run_for(0.01).reason, StopReason::TimeReached);
  EXPECT_EQ(board.read<std::uint32_t>("svc_visto"), 1u);
  EXPECT_EQ(board.read<std::uint32_t>("hecho"), 1u);
}

// Code outside flash is scanned for mask changes as it runs, and again when
// its bytes change: a CPSIE written over a NOP lets the pending interrupt in
// before the next instruction (IRQ 5's default handler parks, so the marker
// store after it never runs).
TEST(Exceptions, UnmaskingInRewrittenRamCodeIsTakenAtOnce) {
  SIM_BOARD(board, "llamadas");
  board.run_for(0.001);
  board.write<std::uint32_t>(0xE000E100, 1u << 5);
  const std::uint32_t marker = board.symbol("contador_llamadas");
  constexpr std::uint16_t kNop = 0xBF00, kCpsie = 0xB662;
  struct Case {
    std::uint16_t unmask;
    bool taken;
  };
  for (const Case c : {Case{kNop, false}, Case{kCpsie, true}}) {
    SCOPED_TRACE(c.unmask);
    // cpsid i; str r1, [r0] (pends IRQ 5); b 1f (a new block, still
    // masked); 1: unmask; str r3, [r2]; bx lr
    const std::array<std::uint16_t, 6> code{0xB672, 0x6001, 0xE7FF, c.unmask, 0x6013, 0x4770};
    board.write("codigo_en_ram", code);
    board.write<std::uint32_t>(marker, 0);
    board.write<std::uint32_t>(0xE000E280, 1u << 5);
    bool taken = false;
    try {
      board.call("codigo_en_ram", {0xE000E200u, 1u << 5, marker, 1u}, 0.01);
    } catch (const CallFailed&) {
      taken = true;
    }
    EXPECT_EQ(taken, c.taken);
    EXPECT_EQ(board.read<std::uint32_t>(marker), c.taken ? 0u : 1u);
  }
}

// The emulator shows unprivileged code its masks as 0; they mask all the same.
TEST(Exceptions, PrimaskHoldsInUnprivilegedThreadMode) {
  SIM_BOARD(board, "llamadas");
  board.run_for(0.001);
  board.write<std::uint32_t>(0xE000E100, 1u << 5);
  const std::uint32_t marker = board.symbol("contador_llamadas");
  board.write<std::uint32_t>(marker, 0);
  // cpsid i; str r1, [r0] (pends IRQ 5); msr control, r3 (nPRIV); isb;
  // b 1f (a new block); 1: str r3, [r2]; bx lr
  const std::array<std::uint16_t, 9> code{0xB672, 0x6001, 0xF383, 0x8814, 0xF3BF,
                                          0x8F6F, 0xE7FF, 0x6013, 0x4770};
  board.write("codigo_en_ram", code);
  EXPECT_NO_THROW(board.call("codigo_en_ram", {0xE000E200u, 1u << 5, marker, 1u}, 0.01));
  EXPECT_EQ(board.read<std::uint32_t>(marker), 1u);
}

TEST(Exceptions, StrayInterruptParksInItsDefaultHandler) {
  SIM_BOARD(board, "llamadas");
  board.run_for(0.001);
  board.write<std::uint32_t>(0xE000E100, 1u << 5);  // enable IRQ 5, no handler of its own
  board.write<std::uint32_t>(0xE000E200, 1u << 5);
  const RunResult r = board.run_for(0.01);
  EXPECT_EQ(r.reason, StopReason::Parked);
  ASSERT_TRUE(board.parking().has_value());
  EXPECT_EQ(board.parking()->function, "IRQ5_Handler");
  EXPECT_EQ(board.parking()->exception_name, "IRQ 5 (UART0)");
  EXPECT_TRUE(board.irq_active(5));
}

}  // namespace
}  // namespace sim
