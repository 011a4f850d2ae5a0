// Clock frequencies that SystemInit sets up, for the board services that
// time things themselves (SDRAM and LCD set-up).
#ifndef RELOJES_H
#define RELOJES_H

#include <stdint.h>

inline constexpr uint32_t kCristalHz = 12000000;
inline constexpr uint32_t kPllM = 10;  // PLL0 output = crystal x M
inline constexpr uint32_t kPllHz = kCristalHz * kPllM;
inline constexpr uint32_t kDivisorCpu = 1;
inline constexpr uint32_t kDivisorPeriferico = 2;
inline constexpr uint32_t kDivisorEmc = 2;  // of the CPU clock
inline constexpr uint32_t kCpuHz = kPllHz / kDivisorCpu;
inline constexpr uint32_t kPerifericoHz = kPllHz / kDivisorPeriferico;
inline constexpr uint32_t kEmcHz = kCpuHz / kDivisorEmc;

static_assert(kCpuHz == 120000000, "CPU at 120 MHz");
static_assert(kPerifericoHz == 60000000, "peripherals at 60 MHz");
static_assert(kEmcHz == 60000000, "external memory at 60 MHz");

#endif
