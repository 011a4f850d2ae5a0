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
#include <stdint.h>

#include "registros.h"

extern "C" {
volatile uint32_t caso;
volatile uint32_t hecho;
volatile uint32_t svc_visto;
int main();
void SVC_Handler();
}

void SVC_Handler() { svc_visto = 1; }

int main() {
  while (caso == 0) {
    if ((GPIO_PIN(2) & (1u << 10)) == 0) caso = 1;  // P2.10 low: case 1, from the command line
  }
  switch (caso) {
    case 1:
      (void)REG(0x30000000u);
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
    default:
      break;
  }
  hecho = 1;
  for (;;) {
  }
}
