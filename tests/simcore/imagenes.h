// Where the sim_* test images are, and a board running one of them; tests
// skip when the firmware half was not built (sanitizer builds).
#ifndef TESTS_SIMCORE_IMAGENES_H
#define TESTS_SIMCORE_IMAGENES_H

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "sim/api/simulador.h"

inline std::filesystem::path sim_image(const std::string& name) {
  return std::filesystem::path(SIM_IMAGES) / ("sim_" + name + ".elf");
}

#define SIM_BOARD(var, name, ...)                                                 \
  if (!std::filesystem::exists(sim_image(name))) GTEST_SKIP() << "no " << (name); \
  sim::Simulador var(sim_image(name), ##__VA_ARGS__)

#endif
