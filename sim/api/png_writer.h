// PNG files of LCD frames: RGB565 expanded to 8-bit RGB (each field's top
// bits repeated into its low bits, so full white stays 255), red in the top
// five bits as the firmware's colour macro packs it. read_png loads any PNG
// back as 8-bit RGB, for tests that compare screenshots.
#ifndef SIM_API_PNG_WRITER_H
#define SIM_API_PNG_WRITER_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/lpc4088/lcd.h"

namespace sim {

struct RgbImage {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes per pixel, row-major
};

constexpr std::array<std::uint8_t, 3> rgb565_to_rgb888(std::uint16_t pixel) {
  const unsigned r = (pixel >> 11) & 0x1F;
  const unsigned g = (pixel >> 5) & 0x3F;
  const unsigned b = pixel & 0x1F;
  return {static_cast<std::uint8_t>((r << 3) | (r >> 2)),
          static_cast<std::uint8_t>((g << 2) | (g >> 4)),
          static_cast<std::uint8_t>((b << 3) | (b >> 2))};
}
static_assert(rgb565_to_rgb888(0xFFFF) == std::array<std::uint8_t, 3>{255, 255, 255});
static_assert(rgb565_to_rgb888(0x07E0) == std::array<std::uint8_t, 3>{0, 255, 0});
static_assert(rgb565_to_rgb888(0x8010) == std::array<std::uint8_t, 3>{132, 0, 132});

// Both throw std::runtime_error with the file name and libpng's reason.
void write_png(const std::string& path, const Frame& frame);
RgbImage read_png(const std::string& path);
// The same PNG in memory.
std::string encode_png(const Frame& frame);

}  // namespace sim

#endif
