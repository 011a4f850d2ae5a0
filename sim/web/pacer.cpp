#include "sim/web/pacer.h"

#include <limits>

namespace sim::web {

void Pacer::start(double wall, double board) {
  running_ = true;
  anchor_wall_ = wall;
  anchor_board_ = board;
}

void Pacer::pause(double board) {
  running_ = false;
  anchor_board_ = board;
}

void Pacer::resume(double wall, double board) { start(wall, board); }

void Pacer::set_speed(std::optional<double> speed, double wall, double board) {
  speed_ = speed;
  anchor_wall_ = wall;
  anchor_board_ = board;
}

void Pacer::catch_up_limit(double wall, double board, double max_lag) {
  const auto t = target(wall);
  if (t && speed_ && *t - board > max_lag) {
    anchor_wall_ = wall;
    anchor_board_ = board;
  }
}

std::optional<double> Pacer::target(double wall) const {
  if (!running_) return std::nullopt;
  if (!speed_) return std::numeric_limits<double>::infinity();
  return anchor_board_ + (wall - anchor_wall_) * *speed_;
}

std::optional<double> Pacer::wall_at(double board) const {
  if (!running_ || !speed_ || *speed_ <= 0) return std::nullopt;
  return anchor_wall_ + (board - anchor_board_) / *speed_;
}

}  // namespace sim::web
