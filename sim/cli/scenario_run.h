// Runs a scenario (sim/cli/scenario.h) on a board and judges each of its
// expectations. Shared by lpc4088-sim --scenario and anything else that
// grades a lab the same way.
#ifndef SIM_CLI_SCENARIO_RUN_H
#define SIM_CLI_SCENARIO_RUN_H

#include <string>
#include <vector>

#include "sim/api/simulador.h"
#include "sim/cli/scenario.h"

namespace sim::cli {

struct Outcome {
  const Expectation* expectation = nullptr;
  bool passed = false;
  std::string seen;        // what the board showed instead, when it failed
  bool after_end = false;  // judged on the board as the run's early end left it
};

struct ScenarioReport {
  std::vector<Outcome> outcomes;  // in the scenario's order
  RunResult result;               // how the run ended
  std::size_t passed() const;
};

// Schedules the steps on `board` (fresh from reset), runs it to the
// scenario's last time, and judges each "at" expectation at its time, each
// "by" one over the run up to its time, and the others on the whole run.
// A run that ends early (an error stop, a fault, parking) leaves the rest to
// be judged on the board as it stopped. Make the board with
// Options::error_stop_draws so an error stop's report is on the LCD.
ScenarioReport run_scenario(Simulador& board, const Scenario& scenario);

// "PASS  NAME:LINE  SOURCE" or "FAIL  NAME:LINE  SOURCE  -- seen: ...".
std::string describe(const Outcome& outcome, const std::string& name);

}  // namespace sim::cli

#endif
