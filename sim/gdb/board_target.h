// The simulated board as the debug server's target: registers, memory,
// breakpoints and watchpoints through the test API's board, runs in slices
// of board time, and the monitor commands a user of the board needs.
#ifndef SIM_GDB_BOARD_TARGET_H
#define SIM_GDB_BOARD_TARGET_H

#include <filesystem>
#include <memory>
#include <vector>

#include "sim/api/simulador.h"
#include "sim/gdb/target.h"

namespace sim::gdb {

class BoardTarget final : public Target {
 public:
  // The board runs at most until board time `end_seconds`, then reports
  // TimeLimit. A BKPT in the firmware halts into the debugger.
  BoardTarget(std::filesystem::path image, Options options, double end_seconds);

  Simulador& board() { return *board_; }
  bool killed() const { return killed_; }
  // Whether the run has used all its board time.
  bool at_end() const;

  std::optional<std::uint64_t> read_register(unsigned number) override;
  bool write_register(unsigned number, std::uint64_t value) override;
  bool read_memory(std::uint32_t address, std::span<std::uint8_t> out) override;
  bool write_memory(std::uint32_t address, std::span<const std::uint8_t> in) override;
  bool insert_point(PointType type, std::uint32_t address, std::uint32_t length) override;
  bool remove_point(PointType type, std::uint32_t address, std::uint32_t length) override;
  std::optional<StopEvent> resume(ResumeMode mode) override;
  void interrupt() override {}
  void reset() override;
  void kill() override { killed_ = true; }
  std::optional<std::string> monitor(std::string_view command) override;

 private:
  struct Point {
    PointType type;
    std::uint32_t address;
    std::uint32_t length;
    bool operator==(const Point&) const = default;
  };
  void place(const Point& p);
  std::optional<StopEvent> stop_for(const RunResult& r);

  std::filesystem::path image_;
  Options options_;
  double end_;
  std::unique_ptr<Simulador> board_;
  std::vector<Point> points_;
  bool killed_ = false;
};

}  // namespace sim::gdb

#endif
