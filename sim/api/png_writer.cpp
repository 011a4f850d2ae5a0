#include "sim/api/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "host/atomic_file.h"

namespace sim {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path, const png_image& image) {
  throw std::runtime_error(what + " " + path + ": " + image.message);
}

std::vector<std::uint8_t> to_rgb(const Frame& frame) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(frame.pixels.size() * 3);
  for (const std::uint16_t pixel : frame.pixels) {
    const auto [r, g, b] = rgb565_to_rgb888(pixel);
    rgb.insert(rgb.end(), {r, g, b});
  }
  return rgb;
}

png_image frame_image() {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = Frame::kWidth;
  image.height = Frame::kHeight;
  image.format = PNG_FORMAT_RGB;
  return image;
}

}  // namespace

std::string encode_png(const Frame& frame) {
  const std::vector<std::uint8_t> rgb = to_rgb(frame);
  png_image image = frame_image();
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) {
    throw std::runtime_error(std::string("cannot encode a PNG: ") + image.message);
  }
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr)) {
    throw std::runtime_error(std::string("cannot encode a PNG: ") + image.message);
  }
  out.resize(size);
  return out;
}

void write_png(const std::string& path, const Frame& frame) {
  const std::vector<std::uint8_t> rgb = to_rgb(frame);
  png_image image = frame_image();
  // libpng's own file writer removes the path when a write fails, whatever
  // was there; the stream goes through a file that replaces the target only
  // once it is complete.
  host::AtomicFile file;
  if (!file.open(path)) {
    throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
  }
  if (!png_image_write_to_stdio(&image, file.stream(), 0, rgb.data(), 0, nullptr)) {
    const int error = errno;
    file.abandon();
    throw std::runtime_error("cannot write " + path + ": " +
                             (error != 0 ? std::strerror(error) : image.message));
  }
  if (!file.commit()) {
    throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
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
