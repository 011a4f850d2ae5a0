// System set-up, run by Reset_Handler before __main: FPU on, the main
// oscillator (12 MHz crystal) through PLL0 to a 120 MHz CPU clock, 60 MHz
// for the peripherals and the external memory, flash timing for 120 MHz,
// GPIO powered.
#include <stdint.h>

#include "lpc4088.h"
#include "nucleo_cm4.h"
#include "relojes.h"

namespace {

constexpr uint32_t kPllP = 1;        // CCO = output x 2 x P
constexpr uint32_t kCodigoPllP = 0;  // PSEL code of P = 1
constexpr uint32_t kCcoHz = kPllHz * 2 * kPllP;
static_assert(kCcoHz >= 156000000 && kCcoHz <= 320000000, "PLL0 CCO in its range");

constexpr uint32_t kScsOscEn = 1u << 5;
constexpr uint32_t kScsOscStat = 1u << 6;
constexpr uint32_t kClkSrcOscilador = 1;
constexpr uint32_t kPllConEnable = 1;
constexpr uint32_t kPllStatLock = 1u << 10;
constexpr uint32_t kCclkSelPll = 1u << 8;
constexpr uint32_t kEmcClkMitadCpu = 1;  // EMC clock = CPU clock / 2
static_assert(kDivisorEmc == 2);
constexpr uint32_t kFlashTim6Ciclos = 5u << 12;  // 6 CPU clocks: up to 120 MHz
constexpr uint32_t kFlashCfgResto = 0x03A;       // reserved bits at their reset value

void alimentar_pll0() {
  LPC_SC->PLL0FEED = 0xAA;
  LPC_SC->PLL0FEED = 0x55;
}

void habilitar_fpu() {
  SCB->CPACR |= SCB_CPACR_CP10_CP11_COMPLETO;
  __DSB();
  __ISB();
}

void arrancar_oscilador() {
  LPC_SC->SCS = kScsOscEn;  // 1 to 20 MHz range
  while ((LPC_SC->SCS & kScsOscStat) == 0) {
  }
  LPC_SC->CLKSRCSEL = kClkSrcOscilador;
}

void arrancar_pll0() {
  LPC_SC->PLL0CFG = (kPllM - 1) | (kCodigoPllP << 5);
  LPC_SC->PLL0CON = kPllConEnable;
  alimentar_pll0();
  while ((LPC_SC->PLL0STAT & kPllStatLock) == 0) {
  }
}

}  // namespace

extern "C" {

// Written by SystemInit before __main runs, so it lives outside the data
// that __main initialises.
__attribute__((section(".noinit"))) uint32_t PeripheralClock;

void SystemInit(void);
}

void SystemInit(void) {
  habilitar_fpu();
  arrancar_oscilador();
  arrancar_pll0();
  LPC_SC->FLASHCFG = kFlashTim6Ciclos | kFlashCfgResto;
  LPC_SC->PCLKSEL = kDivisorPeriferico;
  LPC_SC->EMCCLKSEL = kEmcClkMitadCpu;
  LPC_SC->CCLKSEL = kDivisorCpu | kCclkSelPll;
  LPC_SC->PCONP |= LPC_SC_PCONP_PCGPIO;
  PeripheralClock = kPerifericoHz;
}
