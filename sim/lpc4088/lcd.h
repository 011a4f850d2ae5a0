// LCD controller registers and the panel's frame: timing,
// control and cursor registers are a register file (no interrupts are ever
// raised; UPCURR/LPCURR read the base addresses). The frame is read from
// target memory at UPBASE as 480 x 272 little-endian RGB565 half-words,
// whatever CTRL's pixel format says. Not modelled: its PCONP bit (the
// registers answer unpowered), the DMA timing, interrupts.
#ifndef SIM_LPC4088_LCD_H
#define SIM_LPC4088_LCD_H

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/modelo/access_log.h"
#include "sim/modelo/peripheral.h"

namespace sim {

// One panel frame, row-major from the top-left pixel.
struct Frame {
  static constexpr unsigned kWidth = 480;
  static constexpr unsigned kHeight = 272;
  std::vector<std::uint16_t> pixels = std::vector<std::uint16_t>(kWidth * kHeight);

  std::uint16_t at(unsigned x, unsigned y) const { return pixels[y * kWidth + x]; }
  std::uint16_t& at(unsigned x, unsigned y) { return pixels[y * kWidth + x]; }
};

class Lcd final : public Peripheral {
 public:
  static constexpr std::uint32_t kUpBase = 0x010;
  static constexpr std::uint32_t kLpBase = 0x014;
  static constexpr std::uint32_t kCtrl = 0x018;
  static constexpr std::uint32_t kIntRaw = 0x020;
  static constexpr std::uint32_t kIntStat = 0x024;
  static constexpr std::uint32_t kIntClr = 0x028;
  static constexpr std::uint32_t kUpCurr = 0x02C;
  static constexpr std::uint32_t kLpCurr = 0x030;

  explicit Lcd(const ModelContext& context);

  std::uint32_t read(std::uint32_t offset, unsigned width, Cycles now) override;
  void write(std::uint32_t offset, std::uint32_t value, unsigned width, Cycles now) override;

  std::uint32_t frame_address() const { return reg(kUpBase); }
  std::uint32_t control() const { return reg(kCtrl); }
  // Enabled and powered (CTRL LcdEn and LcdPwr).
  bool enabled() const;
  // The frame at UPBASE, or nothing when that memory is not mapped.
  std::optional<Frame> capture() const;
  // The same into a frame the caller keeps; false when not mapped.
  bool capture(Frame& frame) const;
  std::uint32_t reg(std::uint32_t offset) const { return regs_[offset / 4]; }

 private:
  static bool implemented(std::uint32_t word_offset);

  const MemoryBus& memory_;
  RegisterLog log_;
  std::array<std::uint32_t, 0x1000 / 4> regs_{};
};

}  // namespace sim

#endif
