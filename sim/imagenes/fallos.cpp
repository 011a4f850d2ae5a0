// Test image: faults reaching their handler. The test writes `caso` once the
// CPU is in main, then lets it run; the default handlers park, so the run
// ends in the handler the fault went to. P2.10 driven low selects case 1.
//   1 read from an address where nothing is mapped
//   2 write to flash
//   3 undefined instruction
//   4 execution from an address where nothing is mapped
//   5 as 1 with the BusFault handler enabled
//   6 as 3 with the UsageFault handler enabled
//   7 SVC with the SVCall handler (priority 0) taking it: returns, sets hecho
//   8 a breakpoint with no debugger (at punto_bkpt)                 P2.11 low
//   9 an interrupt whose vector table lies where nothing is mapped  P2.12 low
//  10 an enabled interrupt with no handler of its own               P2.13 low
//  11 UDIV by zero with CCR.DIV_0_TRP set
//  12 an FP instruction with the FPU switched off in CPACR
//  13 LDRD from an address that is not word aligned
// The pins let a command line choose a case: the loop reads them all.
#include <stdint.h>

#include "registros.h"

extern "C" {
volatile uint32_t caso;
volatile uint32_t hecho;
volatile uint32_t svc_visto;
volatile uint32_t antes_del_fallo;
int main();
void SVC_Handler();
}

void SVC_Handler() { svc_visto = 1; }

int main() {
  while (caso == 0) {
    const uint32_t pines = GPIO_PIN(2);
    if ((pines & (1u << 10)) == 0) caso = 1;
    if ((pines & (1u << 11)) == 0) caso = 8;
    if ((pines & (1u << 12)) == 0) caso = 9;
    if ((pines & (1u << 13)) == 0) caso = 10;
  }
  switch (caso) {
    case 1:
      // Counts once, then reads from nowhere (at punto_lectura), in one block.
      __asm volatile(
          "ldr r2, [%0]\n adds r2, r2, #1\n str r2, [%0]\n movs r2, #0\n"
          ".global punto_lectura\npunto_lectura: ldr r2, [%1]\n" ::"r"(&antes_del_fallo),
          "r"(0x30000000u)
          : "r2", "memory");
      break;
    case 2:
      REG(0x00000100u) = 1;
      break;
    case 3:
      __asm volatile("udf #0");
      break;
    case 4:
      reinterpret_cast<void (*)()>(0x30000001u)();
      break;
    case 5:
      SCB_SHCSR = 1u << 17;
      (void)REG(0x30000000u);
      break;
    case 6:
      SCB_SHCSR = 1u << 18;
      __asm volatile("udf #0");
      break;
    case 7:
      __asm volatile("svc #0" ::: "memory");
      break;
    case 8:
      __asm volatile(".global punto_bkpt\npunto_bkpt: bkpt #1" ::: "memory");
      break;
    case 9:
      REG(0xE000ED08u) = 0x30000000u;  // VTOR
      NVIC_ISER(0) = 1u << 5;
      NVIC_ISPR(0) = 1u << 5;
      break;
    case 10:
      NVIC_ISER(0) = 1u << 5;
      NVIC_ISPR(0) = 1u << 5;
      break;
    case 11:
      REG(0xE000ED14u) |= 1u << 4;  // CCR.DIV_0_TRP, in force after the barriers
      __asm volatile("dsb\n isb\n movs r1, #7\n movs r2, #0\n udiv r0, r1, r2" ::: "r0", "r1",
                     "r2", "memory");
      break;
    case 12:
      REG(0xE000ED88u) = 0;  // CPACR: CP10 and CP11 denied
      __asm volatile("dsb\n isb\n vmov s0, r0" ::: "memory");
      break;
    case 13: {
      static volatile uint32_t palabras[4];
      __asm volatile("ldrd r0, r1, [%0]" ::"r"(reinterpret_cast<uintptr_t>(palabras) + 2)
                     : "r0", "r1", "memory");
      break;
    }
    default:
      break;
  }
  hecho = 1;
  for (;;) {
  }
}
