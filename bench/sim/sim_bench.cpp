// Guest MIPS of the simulator on a register-only loop, an MMIO-polling loop
// and a call-heavy loop (functions of sim_forma_reloj called by name), and
// the ratio of board time to wall time for firmware that polls a pin for
// ever while a timer interrupts once a second (sim_forma_reloj's main, and
// the clock itself, reloj.elf).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "sim/api/simulador.h"

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

void BM_ClockShapedImage(benchmark::State& state) { board_time(state, "sim_forma_reloj.elf"); }
void BM_ClockFirmware(benchmark::State& state) { board_time(state, "reloj.elf"); }

BENCHMARK(BM_RegisterLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MmioPollingLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CallLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClockShapedImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ClockFirmware)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
