#include "sim/modelo/access_log.h"

#include <utility>

namespace sim {

void CatchAll::record(const RecordedAccess& access) {
  if (records_.size() < kMaxRecords) {
    records_.push_back(access);
  } else {
    ++dropped_;
  }
  if (on_record_) on_record_(access);
}

void CatchAll::clear() {
  records_.clear();
  dropped_ = 0;
}

void CatchAll::set_failure_handler(std::function<void(const RecordedAccess&)> handler) {
  on_record_ = std::move(handler);
}

CatchAllWindow::CatchAllWindow(CatchAll& log, std::uint32_t base, std::uint32_t size)
    : Peripheral("unmodelled", base, size), log_(log) {}

std::uint32_t CatchAllWindow::read(std::uint32_t offset, unsigned width, Cycles now) {
  log_.record({base() + offset, width, false, 0, now, AccessKind::kUnmodelled});
  return 0;
}

void CatchAllWindow::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  log_.record({base() + offset, width, true, value, now, AccessKind::kUnmodelled});
}

}  // namespace sim
