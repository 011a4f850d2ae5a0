#include "sim/modelo/access_log.h"

#include <cstdio>
#include <utility>

namespace sim {

const char* to_string(AccessKind kind) {
  switch (kind) {
    case AccessKind::kUnmodelled:
      return "unmodelled";
    case AccessKind::kUnsupported:
      return "unsupported setting";
    case AccessKind::kUnpowered:
      return "unpowered";
    case AccessKind::kReadOnly:
      return "read-only register";
  }
  return "?";
}

std::string describe(const RecordedAccess& access) {
  char text[96];
  if (access.write) {
    std::snprintf(text, sizeof text, "write 0x%08X to 0x%08X", access.value, access.address);
  } else {
    std::snprintf(text, sizeof text, "read of 0x%08X", access.address);
  }
  const std::string window = *access.window != '\0' ? std::string(access.window) + ", " : "";
  return text + (" (" + window + to_string(access.kind) + ")");
}

void RegisterLog::record(std::uint32_t offset, unsigned width, bool write, std::uint32_t value,
                         Cycles now, AccessKind kind) const {
  log_->record({base_ + offset, width, write, value, now, kind, window_});
}

void AccessLog::record(const RecordedAccess& access) {
  if (records_.size() < kMaxRecords) {
    records_.push_back(access);
  } else {
    ++dropped_;
  }
  if (on_record_) on_record_(access);
}

void AccessLog::clear() {
  records_.clear();
  dropped_ = 0;
}

void AccessLog::set_failure_handler(std::function<void(const RecordedAccess&)> handler) {
  on_record_ = std::move(handler);
}

CatchAllWindow::CatchAllWindow(const ModelContext& context) : log_(context.log) {}

std::uint32_t CatchAllWindow::read(std::uint32_t offset, unsigned width, Cycles now) {
  log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
  return 0;
}

void CatchAllWindow::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
}

}  // namespace sim
