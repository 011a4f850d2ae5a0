#include "sim/lpc4088/lcd.h"

#include <bit>

#include "board/chip/lpc4088_lcd.h"

namespace sim {

Lcd::Lcd(const ModelContext& context) : memory_(context.memory), log_(context.log) {}

// Timing and control 0x000-0x030, palette 0x200-0x3FC, cursor image
// 0x800-0xBFC, cursor registers 0xC00-0xC2C.
bool Lcd::implemented(std::uint32_t word_offset) {
  return word_offset <= kLpCurr || (word_offset >= 0x200 && word_offset < 0x400) ||
         (word_offset >= 0x800 && word_offset <= 0xC2C && word_offset != 0xC18 &&
          word_offset != 0xC1C);
}

std::uint32_t Lcd::read(std::uint32_t offset, unsigned width, Cycles now) {
  const std::uint32_t word = offset & ~3u;
  if (!implemented(word)) {
    log_.record(offset, width, false, 0, now, AccessKind::kUnmodelled);
    return 0;
  }
  std::uint32_t value = reg(word);
  if (word == kUpCurr) value = reg(kUpBase);
  if (word == kLpCurr) value = reg(kLpBase);
  if (word == kIntRaw || word == kIntStat || word == kIntClr) value = 0;
  return lane_value(value, offset, width);
}

void Lcd::write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) {
  const WordLanes lanes = word_lanes(offset, width);
  if (!implemented(lanes.offset)) {
    log_.record(offset, width, true, value, now, AccessKind::kUnmodelled);
    return;
  }
  std::uint32_t& reg = regs_[lanes.offset / 4];
  reg = (reg & ~lanes.mask) | ((value << lanes.shift) & lanes.mask);
}

bool Lcd::enabled() const {
  const std::uint32_t on = LCD_CTRL_EN | LCD_CTRL_PWR;
  return (control() & on) == on;
}

std::optional<Frame> Lcd::capture() const {
  Frame frame;
  if (!capture(frame)) return std::nullopt;
  return frame;
}

bool Lcd::capture(Frame& frame) const {
  // Straight into the pixels: a live board looks 60 times a second, and a
  // fresh buffer each time costs more than the look.
  auto* bytes = reinterpret_cast<std::uint8_t*>(frame.pixels.data());
  const std::size_t size = frame.pixels.size() * sizeof(std::uint16_t);
  if (!memory_.read_memory(frame_address(), bytes, size)) return false;
  if constexpr (std::endian::native == std::endian::big) {
    for (std::uint16_t& p : frame.pixels) p = static_cast<std::uint16_t>((p >> 8) | (p << 8));
  }
  return true;
}

}  // namespace sim
