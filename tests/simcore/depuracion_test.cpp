// What a debugger does with the board: breakpoints that cost their address
// only and keep time exact, single steps of one instruction, watchpoints on
// data, and a BKPT that halts instead of faulting when a debugger is there.
#include <gtest/gtest.h>

#include "imagenes.h"

namespace sim {
namespace {

// sim_memoria's loop: five instructions from main + 2, one store to vueltas.
constexpr unsigned kLoopInstructions = 5;

TEST(Debugging, ABreakpointStopsEveryPassAndKeepsTimeExact) {
  SIM_BOARD(board, "memoria");
  const std::uint32_t head = board.symbol("main") + 2;
  board.add_breakpoint(head);
  ASSERT_EQ(board.run_for(1.0).reason, StopReason::Breakpoint);
  EXPECT_EQ(board.pc(), head);
  const Cycles first = board.cycles();
  const std::uint32_t passes = board.read<std::uint32_t>("vueltas");
  ASSERT_EQ(board.run_for(1.0).reason, StopReason::Breakpoint) << "resumed over it, then hit again";
  EXPECT_EQ(board.cycles() - first, kLoopInstructions) << "only what ran is counted";
  EXPECT_EQ(board.read<std::uint32_t>("vueltas"), passes + 1);
  board.remove_breakpoint(head);
  EXPECT_EQ(board.run_for(0.001).reason, StopReason::TimeReached);
}

TEST(Debugging, AStepRunsExactlyOneInstruction) {
  SIM_BOARD(board, "memoria");
  board.add_breakpoint(board.symbol("main") + 2);
  ASSERT_EQ(board.run_for(1.0).reason, StopReason::Breakpoint);
  const Cycles start = board.cycles();
  const std::uint32_t passes = board.read<std::uint32_t>("vueltas");
  for (unsigned i = 1; i <= 4 * kLoopInstructions; ++i) {
    ASSERT_EQ(board.step().reason, StopReason::Stepped);
    EXPECT_EQ(board.cycles(), start + i);
  }
  EXPECT_EQ(board.read<std::uint32_t>("vueltas"), passes + 4);
  EXPECT_EQ(board.pc(), board.symbol("main") + 2) << "back at the loop head, not stopped by it";
}

TEST(Debugging, AStepEntersAnInterruptThatIsDue) {
  SIM_BOARD(board, "llamadas");
  board.run_for(0.001);
  board.write<std::uint32_t>(0xE000E100, 1u << 5);  // IRQ 5 enabled and pending
  board.write<std::uint32_t>(0xE000E200, 1u << 5);
  board.step();
  EXPECT_EQ(board.symbol_at(board.pc()), "IRQ5_Handler");
  EXPECT_EQ(board.xpsr() & 0x1FF, 16u + 5u);
}

TEST(Debugging, AWatchpointStopsAtTheAccessItWatches) {
  SIM_BOARD(board, "memoria");
  board.run_to("main", 0.01);  // past the start-up, which clears it too
  const std::uint32_t counter = board.symbol("vueltas");
  board.add_watchpoint(counter, 4, WatchKind::Write);
  const RunResult r = board.run_for(1.0);
  ASSERT_EQ(r.reason, StopReason::Watchpoint);
  EXPECT_EQ(r.watch.address, counter);
  EXPECT_EQ(r.watch.kind, WatchKind::Write);
  EXPECT_EQ(board.read<std::uint32_t>("vueltas"), 1u);
  board.remove_watchpoint(counter, 4, WatchKind::Write);
  EXPECT_EQ(board.run_for(0.001).reason, StopReason::TimeReached);
}

TEST(Debugging, WithADebuggerABkptHaltsWhereItIs) {
  Options options;
  options.debugger_attached = true;
  SIM_BOARD(board, "fallos", options);
  board.set_pin(Pin::parse("P2.11"), false, 0);
  EXPECT_EQ(board.run_for(0.01).reason, StopReason::Breakpoint);
  EXPECT_EQ(board.pc(), board.symbol("punto_bkpt"));
  EXPECT_FALSE(board.fault().has_value());
}

}  // namespace
}  // namespace sim
