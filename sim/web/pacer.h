// Board time paced to the wall clock: while running, the board should stand
// at anchor_board + (wall - anchor_wall) * speed. Every change of speed or
// run state re-anchors, so a pause or a slow stretch is never "caught up"
// by a burst afterwards. Pure arithmetic on the times it is given.
#ifndef SIM_WEB_PACER_H
#define SIM_WEB_PACER_H

#include <optional>

namespace sim::web {

class Pacer {
 public:
  // `speed` nothing: as fast as the host goes.
  void start(double wall, double board);
  void pause(double board);
  void resume(double wall, double board);
  void set_speed(std::optional<double> speed, double wall, double board);
  // A board that fell behind more than `max_lag` seconds of board time (a
  // slow host, a debugger-like stop) continues from where it is.
  void catch_up_limit(double wall, double board, double max_lag);

  bool running() const { return running_; }
  std::optional<double> speed() const { return speed_; }
  // Where the board should be at `wall`; nothing while paused; infinity at
  // full speed.
  std::optional<double> target(double wall) const;
  // Wall time at which the board reaches `board` (for sleeping until then);
  // nothing when paused or at full speed.
  std::optional<double> wall_at(double board) const;

 private:
  bool running_ = false;
  std::optional<double> speed_ = 1.0;
  double anchor_wall_ = 0;
  double anchor_board_ = 0;
};

}  // namespace sim::web

#endif
