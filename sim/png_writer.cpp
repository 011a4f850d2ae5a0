#include "png_writer.h"

#include <png.h>

#include <stdexcept>

namespace sim {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, const png_image& image) {
  throw std::runtime_error(what + " " + path + ": " + image.message);
}

}  // namespace

void write_png(const std::string& path, const Frame& frame) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(frame.pixels.size() * 3);
  for (const std::uint16_t pixel : frame.pixels) {
    const auto [r, g, b] = rgb565_to_rgb888(pixel);
    rgb.insert(rgb.end(), {r, g, b});
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = Frame::kWidth;
  image.height = Frame::kHeight;
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    fail("cannot write", path, image);
  }
}

RgbImage read_png(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) fail("cannot read", path, image);
  image.format = PNG_FORMAT_RGB;
  RgbImage result;
  result.width = image.width;
  result.height = image.height;
  result.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    fail("cannot decode", path, image);
  }
  return result;
}

}  // namespace sim
