#include "sim/placa/semihosting.h"

#include <cerrno>
#include <cmath>
#include <vector>

namespace sim {
namespace {

// Operation numbers and the exit reasons of the semihosting interface.
constexpr std::uint32_t kWritec = 0x03, kWrite0 = 0x04, kWrite = 0x05, kReadc = 0x07,
                        kClock = 0x10, kTime = 0x11, kErrno = 0x13, kExit = 0x18,
                        kExitExtended = 0x20, kElapsed = 0x30, kTickFreq = 0x31;
constexpr std::uint32_t kApplicationExit = 0x20026;
constexpr std::uint32_t kFailed = 0xFFFFFFFF;
constexpr std::uint32_t kTicksPerSecond = 1'000'000;
constexpr std::size_t kMaxString = 64 * 1024;

}  // namespace

bool Semihosting::read_words(std::uint32_t address, std::uint32_t* words, unsigned count) const {
  return memory_.read_memory(address, words, 4 * count);
}

std::optional<std::string> Semihosting::read_string(std::uint32_t address, std::size_t max) const {
  std::string s;
  char c = 0;
  while (s.size() < max) {
    if (!memory_.read_memory(address + static_cast<std::uint32_t>(s.size()), &c, 1)) {
      return std::nullopt;
    }
    if (c == '\0') return s;
    s.push_back(c);
  }
  return std::nullopt;  // no end within reach
}

Semihosting::Call Semihosting::serve(std::uint32_t op, std::uint32_t param, double seconds) {
  switch (op) {
    case kWritec: {
      char c = 0;
      if (!memory_.read_memory(param, &c, 1)) return {kFailed, {}};
      output_(1, std::string_view(&c, 1));
      return {0, {}};
    }
    case kWrite0: {
      const auto text = read_string(param, kMaxString);
      if (!text) return {kFailed, {}};
      output_(1, *text);
      return {0, {}};
    }
    case kWrite: {
      std::uint32_t block[3];  // handle, data, length
      if (!read_words(param, block, 3)) return {kFailed, {}};
      if (block[0] != 1 && block[0] != 2) {
        errno_ = EBADF;
        return {block[2], {}};  // nothing written
      }
      std::vector<char> data(block[2]);
      if (block[2] > kMaxString || !memory_.read_memory(block[1], data.data(), data.size())) {
        return {block[2], {}};
      }
      output_(static_cast<int>(block[0]), std::string_view(data.data(), data.size()));
      return {0, {}};
    }
    case kReadc:
      if (input_used_ >= input_.size()) return {kFailed, {}};
      return {static_cast<unsigned char>(input_[input_used_++]), {}};
    case kClock:
      return {static_cast<std::uint32_t>(std::floor(seconds * 100)), {}};
    case kTime:
      return {static_cast<std::uint32_t>(std::floor(seconds)), {}};
    case kElapsed: {
      const auto ticks = static_cast<std::uint64_t>(std::floor(seconds * kTicksPerSecond));
      const std::uint32_t words[2] = {static_cast<std::uint32_t>(ticks),
                                      static_cast<std::uint32_t>(ticks >> 32)};
      if (!memory_.write_memory(param, words, sizeof words)) return {kFailed, {}};
      return {0, {}};
    }
    case kTickFreq:
      return {kTicksPerSecond, {}};
    case kErrno:
      return {errno_, {}};
    case kExit:
      return {0, param == kApplicationExit ? 0 : 1};
    case kExitExtended: {
      std::uint32_t block[2];  // reason, subcode
      if (!read_words(param, block, 2)) return {kFailed, {}};
      return {0, block[0] == kApplicationExit ? static_cast<int>(block[1] & 0xFF) : 1};
    }
    default:
      errno_ = ENOSYS;
      return {kFailed, {}};
  }
}

}  // namespace sim
