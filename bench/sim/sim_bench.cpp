// Guest MIPS of the simulator on a register-only loop, an MMIO-polling loop
// and a call-heavy loop (functions of sim_forma_reloj called by name), and
// the ratio of board time to wall time for firmware that polls a pin for
// ever while a timer interrupts once a second (sim_forma_reloj's main, and
// the clock itself, reloj.elf); the clock again with ten breakpoints on code
// it does not run, and a debugger's stepi round trip through the server.
#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "sim/api/simulador.h"
#include "sim/gdb/board_target.h"
#include "sim/gdb/server.h"

namespace {

std::filesystem::path image(const std::string& name) {
  return std::filesystem::path(SIM_IMAGES) / name;
}

void guest_loop(benchmark::State& state, const char* function, std::uint32_t passes) {
  if (!std::filesystem::exists(image("sim_forma_reloj.elf"))) {
    state.SkipWithError("no sim_forma_reloj.elf");
    return;
  }
  sim::Simulador board(image("sim_forma_reloj.elf"));
  board.run_for(0.001);
  double instructions = 0;
  for (auto _ : state) {
    const auto before = board.instructions();
    benchmark::DoNotOptimize(board.call(function, {passes}, 1000.0).as_u32());
    instructions += static_cast<double>(board.instructions() - before);
  }
  state.counters["MIPS"] = benchmark::Counter(instructions / 1e6, benchmark::Counter::kIsRate);
}

void BM_RegisterLoop(benchmark::State& state) { guest_loop(state, "bucle_registros", 5'000'000); }
void BM_MmioPollingLoop(benchmark::State& state) {
  guest_loop(state, "bucle_perifericos", 1'000'000);
}
void BM_CallLoop(benchmark::State& state) { guest_loop(state, "bucle_llamadas", 200'000); }

void board_time(benchmark::State& state, const std::string& name) {
  if (!std::filesystem::exists(image(name))) {
    state.SkipWithError(("no " + name).c_str());
    return;
  }
  constexpr double kSeconds = 60;
  sim::Simulador board(image(name));
  double simulated = 0;
  for (auto _ : state) {
    board.run_for(kSeconds);
    simulated += kSeconds;
  }
  state.counters["board_s_per_wall_s"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}

// Breakpoints on code that does not run after the set-up: what they cost the
// rest of the run (only their own addresses are watched).
constexpr const char* kColdFunctions[] = {
    "parar_con_error",  "SystemInit",        "main",          "glcd_inicializar",
    "leds_inicializar", "timer_inicializar", "lcd_inicializar", "sdram_inicializar",
    "pantalla_rellenar", "timer_iniciar_ciclos_ms"};

void BM_ClockFirmwareTenBreakpoints(benchmark::State& state) {
  if (!std::filesystem::exists(image("reloj.elf"))) {
    state.SkipWithError("no reloj.elf");
    return;
  }
  constexpr double kSeconds = 60;
  sim::Simulador board(image("reloj.elf"));
  board.run_for(0.5);  // past the set-up
  for (const char* f : kColdFunctions) board.add_breakpoint(board.symbol(f));
  double simulated = 0;
  for (auto _ : state) {
    if (board.run_for(kSeconds).reason != sim::StopReason::TimeReached) {
      state.SkipWithError("a breakpoint was hit");
      break;
    }
    simulated += kSeconds;
  }
  state.counters["board_s_per_wall_s"] = benchmark::Counter(simulated, benchmark::Counter::kIsRate);
}

// One stepi as the debugger sees it: the packet over a socket to the debug
// server, one instruction on the board, the stop reply back.
void BM_DebuggerStepRoundTrip(benchmark::State& state) {
  if (!std::filesystem::exists(image("reloj.elf"))) {
    state.SkipWithError("no reloj.elf");
    return;
  }
  sim::gdb::BoardTarget target(image("reloj.elf"), {}, sim::kMaxBoardSeconds);
  sim::gdb::Server server(target);
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
    state.SkipWithError("no socket pair");
    return;
  }
  std::thread serving([&] { server.serve_connection(ends[1]); });
  const auto exchange = [&](const std::string& packet) {
    if (write(ends[0], packet.data(), packet.size()) != static_cast<ssize_t>(packet.size())) {
      return false;
    }
    // The reply ends with '#' and two checksum digits.
    std::string reply;
    char c = 0;
    while (read(ends[0], &c, 1) == 1) {
      reply.push_back(c);
      const auto hash = reply.find('#', reply.find('$'));
      if (hash != std::string::npos && reply.size() == hash + 3) return true;
    }
    return false;
  };
  bool ok = exchange("$QStartNoAckMode#b0");
  ok = ok && write(ends[0], "+", 1) == 1;
  for (auto _ : state) {
    if (!ok || !exchange("$s#73")) {
      state.SkipWithError("the server did not answer");
      break;
    }
  }
  exchange("$k#6b");
  close(ends[0]);
  serving.join();
}

void BM_ClockShapedImage(benchmark::State& state) { board_time(state, "sim_forma_reloj.elf"); }
void BM_ClockFirmware(benchmark::State& state) { board_time(state, "reloj.elf"); }

BENCHMARK(BM_RegisterLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClockFirmwareTenBreakpoints)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DebuggerStepRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_MmioPollingLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CallLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClockShapedImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClockFirmware)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
