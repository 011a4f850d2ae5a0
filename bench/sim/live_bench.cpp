// The live board's costs: what one pacing slice of an idle clock costs the
// host (run to the slice's end, and look for a changed LCD frame), and a
// paced run of the clock at 1x: how far board time strays from wall time
// and how much of one core it takes.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "sim/api/simulador.h"
#include "sim/placa/board.h"
#include "sim/web/live_board.h"

namespace {

const std::filesystem::path kReloj = std::filesystem::path(SIM_IMAGES) / "reloj.elf";

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double wall_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Host time of one slice of board time (state.range(0) microseconds), with
// (range(1) = 1) or without the LCD capture that follows each slice.
void BM_IdleClockSlice(benchmark::State& state) {
  if (!std::filesystem::exists(kReloj)) return state.SkipWithError("no reloj.elf");
  sim::Simulador board(kReloj);
  board.run_for(0.5);
  const double slice = static_cast<double>(state.range(0)) * 1e-6;
  const bool capture = state.range(1) != 0;
  double t = board.time();
  for (auto _ : state) {
    t += slice;
    board.run_to_time(t);
    if (capture) benchmark::DoNotOptimize(board.board().peripherals().lcd_frame());
  }
  // Board seconds per host CPU second: its inverse is the share of one
  // core an idle board takes at 1x with this slice.
  state.counters["board_s_per_cpu_s"] =
      benchmark::Counter(slice * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

class Quiet final : public sim::web::LiveListener {
 public:
  void on_status(const sim::web::Status&) override {}
  void on_pins(const std::vector<sim::OutputChange>&) override {}
  void on_uart0(const std::string&) override {}
  void on_lcd(const sim::web::LcdUpdate&) override {}
};

// The clock paced at 1x for 30 s of wall time: the largest gap between
// board time and wall time seen (as a share of the wall time so far, after
// the first second), and the process's CPU time per wall second.
void BM_PacedClock(benchmark::State& state) {
  if (!std::filesystem::exists(kReloj)) return state.SkipWithError("no reloj.elf");
  constexpr double kWall = 30;
  double worst_gap = 0, final_gap = 0, core_share = 0;
  for (auto _ : state) {
    sim::web::LiveBoard live(kReloj, {}, 1.0);
    Quiet quiet;
    const double cpu0 = cpu_seconds();
    const double wall0 = wall_seconds();
    live.start(&quiet);
    std::optional<double> offset;  // board time minus wall time at the first look
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const double wall = wall_seconds() - wall0;
      const double board = live.on_board([](sim::Simulador& s) { return s.time(); });
      if (!offset) offset = board - wall;  // start-up and a status period at most
      const double gap = std::abs(board - *offset - wall) / wall;
      if (wall > 1) worst_gap = std::max(worst_gap, gap);
      if (wall >= kWall) {
        final_gap = gap;
        break;
      }
    }
    live.stop();
    state.counters["instructions"] = static_cast<double>(live.board().instructions());
    core_share = (cpu_seconds() - cpu0) / (wall_seconds() - wall0);
  }
  state.counters["worst_gap_pct_after_1s"] = worst_gap * 100;
  state.counters["gap_at_30s_pct"] = final_gap * 100;
  state.counters["core_pct"] = core_share * 100;
}

}  // namespace

BENCHMARK(BM_IdleClockSlice)
    ->Args({16667, 0})
    ->Args({16667, 1})
    ->Args({100000, 0})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PacedClock)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
